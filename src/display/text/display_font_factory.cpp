// The display factories. The glyph-rendering fonts of the two displays are
// not part of this build yet: both kinds of display get fonts that keep
// their description, measure nothing and draw nothing, so that styles, keys
// and font sharing work the same with or without glyphs.
#include "display/text/font.h"

namespace {

class TDescribedFontFactory : public TFontFactory {
 public:
  std::unique_ptr<TFont> CreateFont() override { return std::make_unique<TFont>(); }
};

}  // namespace

std::unique_ptr<TFontFactory> MakeDisplayFontFactory(bool /*glyphSheets*/) {
  return std::make_unique<TDescribedFontFactory>();
}
