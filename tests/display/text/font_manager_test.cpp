// Font styles from style files: the shipped file, fonts shared by key on
// either kind of display, the default font and style for what is missing or
// unusable, style codes found in texts, and fonts released and restored
// around a display reset.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/config_parser.h"
#include "display/text/font_manager.h"

namespace {

// Keeps a journal of what happens to the fonts it made.
struct FontJournal {
  int made = 0;
  std::vector<std::string> events;
};

class JournalFont : public TFont {
 public:
  explicit JournalFont(FontJournal& journal) : journal_(journal) {}
  void ReleaseDevice() override { journal_.events.push_back("release " + Name()); }
  bool RestoreDevice() override {
    journal_.events.push_back("restore " + Name());
    return true;
  }

 private:
  std::string Name() const { return GetFace() + " " + std::to_string(static_cast<int>(GetSize())); }
  FontJournal& journal_;
};

class JournalFactory : public TFontFactory {
 public:
  explicit JournalFactory(FontJournal& journal) : journal_(journal) {}
  std::unique_ptr<TFont> CreateFont() override {
    ++journal_.made;
    return std::make_unique<JournalFont>(journal_);
  }

 private:
  FontJournal& journal_;
};

std::string Entry(const std::string& name, const std::string& body) { return "[" + name + "]\n" + body + "\n"; }

std::string FullEntry(const std::string& name, const std::string& code, const std::string& face, const std::string& size,
                      const std::string& scale, const std::string& bold, const std::string& italic,
                      const std::string& colour) {
  return Entry(name, "  Code = " + code + "\n  Font = " + face + "\n  Size = " + size + "\n  Scale = " + scale +
                         "\n  Bold = " + bold + "\n  Italic = " + italic + "\n  Colour = " + colour);
}

class FontManagerTest : public ::testing::Test {
 protected:
  int Load(const std::string& text, bool is3D) {
    TConfigParser config;
    config.SetText("# font styles\n" + text);
    return fonts.LoadFonts(config, is3D, std::make_unique<JournalFactory>(journal));
  }

