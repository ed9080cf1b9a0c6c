#include "sim/projectile_system.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "sim/event.h"
#include "sim/event_list.h"
#include "sim/projectile.h"
#include "sim/projectile_events.h"
#include "sim/projectile_shot_rules.h"
#include "sim/shield.h"
#include "support/temp_folder.h"
#include "units/unit_type.h"
#include "units/weapon.h"
#include "world/ammo_dump.h"
#include "world/world.h"

namespace {

class ProjectileSystemTest : public ::testing::Test {
 protected:
  Projectile& Fire(const std::string& weapon, const TVector3& start, const TVector3& direction, float time) {
    world_.Add(std::make_unique<Projectile>(*data_->FindWeaponType(weapon), start, direction, time));
    TObjectList& shots = world_.GetProjectiles();
    return static_cast<Projectile&>(*shots.GetAt(shots.Count() - 1));
  }
  // A solid box 0.4 wide and 1.0 high standing on the point.
  AmmoDump& PlaceTarget(const TVector3& at) {
    world_.Add(std::make_unique<AmmoDump>(at, *data_->FindUnitType("Grunt"), 0));
    TObjectList& list = world_.GetAmmoDumps();
    return static_cast<AmmoDump&>(*list.GetAt(list.Count() - 1));
  }
  // Ticks of 0.05 from `from` to `to`.
  void Run(float from, float to) {
    for (int k = 1; from + 0.05f * static_cast<float>(k) <= to + 0.0001f; ++k) {
      system_.Update(from + 0.05f * static_cast<float>(k));
    }
  }
  int CountEvents(std::string_view type) const {
    int count = 0;
    for (int32_t i = 0; i < events_.GetEventCount(); ++i) count += events_.GetEvent(i)->TypeName() == type ? 1 : 0;
    return count;
  }
  const TBounceEvent* FirstBounce() const {
    for (int32_t i = 0; i < events_.GetEventCount(); ++i) {
      if (events_.GetEvent(i)->TypeName() == TBounceEvent::kTypeName) {
        return static_cast<const TBounceEvent*>(events_.GetEvent(i));
      }
    }
    return nullptr;
  }

