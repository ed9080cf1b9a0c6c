#include <gtest/gtest.h>

#include "display/colour.h"
#include "display/d3d/d3d_test_support.h"
#include "display/d3d/d3d_visual_support.h"
#include "display/d3d/sprite_visuals.h"
#include "display/d3d/terrain_sprite.h"
#include "display/mapview/lighting_grid.h"
#include "support/temp_folder.h"

namespace {

using d3d_test::SoftwareScene;

// Sixteen opaque colours, one per texel of a 4 x 4 texture.
std::vector<uint32_t> Distinct4x4() {
  std::vector<uint32_t> texels;
  for (uint32_t i = 0; i < 16; ++i) texels.push_back(0xFF000000u | (i * 16u + 8u) << 16 | (255u - i * 16u) << 8 | (i * 5u));
  return texels;
}

std::unique_ptr<TShape> FullQuad(SoftwareScene& scene, float width, float height) {
  std::unique_ptr<TShape> shape = scene.view.GetShapeFactory().CreateShape("QuadDD8", {"0,0,1,1", "0"});
  shape->SetWidth(width);
  shape->SetHeight(height);
  return shape;
}

TEST(PolygonSprite, AKnownTextureLandsTexelForPixelOnPixelEdges) {
  TTempFolder folder;
  SoftwareScene scene(64, 48);
  const std::vector<uint32_t> texels = Distinct4x4();
  const std::unique_ptr<TSurface> texture =
      scene.display->CreateSurface(TSurfaceKey(d3d_test::WriteTga("tex", 4, 4, texels), nullptr));
  TVector3 at(10.0f, 20.0f, 0.0f);
  TPolygonSprite sprite(&at, true, scene.view, texture.get(), *FullQuad(scene, 4.0f, 4.0f), TVector3());
  sprite.SetOnTop();
  scene.display->BeginFrame();
  sprite.Draw(TVector3(), nullptr);

  const TShape& shape = sprite.GetQuad().GetShape();
  const float corners[4][2] = {{9.5f, 19.5f}, {13.5f, 19.5f}, {9.5f, 23.5f}, {13.5f, 23.5f}};
  for (int32_t i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(shape.GetX(i), corners[i][0]) << i;
    EXPECT_FLOAT_EQ(shape.GetY(i), corners[i][1]) << i;
  }
  for (int32_t y = 0; y < 4; ++y) {
    for (int32_t x = 0; x < 4; ++x) {
      EXPECT_EQ(scene.Pixel(10 + x, 20 + y), texels[static_cast<std::size_t>(y * 4 + x)] & 0xFFFFFFu) << x << "," << y;
    }
  }
  for (const auto& [x, y] : std::vector<std::pair<int32_t, int32_t>>{{9, 20}, {14, 20}, {10, 19}, {10, 24}}) {
    EXPECT_EQ(scene.Pixel(x, y), 0u) << x << "," << y;
  }
}

TEST(PolygonSprite, TheAnchorIsAFractionOfTheSize) {
  SoftwareScene scene;
  TVector3 at;
  TPolygonSprite sprite(&at, true, scene.view, nullptr, *FullQuad(scene, 64.0f, 80.0f), TVector3(0.5f, 1.0f, 0.0f));
  EXPECT_FLOAT_EQ(sprite.GetQuad().GetAnchor().x, 32.0f);
  EXPECT_FLOAT_EQ(sprite.GetQuad().GetAnchor().y, 80.0f);
  sprite.SetWidth(100.0f);
  EXPECT_FLOAT_EQ(sprite.GetQuad().GetAnchor().x, 50.0f);
  sprite.SetSize(10.0f, 20.0f);
  EXPECT_FLOAT_EQ(sprite.GetWidth(), 10.0f);
  EXPECT_FLOAT_EQ(sprite.GetQuad().GetAnchor().y, 20.0f);
}

TEST(PolygonSprite, HitTestIncludesTheTopLeftEdgesOnly) {
  SoftwareScene scene;
  TVector3 at(100.0f, 100.0f, 0.0f);
  TPolygonSprite sprite(&at, true, scene.view, nullptr, *FullQuad(scene, 64.0f, 80.0f), TVector3(0.5f, 1.0f, 0.0f));
  sprite.SetOnTop();
  struct Case {
    float x, y;
    bool hit;
  };
  const Case cases[] = {{68.0f, 20.0f, true}, {131.9f, 99.9f, true}, {132.0f, 50.0f, false}, {100.0f, 100.0f, false},
                        {67.9f, 50.0f, false}, {100.0f, 19.9f, false}};
  for (const Case& c : cases) EXPECT_EQ(sprite.HitTest(TVector3(c.x, c.y, 0.0f)), c.hit) << c.x << "," << c.y;
  const TVector3 centre = sprite.GetPosition();
  EXPECT_FLOAT_EQ(centre.x, 100.0f);
  EXPECT_FLOAT_EQ(centre.y, 60.0f);
}

TEST(PolygonSprite, AViewChangeReplacesTheQuadButKeepsTheWorldPosition) {
  SoftwareScene scene(800, 600);
  TVector3 at(5.0f, 5.0f, 0.0f);
  TPolygonSprite sprite(&at, true, scene.view, nullptr, *FullQuad(scene, 64.0f, 80.0f), TVector3());
  sprite.Draw(TVector3(), nullptr);
  const float firstX = sprite.GetQuad().GetShape().GetX(0);
  scene.display->SetViewChanged(true);
  scene.view.camera = TVector3(10.0f, 0.0f, 0.0f);
  sprite.Draw(TVector3(3.0f, 3.0f, 0.0f), nullptr);
  EXPECT_FLOAT_EQ(sprite.GetQuad().GetWorldPosition().x, 5.0f);
  EXPECT_FLOAT_EQ(sprite.GetQuad().GetShape().GetX(0), firstX - 10.0f);
}

TEST(PolygonSprite, WithoutLightOrTintTheVertexColoursStay) {
  SoftwareScene scene(800, 600);
  TVector3 at(5.0f, 5.0f, 0.0f);
  std::unique_ptr<TShape> shape = FullQuad(scene, 64.0f, 80.0f);
  shape->SetColour(2, 0x80112233u);
  TPolygonSprite sprite(&at, true, scene.view, nullptr, *shape, TVector3());
  sprite.Draw(TVector3(), nullptr);
  EXPECT_EQ(static_cast<const TVertexShape&>(sprite.GetQuad().GetShape()).GetVertices()[2].colour,
            0x80112233u);
  const TColour tint(0.0f, 0.0f, 0.0f, 0.5f);
  sprite.SetTint(&tint, 0.25f);
  sprite.SetTint(nullptr, 0.9f);
  EXPECT_FLOAT_EQ(sprite.GetTintAmount(), 0.25f) << "clearing the tint keeps the amount";
  for (const TVertex& vertex : static_cast<const TVertexShape&>(sprite.GetQuad().GetShape()).GetVertices()) {
    EXPECT_EQ(vertex.colour, 0xFFFFFFFFu);
  }
}

TEST(D3DVisualColours, BrightnessAndTintMakeTheVertexColour) {
  struct Case {
    float brightness;
    TColour tint;
    bool tinted;
    float amount;
    uint32_t colour;
  };
  const Case cases[] = {
      {0.8f, TColour(), false, 0.0f, 0xFFCCCCCCu},
      {0.8f, TColour(1.0f, 1.0f, 1.0f, 0.5f), true, 0.7f, 0x7FCCCCCCu},  // white adds nothing
      {0.8f, TColour(0.0f, 0.0f, 0.0f, 1.0f), true, 0.5f, 0xFFFFFFFFu},  // held at 1.0
      {1.0f, TColour(1.0f, 0.0f, 0.0f, 1.0f), true, -0.5f, 0xFFFF7F7Fu},
      {0.2f, TColour(1.0f, 1.0f, 1.0f, 1.0f), true, -5.0f, 0xFF333333u},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(d3d_visuals::LitColour(c.brightness, c.tinted ? &c.tint : nullptr, c.amount), c.colour) << c.brightness;
  }
  const TColour translucent(1.0f, 0.0f, 0.0f, 0.2f);
  EXPECT_EQ(d3d_visuals::LitOpaqueColour(1.0f, &translucent, -0.5f), 0xFFFF7F7Fu);
}

TEST(PictureVisual, CornersAreWholePixelsAndItIsNotLit) {
  SoftwareScene scene(800, 600);
  TVector3 at(10.7f, 20.2f, 0.0f);
  TPictureVisual picture(&at, true, scene.view, nullptr, *FullQuad(scene, 8.0f, 6.0f), TVector3(0.5f, 0.5f, 0.0f));
  picture.SetOnTop();
  picture.Draw(TVector3(), nullptr);
  const TShape& shape = picture.GetQuad().GetShape();
  EXPECT_FLOAT_EQ(shape.GetX(0), 6.0f);  // trunc(10.7 - 4)
  EXPECT_FLOAT_EQ(shape.GetY(0), 17.0f);  // trunc(20.2 - 3)
  EXPECT_FLOAT_EQ(shape.GetX(3), 14.0f);
  EXPECT_FLOAT_EQ(shape.GetY(3), 23.0f);
  EXPECT_FALSE(picture.HitTest(TVector3(10.0f, 20.0f, 0.0f)));
}

TEST(TerrainSprite, StandsOnItsProjectedPoint) {
  SoftwareScene scene(800, 600);
  // This world point projects to (400, 300) at zoom 1.0.
  TVector3 at(15.125f, 2.625f, 0.0f);
  ASSERT_EQ(at.ScreenX(), 400);
  ASSERT_EQ(at.ScreenY(), 300);
  TTerrainSpriteVisual sprite(&at, true, scene.view, nullptr, *FullQuad(scene, 64.0f, 48.0f));
  sprite.Draw(TVector3(), nullptr);
  const TShape& shape = sprite.GetShape();
  EXPECT_FLOAT_EQ(shape.GetX(0), 368.0f);
  EXPECT_FLOAT_EQ(shape.GetY(0), 268.0f);
  EXPECT_FLOAT_EQ(shape.GetX(3), 432.0f);
  EXPECT_FLOAT_EQ(shape.GetY(3), 316.0f);
  EXPECT_TRUE(sprite.IsVisible());

  // Unchanged and no view change: the last placement and culling stay,
  // even when the view has moved far away.
  scene.display->SetViewChanged(false);
  scene.view.camera = TVector3(5000.0f, 0.0f, 0.0f);
  sprite.Draw(TVector3(), nullptr);
  EXPECT_TRUE(sprite.IsVisible());
  EXPECT_FLOAT_EQ(sprite.GetShape().GetX(0), 368.0f);
  scene.display->SetViewChanged(true);
  sprite.Draw(TVector3(), nullptr);
  EXPECT_FALSE(sprite.IsVisible());
}

TEST(TerrainSprite, CornersAreLitFromTheirNeighboursAndTintable) {
  SoftwareScene scene(800, 600);
  TVector3 at(15.125f, 2.625f, 0.0f);
  TTerrainSpriteVisual sprite(&at, true, scene.view, nullptr, *FullQuad(scene, 64.0f, 48.0f));
  const TColour red(1.0f, 0.0f, 0.0f, 1.0f);
  sprite.SetTint(&red, -0.5f);
  sprite.Draw(TVector3(), nullptr);
  for (const TVertex& vertex : static_cast<const TVertexShape&>(sprite.GetShape()).GetVertices()) {
    EXPECT_EQ(vertex.colour, 0xFFFF7F7Fu);
  }
  sprite.SetTint(nullptr, 3.0f);
  for (const TVertex& vertex : static_cast<const TVertexShape&>(sprite.GetShape()).GetVertices()) {
    EXPECT_EQ(vertex.colour, 0xFFFFFFFFu);
  }

  // A dark grid: every sample is black.
  TLightGrid grid(40, 40);
  sprite.Draw(TVector3(), &grid);
  for (const TVertex& vertex : static_cast<const TVertexShape&>(sprite.GetShape()).GetVertices()) {
    EXPECT_EQ(vertex.colour, 0xFF000000u);
  }
}

TEST(TerrainSprite, HitTestScalesTheExtentButNotTheAnchor) {
  SoftwareScene scene;
  TVector3 at(100.0f, 100.0f, 0.0f);
  TTerrainSpriteVisual sprite(&at, true, scene.view, nullptr, *FullQuad(scene, 64.0f, 48.0f));
  sprite.SetOnTop();
  EXPECT_TRUE(sprite.HitTest(TVector3(68.0f, 68.0f, 0.0f)));
  EXPECT_FALSE(sprite.HitTest(TVector3(132.0f, 68.0f, 0.0f)));
  const TVector3 middle = sprite.GetPosition();
  EXPECT_FLOAT_EQ(middle.x, 100.0f);
  EXPECT_FLOAT_EQ(middle.y, 92.0f);
}

}  // namespace
