// The shipped maps drawn by the 2D display from the shipped 2D set: a
// headless frame at zoom 1 shows the floor tile sheets' pixels, and one at
// zoom 0.5 shows the half-size copies packed on the map-view sheets.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/config_parser.h"
#include "app/game_data.h"
#include "display/ddraw/direct_draw_surface.h"
#include "display/ddraw/direct_draw_visuals.h"
#include "display/direct_draw_display.h"
#include "display/image/tga_image.h"
#include "display/map_view.h"
#include "display/surface.h"
#include "world/map.h"
#include "world/terrain_object.h"
#include "world/world.h"
#include "support/temp_folder.h"

namespace {

constexpr int32_t kWidth = 800;
constexpr int32_t kHeight = 600;

// The maps of the shipped list, by section name (the file is Map\<name>.map).
std::vector<std::string> ShippedMapNames() {
  TConfigParser list;
  EXPECT_TRUE(list.LoadFile(std::string(DVX_DATA_DIR) + "/Configs/maps.cfg"));
  std::vector<std::string> maps;
  while (list.NextSection()) maps.push_back(list.GetSectionName());
  return maps;
}

// The X8R8G8B8 values of every pixel of the sheets that is not the key
// colour (pure blue).
std::set<uint32_t> SheetColours(const std::vector<std::string>& files) {
  std::set<uint32_t> colours;
  for (const std::string& file : files) {
    TTgaImage sheet;
    EXPECT_TRUE(sheet.Load(std::string(DVX_DATA_DIR) + "/" + file)) << file;
    for (uint32_t y = 0; y < sheet.GetHeight(); ++y) {
      for (uint32_t x = 0; x < sheet.GetWidth(); ++x) {
        const uint32_t r = sheet.GetChannel(x, y, 0);
        const uint32_t g = sheet.GetChannel(x, y, 1);
        const uint32_t b = sheet.GetChannel(x, y, 2);
        if (r == 0 && g == 0 && b == 255) continue;
        colours.insert((r << 16) | (g << 8) | b);
      }
    }
  }
  return colours;
}

class ShippedMapFrameTest : public ::testing::TestWithParam<std::tuple<std::string, bool>> {
 protected:
  void SetUp() override {
    std::filesystem::copy(DVX_DATA_DIR, folder_.Path(), std::filesystem::copy_options::recursive);
    DestroyGameDataConfig();
    TDirectDrawDisplayOptions options;
    auto display = std::make_unique<TDirectDrawDisplay>(false, kWidth, kHeight, std::move(options));
    display_ = display.get();
    view_ = TMapView::Create(std::move(display));
    view_->SetDrawLayers(true);
  }
  void TearDown() override {
    world_.reset();
    TMapView::Destroy();
    DestroyGameDataConfig();
  }

  bool HalfZoom() const { return std::get<1>(GetParam()); }

  // The ground tiles' floor visuals; every ground tile has one.
  std::vector<const TDirectDrawFloor*> Floors() const {
    std::vector<const TDirectDrawFloor*> floors;
    const TMap& map = world_->GetMap();
    for (int32_t i = 0; i < map.Count(); ++i) {
      const TGameObject* object = map.At(i);
      if (object == nullptr || !object->IsMapTile()) continue;
      const auto* tile = static_cast<const TTerrainObject*>(object);
      if (!tile->IsGround()) continue;
      const auto* floor = dynamic_cast<const TDirectDrawFloor*>(tile->GetVisual());
      EXPECT_NE(floor, nullptr) << tile->GetTypeName();
      if (floor != nullptr) floors.push_back(floor);
    }
    return floors;
  }

  // How many back buffer pixels hold one of the colours.
  int64_t PixelsOf(const std::set<uint32_t>& colours) const {
    int64_t count = 0;
    for (int32_t y = 0; y < kHeight; ++y) {
      for (int32_t x = 0; x < kWidth; ++x) {
        count += colours.count(display_->GetBackBuffer()->GetPixelX8R8G8B8(x, y) & 0xFFFFFFu);
      }
    }
    return count;
  }

  TTempFolder folder_;
  TDirectDrawDisplay* display_ = nullptr;
  TMapView* view_ = nullptr;
  std::unique_ptr<TWorld> world_;
};

TEST_P(ShippedMapFrameTest, FloorsComeFromTheGeneratedSheets) {
  world_ = std::make_unique<TWorld>("Map\\" + std::get<0>(GetParam()) + ".map");
  const TMap& map = world_->GetMap();
  view_->SetCameraPosition(
      TVector3(static_cast<float>(map.GetWidth()) * 0.5f, static_cast<float>(map.GetHeight()) * 0.5f, 0.0f));
  ASSERT_TRUE(view_->SetZoomExact(HalfZoom() ? 0.5f : 1.0f));

  const std::vector<const TDirectDrawFloor*> floors = Floors();
  ASSERT_FALSE(floors.empty());
  // The tiles show the floor sheets at zoom 1 and the map-view sheet, where
  // the half-size copies lie, at zoom 0.5.
  std::set<const TDirectDrawSurface*> fullSheets;
  for (const char* name : {"Art/city_floor_2D_0.tga", "Art/city_floor_2D_1.tga"}) {
    fullSheets.insert(dynamic_cast<TDirectDrawSurface*>(view_->GetSurface(TSurfaceKey(name, nullptr))));
  }
  const auto* reducedSheet =
      dynamic_cast<TDirectDrawSurface*>(view_->GetSurface(TSurfaceKey("Art/mapView0.tga", nullptr)));
  ASSERT_NE(reducedSheet, nullptr);
  for (const TDirectDrawFloor* floor : floors) {
    const TDirectDrawSurface* shown = floor->GetSurfaceInUse();
    ASSERT_NE(shown, nullptr);
    if (HalfZoom()) {
      EXPECT_EQ(shown, reducedSheet);
    } else {
      EXPECT_EQ(fullSheets.count(shown), 1u);
    }
  }

  view_->BeginFrame();
  view_->Draw();
  display_->FlushText();

  // A frame over the middle of the map is mostly floor; walls, objects and
  // units stand on part of it.
  const std::set<uint32_t> colours = HalfZoom() ? SheetColours({"Art/mapView0.tga"})
                                                : SheetColours({"Art/city_floor_2D_0.tga", "Art/city_floor_2D_1.tga"});
  ASSERT_FALSE(colours.empty());
  const int64_t floorPixels = PixelsOf(colours);
  EXPECT_GT(floorPixels, static_cast<int64_t>(kWidth) * kHeight / 4)
      << std::get<0>(GetParam()) << " at zoom " << (HalfZoom() ? "0.5" : "1");
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<std::string, bool>>& info) {
  return std::get<0>(info.param) + (std::get<1>(info.param) ? "Half" : "Full");
}

INSTANTIATE_TEST_SUITE_P(ShippedMaps, ShippedMapFrameTest,
                         ::testing::Combine(::testing::ValuesIn(ShippedMapNames()), ::testing::Bool()), CaseName);

}  // namespace
