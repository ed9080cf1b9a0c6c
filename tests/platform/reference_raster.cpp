#include "platform/reference_raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace reference_raster {

using namespace platform;

namespace {


constexpr int kSubpixelBits = 8;
constexpr int64_t kSubpixel = int64_t{1} << kSubpixelBits;
// Positions beyond this many pixels are pulled in, so that edge products stay
// within 64 bits; nothing that far out is ever on screen.
constexpr float kFarthest = 1.0e6f;


uint32_t Mul8(uint32_t a, uint32_t b) {
  const uint32_t product = a * b + 128u;
  return (product + (product >> 8)) >> 8;
}

uint32_t Part(uint32_t colour, int shift) { return (colour >> shift) & 0xFFu; }

uint32_t Modulate(uint32_t x, uint32_t y) {
  return (Mul8(Part(x, 24), Part(y, 24)) << 24) | (Mul8(Part(x, 16), Part(y, 16)) << 16) |
         (Mul8(Part(x, 8), Part(y, 8)) << 8) | Mul8(Part(x, 0), Part(y, 0));
}

uint32_t Select(TextureOp op, uint32_t texel, uint32_t diffuse) {
  switch (op) {
    case TextureOp::kModulate: return Modulate(texel, diffuse);
    case TextureOp::kSelectTexture: return texel;
    case TextureOp::kSelectDiffuse:
    case TextureOp::kDisable: return diffuse;
  }
  return diffuse;
}

uint32_t Factor(BlendFactor factor, uint32_t sourceAlpha) {
  switch (factor) {
    case BlendFactor::kZero: return 0;
    case BlendFactor::kOne: return 255;
    case BlendFactor::kSrcAlpha: return sourceAlpha;
    case BlendFactor::kInvSrcAlpha: return 255 - sourceAlpha;
  }
  return 0;
}

int64_t ToFixed(float value) {
  const float kept = std::clamp(value, -kFarthest, kFarthest);
  return static_cast<int64_t>(std::lround(kept * static_cast<float>(kSubpixel)));
}

struct FixedPoint {
  int64_t x;
  int64_t y;
};

// One edge a->b: its value at a point is positive inside a triangle wound
// clockwise on screen (y down).
struct Edge {
  int64_t dx;
  int64_t dy;
  int64_t bias;  // 0 for top and left edges, -1 otherwise (their centres stay out)

  Edge(FixedPoint a, FixedPoint b) : dx(b.x - a.x), dy(b.y - a.y) {
    const bool top = dy == 0 && dx > 0;
    const bool left = dy < 0;
    bias = top || left ? 0 : -1;
  }

  // Narrows [first, last], pixel steps from a row's first pixel where the
  // edge's value is `value`, to the pixels on the inner side of the edge.
  void Narrow(int64_t value, int64_t& first, int64_t& last) const {
    const int64_t start = value + bias;  // inside while start + step * i >= 0
    const int64_t step = -dy * kSubpixel;
    if (step == 0) {
      if (start < 0) last = first - 1;
    } else if (step > 0) {
      if (start < 0) first = std::max(first, (-start + step - 1) / step);
    } else if (start < 0) {
      last = first - 1;
    } else {
      last = std::min(last, start / -step);
    }
  }
};

int64_t EdgeValue(FixedPoint a, FixedPoint b, FixedPoint p) {
  return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
}

// Samples the texture at (u, v) with the nearest texel and the addressing mode.
class Sampler {
 public:
  Sampler(const RenderTexture* texture, const RenderStates& states)
      : texture_(texture), wrapU_(states.addressU == TextureAddress::kWrap),
        wrapV_(states.addressV == TextureAddress::kWrap) {
    if (texture_ != nullptr) {
      width_ = texture_->Width();
      height_ = texture_->Height();
      direct_ = texture_->Format() == TextureFormat::kA8R8G8B8;
    }
  }

  uint32_t At(float u, float v) const {
    if (texture_ == nullptr) return 0xFFFFFFFFu;
    const int32_t x = Address(u, width_, wrapU_);
    const int32_t y = Address(v, height_, wrapV_);
    if (direct_) {
      uint32_t texel;
      std::memcpy(&texel, texture_->Bits() + static_cast<size_t>(y) * texture_->Pitch() + x * 4u, 4);
      return texel;
    }
    return texture_->ArgbAt(x, y);
  }

