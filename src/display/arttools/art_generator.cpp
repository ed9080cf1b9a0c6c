#include "display/arttools/art_generator.h"

#include <vector>

#include "app/config_parser.h"
#include "app/files.h"
#include "app/text_utils.h"

namespace {

const char* const kConfigsFolder = "Configs\\";
const char* const k3DSuffix = "Visual3D.cfg";
const char* const k2DSuffix = "Visual2D.cfg";

struct TTypeWord {
  const char* message;
  const char* from;
  const char* to;
};

// In this order: "Mesh" comes last, after every longer word that could hold it.
constexpr TTypeWord kTypeWords[] = {
    {"Generating config:Terrain\n", "TerrainSprite", "DirectDrawTerrain"},
    {"Generating config:Sprites\n", "PolygonSprite", "DirectDrawSprite"},
    {"Generating config:Pictures\n", "PictureVisual", "DirectDrawPicture"},
    {"Generating config:Bars\n", "DD7WorldBar", "DirectDrawWorldBar"},
    {"Generating config:Floors\n", "Mesh", "DirectDrawFloor"},
};

}  // namespace

bool TArtGenerator::GenerateArt() {
  std::vector<std::string> names;
  const std::string folder = run_.PathOf(kConfigsFolder);
  if (!FolderExists(folder)) {
    run_.Fail("Could not open the folder \"" + std::string(kConfigsFolder) + "\"");
  } else {
    ListFolder(folder, names);
  }
  for (std::string name : names) {
    if (!ContainsText(name, k3DSuffix)) continue;
    EraseText(name, k3DSuffix);
    GenerateVisualConfigs(name);
  }
  GenerateMapView();
  return !run_.Failed();
}

void TArtGenerator::GenerateVisualConfigs(const std::string& prefix) {
  const std::string source = kConfigsFolder + prefix + k3DSuffix;
  const std::string target = kConfigsFolder + prefix + k2DSuffix;
  // The prefix comes from a folder listing; it may not reach into other folders.
  if (prefix.find_first_of("/\\") != std::string::npos || !run_.Admit(source) || !run_.Admit(target)) {
    run_.Fail("Skipped the definitions \"" + source + "\"");
    return;
  }
  TTextBuffer text;
  if (!text.Load(run_.PathOf(source))) {
    run_.Fail("Could not read \"" + source + "\"");
    return;
  }
  TConfigParser parser(text.Text());
  GenerateFloors(parser);
  GenerateEffectSprites(parser);
  ConvertVisualTypes(parser);
  TTextBuffer result;
  result.Append(parser.GetText());
  if (!result.Save(run_.PathOf(target))) run_.Fail("Could not write \"" + target + "\"");
}

void TArtGenerator::MergeHandMadeSections(TConfigParser& parser) {
  const std::string handMadeName = std::string(kConfigsFolder) + "DDVisuals.cfg";
  const std::string path = run_.PathOf(handMadeName);
  if (!FileExists(path)) {
    run_.Note("No hand-made 2D definitions (" + handMadeName + ")");
    return;
  }
  TTextBuffer text;
  if (!text.Load(path)) {
    run_.Fail("Could not read \"" + handMadeName + "\"");
    return;
  }
  TConfigParser handMade(text.Text());
  while (handMade.NextSection()) {
    if (!parser.SelectSection(handMade.GetSectionName())) continue;
    parser.SetSectionBody("\n" + handMade.GetSectionBody() + "\n");
  }
}

void TArtGenerator::ConvertVisualTypes(TConfigParser& parser) {
  run_.Progress("Generating config\n");
  MergeHandMadeSections(parser);
  std::string text = parser.GetText();
  for (const TTypeWord& word : kTypeWords) {
    run_.Progress(word.message);
    text = ReplaceAll(text, word.from, word.to);
  }
  parser.SetText(text);
}
