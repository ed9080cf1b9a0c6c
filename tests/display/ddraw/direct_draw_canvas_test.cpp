#include "display/ddraw/direct_draw_canvas.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/vector3.h"
#include "display/ddraw/picture_files.h"
#include "display/ddraw/direct_draw_surface.h"
#include "display/visuals/shape.h"
#include "support/quad_2d.h"

namespace {

using ddraw_test::NumberOf;
using platform::SurfaceFormat;
using platform::SurfaceRect;
using platform::SurfaceResult;

struct TFailure {
  SurfaceResult result;
  std::string message;
};

class CanvasTest : public ::testing::TestWithParam<uint32_t> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(canvas_.Open(GetParam(), 100, 60));
    canvas_.SetFailureHook([this](SurfaceResult result, const char* message) {
      failures_.push_back({result, message});
    });
  }

  // A numbered picture in system memory, without a key.
  std::unique_ptr<TDirectDrawSurface> Picture(int32_t width, int32_t height) {
    auto surface = std::make_unique<TDirectDrawSurface>(width, height, &canvas_);
    surface->GetPixels()->ClearColourKey();
    ddraw_test::Number(*surface);
    return surface;
  }

  uint32_t Back(int32_t x, int32_t y) const { return canvas_.GetBackBuffer()->GetPixel(x, y); }

  // Every back-buffer pixel: the picture pixel `from` names, or `empty`.
  template <typename TFrom>
  void ExpectBack(TFrom from, uint32_t empty, const std::string& what) {
    for (int32_t y = 0; y < canvas_.GetHeight(); ++y) {
      for (int32_t x = 0; x < canvas_.GetWidth(); ++x) {
        int32_t sx = 0;
        int32_t sy = 0;
        const uint32_t expected = from(x, y, sx, sy) ? NumberOf(sx, sy) : empty;
        ASSERT_EQ(Back(x, y), expected) << what << " at (" << x << ", " << y << ")";
      }
    }
  }

  TDirectDrawCanvas canvas_;
  std::vector<TFailure> failures_;
};

TEST(DirectDrawCanvas, OpensOnlySixteenAndThirtyTwoBits) {
  TDirectDrawCanvas canvas;
  for (uint32_t bits : {8u, 15u, 24u}) EXPECT_FALSE(canvas.Open(bits, 64, 48)) << bits;
  EXPECT_FALSE(canvas.IsOpen());
  EXPECT_FALSE(canvas.Open(32, 0, 48));
  ASSERT_TRUE(canvas.Open(16, 64, 48));
  EXPECT_EQ(canvas.GetPixelFormat()->GetMask(TPixelFormat::kRed), 0xF800u);
  EXPECT_EQ(canvas.GetPixelFormat()->GetBitsPerPixel(), 16u);
  ASSERT_TRUE(canvas.Open(32, 64, 48));
  EXPECT_EQ(canvas.GetPixelFormat()->GetMask(TPixelFormat::kGreen), 0x0000FF00u);
  EXPECT_EQ(canvas.GetPixelFormat()->GetMask(TPixelFormat::kAlpha), 0u);
  EXPECT_EQ(canvas.GetPixelFormat()->GetBitsPerPixel(), 32u);
  EXPECT_EQ(canvas.GetWidth(), 64);
  EXPECT_FALSE(canvas.ResizeBackBuffer(-3, 10));
  EXPECT_EQ(canvas.GetHeight(), 48);
  ASSERT_TRUE(canvas.ResizeBackBuffer(30, 20));
  EXPECT_EQ(canvas.GetWidth(), 30);
  canvas.Close();
  EXPECT_EQ(canvas.GetSurfaceDevice(), nullptr);
}

