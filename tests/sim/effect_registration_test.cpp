#include "sim/effect_registration.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/corpse.h"
#include "sim/effect_test_support.h"
#include "sim/explosion.h"
#include "sim/goo.h"
#include "sim/projectile.h"
#include "sim/shield.h"
#include "sim/smoke.h"
#include "support/temp_folder.h"
#include "units/shot_makers.h"
#include "world/world_effects.h"

namespace {

class EffectRegistrationTest : public ::testing::Test {
 protected:
  ~EffectRegistrationTest() override {
    TWorldEffects::SetSmokeMaker({});
    TWorldEffects::SetExplosionMaker({});
    TShotMakers::SetProjectileMaker({});
    TShotMakers::SetPathProjectileMaker({});
    TShotMakers::SetCorpseMaker({});
    TShotMakers::SetShotAdopter({});
  }

  // One object of every effect family that the world's lists save.
  void FillList(TObjectList& list) const {
    list.Add(std::make_unique<Smoke>(TVector3(1, 1, 0), 1.0f, 0.8f));
    list.Add(std::make_unique<Explosion>(TVector3(2, 1, 0), 20.0f, 2.0f, 1.0f, true));
    list.Add(std::make_unique<Goo>(TVector3(3, 1, 0), 1.0f));
    auto goo = std::make_unique<GooExplosion>(TVector3(4, 1, 0), 1.0f, 1.0f);
    goo->AddPendingGoo(TVector3(4.5f, 1, 0), 1.2f);
    list.Add(std::move(goo));
    list.Add(std::make_unique<Corpse>(TVector3(5, 1, 0), *data_->FindUnitType("Grunt"), 2, 1.0f, 0));
    list.Add(std::make_unique<Shield>(TVector3(6, 1, 0), 1.0f, 77, &list));
    list.Add(std::make_unique<Projectile>(*data_->FindWeaponType("Grunt"), TVector3(7, 1, 1), TVector3(0, 1, 0),
                                          1.0f));
    auto tailed = std::make_unique<TailedProjectile>(*data_->FindWeaponType("Grenadier"), TVector3(8, 1, 1),
                                                     TVector3(1, 0, 0), 1.0f);
    tailed->AddTail(7, &list);
    list.Add(std::move(tailed));
    for (int32_t i = 0; i < list.Count(); ++i) list.GetAt(i)->SetId(10 + i);
  }

  TTempFolder folder_;
  effect_test::TEffectReaders readers_;
  std::unique_ptr<TGameData> data_ = effect_test::MakeRules();
};

TEST_F(EffectRegistrationTest, RegistersAReaderForEveryEffectFamily) {
  for (std::string_view name : {"Projectile", "TailedProjectile", "Corpse", "Explosion", "Smoke", "Special Effect",
                                "Goo", "GooExplosion", "Shield"}) {
    EXPECT_TRUE(TObjectRecordFactory::Instance().IsRegistered(name)) << name;
  }
}

class EffectListVersionTest : public EffectRegistrationTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(EffectListVersionTest, AListOfEveryFamilySavesLoadsAndSavesAlike) {
  effect_test::TAnyList list;
  FillList(list);
  TDataStream first(GetParam());
  TStringList firstNames;
  ASSERT_TRUE(list.Save(first, firstNames));
  first.Rewind();

  effect_test::TAnyList loaded;
  ASSERT_TRUE(loaded.Load(first, *data_, firstNames));
  EXPECT_EQ(first.Remaining(), 0u);
  ASSERT_EQ(loaded.Count(), list.Count());
  for (int32_t i = 0; i < list.Count(); ++i) {
    EXPECT_EQ(loaded.GetAt(i)->TypeName(), list.GetAt(i)->TypeName());
    EXPECT_EQ(loaded.GetAt(i)->GetId(), list.GetAt(i)->GetId());
    EXPECT_EQ(loaded.GetAt(i)->Position(), list.GetAt(i)->Position());
  }

  TDataStream second(GetParam());
  TStringList secondNames;
  ASSERT_TRUE(loaded.Save(second, secondNames));
  EXPECT_EQ(second.Body(), first.Body());
}

INSTANTIATE_TEST_SUITE_P(Versions, EffectListVersionTest,
                         ::testing::Values("Vorhelm-1-05", "Vorhelm-2-089", "Vorhelm-2-15", "Vorhelm-3-04",
                                           "Vorhelm-3-10"));

TEST_F(EffectRegistrationTest, WorldAndUnitCodeMakeTheSimulationsObjects) {
  RegisterEffectMakers();
  const auto smoke = MakeSmoke(TVector3(1, 1, 0), 2.0f, 0.75f);
  ASSERT_NE(smoke, nullptr);
  EXPECT_EQ(smoke->TypeName(), "Smoke");
  EXPECT_FLOAT_EQ(static_cast<const Smoke&>(*smoke).GetInitialDensity(), 0.75f);

  const auto blast = MakeExplosion(TVector3(), 20.0f, 2.0f, 1.0f, 1);
  ASSERT_NE(blast, nullptr);
  EXPECT_TRUE(static_cast<const Explosion&>(*blast).IsWarp());
  EXPECT_FALSE(static_cast<const Explosion&>(*MakeExplosion(TVector3(), 20.0f, 2.0f, 1.0f, 0)).IsWarp());

  const auto shot = MakeProjectile(*data_->FindWeaponType("Grunt"), TVector3(), TVector3(1, 0, 0), 3.0f);
  ASSERT_NE(shot, nullptr);
  EXPECT_EQ(shot->TypeName(), "Projectile");
  EXPECT_FLOAT_EQ(shot->GetCreationTime(), 3.0f);

  const auto pathShot = MakePathProjectile(*data_->FindWeaponType("Grenadier"), TVector3(), 3.0f,
                                           {TVector3(1, 0, 0)}, {3.5f});
  ASSERT_NE(pathShot, nullptr);
  EXPECT_EQ(static_cast<const Projectile&>(*pathShot).GetPathPoints().size(), 1u);

  const auto corpse = MakeCorpse(TVector3(), *data_->FindUnitType("Grunt"), 5, 3.0f, 1);
  ASSERT_NE(corpse, nullptr);
  EXPECT_EQ(corpse->TypeName(), "Corpse");
  EXPECT_EQ(static_cast<const Corpse&>(*corpse).GetFacing(), 5);

  effect_test::TAnyList list;
  TailedProjectile missile(*data_->FindWeaponType("Grenadier"), TVector3(), TVector3(1, 0, 0), 1.0f);
  missile.AddTail(4, nullptr);
  AdoptShot(missile, list);
  EXPECT_EQ(missile.GetTail()[0]->GetOwner(), &list);
}

}  // namespace
