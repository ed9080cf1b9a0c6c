// Weapons: the weapon record of each unit type (and of the extra shots such as
// shrapnel), the table that loads them, and the weapon a unit carries: its
// ammunition, the aim of a shot (with the ballistic search of lobbed weapons)
// and the shot objects it has made but not yet handed to the world.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/vector3.h"
#include "world/game_object.h"

class TBitSet;
class TCompoundVolume;
class TConfigParser;
class TObjectList;

class TWeaponType {
 public:
  // Reads the record the parser is positioned on.
  explicit TWeaponType(TConfigParser& parser);
  TWeaponType(const TWeaponType&) = delete;
  TWeaponType& operator=(const TWeaponType&) = delete;

  // Lobbed shots of these weapons go everywhere a force field lets them.
  bool HasNoBlast() const { return explosiveRadius_ < 0.0001f; }
  bool IsNotWarpGunner() const { return name_ != "Warp Gunner"; }
  // Whether a shot of this weapon is stopped by a map object of the kind.
  bool IsTypeKind(const std::string& areaKind) const;

  const std::string& GetName() const { return name_; }
  // The race's visual group followed by "Visual"; "Visual" alone for a record
  // without all the main keys.
  const std::string& GetVisualName() const { return visualName_; }
  float GetRange() const { return range_; }
  // Distance per time unit.
  float GetSpeed() const { return speed_; }
  float GetDamage() const { return damage_; }
  const std::string& GetDamageEffect() const { return damageEffect_; }
  float GetExplosiveRadius() const { return explosiveRadius_; }
  int32_t GetAmmunition() const { return ammunition_; }
  bool IsAffectedByGravity() const { return affectedByGravity_; }
  float GetIntegrity() const { return integrity_; }
  float GetFiringHeight() const { return firingHeight_; }
  int32_t GetAmmoPerShot() const { return ammoPerShot_; }

 private:
  void Read(TConfigParser& parser);
  bool ReadMainKeys(TConfigParser& parser);

  std::string name_;
  std::string visualName_;
  float range_ = 0.0f;
  float speed_ = 0.0f;
  float damage_ = 0.0f;
  std::string damageEffect_;
  float explosiveRadius_ = 0.0f;
  int32_t ammunition_ = 0;
  bool affectedByGravity_ = false;
  float integrity_ = 1.0f;
  float firingHeight_ = 0.75f;
  int32_t ammoPerShot_ = 1;
};

class TWeaponTypeList {
 public:
  TWeaponTypeList() = default;
  TWeaponTypeList(const std::string& unitText, const std::string& weaponText);
  TWeaponTypeList(const TWeaponTypeList&) = delete;
  TWeaponTypeList& operator=(const TWeaponTypeList&) = delete;

  // Replaces the records: every entry after "Unit Data" of the unit text (a
  // unit type's weapon keys stand in its entry), then every entry after
  // "Weapon Data" of the weapon text.
  void Load(const std::string& unitText, const std::string& weaponText);
  void Clear();
  // The first record of exactly that name; null when none.
  const TWeaponType* Find(const std::string& name) const;
  int32_t Count() const { return static_cast<int32_t>(types_.size()); }
  // How many records came from the weapon text's "Weapon Data".
  int32_t WeaponDataCount() const { return weaponDataCount_; }
  // Null for an index outside the table.
  const TWeaponType* At(int32_t index) const;

  static constexpr const char* kUnitSection = "Unit Data";
  static constexpr const char* kWeaponSection = "Weapon Data";

 private:
  std::vector<std::unique_ptr<TWeaponType>> types_;
  int32_t weaponDataCount_ = 0;
};

class TWeapon {
 public:
  explicit TWeapon(const TWeaponType& type);
  // Deletes every shot still held.
  ~TWeapon();
  TWeapon(const TWeapon&) = delete;
  TWeapon& operator=(const TWeapon&) = delete;

  const TWeaponType& GetType() const { return *type_; }

