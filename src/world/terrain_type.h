// Terrain types: the rule record behind every placed terrain object (ground,
// walls, objects, doors, power parts, force fields), read from the
// "Terrain Data" section of a terrain-set file, and the table that holds the
// types of one terrain set.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/vector3.h"

class TCompoundVolume;
class TConfigParser;

// Movement values of "Movement Type".
enum : int32_t {
  kTerrainMovementEmpty = 0,    // "empty": passable
  kTerrainMovementBlocked = 1,  // "blocked"
  kTerrainMovementFlying = 2,   // "flying": passable for flying units only
};

// One member of a shape text, in the tile's own coordinates.
struct TTerrainShape {
  enum class Kind { Box, Sphere };
  Kind kind = Kind::Box;
  TVector3 centre;
  TVector3 size;        // boxes: full extent per axis
  float radius = 0.0f;  // spheres
};

class TTerrainType {
 public:
  // All texts empty, action offset (0, 0, 0), then Read with the parser
  // positioned on the entry.
  explicit TTerrainType(TConfigParser& parser);
  TTerrainType(const TTerrainType&) = delete;
  TTerrainType& operator=(const TTerrainType&) = delete;

  void Read(TConfigParser& parser);

  // Kind tests: exact, case-sensitive comparisons of the texts, made once
  // when the type is read (the map's queries ask them for every tile).
  bool IsGround() const { return (kindBits_ & kGroundBit) != 0; }
  bool IsWall() const { return (kindBits_ & kWallBit) != 0; }
  bool IsObject() const { return (kindBits_ & kObjectBit) != 0; }
  bool IsDoorState() const { return (kindBits_ & kDoorBit) != 0; }
  bool IsOpen() const { return (kindBits_ & kOpenBit) != 0; }
  bool IsClosed() const { return (kindBits_ & kClosedBit) != 0; }
  // A door whose key is "any" or the given name.
  bool DoorTypeIs(const std::string& name) const;
  const std::string& TypeWord() const { return kind_; }

  bool HasExplosion() const { return explosionDamage_ != 0.0f; }
  float GetExplosionDamage() const { return explosionDamage_; }
  float GetExplosionRadius() const { return explosionRadius_; }
  const std::string& GetAction() const { return action_; }
  const std::string& GetMaterial() const { return material_; }
  const TVector3& GetActionOffset() const { return actionOffset_; }
  bool HasPowerConnection() const { return !powerConnection_.empty(); }

  // The side a power line leaves this tile by when it travels in the
  // direction (0 "N", 1 "E", 2 "S", 3 "W"); -1 when the tile does not carry it.
  int32_t PowerExit(int32_t direction) const;

  // Line-of-fire volume: the sight shapes, then the fire shapes. Line-of-sight
  // volume: the sight shapes. The volumes are placed relative to positionRef,
  // the owner's position.
  void BuildFireVolume(TCompoundVolume& out, const TVector3* positionRef) const;
  void BuildSightVolume(TCompoundVolume& out, const TVector3* positionRef) const;

  const std::string& GetName() const { return name_; }
  const std::string& GetDoorState() const { return doorState_; }
  const std::string& GetNextDoor() const { return nextDoor_; }
  const std::string& GetDoorKey() const { return doorKey_; }
  float GetStrength() const { return strength_; }
  const std::string& GetDestroyedName() const { return destroyedName_; }
  // The type a destroyed tile turns into; null for "none" or an unknown name.
  const TTerrainType* GetDestroyedType() const { return destroyedType_; }
  void SetDestroyedType(const TTerrainType* type) { destroyedType_ = type; }
  int32_t GetMovement() const { return movement_; }
  const std::string& GetSightShapeText() const { return sightShapeText_; }
  const std::string& GetFireShapeText() const { return fireShapeText_; }
  const std::vector<TTerrainShape>& GetSightShapes() const { return sightShapes_; }
  const std::vector<TTerrainShape>& GetFireShapes() const { return fireShapes_; }
  bool IsWindow() const { return window_; }
  const std::string& GetPowerConnection() const { return powerConnection_; }

 private:
  enum : uint8_t {
    kGroundBit = 1,
    kWallBit = 2,
    kObjectBit = 4,
    kDoorBit = 8,
    kOpenBit = 16,
    kClosedBit = 32,
  };

  void ReadMovement(TConfigParser& parser);
  void SetKindBits();

  std::string name_;
  std::string doorState_;
  std::string nextDoor_;
  std::string doorKey_;
  float strength_ = 0.0f;
  std::string destroyedName_;
  const TTerrainType* destroyedType_ = nullptr;
  int32_t movement_ = kTerrainMovementEmpty;
  std::string sightShapeText_;
  std::string fireShapeText_;
  bool window_ = false;
  float explosionDamage_ = 0.0f;
  float explosionRadius_ = 0.0f;
  std::string kind_;
  std::string action_;
  TVector3 actionOffset_;
  std::string material_;
  std::string powerConnection_;
  uint8_t kindBits_ = 0;
  // The shape texts parsed once, so that a faulty text is reported once per
  // load and not once per placed tile.
  std::vector<TTerrainShape> sightShapes_;
  std::vector<TTerrainShape> fireShapes_;
};

// Splits a shape text into shapes. Incomplete or malformed shapes and unknown
// shape names are left out and reported in the log with the type's name.
std::vector<TTerrainShape> ParseTerrainShapes(const std::string& text,
                                              const std::string& typeName);

class TTerrainTypeTable {
 public:
  TTerrainTypeTable() = default;
  TTerrainTypeTable(const std::string& setName, const std::string& text);
  TTerrainTypeTable(const TTerrainTypeTable&) = delete;
  TTerrainTypeTable& operator=(const TTerrainTypeTable&) = delete;

  // Appends every entry of "Terrain Data" in file order, then links each
  // type's "Destroyed" name to the type of that name.
  void Load(const std::string& text);
  // Deletes the types; the set name stays.
  void Clear();
  const TTerrainType* Find(const std::string& name) const;
  // Index of the first type of that name; 0 when there is none.
  int32_t IndexOf(const std::string& name) const;
  int32_t Count() const { return static_cast<int32_t>(types_.size()); }
  // Null for an index outside the table.
  const TTerrainType* At(int32_t index) const;
  // Nothing when the name is the current set's; otherwise the types of the
  // text replace the current ones under the new name.
  void SetTerrainSet(const std::string& name, const std::string& text);
  const std::string& GetTerrainSetName() const { return setName_; }

 private:
  void LinkDestroyedTypes();

  std::string setName_;
  std::vector<std::unique_ptr<TTerrainType>> types_;
};
