#include "units/rules_orders.h"

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
#include "units/reaction_manager.h"
#include "units/order_test_world.h"
#include "units/test_orders.h"
#include "units/weapon.h"

namespace {

using order_test::TTestOrder;
using resolver_test::Names;

// The resolver's world with a reaction manager for the Rules events to set.
class RulesOrdersTest : public order_test::OrderWorldTest {
 protected:
  void SetUp() override {
    OrderWorldTest::SetUp();
    reactions_ = std::make_unique<TReactionManager>(2, world_.get(), nullptr);
    resolver_->SetReactions(reactions_.get());
  }
  void TearDown() override {
    list_.Clear();
    resolver_->SetReactions(nullptr);
    reactions_.reset();
    OrderWorldTest::TearDown();
  }

  // An order that ends at the clock time `end`.
  TTestOrder* AddTest(int32_t unitId, float end) {
    return Add(std::make_unique<TTestOrder>(unitId, *resolver_, "test", end));
  }

  std::unique_ptr<TReactionManager> reactions_;
};

// --- Rules ------------------------------------------------------------------------------------

TEST_F(RulesOrdersTest, RulesInAChainChangesTheReactionWhenReachedAndCostsNoTime) {
  Combatant& grunt = Unit("Grunt", 0, TVector3(2.5f, 2.5f, 0.0f));
  const int32_t id = grunt.GetId();
  AddTest(id, 2.0f);
  Add(TRulesOrder::Combat(id, *resolver_, "FireAtWill"));
  TTestOrder* after = AddTest(id, 6.0f);

  list_.RunTick(1.0f);
  EXPECT_FALSE(reactions_->HasCombatPolicy(id, "FireAtWill"));
  list_.RunTick(2.5f);

  EXPECT_TRUE(reactions_->HasCombatPolicy(id, "FireAtWill"));
  EXPECT_EQ(Journal(), (Names{At("Rules", 2.0f, "Combat FireAtWill")}));
  ASSERT_EQ(after->Times().size(), 1u);
  EXPECT_NEAR(after->Times()[0], 2.0f, 1e-5f);
}

TEST_F(RulesOrdersTest, TheLastRulesOrderLetsItsUnitStand) {
  Combatant& grunt = Unit("Grunt", 0, TVector3(2.5f, 2.5f, 0.0f));
  TRulesOrder* rules = Add(TRulesOrder::Sighting(grunt.GetId(), *resolver_, "halt"));
  list_.RunTick(1.5f);
  EXPECT_TRUE(reactions_->HasSightingCode(grunt.GetId(), "halt"));
  EXPECT_EQ(Journal(), (Names{At("Rules", 1.5f, "Sighting halt"), At("Animation", 1.5f, "Stand")}));
  EXPECT_FALSE(rules->IsActive());
  EXPECT_EQ(rules->PlannedTime(), 0.0f);
}

TEST_F(RulesOrdersTest, RulesOfAGoneUnitCompletesWithoutEvents) {
  TRulesOrder rules(777, *resolver_, "Pursue", "Combat");
  EXPECT_TRUE(rules.Update(1.0f));
  EXPECT_EQ(events_.GetEventCount(), 0);
}

TEST_F(RulesOrdersTest, TheInterfacesRulesOrdersCarryValueAndKind) {
  const auto sighting = TRulesOrder::Sighting(3, *resolver_, "retreat");
  EXPECT_EQ(sighting->GetValue(), "retreat");
  EXPECT_EQ(sighting->GetKind(), "Sighting");
  const auto combat = TRulesOrder::Combat(3, *resolver_, "HoldFire");
  EXPECT_EQ(combat->GetValue(), "HoldFire");
  EXPECT_EQ(combat->GetKind(), "Combat");
}

TEST_F(RulesOrdersTest, RulesIsSameOrderComparesTheValueWhenGiven) {
  const TRulesOrder rules(3, *resolver_, "HoldFire", "Combat");
  struct Case {
    std::vector<std::string> tokens;
    bool same;
  };
  const Case cases[] = {
      {{"order", "3", "Rules"}, true},         {{"order", "Rules"}, false},
      {{"order", "3", "Hold"}, false},         {{"order", "3", "Rules", "HoldFire"}, true},
      {{"order", "3", "Rules", "holdfire"}, false}, {{"order", "3", "Rules", "Combat"}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(rules.IsSameOrder(c.tokens), c.same) << c.tokens.size();
}

TEST_F(RulesOrdersTest, RulesMarkerIsNamedAfterTheValueAndDrawnWhileTheUnitExists) {
  Combatant& grunt = Unit("Grunt", 0, TVector3(2.5f, 2.5f, 0.0f));
  TRulesOrder* rules = Add(TRulesOrder::Combat(grunt.GetId(), *resolver_, "FireAtWill"));
  EXPECT_EQ(rules->GetMarker().GetName(), "FireAtWillPoint");
  ExpectNear(rules->GetMarker().GetPosition(), grunt.Position());

  list_.ShowMarkers(grunt.GetId());
  EXPECT_EQ(rules->GetMarker().GetDrawCount(), 1);
  TRulesOrder orphan(777, *resolver_, "halt", "Sighting");
  orphan.ShowMarker(true);
  EXPECT_EQ(orphan.GetMarker().GetDrawCount(), 0);

  list_.Rewind();
  EXPECT_TRUE(rules->GetMarker().IsChanged());
}

// --- ToggleShield ---------------------------------------------------------------------------------

TEST_F(RulesOrdersTest, RaisingTheShieldIsSkippedWhileTheWeaponHoldsAmmunition) {
  struct Case {
    bool activate;
    bool loaded;
    Names events;
  };
  const Case cases[] = {
      {true, true, {At("Animation", 2.0f, "Stand")}},
      {true, false, {At("ToggleShield", 2.0f, "on"), At("Ammo", 2.0f), At("Animation", 2.0f, "Stand")}},
      {false, true, {At("ToggleShield", 2.0f, "off"), At("Animation", 2.0f, "Stand")}},
      {false, false, {At("ToggleShield", 2.0f, "off"), At("Animation", 2.0f, "Stand")}},
  };
  float x = 1.5f;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.activate ? "on" : "off") + (c.loaded ? " loaded" : " empty"));
    events_.Clear();
    Combatant& scanner = Unit("Scanner", 0, TVector3(x, 2.5f, 0.0f));
    x += 3.0f;
    ASSERT_NE(scanner.GetWeapon(), nullptr);
    scanner.GetWeapon()->SetAmmunition(c.loaded ? static_cast<float>(scanner.GetWeapon()->GetMaxAmmunition()) : 0.0f);
    ASSERT_EQ(scanner.GetWeapon()->HasAmmunition(), c.loaded);

    TToggleShieldOrder order(scanner.GetId(), *resolver_, c.activate);
    EXPECT_TRUE(order.Update(2.0f));
    EXPECT_TRUE(order.IsActive());
    EXPECT_EQ(Journal(), c.events);
  }
}

