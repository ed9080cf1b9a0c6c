#include "display/map_view.h"

#include <algorithm>
#include <cmath>

#include "display/ddraw/direct_draw_visual_builders.h"
#include "display/ddraw/direct_draw_visuals.h"
#include "display/display.h"
#include "display/surface_cache.h"
#include "display/text/font_manager.h"
#include "display/visuals/visual_library.h"

namespace {

std::unique_ptr<TMapView> gMapView;

constexpr float kMinZoom = 0.4f;
constexpr float kMaxZoom = 4.0f;
// The only two zooms the 2D display draws.
constexpr float kZoom2DNear = 1.0f;
constexpr float kZoom2DFar = 0.5f;

// The 3D display draws vertex shapes; the 2D display has no device for them.
TVertexDevice* VertexDeviceOf(TDisplay& display) {
  return display.Is3D() ? dynamic_cast<TVertexDevice*>(&display) : nullptr;
}

}  // namespace

TMapView* TMapView::Create(std::unique_ptr<TDisplay> display) {
  gMapView.reset(new TMapView(std::move(display)));
  return gMapView.get();
}

void TMapView::Destroy() { gMapView.reset(); }

bool TMapView::Exists() { return gMapView != nullptr; }

TMapView* TMapView::Instance() { return gMapView.get(); }

TMapView::TMapView(std::unique_ptr<TDisplay> display)
    : display_(std::move(display)),
      fontManager_(std::make_unique<TFontManager>()),
      surfaceCache_(std::make_unique<TSurfaceCache>(display_.get())),
      frameTimer_(std::make_unique<TFrameTimer>()),
      camera_(std::make_unique<TMapCamera>(static_cast<TCameraViewport&>(*this))),
      window_(CreateMainDisplayWindow()) {
  if (display_) {
    visualLibrary_ = std::make_unique<TVisualLibrary>(display_->GetConfigName(), surfaceCache_.get(),
                                                      VertexDeviceOf(*display_));
    if (auto* view2D = dynamic_cast<TDirectDrawView*>(display_.get())) {
      RegisterDirectDrawVisuals(*visualLibrary_, *view2D);
    }
    requestedWidth_ = display_->GetWidth();
    requestedHeight_ = display_->GetHeight();
    requestedFullScreen_ = display_->IsFullScreen();
  }
  frameTimer_->SetRate(kStartingFrameRate);
  SetLayer(0);
  if (display_) requestedDisplayType_ = display_->GetTypeName();
}

// The members go in the order that keeps every pointer valid (see the
// header); the display's own destructor shuts it down.
TMapView::~TMapView() = default;

void TMapView::MarkViewChanged() {
  if (display_) display_->SetViewChanged(true);
}

// --- frame -----------------------------------------------------------------------

void TMapView::BeginFrame() {
  if (display_) display_->BeginFrame();
  const TVector3& position = camera_->GetPosition();
  scrollOffset_.x = static_cast<float>(position.ScreenCentreX(zoom_));
  scrollOffset_.y = static_cast<float>(position.ScreenCentreY(zoom_));
  scrollOffset_.z = 0.0f;
}

void TMapView::DrawFps() {
  if (!showFps_) return;
  if (display_) display_->DrawFps(static_cast<int32_t>(frameTimer_->GetFramesPerSecond()));
  frameTimer_->Tick();
}

void TMapView::EndFrame() {
  if (display_) display_->Present();
  redraw_ = false;
}

bool TMapView::ToggleFPS() {
  showFps_ = !showFps_;
  return showFps_;
}

void TMapView::SubtractScrollOffset(TVector3& vector) const {
  vector.x -= scrollOffset_.x;
  vector.y -= scrollOffset_.y;
  vector.z -= scrollOffset_.z;
}

void TMapView::ToViewCoordinates(int32_t* x, int32_t* y) const {
  const TVector3& position = camera_->GetPosition();
  if (x != nullptr) *x -= position.ScreenCentreX(zoom_);
  if (y != nullptr) *y -= position.ScreenCentreY(zoom_);
}

TShapeFactory* TMapView::GetShapeFactory() const {
  return visualLibrary_ ? &visualLibrary_->GetShapeFactory() : nullptr;
}

TSurface* TMapView::GetSurface(const TSurfaceKey& key) { return surfaceCache_->FindOrLoad(key); }

// --- zoom ----------------------------------------------------------------------

