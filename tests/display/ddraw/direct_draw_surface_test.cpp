#include "display/ddraw/direct_draw_surface.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "display/ddraw/picture_files.h"
#include "display/ddraw/direct_draw_canvas.h"
#include "display/visuals/shape.h"
#include "display/jpeg_test_files.h"
#include "support/quad_2d.h"
#include "support/temp_folder.h"

namespace {

using ddraw_test::TPicture;
using ddraw_test::TRgba;
using platform::SurfaceResult;

constexpr TRgba kBlue{0, 0, 255, 255};

// Each test works in a temporary folder on a 2D canvas of the depth given.
class SurfaceTest : public ::testing::TestWithParam<uint32_t> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(canvas_.Open(GetParam(), 40, 30));
    canvas_.SetFailureHook([this](SurfaceResult, const char*) { ++failures_; });
  }

  bool Wide() const { return GetParam() == 32; }
  // How a colour is expected to come out in the canvas's depth.
  uint32_t Packed(uint8_t r, uint8_t g, uint8_t b) const {
    if (Wide()) return uint32_t{r} << 16 | uint32_t{g} << 8 | b;
    return uint32_t{r} >> 3 << 11 | uint32_t{g} >> 2 << 5 | uint32_t{b} >> 3;
  }
  uint32_t Key() const { return Packed(0, 0, 255); }

  std::vector<uint32_t> PixelsOf(const TDirectDrawSurface& surface) const {
    std::vector<uint32_t> pixels;
    const platform::SoftSurface* soft = surface.GetPixels();
    if (soft == nullptr) return pixels;
    for (int32_t y = 0; y < soft->GetHeight(); ++y) {
      for (int32_t x = 0; x < soft->GetWidth(); ++x) pixels.push_back(soft->GetPixel(x, y));
    }
    return pixels;
  }

  // Draws the surface whole at (0, 0) over a grey back buffer; the first row
  // of the back buffer as it then is.
  std::vector<uint32_t> DrawnRow(TDirectDrawSurface& surface, int32_t count) {
    const uint32_t grey = Packed(128, 128, 128);
    EXPECT_EQ(canvas_.GetBackBuffer()->Fill(nullptr, grey), SurfaceResult::kOk);
    Quad2D quad = QuadAt(0, 0, static_cast<float>(surface.GetWidth()), static_cast<float>(surface.GetHeight()));
    surface.DrawFast(&quad);
    std::vector<uint32_t> row;
    for (int32_t x = 0; x < count; ++x) row.push_back(canvas_.GetBackBuffer()->GetPixel(x, 0));
    return row;
  }

  TTempFolder folder_;
  TDirectDrawCanvas canvas_;
  int32_t failures_ = 0;
};

TEST_P(SurfaceTest, TwentyFourBitTgaIsPackedAndKeyed) {
  const TPicture picture = {{{1, 2, 3, 255}, {255, 128, 64, 255}, kBlue}, {{10, 20, 30, 255}, {0, 0, 0, 255}, kBlue}};
  ASSERT_TRUE(ddraw_test::WriteTga("p", picture, 24));
  TDirectDrawSurface surface(TSurfaceKey("p.tga", nullptr), &canvas_);
  ASSERT_EQ(surface.GetWidth(), 3);
  ASSERT_EQ(surface.GetHeight(), 2);
  EXPECT_TRUE(surface.HasColourKey());
  EXPECT_FALSE(surface.HasAlpha());
  // 8-8-8 places the bytes as they are; 5-6-5 keeps the top bits:
  // (255, 128, 64) is 0xFC08.
  const std::vector<uint32_t> expected = {Wide() ? 0x00010203u : 0x0000u, Wide() ? 0x00FF8040u : 0xFC08u, Key(),
                                          Packed(10, 20, 30), 0u, Key()};
  EXPECT_EQ(PixelsOf(surface), expected);
  const uint32_t grey = Packed(128, 128, 128);
  EXPECT_EQ(DrawnRow(surface, 4), (std::vector<uint32_t>{expected[0], expected[1], grey, grey}));
  EXPECT_EQ(failures_, 0);
}

TEST_P(SurfaceTest, ThirtyTwoBitTgaTurnsTranslucentPixelsIntoTheKey) {
  // Alpha below 63 is always transparent; from 63 to 169 on every other
  // pixel (x + y even); from 170 never.
  const TPicture picture = {{{200, 10, 10, 62},
                             {200, 10, 10, 63},
                             {200, 10, 10, 63},
                             {200, 10, 10, 169},
                             {200, 10, 10, 170},
                             {200, 10, 10, 0}}};
  ASSERT_TRUE(ddraw_test::WriteTga("a", picture, 32));
  TDirectDrawSurface surface(TSurfaceKey("a.tga", nullptr), &canvas_);
  EXPECT_TRUE(surface.HasAlpha());
  const uint32_t red = Packed(200, 10, 10);
  EXPECT_EQ(PixelsOf(surface), (std::vector<uint32_t>{Key(), red, Key(), red, red, Key()}));
  const uint32_t grey = Packed(128, 128, 128);
  EXPECT_EQ(DrawnRow(surface, 7), (std::vector<uint32_t>{grey, red, grey, red, red, grey, grey}));
}

