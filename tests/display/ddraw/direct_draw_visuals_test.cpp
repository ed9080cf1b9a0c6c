#include "display/ddraw/direct_draw_visuals.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "display/ddraw/direct_draw_canvas.h"
#include "display/ddraw/direct_draw_surface.h"
#include "display/ddraw/picture_files.h"
#include "display/visuals/shape.h"

namespace {

using ddraw_test::NumberOf;

// The map view as the 2D visuals see it: zoom, a camera that shifts every
// projected point, the view-changed flag, and the canvas's copy classes.
class TFakeView : public TDirectDrawView {
 public:
  explicit TFakeView(TDirectDrawCanvas& canvas) : canvas_(canvas) {}
  float GetZoom() const override { return zoom; }
  void ToViewCoordinates(float& x, float& y) const override {
    x -= camera.x;
    y -= camera.y;
  }
  bool IsViewChanged() const override { return viewChanged; }
  int32_t BlitQuad(const TShape& quad, const TDirectDrawSurface* surface) override {
    ++classified;
    return surface != nullptr ? canvas_.ClassifyQuad(quad, *surface) : 0;
  }
  void DrawBar(TWorldBar* bar, const TVector3& offset) override { bars.emplace_back(bar, offset); }

  float zoom = 1.0f;
  TVector3 camera;
  bool viewChanged = false;
  int32_t classified = 0;
  std::vector<std::pair<TWorldBar*, TVector3>> bars;

 private:
  TDirectDrawCanvas& canvas_;
};

Quad2D ShapeOf(float width, float height) {
  Quad2D quad;
  quad.SetWidth(width);
  quad.SetHeight(height);
  quad.SetUV(0, 0.0f, 0.0f);
  quad.SetUV(3, 1.0f, 1.0f);
  return quad;
}

class DirectDrawVisualsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(canvas_.Open(32, 320, 240)); }

  // An unkeyed picture, numbered, or of one value.
  std::unique_ptr<TDirectDrawSurface> Picture(int32_t width, int32_t height, uint32_t value = 0) {
    auto surface = std::make_unique<TDirectDrawSurface>(width, height, &canvas_);
    surface->GetPixels()->ClearColourKey();
    if (value == 0) {
      ddraw_test::Number(*surface);
    } else {
      surface->GetPixels()->Fill(nullptr, value);
    }
    return surface;
  }

  uint32_t Back(int32_t x, int32_t y) const { return canvas_.GetBackBuffer()->GetPixel(x, y); }
  void ClearBack() { ASSERT_EQ(canvas_.GetBackBuffer()->Fill(nullptr, 0), platform::SurfaceResult::kOk); }

  TDirectDrawCanvas canvas_;
  TFakeView view_{canvas_};
};

TEST_F(DirectDrawVisualsTest, FloorOnTopLandsOnePixelAboveAndLeftOfItsQuad) {
  auto picture = Picture(64, 48);
  const Quad2D shape = ShapeOf(64, 48);
  TVector3 position(100, 200, 0);
  TDirectDrawFloor floor(&position, false, &view_, {picture.get(), &shape, nullptr, nullptr});
  floor.SetOnTop();
  const TVector3 anchor = floor.GetFloorAnchor();
  EXPECT_FLOAT_EQ(anchor.x, 32.0f);
  EXPECT_FLOAT_EQ(anchor.y, 32.0f);
  floor.Draw(TVector3(), nullptr);
  EXPECT_FLOAT_EQ(floor.GetScreenPosition().x, 68.0f);
  EXPECT_FLOAT_EQ(floor.GetScreenPosition().y, 168.0f);
  EXPECT_FLOAT_EQ(floor.GetShape().GetX(0), 67.5f);
  EXPECT_FLOAT_EQ(floor.GetShape().GetY(3), 215.5f);
  EXPECT_EQ(floor.GetPlacement(), 2);
  EXPECT_EQ(Back(67, 167), NumberOf(0, 0));
  EXPECT_EQ(Back(130, 214), NumberOf(63, 47));
  EXPECT_EQ(Back(66, 167), 0u);
  EXPECT_EQ(Back(131, 214), 0u);
}

