// What the 2D image surfaces need of the display that draws them: the maker
// of surfaces in the display format, that format, and the two copies onto
// the back buffer. The 2D display provides it; tests provide a canvas alone.
#pragma once

#include "display/pixel_format.h"
#include "platform/soft_surface.h"

class TShape;
class TDirectDrawSurface;

class TDirectDrawTarget {
 public:
  virtual ~TDirectDrawTarget() = default;
  virtual platform::SoftSurfaceDevice* GetSurfaceDevice() = 0;
  virtual const TPixelFormat* GetPixelFormat() const = 0;
  // The quad's picture copied with clipping and stretching.
  virtual void BlitQuadClipped(const TShape& quad, const TDirectDrawSurface& surface) = 0;
  // The quad's picture copied unscaled and unclipped; only for quads that
  // lie wholly inside the back buffer.
  virtual void BlitQuadFast(const TShape& quad, const TDirectDrawSurface& surface) = 0;
};
