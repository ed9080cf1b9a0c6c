#include "units/close_combat_orders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/damage_event.h"
#include "sim/event.h"
#include "sim/unit_events.h"
#include "units/combatant.h"
#include "units/order_test_world.h"
#include "units/unit_type.h"
#include "units/unit_visual_state.h"
#include "world/map_fixtures.h"

namespace {

TVector3 Plus(TVector3 a, const TVector3& b) {
  a.Add(b);
  return a;
}

class CloseCombatOrderTest : public order_test::OrderWorldTest {
 protected:
  void SetUp() override {
    OrderWorldTest::SetUp();
    attacker_ = &Unit("Grunt", 0, TVector3(2, 5, 0));
    enemy_ = &Unit("Grunt", 1, BesideEast(*attacker_));
    enemy_->SetFlag(0, true);
    prepare_ = attacker_->GetType().GetPrepareWeapon();
    rest_ = attacker_->GetType().GetRestWeapon();
  }


  // A place east of the attacker at which a Grunt stands within its reach.
  static TVector3 BesideEast(const Combatant& unit, float gap = 0.5f) {
    const float radii = 2 * unit.GetLofVolume().MaxGroundRadius();
    return Plus(unit.Position(), TVector3(radii + gap, 0.0f, 0.0f));
  }

  std::vector<float> Hits() const { return TimesOf(TDamageEvent::kTypeName); }
  std::vector<float> Swings() const { return TimesOf(TAnimationEvent::kTypeName, "Close Combat Attack"); }

  static void ExpectTimes(const std::vector<float>& actual, const std::vector<float>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(actual[i], expected[i], 1e-4f) << i;
  }

