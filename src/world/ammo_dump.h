// Ammunition dumps: a player's stationary stores of ammunition on the map,
// described by a unit type (endurance, armour, target height, shape, looks).
// Units resupply at them; a dump can be shot and destroyed, and then leaves
// the death explosion of its type. The world's list also remembers the dump
// the player has selected.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "world/game_object.h"
#include "world/object_record.h"
#include "world/stationary_unit.h"

class TUnitAnimator;
class TUnitType;

class AmmoDump : public TGameObject {
 public:
  static constexpr std::string_view kTypeName = "AmmoDump";
  static std::string_view StaticTypeName() { return kTypeName; }

  // A full dump of the type for the player at the position, with the type's
  // shape and looks; the owner sees it.
  AmmoDump(const TVector3& position, const TUnitType& unitType, int32_t owner);
  ~AmmoDump() override;

  std::string_view TypeName() const override { return kTypeName; }
  // The looks follow the time.
  void Update(float time) override;
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override;
  // The armour is taken off every hit; returns whether the dump is destroyed.
  bool TakeDamage(float amount) override;
  bool IsDestroyed() const override { return endurance_ == 0.0f; }
  float GetVisibility() const override { return 1.0f; }
  float GetSightWeight() const override { return 1.0f; }
  // The owner always sees the dump.
  void CommitFlags() override;
  // A destroyed dump leaves its surrogate linked to its type's explosion.
  void HandleDestroyed(TNewObjects& newObjects, const TGameData& gameData, float time) override;
  float GetRadius() const override;
  // The type's name.
  std::string SubtypeName() const override;
  void SetPosition(const TVector3& point) override;
  // Raised by the type's target height.
  void GetAimPoint(TVector3& out) const override;
  TVisual* GetVisual() const override;

  // The health bar shows the share of the type's endurance.
  void SetEndurance(float value);
  void ShowSelected(bool selected);

  int32_t GetOwner() const { return owner_; }
  float GetEndurance() const { return endurance_; }
  const TUnitType& GetType() const { return *type_; }
  const TUnitAnimator& GetAnimator() const { return *animator_; }

 private:
  int32_t owner_;
  float endurance_;
  const TUnitType* type_;
  std::unique_ptr<TUnitAnimator> animator_;
};

class AmmoDumpRecord : public TGameObjectRecord {
 public:
  explicit AmmoDumpRecord(const AmmoDump& dump);
  // Fields after the type index; the type name is an index into the name
  // table, and one outside it marks the stream failed.
  AmmoDumpRecord(TDataStream& stream, const TStringList& nameTable);

  // The reader registered for "AmmoDump": null when the record does not read.
  static std::unique_ptr<TGameObjectRecord> Read(TDataStream& stream, const TStringList& nameTable);

  // Null (logged) when the game data has no unit type of the record's name.
  std::unique_ptr<TGameObject> Spawn(const TGameData& gameData, TObjectList& list) const override;
  std::string_view TypeName() const override { return AmmoDump::kTypeName; }
  std::unique_ptr<TGameObjectRecord> Clone() const override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;

  int32_t GetOwner() const { return owner_; }
  float GetEndurance() const { return endurance_; }
  const std::string& GetUnitTypeName() const { return unitTypeName_; }

 private:
  int32_t owner_ = 0;
  float endurance_ = 0.0f;
  std::string unitTypeName_;
};

class TAmmoDumpList : public TStationaryUnitList<AmmoDump> {};

// Registers the "AmmoDump" record reader with the record factory.
void RegisterAmmoDumpRecordReader();
