#include "display/mapview/map_view_hooks.h"

#include "app/vector3.h"
#include "display/map_view.h"

void SetMapCameraBounds(const TVector3& corner1, const TVector3& corner2) {
  if (TMapView::Exists()) TMapView::Instance()->GetCamera().SetBounds(corner1, corner2);
}

void MarkGroundLight(const TVector3& position, bool ground) {
  if (TMapView::Exists()) TMapView::Instance()->MarkLight(position, ground);
}

void RecomputeMapLighting() {
  if (TMapView::Exists()) TMapView::Instance()->RecomputeLighting();
}

TMapLight::TMapLight(const TVector3& position, float intensity) : light_(TLight::Following(position, intensity)) {
  if (TMapView::Exists()) TMapView::Instance()->AddLight(light_.get());
}

TMapLight::~TMapLight() {
  // A map view made after the light joined does not hold it, and removing
  // an absent light does nothing.
  if (TMapView::Exists()) TMapView::Instance()->RemoveLight(light_.get());
}
