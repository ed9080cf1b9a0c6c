// Loeffler-Ligtenberg-Moschytz separable inverse DCT in 13-bit fixed point.
// Columns first, keeping two extra bits of precision for the row pass.
// The arithmetic is done on unsigned 32-bit values: valid pictures never
// overflow, and the coefficients of a crafted file wrap instead of being
// undefined; results are read back as signed before each descaling shift.
#include "display/image/jpeg_idct.h"

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

// The same code built twice: the AVX2 build runs the eight lines of each pass at once.
__attribute__((target("avx2"))) void InverseDctAvx2(const int16_t* coefficients, uint8_t* samples) {
  InverseDctBody(coefficients, samples);
}

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
