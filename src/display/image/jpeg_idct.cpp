// Loeffler-Ligtenberg-Moschytz separable inverse DCT in 13-bit fixed point.
// Columns first, keeping two extra bits of precision for the row pass.
// The arithmetic is done on unsigned 32-bit values: valid pictures never
// overflow, and the coefficients of a crafted file wrap instead of being
// undefined; results are read back as signed before each descaling shift.
#include "display/image/jpeg_idct.h"

#include <immintrin.h>

namespace {

using u32 = uint32_t;

constexpr int kConstBits = 13;
constexpr int kPass1Bits = 2;

constexpr u32 kFix0298631336 = 2446;
constexpr u32 kFix0390180644 = 3196;
constexpr u32 kFix0541196100 = 4433;
constexpr u32 kFix0765366865 = 6270;
constexpr u32 kFix0899976223 = 7373;
constexpr u32 kFix1175875602 = 9633;
constexpr u32 kFix1501321110 = 12299;
constexpr u32 kFix1847759065 = 15137;
constexpr u32 kFix1961570560 = 16069;
constexpr u32 kFix2053119869 = 16819;
constexpr u32 kFix2562915447 = 20995;
constexpr u32 kFix3072711026 = 25172;

// Eight 8-point transforms side by side: in[k][lane] is input k of lane
// `lane`. Every statement works lane by lane, so the loop vectorises.
__attribute__((always_inline)) inline void Transform8(const u32 (&in)[8][8], u32 (&out)[8][8]) {
  for (int lane = 0; lane < 8; ++lane) {
    // Even part.
    u32 z2 = in[2][lane];
    u32 z3 = in[6][lane];
    u32 z1 = (z2 + z3) * kFix0541196100;
    const u32 even2 = z1 - z3 * kFix1847759065;
    const u32 even3 = z1 + z2 * kFix0765366865;
    z2 = in[0][lane];
    z3 = in[4][lane];
    const u32 even0 = (z2 + z3) << kConstBits;
    const u32 even1 = (z2 - z3) << kConstBits;
    const u32 tmp10 = even0 + even3;
    const u32 tmp13 = even0 - even3;
    const u32 tmp11 = even1 + even2;
    const u32 tmp12 = even1 - even2;

    // Odd part.
    u32 tmp0 = in[7][lane];
    u32 tmp1 = in[5][lane];
    u32 tmp2 = in[3][lane];
    u32 tmp3 = in[1][lane];
    z1 = tmp0 + tmp3;
    z2 = tmp1 + tmp2;
    z3 = tmp0 + tmp2;
    u32 z4 = tmp1 + tmp3;
    const u32 z5 = (z3 + z4) * kFix1175875602;
    tmp0 *= kFix0298631336;
    tmp1 *= kFix2053119869;
    tmp2 *= kFix3072711026;
    tmp3 *= kFix1501321110;
    z1 = 0u - z1 * kFix0899976223;
    z2 = 0u - z2 * kFix2562915447;
    z3 = z5 - z3 * kFix1961570560;
    z4 = z5 - z4 * kFix0390180644;
    tmp0 += z1 + z3;
    tmp1 += z2 + z4;
    tmp2 += z2 + z3;
    tmp3 += z1 + z4;

    out[0][lane] = tmp10 + tmp3;
    out[7][lane] = tmp10 - tmp3;
    out[1][lane] = tmp11 + tmp2;
    out[6][lane] = tmp11 - tmp2;
    out[2][lane] = tmp12 + tmp1;
    out[5][lane] = tmp12 - tmp1;
    out[3][lane] = tmp13 + tmp0;
    out[4][lane] = tmp13 - tmp0;
  }
}

__attribute__((always_inline)) inline int32_t Descale(u32 value, int shift) {
  return static_cast<int32_t>(value + (u32{1} << (shift - 1))) >> shift;
}

__attribute__((always_inline)) inline uint8_t Clamp(int32_t value) { return static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value)); }


