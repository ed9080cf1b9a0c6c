// Turning image pixels into texels: the 32-bit and 16-bit layouts of the 3D
// display's textures, at full or half resolution, the 16-bit layouts of a
// back buffer for pictures copied straight to the screen, and the pixel
// shader pass over finished texels. Every conversion writes only inside the
// texel area it is given, whatever the sizes of image and texture.
#pragma once

#include <cstdint>

#include "platform/render_device.h"

class TImage;
class TPixelFormat;
class TPixelShader;

namespace texture_convert {

// The size a texture is tried at again after a failed creation: the smallest
// power of two that is at least the size and at least 2.
int32_t RetrySize(int32_t size);

struct TChannelMasks {
  uint32_t red = 0;
  uint32_t green = 0;
  uint32_t blue = 0;
  uint32_t alpha = 0;
};
TChannelMasks MasksOf(const TPixelFormat& format);
// The colour masks of a 16-bit back buffer format (5-6-5, 4-4-4 or 5-5-5).
TChannelMasks CopyMasks16(platform::TextureFormat backBufferFormat);

// The locked texels of a texture: rows `pitch` bytes apart.
struct TTexelArea {
  uint8_t* bits = nullptr;
  int32_t pitch = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// One RGBA pixel of an image of 4, 3 or 1 bytes a pixel; images without an
// alpha byte read as opaque.
struct TRgba {
  uint32_t red = 0;
  uint32_t green = 0;
  uint32_t blue = 0;
  uint32_t alpha = 0;
};
TRgba PixelAt(const TImage& image, uint32_t x, uint32_t y);
// The truncated mean of the 2 x 2 block whose top-left pixel is (2x, 2y).
TRgba HalfPixelAt(const TImage& image, uint32_t x, uint32_t y);

// Channels shifted into place; alpha only with withAlpha.
void FillTexture32(const TImage& image, const TChannelMasks& masks, bool withAlpha, const TTexelArea& area);
void FillTexture32Half(const TImage& image, const TChannelMasks& masks, bool withAlpha, const TTexelArea& area);
// Channels cut to their mask widths, then shifted into place.
void FillTexture16(const TImage& image, const TChannelMasks& masks, bool withAlpha, const TTexelArea& area);
void FillTexture16Half(const TImage& image, const TChannelMasks& masks, bool withAlpha, const TTexelArea& area);
void FillCopyTexture16(const TImage& image, platform::TextureFormat backBufferFormat, const TTexelArea& area);

// Sets the alpha bits of every texel of the given size (2 or 4 bytes).
void MakeOpaque(uint32_t alphaMask, int32_t texelBytes, const TTexelArea& area);

// Replaces every texel by the shader's colouring of it; formats other than
// A4R4G4B4 and A8R8G8B8 stay as they are.
void ShadeTexels(const TPixelShader& shader, platform::TextureFormat format, const TTexelArea& area);

}  // namespace texture_convert
