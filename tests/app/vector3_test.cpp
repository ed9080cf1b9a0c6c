#include "app/vector3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/data_stream.h"
#include "display/map_view.h"

namespace {

TEST(Vector3Test, Constructors) {
  const float values[3] = {1.5f, -2.0f, 3.25f};
  EXPECT_EQ(TVector3(values), TVector3(1.5f, -2.0f, 3.25f));
  const TVector3 copy(TVector3(4.0f, 5.0f, 6.0f));
  EXPECT_EQ(copy, TVector3(4.0f, 5.0f, 6.0f));
  EXPECT_EQ(TVector3(), TVector3(0.0f, 0.0f, 0.0f));
}

TEST(Vector3Test, Arithmetic) {
  TVector3 v(1.0f, -2.0f, 4.0f);
  v.Scale(2.0f);
  EXPECT_EQ(v, TVector3(2.0f, -4.0f, 8.0f));
  v.Divide(4.0f);
  EXPECT_EQ(v, TVector3(0.5f, -1.0f, 2.0f));
  v.Add(TVector3(0.5f, 1.0f, -2.0f));
  EXPECT_EQ(v, TVector3(1.0f, 0.0f, 0.0f));

  EXPECT_FLOAT_EQ(TVector3(3.0f, 4.0f, 12.0f).Length(), 13.0f);
  EXPECT_FLOAT_EQ(TVector3(1.0f, 1.0f, 1.0f).DistanceTo(TVector3(4.0f, 5.0f, 1.0f)), 5.0f);
}

TEST(Vector3Test, Normalise) {
  TVector3 v(0.0f, 3.0f, 4.0f);
  TVector3& result = v.Normalise();
  EXPECT_EQ(&result, &v);
  EXPECT_FLOAT_EQ(v.y, 0.6f);
  EXPECT_FLOAT_EQ(v.z, 0.8f);
  EXPECT_FLOAT_EQ(v.Length(), 1.0f);

  TVector3 zero;
  zero.Normalise();
  EXPECT_EQ(zero, TVector3());
}

TEST(Vector3Test, RoundComponent) {
  struct Case {
    float value;
    int32_t rounded;
  };
  const Case cases[] = {{2.5f, 3}, {-2.5f, -2}, {2.49f, 2}, {-2.51f, -3}, {0.0f, 0}, {-0.4f, 0}, {7.0f, 7}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const TVector3 v(c.value, c.value, c.value);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(v.RoundComponent(i), c.rounded);
  }
  const TVector3 v(1.0f, 2.0f, 3.0f);
  EXPECT_EQ(v.RoundComponent(1), 2);
  EXPECT_EQ(v.RoundComponent(2), 3);
  EXPECT_EQ(TVector3(1e20f, -1e20f, std::numeric_limits<float>::quiet_NaN()).RoundComponent(0),
            std::numeric_limits<int32_t>::max());
  EXPECT_EQ(TVector3(1e20f, -1e20f, 0.0f).RoundComponent(1), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(TVector3(0.0f, 0.0f, std::numeric_limits<float>::quiet_NaN()).RoundComponent(2), 0);
}

TEST(Vector3Test, DirectionIndex) {
  struct Case {
    const char* what;
    TVector3 point;
    int32_t sectors;
    int32_t index;
  };
  const TVector3 origin(10.0f, 10.0f, 0.0f);
  const Case cases[] = {
      {"along +y", {10.0f, 15.0f, 0.0f}, 8, 0},
      {"just short of a full turn", {9.999f, 15.0f, 0.0f}, 4, 0},
      {"quarter turn", {15.0f, 10.0f, 0.0f}, 4, 1},
      {"half turn", {10.0f, 5.0f, 0.0f}, 4, 2},
      {"three quarters", {5.0f, 10.0f, 0.0f}, 4, 3},
      {"diagonal of eight", {11.0f, 11.0f, 0.0f}, 8, 1},
      {"height ignored", {10.0f, 11.0f, 50.0f}, 8, 0},
      {"equal points", {10.0f, 10.0f, 3.0f}, 8, 0},
      {"no sectors", {15.0f, 10.0f, 0.0f}, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.point.DirectionIndex(origin, c.sectors), c.index);
  }
}

TEST(Vector3Test, OctileDistance) {
  EXPECT_FLOAT_EQ(TVector3(0.0f, 0.0f, 0.0f).OctileDistance(TVector3(3.0f, 1.0f, 0.0f)), std::sqrt(2.0f) + 2.0f);
  EXPECT_FLOAT_EQ(TVector3(3.0f, 1.0f, 9.0f).OctileDistance(TVector3(0.0f, 0.0f, 0.0f)), std::sqrt(2.0f) + 2.0f);
  EXPECT_FLOAT_EQ(TVector3(0.0f, 0.0f, 0.0f).OctileDistance(TVector3(-2.0f, 2.0f, 0.0f)), 2.0f * std::sqrt(2.0f));
  EXPECT_FLOAT_EQ(TVector3(1.0f, 1.0f, 0.0f).OctileDistance(TVector3(1.0f, 6.0f, 0.0f)), 5.0f);
}

TEST(Vector3Test, NeighboursOrderAndRounding) {
  const std::vector<TVector3> points = TVector3(2.4f, -1.5f, 7.0f).Neighbours();
  // x rounds to 2, y (a negative half) to -2.
  const std::vector<TVector3> expected = {
      {1.0f, -3.0f, 7.0f}, {1.0f, -2.0f, 7.0f}, {1.0f, -1.0f, 7.0f}, {2.0f, -3.0f, 7.0f},
      {2.0f, -1.0f, 7.0f}, {3.0f, -3.0f, 7.0f}, {3.0f, -2.0f, 7.0f}, {3.0f, -1.0f, 7.0f},
  };
  EXPECT_EQ(points, expected);
  EXPECT_EQ(TVector3(0.5f, 0.49f, 0.0f).Neighbours()[1], TVector3(0.0f, 0.0f, 0.0f));
}

TEST(Vector3Test, StreamFormByVersion) {
  struct Case {
    const char* tag;
    std::size_t bytes;
  };
  const Case cases[] = {{"Vorhelm-1-058", 16}, {"Vorhelm-1-0", 16}, {"Vorhelm-1-059", 12}, {"Vorhelm-3-10", 12}};
  const TVector3 point(1.5f, -2.25f, 8.0f);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    TDataStream stream(c.tag);
    point.Write(stream);
    ASSERT_EQ(stream.Body().size(), c.bytes);
    stream.Rewind();
    if (c.bytes == 16) {
      EXPECT_EQ(stream.ReadInt(), 3u);
      stream.Rewind();
    }
    EXPECT_EQ(TVector3(stream), point);
    EXPECT_FALSE(stream.HasFailed());
  }
}

TEST(Vector3Test, FloatsAreWrittenAsTheirBitPattern) {
  TDataStream stream("Vorhelm-3-10");
  TVector3(1.0f, -2.0f, 0.5f).Write(stream);
  const std::vector<uint8_t> expected = {0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x3F};
  EXPECT_EQ(stream.Body(), expected);
}

TEST(Vector3Test, ReadingATruncatedStreamFails) {
  TDataStream stream("Vorhelm-3-10");
  stream.WriteFloat(1.0f);
  stream.Rewind();
  TVector3 v(5.0f, 5.0f, 5.0f);
  v.Read(stream);
  EXPECT_EQ(v, TVector3(1.0f, 0.0f, 0.0f));
  EXPECT_TRUE(stream.HasFailed());
}

TEST(Vector3Test, ScreenProjections) {
  struct Case {
    TVector3 point;
    float zoom;
    int32_t x, y, centreX, centreY;
  };
  const Case cases[] = {
      {{0.0f, 0.0f, 0.0f}, 1.0f, 0, 16, -31, -47},
      {{1.0f, 0.0f, 0.0f}, 1.0f, 32, 32, 0, -31},
      {{2.0f, 5.0f, 1.0f}, 1.0f, -95, 88, -127, 24},
      {{1.0f, 0.0f, 0.0f}, 2.0f, 64, 64, 1, -63},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.point.x << "," << c.point.y << "," << c.point.z << " zoom " << c.zoom);
    EXPECT_EQ(c.point.ScreenX(c.zoom), c.x);
    EXPECT_EQ(c.point.ScreenY(c.zoom), c.y);
    EXPECT_EQ(c.point.ScreenCentreX(c.zoom), c.centreX);
    EXPECT_EQ(c.point.ScreenCentreY(c.zoom), c.centreY);
  }
}

