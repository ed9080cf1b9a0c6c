#include "display/visual_registry.h"

#include "app/vector3.h"
#include "display/colour.h"
#include "display/map_view.h"
#include "display/visuals/visual.h"
#include "display/visuals/visual_library.h"
#include "display/visuals/visual_node.h"
#include "display/visuals/world_bar.h"

namespace {

// The library lent to the map view; see TMapVisualLibraryLoan.
TVisualLibrary* gLentLibrary = nullptr;

// The library the map view owns, when its build carries one.
template <class TView>
TVisualLibrary* OwnLibraryOf(TView& view) {
  if constexpr (requires { view.GetVisualLibrary(); }) {
    return view.GetVisualLibrary();
  } else {
    return nullptr;
  }
}

TVisualSwitch* AsSwitch(TVisual* visual) {
  return visual != nullptr && visual->IsOfClass(TVisualSwitch::kClassName) ? static_cast<TVisualSwitch*>(visual)
                                                                           : nullptr;
}

// Every world bar of the tree runs from the draw position to the offset.
void LayBars(TVisual* visual, const TVector3& span, const TColour* colour) {
  if (auto* bar = dynamic_cast<TWorldBar*>(visual)) {
    bar->SetStartCorner(TVector3());
    bar->SetEndCorner(span);
    if (colour != nullptr) bar->SetColour(*colour);
    return;
  }
  if (auto* node = dynamic_cast<TVisualNode*>(visual)) {
    for (int32_t i = 0; i < node->GetChildCount(); ++i) LayBars(node->GetChild(i), span, colour);
  }
}

}  // namespace

void TMapVisualDeleter::operator()(TVisual* visual) const {
  RemoveVisualFromMapView(visual);
  delete visual;
}

TVisualLibrary* MapVisualLibrary() {
  if (!TMapView::Exists()) return nullptr;
  return gLentLibrary != nullptr ? gLentLibrary : OwnLibraryOf(*TMapView::Instance());
}

TMapVisualLibraryLoan::TMapVisualLibraryLoan(TVisualLibrary& library) : previous_(gLentLibrary) {
  gLentLibrary = &library;
}

TMapVisualLibraryLoan::~TMapVisualLibraryLoan() { gLentLibrary = previous_; }

void RemoveVisualFromMapView(TVisual* visual) {
  if (visual == nullptr || !TMapView::Exists()) return;
  TMapView::Instance()->ForgetVisual(visual);
}

void AddVisualToMapView(TVisual* visual, float depthOffset) {
  if (visual == nullptr || !TMapView::Exists()) return;
  TMapView::Instance()->AddVisual(visual, depthOffset);
}

void LoadTerrainVisualDefinitions(const std::string& terrainSetName) {
  if (TVisualLibrary* library = MapVisualLibrary()) library->LoadDefinitions(terrainSetName);
}

TMapVisualPtr BuildMapVisual(const std::string& name, const std::string& category, TVector3* position,
                             bool ownsPosition) {
  TVisualLibrary* library = MapVisualLibrary();
  if (library == nullptr || position == nullptr) return nullptr;
  return TMapVisualPtr(library->BuildVisual(position, ownsPosition, name, category, nullptr).release());
}

TMapVisualPtr CopyMapVisual(const TVisual* visual, TVector3* position) {
  if (visual == nullptr || position == nullptr) return nullptr;
  return TMapVisualPtr(visual->Clone(position, false).release());
}

void StartMapVisual(TVisual* visual, float time) {
  if (visual != nullptr) visual->SetStartTime(time);
}

void UpdateMapVisual(TVisual* visual, float time) {
  if (visual != nullptr) visual->Update(time);
}

void MarkMapVisualMoved(TVisual* visual) {
  if (visual != nullptr) visual->SetChanged(true);
}

bool MapVisualAnimates(const TVisual* visual) { return visual != nullptr && visual->IsAnimated(); }

bool ToggleMapVisualSwitch(TVisual* visual) {
  TVisualSwitch* flip = AsSwitch(visual);
  if (flip == nullptr) return false;
  flip->Select(flip->GetSelectedIndex() == 0 ? 1 : 0);
  // A switch draws its new child from scratch.
  flip->SetChanged(true);
  return true;
}

int32_t MapVisualSwitchIndex(const TVisual* visual) {
  const TVisualSwitch* flip = AsSwitch(const_cast<TVisual*>(visual));
  return flip != nullptr ? flip->GetSelectedIndex() : -1;
}

void RenderMapVisual(TVisual* visual) {
  if (visual != nullptr && !visual->IsHidden()) visual->Render();
}

void SetMapVisualShown(TVisual* visual, bool shown) {
  if (visual == nullptr) return;
  if (shown) {
    visual->Show();
  } else {
    visual->Hide();
  }
}

TMapVisualPtr BuildMapBar(const std::string& name, const std::string& category, const TVector3& from,
                          const TVector3& to, const TColour* colour) {
  TVector3 start = from;
  TMapVisualPtr bar = BuildMapVisual(name, category, &start, true);
  if (bar != nullptr) LayBars(bar.get(), Difference(to, from), colour);
  return bar;
}

void StretchMapBar(TVisual* visual, const TVector3& from, const TVector3& to) {
  if (visual == nullptr) return;
  visual->SetPosition(from);
  visual->SetChanged(true);
  LayBars(visual, Difference(to, from), nullptr);
}

TMapVisualPtr BuildRouteMarker(const std::string& markerKey, const TVector3& from, const TVector3& to) {
  // Markers float above the floor so that floor tiles do not cover them.
  constexpr float kMarkerHeight = 0.75f;
  if (markerKey.empty()) return nullptr;
  return BuildMapBar(markerKey, "Interface", TVector3(from.x, from.y, kMarkerHeight),
                     TVector3(to.x, to.y, kMarkerHeight), nullptr);
}
