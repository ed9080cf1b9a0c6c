// The map of a battle: the terrain objects of the world laid over a grid of
// square cells. It answers the spatial questions of the game (what stands at
// a point or in a cell, may a volume stand or step here, does a volume touch
// a force field), keeps the registers the door and power rules work on, and
// defers the removal and replacement of terrain objects to the world's step.
//
// Cells: a placed object belongs to cell (trunc x, trunc y); a lookup at a
// point uses (x, y rounded half away from zero). Ground tiles and objects
// stand on the cell's centre, walls on a cell corner: a wall belongs to the
// four cells around its position.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/vector3.h"
#include "world/bounding_box.h"
#include "world/object_list.h"
#include "world/object_ref.h"
#include "world/terrain_object.h"

class TDataStream;
class TGameData;
class TStepCache;
class TGameObjectRecord;
class TStringList;

class TMap : public TObjectList {
 public:
  // The sizes a map may have on each axis.
  static constexpr int32_t kMinSize = 1;
  static constexpr int32_t kMaxSize = 1024;
  // What a map read from a file may hold: a few objects per cell of its size
  // in all (ground, a wall, an object, a field), and no cell more crowded
  // than this. A file asking for more is refused before anything is built.
  static constexpr int32_t kMaxObjectsPerCell = 4;
  static constexpr int32_t kMaxObjectsInCell = 32;
  static int64_t MaxObjects(int32_t width, int32_t height) {
    return static_cast<int64_t>(width) * height * kMaxObjectsPerCell;
  }

  // A pending replacement: the terrain type to place at a position, and the
  // object it replaces (or none).
  struct TReplacement {
    std::unique_ptr<TVector3> position;
    std::string typeName;
    std::unique_ptr<TObjectRef> replaced;
  };

  // An empty map of the size, no terrain set, the map flag 1. Sizes outside
  // kMinSize..kMaxSize are brought within them.
  TMap(int32_t width, int32_t height);
  ~TMap() override;

  // --- the list -------------------------------------------------------------
  // Indexes the object in its cells and registers; only terrain objects
  // ("MapTile") are taken.
  void Add(std::unique_ptr<TGameObject> object) override;
  void RemoveById(int32_t id) override;
  void Remove(const TGameObject* object) override;
  // Updates the objects whose visual animates.
  void Update(float time) override;
  void CollectInArea(std::vector<TGameObject*>& out, const TBoundingBox& box) const override;
  // The objects of the cells around the centre (no distance test).
  void CollectWithinRadius(std::vector<TGameObject*>& out, const TVector3& centre, float r) const override;
  // The map record: set name, size, flag, then the objects.
  bool Save(TDataStream& stream, TStringList& nameTable) const override;
  // Reads the map record into this map with the game data as it is (the
  // world switches its terrain set). False, with the stream marked failed,
  // for a size outside 1..1024, a bad object list, a record that is not a
  // terrain object, an object of an unknown terrain type or at a point that
  // is not finite, an id that is not storable or that two objects share, or
  // more objects than MaxObjects (in all) or kMaxObjectsInCell (in a cell).
  bool Load(TDataStream& stream, const TGameData& gameData, const TStringList& nameTable) override;
  // The same, first switching the game data to the terrain set of the map.
  bool LoadAndSwitch(TDataStream& stream, TGameData& gameData, const TStringList& nameTable);
  std::string_view ElementTypeName() const override { return TTerrainObject::StaticTypeName(); }
  // The queued objects leave their remains and successors, then every
  // pending replacement is made.
  void HandleDestroyedAll(TNewObjects& newObjects, const TGameData& gameData, float time) override;
  // Removes and deletes the queued objects.
  void RemoveDestroyed() override;
  // Terrain objects make no effects of their own: nothing is gathered.
  void EmitEffectsAll(TNewObjects& out, const TGameData& gameData, float time) override;
  void DeleteAll() override;