  TTempFolder folder_;
  std::unique_ptr<TGameData> data_ = shot_test::MakeRules();
  TWorld world_;
  TEventList events_;
  TProjectileSystem system_{world_, events_};
};

TEST_F(ProjectileSystemTest, SubStepsCoverAFiftiethOfADistanceUnitEach) {
  struct Case {
    float from, to, speed;
    int64_t steps;
    float step;
  };
  const Case cases[] = {
      {1.0f, 1.05f, 10.0f, 10, 0.005f},     // one client tick
      {1.0f, 1.033f, 10.0f, 7, 0.005f},     // one server tick
      {1.02f, 1.05f, 10.0f, 6, 0.005f},     // launched mid-tick
      {1.0f, 1.05f, 25.0f, 25, 0.002f},     // a faster shot
      {1.0f, 1.05f, 0.0f, 0, 0.0f},         // a shot that cannot fly
  };
  for (const Case& c : cases) {
    const auto steps = TProjectileSystem::SubStepsOf(c.from, c.to, c.speed);
    EXPECT_EQ(steps.last - steps.first, c.steps) << c.from << " " << c.to << " " << c.speed;
    EXPECT_FLOAT_EQ(steps.step, c.step);
  }
}

TEST_F(ProjectileSystemTest, TimesFollowResetAndUpdates) {
  EXPECT_FALSE(system_.IsStarted());
  system_.Update(3.0f);
  EXPECT_TRUE(system_.IsStarted());
  EXPECT_FLOAT_EQ(system_.GetLastTime(), 3.0f);
  EXPECT_FLOAT_EQ(system_.GetPrevTime(), 3.0f);
  system_.Update(3.05f);
  EXPECT_FLOAT_EQ(system_.GetPrevTime(), 3.0f);
  EXPECT_FLOAT_EQ(system_.GetLastTime(), 3.05f);
  system_.Reset(10.0f);
  EXPECT_FLOAT_EQ(system_.GetPrevTime(), 10.0f);
  EXPECT_FLOAT_EQ(system_.GetLastTime(), 10.0f);
  EXPECT_FALSE(TProjectileSystem::IsRunning());
}

TEST_F(ProjectileSystemTest, AThinTargetIsNotTunnelledAndTheContactIsBisected) {
  // The shot covers 0.5 per tick; the target's near face is at x = 7.8, so
  // the shot's front (radius 0.1) touches it when its centre is at 7.7.
  system_.Reset(1.0f);
  Projectile& shot = Fire("Grunt", TVector3(5.0f, 5.0f, 0.5f), TVector3(1, 0, 0), 1.0f);
  AmmoDump& target = PlaceTarget(TVector3(8.0f, 5.0f, 0.0f));
  const float health = target.GetEndurance();
  Run(1.0f, 1.5f);
  const TBounceEvent* bounce = FirstBounce();
  ASSERT_NE(bounce, nullptr);
  EXPECT_NEAR(bounce->GetTime(), 1.27f, 0.0003f);
  EXPECT_EQ(bounce->GetName(), "normal");
  EXPECT_FLOAT_EQ(bounce->GetPoint().x, -1.0f);
  EXPECT_EQ(CountEvents("Damage"), 1);
  EXPECT_LT(target.GetEndurance(), health);
  // A bullet does not bounce off an ammunition dump: it stops and goes off.
  EXPECT_TRUE(shot.IsDestroyed());
  EXPECT_LT(shot.Position().x, 7.8f);
}

TEST_F(ProjectileSystemTest, AShotLaunchedMidTickFliesOnlyFromItsLaunch) {
  // Flown from the tick's start, the path (extended backwards) would cross
  // the target behind the muzzle.
  system_.Reset(1.0f);
  PlaceTarget(TVector3(4.85f, 5.0f, 0.0f));
  Projectile& shot = Fire("Grunt", TVector3(5.2f, 5.0f, 0.5f), TVector3(1, 0, 0), 1.02f);
  system_.Update(1.05f);
  EXPECT_EQ(events_.GetEventCount(), 0);
  EXPECT_NEAR(shot.Position().x, 5.5f, 0.0001f);
}

TEST_F(ProjectileSystemTest, AShotFiredAfterTheLastPassIsFlownFromItsLaunch) {
  // Fired during the tick that ended at 1.05 but added after that tick's
  // pass: the next pass flies it from its firing time.
  system_.Reset(1.0f);
  system_.Update(1.05f);
  Fire("Grunt", TVector3(5.0f, 5.0f, 0.5f), TVector3(1, 0, 0), 1.02f);
  // Within reach only between 1.02 and 1.05 (x from 5.0 to 5.3).
  PlaceTarget(TVector3(5.45f, 5.0f, 0.0f));
  system_.Update(1.1f);
  EXPECT_EQ(CountEvents("Bounce"), 1);
  EXPECT_LT(FirstBounce()->GetTime(), 1.05f);
}

TEST_F(ProjectileSystemTest, AShotFiredInsideAShieldPassesThroughIt) {
  system_.Reset(1.0f);
  world_.Add(std::make_unique<Shield>(TVector3(5.0f, 5.0f, 0.5f), 0.0f, -1, nullptr));
  Projectile& inside = Fire("Grunt", TVector3(5.5f, 5.0f, 0.5f), TVector3(1, 0, 0), 1.0f);
  Run(1.0f, 1.5f);
  EXPECT_EQ(events_.GetEventCount(), 0);
  EXPECT_NEAR(inside.Position().x, 10.5f, 0.001f);
  EXPECT_FALSE(inside.IsDestroyed());
}

TEST_F(ProjectileSystemTest, AShotFromOutsideAShieldStrikesIt) {
  system_.Reset(1.0f);
  world_.Add(std::make_unique<Shield>(TVector3(5.0f, 5.0f, 0.5f), 0.0f, -1, nullptr));
  Fire("Grunt", TVector3(0.0f, 5.0f, 0.5f), TVector3(1, 0, 0), 1.0f);
  Run(1.0f, 1.5f);
  const TBounceEvent* bounce = FirstBounce();
  ASSERT_NE(bounce, nullptr);
  // The sphere of radius 3 is met when the shot's centre is 3.1 away.
  EXPECT_NEAR(bounce->GetTime(), 1.0f + 1.9f / 10.0f, 0.0003f);
}

TEST_F(ProjectileSystemTest, ALobbedShotBouncesOffTheGround) {
  system_.Reset(0.0f);
  Projectile& grenade = Fire("Grenadier", TVector3(5.0f, 5.0f, 0.5f), TVector3(1, 0, 0), 0.0f);
  Run(0.0f, 0.5f);
  const TBounceEvent* bounce = FirstBounce();
  ASSERT_NE(bounce, nullptr);
  EXPECT_EQ(bounce->GetPoint(), TVector3(0.0f, 0.0f, 1.0f));
  EXPECT_EQ(bounce->GetName(), "normal");
  EXPECT_EQ(CountEvents("Damage"), 0);
  EXPECT_LT(grenade.GetIntegrity(), Projectile::kLobbedIntegrity);
  EXPECT_FLOAT_EQ(grenade.GetLastBounceTime(), bounce->GetTime());
  // It goes up again after the bounce.
  EXPECT_GT(grenade.GetTrajectory().GetDirection().z, 0.0f);
  EXPECT_GE(grenade.Position().z, 0.0f);
}

TEST_F(ProjectileSystemTest, AShotOutOfRangeStopsAtItsLastSubStepAndGoesOff) {
  // Range 1 at speed 10: the flight ends at 0.1; a target beyond that point
  // but within the tick's final move is never met.
  system_.Reset(0.0f);
  Projectile& shot = Fire("Short", TVector3(5.0f, 5.0f, 0.5f), TVector3(1, 0, 0), 0.0f);
  PlaceTarget(TVector3(6.35f, 5.0f, 0.0f));
  system_.Update(0.05f);
  EXPECT_FALSE(shot.IsDestroyed());
  system_.Update(0.1f);
  system_.Update(0.15f);
  EXPECT_TRUE(shot.IsDestroyed());
  EXPECT_EQ(events_.GetEventCount(), 0);
}

TEST_F(ProjectileSystemTest, ShotsDoNotStrikeEachOther) {
  system_.Reset(1.0f);
  Fire("Grunt", TVector3(5.0f, 5.0f, 0.5f), TVector3(1, 0, 0), 1.0f);
  Fire("Grunt", TVector3(5.05f, 5.0f, 0.5f), TVector3(1, 0, 0), 1.0f);
  Run(1.0f, 1.2f);
  EXPECT_EQ(events_.GetEventCount(), 0);
}

}  // namespace
