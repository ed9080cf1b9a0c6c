#include "display/map_view.h"

#include "display/display.h"
#include "display/font_manager.h"

namespace {

std::unique_ptr<TMapView> gMapView;

}  // namespace

TMapView* TMapView::Create(std::unique_ptr<TDisplay> display) {
  gMapView.reset(new TMapView(std::move(display)));
  return gMapView.get();
}

void TMapView::Destroy() { gMapView.reset(); }

bool TMapView::Exists() { return gMapView != nullptr; }

TMapView* TMapView::Instance() { return gMapView.get(); }

TMapView::TMapView(std::unique_ptr<TDisplay> display)
    : display_(std::move(display)), fontManager_(std::make_unique<TFontManager>()) {
  if (display_) {
    requestedDisplayType_ = display_->GetTypeName();
    requestedFullScreen_ = display_->IsFullScreen();
  }
}

TMapView::~TMapView() {
  if (display_) display_->Shutdown();
}

void TMapView::SetRequestedSize(int32_t width, int32_t height) {
  requestedWidth_ = width;
  requestedHeight_ = height;
}

void TMapView::OnWindowMoved() {
  if (display_) display_->OnWindowMoved();
}

void TMapView::ApplyResolution(int32_t width, int32_t height) {
  if (display_ && display_->Resize(width, height)) display_->SetViewChanged(true);
}

void TMapView::ReleaseDisplay() {
  if (display_) display_->Shutdown();
}

void TMapView::RestoreDisplay() {
  if (!display_) return;
  display_->Init(display_->IsFullScreen(), display_->GetWidth(), display_->GetHeight());
  display_->SetViewChanged(true);
}

int32_t TMapView::GetScreenWidth() const { return display_ ? display_->GetWidth() : 0; }

int32_t TMapView::GetScreenHeight() const { return display_ ? display_->GetHeight() : 0; }

float CurrentMapZoom() { return TMapView::Exists() ? TMapView::Instance()->GetZoom() : 1.0f; }
