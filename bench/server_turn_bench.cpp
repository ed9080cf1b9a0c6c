// A whole server turn as the game server runs it: the gamestate and both
// orders files are read, the turn is simulated (1 + 304 ticks) and the turn
// files are written. Two armies of 12 units on the 50 x 50 Foundry map, with
// orders made by the game's own order code on what each player sees: a
// realistic mix (half walk, half fire; shields, warp shots and psychic
// strikes), and every unit walking across the field so that each plans its
// route through the others.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench_data_folder.h"
#include "session/game_record.h"
#include "session/orders_file.h"
#include "session/server_battle.h"
#include "session/turn_file_reader.h"
#include "sim/turn_simulator.h"
#include "units/attack_orders.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/deploy_orders.h"
#include "units/order_list.h"
#include "units/psychic_orders.h"
#include "units/rules_orders.h"
#include "units/unit_type.h"
#include "units/walk_orders.h"
#include "units/warp_attack_order.h"
#include "world/world.h"

namespace {

namespace fs = std::filesystem;

constexpr int32_t kUnitsPerSide = 12;
const char* const kSetUp =
    "# bench\n[GameStart]\nscenario = WipeOut\nmap = Foundry\nplayer1 = A\nplayer2 = B\n"
    "forcePoints1 = 100\nforcePoints2 = 100\nmaxFPPerUnit1 = 10\nmaxFPPerUnit2 = 10\nturnLimit = 25\n";

enum class EOrders { kRealistic, kReplanning, kMostAllowed };

// Player p's program after its turn files: the record and the world it sees.
struct TPlayerView {
  TTurnSimulator sim;
  TGameRecord record;
};

bool Load(TPlayerView& view, const std::vector<std::string>& files) {
  TTurnFileHead head;
  std::string error;
  for (const std::string& file : files) {
    if (!LoadTurnFile(view.sim, view.record, file, head, error)) return false;
  }
  view.record.FillFromPlayer();
  return true;
}

std::vector<Combatant*> OwnUnits(const TWorld& world, int32_t player) {
  std::vector<Combatant*> units;
  for (int32_t i = 0; i < world.GetUnits().Count(); ++i) {
    Combatant* unit = world.GetUnits().UnitAt(i);
    if (unit != nullptr && unit->GetOwner() == player) units.push_back(unit);
  }
  return units;
}

bool WriteDeployment(int32_t player, const std::string& output) {
  TPlayerView view;
  if (!Load(view, {"g0/results" + std::to_string(player + 1) + "_Gbench_T0.dvx"})) return false;
  view.record.SetRace(player == 0 ? "marn" : "grey");
  TOrderList orders;
  for (int32_t i = 0; i < kUnitsPerSide; ++i) {
    const char* type = player == 0 ? (i % 3 == 2 ? "Grenadier" : "Grunt")
                                   : (i % 3 == 0 ? "Scanner" : (i % 3 == 1 ? "Warp Gunner" : "Psyker"));
    const TVector3 at(2.0f + static_cast<float>(i), player == 0 ? 17.0f : 31.0f, 0.0f);
    orders.Add(std::make_unique<TDeployOrder>(type, player, view.sim.GetResolver(), at));
  }
  return SaveOrdersFile(output, view.record, orders, 1);
}

void GiveOrders(TPlayerView& view, int32_t player, EOrders kind, TOrderList& orders) {
  TActionResolver& resolver = view.sim.GetResolver();
  const float enemyRow = player == 0 ? 31.0f : 17.0f;
  int32_t i = 0;
  for (Combatant* unit : OwnUnits(view.sim.GetWorld(), player)) {
    const int32_t id = unit->GetId();
    const float x = unit->Position().x;
    const std::string& type = unit->GetType().GetName();
    if (kind == EOrders::kMostAllowed) {
      // As many walks as a file may give a unit, back and forth across the
      // field: every one plans its route when the server rewinds the turn.
      for (int32_t k = 0; k < TOrderList::kMaxOrdersPerUnit; ++k) {
        const float y = k % 2 == 0 ? enemyRow : 48.0f - enemyRow;
        orders.Add(std::make_unique<TMovementOrder>(id, resolver, TVector3(49.0f - x, y, 0.0f), false));
      }
    } else if (kind == EOrders::kReplanning) {
      // Across the field to the mirrored place: every route meets the others.
      orders.Add(std::make_unique<TMovementOrder>(id, resolver, TVector3(15.0f - x, enemyRow, 0.0f), false));
    } else if (i % 2 == 0) {
      orders.Add(std::make_unique<TMovementOrder>(id, resolver, TVector3(x, 24.0f, 0.0f), false));
    } else if (type == "Scanner") {
      orders.Add(std::make_unique<TToggleShieldOrder>(id, resolver, true));
    } else if (type == "Warp Gunner") {
      orders.Add(std::make_unique<TWarpAttackOrder>(id, resolver, TVector3(x, enemyRow, 0.0f)));
    } else if (type == "Psyker") {
      orders.Add(std::make_unique<TPsychicAttackOrder>(id, resolver, TVector3(x, enemyRow, 0.0f)));
    } else {
      orders.Add(std::make_unique<TAttackPositionOrder>(id, resolver, TVector3(x, enemyRow, 0.0f)));
    }
    ++i;
  }
}

bool WriteTurnTwo(int32_t player, EOrders kind, const std::string& output) {
  TPlayerView view;
  const std::string n = std::to_string(player + 1);
  if (!Load(view, {"g0/results" + n + "_Gbench_T0.dvx", "g1/results" + n + "_Gbench_T1.dvx"})) return false;
  TOrderList orders;
  GiveOrders(view, player, kind, orders);
  return SaveOrdersFile(output, view.record, orders, 2);
}

// The game up to turn 2's orders, once per kind of orders.
bool Prepare(EOrders kind) {
  static bool prepared = false;
  if (!prepared) {
    fs::create_directories("g0");
    fs::create_directories("g1");
    std::ofstream("start_bench.cfg") << kSetUp;
    TServerBattle create;
    if (!create.ProcessFile({"start_bench.cfg", "g0"})) return false;
    if (!WriteDeployment(0, "d1.dvx") || !WriteDeployment(1, "d2.dvx")) return false;
    TServerBattle deploy;
    deploy.SetRefuseDroppedOrders(true);
    if (!deploy.ProcessFile({"g0/gamestate_Gbench_T0.dvx", "d1.dvx", "d2.dvx", "g1"})) return false;
    prepared = true;
  }
  return WriteTurnTwo(0, kind, "o1.dvx") && WriteTurnTwo(1, kind, "o2.dvx");
}

void RunServerTurn(benchmark::State& state, EOrders kind) {
  if (!bench::DataReady()) {
    state.SkipWithError("no data set (set DVX_DATA_DIR)");
    return;
  }
  if (!Prepare(kind)) {
    state.SkipWithError("the game could not be prepared");
    return;
  }
  fs::create_directories("g2");
  int64_t ticks = 0;
  double milliseconds = 0.0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    TServerBattle battle;
    if (!battle.ProcessFile({"g1/gamestate_Gbench_T1.dvx", "o1.dvx", "o2.dvx", "g2"})) {
      state.SkipWithError(battle.GetError().c_str());
      return;
    }
    milliseconds += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    ticks += battle.GetStepCount() + 1;
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["ms/turn"] = milliseconds / iterations;
  state.counters["ticks/turn"] = static_cast<double>(ticks) / iterations;
  state.counters["units"] = 2 * kUnitsPerSide;
}

void BM_ServerTurnFromFiles(benchmark::State& state) { RunServerTurn(state, EOrders::kRealistic); }
void BM_ServerTurnEveryUnitReplanning(benchmark::State& state) { RunServerTurn(state, EOrders::kReplanning); }
// The most orders the server reads from a file: 64 walks for each unit.
void BM_ServerTurnMostOrdersAllowed(benchmark::State& state) { RunServerTurn(state, EOrders::kMostAllowed); }

BENCHMARK(BM_ServerTurnFromFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ServerTurnEveryUnitReplanning)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ServerTurnMostOrdersAllowed)->Unit(benchmark::kMillisecond);

}  // namespace
