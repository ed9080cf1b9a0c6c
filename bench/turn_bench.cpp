// A whole server turn: the simulator in mode 1 on a shipped map with units
// of every kind of the shipped data, ticked in steps of 0.03333 from the
// turn's start until the clock stops at its end (1 + 304 ticks).
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

#include "sim/clock.h"
#include "sim/turn_simulator.h"
#include "units/combatant.h"
#include "units/unit_type.h"
#include "world/ammo_dump.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/world.h"
#include "bench_data_folder.h"

namespace {

namespace fs = std::filesystem;

const char* const kMap = "Map\\Outpost.map";

using bench::DataReady;


bool IsHeadquartersDump(const std::string& typeName) {
  return typeName == "Marine HQ" || typeName == "Mech HQ" || typeName == "Regenerator";
}

// `perType` units of every unit type for each side, in rows across the map.
int32_t PlaceArmies(TWorld& world, int32_t perType) {
  const TGameData& data = world.GetGameData();
  TNewObjects placed;
  const float width = static_cast<float>(world.GetMap().GetWidth());
  float x = 2.0f;
  float y = 2.0f;
  for (int32_t side = 0; side < 2; ++side) {
    for (int32_t i = 0; i < data.GetUnitTypeCount(); ++i) {
      const TUnitType& type = *data.GetUnitType(i);
      if (type.GetName() == "Egg") continue;
      for (int32_t n = 0; n < perType; ++n) {
        const TVector3 at(x, y, 0.0f);
        if (IsHeadquartersDump(type.GetName())) {
          placed.push_back(std::make_unique<AmmoDump>(at, type, side));
        } else {
          placed.push_back(std::make_unique<Combatant>(type, data.FindWeaponType(type.GetName()), side, at, 0.0f));
        }
        x += 2.0f;
        if (x > width - 2.0f) {
          x = 2.0f;
          y += 2.0f;
        }
      }
    }
  }
  const auto count = static_cast<int32_t>(placed.size());
  world.AddObjects(placed);
  return count;
}

std::unique_ptr<TTurnSimulator> MakeBattle(int32_t perType, int32_t& units) {
  auto sim = std::make_unique<TTurnSimulator>();
  sim->GetWorld().LoadMapFile(kMap);
  units = PlaceArmies(sim->GetWorld(), perType);
  return sim;
}

void BM_ServerTurn(benchmark::State& state) {
  if (!DataReady()) {
    state.SkipWithError("no data set (set DVX_DATA_DIR)");
    return;
  }
  int64_t ticks = 0;
  int32_t units = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<TTurnSimulator> sim = MakeBattle(static_cast<int32_t>(state.range(0)), units);
    sim->Start(TTurnSimulator::kSimulateWithMovement);
    TTurnClock& clock = sim->GetClock();
    clock.Start();
    state.ResumeTiming();

    bool ended = sim->Tick();
    ++ticks;
    while (!ended) {
      clock.Advance(TTurnSimulator::kServerStep);
      ended = sim->Tick();
      ++ticks;
    }

    state.PauseTiming();
    benchmark::DoNotOptimize(sim->GetWorld().Count());
    sim.reset();
    state.ResumeTiming();
  }
  state.counters["units"] = units;
  state.counters["ticks/turn"] = static_cast<double>(ticks) / static_cast<double>(state.iterations());
}

BENCHMARK(BM_ServerTurn)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace
