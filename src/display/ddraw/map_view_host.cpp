// The 2D display's link to the map view that owns it. The map view is looked
// up at every call: the display is made before the map view exists.
#include "app/vector3.h"
#include "display/direct_draw_display.h"
#include "display/map_view.h"

namespace {

class TMapViewDirectDrawHost : public TDirectDrawHost {
 public:
  float GetZoom() const override { return CurrentMapZoom(); }

  bool GetClearEachFrame() const override {
    return TMapView::Exists() && TMapView::Instance()->GetClearEachFrame();
  }

  void SubtractScrollOffset(TVector3& point) const override {
    if (TMapView::Exists()) TMapView::Instance()->SubtractScrollOffset(point);
  }

  // The map view's own conversion in floats, so that a picture anchored at
  // half pixels keeps them.
  void ToViewCoordinates(float& x, float& y) const override {
    if (!TMapView::Exists()) return;
    const TMapView& view = *TMapView::Instance();
    const TVector3 camera = view.GetCameraPosition();
    x -= static_cast<float>(camera.ScreenCentreX(view.GetZoom()));
    y -= static_cast<float>(camera.ScreenCentreY(view.GetZoom()));
  }

  void ReloadSurfaces() override {
    if (TMapView::Exists()) TMapView::Instance()->ReloadSurfaces();
  }
};

}  // namespace

std::unique_ptr<TDirectDrawHost> MakeMapViewDirectDrawHost() { return std::make_unique<TMapViewDirectDrawHost>(); }
