// The two display fonts over the pinned font files: the glyph surface of the
// 2D display and the glyph sheet of the 3D display.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/config_parser.h"
#include "display/text/display_font_factory.h"
#include "display/text/font_manager.h"
#include "display/text/gdi_font.h"
#include "display/text/glyph_sheet_font.h"
#include "platform/font_face.h"
#include "platform/font_face_map.h"

namespace {

constexpr const char* kSans = "LiberationSans-Regular.ttf";
constexpr const char* kSansBold = "LiberationSans-Bold.ttf";

std::string FileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

std::shared_ptr<const platform::TFontFaceMap> Faces() { return std::make_shared<platform::TFontFaceMap>(); }

bool Installed(const char* file) { return !Faces()->Locate(file).empty(); }

// Records the copies a 2D display would make.
class RecordingTarget : public TGlyphSurfaceTarget {
 public:
  struct Blit {
    TGlyphRect source;
    TGlyphRect dest;
  };
  void BlitGlyphs(const TGlyphSurface& /*surface*/, const TGlyphRect& source, const TGlyphRect& dest) override {
    blits.push_back({source, dest});
  }
  std::vector<Blit> blits;
};

class RecordingDevice : public TGlyphSheetDevice {
 public:
  explicit RecordingDevice(int32_t maxWidth) : maxWidth_(maxWidth) {}
  int32_t GetMaxTextureWidth() const override { return maxWidth_; }
  std::unique_ptr<TGlyphSheetTexture> CreateGlyphTexture(const TGlyphSheet& sheet) override {
    ++texturesMade;
    textureSide = sheet.GetWidth();
    return std::make_unique<TGlyphSheetTexture>();
  }
  void DrawGlyphTriangles(const TGlyphSheetTexture& /*texture*/, const TVertex* vertices,
                          uint32_t vertexCount) override {
    batches.emplace_back(vertices, vertices + vertexCount);
  }
  int texturesMade = 0;
  int32_t textureSide = 0;
  std::vector<std::vector<TVertex>> batches;

 private:
  int32_t maxWidth_;
};

class GdiFontTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!Installed(kSans) || !Installed(kSansBold)) GTEST_SKIP() << kSans << " or " << kSansBold << " is not installed";
  }
  std::unique_ptr<TGdiFont> Make(float size, bool bold = false) {
    auto font = std::make_unique<TGdiFont>(Faces(), &target);
    EXPECT_TRUE(font->Create("Arial", size, bold, false, std::make_unique<TColour>(1.0f, 0.5f, 0.0f, 1.0f)));
    return font;
  }
  RecordingTarget target;
};

TEST_F(GdiFontTest, TheSurfaceSizeFollowsTheFontSize) {
  struct Case {
    float size;
    int32_t side;
  };
  // 20.0 is not above 20.0: a style of size 10 at scale 2 keeps 512.
  const Case cases[] = {{8.0f, 256}, {10.0f, 256}, {10.5f, 512}, {20.0f, 512}, {20.5f, 1024}, {40.0f, 1024}};
  for (const Case& c : cases) {
    const auto font = Make(c.size);
    ASSERT_NE(font->GetGlyphSurface(), nullptr) << c.size;
    EXPECT_EQ(font->GetGlyphSurface()->width, c.side) << c.size;
    EXPECT_EQ(font->GetGlyphSurface()->height, c.side) << c.size;
    EXPECT_EQ(FileName(font->GetFontFile()), kSans);
  }
}

TEST_F(GdiFontTest, GlyphBoxesAreCellsOfTheAdvanceOnePixelApart) {
  const auto font = Make(20.0f);
  const auto face = platform::TFontFace::Open(font->GetFontFile(), 20, platform::TGlyphRendering::kMono);
  ASSERT_NE(face, nullptr);
  const std::vector<TGlyphRect>& boxes = font->GetGlyphBoxes();
  ASSERT_EQ(boxes.size(), 224u);
  const TGlyphSurface& surface = *font->GetGlyphSurface();
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    const TGlyphRect& box = boxes[i];
    EXPECT_EQ(box.Height(), 20) << i;
    EXPECT_EQ(box.Width(), face->GetAdvance(static_cast<uint8_t>(32 + i))) << i;
    EXPECT_TRUE(box.left >= 0 && box.top >= 0 && box.right <= surface.width && box.bottom <= surface.height) << i;
    if (i == 0) continue;
    const TGlyphRect& before = boxes[i - 1];
    if (box.top == before.top) {
      EXPECT_EQ(box.left, before.right + 1) << i;
    } else {
      EXPECT_EQ(box.left, 0) << i;
      EXPECT_EQ(box.top, before.top + 21) << i;
      EXPECT_GT(before.right + 1 + box.Width() + 1, surface.width) << "row broken only when full, " << i;
    }
  }
  EXPECT_EQ(font->GetTextHeight("anything"), 20.0f);
  EXPECT_FLOAT_EQ(font->GetAscent(), static_cast<float>(face->GetAscent()));
}

