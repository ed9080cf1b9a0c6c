#include "sim/effect_registration.h"

#include <cstdint>
#include <memory>
#include <vector>

#include "sim/corpse.h"
#include "sim/explosion.h"
#include "sim/goo.h"
#include "sim/projectile.h"
#include "sim/shield.h"
#include "sim/smoke.h"
#include "sim/world_effect.h"
#include "units/shot_makers.h"
#include "world/object_record.h"
#include "world/world_effects.h"

void RegisterEffectRecordReaders() {
  TObjectRecordFactory& factory = TObjectRecordFactory::Instance();
  factory.Register(Projectile::kTypeName, &TProjectileRecord::Read);
  factory.Register(TTailedProjectileRecord::kTypeName, &TTailedProjectileRecord::Read);
  factory.Register(Corpse::kTypeName, &TCorpseRecord::Read);
  factory.Register(Explosion::kTypeName, &TExplosionRecord::Read);
  factory.Register(Smoke::kTypeName, &TSmokeRecord::Read);
  factory.Register(TSpecialEffectObject::kTypeName, &TSpecialEffectRecord::Read);
  factory.Register(Goo::kTypeName, &TGooRecord::Read);
  factory.Register(GooExplosion::kTypeName, &TGooExplosionRecord::Read);
  factory.Register(Shield::kTypeName, &TShieldRecord::Read);
}

void RegisterEffectMakers() {
  // A destroyed tile's smoke is given its density where the maker says duration.
  TWorldEffects::SetSmokeMaker([](const TVector3& position, float startTime, float density) {
    return std::make_unique<Smoke>(position, startTime, density);
  });
  TWorldEffects::SetExplosionMaker(
      [](const TVector3& position, float damage, float radius, float time, uint8_t warp) {
        return std::make_unique<Explosion>(position, damage, radius, time, warp != 0);
      });
  TShotMakers::SetProjectileMaker(
      [](const TWeaponType& weapon, const TVector3& start, const TVector3& direction, float t) {
        return std::make_unique<Projectile>(weapon, start, direction, t);
      });
  TShotMakers::SetPathProjectileMaker([](const TWeaponType& weapon, const TVector3& start, float t,
                                         const std::vector<TVector3>& path, const std::vector<float>& times) {
    return std::make_unique<Projectile>(weapon, start, t, path, times);
  });
  TShotMakers::SetCorpseMaker(
      [](const TVector3& position, const TUnitType& unitType, int32_t facing, float time, int32_t owner) {
        return std::make_unique<Corpse>(position, unitType, facing, time, owner);
      });
  TShotMakers::SetShotAdopter([](TGameObject& shot, TObjectList& ownerList) {
    if (shot.TypeName() == Projectile::kTypeName) static_cast<Projectile&>(shot).SetReferenceList(&ownerList);
  });
}
