#include "world/world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/files.h"
#include "app/game_data.h"
#include "app/log.h"
#include "sim/corpse.h"
#include "sim/explosion.h"
#include "sim/goo.h"
#include "sim/projectile.h"
#include "sim/shield.h"
#include "sim/smoke.h"
#include "sim/world_effect.h"
#include "sound/ambient_sound.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/unit_type.h"
#include "world/ammo_dump.h"
#include "world/deploy_tile.h"
#include "world/egg.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/surrogate.h"

namespace {

namespace fs = std::filesystem;

const char* const kOutpost = "Map\\Outpost.map";

bool IsHeadquartersDump(const std::string& typeName) {
  return typeName == "Marine HQ" || typeName == "Mech HQ" || typeName == "Regenerator";
}

// Every test works on a copy of the shipped data set in a folder of its own.
class WorldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(DVX_DATA_DIR, folder_.Path(), fs::copy_options::recursive);
    DestroyGameDataConfig();
  }
  void TearDown() override { DestroyGameDataConfig(); }

  std::string Log() const {
    TTextBuffer text;
    text.Load(GetLogPath());
    return text.Text();
  }

  // What deployment places for a unit type: headquarters as ammunition
  // dumps, everything else as a unit.
  static std::unique_ptr<TGameObject> Deploy(const TWorld& world, const std::string& typeName, int32_t owner,
                                             const TVector3& position) {
    const TGameData& data = world.GetGameData();
    const TUnitType* type = data.FindUnitType(typeName);
    if (type == nullptr) return nullptr;
    if (IsHeadquartersDump(typeName)) return std::make_unique<AmmoDump>(position, *type, owner);
    return std::make_unique<Combatant>(*type, data.FindWeaponType(typeName), owner, position, 0.0f);
  }

  // Hands the object to the world as a step hands over new objects.
  static TGameObject* Place(TWorld& world, std::unique_ptr<TGameObject> object) {
    TGameObject* placed = object.get();
    TNewObjects objects;
    objects.push_back(std::move(object));
    world.AddObjects(objects);
    return placed;
  }

  static Combatant* PlaceUnit(TWorld& world, const std::string& typeName, int32_t owner, const TVector3& position) {
    return AsCombatant(Place(world, Deploy(world, typeName, owner, position)));
  }

  // A world with something in every list but the projectiles.
  static void Populate(TWorld& world) {
    const TGameData& data = world.GetGameData();
    for (int32_t i = 0; i < data.GetUnitTypeCount(); ++i) {
      const std::string name = data.GetUnitType(i)->GetName();
      if (name == "Egg") continue;
      Place(world, Deploy(world, name, i % 2, TVector3(2.0f + static_cast<float>(i), 3.0f, 0.0f)));
    }
    Combatant* victim = PlaceUnit(world, "Grunt", 0, TVector3(5.0f, 8.0f, 0.0f));
    victim->TakeDamage(1.0e6f);
    world.AddNewObjects(1.5f);
    world.RemoveDestroyedAll();
    Place(world, Egg::Lay(data, TVector3(7.0f, 9.0f, 0.0f), 1, 2.0f));
    Place(world, std::make_unique<Smoke>(TVector3(4.0f, 4.0f, 0.0f), 1.0f, 1.0f));
    Place(world, std::make_unique<Goo>(TVector3(6.0f, 6.0f, 0.0f), 1.0f));
    Place(world, std::make_unique<GooExplosion>(TVector3(6.0f, 7.0f, 0.0f), 2.0f, 1.0f));
    Place(world, std::make_unique<Explosion>(TVector3(8.0f, 6.0f, 0.0f), 20.0f, 2.0f, 1.0f, false));
    Place(world, std::make_unique<DeployTile>(TVector3(1.0f, 1.0f, 0.0f), 0));
    Combatant* shielded = PlaceUnit(world, "Grunt", 1, TVector3(9.0f, 9.0f, 0.0f));
    Place(world, std::make_unique<Shield>(shielded->Position(), 1.0f, *shielded));
  }

  static std::vector<uint8_t> SaveBytes(const TWorld& world, const std::string& tag) {
    TDataStream stream(tag);
    EXPECT_TRUE(world.Save(stream));
    return stream.Body();
  }

  static std::vector<int32_t> ListCounts(const TWorld& world) {
    std::vector<int32_t> counts;
    for (int32_t i = 0; i < TWorld::GetListCount(); ++i) counts.push_back(world.GetList(i)->Count());
    return counts;
  }

  TTempFolder folder_;
};

