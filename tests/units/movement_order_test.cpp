#include "units/movement_order.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/data_stream.h"
#include "session/id_mapper.h"
#include "sim/event.h"
#include "sim/resolver_test_world.h"
#include "sim/unit_events.h"
#include "units/order_factory.h"
#include "units/combatant_list.h"
#include "units/order_list.h"
#include "units/test_orders.h"
#include "units/unit_type.h"
#include "world/egg.h"

namespace {

using order_test::TTestOrder;

const std::string kRouteMarker = "BasicMovement";

// A walk to a fixed point, as the "Movement" order.
class TWalkOrder : public TRouteOrder {
 public:
  TWalkOrder(int32_t unitId, TActionResolver& resolver, const TVector3& to)
      : TRouteOrder(unitId, resolver, kRouteMarker), to_(to) {}
  TWalkOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
      : TRouteOrder(stream, resolver, ids, kRouteMarker) {
    to_.Read(stream);
  }
  std::string_view Name() const override { return "Movement"; }
  std::optional<TVector3> Destination() const override { return to_; }
  void Write(TDataStream& stream) const override {
    stream.WriteString(std::string(Name()));
    TRouteOrder::Write(stream);
    to_.Write(stream);
  }

 private:
  TVector3 to_;
};

// Walks to its target and notes each time it acts there; over once it has
// acted as often as asked.
class TReachOrder : public TApproachOrder {
 public:
  TReachOrder(int32_t unitId, TActionResolver& resolver, int32_t targetId)
      : TApproachOrder(unitId, resolver, kRouteMarker, targetId) {}
  TReachOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
      : TApproachOrder(stream, resolver, ids, kRouteMarker) {}
  std::string_view Name() const override { return "Follow"; }
  void Write(TDataStream& stream) const override {
    stream.WriteString(std::string(Name()));
    TApproachOrder::Write(stream);
  }
  bool ActAtTarget(float now) override {
    if (!InReach()) return false;
    acts_.push_back(now);
    return true;
  }
  bool IsOver() const override { return acts_.size() >= actsWanted_; }

  void SetActsWanted(std::size_t count) { actsWanted_ = count; }
  const std::vector<float>& Acts() const { return acts_; }

 private:
  std::vector<float> acts_;
  std::size_t actsWanted_ = 1000;
};

class MovementOrderTest : public resolver_test::ResolverWorldTest {
 protected:
  void SetUp() override {
    ResolverWorldTest::SetUp();
    TRouteOrder::ClearBlockers();
  }
  void TearDown() override {
    list_.Clear();
    TRouteOrder::ClearBlockers();
    ResolverWorldTest::TearDown();
  }

  TWalkOrder* Walk(const Combatant& unit, const TVector3& to) {
    auto order = std::make_unique<TWalkOrder>(unit.GetId(), *resolver_, to);
    TWalkOrder* placed = order.get();
    list_.Add(std::move(order));
    return placed;
  }
  TReachOrder* Reach(const Combatant& unit, const TGameObject& target) {
    auto order = std::make_unique<TReachOrder>(unit.GetId(), *resolver_, target.GetId());
    TReachOrder* placed = order.get();
    list_.Add(std::move(order));
    return placed;
  }
  TTestOrder* Then(const Combatant& unit, const std::string& name = "Hold") {
    auto order = std::make_unique<TTestOrder>(unit.GetId(), *resolver_, name, TTestOrder::kAtOnce, nullptr, name);
    TTestOrder* placed = order.get();
    list_.Add(std::move(order));
    return placed;
  }

  // Simulation ticks as the turn simulator runs them: the world moves its
  // objects, then the chains run at the same clock time.
  void RunTicks(float first, float last, float step) {
    const int32_t count = static_cast<int32_t>(std::lround((last - first) / step));
    for (int32_t i = 0; i <= count; ++i) Tick(first + static_cast<float>(i) * step);
  }
  void Tick(float now) {
    world_->Update(now);
    list_.RunTick(now);
  }

