// Feeds arbitrary text to the visual library as a definition file would hold
// it (and as the list of reduced copies), builds every section's visual and
// drives it through what its owners do with it: clone, animate, select,
// hit-test and draw over a display that only counts. Nothing may crash or
// recurse without bound, and a tree stays within the nesting limit.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/config_parser.h"
#include "display/visuals/bar_visual.h"
#include "display/visuals/visual_library.h"
#include "display/visuals/visual_node.h"
#include "fuzz_scratch_folder.h"

namespace {

constexpr int32_t kMaxSections = 64;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

int32_t Depth(const TVisual* visual) {
  const auto* node = dynamic_cast<const TVisualNode*>(visual);
  if (node == nullptr) return 0;
  int32_t deepest = 0;
  for (int32_t i = 0; i < node->GetChildCount(); ++i) {
    const int32_t depth = Depth(node->GetChild(i));
    if (depth > deepest) deepest = depth;
  }
  return deepest + 1;
}

void Drive(TVisual& visual) {
  visual.SetStartTime(1.0f);
  visual.Update(0.0f);
  visual.Update(2.5f);
  visual.Update(1e30f);
  if (auto* choice = dynamic_cast<TVisualSwitch*>(&visual)) {
    choice->Select(choice->GetChildCount());
    visual.Draw(TVector3(), nullptr);
    choice->Select(-1);
    visual.Draw(TVector3(), nullptr);
    choice->Select(0);
  }
  if (auto* stat = dynamic_cast<TStatBar*>(&visual)) stat->SetFraction(0.5f);
  visual.SetRate(3.0f);
  visual.HitTest(TVector3(1.0f, 1.0f, 0.0f));
  visual.GetPosition();
  visual.Draw(TVector3(0.5f, 0.5f, 0.0f), nullptr);
  visual.Hide();
  visual.Render();
  visual.Show();
  visual.SetOnTop();
  visual.Render();
}

// A leaf builder of the drawable kinds, asking for the reduced copy as the
// 2D leaves do.
std::unique_ptr<TVisual> BuildLeaf(TVisualLibrary& library, const std::vector<std::string>& fields,
                                   const TVector3& position) {
  const std::string tex = fields.size() > 1 ? fields[1] : std::string();
  const std::string uv = fields.size() > 3 ? fields[3] : std::string();
  std::unique_ptr<TShape> shape = library.GetShapeFactory().CreateShape("Quad2D", {uv, "0"});
  library.MakeReducedCopy(tex, *shape);
  TVector3 at = position;
  return std::make_unique<TNullVisual>(&at, true);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolder("visuals");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TVisualLibrary library("2D.cfg", nullptr, nullptr, "missing/");
  library.SetDefinitionText("Interface", text);
  library.SetMapViewDataText(text);
  for (const char* word : {"Mesh", "TerrainSprite", "DD7WorldBar", "DirectDrawWorldBar", "PolygonSprite",
                           "PictureVisual", "DirectDrawSprite", "DirectDrawPicture", "DirectDrawFloor",
                           "DirectDrawTerrain"}) {
    library.SetLeafBuilder(word, BuildLeaf);
  }
  TConfigParser sections(text, true);
  TVector3 where(1.0f, 2.0f, 0.0f);
  int32_t count = 0;
  do {
    const std::string name = sections.GetSectionName();
    std::unique_ptr<TVisual> visual = library.BuildVisual(&where, (count & 1) != 0, name, "Interface", nullptr);
    if (visual) {
      Check(Depth(visual.get()) <= TVisualLibrary::kMaxNesting + 1);
      Drive(*visual);
      std::unique_ptr<TVisual> copy = visual->Clone(nullptr, true);
      Check(Depth(copy.get()) == Depth(visual.get()));
      Drive(*copy);
    }
    // A second request must come from the cache.
    const int32_t loads = library.GetLoadCount();
    library.BuildVisual(&where, false, name, "Interface", nullptr);
    Check(library.GetLoadCount() == loads);
  } while (++count < kMaxSections && sections.NextSection());
  return 0;
}
