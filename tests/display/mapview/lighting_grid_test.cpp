// The lighting grid: corners lit only between four ground squares, the
// markers it stores (recompute, not ground, edge), the brightness of lights
// by distance, lazy recomputation when lights move, and reads outside the
// grid.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "display/mapview/lighting_grid.h"

namespace {

// Stamps the squares x0..x1 by y0..y1 (inclusive) as ground.
void StampPatch(TLightGrid& grid, int x0, int y0, int x1, int y1) {
  for (int x = x0; x <= x1; ++x) {
    for (int y = y0; y <= y1; ++y) grid.Stamp(TVector3(static_cast<float>(x), static_cast<float>(y), 0.0f), true);
  }
}

TVector3 Plus(const TVector3& a, const TVector3& b) { return TVector3(a.x + b.x, a.y + b.y, a.z + b.z); }

// The world point of a corner.
TVector3 CornerPoint(uint32_t column, uint32_t row) {
  return TVector3(static_cast<float>(column) - 0.5f, static_cast<float>(row) - 0.5f, 0.0f);
}

TEST(LightingGridTest, AFreshGridHasNoGroundAndReadsBlack) {
  TLightGrid grid(60, 60);
  EXPECT_EQ(grid.CornerColumns(), 61u);
  EXPECT_EQ(grid.CornerRows(), 61u);
  for (const uint32_t corner : {0u, 30u, 60u}) {
    EXPECT_FLOAT_EQ(grid.StoredValue(corner, corner), TLightGrid::kNotGround);
    EXPECT_FLOAT_EQ(grid.CornerValue(corner, corner), 0.0f);
  }
  grid.SetEnabled(false);
  EXPECT_FLOAT_EQ(grid.CornerValue(30, 30), 1.0f) << "a disabled grid is fully bright, ground or not";
  EXPECT_TRUE(grid.ToggleEnabled());
  EXPECT_FLOAT_EQ(grid.CornerValue(30, 30), 0.0f);
}

TEST(LightingGridTest, CornerAndSquareIndicesAreTruncatedAndClamped) {
  struct IndexCase {
    float coordinate;
    uint32_t corner, square;
  };
  // 11 corners, 10 squares.
  const std::vector<IndexCase> cases = {
      {0.0f, 1, 0},   {-0.5f, 0, 0}, {-0.6f, 0, 0}, {4.49f, 5, 4},  {4.5f, 5, 4},  {9.0f, 10, 9},
      {9.6f, 10, 9},  {-40.0f, 0, 0}, {1e9f, 10, 9}, {std::numeric_limits<float>::quiet_NaN(), 0, 0},
  };
  for (const IndexCase& c : cases) {
    EXPECT_EQ(LightCornerIndex(c.coordinate, 11), c.corner) << c.coordinate;
    EXPECT_EQ(LightSquareIndex(c.coordinate, 11), c.square) << c.coordinate;
  }
  TLightGrid grid(10, 10);
  uint32_t column = 99;
  uint32_t row = 99;
  grid.CornerOf(TVector3(2.5f, -3.0f, 0.0f), column, row);
  EXPECT_EQ(column, 3u);
  EXPECT_EQ(row, 0u);
}

TEST(LightingGridTest, AStampedPatchLightsOnlyCornersBetweenFourGroundSquares) {
  TLightGrid grid(60, 60);
  grid.Stamp(TVector3(20.0f, 20.0f, 0.0f), true);
  for (const auto& [column, row] : std::vector<std::pair<uint32_t, uint32_t>>{{20, 20}, {21, 20}, {20, 21}, {21, 21}}) {
    EXPECT_FLOAT_EQ(grid.StoredValue(column, row), TLightGrid::kEdge) << "an isolated ground square has edge corners";
    EXPECT_FLOAT_EQ(grid.CornerValue(column, row), 0.0f);
  }

  StampPatch(grid, 4, 4, 6, 6);
  for (uint32_t column = 3; column <= 8; ++column) {
    for (uint32_t row = 3; row <= 8; ++row) {
      const bool inner = column >= 5 && column <= 6 && row >= 5 && row <= 6;
      const bool onPatch = column >= 4 && column <= 7 && row >= 4 && row <= 7;
      const float stored = inner ? TLightGrid::kRecompute : onPatch ? TLightGrid::kEdge : TLightGrid::kNotGround;
      EXPECT_FLOAT_EQ(grid.StoredValue(column, row), stored) << column << ", " << row;
      EXPECT_FLOAT_EQ(grid.CornerValue(column, row), inner ? TLightGrid::kAmbient : 0.0f) << column << ", " << row;
    }
  }
  EXPECT_FLOAT_EQ(grid.StoredValue(5, 5), TLightGrid::kAmbient) << "a computed corner keeps its value";
  EXPECT_TRUE(grid.IsGroundSquare(5, 5));
  EXPECT_FALSE(grid.IsGroundSquare(7, 5));

  // Taking the middle square away darkens the four corners around it.
  grid.Stamp(TVector3(5.0f, 5.0f, 0.0f), false);
  EXPECT_FALSE(grid.IsGroundSquare(5, 5));
  for (uint32_t column = 5; column <= 6; ++column) {
    for (uint32_t row = 5; row <= 6; ++row) EXPECT_FLOAT_EQ(grid.CornerValue(column, row), 0.0f);
  }
}

TEST(LightingGridTest, BorderCornersStayDarkBetweenGroundSquares) {
  TLightGrid grid(4, 4);
  StampPatch(grid, 0, 0, 3, 3);
  for (uint32_t column = 0; column <= 4; ++column) {
    for (uint32_t row = 0; row <= 4; ++row) {
      const bool border = column == 0 || row == 0 || column == 4 || row == 4;
      EXPECT_FLOAT_EQ(grid.CornerValue(column, row), border ? 0.0f : TLightGrid::kAmbient) << column << ", " << row;
    }
  }
}

TEST(LightingGridTest, ALightAddsLessWithDistanceUpToItsRadius) {
  struct LightCase {
    float distance, intensity, brightness;
  };
  const std::vector<LightCase> cases = {
      {0.0f, 1.0f, 1.0f},  {2.5f, 1.0f, 1.0f},  {4.0f, 1.0f, 0.7f},  {5.0f, 1.0f, 0.5f},
      {5.5f, 1.0f, 0.5f},  {1.0f, 0.25f, 0.7f}, {3.0f, 0.5f, 0.7f},
  };
  for (const LightCase& c : cases) {
    TLightGrid grid(40, 40);
    StampPatch(grid, 0, 0, 39, 39);
    const uint32_t corner = 20;
    const auto light = TLight::At(Plus(CornerPoint(corner, corner), TVector3(c.distance, 0.0f, 0.0f)), c.intensity);
    grid.AddLight(light.get());
    EXPECT_NEAR(grid.CornerValue(corner, corner), c.brightness, 1e-6f) << c.distance << " at " << c.intensity;
    EXPECT_NEAR(grid.BrightnessAt(CornerPoint(corner, corner)), c.brightness, 1e-6f);
    grid.RemoveLight(light.get());
  }
}

TEST(LightingGridTest, TheSumStopsAtFullBrightness) {
  TLightGrid grid(10, 10);
  const TVector3 point(3.0f, 3.0f, 0.0f);
  EXPECT_FLOAT_EQ(grid.BrightnessSum(point), TLightGrid::kAmbient);
  const auto near = TLight::At(Plus(point, TVector3(3.0f, 0.0f, 0.0f)), 1.0f);    // adds 0.4
  const auto nearer = TLight::At(Plus(point, TVector3(0.0f, 2.0f, 0.0f)), 1.0f);  // adds 0.6
  grid.AddLight(near.get());
  EXPECT_NEAR(grid.BrightnessSum(point), 0.9f, 1e-6f);
  grid.AddLight(nearer.get());
  EXPECT_FLOAT_EQ(grid.BrightnessSum(point), 1.0f);
}

class MovingLightTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StampPatch(grid, 0, 0, 59, 59);
    grid.AddLight(light.get());
  }

  TLightGrid grid{60, 60};
  TVector3 carried = CornerPoint(10, 10);
  std::unique_ptr<TLight> light = TLight::Following(carried, 1.0f);
};

