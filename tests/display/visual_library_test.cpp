#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/text_utils.h"
#include "display/image/pixel_shader.h"
#include "display/surface_cache.h"
#include "display/visuals/bar_visual.h"
#include "display/visuals/visual_library.h"
#include "display/visuals/visual_node.h"
#include "support/recording_display.h"
#include "support/temp_folder.h"

namespace {

using testing_display::RecordingDisplay;

std::string FixtureRoot() { return std::string(DVX_TEST_FIXTURES) + "/visuals/"; }

// The tree as class names: "TVISUALNODE(TNULLVISUAL,TVISUALSWITCH())".
std::string Shape(const TVisual* visual) {
  if (visual == nullptr) return "null";
  std::string text = visual->GetClassName();
  const auto* node = dynamic_cast<const TVisualNode*>(visual);
  if (dynamic_cast<const TBarVisual*>(visual) != nullptr) text = "BAR";
  if (node == nullptr || dynamic_cast<const TStatBar*>(visual) != nullptr) return text;
  text += "(";
  for (int32_t i = 0; i < node->GetChildCount(); ++i) text += (i > 0 ? "," : "") + Shape(node->GetChild(i));
  return text + ")";
}

class VisualLibraryTest : public ::testing::Test {
 protected:
  RecordingDisplay display;
  TSurfaceCache surfaces{&display};
  TVisualLibrary library{"2D.cfg", &surfaces, nullptr, FixtureRoot()};

  std::unique_ptr<TVisual> Build(const std::string& name, const std::string& category = "Interface",
                                 const TPixelShader* shader = nullptr) {
    return library.BuildVisual(&where, false, name, category, shader);
  }

