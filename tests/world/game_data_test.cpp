#include "world/game_data.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/config_parser.h"
#include "app/text_utils.h"
#include "app/string_table.h"
#include "support/temp_folder.h"

namespace {

const char* const kTwoTypes =
    "# two types\n[Terrain Data]\n[Floor]\nType = ground\n[Wall]\nType = wall\n";
const char* const kOneType = "# one type\n[Terrain Data]\n[Sand]\nType = ground\n";

std::string ShippedText(const std::string& relative) {
  std::ifstream in(std::string(DVX_DATA_DIR) + "/" + relative, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ShippedCityText() { return ShippedText("Configs/cityData.cfg"); }

TEST(WorldGameDataTest, TerrainLookUps) {
  TTempFolder folder;
  const TGameData data("", "city", kTwoTypes);
  EXPECT_TRUE(data.HasTerrain());
  EXPECT_EQ(data.GetTerrainSetName(), "city");
  ASSERT_EQ(data.GetTerrainTypeCount(), 2);
  EXPECT_EQ(data.GetTerrainType(1)->GetName(), "Wall");
  EXPECT_EQ(data.GetTerrainType(2), nullptr);
  EXPECT_EQ(data.GetTerrainType(-1), nullptr);
  EXPECT_EQ(data.FindTerrainType("Wall"), data.GetTerrainType(1));
  EXPECT_EQ(data.TerrainTypeIndex("Wall"), 1);
  EXPECT_EQ(data.FindTerrainType("Lava"), nullptr);
  EXPECT_EQ(data.TerrainTypeIndex("Lava"), 0);
  EXPECT_EQ(TGameData::TerrainSetPath("city"), "Configs\\cityData.cfg");
}

TEST(WorldGameDataTest, MissingTerrainIsVisible) {
  TTempFolder folder;
  const TGameData data("", "city", "");
  EXPECT_FALSE(data.HasTerrain());
  EXPECT_EQ(data.GetTerrainTypeCount(), 0);
  EXPECT_EQ(data.GetTerrainType(0), nullptr);
  const std::string log = folder.Read("VorhelmDocs/DVX.log");
  EXPECT_NE(log.find("Error: terrain set \"city\" has no terrain types"), std::string::npos)
      << log;
}

TEST(WorldGameDataTest, MissingTerrainFileIsVisibleAndMayBeRetried) {
  TTempFolder folder;
  TGameData data("", "", "");
  EXPECT_FALSE(data.SetTerrainSet("city"));
  EXPECT_FALSE(data.HasTerrain());
  EXPECT_EQ(data.GetTerrainSetName(), "city");
  const std::string log = folder.Read("VorhelmDocs/DVX.log");
  EXPECT_NE(log.find("Error: cannot read Configs\\cityData.cfg"), std::string::npos) << log;

  // The same name again reads the file, since nothing of the set is loaded.
  folder.Write("Configs/cityData.cfg", kTwoTypes);
  EXPECT_TRUE(data.SetTerrainSet("city"));
  EXPECT_EQ(data.GetTerrainTypeCount(), 2);
}

TEST(WorldGameDataTest, SetTerrainSetReadsTheSetsFile) {
  TTempFolder folder;
  folder.Write("Configs/cityData.cfg", kTwoTypes);
  folder.Write("Configs/desertData.cfg", kOneType);
  TGameData data("", "", "");
  ASSERT_TRUE(data.SetTerrainSet("city"));
  EXPECT_EQ(data.GetTerrainTypeCount(), 2);
  ASSERT_TRUE(data.SetTerrainSet("desert"));
  EXPECT_EQ(data.GetTerrainSetName(), "desert");
  ASSERT_EQ(data.GetTerrainTypeCount(), 1);
  EXPECT_NE(data.FindTerrainType("Sand"), nullptr);
}

TEST(WorldGameDataTest, SetTerrainSetWithTheSameNameDoesNotReload) {
  TTempFolder folder;
  folder.Write("Configs/cityData.cfg", kTwoTypes);
  TGameData data("", "", "");
  ASSERT_TRUE(data.SetTerrainSet("city"));
  folder.Write("Configs/cityData.cfg", kOneType);
  EXPECT_TRUE(data.SetTerrainSet("city"));
  EXPECT_EQ(data.GetTerrainTypeCount(), 2);
  EXPECT_NE(data.FindTerrainType("Wall"), nullptr);
}

TEST(WorldGameDataTest, SetNamesThatAreNoPlainNamesAreRefused) {
  TTempFolder folder;
  folder.Write("secretData.cfg", kOneType);
  TGameData data("", "city", kTwoTypes);
  for (const char* name : {"..\\secret", "../secret", "a/b", "a\\b", "", "C:x"}) {
    EXPECT_FALSE(data.SetTerrainSet(name)) << name;
    EXPECT_EQ(data.GetTerrainSetName(), "city") << name;
    EXPECT_EQ(data.GetTerrainTypeCount(), 2) << name;
  }
  EXPECT_NE(folder.Read("VorhelmDocs/DVX.log").find("refused"), std::string::npos);
}

// ---------------------------------------------------------------------------
// The shipped terrain set "city".

class ShippedCityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.MakeFolder("Configs");
    folder_.Write("Configs/cityData.cfg", ShippedCityText());
    ASSERT_TRUE(data_.SetTerrainSet("city"));
  }

  const TTerrainType& Type(const std::string& name) const {
    const TTerrainType* type = data_.FindTerrainType(name);
    EXPECT_NE(type, nullptr) << name;
    return type != nullptr ? *type : Missing();
  }
  // Stands in for a type that is missing, so that a failure reads as one.
  static const TTerrainType& Missing() {
    static TConfigParser empty("");
    static const TTerrainType missing(empty);
    return missing;
  }
  bool Has(const std::string& name) const { return data_.FindTerrainType(name) != nullptr; }

  TTempFolder folder_;
  TGameData data_{"", "", ""};
};

TEST(WorldGameDataTest, ShippedCitySetParsesWithoutAProblem) {
  TTempFolder folder;
  const std::string text = ShippedCityText();
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text[0], '#');
  const TGameData data(ShippedText("Configs/Drannoc Data.cfg"), "city", text,
                       ShippedText("Configs/Weapons.cfg"));
  EXPECT_TRUE(data.HasTerrain());
  EXPECT_TRUE(data.HasRules());
  EXPECT_TRUE(folder.Read("VorhelmDocs/DVX.log").empty()) << folder.Read("VorhelmDocs/DVX.log");
}

