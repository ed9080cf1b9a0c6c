#include "session/game_query.h"

#include <gtest/gtest.h>

#include "session/game.h"

namespace {

TEST(GameQueryTest, TheRulesSeeNoGameUntilOneExistsAndNoServerRunInTheFrontEnd) {
  TGame::DestroyInstance();
  EXPECT_EQ(RunningGameMode(), -1);
  EXPECT_FALSE(IsComputingTurnAsServer());
  ASSERT_NE(TGame::Instance(), nullptr);
  EXPECT_EQ(RunningGameMode(), 0);
  EXPECT_FALSE(IsComputingTurnAsServer());
  TGame::DestroyInstance();
  EXPECT_EQ(RunningGameMode(), -1);
}

}  // namespace