bool TMapView::SetZoom(float delta) {
  if (!std::isfinite(delta)) delta = 0.0f;
  const float zoom = IsDirectDraw2D() ? (delta > 0.0f ? kZoom2DNear : kZoom2DFar)
                                      : std::clamp(zoom_ + delta, kMinZoom, kMaxZoom);
  return SetZoomExact(zoom);
}

bool TMapView::SetZoomExact(float zoom) {
  TVector3 centre;
  camera_->GetViewCentre(centre);
  // A zoom of no size, or of no number, would collapse every projection:
  // the view keeps the zoom it has.
  if (zoom > 0.0f && std::isfinite(zoom)) zoom_ = zoom;
  // Every zoom redraws, whether or not the value changed.
  redraw_ = true;
  MarkViewChanged();
  return camera_->CentreOn(centre);
}

bool TMapView::ZoomKeepingPoint(bool (TMapView::*zoomer)(float), float value, const TVector3& point) {
  TVector3 centre;
  camera_->GetViewCentre(centre);
  const float oldZoom = zoom_;
  (this->*zoomer)(value);
  // The point's offset from the old centre, scaled by the old and the new
  // zoom, tells how far the view must move to keep it in place.
  const float dx = point.x - centre.x;
  const float dy = point.y - centre.y;
  const float newZoom = zoom_;
  const float inverse = 1.0f / newZoom;
  return camera_->Scroll((dx * newZoom - dx * oldZoom) * inverse, (dy * newZoom - dy * oldZoom) * inverse);
}

bool TMapView::ZoomAt(float delta, const TVector3& point) { return ZoomKeepingPoint(&TMapView::SetZoom, delta, point); }

bool TMapView::ZoomExactAt(float zoom, const TVector3& point) {
  return ZoomKeepingPoint(&TMapView::SetZoomExact, zoom, point);
}

bool TMapView::CentreOn(const TVector3& point) { return camera_->CentreOn(point); }

// --- layers and lighting -----------------------------------------------------------

bool TMapView::SetLayer(uint32_t n) {
  if (n >= kMaxLayers) return false;
  while (layers_.size() <= n) layers_.push_back(std::make_unique<TDrawLayer>());
  currentLayer_ = n;
  return true;
}

TDrawLayer* TMapView::GetCurrentLayer() const {
  return currentLayer_ < layers_.size() ? layers_[currentLayer_].get() : nullptr;
}

void TMapView::Draw() {
  TDrawLayer* layer = GetCurrentLayer();
  if (drawLayers_ && layer != nullptr) layer->DrawAll();
}

void TMapView::AddVisual(TVisual* visual, float depthOffset) {
  if (TDrawLayer* layer = GetCurrentLayer()) layer->Add(visual, depthOffset);
}

void TMapView::RemoveVisual(const TVisual* visual) {
  if (TDrawLayer* layer = GetCurrentLayer()) layer->Remove(visual);
}

void TMapView::ForgetVisual(const TVisual* visual) {
  for (const auto& layer : layers_) layer->RemoveAll(visual);
}

void TMapView::AddLight(TLight* light) {
  if (TDrawLayer* layer = GetCurrentLayer()) layer->AddLight(light);
}

void TMapView::RemoveLight(const TLight* light) {
  for (const auto& layer : layers_) layer->RemoveLight(light);
}

void TMapView::MarkLight(const TVector3& position, bool ground) {
  if (TDrawLayer* layer = GetCurrentLayer()) layer->Stamp(position, ground);
}

void TMapView::RecomputeLighting() {
  if (TDrawLayer* layer = GetCurrentLayer()) layer->RecomputeAll();
}

void TMapView::SetLighting(bool enabled) {
  if (TDrawLayer* layer = GetCurrentLayer()) layer->SetLighting(enabled);
}

bool TMapView::ToggleLighting() {
  TDrawLayer* layer = GetCurrentLayer();
  return layer != nullptr && layer->ToggleLighting();
}

// --- queries ---------------------------------------------------------------------

int32_t TMapView::GetScreenWidth() const { return display_ ? display_->GetWidth() : 0; }

int32_t TMapView::GetScreenHeight() const { return display_ ? display_->GetHeight() : 0; }

bool TMapView::IsDirectDraw2D() const { return display_ && display_->GetTypeName() == kDirectDrawTypeName; }

float CurrentMapZoom() { return TMapView::Exists() ? TMapView::Instance()->GetZoom() : 1.0f; }
