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

TGameData::TGameData(const std::string& dataText, const std::string& terrainSetName,
                     const std::string& terrainSetText, const std::string& weaponsText)
    : unitTypes_(dataText),
      terrainTypes_(terrainSetName, terrainSetText),
      weaponTypes_(dataText, weaponsText),
      weaponsText_(weaponsText) {
  DropUnitsWithoutWeapons();
  if (!HasTerrain()) {
    ReportMissingTerrain();
  }
  ReportEmptyRules();
}

const TUnitType* TGameData::FindUnitType(const std::string& name) const { return unitTypes_.Find(name); }

const TUnitType* TGameData::GetUnitType(int32_t index) const { return unitTypes_.At(index); }

int32_t TGameData::GetUnitTypeCount() const { return unitTypes_.Count(); }

int32_t TGameData::UnitTypeIndex(const std::string& name) const { return unitTypes_.IndexOf(name); }

const TWeaponType* TGameData::FindWeaponType(const std::string& name) const {
  return weaponTypes_.Find(name);
}

int32_t TGameData::GetWeaponTypeCount() const { return weaponTypes_.Count(); }

bool TGameData::ReloadRules(const std::string& dataText) {
  unitTypes_.Load(dataText);
  weaponTypes_.Load(dataText, weaponsText_);
  DropUnitsWithoutWeapons();
  return ReportEmptyRules();
}

bool TGameData::ReloadWeapons(const std::string& dataText, const std::string& weaponsText) {
  weaponsText_ = weaponsText;
  weaponTypes_.Load(dataText, weaponsText_);
  DropUnitsWithoutWeapons();
  return ReportEmptyRules();
}

// Every unit entry is also its own weapon record; a unit whose record the
// weapon table refused could not fight as written, so it is not offered.
void TGameData::DropUnitsWithoutWeapons() {
  const auto dropped =
      unitTypes_.RemoveIf([this](const TUnitType& type) { return weaponTypes_.Find(type.GetName()) == nullptr; });
  for (const std::string& name : dropped) {
    WriteLog("Error: unit type \"" + name + "\" is left out: its weapon record is refused\n");
  }
}

bool TGameData::HasRules() const {
  return unitTypes_.Count() > 0 && HasTerrain() && weaponTypes_.Count() > 0 &&
         weaponTypes_.WeaponDataCount() > 0;
}

// Rules missing from a data file would let a world run on nothing; say so
// where the failure can be traced.
bool TGameData::ReportEmptyRules() const {
  if (unitTypes_.Count() == 0) {
    WriteLog("Error: the game data holds no unit types (\"" + std::string(TUnitTypeList::kSectionName) +
             "\")\n");
  }
  if (weaponTypes_.WeaponDataCount() == 0) {
    WriteLog("Error: the weapons data holds no weapon records (\"" +
             std::string(TWeaponTypeList::kWeaponSection) + "\")\n");
  }
  return HasRules();
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
