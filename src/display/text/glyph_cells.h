// The glyphs of one font laid out row by row in one bitmap, the way both
// display fonts keep them: the characters 32 to 255, each in a cell as wide
// as its advance and as high as the font's cell, one pixel apart.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace platform {
class TFontFace;
}

// A rectangle of pixels, right and bottom exclusive.
struct TGlyphRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool operator==(const TGlyphRect&) const = default;
};

inline constexpr int kFirstGlyph = 32;
inline constexpr int kGlyphCount = 256 - kFirstGlyph;

// The cell of each character from 32 on, for a bitmap of the given width:
// a cell that would reach past the width starts a new row. Characters of the
// same height only, so the last cell's bottom is the height the layout needs.
std::vector<TGlyphRect> LayoutGlyphCells(const platform::TFontFace& face, int32_t width);
// True when every cell lies inside width x height.
bool CellsFit(const std::vector<TGlyphRect>& cells, int32_t width, int32_t height);

// Coverage (0..255) of every glyph in its cell, each clipped to its cell.
std::vector<uint8_t> RenderGlyphCells(const platform::TFontFace& face, const std::vector<TGlyphRect>& cells,
                                      int32_t width, int32_t height);

// The smallest power-of-two square from the first size up to the largest
// size in which the cells fit; 0 when they do not fit even there.
int32_t FitGlyphSquare(const platform::TFontFace& face, int32_t firstSize, int32_t largestSize);

// The sum of the cell widths of the characters of code 32 or more.
int32_t SumCellWidths(const std::vector<TGlyphRect>& cells, std::string_view text);

// The cell of a character of code 32 or more; null below 32.
const TGlyphRect* CellOf(const std::vector<TGlyphRect>& cells, char character);
