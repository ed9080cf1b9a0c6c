#include "display/direct_draw_display.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "app/log.h"
#include "app/message_box.h"
#include "app/text_utils.h"
#include "app/vector3.h"
#include "app/version_info.h"
#include "display/ddraw/direct_draw_surface.h"
#include "display/ddraw/direct_draw_visual_builders.h"
#include "display/pixel_format.h"
#include "display/surface.h"
#include "display/text/display_font_factory.h"
#include "display/visuals/bar_visual.h"
#include "display/visuals/shape.h"
#include "platform/clock.h"

using platform::SurfaceResult;

namespace {

constexpr int32_t kFpsBoxWidth = 75;
constexpr int32_t kFpsBoxHeight = 30;
// A queued text whose scale differs from the font's by this much changes it;
// the font itself is made again only for a change of kFontScaleStep.
constexpr float kQueuedScaleStep = 0.0001f;
constexpr float kFontScaleStep = 0.001f;

int32_t Truncate(float value) { return SaturatedCoordinate(std::trunc(static_cast<double>(value))); }

bool NeedsRestore(SurfaceResult result) { return result == SurfaceResult::kLost || result == SurfaceResult::kBusy; }

}  // namespace

std::string DirectDrawErrorText(SurfaceResult result) {
  switch (result) {
    case SurfaceResult::kOk:
      return std::string();
    case SurfaceResult::kLost:
      return "Access to the surface is refused because the surface memory is gone.";
    case SurfaceResult::kBusy:
      return "Access to the surface is refused as it is locked by another thread.";
    case SurfaceResult::kNotLocked:
      return "Undefined error condition";
    case SurfaceResult::kInvalidRect:
      return "The provided rectangle was invalid.";
    case SurfaceResult::kInvalidParams:
      return "A parameter is incorrect.";
    case SurfaceResult::kOutOfMemory:
      return "Not enough memory to perform the operation.";
  }
  return std::string();
}

TDirectDrawDisplay::TDirectDrawDisplay(bool fullScreen, int32_t width, int32_t height,
                                       TDirectDrawDisplayOptions options)
    : options_(std::move(options)) {
  faces_ = options_.faces ? options_.faces : LoadFontFaceMap();
  if (!options_.host) options_.host = MakeMapViewDirectDrawHost();
  canvas_.SetFailureHook([this](SurfaceResult result, const char* message) { ReportError(result, message); });
  Init(fullScreen, width, height);
}

TDirectDrawDisplay::~TDirectDrawDisplay() { Shutdown(); }

void TDirectDrawDisplay::RegisterVisualTypes(TVisualLibrary& library) { RegisterDirectDrawVisuals(library, *this); }

platform::WindowHandle TDirectDrawDisplay::Window() const {
  if (options_.window != nullptr) return options_.window;
  // The main window is reached through the version identity, which carries
  // it; tools and tests have none and keep their frames in memory.
  TVersionInfoHolder* holder = GetVersionInfo();
  return holder != nullptr ? holder->Get()->GetWindowHandle() : nullptr;
}

bool TDirectDrawDisplay::Init(bool fullScreen, int32_t width, int32_t height) {
  WriteLog("Initialising DirectDraw\n");
  WriteLog("FullScreen = " + BoolToString(fullScreen) + ", ");
  WriteLog("Width = " + IntToString(width) + ", ");
  WriteLog("Height = " + IntToString(height) + "\n");
  fullScreen_ = fullScreen;
  width_ = width;
  height_ = height;
  locked_ = false;
  if (!platform::SurfaceFormatForBits(options_.bitsPerPixel)) {
    ReportError(SurfaceResult::kInvalidParams, "Failed to set display mode.");
    return true;
  }
  if (!canvas_.Open(options_.bitsPerPixel, width, height)) {
    ReportError(SurfaceResult::kInvalidParams, "Failed to create back buffer surface.");
    return true;
  }
  if (const platform::WindowHandle window = Window(); window != nullptr && !presenter_.Open(window, width, height)) {
    ReportError(SurfaceResult::kInvalidParams, fullScreen ? "Failed to create full screen primary surface."
                                                          : "Failed to create windowed primary surface.");
  }
  Clear();
  CreateTextFont();
  WriteLog("Initialised DirectDraw Successfully\n");
  return true;
}

