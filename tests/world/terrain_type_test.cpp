#include "world/terrain_type.h"

#include <gtest/gtest.h>

#include <string>

#include "app/config_parser.h"
#include "support/temp_folder.h"
#include "world/volume.h"

namespace {

// A terrain-set text holding one entry of the given name and body.
std::string OneEntry(const std::string& name, const std::string& body) {
  return "# test set\n[Terrain Data]\n[" + name + "]\n" + body;
}

// Keeps the table alive for the type it hands out.
struct LoadedType {
  explicit LoadedType(const std::string& body, const std::string& name = "Sample")
      : table("test", OneEntry(name, body)) {}
  const TTerrainType& Type() const { return *table.At(0); }
  TTerrainTypeTable table;
};

const char* const kFullEntry =
    "  Door Type = closed\n"
    "  Next Door = Opening_Hatch\n"
    "  Strength = 12.5\n"
    "  Destroyed = Rubble\n"
    "  Movement Type = blocked\n"
    "  LOS Shape = Box | 0,0,0.5 | 0.2,1,10\n"
    "  LOF Shape = Sphere | 0,0,1 | 0.25\n"
    "  Window = yes\n"
    "  Explosion Damage = 30\n"
    "  Explosion Radius = 2.5\n"
    "  Type = wall\n"
    "  Action = ToggleDoorNorth\n"
    "  Material = metal\n"
    "  ActionOffset = 0.5,-1,2\n"
    "  PowerConnection = N,S\n"
    "  Height = tall\n";

TEST(TerrainTypeTest, ReadsEveryFieldOfAFullEntry) {
  TTempFolder folder;
  const LoadedType loaded(kFullEntry, "Hatch");
  const TTerrainType& type = loaded.Type();
  EXPECT_EQ(type.GetName(), "Hatch");
  EXPECT_EQ(type.GetDoorState(), "closed");
  EXPECT_EQ(type.GetNextDoor(), "Opening_Hatch");
  EXPECT_EQ(type.GetDoorKey(), "any");
  EXPECT_FLOAT_EQ(type.GetStrength(), 12.5f);
  EXPECT_EQ(type.GetDestroyedName(), "Rubble");
  EXPECT_EQ(type.GetMovement(), kTerrainMovementBlocked);
  EXPECT_EQ(type.GetSightShapeText(), "Box | 0,0,0.5 | 0.2,1,10");
  EXPECT_EQ(type.GetFireShapeText(), "Sphere | 0,0,1 | 0.25");
  EXPECT_TRUE(type.IsWindow());
  EXPECT_TRUE(type.HasExplosion());
  EXPECT_FLOAT_EQ(type.GetExplosionDamage(), 30.0f);
  EXPECT_FLOAT_EQ(type.GetExplosionRadius(), 2.5f);
  EXPECT_EQ(type.TypeWord(), "wall");
  EXPECT_TRUE(type.IsWall());
  EXPECT_EQ(type.GetAction(), "ToggleDoorNorth");
  EXPECT_EQ(type.GetMaterial(), "metal");
  EXPECT_EQ(type.GetActionOffset(), TVector3(0.5f, -1.0f, 2.0f));
  EXPECT_EQ(type.GetPowerConnection(), "N,S");
  EXPECT_TRUE(type.HasPowerConnection());
  EXPECT_TRUE(type.IsDoorState());
  EXPECT_TRUE(type.IsClosed());
  EXPECT_FALSE(type.IsOpen());
  // "Rubble" is not in this table.
  EXPECT_EQ(type.GetDestroyedType(), nullptr);
}

TEST(TerrainTypeTest, EntryWithoutKeysGetsDefaults) {
  const LoadedType loaded("");
  const TTerrainType& type = loaded.Type();
  EXPECT_EQ(type.GetName(), "Sample");
  EXPECT_EQ(type.GetMovement(), kTerrainMovementEmpty);
  EXPECT_EQ(type.GetStrength(), 0.0f);
  EXPECT_EQ(type.GetMaterial(), "normal");
  EXPECT_EQ(type.GetDoorKey(), "any");
  EXPECT_EQ(type.GetActionOffset(), TVector3());
  EXPECT_TRUE(type.GetDoorState().empty());
  EXPECT_TRUE(type.GetDestroyedName().empty());
  EXPECT_TRUE(type.TypeWord().empty());
  EXPECT_FALSE(type.IsDoorState());
  EXPECT_FALSE(type.IsWindow());
  EXPECT_FALSE(type.HasExplosion());
  EXPECT_FALSE(type.HasPowerConnection());
  EXPECT_EQ(type.GetDestroyedType(), nullptr);
  TCompoundVolume fire;
  TCompoundVolume sight;
  type.BuildFireVolume(fire, nullptr);
  type.BuildSightVolume(sight, nullptr);
  EXPECT_TRUE(fire.IsEmpty());
  EXPECT_TRUE(sight.IsEmpty());
}

TEST(TerrainTypeTest, MovementTypeWords) {
  struct Case {
    const char* word;
    int32_t expected;
  };
  const Case cases[] = {
      {"empty", kTerrainMovementEmpty},
      {"blocked", kTerrainMovementBlocked},
      {"flying", kTerrainMovementFlying},
  };
  for (const Case& c : cases) {
    const LoadedType loaded(std::string("Movement Type = ") + c.word + "\n");
    EXPECT_EQ(loaded.Type().GetMovement(), c.expected) << c.word;
  }
}

// A word in another case is none of the three and leaves the value as it was.
TEST(TerrainTypeTest, MovementWordInAnotherCaseDoesNotSetTheValue) {
  const std::string text = "[Terrain Data]\n[Hover]\nMovement Type = blocked\n"
                           "[Other]\nMovement Type = Flying\n";
  TConfigParser parser(text);
  ASSERT_TRUE(parser.SelectSection("Hover"));
  TTerrainType type(parser);
  ASSERT_EQ(type.GetMovement(), kTerrainMovementBlocked);
  ASSERT_TRUE(parser.SelectSection("Other"));
  type.Read(parser);
  EXPECT_EQ(type.GetName(), "Other");
  EXPECT_EQ(type.GetMovement(), kTerrainMovementBlocked);

  const LoadedType fresh("Movement Type = Flying\n");
  EXPECT_EQ(fresh.Type().GetMovement(), kTerrainMovementEmpty);
}

TEST(TerrainTypeTest, KindAndDoorTestsCompareExactly) {
  struct Case {
    const char* body;
    bool ground, wall, object, door, open, closed;
  };
  const Case cases[] = {
      {"Type = ground\n", true, false, false, false, false, false},
      {"Type = wall\n", false, true, false, false, false, false},
      {"Type = object\n", false, false, true, false, false, false},
      {"Type = Ground\n", false, false, false, false, false, false},
      {"Door Type = open\n", false, false, false, true, true, false},
      {"Door Type = opening\n", false, false, false, true, false, false},
      {"Door Type = closed\n", false, false, false, true, false, true},
      {"Door Type = closing\n", false, false, false, true, false, false},
      {"Door Type = Open\n", false, false, false, false, false, false},
      {"Door Type = no\n", false, false, false, false, false, false},
  };
  for (const Case& c : cases) {
    const LoadedType loaded(c.body);
    const TTerrainType& type = loaded.Type();
    EXPECT_EQ(type.IsGround(), c.ground) << c.body;
    EXPECT_EQ(type.IsWall(), c.wall) << c.body;
    EXPECT_EQ(type.IsObject(), c.object) << c.body;
    EXPECT_EQ(type.IsDoorState(), c.door) << c.body;
    EXPECT_EQ(type.IsOpen(), c.open) << c.body;
    EXPECT_EQ(type.IsClosed(), c.closed) << c.body;
    // The key of every type is "any": every door admits every player.
    EXPECT_EQ(type.DoorTypeIs("0"), c.door) << c.body;
    EXPECT_EQ(type.DoorTypeIs("1"), c.door) << c.body;
  }
}

TEST(TerrainTypeTest, ExplosionNeedsDamage) {
  EXPECT_FALSE(LoadedType("Explosion Damage = 0\nExplosion Radius = 2\n").Type().HasExplosion());
  EXPECT_TRUE(LoadedType("Explosion Damage = 5\n").Type().HasExplosion());
  EXPECT_TRUE(LoadedType("Explosion Damage = -1\n").Type().HasExplosion());
}

TEST(TerrainTypeTest, ActionOffsetTakesTwoOrThreeNumbers) {
  EXPECT_EQ(LoadedType("ActionOffset = 1,2\n").Type().GetActionOffset(), TVector3(1, 2, 0));
  EXPECT_EQ(LoadedType("ActionOffset = 1, 2, 3\n").Type().GetActionOffset(), TVector3(1, 2, 3));
  EXPECT_EQ(LoadedType("ActionOffset =\n").Type().GetActionOffset(), TVector3());
}

TEST(TerrainTypeTest, PowerExit) {
  struct Case {
    const char* connection;
    int32_t direction;
    int32_t expected;
  };
  const Case cases[] = {
      // Travelling north enters by "S" and leaves by "N", and the other way.
      {"N,S", 0, 0},
      {"N,S", 2, 2},
      {"S,N", 0, 0},
      {"E,W", 1, 1},
      {"E,W", 3, 3},
      // A corner turns: travelling south enters by "N" and leaves by "E".
      {"N,E", 2, 1},
      {"N,E", 3, 0},
      {" N , S ", 2, 2},
      // A junction passes power straight on.
      {"N,E,S,W", 0, 0},
      {"N,E,S,W", 1, 1},
      {"W,S,E,N", 3, 3},
      {"N", 0, -1},
      {"N,E,S", 0, -1},
      {"N,X", 0, -1},
      {"n,s", 0, -1},
      {"N,S", 4, -1},
      {"N,S", -1, -1},
  };
  for (const Case& c : cases) {
    const LoadedType loaded(std::string("PowerConnection = ") + c.connection + "\n");
    EXPECT_EQ(loaded.Type().PowerExit(c.direction), c.expected)
        << c.connection << " travelling " << c.direction;
  }
  EXPECT_EQ(LoadedType("").Type().PowerExit(0), -1);
}

TEST(TerrainTypeTest, BoxIsBuiltFromItsTwoCorners) {
  const std::vector<TTerrainShape> shapes =
      ParseTerrainShapes("Box | 1,2,3 | -1,0,7", "Sample");
  ASSERT_EQ(shapes.size(), 1u);
  EXPECT_EQ(shapes[0].kind, TTerrainShape::Kind::Box);
  EXPECT_EQ(shapes[0].centre, TVector3(0, 1, 5));
  EXPECT_EQ(shapes[0].size, TVector3(2, 2, 4));
}

TEST(TerrainTypeTest, FireVolumeIsSightShapesThenFireShapes) {
  const LoadedType loaded(
      "LOS Shape = Sphere | 0,0,1 | 0.5 | Box | -0.5,-0.5,0 | 0.5,0.5,2\n"
      "LOF Shape = Box | 0,0,0 | 1,2,4\n");
  const TTerrainType& type = loaded.Type();
  TVector3 position(10, 20, 0);
  TCompoundVolume fire;
  type.BuildFireVolume(fire, &position);
  ASSERT_EQ(fire.Count(), 3u);

  const auto* sphere = dynamic_cast<const TSphereVolume*>(fire.At(0));
  ASSERT_NE(sphere, nullptr);
  EXPECT_EQ(sphere->WorldCentre(), TVector3(10, 20, 1));
  EXPECT_FLOAT_EQ(sphere->Radius(), 0.5f);

  const auto* wall = dynamic_cast<const TBoxVolume*>(fire.At(1));
  ASSERT_NE(wall, nullptr);
  EXPECT_EQ(wall->WorldMin(), TVector3(9.5f, 19.5f, 0));
  EXPECT_EQ(wall->WorldMax(), TVector3(10.5f, 20.5f, 2));

  const auto* low = dynamic_cast<const TBoxVolume*>(fire.At(2));
  ASSERT_NE(low, nullptr);
  EXPECT_EQ(low->WorldMin(), TVector3(10, 20, 0));
  EXPECT_EQ(low->WorldMax(), TVector3(11, 22, 4));

  // The volumes follow their owner's position.
  position = TVector3(0, 0, 0);
  EXPECT_EQ(sphere->WorldCentre(), TVector3(0, 0, 1));
  for (std::size_t i = 0; i < fire.Count(); ++i) {
    EXPECT_EQ(fire.At(i)->PositionRef(), &position);
  }
}

TEST(TerrainTypeTest, SightVolumeIsSightShapesOnly) {
  const LoadedType loaded(
      "LOS Shape = Box | -0.5,-0.5,0 | 0.5,0.5,2\n"
      "LOF Shape = Sphere | 0,0,1 | 0.5\n");
  const TVector3 position(3, 4, 0);
  TCompoundVolume sight;
  loaded.Type().BuildSightVolume(sight, &position);
  ASSERT_EQ(sight.Count(), 1u);
  EXPECT_NE(dynamic_cast<const TBoxVolume*>(sight.At(0)), nullptr);

  const LoadedType fireOnly("LOF Shape = Sphere | 0,0,1 | 0.5\n");
  TCompoundVolume none;
  fireOnly.Type().BuildSightVolume(none, &position);
  EXPECT_TRUE(none.IsEmpty());
}

// Faulty shape texts: what is whole is kept, the rest is left out and logged
// with the type's name.
TEST(TerrainTypeTest, FaultyShapeTextsAreLeftOutAndLogged) {
  struct Case {
    const char* text;
    std::size_t shapes;
    const char* logged;
  };
  const Case cases[] = {
      {"Box | 0,0,0", 0, "incomplete Box shape"},
      {"Sphere | 0,0,0", 0, "incomplete Sphere shape"},
      {"Box", 0, "incomplete Box shape"},
      {"Box | 0,0,0 | Sphere | 0,0,1 | 0.5", 1, "incomplete Box shape"},
      {"Cylinder | Box | 0,0,0 | 1,1,1", 1, "unknown shape \"Cylinder\""},
      {"Box | 0,0,0 | 1,1,1 | 2,2,2", 1, "unknown shape \"2,2,2\""},
      {"Sphere | 0,0,0 | -1", 0, "Sphere shape with unusable"},
      {"Sphere | 0,0,0 | nan", 0, "Sphere shape with unusable"},
      {"Box | inf,0,0 | 1,1,1", 0, "Box shape with unusable"},
  };
  for (const Case& c : cases) {
    TTempFolder folder;
    const std::vector<TTerrainShape> shapes = ParseTerrainShapes(c.text, "Broken_wall");
    EXPECT_EQ(shapes.size(), c.shapes) << c.text;
    const std::string log = folder.Read("VorhelmDocs/DVX.log");
    EXPECT_NE(log.find("Broken_wall"), std::string::npos) << c.text << "\n" << log;
    EXPECT_NE(log.find(c.logged), std::string::npos) << c.text << "\n" << log;
  }
}

TEST(TerrainTypeTest, WellFormedShapesLogNothing) {
  TTempFolder folder;
  const std::vector<TTerrainShape> shapes =
      ParseTerrainShapes(" Box | 0,0,0 | 1,1,1 || Sphere | 1,1,1 | 0.5 ", "Good");
  EXPECT_EQ(shapes.size(), 2u);
  EXPECT_TRUE(ParseTerrainShapes("", "Good").empty());
  EXPECT_TRUE(folder.Read("VorhelmDocs/DVX.log").empty());
}

// ---------------------------------------------------------------------------

const char* const kSmallSet =
    "# small set\n"
    "[Other Section]\n"
    "  Strength = 99\n"
    "[Terrain Data]\n"
    "[Floor]\n  Type = ground\n  Destroyed = none\n"
    "[Wall]\n  Type = wall\n  Strength = 10\n  Destroyed = Rubble\n"
    "[Rubble]\n  Type = object\n  Destroyed = Dust\n"
    "[Wall]\n  Type = object\n";

TEST(TerrainTypeTableTest, LoadsTheEntriesAfterTerrainDataInFileOrder) {
  TTempFolder folder;
  const TTerrainTypeTable table("city", kSmallSet);
  EXPECT_EQ(table.GetTerrainSetName(), "city");
  ASSERT_EQ(table.Count(), 4);
  EXPECT_EQ(table.At(0)->GetName(), "Floor");
  EXPECT_EQ(table.At(1)->GetName(), "Wall");
  EXPECT_EQ(table.At(2)->GetName(), "Rubble");
  EXPECT_EQ(table.At(3)->GetName(), "Wall");
  EXPECT_EQ(table.At(4), nullptr);
  EXPECT_EQ(table.At(-1), nullptr);
  // The first of two types with one name is the one found.
  EXPECT_EQ(table.Find("Wall"), table.At(1));
  EXPECT_EQ(table.IndexOf("Wall"), 1);
  EXPECT_EQ(table.IndexOf("Rubble"), 2);
}

TEST(TerrainTypeTableTest, AbsentNamesFindNothingAndIndexZero) {
  const TTerrainTypeTable table("city", kSmallSet);
  EXPECT_EQ(table.Find("Lava"), nullptr);
  EXPECT_EQ(table.IndexOf("Lava"), 0);
  EXPECT_EQ(table.Find("wall"), nullptr);
  EXPECT_EQ(table.Find(""), nullptr);
}

TEST(TerrainTypeTableTest, DestroyedNamesAreLinked) {
  const TTerrainTypeTable table("city", kSmallSet);
  EXPECT_EQ(table.Find("Floor")->GetDestroyedType(), nullptr);
  EXPECT_EQ(table.Find("Wall")->GetDestroyedType(), table.Find("Rubble"));
  // "Dust" names no type: the tile is not replaced.
  EXPECT_EQ(table.Find("Rubble")->GetDestroyedType(), nullptr);
  // No "Destroyed" at all.
  EXPECT_EQ(table.At(3)->GetDestroyedType(), nullptr);
}

TEST(TerrainTypeTableTest, DestroyedCycleIsLinkedAndReported) {
  TTempFolder folder;
  const TTerrainTypeTable table(
      "loop", "[Terrain Data]\n[A]\nDestroyed = B\n[B]\nDestroyed = A\n[C]\nDestroyed = C\n");
  ASSERT_EQ(table.Count(), 3);
  EXPECT_EQ(table.Find("A")->GetDestroyedType(), table.Find("B"));
  EXPECT_EQ(table.Find("B")->GetDestroyedType(), table.Find("A"));
  EXPECT_EQ(table.Find("C")->GetDestroyedType(), table.Find("C"));
  const std::string log = folder.Read("VorhelmDocs/DVX.log");
  EXPECT_NE(log.find("\"A\""), std::string::npos) << log;
  EXPECT_NE(log.find("\"C\""), std::string::npos) << log;
}

TEST(TerrainTypeTableTest, TextWithoutTerrainDataGivesNoTypes) {
  EXPECT_EQ(TTerrainTypeTable("x", "[Unit Data]\n[Grunt]\nType = ground\n").Count(), 0);
  EXPECT_EQ(TTerrainTypeTable("x", "").Count(), 0);
  EXPECT_EQ(TTerrainTypeTable("x", "[Terrain Data]\n").Count(), 0);
}

TEST(TerrainTypeTableTest, SetTerrainSetWithTheSameNameDoesNotReload) {
  TTerrainTypeTable table("city", kSmallSet);
  table.SetTerrainSet("city", "[Terrain Data]\n[Sand]\n");
  EXPECT_EQ(table.Count(), 4);
  EXPECT_NE(table.Find("Wall"), nullptr);

  table.SetTerrainSet("desert", "[Terrain Data]\n[Sand]\n");
  EXPECT_EQ(table.GetTerrainSetName(), "desert");
  ASSERT_EQ(table.Count(), 1);
  EXPECT_EQ(table.At(0)->GetName(), "Sand");
}

TEST(TerrainTypeTableTest, ClearKeepsTheSetNameAndLoadAppends) {
  TTerrainTypeTable table("city", kSmallSet);
  table.Clear();
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(table.GetTerrainSetName(), "city");
  table.Load("[Terrain Data]\n[Sand]\n");
  table.Load("[Terrain Data]\n[Mud]\n");
  ASSERT_EQ(table.Count(), 2);
  EXPECT_EQ(table.At(1)->GetName(), "Mud");
}

}  // namespace
