// Compares points within the world's single-precision tolerance.
#pragma once

#include <gtest/gtest.h>

#include "app/vector3.h"

inline constexpr float kPointTolerance = 1e-4f;

inline void ExpectNear(const TVector3& actual, const TVector3& expected) {
  EXPECT_NEAR(actual.x, expected.x, kPointTolerance);
  EXPECT_NEAR(actual.y, expected.y, kPointTolerance);
  EXPECT_NEAR(actual.z, expected.z, kPointTolerance);
}