  TVector3 where{1.0f, 2.0f, 0.0f};
};

TEST_F(VisualLibraryTest, DefinitionsBuildTheirTrees) {
  struct Case {
    const char* name;
    const char* tree;
  };
  const Case cases[] = {
      {"Marker", "TVISUALNODE(BAR,BAR)"},
      // A child list closed by "End" hands the next line to the enclosing
      // list; the last list runs to the end of the definition.
      {"Nested", "TVISUALNODE(TVISUALSWITCH(TNULLVISUAL,BAR),TNULLVISUAL,TVISUALCYCLE(TNULLVISUAL,TNULLVISUAL,"
                 "TNULLVISUAL))"},
      {"Health", "TSTATBAR"},
      {"ShiftedFields", "BAR"},
      // The object comes first in the file, the shadow is child 0.
      {"Shadowed", "TSHADOWVISUAL(TNULLVISUAL,BAR)"},
      // An unknown line ends every open list and is not consumed.
      {"Stopped", "TVISUALNODE(TNULLVISUAL)"},
      // Type words are found as substrings, "StatBar" before "Bar".
      {"BarMisread", "TSTATBAR"},
  };
  for (const Case& c : cases) {
    const std::unique_ptr<TVisual> visual = Build(c.name);
    EXPECT_EQ(Shape(visual.get()), c.tree) << c.name;
  }
}

TEST_F(VisualLibraryTest, FieldsReachTheBuiltVisuals) {
  const std::unique_ptr<TVisual> marker = Build("Marker");
  auto* node = dynamic_cast<TVisualNode*>(marker.get());
  ASSERT_NE(node, nullptr);
  const auto* first = dynamic_cast<const TBarVisual*>(node->GetChild(0));
  const auto* second = dynamic_cast<const TBarVisual*>(node->GetChild(1));
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  // Six fields: the sixth is the position; five: the given one.
  EXPECT_EQ(first->GetPosition(), TVector3(5.0f, 6.0f, 7.0f));
  EXPECT_EQ(second->GetPosition(), TVector3(0.0f, 0.0f, 0.0f));
  EXPECT_FLOAT_EQ(first->GetLength(), 10.0f);
  EXPECT_FLOAT_EQ(first->GetSize().y, 2.0f);
  EXPECT_EQ(*first->GetColour(), TColour(1.0f, 0.0f, 0.0f, 1.0f));
  EXPECT_TRUE(first->IsShaded());
  EXPECT_FALSE(second->IsShaded());
  EXPECT_FLOAT_EQ(second->GetDirection().y, 1.0f);

  // An empty field shifts the ones after it down.
  const std::unique_ptr<TVisual> shifted = Build("ShiftedFields");
  const auto* bar = dynamic_cast<const TBarVisual*>(shifted.get());
  ASSERT_NE(bar, nullptr);
  EXPECT_FLOAT_EQ(bar->GetLength(), 8.0f);
  EXPECT_EQ(*bar->GetColour(), TColour(1.0f, 1.0f, 1.0f, 1.0f));

  const std::unique_ptr<TVisual> health = Build("Health");
  const auto* stat = dynamic_cast<const TStatBar*>(health.get());
  ASSERT_NE(stat, nullptr);
  EXPECT_FLOAT_EQ(stat->GetFrameBar()->GetLength(), 30.0f);
  EXPECT_EQ(*stat->GetFillBar()->GetColour(), TColour(0.0f, 1.0f, 0.0f, 1.0f));
  // The clone stands at the caller's position, not the entry's.
  EXPECT_EQ(stat->GetPositionObject(), &where);

  const std::unique_ptr<TVisual> nested = Build("Nested");
  const auto* cycle = dynamic_cast<const TVisualCycle*>(dynamic_cast<TVisualNode*>(nested.get())->GetChild(2));
  ASSERT_NE(cycle, nullptr);
  EXPECT_FLOAT_EQ(cycle->GetRate(), 2.0f);
  EXPECT_TRUE(cycle->IsOnce());
}

TEST_F(VisualLibraryTest, NullNeedsNoDefinition) {
  TVisualLibrary empty("2D.cfg", nullptr, nullptr, "/nonexistent-folder/");
  const std::unique_ptr<TVisual> visual = empty.BuildVisual(&where, true, "Null", "Interface", nullptr);
  ASSERT_NE(visual, nullptr);
  EXPECT_STREQ(visual->GetClassName(), "TNULLVISUAL");
  EXPECT_EQ(visual->GetPosition(), where);
  EXPECT_EQ(empty.GetLoadCount(), 0);
  EXPECT_EQ(empty.BuildVisual(&where, true, "Marker", "Interface", nullptr), nullptr);
}

TEST_F(VisualLibraryTest, CategoriesChooseTheFile) {
  // "Fire|Effects" reads the effects file whatever category is asked.
  const std::unique_ptr<TVisual> fire = Build("Fire|Effects", "Terrain");
  EXPECT_EQ(Shape(fire.get()), "TVISUALCYCLE(TNULLVISUAL,TNULLVISUAL)");
  EXPECT_EQ(Build("Tree", "Terrain"), nullptr) << "no terrain set loaded yet";
  library.LoadDefinitions("Forest");
  EXPECT_NE(Build("Tree", "Terrain"), nullptr);
  EXPECT_EQ(Shape(Build("Flag", "MarkersVisual").get()), "TVISUALSWITCH(TNULLVISUAL,TNULLVISUAL)");
  // Fixed category names are exact.
  EXPECT_EQ(Build("Marker", "interface"), nullptr);
  // The cache is by name and shader: "Fire" is the effects prototype now.
  EXPECT_EQ(Shape(Build("Fire", "Terrain").get()), "TVISUALCYCLE(TNULLVISUAL,TNULLVISUAL)");
}

TEST_F(VisualLibraryTest, PrototypesAreBuiltOncePerNameAndShader) {
  const TColourSwapper swapper;
  const TOverlayShader overlay;
  const TOverlayShader redOverlay(TColour(1.0f, 0.0f, 0.0f, 1.0f));
  const std::unique_ptr<TVisual> a = Build("Marker");
  const std::unique_ptr<TVisual> b = Build("Marker");
  EXPECT_EQ(library.GetLoadCount(), 1);
  ASSERT_NE(a, nullptr);
  EXPECT_NE(a.get(), b.get());
  Build("Marker", "Interface", &swapper);
  Build("Marker", "Interface", &overlay);
  EXPECT_EQ(library.GetLoadCount(), 3);
  // Overlays differing only in colour share a key.
  Build("Marker", "Interface", &redOverlay);
  EXPECT_EQ(library.GetLoadCount(), 3);
  EXPECT_EQ(library.GetCacheSize(), 3);
  EXPECT_TRUE(library.IsCached("Marker", &swapper));

  // Missing names are not cached; a definition that builds nothing is, as null.
  EXPECT_EQ(Build("NoSuchVisual"), nullptr);
  EXPECT_FALSE(library.IsCached("NoSuchVisual", nullptr));
  EXPECT_EQ(Build("Unknown"), nullptr);
  EXPECT_EQ(Build("Unknown"), nullptr);
  EXPECT_TRUE(library.IsCached("Unknown", nullptr));
  EXPECT_EQ(library.FindPrototype("Unknown", nullptr), nullptr);
  EXPECT_EQ(library.GetLoadCount(), 4);

  library.ClearCache();
  EXPECT_EQ(library.GetCacheSize(), 0);
  Build("Marker");
  EXPECT_EQ(library.GetLoadCount(), 5);
}

TEST_F(VisualLibraryTest, ClonesShareThePositionTheyAreGivenAndNothingElse) {
  const std::unique_ptr<TVisual> shared = Build("Marker");
  EXPECT_EQ(shared->GetPositionObject(), &where);
  const std::unique_ptr<TVisual> owned = library.BuildVisual(&where, true, "Marker", "Interface", nullptr);
  EXPECT_NE(owned->GetPositionObject(), &where);
  EXPECT_EQ(*owned->GetPositionObject(), where);

  const TVisual* prototype = library.FindPrototype("Marker", nullptr);
  ASSERT_NE(prototype, nullptr);
  auto* node = dynamic_cast<TVisualNode*>(shared.get());
  auto* bar = dynamic_cast<TBarVisual*>(node->GetChild(0));
  bar->SetLength(99.0f);
  bar->SetColour(std::make_unique<TColour>(0.0f, 0.0f, 0.0f, 1.0f));
  node->GetChild(1)->SetPosition(TVector3(4.0f, 4.0f, 4.0f));
  const auto* prototypeBar = dynamic_cast<const TBarVisual*>(dynamic_cast<const TVisualNode*>(prototype)->GetChild(0));
  EXPECT_FLOAT_EQ(prototypeBar->GetLength(), 10.0f);
  EXPECT_EQ(*prototypeBar->GetColour(), TColour(1.0f, 0.0f, 0.0f, 1.0f));
  const std::unique_ptr<TVisual> later = Build("Marker");
  EXPECT_EQ(dynamic_cast<TVisualNode*>(later.get())->GetChild(1)->GetPosition(), TVector3());
}

TEST_F(VisualLibraryTest, DrawableLeavesTakeTheirBuildersAndReducedCopies) {
  // Until a leaf's builder is set its entries stand as null visuals.
  EXPECT_EQ(Shape(Build("Blast", "Explosion").get()), "TNULLVISUAL");

  const TColourSwapper swapper;
  std::vector<std::string> seenFields;
  TSurface* seenSurface = nullptr;
  TReducedCopy seenCopy;
  library.SetLeafBuilder("DirectDrawTerrain", [&](TVisualLibrary& lib, const std::vector<std::string>& fields,
                                                  const TVector3& position) -> std::unique_ptr<TVisual> {
    seenFields = fields;
    seenSurface = lib.LoadSurface(fields[1]);
    std::unique_ptr<TShape> shape = lib.GetShapeFactory().CreateShape("Quad2D", {fields[3], "0"});
    shape->SetWidth(64.0f);
    shape->SetHeight(80.0f);
    seenCopy = lib.MakeReducedCopy(fields[1], *shape);
    TVector3 at = fields.size() == 5 ? ParseVector3(fields[4]) : position;
    return std::make_unique<TNullVisual>(&at, true);
  });
  library.LoadDefinitions("Forest");
  const std::unique_ptr<TVisual> tree = library.BuildVisual(&where, true, "Tree", "Terrain", &swapper);
  ASSERT_NE(tree, nullptr);
  ASSERT_EQ(seenFields.size(), 5u);
  EXPECT_EQ(seenFields[1], "Art/tree.tga");
  ASSERT_NE(seenSurface, nullptr);
  ASSERT_EQ(display.Surfaces().size(), 2u);
  const testing_display::RecordedSurface* main = display.Surfaces()[0];
  const testing_display::RecordedSurface* sheet = display.Surfaces()[1];
  EXPECT_EQ(main->GetKey().GetFileName(), "Art/tree.tga");
  ASSERT_NE(main->GetKey().GetShader(), nullptr);
  EXPECT_STREQ(main->GetKey().GetShader()->GetTypeName(), "ColourSwapper");
  EXPECT_EQ(sheet->GetKey().GetFileName(), "Art/sheet_0.tga");
  EXPECT_EQ(seenCopy.surface, sheet);
  ASSERT_NE(seenCopy.shape, nullptr);
  // Scale 2, sheet 256: u from 0 + 128 / 256, v from 0 + 64 / 256, half the size.
  EXPECT_FLOAT_EQ(seenCopy.shape->GetU(0), 0.5f);
  EXPECT_FLOAT_EQ(seenCopy.shape->GetV(0), 0.25f);
  EXPECT_FLOAT_EQ(seenCopy.shape->GetU(3), 1.0f);
  EXPECT_FLOAT_EQ(seenCopy.shape->GetV(3), 0.75f);
  EXPECT_FLOAT_EQ(seenCopy.shape->GetWidth(), 32.0f);
  EXPECT_FLOAT_EQ(seenCopy.shape->GetHeight(), 40.0f);
}

TEST_F(VisualLibraryTest, ReducedCopiesOfTheExplosionSheetAndOfUnlistedImages) {
  std::unique_ptr<TShape> shape = library.GetShapeFactory().CreateShape("Quad2D", {"0,0,1,1", "0"});
  // The fourth character is looked up as a backslash, whatever it was.
  const TReducedCopy explosion = library.MakeReducedCopy("Art/ddexplosion_0.tga", *shape);
  ASSERT_NE(explosion.shape, nullptr);
  // Scale 1, sheet 512: x' = 128 / 512.
  EXPECT_FLOAT_EQ(explosion.shape->GetU(0), 0.25f);
  EXPECT_FLOAT_EQ(explosion.shape->GetU(1), 1.25f);
  const TReducedCopy unlisted = library.MakeReducedCopy("Art/ddblast.tga", *shape);
  EXPECT_EQ(unlisted.shape, nullptr);
  EXPECT_EQ(unlisted.surface, nullptr);
  EXPECT_EQ(library.MakeReducedCopy("Ar", *shape).shape, nullptr);
}

TEST(VisualLibraryHostile, BrokenDefinitionsGiveNullsNotCrashes) {
  TTempFolder folder;
  std::string deep = "# deep\n[Deep]\n";
  for (int i = 0; i < 20000; ++i) deep += "Compound\n";
  deep += "Null\n[Open]\nCompound\nNull\nNull\n[Ends]\nEnd\n[Empty]\n\n[Shadows]\nShadow\nShadow\nShadow\n";
  folder.Write("Configs/HostileVisual2D.cfg", deep);
  folder.Write("Configs/../secretVisual2D.cfg", "# x\n[Marker]\nNull\n");
  TVisualLibrary library("2D.cfg", nullptr, nullptr, folder.Path().string() + "/");
  TVector3 at;
  const std::unique_ptr<TVisual> visual = library.BuildVisual(&at, true, "Deep", "HostileVisual", nullptr);
  ASSERT_NE(visual, nullptr);
  // Nesting is cut off at the limit.
  int32_t depth = 0;
  const TVisual* walk = visual.get();
  while (const auto* node = dynamic_cast<const TVisualNode*>(walk)) {
    ++depth;
    walk = node->GetChildCount() > 0 ? node->GetChild(0) : nullptr;
  }
  EXPECT_LE(depth, TVisualLibrary::kMaxNesting + 1);
  EXPECT_GT(depth, 1);

  EXPECT_EQ(Shape(library.BuildVisual(&at, true, "Open", "HostileVisual", nullptr).get()),
            "TVISUALNODE(TNULLVISUAL,TNULLVISUAL)");
  EXPECT_EQ(library.BuildVisual(&at, true, "Ends", "HostileVisual", nullptr), nullptr);
  EXPECT_EQ(library.BuildVisual(&at, true, "Empty", "HostileVisual", nullptr), nullptr);
  // Shadows without their entries get null visuals in both places.
  EXPECT_EQ(Shape(library.BuildVisual(&at, true, "Shadows", "HostileVisual", nullptr).get()),
            "TSHADOWVISUAL(TNULLVISUAL,TSHADOWVISUAL(TNULLVISUAL,TSHADOWVISUAL(TNULLVISUAL,TNULLVISUAL)))");
  // Names that would lead out of the configs folder read nothing.
  EXPECT_EQ(library.BuildVisual(&at, true, "Marker|../secret", "Interface", nullptr), nullptr);
  library.LoadDefinitions("../secret");
  EXPECT_EQ(library.BuildVisual(&at, true, "Marker", "Terrain", nullptr), nullptr);
  EXPECT_EQ(library.BuildVisual(&at, true, "", "Interface", nullptr), nullptr);
  EXPECT_EQ(library.BuildVisual(&at, true, "a|b|c", "Interface", nullptr), nullptr);
}

TEST(SurfaceCache, MakesEachSurfaceOnceAndReleasesAndRestoresInKeyOrder) {
  RecordingDisplay display;
  TSurfaceCache cache(&display);
  const TColourSwapper swapper;
  TSurface* b = cache.FindOrLoad(TSurfaceKey("b.tga", nullptr));
  TSurface* a = cache.FindOrLoad(TSurfaceKey("a.tga", nullptr));
  TSurface* aSwapped = cache.FindOrLoad(TSurfaceKey("a.tga", &swapper));
  EXPECT_EQ(cache.FindOrLoad(TSurfaceKey("b.tga", nullptr)), b);
  EXPECT_NE(a, aSwapped);
  EXPECT_EQ(cache.GetLoadCount(), 3);
  EXPECT_EQ(cache.GetCount(), 3);
  cache.ReleaseAll();
  cache.RestoreAll();
  for (const testing_display::RecordedSurface* surface : display.Surfaces()) {
    EXPECT_EQ(surface->releases, 1);
    EXPECT_EQ(surface->restores, 1);
    EXPECT_EQ(surface->restoredFrom, surface->GetKey().GetFileName());
  }
  TSurfaceCache headless(nullptr);
  EXPECT_EQ(headless.FindOrLoad(TSurfaceKey("a.tga", nullptr)), nullptr);
  EXPECT_EQ(headless.GetCount(), 1);
  headless.ReleaseAll();
  headless.RestoreAll();
}

}  // namespace
