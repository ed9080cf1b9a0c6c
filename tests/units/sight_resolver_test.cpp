#include "units/sight_resolver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "units/cell_walker.h"
#include "units/combatant.h"
#include "units/sight_test_world.h"
#include "units/weapon.h"
#include "world/terrain_object.h"
#include "world/volume.h"

namespace {

using sight_test::SightWorldTest;
using TCell = std::array<int32_t, 3>;

std::vector<TCell> Walk(const TVector3& from, const TVector3& to) {
  TCellWalker walker;
  walker.Start(from, to);
  std::vector<TCell> cells;
  do {
    cells.push_back({walker.GetX(), walker.GetY(), walker.GetZ()});
  } while (walker.Step() && cells.size() < 100000);
  return cells;
}

// --- the cell walk ---------------------------------------------------------------------

struct WalkCase {
  const char* name;
  TVector3 from;
  TVector3 to;
  std::vector<TCell> cells;
};

class CellWalkTest : public ::testing::TestWithParam<WalkCase> {};

TEST_P(CellWalkTest, VisitsEveryCellTheSegmentCrossesInOrder) {
  const WalkCase& c = GetParam();
  EXPECT_EQ(Walk(c.from, c.to), c.cells);
}

INSTANTIATE_TEST_SUITE_P(
    Segments, CellWalkTest,
    ::testing::Values(
        WalkCase{"OneCell", {2.1f, 3.2f, 0.4f}, {2.3f, 2.8f, 0.2f}, {{2, 3, 0}}},
        WalkCase{"AlongX", {0.0f, 0.0f, 0.0f}, {3.0f, 0.2f, 0.0f}, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}},
        WalkCase{"Backwards", {2.2f, 0.0f, 0.0f}, {-0.2f, 0.0f, 0.0f}, {{2, 0, 0}, {1, 0, 0}, {0, 0, 0}}},
        // Borders at fractions 0.25 (x), 0.5 (y), 0.75 (x).
        WalkCase{"Diagonal", {0.0f, 0.0f, 0.0f}, {2.0f, 1.0f, 0.0f}, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {2, 1, 0}}},
        WalkCase{"Upwards", {4.0f, 4.0f, 0.1f}, {4.0f, 4.0f, 2.0f}, {{4, 4, 0}, {4, 4, 1}, {4, 4, 2}}},
        // Cells are centred on whole numbers: 0.49 still lies in cell 0.
        WalkCase{"CentredCells", {0.49f, 0.0f, 0.0f}, {0.51f, 0.0f, 0.0f}, {{0, 0, 0}, {1, 0, 0}}}),
    [](const ::testing::TestParamInfo<WalkCase>& info) { return std::string(info.param.name); });

TEST(CellWalkerTest, EndsInTheEndCellEvenOnSteepLongSegments) {
  const TVector3 from(0.3f, 0.1f, 1.1f);
  const TVector3 to(37.7f, 48.2f, 0.05f);
  const std::vector<TCell> cells = Walk(from, to);
  ASSERT_FALSE(cells.empty());
  EXPECT_EQ(cells.front(), (TCell{0, 0, 1}));
  EXPECT_EQ(cells.back(), (TCell{38, 48, 0}));
  // Each step enters a neighbouring cell across one face.
  for (std::size_t i = 1; i < cells.size(); ++i) {
    const int32_t moved = std::abs(cells[i][0] - cells[i - 1][0]) + std::abs(cells[i][1] - cells[i - 1][1]) +
                          std::abs(cells[i][2] - cells[i - 1][2]);
    EXPECT_EQ(moved, 1) << "step " << i;
  }
}

TEST(CellWalkerTest, CraftedFarPositionsGiveABoundedWalk) {
  const std::vector<TCell> cells = Walk(TVector3(-1e30f, 0.0f, 0.0f), TVector3(1e30f, 0.0f, 0.0f));
  EXPECT_EQ(cells.front()[0], -TCellWalker::kCellLimit);
  EXPECT_EQ(cells.back()[0], TCellWalker::kCellLimit);
  EXPECT_EQ(cells.size(), static_cast<std::size_t>(2 * TCellWalker::kCellLimit + 1));
}

TEST(CellWalkerTest, StartsOnTheSegmentVolumesWorldEnds) {
  const TVector3 origin(10.0f, 0.0f, 0.0f);
  TSegmentVolume segment(&origin, TVector3(0.0f, 2.0f, 0.0f), TVector3(2.0f, 2.0f, 0.0f));
  TCellWalker walker;
  walker.Start(segment);
  EXPECT_EQ(walker.GetX(), 10);
  EXPECT_EQ(walker.GetY(), 2);
  ASSERT_TRUE(walker.Step());
  ASSERT_TRUE(walker.Step());
  EXPECT_EQ(walker.GetX(), 12);
  EXPECT_FALSE(walker.Step());
}

