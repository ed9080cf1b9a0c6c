// The short-lived effect objects that world classes leave behind (a smoke
// puff over a destroyed wall, the blast of an exploding tile) belong to the
// turn simulation. World classes create them through this narrow registry,
// so that the world builds and runs alone (a server run, the tests) and the
// simulation registers its makers when it starts.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class TGameObject;
class TVector3;

class TWorldEffects {
 public:
  using TSmokeMaker =
      std::function<std::unique_ptr<TGameObject>(const TVector3& position, float startTime, float duration)>;
  using TExplosionMaker = std::function<std::unique_ptr<TGameObject>(
      const TVector3& position, float damage, float radius, float time, uint8_t flag)>;

  // An empty maker removes the registration.
  static void SetSmokeMaker(TSmokeMaker maker);
  static void SetExplosionMaker(TExplosionMaker maker);
  static bool HasSmokeMaker();
  static bool HasExplosionMaker();
};

// A "Smoke" object; null while no maker is registered.
std::unique_ptr<TGameObject> MakeSmoke(const TVector3& position, float startTime, float duration);
// An "Explosion" object; null while no maker is registered.
std::unique_ptr<TGameObject> MakeExplosion(const TVector3& position, float damage, float radius, float time,
                                           uint8_t flag);