TEST_F(ShippedCityTest, NamedTypesAreThere) {
  for (const char* name :
       {"Floor", "Rubble", "Wall", "Wall_window", "Crate_explosive", "Door", "Opening_Door",
        "Open_Door", "Closing_Door", "mil_door_red_1", "mil_door_green_1_closed",
        "door_control_north", "power_cell_off_1", "power_cell_on_1", "power_control_off_1",
        "power_control_on_1", "conduit_ns", "conduit_ew", "relay_post_off_1", "relay_post_on_1",
        "field_000", "field_001"}) {
    EXPECT_TRUE(Has(name)) << name;
  }
}

TEST_F(ShippedCityTest, KindsAndStrengths) {
  const TTerrainType* floor = data_.FindTerrainType("Floor");
  ASSERT_NE(floor, nullptr);
  EXPECT_TRUE(floor->IsGround());
  EXPECT_EQ(floor->GetDestroyedName(), "none");
  EXPECT_EQ(floor->GetMovement(), kTerrainMovementEmpty);

  const TTerrainType* wall = data_.FindTerrainType("Wall");
  ASSERT_NE(wall, nullptr);
  EXPECT_TRUE(wall->IsWall());
  EXPECT_FLOAT_EQ(wall->GetStrength(), 10.0f);
  EXPECT_EQ(wall->GetDestroyedType(), data_.FindTerrainType("Rubble"));
  EXPECT_EQ(wall->GetMovement(), kTerrainMovementBlocked);
  EXPECT_FALSE(wall->GetSightShapes().empty());
  EXPECT_FALSE(wall->IsWindow());

  EXPECT_TRUE(data_.FindTerrainType("Wall_window")->IsWindow());
  EXPECT_EQ(data_.FindTerrainType("Rubble")->GetMovement(), kTerrainMovementEmpty);

  const TTerrainType* crate = data_.FindTerrainType("Crate_explosive");
  ASSERT_NE(crate, nullptr);
  EXPECT_TRUE(crate->IsObject());
  EXPECT_TRUE(crate->HasExplosion());
  EXPECT_GT(crate->GetExplosionDamage(), 0.0f);
  EXPECT_GT(crate->GetExplosionRadius(), 0.0f);

  for (const char* name : {"field_000", "field_001"}) {
    const TTerrainType* field = data_.FindTerrainType(name);
    ASSERT_NE(field, nullptr) << name;
    EXPECT_EQ(field->GetMaterial(), "forceField") << name;
    EXPECT_TRUE(field->IsObject()) << name;
  }
}

