#include "units/attack_orders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/random.h"
#include "session/id_mapper.h"
#include "sim/event.h"
#include "sim/resolver_test_world.h"
#include "sim/unit_events.h"
#include "support/vector_expect.h"
#include "units/combatant_list.h"
#include "units/order_factory.h"
#include "units/order_list.h"
#include "units/order_test_world.h"
#include "units/test_orders.h"
#include "units/weapon.h"
#include "world/surrogate.h"
#include "world/terrain_object.h"

namespace {

using order_test::TTestOrder;

// One recorded event: its type, the animation state for "Animation", its time.
struct Seen {
  std::string type;
  std::string state;
  float time;
};

class AttackOrderTest : public order_test::OrderWorldTest {
 protected:
  // Every event but the turns to face, which depend on the facing drawn.
  std::vector<Seen> Events() const {
    std::vector<Seen> seen;
    for (int32_t i = 0; i < events_.GetEventCount(); ++i) {
      const TEvent& event = *events_.GetEvent(i);
      if (event.TypeName() == TFacingEvent::kTypeName) continue;
      const auto* animation = dynamic_cast<const TAnimationEvent*>(&event);
      seen.push_back({std::string(event.TypeName()), animation != nullptr ? animation->GetState() : "",
                      event.GetTime()});
    }
    return seen;
  }
  std::vector<std::string> Kinds() const {
    std::vector<std::string> kinds;
    for (const Seen& s : Events()) kinds.push_back(s.type == "Animation" ? s.state : s.type);
    return kinds;
  }
  // The first recorded "Fire" animation, if any.
  const Seen* FindShot(const std::vector<Seen>& seen) const {
    for (const Seen& s : seen) {
      if (s.state == "Fire") return &s;
    }
    return nullptr;
  }

  // An enemy of player 0 that player 0 sees.
  Combatant& SeenEnemy(const TVector3& at) {
    Combatant& enemy = Unit("Grunt", 1, at);
    enemy.SetFlag(0, true);
    return enemy;
  }

  TAttackPositionOrder* AddPosition(const Combatant& unit, const TVector3& point) {
    auto order = std::make_unique<TAttackPositionOrder>(unit.GetId(), *resolver_, point);
    TAttackPositionOrder* added = order.get();
    list_.Add(std::move(order));
    return added;
  }
  TAttackElementOrder* AddElement(const Combatant& unit, const TGameObject& target,
                                  const std::optional<TVector3>& offset = std::nullopt) {
    auto order = std::make_unique<TAttackElementOrder>(unit.GetId(), *resolver_, target, &world_->GetUnits(), offset);
    TAttackElementOrder* added = order.get();
    list_.Add(std::move(order));
    return added;
  }

