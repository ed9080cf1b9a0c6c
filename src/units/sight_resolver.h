// The sight and line-of-fire service of a battle. It answers the geometric
// questions of the rules (is a unit's line of fire free of its own side and
// of terrain, what is the first object on a line or on a thrown shot's path,
// what lies along a segment), and once per simulation pass it works out which
// objects and terrain objects each side now sees, reporting every change of a
// side's view to the action resolver. The turn simulator owns the instance
// that runs the sight pass; orders, reactions, screens and the computer
// opponent build short-lived instances for the line questions.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "app/vector3.h"

class Combatant;
class TFlagWatch;
class TActionResolver;
class TCellWalker;
class TCompoundVolume;
class TGameObject;
class TObjectList;
class TObjectRef;
class TSegmentVolume;
class TTerrainObject;
class TWorld;

// What a unit last knew of the terrain around it: where it stood when it last
// looked, and whether it must look again once it stands or while it moves.
struct TSightRecord {
  int32_t unitKey = -1;
  std::unique_ptr<TVector3> lastPosition;
  uint8_t resightStanding = 1;
  uint8_t resightMoving = 1;
};

class TSightResolver {
 public:
  // Terrain is looked at again this often (time units), twice as seldom in
  // single-player games.
  static constexpr float kMapPassInterval = 0.2f;
  static constexpr float kSinglePlayerMapPassInterval = 0.4f;
  // Walks along a segment visit the map's cells and this many cells around
  // it, where a mover (a shield reaches 3.0 from its unit) may still stand in
  // a cell's box.
  static constexpr float kWalkMargin = 4.0f;

  // The resolver receives the vision events; without one (an instance that
  // only answers line questions) no event is made.
  TSightResolver(TWorld& world, TActionResolver* resolver);
  ~TSightResolver();
  TSightResolver(const TSightResolver&) = delete;
  TSightResolver& operator=(const TSightResolver&) = delete;

  // --- line questions ---------------------------------------------------------
  // The line from the shooter's firing point to the target's aim point is
  // free of terrain (the target itself aside) and of objects of the
  // shooter's own side that stand no farther than the target.
  bool IsPathClear(const Combatant& shooter, TGameObject& target);
  // No terrain object (a terrain target included) lies on the line from the
  // shooter's firing point to the target's aim point / to the point.
  bool IsLineClear(const Combatant& shooter, const TGameObject& target);
  bool IsLineClearToPoint(const Combatant& shooter, const TVector3& point);
  // The non-ground terrain object nearest `from` in the first cell along the
  // segment that holds one whose shape the segment meets: the line-of-fire
  // shape, or the line-of-sight shape when useLineOfFireVolumes is false.
  // Null when nothing is met or the ends coincide.
  TTerrainObject* FirstTerrainHit(const TVector3& from, const TVector3& to, bool useLineOfFireVolumes);
  // The first terrain object, unit, ammunition dump or egg (the excluded
  // object aside) whose line-of-fire shape meets the segment, or the given
  // volume swept along it. impact becomes the point on the line at the hit
  // object's distance, or `to` when nothing is met.
  TGameObject* FirstHit(const TGameObject* excluded, const TVector3& from, const TVector3& to, TVector3& impact,
                        const TCompoundVolume* volume = nullptr);
  // Whether a shot of the unit's weapon aimed at the target (on the high arc
  // of a lobbed weapon when highArc is set) flies without striking terrain
  // before it comes down. True for a unit without a weapon.
  bool IsShotPathClear(const Combatant& unit, const TVector3& target, bool highArc = false);
  // The units, ammunition dumps, eggs, shields and terrain objects whose
  // line-of-fire shape the segment meets, each once, nearest `from` first
  // (objects as far as one another in the order the walk met them, shields
  // before the objects of the lists in a cell). A caller that casts many
  // segments within one area passes the movers it gathered once for that
  // area (GatherMovers); otherwise they are gathered for the segment.
  void CollectAlongSegment(const TVector3& from, const TVector3& to, std::vector<TGameObject*>& out,
                           const std::vector<TGameObject*>* movers = nullptr);
  // The shields, units, ammunition dumps and eggs, in this order, that a cell
  // walked by a segment within the box of the two corners may hold.
  void GatherMovers(const TVector3& corner1, const TVector3& corner2, std::vector<TGameObject*>& out) const;
  // What the unit can see now, for the game screen, over the part
  // [fromFraction, toFraction) of each list; no flag changes.
  void CollectVisible(Combatant& unit, std::vector<std::unique_ptr<TObjectRef>>& out, float fromFraction,
                      float toFraction);
  // How much of the object a viewer makes out: the cover of the shields
  // over it, 0.0 for a unit in the middle of its warp jump, else 1.0.
  float VisibilityFactor(const TGameObject& object) const;

