#include "units/follow_orders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/event.h"
#include "sim/unit_events.h"
#include "units/combatant.h"
#include "units/order_test_world.h"
#include "units/unit_visual_state.h"
#include "world/map_fixtures.h"

namespace {

using order_test::Shifted;

class FollowOrderTest : public order_test::OrderWorldTest {
 protected:


  // A place east of the unit at which the other stands within reach of it.
  static TVector3 BesideEast(const Combatant& unit, const Combatant& other, float gap = 0.5f) {
    const float radii = unit.GetLofVolume().MaxGroundRadius() + other.GetLofVolume().MaxGroundRadius();
    return Shifted(unit.Position(), radii + gap, 0.0f);
  }


  static void ExpectTimes(const std::vector<float>& actual, const std::vector<float>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(actual[i], expected[i], 1e-4f) << i;
  }
};

// --- Follow ------------------------------------------------------------------------------

TEST_F(FollowOrderTest, AFollowerWalksUpToItsTargetAndStaysBesideIt) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2, 5, 0));
  Combatant& target = Unit("Grunt", 0, TVector3(8, 5, 0));
  TFollowOrder* follow = Add(std::make_unique<TFollowOrder>(unit.GetId(), *resolver_, target.GetId()));
  EXPECT_EQ(follow->Name(), "Follow");
  EXPECT_FLOAT_EQ(follow->PlannedTime(), 10.0f);

  RunTicks(0.1f, 10.0f, 0.1f);
  const TVector3 arrived = unit.Position();
  RunTicks(10.1f, 14.0f, 0.1f);
  EXPECT_EQ(unit.Position(), arrived);
  EXPECT_TRUE(follow->InReach());
  EXPECT_TRUE(IsUnitAtRest(unit));
  EXPECT_LT(unit.Position().DistanceTo(target.Position()), 2.0f);
  // Standing beside its target is no reason to finish.
  EXPECT_TRUE(list_.HasOrders(unit.GetId()));
  EXPECT_FALSE(follow->IsOver());
}

TEST_F(FollowOrderTest, AFollowEndsInTheUpdateAfterItsTargetIsGone) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2, 5, 0));
  Combatant& target = Unit("Grunt", 0, BesideEast(unit, unit));
  TFollowOrder* follow = Add(std::make_unique<TFollowOrder>(unit.GetId(), *resolver_, target.GetId()));
  RunTicks(1.0f, 3.0f, 0.5f);
  EXPECT_TRUE(list_.HasOrders(unit.GetId()));
  EXPECT_TRUE(TimesOf(TAnimationEvent::kTypeName, "Stand").empty());

  world_->Remove(&target);
  EXPECT_TRUE(follow->IsOver());
  Tick(3.5f);
  EXPECT_FALSE(list_.HasOrders(unit.GetId()));
  // The unit stands from the moment the chain ran out.
  ExpectTimes(TimesOf(TAnimationEvent::kTypeName, "Stand"), {3.5f});
}

TEST_F(FollowOrderTest, ArrivingInTheRunStateStopsTheUnitOnce) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2, 5, 0));
  Combatant& target = Unit("Grunt", 0, BesideEast(unit, unit));
  TFollowOrder follow(unit.GetId(), *resolver_, target.GetId());
  unit.GetAnimator().SetState("Run", 0.0f);
  EXPECT_TRUE(follow.ActAtTarget(2.0f));
  ExpectTimes(TimesOf("StopActions"), {2.0f});
  unit.GetAnimator().SetState("Stand", 0.0f);
  EXPECT_TRUE(follow.ActAtTarget(2.1f));
  EXPECT_EQ(TimesOf("StopActions").size(), 1u);

  // A unit still on its way, or out of reach, does not act.
  unit.SetDestination(TVector3(3, 5, 0));
  EXPECT_FALSE(follow.ActAtTarget(2.2f));
  unit.SetPosition(TVector3(2, 5, 0));
  target.SetPosition(TVector3(6, 5, 0));
  EXPECT_FALSE(follow.ActAtTarget(2.3f));
}

// --- Heal --------------------------------------------------------------------------------

class HealOrderTest : public FollowOrderTest {
 protected:
  void SetUp() override {
    FollowOrderTest::SetUp();
    healer_ = &Unit("Scanner", 0, TVector3(2, 5, 0));
    patient_ = &Unit("Grunt", 0, BesideEast(*healer_, *healer_));
    patient_->AddEndurance(-50.0f);
  }
  THealOrder* AddHeal() {
    return Add(std::make_unique<THealOrder>(healer_->GetId(), *resolver_, patient_->GetId()));
  }

  Combatant* healer_ = nullptr;
  Combatant* patient_ = nullptr;
};

TEST_F(HealOrderTest, HealsOncePerHealingRateStampedAtEachExpiry) {
  const float rate = healer_->GetHealingRate();
  ASSERT_GT(rate, 0.0f);
  THealOrder* heal = AddHeal();
  EXPECT_EQ(heal->Name(), "Heal");
  EXPECT_FLOAT_EQ(heal->PlannedTime(), 10.0f);
  const float health = patient_->GetEndurance();

  // Ticks fall at 3.0, 3.7, 4.4 ...: never on an expiry after the first.
  RunTicks(3.0f, 3.0f + 10.5f * 0.7f, 0.7f);
  ExpectTimes(TimesOf(THealEvent::kTypeName), {3.0f + rate, 3.0f + 2 * rate});
  ExpectTimes(TimesOf(TAnimationEvent::kTypeName, "Heal"), {3.0f});
  EXPECT_FLOAT_EQ(patient_->GetEndurance(), health + 2.0f);
  EXPECT_TRUE(list_.HasOrders(healer_->GetId()));
}

