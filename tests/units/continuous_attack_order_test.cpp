#include "units/continuous_attack_order.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
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
#include "units/test_orders.h"
#include "units/unit_type.h"
#include "units/weapon.h"

namespace {

constexpr float kDegree = 0.017453292f;
constexpr float kNone = std::numeric_limits<float>::quiet_NaN();

class ContinuousAttackOrderTest : public order_test::OrderWorldTest {
 protected:

  std::unique_ptr<TContinuousAttackOrder> Make(const Combatant& unit, int32_t targetId) {
    return std::make_unique<TContinuousAttackOrder>(unit.GetId(), *resolver_, targetId, *world_);
  }
  TContinuousAttackOrder* Fire(const Combatant& unit, int32_t targetId) { return Add(Make(unit, targetId)); }

  // An enemy unit of player 0 that player 0 sees.
  Combatant& SeenEnemy(const TVector3& at) {
    Combatant& enemy = Unit("Grunt", 1, at);
    enemy.SetFlag(0, true);
    return enemy;
  }

  // A point `distance` away from `from`, `degrees` anticlockwise from +x.
  static TVector3 At(const TVector3& from, float distance, float degrees) {
    return TVector3(from.x + distance * std::cos(degrees * kDegree), from.y + distance * std::sin(degrees * kDegree),
                    0.0f);
  }

  // The delay for turning from the way to `from`'s target point to `to`.
  static float TurnDelay(const Combatant& unit, const TVector3& targetPoint, const TVector3& to) {
    TVector3 a(targetPoint.x - unit.Position().x, targetPoint.y - unit.Position().y,
               targetPoint.z - unit.Position().z);
    TVector3 b(to.x - unit.Position().x, to.y - unit.Position().y, to.z - unit.Position().z);
    a.Normalise();
    b.Normalise();
    const float angle = std::acos(std::fmax(-1.0f, std::fmin(1.0f, a.x * b.x + a.y * b.y + a.z * b.z)));
    return angle * TContinuousAttackOrder::kDegreesPerRadian * unit.GetType().GetReactionTime() *
           TContinuousAttackOrder::kPerTurnOfReaction;
  }

  // Times of the animations to the state.
  std::vector<float> AnimationTimes(const std::string& state) const {
    std::vector<float> times;
    for (int32_t i = 0; i < events_.GetEventCount(); ++i) {
      const auto* animation = dynamic_cast<const TAnimationEvent*>(events_.GetEvent(i));
      if (animation != nullptr && animation->GetState() == state) times.push_back(animation->GetTime());
    }
    return times;
  }
};

TEST_F(ContinuousAttackOrderTest, TheOrderIsAnAttackOnOneElementUnderItsOwnName) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  Combatant& enemy = SeenEnemy(TVector3(8.0f, 2.0f, 0.0f));
  TContinuousAttackOrder* order = Fire(unit, enemy.GetId());
  EXPECT_EQ(order->Name(), "ContinuousAttack");
  EXPECT_EQ(order->TargetId(), enemy.GetId());
  EXPECT_EQ(order->GetMarker()->GetName(), "AttackUnit");
  EXPECT_FLOAT_EQ(order->PlannedTime(), unit.GetType().GetReactionTime() + unit.GetAimTime());
  TVector3 aim;
  enemy.GetAimPoint(aim);
  ExpectNear(order->GetTargetPoint(), aim);
  EXPECT_FALSE(order->EndsAfterShot());
}

struct FirstDelayCase {
  const char* name;
  const char* previous;  // "none", "sameTarget", "otherTarget", "noTarget"
  bool reaction;
};

class ContinuousFirstDelayTest : public ContinuousAttackOrderTest,
                                 public ::testing::WithParamInterface<FirstDelayCase> {};

