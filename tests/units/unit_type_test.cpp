#include "units/unit_type.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/config_parser.h"
#include "app/string_table.h"
#include "display/colour.h"
#include "support/temp_folder.h"
#include "units/shot_makers.h"
#include "units/unit_shapes.h"
#include "world/game_data.h"
#include "world/object_record.h"
#include "world/volume.h"
#include "world/world_effects.h"

namespace {

const char* const kGrunt =
    "[Grunt]\nDisplay Name = @1\nRace = marn\nCost = 4\nSpeed = 5\nEndurance = 100\nArmour = 3\nSize = 2\n"
    "Aim Time = 0.1\nPrepare Weapon = 0.05\nRest Weapon = 0.07\nAccuracy = 3\nAmmodeath = no\nVision = 14\n"
    "Visibility = 1\nFlying = no\nDeath Explosion Damage = 0\nDeath Explosion Radius = 0\nFood Value = 1\n"
    "Healing Rate = 0\nTracking Range = 0\nSighting Reaction = halt\nCombat Reaction = FireAtWill\n"
    "Target Height = 1.1\nLOS Shape = Sphere | 0,0,0.8 | 0.4\nReaction Time = 0.4\nReaction Range = 12\n"
    "CorpseEndurance = 40\nRecoveryRate = 0\nShieldRate = 0.0001\nReloadRate = 4\nCloakingEffect = 1\n"
    "ResupplyEnergy = YES\n";

class UnitTypeFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    DestroyStringTable();
    folder_.Write("Languages/ENG/Drannoc Data_ENG.cfg", "# names\n[0]\nPrivate\n[1]\nFoot Soldier\n");
    GetStringTable()->SetLanguage("ENG");
  }
  void TearDown() override { DestroyStringTable(); }

  // The list of a "Unit Data" text of the given entries.
  const TUnitTypeList& Load(const std::string& entries) {
    list_.Load("# units\n[Version Info]\nVersion = 1\n[Unit Data]\n" + entries);
    return list_;
  }
  const TUnitType& One(const std::string& entry) {
    Load(entry);
    EXPECT_EQ(list_.Count(), 1);
    return *list_.At(0);
  }

  TTempFolder folder_;
  TUnitTypeList list_;
};

TEST_F(UnitTypeFixture, ReadsAndConvertsAnEntry) {
  const TUnitType& type = One(kGrunt);
  EXPECT_EQ(type.GetName(), "Grunt");
  EXPECT_EQ(type.GetDisplayName(), "Foot Soldier");
  EXPECT_EQ(type.GetRace(), "marn");
  EXPECT_FLOAT_EQ(type.GetCost(), 4.0f);
  EXPECT_FLOAT_EQ(type.GetSpeed(), 0.5f);
  EXPECT_FLOAT_EQ(type.GetEndurance(), 100.0f);
  EXPECT_FLOAT_EQ(type.GetArmour(), 3.0f);
  EXPECT_EQ(type.GetSize(), 2);
  EXPECT_FLOAT_EQ(type.GetAimTime(), 1.0f);
  EXPECT_FLOAT_EQ(type.GetPrepareWeapon(), 0.5f);
  EXPECT_FLOAT_EQ(type.GetRestWeapon(), 0.7f);
  EXPECT_FLOAT_EQ(type.GetPrepareAndRest(), 1.2f);
  EXPECT_FLOAT_EQ(type.GetAccuracy(), 3.0f * 0.0055555557f * 3.1415927f);
  EXPECT_FALSE(type.HasAmmoDeath());
  EXPECT_FLOAT_EQ(type.GetVision(), 14.0f);
  EXPECT_FLOAT_EQ(type.GetFoodValue(), 1.0f);
  EXPECT_EQ(type.GetSightingReaction(), "halt");
  EXPECT_EQ(type.GetCombatReaction(), "FireAtWill");
  EXPECT_FLOAT_EQ(type.GetTargetHeight(), 1.1f);
  EXPECT_EQ(type.GetSightShapeText(), "Sphere | 0,0,0.8 | 0.4");
  EXPECT_FLOAT_EQ(type.GetReactionTime(), 0.4f);
  EXPECT_FLOAT_EQ(type.GetCorpseEndurance(), 40.0f);
  EXPECT_FLOAT_EQ(type.GetReloadRate(), 4.0f);
  EXPECT_TRUE(type.HasResupplyEnergy());
  // Absent: no psychic resistance.
  EXPECT_FLOAT_EQ(type.GetPsychicResistance(), 0.0f);
  // A shield rate of exactly the tolerance is no shield.
  EXPECT_FALSE(type.HasShield());
  EXPECT_FALSE(type.HasRecovery());
  EXPECT_FALSE(type.CanHeal());
}

