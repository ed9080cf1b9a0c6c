// The reaction manager's work in a simulated tick: sighting reactions that
// halt or send back units, and the combat policies' orders for idle units.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/data_stream.h"
#include "sim/corpse.h"
#include "sim/unit_events.h"
#include "units/order_test_world.h"
#include "units/combatant_list.h"
#include "units/order.h"
#include "units/reaction_manager.h"
#include "units/reaction_policy.h"
#include "units/sight_resolver.h"
#include "units/walk_orders.h"

namespace {

using order_test::OrderWorldTest;

class ReactionTickTest : public OrderWorldTest {
 protected:
  void SetUp() override {
    OrderWorldTest::SetUp();
    manager_ = std::make_unique<TReactionManager>(2, world_.get(), &list_);
  }
  void TearDown() override {
    manager_.reset();
    OrderWorldTest::TearDown();
  }

  Combatant& Reacting(const std::string& type, int32_t owner, const TVector3& at, const std::string& code) {
    Combatant& unit = Unit(type, owner, at);
    manager_->SetSightingReaction(unit.GetId(), code, at);
    return unit;
  }
  void GiveWalk(const Combatant& unit, const TVector3& to) {
    list_.Add(std::make_unique<TMovementOrder>(unit.GetId(), *resolver_, to, true));
  }
  int32_t StopsOf(const Combatant& unit) const {
    int32_t count = 0;
    for (int32_t i = 0; i < events_.GetEventCount(); ++i) {
      const auto* stop = dynamic_cast<const TStopActionsEvent*>(events_.GetEvent(i));
      if (stop != nullptr && stop->SubjectId() == unit.GetId()) ++count;
    }
    return count;
  }
  const TOrderChain* ChainOf(const Combatant& unit) const {
    for (int32_t i = 0; i < list_.GetChainCount(); ++i) {
      const TOrderChain* chain = list_.GetChain(i);
      if (chain != nullptr && chain->UnitId() == unit.GetId()) return chain;
    }
    return nullptr;
  }
  // The name of the unit's first order; empty without one.
  std::string FirstOrderName(const Combatant& unit) const {
    const TOrderChain* chain = ChainOf(unit);
    if (chain == nullptr || chain->Head() == nullptr) return "";
    return std::string(chain->Head()->Name());
  }
  bool Triggered(const Combatant& unit) const { return manager_->Find(unit.GetId())->IsTriggered(); }

