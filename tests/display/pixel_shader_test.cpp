#include <gtest/gtest.h>

#include <memory>

#include "display/image/pixel_shader.h"

namespace {

uint32_t Argb32(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return (a << 24) | (r << 16) | (g << 8) | b; }

uint16_t Argb16(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return static_cast<uint16_t>((a << 12) | (r << 8) | (g << 4) | b);
}

struct Shade32Case {
  uint32_t in;
  uint32_t out;
};

TEST(ColourSwapper, ExchangesRedAndBlueButKeepsTheKeyColour) {
  const TColourSwapper swapper;
  const Shade32Case cases[] = {
      {Argb32(0, 255, 0, 0), Argb32(0, 0, 0, 255)},
      {Argb32(0, 0, 0, 255), Argb32(0, 0, 0, 255)},      // the key stays blue
      {Argb32(255, 0, 0, 255), Argb32(255, 255, 0, 0)},  // opaque blue is no key
      {Argb32(0, 0, 1, 255), Argb32(0, 255, 1, 0)},      // nor is blue with green
      {Argb32(0x80, 0x12, 0x34, 0x56), Argb32(0x80, 0x56, 0x34, 0x12)},
  };
  for (const Shade32Case& c : cases) EXPECT_EQ(swapper.ShadePixel32(c.in), c.out) << std::hex << c.in;

  EXPECT_EQ(swapper.ShadePixel16(Argb16(0, 0, 0, 15)), Argb16(0, 0, 0, 15));
  EXPECT_EQ(swapper.ShadePixel16(Argb16(0, 15, 0, 0)), Argb16(0, 0, 0, 15));
  EXPECT_EQ(swapper.ShadePixel16(Argb16(15, 0, 0, 15)), Argb16(15, 15, 0, 0));
  EXPECT_EQ(swapper.ShadePixel16(Argb16(3, 1, 2, 4)), Argb16(3, 4, 2, 1));
}

TEST(OverlayShader, PullsDarkPixelsTowardsTheColour) {
  const TOverlayShader defaultOverlay;
  EXPECT_EQ(defaultOverlay.GetColour(), TColour(0.0f, 1.0f, 1.0f, 1.0f));
  // Darkness 765 - 350 = 415: green and blue scaled by 350 / 765.
  EXPECT_EQ(defaultOverlay.ShadePixel32(Argb32(7, 200, 100, 50)), Argb32(7, 200, 45, 22));
  // White has no darkness.
  EXPECT_EQ(defaultOverlay.ShadePixel32(Argb32(255, 255, 255, 255)), Argb32(255, 255, 255, 255));
  // Any channel at 16 or below leaves the pixel alone.
  for (uint32_t pixel : {Argb32(0, 16, 200, 200), Argb32(0, 200, 16, 200), Argb32(0, 200, 200, 0)}) {
    EXPECT_EQ(defaultOverlay.ShadePixel32(pixel), pixel);
  }
  const TOverlayShader red(TColour(1.0f, 0.0f, 0.0f, 0.0f));
  // Darkness 765 - 60 = 705: red times 60 / 765 = 1.57 -> 1.
  EXPECT_EQ(red.ShadePixel32(Argb32(0, 20, 20, 20)), Argb32(0, 1, 20, 20));
}

TEST(OverlayShader, SixteenBitPixelsUseFourBitChannels) {
  const TOverlayShader overlay;
  // Darkness 45 - 21 = 24: green 6 * 21 / 45 = 2.8 -> 2, blue 5 * 21 / 45 = 2.33 -> 2.
  EXPECT_EQ(overlay.ShadePixel16(Argb16(9, 10, 6, 5)), Argb16(9, 10, 2, 2));
  EXPECT_EQ(overlay.ShadePixel16(Argb16(0, 15, 15, 15)), Argb16(0, 15, 15, 15));
  // A channel at 0 leaves the pixel alone; 1 does not.
  EXPECT_EQ(overlay.ShadePixel16(Argb16(0, 0, 8, 8)), Argb16(0, 0, 8, 8));
  EXPECT_NE(overlay.ShadePixel16(Argb16(0, 1, 8, 8)), Argb16(0, 1, 8, 8));
}

TEST(OverlayShader, ABlackOverlayChangesNothing) {
  const TOverlayShader black(TColour(0.0f, 0.0f, 0.0f, 1.0f));
  for (uint32_t pixel : {Argb32(0, 17, 17, 17), Argb32(0xFF, 200, 100, 50), Argb32(0x10, 128, 64, 255)}) {
    EXPECT_EQ(black.ShadePixel32(pixel), pixel) << std::hex << pixel;
  }
  for (uint16_t pixel : {Argb16(0, 1, 1, 1), Argb16(15, 9, 3, 7)}) EXPECT_EQ(black.ShadePixel16(pixel), pixel);
}

TEST(OverlayShader, ColoursOutsideTheRangeStayWithinEachChannel) {
  const TOverlayShader wild(TColour(-4.0f, 0.0f, 0.0f, 1.0f));
  // Red would grow to 20 * (765 + 4 * 705) / 765 = 93; the other channels
  // must not change.
  const uint32_t shaded = wild.ShadePixel32(Argb32(0x33, 20, 20, 20));
  EXPECT_EQ(shaded & 0xFF00FFFFu, Argb32(0x33, 0, 20, 20));
  const TOverlayShader huge(TColour(-400.0f, 0.0f, 0.0f, 1.0f));
  EXPECT_EQ(huge.ShadePixel32(Argb32(0x33, 20, 20, 20)), Argb32(0x33, 255, 20, 20));
}

TEST(PixelShaderCopies, CloneKeepsTheKindAndTheColour) {
  const TColourSwapper swapper;
  const TOverlayShader overlay(TColour(0.25f, 0.5f, 0.75f, 1.0f));
  const std::unique_ptr<TPixelShader> swapperCopy = ClonePixelShader(&swapper);
  const std::unique_ptr<TPixelShader> overlayCopy = ClonePixelShader(&overlay);
  ASSERT_NE(swapperCopy, nullptr);
  ASSERT_NE(overlayCopy, nullptr);
  EXPECT_STREQ(swapperCopy->GetTypeName(), "ColourSwapper");
  EXPECT_STREQ(overlayCopy->GetTypeName(), "OverlayShader");
  const auto* copiedOverlay = dynamic_cast<const TOverlayShader*>(overlayCopy.get());
  ASSERT_NE(copiedOverlay, nullptr);
  EXPECT_EQ(copiedOverlay->GetColour(), overlay.GetColour());
  EXPECT_NE(&copiedOverlay->GetColour(), &overlay.GetColour());
  EXPECT_EQ(ClonePixelShader(nullptr), nullptr);

  class Unknown : public TPixelShader {
   public:
    uint16_t ShadePixel16(uint16_t pixel) const override { return pixel; }
    uint32_t ShadePixel32(uint32_t pixel) const override { return pixel; }
    const char* GetTypeName() const override { return "Sepia"; }
  };
  const Unknown unknown;
  EXPECT_EQ(ClonePixelShader(&unknown), nullptr);
}

TEST(PixelShaderCopies, OrderIsByTypeName) {
  const TColourSwapper swapper;
  const TOverlayShader overlay;
  const TOverlayShader otherOverlay(TColour(1.0f, 0.0f, 0.0f, 1.0f));
  EXPECT_TRUE(PixelShaderLess(swapper, overlay));
  EXPECT_FALSE(PixelShaderLess(overlay, swapper));
  EXPECT_FALSE(PixelShaderLess(overlay, otherOverlay));
  EXPECT_FALSE(PixelShaderLess(otherOverlay, overlay));
}

}  // namespace
