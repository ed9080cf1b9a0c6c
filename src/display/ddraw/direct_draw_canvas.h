// The 2D display's drawing surfaces: the maker of surfaces in the display
// format, the back buffer, and the copies of image surfaces onto it by quad
// or by rectangle, with the clipping rules the 2D visuals are placed by.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "display/ddraw/direct_draw_target.h"

class TVector3;

// A pixel coordinate as an int, saturating at the int limits (0 for not a
// number), so that a quad far off screen cannot overflow integer rectangles.
int32_t SaturatedCoordinate(double value);

// How a quad (the rectangle of its vertices 0 and 3, texture coordinates
// scaled by the surface size) can be copied onto a target of the given size:
// 0 not at all, 1 with clipping or scaling, 2 by a plain copy.
int32_t ClassifyQuadBlit(const TShape& quad, int32_t surfaceWidth, int32_t surfaceHeight, int32_t targetWidth,
                         int32_t targetHeight);

// The masks and depth of a surface format as the display describes them.
TPixelFormat PixelFormatOf(platform::SurfaceFormat format);

class TDirectDrawCanvas : public TDirectDrawTarget {
 public:
  // Told of a copy that failed for another reason than a lost surface (a
  // lost one draws nothing until the display restores it).
  using TFailureHook = std::function<void(platform::SurfaceResult result, const char* message)>;

  // A back buffer of the size in the given depth; false for a depth other
  // than 16 or 32 bits or a size no surface can have.
  bool Open(uint32_t bitsPerPixel, int32_t width, int32_t height);
  void Close();
  bool IsOpen() const { return backBuffer_ != nullptr; }
  // A new, black back buffer of the size; false (the old one kept) when it
  // cannot be made.
  bool ResizeBackBuffer(int32_t width, int32_t height);
  int32_t GetWidth() const;
  int32_t GetHeight() const;
  platform::SoftSurface* GetBackBuffer() { return backBuffer_.get(); }
  const platform::SoftSurface* GetBackBuffer() const { return backBuffer_.get(); }
  void SetFailureHook(TFailureHook hook) { failureHook_ = std::move(hook); }

  platform::SoftSurfaceDevice* GetSurfaceDevice() override { return device_.get(); }
  const TPixelFormat* GetPixelFormat() const override { return &pixelFormat_; }
  void BlitQuadClipped(const TShape& quad, const TDirectDrawSurface& surface) override;
  void BlitQuadFast(const TShape& quad, const TDirectDrawSurface& surface) override;

  // How the quad of the surface can be drawn: 0 not at all, 1 through the
  // clipped copy, 2 through the fast one.
  int32_t ClassifyQuad(const TShape& quad, const TDirectDrawSurface& surface) const;
  // Source corners truncated toward zero, destination corners floored.
  void BlitRect(const TVector3& sourceTopLeft, const TVector3& sourceBottomRight, const TVector3& destTopLeft,
                const TVector3& destBottomRight, const TDirectDrawSurface& surface);
  // A copy that never touches the back buffer's last column and row, and
  // leaves out the picture's last column and row when the source reaches
  // the picture's right or bottom edge.
  void BlitClipped(platform::SurfaceRect source, platform::SurfaceRect dest, const TDirectDrawSurface& surface);

 private:
  void Check(platform::SurfaceResult result) const;

  std::unique_ptr<platform::SoftSurfaceDevice> device_;
  std::unique_ptr<platform::SoftSurface> backBuffer_;
  TPixelFormat pixelFormat_;
  TFailureHook failureHook_;
};
