// Pictures read into plain rows of pixel bytes: top row first, left to right,
// bytes R, G, B (and A or a 0 byte for 4-byte pixels), no gaps between rows.
#pragma once

#include <cstdint>
#include <string>

class TImage {
 public:
  virtual ~TImage() = default;
  // Reads the named file; true when the image is usable.
  virtual bool Load(const std::string& fileName) = 0;
  virtual uint32_t GetWidth() const = 0;
  virtual uint32_t GetHeight() const = 0;
  virtual uint8_t* GetPixels() = 0;
  virtual const uint8_t* GetPixels() const = 0;
  virtual uint32_t GetBytesPerPixel() const = 0;
  // Turns translucent pixels of a 4-byte image into the blue colour key.
  virtual void AlphaToColourKey();
  // Byte `channel` (0 to 3) of pixel (x, y).
  virtual uint8_t GetChannel(uint32_t x, uint32_t y, uint32_t channel) const;
};

namespace image_pixels {

// Exchanges bytes 0 and 2 of every pixel (BGR(A) and RGB(A)).
void SwapRedBlue(uint8_t* pixels, uint64_t pixelCount, uint32_t bytesPerPixel);
// Exchanges row r with row height - 1 - r.
void FlipRows(uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bytesPerPixel);

}  // namespace image_pixels