// --- lists --------------------------------------------------------------------------

TEST_F(WorldTest, ListsStandInTheirSavedOrder) {
  const TWorld world;
  const char* const names[] = {"Combatant", "Projectile", "Corpse", "MapTile",      "Explosion", "Smoke", "Surrogate",
                               "AmmoDump",  "Goo",        "GooExplosion", "Egg", "DeployTile", "Shield"};
  ASSERT_EQ(TWorld::GetListCount(), 13);
  for (int32_t i = 0; i < TWorld::GetListCount(); ++i) EXPECT_EQ(world.GetList(i)->ElementTypeName(), names[i]) << i;
  EXPECT_EQ(world.GetList(13), nullptr);
  EXPECT_EQ(world.GetList(-1), nullptr);
  EXPECT_EQ(world.ElementTypeName(), "Everything");
  EXPECT_EQ(static_cast<TObjectList*>(&world.GetMap()), world.GetList(TWorld::kMapList));
  EXPECT_EQ(world.GetMap().GetWidth(), TWorld::kEmptyMapWidth);
  EXPECT_EQ(world.GetMap().GetHeight(), TWorld::kEmptyMapHeight);
}

TEST_F(WorldTest, AtRunsOverTheListsInOrder) {
  TWorld world;
  const TUnitType& grunt = *world.GetGameData().FindUnitType("Grunt");
  PlaceUnit(world, "Grunt", 0, TVector3(1.0f, 1.0f, 0.0f));
  PlaceUnit(world, "Grunt", 1, TVector3(2.0f, 1.0f, 0.0f));
  std::vector<TGameObject*> corpses;
  for (int i = 0; i < 3; ++i) {
    corpses.push_back(Place(world, std::make_unique<Corpse>(TVector3(3.0f + i, 1.0f, 0.0f), grunt, 0, 1.0f, 0)));
  }
  ASSERT_EQ(world.Count(), 5);
  EXPECT_EQ(world.At(2), corpses[0]);
  EXPECT_EQ(world.At(4), corpses[2]);
  EXPECT_EQ(world.At(5), nullptr);
  EXPECT_EQ(world.At(-1), nullptr);
  EXPECT_EQ(world.FindById(corpses[1]->GetId()), corpses[1]);
  EXPECT_EQ(world.FindById(12345), nullptr);
}

TEST_F(WorldTest, IdsComeFromTheCounterAndKeptIdsRaiseIt) {
  TWorld world;
  const int32_t next = world.PeekNextId();
  TGameObject* fresh = PlaceUnit(world, "Grunt", 0, TVector3(1.0f, 1.0f, 0.0f));
  EXPECT_EQ(fresh->GetId(), next);

  auto loaded = Deploy(world, "Grunt", 1, TVector3(2.0f, 1.0f, 0.0f));
  loaded->SetId(57);
  TGameObject* kept = Place(world, std::move(loaded));
  EXPECT_EQ(kept->GetId(), 57);
  EXPECT_GE(world.PeekNextId(), 58);
  EXPECT_GE(world.NextId(), 58);
}

TEST_F(WorldTest, ObjectOfNoListIsDroppedAndLogged) {
  TWorld world;
  const int32_t before = world.Count();
  world.Add(std::make_unique<TSpecialEffectObject>(TVector3(1.0f, 1.0f, 0.0f), "Spark", "", 1.0f));
  TNewObjects objects;
  objects.push_back(std::make_unique<TSpecialEffectObject>(TVector3(1.0f, 2.0f, 0.0f), "Spark", "", 1.0f));
  world.AddObjects(objects);
  EXPECT_EQ(world.Count(), before);
  EXPECT_TRUE(objects.empty());
  EXPECT_NE(Log().find("\"Special Effect\" belongs to no list"), std::string::npos);
}