TEST(CellWalkerTest, StepColumnPassesOverStepsInHeight) {
  // Cells (0,0,0) (0,0,1) (1,0,1) (1,0,2) (2,0,2): the columns are x = 0, 1, 2.
  TCellWalker walker;
  walker.Start(TVector3(0.0f, 0.0f, 0.0f), TVector3(2.0f, 0.0f, 2.2f));
  std::vector<int32_t> columns{walker.GetX()};
  while (walker.StepColumn()) columns.push_back(walker.GetX());
  EXPECT_EQ(columns, (std::vector<int32_t>{0, 1, 2}));
}

// --- terrain on a line -------------------------------------------------------------------

TEST_F(SightWorldTest, TheWalkThroughAWallFindsTheWall) {
  // Floor all along the line is ground and never blocks.
  for (int x = 1; x <= 12; ++x) PlaceTile("Floor", static_cast<float>(x), 5.0f);
  const TTerrainObject* wall = PlaceTile("Wall", 6.5f, 5.5f);
  const TVector3 from(2.0f, 5.3f, 1.0f);
  const TVector3 to(11.0f, 5.3f, 1.0f);
  EXPECT_EQ(sight_->FirstTerrainHit(from, to, true), wall);
  EXPECT_EQ(sight_->FirstTerrainHit(to, from, false), wall);
  // Above the wall's top the line is free.
  EXPECT_EQ(sight_->FirstTerrainHit(TVector3(2.0f, 5.3f, 2.5f), TVector3(11.0f, 5.3f, 2.5f), true), nullptr);
  // Ends that coincide meet nothing, even inside the wall.
  EXPECT_EQ(sight_->FirstTerrainHit(TVector3(6.5f, 5.5f, 1.0f), TVector3(6.5f, 5.5f, 1.00005f), true), nullptr);
}

TEST_F(SightWorldTest, ASegmentReachingFarOffTheMapIsWalkedOverTheMapOnly) {
  TTerrainObject* wall = PlaceTile("Wall", 6.5f, 5.5f);
  EXPECT_EQ(sight_->FirstTerrainHit(TVector3(-1e5f, 5.3f, 1.0f), TVector3(1e5f, 5.3f, 1.0f), true), wall);
  EXPECT_EQ(sight_->FirstTerrainHit(TVector3(1e5f, 5.3f, 1.0f), TVector3(-1e5f, 5.3f, 1.0f), true), wall);
  // Wholly beside the map: nothing to meet.
  EXPECT_EQ(sight_->FirstTerrainHit(TVector3(-50.0f, -50.0f, 1.0f), TVector3(-50.0f, 90.0f, 1.0f), true), nullptr);
  std::vector<TGameObject*> met;
  sight_->CollectAlongSegment(TVector3(-1e5f, 5.3f, 1.0f), TVector3(1e5f, 5.3f, 1.0f), met);
  EXPECT_EQ(met, (std::vector<TGameObject*>{wall}));
}

struct NearestCase {
  const char* name;
  bool forwards;
  const char* expected;
};

class NearestTerrainTest : public SightWorldTest, public ::testing::WithParamInterface<NearestCase> {};

TEST_P(NearestTerrainTest, TheHitNearestTheStartWins) {
  const NearestCase& c = GetParam();
  // The crate and the wall share cell (5, 5); the wall also stands in cell
  // (6, 5), which a walk from the east enters first.
  TTerrainObject* crate = PlaceTile("Crate", 5.0f, 5.0f);
  TTerrainObject* wall = PlaceTile("Wall", 5.5f, 5.5f);
  const TVector3 west(2.0f, 5.2f, 0.5f);
  const TVector3 east(9.0f, 5.2f, 0.5f);
  const TTerrainObject* hit = c.forwards ? sight_->FirstTerrainHit(west, east, true)
                                         : sight_->FirstTerrainHit(east, west, true);
  EXPECT_EQ(hit, std::string(c.expected) == "Crate" ? crate : wall);
}

INSTANTIATE_TEST_SUITE_P(Directions, NearestTerrainTest,
                         ::testing::Values(NearestCase{"FromTheWest", true, "Crate"},
                                           NearestCase{"FromTheEast", false, "Wall"}),
                         [](const ::testing::TestParamInfo<NearestCase>& info) { return std::string(info.param.name); });