TEST_F(DirectDrawVisualsTest, HalfZoomProjectsAndShowsTheReducedCopy) {
  auto picture = Picture(64, 48);
  auto reduced = Picture(32, 24, 0x00AA5500u);
  const Quad2D shape = ShapeOf(64, 48);
  const Quad2D reducedShape = ShapeOf(32, 24);
  view_.zoom = 0.5f;
  view_.camera = TVector3(300, 200, 0);
  // At zoom 0.5 this point projects to (400, 300); the anchor (32, 32) is
  // halved, so the corner is (384, 284) before the camera takes (300, 200).
  TVector3 position(30.75f, 5.75f, 0);
  ASSERT_EQ(position.ScreenX(0.5f), 400);
  ASSERT_EQ(position.ScreenY(0.5f), 300);
  TDirectDrawFloor floor(&position, false, &view_, {picture.get(), &shape, reduced.get(), &reducedShape});
  floor.Draw(TVector3(), nullptr);
  EXPECT_FLOAT_EQ(floor.GetScreenPosition().x, 84.0f);
  EXPECT_FLOAT_EQ(floor.GetScreenPosition().y, 84.0f);
  EXPECT_EQ(&floor.GetShapeInUse(), floor.GetReducedShape());
  EXPECT_EQ(Back(83, 83), 0x00AA5500u);
  EXPECT_EQ(Back(114, 106), 0x00AA5500u);
  EXPECT_EQ(Back(115, 106), 0u);
  EXPECT_EQ(Back(114, 107), 0u);

  // Without a reduced copy the full picture is drawn at the same corner.
  ClearBack();
  TDirectDrawFloor plain(&position, false, &view_, {picture.get(), &shape, reduced.get(), nullptr});
  plain.Draw(TVector3(), nullptr);
  EXPECT_EQ(plain.GetReducedShape(), nullptr);
  EXPECT_EQ(Back(83, 83), NumberOf(0, 0));
  EXPECT_EQ(Back(146, 130), NumberOf(63, 47));
}

TEST_F(DirectDrawVisualsTest, OnlyZoomsAwayFromOneUseTheReducedCopy) {
  auto picture = Picture(8, 8);
  const Quad2D shape = ShapeOf(8, 8);
  const Quad2D reducedShape = ShapeOf(4, 4);
  TVector3 position;
  TDirectDrawSprite sprite(&position, false, &view_, {picture.get(), &shape, picture.get(), &reducedShape},
                           TVector3(0.5f, 1.0f, 0));
  struct Case {
    float zoom;
    bool reduced;
  };
  for (const Case c : {Case{1.0f, false}, Case{1.00005f, false}, Case{0.99995f, false}, Case{0.9999f, true},
                       Case{1.0001f, true}, Case{0.5f, true}, Case{2.0f, true}}) {
    view_.zoom = c.zoom;
    EXPECT_EQ(&sprite.GetShapeInUse() == sprite.GetReducedShape(), c.reduced) << c.zoom;
  }
}

TEST_F(DirectDrawVisualsTest, SpriteAnchorFollowsItsWidthAndHeight) {
  const Quad2D shape = ShapeOf(40, 60);
  const Quad2D reducedShape = ShapeOf(20, 30);
  auto picture = Picture(40, 60);
  TVector3 position(100, 100, 0);
  TDirectDrawSprite sprite(&position, false, &view_, {picture.get(), &shape, picture.get(), &reducedShape},
                           TVector3(0.5f, 1.0f, 0));
  EXPECT_FLOAT_EQ(sprite.GetAnchor().x, 20.0f);
  EXPECT_FLOAT_EQ(sprite.GetAnchor().y, 60.0f);
  // (100, 100) less the anchor: the rectangle (80, 40) to (120, 100).
  struct Hit {
    float x, y;
    bool hits;
  };
  for (const Hit h : {Hit{80, 40, true}, Hit{119.9f, 99.9f, true}, Hit{120, 100, false}, Hit{79.9f, 50, false},
                      Hit{100, 100, false}}) {
    EXPECT_EQ(sprite.HitTest(TVector3(h.x, h.y, 0)), h.hits) << h.x << ", " << h.y;
  }
  const TVector3 centre = sprite.GetPosition();
  EXPECT_FLOAT_EQ(centre.x, 100.0f);
  EXPECT_FLOAT_EQ(centre.y, 70.0f);
  EXPECT_FLOAT_EQ(centre.z, 0.0f);

  sprite.SetWidth(80);
  EXPECT_FLOAT_EQ(sprite.GetAnchor().x, 40.0f);
  EXPECT_FLOAT_EQ(sprite.GetAnchor().y, 60.0f);
  EXPECT_FLOAT_EQ(sprite.GetReducedShape()->GetWidth(), 20.0f);
  sprite.SetSize(10, 30);
  EXPECT_FLOAT_EQ(sprite.GetWidth(), 10.0f);
  EXPECT_FLOAT_EQ(sprite.GetAnchor().x, 5.0f);
  EXPECT_FLOAT_EQ(sprite.GetAnchor().y, 30.0f);
}

