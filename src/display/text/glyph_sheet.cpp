#include "display/text/glyph_sheet.h"

#include <algorithm>

#include "display/text/glyph_cells.h"
#include "platform/font_face_map.h"

TGlyphSheet::TGlyphSheet(std::string face, int32_t pixelHeight, uint32_t flags)
    : face_(std::move(face)), pixelHeight_(pixelHeight), flags_(flags) {}

int32_t TGlyphSheet::TextureSizeFor(int32_t pixelHeight) {
  if (pixelHeight > 20) return 1024;
  if (pixelHeight > 10) return 512;
  return 256;
}

uint16_t TGlyphSheet::TexelOf(uint8_t coverage) {
  const auto alpha = static_cast<uint16_t>(coverage >> 4);
  return alpha > 0 ? static_cast<uint16_t>((alpha << 12) | 0x0FFF) : 0;
}

const TGlyphTexCoords* TGlyphSheet::CoordsOf(char character) const {
  const int code = static_cast<uint8_t>(character);
  if (code < kFirstGlyph || coords_.size() != kGlyphCount) return nullptr;
  return &coords_[static_cast<std::size_t>(code - kFirstGlyph)];
}

bool TGlyphSheet::Build(const platform::TFontFaceMap& faces, int32_t maxTextureWidth) {
  width_ = height_ = 0;
  scale_ = 1.0f;
  texels_.clear();
  coords_.clear();
  if (pixelHeight_ < 1 || maxTextureWidth < 1) return false;
  int32_t size = TextureSizeFor(pixelHeight_);
  int32_t renderHeight = pixelHeight_;
  if (size > maxTextureWidth) {
    // The device takes no texture this large: the glyphs are rendered
    // smaller in proportion and drawn scaled back up.
    renderHeight = std::max(1, static_cast<int32_t>(static_cast<int64_t>(pixelHeight_) * maxTextureWidth / size));
    size = maxTextureWidth;
  }
  // Glyphs that do not fit take a larger texture, and at the device's
  // largest a smaller rendering, rather than running off the texture.
  while (true) {
    if (Render(faces, renderHeight, size, maxTextureWidth)) return true;
    if (fontFile_.empty() || renderHeight == 1) return false;
    renderHeight = std::min(renderHeight - 1, renderHeight * 3 / 4);
  }
}

bool TGlyphSheet::Render(const platform::TFontFaceMap& faces, int32_t renderHeight, int32_t firstSize,
                         int32_t maxSize) {
  fontFile_.clear();
  const auto face = platform::OpenMappedFace(faces, face_, (flags_ & kBold) != 0, (flags_ & kItalic) != 0,
                                             renderHeight, platform::TGlyphRendering::kAntiAliased);
  if (!face) return false;
  fontFile_ = face->GetPath();
  const int32_t side = FitGlyphSquare(*face, firstSize, maxSize);
  if (side == 0) return false;
  const std::vector<TGlyphRect> cells = LayoutGlyphCells(*face, side);
  const std::vector<uint8_t> coverage = RenderGlyphCells(*face, cells, side, side);
  width_ = height_ = side;
  texels_.resize(coverage.size());
  std::transform(coverage.begin(), coverage.end(), texels_.begin(), TexelOf);
  const auto texture = static_cast<float>(side);
  coords_.clear();
  for (const TGlyphRect& cell : cells) {
    coords_.push_back({static_cast<float>(cell.left) / texture, static_cast<float>(cell.top) / texture,
                       static_cast<float>(cell.right) / texture, static_cast<float>(cell.bottom) / texture});
  }
  scale_ = renderHeight == pixelHeight_ ? 1.0f : static_cast<float>(renderHeight) / static_cast<float>(pixelHeight_);
  ascent_ = static_cast<float>(face->GetAscent()) / scale_;
  return true;
}
