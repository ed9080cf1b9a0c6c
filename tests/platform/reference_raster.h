// A plain, slow triangle rasteriser kept beside the tests as the yardstick of
// the software device's fast one: every pixel is worked out on its own from
// the states, with no per-state specialisation, no incremental stepping
// beyond the exact integer edge values, and no shortcuts for sprites. The
// fast rasteriser must match it pixel for pixel.
#pragma once

#include "platform/render_device.h"
#include "platform/render_device_raster.h"

namespace reference_raster {

void DrawTriangle(const platform::RasterTarget& target, const platform::RenderVertex& a,
                  const platform::RenderVertex& b, const platform::RenderVertex& c,
                  const platform::RenderStates& states, const platform::RenderTexture* texture);

}  // namespace reference_raster
