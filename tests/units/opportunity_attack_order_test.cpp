#include "units/opportunity_attack_order.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/random.h"
#include "session/id_mapper.h"
#include "sim/event.h"
#include "sim/unit_events.h"
#include "support/vector_expect.h"
#include "units/combatant.h"
#include "units/order_list.h"
#include "units/order_test_world.h"
#include "units/unit_type.h"
#include "units/weapon.h"
#include "world/egg.h"

namespace {

constexpr float kDegree = 0.017453292f;

class OpportunityAttackOrderTest : public order_test::OrderWorldTest {
 protected:

  TOpportunityAttackOrder* Watch(const Combatant& unit, const TVector3& point) {
    return Add(std::make_unique<TOpportunityAttackOrder>(unit.GetId(), *resolver_, point));
  }

  // An enemy unit of player 0 that player 0 sees.
  Combatant& SeenEnemy(const TVector3& at, const std::string& type = "Grunt") {
    Combatant& enemy = Unit(type, 1, at);
    enemy.SetFlag(0, true);
    return enemy;
  }
  TGameObject& SeenEgg(const TVector3& at, int32_t owner = 1) {
    std::unique_ptr<Egg> egg = Egg::Lay(world_->GetGameData(), at, owner, 0.0f);
    Egg* placed = egg.get();
    world_->Add(std::move(egg));
    placed->SetFlag(0, true);
    return *placed;
  }
  TGameObject& SeenDump(const TVector3& at, int32_t owner = 1) {
    AmmoDump& dump = Dump("Marine HQ", owner, at);
    dump.SetFlag(0, true);
    return dump;
  }

  // Animation states and event types, turns to face left out.
  std::vector<std::string> Kinds() const {
    std::vector<std::string> kinds;
    for (int32_t i = 0; i < events_.GetEventCount(); ++i) {
      const TEvent& event = *events_.GetEvent(i);
      if (event.TypeName() == TFacingEvent::kTypeName) continue;
      const auto* animation = dynamic_cast<const TAnimationEvent*>(&event);
      kinds.push_back(animation != nullptr ? animation->GetState() : std::string(event.TypeName()));
    }
    return kinds;
  }
  // The time of the first animation to the state; -1 when there is none.
  float AnimationTime(const std::string& state) const {
    for (int32_t i = 0; i < events_.GetEventCount(); ++i) {
      const auto* animation = dynamic_cast<const TAnimationEvent*>(events_.GetEvent(i));
      if (animation != nullptr && animation->GetState() == state) return animation->GetTime();
    }
    return -1.0f;
  }

  // Ticks from `from` until the unit's chain has run out; the time of the
  // tick that ended it.
  float RunUntilDone(const Combatant& unit, float from, float step) {
    for (int i = 0; i < 60; ++i) {
      const float now = from + step * static_cast<float>(i);
      list_.RunTick(now);
      if (!list_.HasOrders(unit.GetId())) return now;
    }
    return -1.0f;
  }

  // The first delay after a target is chosen off the watched direction by
  // `angle`.
  static float ReactionFor(const Combatant& unit, float angle) {
    return angle * TOpportunityAttackOrder::kDegreesPerRadian * unit.GetType().GetReactionTime() *
           TOpportunityAttackOrder::kPerTurnOfReaction;
  }
};

TEST_F(OpportunityAttackOrderTest, TheWatchIsSetUpAtTheRaisedGuardPoint) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 6.0f, 0.0f));
  TOpportunityAttackOrder* order = Watch(unit, TVector3(10.0f, 6.0f, 0.0f));
  EXPECT_EQ(order->Name(), "OpportunityAttack");
  ExpectNear(order->GetGuardPoint(), TVector3(10.0f, 6.0f, 0.75f));
  ExpectNear(order->GetTargetPoint(), order->GetGuardPoint());
  ASSERT_NE(order->GetMarker(), nullptr);
  EXPECT_EQ(order->GetMarker()->GetName(), "OpportunityAttack");
  EXPECT_TRUE(TOpportunityAttackOrder::kMarkerFlag);
  ExpectNear(order->GetMarker()->Leg(0)[0].to, order->GetGuardPoint());
  // Until something shows up the aim does not end before the watch does.
  EXPECT_FLOAT_EQ(order->GetAimJitter(), unit.GetAimTime());
  EXPECT_FLOAT_EQ(order->PlannedTime(), unit.GetAimTime());
  EXPECT_EQ(order->TargetId(), -1);
  EXPECT_FALSE(order->IsEngaged());
  EXPECT_FALSE(order->CanShoot());
}

