// Floors: each "Mesh" line of a 3D definition gets a 2D line naming one tile
// of the sheets cut from its texture.
#include <cmath>
#include <memory>
#include <vector>

#include "app/config_parser.h"
#include "app/text_utils.h"
#include "display/arttools/art_generator.h"
#include "display/image/bmp_image.h"
#include "display/image/png_image.h"
#include "display/image/tga_image.h"

namespace floor_tiles {

void TilePixel(uint32_t r, uint32_t k, uint32_t& x, uint32_t& y) {
  // S(0) = 31, then 33, 33, 35, 35 ...: the columns of one cell row step two
  // pixels right for every two rows of the cell.
  const uint32_t s = r == 0 ? 31 : 33 + 2 * ((r - 1) / 2);
  const uint32_t t = 1 + r / 2;
  x = s - k;
  y = t + k / 2;
}

void CellPixel(uint32_t orientation, uint32_t r, uint32_t k, uint32_t& i, uint32_t& j) {
  const uint32_t last = kCellSize - 1;
  switch (orientation & 3) {
    case 0: i = r; j = k; break;
    case 1: i = k; j = last - r; break;
    case 2: i = last - r; j = last - k; break;
    default: i = last - k; j = r; break;
  }
}

}  // namespace floor_tiles

namespace {

using namespace floor_tiles;

constexpr uint32_t kCellsPerRow = 8;
constexpr uint32_t kCellsPerSheet = 8;

// The index of a texture-rectangle number times 8, or -1 outside 0 to 7.
int32_t CellIndex(const std::vector<std::string>& numbers, std::size_t at) {
  if (at >= numbers.size()) return -1;
  const double scaled = std::trunc(8.0 * StringToFloat(numbers[at]));
  if (!(scaled >= 0.0 && scaled < 8.0)) return -1;
  return static_cast<int32_t>(scaled);
}

void FillWithKey(TTgaImage& sheet) {
  sheet.Create(kSheetSize, kSheetSize, 24);
  uint8_t* pixel = sheet.GetPixels();
  for (uint32_t n = 0; n < kSheetSize * kSheetSize; ++n, pixel += 3) pixel[2] = 255;
}

void CutCell(const TImage& texture, uint32_t cell, bool skipWhite, TTgaImage& sheet) {
  const uint32_t cx = (cell % kCellsPerRow) * kCellSize;
  const uint32_t cy = (cell / kCellsPerRow) * kCellSize;
  const uint32_t tileTop = (cell % kCellsPerSheet) * kTileHeight;
  for (uint32_t o = 0; o < 4; ++o) {
    for (uint32_t r = 0; r < kCellSize; ++r) {
      for (uint32_t k = 0; k < kCellSize; ++k) {
        uint32_t i = 0, j = 0, x = 0, y = 0;
        CellPixel(o, r, k, i, j);
        TilePixel(r, k, x, y);
        uint8_t colour[3];
        for (uint32_t c = 0; c < 3; ++c) colour[c] = texture.GetChannel(cx + i, cy + j, c);
        if (skipWhite && colour[0] == 255 && colour[1] == 255 && colour[2] == 255) continue;
        for (uint32_t c = 0; c < 3; ++c) sheet.SetChannel(o * kTileWidth + x, tileTop + y, c, colour[c]);
      }
    }
  }
}

}  // namespace

void TArtGenerator::MakeFloorSheets(const std::string& textureName, const std::string& baseName) {
  run_.Progress("Generating newFloor\n");
  const bool bmp = ContainsText(textureName, ".bmp");
  std::unique_ptr<TImage> texture;
  if (bmp) {
    texture = std::make_unique<TBmpImage>();
  } else {
    texture = std::make_unique<TPngJpegImage>();
  }
  if (!texture->Load(run_.PathOf(textureName))) {
    run_.Fail("Could not read the floor texture \"" + textureName + "\"");
    return;
  }
  if (texture->GetWidth() != kTextureSize || texture->GetHeight() != kTextureSize ||
      texture->GetBytesPerPixel() < 3) {
    run_.Fail("The floor texture \"" + textureName + "\" is not a 256 x 256 colour image");
    return;
  }
  TTgaImage sheet;
  for (uint32_t sheetNumber = 0; sheetNumber < kCellsPerRow * kCellsPerRow / kCellsPerSheet; ++sheetNumber) {
    FillWithKey(sheet);
    for (uint32_t row = 0; row < kCellsPerSheet; ++row) {
      CutCell(*texture, sheetNumber * kCellsPerSheet + row, !bmp, sheet);
    }
    const std::string name = baseName + "_2D_" + std::to_string(sheetNumber);
    sheet.PrepareForSave();
    if (!sheet.Save(run_.PathOf(name))) {
      run_.Fail("Could not write \"" + name + ".tga\"");
      continue;
    }
    run_.Progress("Generating " + name + ".tga\n");
  }
}

// The 2D line for one "Mesh" line; empty when the line names no tile.
std::string TArtGenerator::FloorLineFor(const std::string& meshLine) {
  const std::vector<std::string> fields = SplitString(meshLine, "|");
  if (fields.size() < 5) {
    run_.Note("A Mesh line without texture rectangle and rotation is left as it is: " + TrimText(meshLine));
    return std::string();
  }
  const std::string& texture = fields[1];
  const std::vector<std::string> numbers = SplitString(fields[3], ",");
  const int32_t a = CellIndex(numbers, 0);
  const int32_t b = CellIndex(numbers, 1);
  const double rotation = std::trunc(StringToFloat(fields[4]));
  if (a < 0 || b < 0 || !(rotation >= 0.0 && rotation <= 3.0)) {
    run_.Note("A Mesh line naming no floor tile is left as it is: " + TrimText(meshLine));
    return std::string();
  }
  if (!run_.Admit(texture)) return std::string();
  const std::string base = ReplaceAll(ReplaceAll(texture, ".bmp", ""), ".png", "");
  if (madeFloors_.insert(base).second) MakeFloorSheets(texture, base);
  const int32_t o = static_cast<int32_t>(rotation);
  return "  DirectDrawFloor | " + base + "_2D_" + std::to_string(b) + ".tga" + " | 64,32 |" +
         FloatToString(o * 0.25, 3) + " ," + FloatToString(a * 0.125, 3) + " ," + FloatToString((o + 1) * 0.25, 3) +
         " ," + FloatToString((a + 1) * 0.125, 3) + "\n";
}

void TArtGenerator::GenerateFloors(TConfigParser& parser) {
  parser.SetText(parser.GetText());
  // Sections are taken from the first; each is rewritten in place, and the
  // next search starts behind the rewritten body.
  while (parser.NextSection()) {
    const std::string body = parser.GetSectionBody();
    if (!ContainsText(body, "Mesh")) continue;
    std::string rebuilt = "\n";
    for (const std::string& line : SplitDefinitionLines(body)) {
      // The tile line goes first, so that it is the entry the 2D library
      // builds; the 3D line stays behind it.
      if (ContainsText(line, "Mesh")) rebuilt += FloorLineFor(line);
      rebuilt += line + "\n";
    }
    parser.SetSectionBody(rebuilt);
  }
}