  std::vector<const TEvent*> EventsOf(std::string_view type) const {
    std::vector<const TEvent*> found;
    for (int32_t i = 0; i < events_.GetEventCount(); ++i) {
      if (events_.GetEvent(i)->TypeName() == type) found.push_back(events_.GetEvent(i));
    }
    return found;
  }
  std::vector<float> StandTimes() const {
    std::vector<float> times;
    for (const TEvent* event : EventsOf(TAnimationEvent::kTypeName)) {
      if (static_cast<const TAnimationEvent*>(event)->GetState() == "Stand") times.push_back(event->GetTime());
    }
    return times;
  }
  static bool RoutePassesNear(const TRoute& route, const TVector3& point, float distance) {
    for (std::size_t i = route.Cursor(); i < route.PointCount(); ++i) {
      if (route.PointAt(i)->DistanceTo(point) < distance) return true;
    }
    return false;
  }
  // A route order made only to write the unit's entry in the blocker table.
  void RecordBlocker(const Combatant& unit, int32_t blockerId) {
    TWalkOrder entry(unit.GetId(), *resolver_, unit.Position());
    entry.SetBlocker(blockerId);
  }

  TOrderList list_;
};

TEST_F(MovementOrderTest, AWalkArrivesAndHandsTheRestOfTheTickToTheNextOrder) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2, 5, 0));
  TWalkOrder* walk = Walk(unit, TVector3(4, 5, 0));
  TTestOrder* next = Then(unit);
  // Planned at once, from where the unit stands.
  ASSERT_GE(walk->GetRoute().PointCount(), 2u);
  EXPECT_EQ(*walk->GetRoute().PointAt(0), TVector3(2, 5, 0));
  EXPECT_EQ(walk->EndPosition(), TVector3(4, 5, 0));
  const float speed = unit.GetType().GetSpeed();
  EXPECT_NEAR(walk->PlannedTime(), 2.0f / speed, 1e-4f);

  // Ticks of 0.3 from 0.3: every lattice step follows the last one from its
  // end, so the unit arrives at 0.3 + 2 / speed, between two ticks.
  RunTicks(0.3f, 8.4f, 0.3f);
  const float arrival = 0.3f + 2.0f / speed;
  EXPECT_TRUE(unit.Position().IsWithin(TVector3(4, 5, 0), 1e-4f));
  EXPECT_TRUE(walk->IsActive());
  ASSERT_TRUE(walk->StartPoint().has_value());
  EXPECT_EQ(*walk->StartPoint(), TVector3(2, 5, 0));
  ASSERT_EQ(next->Times().size(), 1u);
  EXPECT_NEAR(next->Times()[0], arrival, 1e-3f);
  EXPECT_GT(walk->GetTimeUsed(), 0.0f);
  EXPECT_EQ(EventsOf(TMovementEvent::kTypeName).size(), 4u);
  // Another order follows: the walk leaves the unit's animation to it.
  EXPECT_TRUE(StandTimes().empty());
  EXPECT_FALSE(unit.GetOrderFlag());
}

TEST_F(MovementOrderTest, TheLastWalkLetsTheUnitStandFromItsArrival) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2, 5, 0));
  Walk(unit, TVector3(3, 5, 0));
  RunTicks(0.3f, 3.0f, 0.3f);
  const float arrival = 0.3f + 1.0f / unit.GetType().GetSpeed();
  ASSERT_EQ(StandTimes().size(), 1u);
  EXPECT_NEAR(StandTimes()[0], arrival, 1e-3f);
  EXPECT_FALSE(list_.HasOrders(unit.GetId()));
  EXPECT_EQ(TRouteOrder::GetBlocker(unit.GetId()), -1);
}

TEST_F(MovementOrderTest, AUnitOnItsDestinationCompletesWithoutStartingAndKeepsItsTimeLeft) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2, 5, 0));
  TWalkOrder* walk = Walk(unit, TVector3(2, 5, 0));
  TTestOrder* next = Then(unit);
  walk->SetTimeUsed(0.25f);
  Tick(1.0f);
  EXPECT_FALSE(walk->IsActive());
  EXPECT_EQ(*walk->StartPoint(), TVector3());
  EXPECT_FLOAT_EQ(walk->GetTimeUsed(), 0.25f);
  ASSERT_EQ(next->Times().size(), 1u);
  EXPECT_FLOAT_EQ(next->Times()[0], 0.75f);
  EXPECT_TRUE(EventsOf(TMovementEvent::kTypeName).empty());
}

