// The root of one battle's world: the thirteen typed object lists (units, the
// world effects and the map), the rule tables of the battle, the object ids
// and the looping ambient sound. Every other part of the game reaches objects
// through it, by list, by id, by running index, by area or by radius. It is
// itself an object list whose list operations go to its child lists, so a
// world saves, loads, snapshots and restores like any list.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "world/object_list.h"

class TAmbientSound;
class TAmmoDumpList;
class TCombatantList;
class TCorpseList;
class TDataStream;
class TDeployTileList;
class TEggList;
class TExplosionList;
class TGameData;
class TGooExplosionList;
class TGooList;
class TIdCounter;
class TMap;
class TProjectileList;
class TShieldList;
class TSmokeList;
class TSurrogateList;
class TTerrainWalkIndex;

class TWorld : public TObjectList {
 public:
  // The child lists, by their place in saved worlds.
  enum EList : int32_t {
    kUnitList = 0,
    kProjectileList,
    kCorpseList,
    kMapList,
    kExplosionList,
    kSmokeList,
    kSurrogateList,
    kAmmoDumpList,
    kGooList,
    kGooExplosionList,
    kEggList,
    kDeployTileList,
    kShieldList,
    kListCount
  };
  // Worlds saved before list counts were stored hold the first eight lists.
  static constexpr int32_t kOldListCount = 8;
  static constexpr std::string_view kElementTypeName = "Everything";
  // The size of the map of a world built without a map file.
  static constexpr int32_t kEmptyMapWidth = 40;
  static constexpr int32_t kEmptyMapHeight = 50;
  // The terrain set of worlds saved before the set was stored.
  static constexpr std::string_view kDefaultTerrainSet = "city";

  // Reads the rule tables ("Configs\Drannoc Data.cfg", "Configs\Weapons.cfg",
  // "Configs\cityData.cfg") and the map file when one is named (else an
  // empty 40 x 50 map). A missing rule file is logged and leaves HasRules
  // false; a map that does not load is logged and leaves an empty map.
  explicit TWorld(const std::string& mapFileName = std::string());
  ~TWorld() override;

  // --- the list -------------------------------------------------------------
  // Gives the object an id and adds it to the child list of its type; an
  // object of a type no list holds is deleted (and logged).
  void Add(std::unique_ptr<TGameObject> object) override;
  void RemoveById(int32_t id) override;
  void Remove(const TGameObject* object) override;
  void TakeSnapshot() override;
  // The ids go back to the snapshot's mark and every list to its records;
  // then shields find their units again. False when a record did not spawn.
  bool RestoreSnapshot(const TGameData& gameData) override;
  bool RestoreSnapshot();
  // The per-tick update at the clock time.
  void Update(float time) override;
  TGameObject* FindById(int32_t id) const override;
  void CollectInArea(std::vector<TGameObject*>& out, const TBoundingBox& box) const override;
  void CollectWithinRadius(std::vector<TGameObject*>& out, const TVector3& centre, float r) const override;
  // Terrain-set name, next id, the type-name table, the list count and the
  // lists. The name table given collects the names (pass an empty one).
  // A stream of version 1.0999 or below gets the eight lists of that time
  // and no count.
  bool Save(TDataStream& stream, TStringList& nameTable) const override;
  bool Save(TDataStream& stream) const;
  // Replaces the world's objects with the stream's, under the world's own
  // rule tables and the stream's own name table (the arguments are not
  // used); the id counter ends beyond every loaded id. False, with the
  // stream marked failed, for an unknown terrain set, a list count outside
  // 0..13, or a list that does not load.
  bool Load(TDataStream& stream, const TGameData& gameData, const TStringList& nameTable) override;
  bool Load(TDataStream& stream);
  std::string_view ElementTypeName() const override { return kElementTypeName; }
  // A turn begins: every list's BeginTurn.
  void BeginTurn() override;
  // A turn ends: every object refreshes its visual, the ambient sound
  // updates.
  void RefreshVisuals() override;
  // Deletes the destroyed objects of every list.
  void RemoveDestroyed() override;

  // The simulator's names for the hooks above.
  void ForEachListHook() { BeginTurn(); }
  void NotifyTurnEnd() { RefreshVisuals(); }
  void RemoveDestroyedAll() { RemoveDestroyed(); }

  // --- the child lists ------------------------------------------------------
  static constexpr int32_t GetListCount() { return kListCount; }
  // Null for an index outside 0..12.
  TObjectList* GetList(int32_t index) const;
  TCombatantList& GetUnits() const { return *units_; }
  TProjectileList& GetProjectiles() const { return *projectiles_; }
  TCorpseList& GetCorpses() const { return *corpses_; }
  TMap& GetMap() const { return *map_; }
  // The terrain by cell for the walks along a segment, brought up to the
  // map's grid (shared by every sight resolver of the world).
  TTerrainWalkIndex& GetTerrainWalkIndex() const;
  TExplosionList& GetExplosions() const { return *explosions_; }
  TSmokeList& GetSmoke() const { return *smoke_; }
  TSurrogateList& GetSurrogates() const { return *surrogates_; }
  TAmmoDumpList& GetAmmoDumps() const { return *ammoDumps_; }
  TGooList& GetGoo() const { return *goo_; }
  TGooExplosionList& GetGooExplosions() const { return *gooExplosions_; }
  TEggList& GetEggs() const { return *eggs_; }
  TDeployTileList& GetDeployTiles() const { return *deployTiles_; }
  TShieldList& GetShields() const { return *shields_; }

