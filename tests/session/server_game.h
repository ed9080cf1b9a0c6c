// A scripted server game run in the test's copy of the data set: a new game
// in folder "T0", then each turn n from the orders the scripted battle gives
// each player on the files it received, into folder "Tn".
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "session/sample_orders.h"
#include "session/server_battle.h"

namespace server_game {

namespace fs = std::filesystem;

// The set-up text of a scripted battle, inside the data set or the fixtures.
inline fs::path SetupSource(const std::string& battle) {
  if (battle == "armour") return fs::path(DVX_TEST_FIXTURES) / "server" / "start_armour.cfg";
  return fs::path(DVX_DATA_DIR) / "Scenarios" / "GameStart WipeOut.cfg";
}

inline std::string Folder(int32_t turn) { return "T" + std::to_string(turn); }

inline std::string FileOf(const std::string& battle, const std::string& kind, int32_t turn) {
  return Folder(turn) + "/" + kind + "_G" + battle + "_T" + std::to_string(turn) + ".dvx";
}

// The turn files player p (0 or 1) has received before turn `turn`.
inline std::vector<std::string> ReceivedFiles(const std::string& battle, int32_t player, int32_t turn) {
  std::vector<std::string> files;
  for (int32_t t = 0; t < turn; ++t) files.push_back(FileOf(battle, "results" + std::to_string(player + 1), t));
  return files;
}

inline std::string OrdersFile(int32_t player, int32_t turn) {
  return "orders" + std::to_string(player + 1) + "_T" + std::to_string(turn) + ".dvx";
}

inline bool NewGame(const std::string& battle, std::string& error) {
  fs::create_directories(Folder(0));
  const std::string setup = "start_" + battle + ".cfg";
  fs::copy_file(SetupSource(battle), setup, fs::copy_options::overwrite_existing);
  TServerBattle server;
  if (server.ProcessFile({setup, Folder(0)})) return true;
  error = server.GetError();
  return false;
}

inline bool WriteOrders(const std::string& battle, int32_t turn, std::string& error) {
  for (int32_t player = 0; player < 2; ++player) {
    if (!WriteSampleOrders(battle, ReceivedFiles(battle, player, turn), OrdersFile(player, turn), error)) return false;
  }
  return true;
}

// What a test looks at in the server battle that has just computed a turn.
using TTurnObserver = std::function<void(int32_t turn, const TServerBattle& server)>;

// Orders from the scripted battle, then the turn computed.
inline bool PlayTurn(const std::string& battle, int32_t turn, std::string& error, const TTurnObserver& observe = {}) {
  if (!WriteOrders(battle, turn, error)) return false;
  fs::create_directories(Folder(turn));
  TServerBattle server;
  server.SetRefuseDroppedOrders(true);
  if (server.ProcessFile({FileOf(battle, "gamestate", turn - 1), OrdersFile(0, turn), OrdersFile(1, turn), Folder(turn)})) {
    if (observe) observe(turn, server);
    return true;
  }
  error = server.GetError();
  return false;
}

// A new game and turns 1 to `turns`.
inline void PlayGame(const std::string& battle, int32_t turns, const TTurnObserver& observe = {}) {
  std::string error;
  ASSERT_TRUE(NewGame(battle, error)) << error;
  for (int32_t turn = 1; turn <= turns; ++turn) {
    ASSERT_TRUE(PlayTurn(battle, turn, error, observe)) << "turn " << turn << ": " << error;
  }
}

}  // namespace server_game
