// The font-style file (Configs\FontStyles.cfg, or a language's own): every
// section is a style, read in one pass over the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/config_parser.h"
#include "display/font_manager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TConfigParser config;
  config.SetText(text);
  TFontManager fonts;
  const int count = fonts.LoadFonts(config, (size & 1) != 0);
  if (count < 0 || fonts.StyleCount() > static_cast<std::size_t>(count)) std::abort();
  // The last section read is the one left selected; its style is known by name.
  if (count > 0 && fonts.FindStyle(config.GetSectionName()) == nullptr) std::abort();
  fonts.FindStyle("Default");
  return 0;
}
