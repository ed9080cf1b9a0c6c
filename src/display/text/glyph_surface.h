// The glyphs of a 2D display font: one bitmap of ink in a single colour,
// copied to the back buffer a character at a time. The 2D display feeds the
// copies (TGlyphSurfaceTarget); CopyGlyphs is the copy in software that it
// may use on a locked back buffer.
#pragma once

#include <cstdint>
#include <vector>

#include "display/colour.h"
#include "display/text/glyph_cells.h"

struct TGlyphSurface {
  int32_t width = 0;
  int32_t height = 0;
  // width * height, row by row: 1 where a glyph has ink, 0 transparent.
  std::vector<uint8_t> ink;
  TColour colour;
  // Changes whenever the glyphs are made again, so that a display may keep
  // its own copy of the surface until then.
  uint32_t generation = 0;

  bool HasInk(int32_t x, int32_t y) const { return ink[static_cast<std::size_t>(y * width + x)] != 0; }
};

// A locked 16- or 32-bit pixel buffer, rows `pitch` bytes apart.
struct TPixelTarget {
  uint8_t* pixels = nullptr;
  int32_t pitch = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bytesPerPixel = 4;

  void Put(int32_t x, int32_t y, uint32_t value) const;
};

// What the 2D display does for the glyph-surface fonts.
class TGlyphSurfaceTarget {
 public:
  virtual ~TGlyphSurfaceTarget() = default;
  // Copies the source rectangle of the surface to the destination rectangle
  // of the back buffer (same size), clipped to both; only ink is copied, in
  // the surface's colour.
  virtual void BlitGlyphs(const TGlyphSurface& surface, const TGlyphRect& source, const TGlyphRect& dest) = 0;
};

// The copy of BlitGlyphs into a pixel buffer, ink written as `pixel`. A
// source reaching outside the surface or a destination outside the target is
// clipped, both rectangles losing the same rows and columns.
void CopyGlyphs(const TGlyphSurface& surface, const TGlyphRect& source, const TGlyphRect& dest,
                const TPixelTarget& target, uint32_t pixel);