TEST_F(SightWorldTest, LowShapesBlockShotsButNotSight) {
  // Rubble has only a line-of-fire shape, 0.3 high.
  const TTerrainObject* rubble = PlaceTile("Rubble", 5.0f, 5.0f);
  const TVector3 from(2.0f, 5.0f, 0.2f);
  const TVector3 to(8.0f, 5.0f, 0.2f);
  EXPECT_EQ(sight_->FirstTerrainHit(from, to, true), rubble);
  EXPECT_EQ(sight_->FirstTerrainHit(from, to, false), nullptr);
}

TEST_F(SightWorldTest, LineClearTestsTerrainOnlyAndCountsATerrainTarget) {
  const Combatant* shooter = PlaceUnit(2.0f, 5.3f);
  const Combatant* target = PlaceUnit(10.0f, 5.3f, 1);
  EXPECT_TRUE(sight_->IsLineClear(*shooter, *target));
  EXPECT_TRUE(sight_->IsLineClearToPoint(*shooter, TVector3(10.0f, 5.3f, 1.0f)));

  const TTerrainObject* crate = PlaceTile("Crate", 12.0f, 5.3f);
  // The crate itself is terrain on the line to it.
  EXPECT_FALSE(sight_->IsLineClear(*shooter, *crate));

  PlaceTile("Wall", 6.5f, 5.5f);
  EXPECT_FALSE(sight_->IsLineClear(*shooter, *target));
  EXPECT_FALSE(sight_->IsLineClearToPoint(*shooter, TVector3(10.0f, 5.3f, 1.0f)));
  // Over the wall.
  EXPECT_TRUE(sight_->IsLineClearToPoint(*shooter, TVector3(3.0f, 5.3f, 3.0f)));
}

// --- the line of fire ----------------------------------------------------------------------

struct BlockerCase {
  const char* name;
  float x;
  float y;
  int32_t owner;
  bool clear;
};

class PathBlockerTest : public SightWorldTest, public ::testing::WithParamInterface<BlockerCase> {};

TEST_P(PathBlockerTest, OnlyOwnUnitsNoFartherThanTheTargetBlock) {
  const BlockerCase& c = GetParam();
  const Combatant* shooter = PlaceUnit(2.0f, 5.0f, 0);
  Combatant* target = PlaceUnit(8.0f, 5.0f, 1);
  PlaceUnit(c.x, c.y, c.owner);
  EXPECT_EQ(sight_->IsPathClear(*shooter, *target), c.clear);
}

INSTANTIATE_TEST_SUITE_P(
    Blockers, PathBlockerTest,
    ::testing::Values(BlockerCase{"FriendBetween", 5.0f, 5.0f, 0, false},
                      BlockerCase{"FriendBesideTheLine", 5.0f, 5.3f, 0, false},
                      BlockerCase{"FriendOffTheLine", 5.0f, 6.0f, 0, true},
                      BlockerCase{"FriendBehindTheTarget", 9.0f, 5.0f, 0, true},
                      BlockerCase{"FriendExactlyAsFar", 8.0f, 5.0f, 0, false},
                      BlockerCase{"FriendBehindTheShooter", 0.5f, 5.0f, 0, true},
                      BlockerCase{"EnemyBetween", 5.0f, 5.0f, 1, true},
                      BlockerCase{"ThirdSideBetween", 5.0f, 5.0f, 2, true}),
    [](const ::testing::TestParamInfo<BlockerCase>& info) { return std::string(info.param.name); });

TEST_F(SightWorldTest, AShooterAtTheTargetsAimPointIsDecidedByObjectsAlone) {
  // Same type, same spot: the firing point is the target's aim point.
  const Combatant* shooter = PlaceUnit(5.0f, 5.0f, 0);
  Combatant* target = PlaceUnit(5.0f, 5.0f, 1);
  ASSERT_EQ(shooter->GetFiringPoint(), [&] {
    TVector3 aim;
    target->GetAimPoint(aim);
    return aim;
  }());
  // A wall around the spot is not met by a line without length, and a
  // friend on the spot has no line to stand on.
  PlaceTile("Wall", 5.0f, 5.0f);
  PlaceUnit(5.0f, 5.0f, 0);
  EXPECT_TRUE(sight_->IsPathClear(*shooter, *target));
}

TEST_F(SightWorldTest, TerrainBlocksThePathUnlessItIsTheTarget) {
  const Combatant* shooter = PlaceUnit(2.0f, 5.3f, 0);
  TTerrainObject* wall = PlaceTile("Wall", 7.5f, 5.5f);
  EXPECT_TRUE(sight_->IsPathClear(*shooter, *wall));
  Combatant* target = PlaceUnit(10.0f, 5.3f, 1);
  EXPECT_FALSE(sight_->IsPathClear(*shooter, *target));
}

