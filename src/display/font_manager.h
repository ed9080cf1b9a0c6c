// The fonts of the interface, by style name, read from the font-style file.
#pragma once

#include <cstdint>
#include <map>
#include <string>

class TConfigParser;

struct TFontStyle {
  std::string face;  // "Font"
  int32_t size = 12;
  bool bold = false;
};

class TFontManager {
 public:
  // Reads every section of the font-style text as one style; the glyph-sheet
  // flag chooses the kind of font the 3D display draws with. Returns the
  // number of styles read.
  int LoadFonts(TConfigParser& config, bool glyphSheets);

  const TFontStyle* FindStyle(const std::string& name) const;
  std::size_t StyleCount() const { return styles_.size(); }
  bool UsesGlyphSheets() const { return glyphSheets_; }

 private:
  std::map<std::string, TFontStyle> styles_;
  bool glyphSheets_ = false;
};