TEST(Vector3Test, ScreenProjectionsUseTheMapZoom) {
  ASSERT_FALSE(TMapView::Exists());
  const TVector3 point(2.0f, 5.0f, 1.0f);
  EXPECT_EQ(point.ScreenX(), point.ScreenX(CurrentMapZoom()));
  EXPECT_EQ(point.ScreenY(), 88);
  EXPECT_EQ(point.ScreenCentreX(), -127);
  EXPECT_EQ(point.ScreenCentreY(), 24);
}

// The angle at a point between the directions to two others, whatever
// their distances.
TEST(Vector3Test, AngleAtAPoint) {
  const TVector3 from(1.0f, 1.0f, 0.0f);
  const struct {
    TVector3 a, b;
    float angle;
  } cases[] = {
      {TVector3(5.0f, 1.0f, 0.0f), TVector3(2.0f, 1.0f, 0.0f), 0.0f},
      {TVector3(5.0f, 1.0f, 0.0f), TVector3(1.0f, 3.0f, 0.0f), 1.5707963f},
      {TVector3(5.0f, 1.0f, 0.0f), TVector3(-2.0f, 1.0f, 0.0f), 3.1415927f},
      {TVector3(2.0f, 2.0f, 0.0f), TVector3(9.0f, 1.0f, 0.0f), 0.7853982f},
      {TVector3(1.0f, 1.0f, 4.0f), TVector3(1.0f, 7.0f, 0.0f), 1.5707963f},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(AngleAt(from, c.a, c.b), c.angle, 1e-5f);
    EXPECT_NEAR(AngleAt(from, c.b, c.a), c.angle, 1e-5f);
  }
}

}  // namespace
