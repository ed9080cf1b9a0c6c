// A picture being drawn: 8-bit R, G, B, A pixels, top row first, with the
// few flat drawing operations the painters share, and the fixed noise that
// keeps every run of the generator identical.
#pragma once

#include <cstdint>
#include <vector>

namespace art {

struct TRgba {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  uint8_t a = 0;
  bool operator==(const TRgba&) const = default;
};

// Scales the colour channels by f (clamped), keeping alpha.
TRgba Shade(TRgba colour, double f);
TRgba Mix(TRgba a, TRgba b, double t);
TRgba WithAlpha(TRgba colour, uint8_t alpha);

class TNoise {
 public:
  explicit TNoise(uint32_t seed) : state_(seed == 0 ? 0x9E3779B9u : seed) {}
  uint32_t NextBits();
  // 0 (inclusive) to 1 (exclusive).
  double Next() { return static_cast<double>(NextBits() >> 8) / 16777216.0; }
  double Between(double low, double high) { return low + (high - low) * Next(); }

 private:
  uint32_t state_;
};

// A seed from a text, so that each image draws the same noise whatever else is drawn.
uint32_t SeedOf(const char* text);

class TCanvas {
 public:
  TCanvas(int32_t width, int32_t height);

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  const std::vector<uint8_t>& Pixels() const { return pixels_; }

  TRgba Get(int32_t x, int32_t y) const;
  void Set(int32_t x, int32_t y, TRgba colour);
  // Source-over blend by the colour's alpha.
  void Blend(int32_t x, int32_t y, TRgba colour);

  void FillRect(int32_t x, int32_t y, int32_t w, int32_t h, TRgba colour);
  void FillEllipse(double cx, double cy, double rx, double ry, TRgba colour);
  void Ring(double cx, double cy, double rx, double ry, double thickness, TRgba colour);
  // A convex or concave polygon by the even-odd rule, sampled at pixel centres.
  void FillPolygon(const std::vector<double>& xy, TRgba colour);
  void Line(double x0, double y0, double x1, double y1, double thickness, TRgba colour);
  // The isometric floor diamond inside the rectangle.
  void FillDiamond(double x, double y, double w, double h, TRgba colour);
  // Draws `other` with its top-left at (x, y), blending.
  void Paste(const TCanvas& other, int32_t x, int32_t y);
  // Gives every transparent pixel next to an opaque one in the rectangle the
  // colour of its neighbour darkened, so shapes read on any ground.
  void Outline(int32_t x, int32_t y, int32_t w, int32_t h, double darkness);

 private:
  int32_t width_;
  int32_t height_;
  std::vector<uint8_t> pixels_;
};

}  // namespace art
