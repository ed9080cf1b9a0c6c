// A scripted server game whose turn files a player stores or receives: the
// server's results files of player p become the stored turn files
// "Games/DVX_G<game>_T<nn>.dvx", or are opened one by one as a player
// opens them, into a games folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "server_game.h"
#include "session/battle_session.h"
#include "session/game_rebuild.h"
#include "sim/clock.h"
#include "sim/turn_simulator.h"

namespace rebuild_game {

namespace fs = std::filesystem;

inline constexpr const char* kBattle = "infantry";

inline std::string Results(int32_t player, int32_t turn) {
  return server_game::FileOf(kBattle, "results" + std::to_string(player + 1), turn);
}

// Copies player p's results files of turns `first`..`last` into the games
// folder under their stored names.
inline void StoreTurns(int32_t player, int32_t first, int32_t last, const std::string& gamesFolder = "Games") {
  fs::create_directories(gamesFolder);
  for (int32_t turn = first; turn <= last; ++turn) {
    fs::copy_file(Results(player, turn), fs::path(gamesFolder) / StoredTurnFileName(kBattle, turn),
                  fs::copy_options::overwrite_existing);
  }
}

inline std::string Stored(int32_t turn) { return "Games/" + StoredTurnFileName(kBattle, turn); }

// Plays the loaded turn back to its end and runs it, as the game screen does.
inline void FinishLoadedTurn(TBattleSession& session) {
  while (!session.Tick()) session.GetTurnClock().Advance(TTurnSimulator::kClientStep);
  session.PlayClientTurn();
}

// Opens player p's results files of turns 0..last one by one, each played to
// its end, in the games folder given.
inline void Receive(TBattleSession& session, int32_t last) {
  ASSERT_TRUE(session.LoadTurnFile(Results(session.GetPlayerNumber(), 0))) << session.GetFailure();
  for (int32_t turn = 1; turn <= last; ++turn) {
    ASSERT_FALSE(session.LoadTurnFile(Results(session.GetPlayerNumber(), turn)));
    ASSERT_EQ(session.GetFailure(), "") << "turn " << turn;
    FinishLoadedTurn(session);
  }
}

// The gamestate copy of player p for the turn, in the games folder given.
inline fs::path GameState(const std::string& gamesFolder, int32_t player, int32_t turn) {
  return fs::path(gamesFolder) / kBattle /
         ("gamestate" + std::to_string(player + 1) + "_G" + kBattle + "_T" + std::to_string(turn) + ".dvx");
}

}  // namespace rebuild_game
