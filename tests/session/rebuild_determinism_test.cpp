// A turn computed by the server entry, then by a player who received its
// files one by one, and by a player who rebuilt the game from the stored
// turn files: the players' gamestate copies agree byte for byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/game_data.h"
#include "app/version_info.h"
#include "rebuild_game.h"
#include "session/battle_session.h"
#include "session/game.h"
#include "support/game_folder_test.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

std::vector<char> Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class RebuildDeterminismTest : public GameFolderTest, public ::testing::WithParamInterface<int32_t> {};

TEST_P(RebuildDeterminismTest, AReceivedAndARebuiltGameComputeTheSameGameStates) {
  constexpr int32_t kTurns = 3;
  const int32_t player = GetParam();
  server_game::PlayGame(rebuild_game::kBattle, kTurns);

  TBattleSession received(player);
  received.SetGamesFolderName("Received\\");
  rebuild_game::Receive(received, kTurns);

  rebuild_game::StoreTurns(player, 0, kTurns);
  TBattleSession rebuilt(player);
  ASSERT_TRUE(rebuilt.RebuildGame(rebuild_game::kBattle)) << rebuilt.GetFailure();
  // Both run the last turn on from its playback, on their own.
  rebuild_game::FinishLoadedTurn(rebuilt);
  ASSERT_EQ(rebuilt.GetFailure(), "");

  for (int32_t turn = 0; turn <= kTurns + 1; ++turn) {
    const fs::path mine = rebuild_game::GameState("Games", player, turn);
    const fs::path theirs = rebuild_game::GameState("Received", player, turn);
    ASSERT_TRUE(fs::exists(mine)) << mine;
    ASSERT_TRUE(fs::exists(theirs)) << theirs;
    EXPECT_EQ(Bytes(mine), Bytes(theirs)) << "player " << player + 1 << ", turn " << turn;
  }
  const std::string events = "events" + std::to_string(player + 1) + "_G" + rebuild_game::kBattle;
  EXPECT_EQ(Bytes(fs::path("Games") / rebuild_game::kBattle / events),
            Bytes(fs::path("Received") / rebuild_game::kBattle / events));
}

INSTANTIATE_TEST_SUITE_P(BothPlayers, RebuildDeterminismTest, ::testing::Values(0, 1));

}  // namespace