TEST_P(SurfaceTest, PngPicturesAreKeyedByTheirAlpha) {
  const TPicture picture = {{{9, 99, 199, 255}, {50, 60, 70, 0}}, {{255, 255, 255, 255}, {1, 1, 1, 100}}};
  ASSERT_TRUE(ddraw_test::WritePngFile("u.png", picture));
  TDirectDrawSurface surface(TSurfaceKey("u.png", nullptr), &canvas_);
  EXPECT_TRUE(surface.HasColourKey());
  EXPECT_TRUE(surface.HasAlpha());
  // (1, 1) has alpha 100 and x + y even: on the checkerboard's key squares.
  EXPECT_EQ(PixelsOf(surface), (std::vector<uint32_t>{Packed(9, 99, 199), Key(), Packed(255, 255, 255), Key()}));
}

TEST_P(SurfaceTest, JpegPicturesAreOpaque) {
  folder_.WriteBytes("g.jpg", jpeg_test::PlainGrey(5, 3).End().Bytes());
  TDirectDrawSurface surface(TSurfaceKey("g.jpg", nullptr), &canvas_);
  ASSERT_EQ(surface.GetWidth(), 5);
  ASSERT_EQ(surface.GetHeight(), 3);
  EXPECT_FALSE(surface.HasColourKey());
  EXPECT_EQ(PixelsOf(surface), std::vector<uint32_t>(15, Packed(128, 128, 128)));
  // Held in system memory, it outlives a loss of the display.
  canvas_.GetSurfaceDevice()->LoseSurfaces();
  EXPECT_FALSE(surface.IsLost());
}

TEST_P(SurfaceTest, TheFileNameChoosesTheReader) {
  const TPicture picture = {{{1, 2, 3, 255}, {4, 5, 6, 255}}};
  std::filesystem::create_directory("art");
  ASSERT_TRUE(ddraw_test::WriteTga("art/tree", picture, 24));
  std::filesystem::copy_file("art/tree.tga", "art/tree.tga.png");
  std::filesystem::copy_file("art/tree.tga", "art/tree.bmp");
  // ".tga" is looked for first, so this is read as TGA, by a Windows path.
  TDirectDrawSurface both(TSurfaceKey("art\\tree.tga.png", nullptr), &canvas_);
  EXPECT_EQ(both.GetWidth(), 2);
  EXPECT_EQ(PixelsOf(both), (std::vector<uint32_t>{Packed(1, 2, 3), Packed(4, 5, 6)}));
  // No known extension: nothing is read.
  TDirectDrawSurface other(TSurfaceKey("art/tree.bmp", nullptr), &canvas_);
  EXPECT_EQ(other.GetWidth(), 0);
  EXPECT_EQ(other.GetPixels(), nullptr);
  Quad2D quad = QuadAt(0, 0, 2, 1);
  other.Draw(&quad);
  other.DrawFast(&quad);
  EXPECT_EQ(canvas_.GetBackBuffer()->GetPixel(0, 0), 0u);
  // A missing file leaves an empty surface as well.
  ::testing::internal::CaptureStderr();
  TDirectDrawSurface missing(TSurfaceKey("art/none.tga", nullptr), &canvas_);
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(missing.GetHeight(), 0);
  EXPECT_FALSE(missing.HasColourKey());
  EXPECT_EQ(failures_, 0);
}

TEST_P(SurfaceTest, ColourSwapperRecoloursButKeepsTheKey) {
  // The shaded picture must equal the picture drawn with red and blue
  // exchanged, except that pure blue stays the key.
  const TPicture picture = {{{255, 0, 0, 255}, {255, 128, 0, 255}, {12, 200, 90, 255}, kBlue}};
  TPicture swapped = picture;
  for (auto& row : swapped) {
    for (TRgba& p : row) {
      if (p.r != 0 || p.g != 0 || p.b != 255) std::swap(p.r, p.b);
    }
  }
  ASSERT_TRUE(ddraw_test::WriteTga("s", picture, 24));
  ASSERT_TRUE(ddraw_test::WriteTga("t", swapped, 24));
  const TColourSwapper swapper;
  TDirectDrawSurface shaded(TSurfaceKey("s.tga", &swapper), &canvas_);
  TDirectDrawSurface reference(TSurfaceKey("t.tga", nullptr), &canvas_);
  EXPECT_EQ(PixelsOf(shaded), PixelsOf(reference));
  // Red has become pure blue, and therefore transparent like the key.
  EXPECT_EQ(PixelsOf(shaded)[0], Key());
  EXPECT_EQ(PixelsOf(shaded)[3], Key());
}