TEST_F(MovementOrderTest, ALaterWalkIsPlannedFromWhereTheEarlierOneEnds) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2, 2, 0));
  TWalkOrder* first = Walk(unit, TVector3(2, 4, 0));
  TWalkOrder* second = Walk(unit, TVector3(5, 4, 0));
  ASSERT_GE(second->GetRoute().PointCount(), 2u);
  EXPECT_EQ(*second->GetRoute().PointAt(0), TVector3(2, 4, 0));
  EXPECT_EQ(second->StartPosition(), first->EndPosition());
  EXPECT_NEAR(list_.PlannedTime(unit.GetId()), first->PlannedTime() + second->PlannedTime(), 1e-5f);
  ASSERT_TRUE(list_.EndPosition(unit.GetId()).has_value());
  EXPECT_EQ(*list_.EndPosition(unit.GetId()), TVector3(5, 4, 0));
}

TEST_F(MovementOrderTest, AnOrderWithoutItsUnitCompletesAtOnce) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2, 5, 0));
  const int32_t id = unit.GetId();
  TWalkOrder* walk = Walk(unit, TVector3(6, 5, 0));
  TTestOrder* next = Then(unit);
  world_->GetUnits().RemoveById(id);
  Tick(1.0f);
  EXPECT_FALSE(walk->IsActive());
  ASSERT_EQ(next->Times().size(), 1u);
  EXPECT_FLOAT_EQ(next->Times()[0], 1.0f);
  EXPECT_FLOAT_EQ(walk->PlannedTime(), 0.0f);
}

struct DisplacedCase {
  bool regenerators;
  bool replanned;
};

class DisplacedUnitTest : public MovementOrderTest, public ::testing::WithParamInterface<DisplacedCase> {};

TEST_P(DisplacedUnitTest, PlansAgainUnlessRegeneratorsExplainTheDistance) {
  const DisplacedCase& c = GetParam();
  if (c.regenerators) {
    // One by where the unit lands, one by its next route point.
    Dump("Regenerator", 0, TVector3(1, 8, 0));
    Dump("Regenerator", 0, TVector3(1, 4, 0));
  }
  Combatant& unit = Unit("Grunt", 0, TVector3(2, 5, 0));
  TWalkOrder* walk = Walk(unit, TVector3(8, 5, 0));
  Tick(0.1f);
  ASSERT_EQ(walk->GetRoute().Cursor(), 1u);
  ASSERT_EQ(*walk->GetRoute().PointAt(1), TVector3(2.5f, 5, 0));
  unit.SetPosition(TVector3(2, 8, 0));
  Tick(0.2f);
  const TVector3 routeStart = *walk->GetRoute().PointAt(0);
  EXPECT_EQ(routeStart == TVector3(2, 8, 0), c.replanned);
  EXPECT_EQ(routeStart == TVector3(2, 5, 0), !c.replanned);
}

INSTANTIATE_TEST_SUITE_P(Regenerators, DisplacedUnitTest,
                         ::testing::Values(DisplacedCase{false, true}, DisplacedCase{true, false}));

// A's walk along row 5 meets B at (4, 5); what the blocker table and B's
// state say decides whether A plans a way round B or waits for it.
struct DetourCase {
  const char* name;
  const char* blockerType;
  bool blockerUnderWay;  // the resolver then sees no reason to go round
  int blockerEntry;      // 0: none, 1: A (a cycle), 2: a third unit
  bool detours;
};

class DetourTest : public MovementOrderTest, public ::testing::WithParamInterface<DetourCase> {};

TEST_P(DetourTest, TheBlockerDecidesBetweenADetourAndWaiting) {
  const DetourCase& c = GetParam();
  Combatant& a = Unit("Grunt", 0, TVector3(2, 5, 0));
  Combatant& b = Unit(c.blockerType, 0, TVector3(4, 5, 0));
  Combatant& third = Unit("Grunt", 0, TVector3(9, 9, 0));
  b.SetOrderFlag(c.blockerUnderWay);
  if (c.blockerEntry == 1) RecordBlocker(b, a.GetId());
  if (c.blockerEntry == 2) RecordBlocker(b, third.GetId());
  TWalkOrder* walk = Walk(a, TVector3(8, 5, 0));
  ASSERT_TRUE(RoutePassesNear(walk->GetRoute(), b.Position(), 0.1f));

  RunTicks(0.5f, 6.0f, 0.5f);
  EXPECT_EQ(!RoutePassesNear(walk->GetRoute(), b.Position(), 0.45f), c.detours);
  // Waiting, A stays where its last step ended, B still in its way.
  EXPECT_EQ(a.Position().IsWithin(TVector3(3, 5, 0), 1e-4f), !c.detours);
  if (!c.detours) {
    EXPECT_EQ(TRouteOrder::GetBlocker(a.GetId()), b.GetId());
  }
  EXPECT_FALSE(walk->IsFinished());
}