void TDirectDrawDisplay::Shutdown() {
  WriteLog("Destroying DirectDraw\n");
  if (locked_) UnlockBackBuffer();
  font_.Delete();
  canvas_.Close();
  presenter_.Close();
  WriteLog("Destroyed DirectDraw Successfully\n");
}

void TDirectDrawDisplay::BeginFrame() {
  if (options_.host->GetClearEachFrame()) Clear();
}

void TDirectDrawDisplay::Present() {
  FlushText();
  const platform::SoftSurface* back = canvas_.GetBackBuffer();
  if (back == nullptr) return;
  const SurfaceResult result = platform::PresentSurface(presenter_, *back);
  if (NeedsRestore(result)) {
    RestoreSurfaces();
    return;
  }
  ReportError(result, fullScreen_ ? "Flip failed" : "Blit from backbuffer failed");
}

void TDirectDrawDisplay::Sleep(uint32_t milliseconds) const {
  if (options_.sleep) {
    options_.sleep(milliseconds);
  } else {
    platform::SleepMilliseconds(milliseconds);
  }
}

void TDirectDrawDisplay::RestoreSurfaces() {
  platform::SoftSurface* back = canvas_.GetBackBuffer();
  if (back == nullptr) return;
  // The window itself cannot be lost here: only the back buffer is tried.
  SurfaceResult result = SurfaceResult::kLost;
  for (int32_t attempt = 0; attempt < kRestoreAttempts; ++attempt) {
    result = back->Restore();
    Sleep(kRestoreWaitMs);
    if (result == SurfaceResult::kOk) break;
  }
  if (result != SurfaceResult::kOk) {
    ReportError(result, "Failed to update render target.");
    return;
  }
  options_.host->ReloadSurfaces();
  SetViewChanged(true);
}

bool TDirectDrawDisplay::Resize(int32_t width, int32_t height) {
  // Full screen keeps its mode; a window's drawing area follows its size.
  if (fullScreen_) return true;
  if (!canvas_.ResizeBackBuffer(width, height)) {
    ReportError(SurfaceResult::kInvalidParams, "Failed to create back buffer surface.");
    return true;
  }
  width_ = width;
  height_ = height;
  presenter_.Resize(width, height);
  Clear();
  return true;
}

void TDirectDrawDisplay::OnWindowMoved() {
  // The presenter always fills the window's client area, wherever it is.
}

void TDirectDrawDisplay::Clear() {
  platform::SoftSurface* back = canvas_.GetBackBuffer();
  if (back == nullptr) return;
  SurfaceResult result = back->Fill(nullptr, 0);
  if (NeedsRestore(result)) {
    result = back->Restore();
    if (result == SurfaceResult::kOk) result = back->Fill(nullptr, 0);
  }
  ReportError(result, "Clearing back buffer failed");
}

void TDirectDrawDisplay::ReportError(SurfaceResult result, const std::string& message) {
  if (result == SurfaceResult::kOk) return;
  const std::string text = DirectDrawErrorText(result);
  WriteLog(message + "\n");
  if (options_.fatal) {
    options_.fatal(message);
    return;
  }
  // The program cannot go on drawing: a failure status, not a clean one.
  ShowMessageText(text.empty() ? message : message + "\n" + text);
  std::exit(1);
}

std::unique_ptr<TSurface> TDirectDrawDisplay::CreateSurface(const TSurfaceKey& key) {
  return std::make_unique<TDirectDrawSurface>(key, &canvas_);
}