  // --- rules ----------------------------------------------------------------
  TGameData& GetGameData() const { return *gameData_; }
  // False when a rule file was missing or a rule table is empty: a turn must
  // not be computed in such a world.
  bool HasRules() const;
  // The game data loads the set's terrain types, then the map takes the
  // name; false (logged, nothing changed) for a set that gives no types.
  bool SetTerrainSet(const std::string& name);
  // Reads "Configs\Weapons.cfg" again and rebuilds the weapon types; false
  // (logged) when the file is missing or the table comes out empty.
  bool ReloadWeapons();

  // --- ids ------------------------------------------------------------------
  int32_t NextId();
  // An object without an id (-1) takes the next one; any id keeps the
  // counter beyond it.
  void AssignId(TGameObject& object);
  int32_t PeekNextId() const;

  // --- objects made during a step -------------------------------------------
  // The record's object, added; false (logged) when the record does not spawn.
  bool SpawnFromRecord(const TGameObjectRecord& record);
  // Once per simulation step: eggs learn whether a unit stands on them, the
  // lists hand over what their destroyed objects leave, and each new object
  // is named (units), given an id and added to its list.
  void AddNewObjects(float time);
  // Adds each object of the vector as AddNewObjects does; the vector is
  // emptied.
  void AddObjects(TNewObjects& objects);
  // The ids of the objects the last new-object pass added: the players'
  // first sight of each is recorded once, by the resolver's vision pass,
  // which then forgets them.
  const std::vector<int32_t>& GetVisionObjects() const { return visionObjects_; }
  void ClearVisionObjects() { visionObjects_.clear(); }
  // The short visual effects the objects started at the time.
  void CollectEffects(TNewObjects& out, float time);
  // A unit ("Combatant") takes the first name of its type's section of
  // "Configs\name.cfg" that no unit of the world bears yet.
  void AssignUnitName(TGameObject& object);
  // A terrain object ("MapTile") that takes another type is queued on the
  // map; other objects are ignored.
  void NotifyTileChanged(TGameObject& object);

  // --- doors and power --------------------------------------------------------
  void UpdateDoors(float time);
  std::string DoorStateTypeName(const std::string& typeName, const std::string& state) const;

  // --- the map --------------------------------------------------------------
  // Reads a ".map" file into the map and gives every map object without an
  // id its id (the counter moves beyond the ids the file holds); the camera
  // follows the map's size. False (logged, an empty map) when the file does
  // not load.
  bool LoadMapFile(const std::string& fileName);
  // The same for the map designer: the camera stays.
  bool LoadMapFileKeepView(const std::string& fileName);
  void ResizeMap(int32_t width, int32_t height);
  // Terrain-set name, width and height of the map.
  void WriteMapHeader(TDataStream& stream) const;

  // The score the dead units give the player.
  float GetScore(int32_t player) const;

  // --- ambient sound ----------------------------------------------------------
  // Replaces the ambient sound node (the sound system's, or a test's).
  void SetAmbientSound(std::unique_ptr<TAmbientSound> sound);
  TAmbientSound& GetAmbientSound() const { return *ambient_; }

 protected:
  // Count and At of the world: every list's objects, the lists in their order.
  int32_t SpannedCount() const override;
  TGameObject* SpannedAt(int32_t index) const override;

 private:
  void CreateLists(const std::string& mapFileName);
  void ReadRules();
  void SetCameraBounds() const;
  // The first child list of the type name; null when none holds it.
  TObjectList* ListFor(std::string_view typeName) const;
  bool LoadLists(TDataStream& stream, const TStringList& nameTable, int32_t count);
  // Shared by the two map-file loads.
  bool ReadMapFile(const std::string& fileName);

  // The rules come first: the lists' objects refer to them until the lists
  // are gone.
  std::unique_ptr<TGameData> gameData_;
  bool rulesMissing_ = false;
  std::array<std::unique_ptr<TObjectList>, kListCount> lists_;
  TCombatantList* units_ = nullptr;
  TProjectileList* projectiles_ = nullptr;
  TCorpseList* corpses_ = nullptr;
  TMap* map_ = nullptr;
  TExplosionList* explosions_ = nullptr;
  TSmokeList* smoke_ = nullptr;
  TSurrogateList* surrogates_ = nullptr;
  TAmmoDumpList* ammoDumps_ = nullptr;
  TGooList* goo_ = nullptr;
  TGooExplosionList* gooExplosions_ = nullptr;
  TEggList* eggs_ = nullptr;
  TDeployTileList* deployTiles_ = nullptr;
  TShieldList* shields_ = nullptr;
  std::unique_ptr<TIdCounter> idCounter_;
  std::unique_ptr<TAmbientSound> ambient_;
  std::unique_ptr<TTerrainWalkIndex> walkIndex_;
  TNewObjects newObjects_;
  std::vector<int32_t> visionObjects_;
};
