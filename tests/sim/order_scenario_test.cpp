// Scenarios on a small floor: orders of the real kinds and the units' own
// reactions, run through whole turns of the turn simulator as a server
// computes them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/game_data.h"
#include "sim/damage_event.h"
#include "sim/event.h"
#include "sim/event_list.h"
#include "sim/projectile.h"
#include "sim/turn_simulator.h"
#include "sim/unit_events.h"
#include "support/reference_battle.h"
#include "support/shipped_world.h"
#include "support/temp_folder.h"
#include "units/attack_orders.h"
#include "units/close_combat_orders.h"
#include "units/combatant.h"
#include "units/follow_orders.h"
#include "units/hold_orders.h"
#include "units/movement_order.h"
#include "units/order_list.h"
#include "units/reaction_manager.h"
#include "units/unit_type.h"
#include "world/map.h"
#include "world/map_fixtures.h"
#include "world/world.h"

namespace {

namespace fs = std::filesystem;

constexpr int32_t kWidth = 24;
constexpr int32_t kHeight = 14;

class OrderScenarioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(DVX_DATA_DIR, folder_.Path(), fs::copy_options::recursive);
    DestroyGameDataConfig();
    NewBattle();
  }
  void TearDown() override {
    sim_.reset();
    TRouteOrder::ClearBlockers();
    DestroyGameDataConfig();
  }

  // A fresh simulator on an empty floor.
  void NewBattle() {
    sim_.reset();
    TRouteOrder::ClearBlockers();
    sim_ = std::make_unique<TTurnSimulator>();
    TWorld& world = sim_->GetWorld();
    world.ResizeMap(kWidth, kHeight);
    for (int32_t y = 0; y < kHeight; ++y) {
      for (int32_t x = 0; x < kWidth; ++x) {
        map_test::PlaceTile(world.GetMap(), world.GetGameData(), "Floor", static_cast<float>(x),
                            static_cast<float>(y));
      }
    }
  }

  TWorld& World() const { return sim_->GetWorld(); }
  TActionResolver& Resolver() const { return sim_->GetResolver(); }
  TOrderList& Orders() const { return sim_->GetOrders(); }

  Combatant& Unit(const std::string& type, int32_t owner, const TVector3& at) const {
    Combatant* unit = test_world::PlaceUnit(World(), type, owner, at);
    EXPECT_NE(unit, nullptr);
    return *unit;
  }

  // One turn as a server computes it; `beforeTick` runs before each tick.
  void RunTurn(const std::function<void()>& beforeTick = nullptr) const {
    reference_battle::RunServerTurn(*sim_, beforeTick);
  }

  // The recorded events of the type about the unit with that id.
  template <typename TEventClass>
  std::vector<const TEventClass*> EventsOn(int32_t unitId) const {
    std::vector<const TEventClass*> found;
    const TEventList& events = sim_->GetEvents();
    for (int32_t i = 0; i < events.GetEventCount(); ++i) {
      const auto* event = dynamic_cast<const TEventClass*>(events.GetEvent(i));
      if (event != nullptr && SubjectOf(*event) == unitId) found.push_back(event);
    }
    return found;
  }
  static int32_t SubjectOf(const TUnitEvent& event) { return event.SubjectId(); }
  static int32_t SubjectOf(const TObjectDamageEvent& event) { return event.GetTargetId(); }

  // The times of the unit's animations into the state.
  std::vector<float> AnimationTimes(int32_t unitId, std::string_view state) const {
    std::vector<float> times;
    for (const TAnimationEvent* event : EventsOn<TAnimationEvent>(unitId)) {
      if (event->GetState() == state) times.push_back(event->GetTime());
    }
    return times;
  }
  // The damage the unit took; a unit that is gone took at least its endurance.
  float DamageTaken(int32_t unitId, float endurance) const {
    const Combatant* unit = AsCombatant(World().FindById(unitId));
    return unit != nullptr ? endurance - unit->GetEndurance() : endurance;
  }

  TTempFolder folder_;
  std::unique_ptr<TTurnSimulator> sim_;
};

