#include "display/interface_visual.h"

#include "display/visual_registry.h"

TVisual* BuildMapInterfaceVisual(const std::string& /*name*/, const TVector3& /*position*/, float /*depth*/) {
  // Neither a missing map view nor today's map view has a visual library to
  // build from.
  return nullptr;
}

void ReleaseMapInterfaceVisual(TVisual* visual) {
  if (visual == nullptr) return;
  RemoveVisualFromMapView(visual);
  // Only the visual library builds visuals, so only it can free them; while
  // there is none no visual exists to get here.
}

void UpdateMapInterfaceVisual(TVisual* visual, float /*time*/) {
  if (visual == nullptr) return;
  // Visuals animate through the visual library, which is not there yet.
}
