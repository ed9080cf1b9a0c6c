#include "display/text/font_manager.h"

#include <cmath>

#include "app/config_parser.h"
#include "app/log.h"
#include "app/text_utils.h"

namespace {

constexpr int kKeySizeDecimals = 2;

std::unique_ptr<TColour> White() { return std::make_unique<TColour>(1.0f, 1.0f, 1.0f, 1.0f); }

// A number that is not finite counts as a missing key: it could only make
// fonts and layouts of no size or of endless size.
bool ReadFiniteFloat(TConfigParser& config, const std::string& key, float& value) {
  float read = 0.0f;
  if (!config.GetFloat(key, read) || !std::isfinite(read)) return false;
  value = read;
  return true;
}

// Each reader below reads every one of its keys and is true only when all
// of them were found.
bool ReadFloatAndString(TConfigParser& config, const std::string& floatKey, float& number,
                        const std::string& stringKey, std::string& text) {
  const bool haveNumber = ReadFiniteFloat(config, floatKey, number);
  const bool haveText = config.GetString(stringKey, text);
  return haveNumber && haveText;
}

bool ReadColour(TConfigParser& config, const std::string& key, std::unique_ptr<TColour>& colour) {
  std::string text;
  if (!config.GetString(key, text)) return false;
  colour.reset(ParseColour(text));
  return true;
}

bool ReadSizeScaleBoldItalic(TConfigParser& config, float& size, float& scale, bool& bold, bool& italic) {
  const bool haveSize = ReadFiniteFloat(config, "Size", size);
  const bool haveScale = ReadFiniteFloat(config, "Scale", scale);
  const bool haveBold = config.GetBool("Bold", bold);
  const bool haveItalic = config.GetBool("Italic", italic);
  return haveSize && haveScale && haveBold && haveItalic;
}

bool ReadTwoConfigValues(TConfigParser& config, const std::string& firstKey, std::string& first,
                         const std::string& secondKey, std::string& second) {
  const bool haveFirst = config.GetString(firstKey, first);
  const bool haveSecond = config.GetString(secondKey, second);
  return haveFirst && haveSecond;
}

}  // namespace

// The font description of one style entry.
struct TFontManager::TFontEntry {
  std::string face;
  std::string colourText;
  float size = 0.0f;
  float scale = 1.0f;
  bool bold = false;
  bool italic = false;
};

TFontManager::TFontManager()
    : defaultFont_(std::make_unique<TFont>()), factory_(std::make_unique<TFontFactory>()) {
  defaultStyle_.font = defaultFont_.get();
  defaultStyle_.scale = 0.0f;
  defaultStyle_.colour = White();
}

TFontManager::~TFontManager() = default;

int TFontManager::LoadFonts(TConfigParser& config, bool is3D) {
  return LoadFonts(config, is3D, MakeDisplayFontFactory(is3D));
}

int TFontManager::LoadFonts(TConfigParser& config, bool is3D, std::unique_ptr<TFontFactory> factory) {
  factory_ = factory ? std::move(factory) : std::make_unique<TFontFactory>();
  gdiFonts_ = !is3D;
  int sections = 0;
  while (config.NextSection()) {
    ReadStyle(config);
    ++sections;
  }
  return sections;
}

void TFontManager::ReadStyle(TConfigParser& config) {
  float scale = 1.0f;
  std::string code;
  std::unique_ptr<TColour> colour;
  if (ReadFloatAndString(config, "Scale", scale, "Code", code)) ReadColour(config, "Colour", colour);
  if (!colour) colour = White();
  TFont* font = FindOrCreateFont(config);
  // An empty code would be found at every place of every text.
  if (code.empty()) {
    WriteLog("Font style \"" + config.GetSectionName() + "\" has no code and is left out\n");
    return;
  }
  auto style = std::make_unique<TFontStyle>();
  style->font = font;
  style->scale = scale;
  style->colour = std::move(colour);
  styles_[code] = std::move(style);
}

TFont* TFontManager::FindOrCreateFont(TConfigParser& config) {
  TFontEntry entry;
  bool complete = ReadSizeScaleBoldItalic(config, entry.size, entry.scale, entry.bold, entry.italic);
  complete = ReadTwoConfigValues(config, "Font", entry.face, "Colour", entry.colourText) && complete;
  return complete ? FontOf(entry) : defaultFont_.get();
}

TFont* TFontManager::FontOf(const TFontEntry& entry) {
  // Glyph surfaces bake the scale and the colour into the glyphs; glyph
  // sheets scale and colour the text as they draw it.
  const float size = gdiFonts_ ? entry.size * entry.scale : entry.size;
  if (!(size > 0.0f && size <= kMaxFontSize)) {
    WriteLog("Font \"" + entry.face + "\" of size " + FloatToString(size, kKeySizeDecimals) + " is not made\n");
    return defaultFont_.get();
  }
  std::string key = entry.face + FloatToString(size, kKeySizeDecimals) + "_" + (entry.bold ? "1" : "0") +
                    (entry.italic ? "1" : "0");
  if (gdiFonts_) key += entry.colourText;
  const auto found = fonts_.find(key);
  if (found != fonts_.end()) return found->second.get();

  std::unique_ptr<TFont> font = factory_->CreateFont();
  if (!font) return defaultFont_.get();
  TFont* made = font.get();
  fonts_.emplace(key, std::move(font));
  std::unique_ptr<TColour> colour;
  if (gdiFonts_) colour.reset(ParseColour(entry.colourText));
  made->Create(entry.face, size, entry.bold, entry.italic, std::move(colour));
  return made;
}

const TFontStyle& TFontManager::GetStyle(const std::string& code) const {
  const auto found = styles_.find(code);
  return found == styles_.end() ? defaultStyle_ : *found->second;
}

std::size_t TFontManager::FindFirstStyleCode(const std::string& text, std::size_t start, std::string& code) const {
  std::vector<std::size_t> nextAt;
  return FindFirstStyleCode(text, start, code, nextAt);
}

std::size_t TFontManager::FindFirstStyleCode(const std::string& text, std::size_t start, std::string& code,
                                             std::vector<std::size_t>& nextAt) const {
  const bool fresh = nextAt.size() != styles_.size();
  if (fresh) nextAt.assign(styles_.size(), 0);
  std::size_t best = text.size();
  code.clear();
  std::size_t slot = 0;
  for (const auto& [candidate, style] : styles_) {
    std::size_t& at = nextAt[slot++];
    // A cached npos stays right: what was not found from an earlier start
    // is not found from a later one.
    if (fresh || at < start) at = text.find(candidate, start);
    if (at != std::string::npos && at < best) {
      best = at;
      code = candidate;
    }
  }
  return best;
}

void TFontManager::ReleaseFonts() {
  for (auto& [key, font] : fonts_) font->ReleaseDevice();
}

void TFontManager::RestoreFonts() {
  for (auto& [key, font] : fonts_) font->RestoreDevice();
}

const TFont* TFontManager::FindFont(const std::string& key) const {
  const auto found = fonts_.find(key);
  return found == fonts_.end() ? nullptr : found->second.get();
}
