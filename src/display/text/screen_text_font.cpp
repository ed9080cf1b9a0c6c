#include "display/text/screen_text_font.h"

#include <algorithm>

#include "platform/font_face.h"
#include "platform/font_face_map.h"

TScreenTextFont::TScreenTextFont() = default;

TScreenTextFont::~TScreenTextFont() = default;

int32_t TScreenTextFont::CellHeightFor(float textScale) {
  const float height = 16.0f * textScale;
  if (!(height >= 1.0f)) return 0;
  return static_cast<int32_t>(std::min(height, static_cast<float>(platform::TFontFace::kMaxCellHeight)));
}

bool TScreenTextFont::Create(const platform::TFontFaceMap& faces, float textScale) {
  face_.reset();
  const int32_t height = CellHeightFor(textScale);
  if (height < 1) return false;
  face_ = platform::OpenMappedFace(faces, kFace, true, false, height, platform::TGlyphRendering::kMono);
  return face_ != nullptr;
}

void TScreenTextFont::Delete() { face_.reset(); }

float TScreenTextFont::GetTextWidth(const std::string& text, int32_t begin, int32_t end) const {
  if (!face_) return 0.0f;
  const auto length = static_cast<int32_t>(text.size());
  begin = std::clamp(begin, 0, length);
  end = std::clamp(end, begin, length);
  int32_t width = 0;
  for (int32_t i = begin; i < end; ++i) {
    const auto code = static_cast<uint8_t>(text[static_cast<std::size_t>(i)]);
    if (code >= 32) width += face_->GetAdvance(code);
  }
  return static_cast<float>(width);
}

float TScreenTextFont::GetTextHeight(const std::string& /*text*/) const {
  return static_cast<float>(GetCellHeight());
}

int32_t TScreenTextFont::GetCellHeight() const { return face_ ? face_->GetCellHeight() : 0; }

std::string TScreenTextFont::GetFontFile() const { return face_ ? face_->GetPath() : std::string(); }

void TScreenTextFont::DrawText(const std::string& text, int32_t x, int32_t y, uint32_t pixel,
                               const TPixelTarget& target) const {
  if (!face_ || target.pixels == nullptr || (target.bytesPerPixel != 2 && target.bytesPerPixel != 4)) return;
  const int32_t baseline = y + face_->GetAscent();
  for (char c : text) {
    const auto code = static_cast<uint8_t>(c);
    if (code < 32) continue;
    const platform::TGlyphImage& glyph = face_->RenderGlyph(code);
    const int32_t left = x + glyph.left;
    const int32_t top = baseline - glyph.top;
    const int32_t fromRow = std::max(0, -top);
    const int32_t toRow = std::min(glyph.height, target.height - top);
    const int32_t fromColumn = std::max(0, -left);
    const int32_t toColumn = std::min(glyph.width, target.width - left);
    for (int32_t row = fromRow; row < toRow; ++row) {
      for (int32_t column = fromColumn; column < toColumn; ++column) {
        if (glyph.At(column, row) != 0) target.Put(left + column, top + row, pixel);
      }
    }
    x += face_->GetAdvance(code);
  }
}
