// Effects: the effect images are doubled into TGAs for the 2D display and the
// explosion's polygon sprites are rewritten to address them in pixels.
#include <cmath>
#include <vector>

#include "app/config_parser.h"
#include "app/text_utils.h"
#include "display/arttools/art_generator.h"
#include "display/image/png_image.h"
#include "display/image/tga_image.h"

namespace {

constexpr int kEffectImages = 3;
// A doubled image of more than this on a side would take an unreasonable
// amount of memory; the 2D display has no use for one either.
constexpr uint32_t kMaxEffectSide = 2048;

int64_t DoubledCorner(const std::vector<std::string>& numbers, std::size_t at) {
  const double value = std::trunc(StringToFloat(numbers[at]));
  // Far beyond any image; keeps the conversion defined for any text.
  if (!(std::fabs(value) < 1.0e9)) return 0;
  return 2 * static_cast<int64_t>(value);
}

// The 2D line for one 3D "PolygonSprite" line, or the line itself when it
// lacks the fields to convert.
std::string SpriteLine(const std::string& line, uint32_t width, uint32_t height) {
  const std::vector<std::string> fields = SplitString(line, "|");
  if (fields.size() < 5) return line;
  const std::vector<std::string> numbers = SplitString(fields[3], ",");
  if (numbers.size() < 6) return line;
  const int64_t left = DoubledCorner(numbers, 2);
  const int64_t top = DoubledCorner(numbers, 3);
  const int64_t right = DoubledCorner(numbers, 4);
  const int64_t bottom = DoubledCorner(numbers, 5);
  auto text = [](int64_t value) { return std::to_string(value); };
  return "  DirectDrawSprite | " + ReplaceAll(fields[1], "png", "tga") + " | " + text(right - left) + ", " +
         text(bottom - top) + " | " + text(2 * int64_t{width}) + ", " + text(2 * int64_t{height}) + ", " +
         text(left) + ", " + text(top) + ", " + text(right) + ", " + text(bottom) + " | " + fields[4];
}

}  // namespace

bool TArtGenerator::ConvertEffectImage(int number, uint32_t& width, uint32_t& height) {
  const std::string source = "Art/Effects_" + std::to_string(number) + ".png";
  TPngJpegImage image;
  if (!image.Load(run_.PathOf(source))) {
    run_.Fail("Could not read the effect image \"" + source + "\"");
    return false;
  }
  const uint32_t w = image.GetWidth();
  const uint32_t h = image.GetHeight();
  if (w == 0 || h == 0 || w > kMaxEffectSide || h > kMaxEffectSide) {
    run_.Fail("The effect image \"" + source + "\" is empty or too large to double");
    return false;
  }
  TTgaImage doubled;
  doubled.Create(2 * w, 2 * h, 32);
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      for (uint32_t c = 0; c < 4; ++c) {
        const uint8_t value = image.GetChannel(x, y, c);
        doubled.SetChannel(2 * x, 2 * y, c, value);
        doubled.SetChannel(2 * x + 1, 2 * y, c, value);
        doubled.SetChannel(2 * x, 2 * y + 1, c, value);
        doubled.SetChannel(2 * x + 1, 2 * y + 1, c, value);
      }
    }
  }
  doubled.PrepareForSave();
  const std::string target = "Art\\Effects_" + std::to_string(number);
  if (!doubled.Save(run_.PathOf(target))) {
    run_.Fail("Could not write \"" + target + ".tga\"");
    return false;
  }
  width = w;
  height = h;
  return true;
}

void TArtGenerator::GenerateEffectSprites(TConfigParser& parser) {
  if (!ContainsText(parser.GetText(), "Explosion") || !parser.SelectSection("Explosion")) return;
  const std::string body = parser.GetSectionBody();
  if (!ContainsText(body, "Effects")) return;
  // An explosion drawn from pictures (whose paths may well hold "Effects")
  // has no sprite to readdress; reading the effect images for it would only
  // fail on a data set that has none, and the 2D file needs nothing from them.
  if (!ContainsText(body, "PolygonSprite")) {
    run_.Note("No polygon sprites in the section \"Explosion\"; the effect images are left alone");
    return;
  }
  uint32_t width = 0;
  uint32_t height = 0;
  bool anyRead = false;
  for (int n = 0; n < kEffectImages; ++n) anyRead = ConvertEffectImage(n, width, height) || anyRead;
  // Without any image there is no size to address the sprites by.
  if (!anyRead) return;
  // The section was selected before the images were read; select it again
  // in case anything moved.
  if (!parser.SelectSection("Explosion")) return;
  std::string rebuilt = "\n";
  for (const std::string& line : SplitDefinitionLines(parser.GetSectionBody())) {
    rebuilt += (ContainsText(line, "PolygonSprite") ? SpriteLine(line, width, height) : line) + "\n";
  }
  parser.SetSectionBody(rebuilt);
}
