// The game object's say over input and closing: keys and mouse wait while
// the tutorial's scripted side moves, and a close request waits once while
// the mode works out a turn.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/message_stream.h"
#include "session/game.h"
#include "session/game_mode.h"
#include "session/sides.h"

namespace {

// A mode of the number given whose work the test switches on and off.
class TScriptedMode : public TGameMode {
 public:
  TScriptedMode(int number, bool* busy, bool* computing) : number_(number), busy_(busy), computing_(computing) {}
  void Update() override {}
  void Enter() override {}
  int GetModeNumber() const override { return number_; }
  bool IsBusy() const override { return *busy_; }
  bool IsComputingAsServer() const override { return *computing_; }

 private:
  int number_;
  bool* busy_;
  bool* computing_;
};

class GameInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TGame::DestroyInstance();
    TSides::Free();
    TMessageStream::Instance()->Clear();
  }
  void TearDown() override {
    TGame::DestroyInstance();
    TSides::Free();
  }
  void Adopt(int number) { TGame::Instance()->AdoptMode(std::make_unique<TScriptedMode>(number, &busy_, &computing_)); }

  bool busy_ = false;
  bool computing_ = false;
};

TEST_F(GameInputTest, InputIsRefusedOnlyWhileTheTutorialsSecondSideMoves) {
  struct TCase {
    int mode;
    int side;
    bool accepted;
  };
  const TCase cases[] = {{4, 1, false}, {4, 0, true}, {0, 1, true}, {1, 1, true}, {6, 1, true}, {2, 1, true}};
  for (const TCase& c : cases) {
    Adopt(c.mode);
    TSides::Instance()->SetCurrentSide(c.side);
    EXPECT_EQ(TGame::Instance()->AcceptsInput(), c.accepted) << "mode " << c.mode << ", side " << c.side;
  }
}

TEST_F(GameInputTest, ACloseRequestWaitsOnceWhileTheModeWorksOutATurn) {
  TGame* game = TGame::Instance();
  Adopt(6);
  EXPECT_TRUE(game->AllowsQuit());

  for (bool* work : {&busy_, &computing_}) {
    busy_ = false;
    computing_ = false;
    game->Update();
    *work = true;
    EXPECT_FALSE(game->AllowsQuit());
    TMessageStream::Instance()->Clear();
    game->OnCloseRequest();
    // The player is told, and a second request closes.
    EXPECT_NE(TMessageStream::Instance()->GetText(), "");
    EXPECT_TRUE(game->AllowsQuit());
    game->Update();
    EXPECT_TRUE(game->AllowsQuit());
    // Once the work is over, the next work holds a close again.
    *work = false;
    game->Update();
    *work = true;
    EXPECT_FALSE(game->AllowsQuit());
  }
}

}  // namespace
