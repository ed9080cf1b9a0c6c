#include "display/pixel_format.h"

#include <algorithm>

#include "display/colour.h"

namespace {

// A channel whose shift or width leaves the 32-bit word holds nothing, rather
// than shifting by an undefined amount.
uint32_t ShiftLeft(uint32_t value, uint32_t shift) { return shift < 32 ? value << shift : 0u; }

uint32_t ScaledMask(uint32_t mask, float component) {
  // NaN and out-of-range components are clamped so that the product always
  // fits the mask.
  const double clamped = component >= 0.0f ? std::min(static_cast<double>(component), 1.0) : 0.0;
  return static_cast<uint32_t>(static_cast<double>(mask) * clamped) & mask;
}

TPixelFormat ShiftedFormat(uint32_t width) {
  TPixelFormat format;
  const uint32_t shifts[4] = {2 * width, width, 0, 3 * width};
  for (int channel = 0; channel < TPixelFormat::kChannelCount; ++channel) {
    format.SetShift(static_cast<TPixelFormat::Channel>(channel), shifts[channel]);
    format.SetBits(static_cast<TPixelFormat::Channel>(channel), width);
  }
  return format;
}

TPixelFormat MaskedFormat(uint32_t red, uint32_t green, uint32_t blue, uint32_t bitsPerPixel) {
  TPixelFormat format;
  format.SetMask(TPixelFormat::kRed, red);
  format.SetMask(TPixelFormat::kGreen, green);
  format.SetMask(TPixelFormat::kBlue, blue);
  format.SetBitsPerPixel(bitsPerPixel);
  return format;
}

}  // namespace

uint32_t TPixelFormat::Pack(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) const {
  return ShiftLeft(red, shift_[kRed]) | ShiftLeft(green, shift_[kGreen]) | ShiftLeft(blue, shift_[kBlue]) |
         ShiftLeft(alpha, shift_[kAlpha]);
}

uint32_t TPixelFormat::PackColour(const TColour& colour) const {
  return ScaledMask(mask_[kRed], colour.r) | ScaledMask(mask_[kGreen], colour.g) |
         ScaledMask(mask_[kBlue], colour.b) | ScaledMask(mask_[kAlpha], colour.a);
}

uint32_t TPixelFormat::ChannelOf(uint32_t pixel, int channel) const {
  const uint32_t bits = bits_[channel];
  if (bits == 0 || shift_[channel] >= 32) return 0;
  const uint32_t limit = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u;
  return (pixel >> shift_[channel]) & limit;
}

TPixelFormat TPixelFormat::MaskedX8R8G8B8() { return MaskedFormat(0x00FF0000u, 0x0000FF00u, 0x000000FFu, 32); }

TPixelFormat TPixelFormat::MaskedR5G6B5() { return MaskedFormat(0xF800u, 0x07E0u, 0x001Fu, 16); }

TPixelFormat TPixelFormat::ShiftedA8R8G8B8() { return ShiftedFormat(8); }

TPixelFormat TPixelFormat::ShiftedA4R4G4B4() { return ShiftedFormat(4); }

uint32_t TPixelFormat::MaskShift(uint32_t mask) {
  if (mask == 0) return 0;
  uint32_t shift = 0;
  while ((mask & 1u) == 0) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

uint32_t TPixelFormat::MaskWidth(uint32_t mask) {
  if (mask == 0) return 0;
  mask >>= MaskShift(mask);
  uint32_t width = 0;
  while ((mask & 1u) != 0) {
    mask >>= 1;
    ++width;
  }
  return width;
}
