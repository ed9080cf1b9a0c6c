#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/files.h"
#include "app/random.h"
#include "session/id_mapper.h"
#include "sim/explosion.h"
#include "sim/goo.h"
#include "sim/projectile.h"
#include "sim/projectile_events.h"
#include "sim/projectile_shot_rules.h"
#include "sim/world_effect.h"
#include "support/temp_folder.h"
#include "units/weapon.h"
#include "world/world.h"

namespace {

class ProjectileFlightTest : public ::testing::Test {
 protected:
  const TWeaponType& Weapon(const std::string& name) const { return *data_->FindWeaponType(name); }
  std::unique_ptr<Projectile> Shot(const std::string& weapon, float fireTime = 2.0f) const {
    return std::make_unique<Projectile>(Weapon(weapon), TVector3(5, 5, 1), TVector3(1, 0, 0), fireTime);
  }

  TTempFolder folder_;
  std::unique_ptr<TGameData> data_ = shot_test::MakeRules();
};

TEST_F(ProjectileFlightTest, BounceRulesByWeaponAndSurface) {
  struct Case {
    std::string weapon;
    float time;
    std::string hitName;
    bool destroyed;
    bool moving;
  };
  const Case cases[] = {
      {"Grunt", 2.0001f, "normal", true, false},       // in the muzzle: goes off in place
      {"Grunt", 2.5f, "forceField", false, true},      // a ricochet off a force field
      {"Grunt", 2.5f, "normal", true, false},          // stops and goes off (integrity 1)
      {"Missile Tank", 2.5f, "forceField", true, false},
      {"Grenadier", 2.5f, "normal", false, true},      // bounces along
      {"Grenadier", 2.5f, "forceField", true, true},   // a force field sets it off
  };
  for (const Case& c : cases) {
    auto shot = Shot(c.weapon);
    shot->Bounce(c.time, TVector3(-1, 0, 0), c.hitName);
    EXPECT_EQ(shot->IsDestroyed(), c.destroyed) << c.weapon << " " << c.hitName << " " << c.time;
    EXPECT_EQ(shot->GetTrajectory().GetSpeed() > 0.0f, c.moving) << c.weapon << " " << c.hitName;
  }
}

TEST_F(ProjectileFlightTest, ARicochetTurnsTheShot) {
  auto shot = Shot("Grunt");
  shot->Bounce(2.5f, TVector3(-1, 0, 0), "forceField");
  EXPECT_FLOAT_EQ(shot->GetTrajectory().GetDirection().x, -1.0f);
  EXPECT_FLOAT_EQ(shot->GetTrajectory().GetStartTime(), 2.5f);
}

TEST_F(ProjectileFlightTest, ALobbedShotLosesIntegrityPerBounceAndRemembersIt) {
  auto grenade = Shot("Grenadier");
  grenade->Bounce(2.3f, TVector3(0, 0, 1), "normal");
  EXPECT_FLOAT_EQ(grenade->GetIntegrity(), Projectile::kLobbedIntegrity - 1.0f);
  EXPECT_FLOAT_EQ(grenade->GetLastBounceTime(), 2.3f);
}

TEST_F(ProjectileFlightTest, UpdateGoesOffOutOfRange) {
  auto shot = Shot("Grunt");  // range 10 at speed 10: one time unit
  shot->Update(2.9f);
  EXPECT_FALSE(shot->IsDestroyed());
  EXPECT_NEAR(shot->Position().x, 14.0f, 0.001f);
  shot->Update(3.01f);
  EXPECT_TRUE(shot->IsDestroyed());
}

TEST_F(ProjectileFlightTest, UpdateFollowsThePathAndGoesOffAtItsEnd) {
  // The first entry is also the course the shot leaves the muzzle on.
  const std::vector<TVector3> path = {TVector3(1, 0, 0), TVector3(6, 6, 1), TVector3(7, 6, 1)};
  const std::vector<float> times = {2.1f, 2.2f, 2.3f};
  Projectile shot(Weapon("Grunt"), TVector3(5, 5, 1), 2.0f, path, times);
  shot.Update(2.15f);
  EXPECT_EQ(shot.GetPathIndex(), 1u);
  EXPECT_NEAR(shot.Position().x, 6.0f, 0.001f);
  EXPECT_NEAR(shot.Position().y, 5.5f, 0.001f);
  shot.Update(2.25f);
  EXPECT_NEAR(shot.Position().x, 6.5f, 0.001f);
  EXPECT_NEAR(shot.Position().y, 6.0f, 0.001f);
  EXPECT_FALSE(shot.IsDestroyed());
  shot.Update(2.3f);
  EXPECT_TRUE(shot.IsDestroyed());
  EXPECT_EQ(shot.GetPathIndex(), 3u);
}

TEST_F(ProjectileFlightTest, WhatAShotLeavesWhenItGoesOff) {
  TNewObjects made;
  auto flying = Shot("Grenadier");
  flying->HandleDestroyed(made, *data_, 2.5f);
  EXPECT_TRUE(made.empty());

  auto grenade = Shot("Grenadier");
  grenade->Detonate();
  grenade->HandleDestroyed(made, *data_, 2.5f);
  const Explosion* blast = nullptr;
  for (const auto& object : made) {
    if (object->TypeName() == Explosion::kTypeName) blast = static_cast<const Explosion*>(object.get());
  }
  ASSERT_NE(blast, nullptr);
  EXPECT_FLOAT_EQ(blast->GetDamage(), 25.0f);
  EXPECT_FLOAT_EQ(blast->GetBlastRadius(), 2.0f);
  EXPECT_FLOAT_EQ(blast->Position().z, 1.1f);
  EXPECT_FALSE(blast->IsWarp());

  made.clear();
  auto goo = Shot("Goo Spitter");
  goo->Detonate();
  goo->HandleDestroyed(made, *data_, 2.5f);
  bool gooBlast = false;
  for (const auto& object : made) {
    if (object->TypeName() == GooExplosion::kTypeName) {
      gooBlast = true;
      EXPECT_FLOAT_EQ(static_cast<const GooExplosion&>(*object).GetGooRadius(), 1.5f);
    }
    EXPECT_NE(object->TypeName(), Explosion::kTypeName);
  }
  EXPECT_TRUE(gooBlast);
}

TEST_F(ProjectileFlightTest, AWarpBlastWeakensWithTheDistanceFlown) {
  struct Case {
    float flown;  // time since firing; range 16 at speed 8 lasts 2.0
    float share;
  };
  const Case cases[] = {{0.0f, 1.0f}, {1.0f, 0.625f}, {2.0f, 0.25f}, {3.0f, 0.25f}};
  for (const Case& c : cases) {
    auto bolt = Shot("Warp Gunner");
    bolt->Detonate();
    TNewObjects made;
    bolt->HandleDestroyed(made, *data_, 2.0f + c.flown);
    const Explosion* blast = nullptr;
    for (const auto& object : made) {
      if (object->TypeName() == Explosion::kTypeName) blast = static_cast<const Explosion*>(object.get());
    }
    ASSERT_NE(blast, nullptr);
    EXPECT_NEAR(blast->GetDamage(), 20.0f * c.share, 0.001f) << c.flown;
    EXPECT_NEAR(blast->GetBlastRadius(), 1.0f * c.share, 0.001f) << c.flown;
    EXPECT_TRUE(blast->IsWarp());
  }
}

// Fragments of a fragment, down to integrity 1.
int CountFragments(const Projectile& shot, const TGameData& data, float time, int depth) {
  const_cast<Projectile&>(shot).Detonate();
  TNewObjects made;
  const_cast<Projectile&>(shot).HandleDestroyed(made, data, time);
  int count = 0;
  for (const auto& object : made) {
    if (object->TypeName() != Projectile::kTypeName) continue;
    const auto& fragment = static_cast<const Projectile&>(*object);
    EXPECT_FLOAT_EQ(fragment.GetIntegrity(), shot.GetIntegrity() - 1.0f);
    EXPECT_EQ(fragment.GetWeapon().GetName(), "Shrapnel");
    count += 1 + CountFragments(fragment, data, time, depth + 1);
  }
  return count;
}

TEST_F(ProjectileFlightTest, ShrapnelSplitsInTwoUntilIntegrityOne) {
  GetRandom()->Seed(7);
  auto shrapnel = Shot("Shrapnel");
  EXPECT_FLOAT_EQ(shrapnel->GetIntegrity(), 3.0f);
  // 3 -> two of 2 -> four of 1, which split no further.
  EXPECT_EQ(CountFragments(*shrapnel, *data_, 2.5f, 0), 6);
}

TEST_F(ProjectileFlightTest, FragmentsFlyOffToEitherSide) {
  GetRandom()->Seed(11);
  auto shrapnel = Shot("Shrapnel");
  shrapnel->Detonate();
  TNewObjects made;
  shrapnel->HandleDestroyed(made, *data_, 2.5f);
  std::vector<const Projectile*> fragments;
  for (const auto& object : made) {
    if (object->TypeName() == Projectile::kTypeName) fragments.push_back(static_cast<const Projectile*>(object.get()));
  }
  ASSERT_EQ(fragments.size(), 2u);
  EXPECT_GE(fragments[0]->GetTrajectory().GetDirection().y, 0.0f);
  EXPECT_LE(fragments[1]->GetTrajectory().GetDirection().y, 0.0f);
  EXPECT_FLOAT_EQ(fragments[0]->GetFireTime(), 2.5f);
}

TEST_F(ProjectileFlightTest, SparksOnlyForDirectShotsThatWentOffInRange) {
  struct Case {
    std::string weapon;
    bool detonated;
    float time;
    bool spark;
  };
  const Case cases[] = {
      {"Grunt", true, 2.5f, true},       {"Grunt", false, 2.5f, false}, {"Grunt", true, 3.5f, false},
      {"Grenadier", true, 2.5f, false},  {"Missile Tank", true, 2.5f, false},
      {"Goo Spitter", true, 2.5f, false},
  };
  for (const Case& c : cases) {
    auto shot = Shot(c.weapon);
    if (c.detonated) shot->Detonate();
    TNewObjects made;
    shot->EmitEffects(made, *data_, c.time);
    ASSERT_EQ(made.size(), c.spark ? 1u : 0u) << c.weapon;
    if (c.spark) {
      const auto& effect = static_cast<const TSpecialEffectObject&>(*made.front());
      EXPECT_EQ(effect.GetName(), c.weapon + " Ptang");
      EXPECT_FLOAT_EQ(effect.GetStartTime(), c.time);
    }
  }
}

TEST_F(ProjectileFlightTest, AMissileTrailsFivePuffsEveryTwentiethOfATimeUnit) {
  TailedProjectile missile(Weapon("Missile Tank"), TVector3(5, 5, 1), TVector3(1, 0, 0), 2.0f);
  TNewObjects made;
  missile.EmitEffects(made, *data_, 2.12f);  // last puffs "at" 2.1
  ASSERT_EQ(made.size(), 0u);
  missile.EmitEffects(made, *data_, 2.16f);
  ASSERT_EQ(made.size(), 5u);
  for (const auto& puff : made) {
    const auto& effect = static_cast<const TSpecialEffectObject&>(*puff);
    EXPECT_EQ(effect.GetName(), "Shrapnel");
    EXPECT_TRUE(effect.GetVisualGroup().empty());
  }
  EXPECT_FLOAT_EQ(missile.GetLastBounceTime(), 2.16f);
  made.clear();
  missile.EmitEffects(made, *data_, 2.2f);
  EXPECT_TRUE(made.empty());
}

TEST_F(ProjectileFlightTest, BounceEventCarriesItsNameFrom2080) {
  TWorld world;
  world.Add(Shot("Grunt"));
  auto& shot = static_cast<Projectile&>(*world.GetProjectiles().GetAt(0));
  const TBounceEvent event(2.5f, shot, &world.GetProjectiles(), TVector3(0, 0, 1), "metal");
  struct Case {
    const char* tag;
    std::string name;
  };
  for (const Case& c : {Case{"2.08", "metal"}, Case{"2.07", ""}}) {
    TDataStream stream(c.tag);
    TStringList names;
    TRawIdMapper ids;
    ASSERT_TRUE(event.Save(stream, ids, names));
    stream.Rewind();
    stream.ReadShort();
    const TBounceEvent read(stream, &world.GetProjectiles());
    EXPECT_FALSE(stream.HasFailed());
    EXPECT_EQ(stream.Remaining(), 0u) << c.tag;
    EXPECT_EQ(read.GetName(), c.name) << c.tag;
    EXPECT_EQ(read.GetPoint(), TVector3(0, 0, 1));
    EXPECT_EQ(read.GetProjectileId(), shot.GetId());
  }
}

TEST_F(ProjectileFlightTest, ReplayingABounceBouncesTheShot) {
  TWorld world;
  world.Add(Shot("Grunt"));
  auto& shot = static_cast<Projectile&>(*world.GetProjectiles().GetAt(0));
  // Recording bounces the shot at once.
  TBounceEvent event(2.5f, shot, &world.GetProjectiles(), TVector3(-1, 0, 0), "forceField");
  EXPECT_FLOAT_EQ(shot.GetTrajectory().GetDirection().x, -1.0f);
  world.RemoveById(shot.GetId());
  event.Apply();  // the shot is gone: nothing happens
}

// Weapons whose shots could not fly are refused when the rules load; close
// combat, psychic and warp attacks have no flight and stay.
TEST(WeaponLoadingTest, RefusesRecordsWhoseShotsCannotFly) {
  struct Case {
    std::string record;
    bool kept;
  };
  const auto record = [](const std::string& name, const std::string& range, const std::string& speed,
                         const std::string& extra) {
    return "[" + name + "]\nRace = marn\nWeapon Range = " + range + "\nWeapon Speed = " + speed +
           "\nDamage = 10\nExplosive Radius = 0\nDamage Effect = Bullet\nAmmunition = 5\n" + extra;
  };
  const Case cases[] = {
      {record("Rifle", "10", "100", ""), true},
      {record("Stalled", "10", "0", ""), false},
      {record("Backwards", "10", "-5", ""), false},
      {record("Inverted", "-1", "100", ""), false},
      {record("Claw", "0", "0", ""), true},
      {record("Psyker", "14", "0", ""), true},
      {record("Warp Gunner", "10", "0", ""), true},
      {record("Mind Blast", "10", "0", "AmmoPerShot = 10\n"), false},
  };
  for (const Case& c : cases) {
    TWeaponTypeList list("", "# weapons\n[Weapon Data]\n" + c.record);
    EXPECT_EQ(list.Count(), c.kept ? 1 : 0) << c.record;
    EXPECT_EQ(list.WeaponDataCount(), list.Count());
  }
}

}  // namespace
