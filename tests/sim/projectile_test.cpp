#include "sim/projectile.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/random.h"
#include "sim/effect_test_support.h"
#include "support/temp_folder.h"
#include "units/weapon.h"

namespace {

class ProjectileTest : public ::testing::Test {
 protected:
  const TWeaponType& Weapon(const std::string& name) const { return *data_->FindWeaponType(name); }

  std::unique_ptr<Projectile> Shot(const std::string& weapon, float fireTime = 2.0f) const {
    return std::make_unique<Projectile>(Weapon(weapon), TVector3(1, 1, 1), TVector3(1, 0, 0), fireTime);
  }

  TTempFolder folder_;
  effect_test::TEffectReaders readers_;
  std::unique_ptr<TGameData> data_ = effect_test::MakeRules();
};

TEST_F(ProjectileTest, FliesFromItsStartAtTheWeaponsSpeed) {
  auto shot = Shot("Grunt");
  EXPECT_EQ(shot->TypeName(), "Projectile");
  EXPECT_FLOAT_EQ(shot->GetCreationTime(), 2.0f);
  EXPECT_FLOAT_EQ(shot->GetWeaponSpeed(), 10.0f);
  EXPECT_FALSE(shot->GetTrajectory().HasGravity());
  EXPECT_TRUE(shot->GetCollisionFlag());
  EXPECT_FLOAT_EQ(shot->GetLastBounceTime(), 2.1f);
  shot->Update(2.5f);
  EXPECT_EQ(shot->Position(), TVector3(6, 1, 1));
}

TEST_F(ProjectileTest, LobbedShotsSurviveNineteenBouncesAndGoOffOnTheTwentieth) {
  auto grenade = Shot("Grenadier");
  EXPECT_TRUE(grenade->IsLobbed());
  EXPECT_TRUE(grenade->GetTrajectory().HasGravity());
  for (int i = 0; i < 19; ++i) EXPECT_FALSE(grenade->TakeDamage(100.0f));
  EXPECT_FALSE(grenade->IsDestroyed());
  EXPECT_FALSE(grenade->TakeDamage(0.1f));
  EXPECT_TRUE(grenade->IsDestroyed());
}

TEST_F(ProjectileTest, AnyHitGoesOffAShotOfIntegrityOne) {
  auto bullet = Shot("Grunt");
  EXPECT_FLOAT_EQ(bullet->GetIntegrity(), 1.0f);
  bullet->TakeDamage(0.01f);
  EXPECT_TRUE(bullet->IsDestroyed());
}

struct WeaponCase {
  std::string weapon;
  float hitDamage;
  bool deflectable;
  float integrity;
};

class ProjectileWeaponTest : public ProjectileTest, public ::testing::WithParamInterface<WeaponCase> {};

TEST_P(ProjectileWeaponTest, TakesItsRulesFromTheWeapon) {
  const WeaponCase& c = GetParam();
  const auto shot = Shot(c.weapon);
  EXPECT_FLOAT_EQ(shot->HitDamage(), c.hitDamage);
  EXPECT_EQ(shot->CanBeDeflected(), c.deflectable);
  EXPECT_FLOAT_EQ(shot->GetIntegrity(), c.integrity);
}

INSTANTIATE_TEST_SUITE_P(Weapons, ProjectileWeaponTest,
                         ::testing::Values(WeaponCase{"Grunt", 10.0f, true, 1.0f},
                                           WeaponCase{"Grenadier", 0.0f, true, 20.0f},
                                           WeaponCase{"Warp Gunner", 20.0f, false, 3.0f}));

TEST_F(ProjectileTest, IsOutOfRangeOnceItFlewItsRange) {
  const auto shot = Shot("Grunt", 2.0f);
  EXPECT_FALSE(shot->IsOutOfRange(3.0f));
  EXPECT_TRUE(shot->IsOutOfRange(3.01f));
}

TEST_F(ProjectileTest, RollsItsDamageWithOneDraw) {
  GetRandom()->Seed(11);
  TRandom expected;
  expected.Seed(11);
  const auto shot = Shot("Grunt");
  const float damage = shot->RollDamage();
  EXPECT_FLOAT_EQ(damage, expected.FloatRange(5.0f, 15.0f));
  EXPECT_GE(damage, 5.0f);
  EXPECT_LE(damage, 15.0f);
}

TEST_F(ProjectileTest, TheQuietFlagIsClassWide) {
  EXPECT_FALSE(Projectile::IsQuiet());
  Projectile::SetQuiet(true);
  EXPECT_TRUE(Projectile::IsQuiet());
  Projectile::SetQuiet(false);
  EXPECT_FALSE(Projectile::IsQuiet());
}

TEST_F(ProjectileTest, APathShotCopiesItsPath) {
  const std::vector<TVector3> path = {TVector3(2, 1, 1), TVector3(3, 2, 0)};
  const Projectile shot(Weapon("Grenadier"), TVector3(1, 1, 1), 2.0f, path, {2.3f, 2.6f});
  EXPECT_EQ(shot.GetPathPoints(), path);
  EXPECT_EQ(shot.GetPathTimes(), (std::vector<float>{2.3f, 2.6f}));
  EXPECT_EQ(shot.GetPathIndex(), 0u);
}

struct PathVersionCase {
  std::string tag;
  bool pathKept;
};

class ProjectileRecordTest : public ProjectileTest, public ::testing::WithParamInterface<PathVersionCase> {};

TEST_P(ProjectileRecordTest, CarriesItsPathAbove3_0499) {
  // A first point whose direction normalises exactly, so that the rebuilt
  // path is bit for bit the saved one.
  const std::vector<TVector3> path = {TVector3(2, 0, 0), TVector3(3, 2, 0)};
  Projectile shot(Weapon("Grenadier"), TVector3(1, 1, 1), 2.0f, path, {2.3f, 2.6f});
  shot.SetId(50);
  shot.SetPathIndex(1);
  shot.SetFlag(1, true);
  shot.TakeDamage(1.0f);
  shot.SetCollisionFlag(false);
  shot.GetTrajectory().SetSpeed(3.5f);
  shot.SetPosition(TVector3(1.5f, 1, 1));
  const auto read = effect_test::RoundTrip(*shot.MakeRecord(), GetParam().tag);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->TypeName(), "Projectile");
  const auto& record = static_cast<const TProjectileRecord&>(*read);
  EXPECT_EQ(record.GetWeaponName(), "Grenadier");
  EXPECT_EQ(record.GetPathPoints().empty(), !GetParam().pathKept);