 private:
  static int32_t Address(float coordinate, int32_t size, bool wrap) {
    float scaled = coordinate * static_cast<float>(size);
    if (!(scaled >= -2.0e9f && scaled <= 2.0e9f)) scaled = 0.0f;  // NaN and the far away
    int64_t index = static_cast<int64_t>(scaled);
    if (static_cast<float>(index) > scaled) --index;  // toward minus infinity
    if (wrap) {
      if ((size & (size - 1)) == 0) return static_cast<int32_t>(index & (size - 1));
      const int64_t wrapped = index % size;
      return static_cast<int32_t>(wrapped < 0 ? wrapped + size : wrapped);
    }
    return static_cast<int32_t>(std::clamp<int64_t>(index, 0, size - 1));
  }

  const RenderTexture* texture_;
  bool wrapU_;
  bool wrapV_;
  int32_t width_ = 1;
  int32_t height_ = 1;
  bool direct_ = false;
};

// Values across the triangle: a value at vertex a plus its changes with the
// two barycentric weights of b and c.
struct Gradient {
  float base;
  float toB;
  float toC;
  Gradient(float a, float b, float c) : base(a), toB(b - a), toC(c - a) {}
  float At(float wb, float wc) const { return base + wb * toB + wc * toC; }
};

uint32_t ToByte(float value) {
  return static_cast<uint32_t>(std::clamp(value + 0.5f, 0.0f, 255.0f));
}

uint32_t ReferenceCombine(uint32_t texel, uint32_t diffuse, const RenderStates& states) {
  const uint32_t colour = Select(states.colourOp, texel, diffuse) & 0x00FFFFFFu;
  const uint32_t alpha = Select(states.alphaOp, texel, diffuse) & 0xFF000000u;
  return alpha | colour;
}

bool ReferenceAlphaTest(uint32_t alpha, const RenderStates& states) {
  if (!states.alphaTest) return true;
  const uint32_t ref = states.alphaRef;
  switch (states.alphaFunc) {
    case CompareFunction::kNever: return false;
    case CompareFunction::kLess: return alpha < ref;
    case CompareFunction::kEqual: return alpha == ref;
    case CompareFunction::kLessEqual: return alpha <= ref;
    case CompareFunction::kGreater: return alpha > ref;
    case CompareFunction::kNotEqual: return alpha != ref;
    case CompareFunction::kGreaterEqual: return alpha >= ref;
    case CompareFunction::kAlways: return true;
  }
  return true;
}

uint32_t ReferenceBlend(uint32_t source, uint32_t destination, const RenderStates& states) {
  if (!states.alphaBlend) return source;
  const uint32_t sourceAlpha = Part(source, 24);
  if (states.srcBlend == BlendFactor::kSrcAlpha && states.destBlend == BlendFactor::kInvSrcAlpha) {
    if (sourceAlpha == 255) return source;
    if (sourceAlpha == 0) return destination;
    const uint32_t inverse = 255 - sourceAlpha;
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const uint32_t mixed = Part(source, shift) * sourceAlpha + Part(destination, shift) * inverse + 128u;
      result |= ((mixed + (mixed >> 8)) >> 8) << shift;  // the sum over 255, rounded
    }
    return result;
  }
  const uint32_t fs = Factor(states.srcBlend, sourceAlpha);
  const uint32_t fd = Factor(states.destBlend, sourceAlpha);
  uint32_t result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t mixed = (Part(source, shift) * fs + Part(destination, shift) * fd + 127u) / 255u;
    result |= std::min<uint32_t>(mixed, 255u) << shift;
  }
  return result;
}

}  // namespace

