#include "world/game_data.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "app/config_parser.h"
#include "app/text_utils.h"
#include "support/temp_folder.h"

namespace {

const char* const kTwoTypes =
    "# two types\n[Terrain Data]\n[Floor]\nType = ground\n[Wall]\nType = wall\n";
const char* const kOneType = "# one type\n[Terrain Data]\n[Sand]\nType = ground\n";

std::string ShippedCityText() {
  std::ifstream in(std::string(DVX_DATA_DIR) + "/Configs/cityData.cfg", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

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
  const TGameData data("", "city", text);
  EXPECT_TRUE(data.HasTerrain());
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
