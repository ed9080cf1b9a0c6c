#include "app/system_clock.h"

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace {

// The factor 0.001 is held as a float: 0.0010000000474974513 exactly.
constexpr double kFloatMilli = 0.0010000000474974513;

class SystemClockTest : public ::testing::Test {
 protected:
  void TearDown() override {
    platform::SetTickSource({});
    TSystemClock::Free();
  }
};

struct TickCase {
  uint64_t ticks;
};

void PrintTo(const TickCase& c, std::ostream* os) { *os << c.ticks << " ms"; }

class SystemClockSeconds : public SystemClockTest, public ::testing::WithParamInterface<TickCase> {};

TEST_P(SystemClockSeconds, AreTicksTimesTheFloatMilli) {
  const uint64_t ticks = GetParam().ticks;
  platform::SetTickSource([ticks] { return ticks; });
  EXPECT_DOUBLE_EQ(TSystemClock::Instance()->GetSeconds(), static_cast<double>(ticks) * kFloatMilli);
}

INSTANTIATE_TEST_SUITE_P(Table, SystemClockSeconds,
                         ::testing::Values(TickCase{0}, TickCase{1}, TickCase{1500}, TickCase{86'400'000},
                                           TickCase{4'294'967'295}));

TEST_F(SystemClockTest, KeepsCountingPastTheThirtyTwoBitTick) {
  // 58 days: a 32-bit millisecond tick would have wrapped back to about 8.3 days.
  const uint64_t ticks = 58ull * 86'400'000ull;
  platform::SetTickSource([=] { return ticks; });
  const double seconds = TSystemClock::Instance()->GetSeconds();
  EXPECT_GT(seconds, 58.0 * 86'400.0 - 1.0);
  EXPECT_DOUBLE_EQ(seconds, static_cast<double>(ticks) * kFloatMilli);
}

TEST_F(SystemClockTest, FollowsTheTickSource) {
  uint64_t now = 1000;
  platform::SetTickSource([&now] { return now; });
  const double before = TSystemClock::Instance()->GetSeconds();
  now += 250;
  EXPECT_DOUBLE_EQ(TSystemClock::Instance()->GetSeconds() - before, 250.0 * kFloatMilli);
}

TEST_F(SystemClockTest, InstanceIsCreatedOnceAndFreedOnRequest) {
  TSystemClock* first = TSystemClock::Instance();
  EXPECT_EQ(TSystemClock::Instance(), first);
  TSystemClock::Free();
  TSystemClock::Free();  // freeing twice is harmless
  platform::SetTickSource([] { return uint64_t{2000}; });
  EXPECT_DOUBLE_EQ(TSystemClock::Instance()->GetSeconds(), 2000.0 * kFloatMilli);
}

}  // namespace
