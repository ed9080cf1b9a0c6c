// The map camera: the world point at the screen centre for a screen size and
// zoom, scrolling held within half a unit of the bounds, centring, and the
// view-changed mark every move leaves.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "display/mapview/map_camera.h"

namespace {

class FakeViewport : public TCameraViewport {
 public:
  float ViewportWidth() const override { return width; }
  float ViewportHeight() const override { return height; }
  float ViewportZoom() const override { return zoom; }
  void MarkViewChanged() override { ++changes; }

  float width = 800.0f;
  float height = 600.0f;
  float zoom = 1.0f;
  int changes = 0;
};

TVector3 CentreOf(const TMapCamera& camera) {
  TVector3 centre;
  camera.GetViewCentre(centre);
  return centre;
}

class MapCameraTest : public ::testing::Test {
 protected:
  // Scrolls the camera so that the view centre lands on the point, as far as
  // the bounds allow.
  void ScrollCentreTo(float x, float y) {
    const TVector3 centre = CentreOf(camera);
    camera.Scroll(x - centre.x, y - centre.y);
  }

  FakeViewport viewport;
  TMapCamera camera{viewport};
};

TEST_F(MapCameraTest, ViewCentreUndoesTheProjectionOfTheScreenMiddle) {
  struct CentreCase {
    const char* what;
    float width, height, zoom;
    TVector3 position;
    float x, y;
  };
  const std::vector<CentreCase> cases = {
      {"800 x 600 at zoom 1", 800.0f, 600.0f, 1.0f, TVector3(), 12.625f, 2.125f},
      {"800 x 600 at zoom 2", 800.0f, 600.0f, 2.0f, TVector3(), 4.8125f, 0.5625f},
      {"640 x 480 at zoom 0.5", 640.0f, 480.0f, 0.5f, TVector3(), 22.0f, 4.0f},
      {"moved camera", 800.0f, 600.0f, 1.0f, TVector3(-4.0f, 7.5f, 0.0f), 8.625f, 9.625f},
  };
  for (const CentreCase& c : cases) {
    SCOPED_TRACE(c.what);
    viewport.width = c.width;
    viewport.height = c.height;
    viewport.zoom = c.zoom;
    camera.SetPosition(c.position);
    TVector3 centre(0.0f, 0.0f, 7.0f);
    camera.GetViewCentre(centre);
    EXPECT_FLOAT_EQ(centre.x, c.x);
    EXPECT_FLOAT_EQ(centre.y, c.y);
    EXPECT_FLOAT_EQ(centre.z, 7.0f) << "the height is the caller's";
  }
}

TEST_F(MapCameraTest, AZoomThatCannotScaleReadsAsTheUnzoomedView) {
  for (const float zoom : {0.0f, -2.0f, std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::infinity()}) {
    viewport.zoom = zoom;
    const TVector3 centre = CentreOf(camera);
    EXPECT_FLOAT_EQ(centre.x, 12.625f) << zoom;
    EXPECT_FLOAT_EQ(centre.y, 2.125f) << zoom;
  }
}

TEST_F(MapCameraTest, BoundsAreTheCornersWidenedByOneInXAndY) {
  camera.SetBounds(TVector3(0.0f, 0.0f, 0.0f), TVector3(40.0f, 30.0f, 0.0f));
  EXPECT_EQ(camera.GetBounds().Min(), TVector3(-1.0f, -1.0f, 0.0f));
  EXPECT_EQ(camera.GetBounds().Max(), TVector3(41.0f, 31.0f, 0.0f));

  camera.SetBoundsFromBox(TBoundingBox(TVector3(5.0f, 5.0f, 0.0f), TVector3(2.0f, 3.0f, 1.0f)));
  EXPECT_EQ(camera.GetBounds().Min(), TVector3(1.0f, 2.0f, 0.0f));
  EXPECT_EQ(camera.GetBounds().Max(), TVector3(6.0f, 6.0f, 1.0f));
}

TEST_F(MapCameraTest, ScrollHoldsTheViewCentreWithinHalfAUnitOfTheBounds) {
  camera.SetBounds(TVector3(0.0f, 0.0f, 0.0f), TVector3(40.0f, 30.0f, 0.0f));
  struct ScrollCase {
    const char* what;
    float x, y;            // where the scroll would put the view centre
    float keptX, keptY;    // where it is afterwards
  };
  const std::vector<ScrollCase> cases = {
      {"inside", 20.0f, 15.0f, 20.0f, 15.0f},
      {"past the far x side", 45.0f, 10.0f, 41.5f, 10.0f},
      {"past the near x side", -5.0f, 10.0f, -1.5f, 10.0f},
      {"past the far y side", 10.0f, 40.0f, 10.0f, 31.5f},
      {"past the near corner", -9.0f, -9.0f, -1.5f, -1.5f},
      {"rounded point inside, point 0.4 outside", 41.4f, 10.0f, 41.4f, 10.0f},
      {"rounded point outside, point within the margin", 41.5f, 31.5f, 41.5f, 31.5f},
  };
  for (const ScrollCase& c : cases) {
    SCOPED_TRACE(c.what);
    ScrollCentreTo(c.x, c.y);
    const TVector3 centre = CentreOf(camera);
    EXPECT_NEAR(centre.x, c.keptX, 1e-4f);
    EXPECT_NEAR(centre.y, c.keptY, 1e-4f);
  }
}

TEST_F(MapCameraTest, UntilBoundsAreSetTheCentreIsHeldNearTheOrigin) {
  EXPECT_TRUE(camera.Scroll(0.0f, 0.0f));
  const TVector3 centre = CentreOf(camera);
  EXPECT_NEAR(centre.x, 0.5f, 1e-5f);
  EXPECT_NEAR(centre.y, 0.5f, 1e-5f);
}

TEST_F(MapCameraTest, WithBoundsSwitchedOffScrollingIsFree) {
  camera.SetBounds(TVector3(0.0f, 0.0f, 0.0f), TVector3(40.0f, 30.0f, 0.0f));
  camera.SetBoundsEnforced(false);
  ScrollCentreTo(100.0f, -50.0f);
  const TVector3 centre = CentreOf(camera);
  EXPECT_NEAR(centre.x, 100.0f, 1e-4f);
  EXPECT_NEAR(centre.y, -50.0f, 1e-4f);
}

TEST_F(MapCameraTest, CentringMovesThePointToTheMiddleAndMarksTheView) {
  camera.SetBounds(TVector3(0.0f, 0.0f, 0.0f), TVector3(40.0f, 30.0f, 0.0f));
  EXPECT_TRUE(camera.CentreOn(TVector3(12.0f, 7.0f, 3.0f)));
  TVector3 centre = CentreOf(camera);
  EXPECT_NEAR(centre.x, 12.0f, 1e-5f);
  EXPECT_NEAR(centre.y, 7.0f, 1e-5f);
  EXPECT_FLOAT_EQ(camera.GetPosition().z, 0.0f) << "only x and y move";

  // Centring on the present centre scrolls by nothing, and still marks.
  const TVector3 before = camera.GetPosition();
  const int changes = viewport.changes;
  EXPECT_TRUE(camera.CentreOn(centre));
  EXPECT_EQ(camera.GetPosition(), before);
  EXPECT_EQ(viewport.changes, changes + 1);

  EXPECT_TRUE(camera.CentreOnBounds());
  centre = CentreOf(camera);
  EXPECT_NEAR(centre.x, 20.0f, 1e-5f);
  EXPECT_NEAR(centre.y, 15.0f, 1e-5f);
}

TEST_F(MapCameraTest, AScrollByNoNumberMovesNothing) {
  camera.SetBoundsEnforced(false);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  camera.Scroll(nan, std::numeric_limits<float>::infinity());
  EXPECT_EQ(camera.GetPosition(), TVector3());
  camera.Scroll(nan, 2.0f);
  EXPECT_EQ(camera.GetPosition(), TVector3(0.0f, 2.0f, 0.0f));
}

}  // namespace