TEST_F(GdiFontTest, TheSurfaceHoldsInkOnlyAndTheColourIsBakedIn) {
  const auto font = Make(16.0f, true);
  EXPECT_EQ(FileName(font->GetFontFile()), kSansBold);
  const TGlyphSurface& surface = *font->GetGlyphSurface();
  EXPECT_TRUE(std::all_of(surface.ink.begin(), surface.ink.end(), [](uint8_t v) { return v <= 1; }));
  // A space leaves its box empty; a W does not.
  const auto inkIn = [&](const TGlyphRect& box) {
    int ink = 0;
    for (int32_t y = box.top; y < box.bottom; ++y)
      for (int32_t x = box.left; x < box.right; ++x) ink += surface.HasInk(x, y) ? 1 : 0;
    return ink;
  };
  EXPECT_EQ(inkIn(font->GetGlyphBoxes()[0]), 0);
  EXPECT_GT(inkIn(font->GetGlyphBoxes()['W' - 32]), 0);
  EXPECT_GT(inkIn(font->GetGlyphBoxes()[0x80 - 32]), 0) << "the euro sign";
  EXPECT_FLOAT_EQ(surface.colour.GetR(), 1.0f);
  EXPECT_FLOAT_EQ(surface.colour.GetG(), 0.5f);
}

TEST_F(GdiFontTest, MeasuringAndDrawingSkipCharactersBelow32) {
  const auto font = Make(12.0f);
  const std::vector<TGlyphRect>& boxes = font->GetGlyphBoxes();
  const float hi = static_cast<float>(boxes['H' - 32].Width() + boxes['i' - 32].Width());
  EXPECT_FLOAT_EQ(font->GetTextWidth("Hi"), hi);
  EXPECT_FLOAT_EQ(font->GetTextWidth("H\ti\n\r"), hi);
  EXPECT_FLOAT_EQ(font->GetTextWidth(""), 0.0f);

  ASSERT_TRUE(font->DrawText(10.7f, -3.2f, 0.0f, 5.0f, 5.0f, nullptr, "H\ti"));
  ASSERT_EQ(target.blits.size(), 2u);
  EXPECT_EQ(target.blits[0].source, boxes['H' - 32]);
  const int32_t h = boxes['H' - 32].Width();
  EXPECT_EQ(target.blits[0].dest, (TGlyphRect{10, -4, 10 + h, -4 + 12})) << "corners floored, scale unused";
  EXPECT_EQ(target.blits[1].dest, (TGlyphRect{10 + h, -4, 10 + h + boxes['i' - 32].Width(), 8}));
}

TEST_F(GdiFontTest, ReleaseDropsTheSurfaceButKeepsMeasuringAndRestoreRebuilds) {
  const auto font = Make(14.0f);
  const float width = font->GetTextWidth("Release");
  const uint32_t generation = font->GetGlyphSurface()->generation;
  font->ReleaseDevice();
  EXPECT_EQ(font->GetGlyphSurface(), nullptr);
  EXPECT_FLOAT_EQ(font->GetTextWidth("Release"), width);
  EXPECT_FALSE(font->DrawText(0, 0, 0, 1, 1, nullptr, "x"));
  EXPECT_TRUE(target.blits.empty());
  ASSERT_TRUE(font->RestoreDevice());
  ASSERT_NE(font->GetGlyphSurface(), nullptr);
  EXPECT_NE(font->GetGlyphSurface()->generation, generation);
  EXPECT_FLOAT_EQ(font->GetTextWidth("Release"), width);
}

TEST_F(GdiFontTest, AFontThatCannotBeMadeMeasuresNothing) {
  auto tiny = std::make_unique<TGdiFont>(Faces(), &target);
  EXPECT_FALSE(tiny->Create("Arial", 0.5f, false, false, nullptr));
  auto nothing = std::make_shared<platform::TFontFaceMap>();
  nothing->SetSearchFolders({}, {});
  auto missing = std::make_unique<TGdiFont>(nothing, &target);
  EXPECT_FALSE(missing->Create("Arial", 12.0f, false, false, nullptr));
  for (TGdiFont* font : {tiny.get(), missing.get()}) {
    EXPECT_EQ(font->GetGlyphSurface(), nullptr);
    EXPECT_FLOAT_EQ(font->GetTextWidth("text"), 0.0f);
    EXPECT_FLOAT_EQ(font->GetTextHeight("text"), 0.0f);
    EXPECT_FALSE(font->DrawText(0, 0, 0, 1, 1, nullptr, "text"));
  }
  EXPECT_TRUE(target.blits.empty());
}