  FontJournal journal;
  TFontManager fonts;
};

void ExpectColour(const TColour* colour, float r, float g, float b, float a) {
  ASSERT_NE(colour, nullptr);
  EXPECT_FLOAT_EQ(colour->r, r);
  EXPECT_FLOAT_EQ(colour->g, g);
  EXPECT_FLOAT_EQ(colour->b, b);
  EXPECT_FLOAT_EQ(colour->a, a);
}

TEST(ShippedFontStylesTest, EveryStyleOfTheDataSetHasItsFont) {
  for (const bool is3D : {true, false}) {
    SCOPED_TRACE(is3D ? "3D" : "2D");
    TConfigFile file;
    ASSERT_TRUE(file.Load(std::string(DVX_DATA_DIR) + "/Configs/FontStyles.cfg"));
    TFontManager fonts;
    const int sections = fonts.LoadFonts(file, is3D);
    EXPECT_GT(sections, 0);
    EXPECT_EQ(fonts.StyleCount(), static_cast<std::size_t>(sections)) << "every section names a style";
    EXPECT_EQ(fonts.UsesGdiFonts(), !is3D);
    for (int code = 0; code < sections; ++code) {
      const TFontStyle& style = fonts.GetStyle("^" + std::to_string(code));
      ASSERT_NE(&style, &fonts.GetDefaultStyle()) << code;
      EXPECT_NE(style.font, fonts.GetDefaultStyle().font) << "style ^" << code << " lacks a font key";
      EXPECT_FALSE(style.font->GetFace().empty());
      EXPECT_GT(style.font->GetSize(), 0.0f);
      EXPECT_GT(style.scale, 0.0f);
      EXPECT_EQ(style.font->GetColour() != nullptr, !is3D) << "only glyph surfaces bake the colour";
    }
  }
}

TEST_F(FontManagerTest, AStyleBindsItsFontScaleAndColour) {
  Load(FullEntry("Heading", "^1", "Arial", "16", "1.5", "YES", "NO", "1.0, 0.85, 0.4, 1.0"), true);
  const TFontStyle& style = fonts.GetStyle("^1");
  EXPECT_FLOAT_EQ(style.scale, 1.5f);
  ExpectColour(style.colour.get(), 1.0f, 0.85f, 0.4f, 1.0f);
  ASSERT_NE(style.font, nullptr);
  EXPECT_EQ(style.font->GetFace(), "Arial");
  EXPECT_FLOAT_EQ(style.font->GetSize(), 16.0f) << "glyph sheets scale as they draw";
  EXPECT_TRUE(style.font->IsBold());
  EXPECT_FALSE(style.font->IsItalic());
  EXPECT_EQ(style.font->GetColour(), nullptr);
  EXPECT_EQ(fonts.FindFont("Arial16.00_10"), style.font);
}

TEST_F(FontManagerTest, GlyphSurfaceFontsBakeScaleAndColourIntoTheirKey) {
  Load(FullEntry("Heading", "^1", "Arial", "12", "1.5", "NO", "YES", "0.5, 0.5, 0.5, 1.0"), false);
  const TFontStyle& style = fonts.GetStyle("^1");
  EXPECT_FLOAT_EQ(style.font->GetSize(), 18.0f);
  ExpectColour(style.font->GetColour(), 0.5f, 0.5f, 0.5f, 1.0f);
  EXPECT_EQ(fonts.FindFont("Arial18.00_010.5, 0.5, 0.5, 1.0"), style.font);
}

TEST_F(FontManagerTest, EntriesShareAFontByKey) {
  struct ShareCase {
    const char* what;
    bool is3D;
    std::string secondColour;
    std::string secondFace;
    std::size_t fonts;
  };
  const std::vector<ShareCase> cases = {
      {"3D, other colour", true, "1, 0, 0, 1", "Arial", 1},
      {"2D, other colour", false, "1, 0, 0, 1", "Arial", 2},
      {"2D, same colour", false, "1, 1, 1, 1", "Arial", 1},
      {"3D, other face", true, "1, 1, 1, 1", "Courier", 2},
  };
  for (const ShareCase& c : cases) {
    SCOPED_TRACE(c.what);
    FontJournal journal;
    TFontManager manager;
    TConfigParser config;
    config.SetText("#\n" + FullEntry("A", "^a", "Arial", "12", "1", "NO", "NO", "1, 1, 1, 1") +
                   FullEntry("B", "^b", c.secondFace, "12", "1", "NO", "NO", c.secondColour));
    manager.LoadFonts(config, c.is3D, std::make_unique<JournalFactory>(journal));
    EXPECT_EQ(manager.FontCount(), c.fonts);
    EXPECT_EQ(journal.made, static_cast<int>(c.fonts)) << "the factory makes each font once";
    EXPECT_EQ(manager.GetStyle("^a").font == manager.GetStyle("^b").font, c.fonts == 1);
  }
}

TEST_F(FontManagerTest, MissingOrUnusableKeysFallBackToTheDefaults) {
  struct MissingCase {
    const char* what;
    std::string body;
    bool defaultFont;
    bool white;
    float scale;
  };
  const std::string fontKeys = "Font = Arial\nSize = 12\nBold = NO\nItalic = NO\n";
  const std::vector<MissingCase> cases = {
      {"complete", "Code = ^x\nScale = 2\nColour = 0, 1, 0, 1\n" + fontKeys, false, false, 2.0f},
      {"no Italic", "Code = ^x\nScale = 2\nColour = 0, 1, 0, 1\nFont = Arial\nSize = 12\nBold = NO", true, false, 2.0f},
      {"no Colour", "Code = ^x\nScale = 2\n" + fontKeys, true, true, 2.0f},
      {"no Scale", "Code = ^x\nColour = 0, 1, 0, 1\n" + fontKeys, true, true, 1.0f},
      {"Scale not a number", "Code = ^x\nScale = nan\nColour = 0, 1, 0, 1\n" + fontKeys, true, true, 1.0f},
      {"Scale beyond floats", "Code = ^x\nScale = 1e99\nColour = 0, 1, 0, 1\n" + fontKeys, true, true, 1.0f},
      {"size zero", "Code = ^x\nScale = 1\nColour = 0, 1, 0, 1\nFont = A\nSize = 0\nBold = NO\nItalic = NO", true,
       false, 1.0f},
      {"size negative", "Code = ^x\nScale = 1\nColour = 0, 1, 0, 1\nFont = A\nSize = -4\nBold = NO\nItalic = NO",
       true, false, 1.0f},
      {"size huge", "Code = ^x\nScale = 1\nColour = 0, 1, 0, 1\nFont = A\nSize = 1e30\nBold = NO\nItalic = NO", true,
       false, 1.0f},
      {"size infinite", "Code = ^x\nScale = 1\nColour = 0, 1, 0, 1\nFont = A\nSize = inf\nBold = NO\nItalic = NO",
       true, false, 1.0f},
  };
  for (const bool is3D : {true, false}) {
    for (const MissingCase& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (is3D ? " 3D" : " 2D"));
      TFontManager manager;
      TConfigParser config;
      config.SetText("#\n[Style]\n" + c.body + "\n");
      EXPECT_EQ(manager.LoadFonts(config, is3D), 1);
      const TFontStyle& style = manager.GetStyle("^x");
      ASSERT_NE(&style, &manager.GetDefaultStyle());
      EXPECT_EQ(style.font == manager.GetDefaultStyle().font, c.defaultFont);
      EXPECT_EQ(manager.FontCount(), c.defaultFont ? 0u : 1u);
      if (c.white) {
        ExpectColour(style.colour.get(), 1.0f, 1.0f, 1.0f, 1.0f);
      } else {
        ExpectColour(style.colour.get(), 0.0f, 1.0f, 0.0f, 1.0f);
      }
      EXPECT_FLOAT_EQ(style.scale, c.scale);
    }
  }
}