  std::unique_ptr<TReactionManager> manager_;
};

// --- sighting reactions ----------------------------------------------------------------

TEST_F(ReactionTickTest, TwoHaltingUnitsBothHaltOncePerRecord) {
  Combatant& first = Reacting("Grunt", 0, TVector3(2.5f, 2.5f, 0.0f), "halt");
  // Off the first unit's line of fire: a unit of its own side in the way
  // would keep the enemy out of its clear view.
  Combatant& second = Reacting("Grunt", 0, TVector3(3.5f, 4.5f, 0.0f), "halt");
  Combatant& enemy = Unit("Grunt", 1, TVector3(9.5f, 2.5f, 0.0f));
  GiveWalk(first, TVector3(2.5f, 9.5f, 0.0f));
  manager_->BeginTurn();

  enemy.SetFlag(0, true);
  manager_->Tick(3.0f, resolver_.get());
  EXPECT_TRUE(Triggered(first));
  EXPECT_TRUE(Triggered(second));
  EXPECT_FALSE(list_.HasOrders(first.GetId()));
  EXPECT_EQ(StopsOf(first), 1);
  EXPECT_EQ(StopsOf(second), 1);

  // A triggered record does not fire again: the new order survives.
  GiveWalk(first, TVector3(2.5f, 9.5f, 0.0f));
  manager_->Tick(3.1f, resolver_.get());
  EXPECT_TRUE(list_.HasOrders(first.GetId()));
  EXPECT_EQ(StopsOf(first), 1);
  EXPECT_EQ(StopsOf(second), 1);
}

struct TQuietCase {
  const char* what;
  bool seenAtStart;
  int32_t objectOwner;
  TVector3 objectAt;
  const char* code;
  bool triggers;
};

// Only news triggers: an object the side saw at turn start or owns, one
// out of range, or a unit that does not react to sightings stays quiet.
TEST_F(ReactionTickTest, KnownFarOrIgnoredObjectsNeverTrigger) {
  const TQuietCase cases[] = {
      {"newly seen enemy", false, 1, TVector3(6.5f, 1.5f, 0.0f), "halt", true},
      {"seen at turn start", true, 1, TVector3(6.5f, 1.5f, 0.0f), "halt", false},
      {"own unit", false, 0, TVector3(6.5f, 1.5f, 0.0f), "halt", false},
      {"beyond reaction range", false, 1, TVector3(11.5f, 11.5f, 0.0f), "halt", false},
      {"continue", false, 1, TVector3(6.5f, 1.5f, 0.0f), "continue", false},
  };
  for (const TQuietCase& c : cases) {
    SCOPED_TRACE(c.what);
    manager_->Reset();
    Combatant& unit = Reacting("Grunt", 0, TVector3(0.5f, 0.5f, 0.0f), c.code);
    Combatant& other = Unit("Grunt", c.objectOwner, c.objectAt);
    if (c.seenAtStart) other.SetFlag(0, true);
    manager_->BeginTurn();
    other.SetFlag(0, true);
    manager_->Tick(3.0f, resolver_.get());
    EXPECT_EQ(Triggered(unit), c.triggers);
    EXPECT_EQ(StopsOf(unit), c.triggers ? 1 : 0);
    world_->GetUnits().RemoveById(other.GetId());
    world_->GetUnits().RemoveById(unit.GetId());
  }
}

TEST_F(ReactionTickTest, AnObjectAtExactlyTheReactionRangeTriggers) {
  const struct {
    float distance;
    bool triggers;
  } cases[] = {{11.0f, true}, {11.002f, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.distance);
    manager_->Reset();
    Combatant& unit = Reacting("Grenadier", 0, TVector3(0.5f, 0.5f, 0.0f), "halt");
    ASSERT_FLOAT_EQ(unit.GetType().GetReactionRange(), 11.0f);
    Combatant& enemy = Unit("Grunt", 1, TVector3(0.5f, 0.5f + c.distance, 0.0f));
    ASSERT_EQ(enemy.Position().DistanceTo(unit.Position()) > 11.0f, !c.triggers);
    manager_->BeginTurn();
    enemy.SetFlag(0, true);
    manager_->Tick(3.0f, resolver_.get());
    EXPECT_EQ(Triggered(unit), c.triggers);
    world_->GetUnits().RemoveById(enemy.GetId());
    world_->GetUnits().RemoveById(unit.GetId());
  }
}

TEST_F(ReactionTickTest, RetreatingUnitGetsAReactionOrderBackToItsPoint) {
  Combatant& unit = Reacting("Grunt", 0, TVector3(5.5f, 5.5f, 0.0f), "retreat");
  Combatant& enemy = Unit("Grunt", 1, TVector3(10.5f, 5.5f, 0.0f));
  manager_->BeginTurn();
  // The unit was sent forward from where it stood at turn start.
  manager_->SetSightingReaction(unit.GetId(), "retreat", TVector3(1.5f, 5.5f, 0.0f));

  enemy.SetFlag(0, true);
  manager_->Tick(3.0f, resolver_.get());
  EXPECT_TRUE(Triggered(unit));
  EXPECT_EQ(StopsOf(unit), 1);
  EXPECT_EQ(FirstOrderName(unit), "Retreat");
  const TOrderChain* chain = ChainOf(unit);
  ASSERT_NE(chain, nullptr);
  EXPECT_EQ(chain->ReactionMark(), chain->Head());
  // A reaction order is not one of the player's orders.
  EXPECT_TRUE(list_.CollectOrders().empty());
}

TEST_F(ReactionTickTest, RetreatCloserThanFiveHundredthsOnlyHalts) {
  Combatant& unit = Reacting("Grunt", 0, TVector3(5.5f, 5.5f, 0.0f), "retreat");
  Combatant& enemy = Unit("Grunt", 1, TVector3(10.5f, 5.5f, 0.0f));
  GiveWalk(unit, TVector3(5.5f, 10.5f, 0.0f));
  manager_->BeginTurn();
  manager_->SetSightingReaction(unit.GetId(), "retreat", TVector3(5.54f, 5.5f, 0.0f));

  enemy.SetFlag(0, true);
  manager_->Tick(3.0f, resolver_.get());
  EXPECT_TRUE(Triggered(unit));
  EXPECT_EQ(StopsOf(unit), 1);
  EXPECT_FALSE(list_.HasOrders(unit.GetId()));
}

// --- combat reactions --------------------------------------------------------------------

struct TCombatCase {
  const char* type;
  const char* policy;
  const char* order;  // empty: no order
};

TEST_F(ReactionTickTest, IdleUnitsAskTheirPolicyByTypeAndWeapon) {
  const TCombatCase cases[] = {
      {"Grunt", "FireAtWill", "ContinuousAttack"},  // ranged weapon
      {"Drone", "FireAtWill", "OpportunityPursue"},  // close-combat weapon
      {"Splatter", "FireAtWill", "SuicideAttack"},   // no damage, bursts
      {"Marine HQ", "FireAtWill", ""},               // unarmed, not a Queen: no food either
      {"Psyker", "FireAtWill", ""},
      {"Warp Gunner", "FireAtWill", ""},
      {"Grunt", "HoldFire", ""},
      {"Grunt", "Pursue", "Pursue"},
  };
  for (const TCombatCase& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + c.policy);
    list_.Clear();
    manager_->Reset();
    Combatant& unit = Unit(c.type, 0, TVector3(3.5f, 3.5f, 0.0f));
    Combatant& enemy = Unit("Grunt", 1, TVector3(6.5f, 3.5f, 0.0f));
    enemy.SetFlag(0, true);
    manager_->SetCombatReaction(unit.GetId(), c.policy);
    manager_->Tick(3.0f, resolver_.get());
    EXPECT_EQ(FirstOrderName(unit), c.order);
    if (*c.order != '\0') {
      EXPECT_EQ(ChainOf(unit)->ReactionMark(), ChainOf(unit)->Head());
    }
    EXPECT_TRUE(list_.CollectOrders().empty());
    list_.Clear();
    world_->GetUnits().RemoveById(enemy.GetId());
    world_->GetUnits().RemoveById(unit.GetId());
  }
}

