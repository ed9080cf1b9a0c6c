#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/game_data.h"
#include "sim/corpse.h"
#include "sim/damage_event.h"
#include "sim/event.h"
#include "sim/explosion.h"
#include "sim/shield.h"
#include "support/shipped_world.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "units/weapon.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/terrain_object.h"
#include "world/world.h"

namespace {

constexpr float kStart = 4.0f;

// A world of the shipped rules on an empty map (no ground tiles), in a folder
// of its own, with helpers that place objects as a step hands them over.
class BlastTest : public test_world::ShippedWorldTest {
 protected:
  void SetUp() override {
    ShippedWorldTest::SetUp();
  }
  void TearDown() override {
    ShippedWorldTest::TearDown();
  }

  Combatant* PlaceUnit(const TVector3& position, int32_t owner = 0) {
    return test_world::PlaceUnit(*world_, "Grunt", owner, position);
  }

  TGameObject* PlaceTile(const std::string& typeName, const TVector3& position) {
    const TTerrainType* type = world_->GetGameData().FindTerrainType(typeName);
    EXPECT_NE(type, nullptr) << typeName;
    return Place(std::make_unique<TTerrainObject>(*type, position, 0.0f));
  }

  Shield* PlaceShield(Combatant& owner) {
    return static_cast<Shield*>(Place(std::make_unique<Shield>(owner.Position(), 0.0f, owner)));
  }