// Lines whose AC inputs are zero come out flat from the full transform too
// (the rounding terms vanish in the shifts), so no line needs a shortcut.
__attribute__((always_inline)) inline void InverseDctBody(const int16_t* coefficients, uint8_t* samples) {
  constexpr int kShift1 = kConstBits - kPass1Bits;
  constexpr int kShift2 = kConstBits + kPass1Bits + 3;
  u32 in[8][8];
  u32 out[8][8];
  // Columns: input k of lane c is row k of column c.
  for (int k = 0; k < 8; ++k) {
    for (int c = 0; c < 8; ++c) in[k][c] = static_cast<u32>(coefficients[k * 8 + c]);
  }
  Transform8(in, out);
  // Rows: input k of lane r is column k of row r, i.e. output r of lane k above.
  for (int k = 0; k < 8; ++k) {
    for (int r = 0; r < 8; ++r) in[k][r] = static_cast<u32>(Descale(out[r][k], kShift1));
  }
  Transform8(in, out);
  for (int r = 0; r < 8; ++r) {
    for (int x = 0; x < 8; ++x) samples[r * 8 + x] = Clamp(Descale(out[x][r], kShift2) + 128);
  }
}

// ---------------------------------------------------------------- AVX2
// The same arithmetic, eight lines at once in the lanes of one register:
// 32-bit wrapping multiplies and adds and arithmetic shifts, so every result
// is the portable build's to the bit.

#define DVX_AVX2 __attribute__((target("avx2"), always_inline)) inline

DVX_AVX2 __m256i Mul(__m256i value, u32 constant) {
  return _mm256_mullo_epi32(value, _mm256_set1_epi32(static_cast<int32_t>(constant)));
}

DVX_AVX2 void Transform8Avx2(const __m256i (&in)[8], __m256i (&out)[8]) {
  // Even part.
  __m256i z2 = in[2];
  __m256i z3 = in[6];
  __m256i z1 = Mul(_mm256_add_epi32(z2, z3), kFix0541196100);
  const __m256i even2 = _mm256_sub_epi32(z1, Mul(z3, kFix1847759065));
  const __m256i even3 = _mm256_add_epi32(z1, Mul(z2, kFix0765366865));
  const __m256i even0 = _mm256_slli_epi32(_mm256_add_epi32(in[0], in[4]), kConstBits);
  const __m256i even1 = _mm256_slli_epi32(_mm256_sub_epi32(in[0], in[4]), kConstBits);
  const __m256i tmp10 = _mm256_add_epi32(even0, even3);
  const __m256i tmp13 = _mm256_sub_epi32(even0, even3);
  const __m256i tmp11 = _mm256_add_epi32(even1, even2);
  const __m256i tmp12 = _mm256_sub_epi32(even1, even2);

  // Odd part.
  __m256i tmp0 = in[7];
  __m256i tmp1 = in[5];
  __m256i tmp2 = in[3];
  __m256i tmp3 = in[1];
  z1 = _mm256_add_epi32(tmp0, tmp3);
  z2 = _mm256_add_epi32(tmp1, tmp2);
  z3 = _mm256_add_epi32(tmp0, tmp2);
  __m256i z4 = _mm256_add_epi32(tmp1, tmp3);
  const __m256i z5 = Mul(_mm256_add_epi32(z3, z4), kFix1175875602);
  tmp0 = Mul(tmp0, kFix0298631336);
  tmp1 = Mul(tmp1, kFix2053119869);
  tmp2 = Mul(tmp2, kFix3072711026);
  tmp3 = Mul(tmp3, kFix1501321110);
  z1 = Mul(z1, 0u - kFix0899976223);
  z2 = Mul(z2, 0u - kFix2562915447);
  z3 = _mm256_sub_epi32(z5, Mul(z3, kFix1961570560));
  z4 = _mm256_sub_epi32(z5, Mul(z4, kFix0390180644));
  tmp0 = _mm256_add_epi32(tmp0, _mm256_add_epi32(z1, z3));
  tmp1 = _mm256_add_epi32(tmp1, _mm256_add_epi32(z2, z4));
  tmp2 = _mm256_add_epi32(tmp2, _mm256_add_epi32(z2, z3));
  tmp3 = _mm256_add_epi32(tmp3, _mm256_add_epi32(z1, z4));

  out[0] = _mm256_add_epi32(tmp10, tmp3);
  out[7] = _mm256_sub_epi32(tmp10, tmp3);
  out[1] = _mm256_add_epi32(tmp11, tmp2);
  out[6] = _mm256_sub_epi32(tmp11, tmp2);
  out[2] = _mm256_add_epi32(tmp12, tmp1);
  out[5] = _mm256_sub_epi32(tmp12, tmp1);
  out[3] = _mm256_add_epi32(tmp13, tmp0);
  out[4] = _mm256_sub_epi32(tmp13, tmp0);
}

