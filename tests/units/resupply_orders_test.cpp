#include "units/resupply_orders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/corpse.h"
#include "sim/damage_event.h"
#include "sim/event.h"
#include "sim/unit_events.h"
#include "units/combatant.h"
#include "units/follow_orders.h"
#include "units/order_test_world.h"
#include "units/unit_type.h"
#include "units/weapon.h"
#include "world/ammo_dump.h"
#include "world/map_fixtures.h"

namespace {

using order_test::Shifted;

class ResupplyOrderTest : public order_test::OrderWorldTest {
 protected:

  // The world moves its objects, the chains run, the dead are taken away.
  void Tick(float now) override {
    world_->Update(now);
    list_.RunTick(now);
    world_->RemoveDestroyedAll();
  }

  // A place east of the object at which something of the given radius
  // stands within reach of it.
  static TVector3 BesideEast(const TGameObject& object, float radius, float gap = 0.5f) {
    return Shifted(object.Position(), object.GetLofVolume().MaxGroundRadius() + radius + gap, 0.0f);
  }
  static float RadiusOf(const TGameObject& object) { return object.GetLofVolume().MaxGroundRadius(); }

  static void ExpectTimes(const std::vector<float>& actual, const std::vector<float>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(actual[i], expected[i], 1e-4f) << i;
  }