TEST_F(HealOrderTest, APatientThatMovesStopsTheHealPeriod) {
  const float rate = healer_->GetHealingRate();
  THealOrder* heal = AddHeal();
  const TVector3 place = patient_->Position();
  EXPECT_TRUE(heal->ActAtTarget(3.0f));
  ASSERT_NE(heal->GetHealTimer(), nullptr);
  EXPECT_TRUE(heal->GetHealTimer()->IsRunning());

  // The patient walks off: no heal, and the period is stopped.
  patient_->SetDestination(Shifted(place, 0, 2));
  EXPECT_FALSE(heal->ActAtTarget(3.0f + rate - 0.5f));
  EXPECT_FALSE(heal->GetHealTimer()->IsRunning());
  EXPECT_FALSE(heal->ActAtTarget(3.0f + rate + 0.1f));

  // Back at rest: a full period from the new start.
  patient_->SetPosition(place);
  const float again = 3.0f + rate + 0.2f;
  EXPECT_TRUE(heal->ActAtTarget(again));
  EXPECT_TRUE(heal->ActAtTarget(again + rate - 0.01f));
  EXPECT_TRUE(TimesOf(THealEvent::kTypeName).empty());
  EXPECT_TRUE(heal->ActAtTarget(again + rate + 0.05f));
  ExpectTimes(TimesOf(THealEvent::kTypeName), {again + rate});
  ExpectTimes(TimesOf(TAnimationEvent::kTypeName, "Heal"), {3.0f, again});
}

TEST_F(HealOrderTest, APatientBehindAWallWithinReachIsNotHealed) {
  struct Case {
    const char* name;
    bool wall;
    bool heals;
  };
  const Case cases[] = {{"open", false, true}, {"walled", true, false}};
  const float rate = healer_->GetHealingRate();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    events_.Clear();
    TTerrainObject* wall = nullptr;
    if (c.wall) {
      const float between = (healer_->Position().x + patient_->Position().x) / 2;
      wall = map_test::PlaceTile(world_->GetMap(), world_->GetGameData(), "Wall", between, 5.0f);
    }
    THealOrder heal(healer_->GetId(), *resolver_, patient_->GetId());
    ASSERT_TRUE(heal.InReach());
    EXPECT_EQ(heal.ActAtTarget(1.0f), c.heals);
    EXPECT_EQ(heal.ActAtTarget(1.0f + rate), c.heals);
    EXPECT_EQ(TimesOf(THealEvent::kTypeName).size(), c.heals ? 1u : 0u);
    if (wall != nullptr) world_->GetMap().Remove(wall);
  }
}

TEST_F(HealOrderTest, AUnitWithoutAHealingRateStaysBesideItsPatientWithoutHealing) {
  Combatant& grunt = Unit("Grunt", 0, Shifted(patient_->Position(), 0, 1.2f));
  ASSERT_FLOAT_EQ(grunt.GetHealingRate(), 0.0f);
  THealOrder heal(grunt.GetId(), *resolver_, patient_->GetId());
  ASSERT_TRUE(heal.InReach());
  for (float t : {1.0f, 1.1f, 1.2f}) EXPECT_TRUE(heal.ActAtTarget(t));
  EXPECT_TRUE(TimesOf(THealEvent::kTypeName).empty());
  EXPECT_TRUE(TimesOf(TAnimationEvent::kTypeName, "Heal").empty());
}

TEST_F(HealOrderTest, AResetForgetsTheHealTimerAndTheOrderEndsWithItsPatient) {
  THealOrder* heal = AddHeal();
  Tick(1.0f);
  ASSERT_NE(heal->GetHealTimer(), nullptr);
  heal->Reset();
  EXPECT_EQ(heal->GetHealTimer(), nullptr);
  EXPECT_FALSE(heal->IsActive());

  world_->Remove(patient_);
  list_.Rewind();
  Tick(2.0f);
  EXPECT_FALSE(list_.HasOrders(healer_->GetId()));
  EXPECT_TRUE(TimesOf(THealEvent::kTypeName).empty());
}

// --- the orders stream -------------------------------------------------------------------

TEST_F(FollowOrderTest, FollowAndHealCrossTheOrdersStream) {
  Combatant& unit = Unit("Scanner", 0, TVector3(2, 5, 0));
  Combatant& target = Unit("Grunt", 0, TVector3(8, 5, 0));
  Add(std::make_unique<TFollowOrder>(unit.GetId(), *resolver_, target.GetId()));
  Add(std::make_unique<THealOrder>(unit.GetId(), *resolver_, target.GetId()));
  const TOrderVector read = RoundTrip();
  ASSERT_EQ(read.size(), 2u);
  const auto* follow = dynamic_cast<const TFollowOrder*>(read[0].get());
  const auto* heal = dynamic_cast<const THealOrder*>(read[1].get());
  ASSERT_NE(follow, nullptr);
  ASSERT_NE(heal, nullptr);
  for (const TApproachOrder* order : {static_cast<const TApproachOrder*>(follow),
                                      static_cast<const TApproachOrder*>(heal)}) {
    EXPECT_EQ(order->GetUnitId(), unit.GetId());
    EXPECT_EQ(order->GetTargetId(), target.GetId());
  }
  EXPECT_EQ(heal->GetHealTimer(), nullptr);
}

}  // namespace