  effect_test::TAnyList list;
  const auto spawned = read->Spawn(*data_, list);
  ASSERT_NE(spawned, nullptr);
  const auto& rebuilt = static_cast<const Projectile&>(*spawned);
  EXPECT_EQ(rebuilt.GetId(), 50);
  EXPECT_TRUE(rebuilt.TestFlag(1));
  EXPECT_EQ(rebuilt.Position(), TVector3(1.5f, 1, 1));
  EXPECT_FLOAT_EQ(rebuilt.GetIntegrity(), 19.0f);
  EXPECT_FLOAT_EQ(rebuilt.GetFireTime(), 2.0f);
  EXPECT_FALSE(rebuilt.GetCollisionFlag());
  EXPECT_FLOAT_EQ(rebuilt.GetTrajectory().GetSpeed(), 3.5f);
  if (GetParam().pathKept) {
    EXPECT_EQ(rebuilt.GetPathPoints(), path);
    EXPECT_EQ(rebuilt.GetPathIndex(), 1u);
  } else {
    EXPECT_TRUE(rebuilt.GetPathPoints().empty());
    EXPECT_EQ(rebuilt.GetPathIndex(), 0u);
  }
  EXPECT_EQ(effect_test::RecordBytes(*rebuilt.MakeRecord(), GetParam().tag),
            effect_test::RecordBytes(*shot.MakeRecord(), GetParam().tag));
}