TEST_F(OpportunityAttackOrderTest, AWatchWithNothingInSightEndsWhenTheAimTimeIsOver) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 6.0f, 0.0f));
  // Not seen by player 0, and a friend: neither is a target.
  Unit("Grunt", 1, TVector3(8.0f, 6.0f, 0.0f));
  Unit("Grunt", 0, TVector3(8.0f, 4.0f, 0.0f)).SetFlag(0, true);
  const int32_t rounds = unit.GetWeapon()->GetAmmunition();
  TOpportunityAttackOrder* order = Watch(unit, TVector3(10.0f, 6.0f, 0.0f));
  const float start = 1.0f;
  const float watchEnd = start + unit.GetAimTime();
  const float ended = RunUntilDone(unit, start, 0.3f);
  ASSERT_GT(ended, 0.0f);
  EXPECT_GE(ended, watchEnd - 1e-5f);
  EXPECT_LT(ended - 0.3f, watchEnd);
  EXPECT_NEAR(order->GetTimeUsed(), ended - watchEnd, 1e-5f);
  EXPECT_FALSE(order->IsEngaged());
  EXPECT_EQ(Kinds(), (std::vector<std::string>{"Aim", "Stand"}));
  EXPECT_FLOAT_EQ(AnimationTime("Aim"), start);
  EXPECT_NEAR(AnimationTime("Stand"), watchEnd, 1e-5f);
  EXPECT_EQ(unit.GetWeapon()->GetAmmunition(), rounds);
}

TEST_F(OpportunityAttackOrderTest, AnEnemyInSightIsEngagedAfterItsReactionTimeAndShot) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 6.0f, 0.0f));
  Combatant& enemy = SeenEnemy(TVector3(7.0f, 9.0f, 0.0f));
  const int32_t rounds = unit.GetWeapon()->GetAmmunition();
  TOpportunityAttackOrder* order = Watch(unit, TVector3(10.0f, 6.0f, 0.0f));
  const float angle = TOpportunityAttackOrder::AngleOff(unit.Position(), order->GetGuardPoint(), enemy.Position());

  GetRandom()->Seed(5);
  const float spread = GetRandom()->FloatRange(-0.05f, 0.05f);
  GetRandom()->Seed(5);
  const float start = 1.0f;
  list_.RunTick(start);
  ASSERT_TRUE(order->IsEngaged());
  EXPECT_EQ(order->TargetId(), enemy.GetId());
  EXPECT_NEAR(order->GetAimJitter(), ReactionFor(unit, angle) + spread, 1e-6f);
  // The aim follows the target.
  TVector3 aim;
  enemy.GetAimPoint(aim);
  ExpectNear(order->GetTargetPoint(), aim);
  EXPECT_TRUE(order->CanShoot());

  const float aimEnd = start + unit.GetAimTime() + order->GetAimJitter();
  EXPECT_GT(RunUntilDone(unit, start + 0.1f, 0.1f), 0.0f);
  EXPECT_NEAR(AnimationTime("Fire"), aimEnd - TAttackOrder::kShotLead, 1e-5f);
  EXPECT_NEAR(AnimationTime("Stand"), aimEnd, 1e-5f);
  EXPECT_EQ(unit.GetWeapon()->GetAmmunition(), rounds - unit.GetWeapon()->GetAmmoPerShot());
}