TEST_F(UnitTypeFixture, ConversionsTable) {
  struct Case {
    std::string lines;
    float speed;
    float aim;
    float accuracy;
    float healing;
  };
  const std::vector<Case> cases = {
      {"Speed = 5\nAim Time = 0.1\nAccuracy = 180\nHealing Rate = 0.3\n", 0.5f, 1.0f, 3.1415927f, 3.0f},
      {"Speed = 0\nAim Time = 0\nAccuracy = 0\nHealing Rate = 0\n", 0.0f, 0.0f, 0.0f, 0.0f},
      // Missing keys leave zeros.
      {"", 0.0f, 0.0f, 0.0f, 0.0f},
  };
  for (const Case& c : cases) {
    const TUnitType& type = One("[Thing]\n" + c.lines);
    EXPECT_FLOAT_EQ(type.GetSpeed(), c.speed) << c.lines;
    EXPECT_FLOAT_EQ(type.GetAimTime(), c.aim) << c.lines;
    EXPECT_FLOAT_EQ(type.GetAccuracy(), c.accuracy) << c.lines;
    EXPECT_FLOAT_EQ(type.GetHealingRate(), c.healing) << c.lines;
    EXPECT_EQ(type.CanHeal(), c.healing > 0.0f) << c.lines;
  }
}

TEST_F(UnitTypeFixture, KindTests) {
  struct Case {
    std::string name;
    std::string race;
    bool headquarters;
    bool scanner;
  };
  const std::vector<Case> cases = {
      {"Queen", "spwn", true, false},       {"Marine HQ", "marn", true, false},
      {"Mech HQ", "mech", true, false},     {"Regenerator", "grey", true, false},
      {"Scanner", "grey", false, true},     {"Warp Gunner", "grey", false, true},
      {"Psyker", "grey", false, true},      {"Grunt", "marn", false, false},
      {"queen", "spwn", false, false},
  };
  for (const Case& c : cases) {
    const TUnitType& type = One("[" + c.name + "]\nRace = " + c.race + "\n");
    EXPECT_EQ(type.IsHeadquartersType(), c.headquarters) << c.name;
    EXPECT_EQ(type.IsScannerType(), c.scanner) << c.name;
    EXPECT_EQ(type.IsGreyRace(), c.race == "grey") << c.name;
    EXPECT_EQ(type.IsSpawnRace(), c.race == "spwn") << c.name;
    EXPECT_EQ(type.IsQueenType(), c.name == "Queen") << c.name;
    EXPECT_EQ(type.IsWarpGunnerType(), c.name == "Warp Gunner") << c.name;
    EXPECT_EQ(type.IsPsykerType(), c.name == "Psyker") << c.name;
    // Race colours: one shared tint for the brood, one for the rest.
    EXPECT_EQ(&type.GetRaceColour(), c.race == "spwn" ? &GetSpawnRaceColour() : &GetOtherRaceColour());
  }
  EXPECT_TRUE(One("[Splatter]\n").IsSplatterType());
  EXPECT_TRUE(One("[Drone]\n").IsDroneType());
}

TEST_F(UnitTypeFixture, RangeFactorTable) {
  struct Case {
    std::string name;
    std::string accuracy;
    float factor;
  };
  const std::vector<Case> cases = {
      {"Grenadier", "3", 10.0f}, {"Goo Spitter", "0", 10.0f}, {"Warp Gunner", "0", 10.0f},
      {"Psyker", "0", 15.0f},    {"Grunt", "0", 0.0f},        {"Grunt", "3", 3.0f},
      {"Grunt", "4.5", 2.0f},
  };
  for (const Case& c : cases) {
    const TUnitType& type = One("[" + c.name + "]\nAccuracy = " + c.accuracy + "\n");
    EXPECT_NEAR(type.GetRangeFactor(), c.factor, 1e-4) << c.name << " " << c.accuracy;
  }
}