TEST_P(CanvasTest, ClippedCopyLeavesOutTheLastColumnAndRow) {
  // A whole 64 x 32 picture to (10, 10)-(74, 42): source columns 0 to 62 and
  // rows 0 to 30 land on columns 10 to 72 and rows 10 to 40.
  auto picture = Picture(64, 32);
  Quad2D quad = QuadAt(10, 10, 74, 42);
  EXPECT_EQ(canvas_.ClassifyQuad(quad, *picture), 2);
  picture->Draw(&quad);
  ExpectBack(
      [](int x, int y, int& sx, int& sy) {
        sx = x - 10;
        sy = y - 10;
        return sx >= 0 && sx <= 62 && sy >= 0 && sy <= 30;
      },
      0u, "clipped copy");
  // The fast copy of the same quad copies the whole picture.
  picture->DrawFast(&quad);
  EXPECT_EQ(Back(73, 41), NumberOf(63, 31));
  EXPECT_EQ(Back(74, 42), 0u);
  EXPECT_TRUE(failures_.empty());
}

TEST_P(CanvasTest, ClippedCopyAtEveryEdge) {
  struct Case {
    const char* what;
    int32_t x, y;
  };
  const Case cases[] = {
      {"over the left", -5, 10}, {"over the top", 20, -7},    {"over the right", 80, 5},
      {"over the bottom", 3, 45}, {"over every corner", -3, -2}, {"touching the right edge", 76, 36},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(canvas_.GetBackBuffer()->Fill(nullptr, 0), SurfaceResult::kOk);
    auto picture = Picture(24, 24);
    Quad2D quad = QuadAt(static_cast<float>(c.x), static_cast<float>(c.y), static_cast<float>(c.x + 24),
                         static_cast<float>(c.y + 24));
    picture->Draw(&quad);
    // The picture's last column and row are left out, and so are the back
    // buffer's (columns 99 and row 59 are never reached by this copy).
    ExpectBack(
        [&c](int x, int y, int& sx, int& sy) {
          sx = x - c.x;
          sy = y - c.y;
          return sx >= 0 && sx < 23 && sy >= 0 && sy < 23 && x < 99 && y < 59;
        },
        0u, c.what);
  }
  EXPECT_TRUE(failures_.empty());
}

TEST_P(CanvasTest, ScaledQuadsStretchThroughTheClippedCopy) {
  auto picture = Picture(8, 4);
  // Twice the size: the copy runs from source (0, 0)-(7, 3) onto
  // (0, 0)-(15, 7), one column and row short at each end.
  Quad2D quad = QuadAt(0, 0, 16, 8);
  EXPECT_EQ(canvas_.ClassifyQuad(quad, *picture), 1);
  picture->Draw(&quad);
  const int32_t columns[15] = {0, 0, 1, 1, 2, 2, 3, 3, 3, 4, 4, 5, 5, 6, 6};
  const int32_t rows[7] = {0, 0, 1, 1, 1, 2, 2};
  ExpectBack(
      [&](int x, int y, int& sx, int& sy) {
        if (x >= 15 || y >= 7) return false;
        sx = columns[x];
        sy = rows[y];
        return true;
      },
      0u, "doubled");
}

TEST_P(CanvasTest, QuadTextureCoordinatesPickThePart) {
  auto picture = Picture(20, 10);
  Quad2D quad = QuadAt(30, 20, 40, 25, 0.5f, 0.5f);
  quad.SetUV(0, 0.25f, 0.2f);
  // Source (5, 2)-(10, 5) onto a destination twice as wide: scaled.
  EXPECT_EQ(canvas_.ClassifyQuad(quad, *picture), 1);
  Quad2D fast = QuadAt(30, 20, 35, 23, 0.5f, 0.5f);
  fast.SetUV(0, 0.25f, 0.2f);
  EXPECT_EQ(canvas_.ClassifyQuad(fast, *picture), 2);
  picture->DrawFast(&fast);
  EXPECT_EQ(Back(30, 20), NumberOf(5, 2));
  EXPECT_EQ(Back(34, 22), NumberOf(9, 4));
  EXPECT_EQ(Back(35, 22), 0u);
  EXPECT_EQ(Back(34, 23), 0u);
}