TEST_F(OpportunityAttackOrderTest, ATargetFoundLateCountsTheWatchedTimeIntoItsDelay) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 6.0f, 0.0f));
  Combatant& enemy = Unit("Grunt", 1, TVector3(8.0f, 7.0f, 0.0f));
  TOpportunityAttackOrder* order = Watch(unit, TVector3(10.0f, 6.0f, 0.0f));
  list_.RunTick(1.0f);
  ASSERT_TRUE(order->IsActive());
  EXPECT_FALSE(order->IsEngaged());

  enemy.SetFlag(0, true);
  const float angle = TOpportunityAttackOrder::AngleOff(unit.Position(), order->GetGuardPoint(), enemy.Position());
  GetRandom()->Seed(9);
  const float spread = GetRandom()->FloatRange(-0.05f, 0.05f);
  GetRandom()->Seed(9);
  list_.RunTick(1.4f);
  ASSERT_TRUE(order->IsEngaged());
  EXPECT_NEAR(order->GetAimJitter(), ReactionFor(unit, angle) + spread + 0.4f, 1e-5f);
  // So the aim that began at 1.0 ends an Aim Time after the target was found,
  // plus the turn to it.
  EXPECT_NEAR(order->GetStartTime() + unit.GetAimTime() + order->GetAimJitter(),
              1.4f + unit.GetAimTime() + ReactionFor(unit, angle) + spread, 1e-5f);
}

struct ChoiceCase {
  const char* name;
  float unitAngle;  // degrees off the watched direction; NaN: no unit
  float dumpAngle;
  float eggAngle;
  const char* chosen;  // "unit", "dump", "egg" or "none"
};

class OpportunityChoiceTest : public OpportunityAttackOrderTest, public ::testing::WithParamInterface<ChoiceCase> {
 protected:
  // A point 5 away from the unit at the angle off the watched direction (+x).
  static TVector3 At(const TVector3& from, float degrees) {
    return TVector3(from.x + 5.0f * std::cos(degrees * kDegree), from.y + 5.0f * std::sin(degrees * kDegree), 0.0f);
  }
};

TEST_P(OpportunityChoiceTest, TheSmallestTurnWinsWithinEachKindsLimit) {
  const ChoiceCase c = GetParam();
  Combatant& unit = Unit("Grunt", 0, TVector3(3.0f, 3.0f, 0.0f));
  TOpportunityAttackOrder order(unit.GetId(), *resolver_, TVector3(10.0f, 3.0f, 0.0f));
  // Watching along the ground, so that the angles are the plain ones.
  order.SetTargetPoint(TVector3(10.0f, 3.0f, 0.0f));
  int32_t unitId = -2;
  int32_t dumpId = -2;
  int32_t eggId = -2;
  if (!std::isnan(c.unitAngle)) unitId = SeenEnemy(At(unit.Position(), c.unitAngle)).GetId();
  if (!std::isnan(c.dumpAngle)) dumpId = SeenDump(At(unit.Position(), c.dumpAngle)).GetId();
  if (!std::isnan(c.eggAngle)) eggId = SeenEgg(At(unit.Position(), c.eggAngle)).GetId();
  order.Scan(1.0f);
  const std::string chosen(c.chosen);
  EXPECT_EQ(order.IsEngaged(), chosen != "none");
  const int32_t expected = chosen == "unit" ? unitId : chosen == "dump" ? dumpId : chosen == "egg" ? eggId : -1;
  EXPECT_EQ(order.TargetId(), expected);
}