INSTANTIATE_TEST_SUITE_P(Blockers, DetourTest,
                         ::testing::Values(DetourCase{"same speed, under way", "Grunt", true, 0, false},
                                           DetourCase{"blocking each other", "Grunt", true, 1, true},
                                           DetourCase{"slower blocker", "Grenadier", true, 0, true},
                                           DetourCase{"standing blocker", "Grunt", false, 0, true},
                                           DetourCase{"blocker waits for a third", "Grunt", false, 2, false}));

// A walks to (8, 5), where something stands. An enemy's unit, dump or egg
// there ends A's chain; the side's own do not.
struct ObstacleCase {
  const char* kind;
  int32_t owner;
  bool ends;
};

class ObstacleTest : public MovementOrderTest, public ::testing::WithParamInterface<ObstacleCase> {};

TEST_P(ObstacleTest, AnEnemyInTheWayEndsTheChain) {
  const ObstacleCase& c = GetParam();
  const TVector3 at(8, 5, 0);
  const std::string kind = c.kind;
  if (kind == "unit") Unit("Grunt", c.owner, at);
  if (kind == "dump") Dump("Regenerator", c.owner, at);
  if (kind == "egg") {
    test_world::Place(*world_, std::make_unique<Egg>(at, *world_->GetGameData().FindUnitType("Egg"), c.owner, 0.0f));
  }
  Combatant& unit = Unit("Grunt", 0, TVector3(4, 5, 0));
  TWalkOrder* walk = Walk(unit, at);
  TTestOrder* next = Then(unit);
  RunTicks(0.5f, 15.0f, 0.5f);
  EXPECT_EQ(walk->IsFinished(), c.ends);
  // An ended chain runs no later order; a blocked one is still walking.
  EXPECT_EQ(list_.GetChain(0)->Current(), c.ends ? nullptr : walk);
  EXPECT_TRUE(next->Times().empty());
  // The unit walked up to the obstacle first.
  EXPECT_LE(unit.Position().DistanceTo(at), 2.0f);
}

INSTANTIATE_TEST_SUITE_P(Owners, ObstacleTest,
                         ::testing::Values(ObstacleCase{"unit", 1, true}, ObstacleCase{"dump", 1, true},
                                           ObstacleCase{"egg", 1, true}, ObstacleCase{"unit", 0, false},
                                           ObstacleCase{"dump", 0, false}));

// B stands on A's destination. A may leave the rest of the way when its
// chain goes on walking; the first later order that is not "Rules" decides.
struct StopShortCase {
  std::vector<std::string> later;
  bool stopsShort;
};

class StopShortTest : public MovementOrderTest, public ::testing::WithParamInterface<StopShortCase> {};

TEST_P(StopShortTest, AUnitBlockedAtItsDestinationStopsShortOnlyWhenAWalkFollows) {
  const StopShortCase& c = GetParam();
  const TVector3 at(8, 5, 0);
  Unit("Grunt", 0, at);
  Combatant& unit = Unit("Grunt", 0, TVector3(4, 5, 0));
  TWalkOrder* walk = Walk(unit, at);
  TOrder* firstLater = nullptr;
  for (const std::string& name : c.later) {
    TOrder* added = name == "Movement" ? static_cast<TOrder*>(Walk(unit, TVector3(8, 2, 0))) : Then(unit, name);
    if (firstLater == nullptr) firstLater = added;
  }
  RunTicks(0.5f, 15.0f, 0.5f);
  EXPECT_EQ(list_.GetChain(0)->Current() != walk, c.stopsShort);
  EXPECT_FALSE(walk->IsFinished());
  if (c.stopsShort) {
    EXPECT_FLOAT_EQ(walk->GetTimeUsed(), 0.0f);
    EXPECT_TRUE(firstLater->IsActive());
  }
}

INSTANTIATE_TEST_SUITE_P(LaterOrders, StopShortTest,
                         ::testing::Values(StopShortCase{{"Movement"}, true}, StopShortCase{{"Rules", "Movement"}, true},
                                           StopShortCase{{"Hold", "Movement"}, false}, StopShortCase{{}, false}));