  // --- the sight pass ---------------------------------------------------------
  // Opens the flag sets of every list (the map's only on a map pass).
  void UpdateCells(float t);
  // Works out what each side sees at the time and reports the changes.
  void Step(float t);
  // The side the unit sees for: its owner, or the other side while its
  // psychic attack is pending.
  static int32_t SideOf(const Combatant& unit);
  // Marks for the unit's side each object of the list in its sight (or the
  // terrain object in the way).
  void SightObjects(Combatant& unit, TObjectList& list);
  // Marks for the unit's side each object of the list its tracking reaches.
  void DetectObjects(Combatant& unit, TObjectList& list);

  // --- map pass timing --------------------------------------------------------
  bool IsMapPassDue(float t) const;
  void AdvanceMapPass(float t);
  // A map pass falls due at once (a turn processed on the server side).
  void ResetMapPass(float t);
  void SetSinglePlayer(bool singlePlayer) { singlePlayer_ = singlePlayer; }
  float GetMapPassInterval() const;
  float GetNextMapPass() const { return nextMapPass_; }

  const std::vector<std::unique_ptr<TSightRecord>>& GetSightRecords() const { return sightRecords_; }
  TSightRecord* FindSightRecord(int32_t unitKey) const;

 private:
  // Sets the segment volume's ends and starts the cell walk on the part of
  // the segment over the map; false when no part of it is.
  bool StartWalk(const TVector3& from, const TVector3& to);
  // The cell walk alone, the segment volume left as it is.
  bool StartCellWalk(const TVector3& from, const TVector3& to);
  // Whether the object stands between the shooter and the target for the
  // line of fire (sight_resolver.cpp).
  bool Blocks(const Combatant& shooter, const TGameObject& target, const TGameObject& object,
              const TVector3& firingPoint, const TVector3& targetAim) const;
  bool AnyBlocks(const TObjectList& list, const Combatant& shooter, const TGameObject& target,
                 const TVector3& firingPoint, const TVector3& targetAim) const;
  // Whether the object's chosen shape meets the segment volume as it is set.
  bool MeetsSegment(TGameObject& object, bool useLineOfFireVolumes);
  // Whether the volume, carried from one end of the segment to the other,
  // meets the object's line-of-fire shape anywhere.
  bool MeetsSweep(TGameObject& object, const TCompoundVolume& volume, const TVector3& from, const TVector3& to);
  // The units, ammunition dumps, eggs (and shields) that any cell of the
  // walk along the segment may hold (FirstHit and CollectAlongSegment).
  void CollectMovers(const TVector3& from, const TVector3& to, bool withShields, std::vector<TGameObject*>& out) const;

