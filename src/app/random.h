// The one random-number source of the game: a Mersenne twister with the
// MT11213A parameters behind a small singleton. The same seed and the same
// sequence of calls give the same values on every machine, which keeps the
// server, hot-seat and rebuilt games in step.
#pragma once

#include <cstdint>

class TMersenneTwister {
 public:
  static constexpr int32_t kStateSize = 351;

  TMersenneTwister() { Seed(0); }
  explicit TMersenneTwister(uint32_t seed) { Seed(seed); }

  // The first 351 outputs after seeding are the tempered seed words
  // themselves; the state is regenerated only after them.
  void Seed(uint32_t seed);
  uint32_t Next();
  // Next() / 2^32, in [0, 1).
  double NextDouble();
  // Uniform over [min, max]; the smallest int when max < min.
  int32_t IntRange(int32_t min, int32_t max);

 private:
  void Regenerate();

  uint32_t state_[kStateSize] = {};
  int32_t index_ = kStateSize;
  // Where the high word of a double lies: 0 second (little-endian), 1 first,
  // 2 neither (the division is used instead).
  int32_t doubleLayout_ = 0;
};

class TRandom {
 public:
  TRandom();

  // Seeds the generator and the standard library's rand().
  void Seed(uint32_t seed);
  // In [0, scale) for a positive scale.
  float Float(float scale);
  float FloatRange(float min, float max);
  // In [0, n]. For n below -1, rand() % (n + 1) as the game always drew;
  // n = -1 has no values and gives 0.
  int32_t Int(int32_t n);

  TMersenneTwister& GetGenerator() { return generator_; }
  // The value of the last Seed (0 before any).
  uint32_t GetSeed() const { return seed_; }

 private:
  TMersenneTwister generator_;
  uint32_t seed_ = 0;
};

TRandom* GetRandom();
void DestroyRandom();