  // Ticks from `from` in steps until the unit's chain has run out; the time
  // of the tick that ended it (or a large value when it did not end).
  float RunUntilDone(const Combatant& unit, float from, float step = 0.2f, int ticks = 40) {
    for (int i = 0; i < ticks; ++i) {
      const float now = from + step * static_cast<float>(i);
      list_.RunTick(now);
      if (!list_.HasOrders(unit.GetId())) return now;
    }
    return 1e9f;
  }

};

// --- the attack step ---------------------------------------------------------------------

struct TimingCase {
  float jitter;
  float step;
  bool follower;
};

class AttackTimingTest : public AttackOrderTest, public ::testing::WithParamInterface<TimingCase> {};

TEST_P(AttackTimingTest, TheShotLeavesHalfAUnitBeforeTheAimEndsAndTheRestGoesOn) {
  const TimingCase c = GetParam();
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  const int32_t rounds = unit.GetWeapon()->GetAmmunition();
  TAttackPositionOrder* order = AddPosition(unit, TVector3(8.0f, 2.0f, 0.0f));
  order->SetAimJitter(c.jitter);
  TTestOrder* next = nullptr;
  if (c.follower) {
    auto follower = std::make_unique<TTestOrder>(unit.GetId(), *resolver_, "next", TTestOrder::kAtOnce);
    next = follower.get();
    list_.Add(std::move(follower));
  }

  const float start = 1.0f;
  const float aimEnd = start + unit.GetAimTime() + c.jitter;
  float firedAt = -1.0f;
  float endedAt = -1.0f;
  for (int i = 0; i < 60 && endedAt < 0.0f; ++i) {
    const float now = start + c.step * static_cast<float>(i);
    list_.RunTick(now);
    if (firedAt < 0.0f && FindShot(Events()) != nullptr) firedAt = now;
    if (!list_.HasOrders(unit.GetId())) endedAt = now;
  }

  const std::vector<Seen> seen = Events();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front().state, "Aim");
  EXPECT_FLOAT_EQ(seen.front().time, start);
  const Seen* shot = FindShot(seen);
  ASSERT_NE(shot, nullptr);
  EXPECT_NEAR(shot->time, aimEnd - TAttackOrder::kShotLead, 1e-5f);
  // The shot goes with the first tick that is at most half a unit short of
  // the aim's end, the order ends with the first tick at or after it.
  EXPECT_GE(firedAt, aimEnd - TAttackOrder::kShotLead - 1e-5f);
  EXPECT_LT(firedAt - c.step, aimEnd - TAttackOrder::kShotLead);
  EXPECT_GE(endedAt, aimEnd - 1e-5f);
  EXPECT_LT(endedAt - c.step, aimEnd);
  EXPECT_NEAR(order->GetTimeUsed(), endedAt - aimEnd, 1e-5f);
  EXPECT_EQ(unit.GetWeapon()->GetAmmunition(), rounds - unit.GetWeapon()->GetAmmoPerShot());
  if (c.follower) {
    // The next order starts at the moment the aim ended, in the same tick.
    ASSERT_EQ(next->Times().size(), 1u);
    EXPECT_NEAR(next->Times()[0], aimEnd, 1e-5f);
    EXPECT_NE(seen.back().state, "Stand");
  } else {
    // The unit stands from the moment the aim ended.
    EXPECT_EQ(seen.back().state, "Stand");
    EXPECT_NEAR(seen.back().time, aimEnd, 1e-5f);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, AttackTimingTest,
                         ::testing::Values(TimingCase{0.05f, 0.2f, true}, TimingCase{0.05f, 0.2f, false},
                                           TimingCase{-0.08f, 0.15f, true}, TimingCase{0.0f, 0.1f, false}));

TEST_F(AttackOrderTest, TheAimDrawsItsJitterFromTheGenerator) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  const TVector3 target(8.0f, 2.0f, 0.0f);
  float lowest = 1.0f;
  float highest = -1.0f;
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    // The generator's own words: the jitter spreads its first one over
    // -0.1 .. 0.1, and the order takes no other.
    TMersenneTwister words(seed);
    const double first = words.NextDouble();
    const uint32_t second = words.Next();
    GetRandom()->Seed(seed);
    TAttackPositionOrder order(unit.GetId(), *resolver_, target);
    const float jitter = order.GetAimJitter();
    EXPECT_NEAR(jitter, -0.1 + 0.2 * first, 1e-6) << "seed " << seed;
    EXPECT_GE(jitter, -0.1f);
    EXPECT_LT(jitter, 0.1f);
    EXPECT_NEAR(GetRandom()->Float(1.0f), second / 4294967296.0, 1e-6) << "seed " << seed;
    lowest = std::min(lowest, jitter);
    highest = std::max(highest, jitter);
  }
  // Forty seeds cover both sides of the aim time.
  EXPECT_LT(lowest, -0.05f);
  EXPECT_GT(highest, 0.05f);
}

TEST_F(AttackOrderTest, AWalkingUnitWaitsAndAnEmptyWeaponEndsTheOrder) {
  Combatant& walker = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  walker.SetDestination(TVector3(3.0f, 2.0f, 0.0f));
  AddPosition(walker, TVector3(8.0f, 2.0f, 0.0f));
  list_.RunTick(1.0f);
  EXPECT_TRUE(list_.HasOrders(walker.GetId()));
  EXPECT_EQ(events_.GetEventCount(), 0);

  Combatant& dry = Unit("Grunt", 0, TVector3(2.0f, 6.0f, 0.0f));
  dry.GetWeapon()->SetAmmunition(0.0f);
  AddPosition(dry, TVector3(8.0f, 6.0f, 0.0f));
  list_.RunTick(1.0f);
  EXPECT_FALSE(list_.HasOrders(dry.GetId()));
  EXPECT_EQ(Kinds(), (std::vector<std::string>{"Stand"}));
}