TEST_P(SurfaceTest, OverlayShaderLeavesTheKeyAlone) {
  const TPicture picture = {{{200, 200, 200, 255}, kBlue}};
  ASSERT_TRUE(ddraw_test::WriteTga("o", picture, 24));
  const TOverlayShader overlay(TColour(1.0f, 0.0f, 0.0f, 1.0f));
  TDirectDrawSurface shaded(TSurfaceKey("o.tga", &overlay), &canvas_);
  const std::vector<uint32_t> pixels = PixelsOf(shaded);
  ASSERT_EQ(pixels.size(), 2u);
  EXPECT_NE(pixels[0], Packed(200, 200, 200));
  EXPECT_EQ(pixels[1], Key());
}

TEST_P(SurfaceTest, ReleaseAndRestoreShowThePictureAgain) {
  const TPicture picture = {{{1, 2, 3, 255}, kBlue, {7, 8, 9, 255}}};
  ASSERT_TRUE(ddraw_test::WriteTga("r", picture, 24));
  const TColourSwapper swapper;
  const TSurfaceKey key("r.tga", &swapper);
  TDirectDrawSurface surface(key, &canvas_);
  const std::vector<uint32_t> before = PixelsOf(surface);
  ASSERT_EQ(before.size(), 3u);
  surface.Release();
  EXPECT_EQ(surface.GetWidth(), 0);
  Quad2D quad = QuadAt(0, 0, 3, 1);
  surface.DrawFast(&quad);
  EXPECT_EQ(canvas_.GetBackBuffer()->GetPixel(0, 0), 0u);
  surface.Restore(key);
  // Reloaded and shaded once more, not twice.
  EXPECT_EQ(PixelsOf(surface), before);
  EXPECT_TRUE(surface.HasColourKey());
}

TEST_P(SurfaceTest, LostPicturesComeBackThroughRestore) {
  const TPicture picture = {{{30, 60, 90, 255}, {90, 60, 30, 255}}};
  ASSERT_TRUE(ddraw_test::WriteTga("l", picture, 24));
  const TSurfaceKey key("l.tga", nullptr);
  TDirectDrawSurface surface(key, &canvas_);
  const std::vector<uint32_t> before = PixelsOf(surface);
  platform::SoftSurfaceDevice* device = canvas_.GetSurfaceDevice();

  device->LoseSurfaces();
  EXPECT_TRUE(surface.IsLost());
  ASSERT_EQ(canvas_.GetBackBuffer()->Restore(), SurfaceResult::kOk);
  Quad2D quad = QuadAt(0, 0, 2, 1);
  surface.DrawFast(&quad);
  surface.Draw(&quad);
  EXPECT_EQ(canvas_.GetBackBuffer()->GetPixel(0, 0), 0u);
  EXPECT_EQ(failures_, 0);

  // The display restores its surfaces, then every picture is loaded again;
  // a picture whose surface cannot be made meanwhile stays empty until the
  // next restore.
  device->FailCreates(1);
  surface.Release();
  surface.Restore(key);
  EXPECT_EQ(surface.GetPixels(), nullptr);
  surface.DrawFast(&quad);
  surface.Restore(key);
  EXPECT_FALSE(surface.IsLost());
  EXPECT_EQ(PixelsOf(surface), before);
  surface.DrawFast(&quad);
  EXPECT_EQ(canvas_.GetBackBuffer()->GetPixel(0, 0), before[0]);
  EXPECT_EQ(failures_, 0);
}

TEST_P(SurfaceTest, FailedLocksLeaveNoPicture) {
  const TPicture picture = {{{30, 60, 90, 255}}};
  ASSERT_TRUE(ddraw_test::WriteTga("k", picture, 24));
  const TColourSwapper swapper;
  for (const TPixelShader* shader : {static_cast<const TPixelShader*>(nullptr),
                                     static_cast<const TPixelShader*>(&swapper)}) {
    canvas_.GetSurfaceDevice()->FailLocks(1);
    const TSurfaceKey key("k.tga", shader);
    TDirectDrawSurface surface(key, &canvas_);
    EXPECT_EQ(surface.GetPixels(), nullptr);
    EXPECT_EQ(surface.GetWidth(), 0);
    // The next load finds the lock again.
    surface.Restore(key);
    EXPECT_EQ(surface.GetWidth(), 1);
  }
}

TEST_P(SurfaceTest, BlankSurfacesAreWhollyTransparent) {
  TDirectDrawSurface blank(128, 64, &canvas_);
  EXPECT_EQ(blank.GetWidth(), 128);
  EXPECT_EQ(blank.GetHeight(), 64);
  EXPECT_TRUE(blank.HasColourKey());
  EXPECT_EQ(PixelsOf(blank), std::vector<uint32_t>(128 * 64, Key()));
  // A blank surface no device can make is simply empty.
  canvas_.GetSurfaceDevice()->FailCreates(1);
  TDirectDrawSurface none(8, 8, &canvas_);
  EXPECT_EQ(none.GetWidth(), 0);
  EXPECT_FALSE(none.HasColourKey());
}

INSTANTIATE_TEST_SUITE_P(Depths, SurfaceTest, ::testing::Values(32u, 16u));

}  // namespace
