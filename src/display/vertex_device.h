// What the vertex shapes draw through: pre-transformed vertices in pixel
// space with a colour and one texture coordinate pair, drawn as strips or
// fans by the 3D display.
#pragma once

#include <cstdint>

struct TVertex {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.5f;
  float rhw = 1.0f;
  uint32_t colour = 0xFFFFFFFFu;  // 0xAARRGGBB
  float u = 0.0f;
  float v = 0.0f;
};
static_assert(sizeof(TVertex) == 28, "vertices are 28 bytes apart in the arrays the device reads");

// Position, reciprocal w, diffuse colour, one texture coordinate pair.
constexpr uint32_t kTransformedVertexFormat = 0x144;

enum class TPrimitiveType : uint32_t { kTriangleStrip = 5, kTriangleFan = 6 };

class TVertexDevice {
 public:
  virtual ~TVertexDevice() = default;
  virtual void SetVertexFormat(uint32_t format) = 0;
  // Draws primitiveCount primitives from the vertex array; the stride is the
  // distance in bytes between vertices.
  virtual void DrawPrimitiveUP(TPrimitiveType type, uint32_t primitiveCount, const TVertex* vertices,
                               uint32_t stride) = 0;
  // Draws the following primitives untextured.
  virtual void SetNoTexture() = 0;
};
