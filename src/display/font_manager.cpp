#include "display/font_manager.h"

#include "app/config_parser.h"

int TFontManager::LoadFonts(TConfigParser& config, bool glyphSheets) {
  glyphSheets_ = glyphSheets;
  int count = 0;
  config.SetText(config.GetText());
  while (config.NextSection()) {
    TFontStyle style;
    config.GetString("Font", style.face);
    config.GetInt("Size", style.size);
    config.GetBool("Bold", style.bold);
    styles_[config.GetSectionName()] = style;
    ++count;
  }
  return count;
}

const TFontStyle* TFontManager::FindStyle(const std::string& name) const {
  auto it = styles_.find(name);
  return it == styles_.end() ? nullptr : &it->second;
}
