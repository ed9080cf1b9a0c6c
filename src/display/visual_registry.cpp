#include "display/visual_registry.h"

#include "display/map_view.h"

void RemoveVisualFromMapView(TVisual* visual) {
  if (visual == nullptr || !TMapView::Exists()) return;
  // The map view keeps no draw lists of world visuals yet, so there is
  // nothing to take the visual out of.
}
