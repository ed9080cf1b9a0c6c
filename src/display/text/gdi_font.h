// The font of the 2D display: every glyph rendered once, without
// anti-aliasing and in the font's colour, into one glyph surface, and copied
// from there to the back buffer a character at a time. Size and colour are
// baked into the glyphs; the scale and colour given when drawing are unused.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "display/text/font.h"
#include "display/text/glyph_surface.h"

namespace platform {
class TFontFaceMap;
}

class TGdiFont : public TFont {
 public:
  // A null target draws on the current display, when that is a 2D display.
  TGdiFont(std::shared_ptr<const platform::TFontFaceMap> faces, TGlyphSurfaceTarget* target);
  ~TGdiFont() override;

  bool Create(const std::string& face, float size, bool bold, bool italic, std::unique_ptr<TColour> colour) override;
  bool DrawText(float x, float y, float z, float scaleX, float scaleY, const TColour* colour,
                const std::string& text) override;
  float GetTextWidth(const std::string& text) const override;
  float GetTextHeight(const std::string& text) const override;
  float GetAscent() const override;
  void ReleaseDevice() override;
  bool RestoreDevice() override;

  // Null while released or when the glyphs could not be made.
  const TGlyphSurface* GetGlyphSurface() const { return surface_.get(); }
  // The glyph's rectangle on the surface, by code - 32.
  const std::vector<TGlyphRect>& GetGlyphBoxes() const { return boxes_; }
  // The font file the glyphs came from; empty when none.
  const std::string& GetFontFile() const { return fontFile_; }

  // The side of the square surface chosen first for a font size; a larger
  // power of two is taken when the glyphs need it.
  static int32_t SurfaceSizeFor(float size);

 private:
  bool BuildGlyphs();
  TGlyphSurfaceTarget* Target() const;

  std::shared_ptr<const platform::TFontFaceMap> faces_;
  TGlyphSurfaceTarget* target_;
  std::unique_ptr<TGlyphSurface> surface_;
  std::vector<TGlyphRect> boxes_;
  float ascent_ = 0.0f;
  TColour colour_;
  std::string fontFile_;
  uint32_t generation_ = 0;
};
