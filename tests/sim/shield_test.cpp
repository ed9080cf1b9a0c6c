#include "sim/shield.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "sim/effect_test_support.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "units/unit_type.h"
#include "units/weapon.h"

namespace {

class ShieldTest : public ::testing::Test {
 protected:
  // A unit of the type in the units list, with the id.
  Combatant* AddUnit(const std::string& type, int32_t id, const TVector3& position, int32_t owner = 1) {
    auto unit = std::make_unique<Combatant>(*data_->FindUnitType(type), data_->FindWeaponType(type), owner,
                                            position, 0.0f);
    unit->SetId(id);
    Combatant* added = unit.get();
    units_.Add(std::move(unit));
    return added;
  }

  // A shield over the unit, looking its owner up in the units list.
  std::unique_ptr<Shield> ShieldOver(const Combatant& unit) {
    auto shield = std::make_unique<Shield>(unit.Position(), 1.0f, unit.GetId(), &units_);
    return shield;
  }

  TTempFolder folder_;
  effect_test::TEffectReaders readers_;
  std::unique_ptr<TGameData> data_ = effect_test::MakeRules();
  effect_test::TAnyList units_;
};

TEST_F(ShieldTest, CoversUpToItsRadiusLessTheMargin) {
  Combatant* unit = AddUnit("Psyker", 1, TVector3(0, 0, 0));
  TShieldList shields;
  shields.Add(ShieldOver(*unit));
  EXPECT_TRUE(shields.AnyCovers(TVector3(2.97f, 0, 0)));
  EXPECT_TRUE(shields.AnyCovers(TVector3(0, -2.97f, 0)));
  EXPECT_FALSE(shields.AnyCovers(TVector3(2.98f, 0, 0)));
  EXPECT_FALSE(shields.AnyCovers(TVector3(0, 0, 2.98f)));
  EXPECT_FLOAT_EQ(shields.GetAt(0)->GetRadius(), 3.0f);
}

TEST_F(ShieldTest, FollowsAndMarksItsOwner) {
  Combatant* unit = AddUnit("Psyker", 1, TVector3(10, 10, 0), 1);
  Shield shield(unit->Position(), 1.0f, *unit);
  EXPECT_TRUE(shield.TestFlag(1));
  EXPECT_FALSE(shield.TestFlag(0));
  EXPECT_FLOAT_EQ(shield.GetAimHeight(), 0.8f);
  TVector3 aim;
  shield.GetAimPoint(aim);
  EXPECT_EQ(aim, TVector3(10, 10, 0.8f));
  unit->SetPosition(TVector3(12, 11, 0));
  shield.Update(2.0f);
  EXPECT_EQ(shield.Position(), TVector3(12, 11, 0));
  EXPECT_EQ(shield.QueryOwner(), 1);
  EXPECT_FALSE(shield.IsDestroyed());
  EXPECT_FLOAT_EQ(shield.GetVisibility(), 0.0f);
  EXPECT_FLOAT_EQ(shield.GetSightWeight(), 0.0f);
  EXPECT_FLOAT_EQ(shield.GetCreationTime(), 1.0f);
}

TEST_F(ShieldTest, CoverFactorIsTheSmallestCloakingEffectBelowOne) {
  Combatant* grunt = AddUnit("Grunt", 1, TVector3(10, 10, 0));
  Combatant* psyker = AddUnit("Psyker", 2, TVector3(11, 10, 0));
  Combatant* scanner = AddUnit("Scanner", 3, TVector3(30, 30, 0));
  TShieldList shields;
  shields.Add(ShieldOver(*grunt));
  shields.Add(ShieldOver(*psyker));
  shields.Add(ShieldOver(*scanner));
  EXPECT_FLOAT_EQ(shields.CoverFactor(TVector3(10.5f, 10, 0)), 0.3f);
  EXPECT_FLOAT_EQ(shields.CoverFactor(TVector3(8, 10, 0)), 0.6f);
  EXPECT_FLOAT_EQ(shields.CoverFactor(TVector3(30, 31, 0)), 1.0f);
  EXPECT_FLOAT_EQ(shields.CoverFactor(TVector3(50, 50, 0)), 1.0f);
}

TEST_F(ShieldTest, OnlyTheFirstCoveringShieldDecidesForTheSecondPoint) {
  Combatant* first = AddUnit("Grunt", 1, TVector3(10, 10, 0));
  Combatant* second = AddUnit("Psyker", 2, TVector3(14, 10, 0));
  TShieldList shields;
  shields.Add(ShieldOver(*first));
  shields.Add(ShieldOver(*second));
  const TVector3 a(12, 10, 0);
  EXPECT_TRUE(shields.FirstCoverAlsoCovers(a, TVector3(9, 10, 0)));
  // Covered only by the later shield.
  EXPECT_FALSE(shields.FirstCoverAlsoCovers(a, TVector3(16, 10, 0)));
  EXPECT_FALSE(shields.FirstCoverAlsoCovers(TVector3(40, 40, 0), TVector3(10, 10, 0)));
}

TEST_F(ShieldTest, DamageDrainsTheOwnersAmmunitionUntilTheShieldFails) {
  Combatant* unit = AddUnit("Psyker", 1, TVector3(10, 10, 0));
  ASSERT_TRUE(unit->GetCanFire());
  Shield shield(unit->Position(), 1.0f, *unit);
  EXPECT_FLOAT_EQ(shield.GetStrength(), 3.0f);
  EXPECT_TRUE(shield.TakeDamage(5.0f));
  EXPECT_FLOAT_EQ(unit->GetWeapon()->GetAmmunitionValue(), 0.0f);
  EXPECT_FALSE(unit->GetCanFire());
  EXPECT_TRUE(shield.IsDestroyed());
  EXPECT_FLOAT_EQ(shield.GetStrength(), 0.0f);
}

TEST_F(ShieldTest, AShieldWithoutItsOwnerIsGone) {
  Combatant* unit = AddUnit("Psyker", 1, TVector3(10, 10, 0));
  const auto shield = ShieldOver(*unit);
  units_.RemoveById(1);
  EXPECT_TRUE(shield->IsDestroyed());
  EXPECT_EQ(shield->QueryOwner(), -1);
  EXPECT_FLOAT_EQ(shield->CoverValue(), 1.0f);
  EXPECT_FLOAT_EQ(shield->GetStrength(), 0.0f);
  EXPECT_TRUE(shield->TakeDamage(1.0f));
}

TEST_F(ShieldTest, TheListRelinksEveryShieldToTheWorld) {
  Combatant* unit = AddUnit("Grunt", 4, TVector3(10, 10, 0));
  TShieldList shields;
  shields.Add(std::make_unique<Shield>(unit->Position(), 1.0f, 4, nullptr));
  auto* shield = static_cast<Shield*>(shields.GetAt(0));
  EXPECT_EQ(shield->QueryOwner(), -1);
  EXPECT_FLOAT_EQ(shield->GetAimHeight(), 0.0f);
  shields.Update(units_);
  EXPECT_EQ(shield->QueryOwner(), 1);
  EXPECT_FLOAT_EQ(shield->GetAimHeight(), 1.2f);
}

TEST_F(ShieldTest, RecordRoundTripFindsItsOwnerAgain) {
  Combatant* unit = AddUnit("Psyker", 6, TVector3(10, 10, 0), 0);
  Shield shield(unit->Position(), 2.5f, *unit);
  shield.SetId(30);
  for (const char* tag : {"Vorhelm-1-05", "Vorhelm-3-10"}) {
    const auto read = effect_test::RoundTrip(*shield.MakeRecord(), tag);
    ASSERT_NE(read, nullptr) << tag;
    EXPECT_EQ(static_cast<const TShieldRecord&>(*read).GetOwnerId(), 6);
    const auto spawned = read->Spawn(*data_, units_);
    ASSERT_NE(spawned, nullptr);
    const auto& rebuilt = static_cast<const Shield&>(*spawned);
    EXPECT_EQ(rebuilt.GetId(), 30);
    EXPECT_FLOAT_EQ(rebuilt.GetStartTime(), 2.5f);
    EXPECT_EQ(rebuilt.QueryOwner(), 0);
    EXPECT_TRUE(rebuilt.TestFlag(0));
    EXPECT_FLOAT_EQ(rebuilt.GetAimHeight(), 0.8f);
  }
}

}  // namespace
