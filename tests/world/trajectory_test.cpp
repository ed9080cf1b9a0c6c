#include "world/trajectory.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/vector_expect.h"

namespace {

TEST(TrajectoryTest, DirectionIsKeptNormalised) {
  TTrajectory path(1.0f, TVector3(3.0f, 4.0f, 0.0f), TVector3(), 0.0f, false);
  ExpectNear(path.GetDirection(), TVector3(0.6f, 0.8f, 0.0f));
  path.SetDirection(TVector3(0.0f, 0.0f, -2.0f));
  ExpectNear(path.GetDirection(), TVector3(0.0f, 0.0f, -1.0f));
}

TEST(TrajectoryTest, UnitDirectionIsKeptBitForBit) {
  // A saved direction read back must save to the same bytes again.
  TVector3 diagonal(2.0f, 1.0f, 1.0f);
  diagonal.Normalise();
  TTrajectory path(1.0f, diagonal, TVector3(), 0.0f, false);
  path.SetDirection(path.GetDirection());
  path.SetDirection(path.GetDirection());
  EXPECT_EQ(path.GetDirection().x, diagonal.x);
  EXPECT_EQ(path.GetDirection().y, diagonal.y);
  EXPECT_EQ(path.GetDirection().z, diagonal.z);
}

TEST(TrajectoryTest, StraightPathMovesAtItsSpeed) {
  const TTrajectory path(2.0f, TVector3(0.0f, 1.0f, 0.0f), TVector3(1.0f, 1.0f, 0.5f), 3.0f, false);
  ExpectNear(path.PositionAt(3.0f), TVector3(1.0f, 1.0f, 0.5f));
  ExpectNear(path.PositionAt(5.5f), TVector3(1.0f, 6.0f, 0.5f));
  EXPECT_NEAR(path.TimeToReach(TVector3(1.0f, 9.0f, 0.5f)), 7.0f, kPointTolerance);
}

TEST(TrajectoryTest, GravityLowersThePathByHalfGTimesTheSquare) {
  const TTrajectory path(2.0f, TVector3(1.0f, 0.0f, 0.0f), TVector3(0.0f, 0.0f, 1.0f), 5.0f, true);
  ExpectNear(path.PositionAt(6.0f), TVector3(2.0f, 0.0f, 1.0f - 2.45f));
  ExpectNear(path.PositionAt(7.0f), TVector3(4.0f, 0.0f, 1.0f - 9.8f));
}

TEST(TrajectoryTest, PathAtRestDoesNotFall) {
  const TVector3 start(4.0f, 5.0f, 2.0f);
  const TTrajectory path(0.0f, TVector3(1.0f, 0.0f, 0.0f), start, 1.0f, true);
  for (const float t : {1.0f, 2.0f, 50.0f}) ExpectNear(path.PositionAt(t), start);
}

TEST(TrajectoryTest, APathAtRestReachesOnlyItsStartPointAtItsStartTime) {
  const TVector3 start(2.0f, 3.0f, 0.0f);
  const TTrajectory path(0.0f, TVector3(1.0f, 0.0f, 0.0f), start, 4.5f, false);
  EXPECT_FLOAT_EQ(path.TimeToReach(start), 4.5f);
  const float elsewhere = path.TimeToReach(TVector3(10.0f, 3.0f, 0.0f));
  EXPECT_TRUE(std::isinf(elsewhere) && elsewhere > 0.0f) << elsewhere;
}

TEST(TrajectoryTest, APathWithANegativeSpeedStillReachesPointsAfterItsStart) {
  const TTrajectory path(-2.0f, TVector3(1.0f, 0.0f, 0.0f), TVector3(), 1.0f, false);
  EXPECT_FLOAT_EQ(path.TimeToReach(TVector3(-6.0f, 0.0f, 0.0f)), 4.0f);
}

TEST(TrajectoryTest, HorizontalSpeedIsTheSpeedAlongTheGround) {
  const struct {
    TVector3 direction;
    float expected;
  } cases[] = {
      {TVector3(1.0f, 0.0f, 0.0f), 2.0f},
      {TVector3(1.0f, 0.0f, 1.0f), 2.0f * std::sqrt(0.5f)},
      {TVector3(0.0f, 3.0f, 4.0f), 2.0f * 0.6f},
      {TVector3(0.0f, 0.0f, 1.0f), 0.0f},
  };
  for (const auto& c : cases) {
    const TTrajectory path(2.0f, c.direction, TVector3(), 0.0f, false);
    EXPECT_NEAR(path.GetHorizontalSpeed(), c.expected, kPointTolerance);
  }
}

TEST(TrajectoryTest, SetRestartsThePath) {
  TTrajectory path(1.0f, TVector3(1.0f, 0.0f, 0.0f), TVector3(), 0.0f, false);
  path.Set(TVector3(0.0f, 2.0f, 0.0f), TVector3(5.0f, 5.0f, 0.0f), 10.0f);
  EXPECT_FLOAT_EQ(path.GetStartTime(), 10.0f);
  ExpectNear(path.PositionAt(12.0f), TVector3(5.0f, 7.0f, 0.0f));
}

TEST(TrajectoryTest, BounceOffTheGroundTurnsAFallUpwardAndDampsTheSpeed) {
  TTrajectory path(2.0f, TVector3(1.0f, 0.0f, -1.0f), TVector3(0.0f, 0.0f, 10.0f), 0.0f, true);
  const TVector3 contact = path.PositionAt(1.0f);
  path.Bounce(1.0f, TVector3(0.0f, 0.0f, 1.0f));

  EXPECT_NEAR(path.GetSpeed(), 2.0f * 0.85f, kPointTolerance);
  EXPECT_FLOAT_EQ(path.GetStartTime(), 1.0f);
  ExpectNear(path.GetStart(), contact);
  // Velocity at the bounce: (sqrt 2, 0, -sqrt 2 - 4.9), mirrored in z.
  const float vx = std::sqrt(2.0f);
  const float vz = -std::sqrt(2.0f) - 4.9f;
  const float length = std::sqrt(vx * vx + vz * vz);
  ExpectNear(path.GetDirection(), TVector3(vx / length, 0.0f, -vz / length));
  EXPECT_GT(path.GetDirection().z, 0.0f);
}

TEST(TrajectoryTest, BounceOffAWallMirrorsAStraightPath) {
  TTrajectory path(1.0f, TVector3(1.0f, 1.0f, 0.0f), TVector3(), 0.0f, false);
  path.Bounce(2.0f, TVector3(-1.0f, 0.0f, 0.0f));
  EXPECT_FLOAT_EQ(path.GetSpeed(), 1.0f);  // no damping without gravity
  ExpectNear(path.GetDirection(), TVector3(-std::sqrt(0.5f), std::sqrt(0.5f), 0.0f));
}

TEST(TrajectoryTest, SlowBounceComesToRestAndStays) {
  TTrajectory path(0.11f, TVector3(0.0f, 0.0f, -1.0f), TVector3(1.0f, 1.0f, 1.0f), 0.0f, true);
  path.Bounce(0.0f, TVector3(0.0f, 0.0f, 1.0f));
  EXPECT_EQ(path.GetSpeed(), 0.0f);  // 0.11 x 0.85 is below 0.1
  const TVector3 rest = path.GetStart();
  ExpectNear(path.PositionAt(9.0f), rest);
  path.Bounce(9.0f, TVector3(0.0f, 0.0f, 1.0f));  // nothing more happens
  ExpectNear(path.GetStart(), rest);
  EXPECT_FLOAT_EQ(path.GetStartTime(), 0.0f);
}

}  // namespace
