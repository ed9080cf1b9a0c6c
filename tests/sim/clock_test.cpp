#include "sim/clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "app/system_clock.h"
#include "platform/clock.h"

namespace {

// A game clock that plays at its speed, as the frame-driven clocks do.
class TPlayClock : public TGameClock {
 public:
  void Start() override { rate_ = speed_; }
};

// Every test owns the registry and the tick source it reads.
class GameClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TClockRegistry::Free();
    platform::SetTickSource([this] { return ticks_; });
  }
  void TearDown() override {
    TClockRegistry::Free();
    platform::SetTickSource({});
  }

  uint64_t ticks_ = 1000;
};

// --- TGameClock ------------------------------------------------------------------

struct SetTimeCase {
  float given;
  float stored;
};

TEST_F(GameClockTest, SetTimeRoundsToThousandths) {
  const SetTimeCase cases[] = {
      {1.23449f, 1.234f}, {0.0336f, 0.034f}, {9.9995f, 10.0f}, {0.0f, 0.0f}, {-0.0336f, -0.034f}, {20.0f, 20.0f},
  };
  TPlayClock clock;
  for (const SetTimeCase& c : cases) {
    clock.SetTime(c.given);
    EXPECT_EQ(clock.GetTime(), c.stored) << c.given;
  }
}

TEST_F(GameClockTest, GameClockIsPausedFromBirthAndAdvancesAtItsRate) {
  TPlayClock clock;
  EXPECT_TRUE(clock.IsPaused());
  clock.Advance(1.0f);
  EXPECT_EQ(clock.GetTime(), 0.0f);

  clock.SetSpeed(2.0f);
  clock.Start();
  EXPECT_FALSE(clock.IsPaused());
  clock.Advance(0.25f);
  EXPECT_EQ(clock.GetTime(), 0.5f);

  clock.Reset();
  EXPECT_EQ(clock.GetTime(), 0.0f);
  EXPECT_TRUE(clock.IsPaused());
}

// --- TClockRegistry --------------------------------------------------------------

TEST_F(GameClockTest, ClocksBelongToTheRegistryFromBirthToDeath) {
  TClockRegistry* registry = TClockRegistry::Instance();
  auto first = std::make_unique<TPlayClock>();
  auto second = std::make_unique<TTurnClock>();
  auto third = std::make_unique<TPlayClock>();
  ASSERT_EQ(registry->GetClockCount(), 3u);

  second.reset();
  ASSERT_EQ(registry->GetClockCount(), 2u);
  EXPECT_EQ(registry->GetClock(0), first.get());
  EXPECT_EQ(registry->GetClock(1), third.get());

  // Removing a clock that is not there changes nothing.
  registry->Remove(second.get());
  EXPECT_EQ(registry->GetClockCount(), 2u);
}

TEST_F(GameClockTest, AdvanceAllHandsTheElapsedSecondsToEveryRunningClock) {
  TPlayClock running;
  TPlayClock paused;
  TTurnClock turnClock;
  running.SetSpeed(2.0f);
  running.Start();
  turnClock.Start();

  TClockRegistry* registry = TClockRegistry::Instance();
  registry->Reset();
  EXPECT_EQ(registry->GetDelta(), 0.0f);
  ticks_ += 250;
  registry->AdvanceAll();

  EXPECT_NEAR(registry->GetDelta(), 0.25f, 1e-5f);
  EXPECT_NEAR(running.GetTime(), 0.5f, 1e-5f);
  EXPECT_EQ(paused.GetTime(), 0.0f);
  EXPECT_EQ(turnClock.GetTime(), 0.25f);
}

TEST_F(GameClockTest, ResetDropsTheTimeSpentBeforePlay) {
  TPlayClock clock;
  clock.Start();
  TClockRegistry* registry = TClockRegistry::Instance();
  ticks_ += 60000;  // a long set-up
  registry->Reset();
  ticks_ += 40;
  registry->AdvanceAll();
  EXPECT_NEAR(clock.GetTime(), 0.04f, 1e-5f);
}

TEST_F(GameClockTest, AClockOutlivingTheRegistryLeavesQuietly) {
  auto clock = std::make_unique<TPlayClock>();
  TClockRegistry::Free();
  clock.reset();
  EXPECT_EQ(TClockRegistry::Existing(), nullptr);
}

// --- TTurnClock ------------------------------------------------------------------

struct TurnStepCase {
  float step;
  int advances;
  float beforeLast;
};

