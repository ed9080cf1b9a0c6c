// The objects the simulation itself places in the world (projectiles,
// explosions, goo, corpses, shields, smoke, short special effects) share one
// pattern: an object class, a record class that saves and rebuilds it, and a
// list class that owns the family. This header holds what the families
// share, and the special effects (a spark, a trail puff, a psychic attack),
// which live in the simulator's own list rather than in the world.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/data_stream.h"
#include "app/files.h"
#include "display/effect_visuals.h"
#include "sound/effect_sounds.h"
#include "world/game_object.h"
#include "world/object_list.h"
#include "world/object_record.h"

class TVisual;

namespace effect_stream {

// Format versions from which the records carry later fields.
constexpr float kSpecialEffectGroupAbove = 2.089f;
constexpr float kExplosionWarpAbove = 2.1599f;
constexpr float kProjectilePathAbove = 3.0499f;
constexpr float kCorpseScoresAbove = 1.0999f;
// Streams below this version write a component count before each point.
constexpr float kCountedPointsBelow = 1.059f;

// Bytes of one point in the stream's layout.
std::size_t PointBytes(const TDataStream& stream);

// Whether `count` items of `itemBytes` each can still be in the stream; marks
// the stream failed when they cannot (a negative count never fits).
bool CountFits(TDataStream& stream, int32_t count, std::size_t itemBytes);

// A record read by its stream constructor, or null when the stream failed
// while it was read.
template <class TRecord, class... TArgs>
std::unique_ptr<TGameObjectRecord> ReadRecord(TDataStream& stream, TArgs&&... args) {
  auto record = std::make_unique<TRecord>(stream, std::forward<TArgs>(args)...);
  if (stream.HasFailed()) return nullptr;
  return record;
}

}  // namespace effect_stream

// Every bit of the object's current flags set: seen by every player.
void SetSeenByAll(TGameObject& object);

// --- special effects ---------------------------------------------------------

class TSpecialEffectObject : public TGameObject {
 public:
  static constexpr std::string_view kTypeName = "Special Effect";
  static std::string_view StaticTypeName() { return kTypeName; }
  // The only effect that lasts longer than a spark.
  static constexpr std::string_view kPsychicAttack = "Psychic Attack";
  static constexpr float kDuration = 0.6f;
  static constexpr float kPsychicAttackDuration = 1.5f;

  // The visual `name` of the group (the visual "Null" for an empty group) and
  // the sound `name`, both started at the start time.
  TSpecialEffectObject(const TVector3& position, const std::string& name, const std::string& visualGroup,
                       float startTime);
  ~TSpecialEffectObject() override;

  std::string_view TypeName() const override { return kTypeName; }
  // Finished once start time + duration <= time.
  void Update(float time) override;
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override;
  bool TakeDamage(float amount) override;
  bool IsDestroyed() const override { return finished_; }
  void CommitFlags() override { MergeObjectFlags(); }
  float GetCreationTime() const override { return startTime_; }
  TVisual* GetVisual() const override { return visual_.get(); }

  const std::string& GetName() const { return name_; }
  const std::string& GetVisualGroup() const { return visualGroup_; }
  float GetStartTime() const { return startTime_; }
  float GetDuration() const { return duration_; }

  // The visual an effect without a group shows.
  static std::string_view VisualNameFor(const std::string& name, const std::string& visualGroup);

 private:
  std::string name_;
  std::string visualGroup_;
  float startTime_;
  float duration_;
  TEffectVisualPtr visual_;
  TEffectSound sound_;
  bool finished_ = false;
};

class TSpecialEffectRecord : public TGameObjectRecord {
 public:
  explicit TSpecialEffectRecord(const TSpecialEffectObject& effect);
  // Streams up to 2.089 carry no visual group (it stays empty).
  explicit TSpecialEffectRecord(TDataStream& stream);

  static std::unique_ptr<TGameObjectRecord> Read(TDataStream& stream, const TStringList& nameTable);

  std::unique_ptr<TGameObject> Spawn(const TGameData& gameData, TObjectList& list) const override;
  std::string_view TypeName() const override { return TSpecialEffectObject::kTypeName; }
  std::unique_ptr<TGameObjectRecord> Clone() const override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;

  const std::string& GetName() const { return name_; }
  const std::string& GetVisualGroup() const { return visualGroup_; }
  float GetStartTime() const { return startTime_; }

 private:
  std::string name_;
  std::string visualGroup_;
  float startTime_ = 0.0f;
};

// The simulator's list of effects. Effects are never saved with the world:
// a replayed turn makes them again from its events.
class TSpecialEffectList : public TObjectList {
 public:
  // Called for each effect taken over, before the list owns it; the
  // simulator records the effect as an event there.
  using TEffectRecorder = std::function<void(const TSpecialEffectObject& effect)>;

  std::string_view ElementTypeName() const override { return TSpecialEffectObject::kTypeName; }
  bool Save(TDataStream& stream, TStringList& nameTable) const override;
  // Leaves the list as it is.
  bool Load(TDataStream& stream, const TGameData& gameData, const TStringList& nameTable) override;

  // Takes over the effects the world's objects produced this tick, in order
  // (objects of another kind are dropped); the recorder, when given, sees
  // each one first. The vector is emptied.
  void TakeEffects(TNewObjects& effects, const TEffectRecorder& recorder);
};
