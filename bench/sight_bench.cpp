// The sight pass over a crowded map: units of both sides stand on a shipped
// map (ground tiles, walls and all) on a grid of the given spacing, and the
// simulator's two passes run tick after tick, every other one a map pass in
// which the units that need it look at the terrain as well. A second
// benchmark asks the line-of-fire question of every pair of enemies; a third
// walks sight lines from points over the map to every tile in sight range,
// as a map pass does for the tiles a side has not seen yet.
//
// The benchmark works on a copy of the data set in a temporary folder (see
// bench_data_folder.h).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/sight_resolver.h"
#include "units/unit_type.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/terrain_object.h"
#include "world/world.h"
#include "bench_data_folder.h"

namespace {

const char* const kMap = "Map\\Outpost.map";
constexpr float kTick = 0.1f;

// Grunts of both sides on the grid of the spacing, alternating by square.
std::vector<Combatant*> PlaceCrowd(TWorld& world, int32_t spacing) {
  const TGameData& data = world.GetGameData();
  const TUnitType& type = *data.FindUnitType("Grunt");
  TNewObjects placed;
  std::vector<Combatant*> units;
  for (int32_t y = 1; y + 1 < world.GetMap().GetHeight(); y += spacing) {
    for (int32_t x = 1; x + 1 < world.GetMap().GetWidth(); x += spacing) {
      const TVector3 at(static_cast<float>(x), static_cast<float>(y), 0.0f);
      auto unit = std::make_unique<Combatant>(type, data.FindWeaponType("Grunt"), (x / spacing + y / spacing) % 2,
                                              at, 0.0f);
      units.push_back(unit.get());
      placed.push_back(std::move(unit));
    }
  }
  world.AddObjects(placed);
  return units;
}

void BM_SightPass(benchmark::State& state) {
  if (!bench::DataReady()) {
    state.SkipWithError("no data set (set DVX_DATA_DIR)");
    return;
  }
  TWorld world(kMap);
  const std::vector<Combatant*> units = PlaceCrowd(world, static_cast<int32_t>(state.range(0)));
  TSightResolver sight(world, nullptr);
  float t = 0.0f;
  for (auto _ : state) {
    t += kTick;
    sight.UpdateCells(t);
    sight.Step(t);
  }
  state.counters["units"] = static_cast<double>(units.size());
  state.counters["tiles"] = static_cast<double>(world.GetMap().Count());
}
BENCHMARK(BM_SightPass)->Arg(4)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_LineOfFire(benchmark::State& state) {
  if (!bench::DataReady()) {
    state.SkipWithError("no data set (set DVX_DATA_DIR)");
    return;
  }
  TWorld world(kMap);
  const std::vector<Combatant*> units = PlaceCrowd(world, static_cast<int32_t>(state.range(0)));
  TSightResolver sight(world, nullptr);
  int64_t clear = 0;
  for (auto _ : state) {
    for (const Combatant* shooter : units) {
      for (Combatant* target : units) {
        if (target->GetOwner() != shooter->GetOwner() && sight.IsPathClear(*shooter, *target)) ++clear;
      }
    }
  }
  benchmark::DoNotOptimize(clear);
  state.counters["pairs"] = static_cast<double>(units.size() * units.size() / 2);
}
BENCHMARK(BM_LineOfFire)->Arg(6)->Unit(benchmark::kMillisecond);

// Sight lines from every point of the grid of the spacing, at a unit's eye
// height, to the aim point of every tile within the range.
void BM_TerrainWalks(benchmark::State& state) {
  if (!bench::DataReady()) {
    state.SkipWithError("no data set (set DVX_DATA_DIR)");
    return;
  }
  TWorld world("Map\\Foundry.map");
  const TMap& map = world.GetMap();
  constexpr float kRange = 12.0f;
  constexpr float kEyeHeight = 0.75f;
  const int32_t spacing = static_cast<int32_t>(state.range(0));
  std::vector<std::pair<TVector3, TVector3>> lines;
  for (int32_t y = 1; y + 1 < map.GetHeight(); y += spacing) {
    for (int32_t x = 1; x + 1 < map.GetWidth(); x += spacing) {
      const TVector3 eye(static_cast<float>(x), static_cast<float>(y), kEyeHeight);
      for (const auto& tile : map.Tiles()) {
        TVector3 aim;
        tile->GetAimPoint(aim);
        if (eye.DistanceTo(aim) < kRange) lines.emplace_back(eye, aim);
      }
    }
  }
  TSightResolver sight(world, nullptr);
  int64_t blocked = 0;
  for (auto _ : state) {
    for (const auto& [from, to] : lines) {
      if (sight.FirstTerrainHit(from, to, false) != nullptr) ++blocked;
    }
  }
  benchmark::DoNotOptimize(blocked);
  state.counters["lines"] = static_cast<double>(lines.size());
}
BENCHMARK(BM_TerrainWalks)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace
