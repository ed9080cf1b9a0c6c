// Rules of the sight resolver that its speed must not bend: of two terrain
// objects met at the same distance the later one is hit, and a unit's
// tracking reach shrinks under a shield and vanishes for a unit in the middle
// of a warp jump.
#include <gtest/gtest.h>

#include "sight_test_world.h"

namespace {

using sight_test::SightWorldTest;

TEST_F(SightWorldTest, OfTwoTilesAtTheSameDistanceTheLaterIsHit) {
  TTerrainObject* first = PlaceTile("Wall", 7.5f, 5.5f);
  TTerrainObject* second = PlaceTile("Wall", 7.5f, 5.5f);
  ASSERT_NE(first, second);
  EXPECT_EQ(sight_->FirstTerrainHit(TVector3(3.0f, 5.3f, 1.0f), TVector3(12.0f, 5.3f, 1.0f), false), second);
  EXPECT_EQ(sight_->FirstTerrainHit(TVector3(12.0f, 5.3f, 1.0f), TVector3(3.0f, 5.3f, 1.0f), true), second);
}

class ShieldedTrackingTest : public SightWorldTest {
 protected:
  // A Scanner of side 0 whose sight a wall cuts off, so that only its
  // tracking can find what stands beyond the wall.
  void SetUp() override {
    SightWorldTest::SetUp();
    scanner_ = PlaceUnit(5.0f, 5.3f, 0, "Scanner");
    ASSERT_NE(scanner_, nullptr);
    ASSERT_TRUE(scanner_->HasTracking());
    PlaceTile("Wall", 7.5f, 5.5f);
  }

  bool Tracked(float t, const Combatant& target) {
    sight_->UpdateCells(t);
    sight_->Step(t);
    return target.TestFlag(0);
  }

  Combatant* scanner_ = nullptr;
};

TEST_F(ShieldedTrackingTest, AShieldShrinksTheReachOfTracking) {
  // A Scanner's shield covers well.
  Combatant* target = PlaceUnit(20.0f, 5.3f, 1, "Scanner");
  const float reach = target->GetSightWeight() * scanner_->GetTrackingRange();
  // Within the bare reach, beyond the reach through the shield's cover.
  Shield* shield = PlaceShield(*target);
  const float covered = reach * shield->CoverValue();
  ASSERT_LT(covered + 0.5f, reach);
  const float distance = 0.5f * (covered + reach);
  ASSERT_GT(distance, 2.6f);
  target->SetPosition(TVector3(5.0f + distance, 5.3f, 0.0f));
  shield->SetPosition(target->Position());
  EXPECT_FALSE(Tracked(0.1f, *target));

  shield->SetPosition(TVector3(40.0f, 45.0f, 0.0f));
  EXPECT_TRUE(Tracked(0.2f, *target));
}

TEST_F(ShieldedTrackingTest, EachObjectKeepsItsOwnCoverForEveryUnitOfThePass) {
  // Two scanners behind walls and two targets as far from each, one of them
  // under a shield: within one pass only the bare one is found, by both.
  Combatant* second = PlaceUnit(5.0f, 25.3f, 0, "Scanner");
  PlaceTile("Wall", 7.5f, 25.5f);
  Combatant* covered = PlaceUnit(20.0f, 5.3f, 1, "Scanner");
  Combatant* bare = PlaceUnit(20.0f, 25.3f, 1, "Scanner");
  Shield* shield = PlaceShield(*covered);
  const float reach = covered->GetSightWeight() * scanner_->GetTrackingRange();
  const float distance = 0.5f * (reach * shield->CoverValue() + reach);
  ASSERT_LT(reach * shield->CoverValue() + 0.5f, reach);
  covered->SetPosition(TVector3(5.0f + distance, 5.3f, 0.0f));
  shield->SetPosition(covered->Position());
  bare->SetPosition(TVector3(5.0f + distance, 25.3f, 0.0f));
  // Each scanner reaches only the target on its own row.
  ASSERT_GT(scanner_->Position().DistanceTo(bare->Position()), reach);
  ASSERT_GT(second->Position().DistanceTo(covered->Position()), reach);
  EXPECT_TRUE(Tracked(0.1f, *bare));
  EXPECT_FALSE(covered->TestFlag(0));
}

TEST_F(ShieldedTrackingTest, AUnitInTheMiddleOfAWarpJumpCannotBeTracked) {
  Combatant* jumper = PlaceUnit(9.0f, 5.3f, 1);
  jumper->MoveToward(TVector3(13.0f, 5.3f, 0.0f), 1.0f);
  ASSERT_TRUE(jumper->IsWarping());
  jumper->Update(1.5f);
  ASSERT_TRUE(jumper->IsMidWarp());
  EXPECT_FALSE(Tracked(1.5f, *jumper));
  // Out of the jump's middle it is found again.
  jumper->Update(2.5f);
  ASSERT_FALSE(jumper->IsWarping() && jumper->IsMidWarp());
  EXPECT_TRUE(Tracked(2.6f, *jumper));
}

}  // namespace