  // The terrain objects in the list's order, for passes over every tile
  // that must not pay a virtual lookup per tile.
  const std::vector<std::unique_ptr<TGameObject>>& Tiles() const { return Children(); }

  // --- grid queries ---------------------------------------------------------
  void CollectAt(std::vector<TGameObject*>& out, int32_t cx, int32_t cy) const;
  const std::vector<TTerrainObject*>& CellAt(int32_t cx, int32_t cy) const {
    const TCell* cell = FindCell(cx, cy);
    return cell != nullptr ? *cell : EmptyCell();
  }
  // The ground of the point's cell; null when none.
  TTerrainObject* ObjectAtPoint(const TVector3& point) const;
  // The last non-ground object of the point's cell within 0.5001 of the
  // point, else the ground.
  TTerrainObject* TopObjectAt(const TVector3& point) const;
  bool ContainsPoint(const TVector3& point) const;
  bool IsInside(int32_t cx, int32_t cy) const { return cx >= 0 && cx < width_ && cy >= 0 && cy < height_; }
  // The volume may stand at the point: ground that is passable, and no
  // blocking object (open doors aside) in its way.
  bool IsPlaceFree(const TVector3& point, TCompoundVolume& volume) const;
  // The same, passing over doors that admit the access name.
  bool IsPlaceFreeFor(const TVector3& point, TCompoundVolume& volume, const std::string& access) const;
  // A mover with the volume may step from `from` to `to`; blockers it
  // already overlaps at the start, or would overlap standing at `via` (may
  // be null), are passed over. Answers for steps between lattice neighbours
  // are remembered until the grid changes.
  bool CanStep(const TVector3& from, const TVector3& to, TCompoundVolume& volume, const std::string& access,
               const TVector3* via) const;
  // Counts every change of what the cells hold, and every reset of the
  // tiles' flags.
  uint32_t GridChangeCount() const { return gridChanges_; }
  // Whether step answers are remembered (on by default); off, every step is
  // tested afresh.
  void SetStepMemory(bool on);
  bool HasStepMemory() const { return stepMemory_; }
  // Brackets (nesting) a run of step tests during which no mover's shape
  // changes, such as one route search: the remembered answers are then found
  // without comparing the shape again on every step.
  void HoldStepShapes() const;
  void ReleaseStepShapes() const;
  // The volume touches a force field.
  bool ForceFieldTest(TCompoundVolume& volume) const;
  void SetFlagAround(const TVector3& point, int32_t flag);
  TVector3 ClampToMap(const TVector3& point) const;
  void ResetTileFlags();

  // --- display toggles, terrain set, size -----------------------------------
  void ToggleWalls();
  void ToggleObjects();
  bool WallsToggled() const { return wallsToggled_ != 0; }
  bool ObjectsToggled() const { return objectsToggled_ != 0; }
  void SetTerrainSet(const std::string& name);
  // Whether the terrain set the map was read with has the type; a map that
  // was never read takes every name. A pending successor of an unknown type
  // would remove its object with nothing in its place.
  bool KnowsTerrainType(const std::string& name) const;
  const std::string& GetTerrainSet() const { return terrainSet_; }
  // Deletes every object and rebuilds an empty grid of the size (brought
  // within kMinSize..kMaxSize).
  void Resize(int32_t width, int32_t height);
  int32_t GetWidth() const { return width_; }
  int32_t GetHeight() const { return height_; }
  const TBoundingBox& GetExtent() const { return *extent_; }

  bool IsChanged() const { return changed_ != 0; }
  void ClearChanged() { changed_ = 0; }
  void SetMapFlag(uint8_t flag) { mapFlag_ = flag; }
  uint8_t GetMapFlag() const { return mapFlag_; }

  // --- registers of the door and power rules --------------------------------
  // Queues a destroyed object for removal at the end of the world's step
  // (once per id).
  void MarkForRemoval(TTerrainObject* object);
  // Queues the creation of a terrain object at the position, replacing the
  // referenced object (may be null) in the world's next step.
  void QueueReplacement(const TVector3& position, const std::string& typeName, std::unique_ptr<TObjectRef> replaced);
  void ClearReplacements();

