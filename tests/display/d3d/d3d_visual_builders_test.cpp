#include <gtest/gtest.h>

#include "display/d3d/d3d_test_support.h"
#include "display/d3d/d3d_visual_builders.h"
#include "display/d3d/d3d_world_bar.h"
#include "display/d3d/mesh_visual.h"
#include "display/d3d/sprite_visuals.h"
#include "display/d3d/terrain_sprite.h"
#include "display/surface_cache.h"
#include "display/visuals/visual_library.h"
#include "support/temp_folder.h"

namespace {

TEST(D3DVisualBuilders, TheLibraryBuildsTheThreeDimensionalEntries) {
  TTempFolder folder;
  d3d_test::SoftwareScene scene(64, 48);
  d3d_test::WriteTga("tex", 2, 2, std::vector<uint32_t>(4, 0xFFFFFFFFu));
  TSurfaceCache cache(scene.display.get());
  TVisualLibrary library("3D.cfg", &cache, scene.display.get());
  RegisterDirect3DVisuals(library, scene.view);
  library.SetDefinitionText("Visual",
                            "#\n[Ground]\nMesh | tex.tga | 64, 32 | 0,0,1,1 | 0 | 2, 3\n"
                            "[Rock]\nTerrainSprite | tex.tga | 64, 48 | 0,0,1,1\n"
                            "[Health]\nDD7WorldBar | 0,0 | 1,0 | 4 | 1,0,0,1\n"
                            "[Banner]\nDD7WorldBar | 0,0 | 1,0 | 4 | 1,0,0,1 | tex.tga\n"
                            "[Soldier]\nPolygonSprite | tex.tga | 32, 40 | 0,0,1,1 | 0.5, 1.0\n"
                            "[Poster]\nPictureVisual | tex.tga | 8, 6 | 0,0,1,1 | 0, 0 | 7, 8\n");
  TVector3 at(1.0f, 1.0f, 0.0f);

  const std::unique_ptr<TVisual> ground = library.BuildVisual(&at, false, "Ground", "Visual", nullptr);
  ASSERT_NE(ground, nullptr);
  EXPECT_STREQ(ground->GetClassName(), TMeshVisual::kClassName);
  EXPECT_FLOAT_EQ(static_cast<TMeshVisual&>(*ground).GetShape().GetWidth(), 64.0f);

  const std::unique_ptr<TVisual> rock = library.BuildVisual(&at, false, "Rock", "Visual", nullptr);
  ASSERT_NE(rock, nullptr);
  EXPECT_STREQ(rock->GetClassName(), TTerrainSpriteVisual::kClassName);

  const std::unique_ptr<TVisual> health = library.BuildVisual(&at, false, "Health", "Visual", nullptr);
  ASSERT_NE(dynamic_cast<TDD7WorldBar*>(health.get()), nullptr);
  EXPECT_EQ(static_cast<TDD7WorldBar&>(*health).GetSurface(), nullptr);
  ASSERT_NE(static_cast<TDD7WorldBar&>(*health).GetColour(), nullptr);

  const std::unique_ptr<TVisual> banner = library.BuildVisual(&at, false, "Banner", "Visual", nullptr);
  ASSERT_NE(dynamic_cast<TDD7WorldBar*>(banner.get()), nullptr);
  EXPECT_NE(static_cast<TDD7WorldBar&>(*banner).GetSurface(), nullptr);

  const std::unique_ptr<TVisual> soldier = library.BuildVisual(&at, false, "Soldier", "Visual", nullptr);
  ASSERT_NE(soldier, nullptr);
  EXPECT_STREQ(soldier->GetClassName(), TPolygonSprite::kClassName);
  EXPECT_FLOAT_EQ(static_cast<TPolygonSprite&>(*soldier).GetQuad().GetAnchor().y, 40.0f);

  const std::unique_ptr<TVisual> poster = library.BuildVisual(&at, false, "Poster", "Visual", nullptr);
  ASSERT_NE(poster, nullptr);
  EXPECT_STREQ(poster->GetClassName(), TPictureVisual::kClassName);
  EXPECT_EQ(cache.GetLoadCount(), 1) << "one texture for every entry";
}

}  // namespace
