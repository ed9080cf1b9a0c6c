// The side registry of the game: how many sides take part in the battle and
// whose turn it is. Every default bit set of the world holds one bit per side.
// Also the snapping of positions to whole numbers that the map designer, the
// path search, the visuals, the events and the turn processing share.
#pragma once

#include <cstdint>

#include "app/vector3.h"

class TSides {
 public:
  static constexpr int32_t kMinSides = 1;
  static constexpr int32_t kMaxSides = 32;
  static constexpr int32_t kDefaultSideCount = 2;

  // The registry, made on first use with side 0 current and two sides.
  static TSides* Instance();
  // Deletes the registry; the next Instance makes a fresh one.
  static void Free();
  // The same as Free.
  static void Destroy();

  int32_t GetSideCount() const { return sideCount_; }
  // Kept within kMinSides..kMaxSides: a bit set word holds at most 32 sides.
  void SetSideCount(int32_t count);
  int32_t GetCurrentSide() const { return currentSide_; }
  void SetCurrentSide(int32_t side) { currentSide_ = side; }

 private:
  TSides() = default;

  int32_t currentSide_ = 0;
  int32_t sideCount_ = kDefaultSideCount;
};

// Each component rounded to the nearest whole number, halves away from zero.
TVector3 RoundVector(const TVector3& position);
