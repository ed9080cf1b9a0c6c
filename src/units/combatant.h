// A unit: a soldier, machine or creature of a player. It moves along its
// trajectory towards a destination (or warps there), carries an optional
// weapon, takes damage against its armour, feeds and lays eggs, and when it
// dies hands its surrogate, corpse and death explosion to the world. Orders
// steer it; the simulation updates it every tick and asks it, through its
// list, for the objects its death and its actions create.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/vector3.h"
#include "world/game_object.h"

class TGameData;
class TObjectList;
class TUnitAnimator;
class TUnitType;
class TWeapon;
class TWeaponType;

class Combatant : public TMobileObject, public TCombatantInterface {
 public:
  static constexpr std::string_view kTypeName = "Combatant";
  static std::string_view StaticTypeName() { return kTypeName; }

  // A step this long or longer is a warp jump.
  static constexpr float kWarpDistance = 1.1f;
  // A warp jump lasts one time unit and jumps at its half.
  static constexpr float kWarpDuration = 1.0f;
  // Half the angle of sight of a moving unit (67.5 degrees).
  static constexpr float kHalfFieldOfView = 1.1780972f;
  // Unarmed units shoot (and are shot at) from this height.
  static constexpr float kUnarmedFiringHeight = 0.75f;

  // The unit stands at the position with full health, facing sector 0; it is
  // armed when a weapon type is given. The type must outlive the unit.
  Combatant(const TUnitType& unitType, const TWeaponType* weaponType, int32_t owner, const TVector3& position,
            float creationTime);
  ~Combatant() override;

  // TGameObject
  std::string_view TypeName() const override { return kTypeName; }
  void Update(float time) override;
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override;
  // Grey units pay with their ammunition first; the armour takes its share
  // of every hit. Returns whether the unit is dead.
  bool TakeDamage(float amount) override;
  bool IsDestroyed() const override { return health_ <= 0.0f; }
  float GetVisibility() const override;
  float GetSightWeight() const override { return 1.0f; }
  // A unit always stays marked for its owner.
  void CommitFlags() override;
  // Releases due shots; a dead unit leaves its surrogate linked to its
  // corpse (and its death explosion); a pending egg is laid; a raised shield
  // goes up.
  void HandleDestroyed(TNewObjects& newObjects, const TGameData& gameData, float time) override;
  // A pending psychic attack shows its effect.
  void EmitEffects(TNewObjects& newObjects, const TGameData& gameData, float time) override;
  float GetRadius() const override;
  // The unit type's name, for example "Grunt".
  std::string SubtypeName() const override;
  // Puts the unit there standing: the destination follows.
  void SetPosition(const TVector3& point) override;
  void RefreshVisual() override;
  void GetAimPoint(TVector3& out) const override;
  float GetCreationTime() const override { return creationTime_; }
  TVisual* GetVisual() const override;
  // Health lost without armour; returns whether the unit is dead.
  bool LoseEndurance(float amount) override;

  // TCombatantInterface
  bool CanSee(const TGameObject& target, float factor) const override;
  bool CanTrack(const TGameObject& target, float factor) const override;
  int32_t GetOwner() const override { return owner_; }

  // Movement.
  void SetFacing(int32_t sector);
  int32_t GetFacing() const { return facing_; }
  // Walks towards the point, or warps there when it is kWarpDistance or
  // further away.
  void MoveToward(const TVector3& point, float time);
  // When the unit reaches its destination (the end of a running warp).
  float ArrivalTime() const;
  // Stops where the unit is, in state "Stand"; a running warp ends.
  void ResetToStand();
  const TVector3& GetDestination() const { return destination_; }
  void SetDestination(const TVector3& point) { destination_ = point; }
  bool IsStanding() const;
  bool IsWarping() const { return warping_ != 0; }
  bool IsMidWarp() const { return midWarp_ != 0; }
  float GetWarpStart() const { return warpStart_; }