TEST_F(AttackOrderTest, ATargetPointOnTheUnitsOwnPlaceEndsTheOrderAtOnce) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  TAttackPositionOrder* order = AddPosition(unit, TVector3(8.0f, 2.0f, 0.0f));
  // High above the unit, so the point stays clear of its firing point.
  order->SetTargetPoint(TVector3(2.00005f, 1.99995f, 6.0f));
  list_.RunTick(1.0f);
  EXPECT_FALSE(list_.HasOrders(unit.GetId()));
  EXPECT_EQ(Kinds(), (std::vector<std::string>{"Aim", "Stand"}));
  EXPECT_EQ(FindShot(Events()), nullptr);
}

struct FirePoseCase {
  const char* type;
  bool aims;
};

class FirePoseTest : public AttackOrderTest, public ::testing::WithParamInterface<FirePoseCase> {};

TEST_P(FirePoseTest, AUnitInItsFiringPoseAimsOnFromItUnlessItIsASpawn) {
  Combatant& unit = Unit(GetParam().type, 0, TVector3(2.0f, 2.0f, 0.0f));
  resolver_->SetAnimation(unit, 0.5f, "Fire");
  ASSERT_EQ(unit.GetVisualState(), "Fire");
  events_.Clear();
  TAttackPositionOrder* order = AddPosition(unit, TVector3(8.0f, 2.0f, 0.0f));
  list_.RunTick(1.0f);
  EXPECT_TRUE(order->IsActive());
  EXPECT_EQ(Kinds(), GetParam().aims ? std::vector<std::string>{"Aim"} : std::vector<std::string>{});

  // A new aim: the clock starts over and a spawn takes up the aim again.
  events_.Clear();
  order->Rearm(4.0f);
  EXPECT_FLOAT_EQ(order->GetStartTime(), 4.0f);
  EXPECT_FALSE(order->IsShotAnnounced());
  EXPECT_EQ(Kinds(), GetParam().aims ? std::vector<std::string>{"Aim"} : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Races, FirePoseTest,
                         ::testing::Values(FirePoseCase{"Grunt", false}, FirePoseCase{"Goo Spitter", true}));

TEST_F(AttackOrderTest, ResetReturnsTheOrderToItsPlannedState) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  TAttackPositionOrder* order = AddPosition(unit, TVector3(8.0f, 2.0f, 0.0f));
  const float end = RunUntilDone(unit, 1.0f);
  ASSERT_LT(end, 100.0f);
  EXPECT_TRUE(order->IsShotAnnounced());
  order->GetMarker()->ClearChanged();
  list_.Rewind();
  EXPECT_FALSE(order->IsActive());
  EXPECT_FALSE(order->IsShotAnnounced());
  EXPECT_FLOAT_EQ(order->GetStartTime(), 0.0f);
  EXPECT_TRUE(order->GetMarker()->IsChanged());

  // The replay fires again at the same moment.
  const float firstShot = FindShot(Events())->time;
  events_.Clear();
  EXPECT_FLOAT_EQ(RunUntilDone(unit, 1.0f), end);
  ASSERT_NE(FindShot(Events()), nullptr);
  EXPECT_FLOAT_EQ(FindShot(Events())->time, firstShot);
}

// --- AttackPosition --------------------------------------------------------------------------

TEST_F(AttackOrderTest, APositionIsAimedAtAboveTheGroundAndMarkedFromTheStart) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  TAttackPositionOrder* order = AddPosition(unit, TVector3(8.0f, 3.0f, 0.0f));
  ExpectNear(order->GetTargetPoint(), TVector3(8.0f, 3.0f, 0.75f));
  EXPECT_EQ(order->Name(), "AttackPosition");
  EXPECT_FLOAT_EQ(order->PlannedTime(), unit.GetAimTime());
  EXPECT_TRUE(order->CanShoot());

  const TAttackMarker& marker = *order->GetMarker();
  EXPECT_EQ(marker.GetName(), "AttackPosition");
  ASSERT_EQ(marker.LegCount(), 1);
  const TAttackMarker::TLeg& leg = marker.Leg(0);
  for (int i = 0; i < TAttackMarker::kPartCount; ++i) {
    ExpectNear(leg[static_cast<std::size_t>(i)].from, TVector3(2.0f, 2.0f, i < 2 ? 0.75f : 0.0f));
    ExpectNear(leg[static_cast<std::size_t>(i)].to, order->GetTargetPoint());
  }

  // A second order starts where the first leaves the unit.
  auto before = std::make_unique<TTestOrder>(unit.GetId(), *resolver_, "walk", TTestOrder::kAtOnce);
  before->SetEndPosition(TVector3(4.0f, 5.0f, 0.0f));
  TOrderList other;
  other.Add(std::move(before));
  auto second = std::make_unique<TAttackPositionOrder>(unit.GetId(), *resolver_, TVector3(9.0f, 9.0f, 0.0f));
  TAttackPositionOrder* placed = second.get();
  other.Add(std::move(second));
  ExpectNear(placed->GetMarker()->Leg(0)[0].from, TVector3(4.0f, 5.0f, 0.75f));

  EXPECT_FALSE(marker.IsShown());
  list_.ShowMarkers(unit.GetId());
  EXPECT_TRUE(marker.IsShown());
  list_.ShowMarkers(-1);
  EXPECT_FALSE(marker.IsShown());
}