TEST_F(RulesOrdersTest, ToggleShieldActsOnceUntilReset) {
  Combatant& scanner = Unit("Scanner", 0, TVector3(2.5f, 2.5f, 0.0f));
  TToggleShieldOrder* order = Add(std::make_unique<TToggleShieldOrder>(scanner.GetId(), *resolver_, false));
  EXPECT_FALSE(order->IsActive());
  EXPECT_TRUE(order->Update(1.0f));
  EXPECT_TRUE(order->Update(1.5f));
  EXPECT_EQ(Journal(), (Names{At("ToggleShield", 1.0f, "off"), At("Animation", 1.0f, "Stand"),
                              At("Animation", 1.5f, "Stand")}));

  order->Reset();
  EXPECT_FALSE(order->IsActive());
  EXPECT_TRUE(order->GetMarker().IsChanged());
  events_.Clear();
  EXPECT_TRUE(order->Update(3.0f));
  EXPECT_EQ(Journal(), (Names{At("ToggleShield", 3.0f, "off"), At("Animation", 3.0f, "Stand")}));
}

TEST_F(RulesOrdersTest, ToggleShieldOfAGoneUnitDoesNothing) {
  TToggleShieldOrder order(777, *resolver_, false);
  EXPECT_TRUE(order.Update(1.0f));
  EXPECT_FALSE(order.IsActive());
  EXPECT_EQ(events_.GetEventCount(), 0);
}