INSTANTIATE_TEST_SUITE_P(Versions, ProjectileRecordTest,
                         ::testing::Values(PathVersionCase{"Vorhelm-1-05", false},
                                           PathVersionCase{"Vorhelm-3-04", false},
                                           PathVersionCase{"Vorhelm-3-05", true},
                                           PathVersionCase{"Vorhelm-3-10", true}));

TEST_F(ProjectileTest, ARecordOfAnUnknownWeaponDoesNotSpawn) {
  const auto shot = Shot("Grunt");
  const auto read = effect_test::RoundTrip(*shot->MakeRecord(), "Vorhelm-3-10");
  ASSERT_NE(read, nullptr);
  const auto other = std::make_unique<TGameData>("# none\n[Unit Data]\n[Drone]\nCost = 1\n", "test",
                                                 effect_test::kTerrain);
  effect_test::TAnyList list;
  EXPECT_EQ(read->Spawn(*other, list), nullptr);
}

TEST_F(ProjectileTest, ATailedShotGoesOffWithItsTail) {
  effect_test::TAnyList list;
  auto tail = Shot("Grunt");
  tail->SetId(8);
  Projectile* tailShot = tail.get();
  list.Add(std::move(tail));
  TailedProjectile missile(Weapon("Grenadier"), TVector3(), TVector3(1, 0, 0), 1.0f);
  EXPECT_EQ(missile.TypeName(), "Projectile");
  missile.AddTail(8, &list);
  missile.AddTail(99, &list);
  missile.Detonate();
  EXPECT_TRUE(missile.IsDestroyed());
  EXPECT_TRUE(tailShot->IsDestroyed());
}

TEST_F(ProjectileTest, ATailedRecordKeepsTheIdsOfItsTail) {
  effect_test::TAnyList list;
  TailedProjectile missile(Weapon("Grenadier"), TVector3(), TVector3(1, 0, 0), 1.0f);
  missile.SetId(3);
  missile.AddTail(8, &list);
  missile.AddTail(-1, &list);
  missile.AddTail(9, &list);
  for (const char* tag : {"Vorhelm-3-04", "Vorhelm-3-10"}) {
    const auto read = effect_test::RoundTrip(*missile.MakeRecord(), tag);
    ASSERT_NE(read, nullptr) << tag;
    EXPECT_EQ(read->TypeName(), "TailedProjectile");
    EXPECT_EQ(static_cast<const TTailedProjectileRecord&>(*read).GetTailIds(), (std::vector<int32_t>{8, 9}));
    const auto spawned = read->Spawn(*data_, list);
    ASSERT_NE(spawned, nullptr);
    const auto& rebuilt = static_cast<const TailedProjectile&>(*spawned);
    ASSERT_EQ(rebuilt.GetTail().size(), 2u);
    EXPECT_EQ(rebuilt.GetTail()[1]->GetId(), 9);
    EXPECT_EQ(rebuilt.GetTail()[1]->GetOwner(), &list);
  }
}

TEST_F(ProjectileTest, ATailCountBeyondTheStreamFailsTheRecord) {
  effect_test::TAnyList list;
  TailedProjectile missile(Weapon("Grenadier"), TVector3(), TVector3(1, 0, 0), 1.0f);
  missile.AddTail(8, &list);
  auto saved = effect_test::SaveRecord(*missile.MakeRecord(), "Vorhelm-3-10");
  std::vector<uint8_t>& body = saved->stream.Body();
  body[body.size() - 8] = 2;
  saved->stream.Rewind();
  EXPECT_EQ(CreateObjectRecord(saved->stream, saved->names), nullptr);
  EXPECT_TRUE(saved->stream.HasFailed());
}

}  // namespace
