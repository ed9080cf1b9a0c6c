#include "world/volume.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

constexpr float kEps = 1e-5f;

void ExpectVector(const TVector3& actual, const TVector3& expected, float eps = kEps) {
  EXPECT_NEAR(actual.x, expected.x, eps);
  EXPECT_NEAR(actual.y, expected.y, eps);
  EXPECT_NEAR(actual.z, expected.z, eps);
}

TVector3 CentreOf(const TVolume& volume) {
  TVector3 out;
  volume.GetCentre(out);
  return out;
}

// Tests `first.Intersects(second)` and checks that the hit flags of both
// volumes tell the result, whatever they held before.
bool TestPair(TVolume& first, TVolume& second) {
  first.SetHit(true);
  second.SetHit(true);
  const bool hit = first.Intersects(second);
  EXPECT_EQ(first.IsHit(), hit);
  EXPECT_EQ(second.IsHit(), hit);
  return hit;
}

// ---- Box against box --------------------------------------------------------

struct BoxBoxCase {
  std::string name;
  TVector3 position;  // of the second box; the first sits at the origin
  TVector3 centre;
  TVector3 size;
  bool expected;
};

class BoxBoxTest : public ::testing::TestWithParam<BoxBoxCase> {};

TEST_P(BoxBoxTest, IntersectsBothWays) {
  const BoxBoxCase& c = GetParam();
  const TVector3 origin;
  TBoxVolume first(&origin, TVector3(), TVector3(2.0f, 2.0f, 2.0f));  // -1 .. 1
  TBoxVolume second(&c.position, c.centre, c.size);
  EXPECT_EQ(TestPair(first, second), c.expected);
  EXPECT_EQ(TestPair(second, first), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BoxBoxTest,
    ::testing::Values(
        BoxBoxCase{"Overlapping", TVector3(1.0f, 0.0f, 0.0f), TVector3(), TVector3(2.0f, 2.0f, 2.0f), true},
        BoxBoxCase{"Inside", TVector3(), TVector3(0.2f, 0.0f, 0.0f), TVector3(0.5f, 0.5f, 0.5f), true},
        BoxBoxCase{"FacesTouchInX", TVector3(2.0f, 0.0f, 0.0f), TVector3(), TVector3(2.0f, 2.0f, 2.0f), true},
        BoxBoxCase{"FacesTouchInZBelow", TVector3(0.0f, 0.0f, -3.0f), TVector3(), TVector3(2.0f, 2.0f, 4.0f), true},
        BoxBoxCase{"CornersTouch", TVector3(1.0f, 1.0f, 1.0f), TVector3(1.0f, 1.0f, 1.0f), TVector3(2.0f, 2.0f, 2.0f), true},
        BoxBoxCase{"ApartInX", TVector3(2.0002f, 0.0f, 0.0f), TVector3(), TVector3(2.0f, 2.0f, 2.0f), false},
        BoxBoxCase{"ApartInY", TVector3(0.0f, 1.5002f, 0.0f), TVector3(), TVector3(1.0f, 1.0f, 1.0f), false},
        BoxBoxCase{"ApartInZBelow", TVector3(0.0f, 0.0f, -2.0002f), TVector3(), TVector3(2.0f, 2.0f, 2.0f), false},
        BoxBoxCase{"OffsetApart", TVector3(), TVector3(-5.0f, 0.0f, 0.0f), TVector3(1.0f, 1.0f, 1.0f), false}),
    [](const auto& info) { return info.param.name; });

// ---- Sphere against sphere and box ------------------------------------------

struct SphereCase {
  std::string name;
  TVector3 centre;  // of the sphere, in world terms
  float radius;
  bool expected;
};

class SphereSphereTest : public ::testing::TestWithParam<SphereCase> {};

TEST_P(SphereSphereTest, IntersectsBothWays) {
  const SphereCase& c = GetParam();
  const TVector3 origin;
  const TVector3 position(c.centre.x - 1.0f, c.centre.y, c.centre.z);
  TSphereVolume first(&origin, TVector3(), 1.0f);
  TSphereVolume second(&position, TVector3(1.0f, 0.0f, 0.0f), c.radius);
  EXPECT_EQ(TestPair(first, second), c.expected);
  EXPECT_EQ(TestPair(second, first), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SphereSphereTest,
    ::testing::Values(SphereCase{"Concentric", TVector3(), 0.5f, true},
                      SphereCase{"Overlapping", TVector3(1.5f, 0.0f, 0.0f), 1.0f, true},
                      SphereCase{"Touching", TVector3(0.0f, 3.0f, 0.0f), 2.0f, true},
                      SphereCase{"Apart", TVector3(0.0f, 0.0f, 3.1f), 2.0f, false},
                      SphereCase{"ApartDiagonally", TVector3(2.0f, 2.0f, 0.0f), 1.8f, false}),
    [](const auto& info) { return info.param.name; });

class BoxSphereTest : public ::testing::TestWithParam<SphereCase> {};

TEST_P(BoxSphereTest, IntersectsBothWays) {
  const SphereCase& c = GetParam();
  const TVector3 boxPosition(10.0f, 10.0f, 0.0f);
  const TVector3 spherePosition(10.0f, 10.0f, 0.0f);
  TBoxVolume box(&boxPosition, TVector3(), TVector3(2.0f, 2.0f, 2.0f));  // 9 .. 11, -1 .. 1
  TSphereVolume sphere(&spherePosition, c.centre, c.radius);
  EXPECT_EQ(TestPair(box, sphere), c.expected);
  EXPECT_EQ(TestPair(sphere, box), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BoxSphereTest,
    ::testing::Values(SphereCase{"CentreInside", TVector3(0.5f, 0.0f, 0.0f), 0.1f, true},
                      SphereCase{"ReachesFace", TVector3(0.0f, 0.0f, 2.5f), 1.6f, true},
                      SphereCase{"TouchesFace", TVector3(-3.0f, 0.0f, 0.0f), 2.0f, true},
                      SphereCase{"ShortOfFace", TVector3(0.0f, -3.0f, 0.0f), 1.9f, false},
                      // Within reach of each face plane but not of the corner.
                      SphereCase{"BesideCorner", TVector3(2.0f, 2.0f, 2.0f), 1.5f, false},
                      SphereCase{"ReachesCorner", TVector3(2.0f, 2.0f, 2.0f), 1.8f, true}),
    [](const auto& info) { return info.param.name; });

// ---- Segments against boxes and spheres -------------------------------------

struct SegmentCase {
  std::string name;
  TVector3 endA;  // world ends
  TVector3 endB;
  bool expected;
};

class BoxSegmentTest : public ::testing::TestWithParam<SegmentCase> {};

TEST_P(BoxSegmentTest, IntersectsBothWays) {
  const SegmentCase& c = GetParam();
  const TVector3 boxPosition(5.0f, 0.0f, 0.0f);
  const TVector3 segmentPosition(1.0f, 1.0f, 1.0f);
  const TVector3 back(-1.0f, -1.0f, -1.0f);
  TBoxVolume box(&boxPosition, TVector3(), TVector3(2.0f, 2.0f, 2.0f));  // 4 .. 6, -1 .. 1
  TSegmentVolume segment(&segmentPosition, TVector3(c.endA.x + back.x, c.endA.y + back.y, c.endA.z + back.z),
                         TVector3(c.endB.x + back.x, c.endB.y + back.y, c.endB.z + back.z));
  EXPECT_EQ(TestPair(box, segment), c.expected);
  EXPECT_EQ(TestPair(segment, box), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BoxSegmentTest,
    ::testing::Values(
        SegmentCase{"InsideTowardsFace", TVector3(5.0f, 0.0f, 0.0f), TVector3(20.0f, 0.0f, 0.0f), true},
        SegmentCase{"InsideAway", TVector3(5.0f, 0.0f, 0.0f), TVector3(-20.0f, 3.0f, 7.0f), true},
        SegmentCase{"InsideStraightUp", TVector3(5.5f, 0.5f, 0.5f), TVector3(5.5f, 0.5f, 30.0f), true},
        SegmentCase{"InsideNoLength", TVector3(4.5f, 0.0f, 0.0f), TVector3(4.5f, 0.0f, 0.0f), true},
        SegmentCase{"StartsOnFace", TVector3(4.0f, 0.0f, 0.0f), TVector3(0.0f, 0.0f, 0.0f), true},
        SegmentCase{"EntersThroughFace", TVector3(0.0f, 0.0f, 0.0f), TVector3(10.0f, 0.0f, 0.0f), true},
        SegmentCase{"EntersFromAbove", TVector3(5.0f, 0.5f, 10.0f), TVector3(5.0f, 0.5f, -10.0f), true},
        SegmentCase{"EntersDiagonally", TVector3(0.0f, -4.0f, 0.0f), TVector3(10.0f, 6.0f, 0.0f), true},
        SegmentCase{"EndsOnFace", TVector3(0.0f, 0.5f, 0.0f), TVector3(4.0f, 0.5f, 0.0f), true},
        SegmentCase{"EndsShort", TVector3(0.0f, 0.5f, 0.0f), TVector3(3.9f, 0.5f, 0.0f), false},
        SegmentCase{"PointsAway", TVector3(0.0f, 0.0f, 0.0f), TVector3(-10.0f, 0.0f, 0.0f), false},
        // Starts within a unit of the face: the face lies behind the start.
        SegmentCase{"NearFacePointsAway", TVector3(3.5f, 0.0f, 0.0f), TVector3(-10.0f, 0.0f, 0.0f), false},
        SegmentCase{"NearFacePointsAwayShort", TVector3(3.5f, 0.0f, 0.0f), TVector3(2.5f, 0.0f, 0.0f), false},
        SegmentCase{"NearTopPointsUp", TVector3(5.0f, 0.0f, 1.6f), TVector3(5.0f, 0.0f, 3.0f), false},
        SegmentCase{"PointsAwayAlongSide", TVector3(8.0f, 0.0f, 0.0f), TVector3(8.0f, 10.0f, 0.0f), false},
        SegmentCase{"PassesBeside", TVector3(0.0f, 1.5f, 0.0f), TVector3(10.0f, 1.5f, 0.0f), false},
        SegmentCase{"PassesAbove", TVector3(0.0f, 0.0f, 1.2f), TVector3(10.0f, 0.0f, 1.2f), false},
        SegmentCase{"PassesBesideCorner", TVector3(0.0f, -1.0f, 0.0f), TVector3(10.0f, 9.5f, 0.0f), false},
        SegmentCase{"OutsideNoLength", TVector3(0.0f, 0.0f, 0.0f), TVector3(0.0f, 0.0f, 0.0f), false}),
    [](const auto& info) { return info.param.name; });

class SphereSegmentTest : public ::testing::TestWithParam<SegmentCase> {};

TEST_P(SphereSegmentTest, IntersectsBothWays) {
  const SegmentCase& c = GetParam();
  const TVector3 spherePosition(0.0f, 0.0f, 5.0f);
  const TVector3 origin;
  TSphereVolume sphere(&spherePosition, TVector3(0.0f, 0.0f, -5.0f), 2.0f);  // at the origin
  TSegmentVolume segment(&origin, c.endA, c.endB);
  EXPECT_EQ(TestPair(sphere, segment), c.expected);
  EXPECT_EQ(TestPair(segment, sphere), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SphereSegmentTest,
    ::testing::Values(
        SegmentCase{"FromInsideOutwards", TVector3(0.5f, 0.0f, 0.0f), TVector3(10.0f, 0.0f, 0.0f), true},
        SegmentCase{"FromInsideNoLength", TVector3(0.0f, 1.0f, 0.0f), TVector3(0.0f, 1.0f, 0.0f), true},
        SegmentCase{"Crossing", TVector3(-5.0f, 1.0f, 0.0f), TVector3(5.0f, 1.0f, 0.0f), true},
        SegmentCase{"EndingInside", TVector3(0.0f, -6.0f, 0.0f), TVector3(0.0f, -1.0f, 0.0f), true},
        SegmentCase{"PointsAway", TVector3(3.0f, 0.0f, 0.0f), TVector3(10.0f, 0.0f, 0.0f), false},
        SegmentCase{"PointsAwayAtAnAngle", TVector3(0.0f, 3.0f, 0.0f), TVector3(2.0f, 9.0f, 1.0f), false},
        SegmentCase{"EndsShort", TVector3(-10.0f, 0.0f, 0.0f), TVector3(-2.5f, 0.0f, 0.0f), false},
        SegmentCase{"PassesBeside", TVector3(-5.0f, 2.5f, 0.0f), TVector3(5.0f, 2.5f, 0.0f), false},
        SegmentCase{"OutsideNoLength", TVector3(3.0f, 0.0f, 0.0f), TVector3(3.0f, 0.0f, 0.0f), false}),
    [](const auto& info) { return info.param.name; });

// ---- Segment against segment ------------------------------------------------

struct SegmentPairCase {
  std::string name;
  TVector3 firstA, firstB;  // the segment that asks
  TVector3 secondA, secondB;
  bool expected;
};

class SegmentSegmentTest : public ::testing::TestWithParam<SegmentPairCase> {};

TEST_P(SegmentSegmentTest, FirstAsksSecond) {
  const SegmentPairCase& c = GetParam();
  const TVector3 firstPosition(2.0f, 0.0f, 0.0f);
  const TVector3 secondPosition;
  const TVector3 shift(-2.0f, 0.0f, 0.0f);
  TSegmentVolume first(&firstPosition,
                       TVector3(c.firstA.x + shift.x, c.firstA.y, c.firstA.z),
                       TVector3(c.firstB.x + shift.x, c.firstB.y, c.firstB.z));
  TSegmentVolume second(&secondPosition, c.secondA, c.secondB);
  EXPECT_EQ(TestPair(first, second), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SegmentSegmentTest,
    ::testing::Values(
        SegmentPairCase{"Crossing", TVector3(-5.0f, 0.0f, 0.0f), TVector3(5.0f, 0.0f, 0.0f),
                        TVector3(0.0f, -5.0f, 0.0f), TVector3(0.0f, 5.0f, 0.0f), true},
        SegmentPairCase{"SkewWithinClearance", TVector3(-5.0f, 0.0f, 0.0f), TVector3(5.0f, 0.0f, 0.0f),
                        TVector3(1.0f, -5.0f, 0.15f), TVector3(1.0f, 5.0f, 0.15f), true},
        SegmentPairCase{"SkewBeyondClearance", TVector3(-5.0f, 0.0f, 0.0f), TVector3(5.0f, 0.0f, 0.0f),
                        TVector3(1.0f, -5.0f, 0.3f), TVector3(1.0f, 5.0f, 0.3f), false},
        SegmentPairCase{"LinesCrossBeyondTheEnd", TVector3(-5.0f, 0.0f, 0.0f), TVector3(5.0f, 0.0f, 0.0f),
                        TVector3(7.0f, -5.0f, 0.0f), TVector3(7.0f, 5.0f, 0.0f), false},
        SegmentPairCase{"LinesCrossBeforeTheStart", TVector3(-5.0f, 0.0f, 0.0f), TVector3(5.0f, 0.0f, 0.0f),
                        TVector3(0.0f, 1.0f, 0.0f), TVector3(0.0f, 6.0f, 0.0f), false},
        SegmentPairCase{"ParallelStartOnFirst", TVector3(0.0f, 0.0f, 0.0f), TVector3(10.0f, 0.0f, 0.0f),
                        TVector3(5.0f, 0.0f, 0.0f), TVector3(20.0f, 0.0f, 0.0f), true},
        SegmentPairCase{"ParallelEndOnFirst", TVector3(0.0f, 0.0f, 0.0f), TVector3(10.0f, 0.0f, 0.0f),
                        TVector3(-5.0f, 0.0f, 0.0f), TVector3(5.0f, 0.0f, 0.0f), true},
        SegmentPairCase{"OppositeFromSameStart", TVector3(0.0f, 0.0f, 0.0f), TVector3(10.0f, 0.0f, 0.0f),
                        TVector3(0.0f, 0.0f, 0.0f), TVector3(-5.0f, 0.0f, 0.0f), true},
        // Neither end of the second lies on the first, though the first lies
        // on the second.
        SegmentPairCase{"ParallelSecondCoversFirst", TVector3(0.0f, 0.0f, 0.0f), TVector3(10.0f, 0.0f, 0.0f),
                        TVector3(-5.0f, 0.0f, 0.0f), TVector3(20.0f, 0.0f, 0.0f), false},
        SegmentPairCase{"ParallelFirstCoversSecond", TVector3(-5.0f, 0.0f, 0.0f), TVector3(20.0f, 0.0f, 0.0f),
                        TVector3(0.0f, 0.0f, 0.0f), TVector3(10.0f, 0.0f, 0.0f), true},
        SegmentPairCase{"CollinearDisjoint", TVector3(0.0f, 0.0f, 0.0f), TVector3(10.0f, 0.0f, 0.0f),
                        TVector3(12.0f, 0.0f, 0.0f), TVector3(20.0f, 0.0f, 0.0f), false},
        SegmentPairCase{"ParallelSideBySide", TVector3(0.0f, 0.0f, 0.0f), TVector3(10.0f, 0.0f, 0.0f),
                        TVector3(2.0f, 0.1f, 0.0f), TVector3(8.0f, 0.1f, 0.0f), false},
        SegmentPairCase{"FirstDegenerate", TVector3(0.0f, 0.0f, 0.0f), TVector3(0.0005f, 0.0f, 0.0f),
                        TVector3(0.0f, -5.0f, 0.0f), TVector3(0.0f, 5.0f, 0.0f), false},
        SegmentPairCase{"SecondDegenerate", TVector3(-5.0f, 0.0f, 0.0f), TVector3(5.0f, 0.0f, 0.0f),
                        TVector3(1.0f, 0.0f, 0.0f), TVector3(1.0f, 0.0f, 0.0f), false}),
    [](const auto& info) { return info.param.name; });

// ---- Box normal and distance ------------------------------------------------

struct BoxQueryCase {
  std::string name;
  TVector3 size;  // of a box centred on (10, 20, 0)
  TVector3 point;
  TVector3 expectedNormal;
};

class BoxNormalTest : public ::testing::TestWithParam<BoxQueryCase> {};

TEST_P(BoxNormalTest, FaceTowardsPoint) {
  const BoxQueryCase& c = GetParam();
  const TVector3 position(10.0f, 20.0f, 0.0f);
  const TBoxVolume box(&position, TVector3(), c.size);
  TVector3 out(7.0f, 7.0f, 7.0f);
  box.NormalTowards(c.point, out);
  EXPECT_EQ(out, c.expectedNormal);
}

// The box of x-length 4 and y-length 2 spans 8..12 x 19..21 x -1..1.
INSTANTIATE_TEST_SUITE_P(
    Cases, BoxNormalTest,
    ::testing::Values(
        BoxQueryCase{"Above", TVector3(4, 2, 2), TVector3(10, 20, 3), TVector3(0, 0, 1)},
        BoxQueryCase{"BelowBeatsSides", TVector3(4, 2, 2), TVector3(0, 0, -3), TVector3(0, 0, -1)},
        BoxQueryCase{"OnBottomFace", TVector3(4, 2, 2), TVector3(10, 20, -1), TVector3(0, 0, -1)},
        BoxQueryCase{"LongInXTakesYFirst", TVector3(4, 2, 2), TVector3(20, 30, 0), TVector3(0, 1, 0)},
        BoxQueryCase{"LongInXOnlyX", TVector3(4, 2, 2), TVector3(5, 20, 0), TVector3(-1, 0, 0)},
        BoxQueryCase{"LongInYTakesXFirst", TVector3(2, 4, 2), TVector3(0, 30, 0), TVector3(-1, 0, 0)},
        BoxQueryCase{"LongInYOnlyY", TVector3(2, 4, 2), TVector3(10, 10, 0), TVector3(0, -1, 0)},
        BoxQueryCase{"SquareTakesXFirst", TVector3(2, 2, 2), TVector3(12, 22, 0), TVector3(1, 0, 0)},
        BoxQueryCase{"OnMaxFace", TVector3(2, 2, 2), TVector3(10, 21, 0), TVector3(0, 1, 0)},
        BoxQueryCase{"Inside", TVector3(4, 2, 2), TVector3(10.5f, 20.5f, 0.5f), TVector3(0, 0, 1)}),
    [](const auto& info) { return info.param.name; });

struct DistanceCase {
  std::string name;
  TVector3 point;
  float expected;
};

class BoxDistanceTest : public ::testing::TestWithParam<DistanceCase> {};

TEST_P(BoxDistanceTest, DistanceToPoint) {
  const DistanceCase& c = GetParam();
  const TVector3 position(10.0f, 20.0f, 0.0f);
  const TBoxVolume box(&position, TVector3(), TVector3(4.0f, 2.0f, 2.0f));  // 8..12 x 19..21 x -1..1
  EXPECT_FLOAT_EQ(box.DistanceTo(c.point), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BoxDistanceTest,
    ::testing::Values(DistanceCase{"Inside", TVector3(9, 20, 0), 0.0f},
                      DistanceCase{"OnCorner", TVector3(12, 21, 1), 0.0f},
                      DistanceCase{"OutInX", TVector3(15, 20.5f, 0), 3.0f},
                      DistanceCase{"OutInYBelow", TVector3(11, 17.5f, -1), 1.5f},
                      DistanceCase{"OutInZ", TVector3(10, 20, 6), 5.0f},
                      DistanceCase{"OutInXAndY", TVector3(5, 25, 0), 5.0f},
                      DistanceCase{"OutInYAndZ", TVector3(10, 11, -7), 10.0f},
                      DistanceCase{"OutOnAllAxes", TVector3(14, 24, 7), 7.0f}),
    [](const auto& info) { return info.param.name; });

TEST(SphereVolumeTest, DistanceNeverBelowZero) {
  const TVector3 position(1.0f, 1.0f, 0.0f);
  const TSphereVolume sphere(&position, TVector3(0.0f, 0.0f, 1.0f), 2.0f);  // centre (1, 1, 1)
  EXPECT_FLOAT_EQ(sphere.DistanceTo(TVector3(1.0f, 1.0f, 1.0f)), 0.0f);
  EXPECT_FLOAT_EQ(sphere.DistanceTo(TVector3(2.0f, 1.0f, 1.0f)), 0.0f);
  EXPECT_FLOAT_EQ(sphere.DistanceTo(TVector3(1.0f, 1.0f, 3.0f)), 0.0f);
  EXPECT_FLOAT_EQ(sphere.DistanceTo(TVector3(4.0f, 5.0f, 1.0f)), 3.0f);
}

TEST(SegmentVolumeTest, DistanceIsZero) {
  const TVector3 origin;
  const TSegmentVolume segment(&origin, TVector3(), TVector3(1.0f, 0.0f, 0.0f));
  EXPECT_EQ(segment.DistanceTo(TVector3(50.0f, 50.0f, 50.0f)), 0.0f);
}

// ---- Sizes and centres --------------------------------------------------------

struct SizeCase {
  std::string name;
  std::shared_ptr<TVolume> volume;  // placed at (100, 200, 300)
  float groundRadius;
  float boundingRadius;
  TVector3 centre;
};

const TVector3 kPlaced(100.0f, 200.0f, 300.0f);

class VolumeSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(VolumeSizeTest, RadiiAndCentre) {
  const SizeCase& c = GetParam();
  EXPECT_FLOAT_EQ(c.volume->GroundRadius(), c.groundRadius);
  EXPECT_FLOAT_EQ(c.volume->BoundingRadius(), c.boundingRadius);
  ExpectVector(CentreOf(*c.volume), c.centre, 1e-4f);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VolumeSizeTest,
    ::testing::Values(
        // Corners (-4, -3, 0) .. (-2, 3, 4): x reaches 4 on the minimum side.
        SizeCase{"BoxLeftOfOrigin",
                 std::make_shared<TBoxVolume>(&kPlaced, TVector3(-3, 0, 2), TVector3(2, 6, 4)), 5.0f,
                 0.5f * std::sqrt(4.0f + 36.0f + 16.0f), TVector3(97, 200, 302)},
        // Corners (2, 3, -1) .. (4, 5, 1): the larger of max and |min| per axis.
        SizeCase{"BoxOffCentre",
                 std::make_shared<TBoxVolume>(&kPlaced, TVector3(3, 4, 0), TVector3(2, 2, 2)),
                 std::sqrt(16.0f + 25.0f), 0.5f * std::sqrt(12.0f), TVector3(103, 204, 300)},
        SizeCase{"SphereOffset", std::make_shared<TSphereVolume>(&kPlaced, TVector3(3, 4, 9), 1.0f), 6.0f, 1.0f,
                 TVector3(103, 204, 309)},
        SizeCase{"Segment",
                 std::make_shared<TSegmentVolume>(&kPlaced, TVector3(0, 0, 0), TVector3(6, 8, 0)), 0.0f, 5.0f,
                 TVector3(103, 204, 300)}),
    [](const auto& info) { return info.param.name; });

TEST(VolumeTest, NoPositionMeansOrigin) {
  const TBoxVolume box(nullptr, TVector3(1, 2, 3), TVector3(2, 2, 2));
  ExpectVector(CentreOf(box), TVector3(1, 2, 3));
  ExpectVector(box.WorldMin(), TVector3(0, 1, 2));
}

TEST(BoxVolumeTest, CornersFromCentreAndSize) {
  const TVector3 position(1.0f, 1.0f, 1.0f);
  const TBoxVolume box(&position, TVector3(2.0f, 0.0f, -1.0f), TVector3(4.0f, 2.0f, 1.0f));
  ExpectVector(box.LocalCorners().Min(), TVector3(0.0f, -1.0f, -1.5f));
  ExpectVector(box.LocalCorners().Max(), TVector3(4.0f, 1.0f, -0.5f));
  ExpectVector(box.WorldMin(), TVector3(1.0f, 0.0f, -0.5f));
  ExpectVector(box.WorldMax(), TVector3(5.0f, 2.0f, 0.5f));
}

// ---- Normals of spheres and segments ----------------------------------------

TEST(SphereVolumeTest, NormalPointsFromCentre) {
  const TVector3 position(1.0f, 0.0f, 0.0f);
  const TSphereVolume sphere(&position, TVector3(0.0f, 1.0f, 0.0f), 0.5f);  // centre (1, 1, 0)
  TVector3 out;
  sphere.NormalTowards(TVector3(4.0f, 5.0f, 0.0f), out);
  ExpectVector(out, TVector3(0.6f, 0.8f, 0.0f));
  // At the centre there is no direction; the zero vector stays.
  sphere.NormalTowards(TVector3(1.0f, 1.0f, 0.0f), out);
  ExpectVector(out, TVector3());
}

TEST(SegmentVolumeTest, NormalIsTheReversedCrossPart) {
  const TVector3 position(0.0f, 0.0f, 1.0f);
  const TSegmentVolume segment(&position, TVector3(), TVector3(10.0f, 0.0f, 0.0f));
  TVector3 out;
  segment.NormalTowards(TVector3(5.0f, 3.0f, 1.0f), out);
  const float across = 3.0f / std::sqrt(34.0f);
  ExpectVector(out, TVector3(0.0f, -across, 0.0f));
  segment.NormalTowards(TVector3(0.0f, 0.0f, 5.0f), out);
  ExpectVector(out, TVector3(0.0f, 0.0f, -1.0f));
}

TEST(SegmentVolumeTest, EndsSetDirectionAndLength) {
  const TVector3 origin;
  TSegmentVolume segment(&origin, TVector3(1, 1, 1), TVector3(4, 5, 1));
  ExpectVector(segment.Direction(), TVector3(0.6f, 0.8f, 0.0f));
  EXPECT_FLOAT_EQ(segment.Length(), 5.0f);

  segment.SetEndB(TVector3(1, 1, -1));
  ExpectVector(segment.Direction(), TVector3(0, 0, -1));
  EXPECT_FLOAT_EQ(segment.Length(), 2.0f);

  // Ends that coincide leave a zero direction, not a division by zero.
  segment.SetEnds(TVector3(2, 2, 2), TVector3(2, 2, 2));
  EXPECT_EQ(segment.Direction(), TVector3());
  EXPECT_EQ(segment.Length(), 0.0f);
  TVector3 normal;
  segment.NormalTowards(TVector3(5, 5, 5), normal);
  EXPECT_FALSE(std::isnan(normal.x) || std::isnan(normal.y) || std::isnan(normal.z));

  segment.SetEndA(TVector3(2, 2, 0));
  ExpectVector(segment.Direction(), TVector3(0, 0, 1));
}

// Any pairing with a zero-length segment stays finite and only counts
// when its point lies in the other volume.
TEST(SegmentVolumeTest, ZeroLengthSegmentAgainstEveryKind) {
  const TVector3 origin;
  TBoxVolume box(&origin, TVector3(), TVector3(2, 2, 2));
  TSphereVolume sphere(&origin, TVector3(), 1.0f);
  TSegmentVolume line(&origin, TVector3(-5, 0, 0), TVector3(5, 0, 0));
  TSegmentVolume inside(&origin, TVector3(0.5f, 0, 0), TVector3(0.5f, 0, 0));
  TSegmentVolume outside(&origin, TVector3(0, 3, 0), TVector3(0, 3, 0));
  EXPECT_TRUE(inside.Intersects(box));
  EXPECT_TRUE(inside.Intersects(sphere));
  EXPECT_FALSE(inside.Intersects(line));
  EXPECT_FALSE(line.Intersects(inside));
  EXPECT_FALSE(outside.Intersects(box));
  EXPECT_FALSE(outside.Intersects(sphere));
  EXPECT_FALSE(outside.Intersects(inside));
}

// ---- Clones -------------------------------------------------------------------

TEST(VolumeTest, CloneKeepsKindAndSizeOnNewPosition) {
  const TVector3 first(1.0f, 2.0f, 3.0f);
  const TVector3 second(-10.0f, 0.0f, 5.0f);
  std::vector<std::unique_ptr<TVolume>> originals;
  originals.push_back(std::make_unique<TBoxVolume>(&first, TVector3(1, 0, 0), TVector3(2, 4, 6)));
  originals.push_back(std::make_unique<TSphereVolume>(&first, TVector3(0, 1, 0), 2.5f));
  originals.push_back(std::make_unique<TSegmentVolume>(&first, TVector3(0, 0, 1), TVector3(3, 4, 1)));
  for (const auto& original : originals) {
    original->SetHit(true);
    const std::unique_ptr<TVolume> copy = original->Clone(&second);
    const TVolume& copied = *copy;
    const TVolume& source = *original;
    EXPECT_EQ(typeid(copied), typeid(source));
    EXPECT_EQ(copy->PositionRef(), &second);
    EXPECT_FALSE(copy->IsHit());
    EXPECT_FLOAT_EQ(copy->BoundingRadius(), original->BoundingRadius());
    EXPECT_FLOAT_EQ(copy->GroundRadius(), original->GroundRadius());
    const TVector3 moved = CentreOf(*copy);
    const TVector3 from = CentreOf(*original);
    ExpectVector(moved, TVector3(from.x - 11.0f, from.y - 2.0f, from.z + 2.0f), 1e-4f);
  }
}

// ---- Compounds ----------------------------------------------------------------

class CompoundVolumeTest : public ::testing::Test {
 protected:
  TVector3 mine_{0.0f, 0.0f, 0.0f};
  TVector3 theirs_{0.0f, 0.0f, 0.0f};
};

TEST_F(CompoundVolumeTest, EmptyCompounds) {
  TCompoundVolume empty;
  TCompoundVolume other;
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_FALSE(empty.AnyIntersects(other));
  EXPECT_EQ(empty.MinDistanceTo(TVector3(5, 5, 5)), 0.0f);
  EXPECT_EQ(empty.MaxGroundRadius(), 0.0f);
  EXPECT_EQ(empty.PositionRef(), nullptr);
  TVector3 centre(1, 1, 1);
  empty.Centre(centre);
  EXPECT_EQ(centre, TVector3());

  // Against a non-empty compound, either way round.
  other.Add(std::make_unique<TBoxVolume>(&theirs_, TVector3(), TVector3(100, 100, 100)));
  EXPECT_FALSE(empty.AnyIntersects(other));
  EXPECT_FALSE(other.AnyIntersects(empty));
}

TEST_F(CompoundVolumeTest, HitMarksNameTheIntersectingPair) {
  theirs_ = TVector3(10.0f, 0.0f, 0.0f);
  TCompoundVolume shot;
  shot.Add(std::make_unique<TSphereVolume>(&mine_, TVector3(0, 50, 0), 1.0f));           // far away
  shot.Add(std::make_unique<TSegmentVolume>(&mine_, TVector3(0, 0, 0), TVector3(20, 0, 0)));
  shot.Add(std::make_unique<TBoxVolume>(&mine_, TVector3(10, 0, 0), TVector3(1, 1, 1)));  // would hit too
  TCompoundVolume target;
  target.Add(std::make_unique<TBoxVolume>(&theirs_, TVector3(0, 20, 0), TVector3(2, 2, 2)));  // missed
  target.Add(std::make_unique<TBoxVolume>(&theirs_, TVector3(0, 0.5f, 0), TVector3(2, 2, 2)));  // hit
  target.Add(std::make_unique<TSphereVolume>(&theirs_, TVector3(0, 0, 0), 1.0f));           // hit too
  // Stale marks from an earlier test.
  shot.At(0)->SetHit(true);
  target.At(0)->SetHit(true);

  ASSERT_TRUE(shot.AnyIntersects(target));
  EXPECT_FALSE(shot.At(0)->IsHit());
  EXPECT_TRUE(shot.At(1)->IsHit());
  EXPECT_FALSE(target.At(0)->IsHit());
  EXPECT_TRUE(target.At(1)->IsHit());

  // The segment's centre (10, 0, 0) is inside the hit box: straight up.
  TVector3 normal;
  shot.HitNormal(target, normal);
  EXPECT_EQ(normal, TVector3(0, 0, 1));
  // From the box's side: the segment's normal towards the box centre
  // (10, 0.5, 0), the part across the segment reversed.
  target.HitNormal(shot, normal);
  ExpectVector(normal, TVector3(0, -0.5f / std::sqrt(100.25f), 0));
}

TEST_F(CompoundVolumeTest, HitNormalFacesTheOtherCentre) {
  theirs_ = TVector3(0.0f, 0.0f, 2.0f);  // resting on top of mine
  TCompoundVolume ground;
  ground.Add(std::make_unique<TBoxVolume>(&mine_, TVector3(), TVector3(4, 4, 2)));
  TCompoundVolume crate;
  crate.Add(std::make_unique<TSphereVolume>(&theirs_, TVector3(0, 0, 50), 1.0f));
  crate.Add(std::make_unique<TBoxVolume>(&theirs_, TVector3(), TVector3(2, 2, 2)));

  ASSERT_TRUE(crate.AnyIntersects(ground));
  TVector3 normal;
  crate.HitNormal(ground, normal);
  EXPECT_EQ(normal, TVector3(0, 0, 1));  // the ground's top face
  ground.HitNormal(crate, normal);
  EXPECT_EQ(normal, TVector3(0, 0, -1));  // the crate's bottom face
}

TEST_F(CompoundVolumeTest, HitNormalWithoutMarksIsUp) {
  TCompoundVolume a;
  a.Add(std::make_unique<TBoxVolume>(&mine_, TVector3(), TVector3(1, 1, 1)));
  TCompoundVolume b;
  b.Add(std::make_unique<TSphereVolume>(&theirs_, TVector3(10, 0, 0), 1.0f));
  ASSERT_FALSE(a.AnyIntersects(b));
  TVector3 normal(5, 5, 5);
  a.HitNormal(b, normal);
  EXPECT_EQ(normal, TVector3(0, 0, 1));

  TCompoundVolume empty;
  a.At(0)->SetHit(true);
  normal = TVector3(5, 5, 5);
  a.HitNormal(empty, normal);
  EXPECT_EQ(normal, TVector3(0, 0, 1));
  normal = TVector3(5, 5, 5);
  empty.HitNormal(a, normal);
  EXPECT_EQ(normal, TVector3(0, 0, 1));
}

TEST_F(CompoundVolumeTest, IntersectsVolumeStopsAtFirstHit) {
  TCompoundVolume shape;
  shape.Add(std::make_unique<TSphereVolume>(&mine_, TVector3(0, 0, 0), 1.0f));
  shape.Add(std::make_unique<TBoxVolume>(&mine_, TVector3(3, 0, 0), TVector3(2, 2, 2)));
  shape.Add(std::make_unique<TBoxVolume>(&mine_, TVector3(3, 0, 0), TVector3(4, 4, 4)));
  TSegmentVolume probe(&theirs_, TVector3(3, -5, 0), TVector3(3, 5, 0));
  ASSERT_TRUE(shape.IntersectsVolume(probe));
  EXPECT_TRUE(probe.IsHit());
  EXPECT_FALSE(shape.At(0)->IsHit());
  EXPECT_TRUE(shape.At(1)->IsHit());
  EXPECT_FALSE(shape.At(2)->IsHit());  // never looked at

  TSegmentVolume miss(&theirs_, TVector3(-5, 5, 0), TVector3(5, 5, 0));
  EXPECT_FALSE(shape.IntersectsVolume(miss));
  EXPECT_FALSE(miss.IsHit());
}

TEST_F(CompoundVolumeTest, GroundRadiusAndDistanceOverMembers) {
  TCompoundVolume shape;
  shape.Add(std::make_unique<TSegmentVolume>(&mine_, TVector3(0, 0, 0), TVector3(0, 0, 9)));
  shape.Add(std::make_unique<TSphereVolume>(&mine_, TVector3(3, 4, 0), 1.0f));    // ground 6
  shape.Add(std::make_unique<TBoxVolume>(&mine_, TVector3(), TVector3(2, 2, 2)));  // ground √2
  EXPECT_FLOAT_EQ(shape.MaxGroundRadius(), 6.0f);
  // The segment's distance is always 0.
  EXPECT_FLOAT_EQ(shape.MinDistanceTo(TVector3(50, 0, 0)), 0.0f);

  TCompoundVolume solids;
  solids.Add(std::make_unique<TSphereVolume>(&mine_, TVector3(10, 0, 0), 1.0f));
  solids.Add(std::make_unique<TBoxVolume>(&mine_, TVector3(), TVector3(2, 2, 2)));
  EXPECT_FLOAT_EQ(solids.MinDistanceTo(TVector3(5, 0, 0)), 4.0f);
  EXPECT_FLOAT_EQ(solids.MinDistanceTo(TVector3(8, 0, 0)), 1.0f);
}

TEST_F(CompoundVolumeTest, SetPositionRefMovesEveryMember) {
  TCompoundVolume shape;
  shape.Add(std::make_unique<TBoxVolume>(&mine_, TVector3(1, 0, 0), TVector3(1, 1, 1)));
  shape.Add(std::make_unique<TSphereVolume>(&mine_, TVector3(0, 2, 0), 1.0f));
  shape.Add(std::make_unique<TSegmentVolume>(&mine_, TVector3(0, 0, 0), TVector3(0, 0, 6)));
  const std::vector<TVector3> offsets = {TVector3(1, 0, 0), TVector3(0, 2, 0), TVector3(0, 0, 3)};

  TVector3 moving(5.0f, 5.0f, 5.0f);
  shape.SetPositionRef(&moving);
  EXPECT_EQ(shape.PositionRef(), &moving);
  for (const TVector3& place : {TVector3(5, 5, 5), TVector3(-2, 7, 0.5f)}) {
    moving = place;
    for (std::size_t i = 0; i < shape.Count(); ++i) {
      EXPECT_EQ(shape.At(i)->PositionRef(), &moving);
      ExpectVector(CentreOf(*shape.At(i)),
                   TVector3(place.x + offsets[i].x, place.y + offsets[i].y, place.z + offsets[i].z));
    }
  }
  TVector3 centre;
  shape.Centre(centre);
  ExpectVector(centre, TVector3(-1, 7, 0.5f));
}

TEST_F(CompoundVolumeTest, CloneOntoNewPosition) {
  mine_ = TVector3(1, 1, 1);
  theirs_ = TVector3(-4, 0, 2);
  TCompoundVolume source;
  source.Add(std::make_unique<TBoxVolume>(&mine_, TVector3(1, 0, 0), TVector3(2, 2, 2)));
  source.Add(std::make_unique<TSphereVolume>(&mine_, TVector3(0, 2, 0), 0.5f));
  source.Add(std::make_unique<TSegmentVolume>(&mine_, TVector3(0, 0, 0), TVector3(0, 0, 4)));

  TCompoundVolume copy;
  copy.Add(std::make_unique<TSphereVolume>(&theirs_, TVector3(), 9.0f));  // replaced by the clone
  copy.Clone(source, &theirs_);
  const TCompoundVolume constructed(source, &theirs_);
  const std::vector<const TCompoundVolume*> clones = {&copy, &constructed};
  for (const TCompoundVolume* clone : clones) {
    ASSERT_EQ(clone->Count(), source.Count());
    EXPECT_EQ(clone->PositionRef(), &theirs_);
    for (std::size_t i = 0; i < source.Count(); ++i) {
      const TVolume& from = *source.At(i);
      const TVolume& to = *clone->At(i);
      EXPECT_NE(&from, &to);
      EXPECT_EQ(typeid(to), typeid(from));
      EXPECT_FLOAT_EQ(to.BoundingRadius(), from.BoundingRadius());
      const TVector3 c = CentreOf(from);
      ExpectVector(CentreOf(to), TVector3(c.x - 5.0f, c.y - 1.0f, c.z + 1.0f));
    }
  }
  // The source is untouched and still follows its own position.
  EXPECT_EQ(source.PositionRef(), &mine_);
  ExpectVector(CentreOf(*source.At(0)), TVector3(2, 1, 1));

  // Cloning onto itself keeps the members and moves them.
  copy.Clone(copy, &mine_);
  EXPECT_EQ(copy.Count(), 3u);
  EXPECT_EQ(copy.PositionRef(), &mine_);
}

TEST_F(CompoundVolumeTest, DeleteAllEmpties) {
  TCompoundVolume shape;
  shape.Add(std::make_unique<TBoxVolume>(&mine_, TVector3(), TVector3(1, 1, 1)));
  shape.Add(nullptr);
  EXPECT_EQ(shape.Count(), 1u);
  shape.DeleteAll();
  EXPECT_TRUE(shape.IsEmpty());
}

}  // namespace
