#include "units/weapon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/config_parser.h"
#include "support/temp_folder.h"
#include "units/shot_makers.h"
#include "world/bounding_box.h"
#include "world/object_list.h"
#include "world/volume.h"
#include "world/world_effects.h"

namespace {

// A weapon record text with the main keys and any extra lines.
std::string Record(const std::string& name, float range, float speed, float damage, float blast,
                   int32_t ammunition, const std::string& extra = "") {
  return "[" + name + "]\nRace = grey\nWeapon Range = " + std::to_string(range) +
         "\nWeapon Speed = " + std::to_string(speed) + "\nDamage = " + std::to_string(damage) +
         "\nExplosive Radius = " + std::to_string(blast) + "\nDamage Effect = Bolt\nAmmunition = " +
         std::to_string(ammunition) + "\n" + extra;
}

// One record read from a "Weapon Data" text, kept alive by the list.
class WeaponFixture : public ::testing::Test {
 protected:
  const TWeaponType& Load(const std::string& records) {
    list_.Load("", "# weapons\n[Weapon Data]\n" + records);
    EXPECT_GT(list_.Count(), 0);
    return *list_.At(0);
  }

  TTempFolder folder_;
  TWeaponTypeList list_;
};

// A shot object that remembers how it was made and what happened to it.
class TTestShot : public TGameObject {
 public:
  TTestShot(const TVector3& position, const TVector3& direction, float time, float damage, float radius,
            uint8_t flag, bool explosion)
      : TGameObject(position), direction(direction), time(time), damage(damage), radius(radius), flag(flag),
        explosion(explosion) {
    auto volume = std::make_unique<TCompoundVolume>();
    volume->Add(std::make_unique<TSphereVolume>(&Position(), TVector3(), 0.1f));
    SetLofVolume(std::move(volume));
  }
  std::string_view TypeName() const override { return explosion ? "Explosion" : "Projectile"; }
  void Update(float t) override { updatedTo = t; }
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override { return nullptr; }
  bool TakeDamage(float) override { return false; }
  bool IsDestroyed() const override { return destroyed; }
  float GetCreationTime() const override { return time; }

