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

// One 8-point transform on inputs spaced `step` apart; results unscaled.
template <typename T>
inline void Transform(const T* in, int step, u32* out) {
  // Even part.
  u32 z2 = static_cast<u32>(in[2 * step]);
  u32 z3 = static_cast<u32>(in[6 * step]);
  u32 z1 = (z2 + z3) * kFix0541196100;
  const u32 even2 = z1 - z3 * kFix1847759065;
  const u32 even3 = z1 + z2 * kFix0765366865;
  z2 = static_cast<u32>(in[0]);
  z3 = static_cast<u32>(in[4 * step]);
  const u32 even0 = (z2 + z3) << kConstBits;
  const u32 even1 = (z2 - z3) << kConstBits;
  const u32 tmp10 = even0 + even3;
  const u32 tmp13 = even0 - even3;
  const u32 tmp11 = even1 + even2;
  const u32 tmp12 = even1 - even2;

  // Odd part.
  u32 tmp0 = static_cast<u32>(in[7 * step]);
  u32 tmp1 = static_cast<u32>(in[5 * step]);
  u32 tmp2 = static_cast<u32>(in[3 * step]);
  u32 tmp3 = static_cast<u32>(in[1 * step]);
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

  out[0] = tmp10 + tmp3;
  out[7] = tmp10 - tmp3;
  out[1] = tmp11 + tmp2;
  out[6] = tmp11 - tmp2;
  out[2] = tmp12 + tmp1;
  out[5] = tmp12 - tmp1;
  out[3] = tmp13 + tmp0;
  out[4] = tmp13 - tmp0;
}

inline int32_t Descale(u32 value, int shift) {
  return static_cast<int32_t>(value + (u32{1} << (shift - 1))) >> shift;
}

inline uint8_t Clamp(int32_t value) { return static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value)); }

}  // namespace

void InverseDctBlock(const int16_t* coefficients, uint8_t* samples) {
  int32_t workspace[64];
  constexpr int kShift1 = kConstBits - kPass1Bits;
  u32 result[8];
  for (int column = 0; column < 8; ++column) {
    const int16_t* in = coefficients + column;
    int32_t* work = workspace + column;
    if ((in[8] | in[16] | in[24] | in[32] | in[40] | in[48] | in[56]) == 0) {
      const int32_t dc = in[0] * (1 << kPass1Bits);
      for (int row = 0; row < 8; ++row) work[row * 8] = dc;
      continue;
    }
    Transform(in, 8, result);
    for (int row = 0; row < 8; ++row) work[row * 8] = Descale(result[row], kShift1);
  }
  constexpr int kShift2 = kConstBits + kPass1Bits + 3;
  for (int row = 0; row < 8; ++row) {
    const int32_t* work = workspace + row * 8;
    uint8_t* out = samples + row * 8;
    if ((work[1] | work[2] | work[3] | work[4] | work[5] | work[6] | work[7]) == 0) {
      const uint8_t value = Clamp(Descale(static_cast<u32>(work[0]), kPass1Bits + 3) + 128);
      for (int x = 0; x < 8; ++x) out[x] = value;
      continue;
    }
    Transform(work, 1, result);
    for (int x = 0; x < 8; ++x) out[x] = Clamp(Descale(result[x], kShift2) + 128);
  }
}

void InverseDctFlatBlock(int16_t dc, uint8_t* samples) {
  // Both passes' flat-line shortcuts in one.
  const uint8_t value = Clamp(Descale(static_cast<u32>(dc * (1 << kPass1Bits)), kPass1Bits + 3) + 128);
  for (int i = 0; i < 64; ++i) samples[i] = value;
}