  Combatant* attacker_ = nullptr;
  Combatant* enemy_ = nullptr;
  float prepare_ = 0.0f;
  float rest_ = 0.0f;
};

TEST_F(CloseCombatOrderTest, ACloseAttackStrikesOnceAndEndsWhenTheWeaponHasRested) {
  ASSERT_GT(prepare_, 0.0f);
  ASSERT_GT(rest_, 0.0f);
  TCloseAttackOrder* attack =
      Add(std::make_unique<TCloseAttackOrder>(attacker_->GetId(), *resolver_, enemy_->GetId(), *world_));
  EXPECT_EQ(attack->Name(), "CloseAttack");

  const float start = 1.0f;
  const float step = 0.3f;
  for (float t = start; t < start + prepare_ + rest_ + step; t += step) Tick(t);
  ExpectTimes(Hits(), {start + prepare_});
  ExpectTimes(Swings(), {start});
  ExpectTimes(TimesOf(TAnimationEvent::kTypeName, "Close Combat Finish"), {start + prepare_});
  EXPECT_TRUE(attack->IsStrikeFinished());
  EXPECT_TRUE(attack->IsOver());

  // The next update ends the chain; the unit never strikes again.
  Tick(start + 3.0f);
  Tick(start + 4.0f);
  EXPECT_FALSE(list_.HasOrders(attacker_->GetId()));
  EXPECT_EQ(Hits().size(), 1u);
}

TEST_F(CloseCombatOrderTest, CloseCombatChainsStrikesWithoutAGap) {
  TCloseCombatOrder* combat =
      Add(std::make_unique<TCloseCombatOrder>(attacker_->GetId(), *resolver_, enemy_->GetId(), *world_));
  EXPECT_EQ(combat->Name(), "CloseCombat");
  EXPECT_FLOAT_EQ(combat->PlannedTime(), 10.0f);
  const float cycle = prepare_ + rest_;
  // Ticks that never fall on the end of a strike.
  const float step = cycle * 0.7f;
  for (int32_t i = 0; i < 5; ++i) Tick(1.0f + static_cast<float>(i) * step);
  // Each strike starts when the one before it ended, not at the tick.
  ExpectTimes(Swings(), {1.0f, 1.0f + cycle, 1.0f + 2 * cycle});
  ExpectTimes(Hits(), {1.0f + prepare_, 1.0f + cycle + prepare_, 1.0f + 2 * cycle + prepare_});
  EXPECT_TRUE(list_.HasOrders(attacker_->GetId()));
}

TEST_F(CloseCombatOrderTest, ATargetBehindAWallWithinReachIsNotStruck) {
  struct Case {
    const char* name;
    bool wall;
    bool strikes;
  };
  const Case cases[] = {{"open", false, true}, {"walled", true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    events_.Clear();
    TTerrainObject* wall = nullptr;
    if (c.wall) {
      const float between = (attacker_->Position().x + enemy_->Position().x) / 2;
      wall = map_test::PlaceTile(world_->GetMap(), world_->GetGameData(), "Wall", between, 5.0f);
    }
    TCloseCombatOrder combat(attacker_->GetId(), *resolver_, enemy_->GetId(), *world_);
    EXPECT_EQ(combat.ActAtTarget(1.0f), c.strikes);
    EXPECT_EQ(combat.IsStriking(), c.strikes);
    EXPECT_EQ(Swings().size(), c.strikes ? 1u : 0u);
    if (wall != nullptr) world_->GetMap().Remove(wall);
  }
}

TEST_F(CloseCombatOrderTest, LosingSightOfTheTargetMidStrikeLowersTheWeapon) {
  TCloseCombatOrder combat(attacker_->GetId(), *resolver_, enemy_->GetId(), *world_);
  ASSERT_TRUE(combat.ActAtTarget(1.0f));
  enemy_->SetFlag(0, false);
  EXPECT_FALSE(combat.ActAtTarget(1.0f + prepare_ / 2));
  EXPECT_FALSE(combat.IsStriking());
  ExpectTimes(TimesOf(TAnimationEvent::kTypeName, "Stand"), {1.0f + prepare_ / 2});
  EXPECT_TRUE(Hits().empty());
}

TEST_F(CloseCombatOrderTest, AStrikeBeginningInTheRunStateStopsTheUnitFirst) {
  TCloseAttackOrder attack(attacker_->GetId(), *resolver_, enemy_->GetId(), *world_);
  attacker_->GetAnimator().SetState("Run", 0.0f);
  ASSERT_TRUE(attack.ActAtTarget(2.0f));
  ExpectTimes(TimesOf("StopActions"), {2.0f});
  ExpectTimes(Swings(), {2.0f});
}

TEST_F(CloseCombatOrderTest, TheOrderIsOverWhenTheTargetIsGoneOrLostWhereItWasLastSeen) {
  struct Case {
    const char* name;
    bool removed;
    bool seen;
    TVector3 unitAt;  // relative to the place the target was last seen
    bool over;
  };
  const Case cases[] = {
      {"gone", true, false, TVector3(-3, 0, 0), true},
      {"seen", false, true, TVector3(-3, 0, 0), false},
      {"unseen, far from its last place", false, false, TVector3(-3, 0, 0), false},
      {"unseen, standing at its last place", false, false, TVector3(0.4f, 0, 0), true},
      {"unseen, just too far", false, false, TVector3(0.5f, 0, 0), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Combatant& target = Unit("Grunt", 1, TVector3(8, 8, 0));
    target.SetFlag(0, true);
    TCloseCombatOrder combat(attacker_->GetId(), *resolver_, target.GetId(), *world_);
    ASSERT_TRUE(combat.GetLastTargetPosition().has_value());
    const TVector3 last = *combat.GetLastTargetPosition();
    attacker_->SetPosition(Plus(last, c.unitAt));
    target.SetFlag(0, c.seen);
    target.SetPosition(TVector3(10, 2, 0));
    if (c.removed) world_->Remove(&target);
    EXPECT_EQ(combat.IsOver(), c.over);
    if (!c.removed) world_->Remove(&target);
  }
}

TEST_F(CloseCombatOrderTest, FightingRemembersWhereTheTargetStands) {
  TCloseCombatOrder combat(attacker_->GetId(), *resolver_, enemy_->GetId(), *world_);
  // The target steps aside within reach; the strike goes on and follows it.
  ASSERT_TRUE(combat.ActAtTarget(1.0f));
  const TVector3 moved = Plus(enemy_->Position(), TVector3(0, 0.3f, 0));
  enemy_->SetPosition(moved);
  ASSERT_TRUE(combat.ActAtTarget(1.1f));
  ASSERT_TRUE(combat.GetLastTargetPosition().has_value());
  EXPECT_TRUE(combat.GetLastTargetPosition()->IsWithin(moved, 1e-4f));
  EXPECT_TRUE(combat.GetTargetPositionCopy().IsWithin(moved, 1e-4f));
  // Unseen, the order leads to that place.
  enemy_->SetFlag(0, false);
  enemy_->SetPosition(TVector3(9, 9, 0));
  ASSERT_TRUE(combat.Destination().has_value());
  EXPECT_TRUE(combat.Destination()->IsWithin(moved, 1e-4f));
}

TEST_F(CloseCombatOrderTest, ACloseAttackPlansItsWalkAndOneStrike) {
  TCloseAttackOrder attack(attacker_->GetId(), *resolver_, enemy_->GetId(), *world_);
  const float walk = attack.TRouteOrder::PlannedTime();
  EXPECT_FLOAT_EQ(attack.PlannedTime(), walk + prepare_ + rest_);
}

TEST_F(CloseCombatOrderTest, EveryKindRoundTripsThroughTheOrdersStream) {
  Add(std::make_unique<TCloseAttackOrder>(attacker_->GetId(), *resolver_, enemy_->GetId(), *world_));
  Combatant& other = Unit("Grunt", 0, TVector3(2, 8, 0));
  Add(std::make_unique<TCloseCombatOrder>(other.GetId(), *resolver_, enemy_->GetId(), *world_));
  Combatant& third = Unit("Grunt", 0, TVector3(2, 10, 0));
  Add(std::make_unique<TOpportunityPursueOrder>(third.GetId(), *resolver_, enemy_->GetId(), *world_));

  const TOrderVector read = RoundTrip();
  ASSERT_EQ(read.size(), 3u);
  const std::vector<std::pair<std::string_view, int32_t>> expected = {
      {"CloseAttack", attacker_->GetId()}, {"CloseCombat", other.GetId()}, {"OpportunityPursue", third.GetId()}};
  for (std::size_t i = 0; i < read.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(read[i]->Name(), expected[i].first);
    EXPECT_EQ(read[i]->GetUnitId(), expected[i].second);
    const auto* order = dynamic_cast<const TCloseCombatApproach*>(read[i].get());
    ASSERT_NE(order, nullptr);
    EXPECT_EQ(order->GetFightTargetId(), enemy_->GetId());
    EXPECT_EQ(order->GetTargetId(), enemy_->GetId());
  }
}

// --- OpportunityPursue ------------------------------------------------------------------------

TEST_F(CloseCombatOrderTest, RetargetLooksFarWithoutALastTargetPosition) {
  // A target that never existed leaves no last target position: the bound is
  // 100, so any seen enemy in a clear line will do, the nearest first.
  TOpportunityPursueOrder pursue(attacker_->GetId(), *resolver_, 9999, *world_);
  ASSERT_FALSE(pursue.GetLastTargetPosition().has_value());
  Combatant& far = Unit("Grunt", 1, TVector3(10, 10, 0));
  far.SetFlag(0, true);
  Combatant& hidden = Unit("Grunt", 1, TVector3(3, 8, 0));  // near, but not seen
  Combatant& friendly = Unit("Grunt", 0, TVector3(2, 7, 0));
  friendly.SetFlag(0, true);
  (void)hidden;
  EXPECT_EQ(pursue.FindNearerEnemy(*attacker_), enemy_);
  enemy_->SetFlag(0, false);
  EXPECT_EQ(pursue.FindNearerEnemy(*attacker_), &far);
  pursue.Retarget();
  EXPECT_EQ(pursue.GetFightTargetId(), far.GetId());
  EXPECT_EQ(pursue.TargetUnitId(), far.GetId());
}

TEST_F(CloseCombatOrderTest, RetargetWantsAnEnemyMoreThanTwoNearerThanTheLastPlace) {
  struct Case {
    const char* name;
    float candidateDistance;
    bool switches;
  };
  // The target was last seen 6.0 away: a new one must be nearer than 4.0.
  const Case cases[] = {{"4.5 away", 4.5f, false}, {"3.5 away", 3.5f, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Combatant& target = Unit("Grunt", 1, Plus(attacker_->Position(), TVector3(6, 0, 0)));
    target.SetFlag(0, true);
    Combatant& candidate = Unit("Grunt", 1, Plus(attacker_->Position(), TVector3(0, c.candidateDistance, 0)));
    candidate.SetFlag(0, true);
    enemy_->SetFlag(0, false);
    TOpportunityPursueOrder pursue(attacker_->GetId(), *resolver_, target.GetId(), *world_);
    pursue.Retarget();
    EXPECT_EQ(pursue.GetFightTargetId(), c.switches ? candidate.GetId() : target.GetId());
    world_->Remove(&target);
    world_->Remove(&candidate);
  }
}

TEST_F(CloseCombatOrderTest, OpportunityPursueStrikesTheEnemyItTurnedTo) {
  // Its first target stands far off; an enemy within reach is nearer.
  Combatant& distant = Unit("Grunt", 1, TVector3(10, 5, 0));
  distant.SetFlag(0, true);
  TOpportunityPursueOrder* pursue =
      Add(std::make_unique<TOpportunityPursueOrder>(attacker_->GetId(), *resolver_, distant.GetId(), *world_));
  EXPECT_EQ(pursue->Name(), "OpportunityPursue");
  EXPECT_FLOAT_EQ(pursue->PlannedTime(), 10.0f);
  const float cycle = prepare_ + rest_;
  for (int32_t i = 0; i < 4; ++i) Tick(1.0f + static_cast<float>(i) * cycle * 0.7f);
  EXPECT_EQ(pursue->GetFightTargetId(), enemy_->GetId());
  ExpectTimes(Swings(), {1.0f, 1.0f + cycle, 1.0f + 2 * cycle});
  ASSERT_EQ(Hits().size(), 2u);
  for (int32_t i = 0; i < events_.GetEventCount(); ++i) {
    if (const auto* hit = dynamic_cast<const TDamageEvent*>(events_.GetEvent(i))) {
      EXPECT_EQ(hit->GetTargetId(), enemy_->GetId());
    }
  }
}

}  // namespace
