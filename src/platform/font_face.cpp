#include "platform/font_face.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include "platform/text_encoding.h"

namespace platform {

namespace {

constexpr int kCharacterCount = 256;

// Copies a rendered FreeType bitmap into coverage bytes, mono bits as 255.
void CopyBitmap(const FT_Bitmap& bitmap, TGlyphImage& image) {
  image.width = static_cast<int32_t>(bitmap.width);
  image.height = static_cast<int32_t>(bitmap.rows);
  image.coverage.assign(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height), 0);
  const int pitch = std::abs(bitmap.pitch);
  for (int32_t row = 0; row < image.height; ++row) {
    // A negative pitch stores the rows bottom first.
    const int32_t stored = bitmap.pitch < 0 ? image.height - 1 - row : row;
    const unsigned char* source = bitmap.buffer + static_cast<std::ptrdiff_t>(stored) * pitch;
    uint8_t* target = image.coverage.data() + static_cast<std::ptrdiff_t>(row) * image.width;
    for (int32_t column = 0; column < image.width; ++column) {
      if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
        target[column] = (source[column >> 3] & (0x80 >> (column & 7))) != 0 ? 255 : 0;
      } else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
        const int levels = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
        target[column] = static_cast<uint8_t>(source[column] * 255 / levels);
      }
    }
  }
}

}  // namespace

struct TFontFace::TLibrary {
  FT_Library library = nullptr;
  FT_Face face = nullptr;

  ~TLibrary() {
    if (face != nullptr) FT_Done_Face(face);
    if (library != nullptr) FT_Done_FreeType(library);
  }
};

TFontFace::TFontFace() : library_(std::make_unique<TLibrary>()) {}

TFontFace::~TFontFace() = default;

std::unique_ptr<TFontFace> TFontFace::Open(const std::string& path, int32_t cellHeight, TGlyphRendering rendering) {
  if (cellHeight < 1 || cellHeight > kMaxCellHeight) return nullptr;
  std::unique_ptr<TFontFace> face(new TFontFace());
  face->rendering_ = rendering;
  if (!face->Load(path, cellHeight)) return nullptr;
  return face;
}

bool TFontFace::Load(const std::string& path, int32_t cellHeight) {
  if (FT_Init_FreeType(&library_->library) != 0) return false;
  if (FT_New_Face(library_->library, path.c_str(), 0, &library_->face) != 0) return false;
  FT_Face face = library_->face;
  if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) return false;
  // Windows measures the cell by the OS/2 table's Windows ascent and
  // descent; fonts without it fall back to the horizontal header.
  double ascender = face->ascender;
  double descender = -static_cast<double>(face->descender);
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    ascender = os2->usWinAscent;
    descender = os2->usWinDescent;
  }
  const double extent = ascender + descender;
  if (!(extent > 0.0)) return false;
  FT_Size_RequestRec request{};
  request.type = FT_SIZE_REQUEST_TYPE_NOMINAL;
  request.height = static_cast<FT_Long>(std::lround(cellHeight * 64.0 * face->units_per_EM / extent));
  if (request.height < 1 || FT_Request_Size(face, &request) != 0) return false;
  ascent_ = static_cast<int32_t>(std::lround(cellHeight * ascender / extent));
  ascent_ = std::clamp(ascent_, 0, cellHeight);
  descent_ = cellHeight - ascent_;
  path_ = path;
  CacheGlyphs();
  return true;
}

void TFontFace::CacheGlyphs() {
  advances_.assign(kCharacterCount, 0);
  glyphs_.clear();
  for (int character = 0; character < kCharacterCount; ++character) {
    glyphs_.push_back(Rasterise(static_cast<uint8_t>(character), advances_[static_cast<std::size_t>(character)]));
  }
}

std::unique_ptr<TGlyphImage> TFontFace::Rasterise(uint8_t character, int32_t& advance) const {
  auto image = std::make_unique<TGlyphImage>();
  FT_Face face = library_->face;
  const bool mono = rendering_ == TGlyphRendering::kMono;
  const FT_UInt index = FT_Get_Char_Index(face, Windows1252ToCodePoint(character));
  const FT_Int32 flags = FT_LOAD_DEFAULT | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
  if (FT_Load_Glyph(face, index, flags) != 0) return image;
  FT_GlyphSlot slot = face->glyph;
  advance = static_cast<int32_t>((slot->advance.x + 32) >> 6);
  if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return image;
  CopyBitmap(slot->bitmap, *image);
  image->left = slot->bitmap_left;
  image->top = slot->bitmap_top;
  return image;
}

const TGlyphImage& TFontFace::RenderGlyph(uint8_t character) const { return *glyphs_[character]; }

bool TFontFace::HasGlyph(uint8_t character) const {
  return FT_Get_Char_Index(library_->face, Windows1252ToCodePoint(character)) != 0;
}

int32_t TFontFace::GetAdvance(uint8_t character) const { return advances_[character]; }

int32_t TFontFace::MeasureText(std::string_view text) const {
  int32_t width = 0;
  for (char c : text) width += GetAdvance(static_cast<uint8_t>(c));
  return width;
}

void TFontFace::DrawGlyph(uint8_t character, int32_t x, int32_t y, const TCoverageTarget& target, int32_t clipLeft,
                          int32_t clipTop, int32_t clipRight, int32_t clipBottom) const {
  const TGlyphImage& image = RenderGlyph(character);
  const int32_t left = std::max({clipLeft, 0, x + image.left});
  const int32_t right = std::min({clipRight, target.width, x + image.left + image.width});
  const int32_t top = std::max({clipTop, 0, y + ascent_ - image.top});
  const int32_t bottom = std::min({clipBottom, target.height, y + ascent_ - image.top + image.height});
  for (int32_t py = top; py < bottom; ++py) {
    uint8_t* row = target.pixels + static_cast<std::ptrdiff_t>(py) * target.pitch;
    const int32_t sy = py - (y + ascent_ - image.top);
    for (int32_t px = left; px < right; ++px) {
      const uint8_t ink = image.At(px - (x + image.left), sy);
      row[px] = std::max(row[px], ink);
    }
  }
}

}  // namespace platform