constexpr float kNone = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Candidates, OpportunityChoiceTest,
    ::testing::Values(ChoiceCase{"unitAheadBeatsEggOff30", 0.0f, kNone, 30.0f, "unit"},
                      ChoiceCase{"eggAheadLosesToUnitOff40", 40.0f, kNone, 0.0f, "unit"},
                      ChoiceCase{"eggAheadBeatsUnitOff50", 50.0f, kNone, 0.0f, "egg"},
                      ChoiceCase{"unitBeyond75", 76.0f, kNone, kNone, "none"},
                      ChoiceCase{"dumpOff70", kNone, 70.0f, kNone, "dump"},
                      ChoiceCase{"dumpOff76", kNone, 76.0f, kNone, "none"},
                      ChoiceCase{"dumpOff20BeatsUnitOff40", 40.0f, 20.0f, kNone, "dump"},
                      ChoiceCase{"eggOff74", kNone, kNone, 74.0f, "egg"},
                      ChoiceCase{"eggOff76", kNone, kNone, 76.0f, "none"},
                      ChoiceCase{"unitOff80DumpOff80", 80.0f, 80.0f, kNone, "none"}),
    [](const ::testing::TestParamInfo<ChoiceCase>& info) { return std::string(info.param.name); });

TEST_F(OpportunityAttackOrderTest, ACandidateExactlyAtItsLimitIsNotTaken) {
  struct Case {
    const char* kind;
    float penalty;
    float limit;
  };
  // (No turn plus the dumps' penalty adds up to their limit in single
  // precision, so they cannot meet it exactly.)
  const Case cases[] = {
      {"unit", TOpportunityAttackOrder::kUnitPenalty, TOpportunityAttackOrder::kUnitLimit},
      {"egg", TOpportunityAttackOrder::kEggPenalty, TOpportunityAttackOrder::kEggLimit},
  };
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  const TVector3 watched(10.0f, 2.0f, 0.0f);
  for (const Case& c : cases) {
    // Walk a point along y until its angle plus the penalty is the limit.
    const double turn = static_cast<double>(c.limit - c.penalty);
    const float x = 2.0f + static_cast<float>(5.0 * std::cos(turn));
    float y = 2.0f + static_cast<float>(5.0 * std::sin(turn)) - 2e-4f;
    std::optional<TVector3> atLimit;
    for (int i = 0; i < 20000 && !atLimit; ++i, y = std::nextafter(y, 100.0f)) {
      const TVector3 p(x, y, 0.0f);
      if (TOpportunityAttackOrder::AngleOff(unit.Position(), watched, p) + c.penalty == c.limit) atLimit = p;
    }
    ASSERT_TRUE(atLimit.has_value()) << c.kind;
    // At the limit it is passed over; a little nearer the watched direction
    // it is taken.
    const struct {
      TVector3 at;
      bool taken;
    } places[] = {{*atLimit, false}, {TVector3(atLimit->x, atLimit->y - 0.01f, 0.0f), true}};
    for (const auto& place : places) {
      TOpportunityAttackOrder order(unit.GetId(), *resolver_, watched);
      order.SetTargetPoint(watched);
      TGameObject& candidate = std::string(c.kind) == "unit" ? static_cast<TGameObject&>(SeenEnemy(place.at))
                                                              : SeenEgg(place.at);
      order.Scan(1.0f);
      EXPECT_EQ(order.IsEngaged(), place.taken) << c.kind;
      world_->Remove(&candidate);
    }
  }
}

TEST_F(OpportunityAttackOrderTest, OwnAndUnseenCandidatesAreNeverChosen) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 6.0f, 0.0f));
  Unit("Grunt", 0, TVector3(7.0f, 6.0f, 0.0f)).SetFlag(0, true);
  SeenDump(TVector3(7.0f, 7.0f, 0.0f), 0);
  SeenEgg(TVector3(7.0f, 5.0f, 0.0f), 0);
  Unit("Grunt", 1, TVector3(9.0f, 7.0f, 0.0f)).SetFlag(1, true);  // seen by its own side only
  TOpportunityAttackOrder order(unit.GetId(), *resolver_, TVector3(10.0f, 6.0f, 0.0f));
  order.Scan(1.0f);
  EXPECT_FALSE(order.IsEngaged());
  // The one candidate that may be chosen, far off to the side.
  Combatant& enemy = SeenEnemy(TVector3(4.0f, 10.0f, 0.0f));
  order.Scan(1.0f);
  EXPECT_EQ(order.TargetId(), enemy.GetId());
}