TEST_F(DirectDrawVisualsTest, FloorAndTerrainRectangles) {
  const Quad2D shape = ShapeOf(64, 48);
  auto picture = Picture(64, 48);
  TVector3 position(100, 200, 0);
  TDirectDrawFloor floor(&position, false, &view_, {picture.get(), &shape, nullptr, nullptr});
  TDirectDrawTerrain terrain(&position, false, &view_, {picture.get(), &shape, nullptr, nullptr});
  // (100, 200) less the floor anchor (32, 32): (68, 168) to (132, 216).
  for (const TVisual* visual : {static_cast<const TVisual*>(&floor), static_cast<const TVisual*>(&terrain)}) {
    EXPECT_TRUE(visual->HitTest(TVector3(68, 168, 0)));
    EXPECT_TRUE(visual->HitTest(TVector3(131, 215, 0)));
    EXPECT_FALSE(visual->HitTest(TVector3(132, 168, 0)));
    EXPECT_FALSE(visual->HitTest(TVector3(68, 216, 0)));
  }
  const TVector3 floorPosition = floor.GetPosition();
  EXPECT_FLOAT_EQ(floorPosition.y, 200.0f);
  const TVector3 centre = terrain.GetPosition();
  EXPECT_FLOAT_EQ(centre.x, 100.0f);
  EXPECT_FLOAT_EQ(centre.y, 192.0f);
  EXPECT_STREQ(terrain.GetClassName(), "TDIRECTDRAWTERRAIN");
}

TEST_F(DirectDrawVisualsTest, PicturesSitExactlyAtTheirPositionLessTheAnchor) {
  auto picture = Picture(20, 10);
  const Quad2D shape = ShapeOf(20, 10);
  TVector3 position(50, 40, 0);
  for (float zoom : {1.0f, 0.5f}) {
    ClearBack();
    view_.zoom = zoom;
    view_.camera = TVector3(1000, 1000, 0);
    TDirectDrawPicture panel(&position, false, &view_, {picture.get(), &shape, picture.get(), &shape},
                             TVector3(0.5f, 0.5f, 0));
    panel.Draw(TVector3(), nullptr);
    EXPECT_FLOAT_EQ(panel.GetShape().GetX(0), 40.0f) << zoom;
    EXPECT_EQ(Back(40, 35), NumberOf(0, 0)) << zoom;
    EXPECT_EQ(Back(59, 44), NumberOf(19, 9)) << zoom;
    EXPECT_EQ(Back(39, 35), 0u) << zoom;
    EXPECT_EQ(panel.GetReducedShape(), nullptr);
    EXPECT_FALSE(panel.HitTest(TVector3(45, 40, 0)));
  }
}

TEST_F(DirectDrawVisualsTest, PlacementIsKeptUntilAChangeOrAViewChange) {
  auto picture = Picture(16, 16);
  const Quad2D shape = ShapeOf(16, 16);
  TVector3 position(50, 60, 0);
  TDirectDrawFloor floor(&position, false, &view_, {picture.get(), &shape, nullptr, nullptr});
  floor.SetOnTop();
  // The anchor is (8, 0): the copy lands at (41, 59).
  floor.Draw(TVector3(), nullptr);
  EXPECT_EQ(Back(41, 59), NumberOf(0, 0));
  EXPECT_EQ(view_.classified, 1);

  ClearBack();
  floor.Draw(TVector3(10, 10, 0), nullptr);
  EXPECT_EQ(Back(41, 59), NumberOf(0, 0));
  EXPECT_EQ(view_.classified, 1);

  // A view change works out the screen place again from the kept position.
  ClearBack();
  view_.viewChanged = true;
  floor.Draw(TVector3(10, 10, 0), nullptr);
  view_.viewChanged = false;
  EXPECT_EQ(Back(41, 59), NumberOf(0, 0));
  EXPECT_EQ(view_.classified, 2);

  // A change takes the new offset.
  ClearBack();
  floor.SetChanged(true);
  floor.Draw(TVector3(10, 10, 0), nullptr);
  EXPECT_EQ(Back(51, 69), NumberOf(0, 0));
  EXPECT_EQ(Back(41, 59), 0u);
}

TEST_F(DirectDrawVisualsTest, QuadsOverTheEdgeGoThroughTheClippedCopy) {
  auto picture = Picture(16, 16);
  const Quad2D shape = ShapeOf(16, 16);
  TVector3 position(4, 50, 0);
  TDirectDrawPicture panel(&position, false, &view_, {picture.get(), &shape, nullptr, nullptr}, TVector3());
  panel.Draw(TVector3(), nullptr);
  EXPECT_EQ(panel.GetPlacement(), 2);
  // Moved half off the left edge: clipped, and the picture's last column and
  // row are left out.
  ClearBack();
  position = TVector3(-8, 50, 0);
  panel.SetChanged(true);
  panel.Draw(TVector3(), nullptr);
  EXPECT_EQ(panel.GetPlacement(), 1);
  EXPECT_EQ(Back(0, 50), NumberOf(8, 0));
  EXPECT_EQ(Back(6, 64), NumberOf(14, 14));
  EXPECT_EQ(Back(7, 50), 0u);
  EXPECT_EQ(Back(0, 65), 0u);
  // Wholly off: nothing to do.
  position = TVector3(-40, 50, 0);
  panel.SetChanged(true);
  panel.Draw(TVector3(), nullptr);
  EXPECT_EQ(panel.GetPlacement(), 0);
}

