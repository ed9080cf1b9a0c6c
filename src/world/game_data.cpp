#include "world/game_data.h"

#include "app/files.h"
#include "app/log.h"

namespace {

// Set names come from map files: only plain names may become part of a path.
bool IsPlainSetName(const std::string& name) {
  return !name.empty() && name.find_first_of("\\/:") == std::string::npos &&
         name.find("..") == std::string::npos;
}

}  // namespace

TGameData::TGameData(const std::string& /*dataText*/, const std::string& terrainSetName,
                     const std::string& terrainSetText)
    : terrainTypes_(terrainSetName, terrainSetText) {
  // The unit and weapon tables are built from dataText around the terrain
  // types, in the order of the fields.
  if (!HasTerrain()) {
    ReportMissingTerrain();
  }
}

const TTerrainType* TGameData::FindTerrainType(const std::string& name) const {
  return terrainTypes_.Find(name);
}

const TTerrainType* TGameData::GetTerrainType(int32_t index) const {
  return terrainTypes_.At(index);
}

int32_t TGameData::GetTerrainTypeCount() const { return terrainTypes_.Count(); }

int32_t TGameData::TerrainTypeIndex(const std::string& name) const {
  return terrainTypes_.IndexOf(name);
}

std::string TGameData::TerrainSetPath(const std::string& name) {
  return GetConfigsFolder() + name + "Data.cfg";
}

bool TGameData::SetTerrainSet(const std::string& name) {
  if (!IsPlainSetName(name)) {
    WriteLog("Error: terrain set name \"" + name + "\" refused\n");
    return false;
  }
  const bool sameSet = name == terrainTypes_.GetTerrainSetName();
  if (sameSet && HasTerrain()) {
    return true;
  }
  TTextBuffer text;
  if (!text.Load(TerrainSetPath(name))) {
    WriteLog("Error: cannot read " + TerrainSetPath(name) + "\n");
  }
  if (sameSet) {
    // The set failed to load before: a later attempt may find its file.
    terrainTypes_.Clear();
    terrainTypes_.Load(text.Text());
  } else {
    terrainTypes_.SetTerrainSet(name, text.Text());
  }
  if (!HasTerrain()) {
    ReportMissingTerrain();
    return false;
  }
  return true;
}

void TGameData::ReportMissingTerrain() const {
  WriteLog("Error: terrain set \"" + terrainTypes_.GetTerrainSetName() +
           "\" has no terrain types\n");
}