TEST_F(FontManagerTest, UnknownCodesGetTheEmptyDefaultStyle) {
  Load(FullEntry("Normal", "^0", "Arial", "12", "1", "NO", "NO", "1, 1, 1, 1") +
           Entry("NoCode", "Font = Arial\nSize = 14\nScale = 1\nBold = NO\nItalic = NO\nColour = 1, 1, 1, 1"),
       true);
  EXPECT_EQ(fonts.StyleCount(), 1u) << "an entry without a code is left out";
  const TFontStyle& style = fonts.GetStyle("^9");
  EXPECT_EQ(&style, &fonts.GetDefaultStyle());
  EXPECT_FLOAT_EQ(style.scale, 0.0f);
  ExpectColour(style.colour.get(), 1.0f, 1.0f, 1.0f, 1.0f);
  ASSERT_NE(style.font, nullptr);
  EXPECT_FLOAT_EQ(style.font->GetTextWidth("some text"), 0.0f);
  EXPECT_FLOAT_EQ(style.font->GetTextHeight("some text"), 0.0f);
  EXPECT_TRUE(style.font->DrawText(0.0f, 0.0f, 0.0f, 1.0f, 1.0f, nullptr, "some text"));
}

TEST_F(FontManagerTest, ALaterEntryReplacesTheStyleOfTheSameCode) {
  Load(FullEntry("First", "^0", "Arial", "12", "1", "NO", "NO", "1, 1, 1, 1") +
           FullEntry("Second", "^0", "Arial", "20", "3", "NO", "NO", "0, 0, 1, 1"),
       true);
  EXPECT_EQ(fonts.StyleCount(), 1u);
  EXPECT_FLOAT_EQ(fonts.GetStyle("^0").scale, 3.0f);
  EXPECT_FLOAT_EQ(fonts.GetStyle("^0").font->GetSize(), 20.0f);
  EXPECT_EQ(fonts.FontCount(), 2u) << "fonts live until the manager goes";
}

TEST_F(FontManagerTest, AFactoryThatMakesNoFontLeavesTheDefaultFont) {
  TConfigParser config;
  config.SetText("#\n" + FullEntry("Normal", "^0", "Arial", "12", "1", "NO", "NO", "1, 1, 1, 1"));
  fonts.LoadFonts(config, true, std::make_unique<TFontFactory>());
  EXPECT_EQ(fonts.FontCount(), 0u);
  EXPECT_EQ(fonts.GetStyle("^0").font, fonts.GetDefaultStyle().font);
}

TEST_F(FontManagerTest, TextWithoutStylesOrWithoutSectionsReadsNothing) {
  EXPECT_EQ(Load("", true), 0);
  EXPECT_EQ(Load("Code = ^0\nScale = 1\n[unclosed\n", false), 0);
  EXPECT_EQ(fonts.StyleCount(), 0u);
  std::string code = "stale";
  EXPECT_EQ(fonts.FindFirstStyleCode("a ^0 b", 0, code), 6u);
  EXPECT_TRUE(code.empty());
}

TEST_F(FontManagerTest, TheEarliestCodeInATextIsFound) {
  Load(FullEntry("One", "^1", "Arial", "12", "1", "NO", "NO", "1, 1, 1, 1") +
           FullEntry("Twelve", "^12", "Arial", "12", "1", "NO", "NO", "1, 1, 1, 1") +
           FullEntry("Bold", "~b", "Arial", "12", "1", "YES", "NO", "1, 1, 1, 1"),
       true);
  struct FindCase {
    std::string text;
    std::size_t start;
    std::size_t at;
    std::string code;
  };
  const std::vector<FindCase> cases = {
      {"ab^12cd", 0, 2, "^1"},  {"x ~b y ^1", 0, 2, "~b"}, {"x ~b y ^1", 3, 7, "^1"},
      {"plain text", 0, 10, ""}, {"^1", 1, 2, ""},         {"^1", 40, 2, ""},
  };
  for (const FindCase& c : cases) {
    std::string code = "stale";
    EXPECT_EQ(fonts.FindFirstStyleCode(c.text, c.start, code), c.at) << c.text << " from " << c.start;
    EXPECT_EQ(code, c.code) << c.text << " from " << c.start;
  }
}

TEST_F(FontManagerTest, FontsAreReleasedAndRestoredInKeyOrder) {
  Load(FullEntry("A", "^a", "Courier", "10", "1", "NO", "NO", "1, 1, 1, 1") +
           FullEntry("B", "^b", "Arial", "14", "1", "NO", "NO", "1, 1, 1, 1") +
           FullEntry("C", "^c", "Arial", "12", "1", "NO", "NO", "1, 1, 1, 1"),
       true);
  fonts.ReleaseFonts();
  fonts.RestoreFonts();
  const std::vector<std::string> expected = {"release Arial 12", "release Arial 14", "release Courier 10",
                                             "restore Arial 12", "restore Arial 14", "restore Courier 10"};
  EXPECT_EQ(journal.events, expected);
}

}  // namespace