TEST_F(MovementOrderTest, TakingBackAStartedWalkPutsTheUnitBackAndAResetPlansAnew) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2, 5, 0));
  Combatant& other = Unit("Grunt", 0, TVector3(9, 9, 0));
  TWalkOrder* walk = Walk(unit, TVector3(6, 5, 0));
  RunTicks(0.5f, 3.0f, 0.5f);
  ASSERT_TRUE(walk->IsActive());
  ASSERT_FALSE(unit.Position().IsWithin(TVector3(2, 5, 0), 1e-4f));
  RecordBlocker(other, unit.GetId());

  walk->Reset();
  EXPECT_FALSE(walk->IsActive());
  EXPECT_FALSE(walk->IsRunning());
  EXPECT_FALSE(walk->IsWaiting());
  EXPECT_FALSE(walk->GetWaitTimeout().IsRunning());
  EXPECT_EQ(TRouteOrder::GetBlocker(other.GetId()), -1);
  // Planned again from where the order starts: the unit's place now.
  EXPECT_EQ(*walk->GetRoute().PointAt(0), unit.Position());

  RunTicks(3.5f, 4.0f, 0.5f);
  ASSERT_TRUE(walk->IsActive());
  list_.Cancel(unit);
  EXPECT_EQ(list_.GetChainCount(), 0);
  EXPECT_TRUE(unit.Position().IsWithin(unit.GetDestination(), 1e-4f));
}

TEST_F(MovementOrderTest, CanRemoveOfAStartedWalkPutsTheUnitWhereTheOrderStarts) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2, 5, 0));
  TWalkOrder* first = Walk(unit, TVector3(3, 5, 0));
  TWalkOrder* second = Walk(unit, TVector3(6, 5, 0));
  EXPECT_TRUE(second->CanRemove());
  EXPECT_EQ(unit.Position(), TVector3(2, 5, 0));
  RunTicks(0.5f, 4.0f, 0.5f);
  ASSERT_TRUE(second->IsActive());
  ASSERT_FALSE(unit.Position().IsWithin(TVector3(3, 5, 0), 1e-3f));
  // A later walk starts where the earlier one ends.
  EXPECT_TRUE(second->CanRemove());
  EXPECT_EQ(unit.Position(), first->EndPosition());
  EXPECT_EQ(unit.GetDestination(), TVector3(3, 5, 0));
  // The first order starts where its unit stands: the unit stops there.
  unit.MoveToward(TVector3(3.5f, 5, 0), 5.0f);
  world_->Update(5.5f);
  const TVector3 halfway = unit.Position();
  ASSERT_NE(halfway, TVector3(3, 5, 0));
  EXPECT_TRUE(first->CanRemove());
  EXPECT_EQ(unit.GetDestination(), halfway);
}

TEST_F(MovementOrderTest, AWalkToNowhereReachableWaitsAndPlansAgain) {
  // A closed room at (8..10, 8..10) around the destination (9, 9).
  for (int i = 7; i <= 11; ++i) {
    for (const TVector3& wall : {TVector3(static_cast<float>(i), 7, 0), TVector3(static_cast<float>(i), 11, 0),
                                 TVector3(7, static_cast<float>(i), 0), TVector3(11, static_cast<float>(i), 0)}) {
      map_test::PlaceTile(world_->GetMap(), world_->GetGameData(), "Wall", wall.x, wall.y);
    }
  }
  Combatant& unit = Unit("Grunt", 0, TVector3(5, 9, 0));
  TWalkOrder* walk = Walk(unit, TVector3(9, 9, 0));
  const TVector3 routeEnd = walk->EndPosition();
  ASSERT_NE(routeEnd, TVector3(9, 9, 0));

  float now = 0.1f;
  for (; now < 20.0f && !walk->IsWaiting(); now += 0.1f) Tick(now);
  ASSERT_TRUE(walk->IsWaiting());
  EXPECT_TRUE(unit.Position().IsWithin(routeEnd, 1e-4f));
  EXPECT_FALSE(unit.GetOrderFlag());
  EXPECT_TRUE(walk->GetWaitTimeout().IsRunning());
  EXPECT_FALSE(EventsOf(TStopActionsEvent::kTypeName).empty());
  const float waitStart = walk->GetWaitTimeout().GetStartTime();
  // The wait of 0.2 ends in a new plan from where the unit stands.
  Tick(waitStart + 0.1f);
  EXPECT_TRUE(walk->IsWaiting());
  Tick(waitStart + 0.2f);
  Tick(waitStart + 0.3f);
  EXPECT_EQ(*walk->GetRoute().PointAt(0), unit.Position());
  EXPECT_FALSE(walk->IsFinished());
  EXPECT_TRUE(list_.HasOrders(unit.GetId()));
}