// --- rules and maps -------------------------------------------------------------------

class ShippedMapTest : public WorldTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ShippedMapTest, WorldFromTheShippedDataLoadsTheMap) {
  const TWorld world(GetParam());
  EXPECT_TRUE(world.HasRules());
  EXPECT_GT(world.GetGameData().GetUnitTypeCount(), 0);
  EXPECT_GT(world.GetGameData().GetWeaponTypeCount(), 0);
  EXPECT_GT(world.GetMap().Count(), 0);
  EXPECT_EQ(world.GetMap().GetTerrainSet(), "city");
  EXPECT_EQ(world.Count(), world.GetMap().Count());
}

INSTANTIATE_TEST_SUITE_P(Maps, ShippedMapTest, ::testing::Values("Map\\Outpost.map", "Map\\Foundry.map"));

TEST_F(WorldTest, MapFileThatDoesNotLoadLeavesAnEmptyMap) {
  TWorld world("Map\\Nowhere.map");
  EXPECT_EQ(world.GetMap().Count(), 0);
  EXPECT_EQ(world.GetMap().GetWidth(), TWorld::kEmptyMapWidth);
  EXPECT_FALSE(world.LoadMapFile("Map\\Nowhere.map"));
  EXPECT_TRUE(world.LoadMapFile(kOutpost));
  EXPECT_EQ(world.GetMap().GetWidth(), 30);
}

// Map files hold tiles without ids; in the world every object has its own,
// and units take none of them.
TEST_F(WorldTest, EveryMapLoadGivesTilesTheirOwnIds) {
  enum class ELoad { Constructor, File, KeepView };
  for (const ELoad load : {ELoad::Constructor, ELoad::File, ELoad::KeepView}) {
    SCOPED_TRACE(static_cast<int>(load));
    TWorld world(load == ELoad::Constructor ? kOutpost : "");
    if (load == ELoad::File) {
      ASSERT_TRUE(world.LoadMapFile(kOutpost));
    } else if (load == ELoad::KeepView) {
      ASSERT_TRUE(world.LoadMapFileKeepView(kOutpost));
    }
    const TGameObject* unit = PlaceUnit(world, "Grunt", 0, TVector3(1.0f, 1.0f, 0.0f));
    std::set<int32_t> ids;
    for (int32_t i = 0; i < world.Count(); ++i) {
      const int32_t id = world.At(i)->GetId();
      EXPECT_NE(id, -1);
      EXPECT_LT(id, world.PeekNextId());
      ids.insert(id);
    }
    EXPECT_EQ(static_cast<int32_t>(ids.size()), world.Count());
    EXPECT_EQ(world.FindById(unit->GetId()), unit);
  }
}

class MissingRuleFileTest : public WorldTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(MissingRuleFileTest, WorldWithoutARuleFileSaysSo) {
  fs::remove(folder_.Path(std::string("Configs/") + GetParam()));
  const TWorld world(kOutpost);
  EXPECT_FALSE(world.HasRules());
  EXPECT_NE(Log().find(std::string("Error: rule file Configs\\") + GetParam()), std::string::npos) << Log();
}

INSTANTIATE_TEST_SUITE_P(Files, MissingRuleFileTest,
                         ::testing::Values("Drannoc Data.cfg", "Weapons.cfg", "cityData.cfg"));

TEST_F(WorldTest, ReloadedWeaponsComeFromTheWeaponsFile) {
  TWorld world;
  const int32_t weapons = world.GetGameData().GetWeaponTypeCount();
  EXPECT_TRUE(world.ReloadWeapons());
  EXPECT_EQ(world.GetGameData().GetWeaponTypeCount(), weapons);
  fs::remove(folder_.Path("Configs/Weapons.cfg"));
  EXPECT_FALSE(world.ReloadWeapons());
}

// --- units -----------------------------------------------------------------------------