TEST_F(MovingLightTest, AMovedLightRelightsOnlyTheCornersWithinItsReach) {
  EXPECT_FLOAT_EQ(grid.CornerValue(10, 10), 1.0f);
  EXPECT_FLOAT_EQ(grid.CornerValue(40, 40), TLightGrid::kAmbient);
  EXPECT_FLOAT_EQ(grid.CornerValue(10, 2), TLightGrid::kAmbient);

  carried = CornerPoint(17, 10);  // 7 units along x
  EXPECT_FLOAT_EQ(grid.CornerValue(10, 10), 1.0f) << "stored values stand until the frame's update";
  grid.UpdateMovedLights();
  EXPECT_FLOAT_EQ(grid.StoredValue(10, 10), TLightGrid::kRecompute);
  EXPECT_FLOAT_EQ(grid.StoredValue(40, 40), TLightGrid::kAmbient) << "beyond the reach nothing is recomputed";
  EXPECT_FLOAT_EQ(grid.StoredValue(10, 2), TLightGrid::kAmbient) << "out of reach along y";

  EXPECT_FLOAT_EQ(grid.CornerValue(10, 10), TLightGrid::kAmbient);
  EXPECT_FLOAT_EQ(grid.CornerValue(17, 10), 1.0f);
  EXPECT_NEAR(grid.CornerValue(13, 10), 0.5f + 0.2f, 1e-6f);
  EXPECT_FLOAT_EQ(grid.StoredValue(17, 10), 1.0f);
  EXPECT_FALSE(light->HasMoved()) << "the update accounted for the move";
}