// --- approach ----------------------------------------------------------------------

TEST_F(MovementOrderTest, AnApproachWalksToItsTargetActsInReachAndEndsWhenOver) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2, 5, 0));
  Combatant& target = Unit("Grunt", 0, TVector3(7, 5, 0));
  TReachOrder* reach = Reach(unit, target);
  reach->SetActsWanted(2);
  EXPECT_EQ(reach->TargetUnitId(), target.GetId());
  EXPECT_EQ(reach->EndPosition(), target.Position());
  EXPECT_NEAR(reach->ArrivalDistance(),
              unit.GetLofVolume().MaxGroundRadius() + target.GetLofVolume().MaxGroundRadius() + 0.7071f, 1e-6f);

  RunTicks(0.25f, 20.0f, 0.25f);
  ASSERT_EQ(reach->Acts().size(), 2u);
  EXPECT_TRUE(reach->InReach());
  EXPECT_FALSE(list_.HasOrders(unit.GetId()));
  // The walk towards the target never steps onto it.
  EXPECT_GT(unit.Position().DistanceTo(target.Position()), 0.5f);
  ASSERT_FALSE(StandTimes().empty());
  EXPECT_GT(StandTimes().back(), reach->Acts().back());
}

TEST_F(MovementOrderTest, TheDestinationFollowsTheTargetOnlyWhileThePlayerSeesIt) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2, 5, 0));
  Combatant& enemy = Unit("Grunt", 1, TVector3(8, 5, 0));
  TReachOrder* reach = Reach(unit, enemy);
  ASSERT_TRUE(reach->GetLastTargetPosition().has_value());
  EXPECT_EQ(*reach->Destination(), TVector3(8, 5, 0));

  enemy.SetPosition(TVector3(8, 8, 0));
  EXPECT_EQ(*reach->Destination(), TVector3(8, 5, 0));
  enemy.SetFlag(unit.GetOwner(), true);
  EXPECT_EQ(*reach->Destination(), TVector3(8, 8, 0));

  world_->GetUnits().RemoveById(enemy.GetId());
  EXPECT_FALSE(reach->IsTargetValid());
  EXPECT_EQ(*reach->Destination(), TVector3(8, 5, 0));
  EXPECT_FALSE(reach->InReach());
}

struct TargetMoveCase {
  float moved;
  bool replans;
};

class TargetMoveTest : public MovementOrderTest, public ::testing::WithParamInterface<TargetMoveCase> {};

TEST_P(TargetMoveTest, AnApproachPlansAnewOnlyWhenTheTargetMovedHalfAUnit) {
  const TargetMoveCase& c = GetParam();
  Combatant& unit = Unit("Grunt", 0, TVector3(2, 5, 0));
  Combatant& target = Unit("Grunt", 0, TVector3(8, 5, 0));
  TReachOrder* reach = Reach(unit, target);
  Tick(0.1f);
  ASSERT_EQ(reach->GetRoute().Cursor(), 1u);
  // The unit has come to rest on its next route point, and the target has
  // moved on.
  unit.SetPosition(*reach->GetRoute().PointAt(1));
  target.SetPosition(TVector3(8, 5 + c.moved, 0));
  Tick(0.2f);
  EXPECT_EQ(reach->EndPosition() == target.Position(), c.replans);
  EXPECT_EQ(reach->EndPosition() == TVector3(8, 5, 0), !c.replans);
  EXPECT_EQ(*reach->GetLastTargetPosition() == target.Position(), c.replans);
}

INSTANTIATE_TEST_SUITE_P(Distances, TargetMoveTest,
                         ::testing::Values(TargetMoveCase{0.4f, false}, TargetMoveCase{0.6f, true}));

