#include "display/d3d/map_view_d3d_view.h"

#include "display/map_view.h"

namespace {

// The camera position's projected screen centre, which every projected point
// is taken relative to.
TVector3 CameraOffset() {
  if (!TMapView::Exists()) return {};
  const TVector3 camera = TMapView::Instance()->GetCameraPosition();
  return {static_cast<float>(camera.ScreenCentreX()), static_cast<float>(camera.ScreenCentreY()), 0.0f};
}

}  // namespace

float TMapViewD3DView::GetZoom() const { return TMapView::Exists() ? TMapView::Instance()->GetZoom() : 1.0f; }

void TMapViewD3DView::ToViewCoordinates(float* x, float* y) const {
  const TVector3 offset = CameraOffset();
  *x -= offset.x;
  *y -= offset.y;
}

// The offset the map view took at the start of this frame, so every visual
// of one frame moves by the same amount even if the camera moves meanwhile.
void TMapViewD3DView::SubtractScrollOffset(TVector3& point) const {
  if (TMapView::Exists()) TMapView::Instance()->SubtractScrollOffset(point);
}

bool TMapViewD3DView::IsRedrawPending() const {
  return TMapView::Exists() && TMapView::Instance()->IsRedrawPending();
}

bool TMapViewD3DView::GetClearEachFrame() const {
  return !TMapView::Exists() || TMapView::Instance()->GetClearEachFrame();
}

bool TMapViewD3DView::GetTextureResolutionFlag() const {
  return !TMapView::Exists() || TMapView::Instance()->GetTextureResolutionFlag();
}

TShapeFactory& TMapViewD3DView::GetShapeFactory() const {
  TShapeFactory* shared = TMapView::Exists() ? TMapView::Instance()->GetShapeFactory() : nullptr;
  return shared != nullptr ? *shared : shapeFactory_;
}

void TMapViewD3DView::RebuildDisplay() {
  if (!TMapView::Exists()) return;
  TMapView::Instance()->ReleaseDisplay();
  TMapView::Instance()->RestoreDisplay();
}

const TFontManager* TMapViewD3DView::GetFontManager() const {
  return TMapView::Exists() ? TMapView::Instance()->GetFontManager() : nullptr;
}
