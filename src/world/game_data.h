// The rule tables of one battle's world: unit types, terrain types of the
// current terrain set and weapon types, all owned here and built in that order.
#pragma once

#include <cstdint>
#include <string>

#include "world/terrain_type.h"

class TGameData {
 public:
  // dataText is the data configuration text ("Unit Data", "Weapon Data");
  // terrainSetText is the text of the terrain-set file of terrainSetName.
  TGameData(const std::string& dataText, const std::string& terrainSetName,
            const std::string& terrainSetText);
  TGameData(const TGameData&) = delete;
  TGameData& operator=(const TGameData&) = delete;

  // Unit types (FindUnitType, GetUnitType, GetUnitTypeCount, UnitTypeIndex),
  // weapon types (FindWeaponType) and ReloadRules join here with the unit and
  // weapon tables.

  const TTerrainType* FindTerrainType(const std::string& name) const;
  // Null for an index outside the table.
  const TTerrainType* GetTerrainType(int32_t index) const;
  int32_t GetTerrainTypeCount() const;
  // 0 when no type bears the name.
  int32_t TerrainTypeIndex(const std::string& name) const;
  // False when no terrain types are loaded: a world cannot be built then.
  bool HasTerrain() const { return terrainTypes_.Count() > 0; }

  // Reads "Configs\" + name + "Data.cfg" and switches the terrain types to it;
  // nothing happens when the set is already loaded. A name that is not a plain
  // file name is refused (false, logged, the current set stays); a set that
  // gives no types leaves the table empty and is logged (false).
  bool SetTerrainSet(const std::string& name);
  const std::string& GetTerrainSetName() const { return terrainTypes_.GetTerrainSetName(); }

  // The game path of a terrain set's file.
  static std::string TerrainSetPath(const std::string& name);

  const TTerrainTypeTable& GetTerrainTypes() const { return terrainTypes_; }

 private:
  void ReportMissingTerrain() const;

  // TUnitTypeList unitTypes_ comes first once unit types exist.
  TTerrainTypeTable terrainTypes_;
  // TWeaponTypeList weaponTypes_ follows the terrain types.
};