// A unit ordered to attack an enemy in view shoots it down the turn; the
// enemy, with no orders and no reactions, never shoots back.
TEST_F(OrderScenarioTest, AnAttackOrderShootsASeenEnemy) {
  Combatant& gunner = Unit("Grunt", 0, TVector3(3.5f, 6.5f, 0.0f));
  Combatant& enemy = Unit("Grunt", 1, TVector3(6.5f, 6.5f, 0.0f));
  const int32_t gunnerId = gunner.GetId();
  const int32_t enemyId = enemy.GetId();
  const float full = enemy.GetEndurance();
  const float aim = gunner.GetAimTime();
  Orders().Add(std::make_unique<TAttackElementOrder>(gunnerId, Resolver(), enemyId));

  RunTurn();

  const std::vector<float> shots = AnimationTimes(gunnerId, "Fire");
  ASSERT_FALSE(shots.empty());
  // The shot leaves when the aim (give or take its jitter) is taken, less
  // the lead of the firing animation; the order starts once the enemy is seen.
  const float leaves = aim - TAttackOrder::kShotLead;
  EXPECT_GE(shots.front(), leaves - 0.1f);
  EXPECT_LE(shots.front(), leaves + 0.1f + 2.0f * TTurnSimulator::kServerStep);
  EXPECT_FALSE(EventsOn<TDamageEvent>(enemyId).empty());
  EXPECT_GT(DamageTaken(enemyId, full), 0.0f);
  EXPECT_TRUE(AnimationTimes(enemyId, "Fire").empty());
  EXPECT_TRUE(EventsOn<TDamageEvent>(gunnerId).empty());
}

// A unit with the "retreat" sighting reaction walks towards an enemy it
// cannot yet see; once the enemy comes within its reaction range it stops
// and walks back to where it stood at the turn's start.
TEST_F(OrderScenarioTest, ARetreatingUnitTurnsBackWhenAnEnemyComesInRange) {
  const TVector3 start(4.5f, 6.5f, 0.0f);
  Combatant& scout = Unit("Grunt", 0, start);
  const Combatant& enemy = Unit("Grunt", 1, TVector3(17.5f, 6.5f, 0.0f));
  sim_->GetReactions().SetSightingReaction(scout.GetId(), "retreat", start);
  Orders().Add(std::make_unique<TMovementOrder>(scout.GetId(), Resolver(), TVector3(21.5f, 6.5f, 0.0f), true));
  const float reach = scout.GetType().GetReactionRange();

  float furthest = start.x;
  RunTurn([&] { furthest = std::max(furthest, scout.Position().x); });

  const TReactionSettings* settings = sim_->GetReactions().Find(scout.GetId());
  ASSERT_NE(settings, nullptr);
  EXPECT_TRUE(settings->IsTriggered());
  // It went no further than the reaction range allows (give or take a tick
  // of walking) ...
  EXPECT_LT(enemy.Position().x - furthest, reach + 0.05f);
  EXPECT_GT(enemy.Position().x - furthest, reach - 0.05f);
  // ... and walked back to where it stood.
  EXPECT_LT(scout.Position().DistanceTo(start), 0.06f);
}

// A follower walks up to a unit that walks away and ends the turn beside it.
TEST_F(OrderScenarioTest, AFollowerKeepsUpWithItsLeader) {
  const TVector3 goal(7.5f, 3.5f, 0.0f);
  const Combatant& leader = Unit("Grunt", 0, TVector3(3.5f, 3.5f, 0.0f));
  const Combatant& follower = Unit("Grunt", 0, TVector3(3.5f, 6.5f, 0.0f));
  Orders().Add(std::make_unique<TMovementOrder>(leader.GetId(), Resolver(), goal, true));
  auto follow = std::make_unique<TFollowOrder>(follower.GetId(), Resolver(), leader.GetId());
  const TFollowOrder* order = follow.get();
  Orders().Add(std::move(follow));

  RunTurn();

  EXPECT_TRUE(leader.Position().IsWithin(goal, 0.01f));
  EXPECT_TRUE(order->InReach());
  EXPECT_LT(follower.Position().DistanceTo(leader.Position()), order->ArrivalDistance() + 0.1f);
  EXPECT_TRUE(Orders().HasOrders(follower.GetId()));
}

// A healer beside a wounded unit heals it once per period of its type's
// Healing Rate, counted from when the healing began.
TEST_F(OrderScenarioTest, AHealerHealsAtItsHealingRate) {
  const Combatant& healer = Unit("Scanner", 0, TVector3(5.5f, 5.5f, 0.0f));
  Combatant& patient = Unit("Grunt", 0, TVector3(6.5f, 5.5f, 0.0f));
  patient.LoseEndurance(30.0f);
  const float wounded = patient.GetEndurance();
  const float period = healer.GetHealingRate();
  ASSERT_GT(period, 0.0f);
  Orders().Add(std::make_unique<THealOrder>(healer.GetId(), Resolver(), patient.GetId()));

  RunTurn();

  const std::vector<float> began = AnimationTimes(healer.GetId(), "Heal");
  ASSERT_EQ(began.size(), 1u);
  const std::vector<const THealEvent*> heals = EventsOn<THealEvent>(patient.GetId());
  const auto expected = static_cast<std::size_t>((TTurnClock::kTurnLength - began.front()) / period);
  ASSERT_GE(expected, 2u);
  ASSERT_EQ(heals.size(), expected);
  float amount = 0.0f;
  for (std::size_t i = 0; i < heals.size(); ++i) {
    EXPECT_NEAR(heals[i]->GetTime(), began.front() + period * static_cast<float>(i + 1), 1e-3f) << i;
    amount += heals[i]->GetAmount();
  }
  EXPECT_FLOAT_EQ(patient.GetEndurance(), wounded + amount);
}