TEST_F(ReactionTickTest, ReactionOrdersAreNotWrittenWithThePlayersOrders) {
  Combatant& unit = Unit("Grunt", 0, TVector3(3.5f, 3.5f, 0.0f));
  Unit("Grunt", 1, TVector3(6.5f, 3.5f, 0.0f)).SetFlag(0, true);
  manager_->SetCombatReaction(unit.GetId(), "FireAtWill");
  manager_->Tick(3.0f, resolver_.get());
  ASSERT_EQ(FirstOrderName(unit), "ContinuousAttack");

  TDataStream stream;
  list_.WriteOrders(stream);
  stream.Rewind();
  EXPECT_EQ(stream.ReadString(), "End");
  EXPECT_EQ(stream.Remaining(), 0u);
}

TEST_F(ReactionTickTest, UnitWithRunningOrdersGetsNoCombatOrder) {
  Combatant& unit = Unit("Grunt", 0, TVector3(3.5f, 3.5f, 0.0f));
  Unit("Grunt", 1, TVector3(6.5f, 3.5f, 0.0f)).SetFlag(0, true);
  manager_->SetCombatReaction(unit.GetId(), "FireAtWill");
  GiveWalk(unit, TVector3(3.5f, 9.5f, 0.0f));
  manager_->Tick(3.0f, resolver_.get());
  EXPECT_EQ(FirstOrderName(unit), "Movement");
  EXPECT_EQ(ChainOf(unit)->ReactionMark(), nullptr);
  EXPECT_EQ(list_.CollectOrders().size(), 1u);
}

