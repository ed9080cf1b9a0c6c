#include "display/map_camera_hooks.h"

#include "app/vector3.h"
#include "display/map_view.h"

void SetMapCameraBounds(const TVector3& /*corner1*/, const TVector3& /*corner2*/) {
  // The map view keeps no camera box yet; a headless world has no view at all.
  if (!TMapView::Exists()) return;
}