TEST_F(ShippedCityTest, EveryNextDoorAndDestroyedNameExists) {
  for (int32_t i = 0; i < data_.GetTerrainTypeCount(); ++i) {
    const TTerrainType* type = data_.GetTerrainType(i);
    const std::string& destroyed = type->GetDestroyedName();
    EXPECT_FALSE(destroyed.empty()) << type->GetName();
    if (destroyed != "none") {
      EXPECT_NE(type->GetDestroyedType(), nullptr) << type->GetName() << " -> " << destroyed;
    }
    if (!type->GetNextDoor().empty()) {
      EXPECT_TRUE(type->IsDoorState()) << type->GetName();
      EXPECT_TRUE(Has(type->GetNextDoor())) << type->GetName() << " -> " << type->GetNextDoor();
    }
    // Each name once: the rules find types by name.
    EXPECT_EQ(data_.TerrainTypeIndex(type->GetName()), i) << type->GetName();
  }
}

// Every door runs closed, opening, open, closing and back to where it began.
TEST_F(ShippedCityTest, DoorChainsRunThroughTheFourStates) {
  const char* const cycle[] = {"closed", "opening", "open", "closing"};
  int doors = 0;
  for (int32_t i = 0; i < data_.GetTerrainTypeCount(); ++i) {
    const TTerrainType* start = data_.GetTerrainType(i);
    if (!start->IsDoorState()) {
      continue;
    }
    ++doors;
    int at = 0;
    while (start->GetDoorState() != cycle[at]) {
      ++at;
    }
    const TTerrainType* type = start;
    for (int step = 1; step <= 4; ++step) {
      type = data_.FindTerrainType(type->GetNextDoor());
      ASSERT_NE(type, nullptr) << start->GetName();
      EXPECT_EQ(type->GetDoorState(), cycle[(at + step) % 4]) << start->GetName();
    }
    EXPECT_EQ(type, start);
  }
  EXPECT_EQ(doors, 8);
  // The plain door's states carry the prefixes that name them.
  EXPECT_EQ(Type("Door").GetNextDoor(), "Opening_Door");
  EXPECT_EQ(Type("Opening_Door").GetNextDoor(), "Open_Door");
  EXPECT_EQ(Type("Open_Door").GetNextDoor(), "Closing_Door");
  EXPECT_EQ(Type("Closing_Door").GetNextDoor(), "Door");
  EXPECT_EQ(Type("Open_Door").GetMovement(), kTerrainMovementEmpty);
  EXPECT_EQ(Type("Door").GetMovement(), kTerrainMovementBlocked);
}

// The military door and its switch: red turns into green and "_closed" is
// appended; the way back takes both off again.
TEST_F(ShippedCityTest, MilitaryDoorNamesToggle) {
  int redDoors = 0;
  for (int32_t i = 0; i < data_.GetTerrainTypeCount(); ++i) {
    const std::string& name = data_.GetTerrainType(i)->GetName();
    if (!ContainsText(name, "mil_door_red")) {
      continue;
    }
    ++redDoors;
    const std::string green = ReplaceAll(name, "red", "green") + "_closed";
    ASSERT_TRUE(Has(green)) << green;
    std::string back = ReplaceAll(green, "green", "red");
    EXPECT_EQ(ReplaceAll(back, "_closed", ""), name);
    EXPECT_FALSE(Type(name).IsDoorState());
    EXPECT_TRUE(Type(green).IsClosed());
  }
  EXPECT_EQ(redDoors, 1);

  const char* const directions[] = {"North", "East", "South", "West"};
  int switches = 0;
  for (int32_t i = 0; i < data_.GetTerrainTypeCount(); ++i) {
    const TTerrainType* type = data_.GetTerrainType(i);
    if (!ContainsText(type->GetName(), "door_control")) {
      continue;
    }
    ++switches;
    bool known = false;
    for (const char* direction : directions) {
      known = known || type->GetAction() == std::string("ToggleDoor") + direction;
    }
    EXPECT_TRUE(known) << type->GetName() << ": " << type->GetAction();
    EXPECT_NE(type->GetActionOffset(), TVector3()) << type->GetName();
  }
  EXPECT_GE(switches, 1);
}