TEST_F(UnitTypeFixture, ListLooksUpByExactName) {
  const TUnitTypeList& list = Load("[Grunt]\nCost = 4\n[Queen]\nCost = 10\n[Grunt]\nCost = 9\n");
  ASSERT_EQ(list.Count(), 3);
  EXPECT_FLOAT_EQ(list.Find("Grunt")->GetCost(), 4.0f);
  EXPECT_EQ(list.IndexOf("Queen"), 1);
  EXPECT_EQ(list.IndexOf("Drone"), 0);
  EXPECT_EQ(list.Find("Drone"), nullptr);
  EXPECT_EQ(list.At(3), nullptr);
  EXPECT_EQ(list.At(-1), nullptr);

  list_.Load("# no unit section\n[Weapon Data]\n[Grunt]\n");
  EXPECT_EQ(list_.Count(), 0);
  list_.Load("");
  EXPECT_EQ(list_.Count(), 0);
}

// Records what the death operation makes.
class TRemains : public TGameObject {
 public:
  TRemains(const TVector3& position, std::string kind, float a, float b, int32_t c)
      : TGameObject(position), kind(std::move(kind)), a(a), b(b), c(c) {}
  std::string_view TypeName() const override { return kind; }
  void Update(float) override {}
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override { return nullptr; }
  bool TakeDamage(float) override { return false; }
  bool IsDestroyed() const override { return false; }
  std::string kind;
  float a;
  float b;
  int32_t c;
};

TEST_F(UnitTypeFixture, DeathLeavesACorpseAndTheTypesExplosion) {
  TShotMakers::SetCorpseMaker([](const TVector3& position, const TUnitType& type, int32_t facing, float time,
                                 int32_t owner) -> std::unique_ptr<TGameObject> {
    return std::make_unique<TRemains>(position, "Corpse:" + type.GetName(), time, 0.0f, facing * 10 + owner);
  });
  TWorldEffects::SetExplosionMaker([](const TVector3& position, float damage, float radius, float time,
                                      uint8_t flag) -> std::unique_ptr<TGameObject> {
    return std::make_unique<TRemains>(position, "Explosion", damage, radius, flag + static_cast<int32_t>(time));
  });
  Load("[Splatter]\nDeath Explosion Damage = 90\nDeath Explosion Radius = 2.5\n[Grunt]\n");
  const auto gameData = std::make_unique<TGameData>("", "city", "");
  TRemains unit(TVector3(3.0f, 4.0f, 0.0f), "Combatant", 0, 0, 0);
  TBitSet flags(2);
  flags.Set(0, true);

  TNewObjects out;
  list_.Find("Splatter")->OnDeath(unit, 5, 1, out, *gameData, 7.0f, flags);
  ASSERT_EQ(out.size(), 2u);
  const auto& corpse = static_cast<const TRemains&>(*out[0]);
  EXPECT_EQ(corpse.kind, "Corpse:Splatter");
  EXPECT_EQ(corpse.Position(), TVector3(3.0f, 4.0f, 0.0f));
  EXPECT_EQ(corpse.c, 51);
  EXPECT_FLOAT_EQ(corpse.a, 7.0f);
  EXPECT_TRUE(corpse.GetCurrentFlags().Test(0));
  const auto& blast = static_cast<const TRemains&>(*out[1]);
  EXPECT_EQ(blast.kind, "Explosion");
  EXPECT_EQ(blast.Position(), TVector3(3.0f, 4.0f, 0.5f));
  EXPECT_FLOAT_EQ(blast.a, 90.0f);
  EXPECT_FLOAT_EQ(blast.b, 2.5f);
  EXPECT_EQ(blast.c, 7);  // flag 0 at time 7

  out.clear();
  list_.Find("Grunt")->OnDeath(unit, 0, 0, out, *gameData, 7.0f, flags);
  ASSERT_EQ(out.size(), 1u);
  out.clear();
  list_.Find("Splatter")->OnDestroyedRemains(unit.Position(), out, 8.0f);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(static_cast<const TRemains&>(*out[0]).kind, "Explosion");

  TShotMakers::SetCorpseMaker(nullptr);
  TWorldEffects::SetExplosionMaker(nullptr);
  // Without the simulation's makers nothing is made, and nothing fails.
  out.clear();
  list_.Find("Splatter")->OnDeath(unit, 0, 0, out, *gameData, 7.0f, flags);
  EXPECT_TRUE(out.empty());
}

