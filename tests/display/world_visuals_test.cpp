// The terrain side of a battle's visual tree: every shipped map, loaded into
// a battle world under a map view over the recording display, gives each of
// its terrain objects the "Terrain" visual of its type from the shipped
// definition files, in the draw layer at the place of its kind; the tiles'
// visuals animate, switch and leave the layer as the world asks.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/config_parser.h"
#include "app/game_data.h"
#include "display/map_view.h"
#include "display/visual_preload.h"
#include "display/visual_registry.h"
#include "display/visuals/visual_library.h"
#include "display/visuals/visual_node.h"
#include "support/map_view_library.h"
#include "support/temp_folder.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/terrain_object.h"
#include "world/terrain_type.h"
#include "world/world.h"

namespace {

// The maps of the shipped list, as the game names their files.
std::vector<std::string> ShippedMaps() {
  TConfigParser list;
  EXPECT_TRUE(list.LoadFile(std::string(DVX_DATA_DIR) + "/Configs/maps.cfg"));
  std::vector<std::string> maps;
  while (list.NextSection()) maps.push_back("Map\\" + list.GetSectionName() + ".map");
  return maps;
}

std::vector<const TTerrainObject*> TerrainObjects(const TMap& map) {
  std::vector<const TTerrainObject*> tiles;
  for (int32_t i = 0; i < map.Count(); ++i) {
    const TGameObject* object = map.At(i);
    if (object != nullptr && object->IsMapTile()) tiles.push_back(static_cast<const TTerrainObject*>(object));
  }
  return tiles;
}

// A copy of the data set as the working folder, a map view over the
// recording display and a visual library of that display's files.
class WorldVisualsFixture {
 protected:
  // The definition files are read from the copy.
  void Open(bool is3D) {
    std::filesystem::copy(DVX_DATA_DIR, folder_.Path(), std::filesystem::copy_options::recursive);
    DestroyGameDataConfig();
    view_ = std::make_unique<testing_display::MapViewWithLibrary>(is3D);
    library_ = &view_->Library();
  }
  void Close() {
    world_.reset();
    view_.reset();
    DestroyGameDataConfig();
  }

  TDrawLayer& Layer() { return view_->Layer(); }

