// Where the half-size map-view images go: left to right in rows, a new row
// below when the row is full, a new sheet when the rows are.
#pragma once

#include <cstdint>

class TImage;
class TTgaImage;

namespace map_view_packing {

constexpr uint32_t kSheetSide = 256;

struct TPlacement {
  uint32_t x = 0;
  uint32_t y = 0;
  uint32_t sheet = 0;
  // The sheet before this one is complete and must be saved first.
  bool newSheet = false;
};

// The rows advance by the size of the image placed before, so the packing
// is exact for images of one size.
class TPacker {
 public:
  TPlacement Place(uint32_t halfWidth, uint32_t halfHeight);
  uint32_t Sheet() const { return sheet_; }

 private:
  uint32_t x_ = 0;
  uint32_t y_ = 0;
  uint32_t lastHalfWidth_ = 0;
  uint32_t lastHalfHeight_ = 0;
  uint32_t sheet_ = 0;
};

// Writes the image at half size onto the 32-bit sheet with its top-left
// pixel at (left, top): each copy pixel is the truncated mean of a 2 x 2 block.
void HalveInto(const TImage& image, uint32_t left, uint32_t top, TTgaImage& sheet);

}  // namespace map_view_packing
