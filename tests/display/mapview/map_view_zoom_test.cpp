// Zooming the map view: the limits and the two zooms of the 2D display, the
// view centre kept across a zoom, a world point kept at its screen place,
// and the marks a zoom leaves (redraw, view changed).
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "display/map_view.h"
#include "display/mapview/fixed_display.h"

namespace {

class MapViewZoomTest : public ::testing::Test {
 protected:
  TMapView& Make(const std::string& typeName) {
    TMapView* view = TMapView::Create(std::make_unique<FixedDisplay>(typeName, 800, 600));
    view->GetCamera().SetBounds(TVector3(0.0f, 0.0f, 0.0f), TVector3(100.0f, 100.0f, 0.0f));
    view->CentreOn(TVector3(30.0f, 40.0f, 0.0f));
    return *view;
  }
  void TearDown() override { TMapView::Destroy(); }
};

TVector3 ViewCentre(TMapView& view) {
  TVector3 centre;
  view.GetCamera().GetViewCentre(centre);
  return centre;
}

// Screen offset of a world point from the screen's middle, in pixels.
std::pair<float, float> ScreenOffset(TMapView& view, const TVector3& point) {
  const TVector3 centre = ViewCentre(view);
  const float dx = point.x - centre.x;
  const float dy = point.y - centre.y;
  return {32.0f * (dx - dy) * view.GetZoom(), 16.0f * (dx + dy) * view.GetZoom()};
}

TEST_F(MapViewZoomTest, ZoomStepsStayWithinTheLimits) {
  struct StepCase {
    float start, delta, zoom;
  };
  const std::vector<StepCase> cases = {
      {3.95f, 0.1f, 4.0f}, {1.0f, -1.0f, 0.4f}, {1.0f, 0.5f, 1.5f}, {0.5f, -0.05f, 0.45f}, {2.0f, 0.0f, 2.0f},
  };
  TMapView& view = Make("DD8_3D");
  for (const StepCase& c : cases) {
    view.SetZoomExact(c.start);
    view.SetZoom(c.delta);
    EXPECT_FLOAT_EQ(view.GetZoom(), c.zoom) << c.start << " + " << c.delta;
  }
  view.SetZoomExact(10.0f);
  EXPECT_FLOAT_EQ(view.GetZoom(), 10.0f) << "an exact zoom is not limited";
}

TEST_F(MapViewZoomTest, ZoomsOfNoSizeOrNoNumberKeepThePresentZoom) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  TMapView& view = Make("DD8_3D");
  view.SetZoomExact(2.0f);
  for (const float zoom : {0.0f, -1.0f, nan, inf}) {
    view.SetZoomExact(zoom);
    EXPECT_FLOAT_EQ(view.GetZoom(), 2.0f) << zoom;
  }
  view.SetZoom(nan);
  EXPECT_FLOAT_EQ(view.GetZoom(), 2.0f);
  view.SetZoom(inf);
  EXPECT_FLOAT_EQ(view.GetZoom(), 2.0f);
}

TEST_F(MapViewZoomTest, The2DDisplaySnapsToItsTwoZooms) {
  struct SnapCase {
    float start, delta, zoom;
  };
  const std::vector<SnapCase> cases = {
      {1.0f, -0.1f, 0.5f}, {1.0f, 0.0f, 0.5f}, {0.5f, 0.3f, 1.0f}, {0.5f, 2.0f, 1.0f}, {0.7f, -3.0f, 0.5f},
  };
  TMapView& view = Make("DIRECTDRAW_2D");
  EXPECT_TRUE(view.IsDirectDraw2D());
  for (const SnapCase& c : cases) {
    view.SetZoomExact(c.start);
    view.SetZoom(c.delta);
    EXPECT_FLOAT_EQ(view.GetZoom(), c.zoom) << c.start << " + " << c.delta;
  }
}

TEST_F(MapViewZoomTest, AZoomKeepsTheViewCentreAndMarksTheFrame) {
  TMapView& view = Make("DD8_3D");
  view.GetDisplay()->SetViewChanged(false);
  view.ClearRedraw();
  EXPECT_TRUE(view.SetZoom(0.0f));
  EXPECT_TRUE(view.IsRedrawPending()) << "even a zoom that changes nothing redraws";
  EXPECT_TRUE(view.GetDisplay()->IsViewChanged());

  view.SetZoom(1.5f);
  const TVector3 centre = ViewCentre(view);
  EXPECT_NEAR(centre.x, 30.0f, 1e-4f);
  EXPECT_NEAR(centre.y, 40.0f, 1e-4f);
}

TEST_F(MapViewZoomTest, ZoomAtKeepsThePointAtItsScreenPlace) {
  for (const char* type : {"DD8_3D", "DIRECTDRAW_2D"}) {
    SCOPED_TRACE(type);
    TMapView& view = Make(type);
    const TVector3 point(34.0f, 37.5f, 0.0f);
    const auto before = ScreenOffset(view, point);
    view.ZoomAt(-0.5f, point);
    const auto after = ScreenOffset(view, point);
    EXPECT_NE(view.GetZoom(), 1.0f);
    EXPECT_NEAR(after.first, before.first, 1e-3f);
    EXPECT_NEAR(after.second, before.second, 1e-3f);

    view.ZoomExactAt(2.5f, point);
    const auto exact = ScreenOffset(view, point);
    EXPECT_FLOAT_EQ(view.GetZoom(), 2.5f);
    EXPECT_NEAR(exact.first, before.first, 1e-3f);
    EXPECT_NEAR(exact.second, before.second, 1e-3f);
  }
}

TEST_F(MapViewZoomTest, ZoomAtTheViewCentreDoesNotScroll) {
  TMapView& view = Make("DD8_3D");
  const TVector3 centre = ViewCentre(view);
  view.ZoomAt(1.0f, centre);
  const TVector3 after = ViewCentre(view);
  EXPECT_NEAR(after.x, centre.x, 1e-4f);
  EXPECT_NEAR(after.y, centre.y, 1e-4f);
}

}  // namespace
