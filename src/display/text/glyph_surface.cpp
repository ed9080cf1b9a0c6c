#include "display/text/glyph_surface.h"

#include <algorithm>
#include <cstring>

void TPixelTarget::Put(int32_t x, int32_t y, uint32_t value) const {
  uint8_t* at = pixels + static_cast<std::ptrdiff_t>(y) * pitch + static_cast<std::ptrdiff_t>(x) * bytesPerPixel;
  if (bytesPerPixel == 2) {
    const auto narrow = static_cast<uint16_t>(value);
    std::memcpy(at, &narrow, sizeof narrow);
  } else {
    std::memcpy(at, &value, sizeof value);
  }
}

void CopyGlyphs(const TGlyphSurface& surface, const TGlyphRect& source, const TGlyphRect& dest,
                const TPixelTarget& target, uint32_t pixel) {
  if (target.pixels == nullptr || (target.bytesPerPixel != 2 && target.bytesPerPixel != 4)) return;
  const int32_t width = std::min(source.Width(), dest.Width());
  const int32_t height = std::min(source.Height(), dest.Height());
  // Trim every side by what lies outside the surface or the target.
  const int32_t trimLeft = std::max({0, -source.left, -dest.left});
  const int32_t trimTop = std::max({0, -source.top, -dest.top});
  const int32_t trimRight = std::max({0, source.left + width - surface.width, dest.left + width - target.width});
  const int32_t trimBottom =
      std::max({0, source.top + height - surface.height, dest.top + height - target.height});
  for (int32_t row = trimTop; row < height - trimBottom; ++row) {
    for (int32_t column = trimLeft; column < width - trimRight; ++column) {
      if (surface.HasInk(source.left + column, source.top + row)) {
        target.Put(dest.left + column, dest.top + row, pixel);
      }
    }
  }
}
