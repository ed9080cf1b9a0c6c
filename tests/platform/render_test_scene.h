// Helpers shared by the device tests: quads in the layout the display draws
// (vertex 0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right, as a strip),
// textures filled from a table of colours, and back-buffer access.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/render_device.h"

namespace platform::testing {

using Quad = std::array<RenderVertex, 4>;

inline Quad MakeQuad(float left, float top, float right, float bottom, uint32_t colour = 0xFFFFFFFFu,
                     float u0 = 0.0f, float v0 = 0.0f, float u1 = 1.0f, float v1 = 1.0f) {
  return {RenderVertex{left, top, 0.5f, 1.0f, colour, u0, v0},
          RenderVertex{right, top, 0.5f, 1.0f, colour, u1, v0},
          RenderVertex{left, bottom, 0.5f, 1.0f, colour, u0, v1},
          RenderVertex{right, bottom, 0.5f, 1.0f, colour, u1, v1}};
}

inline void DrawQuad(RenderDevice& device, const Quad& quad) {
  device.DrawPrimitiveUP(PrimitiveType::kTriangleStrip, 2, quad.data(), sizeof(RenderVertex));
}

// A texture of the format whose texels are given as 0xAARRGGBB, row by row
// (32-bit formats take them as they are).
inline std::unique_ptr<RenderTexture> MakeTexture(RenderDevice& device, int32_t width, int32_t height,
                                                  const std::vector<uint32_t>& texels,
                                                  TextureFormat format = TextureFormat::kA8R8G8B8,
                                                  TexturePool pool = TexturePool::kManaged) {
  std::unique_ptr<RenderTexture> texture;
  if (!Succeeded(device.CreateTexture(width, height, format, pool, texture))) return nullptr;
  uint8_t* bits = nullptr;
  int32_t pitch = 0;
  if (!Succeeded(texture->Lock(bits, pitch))) return nullptr;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t argb = texels[static_cast<size_t>(y * width + x)];
      uint8_t* at = bits + y * pitch + x * BytesPerTexel(format);
      if (BytesPerTexel(format) == 4) {
        for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(argb >> (8 * i));
      } else {
        at[0] = static_cast<uint8_t>(argb);
        at[1] = static_cast<uint8_t>(argb >> 8);
      }
    }
  }
  texture->Unlock();
  return texture;
}

// Sixteen colours that differ in every channel.
inline std::vector<uint32_t> KnownTexels4x4() {
  std::vector<uint32_t> texels;
  for (uint32_t i = 0; i < 16; ++i) {
    texels.push_back(0xFF000000u | ((i * 16 + 8) << 16) | ((255 - i * 15) << 8) | (i * 7 + 30));
  }
  return texels;
}

struct Frame {
  std::vector<uint32_t> pixels;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t At(int32_t x, int32_t y) const {
    return pixels[static_cast<size_t>(y) * width + x] & 0x00FFFFFFu;
  }
};

inline Frame ReadFrame(RenderDevice& device) {
  Frame frame;
  device.ReadBackBuffer(frame.pixels, frame.width, frame.height);
  return frame;
}

inline RenderStates GameStates() {
  RenderStates states;
  states.alphaBlend = true;
  states.srcBlend = BlendFactor::kSrcAlpha;
  states.destBlend = BlendFactor::kInvSrcAlpha;
  states.alphaOp = TextureOp::kModulate;
  return states;
}

}  // namespace platform::testing
