// A test that works in a copy of the shipped data set, with the game
// object, the game-data text and the version identity made afresh, so one
// test's game never leaks into the next.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "app/game_data.h"
#include "app/version_info.h"
#include "session/game.h"
#include "support/temp_folder.h"

class GameFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(DVX_DATA_DIR, folder_.Path(), std::filesystem::copy_options::recursive);
    ResetGame();
  }
  void TearDown() override { ResetGame(); }

  static void ResetGame() {
    TGame::DestroyInstance();
    DestroyGameDataConfig();
    DestroyVersionInfo();
  }

  TTempFolder folder_;
};
