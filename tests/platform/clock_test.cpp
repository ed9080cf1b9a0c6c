#include "platform/clock.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

class ClockTest : public ::testing::Test {
 protected:
  void TearDown() override { SetTickSource({}); }
};

TEST_F(ClockTest, InjectedSourceDrivesTheTicks) {
  uint64_t now = 10;
  SetTickSource([&now] { return now; });
  EXPECT_EQ(GetTickMilliseconds(), 10u);
  now = (uint64_t{1} << 32) + 25;  // beyond any 32-bit tick
  EXPECT_EQ(GetTickMilliseconds(), (uint64_t{1} << 32) + 25);
}

TEST_F(ClockTest, EmptySourceRestoresTheMonotonicClock) {
  SetTickSource([] { return uint64_t{1} << 40; });
  SetTickSource({});
  const uint64_t first = GetTickMilliseconds();
  SleepMilliseconds(1);
  const uint64_t second = GetTickMilliseconds();
  EXPECT_LT(first, uint64_t{1} << 40);
  EXPECT_GE(second, first);
}

}  // namespace
}  // namespace platform
