// A volley of explosions over a crowded map: blasts of a grenade's size go
// off among rows of units on a shipped map (ground tiles, walls and all),
// spread their rays on the world update and hand over their hits as damage
// events tick by tick until none is left.
//
// The benchmark works on a copy of the data set in a temporary folder: the
// set is found through DVX_DATA_DIR, else in a folder at or above the
// benchmark program (the build places the data set there).
#include <benchmark/benchmark.h>

#include <stdlib.h>  // mkdtemp

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "sim/event.h"
#include "sim/explosion.h"
#include "units/combatant.h"
#include "units/unit_type.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/world.h"
#include "bench_data_folder.h"

namespace {

namespace fs = std::filesystem;

const char* const kMap = "Map\\Outpost.map";
constexpr float kStart = 1.0f;
constexpr float kTick = 0.05f;

using bench::DataReady;


// Grunts of both sides on every other square of the map.
int32_t PlaceCrowd(TWorld& world) {
  const TGameData& data = world.GetGameData();
  const TUnitType& type = *data.FindUnitType("Grunt");
  TNewObjects placed;
  for (int32_t y = 1; y + 1 < world.GetMap().GetHeight(); y += 2) {
    for (int32_t x = 1; x + 1 < world.GetMap().GetWidth(); x += 2) {
      const TVector3 at(static_cast<float>(x), static_cast<float>(y), 0.0f);
      placed.push_back(std::make_unique<Combatant>(type, data.FindWeaponType("Grunt"), (x + y) % 2, at, 0.0f));
    }
  }
  const auto count = static_cast<int32_t>(placed.size());
  world.AddObjects(placed);
  return count;
}

// `count` blasts spread over the map in a fixed pattern, raised as a
// detonating shot leaves them.
void PlaceVolley(TWorld& world, int32_t count, float damage, float radius) {
  TNewObjects blasts;
  const float width = static_cast<float>(world.GetMap().GetWidth());
  const float height = static_cast<float>(world.GetMap().GetHeight());
  for (int32_t i = 0; i < count; ++i) {
    const float x = 2.0f + static_cast<float>((i * 7) % static_cast<int32_t>(width - 4.0f)) + 0.3f;
    const float y = 2.0f + static_cast<float>((i * 11) % static_cast<int32_t>(height - 4.0f)) + 0.6f;
    blasts.push_back(std::make_unique<Explosion>(TVector3(x, y, 0.1f), damage, radius, kStart, false));
  }
  world.AddObjects(blasts);
}

void BM_ExplosionVolley(benchmark::State& state) {
  if (!DataReady()) {
    state.SkipWithError("no data set (set DVX_DATA_DIR)");
    return;
  }
  const auto volley = static_cast<int32_t>(state.range(0));
  const float radius = static_cast<float>(state.range(1));
  int32_t units = 0;
  int64_t hits = 0;
  int64_t events = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto world = std::make_unique<TWorld>(kMap);
    units = PlaceCrowd(*world);
    PlaceVolley(*world, volley, 25.0f, radius);
    TExplosionList& explosions = world->GetExplosions();
    state.ResumeTiming();

    explosions.Update(*world);
    state.PauseTiming();
    for (int32_t i = 0; i < explosions.Count(); ++i) {
      hits += static_cast<int64_t>(static_cast<Explosion*>(explosions.GetAt(i))->GetHits().size());
    }
    state.ResumeTiming();
    std::vector<std::unique_ptr<TEvent>> due;
    for (float t = kStart; t < kStart + radius / 10.0f + 0.2f; t += kTick) explosions.CollectDamage(t, *world, due);
    events += static_cast<int64_t>(due.size());

    state.PauseTiming();
    benchmark::DoNotOptimize(due.data());
    due.clear();
    world.reset();
    state.ResumeTiming();
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["units"] = units;
  state.counters["hits/volley"] = static_cast<double>(hits) / iterations;
  state.counters["events/volley"] = static_cast<double>(events) / iterations;
}

BENCHMARK(BM_ExplosionVolley)->Args({16, 2})->Args({16, 5})->Args({64, 5})->Unit(benchmark::kMillisecond);

}  // namespace