TEST_F(GdiFontTest, AStyleOfSize10AtScale2BuildsGlyphsTwentyHigh) {
  TConfigParser config;
  config.SetText("# styles\n[Big]\n  Code = ^0\n  Font = Arial\n  Size = 10\n  Scale = 2.0\n  Bold = NO\n"
                 "  Italic = NO\n  Colour = 1, 1, 1, 1\n");
  TFontManager fonts;
  fonts.LoadFonts(config, false, MakeDisplayFontFactory(false, Faces()));
  const auto* font = dynamic_cast<const TGdiFont*>(fonts.GetStyle("^0").font);
  ASSERT_NE(font, nullptr);
  EXPECT_FLOAT_EQ(font->GetTextHeight("x"), 20.0f);
  EXPECT_EQ(font->GetGlyphSurface()->width, 512);
}

class GlyphSheetFontTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!Installed(kSans)) GTEST_SKIP() << kSans << " is not installed";
  }
  std::unique_ptr<TGlyphSheetFont> Make(float size, RecordingDevice& device) {
    auto font = std::make_unique<TGlyphSheetFont>(Faces(), &device);
    EXPECT_TRUE(font->Create("Arial", size, false, false, nullptr));
    return font;
  }
  RecordingDevice device{4096};
};

TEST(GlyphSheet, TexelsAreWhiteWithTheTopFourBitsOfCoverageAsAlpha) {
  struct Case {
    uint8_t coverage;
    uint16_t texel;
  };
  const Case cases[] = {{0, 0x0000}, {15, 0x0000}, {16, 0x1FFF}, {128, 0x8FFF}, {200, 0xCFFF}, {255, 0xFFFF}};
  for (const Case& c : cases) EXPECT_EQ(TGlyphSheet::TexelOf(c.coverage), c.texel) << int(c.coverage);
}

TEST_F(GlyphSheetFontTest, TheSheetIsAntiAliasedFourBitAlphaOverWhite) {
  const auto font = Make(16.0f, device);
  const TGlyphSheet& sheet = *font->GetSheet();
  EXPECT_EQ(FileName(sheet.GetFontFile()), kSans);
  EXPECT_EQ(sheet.GetWidth(), 512);
  EXPECT_EQ(sheet.GetHeight(), 512);
  EXPECT_FLOAT_EQ(sheet.GetScale(), 1.0f);
  EXPECT_EQ(sheet.GetPixelHeight(), 16);
  ASSERT_EQ(sheet.GetTexels().size(), 512u * 512u);
  std::set<uint16_t> alphas;
  for (uint16_t texel : sheet.GetTexels()) {
    ASSERT_TRUE(texel == 0 || (texel & 0x0FFF) == 0x0FFF) << std::hex << texel;
    alphas.insert(static_cast<uint16_t>(texel >> 12));
  }
  EXPECT_TRUE(alphas.count(15) == 1 && alphas.size() > 8) << "solid ink and many edge levels";
}

TEST_F(GlyphSheetFontTest, CoordinatesCoverCellsOfTheAntiAliasedAdvance) {
  const auto font = Make(20.0f, device);
  const TGlyphSheet& sheet = *font->GetSheet();
  const auto face = platform::TFontFace::Open(sheet.GetFontFile(), 20, platform::TGlyphRendering::kAntiAliased);
  ASSERT_NE(face, nullptr);
  float width = 0.0f;
  for (int code = 32; code < 256; ++code) {
    const TGlyphTexCoords* uv = sheet.CoordsOf(static_cast<char>(code));
    ASSERT_NE(uv, nullptr);
    EXPECT_EQ((uv->right - uv->left) * 512.0f, static_cast<float>(face->GetAdvance(static_cast<uint8_t>(code))));
    EXPECT_EQ((uv->bottom - uv->top) * 512.0f, 20.0f);
    EXPECT_TRUE(uv->left >= 0.0f && uv->right <= 1.0f && uv->top >= 0.0f && uv->bottom <= 1.0f) << code;
  }
  EXPECT_EQ(sheet.CoordsOf('\n'), nullptr);
  for (char c : std::string("Sheet")) width += static_cast<float>(face->GetAdvance(static_cast<uint8_t>(c)));
  EXPECT_FLOAT_EQ(font->GetTextWidth("Sheet"), width);
  EXPECT_FLOAT_EQ(font->GetTextWidth("Sh\teet"), width);
  EXPECT_FLOAT_EQ(font->GetTextHeight(""), 20.0f);
  EXPECT_FLOAT_EQ(font->GetAscent(), static_cast<float>(face->GetAscent()));
}

