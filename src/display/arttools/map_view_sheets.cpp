// Map-view sheets: the images the 2D map view shows at half zoom, copied at
// half size onto 256 x 256 sheets, with an index of where each one lies.
#include <memory>
#include <vector>

#include "app/config_parser.h"
#include "app/files.h"
#include "app/text_utils.h"
#include "display/arttools/art_generator.h"
#include "display/arttools/map_view_packing.h"
#include "display/image/png_image.h"
#include "display/image/tga_image.h"

namespace map_view_packing {

void HalveInto(const TImage& image, uint32_t left, uint32_t top, TTgaImage& sheet) {
  const uint32_t width = image.GetWidth() / 2;
  const uint32_t height = image.GetHeight() / 2;
  const uint32_t bytes = image.GetBytesPerPixel();
  for (uint32_t j = 0; j < height; ++j) {
    for (uint32_t i = 0; i < width; ++i) {
      const uint32_t blockX[4] = {2 * i, 2 * i + 1, 2 * i, 2 * i + 1};
      const uint32_t blockY[4] = {2 * j, 2 * j, 2 * j + 1, 2 * j + 1};
      for (uint32_t c = 0; c < bytes && c < 4; ++c) {
        uint32_t sum = 0;
        for (int p = 0; p < 4; ++p) {
          const uint8_t value = image.GetChannel(blockX[p], blockY[p], c);
          // In a 3-byte image a full third byte is the key: it adds nothing.
          if (bytes == 3 && c == 2 && value == 255) continue;
          sum += value;
        }
        sheet.SetChannel(left + i, top + j, c, static_cast<uint8_t>(sum / 4));
      }
      if (bytes == 3) {
        bool anyUnkeyed = false;
        for (int p = 0; p < 4; ++p) anyUnkeyed = anyUnkeyed || image.GetChannel(blockX[p], blockY[p], 2) < 255;
        sheet.SetChannel(left + i, top + j, 3, anyUnkeyed ? 255 : 0);
      }
    }
  }
}

TPlacement TPacker::Place(uint32_t halfWidth, uint32_t halfHeight) {
  TPlacement placement;
  if (x_ + lastHalfWidth_ > kSheetSide) {
    x_ = 0;
    y_ += lastHalfHeight_;
    if (y_ + halfHeight > kSheetSide) {
      placement.newSheet = true;
      ++sheet_;
      y_ = 0;
    }
  }
  placement.x = x_;
  placement.y = y_;
  placement.sheet = sheet_;
  x_ += halfWidth;
  lastHalfWidth_ = halfWidth;
  lastHalfHeight_ = halfHeight;
  return placement;
}

}  // namespace map_view_packing

namespace {

using map_view_packing::kSheetSide;

const char* const kMapViewSection = "MapView Data";

std::string SheetName(uint32_t number) { return "Art/mapView" + std::to_string(number); }

void NewSheet(TTgaImage& sheet) { sheet.Create(kSheetSide, kSheetSide, 32); }

// The image names of the list: the text before each line's first "=".
std::vector<std::string> ImageNames(const std::string& body) {
  std::vector<std::string> names;
  for (const std::string& line : SplitDefinitionLines(body)) {
    if (line[0] == '#') continue;
    std::string name = TrimText(line.substr(0, line.find('=')));
    if (!name.empty()) names.push_back(std::move(name));
  }
  return names;
}

}  // namespace

void TArtGenerator::GenerateMapView() {
  const std::string listName = "Configs\\MapView.cfg";
  const std::string indexName = "Configs\\MapViewData.cfg";
  TTextBuffer list;
  if (!list.Load(run_.PathOf(listName))) {
    run_.Fail("Could not read \"" + listName + "\"");
    return;
  }
  TConfigParser listParser(list.Text());
  std::vector<std::string> names;
  if (listParser.SelectSection(kMapViewSection)) names = ImageNames(listParser.GetSectionBody());

  TConfigParser index("# Where the half-size map-view images lie on their sheets: x, y, sheet\n");
  index.AddSection(kMapViewSection);
  TTgaImage sheet;
  NewSheet(sheet);
  run_.Progress("Generating mapView0\n");
  map_view_packing::TPacker packer;
  auto saveSheet = [&](uint32_t number) {
    sheet.AlphaToColourKey();
    sheet.DropAlpha();
    sheet.PrepareForSave();
    if (!sheet.Save(run_.PathOf(SheetName(number)))) run_.Fail("Could not write \"" + SheetName(number) + ".tga\"");
  };
  bool tgaRun = true;
  for (const std::string& name : names) {
    tgaRun = tgaRun && ContainsText(name, ".tga");
    if (!run_.Admit(name)) continue;
    std::unique_ptr<TImage> image;
    if (tgaRun) {
      image = std::make_unique<TTgaImage>();
    } else {
      image = std::make_unique<TPngJpegImage>();
    }
    if (!image->Load(run_.PathOf(name))) {
      run_.Fail("Could not read the map-view image \"" + name + "\"");
      continue;
    }
    const uint32_t halfWidth = image->GetWidth() / 2;
    const uint32_t halfHeight = image->GetHeight() / 2;
    if (halfWidth > kSheetSide || halfHeight > kSheetSide || image->GetBytesPerPixel() < 3) {
      run_.Fail("The map-view image \"" + name + "\" does not fit on a sheet");
      continue;
    }
    const map_view_packing::TPlacement at = packer.Place(halfWidth, halfHeight);
    if (at.newSheet) {
      saveSheet(at.sheet - 1);
      run_.Progress("Generating mapView" + std::to_string(at.sheet) + "\n");
      NewSheet(sheet);
    }
    map_view_packing::HalveInto(*image, at.x, at.y, sheet);
    const std::string value = std::to_string(at.x) + "," + std::to_string(at.y) + "," + SheetName(at.sheet) + ".tga";
    if (!index.SetValue(name, value)) run_.Fail("The map-view image name \"" + name + "\" cannot be an index key");
  }
  saveSheet(packer.Sheet());
  TTextBuffer indexText;
  indexText.Append(index.GetText());
  if (!indexText.Save(run_.PathOf(indexName))) run_.Fail("Could not write \"" + indexName + "\"");
}
