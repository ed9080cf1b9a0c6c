#include "display/image/image.h"

#include <algorithm>

void TImage::AlphaToColourKey() {
  if (GetBytesPerPixel() != 4) return;
  uint8_t* pixel = GetPixels();
  const uint32_t width = GetWidth();
  const uint32_t height = GetHeight();
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x, pixel += 4) {
      const uint8_t alpha = pixel[3];
      // Half-translucent pixels become a checkerboard of the key.
      if (alpha < 63 || (alpha < 170 && ((x + y) & 1) == 0)) {
        pixel[0] = 0;
        pixel[1] = 0;
        pixel[2] = 255;
        pixel[3] = 255;
      }
    }
  }
}

uint8_t TImage::GetChannel(uint32_t x, uint32_t y, uint32_t channel) const {
  const uint32_t bytesPerPixel = GetBytesPerPixel();
  // Outside the picture reads as 0 rather than past the pixels.
  if (x >= GetWidth() || y >= GetHeight() || channel >= bytesPerPixel || GetPixels() == nullptr) return 0;
  const uint64_t index = (static_cast<uint64_t>(GetWidth()) * y + x) * bytesPerPixel + channel;
  return GetPixels()[index];
}

namespace image_pixels {

void SwapRedBlue(uint8_t* pixels, uint64_t pixelCount, uint32_t bytesPerPixel) {
  if (bytesPerPixel < 3) return;
  for (uint64_t i = 0; i < pixelCount; ++i, pixels += bytesPerPixel) std::swap(pixels[0], pixels[2]);
}

void FlipRows(uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bytesPerPixel) {
  const uint64_t rowBytes = static_cast<uint64_t>(width) * bytesPerPixel;
  for (uint32_t r = 0; r < height / 2; ++r) {
    uint8_t* top = pixels + rowBytes * r;
    uint8_t* bottom = pixels + rowBytes * (height - 1 - r);
    std::swap_ranges(top, top + rowBytes, bottom);
  }
}

}  // namespace image_pixels