void DrawTriangle(const RasterTarget& target, const RenderVertex& a, const RenderVertex& b0,
                    const RenderVertex& c0, const RenderStates& states,
                    const RenderTexture* texture) {
  for (const RenderVertex* v : {&a, &b0, &c0}) {
    if (!std::isfinite(v->x) || !std::isfinite(v->y)) return;
  }
  const FixedPoint pa{ToFixed(a.x), ToFixed(a.y)};
  FixedPoint pb{ToFixed(b0.x), ToFixed(b0.y)};
  FixedPoint pc{ToFixed(c0.x), ToFixed(c0.y)};
  const RenderVertex* b = &b0;
  const RenderVertex* c = &c0;
  int64_t area = EdgeValue(pa, pb, pc);
  if (area == 0) return;
  if (area < 0) {  // wind every triangle the same way; nothing is culled
    std::swap(pb, pc);
    std::swap(b, c);
    area = -area;
  }

  const auto floorDiv = [](int64_t v) { return v >= 0 ? v / kSubpixel : -((-v + kSubpixel - 1) / kSubpixel); };
  const auto ceilDiv = [&](int64_t v) { return -floorDiv(-v); };
  const int64_t left = std::max<int64_t>(ceilDiv(std::min({pa.x, pb.x, pc.x})), target.clipLeft);
  const int64_t right = std::min<int64_t>(floorDiv(std::max({pa.x, pb.x, pc.x})), target.clipRight - 1);
  const int64_t top = std::max<int64_t>(ceilDiv(std::min({pa.y, pb.y, pc.y})), target.clipTop);
  const int64_t bottom = std::min<int64_t>(floorDiv(std::max({pa.y, pb.y, pc.y})), target.clipBottom - 1);
  if (left > right || top > bottom) return;

  // Weights: wa from edge b->c, wb from c->a, wc from a->b.
  const Edge edgeA(pb, pc), edgeB(pc, pa), edgeC(pa, pb);
  const float invArea = 1.0f / static_cast<float>(area);
  const Gradient gu(a.u, b->u, c->u), gv(a.v, b->v, c->v);
  const bool flat = a.colour == b->colour && a.colour == c->colour;
  const Gradient ga(Part(a.colour, 24), Part(b->colour, 24), Part(c->colour, 24));
  const Gradient gr(Part(a.colour, 16), Part(b->colour, 16), Part(c->colour, 16));
  const Gradient gg(Part(a.colour, 8), Part(b->colour, 8), Part(c->colour, 8));
  const Gradient gb(Part(a.colour, 0), Part(b->colour, 0), Part(c->colour, 0));
  const Sampler sampler(texture, states);

  const int64_t width = right - left + 1;
  for (int64_t y = top; y <= bottom; ++y) {
    const FixedPoint rowStart{left * kSubpixel, y * kSubpixel};
    const int64_t ea = EdgeValue(pb, pc, rowStart);
    const int64_t eb = EdgeValue(pc, pa, rowStart);
    const int64_t ec = EdgeValue(pa, pb, rowStart);
    int64_t first = 0;
    int64_t last = width - 1;
    edgeA.Narrow(ea, first, last);
    edgeB.Narrow(eb, first, last);
    edgeC.Narrow(ec, first, last);
    if (first > last) continue;
    int64_t wbEdge = eb - edgeB.dy * kSubpixel * first;
    int64_t wcEdge = ec - edgeC.dy * kSubpixel * first;
    uint32_t* pixel = target.pixels + y * target.pitch + left + first;
    for (int64_t i = first; i <= last; ++i, ++pixel) {
      const float wb = static_cast<float>(wbEdge) * invArea;
      const float wc = static_cast<float>(wcEdge) * invArea;
      wbEdge -= edgeB.dy * kSubpixel;
      wcEdge -= edgeC.dy * kSubpixel;
      const uint32_t diffuse =
          flat ? a.colour
               : (ToByte(ga.At(wb, wc)) << 24) | (ToByte(gr.At(wb, wc)) << 16) |
                     (ToByte(gg.At(wb, wc)) << 8) | ToByte(gb.At(wb, wc));
      const uint32_t texel = sampler.At(gu.At(wb, wc), gv.At(wb, wc));
      const uint32_t colour = ReferenceCombine(texel, diffuse, states);
      if (ReferenceAlphaTest(colour >> 24, states)) {
        *pixel = ReferenceBlend(colour, *pixel, states);
      }
    }
  }
}

}  // namespace reference_raster
