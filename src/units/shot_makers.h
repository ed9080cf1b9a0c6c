// The objects that units and weapons leave in the world (projectiles,
// corpses) belong to the turn simulation. Unit code creates them through this
// narrow registry, so that units build and run alone (a server run, the
// tests) and the simulation registers its makers when it starts.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TGameObject;
class TObjectList;
class TUnitType;
class TVector3;
class TWeaponType;

class TShotMakers {
 public:
  // A "Projectile" flying from start along direction from time t.
  using TProjectileMaker = std::function<std::unique_ptr<TGameObject>(
      const TWeaponType& weapon, const TVector3& start, const TVector3& direction, float t)>;
  // A "Projectile" following path points reached at the given times.
  using TPathProjectileMaker = std::function<std::unique_ptr<TGameObject>(
      const TWeaponType& weapon, const TVector3& start, float t, const std::vector<TVector3>& path,
      const std::vector<float>& times)>;
  // A "Corpse" of the unit type with the facing, time and owner.
  using TCorpseMaker = std::function<std::unique_ptr<TGameObject>(
      const TVector3& position, const TUnitType& unitType, int32_t facing, float time, int32_t owner)>;
  // Makes the list the owner list a released shot resolves its references in.
  using TShotAdopter = std::function<void(TGameObject& shot, TObjectList& ownerList)>;

  // An empty maker removes the registration.
  static void SetProjectileMaker(TProjectileMaker maker);
  static void SetPathProjectileMaker(TPathProjectileMaker maker);
  static void SetCorpseMaker(TCorpseMaker maker);
  static void SetShotAdopter(TShotAdopter adopter);
  static bool HasProjectileMaker();
  static bool HasCorpseMaker();
};

// Null while no maker is registered.
std::unique_ptr<TGameObject> MakeProjectile(const TWeaponType& weapon, const TVector3& start,
                                            const TVector3& direction, float t);
std::unique_ptr<TGameObject> MakePathProjectile(const TWeaponType& weapon, const TVector3& start, float t,
                                                const std::vector<TVector3>& path,
                                                const std::vector<float>& times);
std::unique_ptr<TGameObject> MakeCorpse(const TVector3& position, const TUnitType& unitType, int32_t facing,
                                        float time, int32_t owner);
// Nothing while no adopter is registered.
void AdoptShot(TGameObject& shot, TObjectList& ownerList);