struct ShooterCase {
  const char* name;
  const char* shooter;
  const char* target;  // "unit" or "egg"
  float distance;      // along +x
  bool fromReach;      // the distance is counted from the weapon range plus the unit's radius
  bool friendInLine;
  bool engaged;
};

class OpportunityShooterTest : public OpportunityAttackOrderTest,
                               public ::testing::WithParamInterface<ShooterCase> {};

TEST_P(OpportunityShooterTest, WhatAUnitMayEngageDependsOnItsKind) {
  const ShooterCase c = GetParam();
  Combatant& unit = Unit(c.shooter, 0, TVector3(1.0f, 6.0f, 0.0f));
  const float distance = c.fromReach ? unit.GetWeaponRange() + unit.GetRadius() + c.distance : c.distance;
  const TVector3 at(1.0f + distance, 6.0f, 0.0f);
  if (c.friendInLine) Unit("Grunt", 0, TVector3(1.0f + distance * 0.5f, 6.0f, 0.0f));
  const int32_t id = std::string(c.target) == "egg" ? SeenEgg(at).GetId() : SeenEnemy(at).GetId();
  TOpportunityAttackOrder order(unit.GetId(), *resolver_, TVector3(11.0f, 6.0f, 0.0f));
  order.Scan(1.0f);
  EXPECT_EQ(order.IsEngaged(), c.engaged);
  if (c.engaged) {
    EXPECT_EQ(order.TargetId(), id);
    EXPECT_TRUE(order.CanShoot());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, OpportunityShooterTest,
    ::testing::Values(ShooterCase{"gruntClear", "Grunt", "unit", 6.0f, false, false, true},
                      ShooterCase{"gruntBehindFriend", "Grunt", "unit", 6.0f, false, true, false},
                      ShooterCase{"warpGunnerThroughFriend", "Warp Gunner", "unit", 6.0f, false, true, true},
                      ShooterCase{"warpGunnerBeyondRange", "Warp Gunner", "unit", 12.5f, false, false, false},
                      ShooterCase{"psykerEgg", "Psyker", "egg", 6.0f, false, false, false},
                      ShooterCase{"psykerUnit", "Psyker", "unit", 6.0f, false, false, true},
                      ShooterCase{"gruntEgg", "Grunt", "egg", 6.0f, false, false, true},
                      ShooterCase{"guardianBeyondReach", "Guardian", "unit", 0.5f, true, false, false},
                      ShooterCase{"guardianWithinReach", "Guardian", "unit", -0.5f, true, false, true}),
    [](const ::testing::TestParamInfo<ShooterCase>& info) { return std::string(info.param.name); });

struct ChainCase {
  const char* name;
  bool previousOnSameTarget;
  bool previousEngaged;
  bool reactionDelay;
};

class OpportunityChainTest : public OpportunityAttackOrderTest, public ::testing::WithParamInterface<ChainCase> {};

TEST_P(OpportunityChainTest, AFollowingWatchOnTheSameTargetNeedsNoReactionTime) {
  const ChainCase c = GetParam();
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  Combatant& enemy = SeenEnemy(TVector3(6.0f, 6.0f, 0.0f));
  Combatant& other = SeenEnemy(TVector3(2.0f, 10.0f, 0.0f));
  const TVector3 first = c.previousOnSameTarget ? TVector3(9.0f, 9.0f, 0.0f) : TVector3(2.0f, 11.0f, 0.0f);
  TOpportunityAttackOrder* previous = Watch(unit, first);
  TOpportunityAttackOrder* order = Watch(unit, TVector3(9.0f, 9.0f, 0.0f));
  if (c.previousEngaged) {
    previous->Scan(1.0f);
    EXPECT_EQ(previous->TargetId(), c.previousOnSameTarget ? enemy.GetId() : other.GetId());
  }
  const float angle = TOpportunityAttackOrder::AngleOff(unit.Position(), order->GetGuardPoint(), enemy.Position());
  GetRandom()->Seed(3);
  const float spread = GetRandom()->FloatRange(-0.05f, 0.05f);
  GetRandom()->Seed(3);
  order->Scan(1.0f);
  ASSERT_EQ(order->TargetId(), enemy.GetId());
  EXPECT_NEAR(order->GetAimJitter(), (c.reactionDelay ? ReactionFor(unit, angle) : 0.0f) + spread, 1e-6f);
}

INSTANTIATE_TEST_SUITE_P(Chains, OpportunityChainTest,
                         ::testing::Values(ChainCase{"sameTarget", true, true, false},
                                           ChainCase{"otherTarget", false, true, true},
                                           ChainCase{"previousWatching", true, false, true}),
                         [](const ::testing::TestParamInfo<ChainCase>& info) { return std::string(info.param.name); });

struct PoseCase {
  const char* name;
  bool enemyInSight;
  std::vector<std::string> firstTick;
};

class OpportunityPoseTest : public OpportunityAttackOrderTest, public ::testing::WithParamInterface<PoseCase> {};

TEST_P(OpportunityPoseTest, AUnitInItsFiringPoseStandsUnlessItEngagesAtOnce) {
  const PoseCase c = GetParam();
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 6.0f, 0.0f));
  if (c.enemyInSight) SeenEnemy(TVector3(8.0f, 6.0f, 0.0f));
  resolver_->SetAnimation(unit, 0.5f, "Fire");
  events_.Clear();
  Watch(unit, TVector3(10.0f, 6.0f, 0.0f));
  list_.RunTick(1.0f);
  EXPECT_EQ(Kinds(), c.firstTick);
  for (const std::string& state : c.firstTick) EXPECT_FLOAT_EQ(AnimationTime(state), 1.0f);
}

