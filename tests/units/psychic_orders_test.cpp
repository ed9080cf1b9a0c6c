#include "units/psychic_orders.h"

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
#include "units/unit_test_rules.h"
#include "units/unit_type.h"
#include "units/weapon.h"

namespace {

using order_test::TTestOrder;

// "Animation" events by their state, the others by their type; turns to
// face are left out.
struct Seen {
  std::string kind;
  float time;
};

enum class EKind { kAttack, kDamage };

std::unique_ptr<TPsychicStrikeOrder> MakeStrike(EKind kind, int32_t unitId, TActionResolver& resolver,
                                                const TVector3& point) {
  if (kind == EKind::kAttack) return std::make_unique<TPsychicAttackOrder>(unitId, resolver, point);
  return std::make_unique<TPsychicOrder>(unitId, resolver, point);
}

class PsychicOrderTest : public order_test::OrderWorldTest, public ::testing::WithParamInterface<EKind> {
 protected:
  std::vector<Seen> Events() const {
    std::vector<Seen> seen;
    for (int32_t i = 0; i < events_.GetEventCount(); ++i) {
      const TEvent& event = *events_.GetEvent(i);
      if (event.TypeName() == TFacingEvent::kTypeName) continue;
      const auto* animation = dynamic_cast<const TAnimationEvent*>(&event);
      seen.push_back({animation != nullptr ? animation->GetState() : std::string(event.TypeName()), event.GetTime()});
    }
    return seen;
  }
  std::vector<std::string> Kinds() const {
    std::vector<std::string> kinds;
    for (const Seen& s : Events()) kinds.push_back(s.kind);
    return kinds;
  }
  // What the strike of the order's class records before the shot's events
  // when it strikes its victim.
  static std::string StrikeKind(EKind kind) { return kind == EKind::kAttack ? "StopActions" : "PsychicDamage"; }

  TPsychicStrikeOrder* Add(EKind kind, const Combatant& unit, const TVector3& point) {
    auto order = MakeStrike(kind, unit.GetId(), *resolver_, point);
    TPsychicStrikeOrder* added = order.get();
    list_.Add(std::move(order));
    return added;
  }