TEST_F(WorldTest, UnitsOfAllFourRacesArePlacedAndNamed) {
  TWorld world(kOutpost);
  const TGameData& data = world.GetGameData();
  std::set<std::string> races;
  std::set<std::string> dumps;
  for (int32_t i = 0; i < data.GetUnitTypeCount(); ++i) {
    const TUnitType& type = *data.GetUnitType(i);
    if (type.GetName() == "Egg") continue;
    TGameObject* placed =
        Place(world, Deploy(world, type.GetName(), i % 2, TVector3(3.0f + static_cast<float>(i), 5.0f, 0.0f)));
    ASSERT_NE(placed, nullptr) << type.GetName();
    ASSERT_EQ(world.FindById(placed->GetId()), placed);
    races.insert(type.GetRace());
    if (placed->TypeName() == AmmoDump::kTypeName) dumps.insert(type.GetName());
  }
  EXPECT_EQ(races, (std::set<std::string>{"grey", "marn", "mech", "spwn"}));
  EXPECT_EQ(dumps, (std::set<std::string>{"Marine HQ", "Mech HQ", "Regenerator"}));
  EXPECT_EQ(world.GetAmmoDumps().Count(), 3);

  // Each unit took the first name of its section; a second of a type the next.
  struct Expected {
    const char* type;
    const char* name;
  };
  const Expected firsts[] = {{"Grunt", "Abel"},   {"Missile Tank", "Anvil"}, {"Psyker", "Ixa"},
                             {"Queen", "Mother"}, {"Drone", "Scuttle"}, {"Goo Spitter", "Slick"},
                             {"Guardian", "Bulwark"}};
  for (const Expected& expected : firsts) {
    bool found = false;
    for (int32_t i = 0; i < world.GetUnits().Count(); ++i) {
      const Combatant* unit = world.GetUnits().UnitAt(i);
      if (unit->GetType().GetName() != expected.type) continue;
      EXPECT_EQ(unit->GetName(), expected.name);
      found = true;
    }
    EXPECT_TRUE(found) << expected.type;
  }
  EXPECT_EQ(PlaceUnit(world, "Grunt", 0, TVector3(3.0f, 7.0f, 0.0f))->GetName(), "Brody");
  EXPECT_EQ(PlaceUnit(world, "Queen", 1, TVector3(4.0f, 7.0f, 0.0f))->GetName(), "Matriarch");
}

TEST_F(WorldTest, NamesAreCleanedAndTakenInOrder) {
  folder_.Write("Configs/name.cfg",
                "# test names\n[Grunt]\n  Very Long Name Of A Soldier | Bad/Na!me|  | Jos\xE9\xD7 | Abel\n");
  TWorld world;
  const char* const expected[] = {"Very Long Name Of A ", "BadName", "Jos\xE9", "Abel", ""};
  for (const char* name : expected) {
    EXPECT_EQ(PlaceUnit(world, "Grunt", 0, TVector3(1.0f, 1.0f, 0.0f))->GetName(), name);
  }
  // A type without a section stays unnamed; so does every unit without the file.
  EXPECT_EQ(PlaceUnit(world, "Psyker", 0, TVector3(2.0f, 1.0f, 0.0f))->GetName(), "");
  fs::remove(folder_.Path("Configs/name.cfg"));
  EXPECT_EQ(PlaceUnit(world, "Grunt", 1, TVector3(3.0f, 1.0f, 0.0f))->GetName(), "");
}

