// A font of the game's text: face, size, weight, slant and, for the fonts
// that bake it into their glyphs, a colour. This base holds no display
// resources: it measures nothing and draws nothing, and so serves as the
// empty font of text in a style that does not exist. The fonts bound to a
// display derive from it and come from that display's font factory.
#pragma once

#include <memory>
#include <string>

#include "display/colour.h"

class TFont {
 public:
  TFont() = default;
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;
  virtual ~TFont();

  // Stores the description; a display font also makes its glyphs here.
  // The colour is null for fonts that colour their text as it is drawn.
  virtual bool Create(const std::string& face, float size, bool bold, bool italic,
                      std::unique_ptr<TColour> colour);
  virtual bool DrawText(float x, float y, float z, float scaleX, float scaleY, const TColour* colour,
                        const std::string& text);
  virtual float GetTextWidth(const std::string& text) const;
  virtual float GetTextHeight(const std::string& text) const;
  virtual float GetAscent() const;
  // Give up and make again what the font holds of the display, around a
  // display reset.
  virtual void ReleaseDevice();
  virtual bool RestoreDevice();

  const std::string& GetFace() const { return face_; }
  float GetSize() const { return size_; }
  bool IsBold() const { return bold_; }
  bool IsItalic() const { return italic_; }
  // Null unless the colour is baked into the glyphs.
  const TColour* GetColour() const { return colour_.get(); }

 private:
  std::string face_;
  float size_ = 0.0f;
  bool bold_ = false;
  bool italic_ = false;
  std::unique_ptr<TColour> colour_;
};

// Makes the font objects of one display; this base makes none.
class TFontFactory {
 public:
  virtual ~TFontFactory();
  virtual std::unique_ptr<TFont> CreateFont();
};

// The factory of the fonts that draw on the display of the kind given:
// glyph sheets (the 3D display, colour applied when drawing) or glyph
// surfaces (the 2D display, colour baked in), from the data set's face map.
std::unique_ptr<TFontFactory> MakeDisplayFontFactory(bool glyphSheets);