TEST_F(AttackOrderTest, APositionInsideTheUnitsRadiusCannotBeAttacked) {
  // At x = 0 the distance along x is the radius exactly.
  Combatant& unit = Unit("Grunt", 0, TVector3(0.0f, 5.0f, 0.0f));
  const TVector3 firing = unit.GetFiringPoint();
  const float radius = unit.GetRadius();
  ASSERT_GT(radius, 0.0f);
  TAttackPositionOrder order(unit.GetId(), *resolver_, TVector3(8.0f, 5.0f, 0.0f));
  struct Case {
    TVector3 point;
    bool valid;
  };
  const Case cases[] = {
      {TVector3(radius * 0.5f, firing.y, firing.z), false},
      {TVector3(radius, firing.y, firing.z), false},  // equal counts as within
      {TVector3(radius * 1.5f, firing.y, firing.z), true},
      {firing, false},
  };
  for (const Case& c : cases) {
    order.SetTargetPoint(c.point);
    EXPECT_EQ(order.IsUnitValid(), c.valid) << c.point.x;
  }
  world_->Remove(&unit);
  order.SetTargetPoint(TVector3(8.0f, 5.0f, 0.75f));
  EXPECT_FALSE(order.IsUnitValid());
}

TEST_F(AttackOrderTest, APositionOrderIsKnownByItsPoint) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  TAttackPositionOrder order(unit.GetId(), *resolver_, TVector3(8.0f, 3.0f, 0.0f));
  struct Case {
    std::vector<std::string> tokens;
    bool same;
  };
  const Case cases[] = {
      {{"x", "AttackPosition"}, false},
      {{"x", "y", "AttackPosition"}, false},
      {{"x", "y", "AttackPosition", "8,3,0.75"}, true},
      {{"x", "y", "AttackPosition", "8.00005,3,0.75"}, true},
      {{"x", "y", "AttackPosition", "8,3"}, false},
      {{"x", "y", "AttackPosition", "8.001,3,0.75"}, false},
      {{"x", "y", "AttackElement", "8,3,0.75"}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(order.IsSameOrder(c.tokens), c.same) << c.tokens.back();
}

// --- AttackElement ---------------------------------------------------------------------------

TEST_F(AttackOrderTest, AnElementOrderFollowsItsTargetsAimPointWithTheOffset) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  Combatant& enemy = SeenEnemy(TVector3(8.0f, 2.0f, 0.0f));
  TAttackElementOrder* order = AddElement(unit, enemy, TVector3(0.0f, 0.5f, 0.0f));
  TVector3 aim;
  enemy.GetAimPoint(aim);
  ExpectNear(order->GetTargetPoint(), TVector3(aim.x, aim.y + 0.5f, aim.z));
  EXPECT_EQ(order->TargetId(), enemy.GetId());
  EXPECT_EQ(order->Name(), "AttackElement");
  EXPECT_EQ(order->GetMarker()->GetName(), "AttackUnit");
  EXPECT_FLOAT_EQ(order->PlannedTime(), unit.GetAimTime());

  // The target moves; the next step aims where it is now.
  enemy.SetPosition(TVector3(8.0f, 6.0f, 0.0f));
  list_.RunTick(1.0f);
  enemy.GetAimPoint(aim);
  ExpectNear(order->GetTargetPoint(), TVector3(aim.x, aim.y + 0.5f, aim.z));
  ExpectNear(order->GetMarker()->Leg(0)[0].to, order->GetTargetPoint());

  // Another target for a while; Reset aims at the first one again.
  Combatant& other = SeenEnemy(TVector3(9.0f, 9.0f, 0.0f));
  order->SetTargetReference(other.GetId());
  EXPECT_EQ(order->TargetId(), other.GetId());
  order->Reset();
  EXPECT_EQ(order->TargetId(), enemy.GetId());
}

