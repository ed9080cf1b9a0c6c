#include "units/walk_orders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "session/id_mapper.h"
#include "sim/corpse.h"
#include "sim/unit_events.h"
#include "support/vector_expect.h"
#include "units/combatant_list.h"
#include "units/order_list.h"
#include "units/order_test_world.h"
#include "units/test_orders.h"
#include "world/map_fixtures.h"
#include "world/world.h"

namespace {

using order_test::TTestOrder;
using resolver_test::Names;

class WalkOrdersTest : public order_test::OrderWorldTest {
 protected:
  void TearDown() override {
    list_.Clear();
    OrderWorldTest::TearDown();
  }

  TMovementOrder* Move(const Combatant& unit, const TVector3& to, bool plan = true) {
    return Add(std::make_unique<TMovementOrder>(unit.GetId(), *resolver_, to, plan));
  }
  TEatOrder* Eat(const Combatant& unit, float range) {
    return Add(std::make_unique<TEatOrder>(unit.GetId(), *resolver_, range));
  }
  TTestOrder* Then(const Combatant& unit) {
    return Add(std::make_unique<TTestOrder>(unit.GetId(), *resolver_, "then", TTestOrder::kAtOnce));
  }
  // A corpse of a Grunt of player 1, seen by the players named.
  Corpse& AddCorpse(const TVector3& at, std::vector<int32_t> seenBy = {0}) {
    auto corpse = std::make_unique<Corpse>(at, *world_->GetGameData().FindUnitType("Grunt"), 0, 0.0f, 1);
    Corpse& placed = *corpse;
    world_->Add(std::move(corpse));
    for (int32_t player : seenBy) placed.SetFlag(player, true);
    return placed;
  }

