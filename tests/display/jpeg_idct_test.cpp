#include "display/image/jpeg_idct.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The transform as the standard defines it, in double precision.
void ExactInverseDct(const int16_t* coefficients, double* samples) {
  const double pi = std::acos(-1.0);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      double sum = 0;
      for (int v = 0; v < 8; ++v) {
        for (int u = 0; u < 8; ++u) {
          const double cu = u == 0 ? std::sqrt(0.5) : 1.0;
          const double cv = v == 0 ? std::sqrt(0.5) : 1.0;
          sum += cu * cv * coefficients[v * 8 + u] * std::cos((2 * x + 1) * u * pi / 16) *
                 std::cos((2 * y + 1) * v * pi / 16);
        }
      }
      samples[y * 8 + x] = sum / 4 + 128;
    }
  }
}

struct TRandom {
  uint32_t state;
  int32_t Next(int32_t range) {
    state = state * 1664525u + 1013904223u;
    return static_cast<int32_t>((state >> 8) % static_cast<uint32_t>(2 * range + 1)) - range;
  }
};

TEST(JpegIdct, CloseToTheExactTransform) {
  TRandom random{99};
  for (int trial = 0; trial < 300; ++trial) {
    int16_t coefficients[64] = {};
    const int filled = 1 + trial % 64;
    for (int i = 0; i < filled; ++i) coefficients[i] = static_cast<int16_t>(random.Next(i == 0 ? 1000 : 300 / (1 + i / 8)));
    uint8_t samples[64];
    double exact[64];
    InverseDctBlock(coefficients, samples);
    ExactInverseDct(coefficients, exact);
    for (int i = 0; i < 64; ++i) {
      const double expected = std::fmin(255.0, std::fmax(0.0, exact[i]));
      ASSERT_LE(std::fabs(samples[i] - expected), 1.0) << "trial " << trial << " sample " << i;
    }
  }
}

TEST(JpegIdct, BothBuildsAgreeEvenOnExtremeInput) {
  TRandom random{7};
  for (int trial = 0; trial < 500; ++trial) {
    int16_t coefficients[64];
    const int32_t range = trial % 2 == 0 ? 32767 : 2000;
    for (int16_t& coefficient : coefficients) coefficient = static_cast<int16_t>(random.Next(range));
    uint8_t chosen[64];
    uint8_t portable[64];
    InverseDctBlock(coefficients, chosen);
    InverseDctBlockPortable(coefficients, portable);
    ASSERT_EQ(0, std::memcmp(chosen, portable, sizeof chosen)) << "trial " << trial;
  }
}

TEST(JpegIdct, FlatBlockMatchesTheFullTransform) {
  for (int dc : {-32768, -1100, -3, 0, 5, 200, 1023, 32767}) {
    int16_t coefficients[64] = {static_cast<int16_t>(dc)};
    uint8_t full[64];
    uint8_t flat[64];
    InverseDctBlock(coefficients, full);
    InverseDctFlatBlock(static_cast<int16_t>(dc), flat);
    EXPECT_EQ(0, std::memcmp(full, flat, sizeof full)) << dc;
  }
}

}  // namespace
