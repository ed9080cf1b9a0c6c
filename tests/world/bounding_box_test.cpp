#include "world/bounding_box.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <vector>

#include "app/data_stream.h"
#include "display/colour.h"
#include "support/vector_expect.h"

namespace {

void AppendU32(std::vector<uint8_t>& bytes, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
}

TDataStream StreamOf(const char* tag, const std::vector<uint8_t>& body) {
  TDataStream stream(tag);
  stream.Body() = body;
  stream.Rewind();
  return stream;
}

TEST(BoundingBoxTest, CornersAreSortedPerAxis) {
  const TBoundingBox box(TVector3(3.0f, -1.0f, 2.0f), TVector3(1.0f, 4.0f, -2.0f));
  EXPECT_EQ(box.Min(), TVector3(1.0f, -1.0f, -2.0f));
  EXPECT_EQ(box.Max(), TVector3(3.0f, 4.0f, 2.0f));
  EXPECT_FLOAT_EQ(box.Extent(0), 2.0f);
  EXPECT_FLOAT_EQ(box.Extent(1), 5.0f);
  EXPECT_FLOAT_EQ(box.Extent(2), 4.0f);
  TVector3 centre;
  box.Centre(centre);
  EXPECT_EQ(centre, TVector3(2.0f, 1.5f, 0.0f));
  TVector3 offset;
  box.OffsetFromMin(TVector3(2.0f, 0.0f, 1.0f), offset);
  EXPECT_EQ(offset, TVector3(1.0f, 1.0f, 3.0f));
}

TEST(BoundingBoxTest, ContainsWithATenThousandthOfTheExtent) {
  const TBoundingBox box(TVector3(0.0f, 0.0f, 0.0f), TVector3(10.0f, 20.0f, 1.0f));
  const struct {
    TVector3 point;
    bool inside;
  } cases[] = {
      {TVector3(10.0f, 20.0f, 1.0f), true},          // the max corner
      {TVector3(0.0f, 0.0f, 0.0f), true},            // the min corner
      {TVector3(10.0005f, 5.0f, 0.5f), true},        // within 10 / 10000 on x
      {TVector3(-0.0009f, 20.0019f, 1.00009f), true},  // within on every axis
      {TVector3(10.002f, 5.0f, 0.5f), false},
      {TVector3(5.0f, 20.003f, 0.5f), false},
      {TVector3(5.0f, 5.0f, -0.001f), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(box.Contains(c.point), c.inside) << c.point.x << " " << c.point.y << " " << c.point.z;
  }
}

TEST(BoundingBoxTest, EqualCornersContainOnlyThatPoint) {
  const TVector3 corner(2.0f, 3.0f, 0.0f);
  const TBoundingBox box(corner, corner);
  EXPECT_TRUE(box.Contains(corner));
  EXPECT_FALSE(box.Contains(TVector3(2.0001f, 3.0f, 0.0f)));
  EXPECT_FALSE(box.Contains(TVector3(2.0f, 3.0f, -0.0001f)));
}

TEST(BoundingBoxTest, ContainsWithRadiusLooksAtTheGroundOnly) {
  const TBoundingBox box(TVector3(0.0f, 0.0f, 0.0f), TVector3(4.0f, 4.0f, 1.0f));
  const struct {
    TVector3 point;
    float radius;
    bool overlaps;
  } cases[] = {
      {TVector3(5.0f, 2.0f, 0.0f), 1.0f, true},
      {TVector3(5.0f, 2.0f, 0.0f), 0.9f, false},
      {TVector3(2.0f, -0.5f, 0.0f), 0.5f, true},
      {TVector3(2.0f, 2.0f, 50.0f), 0.0f, true},  // height is not asked
      {TVector3(-2.0f, 2.0f, 0.0f), 1.0f, false},
  };
  for (const auto& c : cases) EXPECT_EQ(box.ContainsWithRadius(c.point, c.radius), c.overlaps) << c.point.x;
}

TEST(BoundingBoxTest, ContainsBoxWithAMargin) {
  const TBoundingBox outer(TVector3(0.0f, 0.0f, 0.0f), TVector3(10.0f, 10.0f, 10.0f));
  const TBoundingBox inner(TVector3(1.0f, 1.0f, 1.0f), TVector3(9.0f, 9.0f, 9.0f));
  const TBoundingBox over(TVector3(-0.5f, 1.0f, 1.0f), TVector3(9.0f, 10.5f, 9.0f));
  EXPECT_TRUE(outer.ContainsBox(inner, 0.0f));
  EXPECT_TRUE(outer.ContainsBox(outer, 0.0f));
  EXPECT_FALSE(outer.ContainsBox(over, 0.4f));
  EXPECT_TRUE(outer.ContainsBox(over, 0.5f));
  EXPECT_FALSE(inner.ContainsBox(outer, 0.0f));
}

TEST(BoundingBoxTest, ExtendGrowsOnTheGroundOnly) {
  TBoundingBox box(TVector3(0.0f, 0.0f, 0.0f), TVector3(1.0f, 1.0f, 1.0f));
  box.Extend(TVector3(-2.0f, 3.0f, 5.0f));
  EXPECT_EQ(box.Min(), TVector3(-2.0f, 0.0f, 0.0f));
  EXPECT_EQ(box.Max(), TVector3(1.0f, 3.0f, 1.0f));
  box.Translate(TVector3(1.0f, 1.0f, 1.0f));
  EXPECT_EQ(box.Min(), TVector3(-1.0f, 1.0f, 1.0f));
  EXPECT_EQ(box.Max(), TVector3(2.0f, 4.0f, 2.0f));
}

TEST(BoundingBoxTest, RotationAboutTheVerticalKeepsMinBelowMax) {
  TMatrix3 quarter;
  EXPECT_FLOAT_EQ(quarter.At(0, 0), 1.0f);
  EXPECT_FLOAT_EQ(quarter.At(0, 1), 0.0f);
  quarter.RotationZ(std::numbers::pi_v<float> / 2.0f);
  TBoundingBox box(TVector3(1.0f, 0.0f, 0.0f), TVector3(3.0f, 1.0f, 2.0f));
  box.Rotate(quarter);
  ExpectNear(box.Min(), TVector3(-1.0f, 1.0f, 0.0f));
  ExpectNear(box.Max(), TVector3(0.0f, 3.0f, 2.0f));

  // An eighth of a turn: the box grows to hold every turned corner.
  TMatrix3 eighth;
  TBoundingBox square(TVector3(-1.0f, -1.0f, 0.0f), TVector3(1.0f, 1.0f, 0.0f));
  TVector3 corner(1.0f, 1.0f, 0.0f);
  eighth.Apply(std::numbers::pi_v<float> / 4.0f, corner);
  ExpectNear(corner, TVector3(0.0f, std::sqrt(2.0f), 0.0f));
  square.Rotate(eighth);
  ExpectNear(square.Min(), TVector3(-std::sqrt(2.0f), -std::sqrt(2.0f), 0.0f));
  ExpectNear(square.Max(), TVector3(std::sqrt(2.0f), std::sqrt(2.0f), 0.0f));
}

TEST(BoundingBoxTest, GridWalkGoesAlongXThenYThenZ) {
  TBoundingBox box(TVector3(0.0f, 0.0f, 0.0f), TVector3(1.0f, 1.0f, 0.0f));
  box.SetSpacing(5000.0f);
  const std::vector<TVector3> expected = {
      {0.0f, 0.0f, 0.0f}, {0.5f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 0.5f, 0.0f}, {0.5f, 0.5f, 0.0f},
      {1.0f, 0.5f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.5f, 1.0f, 0.0f}, {1.0f, 1.0f, 0.0f},
  };
  for (const TVector3& point : expected) {
    const TVector3* next = box.NextGridPoint();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(*next, point);
  }
  EXPECT_EQ(box.NextGridPoint(), nullptr);
  // A finished walk starts again from the min corner.
  const TVector3* again = box.NextGridPoint();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(*again, box.Min());
}

TEST(BoundingBoxTest, GridWalkStopsARowWhenLessThanAStepIsLeft) {
  TBoundingBox box(TVector3(0.0f, 0.0f, 0.0f), TVector3(1.0f, 0.0f, 1.0f));
  box.SetSpacing(4000.0f);  // step 0.4: 0, 0.4, 0.8; from 0.8 a step would pass the max
  std::vector<TVector3> points;
  while (const TVector3* next = box.NextGridPoint()) points.push_back(*next);
  ASSERT_EQ(points.size(), 9u);
  ExpectNear(points[2], TVector3(0.8f, 0.0f, 0.0f));
  ExpectNear(points[3], TVector3(0.0f, 0.0f, 0.4f));
  ExpectNear(points[8], TVector3(0.8f, 0.0f, 0.8f));
}

TEST(BoundingBoxTest, SpacingChangeRestartsTheWalk) {
  TBoundingBox box(TVector3(0.0f, 0.0f, 0.0f), TVector3(2.0f, 0.0f, 0.0f));
  box.SetSpacing(10000.0f);
  box.NextGridPoint();
  box.NextGridPoint();
  box.SetSpacing(20000.0f);
  std::vector<TVector3> points;
  while (const TVector3* next = box.NextGridPoint()) points.push_back(*next);
  EXPECT_EQ(points, (std::vector<TVector3>{{0.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 0.0f}}));
}

TEST(BoundingBoxTest, WalkWithoutAPositiveStepGivesTheMinCornerOnly) {
  for (const float spacing : {0.0f, -5000.0f}) {
    TBoundingBox box(TVector3(1.0f, 2.0f, 0.0f), TVector3(3.0f, 4.0f, 0.0f));
    box.SetSpacing(spacing);
    const TVector3* first = box.NextGridPoint();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(*first, TVector3(1.0f, 2.0f, 0.0f));
    EXPECT_EQ(box.NextGridPoint(), nullptr) << spacing;
  }
}

TEST(BoundingBoxTest, WalkFarFromTheOriginStillEnds) {
  // The step is lost in rounding at this distance; each row must still end.
  TBoundingBox box(TVector3(1.0e8f, 0.0f, 0.0f), TVector3(1.0e8f + 64.0f, 0.0f, 0.0f));
  box.SetSpacing(1.0f);
  std::vector<TVector3> points;
  while (const TVector3* next = box.NextGridPoint()) points.push_back(*next);
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(points.back(), box.Max());
}

TEST(BoundingBoxTest, CopyKeepsTheWalkPosition) {
  TBoundingBox box(TVector3(0.0f, 0.0f, 0.0f), TVector3(1.0f, 0.0f, 0.0f));
  box.SetSpacing(5000.0f);
  box.NextGridPoint();
  TBoundingBox copy(box);
  ASSERT_NE(copy.NextGridPoint(), nullptr);
  EXPECT_EQ(*copy.NextGridPoint(), TVector3(1.0f, 0.0f, 0.0f));
  TBoundingBox assigned{TVector3(), TVector3()};
  assigned = box;
  EXPECT_EQ(*assigned.NextGridPoint(), TVector3(0.5f, 0.0f, 0.0f));
  EXPECT_EQ(*box.NextGridPoint(), TVector3(0.5f, 0.0f, 0.0f));  // the original walks on its own
}

TEST(BoundingBoxTest, SaveCarriesThePointCountBelowVersion1059) {
  const TBoundingBox box(TVector3(1.0f, 2.0f, 3.0f), TVector3(4.0f, 5.0f, 6.0f));
  const struct {
    const char* tag;
    std::size_t bytes;
  } cases[] = {{"Vorhelm-1-05", 32}, {"Vorhelm-1-059", 24}, {"Vorhelm-3-10", 24}};
  for (const auto& c : cases) {
    TDataStream stream(c.tag);
    box.Save(stream);
    ASSERT_EQ(stream.Body().size(), c.bytes) << c.tag;
    if (c.bytes == 32) {
      stream.Rewind();
      EXPECT_EQ(stream.ReadInt(), 3u);
      stream.Seek(16);
      EXPECT_EQ(stream.ReadInt(), 3u);
    }
    stream.Rewind();
    const TBoundingBox loaded(stream);
    EXPECT_FALSE(stream.HasFailed());
    EXPECT_EQ(loaded.Min(), box.Min()) << c.tag;
    EXPECT_EQ(loaded.Max(), box.Max()) << c.tag;
  }
}

TEST(BoundingBoxTest, LoadedCornersAreSorted) {
  TDataStream stream("Vorhelm-3-10");
  TVector3(5.0f, 0.0f, 1.0f).Write(stream);
  TVector3(1.0f, 2.0f, 0.0f).Write(stream);
  stream.Rewind();
  const TBoundingBox box(stream);
  EXPECT_EQ(box.Min(), TVector3(1.0f, 0.0f, 0.0f));
  EXPECT_EQ(box.Max(), TVector3(5.0f, 2.0f, 1.0f));
}

TAreaList TwoAreas() {
  TAreaList list;
  list.Add(std::make_unique<TBoundingBox>(TVector3(0.0f, 0.0f, 0.0f), TVector3(2.0f, 2.0f, 1.0f)));
  list.Add(std::make_unique<TBoundingBox>(TVector3(1.0f, 1.0f, 0.0f), TVector3(5.0f, 5.0f, 1.0f)));
  return list;
}

TEST(AreaListTest, FindContainingGivesTheFirstHoldingBox) {
  TAreaList list = TwoAreas();
  EXPECT_EQ(list.FindContaining(TVector3(1.5f, 1.5f, 0.5f)), list.At(0));
  EXPECT_EQ(list.FindContaining(TVector3(4.0f, 4.0f, 0.5f)), list.At(1));
  EXPECT_EQ(list.FindContaining(TVector3(9.0f, 9.0f, 0.5f)), nullptr);

  EXPECT_TRUE(list.Remove(list.At(0)));
  EXPECT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.FindContaining(TVector3(1.5f, 1.5f, 0.5f)), list.At(0));
  const TBoundingBox stranger{TVector3(), TVector3()};
  EXPECT_FALSE(list.Remove(&stranger));
  list.Clear();
  EXPECT_EQ(list.Count(), 0u);
}

TEST(AreaListTest, SaveAndLoadRoundTrip) {
  for (const char* tag : {"Vorhelm-1-05", "Vorhelm-3-10"}) {
    const TAreaList source = TwoAreas();
    TDataStream stream(tag);
    source.Save(stream);
    stream.Rewind();
    TAreaList loaded;
    loaded.Add(std::make_unique<TBoundingBox>(TVector3(), TVector3()));  // replaced by the load
    ASSERT_TRUE(loaded.Load(stream)) << tag;
    EXPECT_EQ(stream.Remaining(), 0u);
    ASSERT_EQ(loaded.Count(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
      EXPECT_EQ(loaded.At(i)->Min(), source.At(i)->Min()) << tag;
      EXPECT_EQ(loaded.At(i)->Max(), source.At(i)->Max()) << tag;
    }
    EXPECT_EQ(loaded.FindContaining(TVector3(4.0f, 4.0f, 0.5f)), loaded.At(1));
  }
}

TEST(AreaListTest, BadCountFailsAndLeavesTheListEmpty) {
  const struct {
    const char* tag;
    uint32_t count;
    std::size_t bytesAfter;
  } cases[] = {
      {"Vorhelm-3-10", 0xFFFFFFFFu, 48},  // negative
      {"Vorhelm-3-10", 0x80000000u, 48},  // negative
      {"Vorhelm-3-10", 3, 48},            // two boxes' worth
      {"Vorhelm-3-10", 2, 47},            // one byte short
      {"Vorhelm-1-05", 2, 48},            // old boxes are 32 bytes each
      {"Vorhelm-3-10", 0x7FFFFFFFu, 64},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> body;
    AppendU32(body, c.count);
    body.resize(body.size() + c.bytesAfter, 0);
    TDataStream stream = StreamOf(c.tag, body);
    TAreaList list = TwoAreas();
    EXPECT_FALSE(list.Load(stream)) << c.tag << " " << c.count;
    EXPECT_TRUE(stream.HasFailed());
    EXPECT_EQ(list.Count(), 0u);
  }
}

TEST(AreaListTest, EmptyListAndTruncatedCount) {
  TDataStream empty = StreamOf("Vorhelm-3-10", {0, 0, 0, 0});
  TAreaList list;
  EXPECT_TRUE(list.Load(empty));
  EXPECT_EQ(list.Count(), 0u);

  TDataStream truncated = StreamOf("Vorhelm-3-10", {1, 0});
  EXPECT_FALSE(list.Load(truncated));
  EXPECT_TRUE(truncated.HasFailed());
}

TEST(AreaListTest, ColourIsReplaced) {
  TAreaList list;
  EXPECT_EQ(list.GetColour(), nullptr);
  list.SetColour(std::make_unique<TColour>(1.0f, 0.0f, 0.0f, 1.0f));
  list.SetColour(std::make_unique<TColour>(0.0f, 1.0f, 0.0f, 0.5f));
  ASSERT_NE(list.GetColour(), nullptr);
  EXPECT_FLOAT_EQ(list.GetColour()->g, 1.0f);
  EXPECT_FLOAT_EQ(list.GetColour()->a, 0.5f);
}

}  // namespace
