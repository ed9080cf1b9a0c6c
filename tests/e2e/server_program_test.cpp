// Runs the real program as the game server does: `dvx --server` creates a
// game and computes three turns from orders files that the game's own order
// code wrote; every kind of bad input fails with a message and leaves no
// file.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/game_data.h"
#include "app/version_info.h"
#include "session/game_record.h"
#include "session/orders_file.h"
#include "session/server_game.h"  // tests/session
#include "session/turn_file_reader.h"
#include "sim/turn_simulator.h"
#include "support/program_copy.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/deploy_orders.h"
#include "units/order_list.h"
#include "units/walk_orders.h"
#include "world/world.h"

namespace {

namespace fs = std::filesystem;

const char* const kBattle = "infantry";

std::vector<char> Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ServerProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = test_program::CopyProgramWithData(folder_.Path());
    DestroyGameDataConfig();
    DestroyVersionInfo();
  }
  void TearDown() override {
    DestroyGameDataConfig();
    DestroyVersionInfo();
  }

  // `dvx --server` with the names, from the test's folder; standard error
  // goes to `error_`. Returns the exit status.
  int Serve(const std::vector<std::string>& names) {
    const fs::path errors = folder_.Path() / "stderr.txt";
    pid_t child = fork();
    if (child == 0) {
      std::freopen(errors.c_str(), "w", stderr);
      std::vector<std::string> arguments = {program_.string(), "--server"};
      arguments.insert(arguments.end(), names.begin(), names.end());
      std::vector<char*> argv;
      for (std::string& argument : arguments) argv.push_back(argument.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    std::ifstream in(errors);
    error_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  void NewGame() {
    fs::create_directories("T0");
    fs::copy_file(server_game::SetupSource(kBattle), std::string("start_") + kBattle + ".cfg");
    ASSERT_EQ(Serve({std::string("start_") + kBattle + ".cfg", "T0"}), 0) << error_;
  }

  void Turn(int32_t turn) {
    std::string error;
    ASSERT_TRUE(server_game::WriteOrders(kBattle, turn, error)) << error;
    fs::create_directories(server_game::Folder(turn));
    ASSERT_EQ(Serve({server_game::FileOf(kBattle, "gamestate", turn - 1), server_game::OrdersFile(0, turn),
                     server_game::OrdersFile(1, turn), server_game::Folder(turn)}),
              0)
        << error_;
  }

  // Player 1's program after the turn files it received before `turn`.
  void LoadPlayerOne(TTurnSimulator& sim, TGameRecord& record, int32_t turn) {
    TTurnFileHead head;
    std::string error;
    for (const std::string& file : server_game::ReceivedFiles(kBattle, 0, turn)) {
      ASSERT_TRUE(LoadTurnFile(sim, record, file, head, error)) << error;
    }
    record.FillFromPlayer();
    record.SetRace("marn");
  }

  // A turn with the given orders file of player 1 must fail and write
  // nothing.
  void ExpectRefusedTurn(int32_t turn, const std::string& ordersOne, const std::string& what, const std::string& message) {
    SCOPED_TRACE(what);
    fs::remove_all("bad");
    fs::create_directories("bad");
    EXPECT_NE(Serve({server_game::FileOf(kBattle, "gamestate", turn - 1), ordersOne, server_game::OrdersFile(1, turn), "bad"}), 0);
    EXPECT_NE(error_.find(message), std::string::npos) << error_;
    EXPECT_TRUE(fs::is_empty("bad"));
  }

  // The gamestate with its battle name replaced, saved under `output`.
  static bool ForgeBattleName(const std::string& input, const std::string& output, const std::string& name) {
    TDataStream state;
    if (!state.LoadFromFile(input)) return false;
    TDataStream forged(state.GetVersionTag());
    const uint32_t count = state.ReadInt();
    forged.WriteInt(count);
    for (uint32_t i = 0; i < count; ++i) {
      TGameRecord record;
      if (!record.Load(state) || !record.Save(forged)) return false;
    }
    state.ReadString();
    forged.WriteString(name);
    forged.WriteBytes(state.Body().data() + state.GetPosition(), state.Remaining());
    return !state.HasFailed() && forged.SaveToFile(output);
  }

  TTempFolder folder_;
  fs::path program_;
  std::string error_;
};

TEST_F(ServerProgramTest, ANewGameAndThreeTurnsMatchTheGoldenFiles) {
  NewGame();
  for (int32_t turn = 1; turn <= 3 && !HasFatalFailure(); ++turn) Turn(turn);
  if (HasFatalFailure()) return;
  const fs::path golden = fs::path(DVX_TEST_FIXTURES) / "server" / kBattle;
  for (int32_t turn = 0; turn <= 3; ++turn) {
    for (const char* kind : {"results1", "results2", "gamestate", "status"}) {
      const std::string file = server_game::FileOf(kBattle, kind, turn);
      SCOPED_TRACE(file);
      EXPECT_TRUE(Bytes(file) == Bytes(golden / file));
    }
  }
}

TEST_F(ServerProgramTest, BadCommandLinesAreRefused) {
  fs::create_directories("out");
  fs::copy_file(server_game::SetupSource(kBattle), "start_x.cfg");
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"start_x.cfg"},
      {"start_x.cfg", "out", "extra"},
      {"gamestate_Gx_T0.dvx", "out"},
      {"start_x.cfg,out", "out"},
      {"start_missing.cfg", "out"},
      {"start_x.cfg", "no-such-folder"},
  };
  for (const auto& names : cases) {
    SCOPED_TRACE(names.empty() ? std::string("(none)") : names.front());
    EXPECT_NE(Serve(names), 0);
    EXPECT_FALSE(error_.empty());
    EXPECT_TRUE(fs::is_empty("out"));
  }
}

