// The reference battles of the golden-file tests, as a server computes their
// turn (1 + 304 ticks of 1/30): 12 units a side on Foundry.map with walks
// across the map, attacks and fire at will; the same with every walking unit
// planning its route again each tick; 24 a side on a 100 x 100 map built by
// dvx_maptool. And the 200 fixed route queries on Foundry.map, by the game's
// route search and by a plain reference A* over the same step test in the
// same run; the ratio of the two is printed.
//
// The benchmarks work on a copy of the data set (see bench_data_folder.h).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <system_error>

#include "bench_data_folder.h"
#include "support/reference_battle.h"
#include "support/reference_route.h"
#include "support/route_pairs.h"

namespace {

const char* const kLargeMap = "Map\\Expanse.map";

bool LargeMapReady() {
  static const bool ready = [] {
    std::error_code error;
    std::filesystem::copy_file(std::filesystem::path(DVX_BENCH_MAP_DIR) / "Expanse.map", "Map/Expanse.map",
                               std::filesystem::copy_options::overwrite_existing, error);
    return !error;
  }();
  return ready;
}

void RunBattle(benchmark::State& state, const char* map, bool replan) {
  if (!bench::DataReady() || (map == kLargeMap && !LargeMapReady())) {
    state.SkipWithError("no data set (set DVX_DATA_DIR) or no large map");
    return;
  }
  const auto perSide = static_cast<int32_t>(state.range(0));
  int64_t ticks = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<TTurnSimulator> sim = reference_battle::MakeFoundryBattle(perSide, map);
    if (sim == nullptr) {
      state.SkipWithError("the map does not load");
      return;
    }
    state.ResumeTiming();
    TTurnSimulator& battle = *sim;
    ticks += replan ? reference_battle::RunServerTurn(battle, [&battle] { reference_battle::ReplanEveryWalk(battle); })
                    : reference_battle::RunServerTurn(battle);
    state.PauseTiming();
    benchmark::DoNotOptimize(battle.GetEvents().GetEventCount());
    sim.reset();
    state.ResumeTiming();
  }
  state.counters["units/side"] = perSide;
  state.counters["ticks/turn"] = static_cast<double>(ticks) / static_cast<double>(state.iterations());
}

void BM_BattleTurnOnFoundry(benchmark::State& state) { RunBattle(state, "Map\\Foundry.map", false); }
BENCHMARK(BM_BattleTurnOnFoundry)->Arg(12)->Unit(benchmark::kMillisecond);

void BM_BattleTurnOnFoundryReplanning(benchmark::State& state) { RunBattle(state, "Map\\Foundry.map", true); }
BENCHMARK(BM_BattleTurnOnFoundryReplanning)->Arg(12)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_BattleTurnOnLargeMap(benchmark::State& state) { RunBattle(state, kLargeMap, false); }
BENCHMARK(BM_BattleTurnOnLargeMap)->Arg(24)->Unit(benchmark::kMillisecond);

// Seconds to answer every fixed pair with the route search, or with the
// reference A* when `reference` is set.
double TimePairs(route_pairs::TRouteWorld& routes, bool reference, double& cost) {
  TRoutePointMeasure& measure = *routes.measure;
  TPathSearch search;
  cost = 0.0;
  const auto begin = std::chrono::steady_clock::now();
  for (const auto& [from, to] : route_pairs::Pairs(routes.world.GetMap().GetWidth())) {
    measure.CollectBlockers(from);
    if (reference) {
      cost += reference_route::Search(from, to, measure, TPathSearch::kMaxExpansions).cost;
    } else {
      search.Run(from, to, measure);
      cost += search.Length();
    }
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

void BM_RoutePairsOnFoundry(benchmark::State& state) {
  if (!bench::DataReady()) {
    state.SkipWithError("no data set (set DVX_DATA_DIR)");
    return;
  }
  route_pairs::TRouteWorld routes;
  double searchSeconds = 0.0;
  double referenceSeconds = 0.0;
  double cost = 0.0;
  for (auto _ : state) {
    state.PauseTiming();
    referenceSeconds += TimePairs(routes, true, cost);
    state.ResumeTiming();
    searchSeconds += TimePairs(routes, false, cost);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["ms/200 queries"] = 1000.0 * searchSeconds / n;
  state.counters["reference ms"] = 1000.0 * referenceSeconds / n;
  state.counters["search/reference"] = searchSeconds / referenceSeconds;
}
BENCHMARK(BM_RoutePairsOnFoundry)->Unit(benchmark::kMillisecond);

}  // namespace
