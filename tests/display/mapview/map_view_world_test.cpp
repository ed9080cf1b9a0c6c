// A shipped map loaded under a map view: the camera is bounded by the map,
// every ground tile's square is ground in the view's lighting, and only
// corners between four ground squares are lit.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/game_data.h"
#include "display/map_view.h"
#include "display/mapview/fixed_display.h"
#include "support/temp_folder.h"
#include "world/map.h"
#include "world/terrain_object.h"
#include "world/world.h"

namespace {

class MapViewWorldTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    std::filesystem::copy(DVX_DATA_DIR, folder_.Path(), std::filesystem::copy_options::recursive);
    DestroyGameDataConfig();
    TMapView::Create(std::make_unique<FixedDisplay>("QUIET", 640, 480));
  }
  void TearDown() override {
    TMapView::Destroy();
    DestroyGameDataConfig();
  }

  TTempFolder folder_;
};

TEST_P(MapViewWorldTest, TheMapBoundsTheCameraAndItsGroundTakesLight) {
  const TWorld world(GetParam());
  const TMap& map = world.GetMap();
  ASSERT_GT(map.Count(), 0);
  TMapView& view = *TMapView::Instance();
  const TBoundingBox& bounds = view.GetCamera().GetBounds();
  EXPECT_EQ(bounds.Min(), TVector3(-2.0f, -2.0f, 0.0f));
  EXPECT_EQ(bounds.Max(), TVector3(static_cast<float>(map.GetWidth()) + 2.0f,
                                   static_cast<float>(map.GetHeight()) + 2.0f, 0.0f));

  TLightGrid& grid = view.GetLightGrid();
  int groundTiles = 0;
  for (int32_t i = 0; i < map.Count(); ++i) {
    const TGameObject* object = map.At(i);
    if (object == nullptr || !object->IsMapTile()) continue;
    const auto* tile = static_cast<const TTerrainObject*>(object);
    if (!tile->IsGround()) continue;
    ++groundTiles;
    const TVector3& at = tile->Position();
    EXPECT_TRUE(grid.IsGroundSquare(LightSquareIndex(at.x, grid.CornerColumns()),
                                    LightSquareIndex(at.y, grid.CornerRows())))
        << at.x << ", " << at.y;
  }
  EXPECT_GT(groundTiles, 0);

  int lit = 0;
  for (uint32_t column = 0; column < grid.CornerColumns(); ++column) {
    for (uint32_t row = 0; row < grid.CornerRows(); ++row) {
      const bool between = column > 0 && row > 0 && grid.IsGroundSquare(column - 1, row - 1) &&
                           grid.IsGroundSquare(column - 1, row) && grid.IsGroundSquare(column, row - 1) &&
                           grid.IsGroundSquare(column, row) && column < grid.CornerColumns() - 1 &&
                           row < grid.CornerRows() - 1;
      const float value = grid.CornerValue(column, row);
      EXPECT_EQ(value > 0.0f, between) << column << ", " << row;
      lit += value > 0.0f ? 1 : 0;
    }
  }
  EXPECT_GT(lit, 0);
}

INSTANTIATE_TEST_SUITE_P(Maps, MapViewWorldTest, ::testing::Values("Map\\Outpost.map", "Map\\Foundry.map"));

}  // namespace
