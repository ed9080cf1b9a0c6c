#include "units/time_limit.h"

#include <gtest/gtest.h>

TEST(TimeLimitTest, ExpiresExactlyAtTheEndAndReportsTheOverrun) {
  TTimeout timeout(2.0f);
  timeout.Start(3.0f);
  EXPECT_TRUE(timeout.IsRunning());
  EXPECT_FALSE(timeout.IsExpired(4.99f));
  EXPECT_TRUE(timeout.IsExpired(5.0f));
  EXPECT_FLOAT_EQ(timeout.Overrun(6.0f), 1.0f);
  EXPECT_FLOAT_EQ(timeout.Overrun(4.0f), -1.0f);
}

TEST(TimeLimitTest, NeverStartedLimitRunsFromTimeZero) {
  const TTimeout timeout(2.0f);
  EXPECT_FALSE(timeout.IsRunning());
  EXPECT_FALSE(timeout.IsExpired(1.5f));
  EXPECT_TRUE(timeout.IsExpired(2.0f));
}

TEST(TimeLimitTest, RestartMovesTheEnd) {
  TTimeout timeout(1.0f);
  timeout.Start(0.0f);
  ASSERT_TRUE(timeout.IsExpired(1.5f));
  timeout.Start(1.0f);
  EXPECT_FALSE(timeout.IsExpired(1.5f));
  EXPECT_FLOAT_EQ(timeout.Overrun(2.5f), 0.5f);
}
