#include "units/shot_makers.h"

#include <utility>

#include "world/game_object.h"

namespace {

struct TMakers {
  TShotMakers::TProjectileMaker projectile;
  TShotMakers::TPathProjectileMaker pathProjectile;
  TShotMakers::TCorpseMaker corpse;
  TShotMakers::TShotAdopter adopter;
};

TMakers& Makers() {
  static TMakers makers;
  return makers;
}

}  // namespace

void TShotMakers::SetProjectileMaker(TProjectileMaker maker) { Makers().projectile = std::move(maker); }

void TShotMakers::SetPathProjectileMaker(TPathProjectileMaker maker) {
  Makers().pathProjectile = std::move(maker);
}

void TShotMakers::SetCorpseMaker(TCorpseMaker maker) { Makers().corpse = std::move(maker); }

void TShotMakers::SetShotAdopter(TShotAdopter adopter) { Makers().adopter = std::move(adopter); }

bool TShotMakers::HasProjectileMaker() { return static_cast<bool>(Makers().projectile); }

bool TShotMakers::HasCorpseMaker() { return static_cast<bool>(Makers().corpse); }

std::unique_ptr<TGameObject> MakeProjectile(const TWeaponType& weapon, const TVector3& start,
                                            const TVector3& direction, float t) {
  const TShotMakers::TProjectileMaker& maker = Makers().projectile;
  return maker ? maker(weapon, start, direction, t) : nullptr;
}

std::unique_ptr<TGameObject> MakePathProjectile(const TWeaponType& weapon, const TVector3& start, float t,
                                                const std::vector<TVector3>& path,
                                                const std::vector<float>& times) {
  const TShotMakers::TPathProjectileMaker& maker = Makers().pathProjectile;
  return maker ? maker(weapon, start, t, path, times) : nullptr;
}

std::unique_ptr<TGameObject> MakeCorpse(const TVector3& position, const TUnitType& unitType, int32_t facing,
                                        float time, int32_t owner) {
  const TShotMakers::TCorpseMaker& maker = Makers().corpse;
  return maker ? maker(position, unitType, facing, time, owner) : nullptr;
}

void AdoptShot(TGameObject& shot, TObjectList& ownerList) {
  const TShotMakers::TShotAdopter& adopter = Makers().adopter;
  if (adopter) {
    adopter(shot, ownerList);
  }
}
