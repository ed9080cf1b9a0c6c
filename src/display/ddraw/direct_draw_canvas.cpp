#include "display/ddraw/direct_draw_canvas.h"

#include <cmath>
#include <cstdlib>

#include "app/vector3.h"
#include "display/ddraw/direct_draw_surface.h"
#include "display/visuals/shape.h"

using platform::SourceKey;
using platform::SurfaceRect;
using platform::SurfaceResult;

namespace {

int32_t Floored(float value) { return SaturatedCoordinate(std::floor(static_cast<double>(value))); }

int32_t Truncated(float value) { return SaturatedCoordinate(std::trunc(static_cast<double>(value))); }

// A texture coordinate as a pixel of a picture of the given size.
int32_t SourcePixel(float coordinate, int32_t size) { return Truncated(coordinate * static_cast<float>(size)); }

SurfaceRect SourceOf(const TShape& quad, const TDirectDrawSurface& surface) {
  const int32_t width = surface.GetWidth();
  const int32_t height = surface.GetHeight();
  return {SourcePixel(quad.GetU(0), width), SourcePixel(quad.GetV(0), height), SourcePixel(quad.GetU(3), width),
          SourcePixel(quad.GetV(3), height)};
}

SurfaceRect DestinationOf(const TShape& quad) {
  return {Floored(quad.GetX(0)), Floored(quad.GetY(0)), Floored(quad.GetX(3)), Floored(quad.GetY(3))};
}

int64_t Span(int32_t from, int32_t to) { return static_cast<int64_t>(to) - static_cast<int64_t>(from); }

SourceKey KeyOf(const TDirectDrawSurface& surface) {
  return surface.HasColourKey() ? SourceKey::kUse : SourceKey::kIgnore;
}

}  // namespace

int32_t SaturatedCoordinate(double value) {
  if (!(value == value)) return 0;
  if (value <= -2147483648.0) return INT32_MIN;
  if (value >= 2147483647.0) return INT32_MAX;
  return static_cast<int32_t>(value);
}

int32_t ClassifyQuadBlit(const TShape& quad, int32_t surfaceWidth, int32_t surfaceHeight, int32_t targetWidth,
                         int32_t targetHeight) {
  const int32_t left = Floored(quad.GetX(0));
  const int32_t top = Floored(quad.GetY(0));
  const int32_t right = Floored(quad.GetX(3));
  const int32_t bottom = Floored(quad.GetY(3));
  if (left >= targetWidth || right <= 0 || top >= targetHeight || bottom <= 0) return 0;
  const int32_t sourceLeft = SourcePixel(quad.GetU(0), surfaceWidth);
  const int32_t sourceTop = SourcePixel(quad.GetV(0), surfaceHeight);
  const int32_t sourceRight = SourcePixel(quad.GetU(3), surfaceWidth);
  const int32_t sourceBottom = SourcePixel(quad.GetV(3), surfaceHeight);
  if (sourceLeft >= sourceRight || left >= right || sourceTop >= sourceBottom || top >= bottom) return 0;
  const bool clipped = left < 0 || top < 0 || right >= targetWidth || bottom >= targetHeight;
  const bool scaled = std::llabs(Span(sourceLeft, sourceRight) - Span(left, right)) > 1 ||
                      std::llabs(Span(sourceTop, sourceBottom) - Span(top, bottom)) > 1;
  return clipped || scaled ? 1 : 2;
}

TPixelFormat PixelFormatOf(platform::SurfaceFormat format) {
  const platform::SurfaceFormatInfo info = platform::DescribeFormat(format);
  TPixelFormat pixelFormat;
  pixelFormat.SetMask(TPixelFormat::kRed, info.redMask);
  pixelFormat.SetMask(TPixelFormat::kGreen, info.greenMask);
  pixelFormat.SetMask(TPixelFormat::kBlue, info.blueMask);
  pixelFormat.SetMask(TPixelFormat::kAlpha, info.alphaMask);
  pixelFormat.SetBitsPerPixel(info.bitsPerPixel);
  return pixelFormat;
}

bool TDirectDrawCanvas::Open(uint32_t bitsPerPixel, int32_t width, int32_t height) {
  Close();
  auto device = platform::SoftSurfaceDevice::Create(bitsPerPixel);
  if (!device) return false;
  auto backBuffer = device->CreateSurface(width, height, platform::SurfaceMemory::kVideo);
  if (!backBuffer) return false;
  pixelFormat_ = PixelFormatOf(device->GetFormat());
  device_ = std::move(device);
  backBuffer_ = std::move(backBuffer);
  return true;
}