struct ShieldCase {
  const char* name;
  float x;  // of the shield's unit; the shooter stands at (2, 5)
  float y;
  int32_t owner;
  bool clear;
};

class ShieldPathTest : public SightWorldTest, public ::testing::WithParamInterface<ShieldCase> {};

TEST_P(ShieldPathTest, AnOwnShieldBlocksOnlyAShooterOutsideIt) {
  const ShieldCase& c = GetParam();
  const Combatant* shooter = PlaceUnit(2.0f, 5.0f, 0);
  Combatant* target = PlaceUnit(12.0f, 5.0f, 1);
  // The shield's unit stands 2 off the line: the unit itself never blocks.
  Combatant* bearer = PlaceUnit(c.x, c.y, c.owner);
  PlaceShield(*bearer);
  EXPECT_EQ(sight_->IsPathClear(*shooter, *target), c.clear);
}

INSTANTIATE_TEST_SUITE_P(Shields, ShieldPathTest,
                         ::testing::Values(ShieldCase{"OwnShieldAroundTheShooter", 3.0f, 7.0f, 0, true},
                                           ShieldCase{"OwnShieldAhead", 7.0f, 7.0f, 0, false},
                                           ShieldCase{"OwnShieldFarOffTheLine", 7.0f, 9.0f, 0, true},
                                           ShieldCase{"EnemyShieldAhead", 7.0f, 7.0f, 1, true}),
                         [](const ::testing::TestParamInfo<ShieldCase>& info) { return std::string(info.param.name); });

// --- thrown shots --------------------------------------------------------------------------

struct ShotCase {
  const char* name;
  const char* unitType;
  bool wall;
  bool highArc;
  bool clear;
};

class ShotPathTest : public SightWorldTest, public ::testing::WithParamInterface<ShotCase> {};

TEST_P(ShotPathTest, AShotIsRefusedWhenItStrikesTerrainInFlight) {
  const ShotCase& c = GetParam();
  const Combatant* unit = PlaceUnit(2.0f, 5.3f, 0, c.unitType);
  ASSERT_NE(unit->GetWeapon(), nullptr);
  // A wall 2 high halfway to the target point.
  if (c.wall) PlaceTile("Wall", 5.5f, 5.5f);
  // A lobbed shot goes for the ground, a straight one for a unit's height.
  const float height = unit->GetWeapon()->IsAffectedByGravity() ? 0.0f : 1.1f;
  EXPECT_EQ(sight_->IsShotPathClear(*unit, TVector3(10.0f, 5.3f, height), c.highArc), c.clear);
}

INSTANTIATE_TEST_SUITE_P(
    Shots, ShotPathTest,
    ::testing::Values(ShotCase{"LobbedOpenGround", "Grenadier", false, false, true},
                      ShotCase{"LobbedLowArcIntoTheWall", "Grenadier", true, false, false},
                      ShotCase{"LobbedHighArcOverTheWall", "Grenadier", true, true, true},
                      ShotCase{"StraightOpenGround", "Grunt", false, false, true},
                      ShotCase{"StraightIntoTheWall", "Grunt", true, false, false}),
    [](const ::testing::TestParamInfo<ShotCase>& info) { return std::string(info.param.name); });

TEST_F(SightWorldTest, AShotThatStrikesTerrainOnlyAsItComesDownIsClear) {
  const Combatant* unit = PlaceUnit(2.0f, 5.3f, 0, "Grenadier");
  // The second piece of the low arc to (7.5, 5.3) runs from about
  // (2.5, 1.1) to below the ground at about (8.0, -0.2): it meets the wall
  // low, with a sample that has come down.
  const TTerrainObject* wall = PlaceTile("Wall", 6.5f, 5.5f);
  ASSERT_EQ(sight_->FirstTerrainHit(TVector3(2.5f, 5.3f, 1.1f), TVector3(8.0f, 5.3f, -0.2f), true), wall);
  EXPECT_TRUE(sight_->IsShotPathClear(*unit, TVector3(7.5f, 5.3f, 0.0f), false));
  // Aimed further, the same arc is still high over the wall's ground and
  // the shot strikes it in flight.
  EXPECT_FALSE(sight_->IsShotPathClear(*unit, TVector3(10.0f, 5.3f, 0.0f), false));
}

// --- objects on a line -----------------------------------------------------------------------

