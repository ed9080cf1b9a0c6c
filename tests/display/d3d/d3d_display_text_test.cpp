// Text on the 3D display: the glyph-sheet fonts drawing through it on the
// software device, the frame rate, and the display's own text operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/config_parser.h"
#include "display/colour.h"
#include "display/d3d/d3d_test_support.h"
#include "display/text/font_manager.h"
#include "display/text/glyph_sheet_font.h"
#include "platform/font_face_map.h"
#include "platform/window.h"

namespace {

using d3d_test::SoftwareScene;

constexpr uint32_t kBlack = 0x000000u;

std::shared_ptr<const platform::TFontFaceMap> Faces() { return std::make_shared<platform::TFontFaceMap>(); }

bool SansInstalled() { return !Faces()->Locate("LiberationSans-Regular.ttf").empty(); }

// The whole back buffer, colour bits only.
struct Frame {
  explicit Frame(SoftwareScene& scene) {
    scene.display->GetRenderDevice()->ReadBackBuffer(pixels, width, height);
    for (uint32_t& pixel : pixels) pixel &= 0x00FFFFFFu;
  }
  uint32_t At(int32_t x, int32_t y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
  }
  std::vector<uint32_t> pixels;
  int32_t width = 0;
  int32_t height = 0;
};

// Where a glyph's texels lie on its sheet.
struct TexelBox {
  int32_t left;
  int32_t top;
  int32_t width;
  int32_t height;
};

TexelBox BoxOf(const TGlyphSheet& sheet, char character) {
  const TGlyphTexCoords& uv = *sheet.CoordsOf(character);
  const auto round = [](float value) { return static_cast<int32_t>(value + 0.5f); };
  const int32_t left = round(uv.left * static_cast<float>(sheet.GetWidth()));
  const int32_t top = round(uv.top * static_cast<float>(sheet.GetHeight()));
  return {left, top, round(uv.right * static_cast<float>(sheet.GetWidth())) - left,
          round(uv.bottom * static_cast<float>(sheet.GetHeight())) - top};
}

class D3DGlyphText : public testing::Test {
 protected:
  void SetUp() override {
    if (!SansInstalled()) GTEST_SKIP() << "no sans font file is installed";
  }
  std::unique_ptr<TGlyphSheetFont> Make(float size) {
    auto font = std::make_unique<TGlyphSheetFont>(Faces(), scene.display.get());
    EXPECT_TRUE(font->Create("Arial", size, false, false, nullptr));
    return font;
  }
  SoftwareScene scene{96, 48};
};

TEST_F(D3DGlyphText, GlyphPixelsTakeTheTextColourWhereTheSheetHasCoverage) {
  const auto font = Make(16.0f);
  const TGlyphSheet& sheet = *font->GetSheet();
  const TColour red(1.0f, 0.0f, 0.0f, 1.0f);
  const int32_t x = 10;
  const int32_t y = 8;
  scene.display->BeginFrame();
  ASSERT_TRUE(font->DrawText(static_cast<float>(x), static_cast<float>(y), 0.0f, 1.0f, 1.0f, &red, "H"));
  const Frame frame(scene);
  const TexelBox box = BoxOf(sheet, 'H');
  ASSERT_GT(box.width, 0);
  int32_t solid = 0;
  int32_t partial = 0;
  for (int32_t j = -3; j < box.height + 3; ++j) {
    for (int32_t i = -3; i < box.width + 3; ++i) {
      const uint32_t pixel = frame.At(x + i, y + j);
      SCOPED_TRACE(testing::Message() << "glyph pixel " << i << ", " << j);
      if (i < 0 || j < 0 || i >= box.width || j >= box.height) {
        EXPECT_EQ(pixel, kBlack) << "nothing outside the glyph's box";
        continue;
      }
      const uint16_t texel = sheet.GetTexels()[static_cast<std::size_t>(box.top + j) *
                                                   static_cast<std::size_t>(sheet.GetWidth()) +
                                               static_cast<std::size_t>(box.left + i)];
      const int32_t alpha = texel >> 12;
      if (alpha == 0) {
        EXPECT_EQ(pixel, kBlack);
      } else if (alpha == 15) {
        EXPECT_EQ(pixel, 0xFF0000u);
        ++solid;
      } else {
        EXPECT_NEAR(d3d_test::Red(pixel), alpha * 17, 2) << "blended by the texel's alpha";
        EXPECT_EQ(pixel & 0x00FFFFu, 0u);
        ++partial;
      }
    }
  }
  EXPECT_GT(solid, 10);
  EXPECT_GT(partial, 0);
}

TEST_F(D3DGlyphText, DrawingLeavesTheRenderStateAndTheBoundTextureAsTheyWere) {
  const auto font = Make(16.0f);
  platform::RenderDevice& device = *scene.display->GetRenderDevice();
  scene.display->BeginFrame();
  scene.display->SetTexture(nullptr);
  const platform::RenderStates before = device.GetRenderStates();
  const TColour white(1.0f, 1.0f, 1.0f, 1.0f);
  ASSERT_TRUE(font->DrawText(2.0f, 2.0f, 0.0f, 1.0f, 1.0f, &white, "Hi"));
  EXPECT_EQ(device.GetRenderStates(), before);
  // A quad drawn next with no texture shows its vertex colour alone: the
  // glyph texture (transparent in its corner) is no longer bound.
  TVertex quad[4];
  const float corners[4][2] = {{60.0f, 30.0f}, {70.0f, 30.0f}, {60.0f, 40.0f}, {70.0f, 40.0f}};
  for (int i = 0; i < 4; ++i) {
    quad[i].x = corners[i][0] - 0.5f;
    quad[i].y = corners[i][1] - 0.5f;
    quad[i].colour = 0xFF3366CCu;
  }
  scene.display->DrawPrimitiveUP(TPrimitiveType::kTriangleStrip, 2, quad, sizeof(TVertex));
  EXPECT_EQ(Frame(scene).At(64, 34), 0x3366CCu);
}

TEST_F(D3DGlyphText, TheSheetFitsTheDevicesLargestTexture) {
  scene.faults->maxTextureWidth = 256;
  EXPECT_EQ(scene.display->GetMaxTextureWidth(), 256);
  const auto font = Make(30.0f);
  ASSERT_NE(font->GetSheet(), nullptr);
  EXPECT_EQ(font->GetSheet()->GetWidth(), 256);
  EXPECT_LE(font->GetSheet()->GetScale(), 0.25f);
  const TColour white(1.0f, 1.0f, 1.0f, 1.0f);
  scene.display->BeginFrame();
  ASSERT_TRUE(font->DrawText(2.0f, 2.0f, 0.0f, 1.0f, 1.0f, &white, "H"));
  const Frame frame(scene);
  EXPECT_GT(std::count_if(frame.pixels.begin(), frame.pixels.end(), [](uint32_t p) { return p != kBlack; }), 30)
      << "the small texture still draws the glyph at full size";
}

TEST_F(D3DGlyphText, AFailedTextureDrawsNothingAndIsTriedAgainNextTime) {
  struct Case {
    const char* what;
    int32_t failedCreations;
    int32_t failedLocks;
  };
  const Case cases[] = {{"creation", 1, 0}, {"lock", 0, 1}};
  const TColour white(1.0f, 1.0f, 1.0f, 1.0f);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SoftwareScene fresh(96, 48);
    auto font = std::make_unique<TGlyphSheetFont>(Faces(), fresh.display.get());
    ASSERT_TRUE(font->Create("Arial", 16.0f, false, false, nullptr));
    fresh.faults->failTextureCreations = c.failedCreations;
    fresh.faults->failLocks = c.failedLocks;
    fresh.display->BeginFrame();
    EXPECT_FALSE(font->DrawText(4.0f, 4.0f, 0.0f, 1.0f, 1.0f, &white, "HHHH"));
    const Frame empty(fresh);
    for (uint32_t pixel : empty.pixels) ASSERT_EQ(pixel, kBlack);
    EXPECT_TRUE(font->DrawText(4.0f, 4.0f, 0.0f, 1.0f, 1.0f, &white, "HHHH"));
    const Frame again(fresh);
    EXPECT_GT(std::count(again.pixels.begin(), again.pixels.end(), 0xFFFFFFu), 20) << "solid ink of the four H";
  }
}