// Power parts come in "_off_"/"_on_" pairs and end power lines; conduits
// carry them.
TEST_F(ShippedCityTest, PowerPartsPairUpAndConduitsCarry) {
  int parts = 0;
  for (int32_t i = 0; i < data_.GetTerrainTypeCount(); ++i) {
    const TTerrainType* type = data_.GetTerrainType(i);
    const std::string& name = type->GetName();
    const bool isPart = ContainsText(name, "power_cell") || ContainsText(name, "power_control") ||
                        ContainsText(name, "relay_post");
    if (!isPart) {
      continue;
    }
    ++parts;
    EXPECT_FALSE(type->HasPowerConnection()) << name;
    if (ContainsText(name, "_off_")) {
      EXPECT_TRUE(Has(ReplaceAll(name, "_off_", "_on_"))) << name;
    } else {
      ASSERT_TRUE(ContainsText(name, "_on_")) << name;
      EXPECT_TRUE(Has(ReplaceAll(name, "_on_", "_off_"))) << name;
    }
  }
  EXPECT_EQ(parts, 6);
  EXPECT_EQ(Type("power_control_off_1").GetAction(), "PowerCellOff");
  EXPECT_EQ(Type("power_control_on_1").GetAction(), "PowerCellOn");

  EXPECT_EQ(Type("conduit_ns").PowerExit(0), 0);
  EXPECT_EQ(Type("conduit_ns").PowerExit(2), 2);
  EXPECT_EQ(Type("conduit_ew").PowerExit(1), 1);
  EXPECT_EQ(Type("conduit_ew").PowerExit(3), 3);
  EXPECT_EQ(Type("conduit_cross").PowerExit(3), 3);
}

}  // namespace

// ---------------------------------------------------------------------------
// Unit and weapon tables.

namespace {

const char* const kUnits =
    "# units\n[Version Info]\nVersion = 2\n[Unit Data]\n"
    "[Grunt]\nRace = marn\nCost = 4\nWeapon Range = 12\nWeapon Speed = 200\nDamage = 20\n"
    "Explosive Radius = 0\nDamage Effect = Bullet\nAmmunition = 40\n"
    "[Queen]\nRace = spwn\nCost = 10\n";
const char* const kWeapons = "# weapons\n[Weapon Data]\n[Shrapnel]\nWeapon Range = 4\nWeapon Speed = 20\n";

}  // namespace

TEST(WorldGameDataTest, UnitAndWeaponLookUps) {
  TTempFolder folder;
  const TGameData data(kUnits, "city", kTwoTypes, kWeapons);
  EXPECT_TRUE(data.HasRules());
  ASSERT_EQ(data.GetUnitTypeCount(), 2);
  EXPECT_EQ(data.GetUnitType(1)->GetName(), "Queen");
  EXPECT_EQ(data.GetUnitType(2), nullptr);
  EXPECT_EQ(data.GetUnitType(-1), nullptr);
  EXPECT_EQ(data.FindUnitType("Queen"), data.GetUnitType(1));
  EXPECT_EQ(data.UnitTypeIndex("Queen"), 1);
  EXPECT_EQ(data.UnitTypeIndex("Drone"), 0);
  EXPECT_EQ(data.FindUnitType("Drone"), nullptr);
  // Every unit entry is also a weapon record; the weapons file adds its own.
  EXPECT_EQ(data.GetWeaponTypeCount(), 3);
  ASSERT_NE(data.FindWeaponType("Grunt"), nullptr);
  EXPECT_EQ(data.FindWeaponType("Grunt")->GetVisualName(), "marnVisual");
  EXPECT_NE(data.FindWeaponType("Shrapnel"), nullptr);
  EXPECT_EQ(data.FindWeaponType("Laser"), nullptr);
}

TEST(WorldGameDataTest, UnitWhoseWeaponIsRefusedIsLeftOut) {
  TTempFolder folder;
  const std::string units = std::string(kUnits) +
                            "[Stalled]\nRace = mech\nCost = 3\nWeapon Range = 10\nWeapon Speed = 0\nDamage = 5\n";
  TGameData data(units, "city", kTwoTypes, kWeapons);
  EXPECT_EQ(data.GetUnitTypeCount(), 2);
  EXPECT_EQ(data.FindUnitType("Stalled"), nullptr);
  EXPECT_NE(folder.Read("VorhelmDocs/DVX.log").find("\"Stalled\" is left out"), std::string::npos);
  // The same holds after the rules are read again.
  data.ReloadRules(units);
  EXPECT_EQ(data.FindUnitType("Stalled"), nullptr);
  EXPECT_NE(data.FindUnitType("Grunt"), nullptr);
}