TEST_F(AttackOrderTest, ATerrainTargetGetsTheTerrainMarkerAndIsFiredAtRegardless) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  TTerrainObject* wall = map_test::PlaceTile(world_->GetMap(), world_->GetGameData(), "Wall", 8.0f, 2.0f);
  ASSERT_NE(wall, nullptr);
  world_->AssignId(*wall);
  // A friend in the line does not matter for terrain.
  Unit("Grunt", 0, TVector3(5.0f, 2.0f, 0.0f));
  TAttackElementOrder order(unit.GetId(), *resolver_, *wall, &world_->GetMap());
  EXPECT_EQ(order.GetMarker()->GetName(), "AttackTerrain");
  EXPECT_TRUE(order.CanShoot());
}

struct LineCase {
  const char* name;
  bool friendInLine;
  bool shoots;
};

class AttackLineTest : public AttackOrderTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(AttackLineTest, AFriendInTheLineCostsTheShotButNotTheAim) {
  const LineCase c = GetParam();
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  const int32_t rounds = unit.GetWeapon()->GetAmmunition();
  Combatant& enemy = SeenEnemy(TVector3(8.0f, 2.0f, 0.0f));
  if (c.friendInLine) Unit("Grunt", 0, TVector3(5.0f, 2.0f, 0.0f));
  TAttackElementOrder* order = AddElement(unit, enemy);
  EXPECT_EQ(order->CanShoot(), c.shoots);
  const float end = RunUntilDone(unit, 1.0f);
  EXPECT_NEAR(end, 1.0f + unit.GetAimTime() + order->GetAimJitter(), 0.2f);
  EXPECT_EQ(FindShot(Events()) != nullptr, c.shoots);
  EXPECT_EQ(unit.GetWeapon()->GetAmmunition(), c.shoots ? rounds - unit.GetWeapon()->GetAmmoPerShot() : rounds);
  EXPECT_EQ(Events().back().state, "Stand");
}

