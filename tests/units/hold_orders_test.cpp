#include "units/hold_orders.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "session/id_mapper.h"
#include "sim/event.h"
#include "sim/resolver_test_world.h"
#include "sim/unit_events.h"
#include "support/vector_expect.h"
#include "units/order_factory.h"
#include "units/order_list.h"
#include "units/order_test_world.h"
#include "units/test_orders.h"

namespace {

using order_test::TTestOrder;
using resolver_test::Names;

// An order list over the resolver's world, with the readers of the three
// orders filed while a test runs.
class HoldOrdersTest : public order_test::OrderWorldTest {
 protected:
  TTestOrder* AddTest(int32_t unitId, const std::string& label, float end) {
    return Add(std::make_unique<TTestOrder>(unitId, *resolver_, label, end));
  }

};

// --- Hold ----------------------------------------------------------------------------------

TEST_F(HoldOrdersTest, HoldStandsForItsDurationAndHandsOnTheTimeAfterItsEnd) {
  Combatant& grunt = Unit("Grunt", 0, TVector3(2.5f, 2.5f, 0.0f));
  THoldOrder* hold = Add(std::make_unique<THoldOrder>(grunt.GetId(), *resolver_, 2.0f));
  TTestOrder* after = AddTest(grunt.GetId(), "after", TTestOrder::kAtOnce);
  EXPECT_FALSE(hold->IsActive());
  EXPECT_EQ(hold->GetStartTime(), THoldOrder::kNotStarted);

  list_.RunTick(1.0f);
  EXPECT_TRUE(hold->IsActive());
  EXPECT_FLOAT_EQ(hold->GetStartTime(), 1.0f);
  list_.RunTick(2.9f);
  EXPECT_TRUE(after->Times().empty());
  list_.RunTick(3.25f);

  EXPECT_NEAR(hold->GetTimeUsed(), 0.25f, 1e-5f);
  ASSERT_EQ(after->Times().size(), 1u);
  EXPECT_NEAR(after->Times()[0], 3.0f, 1e-5f);
  EXPECT_EQ(Journal(), (Names{At("Animation", 1.0f, "Stand")}));
}

TEST_F(HoldOrdersTest, HoldOfNoDurationEndsInItsFirstUpdateAtTheTimeItStarted) {
  // The previous order ends at 4.7 within the tick at 5.0: the hold starts
  // and ends at 4.7, and so does the order after it.
  Combatant& grunt = Unit("Grunt", 0, TVector3(2.5f, 2.5f, 0.0f));
  AddTest(grunt.GetId(), "before", 4.7f);
  THoldOrder* hold = Add(std::make_unique<THoldOrder>(grunt.GetId(), *resolver_, 0.0f));
  TTestOrder* after = AddTest(grunt.GetId(), "after", TTestOrder::kAtOnce);

  list_.RunTick(5.0f);

  EXPECT_NEAR(hold->GetStartTime(), 4.7f, 1e-5f);
  EXPECT_EQ(hold->GetTimeUsed(), 0.0f);
  ASSERT_EQ(after->Times().size(), 1u);
  EXPECT_NEAR(after->Times()[0], 4.7f, 1e-5f);
  EXPECT_FALSE(list_.HasOrders(grunt.GetId()));
}

TEST_F(HoldOrdersTest, HoldOfAGoneUnitEndsAtOnceWithoutEvents) {
  THoldOrder* hold = Add(std::make_unique<THoldOrder>(777, *resolver_, 5.0f));
  TTestOrder* after = AddTest(777, "after", TTestOrder::kAtOnce);
  list_.RunTick(1.0f);
  EXPECT_FALSE(hold->IsActive());
  EXPECT_EQ(after->Times(), (std::vector<float>{1.0f}));
  EXPECT_EQ(events_.GetEventCount(), 0);
}

TEST_F(HoldOrdersTest, RewindReturnsTheHoldToNotBegunAndTheReplayMatches) {
  Combatant& grunt = Unit("Grunt", 0, TVector3(2.5f, 2.5f, 0.0f));
  THoldOrder* hold = Add(std::make_unique<THoldOrder>(grunt.GetId(), *resolver_, 1.5f));
  list_.RunTick(0.5f);
  list_.RunTick(2.5f);
  EXPECT_FALSE(list_.HasOrders(grunt.GetId()));
  EXPECT_FALSE(hold->GetMarker().IsChanged());

  list_.Rewind();
  EXPECT_FALSE(hold->IsActive());
  EXPECT_EQ(hold->GetStartTime(), THoldOrder::kNotStarted);
  EXPECT_TRUE(hold->GetMarker().IsChanged());
  EXPECT_TRUE(list_.HasOrders(grunt.GetId()));

  list_.RunTick(0.5f);
  EXPECT_FLOAT_EQ(hold->GetStartTime(), 0.5f);
  list_.RunTick(2.5f);
  EXPECT_NEAR(hold->GetTimeUsed(), 0.5f, 1e-5f);
}

// --- markers and planning ------------------------------------------------------------------

TEST_F(HoldOrdersTest, MarkersStandWhereThePreviousOrderLeavesTheUnit) {
  Combatant& queen = Unit("Queen", 0, TVector3(2.5f, 2.5f, 0.0f));
  const int32_t id = queen.GetId();
  const TVector3 there(6.5f, 4.5f, 0.0f);
  const TVector3 further(8.5f, 1.5f, 0.0f);

  THoldOrder* hold = Add(std::make_unique<THoldOrder>(id, *resolver_, 1.0f));
  AddTest(id, "walk", 1.0f)->SetEndPosition(there);
  TCommitSuicideOrder* suicide = Add(std::make_unique<TCommitSuicideOrder>(id, *resolver_));
  AddTest(id, "walk on", 1.0f)->SetEndPosition(further);
  TLayEggOrder* egg = Add(std::make_unique<TLayEggOrder>(id, *resolver_));

  struct Case {
    const TOrderPointMarker& marker;
    std::string name;
    TVector3 at;
  };
  const Case cases[] = {{hold->GetMarker(), "HoldPoint", queen.Position()},
                        {suicide->GetMarker(), "SuicidePoint", there},
                        {egg->GetMarker(), "LayPoint", further}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(c.marker.IsBuilt());
    EXPECT_EQ(c.marker.GetName(), c.name);
    ExpectNear(c.marker.GetPosition(), c.at);
  }
  ExpectNear(egg->EndPosition(), further);
}

TEST_F(HoldOrdersTest, ShowMarkerHidesOrShowsOnlyWhileTheUnitExists) {
  Combatant& grunt = Unit("Grunt", 0, TVector3(2.5f, 2.5f, 0.0f));
  THoldOrder* hold = Add(std::make_unique<THoldOrder>(grunt.GetId(), *resolver_, 1.0f));
  TCommitSuicideOrder* suicide = Add(std::make_unique<TCommitSuicideOrder>(grunt.GetId(), *resolver_));
  TLayEggOrder* egg = Add(std::make_unique<TLayEggOrder>(grunt.GetId(), *resolver_));

  list_.ShowMarkers(grunt.GetId() + 1);
  for (const TOrderPointMarker* marker : {&hold->GetMarker(), &suicide->GetMarker(), &egg->GetMarker()}) {
    EXPECT_TRUE(marker->IsHidden()) << marker->GetName();
    EXPECT_EQ(marker->GetDrawCount(), 1) << marker->GetName();
  }
  list_.ShowMarkers(grunt.GetId());
  for (const TOrderPointMarker* marker : {&hold->GetMarker(), &suicide->GetMarker(), &egg->GetMarker()}) {
    EXPECT_FALSE(marker->IsHidden()) << marker->GetName();
  }

  THoldOrder orphan(777, *resolver_, 1.0f);
  orphan.ShowMarker(false);
  EXPECT_FALSE(orphan.GetMarker().IsHidden());
  EXPECT_EQ(orphan.GetMarker().GetDrawCount(), 0);
}

TEST_F(HoldOrdersTest, PlannedTimesAreFixedPerClass) {
  struct Case {
    std::unique_ptr<TOrder> order;
    float planned;
  };
  Case cases[] = {{std::make_unique<THoldOrder>(1, *resolver_, 0.0f), 1.0f},
                  {std::make_unique<THoldOrder>(1, *resolver_, 7.5f), 1.0f},
                  {std::make_unique<TCommitSuicideOrder>(1, *resolver_), 0.0f},
                  {std::make_unique<TLayEggOrder>(1, *resolver_), 2.0f}};
  for (const Case& c : cases) EXPECT_EQ(c.order->PlannedTime(), c.planned) << c.order->Name();
}

// --- CommitSuicide -------------------------------------------------------------------------

TEST_F(HoldOrdersTest, CommitSuicideKillsItsUnitOnceAndTakesNoTime) {
  Combatant& splatter = Unit("Splatter", 0, TVector3(2.5f, 2.5f, 0.0f));
  TCommitSuicideOrder* suicide = Add(std::make_unique<TCommitSuicideOrder>(splatter.GetId(), *resolver_));
  EXPECT_FALSE(suicide->IsActive());

  EXPECT_TRUE(suicide->Update(1.25f));
  EXPECT_TRUE(suicide->IsActive());
  EXPECT_TRUE(splatter.IsDestroyed());
  EXPECT_EQ(Journal(), (Names{At("Damage", 1.25f)}));

  // Without a reset a second run kills nothing more.
  EXPECT_TRUE(suicide->Update(1.5f));
  EXPECT_EQ(events_.GetEventCount(), 1);
  suicide->Reset();
  EXPECT_FALSE(suicide->IsActive());
  EXPECT_TRUE(suicide->GetMarker().IsChanged());
}

TEST_F(HoldOrdersTest, CommitSuicideOfAGoneUnitEndsWithoutEvents) {
  TCommitSuicideOrder suicide(777, *resolver_);
  EXPECT_TRUE(suicide.Update(1.0f));
  EXPECT_FALSE(suicide.IsActive());
  EXPECT_EQ(events_.GetEventCount(), 0);
}

// --- LayEgg ----------------------------------------------------------------------------------

TEST_F(HoldOrdersTest, LayEggLaysTwoTimeUnitsAfterItStartsNotAtTheTick) {
  Combatant& queen = Unit("Queen", 0, TVector3(2.5f, 2.5f, 0.0f));
  queen.SetFoodStore(1.5f);
  TLayEggOrder* egg = Add(std::make_unique<TLayEggOrder>(queen.GetId(), *resolver_));

  list_.RunTick(1.0f);
  EXPECT_TRUE(egg->IsActive());
  EXPECT_FLOAT_EQ(egg->GetStartTime(), 1.0f);
  list_.RunTick(2.95f);
  EXPECT_TRUE(list_.HasOrders(queen.GetId()));
  list_.RunTick(3.5f);

  EXPECT_FALSE(list_.HasOrders(queen.GetId()));
  EXPECT_NEAR(egg->GetTimeUsed(), 0.5f, 1e-5f);
  // The queen stands from the moment the egg was laid.
  EXPECT_EQ(Journal(), (Names{At("Animation", 1.0f, "LayEgg"), At("LayEgg", 3.0f), At("Animation", 3.0f, "Stand")}));
  EXPECT_NEAR(queen.GetFoodStore(), 0.5f, 1e-5f);
}

TEST_F(HoldOrdersTest, LayEggWithoutAQueenWithFoodLaysNothingAndStands) {
  struct Case {
    std::string type;
    float food;
    bool lays;
  };
  const Case cases[] = {{"Queen", 0.5f, false},
                        {"Queen", 0.9998f, false},
                        {"Queen", 0.99995f, true},
                        {"Queen", 1.0f, true},
                        {"Grunt", 5.0f, false}};
  float x = 1.5f;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type + " " + std::to_string(c.food));
    events_.Clear();
    Combatant& unit = Unit(c.type, 0, TVector3(x, 2.5f, 0.0f));
    x += 2.0f;
    unit.SetFoodStore(c.food);
    TLayEggOrder egg(unit.GetId(), *resolver_);
    EXPECT_EQ(egg.Update(4.0f), !c.lays);
    EXPECT_EQ(egg.IsActive(), c.lays);
    const Names expected = c.lays ? Names{At("Animation", 4.0f, "LayEgg")} : Names{At("Animation", 4.0f, "Stand")};
    EXPECT_EQ(Journal(), expected);
  }

  TLayEggOrder gone(777, *resolver_);
  events_.Clear();
  EXPECT_TRUE(gone.Update(1.0f));
  EXPECT_EQ(events_.GetEventCount(), 0);
}

