#include "display/direct_draw_display.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/version_info.h"
#include "display/ddraw/direct_draw_canvas.h"
#include "display/surface.h"
#include "display/visuals/shape.h"

namespace {

int64_t Span(int32_t from, int32_t to) { return static_cast<int64_t>(to) - static_cast<int64_t>(from); }

constexpr int32_t kFpsBoxWidth = 75;
constexpr int32_t kFpsBoxHeight = 30;

}  // namespace

int32_t ClassifyQuadBlit(const TShape& quad, int32_t surfaceWidth, int32_t surfaceHeight, int32_t targetWidth,
                         int32_t targetHeight) {
  const int32_t left = SaturatedCoordinate(std::floor(quad.GetX(0)));
  const int32_t top = SaturatedCoordinate(std::floor(quad.GetY(0)));
  const int32_t right = SaturatedCoordinate(std::floor(quad.GetX(3)));
  const int32_t bottom = SaturatedCoordinate(std::floor(quad.GetY(3)));
  if (left >= targetWidth || right <= 0 || top >= targetHeight || bottom <= 0) return 0;
  const auto source = [](float coordinate, int32_t size) {
    return SaturatedCoordinate(std::trunc(static_cast<double>(coordinate * static_cast<float>(size))));
  };
  const int32_t sourceLeft = source(quad.GetU(0), surfaceWidth);
  const int32_t sourceTop = source(quad.GetV(0), surfaceHeight);
  const int32_t sourceRight = source(quad.GetU(3), surfaceWidth);
  const int32_t sourceBottom = source(quad.GetV(3), surfaceHeight);
  if (sourceLeft >= sourceRight || left >= right || sourceTop >= sourceBottom || top >= bottom) return 0;
  const bool clipped = left < 0 || top < 0 || right >= targetWidth || bottom >= targetHeight;
  const bool scaled = std::llabs(Span(sourceLeft, sourceRight) - Span(left, right)) > 1 ||
                      std::llabs(Span(sourceTop, sourceBottom) - Span(top, bottom)) > 1;
  return clipped || scaled ? 1 : 2;
}

TDirectDrawDisplay::TDirectDrawDisplay(bool fullScreen, int32_t width, int32_t height) {
  Init(fullScreen, width, height);
}

TDirectDrawDisplay::~TDirectDrawDisplay() { Shutdown(); }

bool TDirectDrawDisplay::Init(bool fullScreen, int32_t width, int32_t height) {
  fullScreen_ = fullScreen;
  width_ = std::max<int32_t>(width, 1);
  height_ = std::max<int32_t>(height, 1);
  backBuffer_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0u);
  // The window is reached through the version identity, which carries it.
  TVersionInfoHolder* holder = GetVersionInfo();
  platform::WindowHandle window = holder != nullptr ? holder->Get()->GetWindowHandle() : nullptr;
  // Without a window (tools, tests) frames stay in memory.
  if (window != nullptr) presenter_.Open(window, width_, height_);
  return true;
}

void TDirectDrawDisplay::Shutdown() { presenter_.Close(); }

void TDirectDrawDisplay::BeginFrame() { Clear(); }

void TDirectDrawDisplay::Present() {
  presenter_.Present(backBuffer_.data(), width_, height_, width_ * 4);
  SetViewChanged(false);
}

bool TDirectDrawDisplay::Resize(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return false;
  width_ = width;
  height_ = height;
  backBuffer_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0u);
  presenter_.Resize(width_, height_);
  SetViewChanged(true);
  return true;
}

void TDirectDrawDisplay::OnWindowMoved() { SetViewChanged(true); }

void TDirectDrawDisplay::Clear() { std::fill(backBuffer_.begin(), backBuffer_.end(), 0u); }

void TDirectDrawDisplay::DrawVisual(TBarVisual* /*bar*/, const TVector3& /*position*/, bool /*onTop*/) {
  // Bars are drawn as thick lines once the 2D line drawer exists.
}

void TDirectDrawDisplay::DrawBar(TWorldBar* /*bar*/, const TVector3& /*offset*/) {
  // World bars are drawn as thick lines once the 2D line drawer exists.
}

std::unique_ptr<TSurface> TDirectDrawDisplay::CreateSurface(const TSurfaceKey& /*key*/) {
  // Image surfaces of this display come with its surface classes; until then
  // it makes none, which the surface cache keeps like any other answer.
  return nullptr;
}

void TDirectDrawDisplay::DrawFps(int32_t /*framesPerSecond*/) {
  const int32_t rows = std::min(kFpsBoxHeight, height_);
  const int32_t columns = std::min(kFpsBoxWidth, width_);
  for (int32_t y = 0; y < rows; ++y) {
    const auto row = backBuffer_.begin() + static_cast<std::ptrdiff_t>(y) * width_;
    std::fill(row, row + columns, 0u);
  }
}

int32_t TDirectDrawDisplay::BlitQuad(const TShape* quad, const TSurface* surface) {
  if (quad == nullptr || surface == nullptr) return 0;
  return ClassifyQuadBlit(*quad, surface->GetWidth(), surface->GetHeight(), width_, height_);
}