// A close-combat unit runs up to the enemy and strikes it.
TEST_F(OrderScenarioTest, ACloseAttackRunsUpAndStrikes) {
  const Combatant& drone = Unit("Drone", 0, TVector3(4.5f, 6.5f, 0.0f));
  const Combatant& enemy = Unit("Grunt", 1, TVector3(8.5f, 6.5f, 0.0f));
  const int32_t enemyId = enemy.GetId();
  const TVector3 enemyAt = enemy.Position();
  const float full = enemy.GetEndurance();
  const float touching = drone.GetRadius() + enemy.GetRadius() + TApproachOrder::kReachMargin;
  Orders().Add(std::make_unique<TCloseAttackOrder>(drone.GetId(), Resolver(), enemyId, World()));

  float nearest = drone.Position().DistanceTo(enemyAt);
  RunTurn([&] { nearest = std::min(nearest, drone.Position().DistanceTo(enemyAt)); });

  const std::vector<float> strikes = AnimationTimes(drone.GetId(), "Close Combat Attack");
  ASSERT_FALSE(strikes.empty());
  EXPECT_LT(nearest, touching + 0.01f);
  const std::vector<const TDamageEvent*> blows = EventsOn<TDamageEvent>(enemyId);
  ASSERT_FALSE(blows.empty());
  // The blow lands after the swing began, the preparation later.
  EXPECT_NEAR(blows.front()->GetTime(), strikes.front() + drone.GetType().GetPrepareWeapon(), 1e-3f);
  EXPECT_GT(DamageTaken(enemyId, full), 0.0f);
}

// A unit that fires at will and has no orders of its own shoots at the
// enemy it sees; one that holds fire does not.
TEST_F(OrderScenarioTest, FireAtWillShootsASeenEnemyWithoutOrders) {
  for (const char* policy : {"FireAtWill", "HoldFire"}) {
    SCOPED_TRACE(policy);
    NewBattle();
    Combatant& guard = Unit("Grunt", 0, TVector3(3.5f, 6.5f, 0.0f));
    const Combatant& enemy = Unit("Grunt", 1, TVector3(11.5f, 8.5f, 0.0f));
    const int32_t enemyId = enemy.GetId();
    const float full = enemy.GetEndurance();
    Resolver().SetReactionRules(guard, 0.0f, policy, "Combat");

    RunTurn();

    const bool fires = std::string_view(policy) == "FireAtWill";
    EXPECT_EQ(AnimationTimes(guard.GetId(), "Fire").empty(), !fires);
    EXPECT_EQ(DamageTaken(enemyId, full) > 0.0f, fires);
    // What it did were reaction orders, not the player's.
    EXPECT_TRUE(Orders().CollectOrders().empty());
  }
}

// Orders act before the projectiles fly: a unit that an order kills in a
// tick is already dead when a shot reaches it in the same tick, so the shot
// deals it no damage of its own. Without the order the same shot hits it in
// that tick.
TEST_F(OrderScenarioTest, OrdersActBeforeTheProjectilesOfTheSameTick) {
  for (const bool killed : {false, true}) {
    SCOPED_TRACE(killed);
    NewBattle();
    const Combatant& target = Unit("Grunt", 0, TVector3(10.5f, 6.5f, 0.0f));
    const int32_t targetId = target.GetId();
    const TWeaponType& rifle = *World().GetGameData().FindWeaponType("Grunt");
    // Fired at the turn's start from the side, at the target's chest, so
    // that it reaches the target within the second tick.
    const float step = TTurnSimulator::kServerStep;
    const TVector3 muzzle(10.5f - target.GetRadius() - rifle.GetSpeed() * step * 0.5f, 6.5f, 0.8f);
    World().Add(std::make_unique<Projectile>(rifle, muzzle, TVector3(1.0f, 0.0f, 0.0f), 0.0f));

    int32_t tick = 0;
    RunTurn([&] {
      // The order joins before the second tick.
      if (++tick == 2 && killed) Orders().Add(std::make_unique<TCommitSuicideOrder>(targetId, Resolver()));
    });

    const std::vector<const TDamageEvent*> damage = EventsOn<TDamageEvent>(targetId);
    ASSERT_EQ(damage.size(), 1u);
    EXPECT_LE(damage.front()->GetTime(), step);
    EXPECT_EQ(damage.front()->GetAmount() > 1000.0f, killed);
  }
}

}  // namespace
