// The glyphs of a 3D display font: every character rendered anti-aliased,
// white, into one texture of 4-bit alpha (A4R4G4B4), drawn as textured quads
// coloured by their vertices. The 3D display feeds the texture and the
// drawing (TGlyphSheetDevice).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "display/vertex_device.h"

namespace platform {
class TFontFaceMap;
}

struct TGlyphTexCoords {
  float left = 0.0f;
  float top = 0.0f;
  float right = 0.0f;
  float bottom = 0.0f;
};

class TGlyphSheet {
 public:
  // Style flags of a sheet.
  static constexpr uint32_t kBold = 1;
  static constexpr uint32_t kItalic = 2;

  TGlyphSheet(std::string face, int32_t pixelHeight, uint32_t flags);

  // Renders the glyphs into a square texture of at most maxTextureWidth
  // texels a side; false when no font file of the face opens or the height
  // is below one pixel.
  bool Build(const platform::TFontFaceMap& faces, int32_t maxTextureWidth);

  const std::string& GetFace() const { return face_; }
  int32_t GetPixelHeight() const { return pixelHeight_; }
  uint32_t GetFlags() const { return flags_; }
  int32_t GetWidth() const { return width_; }
  int32_t GetHeight() const { return height_; }
  // Glyph pixels per screen pixel: below 1 only when the glyphs had to be
  // rendered smaller to fit the largest texture the device takes.
  float GetScale() const { return scale_; }
  float GetAscent() const { return ascent_; }
  const std::string& GetFontFile() const { return fontFile_; }
  // A4R4G4B4 texels, width * height, row by row.
  const std::vector<uint16_t>& GetTexels() const { return texels_; }
  // Texture coordinates of a character of code 32 or more; null below.
  const TGlyphTexCoords* CoordsOf(char character) const;

  // The texture side chosen first for a pixel height.
  static int32_t TextureSizeFor(int32_t pixelHeight);
  // The texel of an 8-bit coverage: white with its top four bits as alpha,
  // wholly transparent (0) where they are 0.
  static uint16_t TexelOf(uint8_t coverage);

 private:
  bool Render(const platform::TFontFaceMap& faces, int32_t renderHeight, int32_t firstSize, int32_t maxSize);

  std::string face_;
  int32_t pixelHeight_;
  uint32_t flags_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  float scale_ = 1.0f;
  float ascent_ = 0.0f;
  std::string fontFile_;
  std::vector<uint16_t> texels_;
  std::vector<TGlyphTexCoords> coords_;
};

// A texture the 3D display made from a glyph sheet.
class TGlyphSheetTexture {
 public:
  virtual ~TGlyphSheetTexture() = default;
};

// What the 3D display does for the glyph-sheet fonts.
class TGlyphSheetDevice {
 public:
  virtual ~TGlyphSheetDevice() = default;
  // The largest texture side the device takes.
  virtual int32_t GetMaxTextureWidth() const = 0;
  // A texture holding the sheet's texels; null when none can be made.
  virtual std::unique_ptr<TGlyphSheetTexture> CreateGlyphTexture(const TGlyphSheet& sheet) = 0;
  // Draws a triangle list (three vertices a triangle) with the texture:
  // alpha blended (source alpha, inverse source alpha), alpha tested
  // (reference 8, greater or equal), texture colour and alpha modulated by
  // the vertex colour; the render state is restored afterwards.
  virtual void DrawGlyphTriangles(const TGlyphSheetTexture& texture, const TVertex* vertices,
                                  uint32_t vertexCount) = 0;
};