TEST_F(RulesOrdersTest, ToggleShieldMarkerNamesTheSwitchAndFollowsShowMarker) {
  Combatant& scanner = Unit("Scanner", 0, TVector3(2.5f, 2.5f, 0.0f));
  TToggleShieldOrder* on = Add(std::make_unique<TToggleShieldOrder>(scanner.GetId(), *resolver_, true));
  TToggleShieldOrder* off = Add(std::make_unique<TToggleShieldOrder>(scanner.GetId(), *resolver_, false));
  EXPECT_EQ(on->GetMarker().GetName(), "ActivateShieldPoint");
  EXPECT_EQ(off->GetMarker().GetName(), "DeactivateShieldPoint");
  EXPECT_EQ(on->PlannedTime(), 0.0f);

  list_.ShowMarkers(scanner.GetId() + 1);
  EXPECT_TRUE(on->GetMarker().IsHidden());
  EXPECT_TRUE(off->GetMarker().IsHidden());
  list_.ShowMarkers(scanner.GetId());
  EXPECT_FALSE(on->GetMarker().IsHidden());
}

// --- orders stream ------------------------------------------------------------------------------------

TEST_F(RulesOrdersTest, RecordsCarryValueKindAndTheActivateByte) {
  Combatant& scanner = Unit("Scanner", 0, TVector3(2.5f, 2.5f, 0.0f));
  const int32_t id = scanner.GetId();
  Add(std::make_unique<TRulesOrder>(id, *resolver_, "Pursue", "Combat"));
  Add(std::make_unique<TToggleShieldOrder>(id, *resolver_, true));

  TDataStream written;
  list_.WriteOrders(written);
  TDataStream expected;
  expected.WriteString("Rules");
  expected.WriteInt(static_cast<uint32_t>(id));
  expected.WriteString("Pursue");
  expected.WriteString("Combat");
  expected.WriteString("ToggleShield");
  expected.WriteInt(static_cast<uint32_t>(id));
  expected.WriteByte(1);
  expected.WriteString("End");
  EXPECT_EQ(written.Body(), expected.Body());
}

TEST_F(RulesOrdersTest, RulesAndToggleShieldReadBackAsPlanned) {
  Combatant& scanner = Unit("Scanner", 0, TVector3(2.5f, 2.5f, 0.0f));
  const int32_t id = scanner.GetId();
  Add(TRulesOrder::Sighting(id, *resolver_, "continue"));
  Add(std::make_unique<TToggleShieldOrder>(id, *resolver_, true));
  Add(std::make_unique<TToggleShieldOrder>(id, *resolver_, false));
  Add(std::make_unique<TToggleShieldOrder>(777, *resolver_, false));
  list_.RunTick(1.0f);

  const TOrderVector read = RoundTrip();
  ASSERT_EQ(read.size(), 3u);
  const auto& rules = dynamic_cast<const TRulesOrder&>(*read[0]);
  EXPECT_EQ(rules.GetUnitId(), id);
  EXPECT_EQ(rules.GetValue(), "continue");
  EXPECT_EQ(rules.GetKind(), "Sighting");
  const auto& on = dynamic_cast<const TToggleShieldOrder&>(*read[1]);
  const auto& off = dynamic_cast<const TToggleShieldOrder&>(*read[2]);
  EXPECT_TRUE(on.GetActivate());
  EXPECT_FALSE(off.GetActivate());
  EXPECT_FALSE(on.IsActive());
  EXPECT_FALSE(off.IsActive());
}

TEST_F(RulesOrdersTest, RulesOfUnknownCodesOrPoliciesRefuseTheStream) {
  Combatant& scanner = Unit("Scanner", 0, TVector3(2.5f, 2.5f, 0.0f));
  const struct {
    const char* value;
    const char* kind;
    bool reads;
  } cases[] = {
      {"continue", "Sighting", true}, {"halt", "Sighting", true},      {"retreat", "Sighting", true},
      {"Halt", "Sighting", false},    {"", "Sighting", false},         {"Pursue", "Sighting", false},
      {"Pursue", "Combat", true},     {"HoldFire", "Combat", true},    {"FireAtWill", "Combat", true},
      {"Retreat", "Combat", true},    {"Charge", "Combat", false},     {"", "Combat", false},
      {"halt", "Combat", false},      {"Pursue", "Movement", false},   {"continue", "", false},
  };
  for (const auto& c : cases) {
    TDataStream stream;
    stream.WriteString("Rules");
    stream.WriteInt(static_cast<uint32_t>(scanner.GetId()));
    stream.WriteString(c.value);
    stream.WriteString(c.kind);
    stream.WriteString("End");
    stream.Rewind();
    TOrderVector read;
    TRawIdMapper ids;
    EXPECT_EQ(TOrderList::ReadOrders(read, *resolver_, ids, stream), c.reads) << c.value << " / " << c.kind;
    EXPECT_EQ(read.size(), c.reads ? 1u : 0u) << c.value << " / " << c.kind;
  }
}

}  // namespace