void TDirectDrawCanvas::Close() {
  backBuffer_.reset();
  device_.reset();
  pixelFormat_ = TPixelFormat();
}

bool TDirectDrawCanvas::ResizeBackBuffer(int32_t width, int32_t height) {
  if (!device_) return false;
  auto backBuffer = device_->CreateSurface(width, height, platform::SurfaceMemory::kVideo);
  if (!backBuffer) return false;
  backBuffer_ = std::move(backBuffer);
  return true;
}

int32_t TDirectDrawCanvas::GetWidth() const { return backBuffer_ ? backBuffer_->GetWidth() : 0; }

int32_t TDirectDrawCanvas::GetHeight() const { return backBuffer_ ? backBuffer_->GetHeight() : 0; }

void TDirectDrawCanvas::Check(SurfaceResult result) const {
  if (result == SurfaceResult::kOk || result == SurfaceResult::kLost) return;
  if (failureHook_) failureHook_(result, "Failed Blit");
}

int32_t TDirectDrawCanvas::ClassifyQuad(const TShape& quad, const TDirectDrawSurface& surface) const {
  if (surface.GetPixels() == nullptr || !backBuffer_) return 0;
  return ClassifyQuadBlit(quad, surface.GetWidth(), surface.GetHeight(), GetWidth(), GetHeight());
}

void TDirectDrawCanvas::BlitQuadFast(const TShape& quad, const TDirectDrawSurface& surface) {
  const platform::SoftSurface* pixels = surface.GetPixels();
  if (pixels == nullptr || !backBuffer_) return;
  const SurfaceRect source = SourceOf(quad, surface);
  // The copy clips for itself, so a quad sent here by mistake cannot write
  // outside the back buffer.
  Check(backBuffer_->BltFast(Floored(quad.GetX(0)), Floored(quad.GetY(0)), *pixels, &source, KeyOf(surface)));
}

void TDirectDrawCanvas::BlitQuadClipped(const TShape& quad, const TDirectDrawSurface& surface) {
  BlitClipped(SourceOf(quad, surface), DestinationOf(quad), surface);
}

void TDirectDrawCanvas::BlitRect(const TVector3& sourceTopLeft, const TVector3& sourceBottomRight,
                                 const TVector3& destTopLeft, const TVector3& destBottomRight,
                                 const TDirectDrawSurface& surface) {
  const SurfaceRect source{Truncated(sourceTopLeft.x), Truncated(sourceTopLeft.y), Truncated(sourceBottomRight.x),
                           Truncated(sourceBottomRight.y)};
  const SurfaceRect dest{Floored(destTopLeft.x), Floored(destTopLeft.y), Floored(destBottomRight.x),
                         Floored(destBottomRight.y)};
  BlitClipped(source, dest, surface);
}

void TDirectDrawCanvas::BlitClipped(SurfaceRect source, SurfaceRect dest, const TDirectDrawSurface& surface) {
  const platform::SoftSurface* pixels = surface.GetPixels();
  if (pixels == nullptr || !backBuffer_) return;
  const int32_t width = GetWidth();
  const int32_t height = GetHeight();
  // Edges are moved in 64 bits: rectangles from far-off quads saturate at the
  // int limits, and the moves below must not wrap them round.
  int64_t sLeft = source.left, sTop = source.top, sRight = source.right, sBottom = source.bottom;
  int64_t dLeft = dest.left, dTop = dest.top, dRight = dest.right, dBottom = dest.bottom;
  if (sRight == surface.GetWidth()) {
    --sRight;
    --dRight;
  }
  if (sBottom == surface.GetHeight()) {
    --sBottom;
    --dBottom;
  }
  if (dLeft >= width || dRight <= 0 || dTop >= height || dBottom <= 0) return;
  if (dLeft < 0) {
    sLeft -= dLeft;
    dLeft = 0;
  }
  if (dTop < 0) {
    sTop -= dTop;
    dTop = 0;
  }
  if (dRight >= width) {
    sRight += width - 1 - dRight;
    dRight = width - 1;
  }
  if (dBottom >= height) {
    sBottom += height - 1 - dBottom;
    dBottom = height - 1;
  }
  if (!(sLeft < sRight && dLeft < dRight && sTop < sBottom && dTop < dBottom)) return;
  const auto narrow = [](int64_t value) { return SaturatedCoordinate(static_cast<double>(value)); };
  const SurfaceRect from{narrow(sLeft), narrow(sTop), narrow(sRight), narrow(sBottom)};
  const SurfaceRect to{narrow(dLeft), narrow(dTop), narrow(dRight), narrow(dBottom)};
  Check(backBuffer_->Blt(&to, *pixels, &from, KeyOf(surface)));
}
