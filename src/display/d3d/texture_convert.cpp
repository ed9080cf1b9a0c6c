#include "display/d3d/texture_convert.h"

#include <algorithm>
#include <cstring>

#include "display/image/image.h"
#include "display/image/pixel_shader.h"
#include "display/pixel_format.h"

namespace texture_convert {

namespace {

using TPixelReader = TRgba (*)(const TImage&, uint32_t, uint32_t);

struct TPlacement {
  uint32_t shift[4] = {0, 0, 0, 0};
  uint32_t width[4] = {0, 0, 0, 0};
};

TPlacement PlacementOf(const TChannelMasks& masks) {
  const uint32_t all[4] = {masks.red, masks.green, masks.blue, masks.alpha};
  TPlacement placement;
  for (int i = 0; i < 4; ++i) {
    placement.shift[i] = TPixelFormat::MaskShift(all[i]);
    placement.width[i] = TPixelFormat::MaskWidth(all[i]);
  }
  return placement;
}

// A channel value cut to the width of its mask (a width of 8 or more keeps it).
uint32_t Reduced(uint32_t value, uint32_t width) { return width >= 8 ? value : value >> (8 - width); }

uint32_t Pack(const TRgba& pixel, const TPlacement& placement, bool withAlpha, bool reduce) {
  const uint32_t values[4] = {pixel.red, pixel.green, pixel.blue, pixel.alpha};
  uint32_t texel = 0;
  for (int i = 0; i < (withAlpha ? 4 : 3); ++i) {
    const uint32_t value = reduce ? Reduced(values[i], placement.width[i]) : values[i];
    // Shifts of 32 or more place nothing rather than being undefined.
    if (placement.shift[i] < 32) texel |= value << placement.shift[i];
  }
  return texel;
}

// Writes `columns` x `rows` texels (cut to the area) of texelBytes each.
void Fill(const TImage& image, TPixelReader read, uint32_t columns, uint32_t rows, const TTexelArea& area,
          int32_t texelBytes, const TPlacement& placement, bool withAlpha, bool reduce) {
  if (area.bits == nullptr || area.width <= 0 || area.height <= 0) return;
  columns = std::min<uint32_t>(columns, static_cast<uint32_t>(area.width));
  rows = std::min<uint32_t>(rows, static_cast<uint32_t>(area.height));
  for (uint32_t y = 0; y < rows; ++y) {
    uint8_t* row = area.bits + static_cast<std::ptrdiff_t>(y) * area.pitch;
    for (uint32_t x = 0; x < columns; ++x) {
      const uint32_t texel = Pack(read(image, x, y), placement, withAlpha, reduce);
      if (texelBytes == 4) {
        const uint32_t value = texel;
        std::memcpy(row + x * 4u, &value, 4);
      } else {
        const auto value = static_cast<uint16_t>(texel);
        std::memcpy(row + x * 2u, &value, 2);
      }
    }
  }
}

}  // namespace

int32_t RetrySize(int32_t size) {
  int32_t result = 2;
  while (result < size && result < (1 << 30)) result <<= 1;
  return result;
}

TChannelMasks MasksOf(const TPixelFormat& format) {
  return {format.GetMask(TPixelFormat::kRed), format.GetMask(TPixelFormat::kGreen),
          format.GetMask(TPixelFormat::kBlue), format.GetMask(TPixelFormat::kAlpha)};
}

TChannelMasks CopyMasks16(platform::TextureFormat backBufferFormat) {
  switch (backBufferFormat) {
    case platform::TextureFormat::kR5G6B5:
      return {0xF800u, 0x07E0u, 0x001Fu, 0u};
    case platform::TextureFormat::kA4R4G4B4:
    case platform::TextureFormat::kX4R4G4B4:
      return {0x0F00u, 0x00F0u, 0x000Fu, 0u};
    default:
      return {0x7C00u, 0x03E0u, 0x001Fu, 0u};
  }
}

TRgba PixelAt(const TImage& image, uint32_t x, uint32_t y) {
  const uint8_t* pixels = image.GetPixels();
  const uint32_t bytes = image.GetBytesPerPixel();
  if (pixels == nullptr || x >= image.GetWidth() || y >= image.GetHeight() || bytes == 0) return {};
  const uint8_t* p = pixels + (static_cast<uint64_t>(image.GetWidth()) * y + x) * bytes;
  if (bytes >= 4) return {p[0], p[1], p[2], p[3]};
  if (bytes == 3) return {p[0], p[1], p[2], 255u};
  return {p[0], p[0], p[0], 255u};
}

TRgba HalfPixelAt(const TImage& image, uint32_t x, uint32_t y) {
  const TRgba a = PixelAt(image, 2 * x, 2 * y);
  const TRgba b = PixelAt(image, 2 * x + 1, 2 * y);
  const TRgba c = PixelAt(image, 2 * x, 2 * y + 1);
  const TRgba d = PixelAt(image, 2 * x + 1, 2 * y + 1);
  return {(a.red + b.red + c.red + d.red) / 4, (a.green + b.green + c.green + d.green) / 4,
          (a.blue + b.blue + c.blue + d.blue) / 4, (a.alpha + b.alpha + c.alpha + d.alpha) / 4};
}

void FillTexture32(const TImage& image, const TChannelMasks& masks, bool withAlpha, const TTexelArea& area) {
  Fill(image, &PixelAt, image.GetWidth(), image.GetHeight(), area, 4, PlacementOf(masks), withAlpha, false);
}

void FillTexture32Half(const TImage& image, const TChannelMasks& masks, bool withAlpha, const TTexelArea& area) {
  Fill(image, &HalfPixelAt, image.GetWidth() / 2, image.GetHeight() / 2, area, 4, PlacementOf(masks), withAlpha,
       false);
}

void FillTexture16(const TImage& image, const TChannelMasks& masks, bool withAlpha, const TTexelArea& area) {
  Fill(image, &PixelAt, image.GetWidth(), image.GetHeight(), area, 2, PlacementOf(masks), withAlpha, true);
}

void FillTexture16Half(const TImage& image, const TChannelMasks& masks, bool withAlpha, const TTexelArea& area) {
  Fill(image, &HalfPixelAt, image.GetWidth() / 2, image.GetHeight() / 2, area, 2, PlacementOf(masks), withAlpha,
       true);
}

void FillCopyTexture16(const TImage& image, platform::TextureFormat backBufferFormat, const TTexelArea& area) {
  FillTexture16(image, CopyMasks16(backBufferFormat), false, area);
}

void MakeOpaque(uint32_t alphaMask, int32_t texelBytes, const TTexelArea& area) {
  if (area.bits == nullptr || (texelBytes != 2 && texelBytes != 4)) return;
  for (int32_t y = 0; y < area.height; ++y) {
    uint8_t* row = area.bits + static_cast<std::ptrdiff_t>(y) * area.pitch;
    for (int32_t x = 0; x < area.width; ++x) {
      uint32_t texel = 0;
      std::memcpy(&texel, row + x * texelBytes, static_cast<std::size_t>(texelBytes));
      texel |= alphaMask;
      std::memcpy(row + x * texelBytes, &texel, static_cast<std::size_t>(texelBytes));
    }
  }
}

void ShadeTexels(const TPixelShader& shader, platform::TextureFormat format, const TTexelArea& area) {
  if (area.bits == nullptr) return;
  const bool sixteen = format == platform::TextureFormat::kA4R4G4B4;
  if (!sixteen && format != platform::TextureFormat::kA8R8G8B8) return;
  for (int32_t y = 0; y < area.height; ++y) {
    uint8_t* row = area.bits + static_cast<std::ptrdiff_t>(y) * area.pitch;
    for (int32_t x = 0; x < area.width; ++x) {
      if (sixteen) {
        uint16_t texel = 0;
        std::memcpy(&texel, row + x * 2, 2);
        texel = shader.ShadePixel16(texel);
        std::memcpy(row + x * 2, &texel, 2);
      } else {
        uint32_t texel = 0;
        std::memcpy(&texel, row + x * 4, 4);
        texel = shader.ShadePixel32(texel);
        std::memcpy(row + x * 4, &texel, 4);
      }
    }
  }
}

}  // namespace texture_convert