void TDirectDrawDisplay::DrawFps(int32_t framesPerSecond) {
  platform::SoftSurface* back = canvas_.GetBackBuffer();
  if (back == nullptr) return;
  const platform::SurfaceRect corner{0, 0, kFpsBoxWidth, kFpsBoxHeight};
  ReportError(back->Fill(&corner, 0), "Failed Blit");
  char text[32];
  std::snprintf(text, sizeof text, "%d fps", framesPerSecond);
  DrawText(text, 4, 4, TColour(1.0f, 1.0f, 1.0f, 1.0f));
}

int32_t TDirectDrawDisplay::BlitQuad(const TShape* quad, const TSurface* surface) {
  if (quad == nullptr || surface == nullptr) return 0;
  return ClassifyQuadBlit(*quad, surface->GetWidth(), surface->GetHeight(), width_, height_);
}

int32_t TDirectDrawDisplay::BlitQuad(const TShape& quad, const TDirectDrawSurface* surface) {
  return BlitQuad(&quad, surface);
}

float TDirectDrawDisplay::GetZoom() const { return options_.host->GetZoom(); }

void TDirectDrawDisplay::ToViewCoordinates(float& x, float& y) const { options_.host->ToViewCoordinates(x, y); }

void TDirectDrawDisplay::BlitQuadClipped(const TShape& quad, const TDirectDrawSurface& surface) {
  canvas_.BlitQuadClipped(quad, surface);
}

void TDirectDrawDisplay::BlitQuadFast(const TShape& quad, const TDirectDrawSurface& surface) {
  canvas_.BlitQuadFast(quad, surface);
}

void TDirectDrawDisplay::BlitRect(const TVector3& sourceTopLeft, const TVector3& sourceBottomRight,
                                  const TVector3& destTopLeft, const TVector3& destBottomRight,
                                  const TDirectDrawSurface& surface) {
  canvas_.BlitRect(sourceTopLeft, sourceBottomRight, destTopLeft, destBottomRight, surface);
}

bool TDirectDrawDisplay::LockTarget(TPixelTarget& target) {
  platform::SoftSurface* back = canvas_.GetBackBuffer();
  if (back == nullptr) return false;
  platform::SurfaceLock lock;
  if (back->Lock(lock) != SurfaceResult::kOk) return false;
  target.pixels = lock.bits;
  target.pitch = lock.pitch;
  target.width = back->GetWidth();
  target.height = back->GetHeight();
  target.bytesPerPixel = static_cast<int32_t>(back->GetBytesPerPixel());
  return true;
}

void TDirectDrawDisplay::LockBackBuffer() {
  TPixelTarget target;
  if (!locked_) locked_ = LockTarget(target);
}

void TDirectDrawDisplay::UnlockBackBuffer() {
  if (!locked_) return;
  locked_ = false;
  canvas_.GetBackBuffer()->Unlock();
}

void TDirectDrawDisplay::DrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t thickness,
                                  uint32_t pixel) {
  TPixelTarget target;
  if (!LockTarget(target)) return;
  const bool steep = std::llabs(static_cast<int64_t>(x1) - x0) <= std::llabs(static_cast<int64_t>(y1) - y0);
  const int32_t half = thickness / 2;
  // Black would hide what lies under a bar; every other pixel lets it show.
  const auto put = [&target, pixel](int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= target.width || y >= target.height) return;
    if (pixel == 0 && ((x + y) & 1) == 0) return;
    target.Put(x, y, pixel);
  };
  TLineStepper stepper;
  stepper.Init(x0, y0, x1, y1);
  int32_t x = x0;
  int32_t y = y0;
  while (x != x1 || y != y1) {
    if (x >= 0 && y >= 0 && x < target.width && y < target.height) {
      put(x, y);
      for (int32_t i = 1; i <= half; ++i) {
        if (steep) {
          put(x - i, y);
          put(x + i, y);
        } else {
          put(x, y - i);
          put(x, y + i);
        }
      }
    }
    stepper.Step(x, y);
  }
  canvas_.GetBackBuffer()->Unlock();
}

