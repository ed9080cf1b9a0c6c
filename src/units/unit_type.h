// Unit types: the rule record of one kind of unit (cost, speed, endurance,
// armour, senses, default reactions, death effects, special abilities), read
// from the "Unit Data" section of the game data configuration, and the table
// that holds them in file order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "world/game_object.h"
#include "world/terrain_type.h"

class TColour;
class TConfigParser;
class TGameData;
class TGameObject;
class TVector3;

class TUnitType {
 public:
  // Every text empty and every number 0, then Read with the parser positioned
  // on the entry.
  explicit TUnitType(TConfigParser& parser);
  virtual ~TUnitType() = default;
  TUnitType(const TUnitType&) = delete;
  TUnitType& operator=(const TUnitType&) = delete;

  // Reads the entry's keys; a missing key leaves its field as it was.
  void Read(TConfigParser& parser);

  // What a dead unit leaves: its corpse (with the given flags) and, when the
  // type explodes on death, an explosion half a unit above its position.
  // unit is the dying unit (position, facing, owner are read from it).
  virtual void OnDeath(const TGameObject& unit, int32_t facing, int32_t owner, TNewObjects& newObjects,
                       const TGameData& gameData, float time, const TBitSet& flags) const;
  // The death explosion alone (ammunition dumps leave no corpse).
  void OnDestroyedRemains(const TVector3& position, TNewObjects& newObjects, float time) const;

  // Kind tests: exact comparisons of the type name or the race.
  bool IsSplatterType() const { return name_ == "Splatter"; }
  bool IsDroneType() const { return name_ == "Drone"; }
  bool IsQueenType() const { return name_ == "Queen"; }
  bool IsWarpGunnerType() const { return name_ == "Warp Gunner"; }
  bool IsPsykerType() const { return name_ == "Psyker"; }
  bool IsGuardianType() const { return name_ == "Guardian"; }
  bool IsHeadquartersType() const;
  bool IsScannerType() const;
  bool IsGreyRace() const { return race_ == "grey"; }
  bool IsSpawnRace() const { return race_ == "spwn"; }

  // The shared tint of the type's race.
  const TColour& GetRaceColour() const;
  // How far the type's aim reaches before it scatters: 9 over the accuracy in
  // degrees, fixed for the lobbing and psychic weapons, 0 without accuracy.
  float GetRangeFactor() const;

  const std::string& GetDisplayName() const { return displayName_; }
  const std::string& GetName() const { return name_; }
  const std::string& GetRace() const { return race_; }
  float GetCost() const { return cost_; }
  // Distance per time unit.
  float GetSpeed() const { return speed_; }
  float GetEndurance() const { return endurance_; }
  float GetArmour() const { return armour_; }
  int32_t GetSize() const { return size_; }
  bool HasAmmoDeath() const { return ammoDeath_; }
  float GetVision() const { return vision_; }
  float GetVisibility() const { return visibility_; }
  bool IsFlying() const { return flying_; }
  float GetDeathExplosionDamage() const { return deathExplosionDamage_; }
  float GetDeathExplosionRadius() const { return deathExplosionRadius_; }
  float GetFoodValue() const { return foodValue_; }
  // Time units per heal.
  float GetHealingRate() const { return healingRate_; }
  float GetTrackingRange() const { return trackingRange_; }
  const std::string& GetSightingReaction() const { return sightingReaction_; }
  const std::string& GetCombatReaction() const { return combatReaction_; }
  // Time units.
  float GetAimTime() const { return aimTime_; }
  float GetPrepareWeapon() const { return prepareWeapon_; }
  float GetRestWeapon() const { return restWeapon_; }
  float GetPrepareAndRest() const { return prepareWeapon_ + restWeapon_; }
  // Radians.
  float GetAccuracy() const { return accuracy_; }
  float GetTargetHeight() const { return targetHeight_; }
  const std::string& GetSightShapeText() const { return sightShapeText_; }
  // The shape text parsed once per load (faulty shapes are logged then).
  const std::vector<TTerrainShape>& GetSightShapes() const { return sightShapes_; }
  float GetReactionTime() const { return reactionTime_; }
  float GetReactionRange() const { return reactionRange_; }
  float GetCorpseEndurance() const { return corpseEndurance_; }
  float GetRecoveryRate() const { return recoveryRate_; }
  float GetShieldRate() const { return shieldRate_; }
  float GetReloadRate() const { return reloadRate_; }
  float GetCloakingEffect() const { return cloakingEffect_; }
  bool HasResupplyEnergy() const { return resupplyEnergy_; }
  float GetPsychicResistance() const { return psychicResistance_; }

  bool HasRecovery() const { return recoveryRate_ > 0.0001f; }
  bool HasShield() const { return shieldRate_ > 0.0001f; }
  bool CanHeal() const { return healingRate_ > 0.0001f; }

 private:
  std::string displayName_;
  std::string name_;
  std::string race_;
  float cost_ = 0.0f;
  float speed_ = 0.0f;
  float endurance_ = 0.0f;
  float armour_ = 0.0f;
  int32_t size_ = 0;
  bool ammoDeath_ = false;
  float vision_ = 0.0f;
  float visibility_ = 0.0f;
  bool flying_ = false;
  float deathExplosionDamage_ = 0.0f;
  float deathExplosionRadius_ = 0.0f;
  float foodValue_ = 0.0f;
  float healingRate_ = 0.0f;
  float trackingRange_ = 0.0f;
  std::string sightingReaction_;
  std::string combatReaction_;
  float aimTime_ = 0.0f;
  float prepareWeapon_ = 0.0f;
  float restWeapon_ = 0.0f;
  float accuracy_ = 0.0f;
  float targetHeight_ = 0.0f;
  std::string sightShapeText_;
  float reactionTime_ = 0.0f;
  float reactionRange_ = 0.0f;
  float corpseEndurance_ = 0.0f;
  float recoveryRate_ = 0.0f;
  float shieldRate_ = 0.0f;
  float reloadRate_ = 0.0f;
  float cloakingEffect_ = 0.0f;
  bool resupplyEnergy_ = false;
  float psychicResistance_ = 0.0f;
  std::vector<TTerrainShape> sightShapes_;
};

class TUnitTypeList {
 public:
  TUnitTypeList() = default;
  explicit TUnitTypeList(const std::string& text);
  TUnitTypeList(const TUnitTypeList&) = delete;
  TUnitTypeList& operator=(const TUnitTypeList&) = delete;

  // Replaces the types by the entries that follow "Unit Data" in the text,
  // in file order. Display names are translated in the language section
  // "Drannoc Data".
  void Load(const std::string& text);
  void Clear() { types_.clear(); }
  // Drops every type the predicate holds for; returns their names.
  template <typename Predicate>
  std::vector<std::string> RemoveIf(Predicate drop) {
    std::vector<std::string> names;
    std::erase_if(types_, [&](const std::unique_ptr<TUnitType>& type) {
      if (!drop(*type)) return false;
      names.push_back(type->GetName());
      return true;
    });
    return names;
  }
  // The first type of that name; null when none.
  const TUnitType* Find(const std::string& name) const;
  // Index of the first type of that name; 0 when none.
  int32_t IndexOf(const std::string& name) const;
  int32_t Count() const { return static_cast<int32_t>(types_.size()); }
  // Null for an index outside the table.
  const TUnitType* At(int32_t index) const;

  static constexpr const char* kSectionName = "Unit Data";
  static constexpr const char* kLanguageSection = "Drannoc Data";

 private:
  std::vector<std::unique_ptr<TUnitType>> types_;
};
