#include "display/text/glyph_cells.h"

#include "platform/font_face.h"

std::vector<TGlyphRect> LayoutGlyphCells(const platform::TFontFace& face, int32_t width) {
  std::vector<TGlyphRect> cells;
  cells.reserve(kGlyphCount);
  const int32_t height = face.GetCellHeight();
  int32_t x = 0;
  int32_t y = 0;
  for (int code = kFirstGlyph; code < 256; ++code) {
    const int32_t advance = face.GetAdvance(static_cast<uint8_t>(code));
    if (x + advance + 1 > width) {
      x = 0;
      y += height + 1;
    }
    cells.push_back({x, y, x + advance, y + height});
    x += advance + 1;
  }
  return cells;
}

bool CellsFit(const std::vector<TGlyphRect>& cells, int32_t width, int32_t height) {
  for (const TGlyphRect& cell : cells) {
    if (cell.left < 0 || cell.top < 0 || cell.right > width || cell.bottom > height) return false;
  }
  return true;
}

std::vector<uint8_t> RenderGlyphCells(const platform::TFontFace& face, const std::vector<TGlyphRect>& cells,
                                      int32_t width, int32_t height) {
  std::vector<uint8_t> coverage(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  const platform::TCoverageTarget target{coverage.data(), width, width, height};
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const TGlyphRect& cell = cells[i];
    // Ink beyond the advance (overhangs, italics) would reach the neighbour's
    // cell, so each glyph keeps to its own.
    face.DrawGlyph(static_cast<uint8_t>(kFirstGlyph + i), cell.left, cell.top, target, cell.left, cell.top,
                   cell.right, cell.bottom);
  }
  return coverage;
}

int32_t FitGlyphSquare(const platform::TFontFace& face, int32_t firstSize, int32_t largestSize) {
  for (int32_t size = firstSize; size > 0 && size <= largestSize; size *= 2) {
    if (CellsFit(LayoutGlyphCells(face, size), size, size)) return size;
  }
  return 0;
}

const TGlyphRect* CellOf(const std::vector<TGlyphRect>& cells, char character) {
  const int code = static_cast<uint8_t>(character);
  if (code < kFirstGlyph || cells.size() != kGlyphCount) return nullptr;
  return &cells[static_cast<std::size_t>(code - kFirstGlyph)];
}

int32_t SumCellWidths(const std::vector<TGlyphRect>& cells, std::string_view text) {
  int32_t width = 0;
  for (char c : text) {
    if (const TGlyphRect* cell = CellOf(cells, c)) width += cell->Width();
  }
  return width;
}
