#include "display/image/jpeg_colour.h"

#include <immintrin.h>

#include <algorithm>

namespace {

constexpr int32_t kCrToRed = 91882;
constexpr int32_t kCbToBlue = 116130;
constexpr int32_t kCrToGreen = -46802;
constexpr int32_t kCbToGreen = -22554;
constexpr int32_t kHalf = 32768;

struct TLayout {
  int32_t mcuPixels;
  int32_t mcuBytes;
  int32_t lumaRow;    // offset of the first line's luma in an MCU
  int32_t chromaRow;  // offset of the shared Cb line; Cr follows 64 bytes on
};

TLayout LayoutOf(bool wide, int32_t line) {
  return {wide ? 16 : 8, wide ? 384 : 256, (line >> 3) * (wide ? 128 : 64) + (line & 7) * 8,
          (wide ? 256 : 128) + (line >> 1) * 8};
}

// ---------------------------------------------------------------- AVX2
// The table entries are exact integer functions of the sample, so working
// them out lane by lane gives the tables' results to the bit.

#define DVX_AVX2 __attribute__((target("avx2"), always_inline)) inline

DVX_AVX2 __m256i Term(__m256i centred, int32_t factor, int32_t rounding) {
  return _mm256_add_epi32(_mm256_mullo_epi32(centred, _mm256_set1_epi32(factor)), _mm256_set1_epi32(rounding));
}

DVX_AVX2 __m256i Clamp(__m256i value) {
  return _mm256_min_epi32(_mm256_max_epi32(value, _mm256_setzero_si256()), _mm256_set1_epi32(255));
}

// Eight pixels of one line: luma plus the colour terms, packed R, G, B, 0.
DVX_AVX2 void StorePixels(const uint8_t* luma, __m256i red, __m256i green, __m256i blue, uint8_t* out) {
  const __m256i y = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(luma)));
  const __m256i r = Clamp(_mm256_add_epi32(y, red));
  const __m256i g = Clamp(_mm256_add_epi32(y, green));
  const __m256i b = Clamp(_mm256_add_epi32(y, blue));
  const __m256i pixels = _mm256_or_si256(r, _mm256_or_si256(_mm256_slli_epi32(g, 8), _mm256_slli_epi32(b, 16)));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), pixels);
}

__attribute__((target("avx2"))) void ConvertAvx2(const uint8_t* samples, int32_t width, bool wide, int32_t line,
                                                 uint8_t* first, uint8_t* second) {
  const TLayout layout = LayoutOf(wide, line);
  const __m256i centre = _mm256_set1_epi32(128);
  const __m256i lowPairs = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3);
  const __m256i highPairs = _mm256_setr_epi32(4, 4, 5, 5, 6, 6, 7, 7);
  for (int32_t x0 = 0; x0 < width; x0 += layout.mcuPixels) {
    const uint8_t* mcu = samples + (x0 / layout.mcuPixels) * layout.mcuBytes;
    const __m256i cb = _mm256_sub_epi32(
        _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(mcu + layout.chromaRow))), centre);
    const __m256i cr = _mm256_sub_epi32(
        _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(mcu + layout.chromaRow + 64))), centre);
    const __m256i red = _mm256_srai_epi32(Term(cr, kCrToRed, kHalf), 16);
    const __m256i blue = _mm256_srai_epi32(Term(cb, kCbToBlue, kHalf), 16);
    const __m256i green = _mm256_srai_epi32(_mm256_add_epi32(Term(cb, kCbToGreen, kHalf), Term(cr, kCrToGreen, 0)), 16);
    const uint8_t* luma = mcu + layout.lumaRow;
    uint8_t* top = first + x0 * 4;
    uint8_t* bottom = second + x0 * 4;
    if (!wide) {
      StorePixels(luma, red, green, blue, top);
      StorePixels(luma + 8, red, green, blue, bottom);
      continue;
    }
    // Each chroma sample serves two neighbouring pixels; the right half of
    // the MCU's luma is the next block.
    for (int32_t half = 0; half < 2; ++half) {
      const __m256i pairs = half == 0 ? lowPairs : highPairs;
      const __m256i r = _mm256_permutevar8x32_epi32(red, pairs);
      const __m256i g = _mm256_permutevar8x32_epi32(green, pairs);
      const __m256i b = _mm256_permutevar8x32_epi32(blue, pairs);
      StorePixels(luma + half * 64, r, g, b, top + half * 32);
      StorePixels(luma + half * 64 + 8, r, g, b, bottom + half * 32);
    }
  }
}

#undef DVX_AVX2

}  // namespace

void TJpegColourTables::Build() {
  for (int32_t v = -256; v < 512; ++v) clamp[v + 256] = static_cast<uint8_t>(std::clamp(v, 0, 255));
  for (int32_t k = 0; k < 256; ++k) {
    const int32_t x = k - 128;
    crr[k] = (kCrToRed * x + kHalf) >> 16;
    cbb[k] = (kCbToBlue * x + kHalf) >> 16;
    crg[k] = kCrToGreen * x;
    cbg[k] = kCbToGreen * x + kHalf;
  }
}

// Each chroma sample's colour terms are worked out once for all the pixels it covers.
void ConvertJpegLinePairPortable(const TJpegColourTables& tables, const uint8_t* samples, int32_t width, bool wide,
                                 int32_t line, uint8_t* first, uint8_t* second) {
  const TLayout layout = LayoutOf(wide, line);
  const uint8_t* clamp = tables.clamp + 256;
  for (int32_t x0 = 0; x0 < width; x0 += layout.mcuPixels) {
    const uint8_t* mcu = samples + (x0 / layout.mcuPixels) * layout.mcuBytes;
    const int32_t count = std::min(layout.mcuPixels, width - x0);
    for (int32_t i = 0; i < count; i += wide ? 2 : 1) {
      const int32_t chroma = wide ? i >> 1 : i;
      const int32_t cb = mcu[layout.chromaRow + chroma];
      const int32_t cr = mcu[layout.chromaRow + 64 + chroma];
      const int32_t red = tables.crr[cr];
      const int32_t green = (tables.cbg[cb] + tables.crg[cr]) >> 16;
      const int32_t blue = tables.cbb[cb];
      const uint8_t* luma = mcu + layout.lumaRow + (i >> 3) * 64 + (i & 7);
      const int32_t pixels = wide && i + 1 < count ? 2 : 1;
      for (int32_t p = 0; p < pixels; ++p) {
        uint8_t* top = first + (x0 + i + p) * 4;
        uint8_t* bottom = second + (x0 + i + p) * 4;
        top[0] = clamp[luma[p] + red];
        top[1] = clamp[luma[p] + green];
        top[2] = clamp[luma[p] + blue];
        top[3] = 0;
        bottom[0] = clamp[luma[p + 8] + red];
        bottom[1] = clamp[luma[p + 8] + green];
        bottom[2] = clamp[luma[p + 8] + blue];
        bottom[3] = 0;
      }
    }
  }
}

void ConvertJpegLinePair(const TJpegColourTables& tables, const uint8_t* samples, int32_t width, bool wide,
                         int32_t line, uint8_t* first, uint8_t* second) {
  static const bool haveAvx2 = __builtin_cpu_supports("avx2");
  if (haveAvx2) {
    ConvertAvx2(samples, width, wide, line, first, second);
  } else {
    ConvertJpegLinePairPortable(tables, samples, width, wide, line, first, second);
  }
}