// ---------------------------------------------------------------------------
// Shapes and visuals

TEST_F(UnitTypeFixture, UnitVolumeFollowsTheShapeText) {
  Load("[Grunt]\nLOS Shape = Sphere | 0,0,0.8 | 0.4 | Box | -0.2,-0.2,0 | 0.2,0.2,1.6\n[Ghost]\n"
       "[Regenerator]\nLOS Shape = Box | -1,-1,0 | 1,1,1\n");
  const TVector3 position(2.0f, 2.0f, 0.0f);
  TCompoundVolume grunt;
  CreateUnitVolume(*list_.Find("Grunt"), grunt, &position);
  ASSERT_EQ(grunt.Count(), 2u);
  EXPECT_NEAR(grunt.MaxGroundRadius(), 0.4f, 1e-5);
  // Added to what is there.
  CreateUnitVolume(*list_.Find("Grunt"), grunt, &position);
  EXPECT_EQ(grunt.Count(), 4u);

  TCompoundVolume ghost;
  CreateUnitVolume(*list_.Find("Ghost"), ghost, &position);
  EXPECT_TRUE(ghost.IsEmpty());
  EXPECT_FLOAT_EQ(ghost.MaxGroundRadius(), 0.0f);

  // Only a Regenerator is made round.
  CreateRegeneratorVolume(*list_.Find("Grunt"), grunt, &position);
  EXPECT_EQ(grunt.Count(), 4u);
  TCompoundVolume regenerator;
  CreateUnitVolume(*list_.Find("Regenerator"), regenerator, &position);
  CreateRegeneratorVolume(*list_.Find("Regenerator"), regenerator, &position);
  ASSERT_EQ(regenerator.Count(), 1u);
  EXPECT_NEAR(regenerator.MinDistanceTo(TVector3(2.0f, 2.0f, 2.2f)), 1.0f, 1e-5);
}

TEST_F(UnitTypeFixture, VisualsComeFromTheRegisteredLibraries) {
  Load("[Queen]\nRace = spwn\n[Grunt]\nRace = marn\n");
  const TVector3 position(1.0f, 2.0f, 0.0f);
  EXPECT_EQ(CreateUnitVisual(*list_.Find("Queen"), position, 0), nullptr);
  EXPECT_EQ(CreatePoseVisual(*list_.Find("Queen"), position), nullptr);

  std::vector<std::string> asked;
  std::vector<const TColour*> tints;
  TUnitVisualMakers::SetLibraryMaker([&](const std::string& category, const std::string& name, const TVector3&,
                                         const TColour& tint, bool hide, int32_t owner) -> TVisual* {
    asked.push_back(category + "/" + name + (hide ? "/hidden" : "") + "/side" + std::to_string(owner));
    tints.push_back(&tint);
    return nullptr;
  });
  TUnitVisualMakers::SetPoseMaker([&](const std::string& name, const TVector3&) -> TVisual* {
    asked.push_back("pose/" + name);
    return nullptr;
  });
  CreateUnitVisual(*list_.Find("Queen"), position, 1);
  CreateDeathVisual(*list_.Find("Grunt"), position, 0);
  CreatePoseVisual(*list_.Find("Grunt"), position);
  CreateDeathPoseVisual(*list_.Find("Grunt"), position);
  TUnitVisualMakers::SetLibraryMaker(nullptr);
  TUnitVisualMakers::SetPoseMaker(nullptr);
  EXPECT_EQ(asked, (std::vector<std::string>{"Visual/Queen/hidden/side1", "Visual/GruntDeath/hidden/side0", "pose/Grunt",
                                             "pose/Grunt Death"}));
  ASSERT_EQ(tints.size(), 2u);
  EXPECT_EQ(tints[0], &GetSpawnRaceColour());
  EXPECT_EQ(tints[1], &GetOtherRaceColour());
}

}  // namespace
