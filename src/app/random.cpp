#include "app/random.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace {

// MT11213A.
constexpr int32_t kShiftM = 175;
constexpr uint32_t kUpperMask = 0xFFF80000u;
constexpr uint32_t kLowerMask = 0x0007FFFFu;
constexpr uint32_t kMatrix = 0xE4BD75F5u;
constexpr uint32_t kTemperB = 0x655E5280u;
constexpr uint32_t kTemperC = 0xFFD58000u;
constexpr uint32_t kSeedMultiplier = 29943829u;
constexpr double kTwoToMinus32 = 2.3283064365386963e-10;

uint32_t Twist(uint32_t upperWord, uint32_t lowerWord, uint32_t shiftedWord) {
  const uint32_t y = (upperWord & kUpperMask) | (lowerWord & kLowerMask);
  return shiftedWord ^ (y >> 1) ^ ((y & 1u) ? kMatrix : 0u);
}

int32_t FindDoubleLayout() {
  const double one = 1.0;
  uint32_t words[2];
  std::memcpy(words, &one, sizeof(words));
  if (words[1] == 0x3FF00000u) {
    return 0;
  }
  if (words[0] == 0x3FF00000u) {
    return 1;
  }
  return 2;
}

std::unique_ptr<TRandom>& RandomCell() {
  static std::unique_ptr<TRandom> random;
  return random;
}

}  // namespace

// ---------------------------------------------------------------------------
// TMersenneTwister

void TMersenneTwister::Seed(uint32_t seed) {
  uint32_t x = seed;
  for (uint32_t& word : state_) {
    x = x * kSeedMultiplier - 1u;
    word = x;
  }
  index_ = 0;
  doubleLayout_ = FindDoubleLayout();
}

// In place and in order, so that later words read those already regenerated.
void TMersenneTwister::Regenerate() {
  constexpr int32_t last = kStateSize - 1;
  for (int32_t i = 0; i < last; ++i) {
    state_[i] = Twist(state_[i], state_[i + 1], state_[(i + kShiftM) % kStateSize]);
  }
  state_[last] = Twist(state_[last], state_[0], state_[kShiftM - 1]);
}

uint32_t TMersenneTwister::Next() {
  if (index_ >= kStateSize) {
    Regenerate();
    index_ = 0;
  }
  uint32_t y = state_[index_++];
  y ^= y >> 11;
  y ^= (y << 7) & kTemperB;
  y ^= (y << 15) & kTemperC;
  y ^= y >> 17;
  return y;
}

// The output becomes the top of a double's fraction with the exponent of 1.0,
// which is exact and needs no division.
double TMersenneTwister::NextDouble() {
  const uint32_t value = Next();
  if (doubleLayout_ == 2) {
    return value * kTwoToMinus32;
  }
  const uint32_t high = (value >> 12) | 0x3FF00000u;
  const uint32_t low = value << 20;
  uint32_t words[2];
  words[0] = doubleLayout_ == 0 ? low : high;
  words[1] = doubleLayout_ == 0 ? high : low;
  double result = 0.0;
  std::memcpy(&result, words, sizeof(result));
  return result - 1.0;
}

int32_t TMersenneTwister::IntRange(int32_t min, int32_t max) {
  if (max < min) {
    return std::numeric_limits<int32_t>::min();
  }
  // The width is taken in 64 bits: the whole int range has 2^32 values.
  const int64_t width = static_cast<int64_t>(max) - min + 1;
  const auto offset = static_cast<int64_t>(NextDouble() * static_cast<double>(width));
  return static_cast<int32_t>(std::min<int64_t>(offset + min, max));
}

// ---------------------------------------------------------------------------
// TRandom

TRandom::TRandom() : generator_(0) { std::srand(0); }

void TRandom::Seed(uint32_t seed) {
  seed_ = seed;
  generator_.Seed(seed);
  std::srand(seed);
}

float TRandom::Float(float scale) {
  const auto value = static_cast<float>(generator_.NextDouble() * scale);
  // Narrowing to float can round a value just below the scale up to it.
  if (scale > 0.0f && value >= scale) {
    return std::nextafter(scale, 0.0f);
  }
  return value;
}

float TRandom::FloatRange(float min, float max) { return min + Float(max - min); }

int32_t TRandom::Int(int32_t n) {
  if (n >= 0) {
    return generator_.IntRange(0, n);
  }
  if (n == -1) {
    return 0;
  }
  // n + 1 is negative and never 0 here; the remainder takes rand()'s sign.
  return std::rand() % (n + 1);
}

// ---------------------------------------------------------------------------

TRandom* GetRandom() {
  auto& random = RandomCell();
  if (!random) {
    random = std::make_unique<TRandom>();
  }
  return random.get();
}

void DestroyRandom() { RandomCell().reset(); }