template <int kShift>
DVX_AVX2 __m256i DescaleAvx2(__m256i value) {
  return _mm256_srai_epi32(_mm256_add_epi32(value, _mm256_set1_epi32(1 << (kShift - 1))), kShift);
}

// Row r of the result is lane r of every input register.
DVX_AVX2 void Transpose(const __m256i (&rows)[8], __m256i (&columns)[8]) {
  __m256i pairs[8];
  for (int i = 0; i < 8; i += 2) {
    pairs[i] = _mm256_unpacklo_epi32(rows[i], rows[i + 1]);
    pairs[i + 1] = _mm256_unpackhi_epi32(rows[i], rows[i + 1]);
  }
  __m256i quads[8];
  for (int i = 0; i < 8; i += 4) {
    quads[i] = _mm256_unpacklo_epi64(pairs[i], pairs[i + 2]);
    quads[i + 1] = _mm256_unpackhi_epi64(pairs[i], pairs[i + 2]);
    quads[i + 2] = _mm256_unpacklo_epi64(pairs[i + 1], pairs[i + 3]);
    quads[i + 3] = _mm256_unpackhi_epi64(pairs[i + 1], pairs[i + 3]);
  }
  for (int i = 0; i < 4; ++i) {
    columns[i] = _mm256_permute2x128_si256(quads[i], quads[i + 4], 0x20);
    columns[i + 4] = _mm256_permute2x128_si256(quads[i], quads[i + 4], 0x31);
  }
}

// Four rows of 32-bit samples as 32 clamped bytes in row order.
DVX_AVX2 void StoreFourRows(const __m256i* rows, uint8_t* samples) {
  // Saturating to 16 and then to unsigned 8 bits is the clamp to 0-255.
  const __m256i bytes =
      _mm256_packus_epi16(_mm256_packs_epi32(rows[0], rows[1]), _mm256_packs_epi32(rows[2], rows[3]));
  const __m256i ordered = _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(samples), ordered);
}

__attribute__((target("avx2"))) void InverseDctAvx2(const int16_t* coefficients, uint8_t* samples) {
  constexpr int kShift1 = kConstBits - kPass1Bits;
  constexpr int kShift2 = kConstBits + kPass1Bits + 3;
  __m256i in[8];
  __m256i out[8];
  // Columns: register k holds row k, one column per lane.
  for (int k = 0; k < 8; ++k) {
    in[k] = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(coefficients + k * 8)));
  }
  Transform8Avx2(in, out);
  for (__m256i& value : out) value = DescaleAvx2<kShift1>(value);
  // Rows: register k holds column k, one row per lane.
  Transpose(out, in);
  Transform8Avx2(in, out);
  const __m256i centre = _mm256_set1_epi32(128);
  for (__m256i& value : out) value = _mm256_add_epi32(DescaleAvx2<kShift2>(value), centre);
  Transpose(out, in);
  StoreFourRows(in, samples);
  StoreFourRows(in + 4, samples + 32);
}

#undef DVX_AVX2

}  // namespace

void InverseDctBlockPortable(const int16_t* coefficients, uint8_t* samples) { InverseDctBody(coefficients, samples); }

void InverseDctBlock(const int16_t* coefficients, uint8_t* samples) {
  static const auto chosen = __builtin_cpu_supports("avx2") ? InverseDctAvx2 : InverseDctBlockPortable;
  chosen(coefficients, samples);
}

void InverseDctFlatBlock(int16_t dc, uint8_t* samples) {
  // Both passes' flat-line shortcuts in one.
  const uint8_t value = Clamp(Descale(static_cast<u32>(dc * (1 << kPass1Bits)), kPass1Bits + 3) + 128);
  for (int i = 0; i < 64; ++i) samples[i] = value;
}
