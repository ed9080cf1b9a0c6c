// Loeffler-Ligtenberg-Moschytz separable inverse DCT in 13-bit fixed point.
// Columns first, keeping two extra bits of precision for the row pass.
// Intermediate products use 64 bits: coefficients of a crafted file can be
// large enough to overflow 32.
#include "display/image/jpeg_idct.h"

namespace {

constexpr int kConstBits = 13;
constexpr int kPass1Bits = 2;

constexpr int64_t kFix0298631336 = 2446;
constexpr int64_t kFix0390180644 = 3196;
constexpr int64_t kFix0541196100 = 4433;
constexpr int64_t kFix0765366865 = 6270;
constexpr int64_t kFix0899976223 = 7373;
constexpr int64_t kFix1175875602 = 9633;
constexpr int64_t kFix1501321110 = 12299;
constexpr int64_t kFix1847759065 = 15137;
constexpr int64_t kFix1961570560 = 16069;
constexpr int64_t kFix2053119869 = 16819;
constexpr int64_t kFix2562915447 = 20995;
constexpr int64_t kFix3072711026 = 25172;

struct TIdctOutputs {
  int64_t out[8];
};

// One 8-point transform on inputs spaced `step` apart; results unscaled.
template <typename T>
inline TIdctOutputs Transform(const T* in, int step) {
  // Even part.
  int64_t z2 = in[2 * step];
  int64_t z3 = in[6 * step];
  int64_t z1 = (z2 + z3) * kFix0541196100;
  const int64_t even2 = z1 - z3 * kFix1847759065;
  const int64_t even3 = z1 + z2 * kFix0765366865;
  z2 = in[0];
  z3 = in[4 * step];
  const int64_t even0 = (z2 + z3) * (int64_t{1} << kConstBits);
  const int64_t even1 = (z2 - z3) * (int64_t{1} << kConstBits);
  const int64_t tmp10 = even0 + even3;
  const int64_t tmp13 = even0 - even3;
  const int64_t tmp11 = even1 + even2;
  const int64_t tmp12 = even1 - even2;

  // Odd part.
  int64_t tmp0 = in[7 * step];
  int64_t tmp1 = in[5 * step];
  int64_t tmp2 = in[3 * step];
  int64_t tmp3 = in[1 * step];
  z1 = tmp0 + tmp3;
  z2 = tmp1 + tmp2;
  z3 = tmp0 + tmp2;
  int64_t z4 = tmp1 + tmp3;
  const int64_t z5 = (z3 + z4) * kFix1175875602;
  tmp0 *= kFix0298631336;
  tmp1 *= kFix2053119869;
  tmp2 *= kFix3072711026;
  tmp3 *= kFix1501321110;
  z1 *= -kFix0899976223;
  z2 *= -kFix2562915447;
  z3 = z3 * -kFix1961570560 + z5;
  z4 = z4 * -kFix0390180644 + z5;
  tmp0 += z1 + z3;
  tmp1 += z2 + z4;
  tmp2 += z2 + z3;
  tmp3 += z1 + z4;

  return {{tmp10 + tmp3, tmp11 + tmp2, tmp12 + tmp1, tmp13 + tmp0, tmp13 - tmp0, tmp12 - tmp1, tmp11 - tmp2,
           tmp10 - tmp3}};
}

inline uint8_t Clamp(int64_t value) {
  return static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

}  // namespace

void InverseDctBlock(const int16_t* coefficients, uint8_t* samples) {
  int32_t workspace[64];
  constexpr int kShift1 = kConstBits - kPass1Bits;
  for (int column = 0; column < 8; ++column) {
    const int16_t* in = coefficients + column;
    int32_t* work = workspace + column;
    if ((in[8] | in[16] | in[24] | in[32] | in[40] | in[48] | in[56]) == 0) {
      const int32_t dc = in[0] * (1 << kPass1Bits);
      for (int row = 0; row < 8; ++row) work[row * 8] = dc;
      continue;
    }
    const TIdctOutputs result = Transform(in, 8);
    for (int row = 0; row < 8; ++row) {
      work[row * 8] = static_cast<int32_t>((result.out[row] + (int64_t{1} << (kShift1 - 1))) >> kShift1);
    }
  }
  constexpr int kShift2 = kConstBits + kPass1Bits + 3;
  for (int row = 0; row < 8; ++row) {
    const int32_t* work = workspace + row * 8;
    uint8_t* out = samples + row * 8;
    if ((work[1] | work[2] | work[3] | work[4] | work[5] | work[6] | work[7]) == 0) {
      const uint8_t value = Clamp(((static_cast<int64_t>(work[0]) + 16) >> (kPass1Bits + 3)) + 128);
      for (int x = 0; x < 8; ++x) out[x] = value;
      continue;
    }
    const TIdctOutputs result = Transform(work, 1);
    for (int x = 0; x < 8; ++x) out[x] = Clamp(((result.out[x] + (int64_t{1} << (kShift2 - 1))) >> kShift2) + 128);
  }
}
