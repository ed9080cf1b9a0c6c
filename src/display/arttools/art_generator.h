// Derives the 2D display's art and visual definitions from those of the 3D
// display: every "<prefix>Visual3D.cfg" becomes "<prefix>Visual2D.cfg", the
// floor textures are cut into isometric tile sheets, the effect images are
// doubled into TGAs, and the map-view images are packed at half size into
// sheets indexed by "MapViewData.cfg".
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "display/arttools/art_run.h"

class TConfigParser;
class TImage;

class TArtGenerator {
 public:
  explicit TArtGenerator(TArtRun& run) : run_(run) {}

  // The whole run; false when any file could not be read or written.
  bool GenerateArt();
  void GenerateVisualConfigs(const std::string& prefix);
  void GenerateFloors(TConfigParser& parser);
  void GenerateEffectSprites(TConfigParser& parser);
  void ConvertVisualTypes(TConfigParser& parser);
  void GenerateMapView();

 private:
  std::string FloorLineFor(const std::string& meshLine);
  void MakeFloorSheets(const std::string& textureName, const std::string& baseName);
  bool ConvertEffectImage(int number, uint32_t& width, uint32_t& height);
  void MergeHandMadeSections(TConfigParser& parser);

  TArtRun& run_;
  // Floor textures already cut in this run, by base name.
  std::set<std::string> madeFloors_;
};

// The cell-to-tile mapping of the floor sheets, exposed for tests.
namespace floor_tiles {

constexpr uint32_t kCellSize = 32;
constexpr uint32_t kTileWidth = 64;
constexpr uint32_t kTileHeight = 32;
constexpr uint32_t kSheetSize = 256;
constexpr uint32_t kTextureSize = 256;

// Where cell pixel (r, k) of orientation 0 lands on its 64 x 32 tile.
void TilePixel(uint32_t r, uint32_t k, uint32_t& x, uint32_t& y);
// Which cell pixel (i, j) feeds tile step (r, k) in orientation o (0 to 3).
void CellPixel(uint32_t orientation, uint32_t r, uint32_t k, uint32_t& i, uint32_t& j);

}  // namespace floor_tiles
