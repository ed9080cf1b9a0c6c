// Small concrete game objects with records for the world tests: a crate that
// takes damage and must find its kind in the game data to spawn, and a shot
// that flies. They borrow the type names "AmmoDump" and "Projectile" and
// register their readers only while a test holds a TTestRecordReaders.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "app/data_stream.h"
#include "app/files.h"
#include "world/game_data.h"
#include "world/game_object.h"
#include "world/object_list.h"
#include "world/object_record.h"

namespace world_test {

// The game data the test objects spawn against: one terrain kind, "Crate".
inline std::unique_ptr<TGameData> MakeTestGameData() {
  return std::make_unique<TGameData>("", "test", "# test set\n[Terrain Data]\n[Crate]\nType = object\n");
}

class TTestCrate : public TGameObject {
 public:
  static constexpr std::string_view kTypeName = "AmmoDump";

  explicit TTestCrate(const TVector3& position, std::string kind = "Crate", float endurance = 10.0f,
                      std::string_view typeName = kTypeName)
      : TGameObject(position), kind_(std::move(kind)), endurance_(endurance), typeName_(typeName) {}

  std::string_view TypeName() const override { return typeName_; }
  void Update(float time) override { lastUpdate_ = time; }
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override;
  bool TakeDamage(float amount) override {
    endurance_ = endurance_ > amount ? endurance_ - amount : 0.0f;
    return IsDestroyed();
  }
  bool IsDestroyed() const override { return endurance_ == 0.0f; }
  float GetVisibility() const override { return 0.75f; }
  float GetSightWeight() const override { return 1.0f; }
  void GetAimPoint(TVector3& out) const override {
    out = Position();
    out.z += 0.5f;
  }

  const std::string& Kind() const { return kind_; }
  float Endurance() const { return endurance_; }
  float LastUpdate() const { return lastUpdate_; }

 private:
  std::string kind_;
  float endurance_;
  std::string_view typeName_;
  float lastUpdate_ = -1.0f;
};

class TTestCrateRecord : public TGameObjectRecord {
 public:
  explicit TTestCrateRecord(const TTestCrate& crate)
      : TGameObjectRecord(crate), kind_(crate.Kind()), endurance_(crate.Endurance()) {}
  explicit TTestCrateRecord(TDataStream& stream)
      : TGameObjectRecord(stream), kind_(stream.ReadString()), endurance_(stream.ReadFloat()) {}

  static std::unique_ptr<TGameObjectRecord> Read(TDataStream& stream, const TStringList& /*nameTable*/) {
    return std::make_unique<TTestCrateRecord>(stream);
  }

  // Like a real dump, a crate needs its kind in the game data.
  std::unique_ptr<TGameObject> Spawn(const TGameData& gameData, TObjectList& /*list*/) const override {
    if (gameData.FindTerrainType(kind_) == nullptr) return nullptr;
    auto crate = std::make_unique<TTestCrate>(GetPosition(), kind_, endurance_);
    crate->SetId(GetId());
    ApplyFlags(*crate);
    return crate;
  }
  std::string_view TypeName() const override { return TTestCrate::kTypeName; }
  std::unique_ptr<TGameObjectRecord> Clone() const override { return CloneThroughStream(*this); }
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override {
    if (!TGameObjectRecord::Save(stream, idWriter, nameTable)) return false;
    stream.WriteString(kind_);
    stream.WriteFloat(endurance_);
    return true;
  }

 private:
  std::string kind_;
  float endurance_;
};

inline std::unique_ptr<TGameObjectRecord> TTestCrate::MakeRecord() const {
  return std::make_unique<TTestCrateRecord>(*this);
}

class TTestShot : public TMobileObject {
 public:
  static constexpr std::string_view kTypeName = "Projectile";

  TTestShot(const TVector3& position, float speed, const TVector3& direction, float startTime)
      : TMobileObject(position, speed, direction, startTime, false) {}

  std::string_view TypeName() const override { return kTypeName; }
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override;
  bool TakeDamage(float /*amount*/) override { return false; }
  bool IsDestroyed() const override { return false; }
};

class TTestShotRecord : public TMobileObjectRecord {
 public:
  explicit TTestShotRecord(const TTestShot& shot) : TMobileObjectRecord(shot) {}
  explicit TTestShotRecord(TDataStream& stream) : TMobileObjectRecord(stream) {}

  static std::unique_ptr<TGameObjectRecord> Read(TDataStream& stream, const TStringList& /*nameTable*/) {
    return std::make_unique<TTestShotRecord>(stream);
  }

  std::unique_ptr<TGameObject> Spawn(const TGameData& /*gameData*/, TObjectList& /*list*/) const override {
    auto shot = std::make_unique<TTestShot>(GetStartPoint(), GetSpeed(), GetDirection(), GetStartTime());
    shot->SetPosition(GetPosition());
    shot->SetId(GetId());
    ApplyFlags(*shot);
    return shot;
  }
  std::string_view TypeName() const override { return TTestShot::kTypeName; }
  std::unique_ptr<TGameObjectRecord> Clone() const override { return CloneThroughStream(*this); }
};

inline std::unique_ptr<TGameObjectRecord> TTestShot::MakeRecord() const {
  return std::make_unique<TTestShotRecord>(*this);
}

class TTestList : public TObjectList {
 public:
  std::string_view ElementTypeName() const override { return TTestCrate::kTypeName; }
};

// Registers the test readers for its lifetime.
class TTestRecordReaders {
 public:
  TTestRecordReaders() {
    TObjectRecordFactory::Instance().Register(TTestCrate::kTypeName, &TTestCrateRecord::Read);
    TObjectRecordFactory::Instance().Register(TTestShot::kTypeName, &TTestShotRecord::Read);
  }
  ~TTestRecordReaders() {
    TObjectRecordFactory::Instance().Unregister(TTestCrate::kTypeName);
    TObjectRecordFactory::Instance().Unregister(TTestShot::kTypeName);
  }
  TTestRecordReaders(const TTestRecordReaders&) = delete;
  TTestRecordReaders& operator=(const TTestRecordReaders&) = delete;
};

}  // namespace world_test