// Fonts of the style file drawing on the scene's display.
class SheetFactory : public TFontFactory {
 public:
  explicit SheetFactory(TGlyphSheetDevice* device) : device_(device) {}
  std::unique_ptr<TFont> CreateFont() override { return std::make_unique<TGlyphSheetFont>(Faces(), device_); }

 private:
  TGlyphSheetDevice* device_;
};

TEST_F(D3DGlyphText, TheFrameRateIsDrawnInStyleOneAtTheTopLeftCorner) {
  TConfigParser config;
  config.SetText("# styles\n[Rate]\n  Code = ^1\n  Font = Arial\n  Size = 14\n  Scale = 1.0\n  Bold = NO\n"
                 "  Italic = NO\n  Colour = 0, 1, 0, 1\n");
  TFontManager fonts;
  ASSERT_EQ(fonts.LoadFonts(config, true, std::make_unique<SheetFactory>(scene.display.get())), 1);
  TFont& font = *fonts.GetStyle("^1").font;

  scene.display->BeginFrame();
  scene.display->DrawFps(60);
  EXPECT_EQ(Frame(scene).pixels, std::vector<uint32_t>(96u * 48u, kBlack)) << "no font manager: nothing drawn";

  scene.view.fonts = &fonts;
  scene.display->DrawFps(60);
  const Frame drawn(scene);
  const auto right = static_cast<int32_t>(font.GetTextWidth("60 fps"));
  const auto bottom = static_cast<int32_t>(font.GetTextHeight("60 fps"));
  int32_t ink = 0;
  for (int32_t y = 0; y < drawn.height; ++y) {
    for (int32_t x = 0; x < drawn.width; ++x) {
      const uint32_t pixel = drawn.At(x, y);
      if (pixel == kBlack) continue;
      ++ink;
      EXPECT_TRUE(x < right && y < bottom) << x << ", " << y << " lies outside the text";
      EXPECT_EQ(pixel & 0xFF00FFu, 0u) << "green only";
    }
  }
  EXPECT_GT(ink, 20);

  // The same picture as the font drawing the text itself at the corner.
  scene.display->BeginFrame();
  const TColour green(0.0f, 1.0f, 0.0f, 1.0f);
  ASSERT_TRUE(font.DrawText(0.0f, 0.0f, 0.0f, 1.0f, 1.0f, &green, "60 fps"));
  EXPECT_EQ(Frame(scene).pixels, drawn.pixels);

  scene.display->BeginFrame();
  scene.display->DrawFps(7);
  EXPECT_NE(Frame(scene).pixels, drawn.pixels);
}

