#include "units/activate_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "session/id_mapper.h"
#include "support/vector_expect.h"
#include "units/order_list.h"
#include "units/order_test_world.h"
#include "units/test_orders.h"
#include "world/map_fixtures.h"
#include "world/terrain_object.h"
#include "world/world.h"

namespace {

using order_test::TTestOrder;
using resolver_test::Names;

// A switch at (5, 5); its action offset (0, 1) puts the approach point at
// (5, 6).
const TVector3 kSwitchPoint(5, 5, 0);
const TVector3 kApproachPoint(5, 6, 0);

class ActivateOrderTest : public order_test::OrderWorldTest {
 protected:
  void TearDown() override {
    list_.Clear();
    OrderWorldTest::TearDown();
  }

  TTerrainObject* Place(const std::string& type, float x, float y) {
    return map_test::PlaceTile(world_->GetMap(), world_->GetGameData(), type, x, y);
  }
  TActivateOrder* Activate(const Combatant& unit, const TVector3& at) {
    return Add(std::make_unique<TActivateOrder>(unit.GetId(), *resolver_, at));
  }
  TTestOrder* Then(const Combatant& unit) {
    return Add(std::make_unique<TTestOrder>(unit.GetId(), *resolver_, "then", TTestOrder::kAtOnce));
  }
  // Ticks of 0.25 until the unit works the switch; the tick's time.
  float RunUntilActivating(const TActivateOrder& order) {
    float now = 0.0f;
    while (!order.IsActivating() && now < 20.0f) {
      now += 0.25f;
      Tick(now);
    }
    return now;
  }
};

// --- reach ---------------------------------------------------------------------------------

struct ReachCase {
  const char* type;
  float radius;  // of the type, checked
  float distance;
  bool inReach;
};

class ActivateReachTest : public ActivateOrderTest, public ::testing::WithParamInterface<ReachCase> {};

TEST_P(ActivateReachTest, SmallUnitsMustStandOnTheApproachPointLargerOnesReachItFromTheirRadius) {
  const ReachCase& c = GetParam();
  Place("power_control_off_1", kSwitchPoint.x, kSwitchPoint.y);
  Combatant& unit = Unit(c.type, 0, TVector3(kApproachPoint.x + c.distance, kApproachPoint.y, 0));
  ASSERT_NEAR(unit.GetRadius(), c.radius, 1e-5f);
  TActivateOrder* order = Activate(unit, kSwitchPoint);
  ExpectNear(order->GetApproachPoint(), kApproachPoint);
  EXPECT_EQ(order->InReach(), c.inReach) << c.type << " at " << c.distance;
}

INSTANTIATE_TEST_SUITE_P(Sizes, ActivateReachTest,
                         ::testing::Values(ReachCase{"Queen", 0.6f, 1.3f, true}, ReachCase{"Queen", 0.6f, 1.31f, false},
                                           ReachCase{"Grunt", 0.4f, 0.498f, true},
                                           ReachCase{"Grunt", 0.4f, 0.4995f, false},
                                           ReachCase{"Grunt", 0.4f, 0.9f, false}));

// --- switching -----------------------------------------------------------------------------

struct PowerCase {
  const char* control;
  const char* cell;
  const char* controlAfter;
  const char* cellAfter;
};

class ActivatePowerTest : public ActivateOrderTest, public ::testing::WithParamInterface<PowerCase> {};

TEST_P(ActivatePowerTest, TheUnitWalksUpFacesTheControlAndSwitchesItsCellOneTimeUnitLater) {
  const PowerCase& c = GetParam();
  TTerrainObject* control = Place(c.control, kSwitchPoint.x, kSwitchPoint.y);
  TTerrainObject* cell = Place(c.cell, kSwitchPoint.x + 1, kSwitchPoint.y);
  Combatant& grunt = Unit("Grunt", 0, TVector3(2, 8, 0));
  TActivateOrder* order = Activate(grunt, kSwitchPoint);
  TTestOrder* after = Then(grunt);
  EXPECT_EQ(order->GetMarker().GetName(), "ActivatePoint");
  ExpectNear(order->EndPosition(), kApproachPoint);
  EXPECT_NEAR(order->PlannedTime(), order->GetRoute().TravelTime(grunt.GetType().GetSpeed()) + 1.0f, 1e-5f);

  const float start = RunUntilActivating(*order);
  ASSERT_TRUE(order->IsActivating());
  EXPECT_FLOAT_EQ(order->GetActivationStart(), start);
  EXPECT_TRUE(order->InReach());
  EXPECT_EQ(Journal().back(), At("Facing", start));
  EXPECT_EQ(control->GetPendingName(), "none");

  Tick(start + 0.75f);
  EXPECT_EQ(control->GetPendingName(), "none");
  EXPECT_TRUE(after->Times().empty());
  Tick(start + 1.0f);
  EXPECT_EQ(control->GetPendingName(), c.controlAfter);
  EXPECT_EQ(cell->GetPendingName(), c.cellAfter);
  EXPECT_EQ(after->Times(), (std::vector<float>{start + 1.0f}));
}

TEST_F(ActivateOrderTest, AControlReachingNoCellIsStillQueuedToTakeItsNewState) {
  TTerrainObject* control = Place("power_control_off_1", kSwitchPoint.x, kSwitchPoint.y);
  Combatant& grunt = Unit("Grunt", 0, TVector3(2, 8, 0));
  TActivateOrder* order = Activate(grunt, kSwitchPoint);
  const float start = RunUntilActivating(*order);
  ASSERT_TRUE(order->IsActivating());
  Tick(start + 1.0f);
  EXPECT_EQ(control->GetPendingName(), "power_control_on_1");
  const std::vector<TTerrainObject*>& queued = world_->GetMap().GetToRemove();
  EXPECT_EQ(std::count(queued.begin(), queued.end(), control), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, ActivatePowerTest,
    ::testing::Values(PowerCase{"power_control_off_1", "power_cell_off_1", "power_control_on_1", "power_cell_on_1"},
                      PowerCase{"power_control_on_1", "power_cell_on_1", "power_control_off_1", "power_cell_off_1"}));

TEST_F(ActivateOrderTest, ADoorSwitchTogglesTheMilitaryDoorsItFaces) {
  TTerrainObject* left = Place("mil_door_red_1", 4.5f, 3.5f);
  TTerrainObject* right = Place("mil_door_red_1", 5.5f, 3.5f);
  Place("door_control_north", kSwitchPoint.x, kSwitchPoint.y);
  Combatant& grunt = Unit("Grunt", 0, TVector3(8, 8, 0));
  TActivateOrder* order = Activate(grunt, kSwitchPoint);
  const float start = RunUntilActivating(*order);
  ASSERT_TRUE(order->IsActivating());
  Tick(start + 1.25f);
  EXPECT_FALSE(list_.HasOrders(grunt.GetId()));
  EXPECT_EQ(left->GetPendingName(), "mil_door_green_1_closed");
  EXPECT_EQ(right->GetPendingName(), "mil_door_green_1_closed");
  EXPECT_EQ(Journal().back(), At("Animation", start + 1.25f, "Stand"));
}

TEST_F(ActivateOrderTest, APointWithoutASwitchEndsTheOrderAtOnce) {
  // The top object there is the floor, which has no action.
  Combatant& grunt = Unit("Grunt", 0, TVector3(2, 8, 0));
  TActivateOrder* order = Activate(grunt, kSwitchPoint);
  EXPECT_EQ(order->FindTarget(), nullptr);
  ExpectNear(order->GetApproachPoint(), TVector3());
  EXPECT_TRUE(order->Update(1.0f));
  EXPECT_FALSE(order->IsActive());
  EXPECT_EQ(Journal(), (Names{At("Animation", 1.0f, "Stand")}));
}

TEST_F(ActivateOrderTest, ASwitchGoneBeforeTheWalkEndsTheOrderOnceWalkingItGoesOnAndSwitchesNothing) {
  TTerrainObject* control = Place("power_control_off_1", kSwitchPoint.x, kSwitchPoint.y);
  Combatant& grunt = Unit("Grunt", 0, TVector3(2, 8, 0));
  TActivateOrder* early = Activate(grunt, kSwitchPoint);
  world_->GetMap().Remove(control);
  EXPECT_EQ(early->FindTarget(), nullptr);
  EXPECT_TRUE(early->Update(1.0f));
  EXPECT_FALSE(early->IsActive());
  list_.Clear();

  control = Place("power_control_off_1", kSwitchPoint.x, kSwitchPoint.y);
  TActivateOrder* late = Activate(grunt, kSwitchPoint);
  Tick(2.0f);
  ASSERT_TRUE(late->IsActive());
  world_->GetMap().Remove(control);
  // Without the switch the order leads to where the unit stands.
  ExpectNear(*late->Destination(), grunt.Position());
  Tick(2.25f);
  EXPECT_TRUE(list_.HasOrders(grunt.GetId()));
  late->Toggle();  // nothing left to switch
}

TEST_F(ActivateOrderTest, AGoneUnitEndsTheOrderWithoutEvents) {
  Place("power_control_off_1", kSwitchPoint.x, kSwitchPoint.y);
  TActivateOrder orphan(777, *resolver_, kSwitchPoint);
  EXPECT_TRUE(orphan.Update(1.0f));
  EXPECT_EQ(events_.GetEventCount(), 0);
  EXPECT_FALSE(orphan.IsActive());
}

TEST_F(ActivateOrderTest, ResetReturnsToPlannedAndTheReplaySwitchesAgain) {
  TTerrainObject* control = Place("power_control_off_1", kSwitchPoint.x, kSwitchPoint.y);
  Combatant& grunt = Unit("Grunt", 0, TVector3(5, 8, 0));
  TActivateOrder* order = Activate(grunt, kSwitchPoint);
  const float start = RunUntilActivating(*order);
  ASSERT_TRUE(order->IsActivating());

  list_.Rewind();
  EXPECT_FALSE(order->IsActivating());
  EXPECT_FALSE(order->IsActive());
  EXPECT_TRUE(order->GetMarker().IsChanged());
  EXPECT_EQ(control->GetPendingName(), "none");
  // The unit still stands by the switch: the replay starts working it in
  // its first tick and switches exactly one time unit later.
  const float replay = start + 0.5f;
  Tick(replay);
  ASSERT_TRUE(order->IsActivating());
  EXPECT_FLOAT_EQ(order->GetActivationStart(), replay);
  Tick(replay + 0.999f);
  EXPECT_EQ(control->GetPendingName(), "none");
  Tick(replay + 1.0f);
  EXPECT_EQ(control->GetPendingName(), "power_control_on_1");
}

TEST_F(ActivateOrderTest, MarkersFollowShowMarkers) {
  Place("power_control_off_1", kSwitchPoint.x, kSwitchPoint.y);
  Combatant& grunt = Unit("Grunt", 0, TVector3(2, 8, 0));
  TActivateOrder* order = Activate(grunt, kSwitchPoint);
  EXPECT_TRUE(order->GetMarker().IsBuilt());
  ExpectNear(order->GetMarker().GetPosition(), TVector3());
  list_.ShowMarkers(grunt.GetId());
  EXPECT_FALSE(order->GetMarker().IsHidden());
  EXPECT_TRUE(order->AreRouteMarkersShown());
  list_.ShowMarkers(grunt.GetId() + 1);
  EXPECT_TRUE(order->GetMarker().IsHidden());
  EXPECT_FALSE(order->AreRouteMarkersShown());
}

TEST_F(ActivateOrderTest, IsTheSameOrderByNameAndTargetPoint) {
  const TActivateOrder order(1, *resolver_, kSwitchPoint);
  struct Case {
    std::vector<std::string> tokens;
    bool same;
  };
  const Case cases[] = {
      {{"a", "Activate"}, false},
      {{"a", "b", "Movement", "5,5"}, false},
      {{"a", "b", "Activate"}, true},
      {{"a", "b", "Activate", "5,5"}, true},
      {{"a", "b", "Activate", "5,5.001"}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(order.IsSameOrder(c.tokens), c.same) << c.tokens.back();
}

struct StreamCase {
  const char* tag;
  bool counted;
};

class ActivateStreamTest : public ActivateOrderTest, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(ActivateStreamTest, TheRecordCarriesTheTargetPointAndReadsBack) {
  const StreamCase& c = GetParam();
  Place("power_control_off_1", kSwitchPoint.x, kSwitchPoint.y);
  Combatant& grunt = Unit("Grunt", 0, TVector3(2, 8, 0));
  Activate(grunt, TVector3(5.0f, 5.125f, 0.0f));

  TDataStream stream(c.tag);
  list_.WriteOrders(stream);
  stream.Rewind();
  EXPECT_EQ(stream.ReadString(), "Activate");
  EXPECT_EQ(static_cast<int32_t>(stream.ReadInt()), grunt.GetId());
  if (c.counted) {
    EXPECT_EQ(stream.ReadInt(), 3u);
  }
  EXPECT_EQ(stream.ReadFloat(), 5.0f);
  EXPECT_EQ(stream.ReadFloat(), 5.125f);
  EXPECT_EQ(stream.ReadFloat(), 0.0f);
  EXPECT_EQ(stream.ReadString(), "End");

  TOrderVector read = ReadBack(stream);
  ASSERT_EQ(read.size(), 1u);
  auto& back = dynamic_cast<TActivateOrder&>(*read[0]);
  ExpectNear(back.GetTargetPoint(), TVector3(5.0f, 5.125f, 0.0f));
  EXPECT_FALSE(back.IsActivating());
  TOrderList other;
  other.Add(std::move(read[0]));
  ExpectNear(back.GetApproachPoint(), TVector3(5.0f, 6.125f, 0.0f));
}

INSTANTIATE_TEST_SUITE_P(Versions, ActivateStreamTest,
                         ::testing::Values(StreamCase{"Vorhelm-1-058", true}, StreamCase{"Vorhelm-3-10", false}));

}  // namespace