TEST_F(DirectDrawVisualsTest, VisualsWithoutAPictureDrawNothing) {
  const Quad2D shape = ShapeOf(16, 16);
  TVector3 position(50, 50, 0);
  TDirectDrawSprite sprite(&position, false, &view_, {nullptr, &shape, nullptr, nullptr}, TVector3());
  sprite.SetOnTop();
  sprite.Draw(TVector3(), nullptr);
  EXPECT_EQ(sprite.GetPlacement(), 0);
  // A picture whose file did not load has no pixels and measures 0 x 0.
  TDirectDrawSurface empty(TSurfaceKey("missing.bmp", nullptr), &canvas_);
  TDirectDrawSprite unloaded(&position, false, &view_, {&empty, &shape, nullptr, nullptr}, TVector3());
  unloaded.SetOnTop();
  unloaded.Draw(TVector3(), nullptr);
  EXPECT_EQ(unloaded.GetPlacement(), 0);
  for (int32_t y = 0; y < 240; y += 7) {
    for (int32_t x = 0; x < 320; x += 7) ASSERT_EQ(Back(x, y), 0u);
  }
  // Hidden visuals draw nothing either.
  auto picture = Picture(16, 16);
  TDirectDrawFloor hidden(&position, false, &view_, {picture.get(), &shape, nullptr, nullptr});
  hidden.Hide();
  hidden.Draw(TVector3(), nullptr);
  EXPECT_EQ(view_.classified, 2);
}

TEST_F(DirectDrawVisualsTest, ClonesSharePicturesAndOwnTheirQuads) {
  auto picture = Picture(40, 60);
  const Quad2D shape = ShapeOf(40, 60);
  const Quad2D reducedShape = ShapeOf(20, 30);
  TVector3 position(100, 100, 0);
  TDirectDrawSprite sprite(&position, false, &view_, {picture.get(), &shape, picture.get(), &reducedShape},
                           TVector3(0.5f, 1.0f, 0));
  sprite.SetOnTop();
  sprite.Draw(TVector3(), nullptr);
  TVector3 elsewhere(200, 150, 0);
  std::unique_ptr<TVisual> clone = sprite.Clone(&elsewhere, false);
  auto* copy = dynamic_cast<TDirectDrawSprite*>(clone.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetSurfaceInUse(), sprite.GetSurfaceInUse());
  EXPECT_NE(&copy->GetShape(), &sprite.GetShape());
  ASSERT_NE(copy->GetReducedShape(), nullptr);
  EXPECT_NE(copy->GetReducedShape(), sprite.GetReducedShape());
  EXPECT_EQ(copy->GetPlacement(), 0);
  EXPECT_FLOAT_EQ(copy->GetAnchor().x, 20.0f);
  copy->SetOnTop();
  copy->Draw(TVector3(), nullptr);
  // (200, 150) less (20, 60), one pixel up and left.
  EXPECT_EQ(Back(179, 89), NumberOf(0, 0));
  EXPECT_STREQ(copy->GetClassName(), "TDIRECTDRAWSPRITE");
}

TEST_F(DirectDrawVisualsTest, WorldBarsAskTheDisplayUnlessHidden) {
  TVector3 position(3, 4, 0);
  TDirectDrawWorldBar bar(&position, false, &view_, TVector3(0, 0, 0), TVector3(1, 0, 0), 3.0f,
                          std::make_unique<TColour>(1.0f, 0.0f, 0.0f, 1.0f));
  bar.Hide();
  bar.Draw(TVector3(1, 2, 0), nullptr);
  EXPECT_TRUE(view_.bars.empty());
  bar.Show();
  bar.Draw(TVector3(1, 2, 0), nullptr);
  ASSERT_EQ(view_.bars.size(), 1u);
  EXPECT_EQ(view_.bars[0].first, &bar);
  EXPECT_FLOAT_EQ(view_.bars[0].second.y, 2.0f);
  TVector3 other(0, 0, 0);
  std::unique_ptr<TVisual> clone = bar.Clone(&other, false);
  clone->Draw(TVector3(), nullptr);
  ASSERT_EQ(view_.bars.size(), 2u);
  EXPECT_EQ(view_.bars[1].first, clone.get());
  EXPECT_FLOAT_EQ(dynamic_cast<TWorldBar*>(clone.get())->GetValue(), 3.0f);
}

}  // namespace
