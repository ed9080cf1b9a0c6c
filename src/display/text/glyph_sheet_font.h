// The font of the 3D display: its glyphs on one glyph sheet, drawn as
// textured quads, two triangles a character, in the colour and at the
// scales given when drawing.
#pragma once

#include <memory>
#include <string>

#include "display/text/font.h"
#include "display/text/glyph_sheet.h"

class TGlyphSheetFont : public TFont {
 public:
  // A null device draws on the current display, when that is a 3D display.
  TGlyphSheetFont(std::shared_ptr<const platform::TFontFaceMap> faces, TGlyphSheetDevice* device);
  ~TGlyphSheetFont() override;

  bool Create(const std::string& face, float size, bool bold, bool italic, std::unique_ptr<TColour> colour) override;
  bool DrawText(float x, float y, float z, float scaleX, float scaleY, const TColour* colour,
                const std::string& text) override;
  float GetTextWidth(const std::string& text) const override;
  float GetTextHeight(const std::string& text) const override;
  float GetAscent() const override;
  void ReleaseDevice() override;
  bool RestoreDevice() override;

  // Null when the sheet could not be made.
  const TGlyphSheet* GetSheet() const { return sheet_.get(); }

  // The vertices of one batch: 50 characters.
  static constexpr uint32_t kBatchVertices = 300;
  // The texture side assumed when no device says otherwise.
  static constexpr int32_t kDefaultMaxTextureWidth = 4096;

 private:
  bool MakeSheet();
  TGlyphSheetDevice* Device() const;
  // Screen pixels of a glyph extent in texture coordinates.
  float ScreenExtent(float texCoordExtent, int32_t textureSize) const;

  std::shared_ptr<const platform::TFontFaceMap> faces_;
  TGlyphSheetDevice* device_;
  std::unique_ptr<TGlyphSheet> sheet_;
  std::unique_ptr<TGlyphSheetTexture> texture_;
};