// Every kind of unit, killed by damage, leaves its surrogate linked to its
// corpse and its death explosion, and scores its cost for the other side.
TEST_F(WorldTest, KilledUnitLeavesItsRemainsAndScores) {
  TWorld world(kOutpost);
  const TGameData& data = world.GetGameData();
  float expectedScore[2] = {0.0f, 0.0f};
  for (int32_t i = 0; i < data.GetUnitTypeCount(); ++i) {
    const TUnitType& type = *data.GetUnitType(i);
    if (type.GetName() == "Egg" || IsHeadquartersDump(type.GetName())) continue;
    SCOPED_TRACE(type.GetName());
    const int32_t owner = i % 2;
    Combatant* unit = PlaceUnit(world, type.GetName(), owner, TVector3(10.0f, 10.0f, 0.0f));
    const int32_t unitId = unit->GetId();
    const int32_t surrogates = world.GetSurrogates().Count();
    const int32_t corpses = world.GetCorpses().Count();
    const int32_t explosions = world.GetExplosions().Count();

    unit->TakeDamage(1.0e6f);
    ASSERT_TRUE(unit->IsDestroyed());
    world.AddNewObjects(3.0f);
    world.RemoveDestroyedAll();

    EXPECT_EQ(world.FindById(unitId), nullptr);
    ASSERT_EQ(world.GetSurrogates().Count(), surrogates + 1);
    ASSERT_EQ(world.GetCorpses().Count(), corpses + 1);
    const auto* surrogate = static_cast<const Surrogate*>(world.GetSurrogates().GetAt(surrogates));
    TGameObject* corpse = world.GetCorpses().GetAt(corpses);
    EXPECT_EQ(surrogate->KeptRecordId(), unitId);
    ASSERT_EQ(surrogate->GetLinks().size(), 1u);
    EXPECT_EQ(surrogate->GetLinks()[0]->Resolve(), corpse);
    EXPECT_NE(corpse->GetId(), -1);
    const bool explodes = type.GetDeathExplosionDamage() > 0.0f;
    EXPECT_EQ(world.GetExplosions().Count(), explosions + (explodes ? 1 : 0));

    expectedScore[1 - owner] += type.GetCost();
    EXPECT_FLOAT_EQ(world.GetScore(1 - owner), expectedScore[1 - owner]);
    EXPECT_FLOAT_EQ(world.GetScore(owner), expectedScore[owner]);
  }
}

TEST_F(WorldTest, ADoorNearAUnitOpensThroughTheWorldStep) {
  TWorld world(kOutpost);
  ASSERT_FALSE(world.GetMap().GetSingleDoors().empty());
  const TTerrainObject* door = world.GetMap().GetSingleDoors().front();
  const TVector3 at = door->Position();
  const std::string closedName = door->GetTypeName();
  PlaceUnit(world, "Grunt", 0, TVector3(at.x + 1.0f, at.y, 0.0f));
  world.Update(1.0f);
  world.AddNewObjects(1.0f);
  world.RemoveDestroyedAll();
  const TTerrainObject* now = world.GetMap().TopObjectAt(at);
  ASSERT_NE(now, nullptr);
  EXPECT_EQ(now->GetTypeName(), world.DoorStateTypeName(closedName, "Opening"));
  EXPECT_NE(now->GetTypeName(), closedName);
}