  // Rules whose psyker neither prepares nor rests; they outlive the world's
  // units, which the fixture's TearDown deletes.
  std::unique_ptr<TGameData> rules_ = unit_test::MakeRules();
};

TEST_P(PsychicOrderTest, TheStrikeComesWhenThePreparationEndsAndTheOrderWhenTheRestDoes) {
  Combatant& psyker = Unit("Psyker", 0, TVector3(2.0f, 2.0f, 0.0f));
  Combatant& victim = Unit("Grunt", 1, TVector3(6.0f, 6.0f, 0.0f));
  const TUnitType& type = psyker.GetType();
  ASSERT_GT(type.GetPrepareWeapon(), 0.2f);
  ASSERT_GT(type.GetRestWeapon(), 0.2f);
  TPsychicStrikeOrder* order = Add(GetParam(), psyker, victim.Position());
  auto follower = std::make_unique<TTestOrder>(psyker.GetId(), *resolver_, "next", TTestOrder::kAtOnce);
  TTestOrder* next = follower.get();
  list_.Add(std::move(follower));
  EXPECT_FLOAT_EQ(order->PlannedTime(), type.GetPrepareWeapon() + type.GetRestWeapon());

  const float start = 1.0f;
  const float strike = start + type.GetPrepareWeapon();
  const float end = strike + type.GetRestWeapon();
  list_.RunTick(start);
  EXPECT_TRUE(order->IsActive());
  EXPECT_FALSE(order->HasStruck());
  EXPECT_EQ(Kinds(), (std::vector<std::string>{"Aim"}));
  EXPECT_FLOAT_EQ(Events()[0].time, start);

  // Just short of the strike nothing happens; a tick after it strikes at the
  // moment the preparation ended.
  list_.RunTick(strike - 0.1f);
  EXPECT_FALSE(order->HasStruck());
  list_.RunTick(strike + 0.1f);
  EXPECT_TRUE(order->HasStruck());
  EXPECT_TRUE(victim.HasPsychicAttack());
  const std::vector<Seen> seen = Events();
  ASSERT_EQ(Kinds(), (std::vector<std::string>{"Aim", StrikeKind(GetParam()), "Fire", "Ammo", "Stand"}));
  for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_FLOAT_EQ(seen[i].time, strike) << seen[i].kind;
  EXPECT_TRUE(list_.HasOrders(psyker.GetId()));
  EXPECT_TRUE(next->Times().empty());

  // The rest ends; the next order starts in the same tick, at the tick.
  list_.RunTick(end + 0.15f);
  EXPECT_TRUE(order->IsDone());
  EXPECT_FALSE(order->IsActive());
  ASSERT_EQ(next->Times().size(), 1u);
  EXPECT_NEAR(next->Times()[0], end + 0.15f, 1e-5f);
  EXPECT_EQ(Events().size(), seen.size());
}

TEST_P(PsychicOrderTest, WithoutPreparationAndRestEverythingHappensInTheFirstCall) {
  const TUnitType& quick = *rules_->FindUnitType("Psyker");
  ASSERT_FLOAT_EQ(quick.GetPrepareAndRest(), 0.0f);
  auto unit =
      std::make_unique<Combatant>(quick, rules_->FindWeaponType("Psyker"), 0, TVector3(2.0f, 2.0f, 0.0f), 0.0f);
  Combatant& psyker = *unit;
  world_->Add(std::move(unit));
  Combatant& victim = Unit("Grunt", 1, TVector3(5.0f, 2.0f, 0.0f));

  Add(GetParam(), psyker, victim.Position());
  list_.RunTick(2.0f);
  EXPECT_FALSE(list_.HasOrders(psyker.GetId()));
  EXPECT_EQ(Kinds(), (std::vector<std::string>{"Aim", StrikeKind(GetParam()), "Fire", "Ammo", "Stand"}));
  for (const Seen& s : Events()) EXPECT_FLOAT_EQ(s.time, 2.0f) << s.kind;
}

TEST_P(PsychicOrderTest, AnOrderWhoseUnitIsGoneEndsWithoutStriking) {
  Combatant& psyker = Unit("Psyker", 0, TVector3(2.0f, 2.0f, 0.0f));
  Combatant& victim = Unit("Grunt", 1, TVector3(6.0f, 6.0f, 0.0f));
  TPsychicStrikeOrder* order = Add(GetParam(), psyker, victim.Position());
  world_->Remove(&psyker);
  list_.RunTick(1.0f);
  EXPECT_FALSE(order->IsActive());
  EXPECT_FALSE(order->HasStruck());
  EXPECT_EQ(events_.GetEventCount(), 0);
  EXPECT_FALSE(victim.HasPsychicAttack());
}

TEST_P(PsychicOrderTest, ResetReplaysTheSameStrike) {
  Combatant& psyker = Unit("Psyker", 0, TVector3(2.0f, 2.0f, 0.0f));
  Combatant& victim = Unit("Grunt", 1, TVector3(6.0f, 6.0f, 0.0f));
  TPsychicStrikeOrder* order = Add(GetParam(), psyker, victim.Position());
  for (float t = 1.0f; t < 4.0f && list_.HasOrders(psyker.GetId()); t += 0.25f) list_.RunTick(t);
  ASSERT_TRUE(order->IsDone());
  const std::vector<std::string> first = Kinds();

  list_.Rewind();
  EXPECT_FALSE(order->IsActive());
  EXPECT_FALSE(order->HasStruck());
  EXPECT_FALSE(order->IsDone());
  EXPECT_FLOAT_EQ(order->GetStartTime(), 0.0f);
  events_.Clear();
  for (float t = 1.0f; t < 4.0f && list_.HasOrders(psyker.GetId()); t += 0.25f) list_.RunTick(t);
  EXPECT_TRUE(order->IsDone());
  EXPECT_EQ(Kinds(), first);
}

TEST_P(PsychicOrderTest, TheMarkerRunsFromTheStartToThePointAtTwoHeights) {
  Combatant& psyker = Unit("Psyker", 0, TVector3(2.0f, 2.0f, 0.0f));
  TPsychicStrikeOrder* order = Add(GetParam(), psyker, TVector3(7.0f, 4.0f, 0.0f));
  const TAttackMarker& marker = *order->GetMarker();
  EXPECT_EQ(marker.GetName(), "PsychicAttack");
  for (int i = 0; i < TAttackMarker::kPartCount; ++i) {
    const float z = i < 2 ? 0.75f : 0.0f;
    ExpectNear(marker.Leg(0)[static_cast<std::size_t>(i)].from, TVector3(2.0f, 2.0f, z));
    ExpectNear(marker.Leg(0)[static_cast<std::size_t>(i)].to, TVector3(7.0f, 4.0f, z));
  }
  list_.ShowMarkers(psyker.GetId());
  EXPECT_TRUE(marker.IsShown());
  list_.ShowMarkers(-1);
  EXPECT_FALSE(marker.IsShown());
}

TEST_P(PsychicOrderTest, TheOrderTravelsThroughTheOrdersStream) {
  Combatant& psyker = Unit("Psyker", 0, TVector3(2.0f, 2.0f, 0.0f));
  Add(GetParam(), psyker, TVector3(7.0f, 4.0f, 0.5f));
  const std::string name = GetParam() == EKind::kAttack ? "PsychicAttack" : "Psychic";
  for (const char* tag : {"Vorhelm-1-058", "Vorhelm-3-10"}) {
    TDataStream stream(tag);
    list_.WriteOrders(stream);
    stream.Rewind();
    EXPECT_EQ(stream.ReadString(), name);
    EXPECT_EQ(static_cast<int32_t>(stream.ReadInt()), psyker.GetId());
    if (stream.GetVersion() < 1.059f) {
      EXPECT_EQ(stream.ReadInt(), 3u) << tag;
    }
    EXPECT_FLOAT_EQ(stream.ReadFloat(), 7.0f);
    EXPECT_FLOAT_EQ(stream.ReadFloat(), 4.0f);
    EXPECT_FLOAT_EQ(stream.ReadFloat(), 0.5f);
    EXPECT_EQ(stream.ReadString(), "End");

    TOrderVector out;
    stream.Rewind();
    TRawIdMapper ids;
    ASSERT_TRUE(TOrderList::ReadOrders(out, *resolver_, ids, stream)) << tag;
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0]->Name(), name);
    EXPECT_EQ(out[0]->GetUnitId(), psyker.GetId());
    ExpectNear(static_cast<const TPsychicStrikeOrder&>(*out[0]).GetTargetPoint(), TVector3(7.0f, 4.0f, 0.5f));
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, PsychicOrderTest, ::testing::Values(EKind::kAttack, EKind::kDamage),
                         [](const ::testing::TestParamInfo<EKind>& info) {
                           return std::string(info.param == EKind::kAttack ? "PsychicAttack" : "Psychic");
                         });

}  // namespace
