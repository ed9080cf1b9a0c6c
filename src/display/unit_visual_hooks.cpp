#include "display/unit_visual_hooks.h"

#include <memory>

#include "display/colour.h"
#include "display/map_view.h"
#include "display/image/pixel_shader.h"
#include "display/visual_registry.h"
#include "display/visuals/bar_visual.h"
#include "display/visuals/visual_library.h"
#include "display/visuals/visual_node.h"

namespace {

// Units stand among the map's objects; their ground markers lie with the
// other markers on the floor.
constexpr float kUnitDepth = 0.5f;
constexpr float kGroundMarkerDepth = -9000.0f;
// The race colour replaces the vertex colours of the whole unit.
constexpr float kRaceTintAmount = 1.0f;

TVisualNode* AsNode(TVisual* visual) { return dynamic_cast<TVisualNode*>(visual); }
const TVisualNode* AsNode(const TVisual* visual) { return dynamic_cast<const TVisualNode*>(visual); }

// The frame a switch or cycle shows now, down to the first visual that is
// neither.
TVisual* ShownFrame(TVisual* visual) {
  for (int32_t depth = 0; visual != nullptr && depth < TVisualLibrary::kMaxNesting; ++depth) {
    if (auto* choice = dynamic_cast<TVisualSwitch*>(visual)) {
      visual = choice->GetSelected();
    } else if (auto* cycle = dynamic_cast<TVisualCycle*>(visual)) {
      visual = cycle->GetChild(cycle->GetFrame());
    } else {
      break;
    }
  }
  return visual;
}

}  // namespace

const TPixelShader* SideColourShader(int32_t side) {
  // The swapper holds nothing, so one instance serves every visual; the
  // library and surface caches key on a copy of it.
  static const TColourSwapper swapper;
  constexpr int32_t kSwappedSide = 1;
  return side == kSwappedSide ? &swapper : nullptr;
}

TVisual* BuildUnitLibraryVisual(const std::string& category, const std::string& name, TVector3* position,
                                const TColour& tint, bool hideSelectionMarker, int32_t side) {
  TVisualLibrary* library = MapVisualLibrary();
  if (library == nullptr || position == nullptr) return nullptr;
  std::unique_ptr<TVisual> visual =
      library->BuildVisual(position, false, name, category, SideColourShader(side));
  if (visual == nullptr) return nullptr;
  visual->SetTint(&tint, kRaceTintAmount);
  if (hideSelectionMarker) HideVisual(GetVisualPart(visual.get(), 1));
  return visual.release();
}

int32_t GetVisualPartCount(const TVisual* visual) { return GetVisualChildCount(visual); }

TVisual* GetVisualPart(TVisual* visual, int32_t index) { return GetVisualChild(visual, index); }

int32_t GetVisualChildCount(const TVisual* visual) {
  const TVisualNode* node = AsNode(visual);
  return node != nullptr ? node->GetChildCount() : 0;
}

TVisual* GetVisualChild(TVisual* visual, int32_t index) {
  TVisualNode* node = AsNode(visual);
  return node != nullptr ? node->GetChild(index) : nullptr;
}

void ShowVisual(TVisual* visual) {
  if (visual != nullptr) visual->Show();
}

void HideVisual(TVisual* visual) {
  if (visual != nullptr) visual->Hide();
}

bool IsVisualShown(const TVisual* visual) { return visual != nullptr && !visual->IsHidden(); }

void SetVisualFraction(TVisual* visual, float fraction) {
  if (auto* bar = dynamic_cast<TStatBar*>(visual)) bar->SetFraction(fraction);
}

void SetVisualBarColour(TVisual* visual, const TColour* colour) {
  auto* bar = dynamic_cast<TBarVisual*>(visual);
  if (bar == nullptr) return;
  bar->SetColour(colour != nullptr ? std::make_unique<TColour>(*colour) : nullptr);
  bar->SetChanged(true);
}

void SelectVisualChild(TVisual* visual, int32_t index) {
  if (auto* choice = dynamic_cast<TVisualSwitch*>(visual)) {
    choice->Select(index);
    choice->SetChanged(true);
  }
}

void RestartVisual(TVisual* visual, float time) {
  if (visual != nullptr) visual->SetStartTime(time);
}

void AdvanceVisual(TVisual* visual, float time) {
  if (visual != nullptr) visual->Update(time);
}

void UpdateVisual(TVisual* visual, int32_t value) {
  if (visual != nullptr && value != 0) visual->SetChanged(true);
}

void FrameVisual(TVisual* visual) {
  // The pose visuals' own per-frame work is their draw; nothing is owed here.
  (void)visual;
}

void SetVisualPose(TVisual* visual, int32_t pose) { SelectVisualChild(visual, pose); }

int32_t GetVisualPose(const TVisual* visual) {
  const auto* choice = dynamic_cast<const TVisualSwitch*>(visual);
  return choice != nullptr ? choice->GetSelectedIndex() : 0;
}

void SetCurrentFrameColour(TVisual* visual, const TColour& colour, float blend) {
  TVisual* frame = ShownFrame(visual);
  if (frame != nullptr) frame->SetTint(&colour, blend);
}

TVisual* BuildGroundMarker(const TVector3& /*position*/, float /*scale*/) {
  // The definition files name no ground marker under units; the unit's
  // selection marker shows where it stands.
  return nullptr;
}

void RegisterVisualWithMapView(TVisual* visual) {
  if (visual != nullptr && TMapView::Exists()) TMapView::Instance()->AddVisual(visual, kUnitDepth);
}

void RegisterMarkerWithMapView(TVisual* visual) {
  if (visual != nullptr && TMapView::Exists()) TMapView::Instance()->AddVisual(visual, kGroundMarkerDepth);
}

void UnregisterMarkerFromMapView(TVisual* visual) { RemoveVisualFromMapView(visual); }

void ReleaseUnitVisual(TVisual* visual) {
  if (visual == nullptr) return;
  // Out of every layer first: a layer must never draw a freed visual.
  RemoveVisualFromMapView(visual);
  delete visual;
}
