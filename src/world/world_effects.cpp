#include "world/world_effects.h"

#include <utility>

#include "app/vector3.h"
#include "world/game_object.h"

namespace {

// The makers live for the program; the simulation replaces them when it starts.
struct TEffectMakers {
  TWorldEffects::TSmokeMaker smoke;
  TWorldEffects::TExplosionMaker explosion;
};

TEffectMakers& Makers() {
  static TEffectMakers makers;
  return makers;
}

}  // namespace

void TWorldEffects::SetSmokeMaker(TSmokeMaker maker) { Makers().smoke = std::move(maker); }

void TWorldEffects::SetExplosionMaker(TExplosionMaker maker) { Makers().explosion = std::move(maker); }

bool TWorldEffects::HasSmokeMaker() { return static_cast<bool>(Makers().smoke); }

bool TWorldEffects::HasExplosionMaker() { return static_cast<bool>(Makers().explosion); }

std::unique_ptr<TGameObject> MakeSmoke(const TVector3& position, float startTime, float duration) {
  if (!Makers().smoke) return nullptr;
  return Makers().smoke(position, startTime, duration);
}

std::unique_ptr<TGameObject> MakeExplosion(const TVector3& position, float damage, float radius, float time,
                                           uint8_t flag) {
  if (!Makers().explosion) return nullptr;
  return Makers().explosion(position, damage, radius, time, flag);
}