TEST_F(MovementOrderTest, InReachComparesTheGapWithTheTwoRadii) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2, 5, 0));
  Combatant& target = Unit("Grunt", 0, TVector3(8, 5, 0));
  const float radii = unit.GetLofVolume().MaxGroundRadius() + target.GetLofVolume().MaxGroundRadius();
  TReachOrder reach(unit.GetId(), *resolver_, target.GetId());
  struct Case {
    float beyondLimit;
    bool inReach;
  };
  const Case cases[] = {{-0.5f, true}, {-0.01f, true}, {0.01f, false}, {1.0f, false}};
  for (const Case& c : cases) {
    target.SetPosition(TVector3(2 + radii + TApproachOrder::kReachMargin + c.beyondLimit, 5, 0));
    EXPECT_EQ(reach.InReach(), c.inReach) << c.beyondLimit;
  }
}

TEST_F(MovementOrderTest, TheTargetMarkerIsMadeOnFirstShowAndGoesWithAResetOrANewPlan) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2, 5, 0));
  Combatant& target = Unit("Grunt", 0, TVector3(8, 5, 0));
  TReachOrder* reach = Reach(unit, target);
  EXPECT_EQ(reach->GetTargetMarker(), nullptr);
  reach->ShowMarker(true);
  ASSERT_NE(reach->GetTargetMarker(), nullptr);
  EXPECT_EQ(reach->GetTargetMarker()->category, "Interface");
  EXPECT_EQ(reach->GetTargetMarker()->key, "WayPoint");
  EXPECT_EQ(reach->GetTargetMarker()->point, target.Position());
  EXPECT_TRUE(reach->GetTargetMarker()->shown);
  reach->ShowMarker(false);
  EXPECT_FALSE(reach->GetTargetMarker()->shown);
  EXPECT_FALSE(reach->AreRouteMarkersShown());

  reach->ComputeRoute();
  EXPECT_EQ(reach->GetTargetMarker(), nullptr);
  reach->ShowMarker(true);
  reach->Reset();
  EXPECT_EQ(reach->GetTargetMarker(), nullptr);
  EXPECT_TRUE(reach->AreRouteMarkersShown());
}

// --- the orders stream ----------------------------------------------------------------

// While held, "Movement" and "Follow" entries read as the test orders.
class TWalkAndReachReaders {
 public:
  TWalkAndReachReaders() {
    TOrderFactory::Instance().Register("Movement", [](TDataStream& stream, TActionResolver& resolver, TIdMapper& ids) {
      return std::unique_ptr<TOrder>(std::make_unique<TWalkOrder>(stream, resolver, ids));
    });
    TOrderFactory::Instance().Register("Follow", [](TDataStream& stream, TActionResolver& resolver, TIdMapper& ids) {
      return std::unique_ptr<TOrder>(std::make_unique<TReachOrder>(stream, resolver, ids));
    });
  }
  ~TWalkAndReachReaders() {
    TOrderFactory::Instance().Unregister("Movement");
    TOrderFactory::Instance().Unregister("Follow");
  }
  TWalkAndReachReaders(const TWalkAndReachReaders&) = delete;
  TWalkAndReachReaders& operator=(const TWalkAndReachReaders&) = delete;
};

TEST_F(MovementOrderTest, WalksAndApproachesCrossTheOrdersStream) {
  const TWalkAndReachReaders readers;
  Combatant& unit = Unit("Grunt", 0, TVector3(2, 5, 0));
  Combatant& target = Unit("Grunt", 0, TVector3(8, 5, 0));
  Walk(unit, TVector3(5, 2, 0));
  Reach(unit, target);
  TDataStream stream;
  list_.WriteOrders(stream);

  stream.Rewind();
  TRawIdMapper ids;
  TOrderVector read;
  TOrderList::ReadOrders(read, *resolver_, ids, stream);

  ASSERT_EQ(read.size(), 2u);
  const auto* walk = dynamic_cast<const TWalkOrder*>(read[0].get());
  const auto* reach = dynamic_cast<const TReachOrder*>(read[1].get());
  ASSERT_NE(walk, nullptr);
  ASSERT_NE(reach, nullptr);
  EXPECT_EQ(walk->GetUnitId(), unit.GetId());
  EXPECT_EQ(*walk->Destination(), TVector3(5, 2, 0));
  EXPECT_EQ(reach->GetUnitId(), unit.GetId());
  EXPECT_EQ(reach->GetTargetId(), target.GetId());
  EXPECT_EQ(*reach->GetLastTargetPosition(), target.Position());
  EXPECT_FALSE(stream.HasFailed());
  EXPECT_EQ(stream.Remaining(), 0u);
}

}  // namespace