  // A freshly placed explosion, spread over the world.
  Explosion* Blast(const TVector3& centre, float damage, float radius, bool warp = false) {
    auto* explosion =
        static_cast<Explosion*>(Place(std::make_unique<Explosion>(centre, damage, radius, kStart, warp)));
    explosion->Spread(*world_);
    return explosion;
  }

};

struct DistanceCase {
  const char* name;
  float distance;
  bool warp;
  bool hit;
  float amount;  // of damage 20 and radius 4
  float time;    // after the start
};

class BlastDistanceTest : public BlastTest, public ::testing::WithParamInterface<DistanceCase> {};

TEST_P(BlastDistanceTest, SizesAndTimesTheHitByTheDistance) {
  const DistanceCase& c = GetParam();
  const TVector3 centre(10.0f, 10.0f, 0.0f);
  const Combatant* unit = PlaceUnit(TVector3(centre.x + c.distance, centre.y, 0.0f));
  const Explosion* explosion = Blast(centre, 20.0f, 4.0f, c.warp);

  const TExplosionHit* hit = explosion->FindHit(unit->GetId());
  ASSERT_EQ(hit != nullptr, c.hit);
  EXPECT_EQ(explosion->GetHits().size(), c.hit ? 1u : 0u);
  if (!c.hit) return;
  EXPECT_NEAR(hit->amount, c.amount, 1e-4f);
  EXPECT_NEAR(hit->time, kStart + c.time, 1e-4f);
}

INSTANTIATE_TEST_SUITE_P(
    Distances, BlastDistanceTest,
    ::testing::Values(DistanceCase{"Centre", 0.0f, false, true, 20.0f, 0.05f},
                      DistanceCase{"Near", 0.3f, false, true, 18.5f, 0.05f},
                      DistanceCase{"Half", 2.0f, false, true, 10.0f, 0.2f},
                      DistanceCase{"Edge", 4.0f, false, true, 0.0f, 0.4f},
                      DistanceCase{"Beyond", 4.5f, false, false, 0.0f, 0.0f},
                      DistanceCase{"WarpCentre", 0.0f, true, true, 20.0f, 0.4f},
                      DistanceCase{"WarpHalf", 2.0f, true, true, 10.0f, 0.2f},
                      DistanceCase{"WarpEdge", 4.0f, true, true, 0.0f, 0.05f}),
    [](const ::testing::TestParamInfo<DistanceCase>& info) { return std::string(info.param.name); });

TEST_F(BlastTest, HitsEachObjectOnceWithTheLargestAmountOfItsRays) {
  const TVector3 centre(10.0f, 10.0f, 0.0f);
  const Combatant* a = PlaceUnit(TVector3(11.0f, 10.0f, 0.0f));
  const Combatant* b = PlaceUnit(TVector3(10.0f, 12.0f, 0.0f));
  // A wall in front of a weakens the rays through it; rays past it are full.
  PlaceTile("Wall", TVector3(11.0f, 11.0f, 0.0f));
  const Explosion* explosion = Blast(centre, 30.0f, 5.0f);

  int aHits = 0;
  int bHits = 0;
  for (const TExplosionHit& hit : explosion->GetHits()) {
    aHits += hit.targetId == a->GetId() ? 1 : 0;
    bHits += hit.targetId == b->GetId() ? 1 : 0;
  }
  EXPECT_EQ(aHits, 1);
  EXPECT_EQ(bHits, 1);
  EXPECT_NEAR(explosion->FindHit(a->GetId())->amount, 4.0f * 30.0f / 5.0f, 1e-3f);
  EXPECT_NEAR(explosion->FindHit(b->GetId())->amount, 3.0f * 30.0f / 5.0f, 1e-3f);
  EXPECT_NEAR(explosion->FindHit(b->GetId())->time, kStart + 0.2f, 1e-4f);
}

// Eight walls ring the centre; every ray towards the unit passes one.
struct RingCase {
  float damage;
  bool unitHit;
  float amount;
  bool wallsHit;
};

class BlastRingTest : public BlastTest, public ::testing::WithParamInterface<RingCase> {};

TEST_P(BlastRingTest, WallsTakeTheirStrengthOutOfTheRays) {
  const RingCase& c = GetParam();
  const TVector3 centre(10.0f, 10.0f, 0.1f);
  std::vector<TGameObject*> walls;
  for (int dx = -1; dx <= 1; ++dx) {
    for (int dy = -1; dy <= 1; ++dy) {
      if (dx != 0 || dy != 0) walls.push_back(PlaceTile("Wall", TVector3(10.0f + dx, 10.0f + dy, 0.0f)));
    }
  }
  const Combatant* unit = PlaceUnit(TVector3(13.0f, 10.0f, 0.0f));
  const Explosion* explosion = Blast(centre, c.damage, 5.0f);

  const TExplosionHit* hit = explosion->FindHit(unit->GetId());
  ASSERT_EQ(hit != nullptr, c.unitHit);
  if (hit != nullptr) {
    EXPECT_NEAR(hit->amount, c.amount, 1e-3f);
  }
  // A wall takes a hit only when the hit can destroy it (strength 10).
  const TExplosionHit* wallHit = explosion->FindHit(walls[4]->GetId());  // the wall at (10, 11)
  EXPECT_EQ(wallHit != nullptr, c.wallsHit);
}

INSTANTIATE_TEST_SUITE_P(Strengths, BlastRingTest,
                         ::testing::Values(RingCase{10.0f, false, 0.0f, false},  // the wall takes it all
                                           RingCase{8.0f, false, 0.0f, false},
                                           // (5 - d) / 5 x (30 - 10), d from the centre 0.1 above the unit
                                           RingCase{30.0f, true, (5.0f - 3.0016662f) / 5.0f * 20.0f, true}));

TEST_F(BlastTest, ACentreUnderAShieldSparesWhatLiesOutsideIt) {
  Combatant* owner = PlaceUnit(TVector3(10.0f, 10.0f, 0.0f), 1);
  const Shield* shield = PlaceShield(*owner);
  const Combatant* inside = PlaceUnit(TVector3(11.5f, 10.0f, 0.0f));
  const Combatant* outside = PlaceUnit(TVector3(14.0f, 10.0f, 0.0f));
  const Explosion* explosion = Blast(TVector3(10.5f, 10.0f, 0.0f), 20.0f, 6.0f);

  EXPECT_NE(explosion->FindHit(owner->GetId()), nullptr);
  EXPECT_NE(explosion->FindHit(inside->GetId()), nullptr);
  EXPECT_EQ(explosion->FindHit(outside->GetId()), nullptr);
  // The shield it went off under is passed over, not struck.
  EXPECT_EQ(explosion->FindHit(shield->GetId()), nullptr);
}

TEST_F(BlastTest, AShieldFromOutsideIsStruckAtOnceAndAbsorbsTheOwnersRounds) {
  Combatant* owner = PlaceUnit(TVector3(20.0f, 10.0f, 0.0f), 1);
  owner->GetWeapon()->SetAmmunition(40.0f);
  const Shield* shield = PlaceShield(*owner);
  const Explosion* explosion = Blast(TVector3(12.0f, 10.0f, 0.0f), 30.0f, 9.0f);

  const TExplosionHit* shieldHit = explosion->FindHit(shield->GetId());
  ASSERT_NE(shieldHit, nullptr);
  EXPECT_NEAR(shieldHit->time, kStart + 0.05f, 1e-5f);
  // The shield's 40 rounds swallow the blast of 30 before it reaches the owner.
  EXPECT_EQ(explosion->FindHit(owner->GetId()), nullptr);
}

TEST_F(BlastTest, ACorpseIsHitOnlyWhenItsRayMeetsSomethingBeyondIt) {
  const TUnitType& grunt = *world_->GetGameData().FindUnitType("Grunt");
  const TGameObject* lone = Place(std::make_unique<Corpse>(TVector3(10.0f, 13.0f, 0.0f), grunt, 0, 1.0f, 0));
  const TGameObject* backed = Place(std::make_unique<Corpse>(TVector3(12.0f, 10.0f, 0.0f), grunt, 0, 1.0f, 0));
  // Aim points lie just above the positions: the wall beyond stands in the line.
  TVector3 aim;
  backed->GetAimPoint(aim);
  const TVector3 centre(10.0f, 10.0f, aim.z);
  PlaceTile("Wall", TVector3(13.0f, 10.0f, 0.0f));
  const Explosion* explosion = Blast(centre, 20.0f, 5.0f);

  EXPECT_EQ(explosion->FindHit(lone->GetId()), nullptr);
  const TExplosionHit* hit = explosion->FindHit(backed->GetId());
  ASSERT_NE(hit, nullptr);
  const float distance = centre.DistanceTo(backed->Position());
  EXPECT_NEAR(hit->amount, (5.0f - distance) * 20.0f / 5.0f, 1e-3f);
}

TEST_F(BlastTest, WhatStandsBeforeACorpseTakesItsStrengthOutOfTheBlast) {
  const TUnitType& grunt = *world_->GetGameData().FindUnitType("Grunt");
  const TGameObject* corpse = Place(std::make_unique<Corpse>(TVector3(12.0f, 10.0f, 0.0f), grunt, 0, 1.0f, 0));
  TVector3 aim;
  corpse->GetAimPoint(aim);
  const TVector3 centre(10.0f, 10.0f, aim.z);
  const TGameObject* front = PlaceTile("Wall", TVector3(11.0f, 10.0f, 0.0f));
  PlaceTile("Wall", TVector3(13.0f, 10.0f, 0.0f));
  const float absorbed = front->GetStrength();
  ASSERT_GT(absorbed, 0.0f);
  const float distance = centre.DistanceTo(corpse->Position());

  const Explosion* weakened = Blast(centre, 30.0f, 5.0f);
  const TExplosionHit* hit = weakened->FindHit(corpse->GetId());
  ASSERT_NE(hit, nullptr);
  EXPECT_NEAR(hit->amount, (5.0f - distance) * (30.0f - absorbed) / 5.0f, 1e-3f);

  // A blast no stronger than the wall's absorption never reaches the corpse.
  const Explosion* spent = Blast(centre, absorbed, 5.0f);
  EXPECT_EQ(spent->FindHit(corpse->GetId()), nullptr);
}

TEST_F(BlastTest, ABlastWithoutReachSchedulesNothing) {
  PlaceUnit(TVector3(10.0f, 10.0f, 0.0f));
  for (const float radius : {0.0f, -2.0f}) {
    const Explosion* explosion = Blast(TVector3(10.0f, 10.0f, 0.0f), 20.0f, radius);
    EXPECT_TRUE(explosion->HasSpread());
    EXPECT_TRUE(explosion->GetHits().empty()) << radius;
  }
}

TEST_F(BlastTest, SpreadsOnceOnTheFirstWorldUpdate) {
  const Combatant* unit = PlaceUnit(TVector3(10.0f, 10.0f, 0.0f));
  auto* explosion = static_cast<Explosion*>(
      Place(std::make_unique<Explosion>(TVector3(10.0f, 10.0f, 0.0f), 20.0f, 2.0f, kStart, false)));
  EXPECT_TRUE(explosion->GetHits().empty());

  world_->Update(kStart);
  EXPECT_TRUE(explosion->HasSpread());
  ASSERT_NE(explosion->FindHit(unit->GetId()), nullptr);

  std::vector<std::unique_ptr<TEvent>> events;
  world_->GetExplosions().CollectDamage(kStart + 1.0f, *world_, events);
  world_->Update(kStart + 1.0f);
  EXPECT_TRUE(explosion->GetHits().empty());
}

TEST_F(BlastTest, ARestoredSpreadExplosionDoesNotSpreadAgain) {
  PlaceUnit(TVector3(10.0f, 10.0f, 0.0f));
  Explosion original(TVector3(10.0f, 10.0f, 0.0f), 20.0f, 2.0f, kStart, false);
  original.SetSpread(true);
  const auto record = original.MakeRecord();
  auto* restored = static_cast<Explosion*>(Place(record->Spawn(world_->GetGameData(), world_->GetExplosions())));
  world_->Update(kStart);
  EXPECT_TRUE(restored->GetHits().empty());
}

// --- due hits ---------------------------------------------------------------

class DueHitsTest : public BlastTest {
 protected:
  void SetUp() override {
    BlastTest::SetUp();
    first_ = PlaceUnit(TVector3(5.0f, 5.0f, 0.0f));
    second_ = PlaceUnit(TVector3(6.0f, 5.0f, 0.0f));
    explosion_ = static_cast<Explosion*>(
        Place(std::make_unique<Explosion>(TVector3(5.0f, 5.0f, 0.0f), 20.0f, 2.0f, kStart, false)));
    explosion_->SetSpread(true);
    explosion_->AddHit({first_->GetId(), 7.0f, kStart + 0.05f});
    explosion_->AddHit({second_->GetId(), 3.0f, kStart + 0.3f});
    explosion_->AddHit({9999, 5.0f, kStart + 0.05f});  // nothing has this id
  }

