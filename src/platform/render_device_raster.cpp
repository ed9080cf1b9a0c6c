#include "platform/render_device_raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform {

namespace {

constexpr int kSubpixelBits = 8;
constexpr int64_t kSubpixel = int64_t{1} << kSubpixelBits;
// Positions beyond this many pixels are pulled in, so that edge products stay
// within 64 bits; nothing that far out is ever on screen.
constexpr float kFarthest = 1.0e6f;

#define DVX_HOT inline __attribute__((always_inline))

DVX_HOT uint32_t Mul8(uint32_t a, uint32_t b) {
  const uint32_t product = a * b + 128u;
  return (product + (product >> 8)) >> 8;
}

DVX_HOT uint32_t Part(uint32_t colour, int shift) { return (colour >> shift) & 0xFFu; }

DVX_HOT uint32_t Modulate(uint32_t x, uint32_t y) {
  return (Mul8(Part(x, 24), Part(y, 24)) << 24) | (Mul8(Part(x, 16), Part(y, 16)) << 16) |
         (Mul8(Part(x, 8), Part(y, 8)) << 8) | Mul8(Part(x, 0), Part(y, 0));
}

DVX_HOT uint32_t Select(TextureOp op, uint32_t texel, uint32_t diffuse) {
  switch (op) {
    case TextureOp::kModulate: return Modulate(texel, diffuse);
    case TextureOp::kSelectTexture: return texel;
    case TextureOp::kSelectDiffuse:
    case TextureOp::kDisable: return diffuse;
  }
  return diffuse;
}

DVX_HOT uint32_t Factor(BlendFactor factor, uint32_t sourceAlpha) {
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

DVX_HOT uint32_t CombineStage0Hot(uint32_t texel, uint32_t diffuse, const RenderStates& states) {
  const uint32_t colour = Select(states.colourOp, texel, diffuse) & 0x00FFFFFFu;
  const uint32_t alpha = Select(states.alphaOp, texel, diffuse) & 0xFF000000u;
  return alpha | colour;
}

DVX_HOT bool PassesAlphaTestHot(uint32_t alpha, const RenderStates& states) {
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

DVX_HOT uint32_t BlendHot(uint32_t source, uint32_t destination, const RenderStates& states) {
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

uint32_t Blend(uint32_t source, uint32_t destination, const RenderStates& states) {
  return BlendHot(source, destination, states);
}

bool PassesAlphaTest(uint32_t alpha, const RenderStates& states) {
  return PassesAlphaTestHot(alpha, states);
}

uint32_t CombineStage0(uint32_t texel, uint32_t diffuse, const RenderStates& states) {
  return CombineStage0Hot(texel, diffuse, states);
}

namespace {

// Everything about a triangle that stays the same across its pixels: the
// gradients, the texel source with its addressing worked out, and which
// stage-0, alpha-test and blend rules apply. A pixel's value depends on
// nothing else, so a span may be drawn one pixel at a time or four at once
// with the same arithmetic.
struct Triangle {
  const RenderStates* states = nullptr;
  float invArea = 0.0f;
  Gradient u{0, 0, 0}, v{0, 0, 0};
  Gradient a{0, 0, 0}, r{0, 0, 0}, g{0, 0, 0}, b{0, 0, 0};
  bool flat = true;
  uint32_t colour = 0;

  // The texture: null draws a white texel. 32-bit texels are read straight
  // from memory (orMask makes X8R8G8B8 opaque); others through ArgbAt.
  const RenderTexture* texture = nullptr;
  const uint8_t* bits = nullptr;
  int32_t pitch = 0;
  int32_t width = 1;
  int32_t height = 1;
  bool wrapU = false;
  bool wrapV = false;
  bool direct = false;
  uint32_t orMask = 0;

  bool usesTexel = false;    // some stage-0 operation reads the texel
  bool usesDiffuse = false;  // some stage-0 operation reads the vertex colour
  bool sourceOver = false;   // blending SRCALPHA / INVSRCALPHA
  // A texel of alpha 0 gives a pixel alpha 0, which either fails the alpha
  // test or blends to the destination unchanged: such pixels may be skipped.
  bool clearTexelsKeepPixels = false;
};

DVX_HOT int32_t Address(float coordinate, int32_t size, bool wrap) {
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

DVX_HOT uint32_t Fetch(const Triangle& t, int32_t x, int32_t y) {
  if (t.direct) {
    uint32_t texel;
    std::memcpy(&texel, t.bits + static_cast<size_t>(y) * static_cast<size_t>(t.pitch) + x * 4u, 4);
    return texel | t.orMask;
  }
  return t.texture->ArgbAt(x, y);
}

// One pixel at barycentric weights (wb, wc) over the destination pixel.
DVX_HOT void ShadePixel(const Triangle& t, float wb, float wc, uint32_t* pixel) {
  const RenderStates& states = *t.states;
  const uint32_t diffuse =
      t.flat ? t.colour
             : (ToByte(t.a.At(wb, wc)) << 24) | (ToByte(t.r.At(wb, wc)) << 16) |
                   (ToByte(t.g.At(wb, wc)) << 8) | ToByte(t.b.At(wb, wc));
  uint32_t texel = 0xFFFFFFFFu;
  if (t.texture != nullptr && t.usesTexel) {
    texel = Fetch(t, Address(t.u.At(wb, wc), t.width, t.wrapU), Address(t.v.At(wb, wc), t.height, t.wrapV));
  }
  const uint32_t colour = CombineStage0Hot(texel, diffuse, states);
  if (PassesAlphaTestHot(colour >> 24, states)) *pixel = BlendHot(colour, *pixel, states);
}

// Pixels [0, count) of a span one at a time; wbEdge and wcEdge are the exact
// edge values at its first pixel, stepped by stepB and stepC.
void ShadeSpan(const Triangle& t, int64_t wbEdge, int64_t wcEdge, int64_t stepB, int64_t stepC,
               int64_t count, uint32_t* pixel) {
  for (int64_t i = 0; i < count; ++i, ++pixel) {
    ShadePixel(t, static_cast<float>(wbEdge) * t.invArea, static_cast<float>(wcEdge) * t.invArea, pixel);
    wbEdge += stepB;
    wcEdge += stepC;
  }
}

#if defined(__SSE2__)

// Four pixels at a time. Every lane does the very operations ShadePixel does,
// in the same order and precision, so the pixels are the same: the edge
// values are stepped as doubles (exact while below 2^53, which the caller
// checks) and rounded to float once, as the integer conversion would;
// channel products stay within 16 bits.
class Span4 {
 public:
  explicit Span4(const Triangle& t)
      : t_(t), invArea_(_mm_set1_ps(t.invArea)), u_(t.u), v_(t.v), a_(t.a), r_(t.r), g_(t.g), b_(t.b),
        width_(_mm_set1_ps(static_cast<float>(t.width))),
        height_(_mm_set1_ps(static_cast<float>(t.height))),
        lastU_(_mm_set1_epi32(t.width - 1)), lastV_(_mm_set1_epi32(t.height - 1)),
        wrapMaskU_(PowerOfTwo(t.width)), wrapMaskV_(PowerOfTwo(t.height)),
        alphaRef_(_mm_set1_epi32(t.states->alphaRef)) {}

  // Draws the span's pixels, four at a time; the last few go through a
  // scratch group so that nothing past the span is read or written.
  void Draw(int64_t wbEdge, int64_t wcEdge, int64_t stepB, int64_t stepC, int64_t count,
            uint32_t* pixel) const {
    const double sb = static_cast<double>(stepB), sc = static_cast<double>(stepC);
    __m128d b01 = _mm_set_pd(static_cast<double>(wbEdge) + sb, static_cast<double>(wbEdge));
    __m128d b23 = _mm_add_pd(b01, _mm_set1_pd(2.0 * sb));
    __m128d c01 = _mm_set_pd(static_cast<double>(wcEdge) + sc, static_cast<double>(wcEdge));
    __m128d c23 = _mm_add_pd(c01, _mm_set1_pd(2.0 * sc));
    const __m128d stepB4 = _mm_set1_pd(4.0 * sb), stepC4 = _mm_set1_pd(4.0 * sc);
    for (; count > 0; count -= 4, pixel += 4) {
      const __m128 wb = _mm_mul_ps(_mm_movelh_ps(_mm_cvtpd_ps(b01), _mm_cvtpd_ps(b23)), invArea_);
      const __m128 wc = _mm_mul_ps(_mm_movelh_ps(_mm_cvtpd_ps(c01), _mm_cvtpd_ps(c23)), invArea_);
      if (count >= 4) {
        Shade(wb, wc, pixel);
      } else {
        alignas(16) uint32_t scratch[4] = {};
        std::memcpy(scratch, pixel, static_cast<size_t>(count) * 4u);
        Shade(wb, wc, scratch);
        std::memcpy(pixel, scratch, static_cast<size_t>(count) * 4u);
      }
      b01 = _mm_add_pd(b01, stepB4);
      b23 = _mm_add_pd(b23, stepB4);
      c01 = _mm_add_pd(c01, stepC4);
      c23 = _mm_add_pd(c23, stepC4);
    }
  }

 private:
  struct Lanes {
    __m128 base, toB, toC;
    explicit Lanes(const Gradient& g)
        : base(_mm_set1_ps(g.base)), toB(_mm_set1_ps(g.toB)), toC(_mm_set1_ps(g.toC)) {}
    DVX_HOT __m128 At(__m128 wb, __m128 wc) const {
      return _mm_add_ps(_mm_add_ps(base, _mm_mul_ps(wb, toB)), _mm_mul_ps(wc, toC));
    }
  };

  static __m128i PowerOfTwo(int32_t size) {
    return _mm_set1_epi32((size & (size - 1)) == 0 ? size - 1 : -1);
  }

  static DVX_HOT __m128i Select(__m128i mask, __m128i yes, __m128i no) {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
  }

  // x * y / 255 per byte, rounded as Mul8 rounds.
  static DVX_HOT __m128i Mul8x16(__m128i x, __m128i y) {
    const __m128i product = _mm_add_epi16(_mm_mullo_epi16(x, y), _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(product, _mm_srli_epi16(product, 8)), 8);
  }

  static DVX_HOT __m128i Modulate4(__m128i x, __m128i y) {
    const __m128i zero = _mm_setzero_si128();
    return _mm_packus_epi16(Mul8x16(_mm_unpacklo_epi8(x, zero), _mm_unpacklo_epi8(y, zero)),
                            Mul8x16(_mm_unpackhi_epi8(x, zero), _mm_unpackhi_epi8(y, zero)));
  }

  static DVX_HOT __m128i ToBytes(__m128 value) {
    const __m128 kept = _mm_max_ps(_mm_min_ps(_mm_add_ps(value, _mm_set1_ps(0.5f)), _mm_set1_ps(255.0f)),
                                   _mm_setzero_ps());
    return _mm_cvttps_epi32(kept);
  }

  DVX_HOT __m128i Diffuse(__m128 wb, __m128 wc) const {
    if (t_.flat) return _mm_set1_epi32(static_cast<int32_t>(t_.colour));
    __m128i colour = _mm_slli_epi32(ToBytes(a_.At(wb, wc)), 24);
    colour = _mm_or_si128(colour, _mm_slli_epi32(ToBytes(r_.At(wb, wc)), 16));
    colour = _mm_or_si128(colour, _mm_slli_epi32(ToBytes(g_.At(wb, wc)), 8));
    return _mm_or_si128(colour, ToBytes(b_.At(wb, wc)));
  }

  // Texel indices of four coordinates, as Address gives them.
  static DVX_HOT __m128i Index(__m128 coordinate, __m128 size, __m128i wrapMask, __m128i last,
                               bool wrap, int32_t count) {
    __m128 scaled = _mm_mul_ps(coordinate, size);
    const __m128 inRange = _mm_and_ps(_mm_cmpge_ps(scaled, _mm_set1_ps(-2.0e9f)),
                                   _mm_cmple_ps(scaled, _mm_set1_ps(2.0e9f)));
    scaled = _mm_and_ps(scaled, inRange);
    __m128i index = _mm_cvttps_epi32(scaled);
    index = _mm_add_epi32(index, _mm_castps_si128(_mm_cmpgt_ps(_mm_cvtepi32_ps(index), scaled)));
    if (wrap) {
      if (_mm_cvtsi128_si32(wrapMask) != -1) return _mm_and_si128(index, wrapMask);
      const __m128i outside = _mm_or_si128(_mm_cmplt_epi32(index, _mm_setzero_si128()),
                                           _mm_cmpgt_epi32(index, last));
      if (_mm_movemask_epi8(outside) == 0) return index;
      alignas(16) int32_t lanes[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(lanes), index);
      for (int32_t& lane : lanes) {
        lane %= count;
        if (lane < 0) lane += count;
      }
      return _mm_load_si128(reinterpret_cast<const __m128i*>(lanes));
    }
    index = _mm_andnot_si128(_mm_cmplt_epi32(index, _mm_setzero_si128()), index);
    return Select(_mm_cmpgt_epi32(index, last), last, index);
  }

  DVX_HOT __m128i Texels(__m128 wb, __m128 wc) const {
    if (t_.texture == nullptr || !t_.usesTexel) return _mm_set1_epi32(-1);
    alignas(16) int32_t xs[4], ys[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(xs),
                    Index(u_.At(wb, wc), width_, wrapMaskU_, lastU_, t_.wrapU, t_.width));
    _mm_store_si128(reinterpret_cast<__m128i*>(ys),
                    Index(v_.At(wb, wc), height_, wrapMaskV_, lastV_, t_.wrapV, t_.height));
    alignas(16) uint32_t texels[4];
    for (int k = 0; k < 4; ++k) texels[k] = Fetch(t_, xs[k], ys[k]);
    return _mm_load_si128(reinterpret_cast<const __m128i*>(texels));
  }

  static DVX_HOT __m128i Stage(TextureOp op, __m128i texel, __m128i diffuse, __m128i modulated) {
    switch (op) {
      case TextureOp::kModulate: return modulated;
      case TextureOp::kSelectTexture: return texel;
      case TextureOp::kSelectDiffuse:
      case TextureOp::kDisable: return diffuse;
    }
    return diffuse;
  }

  DVX_HOT __m128i Passes(__m128i alpha) const {
    const RenderStates& states = *t_.states;
    const __m128i all = _mm_set1_epi32(-1);
    if (!states.alphaTest) return all;
    switch (states.alphaFunc) {
      case CompareFunction::kNever: return _mm_setzero_si128();
      case CompareFunction::kLess: return _mm_cmplt_epi32(alpha, alphaRef_);
      case CompareFunction::kEqual: return _mm_cmpeq_epi32(alpha, alphaRef_);
      case CompareFunction::kLessEqual: return _mm_xor_si128(_mm_cmpgt_epi32(alpha, alphaRef_), all);
      case CompareFunction::kGreater: return _mm_cmpgt_epi32(alpha, alphaRef_);
      case CompareFunction::kNotEqual: return _mm_xor_si128(_mm_cmpeq_epi32(alpha, alphaRef_), all);
      case CompareFunction::kGreaterEqual: return _mm_xor_si128(_mm_cmplt_epi32(alpha, alphaRef_), all);
      case CompareFunction::kAlways: return all;
    }
    return all;
  }

  // SRCALPHA / INVSRCALPHA as BlendHot does it: opaque keeps the source,
  // clear the destination, anything between the rounded mix.
  static DVX_HOT __m128i SourceOver(__m128i source, __m128i destination) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i alpha = _mm_srli_epi32(source, 24);
    __m128i spread = _mm_or_si128(alpha, _mm_slli_epi32(alpha, 8));
    spread = _mm_or_si128(spread, _mm_slli_epi32(spread, 16));
    const __m128i inverse = _mm_xor_si128(spread, _mm_set1_epi32(-1));
    const auto half = [&](__m128i s, __m128i a, __m128i d, __m128i ia) {
      const __m128i mixed = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(s, a), _mm_mullo_epi16(d, ia)),
                                          _mm_set1_epi16(128));
      return _mm_srli_epi16(_mm_add_epi16(mixed, _mm_srli_epi16(mixed, 8)), 8);
    };
    const __m128i low = half(_mm_unpacklo_epi8(source, zero), _mm_unpacklo_epi8(spread, zero),
                             _mm_unpacklo_epi8(destination, zero), _mm_unpacklo_epi8(inverse, zero));
    const __m128i high = half(_mm_unpackhi_epi8(source, zero), _mm_unpackhi_epi8(spread, zero),
                              _mm_unpackhi_epi8(destination, zero), _mm_unpackhi_epi8(inverse, zero));
    const __m128i mixed = _mm_packus_epi16(low, high);
    const __m128i opaque = _mm_cmpeq_epi32(alpha, _mm_set1_epi32(255));
    const __m128i clear = _mm_cmpeq_epi32(alpha, zero);
    return Select(opaque, source, Select(clear, destination, mixed));
  }

  DVX_HOT void Shade(__m128 wb, __m128 wc, uint32_t* pixel) const {
    const RenderStates& states = *t_.states;
    const __m128i diffuse = t_.usesDiffuse ? Diffuse(wb, wc) : _mm_setzero_si128();
    const __m128i texel = Texels(wb, wc);
    if (t_.clearTexelsKeepPixels &&
        _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_srli_epi32(texel, 24), _mm_setzero_si128())) == 0xFFFF) {
      return;
    }
    const bool modulates = states.colourOp == TextureOp::kModulate || states.alphaOp == TextureOp::kModulate;
    const __m128i modulated = modulates ? Modulate4(texel, diffuse) : _mm_setzero_si128();
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
    const __m128i colour = Select(alphaMask, Stage(states.alphaOp, texel, diffuse, modulated),
                                  Stage(states.colourOp, texel, diffuse, modulated));
    const __m128i pass = Passes(_mm_srli_epi32(colour, 24));
    if (_mm_movemask_epi8(pass) == 0) return;
    auto* target = reinterpret_cast<__m128i*>(pixel);
    const __m128i destination = _mm_loadu_si128(target);
    __m128i result;
    if (!states.alphaBlend) {
      result = colour;
    } else if (t_.sourceOver) {
      const __m128i opaque = _mm_cmpeq_epi32(_mm_srli_epi32(colour, 24), _mm_set1_epi32(255));
      result = _mm_movemask_epi8(opaque) == 0xFFFF ? colour : SourceOver(colour, destination);
    } else {
      alignas(16) uint32_t sources[4], destinations[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(sources), colour);
      _mm_store_si128(reinterpret_cast<__m128i*>(destinations), destination);
      for (int k = 0; k < 4; ++k) sources[k] = BlendHot(sources[k], destinations[k], states);
      result = _mm_load_si128(reinterpret_cast<const __m128i*>(sources));
    }
    _mm_storeu_si128(target, Select(pass, result, destination));
  }

  const Triangle& t_;
  __m128 invArea_;
  Lanes u_, v_, a_, r_, g_, b_;
  __m128 width_, height_;
  __m128i lastU_, lastV_;
  __m128i wrapMaskU_, wrapMaskV_;
  __m128i alphaRef_;
};

#endif  // __SSE2__

bool ReadsTexel(TextureOp op) { return op == TextureOp::kModulate || op == TextureOp::kSelectTexture; }
bool ReadsDiffuse(TextureOp op) { return op != TextureOp::kSelectTexture; }

void PrepareTexture(Triangle& t, const RenderTexture* texture, const RenderStates& states) {
  t.texture = texture;
  t.wrapU = states.addressU == TextureAddress::kWrap;
  t.wrapV = states.addressV == TextureAddress::kWrap;
  t.usesTexel = ReadsTexel(states.colourOp) || ReadsTexel(states.alphaOp);
  t.usesDiffuse = ReadsDiffuse(states.colourOp) || ReadsDiffuse(states.alphaOp);
  t.sourceOver = states.srcBlend == BlendFactor::kSrcAlpha && states.destBlend == BlendFactor::kInvSrcAlpha;
  if (texture == nullptr) return;
  const bool alphaFromTexel = states.alphaOp == TextureOp::kModulate || states.alphaOp == TextureOp::kSelectTexture;
  t.clearTexelsKeepPixels = alphaFromTexel && (!PassesAlphaTestHot(0, states) || (states.alphaBlend && t.sourceOver));
  t.width = texture->Width();
  t.height = texture->Height();
  t.bits = texture->Bits();
  t.pitch = texture->Pitch();
  t.direct = texture->Format() == TextureFormat::kA8R8G8B8 || texture->Format() == TextureFormat::kX8R8G8B8;
  t.orMask = texture->Format() == TextureFormat::kX8R8G8B8 ? 0xFF000000u : 0u;
}

// Edge values at or beyond this need more than a double's 53 bits.
constexpr int64_t kExactInDouble = int64_t{1} << 52;

}  // namespace

