#include "display/map_visual_library.h"

#include "display/map_view.h"

TVisualLibrary* GetMapVisualLibrary() {
  return TMapView::Exists() ? TMapView::Instance()->GetVisualLibrary() : nullptr;
}
