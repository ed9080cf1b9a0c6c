// One font file opened at one cell height with FreeType. The game sizes its
// fonts the Windows way, by cell height: ascent plus descent equals the
// height asked for. Characters are Windows-1252 bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class TGlyphRendering {
  kMono,         // every pixel on or off
  kAntiAliased,  // coverage 0..255
};

// The ink of one character, placed relative to the pen on the baseline:
// its top-left pixel lies `left` right of the pen and `top` above the baseline.
struct TGlyphImage {
  int32_t width = 0;
  int32_t height = 0;
  int32_t left = 0;
  int32_t top = 0;
  std::vector<uint8_t> coverage;  // width * height, row by row; mono ink is 255

  uint8_t At(int32_t x, int32_t y) const { return coverage[static_cast<std::size_t>(y * width + x)]; }
};

// A coverage target of a caller: `pixels` rows `pitch` bytes apart. Writes
// outside width x height are dropped.
struct TCoverageTarget {
  uint8_t* pixels = nullptr;
  int32_t pitch = 0;
  int32_t width = 0;
  int32_t height = 0;
};

class TFontFace {
 public:
  ~TFontFace();
  TFontFace(const TFontFace&) = delete;
  TFontFace& operator=(const TFontFace&) = delete;

  // Null when the file cannot be read as a scalable font or the height is
  // not from 1 to kMaxCellHeight.
  static std::unique_ptr<TFontFace> Open(const std::string& path, int32_t cellHeight, TGlyphRendering rendering);

  const std::string& GetPath() const { return path_; }
  int32_t GetCellHeight() const { return ascent_ + descent_; }
  int32_t GetAscent() const { return ascent_; }
  int32_t GetDescent() const { return descent_; }
  TGlyphRendering GetRendering() const { return rendering_; }

  // True when the font has a glyph of the character's Unicode code point.
  bool HasGlyph(uint8_t character) const;
  // Pen advance of a character in whole pixels (hinted for the rendering).
  int32_t GetAdvance(uint8_t character) const;
  // Sum of the advances.
  int32_t MeasureText(std::string_view text) const;
  // The ink of a character (all are rendered when the face opens).
  const TGlyphImage& RenderGlyph(uint8_t character) const;

  // Puts the ink of a character, with the pen at x and the cell's top at y,
  // into the target: the larger coverage wins where ink overlaps. Only the
  // part inside the clip rectangle [clipLeft, clipRight) x [clipTop,
  // clipBottom) and inside the target is written.
  void DrawGlyph(uint8_t character, int32_t x, int32_t y, const TCoverageTarget& target, int32_t clipLeft,
                 int32_t clipTop, int32_t clipRight, int32_t clipBottom) const;

  // Every glyph is rendered when a face opens; taller cells would cost more
  // memory than any text of the game is worth.
  static constexpr int32_t kMaxCellHeight = 256;

 private:
  struct TLibrary;
  TFontFace();

  bool Load(const std::string& path, int32_t cellHeight);
  void CacheGlyphs();
  std::unique_ptr<TGlyphImage> Rasterise(uint8_t character, int32_t& advance) const;

  std::unique_ptr<TLibrary> library_;
  std::string path_;
  TGlyphRendering rendering_ = TGlyphRendering::kMono;
  int32_t ascent_ = 0;
  int32_t descent_ = 0;
  std::vector<int32_t> advances_;  // by byte
  std::vector<std::unique_ptr<TGlyphImage>> glyphs_;  // by byte
};

}  // namespace platform