  const std::vector<TTerrainObject*>& GetSingleDoors() const { return singleDoors_; }
  const std::vector<std::pair<TTerrainObject*, TTerrainObject*>>& GetDoubleDoors() const { return doubleDoors_; }
  const std::vector<TTerrainObject*>& GetRelayPosts() const { return relayPosts_; }
  const std::vector<TTerrainObject*>& GetAnimated() const { return animated_; }
  const std::vector<TTerrainObject*>& GetToRemove() const { return toRemove_; }
  const std::vector<TReplacement>& GetReplacements() const { return replacements_; }

  // --- door rules (doors.cpp) -------------------------------------------------
  // The player who owns a unit: doors admit units by their owner's number.
  using TUnitOwner = std::function<int32_t(const TGameObject&)>;
  // Per tick: doors finish opening and closing after 0.5, open for units
  // near them and start closing when nobody is near. The units are the
  // world's unit list; without an owner lookup every unit is let through the
  // doors that admit anyone.
  void UpdateDoors(float time, const TObjectList& units, const TGameData& gameData,
                   const TUnitOwner& ownerOf = nullptr);
  // The terrain type that shows the door of the type in the state ("Open",
  // "Closed", "Opening", "Closing"): along its "Next Door" chain, else by its name.
  static std::string DoorStateTypeName(const TGameData& gameData, const std::string& typeName,
                                       const std::string& state);
  static bool IsMilitaryDoor(const std::string& typeName);
  // A red military door turns green and closed, a green closed one red. A
  // door released by a removed switch (byUnit false) only turns green.
  void ToggleMilitaryDoor(TTerrainObject& door, bool byUnit);
  // A door switch was used by a unit (true) or left the map (false): the
  // military doors it faces, within ten cells, are toggled.
  void ToggleDoor(const TTerrainObject& control, bool byUnit);

  // --- power network (power_network.cpp) --------------------------------------
  // Directions of power lines and fields: 0 north (y - 1), 1 east (x + 1),
  // 2 south (y + 1), 3 west (x - 1).
  static constexpr int32_t kDirectionCount = 4;
  static TVector3 DirectionStep(int32_t direction);
  // Per tick: every relay post is switched after the power reaching it, and
  // raises or lowers the fields toward the relays it faces.
  void UpdatePower();
  // The relay is powered by a cell that is on, or by the switching cell (a
  // cell being switched on whose name still shows off).
  void UpdateRelayPost(TTerrainObject& relay, const TTerrainObject* switchingCell);
  // What a power line leaving the start object in the direction reaches
  // along the conduits; null off the map, at an empty point, or on a closed
  // ring of conduits.
  TTerrainObject* FollowPowerLine(const TTerrainObject& start, int32_t direction) const;
  // The first relay post from the point in the direction, passing over
  // anything else; null at a point without objects.
  TTerrainObject* FindRelayInDirection(const TVector3& point, int32_t direction) const;
  // Queues a field tile at each point between the two relays that holds no
  // object yet (once per point), or removes the field tiles there.
  void RaiseField(const TVector3& from, const TVector3& to, int32_t direction);
  void LowerField(const TVector3& from, const TVector3& to, int32_t direction);
  // A unit switched a power control on or off: the cell it reaches, the
  // other controls of that cell and its relays follow.
  void Activate(const TTerrainObject& control, bool turnOn);

 private:
  using TCell = std::vector<TTerrainObject*>;