void TDirectDrawDisplay::DrawVisual(TBarVisual* bar, const TVector3& position, bool onTop) {
  if (bar == nullptr || bar->GetColour() == nullptr || GetPixelFormat() == nullptr) return;
  TVector3 start = position;
  if (!onTop) {
    start = TVector3(static_cast<float>(position.ScreenX()), static_cast<float>(position.ScreenY()), 0.0f);
    options_.host->SubtractScrollOffset(start);
  }
  const int32_t startX = Truncate(start.x);
  const int32_t startY = Truncate(start.y);
  TVector3 along = bar->GetDirection();
  const float length = along.Length();
  const float scale = length > 0.0f ? GetZoom() * bar->GetSize().x / length : 0.0f;
  along = TVector3(along.x * scale, along.y * scale, along.z * scale);
  const int32_t endX = Truncate(static_cast<float>(startX) + along.x);
  const int32_t endY = Truncate(static_cast<float>(startY) + along.y);
  DrawLine(startX, startY, endX, endY, Truncate(bar->GetSize().y), GetPixelFormat()->PackColour(*bar->GetColour()));
}

void TDirectDrawDisplay::DrawBar(TWorldBar* bar, const TVector3& offset) {
  if (bar == nullptr || bar->GetColour() == nullptr || GetPixelFormat() == nullptr) return;
  const auto place = [this, bar, &offset](const TVector3& corner) {
    const TVector3 point(offset.x + corner.x, offset.y + corner.y, offset.z + corner.z);
    if (bar->IsOnTop()) return std::pair<int32_t, int32_t>(Truncate(point.x), Truncate(point.y));
    float x = static_cast<float>(point.ScreenX());
    float y = static_cast<float>(point.ScreenY());
    options_.host->ToViewCoordinates(x, y);
    return std::pair<int32_t, int32_t>(Truncate(x), Truncate(y));
  };
  const auto [ax, ay] = place(bar->GetStartCorner());
  const auto [bx, by] = place(bar->GetEndCorner());
  DrawLine(ax, ay, bx, by, Truncate(bar->GetValue()), GetPixelFormat()->PackColour(*bar->GetColour()));
}

void TDirectDrawDisplay::BlitGlyphs(const TGlyphSurface& surface, const TGlyphRect& source, const TGlyphRect& dest) {
  if (GetPixelFormat() == nullptr) return;
  TPixelTarget target;
  if (!LockTarget(target)) return;
  CopyGlyphs(surface, source, dest, target, GetPixelFormat()->PackColour(surface.colour));
  canvas_.GetBackBuffer()->Unlock();
}

void TDirectDrawDisplay::CreateTextFont() {
  font_.Delete();
  if (faces_) font_.Create(*faces_, textScale_);
}

void TDirectDrawDisplay::SetTextScale(float scale) {
  if (std::fabs(scale - textScale_) < kFontScaleStep) return;
  textScale_ = scale;
  CreateTextFont();
}

void TDirectDrawDisplay::DrawText(const std::string& text, int32_t x, int32_t y, const TColour& colour) {
  queue_.push_back(TQueuedText{text, x, y, colour, textScale_});
}

float TDirectDrawDisplay::GetTextWidth(const std::string& text, int32_t begin, int32_t end) {
  return font_.GetTextWidth(text, begin, end);
}

float TDirectDrawDisplay::GetStringWidth(const std::string& text) {
  return GetTextWidth(text, 0, static_cast<int32_t>(text.size()));
}

float TDirectDrawDisplay::GetTextHeight(const std::string& text) { return font_.GetTextHeight(text); }

void TDirectDrawDisplay::FlushText() {
  if (queue_.empty()) return;
  TPixelTarget target;
  if (GetPixelFormat() != nullptr && LockTarget(target)) {
    for (const TQueuedText& entry : queue_) {
      // A text queued at another scale changes the font, and the change
      // stays for the texts and frames after it.
      if (std::fabs(entry.scale - textScale_) >= kQueuedScaleStep) SetTextScale(entry.scale);
      font_.DrawText(TrimText(entry.text), entry.x, entry.y, GetPixelFormat()->PackColour(entry.colour), target);
    }
    canvas_.GetBackBuffer()->Unlock();
  }
  queue_.clear();
}
