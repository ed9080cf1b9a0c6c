// The text styles of the game, read from the language's font style file. A
// style is named by a short code that may appear inside texts and binds a
// font, a scale and a colour. Styles with the same font description share
// one font.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "display/colour.h"
#include "display/text/font.h"

class TConfigParser;

struct TFontStyle {
  // Owned by the manager's font map (or the manager's default font).
  TFont* font = nullptr;
  // Applied when text of the style is measured and drawn.
  float scale = 1.0f;
  std::unique_ptr<TColour> colour;
};

class TFontManager {
 public:
  TFontManager();
  ~TFontManager();
  TFontManager(const TFontManager&) = delete;
  TFontManager& operator=(const TFontManager&) = delete;

  // Installs the font factory of the display kind (glyph sheets on the 3D
  // display, glyph surfaces with colours baked in otherwise), then reads one
  // style per section for as long as the next section is found. Returns the
  // number of sections read.
  int LoadFonts(TConfigParser& config, bool is3D);
  // The same with a factory of the caller's choice.
  int LoadFonts(TConfigParser& config, bool is3D, std::unique_ptr<TFontFactory> factory);

  // The style of the code; the default style (an empty font, scale 0,
  // white) for a code that names none.
  const TFontStyle& GetStyle(const std::string& code) const;
  const TFontStyle& GetDefaultStyle() const { return defaultStyle_; }
  // The earliest position at or after `start` where a style code occurs in
  // the text, with that code in `code`; the text length (and an empty code)
  // when none occurs. At equal positions the code that sorts first wins.
  std::size_t FindFirstStyleCode(const std::string& text, std::size_t start, std::string& code) const;
  // The same for a caller that walks one text forward: `nextAt` keeps where
  // each code occurs next (empty on the first call), so that a code that is
  // far off or absent is not searched for again at every step.
  std::size_t FindFirstStyleCode(const std::string& text, std::size_t start, std::string& code,
                                 std::vector<std::size_t>& nextAt) const;

  // Around a display reset, every font in key order.
  void ReleaseFonts();
  void RestoreFonts();

  std::size_t StyleCount() const { return styles_.size(); }
  std::size_t FontCount() const { return fonts_.size(); }
  // The font stored under a font key; null when there is none.
  const TFont* FindFont(const std::string& key) const;
  // Glyph-surface fonts: size and colour baked into the glyphs.
  bool UsesGdiFonts() const { return gdiFonts_; }

  // Fonts above this size, at or below zero, or not finite, are not made:
  // such a style draws with the empty font.
  static constexpr float kMaxFontSize = 256.0f;

 private:
  struct TFontEntry;

  void ReadStyle(TConfigParser& config);
  TFont* FindOrCreateFont(TConfigParser& config);
  TFont* FontOf(const TFontEntry& entry);

  std::map<std::string, std::unique_ptr<TFontStyle>> styles_;
  std::map<std::string, std::unique_ptr<TFont>> fonts_;
  std::unique_ptr<TFont> defaultFont_;
  TFontStyle defaultStyle_;
  std::unique_ptr<TFontFactory> factory_;
  bool gdiFonts_ = false;
};
