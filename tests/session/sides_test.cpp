#include "session/sides.h"

#include <gtest/gtest.h>

#include "app/vector3.h"

namespace {

class SidesTest : public ::testing::Test {
 protected:
  void SetUp() override { TSides::Free(); }
  void TearDown() override { TSides::Free(); }
};

TEST_F(SidesTest, StartsWithSideZeroOfTwo) {
  EXPECT_EQ(TSides::Instance()->GetCurrentSide(), 0);
  EXPECT_EQ(TSides::Instance()->GetSideCount(), 2);
}

TEST_F(SidesTest, FreeGivesAFreshRegistryOnNextUse) {
  TSides::Instance()->SetCurrentSide(1);
  TSides::Instance()->SetSideCount(3);
  EXPECT_EQ(TSides::Instance()->GetCurrentSide(), 1);
  TSides::Free();
  EXPECT_EQ(TSides::Instance()->GetCurrentSide(), 0);
  EXPECT_EQ(TSides::Instance()->GetSideCount(), 2);
}

TEST_F(SidesTest, InstanceIsOneObjectUntilFreed) {
  TSides* first = TSides::Instance();
  first->SetCurrentSide(1);
  EXPECT_EQ(TSides::Instance(), first);
  EXPECT_EQ(TSides::Instance()->GetCurrentSide(), 1);
}

struct RoundCase {
  TVector3 given;
  TVector3 rounded;
};

TEST(RoundVectorTest, RoundsHalvesAwayFromZero) {
  const RoundCase cases[] = {
      {{0.5f, -0.5f, 2.4f}, {1.0f, -1.0f, 2.0f}},
      {{-1.5f, 1.49f, 0.0f}, {-2.0f, 1.0f, 0.0f}},
      {{2.5f, -2.5f, 0.49999997f}, {3.0f, -3.0f, 0.0f}},
      {{-0.4f, 7.0f, 1e7f + 1.0f}, {-0.0f, 7.0f, 1e7f + 1.0f}},
  };
  for (const RoundCase& c : cases) {
    const TVector3 result = RoundVector(c.given);
    EXPECT_EQ(result.x, c.rounded.x) << c.given.x;
    EXPECT_EQ(result.y, c.rounded.y) << c.given.y;
    EXPECT_EQ(result.z, c.rounded.z) << c.given.z;
  }
}

}  // namespace
