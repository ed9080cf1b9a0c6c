// The software device's triangle rasteriser: the pixel rules the game's art
// was made for. A pixel's centre is at integer coordinates; a centre on an
// edge belongs to the triangle only when the edge is a top or a left one, so
// triangles that share an edge never both draw its pixels. Colours are
// interpolated linearly (Gouraud), textures are point-sampled.
#pragma once

#include <cstdint>

#include "platform/render_device.h"

namespace platform {

struct RasterTarget {
  uint32_t* pixels = nullptr;  // X8R8G8B8
  int32_t pitch = 0;           // in pixels
  // The clip rectangle: left and top included, right and bottom excluded.
  int32_t clipLeft = 0;
  int32_t clipTop = 0;
  int32_t clipRight = 0;
  int32_t clipBottom = 0;
};

// Draws one triangle with the states and the texture (null: a white texel).
void RasterTriangle(const RasterTarget& target, const RenderVertex& a, const RenderVertex& b,
                    const RenderVertex& c, const RenderStates& states, const RenderTexture* texture);

// The colour a pixel gets from a texel and a vertex colour under the states'
// stage-0 operations, before the alpha test and blending.
uint32_t CombineStage0(uint32_t texel, uint32_t diffuse, const RenderStates& states);
// Whether the alpha passes the states' alpha test.
bool PassesAlphaTest(uint32_t alpha, const RenderStates& states);
// The blended colour of a source pixel over the destination.
uint32_t Blend(uint32_t source, uint32_t destination, const RenderStates& states);

}  // namespace platform