TEST_P(ContinuousFirstDelayTest, TheFirstDelayHoldsTheReactionTimeUnlessTheTargetWasAlreadyShotAt) {
  const FirstDelayCase c = GetParam();
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  Combatant& enemy = SeenEnemy(TVector3(8.0f, 2.0f, 0.0f));
  Combatant& other = SeenEnemy(TVector3(2.0f, 8.0f, 0.0f));
  const std::string previous(c.previous);
  if (previous == "sameTarget") Fire(unit, enemy.GetId());
  if (previous == "otherTarget") Fire(unit, other.GetId());
  if (previous == "noTarget") Add(std::make_unique<order_test::TTestOrder>(unit.GetId(), *resolver_, "before", 1.0f));

  // The attack draws its first jitter when it is made, the delay when it
  // joins the chain.
  GetRandom()->Seed(4);
  GetRandom()->FloatRange(-0.1f, 0.1f);
  const float spread = GetRandom()->FloatRange(-0.1f, 0.1f);
  GetRandom()->Seed(4);
  TContinuousAttackOrder* order = Fire(unit, enemy.GetId());
  EXPECT_NEAR(order->GetAimJitter(), (c.reaction ? unit.GetType().GetReactionTime() : 0.0f) + spread, 1e-6f);
}

INSTANTIATE_TEST_SUITE_P(Chains, ContinuousFirstDelayTest,
                         ::testing::Values(FirstDelayCase{"first", "none", true},
                                           FirstDelayCase{"afterSameTarget", "sameTarget", false},
                                           FirstDelayCase{"afterOtherTarget", "otherTarget", true},
                                           FirstDelayCase{"afterOrderWithoutTarget", "noTarget", true}),
                         [](const ::testing::TestParamInfo<FirstDelayCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(ContinuousAttackOrderTest, ItFiresAgainAndAgainUntilTheTargetCannotBeHit) {
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  Combatant& enemy = SeenEnemy(TVector3(8.0f, 2.0f, 0.0f));
  TWeapon& weapon = *unit.GetWeapon();
  const int32_t rounds = weapon.GetAmmunition();
  ASSERT_GE(rounds, 3 * weapon.GetAmmoPerShot());
  TContinuousAttackOrder* order = Fire(unit, enemy.GetId());

  float now = 1.0f;
  const auto runFor = [&](float duration) {
    for (const float end = now + duration; now < end && list_.HasOrders(unit.GetId()); now += 0.1f) list_.RunTick(now);
  };
  // About an Aim Time and a Reaction Time for the first shot, an Aim Time
  // for each after it.
  runFor(unit.GetType().GetReactionTime() + 2.0f * unit.GetAimTime() + 0.5f);
  ASSERT_TRUE(list_.HasOrders(unit.GetId()));
  const std::vector<float> shots = AnimationTimes("Fire");
  ASSERT_GE(shots.size(), 2u);
  EXPECT_EQ(weapon.GetAmmunition(), rounds - static_cast<int32_t>(shots.size()) * weapon.GetAmmoPerShot());
  EXPECT_EQ(order->TargetId(), enemy.GetId());
  EXPECT_TRUE(AnimationTimes("Stand").empty());

  // A friend steps into the line: the aim under way runs out without a shot,
  // and then the order is over.
  Unit("Grunt", 0, TVector3(5.0f, 2.0f, 0.0f));
  const int32_t left = weapon.GetAmmunition();
  EXPECT_TRUE(order->EndsAfterShot());
  runFor(3.0f * unit.GetAimTime());
  EXPECT_FALSE(list_.HasOrders(unit.GetId()));
  EXPECT_EQ(weapon.GetAmmunition(), left);
  ASSERT_EQ(AnimationTimes("Stand").size(), 1u);
  EXPECT_NEAR(AnimationTimes("Stand")[0], order->GetStartTime() + unit.GetAimTime() + order->GetAimJitter(), 1e-5f);
}

struct RetargetCase {
  const char* name;
  float current;                  // distance of the current target (due east); NaN: none
  std::vector<float> distances;   // candidates, in list order
  std::vector<float> angles;      // their directions, degrees anticlockwise from east
  int chosen;                     // index of the candidate taken last; -1: none
};

class ContinuousRetargetTest : public ContinuousAttackOrderTest,
                               public ::testing::WithParamInterface<RetargetCase> {};

TEST_P(ContinuousRetargetTest, OnlyAClearlyCloserEnemyTakesOverTheAttack) {
  const RetargetCase c = GetParam();
  Combatant& unit = Unit("Grunt", 0, TVector3(0.5f, 0.5f, 0.0f));
  const int32_t currentId = std::isnan(c.current) ? 9999 : SeenEnemy(At(unit.Position(), c.current, 0.0f)).GetId();
  std::vector<int32_t> ids;
  for (std::size_t i = 0; i < c.distances.size(); ++i) {
    ids.push_back(SeenEnemy(At(unit.Position(), c.distances[i], c.angles[i])).GetId());
  }
  auto order = Make(unit, currentId);
  order->SetAimJitter(0.25f);
  const TVector3 targetPoint = order->GetTargetPoint();
  order->Retarget();
  if (c.chosen < 0) {
    EXPECT_EQ(order->TargetId(), currentId);
    EXPECT_FLOAT_EQ(order->GetAimJitter(), 0.25f);
    return;
  }
  const std::size_t chosen = static_cast<std::size_t>(c.chosen);
  EXPECT_EQ(order->TargetId(), ids[chosen]);
  // The delay is the turn from the old aim to the new target.
  EXPECT_NEAR(order->GetAimJitter(),
              TurnDelay(unit, targetPoint, At(unit.Position(), c.distances[chosen], c.angles[chosen])), 1e-5f);
  // Until Reset, which aims at the first target again.
  order->Reset();
  EXPECT_EQ(order->TargetId(), currentId);
}

INSTANTIATE_TEST_SUITE_P(
    Distances, ContinuousRetargetTest,
    ::testing::Values(
        // With a target at 10, d * 1.1 + 2.0 must stay below 10.
        RetargetCase{"closerBy72", 10.0f, {7.2f}, {90.0f}, 0},
        RetargetCase{"notCloserBy73", 10.0f, {7.3f}, {90.0f}, -1},
        // After a switch to 7.0 the bound is 7.0 * 1.15 + 1.5 = 9.55.
        RetargetCase{"secondBeatsFirst", 10.0f, {7.0f, 6.0f}, {90.0f, 45.0f}, 1},
        RetargetCase{"secondDoesNotBeatFirst", 10.0f, {7.0f, 6.9f}, {90.0f, 45.0f}, 0},
        // Without a target the first bound is Vision + 1.0 = 15.
        RetargetCase{"noTargetWithinSight", kNone, {11.7f}, {45.0f}, 0},
        RetargetCase{"noTargetTooFar", kNone, {11.9f}, {45.0f}, -1},
        RetargetCase{"noTargetSecondBeatsFirst", kNone, {11.0f, 10.0f}, {35.0f, 55.0f}, 1},
        RetargetCase{"noTargetSecondDoesNotBeatFirst", kNone, {11.0f, 11.1f}, {35.0f, 55.0f}, 0}),
    [](const ::testing::TestParamInfo<RetargetCase>& info) { return std::string(info.param.name); });

TEST_F(ContinuousAttackOrderTest, OwnUnseenAndUnreachableEnemiesAreNeverTaken) {
  Combatant& unit = Unit("Grunt", 0, TVector3(1.0f, 1.0f, 0.0f));
  Combatant& target = SeenEnemy(TVector3(11.0f, 1.0f, 0.0f));
  Unit("Grunt", 0, TVector3(1.0f, 4.0f, 0.0f)).SetFlag(0, true);  // own, and in the line to the next
  SeenEnemy(TVector3(1.0f, 7.0f, 0.0f));                          // behind that friend
  Combatant& unseen = Unit("Grunt", 1, TVector3(4.0f, 4.0f, 0.0f));
  unseen.SetFlag(1, true);
  auto order = Make(unit, target.GetId());
  order->Retarget();
  EXPECT_EQ(order->TargetId(), target.GetId());
  // Once its owner sees it, it is taken.
  unseen.SetFlag(0, true);
  order->Retarget();
  EXPECT_EQ(order->TargetId(), unseen.GetId());
}

TEST_F(ContinuousAttackOrderTest, AWarpGunnerTakesEnemiesBehindFriendsWithinItsRange) {
  Combatant& gunner = Unit("Warp Gunner", 0, TVector3(1.0f, 1.0f, 0.0f));
  Combatant& target = SeenEnemy(TVector3(11.0f, 1.0f, 0.0f));
  Unit("Grunt", 0, TVector3(1.0f, 4.0f, 0.0f));
  Combatant& hidden = SeenEnemy(TVector3(1.0f, 7.0f, 0.0f));
  auto order = Make(gunner, target.GetId());
  order->Retarget();
  EXPECT_EQ(order->TargetId(), hidden.GetId());
}

TEST_F(ContinuousAttackOrderTest, AfterAShotTheAttackTurnsToACloserEnemy) {
  Combatant& unit = Unit("Grunt", 0, TVector3(1.0f, 1.0f, 0.0f));
  Combatant& far = SeenEnemy(TVector3(11.0f, 1.0f, 0.0f));
  Combatant& near = SeenEnemy(TVector3(1.0f, 5.0f, 0.0f));
  TContinuousAttackOrder* order = Fire(unit, far.GetId());
  float now = 1.0f;
  while (AnimationTimes("Fire").empty() && now < 5.0f) {
    list_.RunTick(now);
    now += 0.1f;
  }
  ASSERT_EQ(AnimationTimes("Fire").size(), 1u);
  EXPECT_EQ(order->TargetId(), far.GetId());
  const TVector3 farPoint = order->GetTargetPoint();
  // The aim ends, the order aims again and looks around.
  while (order->GetStartTime() < 1.5f && now < 5.0f) {
    list_.RunTick(now);
    now += 0.1f;
  }
  EXPECT_EQ(order->TargetId(), near.GetId());
  EXPECT_NEAR(order->GetAimJitter(), TurnDelay(unit, farPoint, near.Position()), 1e-5f);
  EXPECT_FALSE(order->IsShotAnnounced());
}

struct StreamCase {
  const char* tag;
  bool offset;
};

class ContinuousStreamTest : public ContinuousAttackOrderTest, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(ContinuousStreamTest, TheRecordIsTheElementAttacksUnderItsOwnName) {
  const StreamCase c = GetParam();
  Combatant& unit = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  Combatant& enemy = SeenEnemy(TVector3(8.0f, 2.0f, 0.0f));
  TContinuousAttackOrder* order = Fire(unit, enemy.GetId());

  TDataStream stream(c.tag);
  list_.WriteOrders(stream);
  stream.Rewind();
  const auto readPoint = [&]() {
    const float x = stream.ReadFloat();
    const float y = stream.ReadFloat();
    const float z = stream.ReadFloat();
    return TVector3(x, y, z);
  };
  EXPECT_EQ(stream.ReadString(), "ContinuousAttack");
  EXPECT_EQ(static_cast<int32_t>(stream.ReadInt()), unit.GetId());
  ExpectNear(readPoint(), order->GetTargetPoint());
  EXPECT_EQ(static_cast<int32_t>(stream.ReadInt()), enemy.GetId());
  if (c.offset) ExpectNear(readPoint(), TVector3());
  EXPECT_EQ(stream.ReadString(), "End");
  EXPECT_EQ(stream.Remaining(), 0u);

  const TOrderVector read = ReadBack(stream);
  ASSERT_EQ(read.size(), 1u);
  auto* copy = dynamic_cast<TContinuousAttackOrder*>(read[0].get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetUnitId(), unit.GetId());
  EXPECT_EQ(copy->TargetId(), enemy.GetId());
  ExpectNear(copy->GetTargetPoint(), order->GetTargetPoint());
  // It keeps its own line-of-fire service.
  EXPECT_TRUE(copy->CanShoot());
  EXPECT_FALSE(copy->EndsAfterShot());
}

INSTANTIATE_TEST_SUITE_P(Versions, ContinuousStreamTest,
                         ::testing::Values(StreamCase{"Vorhelm-2-089", false}, StreamCase{"Vorhelm-3-10", true}));

}  // namespace
