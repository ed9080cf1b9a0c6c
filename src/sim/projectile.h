// A projectile: what a fired weapon puts into the world (a bullet, grenade,
// missile, warp bolt or goo blob), flying along its trajectory or along a
// precomputed bounced path from its firing time. The firing weapon's name
// selects how it behaves. A tailed projectile drags a tail of other
// projectiles that go off with it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "display/effect_visuals.h"
#include "sim/world_effect.h"
#include "world/object_ref.h"

class TWeaponType;

class Projectile : public TMobileObject {
 public:
  static constexpr std::string_view kTypeName = "Projectile";
  static std::string_view StaticTypeName() { return kTypeName; }
  // Lobbed shots bounce along the ground this many times before they go off.
  static constexpr float kLobbedIntegrity = 20.0f;
  // The size of a shot: its collision sphere, and the height below which it
  // meets the ground. The muzzle stands just beyond the firer for this.
  static constexpr float kRadius = 0.1f;
  // A hit this close to the firing instant goes off where the shot stands.
  static constexpr float kFiringInstant = 0.0002f;
  // Blasts rise this far above where the shot went off.
  static constexpr float kBlastLift = 0.1f;

  // Flies from the start point along the direction from the fire time.
  Projectile(const TWeaponType& weapon, const TVector3& start, const TVector3& direction, float fireTime);
  // Follows the path points, each reached at the time of the same index;
  // the first point stands where the direction goes.
  Projectile(const TWeaponType& weapon, const TVector3& start, float fireTime, const std::vector<TVector3>& path,
             const std::vector<float>& times);
  ~Projectile() override;

  // Weapons whose shots are lobbed: they bounce and never ricochet.
  static bool IsLobbedWeapon(const std::string& weaponName);

  std::string_view TypeName() const override { return kTypeName; }
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override;
  // Any hit costs one point of integrity, whatever its amount; at none left
  // the projectile goes off. Never reports destroyed.
  bool TakeDamage(float amount) override;
  bool IsDestroyed() const override { return destroyed_; }
  void CommitFlags() override { MergeObjectFlags(); }
  float GetRadius() const override { return kRadius; }
  // Follows the path (re-aiming at each point reached, going off at the
  // last), moves along the trajectory and goes off once out of range.
  void Update(float time) override;
  // After the base behaviour, a projectile that went off leaves its blast,
  // its goo blast or its two fragments.
  void HandleDestroyed(TNewObjects& newObjects, const TGameData& gameData, float time) override;
  // The ricochet spark of a direct shot that went off within its range.
  void EmitEffects(TNewObjects& newObjects, const TGameData& gameData, float time) override;
  float GetCreationTime() const override { return fireTime_; }
  TVisual* GetVisual() const override { return visual_.get(); }

  // Goes off.
  virtual void Detonate();
  // The shot meets something named hitName ("forceField" for a force field)
  // at the time; normal is the surface direction there. It goes off at the
  // firing instant, ricochets, bounces along (lobbed shots) or stops.
  void Bounce(float time, const TVector3& normal, const std::string& hitName);
  // References to other objects are looked up in the list from now on.
  virtual void SetReferenceList(TObjectList* list);

  // Flown longer than the weapon's range takes.
  bool IsOutOfRange(float time) const;
  // Damage of a direct hit: none for lobbed (gravity) weapons, whose damage
  // is their blast.
  float HitDamage() const;
  // A direct hit's damage: uniform in 0.5 to 1.5 times HitDamage (one
  // random draw).
  float RollDamage() const;
  // Warp bolts cannot be deflected.
  bool CanBeDeflected() const;

  const TWeaponType& GetWeapon() const { return *weapon_; }
  float GetWeaponSpeed() const;
  float GetIntegrity() const { return integrity_; }
  void SetIntegrity(float integrity) { integrity_ = integrity; }
  bool IsLobbed() const { return lobbed_; }
  float GetFireTime() const { return fireTime_; }
  void SetFireTime(float time) { fireTime_ = time; }
  bool GetCollisionFlag() const { return collisionFlag_; }
  void SetCollisionFlag(bool flag) { collisionFlag_ = flag; }
  float GetLastBounceTime() const { return lastBounceTime_; }
  void SetLastBounceTime(float time) { lastBounceTime_ = time; }
  uint32_t GetPathIndex() const { return pathIndex_; }
  void SetPathIndex(uint32_t index) { pathIndex_ = index; }
  const std::vector<TVector3>& GetPathPoints() const { return pathPoints_; }
  const std::vector<float>& GetPathTimes() const { return pathTimes_; }