TEST_F(ReactionTickTest, FireAtWillPrefersAUnitOverANearerDump) {
  Combatant& unit = Unit("Grunt", 0, TVector3(3.5f, 3.5f, 0.0f));
  Combatant& enemy = Unit("Grunt", 1, TVector3(8.5f, 3.5f, 0.0f));
  AmmoDump& dump = Dump("Grunt", 1, TVector3(3.5f, 5.5f, 0.0f));
  enemy.SetFlag(0, true);
  dump.SetFlag(0, true);
  TSightResolver& sight = *manager_->GetSightResolver();
  ASSERT_LT(unit.Position().DistanceTo(dump.Position()), unit.Position().DistanceTo(enemy.Position()));
  EXPECT_EQ(FireAtWill::FindTarget(unit, world_->GetUnits(), sight), &enemy);
  EXPECT_EQ(FireAtWill::FindTarget(unit, world_->GetAmmoDumps(), sight), &dump);
  const std::unique_ptr<TOrder> order = FireAtWill().Act(unit.GetId(), resolver_.get(), world_.get(), &sight);
  ASSERT_NE(order, nullptr);
  EXPECT_EQ(order->Name(), "ContinuousAttack");
  EXPECT_EQ(order->TargetId(), enemy.GetId());
}

TEST_F(ReactionTickTest, GuardianIgnoresTargetsBeyondWeaponRangePlusRadius) {
  Combatant& guardian = Unit("Guardian", 0, TVector3(1.5f, 1.5f, 0.0f));
  Combatant& near = Unit("Grunt", 1, TVector3(5.5f, 1.5f, 0.0f));
  Combatant& far = Unit("Grunt", 1, TVector3(1.5f, 11.0f, 0.0f));
  TSightResolver& sight = *manager_->GetSightResolver();
  ASSERT_LT(guardian.GetRadius() + guardian.GetWeaponRange(), 9.5f);
  EXPECT_TRUE(FireAtWill::CanAttack(guardian, near, sight));
  EXPECT_FALSE(FireAtWill::CanAttack(guardian, far, sight));
  Combatant& grunt = Unit("Grunt", 0, TVector3(1.5f, 2.5f, 0.0f));
  EXPECT_TRUE(FireAtWill::CanAttack(grunt, far, sight));
}

struct TFoodCase {
  const char* what;
  const char* type;
  const char* policy;
  float beyondEdge;  // corpse distance from the eater's edge
  bool seen;
  const char* order;
};

// Only a Queen eats; holding fire she goes no farther than 1.2071 beyond
// her edge, firing at will as far as her reaction range.
TEST_F(ReactionTickTest, QueensLookForSeenCorpsesWithinReach) {
  const TFoodCase cases[] = {
      {"near", "Queen", "HoldFire", 1.0f, true, "Eat"},
      {"too far holding fire", "Queen", "HoldFire", 1.5f, true, ""},
      {"far, firing at will", "Queen", "FireAtWill", 1.5f, true, "Eat"},
      {"unseen", "Queen", "HoldFire", 1.0f, false, ""},
      {"not a Queen", "Drone", "HoldFire", 1.0f, true, ""},
  };
  for (const TFoodCase& c : cases) {
    SCOPED_TRACE(c.what);
    list_.Clear();
    manager_->Reset();
    Combatant& unit = Unit(c.type, 0, TVector3(3.5f, 3.5f, 0.0f));
    const TVector3 at(3.5f + unit.GetRadius() + c.beyondEdge, 3.5f, 0.0f);
    auto corpse = std::make_unique<Corpse>(at, *world_->GetGameData().FindUnitType("Grunt"), 0, 0.0f, 1);
    Corpse* placed = corpse.get();
    world_->Add(std::move(corpse));
    placed->SetFlag(0, c.seen);
    const int32_t corpseId = placed->GetId();
    manager_->SetCombatReaction(unit.GetId(), c.policy);
    manager_->Tick(3.0f, resolver_.get());
    EXPECT_EQ(FirstOrderName(unit), c.order);
    list_.Clear();
    world_->GetCorpses().RemoveById(corpseId);
    world_->GetUnits().RemoveById(unit.GetId());
  }
}

