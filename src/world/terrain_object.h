// Placed terrain objects: every floor tile, wall piece, crate, door, power
// part and force-field tile of a map is a TTerrainObject of a terrain type.
// It never changes its type in place: damage names the type it is destroyed
// into, a door or power switch gives it a pending name, and the world's step
// creates the successor in its place while the old object goes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/vector3.h"
#include "display/visual_registry.h"
#include "world/game_object.h"
#include "world/object_record.h"
#include "world/terrain_type.h"
#include "world/volume.h"

class TGameData;
class TTerrainType;
class TVisual;

// What every object of one terrain type shares and copies at its place: the
// collision volumes built from the type's shapes. (The "Terrain" visual is
// shared through the visual library's prototype of the type, which lives as
// long as the map view: a template outlives map views.)
// A template keeps no pointer into the game data it was built from, so it
// stays sound when that data goes; it remembers the type's name and shape
// texts to tell whether a type of another game data still fits it.
class TTerrainTemplate {
 public:
  explicit TTerrainTemplate(const TTerrainType& type);
  TTerrainTemplate(const TTerrainTemplate&) = delete;
  TTerrainTemplate& operator=(const TTerrainTemplate&) = delete;

  // Same name and same shapes: objects of the type may be copied from this.
  bool Fits(const TTerrainType& type) const;

  const TCompoundVolume& FireVolume() const { return fireVolume_; }
  const TCompoundVolume& SightVolume() const { return sightVolume_; }

 private:
  std::string name_;
  std::string sightShapeText_;
  std::string fireShapeText_;
  // The volumes follow this origin, (0, 0, 0).
  TVector3 origin_;
  TCompoundVolume fireVolume_;
  TCompoundVolume sightVolume_;
};

// The templates by terrain set and type name, filled on first use.
class TTerrainTemplates {
 public:
  // The template for the type of the game data, made (or remade, when the
  // type's shapes changed) on demand.
  static const TTerrainTemplate& For(const TGameData& gameData, const TTerrainType& type);
  static int32_t Count();
  static void Clear();
};

// Final: the map passes its tiles over when the world gathers effects, and
// a tile of this class makes none.
class TTerrainObject final : public TGameObject {
 public:
  static constexpr std::string_view kTypeName = "MapTile";
  static std::string_view StaticTypeName() { return kTypeName; }

  // A placed object: volumes and visual built from the type at the position.
  TTerrainObject(const TTerrainType& type, const TVector3& position, float creationTime);
  // A detached template at (0, 0, 0): its visual never enters the map view.
  explicit TTerrainObject(const TTerrainType& type);
  // A placed object of the template's type, its volumes and visual copied.
  TTerrainObject(const TTerrainObject& templateObject, const TVector3& position, float creationTime);
  // A placed object of the type, copied from the shared template of that type.
  TTerrainObject(const TTerrainTemplate& shared, const TTerrainType& type, const TVector3& position,
                 float creationTime);
  ~TTerrainObject() override;

  std::string_view TypeName() const override { return kTypeName; }
  void Update(float time) override;
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override;
  bool TakeDamage(float amount) override;
  // Destroyed, removed, or a pending name other than "none".
  bool IsDestroyed() const override;
  float GetStrength() const override;
  // A tile keeps the bits it has been flagged with.
  void CommitFlags() override;
  void HandleDestroyed(TNewObjects& newObjects, const TGameData& gameData, float time) override;
  bool IsMapTile() const override { return true; }
  float GetRadius() const override { return 0.5f; }
  std::string SubtypeName() const override;
  void SetPosition(const TVector3& point) override;
  float SphereOverlap(const TVector3& centre, float radius) const override;
  using TGameObject::GetDirection;
  // The face of the tile that looks toward the point; (0, 0, 1) for ground.
  void GetDirection(TVector3& out, const TVector3& toward) const;
  bool IsOpaque() const override;
  void GetAimPoint(TVector3& out) const override;
  float GetCreationTime() const override { return creationTime_; }
  TVisual* GetVisual() const override { return visual_.get(); }
  std::string ActionName() const override;

  const TTerrainType& GetType() const { return *type_; }
  const std::string& GetTypeName() const;