  Combatant* first_ = nullptr;
  Combatant* second_ = nullptr;
  Explosion* explosion_ = nullptr;
};

TEST_F(DueHitsTest, CollectDamageTurnsDueHitsIntoDamageEventsAtTheirOwnTimes) {
  std::vector<std::unique_ptr<TEvent>> events;
  // Within the tolerance of the tick time counts as due.
  explosion_->CollectDamage(kStart + 0.04995f, *world_, events);

  ASSERT_EQ(events.size(), 1u);
  const auto* damage = dynamic_cast<const TDamageEvent*>(events[0].get());
  ASSERT_NE(damage, nullptr);
  EXPECT_EQ(damage->GetTargetId(), first_->GetId());
  EXPECT_FLOAT_EQ(damage->GetAmount(), 7.0f);
  EXPECT_FLOAT_EQ(damage->GetTime(), kStart + 0.05f);
  // The due hits are gone, the hit on the missing target without an event.
  ASSERT_EQ(explosion_->GetHits().size(), 1u);
  EXPECT_EQ(explosion_->GetHits()[0].targetId, second_->GetId());
}

TEST_F(DueHitsTest, AHitOnADestroyedTargetIsDroppedWithoutAnEvent) {
  first_->TakeDamage(1.0e6f);
  ASSERT_TRUE(first_->IsDestroyed());
  std::vector<std::unique_ptr<TEvent>> events;
  world_->GetExplosions().CollectDamage(kStart + 1.0f, *world_, events);

  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(static_cast<const TDamageEvent&>(*events[0]).GetTargetId(), second_->GetId());
  EXPECT_TRUE(explosion_->GetHits().empty());
}

TEST_F(DueHitsTest, DropDueHitsForgetsDueHitsWithoutEvents) {
  world_->GetExplosions().DropDueHits(kStart + 0.05f);
  ASSERT_EQ(explosion_->GetHits().size(), 1u);
  EXPECT_EQ(explosion_->GetHits()[0].targetId, second_->GetId());
  EXPECT_EQ(explosion_->FindHit(first_->GetId()), nullptr);
}

}  // namespace