TEST_P(CanvasTest, RectangleCopyTruncatesTheSourceAndFloorsTheDestination) {
  auto picture = Picture(10, 10);
  picture->GetPixels()->ClearColourKey();
  canvas_.BlitRect(TVector3(2.9f, 1.7f, 0), TVector3(6.2f, 5.9f, 0), TVector3(-0.5f, 3.2f, 0),
                   TVector3(3.5f, 7.9f, 0), *picture);
  // Source (2, 1)-(6, 5) onto (-1, 3)-(3, 7): clipped to (0, 3)-(3, 7) with
  // the source from column 3.
  ExpectBack(
      [](int x, int y, int& sx, int& sy) {
        sx = x + 3;
        sy = y - 2;
        return x < 3 && y >= 3 && y < 7;
      },
      0u, "rectangle");
}

TEST_P(CanvasTest, KeyedPicturesLetTheBackBufferShow) {
  const uint32_t grey = GetParam() == 16 ? 0x8410u : 0x00808080u;
  ASSERT_EQ(canvas_.GetBackBuffer()->Fill(nullptr, grey), SurfaceResult::kOk);
  TDirectDrawSurface blank(128, 64, &canvas_);
  EXPECT_TRUE(blank.HasColourKey());
  const uint32_t blue = GetParam() == 16 ? 0x001Fu : 0x000000FFu;
  EXPECT_EQ(blank.GetPixels()->GetPixel(127, 63), blue);
  Quad2D inside = QuadAt(0, 0, 64, 32, 0.5f, 0.5f);
  Quad2D over = QuadAt(-10, -10, 118, 54);
  blank.DrawFast(&inside);
  blank.Draw(&over);
  for (int32_t y = 0; y < 60; ++y) {
    for (int32_t x = 0; x < 100; ++x) ASSERT_EQ(Back(x, y), grey) << x << ", " << y;
  }
}

TEST_P(CanvasTest, LostSurfacesDrawNothingAndFailNothing) {
  auto picture = Picture(8, 8);
  // The back buffer goes with the display; copies onto it are dropped until
  // it is restored, not reported as failures.
  canvas_.GetSurfaceDevice()->LoseSurfaces();
  Quad2D quad = QuadAt(1, 1, 9, 9);
  picture->Draw(&quad);
  picture->DrawFast(&quad);
  EXPECT_TRUE(failures_.empty());
  EXPECT_TRUE(canvas_.GetBackBuffer()->IsLost());
  ASSERT_EQ(canvas_.GetBackBuffer()->Restore(), SurfaceResult::kOk);
  picture->DrawFast(&quad);
  EXPECT_EQ(Back(1, 1), NumberOf(0, 0));
}

TEST_P(CanvasTest, OtherCopyFailuresAreReported) {
  auto picture = Picture(8, 8);
  platform::SurfaceLock lock;
  ASSERT_EQ(canvas_.GetBackBuffer()->Lock(lock), SurfaceResult::kOk);
  Quad2D quad = QuadAt(1, 1, 9, 9);
  picture->DrawFast(&quad);
  picture->Draw(&quad);
  ASSERT_EQ(failures_.size(), 2u);
  EXPECT_EQ(failures_[0].result, SurfaceResult::kBusy);
  EXPECT_EQ(failures_[1].message, "Failed Blit");
  canvas_.GetBackBuffer()->Unlock();
}

TEST_P(CanvasTest, FarAwayQuadsDoNotOverflow) {
  auto picture = Picture(8, 8);
  const Quad2D quads[] = {QuadAt(-3e9f, -3e9f, 3e9f, 3e9f), QuadAt(2.1e9f, 0, 2.2e9f, 8),
                          QuadAt(-2.2e9f, 0, 5, 8)};
  for (Quad2D quad : quads) {
    picture->Draw(&quad);
    picture->DrawFast(&quad);
  }
  EXPECT_TRUE(failures_.empty());
}

INSTANTIATE_TEST_SUITE_P(Depths, CanvasTest, ::testing::Values(32u, 16u));

}  // namespace
