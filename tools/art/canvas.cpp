#include "art/canvas.h"

#include <algorithm>
#include <cmath>

namespace art {
namespace {

uint8_t Clamp(double value) { return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L)); }

}  // namespace

TRgba Shade(TRgba colour, double f) {
  return {Clamp(colour.r * f), Clamp(colour.g * f), Clamp(colour.b * f), colour.a};
}

TRgba Mix(TRgba a, TRgba b, double t) {
  return {Clamp(a.r + (b.r - a.r) * t), Clamp(a.g + (b.g - a.g) * t), Clamp(a.b + (b.b - a.b) * t),
          Clamp(a.a + (b.a - a.a) * t)};
}

TRgba WithAlpha(TRgba colour, uint8_t alpha) {
  colour.a = alpha;
  return colour;
}

uint32_t TNoise::NextBits() {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return state_;
}

uint32_t SeedOf(const char* text) {
  uint32_t hash = 2166136261u;
  for (; *text != '\0'; ++text) {
    hash ^= static_cast<uint8_t>(*text);
    hash *= 16777619u;
  }
  return hash == 0 ? 1u : hash;
}

TCanvas::TCanvas(int32_t width, int32_t height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 4, 0) {}

TRgba TCanvas::Get(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
  const uint8_t* p = &pixels_[(static_cast<std::size_t>(y) * width_ + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

void TCanvas::Set(int32_t x, int32_t y, TRgba colour) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  uint8_t* p = &pixels_[(static_cast<std::size_t>(y) * width_ + x) * 4];
  p[0] = colour.r;
  p[1] = colour.g;
  p[2] = colour.b;
  p[3] = colour.a;
}

void TCanvas::Blend(int32_t x, int32_t y, TRgba colour) {
  if (colour.a == 255) {
    Set(x, y, colour);
    return;
  }
  if (colour.a == 0) return;
  const TRgba under = Get(x, y);
  const double a = colour.a / 255.0;
  const double outA = a + under.a / 255.0 * (1.0 - a);
  if (outA <= 0.0) return;
  auto channel = [&](uint8_t top, uint8_t bottom) {
    return Clamp((top * a + bottom * (under.a / 255.0) * (1.0 - a)) / outA);
  };
  Set(x, y, {channel(colour.r, under.r), channel(colour.g, under.g), channel(colour.b, under.b), Clamp(outA * 255.0)});
}

void TCanvas::FillRect(int32_t x, int32_t y, int32_t w, int32_t h, TRgba colour) {
  for (int32_t j = y; j < y + h; ++j) {
    for (int32_t i = x; i < x + w; ++i) Blend(i, j, colour);
  }
}

void TCanvas::FillEllipse(double cx, double cy, double rx, double ry, TRgba colour) {
  if (rx <= 0.0 || ry <= 0.0) return;
  const int32_t x0 = static_cast<int32_t>(std::floor(cx - rx));
  const int32_t x1 = static_cast<int32_t>(std::ceil(cx + rx));
  const int32_t y0 = static_cast<int32_t>(std::floor(cy - ry));
  const int32_t y1 = static_cast<int32_t>(std::ceil(cy + ry));
  for (int32_t y = y0; y <= y1; ++y) {
    for (int32_t x = x0; x <= x1; ++x) {
      const double dx = (x + 0.5 - cx) / rx;
      const double dy = (y + 0.5 - cy) / ry;
      if (dx * dx + dy * dy <= 1.0) Blend(x, y, colour);
    }
  }
}

void TCanvas::Ring(double cx, double cy, double rx, double ry, double thickness, TRgba colour) {
  const int32_t x0 = static_cast<int32_t>(std::floor(cx - rx - thickness));
  const int32_t x1 = static_cast<int32_t>(std::ceil(cx + rx + thickness));
  const int32_t y0 = static_cast<int32_t>(std::floor(cy - ry - thickness));
  const int32_t y1 = static_cast<int32_t>(std::ceil(cy + ry + thickness));
  for (int32_t y = y0; y <= y1; ++y) {
    for (int32_t x = x0; x <= x1; ++x) {
      const double dx = (x + 0.5 - cx) / std::max(rx, 0.01);
      const double dy = (y + 0.5 - cy) / std::max(ry, 0.01);
      const double d = std::sqrt(dx * dx + dy * dy);
      const double scale = std::min(rx, ry);
      if (std::fabs(d - 1.0) * scale <= thickness * 0.5) Blend(x, y, colour);
    }
  }
}

void TCanvas::FillPolygon(const std::vector<double>& xy, TRgba colour) {
  const std::size_t n = xy.size() / 2;
  if (n < 3) return;
  double minY = xy[1];
  double maxY = xy[1];
  for (std::size_t i = 0; i < n; ++i) {
    minY = std::min(minY, xy[2 * i + 1]);
    maxY = std::max(maxY, xy[2 * i + 1]);
  }
  for (int32_t y = static_cast<int32_t>(std::floor(minY)); y <= static_cast<int32_t>(std::ceil(maxY)); ++y) {
    const double sy = y + 0.5;
    std::vector<double> crossings;
    for (std::size_t i = 0; i < n; ++i) {
      const double ax = xy[2 * i];
      const double ay = xy[2 * i + 1];
      const double bx = xy[2 * ((i + 1) % n)];
      const double by = xy[2 * ((i + 1) % n) + 1];
      if ((ay <= sy) != (by <= sy)) crossings.push_back(ax + (sy - ay) / (by - ay) * (bx - ax));
    }
    std::sort(crossings.begin(), crossings.end());
    for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
      const int32_t from = static_cast<int32_t>(std::ceil(crossings[k] - 0.5));
      const int32_t to = static_cast<int32_t>(std::ceil(crossings[k + 1] - 0.5));
      for (int32_t x = from; x < to; ++x) Blend(x, y, colour);
    }
  }
}

void TCanvas::Line(double x0, double y0, double x1, double y1, double thickness, TRgba colour) {
  const double dx = x1 - x0;
  const double dy = y1 - y0;
  const double length = std::sqrt(dx * dx + dy * dy);
  const double half = thickness * 0.5;
  if (length < 1e-9) {
    FillEllipse(x0, y0, half, half, colour);
    return;
  }
  const double nx = -dy / length * half;
  const double ny = dx / length * half;
  FillPolygon({x0 + nx, y0 + ny, x1 + nx, y1 + ny, x1 - nx, y1 - ny, x0 - nx, y0 - ny}, colour);
}

void TCanvas::FillDiamond(double x, double y, double w, double h, TRgba colour) {
  FillPolygon({x + w * 0.5, y, x + w, y + h * 0.5, x + w * 0.5, y + h, x, y + h * 0.5}, colour);
}

void TCanvas::Paste(const TCanvas& other, int32_t x, int32_t y) {
  for (int32_t j = 0; j < other.Height(); ++j) {
    for (int32_t i = 0; i < other.Width(); ++i) Blend(x + i, y + j, other.Get(i, j));
  }
}

void TCanvas::Outline(int32_t x, int32_t y, int32_t w, int32_t h, double darkness) {
  std::vector<TRgba> added(static_cast<std::size_t>(std::max(w, 0)) * std::max(h, 0));
  for (int32_t j = 0; j < h; ++j) {
    for (int32_t i = 0; i < w; ++i) {
      if (Get(x + i, y + j).a != 0) continue;
      static constexpr int32_t kSteps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
      for (const auto& step : kSteps) {
        const int32_t ni = i + step[0];
        const int32_t nj = j + step[1];
        if (ni < 0 || nj < 0 || ni >= w || nj >= h) continue;
        const TRgba near = Get(x + ni, y + nj);
        if (near.a >= 128) {
          added[static_cast<std::size_t>(j) * w + i] = WithAlpha(Shade(near, darkness), 255);
          break;
        }
      }
    }
  }
  for (int32_t j = 0; j < h; ++j) {
    for (int32_t i = 0; i < w; ++i) {
      const TRgba colour = added[static_cast<std::size_t>(j) * w + i];
      if (colour.a != 0) Set(x + i, y + j, colour);
    }
  }
}

}  // namespace art
