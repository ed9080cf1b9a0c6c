// A colour of four floats (red, green, blue, alpha), each nominally 0..1.
#pragma once

class TColour {
 public:
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;
  float a = 0.0f;

  TColour(float r, float g, float b, float a);
  TColour(const TColour&) = default;
  TColour& operator=(const TColour&) = default;
  // Race colours derive from it and are held through base pointers.
  virtual ~TColour();
};