INSTANTIATE_TEST_SUITE_P(Poses, OpportunityPoseTest,
                         ::testing::Values(PoseCase{"watching", false, {"Stand", "Aim"}},
                                           PoseCase{"engaged", true, {}}),
                         [](const ::testing::TestParamInfo<PoseCase>& info) { return std::string(info.param.name); });

TEST_F(OpportunityAttackOrderTest, ATargetThatIsGoneEndsTheAttackAndResetWatchesAgain) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 6.0f, 0.0f));
  Combatant& enemy = SeenEnemy(TVector3(8.0f, 6.0f, 0.0f));
  TOpportunityAttackOrder* order = Watch(unit, TVector3(10.0f, 6.0f, 0.0f));
  list_.RunTick(1.0f);
  ASSERT_TRUE(order->IsEngaged());
  EXPECT_TRUE(order->IsUnitValid());
  world_->Remove(&enemy);
  EXPECT_FALSE(order->IsUnitValid());
  list_.RunTick(1.1f);
  EXPECT_FALSE(list_.HasOrders(unit.GetId()));
  EXPECT_EQ(Kinds(), (std::vector<std::string>{"Aim", "Stand"}));
  EXPECT_FLOAT_EQ(AnimationTime("Stand"), 1.1f);

  order->Reset();
  EXPECT_FALSE(order->IsEngaged());
  EXPECT_FALSE(order->IsActive());
  EXPECT_EQ(order->TargetId(), -1);
  ExpectNear(order->GetTargetPoint(), order->GetGuardPoint());
  EXPECT_TRUE(order->IsUnitValid());
}

