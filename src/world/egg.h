// Eggs: laid by a queen once she has eaten a whole 1.0 of food. An egg is an
// object of the unit type "Egg" owned by the queen's player; one turn after
// it was laid it hatches into a random cheap creature of the race "spwn",
// unless a unit stands on it. Until then it can be shot like an ammunition
// dump. The world's list also remembers a selected egg.
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

class Egg : public TGameObject {
 public:
  static constexpr std::string_view kTypeName = "Egg";
  static std::string_view StaticTypeName() { return kTypeName; }
  // The unit type that describes eggs.
  static constexpr std::string_view kUnitTypeName = "Egg";
  // An egg hatches one turn after it was laid; the hatching shows for the
  // last time unit before that.
  static constexpr float kHatchDelay = 10.0f;
  static constexpr float kHatchShowLead = 1.0f;
  // What hatches: the creatures of this race that cost exactly this much.
  static constexpr std::string_view kHatchRace = "spwn";
  static constexpr float kHatchCost = 1.0f;

  // An egg of the type for the player at the position, laid at the time; the
  // owner sees it; it stands still until it is about to hatch.
  Egg(const TVector3& position, const TUnitType& unitType, int32_t owner, float layTime);
  ~Egg() override;

  // The egg a queen of the player lays at the position and time, of the game
  // data's unit type "Egg"; null when the game data has no such type.
  static std::unique_ptr<Egg> Lay(const TGameData& gameData, const TVector3& position, int32_t owner,
                                  float layTime);

  std::string_view TypeName() const override { return kTypeName; }
  // Shows the hatching from a time unit before it, and hatches (the egg is
  // then destroyed) once the delay is over and nothing stands on it.
  void Update(float time) override;
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override;
  // The armour is taken off every hit; returns whether the egg is destroyed.
  bool TakeDamage(float amount) override;
  bool IsDestroyed() const override { return endurance_ == 0.0f; }
  float GetVisibility() const override { return 1.0f; }
  float GetSightWeight() const override { return 1.0f; }
  // The owner always sees the egg.
  void CommitFlags() override;
  // A destroyed egg leaves a surrogate every player sees; a hatched one also
  // its creature.
  void HandleDestroyed(TNewObjects& newObjects, const TGameData& gameData, float time) override;
  float GetRadius() const override;
  // The type's name.
  std::string SubtypeName() const override;
  void SetPosition(const TVector3& point) override;
  // Raised by the type's target height.
  void GetAimPoint(TVector3& out) const override;
  // The lay time.
  float GetCreationTime() const override { return layTime_; }
  TVisual* GetVisual() const override;

  // The health bar shows the share of the type's endurance.
  void SetEndurance(float value);
  void SetCanHatch(bool canHatch) { canHatch_ = canHatch ? 1 : 0; }
  void ShowSelected(bool selected);

  int32_t GetOwner() const { return owner_; }
  float GetLayTime() const { return layTime_; }
  float GetEndurance() const { return endurance_; }
  bool HasHatched() const { return hatched_ != 0; }
  bool CanHatch() const { return canHatch_ != 0; }
  const TUnitType& GetType() const { return *type_; }
  const TUnitAnimator& GetAnimator() const { return *animator_; }

 private:
  // The creature the egg hatches into, of a type drawn at random among the
  // game data's candidates; null when there is no candidate.
  std::unique_ptr<TGameObject> Hatchling(const TGameData& gameData, float time) const;

  const TUnitType* type_;
  int32_t owner_;
  float layTime_;
  float endurance_;
  uint8_t hatched_ = 0;
  uint8_t canHatch_ = 1;
  std::unique_ptr<TUnitAnimator> animator_;
};

class EggRecord : public TGameObjectRecord {
 public:
  explicit EggRecord(const Egg& egg);
  // Fields after the type index; the type name is an index into the name
  // table, and one outside it marks the stream failed.
  EggRecord(TDataStream& stream, const TStringList& nameTable);

  // The reader registered for "Egg": null when the record does not read.
  static std::unique_ptr<TGameObjectRecord> Read(TDataStream& stream, const TStringList& nameTable);

  // Null (logged) when the game data has no unit type of the record's name.
  std::unique_ptr<TGameObject> Spawn(const TGameData& gameData, TObjectList& list) const override;
  std::string_view TypeName() const override { return Egg::kTypeName; }
  std::unique_ptr<TGameObjectRecord> Clone() const override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;

  int32_t GetOwner() const { return owner_; }
  float GetLayTime() const { return layTime_; }
  float GetEndurance() const { return endurance_; }
  const std::string& GetUnitTypeName() const { return unitTypeName_; }

 private:
  int32_t owner_ = 0;
  float layTime_ = 0.0f;
  float endurance_ = 0.0f;
  std::string unitTypeName_;
};

class TEggList : public TStationaryUnitList<Egg> {
 public:
  // False when the line-of-fire volume of some egg other than the volume's
  // own owner intersects the volume.
  bool IsClearOf(TCompoundVolume& volume) const;
  // An egg may hatch unless an object of the other list (the world's units)
  // stands on it: their line-of-fire volumes intersect.
  void UpdateCanHatch(const TObjectList& others);
};

// Registers the "Egg" record reader with the record factory.
void RegisterEggRecordReader();
