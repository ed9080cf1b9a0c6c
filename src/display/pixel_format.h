// How the four colour channels sit in a packed pixel. A display fills the
// masks and the pixel width of the format it owns; the pixel shaders fill the
// shifts and widths of formats of their own. Each half is read by its own
// operations, so a format filled one way answers zeros through the other.
#pragma once

#include <cstdint>

class TColour;

class TPixelFormat {
 public:
  enum Channel : int { kRed = 0, kGreen = 1, kBlue = 2, kAlpha = 3, kChannelCount = 4 };

  void SetShift(Channel channel, uint32_t shift) { shift_[channel] = shift; }
  void SetBits(Channel channel, uint32_t bits) { bits_[channel] = bits; }
  void SetMask(Channel channel, uint32_t mask) { mask_[channel] = mask; }
  void SetBitsPerPixel(uint32_t bits) { bitsPerPixel_ = bits; }
  uint32_t GetShift(Channel channel) const { return shift_[channel]; }
  uint32_t GetBits(Channel channel) const { return bits_[channel]; }
  uint32_t GetMask(Channel channel) const { return mask_[channel]; }
  uint32_t GetBitsPerPixel() const { return bitsPerPixel_; }

  // Each value shifted into place, unscaled.
  uint32_t Pack(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) const;
  // Each channel as its mask scaled by the component (clamped to 0..1 first).
  uint32_t PackColour(const TColour& colour) const;

  uint32_t GetRed(uint32_t pixel) const { return ChannelOf(pixel, kRed); }
  uint32_t GetGreen(uint32_t pixel) const { return ChannelOf(pixel, kGreen); }
  uint32_t GetBlue(uint32_t pixel) const { return ChannelOf(pixel, kBlue); }
  uint32_t GetAlpha(uint32_t pixel) const { return ChannelOf(pixel, kAlpha); }

  // The layouts in use: masks of 8-8-8 with an unused top byte, of 5-6-5,
  // and the shift and width layouts the pixel shaders take pixels apart by.
  static TPixelFormat MaskedX8R8G8B8();
  static TPixelFormat MaskedR5G6B5();
  static TPixelFormat ShiftedA8R8G8B8();
  static TPixelFormat ShiftedA4R4G4B4();

  // Trailing zero bits of a mask (0 for an empty mask), and the number of
  // ones in its lowest run: the shift and width of the channel it selects.
  static uint32_t MaskShift(uint32_t mask);
  static uint32_t MaskWidth(uint32_t mask);

 private:
  uint32_t ChannelOf(uint32_t pixel, int channel) const;

  uint32_t shift_[kChannelCount] = {0, 0, 0, 0};
  uint32_t bits_[kChannelCount] = {0, 0, 0, 0};
  uint32_t mask_[kChannelCount] = {0, 0, 0, 0};
  uint32_t bitsPerPixel_ = 0;
};