  TResupplyOrder* AddResupply(const Combatant& unit, const TGameObject& supplier) {
    return Add(std::make_unique<TResupplyOrder>(unit.GetId(), *resolver_, supplier.GetId()));
  }
};

// --- Resupply ----------------------------------------------------------------------------

TEST_F(ResupplyOrderTest, ThePlannedTimeIsTheWalkAndOneRoundTimePerMissingRound) {
  Combatant& unit = Unit("Grenadier", 0, TVector3(2, 5, 0));
  const AmmoDump& dump = Dump("Marine HQ", 0, TVector3(9, 5, 0));
  TResupplyOrder* order = AddResupply(unit, dump);
  EXPECT_EQ(order->Name(), "Resupply");
  const float walk = order->GetRoute().TravelTime(unit.GetType().GetSpeed());
  ASSERT_GT(walk, 0.0f);
  const float reload = unit.GetType().GetReloadRate();
  const int32_t maximum = unit.GetWeapon()->GetMaxAmmunition();
  struct Case {
    int32_t ammunition;
    float planned;
  };
  const Case cases[] = {{maximum, walk},
                        {maximum - 2, walk + reload * 2.0f / static_cast<float>(maximum)},
                        {0, walk + reload}};
  for (const Case& c : cases) {
    unit.GetWeapon()->SetAmmunition(static_cast<float>(c.ammunition));
    EXPECT_NEAR(order->PlannedTime(), c.planned, 1e-4f) << c.ammunition;
  }
}

TEST_F(ResupplyOrderTest, RoundsAreTakenOnePerRoundTimeUntilTheWeaponIsFull) {
  Combatant& unit = Unit("Grenadier", 0, TVector3(2, 5, 0));
  AmmoDump& dump = Dump("Marine HQ", 0, TVector3(5, 5, 0));
  dump.SetPosition(BesideEast(unit, RadiusOf(dump)));
  TWeapon& weapon = *unit.GetWeapon();
  const int32_t maximum = weapon.GetMaxAmmunition();
  weapon.SetAmmunition(static_cast<float>(maximum - 2));
  const float round = unit.GetType().GetReloadRate() / static_cast<float>(maximum);
  TResupplyOrder* order = AddResupply(unit, dump);

  RunTicks(1.0f, 1.0f + 2 * round + 0.4f, 0.2f);
  ExpectTimes(TimesOf(TResupplyEvent::kTypeName), {1.0f + round, 1.0f + 2 * round});
  EXPECT_EQ(weapon.GetAmmunition(), maximum);
  EXPECT_TRUE(order->IsDone());
  EXPECT_FALSE(list_.HasOrders(unit.GetId()));
  // The unit turned to the dump and stood when it began to take rounds.
  const std::vector<std::string> journal = Journal();
  ASSERT_GE(journal.size(), 2u);
  EXPECT_EQ(journal[0], At("Facing", 1.0f));
  EXPECT_EQ(journal[1], At("Animation", 1.0f, "Stand"));
}

TEST_F(ResupplyOrderTest, AFullUnitFinishesAfterItsFirstRoundCheck) {
  Combatant& unit = Unit("Grenadier", 0, TVector3(2, 5, 0));
  AmmoDump& dump = Dump("Marine HQ", 0, TVector3(5, 5, 0));
  dump.SetPosition(BesideEast(unit, RadiusOf(dump)));
  const float round = unit.GetType().GetReloadRate() / static_cast<float>(unit.GetWeapon()->GetMaxAmmunition());
  TResupplyOrder* order = AddResupply(unit, dump);
  Tick(1.0f);
  Tick(1.0f + round - 0.01f);
  EXPECT_FALSE(order->IsDone());
  Tick(1.0f + round + 0.01f);
  EXPECT_TRUE(order->IsDone());
  EXPECT_TRUE(list_.HasOrders(unit.GetId()));
  Tick(1.0f + round + 0.1f);
  EXPECT_FALSE(list_.HasOrders(unit.GetId()));
  EXPECT_TRUE(TimesOf(TResupplyEvent::kTypeName).empty());
}

TEST_F(ResupplyOrderTest, TheOrderIsOverWhenTheSupplierIsGoneOrRunsDry) {
  struct Case {
    const char* name;
    float supplierAmmunition;
    bool supplierGone;
    bool over;
  };
  const Case cases[] = {{"stocked", 10.0f, false, false}, {"dry", 0.0f, false, true}, {"gone", 10.0f, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Combatant& unit = Unit("Grunt", 0, TVector3(2, 5, 0));
    unit.GetWeapon()->SetAmmunition(1.0f);
    Combatant& supplier = Unit("Scanner", 0, TVector3(8, 5, 0));
    supplier.GetWeapon()->SetAmmunition(c.supplierAmmunition);
    TResupplyOrder order(unit.GetId(), *resolver_, supplier.GetId());
    if (c.supplierGone) world_->Remove(&supplier);
    EXPECT_EQ(order.IsOver(), c.over);
    EXPECT_EQ(order.Update(4.0f), c.over);
    world_->Remove(&unit);
    if (!c.supplierGone) world_->Remove(&supplier);
  }
}

TEST_F(ResupplyOrderTest, AUnitWithoutAmmunitionToFillEndsAtOnce) {
  Combatant& queen = Unit("Queen", 0, TVector3(2, 5, 0));
  ASSERT_TRUE(queen.GetWeapon() == nullptr || queen.GetWeapon()->GetMaxAmmunition() == 0);
  const AmmoDump& dump = Dump("Marine HQ", 0, BesideEast(queen, 1.0f));
  TResupplyOrder* order = AddResupply(queen, dump);
  EXPECT_TRUE(order->IsOver());
  EXPECT_FALSE(order->ActAtTarget(1.0f));
  Tick(1.0f);
  EXPECT_FALSE(list_.HasOrders(queen.GetId()));
  EXPECT_TRUE(TimesOf(TResupplyEvent::kTypeName).empty());
}

TEST_F(ResupplyOrderTest, ASupplierBehindAWallOrOutOfReachGivesNothingAndStopsTheRound) {
  Combatant& unit = Unit("Grenadier", 0, TVector3(2, 5, 0));
  unit.GetWeapon()->SetAmmunition(0.0f);
  AmmoDump& dump = Dump("Marine HQ", 0, TVector3(5, 5, 0));
  const TVector3 beside = BesideEast(unit, RadiusOf(dump));
  dump.SetPosition(beside);
  TResupplyOrder order(unit.GetId(), *resolver_, dump.GetId());
  EXPECT_TRUE(order.ActAtTarget(1.0f));
  ASSERT_NE(order.GetRoundTimer(), nullptr);
  EXPECT_TRUE(order.GetRoundTimer()->IsRunning());

  dump.SetPosition(Shifted(beside, 3, 0));
  EXPECT_FALSE(order.ActAtTarget(1.1f));
  EXPECT_FALSE(order.GetRoundTimer()->IsRunning());

  dump.SetPosition(beside);
  map_test::PlaceTile(world_->GetMap(), world_->GetGameData(), "Wall", (beside.x + 2.0f) / 2, 5.0f);
  EXPECT_FALSE(order.ActAtTarget(10.0f));
  EXPECT_TRUE(TimesOf(TResupplyEvent::kTypeName).empty());
}

// --- SuicideAttack -----------------------------------------------------------------------

class SuicideAttackTest : public ResupplyOrderTest {
 protected:
  void SetUp() override {
    ResupplyOrderTest::SetUp();
    splatter_ = &Unit("Splatter", 0, TVector3(2, 5, 0));
    splatterId_ = splatter_->GetId();
  }
  TSuicideAttackOrder* AddAttack(const TGameObject& target) {
    return Add(std::make_unique<TSuicideAttackOrder>(splatterId_, *resolver_, target.GetId(), world_.get()));
  }

  Combatant* splatter_ = nullptr;
  int32_t splatterId_ = -1;
};

TEST_F(SuicideAttackTest, TheUnitDestroysItselfBesideATargetItsPlayerSees) {
  struct Case {
    const char* name;
    bool seen;
    bool beside;
    bool explodes;
  };
  const Case cases[] = {{"seen beside", true, true, true},
                        {"unseen beside", false, true, false},
                        {"seen far", true, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    events_.Clear();
    Combatant& enemy = Unit("Grunt", 1, TVector3(9, 9, 0));
    enemy.SetPosition(c.beside ? BesideEast(*splatter_, RadiusOf(enemy)) : TVector3(9, 5, 0));
    enemy.SetFlag(0, c.seen);
    TSuicideAttackOrder order(splatterId_, *resolver_, enemy.GetId(), world_.get());
    EXPECT_EQ(order.ActAtTarget(2.0f), c.explodes);
    EXPECT_EQ(splatter_->IsDestroyed(), c.explodes);
    ExpectTimes(TimesOf(TDamageEvent::kTypeName), c.explodes ? std::vector<float>{2.0f} : std::vector<float>{});
    if (c.explodes) break;  // the splatter is spent
    world_->Remove(&enemy);
  }
}

TEST_F(SuicideAttackTest, AnAttackRunsUpToASeenTargetAndEndsTheChainWithTheUnit) {
  Combatant& enemy = Unit("Grunt", 1, TVector3(8, 5, 0));
  enemy.SetFlag(0, true);
  TSuicideAttackOrder* order = AddAttack(enemy);
  EXPECT_EQ(order->Name(), "SuicideAttack");
  EXPECT_FLOAT_EQ(order->PlannedTime(), 10.0f);
  RunTicks(0.1f, 9.0f, 0.1f);
  EXPECT_EQ(world_->FindById(splatterId_), nullptr);
  EXPECT_FALSE(list_.HasOrders(splatterId_));
  EXPECT_EQ(TimesOf(TDamageEvent::kTypeName).size(), 1u);
}

TEST_F(SuicideAttackTest, OutOfViewTheAttackEndsWhereTheTargetWasLastSeen) {
  Combatant& enemy = Unit("Grunt", 1, TVector3(8, 5, 0));
  enemy.SetFlag(0, true);
  TSuicideAttackOrder order(splatterId_, *resolver_, enemy.GetId(), world_.get());
  ASSERT_TRUE(order.GetLastTargetPosition().has_value());
  const TVector3 lastSeen = *order.GetLastTargetPosition();
  EXPECT_FALSE(order.IsOver());

  enemy.SetFlag(0, false);
  EXPECT_FALSE(order.IsOver());  // still on its way there
  splatter_->SetPosition(Shifted(lastSeen, 0.3f, 0));
  EXPECT_TRUE(order.IsOver());
  splatter_->SetDestination(Shifted(lastSeen, 0, 2));
  EXPECT_FALSE(order.IsOver());  // passing through, not standing there

  // A target that died where it was last seen ends the attack at once.
  splatter_->SetPosition(TVector3(2, 5, 0));
  EXPECT_FALSE(order.IsOver());
  world_->Add(std::make_unique<Corpse>(lastSeen, enemy.GetType(), 0, 1.0f, 1));
  EXPECT_TRUE(order.IsOver());
}

// --- the orders stream -------------------------------------------------------------------

TEST_F(SuicideAttackTest, ResupplyAndSuicideAttackCrossTheOrdersStream) {
  Combatant& grunt = Unit("Grunt", 0, TVector3(2, 8, 0));
  const AmmoDump& dump = Dump("Marine HQ", 0, TVector3(9, 8, 0));
  Combatant& enemy = Unit("Grunt", 1, TVector3(8, 5, 0));
  AddResupply(grunt, dump);
  AddAttack(enemy);
  const TOrderVector read = RoundTrip();
  ASSERT_EQ(read.size(), 2u);
  const auto* resupply = dynamic_cast<const TResupplyOrder*>(read[0].get());
  const auto* attack = dynamic_cast<const TSuicideAttackOrder*>(read[1].get());
  ASSERT_NE(resupply, nullptr);
  ASSERT_NE(attack, nullptr);
  EXPECT_EQ(resupply->GetUnitId(), grunt.GetId());
  EXPECT_EQ(resupply->GetTargetId(), dump.GetId());
  EXPECT_FALSE(resupply->IsDone());
  EXPECT_EQ(attack->GetUnitId(), splatterId_);
  EXPECT_EQ(attack->GetTargetId(), enemy.GetId());
}

}  // namespace
