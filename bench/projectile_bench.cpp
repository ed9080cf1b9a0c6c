// A volley of shots over a crowded map: every shot flown through one second
// of client ticks by the projectile system, with its sub-steps, swept-box
// candidates, contact searches and bounces.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>

#include "sim/event_list.h"
#include "sim/projectile.h"
#include "sim/projectile_system.h"
#include "world/ammo_dump.h"
#include "world/game_data.h"
#include "world/world.h"

namespace {

const char* const kRules =
    "# bench rules\n"
    "[Unit Data]\n"
    "[Grunt]\n"
    "Race = marn\n"
    "Endurance = 100000\n"
    "LOS Shape = Box | -0.3,-0.3,0 | 0.3,0.3,1.0\n"
    "Weapon Range = 30\n"
    "Weapon Speed = 150\n"
    "Damage = 10\n"
    "Explosive Radius = 0\n"
    "Damage Effect = Bullet\n"
    "Ammunition = 20\n"
    "[Grenadier]\n"
    "Race = marn\n"
    "Weapon Range = 12\n"
    "Weapon Speed = 60\n"
    "Damage = 25\n"
    "Explosive Radius = 2\n"
    "Damage Effect = Blast\n"
    "Ammunition = 10\n";

// Targets scattered over a 40 x 40 field and shots fired across it.
void FillField(TWorld& world, const TGameData& rules, int targets, int shots) {
  std::mt19937 generator(4242u);
  std::uniform_real_distribution<float> place(1.0f, 39.0f);
  std::uniform_real_distribution<float> turn(-1.0f, 1.0f);
  for (int i = 0; i < targets; ++i) {
    world.Add(std::make_unique<AmmoDump>(TVector3(place(generator), place(generator), 0.0f),
                                         *rules.FindUnitType("Grunt"), 0));
  }
  for (int i = 0; i < shots; ++i) {
    const char* weapon = i % 4 == 0 ? "Grenadier" : "Grunt";
    const TVector3 direction(turn(generator), turn(generator), i % 4 == 0 ? 0.5f : 0.0f);
    world.Add(std::make_unique<Projectile>(*rules.FindWeaponType(weapon),
                                           TVector3(place(generator), place(generator), 0.6f), direction, 0.0f));
  }
}

void BM_ProjectileVolley(benchmark::State& state) {
  const TGameData rules(kRules, "bench", "# terrain\n[Terrain Data]\n[Floor]\nType = ground\n");
  const auto targets = static_cast<int>(state.range(0));
  const auto shots = static_cast<int>(state.range(1));
  for (auto _ : state) {
    state.PauseTiming();
    auto world = std::make_unique<TWorld>();
    TEventList events;
    FillField(*world, rules, targets, shots);
    TProjectileSystem system(*world, events);
    system.Reset(0.0f);
    state.ResumeTiming();
    for (int tick = 1; tick <= 20; ++tick) system.Update(0.05f * static_cast<float>(tick));
    benchmark::DoNotOptimize(events.GetEventCount());
    state.PauseTiming();
    world.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * shots);
}
BENCHMARK(BM_ProjectileVolley)->Args({100, 50})->Args({400, 200})->Unit(benchmark::kMillisecond);

}  // namespace
