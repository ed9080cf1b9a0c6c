// The display factories: glyph sheets for the 3D display, glyph surfaces for
// the 2D display, both drawing from the font files of the face map.
#include "display/text/display_font_factory.h"

#include "display/text/gdi_font.h"
#include "display/text/glyph_sheet_font.h"
#include "platform/font_face_map.h"

namespace {

// Makes fonts of one display class, all drawing from one face map.
template <typename TDisplayFont>
class TDisplayFontFactory : public TFontFactory {
 public:
  explicit TDisplayFontFactory(std::shared_ptr<const platform::TFontFaceMap> faces) : faces_(std::move(faces)) {}
  std::unique_ptr<TFont> CreateFont() override { return std::make_unique<TDisplayFont>(faces_, nullptr); }

 private:
  std::shared_ptr<const platform::TFontFaceMap> faces_;
};

}  // namespace

std::shared_ptr<const platform::TFontFaceMap> LoadFontFaceMap() {
  auto faces = std::make_shared<platform::TFontFaceMap>();
  // Without the file (or with one that names no usable face) the built-in
  // map stands: Arial as Liberation Sans, everything else as DejaVu Sans.
  faces->Load(kFontFaceMapFile);
  return faces;
}

std::unique_ptr<TFontFactory> MakeDisplayFontFactory(bool glyphSheets) {
  return MakeDisplayFontFactory(glyphSheets, LoadFontFaceMap());
}

std::unique_ptr<TFontFactory> MakeDisplayFontFactory(bool glyphSheets,
                                                     std::shared_ptr<const platform::TFontFaceMap> faces) {
  if (glyphSheets) return std::make_unique<TDisplayFontFactory<TGlyphSheetFont>>(std::move(faces));
  return std::make_unique<TDisplayFontFactory<TGdiFont>>(std::move(faces));
}