TEST_F(HoldOrdersTest, LayEggResetStartsTheLayingAnew) {
  Combatant& queen = Unit("Queen", 0, TVector3(2.5f, 2.5f, 0.0f));
  queen.SetFoodStore(1.0f);
  TLayEggOrder* egg = Add(std::make_unique<TLayEggOrder>(queen.GetId(), *resolver_));
  list_.RunTick(1.0f);
  list_.Rewind();
  EXPECT_FALSE(egg->IsActive());
  EXPECT_TRUE(egg->GetMarker().IsChanged());
  list_.RunTick(2.0f);
  EXPECT_FLOAT_EQ(egg->GetStartTime(), 2.0f);
}

// --- orders stream -----------------------------------------------------------------------------

TEST_F(HoldOrdersTest, RecordsAreNameUnitAndOnlyTheHoldsDuration) {
  Combatant& queen = Unit("Queen", 0, TVector3(2.5f, 2.5f, 0.0f));
  const int32_t id = queen.GetId();
  Add(std::make_unique<THoldOrder>(id, *resolver_, 2.5f));
  Add(std::make_unique<TCommitSuicideOrder>(id, *resolver_));
  Add(std::make_unique<TLayEggOrder>(id, *resolver_));

  TDataStream written;
  list_.WriteOrders(written);
  TDataStream expected;
  expected.WriteString("Hold");
  expected.WriteInt(static_cast<uint32_t>(id));
  expected.WriteFloat(2.5f);
  expected.WriteString("CommitSuicide");
  expected.WriteInt(static_cast<uint32_t>(id));
  expected.WriteString("LayEgg");
  expected.WriteInt(static_cast<uint32_t>(id));
  expected.WriteString("End");
  EXPECT_EQ(written.Body(), expected.Body());
}