  // Asked per tile in every step test and sight pass: kept inline.
  bool IsGround() const { return type_->IsGround(); }
  bool IsWall() const { return type_->IsWall(); }
  bool IsObject() const { return type_->IsObject(); }
  bool IsDoor() const { return type_->IsDoorState(); }
  bool IsOpen() const;
  bool DoorTypeIs(const std::string& name) const;
  // Both ground, both wall or both object.
  bool SameKind(const TTerrainObject& other) const;
  bool KindMatches(const TTerrainType& type) const;
  int32_t MovementType() const { return type_->GetMovement(); }
  const std::string& TypeActionField() const;
  const TVector3& GetActionOffset() const;

  void SetPendingName(const std::string& name) { pendingName_ = name; }
  const std::string& GetPendingName() const { return pendingName_; }
  void MarkRemoved() { removed_ = 1; }
  bool IsRemoved() const { return removed_ != 0; }
  bool IsDestroyedByDamage() const { return destroyed_ != 0; }
  float GetLeftoverDamage() const { return leftoverDamage_; }
  bool IsDetached() const { return detached_ != 0; }

  // False for a ground type that is never destroyed; otherwise whether the
  // amount reaches the type's strength.
  bool CanBeDestroyed(float amount) const;
  // Damage measured against the type: the leftover (amount - strength) is
  // kept, and a leftover of 0.0 or more destroys. A ground type that is never
  // destroyed takes no damage.
  bool ApplyDamage(float amount, const TTerrainType& type);

  // The visual animates; the map updates such objects every tick.
  bool IsAnimated() const;
  // Flips a switch visual between its two images (map display toggles).
  void ToggleSwitchVisual();
  void ToggleIfWall();
  void ToggleIfObject();

 private:
  // The "Terrain" visual of the type at the object's position; none without
  // a visual library.
  void BuildVisual();
  // A placed object: a ground tile stamps its square into the map view's
  // lighting, the visual joins the map view's layer at the offset of its
  // kind and starts at the creation time.
  void Place();
  // Ground far below everything; objects just above the walls of their place.
  float LayerOffset() const;
  // The successor of a destroyed object, the smoke and the explosion.
  void AppendRemains(TNewObjects& out, std::size_t surrogateIndex, const TGameData& gameData, float time);
  // The object of the pending type that takes this one's place.
  void AppendPendingSuccessor(TNewObjects& out, std::size_t surrogateIndex, const TGameData& gameData,
                              float time);

  const TTerrainType* type_;
  uint8_t destroyed_ = 0;
  uint8_t removed_ = 0;
  float leftoverDamage_ = 0.0f;
  uint8_t detached_ = 0;
  TMapVisualPtr visual_;
  float creationTime_ = 0.0f;
  std::string pendingName_ = "none";
};

// A new object of the named type, copied from its template; null (logged)
// when the game data has no type of that name.
std::unique_ptr<TTerrainObject> CreateTerrainObject(const std::string& typeName, const TGameData& gameData,
                                                    const TVector3& position, float creationTime);

// The saved state of a terrain object: the base record, the terrain type's
// name (an index into the stream's name table) and the creation time.
class TMapTileRecord : public TGameObjectRecord {
 public:
  explicit TMapTileRecord(const TTerrainObject& object);
  // Fields after the type index; a name index outside the table fails the stream.
  TMapTileRecord(TDataStream& stream, const TStringList& nameTable);

  // The reader registered for "MapTile".
  static std::unique_ptr<TGameObjectRecord> Read(TDataStream& stream, const TStringList& nameTable);

  // Null (logged) when the game data has no type of the stored name.
  std::unique_ptr<TGameObject> Spawn(const TGameData& gameData, TObjectList& list) const override;
  std::string_view TypeName() const override { return TTerrainObject::kTypeName; }
  std::unique_ptr<TGameObjectRecord> Clone() const override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;

  const std::string& GetTerrainTypeName() const { return terrainTypeName_; }
  float GetCreationTime() const { return creationTime_; }

 private:
  std::string terrainTypeName_;
  float creationTime_ = 0.0f;
};

// Registers the "MapTile" reader with the record factory (again is harmless).
void RegisterMapTileRecord();
