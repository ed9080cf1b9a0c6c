#include "display/interface_visual.h"

#include "app/vector3.h"
#include "display/colour.h"
#include "display/map_view.h"
#include "display/visual_registry.h"
#include "display/visuals/visual_library.h"
#include "display/visuals/visual_node.h"
#include "display/visuals/world_bar.h"

namespace {

constexpr const char* kInterfaceCategory = "Interface";
// Order markers stand among the map's objects.
constexpr float kOrderMarkerDepth = 0.5f;

std::unique_ptr<TVisual> BuildInterface(const std::string& name, TVector3* position, bool ownsPosition) {
  TVisualLibrary* library = MapVisualLibrary();
  if (library == nullptr) return nullptr;
  return library->BuildVisual(position, ownsPosition, name, kInterfaceCategory, nullptr);
}

TVisualNode* AsNode(TVisual* visual) { return dynamic_cast<TVisualNode*>(visual); }

// The node that holds one leg's parts.
TVisualNode* LegNode(TVisual* visual, int32_t leg) {
  TVisualNode* node = AsNode(visual);
  if (node == nullptr) return nullptr;
  if (AsNode(node->GetChild(0)) != nullptr) return AsNode(node->GetChild(leg));
  return leg == 0 ? node : nullptr;
}

}  // namespace

TVisual* BuildMapInterfaceVisual(const std::string& name, const TVector3& position, float depth) {
  std::unique_ptr<TVisual> visual = BuildInterface(name, const_cast<TVector3*>(&position), false);
  if (visual == nullptr) return nullptr;
  TMapView::Instance()->AddVisual(visual.get(), depth);
  return visual.release();
}

void ReleaseMapInterfaceVisual(TVisual* visual) {
  if (visual == nullptr) return;
  // Out of every layer first: a layer must never draw a freed visual.
  RemoveVisualFromMapView(visual);
  delete visual;
}

void UpdateMapInterfaceVisual(TVisual* visual, float time) {
  if (visual != nullptr) visual->Update(time);
}

TInterfaceVisualPtr BuildOrderMarkerVisual(const std::string& name, const TVector3* position) {
  TVector3 origin;
  std::unique_ptr<TVisual> visual = position != nullptr
                                        ? BuildInterface(name, const_cast<TVector3*>(position), false)
                                        : BuildInterface(name, &origin, true);
  if (visual == nullptr) return nullptr;
  visual->Hide();
  TMapView::Instance()->AddVisual(visual.get(), kOrderMarkerDepth);
  return TInterfaceVisualPtr(visual.release());
}

void ShowOrderMarkerVisual(TVisual* visual, bool shown) {
  if (visual == nullptr) return;
  if (shown) {
    visual->Show();
  } else {
    visual->Hide();
  }
  visual->SetChanged(true);
}

void TintOrderMarkerVisual(TVisual* visual, const TColour* colour, float strength) {
  if (visual == nullptr) return;
  visual->SetTint(colour, strength);
  visual->SetChanged(true);
}

void SetOrderMarkerPartEnds(TVisual* visual, int32_t leg, int32_t part, const TVector3& from, const TVector3& to) {
  TVisualNode* parts = LegNode(visual, leg);
  auto* bar = parts != nullptr ? dynamic_cast<TWorldBar*>(parts->GetChild(part)) : nullptr;
  if (bar == nullptr) return;
  bar->SetStartCorner(from);
  bar->SetEndCorner(to);
  bar->SetChanged(true);
}

void AddOrderMarkerLeg(TVisual* visual) {
  TVisualNode* node = AsNode(visual);
  if (node == nullptr || AsNode(node->GetChild(0)) == nullptr) return;
  node->AddChild(node->GetChild(0)->CloneWithOwnPosition());
}

void RemoveOrderMarkerLeg(TVisual* visual) {
  TVisualNode* node = AsNode(visual);
  if (node == nullptr || node->GetChildCount() <= 1 || AsNode(node->GetChild(0)) == nullptr) return;
  node->RemoveChild(node->GetChild(node->GetChildCount() - 1));
}
