#include "units/combatant.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/shield.h"
#include "sim/world_effect.h"
#include "support/temp_folder.h"
#include "units/unit_test_rules.h"
#include "units/unit_visual_state.h"
#include "units/weapon.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/surrogate.h"

namespace {

class CombatantTest : public ::testing::Test {
 protected:
  std::unique_ptr<Combatant> MakeUnit(const std::string& type, const TVector3& position = TVector3(5, 5, 0),
                                      int32_t owner = 0) const {
    return std::make_unique<Combatant>(*data_->FindUnitType(type), data_->FindWeaponType(type), owner, position,
                                       1.5f);
  }

  static std::vector<std::string_view> TypeNames(const TNewObjects& objects) {
    std::vector<std::string_view> names;
    for (const auto& object : objects) names.push_back(object->TypeName());
    return names;
  }

  TTempFolder folder_;
  unit_test::TUnitWorldMakers makers_;
  std::unique_ptr<TGameData> data_ = unit_test::MakeRules();
};

TEST_F(CombatantTest, StartsStandingWithFullHealthAndAWeapon) {
  const auto unit = MakeUnit("Grunt", TVector3(5, 5, 0), 1);
  EXPECT_EQ(unit->TypeName(), "Combatant");
  EXPECT_EQ(unit->SubtypeName(), "Grunt");
  EXPECT_FLOAT_EQ(unit->GetEndurance(), 100.0f);
  EXPECT_EQ(unit->GetFacing(), 0);
  EXPECT_EQ(unit->GetDestination(), TVector3(5, 5, 0));
  EXPECT_TRUE(unit->IsStanding());
  EXPECT_EQ(unit->GetVisualState(), "Stand");
  EXPECT_EQ(unit->GetOwner(), 1);
  EXPECT_TRUE(unit->TestFlag(1));
  EXPECT_FALSE(unit->TestFlag(0));
  ASSERT_NE(unit->GetWeapon(), nullptr);
  EXPECT_TRUE(unit->GetCanFire());
  EXPECT_FLOAT_EQ(unit->GetCreationTime(), 1.5f);
  EXPECT_FLOAT_EQ(unit->GetRadius(), 0.3f);
  EXPECT_FLOAT_EQ(unit->GetVisibility(), 1.0f);
  EXPECT_FLOAT_EQ(unit->GetSightWeight(), 1.0f);
  EXPECT_FLOAT_EQ(unit->GetTrajectory().GetSpeed(), 0.5f);
  EXPECT_FLOAT_EQ(unit->GetVision(), 14.0f);
  EXPECT_TRUE(unit->HasTracking());
  TVector3 aim;
  unit->GetAimPoint(aim);
  EXPECT_EQ(aim, TVector3(5, 5, 1.2f));
  EXPECT_EQ(unit->GetFiringPoint(), TVector3(5, 5, 0.9f));
  EXPECT_FLOAT_EQ(unit->GetWeaponRange(), 10.0f);
}

TEST_F(CombatantTest, ArmourTakesItsShareOfEveryHit) {
  struct TCase {
    float damage;
    float health;
    bool destroyed;
  };
  const TCase cases[] = {
      {3.0f, 100.0f, false},   // exactly the armour: no harm
      {2.0f, 100.0f, false},   // less than the armour
      {13.0f, 90.0f, false},   // the armour is taken off
      {-50.0f, 100.0f, false}, // negative damage heals nothing
      {103.0f, 0.0f, true},    // exactly the health: dead at 0.0
      {500.0f, 0.0f, true},    // never below 0
  };
  for (const TCase& c : cases) {
    const auto unit = MakeUnit("Grunt");
    EXPECT_EQ(unit->TakeDamage(c.damage), c.destroyed) << c.damage;
    EXPECT_FLOAT_EQ(unit->GetEndurance(), c.health) << c.damage;
    EXPECT_EQ(unit->IsDestroyed(), c.destroyed) << c.damage;
  }
}

TEST_F(CombatantTest, HealthStaysWithinZeroAndEndurance) {
  const auto unit = MakeUnit("Grunt");
  unit->AddEndurance(-30.0f);
  EXPECT_FLOAT_EQ(unit->GetEndurance(), 70.0f);
  EXPECT_FLOAT_EQ(unit->GetAnimator().GetDisplayState().healthFraction, 0.7f);
  unit->AddEndurance(500.0f);
  EXPECT_FLOAT_EQ(unit->GetEndurance(), 100.0f);
  EXPECT_FALSE(unit->LoseEndurance(99.0f));
  EXPECT_FLOAT_EQ(unit->GetEndurance(), 1.0f);
  EXPECT_TRUE(unit->LoseEndurance(2.0f));
  EXPECT_FLOAT_EQ(unit->GetEndurance(), 0.0f);
}

TEST_F(CombatantTest, GreyUnitPaysWithItsAmmunitionFirst) {
  const auto unit = MakeUnit("Psyker");
  // The ammunition covers the whole hit: no armour, no health lost.
  EXPECT_FALSE(unit->TakeDamage(12.0f));
  EXPECT_FLOAT_EQ(unit->GetWeapon()->GetAmmunitionValue(), 18.0f);
  EXPECT_FLOAT_EQ(unit->GetEndurance(), 50.0f);
  EXPECT_FLOAT_EQ(unit->GetAnimator().GetDisplayState().weaponFraction, 0.6f);
  EXPECT_TRUE(unit->GetCanFire());
  // What the ammunition cannot cover meets the armour.
  EXPECT_FALSE(unit->TakeDamage(25.0f));
  EXPECT_FLOAT_EQ(unit->GetWeapon()->GetAmmunitionValue(), 0.0f);
  EXPECT_FLOAT_EQ(unit->GetEndurance(), 45.0f);
  EXPECT_FLOAT_EQ(unit->GetAnimator().GetDisplayState().weaponFraction, 0.0f);
  EXPECT_FALSE(unit->GetCanFire());
}

TEST_F(CombatantTest, OtherRacesKeepTheirAmmunitionWhenHit) {
  const auto unit = MakeUnit("Grunt");
  unit->TakeDamage(13.0f);
  EXPECT_FLOAT_EQ(unit->GetWeapon()->GetAmmunitionValue(), 20.0f);
}

TEST_F(CombatantTest, FullValuesOfZeroShowEmptyBars) {
  const auto unit = MakeUnit("Hollow");
  EXPECT_TRUE(unit->IsDestroyed());
  EXPECT_FLOAT_EQ(unit->HealthFraction(), 0.0f);
  unit->AddEndurance(5.0f);
  EXPECT_FLOAT_EQ(unit->GetAnimator().GetDisplayState().healthFraction, 0.0f);
  unit->Update(2.0f);
  EXPECT_FLOAT_EQ(unit->GetAnimator().GetDisplayState().weaponFraction, 0.0f);
  unit->TakeDamage(1.0f);
  EXPECT_FALSE(std::isnan(unit->GetAnimator().GetDisplayState().weaponFraction));
}

TEST_F(CombatantTest, StepsFromOnePointOneWarp) {
  struct TCase {
    float length;
    bool warps;
  };
  const TCase cases[] = {{1.09f, false}, {1.1f, true}, {3.0f, true}};
  for (const TCase& c : cases) {
    const auto unit = MakeUnit("Grunt", TVector3(0, 0, 0));
    unit->MoveToward(TVector3(c.length, 0, 0), 1.0f);
    EXPECT_EQ(unit->IsWarping(), c.warps) << c.length;
    EXPECT_EQ(unit->GetDestination(), TVector3(c.length, 0, 0));
  }
}

TEST_F(CombatantTest, ShortStepWalksAlongItsTrajectory) {
  const auto unit = MakeUnit("Grunt", TVector3(5, 5, 0));
  unit->MoveToward(TVector3(6.09f, 5, 0), 2.0f);
  EXPECT_FALSE(unit->IsWarping());
  EXPECT_EQ(unit->GetFacing(), 2);
  EXPECT_FLOAT_EQ(unit->ArrivalTime(), 2.0f + 1.09f / 0.5f);
  unit->Update(3.0f);
  EXPECT_NEAR(unit->Position().x, 5.5f, 1e-5f);
  EXPECT_EQ(unit->GetDestination(), TVector3(6.09f, 5, 0));
  // The path ends at the destination, however late the update.
  unit->Update(10.0f);
  EXPECT_NEAR(unit->Position().x, 6.09f, 1e-5f);
  EXPECT_NEAR(unit->Position().y, 5.0f, 1e-5f);
}

TEST_F(CombatantTest, StepToOwnPositionChangesNothing) {
  const auto unit = MakeUnit("Grunt");
  unit->MoveToward(TVector3(5.00005f, 5, 0), 2.0f);
  EXPECT_FALSE(unit->IsWarping());
  EXPECT_EQ(unit->GetFacing(), 0);
  EXPECT_FLOAT_EQ(unit->GetTrajectory().GetStartTime(), 0.0f);
}

TEST_F(CombatantTest, LongStepWarpsAndJumpsAtItsHalf) {
  // From the origin the step is exactly 1.1; a start of 0 keeps the warp's
  // time offsets exact.
  const auto unit = MakeUnit("Psyker", TVector3(0, 0, 0));
  const float start = 0.0f;
  unit->MoveToward(TVector3(0, 1.1f, 0), start);
  ASSERT_TRUE(unit->IsWarping());
  EXPECT_FLOAT_EQ(unit->ArrivalTime(), start + 1.0f);

  unit->Update(start + 0.25f);
  EXPECT_FLOAT_EQ(unit->GetAnimator().GetDisplayState().fade, 0.5f);
  EXPECT_FALSE(unit->IsMidWarp());
  unit->Update(start + 0.44f);
  EXPECT_TRUE(unit->IsMidWarp());
  unit->Update(start + 0.5f);
  EXPECT_EQ(unit->Position(), TVector3(0, 0, 0));
  unit->Update(start + 0.5001f);
  EXPECT_EQ(unit->Position(), TVector3(0, 1.1f, 0));
  unit->Update(start + 0.56f);
  EXPECT_TRUE(unit->IsMidWarp());
  unit->Update(start + 0.75f);
  EXPECT_FALSE(unit->IsMidWarp());
  EXPECT_FLOAT_EQ(unit->GetAnimator().GetDisplayState().fade, 0.5f);
  unit->Update(start + 1.01f);
  EXPECT_FALSE(unit->IsWarping());
  EXPECT_FLOAT_EQ(unit->GetTrajectory().GetStartTime(), start + 1.0f);
  EXPECT_EQ(unit->Position(), TVector3(0, 1.1f, 0));
}

TEST_F(CombatantTest, ShortStepEndsARunningWarp) {
  const auto unit = MakeUnit("Psyker");
  unit->MoveToward(TVector3(8, 5, 0), 1.0f);
  unit->Update(1.2f);
  ASSERT_LT(unit->GetAnimator().GetDisplayState().fade, 1.0f);
  unit->MoveToward(TVector3(5.5f, 5, 0), 1.3f);
  EXPECT_FALSE(unit->IsWarping());
  EXPECT_FLOAT_EQ(unit->GetAnimator().GetDisplayState().fade, 1.0f);
}

TEST_F(CombatantTest, FacesTheCompassSectorOfItsStep) {
  struct TCase {
    float dx, dy;
    int32_t sector;
  };
  const TCase cases[] = {{0, 1, 0},  {0.5f, 0.5f, 1},  {1, 0, 2},  {0.5f, -0.5f, 3},
                         {0, -1, 4}, {-0.5f, -0.5f, 5}, {-1, 0, 6}, {-0.5f, 0.5f, 7}};
  for (const TCase& c : cases) {
    const auto unit = MakeUnit("Grunt", TVector3(5, 5, 0));
    unit->MoveToward(TVector3(5 + c.dx, 5 + c.dy, 0), 0.0f);
    EXPECT_EQ(unit->GetFacing(), c.sector) << c.dx << "," << c.dy;
    EXPECT_EQ(unit->GetAnimator().GetDisplayState().facing, c.sector);
    EXPECT_EQ(Combatant::SectorOf(Combatant::SectorDirection(c.sector)), c.sector);
  }
}

TEST_F(CombatantTest, SightReachesVisionTimesVisibilityTimesFactor) {
  const auto watcher = MakeUnit("Grunt", TVector3(0, 0, 0));
  const auto near = MakeUnit("Grunt", TVector3(0, 13.9f, 0), 1);
  const auto grey = MakeUnit("Psyker", TVector3(0, 7.1f, 0), 1);
  const auto same = MakeUnit("Grunt", TVector3(0, 0, 0), 1);
  EXPECT_TRUE(watcher->CanSee(*near, 1.0f));
  EXPECT_FALSE(watcher->CanSee(*near, 0.9f));
  // Visibility 0.5 halves the reach.
  EXPECT_FALSE(watcher->CanSee(*grey, 1.0f));
  // Factor 0 sees only what stands on the unit itself.
  EXPECT_FALSE(watcher->CanSee(*near, 0.0f));
  EXPECT_TRUE(watcher->CanSee(*same, 0.0f));
}

TEST_F(CombatantTest, MovingUnitSeesOnlyAhead) {
  const auto watcher = MakeUnit("Grunt", TVector3(0, 0, 0));
  watcher->MoveToward(TVector3(0, 1, 0), 0.0f);  // facing sector 0 (+y)
  watcher->GetAnimator().SetState("Run", 0.0f);
  ASSERT_FALSE(watcher->IsStanding());
  const float inside = 1.17f;   // radians from +y
  const float outside = 1.19f;
  const auto ahead = MakeUnit("Grunt", TVector3(5 * std::sin(inside), 5 * std::cos(inside), 0), 1);
  const auto aside = MakeUnit("Grunt", TVector3(5 * std::sin(outside), 5 * std::cos(outside), 0), 1);
  const auto behind = MakeUnit("Grunt", TVector3(0, -3, 0), 1);
  EXPECT_TRUE(watcher->CanSee(*ahead, 1.0f));
  EXPECT_FALSE(watcher->CanSee(*aside, 1.0f));
  EXPECT_FALSE(watcher->CanSee(*behind, 1.0f));
  // Standing, it looks all around.
  watcher->ResetToStand();
  EXPECT_TRUE(watcher->CanSee(*behind, 1.0f));
}

// Near the edge of the field of view the answer is the angle's: a sweep
// across the edge, for every facing, agrees with the plain rule (the angle
// between facing and target at most the half field), so no shortcut on the
// cosine moves the edge.
TEST_F(CombatantTest, TheFieldOfViewEdgeIsTheAngleForEveryFacing) {
  const TVector3 origin(20, 20, 0);
  const auto watcher = MakeUnit("Grunt", origin);
  const auto target = MakeUnit("Grunt", origin, 1);
  for (int32_t sector = 0; sector < 8; ++sector) {
    const TVector3 facing = Combatant::SectorDirection(sector);
    watcher->MoveToward(TVector3(origin.x + facing.x * 0.5f, origin.y + facing.y * 0.5f, 0.0f), 0.0f);
    watcher->GetAnimator().SetState("Run", 0.0f);
    ASSERT_EQ(watcher->GetFacing(), sector);
    ASSERT_FALSE(watcher->IsStanding());
    const float heading = std::atan2(facing.x, facing.y);
    int32_t seen = 0;
    for (int32_t step = -2000; step <= 2000; ++step) {
      for (float side : {-1.0f, 1.0f}) {
        const float angle = heading + side * (Combatant::kHalfFieldOfView + static_cast<float>(step) * 1e-5f);
        target->SetPosition(TVector3(origin.x + 5.0f * std::sin(angle), origin.y + 5.0f * std::cos(angle), 0.0f));
        const float dx = target->Position().x - origin.x;
        const float dy = target->Position().y - origin.y;
        const float length = std::sqrt(dx * dx + dy * dy) * std::sqrt(facing.x * facing.x + facing.y * facing.y);
        const float cosine = std::clamp((facing.x * dx + facing.y * dy) / length, -1.0f, 1.0f);
        const bool expected = std::acos(cosine) <= Combatant::kHalfFieldOfView;
        ASSERT_EQ(watcher->CanSee(*target, 1.0f), expected) << "sector " << sector << " step " << step;
        seen += expected ? 1 : 0;
      }
    }
    // The sweep straddles the edge: about half of it lies inside.
    EXPECT_GT(seen, 3000);
    EXPECT_LT(seen, 5000);
  }
}

TEST_F(CombatantTest, TracksWithinWeightTimesRangeTimesFactor) {
  const auto tracker = MakeUnit("Grunt", TVector3(0, 0, 0));
  const auto target = MakeUnit("Grunt", TVector3(4, 0, 0), 1);
  EXPECT_TRUE(tracker->CanTrack(*target, 1.0f));
  EXPECT_FALSE(tracker->CanTrack(*target, 0.99f));
}

TEST_F(CombatantTest, CommitKeepsTheOwnersBit) {
  const auto unit = MakeUnit("Grunt", TVector3(5, 5, 0), 1);
  unit->SetFlag(0, true);
  unit->CommitFlags();
  EXPECT_FALSE(unit->TestFlag(0));
  EXPECT_TRUE(unit->TestFlag(1));
  EXPECT_TRUE(unit->GetPreviousFlags().Test(0));
}

TEST_F(CombatantTest, LivingUnitHandsOverNothing) {
  auto unit = MakeUnit("Grunt");
  TNewObjects newObjects;
  unit->HandleDestroyed(newObjects, *data_, 2.0f);
  unit->EmitEffects(newObjects, *data_, 2.0f);
  EXPECT_TRUE(newObjects.empty());
}

TEST_F(CombatantTest, DeadUnitLeavesSurrogateLinkedToItsCorpse) {
  auto unit = MakeUnit("Grunt", TVector3(5, 5, 0), 1);
  unit->SetId(7);
  unit->SetFlag(0, true);
  ASSERT_TRUE(unit->TakeDamage(200.0f));
  TNewObjects newObjects;
  unit->HandleDestroyed(newObjects, *data_, 3.0f);
  ASSERT_EQ(TypeNames(newObjects), (std::vector<std::string_view>{"Surrogate", "Corpse"}));
  const auto& surrogate = static_cast<const Surrogate&>(*newObjects[0]);
  EXPECT_EQ(surrogate.KeptRecordId(), 7);
  ASSERT_EQ(surrogate.GetLinks().size(), 1u);
  EXPECT_EQ(surrogate.GetLinks()[0]->Resolve(), newObjects[1].get());
  EXPECT_TRUE(newObjects[1]->TestFlag(0));
  EXPECT_TRUE(newObjects[1]->TestFlag(1));
  EXPECT_EQ(newObjects[1]->Position(), TVector3(5, 5, 0));
}

TEST_F(CombatantTest, ExplodingTypeAddsItsDeathExplosion) {
  auto unit = MakeUnit("Bomb Drone", TVector3(2, 3, 0));
  ASSERT_TRUE(unit->TakeDamage(25.0f));
  TNewObjects newObjects;
  unit->HandleDestroyed(newObjects, *data_, 3.0f);
  ASSERT_EQ(TypeNames(newObjects), (std::vector<std::string_view>{"Surrogate", "Corpse", "Explosion"}));
  EXPECT_EQ(newObjects[2]->Position(), TVector3(2, 3, 0.5f));
  // The surrogate links the corpse, which follows it, not the explosion.
  const auto& surrogate = static_cast<const Surrogate&>(*newObjects[0]);
  ASSERT_EQ(surrogate.GetLinks().size(), 1u);
  EXPECT_EQ(surrogate.GetLinks()[0]->Resolve(), newObjects[1].get());
}

TEST_F(CombatantTest, AmmunitionDeathKillsADryUnit) {
  auto unit = MakeUnit("Bomb Drone");
  unit->SpendAmmunition(1.6f);  // 0.4 left rounds to 0
  EXPECT_TRUE(unit->GetCanFire());
  TNewObjects newObjects;
  unit->HandleDestroyed(newObjects, *data_, 2.0f);
  EXPECT_TRUE(unit->IsDestroyed());
  EXPECT_EQ(TypeNames(newObjects), (std::vector<std::string_view>{"Surrogate", "Corpse", "Explosion"}));
}

TEST_F(CombatantTest, SpendingTheLastRoundClearsCanFire) {
  auto unit = MakeUnit("Grunt");
  unit->SpendAmmunition(19.9995f);
  EXPECT_FALSE(unit->GetCanFire());
  unit->SetCanFire(true);
  EXPECT_TRUE(unit->GetCanFire());
  // The update notices an empty weapon as well.
  unit->GetWeapon()->SetAmmunition(0.0f);
  unit->Update(1.0f);
  EXPECT_FALSE(unit->GetCanFire());
}

TEST_F(CombatantTest, RegainingFireRaisesTheShieldOnce) {
  auto unit = MakeUnit("Psyker");
  unit->SetCanFire(true);
  EXPECT_FALSE(unit->IsShieldRaised());
  unit->SetCanFire(false);
  unit->SetCanFire(true);
  EXPECT_TRUE(unit->IsShieldRaised());
  TNewObjects newObjects;
  unit->HandleDestroyed(newObjects, *data_, 2.0f);
  EXPECT_EQ(TypeNames(newObjects), (std::vector<std::string_view>{"Shield"}));
  newObjects.clear();
  unit->HandleDestroyed(newObjects, *data_, 2.1f);
  EXPECT_TRUE(newObjects.empty());
}

TEST_F(CombatantTest, QueenLaysAnEggFromAWholeFood) {
  auto queen = MakeUnit("Queen", TVector3(3, 3, 0), 1);
  queen->AddFood(0.5f);
  EXPECT_FALSE(queen->ConsumeFood());
  queen->AddFood(0.49995f);  // within the tolerance of 1.0
  ASSERT_TRUE(queen->CanLayEgg());
  ASSERT_TRUE(queen->ConsumeFood());
  EXPECT_NEAR(queen->GetFoodStore(), 0.0f, 1e-4f);
  EXPECT_TRUE(queen->IsEggPending());
  TNewObjects newObjects;
  queen->HandleDestroyed(newObjects, *data_, 6.0f);
  ASSERT_EQ(TypeNames(newObjects), (std::vector<std::string_view>{"Egg"}));
  EXPECT_EQ(newObjects[0]->Position(), TVector3(3, 3, 0));
  EXPECT_TRUE(newObjects[0]->TestFlag(1));
  EXPECT_FALSE(queen->IsEggPending());
}

TEST_F(CombatantTest, OnlyQueensLayAndNoEggTypeMeansNoEgg) {
  auto grunt = MakeUnit("Grunt");
  grunt->AddFood(3.0f);
  EXPECT_FALSE(grunt->ConsumeFood());

  const auto rules = unit_test::MakeRules(false);
  auto queen = std::make_unique<Combatant>(*rules->FindUnitType("Queen"), nullptr, 0, TVector3(1, 1, 0), 0.0f);
  queen->AddFood(1.0f);
  ASSERT_TRUE(queen->ConsumeFood());
  TNewObjects newObjects;
  queen->HandleDestroyed(newObjects, *rules, 1.0f);
  EXPECT_TRUE(newObjects.empty());
  EXPECT_FALSE(queen->IsEggPending());
}

TEST_F(CombatantTest, PendingPsychicAttackShowsItsEffect) {
  auto unit = MakeUnit("Psyker", TVector3(4, 4, 0), 1);
  unit->SetPsychicAttack(true);
  TNewObjects newObjects;
  unit->EmitEffects(newObjects, *data_, 2.5f);
  ASSERT_EQ(TypeNames(newObjects), (std::vector<std::string_view>{"Special Effect"}));
  const auto& effect = static_cast<const TSpecialEffectObject&>(*newObjects[0]);
  EXPECT_EQ(effect.Position(), TVector3(4, 4, 0));
  EXPECT_FLOAT_EQ(effect.GetCreationTime(), 2.5f);
  EXPECT_TRUE(effect.TestFlag(1));
}

TEST_F(CombatantTest, WhoCanFire) {
  const auto splatter = std::make_unique<Combatant>(*data_->FindUnitType("Splatter"), nullptr, 0, TVector3(), 0.0f);
  EXPECT_TRUE(splatter->CanFire(false));
  const auto unarmed = std::make_unique<Combatant>(*data_->FindUnitType("Grunt"), nullptr, 0, TVector3(), 0.0f);
  EXPECT_FALSE(unarmed->CanFire(true));
  EXPECT_FALSE(unarmed->GetCanFire());
  EXPECT_FLOAT_EQ(unarmed->GetWeaponRange(), 0.0f);
  EXPECT_EQ(unarmed->GetFiringPoint(), TVector3(0, 0, 0.75f));
  const auto grunt = MakeUnit("Grunt");
  EXPECT_TRUE(grunt->CanFire(false));
  grunt->SpendAmmunition(20.0f);
  EXPECT_FALSE(grunt->CanFire(false));
  EXPECT_TRUE(grunt->CanFire(true));
}

TEST_F(CombatantTest, ResetToStandStopsWhereTheUnitIs) {
  auto unit = MakeUnit("Grunt");
  unit->MoveToward(TVector3(5, 6, 0), 0.0f);
  unit->GetAnimator().SetState("Run", 0.0f);
  unit->SetOrderFlag(true);
  unit->Update(1.0f);
  unit->ResetToStand();
  EXPECT_EQ(unit->GetDestination(), unit->Position());
  EXPECT_TRUE(unit->IsStanding());
  EXPECT_FALSE(unit->GetOrderFlag());
  EXPECT_FLOAT_EQ(unit->GetAnimator().GetDisplayState().animationStart, 0.0f);
}

TEST_F(CombatantTest, SetPositionPlacesTheUnitStanding) {
  auto unit = MakeUnit("Grunt");
  unit->MoveToward(TVector3(5, 6, 0), 0.0f);
  unit->SetPosition(TVector3(9, 9, 0));
  EXPECT_EQ(unit->Position(), TVector3(9, 9, 0));
  EXPECT_EQ(unit->GetDestination(), TVector3(9, 9, 0));
  EXPECT_EQ(unit->GetTrajectory().GetDirection(), TVector3(1, 0, 0));
  // The collision volume follows the unit.
  TVector3 centre;
  unit->GetLofVolume().Centre(centre);
  EXPECT_EQ(centre, TVector3(9, 9, 0.5f));
}

// Units, dumps and eggs have owners; a surrogate of a unit has none.
TEST_F(CombatantTest, OwnersOfUnitsDumpsAndEggsOnly) {
  const auto unit = MakeUnit("Grunt", TVector3(5, 5, 0), 1);
  const AmmoDump dump(TVector3(2, 2, 0), *data_->FindUnitType("Marine HQ"), 2);
  const Egg egg(TVector3(3, 3, 0), *data_->FindUnitType("Egg"), 3, 0.0f);
  const Surrogate surrogate(*unit);
  EXPECT_EQ(OwnerOf(*unit), std::optional<int32_t>(1));
  EXPECT_EQ(OwnerOf(dump), std::optional<int32_t>(2));
  EXPECT_EQ(OwnerOf(egg), std::optional<int32_t>(3));
  EXPECT_EQ(OwnerOf(surrogate), std::nullopt);
}

// A shot needs the weapon's rounds per shot; a unit without a weapon has none.
TEST_F(CombatantTest, RoundsForAShotFollowTheAmmunitionPerShot) {
  const auto unit = MakeUnit("Grunt");
  TWeapon& weapon = *unit->GetWeapon();
  const int32_t perShot = weapon.GetAmmoPerShot();
  ASSERT_GT(perShot, 0);
  for (const int32_t rounds : {0, perShot - 1, perShot, perShot + 1}) {
    weapon.SetAmmunition(static_cast<float>(rounds));
    EXPECT_EQ(unit->HasRoundsForAShot(), rounds >= perShot) << rounds;
    EXPECT_EQ(weapon.HoldsAShot(), rounds >= perShot) << rounds;
  }
}

}  // namespace
