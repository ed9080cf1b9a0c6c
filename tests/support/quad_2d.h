// A 2D quad from (left, top) to (right, bottom) showing its picture from
// texture coordinates (0, 0) to (u1, v1).
#pragma once

#include "display/visuals/shape.h"

inline Quad2D QuadAt(float left, float top, float right, float bottom, float u1 = 1.0f, float v1 = 1.0f) {
  Quad2D quad;
  quad.SetXY(0, left, top);
  quad.SetXY(3, right, bottom);
  quad.SetUV(0, 0.0f, 0.0f);
  quad.SetUV(3, u1, v1);
  return quad;
}