TEST_F(MovingLightTest, MovesBelowATenThousandthAreNotMoves) {
  EXPECT_FLOAT_EQ(grid.CornerValue(10, 10), 1.0f);
  struct MoveCase {
    TVector3 step;
    bool moved;
  };
  const std::vector<MoveCase> cases = {
      {TVector3(0.00005f, 0.00005f, 0.00005f), false},
      {TVector3(0.0002f, 0.0f, 0.0f), true},
      {TVector3(0.0f, 0.0f, -0.0002f), true},
  };
  for (const MoveCase& c : cases) {
    const TVector3 start = carried;
    carried = Plus(start, c.step);
    EXPECT_EQ(light->HasMoved(), c.moved);
    grid.UpdateMovedLights();
    EXPECT_EQ(grid.StoredValue(10, 10) == TLightGrid::kRecompute, c.moved);
    grid.CornerValue(10, 10);
    carried = start;
    grid.UpdateMovedLights();
    grid.CornerValue(10, 10);
  }
}

TEST_F(MovingLightTest, ARemovedLightLeavesNoGlowWhereverItWas) {
  EXPECT_FLOAT_EQ(grid.CornerValue(10, 10), 1.0f);
  carried = CornerPoint(30, 30);  // moved, and removed before any frame saw it
  grid.RemoveLight(light.get());
  EXPECT_FALSE(grid.HasLight(light.get()));
  EXPECT_FLOAT_EQ(grid.CornerValue(10, 10), TLightGrid::kAmbient);
  EXPECT_FLOAT_EQ(grid.CornerValue(30, 30), TLightGrid::kAmbient);

  const auto stranger = TLight::At(TVector3(5.0f, 5.0f, 0.0f), 1.0f);
  grid.RemoveLight(stranger.get());
  EXPECT_EQ(grid.LightCount(), 0u);
}

TEST_F(MovingLightTest, RecomputeAllClearsTheGroundUntilItIsStampedAgain) {
  EXPECT_FLOAT_EQ(grid.CornerValue(10, 10), 1.0f);
  grid.RecomputeAll();
  EXPECT_EQ(grid.CornerColumns(), 61u);
  EXPECT_EQ(grid.LightCount(), 1u);
  for (const uint32_t corner : {1u, 10u, 30u, 59u}) EXPECT_FLOAT_EQ(grid.CornerValue(corner, corner), 0.0f);
  StampPatch(grid, 0, 0, 59, 59);
  EXPECT_FLOAT_EQ(grid.CornerValue(10, 10), 1.0f);
}

TEST(LightingGridTest, ReadsAndStampsOutsideTheGridAreHarmless) {
  TLightGrid grid(8, 8);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  grid.Stamp(TVector3(-100.0f, 1e30f, 0.0f), true);
  grid.Stamp(TVector3(nan, nan, nan), true);
  EXPECT_FLOAT_EQ(grid.CornerValue(9, 0), 0.0f);
  EXPECT_FLOAT_EQ(grid.CornerValue(0, 4000000000u), 0.0f);
  EXPECT_FLOAT_EQ(grid.StoredValue(100, 100), TLightGrid::kNotGround);
  EXPECT_FALSE(grid.IsGroundSquare(8, 0));
  EXPECT_FLOAT_EQ(grid.BrightnessAt(TVector3(nan, 1e30f, 0.0f)), grid.CornerValue(0, 8));

  TLightGrid empty(0, 0);
  empty.Stamp(TVector3(0.0f, 0.0f, 0.0f), true);
  EXPECT_EQ(empty.CornerColumns(), 1u);
  EXPECT_FLOAT_EQ(empty.CornerValue(0, 0), 0.0f);
}

}  // namespace
