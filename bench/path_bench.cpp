// The route search over a shipped map: a walker crosses the Foundry from one
// corner to the other (the search runs to its expansion cap when the way is
// long), and a short walk to a point a few squares off, as the movement
// orders ask for every tick of a replan.
//
// The benchmark works on a copy of the data set in a temporary folder (see
// bench_data_folder.h).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "units/combatant.h"
#include "units/path_search.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/world.h"
#include "bench_data_folder.h"

namespace {

const char* const kMap = "Map\\Foundry.map";

Combatant* PlaceWalker(TWorld& world, const TVector3& at) {
  const TGameData& data = world.GetGameData();
  auto unit = std::make_unique<Combatant>(*data.FindUnitType("Grunt"), data.FindWeaponType("Grunt"), 0, at, 0.0f);
  Combatant* walker = unit.get();
  TNewObjects placed;
  placed.push_back(std::move(unit));
  world.AddObjects(placed);
  return walker;
}

void RunRoute(benchmark::State& state, float goalFraction) {
  if (!bench::DataReady()) {
    state.SkipWithError("no data set (set DVX_DATA_DIR)");
    return;
  }
  TWorld world(kMap);
  const TMap& map = world.GetMap();
  const TVector3 start(1.0f, 1.0f, 0.0f);
  const TVector3 goal(1.0f + goalFraction * static_cast<float>(map.GetWidth() - 3),
                      1.0f + goalFraction * static_cast<float>(map.GetHeight() - 3), 0.0f);
  Combatant* walker = PlaceWalker(world, start);
  TRoutePointMeasure measure(world, &walker->GetLofVolume(), 0, 0, 0, "0");
  TPathSearch search;
  for (auto _ : state) {
    measure.CollectBlockers(start);
    search.Run(start, goal, measure);
    benchmark::DoNotOptimize(search.PointCount());
  }
  state.counters["points"] = static_cast<double>(search.PointCount());
  state.counters["length"] = static_cast<double>(search.Length());
}

void BM_RouteAcrossFoundry(benchmark::State& state) { RunRoute(state, 1.0f); }
BENCHMARK(BM_RouteAcrossFoundry)->Unit(benchmark::kMillisecond);

void BM_ShortRouteOnFoundry(benchmark::State& state) { RunRoute(state, 0.15f); }
BENCHMARK(BM_ShortRouteOnFoundry)->Unit(benchmark::kMicrosecond);

}  // namespace