void RasterTriangle(const RasterTarget& target, const RenderVertex& a, const RenderVertex& b0,
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
  Triangle t;
  t.states = &states;
  t.invArea = 1.0f / static_cast<float>(area);
  t.u = Gradient(a.u, b->u, c->u);
  t.v = Gradient(a.v, b->v, c->v);
  t.flat = a.colour == b->colour && a.colour == c->colour;
  t.colour = a.colour;
  t.a = Gradient(Part(a.colour, 24), Part(b->colour, 24), Part(c->colour, 24));
  t.r = Gradient(Part(a.colour, 16), Part(b->colour, 16), Part(c->colour, 16));
  t.g = Gradient(Part(a.colour, 8), Part(b->colour, 8), Part(c->colour, 8));
  t.b = Gradient(Part(a.colour, 0), Part(b->colour, 0), Part(c->colour, 0));
  PrepareTexture(t, texture, states);

  const int64_t stepB = -edgeB.dy * kSubpixel;
  const int64_t stepC = -edgeC.dy * kSubpixel;
#if defined(__SSE2__)
  // The edge values are linear, so the box's corners bound them.
  bool exact = true;
  for (const int64_t x : {left, right}) {
    for (const int64_t y : {top, bottom}) {
      const FixedPoint corner{x * kSubpixel, y * kSubpixel};
      for (const int64_t value : {EdgeValue(pc, pa, corner), EdgeValue(pa, pb, corner)}) {
        exact = exact && value < kExactInDouble && value > -kExactInDouble;
      }
    }
  }
  const Span4 span4(t);
#endif

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
    int64_t wbEdge = eb + stepB * first;
    int64_t wcEdge = ec + stepC * first;
    uint32_t* pixel = target.pixels + y * target.pitch + left + first;
    const int64_t count = last - first + 1;
#if defined(__SSE2__)
    if (exact) {
      span4.Draw(wbEdge, wcEdge, stepB, stepC, count, pixel);
      continue;
    }
#endif
    ShadeSpan(t, wbEdge, wcEdge, stepB, stepC, count, pixel);
  }
}

}  // namespace platform
