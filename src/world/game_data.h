// The rule tables of one battle's world: unit types, terrain types of the
// current terrain set and weapon types, all owned here and built in that order.
#pragma once

#include <cstdint>
#include <string>

#include "units/unit_type.h"
#include "units/weapon.h"
#include "world/terrain_type.h"

class TGameData {
 public:
  // dataText is the data configuration text ("Unit Data": unit types and
  // their weapons); terrainSetText is the text of the terrain-set file of
  // terrainSetName; weaponsText is the text of the weapons file ("Weapon
  // Data": the shots that belong to no unit type). Empty tables are logged.
  TGameData(const std::string& dataText, const std::string& terrainSetName,
            const std::string& terrainSetText, const std::string& weaponsText = std::string());
  TGameData(const TGameData&) = delete;
  TGameData& operator=(const TGameData&) = delete;

  const TUnitType* FindUnitType(const std::string& name) const;
  // Null for an index outside the table.
  const TUnitType* GetUnitType(int32_t index) const;
  int32_t GetUnitTypeCount() const;
  // 0 when no type bears the name.
  int32_t UnitTypeIndex(const std::string& name) const;
  const TWeaponType* FindWeaponType(const std::string& name) const;
  int32_t GetWeaponTypeCount() const;

  // The unit and weapon types are read again from a data configuration text
  // (with the weapons text the tables were last built with); the terrain
  // types stay. False, logged, when a table comes out empty.
  bool ReloadRules(const std::string& dataText);
  // The weapon types are read again from the data configuration text and a
  // weapons text. False, logged, when the table comes out empty.
  bool ReloadWeapons(const std::string& dataText, const std::string& weaponsText);

  // False when the unit types, the terrain types, the weapon types or the
  // weapons file's own records are empty (a data file was missing or held no
  // entries): a turn must not be computed on such rules.
  bool HasRules() const;

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
  const TUnitTypeList& GetUnitTypes() const { return unitTypes_; }
  const TWeaponTypeList& GetWeaponTypes() const { return weaponTypes_; }

 private:
  void ReportMissingTerrain() const;
  bool ReportEmptyRules() const;
  void DropUnitsWithoutWeapons();

  TUnitTypeList unitTypes_;
  TTerrainTypeTable terrainTypes_;
  TWeaponTypeList weaponTypes_;
  std::string weaponsText_;
};
