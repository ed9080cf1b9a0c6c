#include <gtest/gtest.h>

#include <cmath>

#include "display/colour.h"
#include "display/d3d/d3d_test_support.h"
#include "display/d3d/d3d_world_bar.h"
#include "display/d3d/mesh_visual.h"
#include "display/mapview/lighting_grid.h"
#include "support/temp_folder.h"

namespace {

using d3d_test::SoftwareScene;

std::unique_ptr<TShape> Mesh(SoftwareScene& scene, float width, float height) {
  std::unique_ptr<TShape> shape = scene.view.GetShapeFactory().CreateShape("MeshDD8", {"0,0,1,1", "0"});
  shape->SetWidth(width);
  shape->SetHeight(height);
  return shape;
}

// Ground over the squares from (0, 0) to (3, 3): inner corners at the
// ambient brightness, the border corners dark.
TLightGrid GroundGrid() {
  TLightGrid grid(4, 4);
  for (int x = 0; x <= 3; ++x) {
    for (int y = 0; y <= 3; ++y) grid.Stamp(TVector3(static_cast<float>(x), static_cast<float>(y), 0.0f), true);
  }
  return grid;
}

const std::vector<TVertex>& Vertices(const TShape& shape) { return static_cast<const TVertexShape&>(shape).GetVertices(); }

TEST(MeshVisual, OffsetsFollowTheIsometricGrid) {
  SoftwareScene scene(800, 600);
  TVector3 at(10.0f, 4.0f, 0.0f);
  TMeshVisual mesh(&at, true, scene.view, nullptr, *Mesh(scene, 64.0f, 80.0f));
  mesh.Draw(TVector3(), nullptr);
  EXPECT_FLOAT_EQ(mesh.GetXOffset(0), 192.0f);
  EXPECT_FLOAT_EQ(mesh.GetYOffset(0), 240.0f);
  EXPECT_FLOAT_EQ(mesh.GetXOffset(1), 192.0f);
  EXPECT_FLOAT_EQ(mesh.GetYOffset(1), 224.0f);
  EXPECT_FLOAT_EQ(mesh.GetShape().GetX(0), 192.5f);
  EXPECT_FLOAT_EQ(mesh.GetShape().GetY(2), 240.5f);

  // A scroll without the redraw flag moves the stored offsets.
  scene.view.camera = TVector3(10.0f, 20.0f, 0.0f);
  scene.display->SetViewChanged(true);
  scene.view.zoom = 2.0f;
  mesh.Draw(TVector3(), nullptr);
  EXPECT_FLOAT_EQ(mesh.GetXOffset(0), 192.0f) << "offsets are not recomputed";
  EXPECT_FLOAT_EQ(mesh.GetShape().GetX(0), 182.5f);
  EXPECT_FLOAT_EQ(mesh.GetShape().GetY(0), 220.5f);
  scene.view.redraw = true;
  mesh.Draw(TVector3(), nullptr);
  EXPECT_FLOAT_EQ(mesh.GetXOffset(0), 384.0f);
}

TEST(MeshVisual, NarrowShapesAreCulledSixteenPixelsLower) {
  SoftwareScene scene(800, 600);
  TVector3 at(10.0f, 4.0f, 0.0f);
  TMeshVisual narrow(&at, true, scene.view, nullptr, *Mesh(scene, 64.0f, 80.0f));
  TMeshVisual wide(&at, true, scene.view, nullptr, *Mesh(scene, 65.0f, 80.0f));
  narrow.Draw(TVector3(), nullptr);
  wide.Draw(TVector3(), nullptr);
  EXPECT_FLOAT_EQ(narrow.GetScreenPoint().y - wide.GetScreenPoint().y, 16.0f);
}

TEST(MeshVisual, OnTopVerticesUseTheFixedDiamond) {
  SoftwareScene scene(800, 600);
  TVector3 at(100.0f, 200.0f, 0.0f);
  TMeshVisual mesh(&at, true, scene.view, nullptr, *Mesh(scene, 64.0f, 80.0f));
  mesh.SetOnTop();
  mesh.Draw(TVector3(), nullptr);
  const float expected[6][2] = {{100, 184}, {100, 168}, {132, 184}, {100, 200}, {68, 184}, {100, 168}};
  for (int32_t i = 0; i < 6; ++i) {
    EXPECT_FLOAT_EQ(mesh.GetShape().GetX(i), expected[i][0]) << i;
    EXPECT_FLOAT_EQ(mesh.GetShape().GetY(i), expected[i][1]) << i;
  }
}

TEST(MeshVisual, HitTestMeasuresFromSixteenAboveThePosition) {
  SoftwareScene scene;
  TVector3 at(100.0f, 100.0f, 0.0f);
  TMeshVisual mesh(&at, true, scene.view, nullptr, *Mesh(scene, 64.0f, 80.0f));
  EXPECT_TRUE(mesh.HitTest(TVector3(131.9f, 84.0f, 0.0f)));
  EXPECT_FALSE(mesh.HitTest(TVector3(132.0f, 84.0f, 0.0f)));
}

TEST(MeshVisual, CornerLightBlendsAcrossTheSquare) {
  TTempFolder folder;
  SoftwareScene scene(240, 120);
  const std::unique_ptr<TSurface> white = scene.display->CreateSurface(
      TSurfaceKey(d3d_test::WriteTga("white", 2, 2, std::vector<uint32_t>(4, 0xFFFFFFFFu)), nullptr));
  scene.view.camera = TVector3(-200.0f, 0.0f, 0.0f);
  TLightGrid grid = GroundGrid();

  // Square (0, 1): its top and left corners lie on the dark border, its
  // right and bottom corners inside.
  TVector3 at(0.0f, 1.0f, 0.0f);
  TMeshVisual mesh(&at, true, scene.view, white.get(), *Mesh(scene, 64.0f, 80.0f));
  scene.display->BeginFrame();
  mesh.Draw(TVector3(), &grid);
  const std::vector<TVertex>& vertices = Vertices(mesh.GetShape());
  EXPECT_EQ(vertices[1].colour, 0xFF000000u);
  EXPECT_EQ(vertices[2].colour, 0xFF7F7F7Fu);
  EXPECT_EQ(vertices[3].colour, 0xFF7F7F7Fu);
  EXPECT_EQ(vertices[4].colour, 0xFF000000u);
  EXPECT_EQ(vertices[0].colour, 0xFF3F3F3Fu) << "the centre takes the brighter diagonal's mean";
  EXPECT_EQ(vertices[5].colour, vertices[1].colour);
  // The diamond spans x 136.5 .. 200.5, y 16.5 .. 48.5.
  const int32_t nearRight = d3d_test::Red(scene.Pixel(196, 32));
  const int32_t middle = d3d_test::Red(scene.Pixel(168, 32));
  const int32_t nearLeft = d3d_test::Red(scene.Pixel(140, 32));
  EXPECT_GT(nearRight, 100);
  EXPECT_NEAR(middle, 63, 4);
  EXPECT_LT(nearLeft, 20);
  EXPECT_EQ(scene.Pixel(130, 32), 0u);

  // Square (0, 0) has three dark corners: the centre goes black.
  TVector3 corner(0.0f, 0.0f, 0.0f);
  TMeshVisual dark(&corner, true, scene.view, white.get(), *Mesh(scene, 64.0f, 80.0f));
  dark.Draw(TVector3(), &grid);
  EXPECT_EQ(Vertices(dark.GetShape())[0].colour, 0xFF000000u);
}

TEST(MeshVisual, ATintWithoutLightColoursEveryVertex) {
  SoftwareScene scene(800, 600);
  TVector3 at(10.0f, 4.0f, 0.0f);
  TMeshVisual mesh(&at, true, scene.view, nullptr, *Mesh(scene, 64.0f, 80.0f));
  const TColour tint(0.0f, 1.0f, 1.0f, 1.0f);
  mesh.SetTint(&tint, -0.5f);
  mesh.Draw(TVector3(), nullptr);
  for (const TVertex& vertex : Vertices(mesh.GetShape())) EXPECT_EQ(vertex.colour, 0xFF7FFFFFu);
  mesh.SetTint(nullptr, 0.0f);
  for (const TVertex& vertex : Vertices(mesh.GetShape())) EXPECT_EQ(vertex.colour, 0xFFFFFFFFu);
}

TEST(WorldBar, GeometryAtZoomOne) {
  SoftwareScene scene(800, 600);
  TVector3 at;
  TDD7WorldBar bar(&at, true, scene.view, TVector3(0.0f, 0.0f, 0.0f), TVector3(1.0f, 0.0f, 0.0f), 4.0f,
                   std::make_unique<TColour>(1.0f, 0.0f, 0.0f, 1.0f));
  const float length = std::sqrt(32.0f * 32.0f + 16.0f * 16.0f);
  EXPECT_NEAR(bar.GetLength(), 35.78f, 0.01f);
  EXPECT_NEAR(bar.GetAcross().x, 16.0f / length * 2.0f, 1e-5f);
  EXPECT_NEAR(bar.GetAcross().y, -32.0f / length * 2.0f, 1e-5f);
  EXPECT_NEAR(bar.GetAlong().x, 32.0f, 1e-4f);
  EXPECT_NEAR(bar.GetAlong().y, 16.0f, 1e-4f);
  EXPECT_FALSE(bar.IsDegenerate());
}

TEST(WorldBar, AnOnTopBandHasItsCornersAcrossTheThickness) {
  SoftwareScene scene(64, 48);
  TVector3 at(10.0f, 20.0f, 0.0f);
  TDD7WorldBar bar(&at, true, scene.view, TVector3(0.0f, 0.0f, 0.0f), TVector3(100.0f, 0.0f, 0.0f), 6.0f,
                   std::make_unique<TColour>(0.0f, 1.0f, 0.0f, 1.0f));
  bar.SetOnTop();
  scene.display->BeginFrame();
  bar.Draw(TVector3(), nullptr);
  const float expected[4][2] = {{10, 17}, {110, 17}, {10, 23}, {110, 23}};
  for (int32_t i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(bar.GetShape().GetX(i), expected[i][0]) << i;
    EXPECT_FLOAT_EQ(bar.GetShape().GetY(i), expected[i][1]) << i;
  }
  EXPECT_EQ(scene.Pixel(10, 17), 0x00FF00u);
  EXPECT_EQ(scene.Pixel(63, 22), 0x00FF00u);
  EXPECT_EQ(scene.Pixel(20, 23), 0u);
  EXPECT_EQ(scene.Pixel(9, 20), 0u);

  // A new colour repaints all four corners.
  bar.SetColour(TColour(0.0f, 0.0f, 1.0f, 1.0f));
  for (const TVertex& vertex : Vertices(bar.GetShape())) EXPECT_EQ(vertex.colour, 0xFF0000FFu);
}

TEST(WorldBar, EqualCornersDrawNothingUntilACornerChanges) {
  SoftwareScene scene(64, 48);
  TVector3 at(10.0f, 20.0f, 0.0f);
  TDD7WorldBar bar(&at, true, scene.view, TVector3(5.0f, 5.0f, 0.0f), TVector3(5.00005f, 5.0f, 0.0f), 6.0f,
                   std::make_unique<TColour>(1.0f, 1.0f, 1.0f, 1.0f));
  bar.SetOnTop();
  EXPECT_TRUE(bar.IsDegenerate());
  scene.display->BeginFrame();
  bar.Draw(TVector3(), nullptr);
  EXPECT_EQ(scene.Pixel(15, 25), 0u);
  bar.SetEndCorner(TVector3(20.0f, 5.0f, 0.0f));
  EXPECT_FALSE(bar.IsDegenerate());
  bar.Draw(TVector3(), nullptr);
  EXPECT_EQ(scene.Pixel(15, 25), 0xFFFFFFu);
}

TEST(WorldBar, ATexturedBarSharesItsTextureWithItsClones) {
  TTempFolder folder;
  SoftwareScene scene(64, 48);
  const std::unique_ptr<TSurface> texture = scene.display->CreateSurface(
      TSurfaceKey(d3d_test::WriteTga("band", 2, 1, {0xFFFF0000u, 0xFF0000FFu}), nullptr));
  TVector3 at(0.0f, 10.0f, 0.0f);
  TDD7WorldBar bar(&at, true, scene.view, TVector3(), TVector3(40.0f, 0.0f, 0.0f), 8.0f, texture.get());
  const std::unique_ptr<TVisual> clone = bar.Clone(nullptr, true);
  const auto& copy = static_cast<const TDD7WorldBar&>(*clone);
  EXPECT_EQ(copy.GetSurface(), texture.get());
  const float uv[4][2] = {{0, 1}, {1, 1}, {0, 0}, {1, 0}};
  for (int32_t i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(copy.GetShape().GetU(i), uv[i][0]);
    EXPECT_FLOAT_EQ(copy.GetShape().GetV(i), uv[i][1]);
  }
  bar.SetOnTop();
  scene.display->BeginFrame();
  bar.Draw(TVector3(), nullptr);
  EXPECT_EQ(scene.Pixel(5, 10), 0xFF0000u) << "the image runs along the band";
  EXPECT_EQ(scene.Pixel(35, 10), 0x0000FFu);
}

TEST(WorldBar, BarsFartherOutsideThanTheirLengthAreNotDrawn) {
  SoftwareScene scene(64, 48);
  // A thick band above the screen would reach down into it if it were drawn.
  struct Case {
    float y;
    bool drawn;
  };
  for (const Case c : {Case{-28.0f, true}, Case{-30.0f, false}}) {
    TVector3 at(10.0f, c.y, 0.0f);
    TDD7WorldBar bar(&at, true, scene.view, TVector3(), TVector3(29.0f, 0.0f, 0.0f), 80.0f,
                     std::make_unique<TColour>(1.0f, 1.0f, 1.0f, 1.0f));
    bar.SetOnTop();
    scene.display->BeginFrame();
    bar.Draw(TVector3(), nullptr);
    EXPECT_EQ(scene.Pixel(15, 5), c.drawn ? 0xFFFFFFu : 0u) << c.y;
  }
}

}  // namespace