INSTANTIATE_TEST_SUITE_P(Lines, AttackLineTest,
                         ::testing::Values(LineCase{"clear", false, true}, LineCase{"friend", true, false}),
                         [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

struct WarpRangeCase {
  const char* name;
  float extra;
  bool shoots;
};

class WarpGunnerRangeTest : public AttackOrderTest, public ::testing::WithParamInterface<WarpRangeCase> {};

TEST_P(WarpGunnerRangeTest, AWarpGunnerShootsThroughFriendsAsFarAsItsRange) {
  Combatant& gunner = Unit("Warp Gunner", 0, TVector3(0.0f, 2.0f, 0.0f));
  const float range = gunner.GetWeaponRange();
  ASSERT_GT(range, 0.0f);
  Unit("Grunt", 0, TVector3(range * 0.5f, 2.0f, 0.0f));
  Combatant& enemy = SeenEnemy(TVector3(range + GetParam().extra, 2.0f, 0.0f));
  TAttackElementOrder order(gunner.GetId(), *resolver_, enemy, &world_->GetUnits());
  EXPECT_EQ(order.CanShoot(), GetParam().shoots);
}

INSTANTIATE_TEST_SUITE_P(Ranges, WarpGunnerRangeTest,
                         ::testing::Values(WarpRangeCase{"atRange", 0.0f, true},
                                           WarpRangeCase{"beyond", 0.01f, false},
                                           WarpRangeCase{"within", -3.0f, true}),
                         [](const ::testing::TestParamInfo<WarpRangeCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(AttackOrderTest, ATargetUnseenOnceTheAimBeganEndsTheOrder) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  Combatant& enemy = Unit("Grunt", 1, TVector3(8.0f, 2.0f, 0.0f));
  TAttackElementOrder* order = AddElement(unit, enemy);
  // Before the aim begins the side need not see it.
  EXPECT_TRUE(order->IsUnitValid());
  list_.RunTick(1.0f);
  ASSERT_TRUE(order->IsActive());
  EXPECT_FALSE(order->IsUnitValid());
  list_.RunTick(1.2f);
  EXPECT_FALSE(list_.HasOrders(unit.GetId()));
  EXPECT_EQ(Kinds(), (std::vector<std::string>{"Aim", "Stand"}));
}

struct LostTargetCase {
  const char* name;
  bool surrogate;
  bool seen;
  bool goesOn;
};

class LostTargetTest : public AttackOrderTest, public ::testing::WithParamInterface<LostTargetCase> {};

TEST_P(LostTargetTest, AGoneTargetIsFollowedOnlyThroughASeenSurrogate) {
  const LostTargetCase c = GetParam();
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  Combatant& enemy = SeenEnemy(TVector3(8.0f, 2.0f, 0.0f));
  const int32_t enemyId = enemy.GetId();
  TAttackElementOrder* order = AddElement(unit, enemy);
  const TVector3 aim = order->GetTargetPoint();
  list_.RunTick(1.0f);

  int32_t surrogateId = -1;
  if (c.surrogate) {
    auto surrogate = std::make_unique<Surrogate>(enemy);
    surrogate->SetFlag(0, c.seen);
    surrogate->SetFlag(1, true);  // its owner still sees it: it stays
    surrogateId = Place(std::move(surrogate))->GetId();
  }
  world_->Remove(&enemy);
  EXPECT_EQ(order->TargetRemembered(), c.goesOn);
  EXPECT_EQ(order->IsUnitValid(), c.goesOn);

  const float end = RunUntilDone(unit, 1.2f);
  if (c.goesOn) {
    EXPECT_EQ(order->TargetId(), surrogateId);
    ExpectNear(order->GetTargetPoint(), aim);
    EXPECT_NE(FindShot(Events()), nullptr);
    EXPECT_GT(end, 1.2f);
  } else {
    EXPECT_FLOAT_EQ(end, 1.2f);
    EXPECT_EQ(FindShot(Events()), nullptr);
    EXPECT_EQ(Events().back().state, "Stand");
  }
  // Reset aims at the first target again, which is still gone: a seen
  // surrogate takes its place at once.
  order->Reset();
  EXPECT_EQ(order->TargetId(), c.goesOn ? surrogateId : enemyId);
  EXPECT_EQ(order->GetOriginalTargetId(), enemyId);
}

INSTANTIATE_TEST_SUITE_P(Targets, LostTargetTest,
                         ::testing::Values(LostTargetCase{"seenSurrogate", true, true, true},
                                           LostTargetCase{"unseenSurrogate", true, false, false},
                                           LostTargetCase{"none", false, false, false}),
                         [](const ::testing::TestParamInfo<LostTargetCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(AttackOrderTest, AnElementOrderIsKnownByItsTargetsKind) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  Combatant& enemy = SeenEnemy(TVector3(8.0f, 2.0f, 0.0f));
  TAttackElementOrder order(unit.GetId(), *resolver_, enemy, &world_->GetUnits());
  struct Case {
    std::vector<std::string> tokens;
    bool same;
  };
  const Case cases[] = {
      {{"x", "y", "AttackElement"}, false},
      {{"x", "y", "AttackElement", "Grunt"}, true},
      {{"x", "y", "AttackElement", "grunt"}, false},
      {{"x", "y", "AttackPosition", "Grunt"}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(order.IsSameOrder(c.tokens), c.same) << c.tokens.back();
  world_->Remove(&enemy);
  EXPECT_FALSE(order.IsSameOrder({"x", "y", "AttackElement", "Grunt"}));
}

// --- the orders stream -------------------------------------------------------------------------

struct StreamCase {
  const char* tag;
  bool counted;
  bool offset;
};

class AttackStreamTest : public AttackOrderTest, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(AttackStreamTest, TheRecordsFollowTheStreamVersion) {
  const StreamCase c = GetParam();
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  Combatant& enemy = SeenEnemy(TVector3(8.0f, 2.0f, 0.0f));
  TAttackElementOrder* element = AddElement(unit, enemy, TVector3(0.25f, -0.5f, 0.125f));
  TAttackPositionOrder* position = AddPosition(unit, TVector3(5.0f, 7.0f, 0.0f));

  TDataStream stream(c.tag);
  list_.WriteOrders(stream);
  stream.Rewind();
  const auto readPoint = [&]() { return order_test::ReadStreamPoint(stream, c.counted); };
  EXPECT_EQ(stream.ReadString(), "AttackElement");
  EXPECT_EQ(static_cast<int32_t>(stream.ReadInt()), unit.GetId());
  ExpectNear(readPoint(), element->GetTargetPoint());
  EXPECT_EQ(static_cast<int32_t>(stream.ReadInt()), enemy.GetId());
  if (c.offset) ExpectNear(readPoint(), TVector3(0.25f, -0.5f, 0.125f));
  EXPECT_EQ(stream.ReadString(), "AttackPosition");
  EXPECT_EQ(static_cast<int32_t>(stream.ReadInt()), unit.GetId());
  ExpectNear(readPoint(), position->GetTargetPoint());
  EXPECT_EQ(stream.ReadString(), "End");
  EXPECT_EQ(stream.Remaining(), 0u);
  EXPECT_FALSE(stream.HasFailed());

  // Read back: the same orders.
  TOrderVector out;
  stream.Rewind();
  TRawIdMapper ids;
  ASSERT_TRUE(TOrderList::ReadOrders(out, *resolver_, ids, stream));
  ASSERT_EQ(out.size(), 2u);
  const auto& readElement = dynamic_cast<const TAttackElementOrder&>(*out[0]);
  EXPECT_EQ(readElement.GetUnitId(), unit.GetId());
  EXPECT_EQ(readElement.TargetId(), enemy.GetId());
  ExpectNear(readElement.GetAimOffset(), c.offset ? TVector3(0.25f, -0.5f, 0.125f) : TVector3());
  EXPECT_EQ(readElement.GetMarker()->GetName(), "AttackUnit");
  const auto& readPosition = dynamic_cast<const TAttackPositionOrder&>(*out[1]);
  ExpectNear(readPosition.GetTargetPoint(), position->GetTargetPoint());
  EXPECT_FALSE(readPosition.IsActive());
}

INSTANTIATE_TEST_SUITE_P(Versions, AttackStreamTest,
                         ::testing::Values(StreamCase{"Vorhelm-1-058", true, false},
                                           StreamCase{"Vorhelm-2-089", false, false},
                                           StreamCase{"Vorhelm-2-09", false, true},
                                           StreamCase{"Vorhelm-3-10", false, true}));

TEST_F(AttackOrderTest, AStreamTargetThatIsGoneIsTakenUpByItsSeenSurrogate) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  Combatant& enemy = SeenEnemy(TVector3(8.0f, 2.0f, 0.0f));
  AddElement(unit, enemy);
  TDataStream stream;
  list_.WriteOrders(stream);

  auto surrogate = std::make_unique<Surrogate>(enemy);
  surrogate->SetFlag(0, true);
  const int32_t surrogateId = Place(std::move(surrogate))->GetId();
  world_->Remove(&enemy);

  TOrderVector out;
  stream.Rewind();
  TRawIdMapper ids;
  ASSERT_TRUE(TOrderList::ReadOrders(out, *resolver_, ids, stream));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0]->TargetId(), surrogateId);
  // A surrogate is not a unit: the terrain marker.
  EXPECT_EQ(static_cast<TAttackOrder&>(*out[0]).GetMarker()->GetName(), "AttackTerrain");
}

TEST_F(AttackOrderTest, TheLoadingPathFillsAnEmptyOrder) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  TDataStream stream;
  stream.WriteInt(static_cast<uint32_t>(unit.GetId()));
  TVector3(4.0f, 5.0f, 6.0f).Write(stream);
  stream.Rewind();
  TAttackPositionOrder order;
  EXPECT_EQ(order.GetUnitId(), -1);
  EXPECT_FLOAT_EQ(order.GetAimJitter(), 0.0f);
  TRawIdMapper ids;
  GetRandom()->Seed(8);
  const float jitter = GetRandom()->FloatRange(-0.1f, 0.1f);
  GetRandom()->Seed(8);
  ASSERT_TRUE(order.Load(stream, *resolver_, ids));
  EXPECT_EQ(order.GetUnitId(), unit.GetId());
  ExpectNear(order.GetTargetPoint(), TVector3(4.0f, 5.0f, 6.0f));
  EXPECT_FLOAT_EQ(order.GetAimJitter(), jitter);
}

TEST_F(AttackOrderTest, OrdersOfDeadUnitsAreDroppedWhenRead) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  AddPosition(unit, TVector3(5.0f, 7.0f, 0.0f));
  TDataStream stream;
  list_.WriteOrders(stream);
  list_.Clear();
  world_->Remove(&unit);
  TOrderVector out;
  stream.Rewind();
  TRawIdMapper ids;
  ASSERT_TRUE(TOrderList::ReadOrders(out, *resolver_, ids, stream));
  EXPECT_TRUE(out.empty());
}

}  // namespace