TEST_F(OpportunityAttackOrderTest, TheOrderIsKnownByItsTargetPoint) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 6.0f, 0.0f));
  TOpportunityAttackOrder order(unit.GetId(), *resolver_, TVector3(10.0f, 6.0f, 0.0f));
  struct Case {
    std::vector<std::string> tokens;
    bool same;
  };
  const Case cases[] = {
      {{"x", "OpportunityAttack"}, false},
      {{"x", "y", "OpportunityAttack"}, true},
      {{"x", "y", "AttackPosition"}, false},
      {{"x", "y", "OpportunityAttack", "10,6,0.75"}, true},
      {{"x", "y", "OpportunityAttack", "10.00005,6,0.75"}, true},
      {{"x", "y", "OpportunityAttack", "10.0002,6,0.75"}, false},
      {{"x", "y", "OpportunityAttack", "10,6,0"}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(order.IsSameOrder(c.tokens), c.same) << c.tokens.back();
}

struct StreamCase {
  const char* tag;
  bool counted;
};

class OpportunityStreamTest : public OpportunityAttackOrderTest, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(OpportunityStreamTest, TheRecordCarriesTheTargetPointAndTheGuardPoint) {
  const StreamCase c = GetParam();
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 6.0f, 0.0f));
  Combatant& enemy = SeenEnemy(TVector3(8.0f, 7.0f, 0.0f));
  TOpportunityAttackOrder* order = Watch(unit, TVector3(10.0f, 6.0f, 0.0f));
  // Engaged, the target point follows the enemy; the guard point stays.
  list_.RunTick(1.0f);
  ASSERT_TRUE(order->IsEngaged());
  TVector3 aim;
  enemy.GetAimPoint(aim);

  TDataStream stream(c.tag);
  list_.WriteOrders(stream);
  stream.Rewind();
  const auto readPoint = [&]() { return order_test::ReadStreamPoint(stream, c.counted); };
  EXPECT_EQ(stream.ReadString(), "OpportunityAttack");
  EXPECT_EQ(static_cast<int32_t>(stream.ReadInt()), unit.GetId());
  ExpectNear(readPoint(), aim);
  ExpectNear(readPoint(), TVector3(10.0f, 6.0f, 0.75f));
  EXPECT_EQ(stream.ReadString(), "End");
  EXPECT_EQ(stream.Remaining(), 0u);

  // Read back, it watches the guard point again.
  const TOrderVector read = ReadBack(stream);
  ASSERT_EQ(read.size(), 1u);
  const auto* copy = dynamic_cast<const TOpportunityAttackOrder*>(read[0].get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetUnitId(), unit.GetId());
  ExpectNear(copy->GetGuardPoint(), TVector3(10.0f, 6.0f, 0.75f));
  ExpectNear(copy->GetTargetPoint(), copy->GetGuardPoint());
  EXPECT_FALSE(copy->IsEngaged());
  EXPECT_EQ(copy->TargetId(), -1);
  EXPECT_EQ(copy->GetMarker()->GetName(), "OpportunityAttack");
  EXPECT_FLOAT_EQ(copy->GetAimJitter(), unit.GetAimTime());
}

INSTANTIATE_TEST_SUITE_P(Versions, OpportunityStreamTest,
                         ::testing::Values(StreamCase{"Vorhelm-1-058", true}, StreamCase{"Vorhelm-3-10", false}));

TEST_F(OpportunityAttackOrderTest, ARecordCutShortRejectsTheStream) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 6.0f, 0.0f));
  TDataStream stream;
  stream.WriteString("OpportunityAttack");
  stream.WriteInt(static_cast<uint32_t>(unit.GetId()));
  for (float v : {10.0f, 6.0f, 0.75f, 10.0f, 6.0f}) stream.WriteFloat(v);
  stream.Rewind();
  TOrderVector read;
  TRawIdMapper ids;
  EXPECT_FALSE(TOrderList::ReadOrders(read, *resolver_, ids, stream));
  EXPECT_TRUE(read.empty());
}

}  // namespace