TEST_F(GlyphSheetFontTest, TextBecomesTwoTrianglesACharacterInBatchesOf300Vertices) {
  const auto font = Make(12.0f, device);
  const std::string text(60, 'A');
  const TColour colour(1.0f, 0.0f, 0.0f, 0.5f);
  ASSERT_TRUE(font->DrawText(100.0f, 50.0f, 0.25f, 2.0f, 1.0f, &colour, text + "\t"));
  ASSERT_EQ(device.batches.size(), 2u);
  EXPECT_EQ(device.batches[0].size(), 300u);
  EXPECT_EQ(device.batches[1].size(), 60u);
  EXPECT_EQ(device.texturesMade, 1);
  const TGlyphTexCoords& uv = *font->GetSheet()->CoordsOf('A');
  const float width = (uv.right - uv.left) * static_cast<float>(font->GetSheet()->GetWidth()) * 2.0f;
  const std::vector<TVertex>& quad = device.batches[0];
  // Left-bottom, left-top, right-bottom, right-top, right-bottom, left-top.
  const float xs[] = {99.5f, 99.5f, 99.5f + width, 99.5f + width, 99.5f + width, 99.5f};
  const float ys[] = {61.5f, 49.5f, 61.5f, 49.5f, 61.5f, 49.5f};
  for (int i = 0; i < 6; ++i) {
    EXPECT_FLOAT_EQ(quad[i].x, xs[i]) << i;
    EXPECT_FLOAT_EQ(quad[i].y, ys[i]) << i;
    EXPECT_FLOAT_EQ(quad[i].z, 0.25f);
    EXPECT_EQ(quad[i].colour, colour.ToARGB());
  }
  EXPECT_FLOAT_EQ(quad[0].u, uv.left);
  EXPECT_FLOAT_EQ(quad[0].v, uv.bottom);
  EXPECT_FLOAT_EQ(quad[3].u, uv.right);
  EXPECT_FLOAT_EQ(quad[3].v, uv.top);
  EXPECT_FLOAT_EQ(device.batches[1][0].x, 99.5f + 50.0f * width) << "the second batch goes on where the first ended";
}

TEST_F(GlyphSheetFontTest, ReleaseFreesTheTextureAndRestoreMakesTheSheetAgain) {
  const auto font = Make(12.0f, device);
  font->DrawText(0, 0, 0, 1, 1, nullptr, "a");
  font->ReleaseDevice();
  EXPECT_TRUE(font->RestoreDevice());
  font->DrawText(0, 0, 0, 1, 1, nullptr, "a");
  EXPECT_EQ(device.texturesMade, 2);
  EXPECT_EQ(device.batches.back()[0].colour, 0xFFFFFFFFu) << "no colour draws white";
}

TEST_F(GlyphSheetFontTest, ADeviceWithSmallTexturesGetsGlyphsRenderedSmallerAndDrawnBackToSize) {
  RecordingDevice small(128);
  const auto font = Make(16.0f, small);
  const TGlyphSheet& sheet = *font->GetSheet();
  EXPECT_LE(sheet.GetWidth(), 128);
  EXPECT_LT(sheet.GetScale(), 1.0f);
  for (int code = 32; code < 256; ++code) {
    const TGlyphTexCoords* uv = sheet.CoordsOf(static_cast<char>(code));
    EXPECT_TRUE(uv->right <= 1.0f && uv->bottom <= 1.0f) << "every glyph stays on the texture, " << code;
  }
  const float height = font->GetTextHeight("x");
  EXPECT_NEAR(height, 16.0f, 1.0f / sheet.GetScale());
}

TEST_F(GlyphSheetFontTest, TallFontsTakeALargerTextureThanTheirFirstChoice) {
  const auto font = Make(200.0f, device);
  const TGlyphSheet& sheet = *font->GetSheet();
  EXPECT_GT(sheet.GetWidth(), 1024);
  EXPECT_FLOAT_EQ(sheet.GetScale(), 1.0f);
  EXPECT_FLOAT_EQ(font->GetTextHeight("x"), 200.0f);
}

TEST_F(GlyphSheetFontTest, WithoutADeviceOrASheetNothingIsDrawn) {
  auto font = std::make_unique<TGlyphSheetFont>(Faces(), nullptr);
  ASSERT_TRUE(font->Create("Arial", 12.0f, false, false, nullptr)) << "sheets are made without a display";
  EXPECT_FALSE(font->DrawText(0, 0, 0, 1, 1, nullptr, "a"));
  auto empty = std::make_unique<TGlyphSheetFont>(Faces(), &device);
  EXPECT_FALSE(empty->Create("Arial", 0.0f, false, false, nullptr));
  EXPECT_FALSE(empty->DrawText(0, 0, 0, 1, 1, nullptr, "a"));
  EXPECT_FLOAT_EQ(empty->GetTextWidth("a"), 0.0f);
  EXPECT_FLOAT_EQ(empty->GetAscent(), 0.0f);
  EXPECT_TRUE(device.batches.empty());
}

}  // namespace