// --- retreat policy -----------------------------------------------------------------------

TEST_F(ReactionTickTest, RetreatSafetyScoresBlockedAndOpenPoints) {
  Combatant& unit = Unit("Grunt", 0, TVector3(5.5f, 5.5f, 0.0f));
  TSightResolver& sight = *manager_->GetSightResolver();
  // Nobody seen: the safest value everywhere, so the unit stays.
  EXPECT_FLOAT_EQ(Retreat::Safety(0, TVector3(5.5f, 5.5f, 0.0f), *world_, sight), Retreat::kMaxSafety);
  EXPECT_EQ(Retreat().Act(unit.GetId(), resolver_.get(), world_.get(), &sight), nullptr);
  // Off the map there is no place to stand.
  EXPECT_FLOAT_EQ(Retreat::Safety(0, TVector3(-3.0f, 5.5f, 0.0f), *world_, sight), 0.0f);

  Combatant& enemy = Unit("Grunt", 1, TVector3(8.5f, 5.5f, 0.0f));
  EXPECT_FLOAT_EQ(Retreat::Safety(0, TVector3(5.5f, 5.5f, 0.0f), *world_, sight), Retreat::kMaxSafety);
  enemy.SetFlag(0, true);
  EXPECT_NEAR(Retreat::Safety(0, TVector3(5.5f, 5.5f, 0.0f), *world_, sight), 3.0f, 0.0001f);
}

struct TStepCase {
  const char* what;
  TVector3 unitAt;
  TVector3 enemyAt;
  TVector3 expected;
};

// The safest of the grid points around the unit, strictly safer ones
// replacing earlier ones; places off the map score 0 and are never taken.
TEST_F(ReactionTickTest, RetreatStepsToTheSafestNeighbouringPoint) {
  const TStepCase cases[] = {
      {"open floor", TVector3(5.5f, 5.5f, 0.0f), TVector3(8.5f, 5.5f, 0.0f), TVector3(5.0f, 7.0f, 0.0f)},
      {"map edge behind", TVector3(0.2f, 5.5f, 0.0f), TVector3(3.5f, 5.5f, 0.0f), TVector3(0.0f, 7.0f, 0.0f)},
  };
  for (const TStepCase& c : cases) {
    SCOPED_TRACE(c.what);
    list_.Clear();
    manager_->Reset();
    Combatant& unit = Unit("Grunt", 0, c.unitAt);
    Combatant& enemy = Unit("Grunt", 1, c.enemyAt);
    enemy.SetFlag(0, true);
    manager_->SetCombatReaction(unit.GetId(), "Retreat");
    manager_->Tick(3.0f, resolver_.get());
    const TOrderChain* chain = ChainOf(unit);
    ASSERT_NE(chain, nullptr);
    const auto* walk = dynamic_cast<const TMovementOrder*>(chain->Head());
    ASSERT_NE(walk, nullptr);
    EXPECT_FLOAT_EQ(walk->GetDestination().x, c.expected.x);
    EXPECT_FLOAT_EQ(walk->GetDestination().y, c.expected.y);
    EXPECT_TRUE(walk->PlansRoute());
    list_.Clear();
    world_->GetUnits().RemoveById(enemy.GetId());
    world_->GetUnits().RemoveById(unit.GetId());
  }
}

// --- local control ---------------------------------------------------------------------------

struct TControlCase {
  int mode;
  int localPlayer;
  int32_t owner;
  bool local;
};

TEST(ReactionLocalControl, DependsOnModeAndLocalPlayer) {
  const TControlCase cases[] = {
      {2, 0, 0, true},   {2, 0, 1, false}, {2, -1, 0, false}, {1, -1, 1, true}, {1, 0, 1, false},
      {4, 1, 1, true},   {6, -1, 0, true}, {6, 0, 1, false},  {3, 0, 1, true},  {-1, -1, 1, true},
  };
  for (const TControlCase& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(c.mode) + " local " + std::to_string(c.localPlayer));
    EXPECT_EQ(TReactionManager::IsUnderLocalControl(c.owner, c.mode, c.localPlayer), c.local);
  }
}

}  // namespace
