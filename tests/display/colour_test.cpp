#include <gtest/gtest.h>

#include <limits>

#include "display/colour.h"

namespace {

struct PackCase {
  float r, g, b, a;
  uint32_t argb, opaque, rgb;
};

TEST(Colour, PackingsTruncateEachChannel) {
  const PackCase cases[] = {
      {1.0f, 0.5f, 0.0f, 1.0f, 0xFFFF7F00u, 0xFFFF7F00u, 0x00007FFFu},
      {0.0f, 0.0f, 1.0f, 0.0f, 0x000000FFu, 0xFF0000FFu, 0x00FF0000u},
      {0.999f, 0.999f, 0.999f, 0.999f, 0xFEFEFEFEu, 0xFFFEFEFEu, 0x00FEFEFEu},
      {0.2f, 0.4f, 0.6f, 0.8f, 0xCC336699u, 0xFF336699u, 0x00996633u},
      {0.0f, 0.0f, 0.0f, 0.0f, 0x00000000u, 0xFF000000u, 0x00000000u},
  };
  for (const PackCase& c : cases) {
    EXPECT_EQ(TColour::PackARGB(c.r, c.g, c.b, c.a), c.argb) << c.r << "," << c.g << "," << c.b;
    EXPECT_EQ(TColour(c.r, c.g, c.b, c.a).ToARGB(), c.argb);
    EXPECT_EQ(TColour::PackOpaque(c.r, c.g, c.b), c.opaque);
    EXPECT_EQ(TColour::PackRGB(c.r, c.g, c.b), c.rgb);
  }
}

TEST(Colour, OutOfRangeChannelsAreClampedBeforePacking) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(TColour::PackARGB(1.5f, -0.5f, 2.0f, 1e20f), 0xFFFF00FFu);
  EXPECT_EQ(TColour::PackOpaque(nan, 3.0f, -3.0f), 0xFF00FF00u);
  EXPECT_EQ(TColour::PackRGB(-1.0f, 0.0f, 7.0f), 0x00FF0000u);
}

TEST(Colour, DefaultIsOpaqueWhiteAndCopiesAreIndependent) {
  const TColour white;
  EXPECT_EQ(white, TColour(1.0f, 1.0f, 1.0f, 1.0f));
  TColour colour(0.1f, 0.2f, 0.3f, 0.4f);
  TColour copy(colour);
  colour.Set(0.5f, 0.6f, 0.7f, 0.8f);
  EXPECT_EQ(copy, TColour(0.1f, 0.2f, 0.3f, 0.4f));
  copy.Assign(colour);
  EXPECT_FLOAT_EQ(copy.GetR(), 0.5f);
  EXPECT_FLOAT_EQ(copy.GetG(), 0.6f);
  EXPECT_FLOAT_EQ(copy.GetB(), 0.7f);
  EXPECT_FLOAT_EQ(copy.GetA(), 0.8f);
}

struct ScaleCase {
  TColour colour;
  float factor;
  TColour expected;
};

TEST(Colour, ScaledMultipliesRgbCapsAtOneAndKeepsAlpha) {
  const ScaleCase cases[] = {
      {TColour(0.9f, 0.6f, 0.3f, 0.5f), 0.33f, TColour(0.297f, 0.198f, 0.099f, 0.5f)},
      {TColour(0.9f, 0.2f, 0.0f, 1.0f), 2.0f, TColour(1.0f, 0.4f, 0.0f, 1.0f)},
      {TColour(0.5f, 0.25f, 1.0f, 0.3f), 2.0f, TColour(1.0f, 0.5f, 1.0f, 0.3f)},
      // Products at or below 1.0 stay, negative ones included.
      {TColour(0.5f, 0.2f, 0.1f, 0.7f), -1.0f, TColour(-0.5f, -0.2f, -0.1f, 0.7f)},
  };
  for (const ScaleCase& c : cases) {
    const std::unique_ptr<TColour> scaled = c.colour.Scaled(c.factor);
    ASSERT_NE(scaled, nullptr);
    EXPECT_NEAR(scaled->r, c.expected.r, 1e-6f);
    EXPECT_NEAR(scaled->g, c.expected.g, 1e-6f);
    EXPECT_NEAR(scaled->b, c.expected.b, 1e-6f);
    EXPECT_FLOAT_EQ(scaled->a, c.expected.a);
  }
}

struct ParseCase {
  const char* text;
  TColour expected;
};

TEST(Colour, ParseReadsFourTrimmedFields) {
  const ParseCase cases[] = {
      {"0.25,0.5,0.75,1", TColour(0.25f, 0.5f, 0.75f, 1.0f)},
      {"0.25, 0.5,\t0.75 , 1", TColour(0.25f, 0.5f, 0.75f, 1.0f)},
      // Empty fields do not keep their place.
      {"0.25,,0.5,0.75,1", TColour(0.25f, 0.5f, 0.75f, 1.0f)},
      // Missing and non-numeric fields read 0.
      {"0.5,0.5", TColour(0.5f, 0.5f, 0.0f, 0.0f)},
      {"red,0.5,x,1", TColour(0.0f, 0.5f, 0.0f, 1.0f)},
      {"", TColour(0.0f, 0.0f, 0.0f, 0.0f)},
  };
  for (const ParseCase& c : cases) {
    TColour colour;
    colour.Parse(c.text);
    EXPECT_EQ(colour, c.expected) << c.text;
  }
}

}  // namespace
