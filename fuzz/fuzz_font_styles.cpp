// The font-style file (Configs\FontStyles.cfg, or a language's own): every
// section is a style entry, read in one pass over the text; then every style
// code is looked for in the same text, as the text layout does.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/config_parser.h"
#include "display/text/display_font_factory.h"
#include "display/text/font_manager.h"
#include "platform/font_face_map.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TConfigParser config;
  config.SetText(text);
  TFontManager fonts;
  // The display fonts are made, but find no font file: the style text is
  // under test here, and rendering every glyph of every size it asks for
  // would only slow each run down.
  auto faces = std::make_shared<platform::TFontFaceMap>();
  faces->SetSearchFolders({}, {});
  const bool is3D = (size & 1) != 0;
  const int sections = fonts.LoadFonts(config, is3D, MakeDisplayFontFactory(is3D, faces));
  if (sections < 0 || fonts.StyleCount() > static_cast<std::size_t>(sections)) std::abort();
  // Each entry makes at most one font.
  if (fonts.FontCount() > static_cast<std::size_t>(sections)) std::abort();

  // Walking the text code by code must move forward every time and end.
  std::size_t position = 0;
  std::string code;
  while ((position = fonts.FindFirstStyleCode(text, position, code)) < text.size()) {
    if (code.empty()) std::abort();
    const TFontStyle& style = fonts.GetStyle(code);
    if (style.font == nullptr || style.colour == nullptr) std::abort();
    const float fontSize = style.font->GetSize();
    if (!std::isfinite(style.scale) || fontSize < 0.0f || fontSize > TFontManager::kMaxFontSize) std::abort();
    position += code.size();
  }
  fonts.ReleaseFonts();
  fonts.RestoreFonts();
  return 0;
}