  std::vector<std::string> EventsOf(std::string_view type) const {
    std::vector<std::string> lines;
    for (const std::string& line : Journal()) {
      if (line.rfind(std::string(type) + " ", 0) == 0) lines.push_back(line);
    }
    return lines;
  }
};

// --- Movement ------------------------------------------------------------------------------

TEST_F(WalkOrdersTest, MovementWalksToItsDestinationAndTheUnitStandsFromItsArrival) {
  Combatant& grunt = Unit("Grunt", 0, TVector3(2, 5, 0));
  TMovementOrder* move = Move(grunt, TVector3(4, 5, 0));
  EXPECT_TRUE(move->PlansRoute());
  ASSERT_GE(move->GetRoute().PointCount(), 2u);
  ExpectNear(move->EndPosition(), TVector3(4, 5, 0));
  const float speed = grunt.GetType().GetSpeed();
  EXPECT_NEAR(move->PlannedTime(), 2.0f / speed, 1e-4f);

  RunTicks(0.3f, 6.0f, 0.3f);
  EXPECT_TRUE(grunt.Position().IsWithin(TVector3(4, 5, 0), 1e-4f));
  EXPECT_FALSE(list_.HasOrders(grunt.GetId()));
  const std::vector<std::string> stands = EventsOf("Animation");
  ASSERT_FALSE(stands.empty());
  EXPECT_EQ(stands.back(), At("Animation", 0.3f + 2.0f / speed, "Stand"));
}

// A rewind plans a walk that follows another walk only when something would
// read the plan before the walk starts: the walk plans again from where its
// unit stands when it starts.
TEST_F(WalkOrdersTest, ARewindLeavesAFollowingWalkToPlanWhenItStarts) {
  Combatant& grunt = Unit("Grunt", 0, TVector3(2, 5, 0));
  TMovementOrder* first = Move(grunt, TVector3(4, 5, 0));
  TMovementOrder* second = Move(grunt, TVector3(4, 7, 0));
  TMovementOrder* third = Move(grunt, TVector3(6, 7, 0));
  list_.Rewind();
  EXPECT_GE(first->GetRoute().PointCount(), 2u);
  EXPECT_EQ(second->GetRoute().PointCount(), 0u);
  EXPECT_EQ(third->GetRoute().PointCount(), 0u);

  RunTicks(0.3f, 15.0f, 0.3f);
  EXPECT_TRUE(grunt.Position().IsWithin(TVector3(6, 7, 0), 1e-4f));
  ASSERT_GE(second->GetRoute().PointCount(), 2u);
  ExpectNear(*second->GetRoute().PointAt(0), TVector3(4, 5, 0));
  ExpectNear(second->EndPosition(), TVector3(4, 7, 0));
  ExpectNear(*third->GetRoute().PointAt(0), TVector3(4, 7, 0));
}

// Whatever reads a walk's route before the walk starts keeps the walk's
// rewind plan: an order after it that is not such a walk (its marker starts
// where the walk ends), or a walk that may lose its destination.
TEST_F(WalkOrdersTest, ARewindPlansAWalkWhoseRouteALaterOrderReads) {
  Combatant& grunt = Unit("Grunt", 0, TVector3(2, 5, 0));
  Move(grunt, TVector3(4, 5, 0));
  TMovementOrder* second = Move(grunt, TVector3(4, 7, 0));
  TMovementOrder* third = Move(grunt, TVector3(6, 7, 0));
  Then(grunt);
  list_.Rewind();
  ExpectNear(second->EndPosition(), TVector3(4, 7, 0));
  ExpectNear(third->EndPosition(), TVector3(6, 7, 0));

  Combatant& other = Unit("Grunt", 0, TVector3(2, 9, 0));
  Move(other, TVector3(4, 9, 0));
  TMovementOrder* walk = Move(other, TVector3(4, 11, 0));
  Eat(other, 5.0f);
  list_.Rewind();
  ExpectNear(walk->EndPosition(), TVector3(4, 11, 0));
}

TEST_F(WalkOrdersTest, MovementWithoutPlanningOnlyMarksItsDestinationUntilReadBack) {
  Combatant& grunt = Unit("Grunt", 0, TVector3(2, 5, 0));
  const TVector3 to(7, 5, 0);
  TMovementOrder* move = Move(grunt, to, false);
  EXPECT_FALSE(move->PlansRoute());
  EXPECT_EQ(move->GetRoute().PointCount(), 0u);
  ASSERT_NE(move->GetMarker(), nullptr);
  EXPECT_EQ(move->GetMarker()->GetName(), "WayPoint");
  ExpectNear(move->GetMarker()->GetPosition(), to);
  // Without a route the order ends where it starts.
  ExpectNear(move->EndPosition(), grunt.Position());

  TOrderVector read = RoundTrip();
  ASSERT_EQ(read.size(), 1u);
  auto& back = dynamic_cast<TMovementOrder&>(*read[0]);
  EXPECT_TRUE(back.PlansRoute());
  ExpectNear(back.GetDestination(), to);
  TOrderList other;
  other.Add(std::move(read[0]));
  ASSERT_GE(back.GetRoute().PointCount(), 2u);
  ExpectNear(back.EndPosition(), to);
  // Planning deletes the marker; showing builds it again.
  EXPECT_EQ(back.GetMarker(), nullptr);
}

struct MarkerCase {
  const char* name;
  bool obstacle;
};

class MovementMarkerTest : public WalkOrdersTest, public ::testing::WithParamInterface<MarkerCase> {};

TEST_P(MovementMarkerTest, TheWaypointStandsAtTheEndOfTheRouteAndWarnsWhenThePlaceIsTaken) {
  const MarkerCase& c = GetParam();
  Combatant& grunt = Unit("Grunt", 0, TVector3(2, 5, 0));
  const TVector3 to(6, 5, 0);
  TMovementOrder* move = Move(grunt, to);
  ASSERT_EQ(move->GetMarker(), nullptr);
  // Something is set down on the planned end after planning.
  if (c.obstacle) map_test::PlaceTile(world_->GetMap(), world_->GetGameData(), "Crate", to.x, to.y);

  list_.ShowMarkers(grunt.GetId());
  const TWayPointMarker* marker = move->GetMarker();
  ASSERT_NE(marker, nullptr);
  EXPECT_EQ(marker->GetName(), "WayPoint");
  ExpectNear(marker->GetPosition(), to);
  EXPECT_FALSE(marker->IsHidden());
  EXPECT_TRUE(marker->IsChanged());
  EXPECT_EQ(marker->GetDrawCount(), 1);
  EXPECT_TRUE(move->AreRouteMarkersShown());
  EXPECT_EQ(marker->IsTinted(), c.obstacle);
  if (c.obstacle) {
    const TColour* tint = marker->GetTint();
    EXPECT_EQ(tint->r, 1.0f);
    EXPECT_EQ(tint->g, 0.0f);
    EXPECT_EQ(tint->b, 0.0f);
    EXPECT_EQ(tint->a, 1.0f);
    EXPECT_FLOAT_EQ(marker->GetTintStrength(), -0.95f);
  }

  list_.ShowMarkers(grunt.GetId() + 1);
  EXPECT_EQ(move->GetMarker(), marker);
  EXPECT_TRUE(marker->IsHidden());
}

INSTANTIATE_TEST_SUITE_P(Places, MovementMarkerTest,
                         ::testing::Values(MarkerCase{"free", false}, MarkerCase{"taken", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WalkOrdersTest, MovementMarkerIsNotBuiltForAGoneUnit) {
  TMovementOrder orphan(777, *resolver_, TVector3(5, 5, 0), true);
  orphan.ShowMarker(true);
  EXPECT_EQ(orphan.GetMarker(), nullptr);
}

TEST_F(WalkOrdersTest, MovementIsTheSameOrderByNameAndDestinationWithinATolerance) {
  const TMovementOrder move(1, *resolver_, TVector3(6, 5, 0), false);
  struct Case {
    std::vector<std::string> tokens;
    bool same;
  };
  const Case cases[] = {
      {{"a", "Movement"}, false},
      {{"a", "b", "Hold"}, false},
      {{"a", "b", "Movement"}, true},
      {{"a", "b", "Movement", "6,5"}, true},
      {{"a", "b", "Movement", "6.00005,4.99995,0.00005"}, true},
      {{"a", "b", "Movement", "6.0002,5"}, false},
      {{"a", "b", "Movement", "6,5,1"}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(move.IsSameOrder(c.tokens), c.same) << c.tokens.size() << " " << c.tokens.back();
  }
}

struct StreamCase {
  const char* tag;
  bool counted;
};

class WalkStreamTest : public WalkOrdersTest, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(WalkStreamTest, BothOrdersWriteTheirRecordsAndReadBack) {
  const StreamCase& c = GetParam();
  Combatant& queen = Unit("Queen", 0, TVector3(2, 2, 0));
  Corpse& corpse = AddCorpse(TVector3(4, 2, 0));
  Move(queen, TVector3(6.5f, 7.25f, 0));
  TEatOrder* eat = Eat(queen, 3.5f);
  ASSERT_TRUE(eat->FindCorpse());

  TDataStream stream(c.tag);
  list_.WriteOrders(stream);
  stream.Rewind();
  EXPECT_EQ(stream.ReadString(), "Movement");
  EXPECT_EQ(static_cast<int32_t>(stream.ReadInt()), queen.GetId());
  if (c.counted) {
    EXPECT_EQ(stream.ReadInt(), 3u);
  }
  EXPECT_EQ(stream.ReadFloat(), 6.5f);
  EXPECT_EQ(stream.ReadFloat(), 7.25f);
  EXPECT_EQ(stream.ReadFloat(), 0.0f);
  EXPECT_EQ(stream.ReadString(), "Eat");
  EXPECT_EQ(static_cast<int32_t>(stream.ReadInt()), queen.GetId());
  EXPECT_EQ(static_cast<int32_t>(stream.ReadInt()), corpse.GetId());
  EXPECT_EQ(stream.ReadFloat(), 3.5f);
  EXPECT_EQ(stream.ReadString(), "End");
  EXPECT_FALSE(stream.HasFailed());

  TOrderVector read = ReadBack(stream);
  ASSERT_EQ(read.size(), 2u);
  const auto& move = dynamic_cast<const TMovementOrder&>(*read[0]);
  EXPECT_EQ(move.GetUnitId(), queen.GetId());
  ExpectNear(move.GetDestination(), TVector3(6.5f, 7.25f, 0));
  const auto& eatBack = dynamic_cast<const TEatOrder&>(*read[1]);
  EXPECT_EQ(eatBack.GetCorpseId(), corpse.GetId());
  EXPECT_EQ(eatBack.GetCorpse(), &corpse);
  EXPECT_EQ(eatBack.GetSearchRange(), 3.5f);
  EXPECT_FALSE(eatBack.IsActive());
}

INSTANTIATE_TEST_SUITE_P(Versions, WalkStreamTest,
                         ::testing::Values(StreamCase{"Vorhelm-1-058", true}, StreamCase{"Vorhelm-1-059", false},
                                           StreamCase{"Vorhelm-3-10", false}));

TEST_F(WalkOrdersTest, StreamsWithPointsOrAmountsThatAreNotFiniteAreRefused) {
  Combatant& queen = Unit("Queen", 0, TVector3(2, 2, 0));
  const int32_t id = queen.GetId();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    const char* what;
    const char* name;
    std::vector<float> values;
    bool reads;
  } cases[] = {
      {"a finite destination", "Movement", {6.5f, 7.0f, 0.0f}, true},
      {"a destination of NaN", "Movement", {nan, 7.0f, 0.0f}, false},
      {"an infinite destination", "Movement", {6.5f, -inf, 0.0f}, false},
      {"a finite hold", "Hold", {2.0f}, true},
      {"an endless hold", "Hold", {inf}, false},
  };
  for (const auto& c : cases) {
    TDataStream stream;
    stream.WriteString(c.name);
    stream.WriteInt(static_cast<uint32_t>(id));
    for (const float value : c.values) stream.WriteFloat(value);
    stream.WriteString("End");
    stream.Rewind();
    TOrderVector read;
    TRawIdMapper ids;
    EXPECT_EQ(TOrderList::ReadOrders(read, *resolver_, ids, stream), c.reads) << c.what;
    EXPECT_EQ(read.size(), c.reads ? 1u : 0u) << c.what;
  }
}

// --- Eat: finding a corpse -----------------------------------------------------------------

struct NoCorpseCase {
  const char* name;
  bool corpse;
  float distance;   // from the unit, along x
  bool seen;        // by the eater's player
  bool wall;        // a wall between them
};

class EatFindsNothingTest : public WalkOrdersTest, public ::testing::WithParamInterface<NoCorpseCase> {};

TEST_P(EatFindsNothingTest, EndsOnItsFirstUpdateWithTheUnitStanding) {
  const NoCorpseCase& c = GetParam();
  Combatant& queen = Unit("Queen", 0, TVector3(2, 5, 0));
  if (c.corpse) AddCorpse(TVector3(2 + c.distance, 5, 0), c.seen ? std::vector<int32_t>{0} : std::vector<int32_t>{});
  if (c.wall) map_test::PlaceTile(world_->GetMap(), world_->GetGameData(), "Wall", 4, 5);
  TEatOrder* eat = Eat(queen, 2.0f);
  TTestOrder* after = Then(queen);

  list_.RunTick(1.0f);
  EXPECT_FALSE(eat->IsActive());
  EXPECT_EQ(eat->GetCorpseId(), -1);
  EXPECT_EQ(after->Times(), (std::vector<float>{1.0f}));
  EXPECT_TRUE(EventsOf("Movement").empty());
}

INSTANTIATE_TEST_SUITE_P(
    Corpses, EatFindsNothingTest,
    ::testing::Values(NoCorpseCase{"none", false, 0.0f, true, false},
                      NoCorpseCase{"beyond_range_and_radii", true, 5.0f, true, false},
                      NoCorpseCase{"unseen", true, 3.0f, false, false},
                      NoCorpseCase{"behind_a_wall", true, 4.0f, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WalkOrdersTest, EatRangeCountsFromBothRadii) {
  Combatant& queen = Unit("Queen", 0, TVector3(2, 5, 0));
  const float reach = queen.GetRadius() + 2.0f;  // a corpse has no radius
  Corpse& edge = AddCorpse(TVector3(2 + reach - 0.001f, 5, 0));
  TEatOrder* eat = Eat(queen, 2.0f);
  ASSERT_TRUE(eat->FindCorpse());
  EXPECT_EQ(eat->GetCorpse(), &edge);
}

TEST_F(WalkOrdersTest, EatChoosesTheNearestCorpseAndTheEarlierOfTwoAtOneDistance) {
  Combatant& queen = Unit("Queen", 0, TVector3(5, 5, 0));
  AddCorpse(TVector3(8, 5, 0));
  Corpse& first = AddCorpse(TVector3(5, 7, 0));
  AddCorpse(TVector3(3, 5, 0));
  TEatOrder* eat = Eat(queen, 4.0f);
  ASSERT_TRUE(eat->FindCorpse());
  EXPECT_EQ(eat->GetCorpse(), &first);

  Corpse& nearer = AddCorpse(TVector3(6.5f, 5, 0));
  ASSERT_TRUE(eat->FindCorpse());
  EXPECT_EQ(eat->GetCorpse(), &nearer);
}

// --- Eat: walking and eating ---------------------------------------------------------------

TEST_F(WalkOrdersTest, EatWalksToTheCorpseAndEatsForTwoTimeUnitsFromComingInReach) {
  Combatant& queen = Unit("Queen", 0, TVector3(2, 5, 0));
  Corpse& corpse = AddCorpse(TVector3(6, 5, 0));
  TEatOrder* eat = Eat(queen, 5.0f);
  TTestOrder* after = Then(queen);
  EXPECT_EQ(eat->PlannedTime(), 2.0f);
  EXPECT_TRUE(eat->GetMarker().IsBuilt());
  EXPECT_EQ(eat->GetMarker().GetName(), "EatPoint");
  ExpectNear(eat->GetMarker().GetPosition(), TVector3(2, 5, 0));
  ExpectNear(eat->EndPosition(), TVector3(2, 5, 0));

  float now = 0.0f;
  while (!eat->IsEating() && now < 20.0f) {
    now += 0.25f;
    Tick(now);
  }
  ASSERT_TRUE(eat->IsEating());
  EXPECT_EQ(eat->GetCorpse(), &corpse);
  EXPECT_FLOAT_EQ(eat->GetEatingStart(), now);
  EXPECT_LE(queen.Position().DistanceTo(corpse.Position()), queen.GetRadius() + 0.7071f + 1e-4f);
  EXPECT_EQ(EventsOf("Animation").back(), At("Animation", now, "Eat"));
  EXPECT_TRUE(EventsOf("Calorie").empty());

  const float start = now;
  Tick(start + 1.9f);
  EXPECT_TRUE(after->Times().empty());
  Tick(start + 2.3f);
  EXPECT_EQ(EventsOf("Calorie"), (Names{At("Calorie", start + 2.0f)}));
  EXPECT_EQ(EventsOf("Damage"), (Names{At("Damage", start + 2.0f)}));
  EXPECT_NEAR(eat->GetTimeUsed(), 0.3f, 1e-4f);
  ASSERT_EQ(after->Times().size(), 1u);
  EXPECT_NEAR(after->Times()[0], start + 2.0f, 1e-4f);
}

TEST_F(WalkOrdersTest, EatEndsWhenItsCorpseIsGoneWhileTheUnitWalks) {
  Combatant& queen = Unit("Queen", 0, TVector3(2, 5, 0));
  Corpse& corpse = AddCorpse(TVector3(9, 5, 0));
  TEatOrder* eat = Eat(queen, 8.0f);
  TTestOrder* after = Then(queen);
  RunTicks(0.25f, 1.0f, 0.25f);
  ASSERT_TRUE(eat->IsActive());
  ASSERT_FALSE(eat->IsEating());

  world_->Remove(&corpse);
  Tick(1.25f);
  EXPECT_EQ(after->Times(), (std::vector<float>{1.25f}));
  EXPECT_FALSE(eat->IsEating());
  EXPECT_TRUE(EventsOf("Calorie").empty());
}

TEST_F(WalkOrdersTest, EatOfAGoneUnitEndsAtOnce) {
  AddCorpse(TVector3(4, 5, 0));
  TEatOrder* eat = Eat(Unit("Queen", 0, TVector3(2, 5, 0)), 5.0f);
  const int32_t id = eat->GetUnitId();
  world_->GetUnits().RemoveById(id);
  EXPECT_TRUE(eat->Update(1.0f));
  EXPECT_FALSE(eat->IsActive());
  EXPECT_EQ(events_.GetEventCount(), 0);
  EXPECT_FALSE(eat->Destination().has_value());
}

TEST_F(WalkOrdersTest, EatResetReturnsToSearchingAndShowMarkerFollowsTheUnit) {
  Combatant& queen = Unit("Queen", 0, TVector3(2, 5, 0));
  AddCorpse(TVector3(4, 5, 0));
  TEatOrder* eat = Eat(queen, 5.0f);
  float now = 0.0f;
  while (!eat->IsEating() && now < 20.0f) {
    now += 0.25f;
    Tick(now);
  }
  ASSERT_TRUE(eat->IsEating());

  list_.Rewind();
  EXPECT_FALSE(eat->IsEating());
  EXPECT_EQ(eat->GetEatingStart(), 0.0f);
  EXPECT_FALSE(eat->IsActive());
  EXPECT_TRUE(eat->GetMarker().IsChanged());

  list_.ShowMarkers(queen.GetId() + 1);
  EXPECT_TRUE(eat->GetMarker().IsHidden());
  EXPECT_EQ(eat->GetMarker().GetDrawCount(), 1);
  list_.ShowMarkers(queen.GetId());
  EXPECT_FALSE(eat->GetMarker().IsHidden());
}

}  // namespace
