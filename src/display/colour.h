// A colour of four floats (red, green, blue, alpha), each nominally 0..1, and
// its packings into the 32-bit words the displays and text drawing take.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class TColour {
 public:
  float r = 1.0f;
  float g = 1.0f;
  float b = 1.0f;
  float a = 1.0f;

  // Opaque white.
  TColour() = default;
  TColour(float r, float g, float b, float a);
  TColour(const TColour&) = default;
  TColour& operator=(const TColour&) = default;
  // Race colours derive from it and are held through base pointers.
  virtual ~TColour();

  void Assign(const TColour& other) { *this = other; }
  void Set(float red, float green, float blue, float alpha);
  float GetR() const { return r; }
  float GetG() const { return g; }
  float GetB() const { return b; }
  float GetA() const { return a; }

  // Four numbers separated by commas; missing or non-numeric fields read 0.
  void Parse(const std::string& text);
  // Red, green and blue times the factor, each lowered to 1.0 when above it;
  // alpha unchanged.
  std::unique_ptr<TColour> Scaled(float factor) const;

  // 0xAARRGGBB.
  uint32_t ToARGB() const { return PackARGB(r, g, b, a); }

  // Each channel is clamped to 0..1 (NaN to 0), times 255, truncated.
  static uint32_t PackARGB(float red, float green, float blue, float alpha);
  // 0xFFRRGGBB.
  static uint32_t PackOpaque(float red, float green, float blue);
  // 0x00BBGGRR, red in the lowest byte.
  static uint32_t PackRGB(float red, float green, float blue);

  bool operator==(const TColour& other) const {
    return r == other.r && g == other.g && b == other.b && a == other.a;
  }
};
