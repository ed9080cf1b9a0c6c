#include "display/visual_registry.h"

#include "display/map_view.h"

void RemoveVisualFromMapView(TVisual* visual) {
  if (visual == nullptr || !TMapView::Exists()) return;
  TMapView::Instance()->ForgetVisual(visual);
}
