#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "display/colour.h"
#include "display/pixel_format.h"

namespace {

TPixelFormat ShiftedR5G6B5() {
  TPixelFormat format;
  format.SetShift(TPixelFormat::kRed, 11);
  format.SetBits(TPixelFormat::kRed, 5);
  format.SetShift(TPixelFormat::kGreen, 5);
  format.SetBits(TPixelFormat::kGreen, 6);
  format.SetShift(TPixelFormat::kBlue, 0);
  format.SetBits(TPixelFormat::kBlue, 5);
  return format;
}

TPixelFormat MaskedA8R8G8B8() {
  TPixelFormat format = TPixelFormat::MaskedX8R8G8B8();
  format.SetMask(TPixelFormat::kAlpha, 0xFF000000u);
  return format;
}

struct ChannelCase {
  uint32_t pixel;
  uint32_t red, green, blue, alpha;
};

TEST(PixelFormat, ChannelsOfA565PixelAndNoAlpha) {
  const TPixelFormat format = ShiftedR5G6B5();
  const ChannelCase cases[] = {
      {0xFFFFu, 31, 63, 31, 0},
      {0xF800u, 31, 0, 0, 0},
      {0x07E0u, 0, 63, 0, 0},
      {0x001Fu, 0, 0, 31, 0},
      {0x8410u, 16, 32, 16, 0},
      // Bits above the channels' widths are not read.
      {0xFFFF0000u | 0x001Fu, 0, 0, 31, 0},
  };
  for (const ChannelCase& c : cases) {
    EXPECT_EQ(format.GetRed(c.pixel), c.red) << std::hex << c.pixel;
    EXPECT_EQ(format.GetGreen(c.pixel), c.green) << std::hex << c.pixel;
    EXPECT_EQ(format.GetBlue(c.pixel), c.blue) << std::hex << c.pixel;
    EXPECT_EQ(format.GetAlpha(c.pixel), c.alpha) << std::hex << c.pixel;
  }
}

TEST(PixelFormat, PackPutsChannelsBackWhereTheGettersTookThem) {
  const TPixelFormat format = ShiftedR5G6B5();
  EXPECT_EQ(format.Pack(31, 63, 31, 0), 0xFFFFu);
  for (uint32_t pixel : {0x0000u, 0x1234u, 0xABCDu, 0xFFFFu}) {
    const uint32_t packed =
        format.Pack(static_cast<uint8_t>(format.GetRed(pixel)), static_cast<uint8_t>(format.GetGreen(pixel)),
                    static_cast<uint8_t>(format.GetBlue(pixel)), static_cast<uint8_t>(format.GetAlpha(pixel)));
    EXPECT_EQ(packed, pixel);
  }
  const TPixelFormat argb = TPixelFormat::ShiftedA8R8G8B8();
  EXPECT_EQ(argb.Pack(0x11, 0x22, 0x33, 0x44), 0x44112233u);
  const TPixelFormat argb16 = TPixelFormat::ShiftedA4R4G4B4();
  EXPECT_EQ(argb16.Pack(0x1, 0x2, 0x3, 0x4), 0x4123u);
}

struct PackColourCase {
  TColour colour;
  uint32_t expected;
};

TEST(PixelFormat, PackColourScalesEachMask) {
  const TPixelFormat format = MaskedA8R8G8B8();
  const PackColourCase cases[] = {
      {TColour(1.0f, 0.0f, 0.0f, 0.0f), 0x00FF0000u},
      {TColour(0.0f, 1.0f, 0.0f, 0.0f), 0x0000FF00u},
      {TColour(0.0f, 0.0f, 1.0f, 1.0f), 0xFF0000FFu},
      {TColour(1.0f, 1.0f, 1.0f, 1.0f), 0xFFFFFFFFu},
      {TColour(0.0f, 0.0f, 0.0f, 0.0f), 0x00000000u},
      // Half a mask, truncated, then kept within the mask.
      {TColour(0.0f, 0.0f, 0.5f, 0.0f), 0x0000007Fu},
  };
  for (const PackColourCase& c : cases) {
    EXPECT_EQ(format.PackColour(c.colour), c.expected) << c.colour.r << "," << c.colour.g << "," << c.colour.b;
  }
  const TPixelFormat rgb565 = TPixelFormat::MaskedR5G6B5();
  EXPECT_EQ(rgb565.PackColour(TColour(1.0f, 1.0f, 1.0f, 1.0f)), 0xFFFFu);
  EXPECT_EQ(rgb565.PackColour(TColour(1.0f, 0.0f, 0.0f, 1.0f)), 0xF800u);
}

TEST(PixelFormat, OutOfRangeComponentsStayInTheirOwnChannel) {
  const TPixelFormat format = TPixelFormat::MaskedR5G6B5();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(format.PackColour(TColour(2.0f, 0.0f, 0.0f, 0.0f)), 0xF800u);
  EXPECT_EQ(format.PackColour(TColour(0.0f, -1.0f, 0.0f, 0.0f)), 0u);
  EXPECT_EQ(format.PackColour(TColour(nan, 0.0f, 1e30f, 0.0f)), 0x001Fu);
}

TEST(PixelFormat, EachHalfOfAFormatAnswersZerosThroughTheOther) {
  const TPixelFormat fresh;
  const TPixelFormat masked = TPixelFormat::MaskedX8R8G8B8();
  const TPixelFormat shifted = TPixelFormat::ShiftedA8R8G8B8();
  for (uint32_t pixel : {0u, 0xFFFFFFFFu, 0x12345678u}) {
    for (const TPixelFormat* format : {&fresh, &masked}) {
      EXPECT_EQ(format->GetRed(pixel), 0u);
      EXPECT_EQ(format->GetGreen(pixel), 0u);
      EXPECT_EQ(format->GetBlue(pixel), 0u);
      EXPECT_EQ(format->GetAlpha(pixel), 0u);
    }
  }
  const TColour white;
  EXPECT_EQ(fresh.PackColour(white), 0u);
  EXPECT_EQ(shifted.PackColour(white), 0u);
  EXPECT_EQ(masked.GetBitsPerPixel(), 32u);
  EXPECT_EQ(TPixelFormat::MaskedR5G6B5().GetBitsPerPixel(), 16u);
}

TEST(PixelFormat, ShiftsBeyondThePixelHoldNothing) {
  TPixelFormat format;
  format.SetShift(TPixelFormat::kRed, 40);
  format.SetBits(TPixelFormat::kRed, 8);
  format.SetBits(TPixelFormat::kGreen, 32);
  EXPECT_EQ(format.GetRed(0xFFFFFFFFu), 0u);
  EXPECT_EQ(format.GetGreen(0xDEADBEEFu), 0xDEADBEEFu);
  EXPECT_EQ(format.Pack(0xFF, 0, 0, 0), 0u);
}

TEST(PixelFormat, MaskShiftAndWidth) {
  struct Case {
    uint32_t mask, shift, width;
  };
  const Case cases[] = {{0xFF000000u, 24, 8}, {0x00FF0000u, 16, 8}, {0x0000FF00u, 8, 8}, {0x000000FFu, 0, 8},
                        {0xF000u, 12, 4},     {0x07E0u, 5, 6},      {0xF800u, 11, 5},     {0x0u, 0, 0},
                        {0x0F0Fu, 0, 4}};
  for (const Case& c : cases) {
    EXPECT_EQ(TPixelFormat::MaskShift(c.mask), c.shift) << std::hex << c.mask;
    EXPECT_EQ(TPixelFormat::MaskWidth(c.mask), c.width) << std::hex << c.mask;
  }
}

}  // namespace