TEST_F(ServerProgramTest, AGameNameWithAPathIsRefused) {
  fs::create_directories("out");
  for (const char* setup : {"start_a\\b.cfg", "start_:x.cfg", "start_..cfg"}) {
    SCOPED_TRACE(setup);
    fs::copy_file(server_game::SetupSource(kBattle), setup, fs::copy_options::overwrite_existing);
    EXPECT_NE(Serve({setup, "out"}), 0);
    EXPECT_FALSE(error_.empty());
    EXPECT_TRUE(fs::is_empty("out"));
  }
  EXPECT_NE(error_.find("plain"), std::string::npos) << error_;

  // A gamestate whose battle name leads out of the output folder.
  NewGame();
  if (HasFatalFailure()) return;
  std::string error;
  ASSERT_TRUE(server_game::WriteOrders(kBattle, 1, error)) << error;
  for (const char* name : {"../escape", "/tmp/escape", "a\\b"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(ForgeBattleName(server_game::FileOf(kBattle, "gamestate", 0), "T0/forged.dvx", name));
    fs::remove_all("bad");
    fs::create_directories("bad");
    EXPECT_NE(Serve({"T0/forged.dvx", server_game::OrdersFile(0, 1), server_game::OrdersFile(1, 1), "bad"}), 0);
    EXPECT_FALSE(error_.empty());
    EXPECT_TRUE(fs::is_empty("bad"));
    EXPECT_FALSE(fs::exists("escape"));
  }
}

// The game server may keep its games under any folder; a folder name that
// holds "start_" does not make a turn look like a new game.
TEST_F(ServerProgramTest, ATurnIsComputedUnderAFolderNamedLikeASetUp) {
  const std::string games = "restart_games/";
  fs::create_directories(games + "T0");
  fs::create_directories(games + "T1");
  fs::copy_file(server_game::SetupSource(kBattle), std::string("start_") + kBattle + ".cfg");
  ASSERT_EQ(Serve({std::string("start_") + kBattle + ".cfg", games + "T0"}), 0) << error_;
  std::string error;
  for (int32_t player = 0; player < 2; ++player) {
    ASSERT_TRUE(WriteSampleOrders(kBattle, {games + server_game::FileOf(kBattle, "results" + std::to_string(player + 1), 0)},
                                  server_game::OrdersFile(player, 1), error))
        << error;
  }
  ASSERT_EQ(Serve({games + server_game::FileOf(kBattle, "gamestate", 0), server_game::OrdersFile(0, 1),
                   server_game::OrdersFile(1, 1), games + "T1"}),
            0)
      << error_;
  EXPECT_TRUE(fs::exists(games + server_game::FileOf(kBattle, "status", 1)));
}

TEST_F(ServerProgramTest, BadFilesOfATurnFailWithoutOutput) {
  NewGame();
  if (HasFatalFailure()) return;
  std::string error;
  ASSERT_TRUE(server_game::WriteOrders(kBattle, 1, error)) << error;

  ExpectRefusedTurn(1, "no-such-orders.dvx", "missing orders file", "Unable to open file");
  {
    const std::vector<char> whole = Bytes(server_game::OrdersFile(0, 1));
    std::ofstream("cut_orders.dvx", std::ios::binary).write(whole.data(), static_cast<std::streamsize>(whole.size() / 2));
    ExpectRefusedTurn(1, "cut_orders.dvx", "truncated orders file", "is damaged");
  }

  {
    // Ten grunts cost more than the game's 30 force points.
    TTurnSimulator sim;
    TGameRecord record;
    LoadPlayerOne(sim, record, 1);
    TOrderList orders;
    for (int32_t i = 0; i < 10; ++i) {
      orders.Add(std::make_unique<TDeployOrder>("Grunt", 0, sim.GetResolver(), TVector3(2.0f + i, 17.0f, 0.0f)));
    }
    ASSERT_TRUE(SaveOrdersFile("expensive.dvx", record, orders, 1));
    ExpectRefusedTurn(1, "expensive.dvx", "too many deploy points", "beyond its force points");

    record.SetVersionText("Vorhelm-99-0");
    TOrderList none;
    ASSERT_TRUE(SaveOrdersFile("hostile.dvx", record, none, 1));
    ExpectRefusedTurn(1, "hostile.dvx", "hostile version tag", "names a version");
  }

  {
    const std::vector<char> whole = Bytes(server_game::FileOf(kBattle, "gamestate", 0));
    std::ofstream("T0/gamestate_cut.dvx", std::ios::binary).write(whole.data(), static_cast<std::streamsize>(whole.size() / 2));
    fs::remove_all("bad");
    fs::create_directories("bad");
    EXPECT_NE(Serve({"T0/gamestate_cut.dvx", server_game::OrdersFile(0, 1), server_game::OrdersFile(1, 1), "bad"}), 0);
    EXPECT_NE(error_.find("is damaged"), std::string::npos) << error_;
    EXPECT_TRUE(fs::is_empty("bad"));
  }

  // Two turns on, player 1 orders a unit of player 2 that it can see.
  for (int32_t turn = 1; turn <= 2 && !HasFatalFailure(); ++turn) Turn(turn);
  if (HasFatalFailure()) return;
  ASSERT_TRUE(server_game::WriteOrders(kBattle, 3, error)) << error;
  TTurnSimulator sim;
  TGameRecord record;
  LoadPlayerOne(sim, record, 3);
  const Combatant* enemy = nullptr;
  for (int32_t i = 0; i < sim.GetWorld().GetUnits().Count(); ++i) {
    const Combatant* unit = sim.GetWorld().GetUnits().UnitAt(i);
    if (unit != nullptr && unit->GetOwner() == 1) enemy = unit;
  }
  ASSERT_NE(enemy, nullptr) << "player 1 sees no unit of player 2";
  TOrderList orders;
  orders.Add(std::make_unique<TMovementOrder>(enemy->GetId(), sim.GetResolver(), TVector3(1.0f, 40.0f, 0.0f), false));
  ASSERT_TRUE(SaveOrdersFile("foreign.dvx", record, orders, 3));
  ExpectRefusedTurn(3, "foreign.dvx", "orders for the other side's units", "a unit it does not own");
  ExpectRefusedTurn(3, server_game::OrdersFile(1, 3), "player 2's file in player 1's place", "from player 2");
}

}  // namespace
