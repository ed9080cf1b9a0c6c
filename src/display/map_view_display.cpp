// The map view's display settings and the rebuilds of the display: mode
// changes asked for by the options screens, window resizes and the release
// and restore around them.
#include <cmath>
#include <optional>
#include <vector>

#include "app/message_box.h"
#include "app/text_utils.h"
#include "display/display.h"
#include "display/map_view.h"
#include "display/surface_cache.h"
#include "display/text/font_manager.h"

namespace {

struct TRequestedSize {
  int32_t width = 0;
  int32_t height = 0;
};

// The largest mode the game asks a display for, the same bounds the frame
// holds its configured sizes to: a resolution text from replaceable data
// must not make the display allocate a back buffer of gigabytes.
constexpr double kMaxRequestedWidth = 5000.0;
constexpr double kMaxRequestedHeight = 4000.0;

// One size of a "W,H" text: the number truncated toward zero. A size that
// is not a positive number up to the limit is refused, so that no cast of
// an unrepresentable value can happen and no display of no size (or of an
// impossible one) can be asked for.
std::optional<int32_t> ReadSize(const std::string& field, double limit) {
  const double value = std::trunc(StringToFloat(field));
  if (!std::isfinite(value) || value < 1.0 || value > limit) return std::nullopt;
  return static_cast<int32_t>(value);
}

std::optional<TRequestedSize> ParseResolution(const std::string& text) {
  const std::vector<std::string> fields = SplitString(text, ",");
  if (fields.size() < 2) return std::nullopt;
  const std::optional<int32_t> width = ReadSize(fields[0], kMaxRequestedWidth);
  const std::optional<int32_t> height = ReadSize(fields[1], kMaxRequestedHeight);
  if (!width || !height) return std::nullopt;
  return TRequestedSize{*width, *height};
}

}  // namespace

void TMapView::SetRequestedSize(int32_t width, int32_t height) {
  requestedWidth_ = width;
  requestedHeight_ = height;
}

void TMapView::SetResolution(const std::string& text) {
  if (const std::optional<TRequestedSize> size = ParseResolution(text)) SetRequestedSize(size->width, size->height);
}

bool TMapView::GetResolution(const std::string& text) const {
  const std::optional<TRequestedSize> size = ParseResolution(text);
  return size && size->width == requestedWidth_ && size->height == requestedHeight_;
}

void TMapView::SetTextureResolution(bool high) {
  if (high == highTextureResolution_) return;
  highTextureResolution_ = high;
  changePending_ = true;
}

void TMapView::ChangeDisplay() {
  if (display_) {
    const bool fullScreen = display_->IsFullScreen();
    if (fullScreen != requestedFullScreen_) changePending_ = modeChangePending_ = true;
    // A window's size follows the window; only a full-screen mode has a
    // size of its own to change.
    if (fullScreen && (requestedWidth_ != display_->GetWidth() || requestedHeight_ != display_->GetHeight())) {
      changePending_ = modeChangePending_ = true;
    }
    if (display_->GetTypeName() != requestedDisplayType_) changePending_ = typeChangePending_ = true;
    // Another display type is written to the settings at shutdown and made
    // at the next start, with every other requested value.
    if (changePending_ && !typeChangePending_) ApplyDisplayMode();
  }
  changePending_ = modeChangePending_ = typeChangePending_ = false;
}

void TMapView::OnWindowMoved() {
  if (display_) display_->OnWindowMoved();
}

void TMapView::ReleaseDisplay() {
  fontManager_->ReleaseFonts();
  surfaceCache_->ReleaseAll();
  if (display_) display_->Shutdown();
}

void TMapView::RestoreDisplay() {
  // The display reports its own failures.
  if (display_) display_->Init(requestedFullScreen_, requestedWidth_, requestedHeight_);
  surfaceCache_->RestoreAll();
  fontManager_->RestoreFonts();
}

void TMapView::ReloadSurfaces() {
  surfaceCache_->ReleaseAll();
  surfaceCache_->RestoreAll();
}

TWindowRect TMapView::CentredWindowRect() const {
  const TWindowRect screen = window_->GetScreenRect();
  int32_t screenWidth = screen.right - screen.left;
  int32_t screenHeight = screen.bottom - screen.top;
  // A screen of unknown size is taken as large as the window.
  if (screenWidth <= 0 || screenHeight <= 0) {
    screenWidth = requestedWidth_;
    screenHeight = requestedHeight_;
  }
  TWindowRect client;
  client.left = (screenWidth - requestedWidth_) / 2;
  client.top = (screenHeight - requestedHeight_) / 2;
  client.right = client.left + requestedWidth_;
  client.bottom = client.top + requestedHeight_;
  return window_->AdjustForFrame(client);
}

void TMapView::ApplyDisplayMode() {
  ReleaseDisplay();
  window_->Hide();
  if (requestedFullScreen_) {
    window_->SetFullScreenStyle();
    RestoreDisplay();
  } else {
    window_->SetWindowedStyle();
    const TWindowRect rect = CentredWindowRect();
    RestoreDisplay();
    window_->Place(rect);
  }
  window_->Show();
}

void TMapView::ApplyResolution(int32_t width, int32_t height) {
  if (modeChangePending_ || !display_) return;
  TVector3 centre;
  camera_->GetViewCentre(centre);
  // The 2D display's surfaces live in the memory that a resize rebuilds.
  const bool is2D = IsDirectDraw2D();
  if (is2D) surfaceCache_->ReleaseAll();
  fontManager_->ReleaseFonts();
  if (display_->Resize(width, height)) {
    if (is2D) surfaceCache_->RestoreAll();
  } else {
    surfaceCache_->ReleaseAll();
    if (!display_->Resize(width, height)) ShowMessageBox("Error resizing to %dx%d", width, height);
    // The display goes on at whatever size it has.
    surfaceCache_->RestoreAll();
  }
  fontManager_->RestoreFonts();
  camera_->CentreOn(centre);
  display_->SetViewChanged(true);
}
