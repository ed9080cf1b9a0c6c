// Fonts of fixed metrics for layout tests: every character is half the font
// size wide, a text is as tall as the size and the ascent is three quarters
// of it. What the fonts draw is kept in a journal, in order.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/config_parser.h"
#include "display/colour.h"
#include "display/text/font.h"
#include "display/text/font_manager.h"

namespace testing_fonts {

struct DrawnText {
  float x = 0.0f;
  float y = 0.0f;
  float scale = 0.0f;
  std::string face;
  std::string text;
};

struct TextJournal {
  std::vector<DrawnText> drawn;
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const DrawnText& text : drawn) texts.push_back(text.text);
    return texts;
  }
};

class FixedFont : public TFont {
 public:
  explicit FixedFont(TextJournal& journal) : journal_(journal) {}
  bool DrawText(float x, float y, float /*z*/, float scaleX, float /*scaleY*/, const TColour* /*colour*/,
                const std::string& text) override {
    journal_.drawn.push_back(DrawnText{x, y, scaleX, GetFace(), text});
    return true;
  }
  float GetTextWidth(const std::string& text) const override {
    return static_cast<float>(text.size()) * GetSize() * 0.5f;
  }
  float GetTextHeight(const std::string& /*text*/) const override { return GetSize(); }
  float GetAscent() const override { return GetSize() * 0.75f; }

 private:
  TextJournal& journal_;
};

class FixedFontFactory : public TFontFactory {
 public:
  explicit FixedFontFactory(TextJournal& journal) : journal_(journal) {}
  std::unique_ptr<TFont> CreateFont() override { return std::make_unique<FixedFont>(journal_); }

 private:
  TextJournal& journal_;
};

// One style section of a font style file.
inline std::string StyleSection(const std::string& code, const std::string& face, int size, float scale) {
  return "[" + face + code + "]\n  Code = " + code + "\n  Font = " + face + "\n  Size = " + std::to_string(size) +
         "\n  Scale = " + std::to_string(scale) + "\n  Bold = NO\n  Italic = NO\n  Colour = 1, 1, 1, 1\n";
}

// The styles the layout tests use: "^n" 16 high (8 wide a character), "^b"
// 32 high (16 wide), "^s" at half the scale of a 16 font (4 wide).
inline std::string StandardStyles() {
  return "# font styles of the tests\n" + StyleSection("^n", "Normal", 16, 1.0f) +
         StyleSection("^b", "Big", 32, 1.0f) + StyleSection("^s", "Small", 16, 0.5f);
}

// Loads the styles into the manager with fonts that measure and record.
inline void LoadFixedFonts(TFontManager& fonts, TextJournal& journal, const std::string& styles = StandardStyles()) {
  TConfigParser config(styles);
  fonts.LoadFonts(config, true, std::make_unique<FixedFontFactory>(journal));
}

}  // namespace testing_fonts