  TTempFolder folder_;
  std::unique_ptr<testing_display::MapViewWithLibrary> view_;
  TVisualLibrary* library_ = nullptr;
  std::unique_ptr<TWorld> world_;
};

class ShippedMapVisualsTest : public WorldVisualsFixture,
                              public ::testing::TestWithParam<std::tuple<std::string, bool>> {
 protected:
  void SetUp() override { Open(std::get<1>(GetParam())); }
  void TearDown() override { Close(); }
};

TEST_P(ShippedMapVisualsTest, EveryTerrainObjectGetsItsVisualInTheLayer) {
  world_ = std::make_unique<TWorld>(std::get<0>(GetParam()));
  const std::vector<const TTerrainObject*> tiles = TerrainObjects(world_->GetMap());
  ASSERT_FALSE(tiles.empty());

  std::set<std::string> types;
  int32_t built = 0;
  for (const TTerrainObject* tile : tiles) {
    const TVisual* visual = tile->GetVisual();
    EXPECT_NE(visual, nullptr) << tile->GetTypeName();
    if (visual == nullptr) continue;
    ++built;
    types.insert(tile->GetTypeName());
    EXPECT_TRUE(Layer().Contains(visual)) << tile->GetTypeName();
    // The visual stands where the tile stands.
    EXPECT_EQ(visual->GetPosition(), tile->Position()) << tile->GetTypeName();
  }
  EXPECT_EQ(built, static_cast<int32_t>(tiles.size()));
  EXPECT_EQ(Layer().EntryCount(), tiles.size());
  // One definition read per type; every further tile is a copy.
  EXPECT_EQ(library_->GetLoadCount(), static_cast<int32_t>(types.size()));
  std::cout << std::get<0>(GetParam()) << " (" << (std::get<1>(GetParam()) ? "3D" : "2D") << "): " << built
            << " terrain visuals of " << types.size() << " types\n";

  // The ground is the background, drawn before any wall or object.
  const std::vector<const TVisual*> order = Layer().DrawOrder();
  bool pastGround = false;
  for (const TVisual* visual : order) {
    const auto owner = std::find_if(tiles.begin(), tiles.end(),
                                    [visual](const TTerrainObject* tile) { return tile->GetVisual() == visual; });
    ASSERT_NE(owner, tiles.end());
    if (!(*owner)->IsGround()) pastGround = true;
    EXPECT_FALSE(pastGround && (*owner)->IsGround()) << (*owner)->GetTypeName();
  }

  // A world that goes takes its visuals out of the layer.
  world_.reset();
  EXPECT_EQ(Layer().EntryCount(), 0U);
}

std::vector<std::tuple<std::string, bool>> MapsOnBothDisplays() {
  std::vector<std::tuple<std::string, bool>> cases;
  for (const std::string& map : ShippedMaps()) {
    cases.emplace_back(map, false);
    cases.emplace_back(map, true);
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Maps, ShippedMapVisualsTest, ::testing::ValuesIn(MapsOnBothDisplays()));

class ShippedTerrainSetTest : public WorldVisualsFixture, public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { Open(GetParam()); }
  void TearDown() override { Close(); }
};

// Maps made later may place any type of the set: each has a definition.
TEST_P(ShippedTerrainSetTest, EveryTypeOfTheSetHasAVisual) {
  world_ = std::make_unique<TWorld>();
  world_->GetMap().SetTerrainSet("city");
  const TGameData& data = world_->GetGameData();
  ASSERT_GT(data.GetTerrainTypeCount(), 0);
  for (int32_t i = 0; i < data.GetTerrainTypeCount(); ++i) {
    const std::string& name = data.GetTerrainType(i)->GetName();
    TVector3 at;
    EXPECT_NE(library_->BuildVisual(&at, false, name, "Terrain", nullptr), nullptr) << name;
  }
}

TEST_P(ShippedTerrainSetTest, ABattleLoadsItsTerrainVisualsBeforeItIsShown) {
  world_ = std::make_unique<TWorld>();
  world_->GetMap().SetTerrainSet("city");
  PreloadMapVisual({"Terrain", "Wall", false});
  PreloadMapVisual({"Terrain", "no such type", false});
  EXPECT_TRUE(library_->IsCached("Wall", nullptr));
  EXPECT_FALSE(library_->IsCached("no such type", nullptr));
  EXPECT_EQ(library_->GetLoadCount(), 1);
  // A tile of the type afterwards reads nothing more.
  const TTerrainType* wall = world_->GetGameData().FindTerrainType("Wall");
  ASSERT_NE(wall, nullptr);
  const TTerrainObject tile(*wall, TVector3(1.0f, 1.0f, 0.0f), 0.0f);
  EXPECT_NE(tile.GetVisual(), nullptr);
  EXPECT_EQ(library_->GetLoadCount(), 1);
}

// Area outlines, node graphs and route markers of every movement kind have
// their interface pictures in the shipped set.
TEST_P(ShippedTerrainSetTest, TheInterfaceSetHasTheWorldsBarsAndMarkers) {
  for (const char* name :
       {"AreaBar", "NodeConnection", "MovementPoint", "ANodePath", "Movement", "BasicMovement", "ActivateMovement",
        "CloseAttackMovement", "CloseCombatMovement", "FollowMovement", "HealMovement", "PursueMovement",
        "ResupplyMovement", "SuicideAttackMovement"}) {
    TVector3 at;
    EXPECT_NE(library_->BuildVisual(&at, false, name, "Interface", nullptr), nullptr) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(Displays, ShippedTerrainSetTest, ::testing::Values(false, true));

// Tiles placed by hand on an empty battle world, with definitions of our own
// for the shipped type names.
const char* const kTerrainDefinitions =
    "# terrain of the tests\n"
    "[Floor]\n  Null\n"
    "[Wall]\n  Switch\n    Null\n    Null\n  End\n"
    "[Crate]\n  Switch\n    Null\n    Null\n  End\n"
    "[Opening_Door]\n  Cycle | 4 | YES\n    Null\n    Null\n    Null\n  End\n";

class TerrainVisualTest : public WorldVisualsFixture, public ::testing::Test {
 protected:
  void SetUp() override {
    Open(false);
    world_ = std::make_unique<TWorld>();
    library_->SetDefinitionText("Terrain", kTerrainDefinitions);
  }
  void TearDown() override { Close(); }

  TTerrainObject* Place(const std::string& type, const TVector3& at, float time = 0.0f) {
    std::unique_ptr<TTerrainObject> tile = CreateTerrainObject(type, world_->GetGameData(), at, time);
    EXPECT_NE(tile, nullptr) << type;
    TTerrainObject* placed = tile.get();
    world_->GetMap().Add(std::move(tile));
    return placed;
  }
};

TEST_F(TerrainVisualTest, WallsAndObjectsSwitchWithTheMapToggles) {
  TTerrainObject* wall = Place("Wall", TVector3(2.0f, 2.0f, 0.0f));
  TTerrainObject* crate = Place("Crate", TVector3(4.0f, 4.0f, 0.0f));
  TTerrainObject* floor = Place("Floor", TVector3(5.0f, 5.0f, 0.0f));
  EXPECT_EQ(MapVisualSwitchIndex(wall->GetVisual()), 0);
  EXPECT_EQ(MapVisualSwitchIndex(floor->GetVisual()), -1);

  TMap& map = world_->GetMap();
  map.ToggleWalls();
  EXPECT_EQ(MapVisualSwitchIndex(wall->GetVisual()), 1);
  EXPECT_EQ(MapVisualSwitchIndex(crate->GetVisual()), 0);
  // A wall placed while walls are toggled comes in toggled.
  TTerrainObject* later = Place("Wall", TVector3(6.0f, 2.0f, 0.0f));
  EXPECT_EQ(MapVisualSwitchIndex(later->GetVisual()), 1);

  map.ToggleObjects();
  EXPECT_EQ(MapVisualSwitchIndex(crate->GetVisual()), 1);
  map.ToggleWalls();
  EXPECT_EQ(MapVisualSwitchIndex(wall->GetVisual()), 0);
  EXPECT_EQ(MapVisualSwitchIndex(crate->GetVisual()), 1);
  // A visual that is no switch has nothing to flip.
  EXPECT_FALSE(ToggleMapVisualSwitch(floor->GetVisual()));
}

TEST_F(TerrainVisualTest, AnAnimatedTileStartsAtItsCreationAndRunsWithTheMap) {
  TTerrainObject* door = Place("Opening_Door", TVector3(3.0f, 3.0f, 0.0f), 10.0f);
  TTerrainObject* wall = Place("Wall", TVector3(2.0f, 2.0f, 0.0f), 10.0f);
  EXPECT_TRUE(door->IsAnimated());
  EXPECT_FALSE(wall->IsAnimated());
  auto* cycle = static_cast<TVisualCycle*>(door->GetVisual());
  ASSERT_TRUE(cycle->IsOfClass(TVisualCycle::kClassName));
  EXPECT_EQ(cycle->GetStartTime(), 10.0f);

  const struct {
    float time;
    int32_t frame;
  } steps[] = {{10.0f, 0}, {10.3f, 1}, {10.5f, 2}, {30.0f, 2}};
  for (const auto& step : steps) {
    world_->GetMap().Update(step.time);
    EXPECT_EQ(cycle->GetFrame(), step.frame) << step.time;
  }
}

TEST_F(TerrainVisualTest, GroundIsDrawnFirstAndAnObjectAfterTheWallOfItsPlace) {
  const TVector3 at(3.0f, 3.0f, 0.0f);
  TTerrainObject* crate = Place("Crate", at);
  TTerrainObject* wall = Place("Wall", at);
  TTerrainObject* floor = Place("Floor", TVector3(9.0f, 9.0f, 0.0f));
  const std::vector<const TVisual*> order = Layer().DrawOrder();
  ASSERT_EQ(order.size(), 3U);
  EXPECT_EQ(order[0], floor->GetVisual());
  EXPECT_EQ(order[1], wall->GetVisual());
  EXPECT_EQ(order[2], crate->GetVisual());
}

TEST_F(TerrainVisualTest, TemplatesStayOutOfTheLayerAndCopiesFollowTheirTile) {
  const TTerrainType* type = world_->GetGameData().FindTerrainType("Wall");
  ASSERT_NE(type, nullptr);
  const TTerrainObject templateTile(*type);
  ASSERT_NE(templateTile.GetVisual(), nullptr);
  EXPECT_FALSE(Layer().Contains(templateTile.GetVisual()));

  TTerrainObject copy(templateTile, TVector3(5.0f, 1.0f, 0.0f), 2.0f);
  ASSERT_NE(copy.GetVisual(), nullptr);
  EXPECT_NE(copy.GetVisual(), templateTile.GetVisual());
  EXPECT_TRUE(Layer().Contains(copy.GetVisual()));
  copy.GetVisual()->SetChanged(false);
  copy.SetPosition(TVector3(6.0f, 1.0f, 0.0f));
  EXPECT_EQ(copy.GetVisual()->GetPosition(), TVector3(6.0f, 1.0f, 0.0f));
  EXPECT_TRUE(copy.GetVisual()->IsChanged());
}

TEST_F(TerrainVisualTest, ATerrainSetWithoutDefinitionsLeavesTilesWithoutVisuals) {
  world_->GetMap().SetTerrainSet("nowhere");
  TTerrainObject* wall = Place("Wall", TVector3(2.0f, 2.0f, 0.0f));
  EXPECT_EQ(wall->GetVisual(), nullptr);
  EXPECT_FALSE(wall->IsAnimated());
  wall->ToggleSwitchVisual();
  EXPECT_EQ(Layer().EntryCount(), 0U);

  // Back to the shipped set: its own definitions are read again.
  world_->GetMap().SetTerrainSet("city");
  EXPECT_NE(Place("Door", TVector3(4.0f, 2.0f, 0.0f))->GetVisual(), nullptr);
}

TEST_F(TerrainVisualTest, WithoutALibraryTheMapViewGetsNoVisuals) {
  view_->DropLibrary();
  TTerrainObject* wall = Place("Wall", TVector3(2.0f, 2.0f, 0.0f));
  EXPECT_EQ(wall->GetVisual(), nullptr);
  EXPECT_EQ(Layer().EntryCount(), 0U);
}

}  // namespace