  // The projectile system keeps projectiles quiet while it moves them on
  // its own account.
  static void SetQuiet(bool quiet);
  static bool IsQuiet();

 private:
  // What the weapon's name decides at construction: integrity, lobbing,
  // visual and sound.
  void SetUp(float fireTime);
  // Path points reached by the time re-aim the flight; the last goes off.
  void FollowPath(float time);
  // The trajectory restarted where the shot is at the time, at rest.
  void StopAt(float time);
  // The blast (or fragments) appended when the shot went off at the time.
  void LeaveBlast(TNewObjects& newObjects, float time) const;

  TEffectVisualPtr visual_;
  TEffectSound sound_;
  bool soundStarted_ = false;
  float integrity_ = 1.0f;
  bool lobbed_ = false;
  bool destroyed_ = false;
  const TWeaponType* weapon_;
  float fireTime_;
  bool collisionFlag_ = true;
  float lastBounceTime_;
  uint32_t pathIndex_ = 0;
  std::vector<TVector3> pathPoints_;
  std::vector<float> pathTimes_;
};

class TailedProjectile : public Projectile {
 public:
  TailedProjectile(const TWeaponType& weapon, const TVector3& start, const TVector3& direction, float fireTime);
  ~TailedProjectile() override;

  std::unique_ptr<TGameObjectRecord> MakeRecord() const override;
  // Goes off with every tail projectile that still exists.
  void Detonate() override;
  void SetReferenceList(TObjectList* list) override;

  // The object with the id in the list joins the tail.
  void AddTail(int32_t id, TObjectList* list);
  const std::vector<std::unique_ptr<TObjectRef>>& GetTail() const { return tail_; }
  // Missiles and grenades trail puffs of smoke; other weapons spark as any
  // shot does.
  void EmitEffects(TNewObjects& newObjects, const TGameData& gameData, float time) override;

 private:
  std::vector<std::unique_ptr<TObjectRef>> tail_;
};

class TProjectileRecord : public TMobileObjectRecord {
 public:
  explicit TProjectileRecord(const Projectile& projectile);
  // The weapon name is an index into the stream's name table; streams up to
  // 3.0499 carry no path. An index outside the table, or a path longer than
  // the stream can hold, fails the stream.
  TProjectileRecord(TDataStream& stream, const TStringList& nameTable);

  static std::unique_ptr<TGameObjectRecord> Read(TDataStream& stream, const TStringList& nameTable);

  // Null when the game data does not know the weapon.
  std::unique_ptr<TGameObject> Spawn(const TGameData& gameData, TObjectList& list) const override;
  std::string_view TypeName() const override { return Projectile::kTypeName; }
  std::unique_ptr<TGameObjectRecord> Clone() const override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;

  const std::string& GetWeaponName() const { return weaponName_; }
  float GetIntegrity() const { return integrity_; }
  float GetFireTime() const { return fireTime_; }
  bool GetCollisionFlag() const { return collisionFlag_; }
  uint32_t GetPathIndex() const { return pathIndex_; }
  const std::vector<TVector3>& GetPathPoints() const { return pathPoints_; }
  const std::vector<float>& GetPathTimes() const { return pathTimes_; }

 protected:
  // Gives the spawned projectile the record's state (path, trajectory, fire
  // time, position, id, flags, collision flag).
  void Restore(Projectile& projectile) const;

 private:
  std::string weaponName_;
  float integrity_ = 1.0f;
  float fireTime_ = 0.0f;
  bool collisionFlag_ = true;
  uint32_t pathIndex_ = 0;
  std::vector<TVector3> pathPoints_;
  std::vector<float> pathTimes_;
};

class TTailedProjectileRecord : public TProjectileRecord {
 public:
  static constexpr std::string_view kTypeName = "TailedProjectile";

  explicit TTailedProjectileRecord(const TailedProjectile& projectile);
  // A tail count beyond what the stream can hold fails the stream.
  TTailedProjectileRecord(TDataStream& stream, const TStringList& nameTable);

  static std::unique_ptr<TGameObjectRecord> Read(TDataStream& stream, const TStringList& nameTable);

  // The tail is looked up in the list given.
  std::unique_ptr<TGameObject> Spawn(const TGameData& gameData, TObjectList& list) const override;
  std::string_view TypeName() const override { return kTypeName; }
  std::unique_ptr<TGameObjectRecord> Clone() const override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;

  const std::vector<int32_t>& GetTailIds() const { return tailIds_; }

 private:
  std::vector<int32_t> tailIds_;
};

class TProjectileList : public TObjectList {
 public:
  std::string_view ElementTypeName() const override { return Projectile::kTypeName; }
};
