#include "art/art_set.h"

#include <algorithm>
#include <filesystem>

#include "app/text_utils.h"
#include "art/image_writer.h"
#include "art/painters.h"

namespace art {

std::vector<std::string> DefinitionFiles(const std::string& dataFolder) {
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dataFolder + "/Configs", error)) {
    const std::string name = entry.path().filename().string();
    if (EndsWith(name, "Visual2D.cfg") || EndsWith(name, "Visual3D.cfg")) files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

namespace {

bool IsNumberedTga(const std::string& name, const std::string& stem) {
  const std::string suffix = ".tga";
  if (name.size() <= stem.size() + suffix.size() || name.compare(0, stem.size(), stem) != 0 ||
      !EndsWith(name, suffix)) {
    return false;
  }
  const std::string number = name.substr(stem.size(), name.size() - stem.size() - suffix.size());
  return std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

bool IsMadeBy2DArtTool(const std::string& path) {
  const std::string normal = TArtCatalogue::NormalisePath(path);
  const std::size_t slash = normal.rfind('/');
  const std::string name = slash == std::string::npos ? normal : normal.substr(slash + 1);
  const std::string folder = slash == std::string::npos ? "" : normal.substr(0, slash);
  const std::size_t mark = name.rfind("_2D_");
  if (mark != std::string::npos && mark > 0 && IsNumberedTga(name.substr(mark), "_2D_")) return true;
  return folder == "Art" && (IsNumberedTga(name, "Effects_") || IsNumberedTga(name, "mapView"));
}

std::unique_ptr<TCanvas> DrawImage(const TImageNeed& need, const TArtCatalogue& catalogue, bool& known) {
  auto canvas = std::make_unique<TCanvas>(std::max(need.width, 1), std::max(need.height, 1));
  known = PaintUnitSheet(need, *canvas) || PaintEffectSheet(need, *canvas) || PaintInterfaceImage(need, *canvas) ||
          PaintFloorTileSheet(need, catalogue, *canvas) || PaintTerrainSheet(need, *canvas);
  if (!known) PaintPlaceholder(need, *canvas);
  return canvas;
}

bool WriteArt(const TImageNeed& need, const TArtCatalogue& catalogue, const std::string& outputFolder, bool& known) {
  const std::unique_ptr<TCanvas> canvas = DrawImage(need, catalogue, known);
  const std::filesystem::path target = std::filesystem::path(outputFolder) / need.path;
  std::error_code error;
  std::filesystem::create_directories(target.parent_path(), error);
  // The 2D floor sheets carry the blue colour key instead of alpha.
  if (ContainsText(need.path, "_2D_")) return WriteTgaOpaque(*canvas, target.string());
  return WriteImage(*canvas, target.string());
}

}  // namespace art
