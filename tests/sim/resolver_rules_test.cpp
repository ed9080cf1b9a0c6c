// The standing rules the resolver runs every simulated tick.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "session/game_record.h"
#include "sim/corpse.h"
#include "sim/damage_event.h"
#include "sim/explosion.h"
#include "sim/goo.h"
#include "sim/resolver_test_world.h"
#include "sim/unit_events.h"
#include "sim/victory.h"
#include "sim/world_events.h"
#include "units/combatant.h"
#include "units/unit_type.h"
#include "units/weapon.h"
#include "world/ammo_dump.h"
#include "world/map.h"

namespace {

using resolver_test::Names;
using ResolverRulesTest = resolver_test::ResolverWorldTest;
constexpr float kNow = resolver_test::kNow;

TEST_F(ResolverRulesTest, GooDamageFollowsTheClockAndIgnoresArmourAndDrones) {
  world_->Add(std::make_unique<Goo>(TVector3(5.0f, 5.0f, 0.0f), 0.0f));
  Combatant& grunt = Unit("Grunt", 0, TVector3(5.0f, 5.0f, 0.0f));
  Unit("Drone", 0, TVector3(5.2f, 5.0f, 0.0f));
  Unit("Grunt", 1, TVector3(9.0f, 9.0f, 0.0f));  // on clean floor

  // The first pass of a turn starts the clock and deals nothing.
  resolver_->ApplyGooDamage(2.9667f);
  EXPECT_EQ(events_.GetEventCount(), 0);
  resolver_->ApplyGooDamage(3.0f);
  ASSERT_EQ(RecordedTypes(), (Names{"Damage"}));
  const auto& hit = Recorded<TDamageEvent>(0);
  EXPECT_EQ(hit.GetTargetId(), grunt.GetId());
  EXPECT_NEAR(hit.GetAmount(), grunt.GetType().GetArmour() + 0.2f * 0.0333f, 1e-4f);
}

TEST_F(ResolverRulesTest, RecoveryReloadsAtItsRateUntilFull) {
  Combatant& psyker = Unit("Psyker", 0, TVector3(5.0f, 5.0f, 0.0f));
  const float rate = psyker.GetType().GetRecoveryRate();
  ASSERT_GT(rate, 0.0f);
  TWeapon& weapon = *psyker.GetWeapon();
  weapon.AddAmmunition(-2);
  resolver_->UpdateRecharge(0.0f);  // joins the list
  resolver_->UpdateRecharge(rate - 0.01f);
  EXPECT_EQ(events_.GetEventCount(), 0);
  resolver_->UpdateRecharge(rate + 0.02f);
  ASSERT_EQ(RecordedTypes(), (Names{"Resupply"}));
  // Stamped at the due time, not at the tick's.
  EXPECT_FLOAT_EQ(events_.GetEvent(0)->GetTime(), rate);
  resolver_->UpdateRecharge(2.0f * rate);
  EXPECT_EQ(events_.GetEventCount(), 2);
  EXPECT_TRUE(weapon.IsFull());
  // Full: off the list, so nothing more comes.
  resolver_->UpdateRecharge(3.0f * rate);
  EXPECT_EQ(events_.GetEventCount(), 2);

  // A full weapon never joins; the turn reset forgets every timer.
  Combatant& full = Unit("Warp Gunner", 0, TVector3(7.0f, 5.0f, 0.0f));
  resolver_->UpdateRecharge(10.0f);
  full.GetWeapon()->AddAmmunition(-1);
  resolver_->UpdateRecharge(10.5f);  // joins now
  resolver_->ResetTurn();
  resolver_->UpdateRecharge(13.0f);  // joins again instead of reloading
  EXPECT_EQ(events_.GetEventCount(), 0);  // the reset dropped the unfinished turn's events
}

TEST_F(ResolverRulesTest, AShieldDrainsAtItsRateAndOnlyForTypesWithOne) {
  Combatant& scanner = Unit("Scanner", 0, TVector3(5.0f, 5.0f, 0.0f));
  Combatant& grunt = Unit("Grunt", 0, TVector3(7.0f, 5.0f, 0.0f));
  ASSERT_TRUE(scanner.GetCanFire());
  ASSERT_TRUE(grunt.GetCanFire());
  const float rate = scanner.GetType().GetShieldRate();
  resolver_->UpdateRecharge(1.0f);
  resolver_->UpdateRecharge(1.0f + rate);
  ASSERT_EQ(RecordedTypes(), (Names{"Ammo"}));
  EXPECT_EQ(Recorded<TAmmoEvent>(0).SubjectId(), scanner.GetId());
  // A grunt's switch is on too, but it has no shield to pay for.
  for (float t = 1.05f; t < 3.0f; t += 0.05f) resolver_->UpdateRecharge(t);
  for (int32_t i = 0; i < events_.GetEventCount(); ++i) {
    EXPECT_NE(dynamic_cast<const TUnitEvent&>(*events_.GetEvent(i)).SubjectId(), grunt.GetId());
  }
}

TEST_F(ResolverRulesTest, AForceFieldDestroysWhatStandsInIt) {
  map_test::PlaceTile(world_->GetMap(), world_->GetGameData(), "field_000", 4.0f, 4.0f);
  Combatant& unit = Unit("Grunt", 0, TVector3(4.0f, 4.0f, 0.0f));
  AmmoDump& dump = Dump("Marine HQ", 1, TVector3(4.1f, 4.0f, 0.0f));
  Unit("Grunt", 0, TVector3(9.0f, 9.0f, 0.0f));
  const float unitNeeds = unit.GetEndurance() + unit.GetType().GetArmour() + 1000.0f;
  const float dumpNeeds = dump.GetEndurance() + dump.GetType().GetArmour() + 1000.0f;
  resolver_->ApplyForceFields(kNow);
  ASSERT_EQ(RecordedTypes(), (Names{"Damage", "Damage"}));
  EXPECT_FLOAT_EQ(Recorded<TDamageEvent>(0).GetAmount(), unitNeeds);
  EXPECT_FLOAT_EQ(Recorded<TDamageEvent>(1).GetAmount(), dumpNeeds);
}

TEST_F(ResolverRulesTest, ScoresAreRecordedOnlyWhenTheyChange) {
  TWipeOutScenario scenario;
  const TUnitType& grunt = *world_->GetGameData().FindUnitType("Grunt");
  ASSERT_GT(grunt.GetCost(), 0.0f);
  // A dead unit of player 1 scores its cost for player 0.
  world_->GetCorpses().Add(std::make_unique<Corpse>(TVector3(3.0f, 3.0f, 0.0f), grunt, 0, kNow, 1));
  resolver_->UpdateScores(kNow, &scenario);  // no game record: nothing
  EXPECT_EQ(events_.GetEventCount(), 0);

  TGameRecord record;
  resolver_->SetGameRecord(&record);
  resolver_->UpdateScores(kNow, &scenario);
  ASSERT_EQ(RecordedTypes(), (Names{"Score"}));
  const auto& score = Recorded<TScoreEvent>(0);
  EXPECT_EQ(score.GetPlayer(), 0);
  EXPECT_FLOAT_EQ(score.GetScore(), grunt.GetCost());
  EXPECT_FLOAT_EQ(score.GetTime(), kNow);
  // Recording applied it: the record holds the score, so it is not recorded again.
  EXPECT_FLOAT_EQ(record.GetScore(0), grunt.GetCost());
  EXPECT_FLOAT_EQ(record.GetScore(1), 0.0f);
  resolver_->UpdateScores(kNow + 0.05f, &scenario);
  EXPECT_EQ(events_.GetEventCount(), 1);

  // A second loss of player 1 changes player 0's score once more.
  world_->GetCorpses().Add(std::make_unique<Corpse>(TVector3(4.0f, 3.0f, 0.0f), grunt, 0, kNow, 1));
  resolver_->UpdateScores(kNow + 0.1f, &scenario);
  ASSERT_EQ(RecordedTypes(), (Names{"Score", "Score"}));
  EXPECT_FLOAT_EQ(Recorded<TScoreEvent>(1).GetScore(), 2.0f * grunt.GetCost());
  resolver_->SetGameRecord(nullptr);
}

TEST_F(ResolverRulesTest, StopAllUnitsStopsOnlyBusyUnits) {
  Combatant& runner = Unit("Grunt", 0, TVector3(3.0f, 3.0f, 0.0f));
  Unit("Grunt", 0, TVector3(5.0f, 3.0f, 0.0f));
  resolver_->SetAnimation(runner, 1.0f, "Run");
  events_.Clear();
  resolver_->StopAllUnits(kNow);
  ASSERT_EQ(RecordedTypes(), (Names{"StopActions"}));
  EXPECT_EQ(runner.GetVisualState(), "Stand");
}

TEST_F(ResolverRulesTest, DueBlastHitsBecomeDamageEvents) {
  Combatant& unit = Unit("Grunt", 1, TVector3(5.0f, 5.0f, 0.0f));
  auto blast = std::make_unique<Explosion>(TVector3(5.0f, 5.0f, 0.5f), 40.0f, 2.0f, 2.0f, false);
  Explosion* explosion = blast.get();
  world_->Add(std::move(blast));
  explosion->Spread(*world_);
  resolver_->CollectDamage(2.0f);
  EXPECT_EQ(events_.GetEventCount(), 0);
  resolver_->CollectDamage(2.5f);
  ASSERT_GE(events_.GetEventCount(), 1);
  bool hitUnit = false;
  for (int32_t i = 0; i < events_.GetEventCount(); ++i) {
    const auto* damage = dynamic_cast<const TDamageEvent*>(events_.GetEvent(i));
    ASSERT_NE(damage, nullptr);
    if (damage->GetTargetId() == unit.GetId()) hitUnit = true;
  }
  EXPECT_TRUE(hitUnit);
}

TEST_F(ResolverRulesTest, NewObjectsAreShownToTheSidesThatSeeThemOnce) {
  Combatant& shooter = Unit("Grunt", 0, TVector3(2.0f, 2.0f, 0.0f));
  Combatant& victim = Unit("Grunt", 1, TVector3(9.0f, 9.0f, 0.0f));
  shooter.SetFlag(0, 1);
  victim.SetFlag(0, 1);
  victim.SetFlag(1, 1);
  resolver_->FireWeapon(shooter, TVector3(9.0f, 2.0f, 0.5f), 2.9f);
  resolver_->KillUnit(victim, kNow);
  events_.Clear();

  world_->AddNewObjects(kNow);  // the shot leaves the weapon, the dead leave their surrogates
  resolver_->UpdateAllVision(kNow);
  int shotEvents = 0;
  int surrogateEvents = 0;
  for (int32_t i = 0; i < events_.GetEventCount(); ++i) {
    const auto& vision = Recorded<TVisionEvent>(i);
    const std::string type(vision.GetRecord().TypeName());
    if (type == "Projectile") {
      ++shotEvents;
      EXPECT_FLOAT_EQ(vision.GetTime(), 2.9f);  // the shot's own time
      EXPECT_TRUE(vision.TestFlag(0));
      EXPECT_FALSE(vision.TestFlag(1));
    }
    if (type == "Surrogate") {
      ++surrogateEvents;
      EXPECT_FLOAT_EQ(vision.GetTime(), kNow);
    }
  }
  EXPECT_EQ(shotEvents, 1);
  EXPECT_EQ(surrogateEvents, 2);  // both sides saw the victim

  // Each new object is told of once.
  const int32_t recorded = events_.GetEventCount();
  resolver_->UpdateAllVision(kNow + 0.05f);
  EXPECT_EQ(events_.GetEventCount(), recorded);
}

}  // namespace