  // Weapon and fighting.
  // An explosion of the weapon at the target, placed at once.
  void FireAt(const TVector3& target, float time);
  // A shot along the direction from where the unit stands; a grenade whose
  // muzzle is blocked by one of mapObjects goes off in the unit's hands.
  void Fire(const TVector3& direction, float time, TObjectList* mapObjects);
  // The warp gunner's volley: one shot that flies along each direction in
  // turn, each leg ending at its arrival time, and goes off at the last.
  void FireWarpVolley(float start, const std::vector<TVector3>& directions, const std::vector<float>& arrivals);
  bool CanFire(bool flag) const;
  void SpendAmmunition(float amount);
  // Raises the shield when the unit could not fire before.
  void SetCanFire(bool canFire);
  // Puts back a saved flag without raising the shield.
  void RestoreCanFire(bool canFire) { canFire_ = canFire ? 1 : 0; }
  bool GetCanFire() const { return canFire_ != 0; }
  bool IsShieldRaised() const { return shieldRaised_ != 0; }
  TWeapon* GetWeapon() const { return weapon_.get(); }
  // The unit has a weapon and enough rounds in it for one more shot.
  bool HasRoundsForAShot() const;
  float GetWeaponRange() const;
  // The position raised by the weapon's firing height.
  TVector3 GetFiringPoint() const;

  // Health.
  float GetEndurance() const { return health_; }
  // Clamped to 0..the type's Endurance; the health bar follows.
  void AddEndurance(float delta);
  // Health over the type's Endurance; 0 when the Endurance is 0 or less.
  float HealthFraction() const;

  // Food and eggs.
  void AddFood(float amount);
  float GetFoodStore() const { return foodStore_; }
  void SetFoodStore(float amount) { foodStore_ = amount; }
  // A Queen with a whole 1.0 of food spends it on an egg laid at the next
  // HandleDestroyed.
  bool ConsumeFood();
  bool CanLayEgg() const;
  bool IsEggPending() const { return eggPending_ != 0; }

  // Rules of the type.
  const TUnitType& GetType() const { return *type_; }
  float GetAccuracy() const;
  float GetAimTime() const;
  float GetHealingRate() const;
  bool IsQueen() const;

  // Visual state.
  TUnitAnimator& GetAnimator() const { return *animator_; }
  const std::string& GetVisualState() const;

  void SetPsychicAttack(bool pending) { psychicAttack_ = pending ? 1u : 0u; }
  bool HasPsychicAttack() const { return psychicAttack_ != 0; }
  // Armed, its rounds gone, and of a type that dies of that.
  bool DiesOfEmptyWeapon() const;
  void SetOrderFlag(bool value) { orderFlag_ = value ? 1 : 0; }
  bool GetOrderFlag() const { return orderFlag_ != 0; }
  void SetName(const std::string& name) { name_ = name; }
  const std::string& GetName() const { return name_; }

  // The compass sector (0 = +y, clockwise) of a direction on the map plane,
  // and the (unnormalised) direction of a sector.
  static int32_t SectorOf(const TVector3& direction);
  static TVector3 SectorDirection(int32_t sector);

 private:
  // Moves the unit along its path without touching the destination.
  void PlaceAt(const TVector3& point);
  void UpdateWarp(float time);
  void EndWarp();
  // The weapon bar of a grey unit, whose ammunition is its armour.
  void ShowWeaponFraction();
  void LinkSurrogate(TNewObjects& newObjects) const;
  void LayPendingEgg(TNewObjects& newObjects, const TGameData& gameData, float time);

  int32_t facing_ = 0;
  TVector3 destination_;
  std::unique_ptr<TUnitAnimator> animator_;
  int32_t owner_;
  std::unique_ptr<TWeapon> weapon_;
  float health_;
  const TUnitType* type_;
  float creationTime_;
  float foodStore_ = 0.0f;
  uint8_t eggPending_ = 0;
  uint8_t warping_ = 0;
  uint8_t midWarp_ = 0;
  float warpStart_ = 0.0f;
  uint32_t psychicAttack_ = 0;
  uint8_t canFire_ = 0;
  uint8_t shieldRaised_ = 0;
  uint8_t orderFlag_ = 0;
  std::string name_;
};

// The unit behind an object, or null when the object is not a unit.
Combatant* AsCombatant(TGameObject* object);
const Combatant* AsCombatant(const TGameObject* object);

// The player that owns a unit, an ammunition dump or an egg; objects of
// other kinds belong to no player.
std::optional<int32_t> OwnerOf(const TGameObject& object);