// Both halves of a double door are queued in the same tick, so both open.
TEST_F(WorldTest, BothHalvesOfADoubleDoorOpen) {
  TWorld world(kOutpost);
  ASSERT_FALSE(world.GetMap().GetDoubleDoors().empty());
  const auto [first, second] = world.GetMap().GetDoubleDoors().front();
  const TVector3 a = first->Position();
  const TVector3 b = second->Position();
  const std::string nameA = first->GetTypeName();
  const std::string nameB = second->GetTypeName();
  PlaceUnit(world, "Grunt", 0, TVector3((a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f, 0.0f));
  world.Update(1.0f);
  world.AddNewObjects(1.0f);
  world.RemoveDestroyedAll();
  EXPECT_EQ(world.GetMap().TopObjectAt(a)->GetTypeName(), world.DoorStateTypeName(nameA, "Opening"));
  EXPECT_EQ(world.GetMap().TopObjectAt(b)->GetTypeName(), world.DoorStateTypeName(nameB, "Opening"));
}

// --- snapshots, save and load ------------------------------------------------------

TEST_F(WorldTest, SnapshotRestoreBringsBackObjectsAndIds) {
  TWorld world(kOutpost);
  Populate(world);
  world.TakeSnapshot();
  const std::vector<int32_t> counts = ListCounts(world);
  const int32_t next = world.PeekNextId();
  const float score = world.GetScore(1);
  const std::vector<uint8_t> bytes = SaveBytes(world, "Vorhelm-3-10");

  PlaceUnit(world, "Grunt", 0, TVector3(12.0f, 12.0f, 0.0f))->TakeDamage(1.0e6f);
  world.AddNewObjects(4.0f);
  world.RemoveDestroyedAll();
  ASSERT_NE(world.PeekNextId(), next);

  EXPECT_TRUE(world.RestoreSnapshot());
  EXPECT_EQ(ListCounts(world), counts);
  EXPECT_EQ(world.PeekNextId(), next);
  EXPECT_FLOAT_EQ(world.GetScore(1), score);
  EXPECT_EQ(SaveBytes(world, "Vorhelm-3-10"), bytes);
}

TEST_F(WorldTest, SaveLoadAt310SavesAgainToIdenticalBytes) {
  TWorld world(kOutpost);
  Populate(world);
  const std::vector<uint8_t> first = SaveBytes(world, "Vorhelm-3-10");

  TWorld loaded;
  TDataStream stream("Vorhelm-3-10");
  stream.Body() = first;
  ASSERT_TRUE(loaded.Load(stream));
  EXPECT_EQ(stream.Remaining(), 0u);
  // Streams after 2.03 hold no deployment squares.
  std::vector<int32_t> expected = ListCounts(world);
  expected[TWorld::kDeployTileList] = 0;
  EXPECT_EQ(ListCounts(loaded), expected);
  EXPECT_EQ(loaded.PeekNextId(), world.PeekNextId());
  EXPECT_FLOAT_EQ(loaded.GetScore(0), world.GetScore(0));
  EXPECT_FLOAT_EQ(loaded.GetScore(1), world.GetScore(1));
  EXPECT_EQ(SaveBytes(loaded, "Vorhelm-3-10"), first);

  // The surrogate finds its corpse in the loaded world.
  const auto* surrogate = static_cast<const Surrogate*>(loaded.GetSurrogates().GetAt(0));
  ASSERT_EQ(surrogate->GetLinks().size(), 1u);
  const TGameObject* corpse = surrogate->GetLinks()[0]->Resolve();
  ASSERT_NE(corpse, nullptr);
  EXPECT_EQ(corpse->TypeName(), Corpse::kTypeName);
}

TEST_F(WorldTest, StreamAt105LoadsEightLists) {
  TWorld world(kOutpost);
  Populate(world);
  const std::vector<uint8_t> old = SaveBytes(world, "Vorhelm-1-05");

  TWorld loaded;
  Populate(loaded);
  TDataStream stream("Vorhelm-1-05");
  stream.Body() = old;
  ASSERT_TRUE(loaded.Load(stream));
  EXPECT_EQ(stream.Remaining(), 0u);
  const std::vector<int32_t> counts = ListCounts(loaded);
  const std::vector<int32_t> source = ListCounts(world);
  for (int32_t i = 0; i < TWorld::GetListCount(); ++i) {
    if (i < TWorld::kOldListCount) {
      EXPECT_EQ(counts[i], source[i]) << i;
    } else {
      EXPECT_EQ(counts[i], 0) << i;
    }
  }
  EXPECT_EQ(SaveBytes(loaded, "Vorhelm-1-05"), old);
}

TEST_F(WorldTest, CounterBehindTheLoadedIdsMovesBeyondThem) {
  TWorld world(kOutpost);
  Populate(world);
  std::vector<uint8_t> bytes = SaveBytes(world, "Vorhelm-3-10");
  // The counter follows the set name "city": 4 + 4 bytes in.
  ASSERT_EQ(bytes[0], 4u);
  for (std::size_t i = 8; i < 12; ++i) bytes[i] = 0;
  TWorld loaded;
  TDataStream stream("Vorhelm-3-10");
  stream.Body() = bytes;
  ASSERT_TRUE(loaded.Load(stream));
  int32_t highest = -1;
  for (int32_t i = 0; i < loaded.Count(); ++i) highest = std::max(highest, loaded.At(i)->GetId());
  ASSERT_GT(highest, 0);
  EXPECT_GT(loaded.PeekNextId(), highest);
  EXPECT_EQ(loaded.FindById(loaded.NextId()), nullptr);
}

// A stream of the fixed head (terrain set, next id, name table) and a count.
std::vector<uint8_t> HeadWithCount(const std::string& tag, const std::string& setName, int32_t count) {
  TDataStream stream(tag);
  stream.WriteString(setName);
  stream.WriteInt(9);
  TStringList().Save(stream);
  stream.WriteInt(static_cast<uint32_t>(count));
  return stream.Body();
}

class ListCountTest : public WorldTest, public ::testing::WithParamInterface<int32_t> {};

TEST_P(ListCountTest, CountOutsideTheListsIsRefused) {
  TWorld world;
  TDataStream stream("Vorhelm-3-10");
  stream.Body() = HeadWithCount("Vorhelm-3-10", "city", GetParam());
  EXPECT_FALSE(world.Load(stream));
  EXPECT_TRUE(stream.HasFailed());
}

INSTANTIATE_TEST_SUITE_P(Counts, ListCountTest, ::testing::Values(-1, 14, 1000, INT_MIN));

TEST_F(WorldTest, CountOfNoListsLeavesAnEmptyWorld) {
  TWorld world(kOutpost);
  Populate(world);
  TDataStream stream("Vorhelm-3-10");
  stream.Body() = HeadWithCount("Vorhelm-3-10", "city", 0);
  ASSERT_TRUE(world.Load(stream));
  EXPECT_EQ(world.Count(), 0);
  EXPECT_EQ(world.PeekNextId(), 9);
}

// Worlds saved before 2.08 were all "city", whatever name they hold; later
// worlds name their set, and an unknown one is refused.
TEST_F(WorldTest, TerrainSetOfTheStreamByVersion) {
  struct Case {
    const char* tag;
    const char* setName;
    bool loads;
  };
  const Case cases[] = {{"Vorhelm-2-0", "desert", true}, {"Vorhelm-3-10", "desert", false},
                        {"Vorhelm-3-10", "city", true},  {"Vorhelm-3-10", "..\\city", false}};
  for (const Case& c : cases) {
    TWorld world;
    TDataStream stream(c.tag);
    stream.Body() = HeadWithCount(c.tag, c.setName, 0);
    EXPECT_EQ(world.Load(stream), c.loads) << c.tag << " " << c.setName;
    if (c.loads) {
      EXPECT_EQ(world.GetGameData().GetTerrainSetName(), "city");
    }
  }
}

TEST_F(WorldTest, TruncatedStreamsFail) {
  TWorld world(kOutpost);
  Populate(world);
  const std::vector<uint8_t> bytes = SaveBytes(world, "Vorhelm-3-10");
  for (const std::size_t cut : {std::size_t{0}, std::size_t{3}, bytes.size() / 3, bytes.size() - 1}) {
    TWorld loaded;
    TDataStream stream("Vorhelm-3-10");
    stream.Body().assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_FALSE(loaded.Load(stream)) << cut;
  }
}

// --- the tick ---------------------------------------------------------------------------

class CountingSound : public TAmbientSound {
 public:
  explicit CountingSound(int& plays) : plays_(plays) {}
  void Play() override {
    ++plays_;
    playing = true;
  }
  bool IsPlaying() const override { return playing; }
  void Update() override { ++updates; }

  bool playing = false;
  int updates = 0;

 private:
  int& plays_;
};

TEST_F(WorldTest, AmbientSoundRestartsOnTheTickAfterItEnds) {
  TWorld world;
  int plays = 0;
  auto sound = std::make_unique<CountingSound>(plays);
  CountingSound* node = sound.get();
  world.SetAmbientSound(std::move(sound));
  world.Update(0.1f);
  world.Update(0.2f);
  EXPECT_EQ(plays, 1);
  node->playing = false;
  world.Update(0.3f);
  EXPECT_EQ(plays, 2);
  world.NotifyTurnEnd();
  EXPECT_EQ(node->updates, 1);
}

TEST_F(WorldTest, CollectEffectsGathersWhatUnitsStarted) {
  TWorld world;
  Combatant* psyker = PlaceUnit(world, "Psyker", 0, TVector3(2.0f, 2.0f, 0.0f));
  psyker->SetPsychicAttack(true);
  TNewObjects effects;
  world.CollectEffects(effects, 1.0f);
  ASSERT_EQ(effects.size(), 1u);
  EXPECT_EQ(effects[0]->TypeName(), TSpecialEffectObject::kTypeName);
}

}  // namespace