TEST_F(HoldOrdersTest, OrdersReadBackAsPlannedWhateverTheyHadDone) {
  Combatant& queen = Unit("Queen", 0, TVector3(2.5f, 2.5f, 0.0f));
  queen.SetFoodStore(1.0f);
  const int32_t id = queen.GetId();
  Add(std::make_unique<TLayEggOrder>(id, *resolver_));
  Add(std::make_unique<THoldOrder>(id, *resolver_, 2.5f));
  Add(std::make_unique<TCommitSuicideOrder>(id, *resolver_));
  // The egg is laid at 5.0; at 6.0 the hold is under way.
  list_.RunTick(3.0f);
  list_.RunTick(6.0f);
  ASSERT_TRUE(list_.LastOrder(id)->Prev()->IsActive());

  const TOrderVector read = RoundTrip();
  ASSERT_EQ(read.size(), 3u);
  const auto& egg = dynamic_cast<const TLayEggOrder&>(*read[0]);
  const auto& hold = dynamic_cast<const THoldOrder&>(*read[1]);
  const auto& suicide = dynamic_cast<const TCommitSuicideOrder&>(*read[2]);
  for (const auto& order : read) EXPECT_EQ(order->GetUnitId(), id) << order->Name();
  EXPECT_FLOAT_EQ(hold.GetDuration(), 2.5f);
  EXPECT_EQ(hold.GetStartTime(), THoldOrder::kNotStarted);
  EXPECT_FALSE(hold.IsActive());
  EXPECT_FALSE(egg.IsActive());
  EXPECT_FALSE(suicide.IsActive());
}

TEST_F(HoldOrdersTest, OrdersOfAGoneUnitAreDroppedOnReading) {
  Combatant& grunt = Unit("Grunt", 0, TVector3(2.5f, 2.5f, 0.0f));
  Add(std::make_unique<THoldOrder>(grunt.GetId(), *resolver_, 1.0f));
  Add(std::make_unique<THoldOrder>(777, *resolver_, 1.0f));
  Add(std::make_unique<TLayEggOrder>(777, *resolver_));
  const TOrderVector read = RoundTrip();
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0]->GetUnitId(), grunt.GetId());
}

}  // namespace
