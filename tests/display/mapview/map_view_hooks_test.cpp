// What the world hands the map view through its narrow door: the camera's
// bounds, ground squares, lights of world objects; and that without a map
// view all of it does nothing.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "display/map_view.h"
#include "display/mapview/fixed_display.h"
#include "display/mapview/map_view_hooks.h"
#include "sim/explosion.h"

namespace {

class MapViewHooksTest : public ::testing::Test {
 protected:
  void TearDown() override { TMapView::Destroy(); }
  TMapView& MakeView() { return *TMapView::Create(std::make_unique<FixedDisplay>("QUIET", 640, 480)); }
};

TEST_F(MapViewHooksTest, WithoutAMapViewTheHooksDoNothing) {
  ASSERT_FALSE(TMapView::Exists());
  SetMapCameraBounds(TVector3(-1.0f, -1.0f, 0.0f), TVector3(11.0f, 11.0f, 0.0f));
  MarkGroundLight(TVector3(2.0f, 2.0f, 0.0f), true);
  RecomputeMapLighting();
  const TVector3 position(1.0f, 1.0f, 0.0f);
  TMapLight light(position, 1.0f);
  EXPECT_FLOAT_EQ(light.GetLight().Intensity(), 1.0f);
  EXPECT_FALSE(TMapView::Exists());
}

TEST_F(MapViewHooksTest, TheWorldsBoxBecomesTheCameraBounds) {
  TMapView& view = MakeView();
  SetMapCameraBounds(TVector3(-1.0f, -1.0f, 0.0f), TVector3(21.0f, 11.0f, 0.0f));
  EXPECT_EQ(view.GetCamera().GetBounds().Min(), TVector3(-2.0f, -2.0f, 0.0f));
  EXPECT_EQ(view.GetCamera().GetBounds().Max(), TVector3(22.0f, 12.0f, 0.0f));
}

TEST_F(MapViewHooksTest, GroundAndLightsReachTheLightingOfTheView) {
  TMapView& view = MakeView();
  for (int x = 0; x < 6; ++x) {
    for (int y = 0; y < 6; ++y) MarkGroundLight(TVector3(static_cast<float>(x), static_cast<float>(y), 0.0f), true);
  }
  TLightGrid& grid = view.GetLightGrid();
  EXPECT_FLOAT_EQ(grid.CornerValue(3, 3), TLightGrid::kAmbient);
  {
    const TVector3 position(2.5f, 2.5f, 0.0f);  // corner (3, 3)
    TMapLight light(position, 1.0f);
    EXPECT_TRUE(grid.HasLight(&light.GetLight()));
    EXPECT_FLOAT_EQ(grid.CornerValue(3, 3), 1.0f);
  }
  EXPECT_EQ(grid.LightCount(), 0u) << "a light leaves the grid with its owner";
  EXPECT_FLOAT_EQ(grid.CornerValue(3, 3), TLightGrid::kAmbient);

  RecomputeMapLighting();
  EXPECT_FLOAT_EQ(grid.CornerValue(3, 3), 0.0f);
  EXPECT_FALSE(view.ToggleLighting());
  EXPECT_FLOAT_EQ(grid.CornerValue(3, 3), 1.0f);
}

TEST_F(MapViewHooksTest, ALightOutlivingItsMapViewIsForgotten) {
  MakeView();
  const TVector3 position(2.0f, 2.0f, 0.0f);
  TMapLight light(position, 1.0f);
  TMapView::Destroy();
  TMapView& next = MakeView();
  EXPECT_FALSE(next.GetLightGrid().HasLight(&light.GetLight()));
}

TEST_F(MapViewHooksTest, AnExplosionLightsTheGroundWhileItLasts) {
  TMapView& view = MakeView();
  {
    Explosion blast(TVector3(4.0f, 4.0f, 0.0f), 20.0f, 3.0f, 0.0f, false);
    EXPECT_EQ(view.GetLightGrid().LightCount(), 1u);
    EXPECT_EQ(view.GetLightGrid().BrightnessSum(TVector3(4.0f, 4.0f, 0.0f)), 1.0f);
  }
  EXPECT_EQ(view.GetLightGrid().LightCount(), 0u);
}

}  // namespace