  TVector3 direction;
  float time;
  float damage;
  float radius;
  uint8_t flag;
  bool explosion;
  bool destroyed = false;
  float updatedTo = -1.0f;
  TObjectList* adoptedBy = nullptr;
};

class TTestList : public TObjectList {
 public:
  std::string_view ElementTypeName() const override { return "MapTile"; }
};

// Registers shot makers for one test and removes them afterwards.
class TShotMakerScope {
 public:
  TShotMakerScope() {
    TShotMakers::SetProjectileMaker([](const TWeaponType&, const TVector3& start, const TVector3& direction,
                                       float t) -> std::unique_ptr<TGameObject> {
      return std::make_unique<TTestShot>(start, direction, t, 0.0f, 0.0f, 0, false);
    });
    TShotMakers::SetPathProjectileMaker(
        [](const TWeaponType&, const TVector3& start, float t, const std::vector<TVector3>& path,
           const std::vector<float>&) -> std::unique_ptr<TGameObject> {
          return std::make_unique<TTestShot>(start, path.front(), t, 0.0f, 0.0f, 0, false);
        });
    TWorldEffects::SetExplosionMaker([](const TVector3& position, float damage, float radius, float time,
                                        uint8_t flag) -> std::unique_ptr<TGameObject> {
      return std::make_unique<TTestShot>(position, TVector3(), time, damage, radius, flag, true);
    });
    TShotMakers::SetShotAdopter(
        [](TGameObject& shot, TObjectList& list) { static_cast<TTestShot&>(shot).adoptedBy = &list; });
  }
  ~TShotMakerScope() {
    TShotMakers::SetProjectileMaker(nullptr);
    TShotMakers::SetPathProjectileMaker(nullptr);
    TWorldEffects::SetExplosionMaker(nullptr);
    TShotMakers::SetShotAdopter(nullptr);
  }
};

const TTestShot& Shot(const TWeapon& weapon, int32_t index) {
  return static_cast<const TTestShot&>(*weapon.HeldShot(index));
}

// ---------------------------------------------------------------------------
// Records

TEST_F(WeaponFixture, ReadsACompleteRecord) {
  const TWeaponType& type = Load(Record("Bolter", 12.0f, 100.0f, 20.0f, 1.5f, 30, "AmmoPerShot = 3\n"));
  EXPECT_EQ(type.GetName(), "Bolter");
  EXPECT_EQ(type.GetVisualName(), "greyVisual");
  EXPECT_FLOAT_EQ(type.GetRange(), 12.0f);
  EXPECT_FLOAT_EQ(type.GetSpeed(), 10.0f);  // 100 per turn of 10 time units
  EXPECT_FLOAT_EQ(type.GetDamage(), 20.0f);
  EXPECT_FLOAT_EQ(type.GetExplosiveRadius(), 1.5f);
  EXPECT_EQ(type.GetDamageEffect(), "Bolt");
  EXPECT_EQ(type.GetAmmunition(), 30);
  EXPECT_EQ(type.GetAmmoPerShot(), 3);
  EXPECT_FLOAT_EQ(type.GetFiringHeight(), 0.75f);
  EXPECT_FALSE(type.IsAffectedByGravity());
  EXPECT_FLOAT_EQ(type.GetIntegrity(), 1.0f);
  EXPECT_FALSE(type.HasNoBlast());
  EXPECT_TRUE(type.IsNotWarpGunner());
}

TEST_F(WeaponFixture, CountsFromTheFileStayWithinBounds) {
  // A unit file from elsewhere may claim any count; a weapon holding it must
  // still report its rounds as an int.
  struct TCase {
    int32_t ammunition;
    int32_t perShot;
    int32_t heldAmmunition;
    int32_t heldPerShot;
  };
  for (const TCase& c : {TCase{30, 3, 30, 3}, TCase{2147483647, 2147483647, 1000000, 1000000},
                         TCase{-5, -1, 0, 0}}) {
    const TWeaponType& type =
        Load(Record("Bolter", 12.0f, 100.0f, 20.0f, 1.5f, c.ammunition, "AmmoPerShot = " + std::to_string(c.perShot)));
    EXPECT_EQ(type.GetAmmunition(), c.heldAmmunition) << c.ammunition;
    EXPECT_EQ(type.GetAmmoPerShot(), c.heldPerShot) << c.perShot;
    const TWeapon weapon(type);
    EXPECT_EQ(weapon.GetAmmunition(), c.heldAmmunition) << c.ammunition;
  }
}

TEST_F(WeaponFixture, AnIncompleteRecordStopsAtTheFirstMissingKey) {
  // No "Explosive Radius": damage is read, the keys after it are not, and the
  // race does not name the visual group.
  const TWeaponType& type = Load("[Stub]\nRace = marn\nWeapon Range = 5\nWeapon Speed = 50\nDamage = 7\n"
                                 "Damage Effect = Bullet\nAmmunition = 9\n");
  EXPECT_EQ(type.GetVisualName(), "Visual");
  EXPECT_FLOAT_EQ(type.GetDamage(), 7.0f);
  EXPECT_EQ(type.GetDamageEffect(), "");
  EXPECT_EQ(type.GetAmmunition(), 0);
  EXPECT_FLOAT_EQ(type.GetSpeed(), 5.0f);
  EXPECT_EQ(type.GetAmmoPerShot(), 1);

  // A complete record without "Race".
  list_.Load("", "[Weapon Data]\n[Bare]\nWeapon Range = 5\nWeapon Speed = 50\nDamage = 7\n"
                 "Explosive Radius = 0\nDamage Effect = Bullet\nAmmunition = 9\n");
  EXPECT_EQ(list_.At(0)->GetVisualName(), "Visual");
  EXPECT_TRUE(list_.At(0)->HasNoBlast());
}

TEST_F(WeaponFixture, GravityAndIntegrity) {
  struct Case {
    std::string name;
    std::string extra;
    bool gravity;
    float integrity;
  };
  const std::vector<Case> cases = {
      {"Goo Spitter", "Affected By Gravity = no\n", true, 1.0f},
      {"Grenadier", "", true, 1.0f},
      {"Mortar", "Affected By Gravity = YES\nIntegrity = 4\n", true, 4.0f},
      // Integrity counts only beside an "Affected By Gravity" key.
      {"Rifle", "Integrity = 4\n", false, 1.0f},
      {"Rifle", "Affected By Gravity = NO\nIntegrity = 2\nFiringHeight = 1.3\n", false, 2.0f},
  };
  for (const Case& c : cases) {
    const TWeaponType& type = Load(Record(c.name, 10, 100, 5, 0, 5, c.extra));
    EXPECT_EQ(type.IsAffectedByGravity(), c.gravity) << c.name << " " << c.extra;
    EXPECT_FLOAT_EQ(type.GetIntegrity(), c.integrity) << c.name << " " << c.extra;
  }
  EXPECT_FLOAT_EQ(list_.At(0)->GetFiringHeight(), 1.3f);
}

TEST_F(WeaponFixture, ListReadsUnitEntriesThenWeaponRecords) {
  const std::string units = "# units\n[Version Info]\nVersion = 1\n[Unit Data]\n" + Record("Grunt", 12, 200, 20, 0, 40) +
                            Record("Grenadier", 10, 100, 60, 2, 8);
  list_.Load(units, "# weapons\n[Weapon Data]\n" + Record("Shrapnel", 4, 150, 10, 0, 0) +
                        Record("Grunt", 1, 1, 1, 0, 1));
  ASSERT_EQ(list_.Count(), 4);
  EXPECT_EQ(list_.WeaponDataCount(), 2);
  EXPECT_EQ(list_.At(0)->GetName(), "Grunt");
  EXPECT_EQ(list_.At(2)->GetName(), "Shrapnel");
  EXPECT_EQ(list_.At(4), nullptr);
  EXPECT_EQ(list_.At(-1), nullptr);
  // The first record of a name wins.
  EXPECT_FLOAT_EQ(list_.Find("Grunt")->GetDamage(), 20.0f);
  EXPECT_EQ(list_.Find("grunt"), nullptr);
  EXPECT_EQ(list_.Find("Laser"), nullptr);

  list_.Load(units, "");
  EXPECT_EQ(list_.Count(), 2);
  EXPECT_EQ(list_.WeaponDataCount(), 0);
}

TEST_F(WeaponFixture, StopKinds) {
  struct Case {
    std::string name;
    bool stoppedByWall;
    bool stoppedByField;
  };
  const std::vector<Case> cases = {
      {"Missile Tank", false, false}, {"Spiker", false, false},   {"Warp Gunner", false, false},
      {"Grenadier", true, false},     {"Goo Spitter", true, false}, {"Grunt", false, true},
  };
  for (const Case& c : cases) {
    const TWeaponType& type = Load(Record(c.name, 10, 100, 5, 0, 5));
    EXPECT_EQ(type.IsTypeKind("wall"), c.stoppedByWall) << c.name;
    EXPECT_EQ(type.IsTypeKind("forceField"), c.stoppedByField) << c.name;
  }
}

// ---------------------------------------------------------------------------
// Ammunition

TEST_F(WeaponFixture, AmmunitionRoundsHalvesUp) {
  TWeapon weapon(Load(Record("Rifle", 10, 100, 5, 0, 10)));
  EXPECT_EQ(weapon.GetAmmunition(), 10);
  EXPECT_TRUE(weapon.IsFull());
  weapon.SetAmmunition(2.4f);
  EXPECT_EQ(weapon.GetAmmunition(), 2);
  weapon.SetAmmunition(2.5f);
  EXPECT_EQ(weapon.GetAmmunition(), 3);
  EXPECT_FALSE(weapon.IsFull());
  weapon.SetAmmunition(40.0f);
  EXPECT_FLOAT_EQ(weapon.GetAmmunitionValue(), 10.0f);
}

TEST_F(WeaponFixture, SpendAmmunitionTable) {
  struct Case {
    float held;
    float amount;
    float result;
    float left;
  };
  const std::vector<Case> cases = {
      {3.0f, 5.0f, 2.0f, 0.0f},  {8.0f, 5.0f, -3.0f, 3.0f}, {5.0f, 5.0f, 0.0f, 0.0f},
      {0.0f, 4.0f, 4.0f, 0.0f},  {2.5f, 0.5f, -2.0f, 2.0f},
  };
  const TWeaponType& type = Load(Record("Rifle", 10, 100, 5, 0, 10));
  for (const Case& c : cases) {
    TWeapon weapon(type);
    weapon.SetAmmunition(c.held);
    EXPECT_FLOAT_EQ(weapon.SpendAmmunition(c.amount), c.result) << c.held << " - " << c.amount;
    EXPECT_FLOAT_EQ(weapon.GetAmmunitionValue(), c.left) << c.held << " - " << c.amount;
  }
}

TEST_F(WeaponFixture, AddAndReloadStayWithinTheMaximum) {
  TWeapon weapon(Load(Record("Rifle", 10, 100, 5, 0, 4)));
  weapon.AddAmmunition(-10);
  EXPECT_FLOAT_EQ(weapon.GetAmmunitionValue(), 0.0f);
  EXPECT_FALSE(weapon.HasAmmunition());
  weapon.ReloadOne();
  EXPECT_FLOAT_EQ(weapon.GetAmmunitionValue(), 1.0f);
  weapon.AddAmmunition(2);
  EXPECT_FLOAT_EQ(weapon.GetAmmunitionValue(), 3.0f);
  weapon.AddAmmunition(9);
  EXPECT_FLOAT_EQ(weapon.GetAmmunitionValue(), 4.0f);
  weapon.ReloadOne();
  EXPECT_FLOAT_EQ(weapon.GetAmmunitionValue(), 4.0f);
  weapon.SetAmmunition(3.5f);
  weapon.ReloadOne();
  EXPECT_FLOAT_EQ(weapon.GetAmmunitionValue(), 4.0f);
}

TEST_F(WeaponFixture, AmmunitionFractionOfAnEmptyMaximumIsZero) {
  TWeapon none(Load(Record("Claw", 0, 0, 5, 0, 0)));
  EXPECT_FLOAT_EQ(none.AmmunitionFraction(), 0.0f);
  TWeapon negative(Load(Record("Odd", 5, 10, 5, 0, -3)));
  EXPECT_FLOAT_EQ(negative.AmmunitionFraction(), 0.0f);
  TWeapon rifle(Load(Record("Rifle", 10, 100, 5, 0, 8)));
  rifle.SetAmmunition(2.0f);
  EXPECT_FLOAT_EQ(rifle.AmmunitionFraction(), 0.25f);
}

TEST_F(WeaponFixture, CanFireTable) {
  struct Case {
    std::string record;
    float held;
    bool ignorePerShot;
    bool canFire;
  };
  const std::vector<Case> cases = {
      // Close combat only: range 0 and some damage, with or without rounds.
      {Record("Claw", 0, 0, 5, 0, 0), 0.0f, false, true},
      // A ranged weapon without a magazine never fires.
      {Record("Dud", 10, 100, 5, 0, 0), 0.0f, true, false},
      // Range 0 and no damage is no close-combat weapon.
      {Record("Nothing", 0, 0, 0, 0, 0), 0.0f, true, false},
      {Record("Psyker", 10, 0, 5, 0, 60, "AmmoPerShot = 10\n"), 9.4f, false, false},
      {Record("Psyker", 10, 0, 5, 0, 60, "AmmoPerShot = 10\n"), 9.5f, false, true},
      {Record("Psyker", 10, 0, 5, 0, 60, "AmmoPerShot = 10\n"), 0.0f, true, true},
  };
  for (const Case& c : cases) {
    TWeapon weapon(Load(c.record));
    weapon.SetAmmunition(c.held);
    EXPECT_EQ(weapon.CanFire(c.ignorePerShot), c.canFire) << c.record << c.held;
  }
}

TEST_F(WeaponFixture, DamageAtTable) {
  struct Case {
    std::string name;
    float range;
    float distance;
    float damage;
  };
  const std::vector<Case> cases = {
      {"Warp Gunner", 10.0f, 5.0f, 2.5f},  {"Warp Gunner", 10.0f, 0.0f, 4.0f},
      {"Warp Gunner", 10.0f, 10.0f, 1.0f},
      // Beyond the range the shot keeps its quarter; a negative distance
      // gives no more than full damage.
      {"Warp Gunner", 10.0f, 30.0f, 1.0f}, {"Warp Gunner", 10.0f, -5.0f, 4.0f},
      // A warp weapon without range does not divide by it.
      {"Warp Gunner", 0.0f, 3.0f, 4.0f},   {"Warp Gunner", 0.00005f, 3.0f, 4.0f},
      {"Grunt", 10.0f, 30.0f, 4.0f},       {"Grunt", 0.0f, 3.0f, 4.0f},
  };
  for (const Case& c : cases) {
    TWeapon weapon(Load(Record(c.name, c.range, 100, 4, 0, 10)));
    const float damage = weapon.DamageAt(c.distance);
    EXPECT_TRUE(std::isfinite(damage));
    EXPECT_FLOAT_EQ(damage, c.damage) << c.name << " range " << c.range << " at " << c.distance;
  }
}

// ---------------------------------------------------------------------------
// Aiming

// A plain restatement of the ballistic search: launch from the muzzle over a
// horizontal distance d toward a target at the muzzle's height, for the angle
// a the shot covers d at t = d / (v cos a) and misses by its height there,
// |v sin a t - 4.9 / 2 t^2|.
double ReferenceMiss(double speed, double distance, double angle) {
  const double horizontal = speed * std::cos(angle);
  if (horizontal <= 0.0) return INFINITY;
  const double t = distance / horizontal;
  return std::fabs(speed * std::sin(angle) * t - 2.45 * t * t);
}

double ReferenceBestAngle(double speed, double distance, bool high) {
  double angle = 0.785;
  double bestMiss = ReferenceMiss(speed, distance, angle);
  double best = NAN;
  for (int i = 0; i < 40; ++i) {
    angle += high ? 0.05 : -0.05;
    const double miss = ReferenceMiss(speed, distance, angle);
    if (miss < bestMiss) {
      bestMiss = miss;
      best = angle;
    }
  }
  return best;
}

TEST_F(WeaponFixture, BallisticSearchPicksTheBestMiss) {
  // Speed 10 per time unit, target 10 away at the muzzle's height: the hits
  // lie at tan a = (10 -+ sqrt(100 - 4 * 2.45^2)) / 4.9, a = 0.2560 and
  // 1.3148. The low search passes 0.285 (miss 0.269) and 0.235 (miss 0.196),
  // so it takes 0.235; the high one passes 1.285 (miss 3.207) and 1.335
  // (miss 3.270) and takes 1.285.
  TWeapon weapon(Load(Record("Grenadier", 10, 100, 50, 2, 8)));
  const TVector3 from(0.0f, 0.0f, 0.0f);
  const TVector3 to(10.11f, 0.0f, 0.75f);

  struct Case {
    bool high;
    float angle;
  };
  for (const Case c : {Case{false, 0.235f}, Case{true, 1.285f}}) {
    EXPECT_NEAR(ReferenceBestAngle(10.0, 10.0, c.high), c.angle, 1e-6);
    TVector3 out;
    weapon.Aim(out, from, to, 0.0f, c.high);
    EXPECT_NEAR(out.x, std::cos(c.angle), 1e-4) << c.high;
    EXPECT_NEAR(out.y, 0.0f, 1e-6) << c.high;
    EXPECT_NEAR(out.z, std::sin(c.angle), 1e-4) << c.high;
  }
  // Golden directions of the two picks.
  TVector3 low;
  weapon.Aim(low, from, to, 0.0f, false);
  EXPECT_NEAR(low.x, 0.97251f, 1e-4);
  EXPECT_NEAR(low.z, 0.23284f, 1e-4);
  TVector3 high;
  weapon.Aim(high, from, to, 0.0f, true);
  EXPECT_NEAR(high.x, 0.28192f, 1e-4);
  EXPECT_NEAR(high.z, 0.95944f, 1e-4);
}

TEST_F(WeaponFixture, BallisticSearchTurnsWithTheHeading) {
  // The same shot toward -y from a firer of radius 0.39: the muzzle stands
  // 0.5 along the heading, so the target 10.5 away lies 10 from it.
  TWeapon weapon(Load(Record("Goo Spitter", 10, 100, 50, 2, 8)));
  TVector3 out;
  weapon.Aim(out, TVector3(3.0f, 4.0f, 0.0f), TVector3(3.0f, -6.5f, 0.75f), 0.39f, false);
  EXPECT_NEAR(out.x, 0.0f, 1e-5);
  EXPECT_NEAR(out.y, -std::cos(0.235f), 1e-4);
  EXPECT_NEAR(out.z, std::sin(0.235f), 1e-4);
}

TEST_F(WeaponFixture, BallisticSearchKeepsTheStraightLineWhenNothingBeatsTheFirstAngle) {
  // Speed 7 per time unit reaches at most 7^2 / 4.9 = 10; a target 11 away
  // is missed by 1.099 at 0.785 and by more at every higher angle (1.281 at
  // 0.835, growing), so the high search keeps the straight line from the
  // muzzle.
  ASSERT_LT(ReferenceMiss(7.0, 11.0, 0.785), ReferenceMiss(7.0, 11.0, 0.835));
  ASSERT_TRUE(std::isnan(ReferenceBestAngle(7.0, 11.0, true)));
  TWeapon weapon(Load(Record("Grenadier", 10, 70, 50, 2, 8)));
  TVector3 out;
  weapon.Aim(out, TVector3(0.0f, 0.0f, 0.0f), TVector3(11.11f, 0.0f, 0.75f), 0.0f, true);
  EXPECT_NEAR(out.x, 1.0f, 1e-5);
  EXPECT_NEAR(out.z, 0.0f, 1e-5);
  // The low search does find a better miss there (0.735: 1.050).
  weapon.Aim(out, TVector3(0.0f, 0.0f, 0.0f), TVector3(11.11f, 0.0f, 0.75f), 0.0f, false);
  EXPECT_NEAR(out.z, std::sin(0.735f), 1e-4);
}

TEST_F(WeaponFixture, StraightShotsGoFromTheMuzzleToTheTarget) {
  TWeapon weapon(Load(Record("Rifle", 12, 200, 20, 0, 40, "FiringHeight = 1.1\n")));
  const TVector3 from(2.0f, 3.0f, 0.0f);
  const TVector3 to(6.0f, 6.0f, 0.5f);
  // The heading is (0.8, 0.6); the muzzle stands radius + 0.11 along it at
  // the firing height.
  const float reach = 0.3f + 0.11f;
  const TVector3 muzzle(2.0f + 0.8f * reach, 3.0f + 0.6f * reach, 1.1f);
  const float dx = to.x - muzzle.x;
  const float dy = to.y - muzzle.y;
  const float dz = to.z - muzzle.z;
  const float length = std::sqrt(dx * dx + dy * dy + dz * dz);
  TVector3 out;
  weapon.Aim(out, from, to, 0.3f, true);
  EXPECT_NEAR(out.x, dx / length, 1e-5);
  EXPECT_NEAR(out.y, dy / length, 1e-5);
  EXPECT_NEAR(out.z, dz / length, 1e-5);
  const TVector3 launch = weapon.LaunchPoint(from, TVector3(4.0f, 3.0f, 9.0f), 0.3f);
  EXPECT_NEAR(launch.x, muzzle.x, 1e-5);
  EXPECT_NEAR(launch.y, muzzle.y, 1e-5);
  EXPECT_FLOAT_EQ(launch.z, 1.1f);
}

TEST(WeaponGeometryTest, ElevateTiltsAHorizontalDirectionUp) {
  for (const float angle : {0.5f, -0.3f, 1.2f}) {
    const TVector3 up = TWeapon::Elevate(TVector3(0.6f, -0.8f, 0.0f), angle);
    EXPECT_NEAR(up.x, 0.6f * std::cos(angle), 1e-6);
    EXPECT_NEAR(up.y, -0.8f * std::cos(angle), 1e-6);
    EXPECT_NEAR(up.z, std::sin(angle), 1e-6);
  }
  const TVector3 flat = TWeapon::Direction(TVector3(1.0f, 1.0f, 5.0f), TVector3(4.0f, 5.0f, -2.0f));
  EXPECT_NEAR(flat.x, 0.6f, 1e-6);
  EXPECT_NEAR(flat.y, 0.8f, 1e-6);
  EXPECT_FLOAT_EQ(flat.z, 0.0f);
}

TEST(WeaponGeometryTest, PointVolumeIsOneTinySphere) {
  TCompoundVolume volume;
  TWeapon::MakePointVolume(volume, TVector3(2.0f, 3.0f, 1.0f));
  ASSERT_EQ(volume.Count(), 1u);
  EXPECT_NEAR(volume.MinDistanceTo(TVector3(2.0f, 3.0f, 1.5f)), 0.49f, 1e-5);
}

// ---------------------------------------------------------------------------
// Firing

TEST_F(WeaponFixture, FireAtPlacesAWeakeningBlast) {
  TShotMakerScope makers;
  struct Case {
    float range;
    float distance;
    float damage;
    float radius;
  };
  const std::vector<Case> cases = {
      {10.0f, 0.0f, 4.0f, 2.0f},  {10.0f, 5.0f, 2.5f, 1.25f}, {10.0f, 10.0f, 1.0f, 0.5f},
      // Beyond the range the blast keeps its quarter, and a weapon without
      // range places it whole.
      {10.0f, 25.0f, 1.0f, 0.5f}, {0.0f, 6.0f, 4.0f, 2.0f},
  };
  for (const Case& c : cases) {
    TWeapon weapon(Load(Record("Warp Gunner", c.range, 300, 4, 2, 10)));
    const TVector3 from(1.0f, 1.0f, 0.0f);
    const TVector3 target(1.0f, 1.0f + c.distance, 0.0f);
    weapon.FireAt(target, from, 3.5f);
    ASSERT_EQ(weapon.HeldShotCount(), 1);
    const TTestShot& blast = Shot(weapon, 0);
    EXPECT_TRUE(blast.explosion);
    EXPECT_FLOAT_EQ(blast.damage, c.damage) << c.range << " at " << c.distance;
    EXPECT_FLOAT_EQ(blast.radius, c.radius) << c.range << " at " << c.distance;
    EXPECT_EQ(blast.flag, 1);
    EXPECT_FLOAT_EQ(blast.time, 3.5f);
    EXPECT_EQ(blast.Position(), target);
  }
}

TEST_F(WeaponFixture, NoAmmunitionNoShot) {
  TShotMakerScope makers;
  TWeapon weapon(Load(Record("Warp Gunner", 10, 300, 4, 2, 10)));
  weapon.SetAmmunition(0.4f);
  weapon.FireAt(TVector3(2.0f, 2.0f, 0.0f), TVector3(), 1.0f);
  weapon.Fire(TVector3(), TVector3(1.0f, 0.0f, 0.0f), 1.0f, 0.4f);
  EXPECT_EQ(weapon.HeldShotCount(), 0);
}

TEST_F(WeaponFixture, FireLaunchesFromTheMuzzle) {
  TShotMakerScope makers;
  TWeapon weapon(Load(Record("Rifle", 12, 200, 20, 0, 40, "FiringHeight = 1.1\n")));
  const TVector3 direction(0.0f, 0.6f, 0.8f);
  weapon.Fire(TVector3(5.0f, 5.0f, 0.0f), direction, 2.0f, 0.39f);
  ASSERT_EQ(weapon.HeldShotCount(), 1);
  const TTestShot& shot = Shot(weapon, 0);
  EXPECT_FALSE(shot.explosion);
  EXPECT_NEAR(shot.Position().x, 5.0f, 1e-6);
  EXPECT_NEAR(shot.Position().y, 5.5f, 1e-6);
  EXPECT_FLOAT_EQ(shot.Position().z, 1.1f);
  EXPECT_EQ(shot.direction, direction);
  // Firing does not spend: the resolver does.
  EXPECT_EQ(weapon.GetAmmunition(), 40);
}

TEST_F(WeaponFixture, AGrenadeWithABlockedMuzzleGoesOffInPlace) {
  TShotMakerScope makers;
  TWeapon weapon(Load(Record("Grenadier", 10, 110, 60, 2.5f, 8, "FiringHeight = 1.2\n")));
  TTestList map;
  // A wall post half a square ahead of the firer, at the muzzle's height.
  map.Add(std::make_unique<TTestShot>(TVector3(5.55f, 5.0f, 1.2f), TVector3(), 0.0f, 0, 0, 0, false));
  weapon.Fire(TVector3(5.0f, 5.0f, 0.0f), TVector3(1.0f, 0.0f, 0.3f), 2.0f, 0.4f, &map);
  ASSERT_EQ(weapon.HeldShotCount(), 1);
  const TTestShot& blast = Shot(weapon, 0);
  EXPECT_TRUE(blast.explosion);
  EXPECT_EQ(blast.Position(), TVector3(5.0f, 5.0f, 1.2f));
  EXPECT_FLOAT_EQ(blast.damage, 60.0f);
  EXPECT_FLOAT_EQ(blast.radius, 2.5f);
  EXPECT_EQ(blast.flag, 0);

  // Fired the other way the muzzle is clear.
  weapon.Fire(TVector3(5.0f, 5.0f, 0.0f), TVector3(-1.0f, 0.0f, 0.3f), 2.0f, 0.4f, &map);
  ASSERT_EQ(weapon.HeldShotCount(), 2);
  EXPECT_FALSE(Shot(weapon, 1).explosion);
}

TEST_F(WeaponFixture, FireAlongLaunchesAPathProjectile) {
  TShotMakerScope makers;
  TWeapon weapon(Load(Record("Rifle", 12, 200, 20, 0, 40)));
  weapon.FireAlong(TVector3(1.0f, 1.0f, 0.0f), 1.0f, 0.39f, {}, {});
  EXPECT_EQ(weapon.HeldShotCount(), 0);
  weapon.FireAlong(TVector3(1.0f, 1.0f, 0.0f), 1.0f, 0.39f, {TVector3(0.0f, 2.0f, 0.0f), TVector3(0.0f, 5.0f, 0.0f)},
                   {1.5f, 2.0f});
  ASSERT_EQ(weapon.HeldShotCount(), 1);
  EXPECT_NEAR(Shot(weapon, 0).Position().y, 1.5f, 1e-6);
  EXPECT_FLOAT_EQ(Shot(weapon, 0).Position().z, 0.75f);
}

TEST_F(WeaponFixture, ReleaseShotsHandsOverTheDueOnes) {
  TShotMakerScope makers;
  TWeapon weapon(Load(Record("Rifle", 12, 200, 20, 0, 40)));
  weapon.Fire(TVector3(), TVector3(1.0f, 0.0f, 0.0f), 1.0f, 0.4f);
  weapon.Fire(TVector3(), TVector3(1.0f, 0.0f, 0.0f), 1.2f, 0.4f);
  weapon.Fire(TVector3(), TVector3(1.0f, 0.0f, 0.0f), 2.0f, 0.4f);
  ASSERT_EQ(weapon.HeldShotCount(), 3);
  const_cast<TTestShot&>(Shot(weapon, 1)).destroyed = true;

  TTestList world;
  TBitSet flags(2);
  flags.Set(1, true);
  TNewObjects out;
  weapon.ReleaseShots(out, 1.5f, &world, &flags);
  ASSERT_EQ(out.size(), 1u);
  const auto& released = static_cast<const TTestShot&>(*out[0]);
  EXPECT_FLOAT_EQ(released.time, 1.0f);
  EXPECT_FLOAT_EQ(released.updatedTo, 1.5f);
  EXPECT_EQ(released.adoptedBy, &world);
  EXPECT_TRUE(released.GetCurrentFlags().Test(1));
  ASSERT_EQ(weapon.HeldShotCount(), 1);
  EXPECT_FLOAT_EQ(Shot(weapon, 0).time, 2.0f);

  weapon.ReleaseShots(out, 2.0f, nullptr);
  EXPECT_EQ(out.size(), 2u);
  EXPECT_EQ(weapon.HeldShotCount(), 0);
}

}  // namespace
