// The same turn, computed from the same files by each road the program has
// to compute it, must give the same gamestate file, byte for byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "hot_seat_game.h"
#include "rebuild_game.h"
#include "session/battle_session.h"
#include "session/game.h"
#include "session/game_rebuild.h"

namespace {

namespace fs = std::filesystem;
using hot_seat_game::FileOf;
using hot_seat_game::kFolder;

class TurnDeterminismTest : public hot_seat_game::HotSeatFixture {
 protected:
  static constexpr int32_t kTurns = 3;

  // A local game of kTurns turns; its game folder keeps every input and
  // output of each exchange.
  void PlayHotSeatGame() {
    THotSeatMode& mode = EnterHotSeat();
    THotSeatDriver driver(mode);
    ASSERT_TRUE(driver.StartGame("Foundry", hot_seat_game::kForcePoints, hot_seat_game::kMaxPerUnit))
        << mode.GetFailure();
    for (int32_t turn = 1; turn <= kTurns; ++turn) {
      PlayTurn(mode, driver, turn, [](const TBattleSession&) {});
      if (HasFatalFailure()) return;
    }
  }

  // The turn computed by the server entry from the hot-seat game's inputs
  // into a folder of its own.
  static std::string ComputeByServerEntry(int32_t turn) {
    const std::string output = "server" + std::to_string(turn) + "/";
    fs::create_directories(output);
    const std::string folder = kFolder;
    const std::string argument = folder + FileOf("gamestate", turn - 1) + "," + folder + "Orders/" +
                                 FileOf("orders1", turn) + "," + folder + "Orders/" + FileOf("orders2", turn) + "," +
                                 output;
    EXPECT_TRUE(TGame::Instance()->SetMode(5, argument));
    EXPECT_EQ(TGame::Instance()->GetModeFailure(), "") << "turn " << turn;
    return output;
  }
};

TEST_F(TurnDeterminismTest, AHotSeatExchangeAndTheServerEntryWriteTheSameFiles) {
  PlayHotSeatGame();
  if (HasFatalFailure()) return;
  for (int32_t turn = 1; turn <= kTurns; ++turn) {
    const std::string output = ComputeByServerEntry(turn);
    const std::string name = FileOf("gamestate", turn);
    const std::vector<uint8_t> local = folder_.ReadBytes(kFolder + name);
    ASSERT_FALSE(local.empty()) << name;
    EXPECT_EQ(local, folder_.ReadBytes(output + name)) << name;
    // The status is the same too. The players' results are not compared:
    // while the hot-seat mode computes, the stops recorded before a turn's
    // first tick are kept and reach the players, where the server entry
    // drops them.
    for (const char* kind : {"status"}) {
      const std::string other = FileOf(kind, turn);
      EXPECT_EQ(folder_.ReadBytes(kFolder + other), folder_.ReadBytes(output + other)) << other;
    }
  }
}

// The third road: a player who rebuilds the game from the hot-seat sides'
// results files runs each turn to the same gamestate copies as the side
// that played it at the machine.
TEST_F(TurnDeterminismTest, ARebuildFromTheHotSeatResultsGivesEachSidesGameStates) {
  PlayHotSeatGame();
  if (HasFatalFailure()) return;
  const std::string game = "00000001";
  for (int32_t player = 0; player < 2; ++player) {
    const std::string games = "Rebuilt" + std::to_string(player + 1);
    fs::create_directories(games);
    const std::string results = "results" + std::to_string(player + 1);
    for (int32_t turn = 0; turn <= kTurns; ++turn) {
      fs::copy_file(kFolder + FileOf(results, turn), fs::path(games) / StoredTurnFileName(game, turn));
    }
    TBattleSession rebuilt(player);
    rebuilt.SetGamesFolderName(games + "\\");
    ASSERT_TRUE(rebuilt.RebuildGame(game)) << rebuilt.GetFailure();
    rebuild_game::FinishLoadedTurn(rebuilt);
    ASSERT_EQ(rebuilt.GetFailure(), "");
    for (int32_t turn = 0; turn <= kTurns; ++turn) {
      const std::string name = FileOf("gamestate" + std::to_string(player + 1), turn);
      const std::vector<uint8_t> atTheMachine = folder_.ReadBytes(kFolder + name);
      ASSERT_FALSE(atTheMachine.empty()) << name;
      EXPECT_EQ(folder_.ReadBytes(games + "/" + game + "/" + name), atTheMachine) << name;
    }
  }
}

}  // namespace
