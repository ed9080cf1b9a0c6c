// What a destroyed object leaves in its place: its saved state, visibility,
// aim point and sight weight, and its flag bits. It stays in the world while
// some player's bit is set on it, so the players' vision can still see the
// object that went during the turn. Links to objects made at the same moment
// (a dead unit's corpse) pass the players' bits on to them.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "world/game_object.h"
#include "world/object_list.h"
#include "world/object_record.h"
#include "world/object_ref.h"

class Surrogate : public TGameObject {
 public:
  static constexpr std::string_view kTypeName = "Surrogate";
  static std::string_view StaticTypeName() { return kTypeName; }

  // Stands in for the object: at its position, with its record, visibility,
  // aim point, sight weight and current bits; no links.
  explicit Surrogate(const TGameObject& object);
  ~Surrogate() override;

  std::string_view TypeName() const override { return kTypeName; }
  void Update(float time) override;
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override;
  // A surrogate cannot be hurt.
  bool TakeDamage(float amount) override;
  // Gone once no player's bit is set.
  bool IsDestroyed() const override;
  float GetVisibility() const override { return visibility_; }
  float GetSightWeight() const override { return trackingWeight_; }
  // Setting a bit also sets it on every linked object that lacks it.
  void SetFlag(int32_t index, bool value) override;
  void CommitFlags() override;
  void HandleDestroyed(TNewObjects& newObjects, const TGameData& gameData, float time) override;
  float GetRadius() const override;
  void GetAimPoint(TVector3& out) const override;

  // The surrogate owns the reference.
  void AddLink(std::unique_ptr<TObjectRef> reference);
  // Drops the link with the id and links each of the objects instead.
  void ReplaceLink(int32_t id, const std::vector<TGameObject*>& objects);
  int32_t KeptRecordId() const;
  // Every link looks its id up in the list from now on.
  void SetLinksOwner(TObjectList* list);
  // Takes the bit over from a linked object that has it.
  void PullFlag(int32_t index);

  const TGameObjectRecord& GetKeptRecord() const { return *keptRecord_; }
  const std::vector<std::unique_ptr<TObjectRef>>& GetLinks() const { return links_; }

 private:
  friend class SurrogateRecord;

  std::unique_ptr<TGameObjectRecord> keptRecord_;
  std::vector<std::unique_ptr<TObjectRef>> links_;
  float visibility_;
  std::unique_ptr<TVector3> aimPoint_;
  float trackingWeight_;
};

class SurrogateRecord : public TGameObjectRecord {
 public:
  explicit SurrogateRecord(const Surrogate& surrogate);
  // Fields after the type index; a nested record that does not read marks
  // the stream failed.
  SurrogateRecord(TDataStream& stream, const TStringList& nameTable);
  ~SurrogateRecord() override;

  // The reader registered for "Surrogate": null when the record does not read.
  static std::unique_ptr<TGameObjectRecord> Read(TDataStream& stream, const TStringList& nameTable);

  // Re-spawns the destroyed object to take its visibility, aim point and
  // weight, then links the saved ids in the list.
  std::unique_ptr<TGameObject> Spawn(const TGameData& gameData, TObjectList& list) const override;
  std::string_view TypeName() const override { return Surrogate::kTypeName; }
  std::unique_ptr<TGameObjectRecord> Clone() const override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;

  const TGameObjectRecord* GetNestedRecord() const { return nested_.get(); }
  const std::vector<int32_t>& GetLinkIds() const { return linkIds_; }
  float GetVisibility() const { return visibility_; }
  float GetTrackingWeight() const { return trackingWeight_; }

 private:
  std::unique_ptr<TGameObjectRecord> nested_;
  std::vector<int32_t> linkIds_;
  float visibility_ = 0.0f;
  float trackingWeight_ = 0.0f;
};

class TSurrogateList : public TObjectList {
 public:
  std::string_view ElementTypeName() const override { return Surrogate::kTypeName; }

  // Appends; surrogates linked to the object the new one stands in for are
  // linked to the new surrogate instead.
  void Add(std::unique_ptr<TGameObject> object) override;

  void SetLinksOwnerAll(TObjectList* list);
  void PullFlagAll(int32_t index);
};
