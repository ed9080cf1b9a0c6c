#include "world/step_cache.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "world/volume.h"

namespace {

using EAnswer = TStepCache::EAnswer;

constexpr int32_t kWidth = 10;
constexpr int32_t kHeight = 10;

TCompoundVolume Sphere(float radius) {
  TCompoundVolume volume;
  volume.Add(std::make_unique<TSphereVolume>(nullptr, TVector3(0.0f, 0.0f, 0.5f), radius));
  return volume;
}

bool FindStep(TStepCache& cache, const TVector3& from, const TVector3& to, const TCompoundVolume& volume,
              const std::string& access = "0", const TVector3* via = nullptr, uint32_t changes = 1) {
  return cache.Find(from, to, volume, access, via, kWidth, kHeight, changes);
}

// Runs the body on a fresh cache, and again on one held as during a route
// search: the answers must be the same.
template <class TBody>
void HeldAndNot(TBody body) {
  for (const bool held : {false, true}) {
    SCOPED_TRACE(held ? "held" : "not held");
    TStepCache cache;
    if (held) cache.Hold();
    body(cache);
  }
}

TEST(StepCacheTest, OnlyStepsBetweenLatticeNeighboursOnTheMapAreKept) {
  const struct {
    TVector3 from;
    TVector3 to;
    bool kept;
  } cases[] = {
      {{1.0f, 1.0f, 0.0f}, {1.5f, 1.0f, 0.0f}, true},
      {{1.0f, 1.0f, 0.0f}, {0.5f, 0.5f, 0.0f}, true},
      {{9.5f, 9.5f, 0.0f}, {10.0f, 10.0f, 0.0f}, true},
      {{-0.5f, -0.5f, 0.0f}, {-1.0f, -1.0f, 0.0f}, true},
      // Not neighbours, or no step at all.
      {{1.0f, 1.0f, 0.0f}, {2.0f, 1.0f, 0.0f}, false},
      {{1.0f, 1.0f, 0.0f}, {1.0f, 1.0f, 0.0f}, false},
      // Off the lattice (a unit's own position, a Regenerator's entry point).
      {{1.2f, 1.0f, 0.0f}, {1.7f, 1.0f, 0.0f}, false},
      {{1.0f, 1.0f, 0.0f}, {1.5f, 1.25f, 0.0f}, false},
      // A step that climbs or falls.
      {{1.0f, 1.0f, 0.0f}, {1.5f, 1.0f, 0.5f}, false},
      // Beyond what the lattice covers around the map.
      {{-1.5f, 1.0f, 0.0f}, {-1.0f, 1.0f, 0.0f}, false},
      {{11.5f, 1.0f, 0.0f}, {11.0f, 1.0f, 0.0f}, false},
      {{1.0e9f, 1.0f, 0.0f}, {1.0e9f, 1.5f, 0.0f}, false},
  };
  const TCompoundVolume volume = Sphere(0.3f);
  for (const auto& c : cases) {
    TStepCache cache;
    SCOPED_TRACE(testing::Message() << c.from.x << "," << c.from.y << " -> " << c.to.x << "," << c.to.y);
    EXPECT_EQ(FindStep(cache, c.from, c.to, volume), c.kept);
  }
}

TEST(StepCacheTest, AnswersAreKeptPerStepShapeAccessAndIgnoredPoint) {
  HeldAndNot([](TStepCache& cache) {
    const TCompoundVolume small = Sphere(0.3f);
    const TCompoundVolume large = Sphere(0.45f);
    const TVector3 from(2.0f, 2.0f, 0.0f);
    const TVector3 east(2.5f, 2.0f, 0.0f);
    const TVector3 goal(5.0f, 5.0f, 0.0f);
    ASSERT_TRUE(FindStep(cache, from, east, small, "0", &goal));
    EXPECT_EQ(cache.Answer(), EAnswer::kUnknown);
    cache.Remember(false);
    ASSERT_TRUE(FindStep(cache, from, east, small, "0", &goal));
    EXPECT_EQ(cache.Answer(), EAnswer::kBlocked);

    // Anything that may change the answer finds a slot of its own, and the
    // first step keeps its answer after each.
    const TVector3 otherGoal(5.0f, 5.5f, 0.0f);
    const TVector3 north(2.0f, 1.5f, 0.0f);
    const TVector3 fromAbove(2.0f, 2.0f, 0.5f);
    const TVector3 eastAbove(2.5f, 2.0f, 0.5f);
    const struct {
      const char* what;
      TVector3 from;
      TVector3 to;
      const TCompoundVolume* volume;
      std::string access;
      const TVector3* via;
    } others[] = {
        {"larger shape", from, east, &large, "0", &goal},
        {"other access", from, east, &small, "1", &goal},
        {"other goal", from, east, &small, "0", &otherGoal},
        {"no goal", from, east, &small, "0", nullptr},
        {"other direction", from, north, &small, "0", &goal},
        {"reversed", east, from, &small, "0", &goal},
        {"other height", fromAbove, eastAbove, &small, "0", &goal},
    };
    const std::string access = "0";
    for (const auto& other : others) {
      SCOPED_TRACE(other.what);
      ASSERT_TRUE(FindStep(cache, other.from, other.to, *other.volume, other.access, other.via));
      EXPECT_EQ(cache.Answer(), EAnswer::kUnknown);
      ASSERT_TRUE(FindStep(cache, from, east, small, access, &goal));
      EXPECT_EQ(cache.Answer(), EAnswer::kBlocked);
    }

    // The same shape in another volume shares the answers.
    const TCompoundVolume sameShape = Sphere(0.3f);
    ASSERT_TRUE(FindStep(cache, from, east, sameShape, "0", &goal));
    EXPECT_EQ(cache.Answer(), EAnswer::kBlocked);
  });
}

TEST(StepCacheTest, AChangeOfTheGridDropsEveryAnswer) {
  HeldAndNot([](TStepCache& cache) {
    const TCompoundVolume volume = Sphere(0.3f);
    const TVector3 from(2.0f, 2.0f, 0.0f);
    const TVector3 to(2.5f, 2.5f, 0.0f);
    ASSERT_TRUE(FindStep(cache, from, to, volume, "0", nullptr, 7));
    cache.Remember(true);
    ASSERT_TRUE(FindStep(cache, from, to, volume, "0", nullptr, 7));
    EXPECT_EQ(cache.Answer(), EAnswer::kFree);
    ASSERT_TRUE(FindStep(cache, from, to, volume, "0", nullptr, 8));
    EXPECT_EQ(cache.Answer(), EAnswer::kUnknown);
    EXPECT_EQ(cache.LayerCount(), 1u);
  });
}

TEST(StepCacheTest, TheLeastRecentlyUsedCombinationMakesRoomForANewOne) {
  HeldAndNot([](TStepCache& cache) {
    const TCompoundVolume volume = Sphere(0.3f);
    const TVector3 from(2.0f, 2.0f, 0.0f);
    const TVector3 to(2.0f, 2.5f, 0.0f);
    const auto goal = [](std::size_t i) {
      return TVector3(static_cast<float>(i % 10), static_cast<float>(i / 10), 0.0f);
    };
    for (std::size_t i = 0; i < TStepCache::kMaxLayers; ++i) {
      const TVector3 via = goal(i);
      ASSERT_TRUE(FindStep(cache, from, to, volume, "0", &via));
      cache.Remember(true);
    }
    // The first combination is used again; the second is now the oldest.
    const TVector3 first = goal(0);
    ASSERT_TRUE(FindStep(cache, from, to, volume, "0", &first));
    const TVector3 extra(9.5f, 9.5f, 0.0f);
    ASSERT_TRUE(FindStep(cache, from, to, volume, "0", &extra));
    EXPECT_EQ(cache.LayerCount(), TStepCache::kMaxLayers);
    ASSERT_TRUE(FindStep(cache, from, to, volume, "0", &first));
    EXPECT_EQ(cache.Answer(), EAnswer::kFree);
    const TVector3 second = goal(1);
    ASSERT_TRUE(FindStep(cache, from, to, volume, "0", &second));
    EXPECT_EQ(cache.Answer(), EAnswer::kUnknown);
  });
}

TEST(StepCacheTest, OnceEveryHoldIsReleasedAChangedShapeIsNoticed) {
  TStepCache cache;
  TCompoundVolume volume = Sphere(0.3f);
  const TVector3 from(2.0f, 2.0f, 0.0f);
  const TVector3 to(2.5f, 2.0f, 0.0f);
  cache.Hold();
  cache.Hold();
  ASSERT_TRUE(FindStep(cache, from, to, volume));
  cache.Remember(false);
  cache.Release();
  ASSERT_TRUE(FindStep(cache, from, to, volume));
  EXPECT_EQ(cache.Answer(), EAnswer::kBlocked);
  cache.Release();
  // The same volume object, now of another shape.
  volume.DeleteAll();
  volume.Add(std::make_unique<TSphereVolume>(nullptr, TVector3(0.0f, 0.0f, 0.5f), 0.45f));
  ASSERT_TRUE(FindStep(cache, from, to, volume));
  EXPECT_EQ(cache.Answer(), EAnswer::kUnknown);
}

}  // namespace