  // The cell coordinate of a placed object (truncated toward zero) and of a
  // lookup point (rounded half away from zero); far outside for values no
  // cell could hold.
  static int32_t PlacementCoordinate(float value);
  static int32_t LookupCoordinate(float value);
  // The cells of the grid that objects within r of a point may be indexed
  // in (an object may reach half a cell past its own).
  struct TCellRange {
    int32_t xFrom, xTo, yFrom, yTo;
  };
  TCellRange CellsWithin(const TVector3& centre, float r) const;
  TCell* MutableCell(int32_t cx, int32_t cy);
  const TCell* FindCell(int32_t cx, int32_t cy) const {
    if (!IsInside(cx, cy)) return nullptr;
    return &grid_[static_cast<std::size_t>(cy) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(cx)];
  }
  static const TCell& EmptyCell();
  // The cells an object is indexed in: its own, and for a wall the three
  // others around its corner.
  std::vector<std::pair<int32_t, int32_t>> CellsOf(const TTerrainObject& object) const;

  void Index(TTerrainObject& object);
  void Unindex(const TTerrainObject& object);
  void RegisterDoor(TTerrainObject& door);
  void UnregisterDoor(const TTerrainObject& door);
  void MakeReplacement(TReplacement& replacement, TNewObjects& newObjects, const TGameData& gameData, float time);

  // Empties the grid, the registers and the queue; keeps the size.
  void ResetGrid();
  bool LoadRecord(TDataStream& stream, const TGameData& gameData, const TStringList& nameTable,
                  TGameData* switchable);
  // The object list of the record, its count already read and checked.
  bool LoadObjects(TDataStream& stream, const TGameData& gameData, const TStringList& nameTable, int32_t count);
  // Pairs the doors registered while loading as RegisterDoor would have one
  // by one, looking for partners only in the cells around each door.
  void PairLoadedDoors();

  // The points strictly between two relays, one cell apart, within the map.
  template <class TVisit>
  void WalkField(const TVector3& from, const TVector3& to, int32_t direction, TVisit visit) const;
  bool IsReplacementQueued(const TVector3& position, const std::string& typeName) const;

  // The step test itself, without the remembered answers.
  bool ComputeStep(const TVector3& from, const TVector3& to, TCompoundVolume& volume, const std::string& access,
                   const TVector3* via) const;

  // Shared part of IsPlaceFree and IsPlaceFreeFor.
  template <class TPassOver>
  bool PlaceFree(const TVector3& point, TCompoundVolume& volume, TPassOver passOver) const;

  std::vector<TCell> grid_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  std::unique_ptr<TBoundingBox> extent_;
  // Whether the first added object has set the extent yet.
  bool extentStarted_ = false;
  uint8_t changed_ = 0;
  uint8_t mapFlag_ = 1;
  std::vector<TTerrainObject*> singleDoors_;
  std::vector<std::pair<TTerrainObject*, TTerrainObject*>> doubleDoors_;
  std::vector<TTerrainObject*> relayPosts_;
  std::vector<TTerrainObject*> animated_;
  std::vector<TTerrainObject*> toRemove_;
  std::vector<TReplacement> replacements_;
  std::string terrainSet_;
  // The game data the map was last read with (it outlives the map).
  const TGameData* typeSource_ = nullptr;
  // While loading, doors are paired at the end, not as they are added.
  bool deferDoorPairing_ = false;
  uint8_t wallsToggled_ = 0;
  uint8_t objectsToggled_ = 0;
  uint32_t gridChanges_ = 0;
  bool stepMemory_ = true;
  // What the power lines and relay walks of each registered relay post
  // reach, per direction; they read only what the cells hold, so they stand
  // until the grid changes.
  struct TRelayReach {
    std::array<const TTerrainObject*, kDirectionCount> sources{};
    std::array<const TTerrainObject*, kDirectionCount> relays{};
  };
  std::vector<TRelayReach> relayReach_;
  TRelayReach ReachOf(const TTerrainObject& relay) const;
  // UpdateRelayPost with what the relay's lines reach already found.
  void UpdateRelayPostWith(TTerrainObject& relay, const TTerrainObject* switchingCell, const TRelayReach& reach);
  uint32_t relayReachAt_ = 0;
  bool relayReachKnown_ = false;
  // Remembered step answers: a cache, so kept through const queries.
  mutable std::unique_ptr<TStepCache> stepCache_;
};