TEST(D3DDisplayText, TheDisplaysOwnTextOperationsDrawAndMeasureNothing) {
  SoftwareScene scene(32, 16);
  scene.display->BeginFrame();
  const TColour white(1.0f, 1.0f, 1.0f, 1.0f);
  scene.display->SetTextScale(2.0f);
  scene.display->DrawText("queued", 0, 0, white);
  scene.display->Present();
  scene.display->BeginFrame();
  scene.display->DrawText("queued", 0, 0, white);
  EXPECT_EQ(Frame(scene).pixels, std::vector<uint32_t>(32u * 16u, kBlack));
  const float measures[] = {scene.display->GetTextWidth("measure", 0, 7), scene.display->GetStringWidth("measure"),
                            scene.display->GetTextHeight("measure")};
  for (float measure : measures) EXPECT_FLOAT_EQ(measure, 0.0f);
}

}  // namespace

namespace {

// Text drawn by a 3D display on the given device, read back.
std::vector<uint32_t> TextFrame(const TD3DDisplayOptions::TDeviceFactory& createDevice) {
  TD3DDisplayOptions options;
  options.faults = std::make_shared<platform::RenderFaults>();
  options.createDevice = createDevice;
  options.fatal = [](const std::string& message) { throw d3d_test::FatalDisplayError(message); };
  TDirect3D8Display display(false, 96, 48, std::move(options));
  TGlyphSheetFont font(Faces(), &display);
  if (!display.IsInitialised() || !font.Create("Arial", 16.0f, false, false, nullptr)) return {};
  const TColour orange(1.0f, 0.5f, 0.0f, 1.0f);
  display.BeginFrame();
  font.DrawText(3.0f, 4.0f, 0.0f, 1.0f, 1.0f, &orange, "Glyph 42");
  const TColour faint(0.2f, 0.6f, 1.0f, 0.5f);
  font.DrawText(3.0f, 24.0f, 0.0f, 1.0f, 1.0f, &faint, "half seen");
  std::vector<uint32_t> pixels;
  int32_t width = 0;
  int32_t height = 0;
  display.GetRenderDevice()->ReadBackBuffer(pixels, width, height);
  for (uint32_t& pixel : pixels) pixel &= 0x00FFFFFFu;
  return pixels;
}

// Run under Xvfb with the other OpenGL comparisons.
TEST(OpenGLDeviceTest, DrawsGlyphTextAsTheSoftwareDeviceDoes) {
  if (platform::IsHeadless()) GTEST_SKIP() << "no display: the OpenGL device is compared under Xvfb";
  if (!SansInstalled()) GTEST_SKIP() << "no sans font file is installed";
  const std::vector<uint32_t> expected = TextFrame(&platform::CreateSoftwareDevice);
  const std::vector<uint32_t> actual = TextFrame(&platform::CreateOpenGLDevice);
  ASSERT_EQ(actual.size(), expected.size());
  ASSERT_GT(std::count_if(expected.begin(), expected.end(), [](uint32_t p) { return p != kBlack; }), 50);
  int32_t far = 0;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    int difference = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      difference = std::max(difference, std::abs(static_cast<int>((expected[i] >> shift) & 0xFFu) -
                                                 static_cast<int>((actual[i] >> shift) & 0xFFu)));
    }
    if (difference > 3 && ++far <= 10) {
      ADD_FAILURE() << "pixel " << i % 96 << "," << i / 96 << ": software " << std::hex << expected[i] << ", OpenGL "
                    << actual[i];
    }
  }
  EXPECT_EQ(far, 0);
}

}  // namespace