TEST_F(SightWorldTest, CollectAlongSegmentGivesEachObjectOnceNearestFirst) {
  Combatant* unit = PlaceUnit(4.0f, 5.2f, 1);
  TTerrainObject* wall = PlaceTile("Wall", 6.5f, 5.5f);
  TTerrainObject* crate = PlaceTile("Crate", 9.0f, 5.0f);
  Shield* shield = PlaceShield(*PlaceUnit(12.0f, 8.0f, 0));
  PlaceUnit(4.0f, 8.0f, 1);  // off the segment
  PlaceTile("Floor", 7.0f, 5.0f);  // below it

  std::vector<TGameObject*> met;
  sight_->CollectAlongSegment(TVector3(1.0f, 5.2f, 0.5f), TVector3(14.0f, 5.2f, 0.5f), met);
  EXPECT_EQ(met, (std::vector<TGameObject*>{unit, wall, crate, shield}));

  sight_->CollectAlongSegment(TVector3(14.0f, 5.2f, 0.5f), TVector3(1.0f, 5.2f, 0.5f), met);
  EXPECT_EQ(met, (std::vector<TGameObject*>{shield, crate, wall, unit}));
}

TEST_F(SightWorldTest, FirstHitSkipsTheExcludedObjectAndPlacesTheImpact) {
  Combatant* shooter = PlaceUnit(2.0f, 5.0f, 0);
  Combatant* near = PlaceUnit(6.0f, 5.0f, 1);
  TTerrainObject* wall = PlaceTile("Wall", 9.5f, 5.5f);
  const TVector3 from = shooter->GetFiringPoint();
  const TVector3 to(14.0f, 5.0f, from.z);
  TVector3 impact;

  EXPECT_EQ(sight_->FirstHit(shooter, from, to, impact), near);
  TVector3 centre;
  near->GetLofVolume().Centre(centre);
  EXPECT_NEAR(impact.x, from.x + from.DistanceTo(centre), 1e-4f);
  EXPECT_NEAR(impact.y, from.y, 1e-4f);

  EXPECT_EQ(sight_->FirstHit(near, from, to, impact), shooter);
  EXPECT_EQ(sight_->FirstHit(shooter, TVector3(7.0f, 5.3f, 1.0f), TVector3(14.0f, 5.3f, 1.0f), impact), wall);

  EXPECT_EQ(sight_->FirstHit(shooter, TVector3(2.0f, 2.0f, 1.0f), TVector3(14.0f, 2.0f, 1.0f), impact), nullptr);
  EXPECT_EQ(impact, TVector3(14.0f, 2.0f, 1.0f));
}

TEST_F(SightWorldTest, FirstHitWithAVolumeSweepsItAlongTheSegment) {
  Combatant* shooter = PlaceUnit(2.0f, 5.0f, 0);
  // 0.8 off the line: the bare segment passes the unit's 0.4 sphere.
  Combatant* beside = PlaceUnit(6.0f, 5.8f, 1);
  const TVector3 from(3.0f, 5.0f, 0.8f);
  const TVector3 to(10.0f, 5.0f, 0.8f);
  TVector3 impact;
  EXPECT_EQ(sight_->FirstHit(shooter, from, to, impact), nullptr);

  TCompoundVolume wide;
  wide.Add(std::make_unique<TSphereVolume>(nullptr, TVector3(), 0.5f));
  EXPECT_EQ(sight_->FirstHit(shooter, from, to, impact, &wide), beside);
}

// --- visibility ----------------------------------------------------------------------------------

TEST_F(SightWorldTest, VisibilityFactorFollowsShieldsAndWarpJumps) {
  Combatant* open = PlaceUnit(20.0f, 20.0f, 0);
  EXPECT_FLOAT_EQ(sight_->VisibilityFactor(*open), 1.0f);

  Combatant* covered = PlaceUnit(5.0f, 5.0f, 0, "Scanner");
  const Shield* shield = PlaceShield(*covered);
  ASSERT_LT(shield->CoverValue(), 1.0f);
  EXPECT_FLOAT_EQ(sight_->VisibilityFactor(*covered), shield->CoverValue());

  Combatant* jumper = PlaceUnit(30.0f, 30.0f, 1);
  jumper->MoveToward(TVector3(34.0f, 30.0f, 0.0f), 1.0f);
  ASSERT_TRUE(jumper->IsWarping());
  jumper->Update(1.3f);
  EXPECT_FLOAT_EQ(sight_->VisibilityFactor(*jumper), 1.0f);
  jumper->Update(1.5f);
  EXPECT_FLOAT_EQ(sight_->VisibilityFactor(*jumper), 0.0f);
}

}  // namespace