  // Ammunition.
  // Rounded to the nearest whole round (halves up).
  int32_t GetAmmunition() const;
  float GetAmmunitionValue() const { return ammunition_; }
  int32_t GetMaxAmmunition() const { return type_->GetAmmunition(); }
  void ReloadOne();
  void AddAmmunition(int32_t n);
  // Spends up to the amount; returns the amount minus what there was, so a
  // positive result is the part the ammunition could not cover.
  float SpendAmmunition(float amount);
  // Sets the ammunition within 0 and the maximum (restoring a saved unit).
  void SetAmmunition(float value);
  // Ammunition over the maximum; 0 when the maximum is 0 or less.
  float AmmunitionFraction() const;
  bool HasAmmunition() const { return ammunition_ > 0.001f; }
  // Enough rounds for one more shot.
  bool HoldsAShot() const { return GetAmmunition() >= GetAmmoPerShot(); }
  bool IsFull() const;
  bool IsRanged() const { return type_->GetRange() > 0.0001f; }
  bool IsCloseCombatOnly() const;
  bool CanFire(bool ignorePerShot) const;

  float GetRange() const { return type_->GetRange(); }
  float GetSpeed() const { return type_->GetSpeed(); }
  float GetDamage() const { return type_->GetDamage(); }
  float GetFiringHeight() const { return type_->GetFiringHeight(); }
  int32_t GetAmmoPerShot() const { return type_->GetAmmoPerShot(); }
  bool IsAffectedByGravity() const { return type_->IsAffectedByGravity(); }
  float GetExplosiveRadius() const { return type_->GetExplosiveRadius(); }
  // Full damage, except that a warp shot weakens with distance to a quarter
  // at the weapon's range (never beyond those bounds).
  float DamageAt(float distance) const;
  bool IsTypeKind(const std::string& areaKind) const { return type_->IsTypeKind(areaKind); }

  // Aiming. radius is the firer's volume radius; high picks the upper arc of
  // a lobbed shot.
  void Aim(TVector3& out, const TVector3& from, const TVector3& to, float radius, bool high) const;
  // A projectile from the muzzle along the direction (a grenade whose muzzle
  // is blocked by one of mapObjects explodes in place instead); nothing
  // without ammunition. Ammunition is spent by the caller.
  void Fire(const TVector3& from, const TVector3& direction, float t, float radius,
            TObjectList* mapObjects = nullptr);
  // An explosion placed at the target at once, weakening with the distance.
  void FireAt(const TVector3& target, const TVector3& from, float t);
  // A projectile that follows precomputed path points reached at the times.
  void FireAlong(const TVector3& from, float t, float radius, const std::vector<TVector3>& path,
                 const std::vector<float>& times);
  // Moves the held shots due by t into out, each brought to t, given the
  // owner list (when not null) and the flags (when not null); destroyed
  // shots are deleted instead.
  void ReleaseShots(TNewObjects& out, float t, TObjectList* ownerList, const TBitSet* flags = nullptr);
  int32_t HeldShotCount() const { return static_cast<int32_t>(shots_.size()); }
  const TGameObject* HeldShot(int32_t index) const { return shots_[static_cast<std::size_t>(index)].get(); }

  // A compound volume of one tiny sphere at the point, for line-of-fire
  // tests from a point.
  static void MakePointVolume(TCompoundVolume& out, const TVector3& point);

  // The shot geometry, open for the screens and the tests.
  static TVector3 Direction(const TVector3& from, const TVector3& to);
  TVector3 LaunchPoint(const TVector3& from, const TVector3& direction, float radius) const;
  TVector3 PositionAt(const TVector3& start, const TVector3& direction, float time) const;
  float HorizontalSpeed(const TVector3& direction) const;
  static TVector3 Elevate(const TVector3& direction, float angle);

 private:
  bool IsMuzzleBlocked(const TVector3& launch, const TVector3& direction, float t, TObjectList& mapObjects) const;

  const TWeaponType* type_;
  float ammunition_;
  std::vector<std::unique_ptr<TGameObject>> shots_;
};