TEST(WorldGameDataTest, MissingRuleFilesAreVisible) {
  struct Case {
    std::string units;
    std::string terrain;
    std::string weapons;
    std::string logged;
  };
  const std::vector<Case> cases = {
      {"", kTwoTypes, kWeapons, "no unit types"},
      {kUnits, kTwoTypes, "", "no weapon records"},
      {kUnits, "", kWeapons, "has no terrain types"},
  };
  for (const Case& c : cases) {
    TTempFolder folder;
    const TGameData data(c.units, "city", c.terrain, c.weapons);
    EXPECT_FALSE(data.HasRules()) << c.logged;
    const std::string log = folder.Read("VorhelmDocs/DVX.log");
    EXPECT_NE(log.find("Error: "), std::string::npos) << log;
    EXPECT_NE(log.find(c.logged), std::string::npos) << log;
  }
}

TEST(WorldGameDataTest, ReloadRulesKeepsTheTerrain) {
  TTempFolder folder;
  TGameData data(kUnits, "city", kTwoTypes, kWeapons);
  EXPECT_TRUE(data.ReloadRules("# other\n[Unit Data]\n[Drone]\nRace = spwn\nCost = 1\n"));
  ASSERT_EQ(data.GetUnitTypeCount(), 1);
  EXPECT_NE(data.FindUnitType("Drone"), nullptr);
  EXPECT_EQ(data.FindUnitType("Grunt"), nullptr);
  EXPECT_EQ(data.FindWeaponType("Grunt"), nullptr);
  EXPECT_NE(data.FindWeaponType("Drone"), nullptr);
  // The weapons text stays with the tables.
  EXPECT_NE(data.FindWeaponType("Shrapnel"), nullptr);
  EXPECT_EQ(data.GetTerrainTypeCount(), 2);

  EXPECT_FALSE(data.ReloadRules(""));
  EXPECT_FALSE(data.HasRules());
  EXPECT_EQ(data.GetUnitTypeCount(), 0);
  EXPECT_TRUE(data.ReloadRules(kUnits));
  EXPECT_TRUE(data.HasRules());

  EXPECT_FALSE(data.ReloadWeapons(kUnits, ""));
  EXPECT_EQ(data.FindWeaponType("Shrapnel"), nullptr);
  EXPECT_NE(data.FindWeaponType("Grunt"), nullptr);
  EXPECT_TRUE(data.ReloadWeapons(kUnits, kWeapons));
  EXPECT_TRUE(data.HasRules());
}

// ---------------------------------------------------------------------------
// The shipped data set.

class ShippedRulesTest : public ::testing::Test {
 protected:
  TTempFolder folder_;
  const std::string dataText_ = ShippedText("Configs/Drannoc Data.cfg");
  TGameData data_{dataText_, "city", ShippedCityText(), ShippedText("Configs/Weapons.cfg")};
};

TEST_F(ShippedRulesTest, FilesReadTheSameForEveryReader) {
  for (const char* file : {"Configs/Drannoc Data.cfg", "Configs/Weapons.cfg", "Configs/name.cfg",
                           "Languages/ENG/Drannoc Data_ENG.cfg"}) {
    const std::string text = ShippedText(file);
    ASSERT_FALSE(text.empty()) << file;
    EXPECT_EQ(text[0], '#') << file;
  }
  // The version stands before the unit entries, which run to the end.
  const std::size_t version = dataText_.find("[Version Info]");
  const std::size_t units = dataText_.find("[Unit Data]");
  ASSERT_NE(version, std::string::npos);
  ASSERT_NE(units, std::string::npos);
  EXPECT_LT(version, units);
  TConfigParser parser(dataText_);
  ASSERT_TRUE(parser.SelectSection("Version Info"));
  std::string value;
  EXPECT_TRUE(parser.GetString("Version", value));
  EXPECT_FALSE(value.empty());
}

