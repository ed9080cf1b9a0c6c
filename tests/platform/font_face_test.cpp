// FreeType faces opened at Windows cell heights, against the pinned files of
// the face map: Liberation Sans for "Arial", DejaVu Sans for the rest.
#include "platform/font_face.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/font_face_map.h"
#include "support/temp_folder.h"

namespace {

using platform::TFontFace;
using platform::TFontFaceMap;
using platform::TGlyphRendering;

std::string FileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// The installed file of a face when it is the pinned one; empty otherwise, and
// the test then skips naming the missing file.
std::string PinnedFile(const std::string& face, bool bold, bool italic, const std::string& expected) {
  const std::string path = TFontFaceMap().FindFontFile(face, bold, italic);
  return FileName(path) == expected ? path : std::string();
}

TEST(FontFaceMapDefaults, ArialIsLiberationSansAndOtherFacesDejaVuSans) {
  struct Case {
    const char* face;
    bool bold;
    bool italic;
    const char* file;
  };
  const Case cases[] = {
      {"Arial", false, false, "LiberationSans-Regular.ttf"},
      {"ARIAL", true, false, "LiberationSans-Bold.ttf"},
      {"arial", false, true, "LiberationSans-Italic.ttf"},
      {"Arial", true, true, "LiberationSans-BoldItalic.ttf"},
      {"Tahoma", false, false, "DejaVuSans.ttf"},
      {"Verdana", true, false, "DejaVuSans-Bold.ttf"},
      {"", false, true, "DejaVuSans-Oblique.ttf"},
  };
  const TFontFaceMap map;
  for (const Case& c : cases) {
    const std::vector<std::string> files = map.CandidateFiles(c.face, c.bold, c.italic);
    ASSERT_FALSE(files.empty()) << c.face;
    EXPECT_EQ(files.front(), c.file) << c.face << " bold " << c.bold << " italic " << c.italic;
    const std::string path = map.FindFontFile(c.face, c.bold, c.italic);
    if (path.empty()) continue;  // nothing installed at all: the candidates are what counts here
    if (FileName(path) == c.file) {
      EXPECT_TRUE(std::filesystem::path(path).is_absolute());
    } else {
      std::cout << "note: " << c.file << " is not installed, " << path << " stands in\n";
    }
  }
}

TEST(FontFace, AscentPlusDescentIsTheCellHeight) {
  const TFontFaceMap map;
  for (const bool arial : {true, false}) {
    const std::string path = map.FindFontFile(arial ? "Arial" : "Other", false, false);
    if (path.empty()) GTEST_SKIP() << "no font file is installed";
    for (const int32_t height : {1, 7, 12, 16, 20, 33, 64, 256}) {
      for (const TGlyphRendering rendering : {TGlyphRendering::kMono, TGlyphRendering::kAntiAliased}) {
        const auto face = TFontFace::Open(path, height, rendering);
        ASSERT_NE(face, nullptr) << path << " at " << height;
        EXPECT_EQ(face->GetAscent() + face->GetDescent(), height) << path << " at " << height;
        EXPECT_EQ(face->GetCellHeight(), height);
        EXPECT_GE(face->GetAscent(), face->GetDescent()) << path << " at " << height;
      }
    }
  }
}

TEST(FontFace, LiberationSansKeepsTheWindowsAscentOfArial) {
  // Arial at a 16-pixel cell has an ascent of 13 and a descent of 3; the
  // metric-compatible face must agree or every baseline moves.
  const std::string facePath = PinnedFile("Arial", false, false, "LiberationSans-Regular.ttf");
  if (facePath.empty()) GTEST_SKIP() << "LiberationSans-Regular.ttf" << " is not installed";
  const auto face = TFontFace::Open(facePath, 16, TGlyphRendering::kMono);
  ASSERT_NE(face, nullptr) << facePath;
  EXPECT_EQ(face->GetAscent(), 13);
  EXPECT_EQ(face->GetDescent(), 3);
}

TEST(FontFace, RefusesHeightsOutOfRangeAndFilesThatAreNoFonts) {
  const TFontFaceMap map;
  const std::string path = map.FindFontFile("Arial", false, false);
  if (!path.empty()) {
    EXPECT_EQ(TFontFace::Open(path, 0, TGlyphRendering::kMono), nullptr);
    EXPECT_EQ(TFontFace::Open(path, -5, TGlyphRendering::kMono), nullptr);
    EXPECT_EQ(TFontFace::Open(path, TFontFace::kMaxCellHeight + 1, TGlyphRendering::kMono), nullptr);
  }
  TTempFolder folder;
  std::ofstream(folder.Path("fake.ttf")) << "not a font at all";
  EXPECT_EQ(TFontFace::Open(folder.Path("fake.ttf").string(), 16, TGlyphRendering::kMono), nullptr);
  EXPECT_EQ(TFontFace::Open(folder.Path("missing.ttf").string(), 16, TGlyphRendering::kMono), nullptr);
}

TEST(FontFace, AdvancesAddUpAndFollowTheLetterShapes) {
  const std::string facePath = PinnedFile("Arial", false, false, "LiberationSans-Regular.ttf");
  if (facePath.empty()) GTEST_SKIP() << "LiberationSans-Regular.ttf" << " is not installed";
  const auto face = TFontFace::Open(facePath, 16, TGlyphRendering::kMono);
  ASSERT_NE(face, nullptr) << facePath;
  EXPECT_GT(face->GetAdvance(' '), 0);
  EXPECT_GT(face->GetAdvance('W'), face->GetAdvance('i'));
  EXPECT_EQ(face->MeasureText("Wii"), face->GetAdvance('W') + 2 * face->GetAdvance('i'));
  EXPECT_EQ(face->MeasureText(""), 0);
  // Arial's digits share one advance, so columns of figures line up.
  for (char digit = '1'; digit <= '9'; ++digit) EXPECT_EQ(face->GetAdvance(digit), face->GetAdvance('0')) << digit;
}

TEST(FontFace, MonoGlyphsAreOnOrOffAndAntiAliasedOnesHaveEdges) {
  const std::string monoPath = PinnedFile("Arial", false, false, "LiberationSans-Regular.ttf");
  if (monoPath.empty()) GTEST_SKIP() << "LiberationSans-Regular.ttf" << " is not installed";
  const auto mono = TFontFace::Open(monoPath, 20, TGlyphRendering::kMono);
  ASSERT_NE(mono, nullptr) << monoPath;
  const auto smooth = TFontFace::Open(monoPath, 20, TGlyphRendering::kAntiAliased);
  ASSERT_NE(smooth, nullptr);
  const auto counts = [](const platform::TGlyphImage& image) {
    int ink = 0;
    int partial = 0;
    for (uint8_t c : image.coverage) {
      if (c != 0) ++ink;
      if (c != 0 && c != 255) ++partial;
    }
    return std::pair(ink, partial);
  };
  for (const char c : std::string("AOgW@")) {
    const auto [monoInk, monoPartial] = counts(mono->RenderGlyph(static_cast<uint8_t>(c)));
    const auto [smoothInk, smoothPartial] = counts(smooth->RenderGlyph(static_cast<uint8_t>(c)));
    EXPECT_GT(monoInk, 0) << c;
    EXPECT_EQ(monoPartial, 0) << c;
    EXPECT_GT(smoothPartial, 0) << c;
  }
  EXPECT_TRUE(mono->RenderGlyph(' ').coverage.empty() ||
              std::all_of(mono->RenderGlyph(' ').coverage.begin(), mono->RenderGlyph(' ').coverage.end(),
                          [](uint8_t c) { return c == 0; }));
}

TEST(FontFace, Windows1252BytesReachTheirUnicodeCharacters) {
  const std::string facePath = PinnedFile("Arial", false, false, "LiberationSans-Regular.ttf");
  if (facePath.empty()) GTEST_SKIP() << "LiberationSans-Regular.ttf" << " is not installed";
  const auto face = TFontFace::Open(facePath, 24, TGlyphRendering::kMono);
  ASSERT_NE(face, nullptr) << facePath;
  struct Case {
    uint8_t byte;
    bool hasGlyph;
  };
  // 0x80 is the euro sign, 0x9F Y with diaeresis, 0xE9 e acute; 0x81 is
  // left undefined by the code page and draws no letter.
  const Case cases[] = {{0x80, true}, {0x8A, true}, {0x99, true}, {0x9F, true}, {0xE9, true}, {0x81, false}};
  for (const Case& c : cases) EXPECT_EQ(face->HasGlyph(c.byte), c.hasGlyph) << int(c.byte);
  // Read as Latin-1 the euro byte would be a control without ink.
  const platform::TGlyphImage& euro = face->RenderGlyph(0x80);
  EXPECT_GT(std::count(euro.coverage.begin(), euro.coverage.end(), 255), 0);
  EXPECT_NE(euro.coverage, face->RenderGlyph('E').coverage);
  EXPECT_NE(euro.coverage, face->RenderGlyph('C').coverage);
}

TEST(FontFace, DrawGlyphWritesOnlyInsideTheClipAndTheTarget) {
  const std::string facePath = PinnedFile("Arial", true, false, "LiberationSans-Bold.ttf");
  if (facePath.empty()) GTEST_SKIP() << "LiberationSans-Bold.ttf" << " is not installed";
  const auto face = TFontFace::Open(facePath, 16, TGlyphRendering::kMono);
  ASSERT_NE(face, nullptr) << facePath;
  constexpr int32_t kWidth = 12;
  constexpr int32_t kHeight = 10;
  constexpr int32_t kPitch = 16;  // room right of the target that must stay untouched
  struct Case {
    int32_t x, y, clipLeft, clipTop, clipRight, clipBottom;
  };
  const Case cases[] = {
      {0, 0, 0, 0, kWidth, kHeight},    // the target cuts the glyph's foot
      {-4, -3, -100, -100, 100, 100},   // hangs off the top-left
      {7, 2, 0, 0, 100, 100},           // hangs off the right
      {0, 0, 3, 2, 6, 8},               // a clip rectangle inside
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> pixels(static_cast<std::size_t>(kPitch * (kHeight + 2)), 0);
    const platform::TCoverageTarget target{pixels.data(), kPitch, kWidth, kHeight};
    face->DrawGlyph('W', c.x, c.y, target, c.clipLeft, c.clipTop, c.clipRight, c.clipBottom);
    int inside = 0;
    for (int32_t y = 0; y < kHeight + 2; ++y) {
      for (int32_t x = 0; x < kPitch; ++x) {
        const bool allowed = x < kWidth && y < kHeight && x >= c.clipLeft && x < c.clipRight && y >= c.clipTop &&
                             y < c.clipBottom;
        const uint8_t value = pixels[static_cast<std::size_t>(y * kPitch + x)];
        if (!allowed) {
          EXPECT_EQ(value, 0) << "case x " << c.x << " clip " << c.clipLeft << " at " << x << "," << y;
        } else if (value != 0) {
          ++inside;
        }
      }
    }
    EXPECT_GT(inside, 0) << "case x " << c.x << " clip " << c.clipLeft;
  }
}

}  // namespace
