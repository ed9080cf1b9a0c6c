// The one font of the 2D display's queued texts: bold "Arial", 16 pixels
// high times the text scale, without anti-aliasing, drawn straight into the
// locked back buffer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "display/text/glyph_surface.h"

namespace platform {
class TFontFace;
class TFontFaceMap;
}  // namespace platform

class TScreenTextFont {
 public:
  TScreenTextFont();
  ~TScreenTextFont();
  TScreenTextFont(const TScreenTextFont&) = delete;
  TScreenTextFont& operator=(const TScreenTextFont&) = delete;

  // Opens the font at the scale; false (measuring 0, drawing nothing) when
  // no font file opens.
  bool Create(const platform::TFontFaceMap& faces, float textScale);
  void Delete();

  // Width in pixels of the characters from begin up to end, the range cut
  // to the text; characters below 32 are not measured.
  float GetTextWidth(const std::string& text, int32_t begin, int32_t end) const;
  // The cell height, whatever the text.
  float GetTextHeight(const std::string& text) const;
  int32_t GetCellHeight() const;
  // The font file in use; empty when none.
  std::string GetFontFile() const;

  // Draws the text with the top of its cell at (x, y), ink as `pixel`,
  // clipped to the target; characters below 32 are skipped.
  void DrawText(const std::string& text, int32_t x, int32_t y, uint32_t pixel, const TPixelTarget& target) const;

  // The cell height of a text scale: 16 times the scale, truncated.
  static int32_t CellHeightFor(float textScale);

  static constexpr const char* kFace = "Arial";

 private:
  std::unique_ptr<platform::TFontFace> face_;
};