TEST_F(ShippedRulesTest, RosterOfFourRaces) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> races = {
      {"marn", {"Grunt", "Grenadier", "Marine HQ"}},
      {"mech", {"Missile Tank", "Spiker", "Mech HQ"}},
      {"grey", {"Psyker", "Warp Gunner", "Scanner", "Regenerator"}},
      {"spwn", {"Queen", "Egg", "Splatter", "Goo Spitter", "Drone", "Guardian"}},
  };
  std::set<std::string> named;
  for (const auto& [race, names] : races) {
    for (const std::string& name : names) {
      const TUnitType* type = data_.FindUnitType(name);
      ASSERT_NE(type, nullptr) << name;
      EXPECT_EQ(type->GetRace(), race) << name;
      EXPECT_EQ(data_.GetUnitType(data_.UnitTypeIndex(name)), type) << name;
      named.insert(name);
    }
  }
  EXPECT_EQ(data_.GetUnitTypeCount(), static_cast<int32_t>(named.size()));

  int32_t hatchable = 0;
  for (int32_t i = 0; i < data_.GetUnitTypeCount(); ++i) {
    const TUnitType* type = data_.GetUnitType(i);
    hatchable += type->IsSpawnRace() && type->GetCost() == 1.0f ? 1 : 0;
  }
  EXPECT_GE(hatchable, 1);
  EXPECT_NE(data_.FindUnitType("Egg")->GetCost(), 1.0f);
  EXPECT_TRUE(data_.FindUnitType("Regenerator")->IsHeadquartersType());
  EXPECT_GT(data_.FindUnitType("Splatter")->GetDeathExplosionDamage(), 0.0f);
  EXPECT_GT(data_.FindUnitType("Queen")->GetFoodValue(), 0.0f);
  EXPECT_GT(data_.FindWeaponType("Psyker")->GetAmmoPerShot(), 1);
  EXPECT_TRUE(data_.FindWeaponType("Grenadier")->IsAffectedByGravity());
}

TEST_F(ShippedRulesTest, EveryTypeIsCompleteAndArmedByName) {
  GetStringTable()->SetLanguage("ENG");
  for (int32_t i = 0; i < data_.GetUnitTypeCount(); ++i) {
    const TUnitType* type = data_.GetUnitType(i);
    const TWeaponType* weapon = data_.FindWeaponType(type->GetName());
    ASSERT_NE(weapon, nullptr) << type->GetName();
    EXPECT_EQ(weapon->GetVisualName(), type->GetRace() + "Visual") << type->GetName();
    EXPECT_FALSE(weapon->GetDamageEffect().empty()) << type->GetName();
    EXPECT_FALSE(type->GetSightShapes().empty()) << type->GetName();
    EXPECT_GT(type->GetEndurance(), 0.0f) << type->GetName();
    EXPECT_GT(type->GetCost(), 0.0f) << type->GetName();
  }
  for (int32_t i = 0; i < data_.GetWeaponTypeCount(); ++i) {
    EXPECT_FALSE(data_.GetWeaponTypes().At(i)->GetDamageEffect().empty()) << data_.GetWeaponTypes().At(i)->GetName();
  }
  EXPECT_NE(data_.FindWeaponType("Shrapnel"), nullptr);
}

TEST_F(ShippedRulesTest, DisplayNamesAndUnitNamesExist) {
  folder_.Write("Languages/ENG/Drannoc Data_ENG.cfg", ShippedText("Languages/ENG/Drannoc Data_ENG.cfg"));
  DestroyStringTable();
  GetStringTable()->SetLanguage("ENG");
  const TGameData data(dataText_, "city", ShippedCityText(), ShippedText("Configs/Weapons.cfg"));
  TConfigParser names(ShippedText("Configs/name.cfg"));
  for (int32_t i = 0; i < data.GetUnitTypeCount(); ++i) {
    const TUnitType* type = data.GetUnitType(i);
    EXPECT_FALSE(type->GetDisplayName().empty()) << type->GetName();
    EXPECT_NE(type->GetDisplayName()[0], '@') << type->GetName();
    // Units (not the stores, not the egg) are named from name.cfg.
    const bool placedAsUnit = type->GetSpeed() > 0.0f;
    if (placedAsUnit) {
      EXPECT_TRUE(names.SelectSection(type->GetName())) << type->GetName();
      const std::vector<std::string> candidates = SplitString(names.GetSectionBody(), "|");
      EXPECT_GE(candidates.size(), 4u) << type->GetName();
    }
  }
  DestroyStringTable();
}
