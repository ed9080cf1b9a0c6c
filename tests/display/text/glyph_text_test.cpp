// The software side of the 2D display's text: glyph copies with clipping and
// the queued-text font.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "display/text/glyph_surface.h"
#include "display/text/screen_text_font.h"
#include "platform/font_face_map.h"

namespace {

constexpr uint32_t kBackground = 0x11111111u;

// A back buffer with a guard band on every side, so that writes outside the
// target show up.
class GuardedBuffer {
 public:
  GuardedBuffer(int32_t width, int32_t height, int32_t bytesPerPixel)
      : width_(width), height_(height), bytes_(bytesPerPixel), pitch_((width + 2 * kGuard) * bytesPerPixel),
        data_(static_cast<std::size_t>(pitch_ * (height + 2 * kGuard)), 0x11) {}

  TPixelTarget Target() {
    return {data_.data() + kGuard * pitch_ + kGuard * bytes_, pitch_, width_, height_, bytes_};
  }
  // The pixel at target coordinates, guard band included.
  uint32_t At(int32_t x, int32_t y) const {
    uint32_t value = 0;
    std::memcpy(&value, data_.data() + (y + kGuard) * pitch_ + (x + kGuard) * bytes_, static_cast<std::size_t>(bytes_));
    return bytes_ == 2 ? (value | (kBackground & 0xFFFF0000u)) : value;
  }
  bool Inside(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  static constexpr int32_t kGuard = 8;

 private:
  int32_t width_;
  int32_t height_;
  int32_t bytes_;
  int32_t pitch_;
  std::vector<uint8_t> data_;
};

// A 6 x 4 surface whose ink spells its own coordinates: ink where x + y is even.
TGlyphSurface Checkers() {
  TGlyphSurface surface;
  surface.width = 6;
  surface.height = 4;
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 6; ++x) surface.ink.push_back((x + y) % 2 == 0 ? 1 : 0);
  return surface;
}

TEST(CopyGlyphs, CopiesInkOnlyAndClipsToTheTargetAndTheSurface) {
  struct Case {
    const char* what;
    TGlyphRect source;
    TGlyphRect dest;
  };
  const Case cases[] = {
      {"inside", {1, 0, 5, 3}, {2, 2, 6, 5}},
      {"off the top-left", {0, 0, 6, 4}, {-3, -2, 3, 2}},
      {"off the bottom-right", {0, 0, 6, 4}, {7, 5, 13, 9}},
      {"wholly outside", {0, 0, 6, 4}, {20, 0, 26, 4}},
      {"source past the surface", {3, 2, 9, 6}, {0, 0, 6, 4}},
  };
  const TGlyphSurface surface = Checkers();
  for (const int32_t bytes : {4, 2}) {
    const uint32_t ink = bytes == 4 ? 0x00FF8000u : 0xF800u;
    for (const Case& c : cases) {
      GuardedBuffer buffer(10, 8, bytes);
      CopyGlyphs(surface, c.source, c.dest, buffer.Target(), ink);
      for (int32_t y = -GuardedBuffer::kGuard; y < 8 + GuardedBuffer::kGuard; ++y) {
        for (int32_t x = -GuardedBuffer::kGuard; x < 10 + GuardedBuffer::kGuard; ++x) {
          const int32_t sx = c.source.left + (x - c.dest.left);
          const int32_t sy = c.source.top + (y - c.dest.top);
          const bool inRect = x >= c.dest.left && x < c.dest.right && y >= c.dest.top && y < c.dest.bottom;
          const bool onSurface = sx >= 0 && sy >= 0 && sx < surface.width && sy < surface.height;
          const bool written = buffer.Inside(x, y) && inRect && onSurface && surface.HasInk(sx, sy);
          const uint32_t expected = written ? (bytes == 4 ? ink : (ink | 0x11110000u)) : kBackground;
          ASSERT_EQ(buffer.At(x, y), expected) << c.what << " bytes " << bytes << " at " << x << "," << y;
        }
      }
    }
  }
}

class ScreenTextFontTest : public testing::Test {
 protected:
  void SetUp() override {
    if (faces.Locate("LiberationSans-Bold.ttf").empty()) GTEST_SKIP() << "LiberationSans-Bold.ttf is not installed";
    ASSERT_TRUE(font.Create(faces, 1.0f));
  }
  platform::TFontFaceMap faces;
  TScreenTextFont font;
};

TEST_F(ScreenTextFontTest, IsBoldArialSixteenPixelsTimesTheScale) {
  EXPECT_EQ(std::filesystem::path(font.GetFontFile()).filename(), "LiberationSans-Bold.ttf");
  EXPECT_EQ(font.GetCellHeight(), 16);
  EXPECT_FLOAT_EQ(font.GetTextHeight(""), 16.0f);
  struct Case {
    float scale;
    int32_t height;
  };
  const Case cases[] = {{1.0f, 16}, {1.5f, 24}, {2.0f, 32}, {0.9f, 14}, {0.05f, 0}};
  for (const Case& c : cases) EXPECT_EQ(TScreenTextFont::CellHeightFor(c.scale), c.height) << c.scale;
  TScreenTextFont big;
  ASSERT_TRUE(big.Create(faces, 1.5f));
  EXPECT_EQ(big.GetCellHeight(), 24);
  EXPECT_GT(big.GetTextWidth("Wide", 0, 4), font.GetTextWidth("Wide", 0, 4));
}

TEST_F(ScreenTextFontTest, MeasuresTheCharactersOfARangeCutToTheText) {
  const std::string text = "Hello, world";
  const float whole = font.GetTextWidth(text, 0, static_cast<int32_t>(text.size()));
  EXPECT_GT(whole, 0.0f);
  EXPECT_FLOAT_EQ(font.GetTextWidth(text, 2, 5), font.GetTextWidth("llo", 0, 3));
  EXPECT_FLOAT_EQ(font.GetTextWidth(text, 0, 5) + font.GetTextWidth(text, 5, 12), whole);
  EXPECT_FLOAT_EQ(font.GetTextWidth(text, -4, 400), whole);
  EXPECT_FLOAT_EQ(font.GetTextWidth(text, 9, 3), 0.0f);
  EXPECT_FLOAT_EQ(font.GetTextWidth("a\tb", 0, 3), font.GetTextWidth("ab", 0, 2));
  font.Delete();
  EXPECT_FLOAT_EQ(font.GetTextWidth(text, 0, 5), 0.0f);
}

TEST_F(ScreenTextFontTest, DrawsInkInsideTheTargetOnly) {
  for (const int32_t bytes : {4, 2}) {
    for (const int32_t x : {-6, 3, 30}) {
      GuardedBuffer buffer(40, 12, bytes);
      font.DrawText("Wg\x80", x, -2, 0xF800u, buffer.Target());
      int ink = 0;
      for (int32_t py = -GuardedBuffer::kGuard; py < 12 + GuardedBuffer::kGuard; ++py) {
        for (int32_t px = -GuardedBuffer::kGuard; px < 40 + GuardedBuffer::kGuard; ++px) {
          const uint32_t value = buffer.At(px, py);
          if (!buffer.Inside(px, py)) {
            ASSERT_EQ(value, kBackground) << "bytes " << bytes << " x " << x << " at " << px << "," << py;
          } else if (value != kBackground) {
            ++ink;
          }
        }
      }
      EXPECT_GT(ink, 0) << "bytes " << bytes << " x " << x;
    }
  }
}

}  // namespace