  // The sight pass (sight_pass.cpp).
  void SetAllLocks(bool locked, bool withMap);
  // Whether every map tile is locked for certain, so that the flag commit
  // and the change report may pass the map over.
  bool IsMapAsleep();
  void CommitAllFlags(bool mapAsleep);
  // Makes the tile watch list every tile of the map whose flags may have
  // changed since its last commit: watches every tile afresh when the map's
  // list has changed since the last time, or another pass took the tiles.
  void WatchTiles();
  // The tiles the watch lists, in the map's order.
  std::vector<int32_t>& SortedWatchedTiles();
  // Whether every tile the watch lists (sorted, each once) stands where
  // the watch took it in the map's list.
  bool WatchHoldsTiles();
  void CommitWatchedTiles();
  void ReportTileChanges(float t);
  void SightTerrain(Combatant& unit, bool mapPassDue);
  // One object for SightObjects: marks it (or the terrain in the way) when
  // the unit sees it.
  void SightObject(Combatant& unit, int32_t side, const TVector3& from, TGameObject& object, float* factor);
  // SightObjects and DetectObjects with the factors of the pass in progress
  // for the list (may be null: each worked out afresh).
  void SightListObjects(Combatant& unit, TObjectList& list, std::vector<float>* factors);
  void DetectListObjects(Combatant& unit, TObjectList& list, std::vector<float>* factors);
  // The visibility factor of the object, worked out once per pass: the slot
  // holds no number until it is known.
  float PassFactor(const TGameObject& object, float* slot) const;
  // The slot of the i-th object of the list in the factors, or null.
  static float* FactorSlot(std::vector<float>* factors, int32_t i);
  // SightObjects over the map, taking only the tiles that stand near enough
  // to be seen, in the map's own order.
  void SightMapObjects(Combatant& unit);
  // Sorts the map's objects into the cells their positions fall in, again
  // whenever the map's grid has changed; false when the tiles' visibilities
  // give no bound to sight.
  bool BuildTerrainIndex();
  // Appends the tiles of the index's cell that the side has not seen yet,
  // that are not locked and that a unit of the vision at the point may see.
  void CollectUnseen(std::size_t cell, int32_t side, float vision, const TVector3& at);
  TSightRecord& FindOrCreateSightRecord(int32_t unitKey);
  void MarkSeen(TGameObject& object, int32_t side);
  void ReportVisionChanges(float t, bool mapAsleep);

  TWorld* world_;
  TActionResolver* resolver_;
  float nextMapPass_ = 0.0f;
  bool singlePlayer_ = false;
  std::vector<std::unique_ptr<TSightRecord>> sightRecords_;
  std::unique_ptr<TVector3> segmentOrigin_;
  std::unique_ptr<TSegmentVolume> segment_;
  std::unique_ptr<TCellWalker> walker_;
  std::unique_ptr<TVector3> spare_;

  // The map's objects by the whole-unit cell of their position, for the
  // pass in progress: indices into the map list, bucket by bucket in list
  // order; objects off the grid (or at no number) are always candidates.
  struct TTerrainIndex {
    bool built = false;
    bool usable = false;
    // The map's grid change count and tile count the index was built for.
    uint32_t gridChanges = 0;
    int32_t tileCount = 0;
    int32_t width = 0;
    int32_t height = 0;
    float maxVisibility = 0.0f;
    std::vector<int32_t> bucketStart;
    std::vector<int32_t> items;
    std::vector<int32_t> offGrid;
    std::vector<int32_t> candidates;
  };
  TTerrainIndex terrainIndex_;
  // The tiles whose flags may differ from their last commit, by index in the
  // map's list, for the map's grid change count and tile count it was set up at.
  struct TTileWatch {
    std::shared_ptr<TFlagWatch> watch;
    bool set = false;
    uint32_t gridChanges = 0;
    int32_t tileCount = 0;
  };
  TTileWatch tileWatch_;
  // The visibility factor of every object, by list and index, for the pass
  // in progress.
  std::vector<std::vector<float>> passFactors_;
  // The map was locked whole by the last map pass, at this grid change
  // count, and nothing has unlocked it since.
  bool mapLocked_ = false;
  uint32_t mapLockedAt_ = 0;
};