// The drivers start the clock and advance it by a fixed step while it runs;
// the end-of-turn check after each step stops it at the limit.
TEST_F(GameClockTest, FixedStepsReachTheTurnEndInAKnownNumberOfAdvances) {
  const TurnStepCase cases[] = {
      {0.03333f, 304, 9.999f},  // the server's step rounds to 0.033
      {0.05f, 200, 9.95f},      // the client's step
  };
  for (const TurnStepCase& c : cases) {
    TTurnClock clock;
    clock.Start();
    int advances = 0;
    float previous = clock.GetTime();
    while (!clock.IsPaused() && advances < 1000) {
      previous = clock.GetTime();
      clock.Advance(c.step);
      clock.CheckTurnEnd();
      ++advances;
    }
    EXPECT_EQ(advances, c.advances) << c.step;
    EXPECT_EQ(previous, c.beforeLast) << c.step;
    EXPECT_EQ(clock.GetTime(), 10.0f) << c.step;
    EXPECT_EQ(clock.GetTurn(), 0) << c.step;
  }
}

TEST_F(GameClockTest, PassingTheLimitClampsWithoutStopping) {
  TTurnClock clock;
  clock.Start();
  clock.Advance(12.5f);
  EXPECT_EQ(clock.GetTime(), 10.0f);
  EXPECT_FALSE(clock.IsPaused());
  clock.Advance(1.0f);
  EXPECT_EQ(clock.GetTime(), 10.0f);
  clock.CheckTurnEnd();
  EXPECT_TRUE(clock.IsPaused());
}

TEST_F(GameClockTest, PausedTurnClockStaysPutAlsoThroughTheRegistry) {
  TTurnClock clock;
  clock.SetTurn(1);
  TClockRegistry::Instance()->Reset();
  ticks_ += 500;
  TClockRegistry::Instance()->AdvanceAll();
  clock.Advance(3.0f);
  EXPECT_EQ(clock.GetTime(), 10.0f);

  clock.Start();
  clock.SetRate(0.0f);  // the pause control
  clock.Advance(3.0f);
  EXPECT_EQ(clock.GetTime(), 10.0f);
}

TEST_F(GameClockTest, RateScalesTheStepAndTheProductIsRoundedOnce) {
  TTurnClock clock;
  clock.Start();
  clock.SetRate(4.0f);  // fast-forward
  clock.Advance(0.03333f);
  EXPECT_EQ(clock.GetTime(), 0.133f);
}

struct TurnStartCase {
  float time;
  bool atStart;
};

TEST_F(GameClockTest, TurnStartHasATightTolerance) {
  const TurnStartCase cases[] = {
      {20.0f, true}, {19.999f, false}, {20.001f, false}, {20.0004f, true}, {0.0f, false},
  };
  TTurnClock clock;
  clock.SetTurn(2);
  for (const TurnStartCase& c : cases) {
    clock.SetTime(c.time);
    EXPECT_EQ(clock.IsAtTurnStart(), c.atStart) << c.time;
  }
}

TEST_F(GameClockTest, LowerTurnKeepsTheHighestTurnAndItsLimit) {
  TTurnClock clock;
  clock.SetTurn(3);
  clock.SetTurn(1);
  EXPECT_EQ(clock.GetTurn(), 1);
  EXPECT_EQ(clock.GetHighestTurn(), 3);
  EXPECT_EQ(clock.GetTime(), 10.0f);
  EXPECT_EQ(clock.GetTurnEndTime(), 20.0f);
  EXPECT_EQ(clock.GetTimeLimit(), 40.0f);

  clock.NextTurn();
  EXPECT_EQ(clock.GetTurn(), 2);
  EXPECT_EQ(clock.GetHighestTurn(), 3);

  clock.SetHighestTurn(2);
  EXPECT_EQ(clock.GetTimeLimit(), 30.0f);
}

TEST_F(GameClockTest, PlaybackAcrossRecordedTurnsFollowsTheTime) {
  TTurnClock clock;
  clock.SetTurn(2);
  clock.SetTurn(0);
  clock.Start();
  clock.Advance(10.5f);
  EXPECT_EQ(clock.GetTurn(), 1);
  EXPECT_EQ(clock.GetHighestTurn(), 2);
  clock.Advance(9.4f);
  EXPECT_EQ(clock.GetTurn(), 1);
  clock.Advance(0.2f);
  EXPECT_EQ(clock.GetTurn(), 2);
  EXPECT_EQ(clock.GetTime(), 20.1f);
}

TEST_F(GameClockTest, ResetRewindsToTheStartOfTheTurnPaused) {
  TTurnClock clock;
  clock.SetTurn(1);
  clock.Start();
  clock.Advance(4.2f);
  clock.Reset();
  EXPECT_EQ(clock.GetTime(), 10.0f);
  EXPECT_EQ(clock.GetTurn(), 1);
  EXPECT_TRUE(clock.IsPaused());
  EXPECT_TRUE(clock.IsAtTurnStart());
}

TEST_F(GameClockTest, TheHighestTurnNumberDoesNotOverflow) {
  TTurnClock clock;
  clock.SetTurn(INT32_MAX);
  clock.NextTurn();
  EXPECT_EQ(clock.GetTurn(), INT32_MAX);
  EXPECT_GE(clock.GetTimeLimit(), clock.GetTime());
}

}  // namespace
