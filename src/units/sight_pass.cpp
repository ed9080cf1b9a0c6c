// The sight pass of the sight resolver: once per simulation pass every living
// unit looks at the objects of the world (and, on map passes, at the terrain
// when it has moved or its stance calls for it), the sides' flag bits are
// set, and each change of a side's view becomes a vision event. Also the
// screen's view of what a unit sees.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "session/sides.h"
#include "sim/action_resolver.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/sight_resolver.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/map.h"
#include "world/object_list.h"
#include "world/object_ref.h"
#include "world/surrogate.h"
#include "world/terrain_object.h"
#include "world/world.h"

namespace {

constexpr float kTolerance = 0.0001f;

bool Differs(const TVector3& a, const TVector3& b) {
  return std::fabs(a.x - b.x) > kTolerance || std::fabs(a.y - b.y) > kTolerance || std::fabs(a.z - b.z) > kTolerance;
}

int32_t SideCount() { return TSides::Instance()->GetSideCount(); }

// The objects of the list with index in [count * from, count * to).
template <class TVisit>
void ForSlice(const TObjectList& list, float fromFraction, float toFraction, TVisit visit) {
  const int32_t count = list.Count();
  const auto first = static_cast<int32_t>(static_cast<float>(count) * fromFraction);
  const auto last = static_cast<int32_t>(static_cast<float>(count) * toFraction);
  for (int32_t i = std::max(first, 0); i < std::min(last, count); ++i) {
    TGameObject* object = list.GetAt(i);
    if (object != nullptr) visit(*object);
  }
}

// The player the object belongs to, for objects a player can own on the map.
bool BelongsTo(const TGameObject& object, int32_t owner) { return OwnerOf(object) == owner; }


}  // namespace

// --- map pass timing -------------------------------------------------------------

float TSightResolver::GetMapPassInterval() const {
  return singlePlayer_ ? kSinglePlayerMapPassInterval : kMapPassInterval;
}

bool TSightResolver::IsMapPassDue(float t) const { return nextMapPass_ + GetMapPassInterval() - kTolerance < t; }

void TSightResolver::AdvanceMapPass(float t) {
  const float interval = GetMapPassInterval();
  if (nextMapPass_ + interval <= t) nextMapPass_ += interval;
}

void TSightResolver::ResetMapPass(float t) { nextMapPass_ = t - GetMapPassInterval(); }

// --- the pass ---------------------------------------------------------------------------

int32_t TSightResolver::SideOf(const Combatant& unit) {
  const int32_t owner = unit.GetOwner();
  if (!unit.HasPsychicAttack()) return owner;
  return owner == 0 ? 1 : 0;
}

void TSightResolver::SetAllLocks(bool locked, bool withMap) {
  if (withMap) {
    const TMap& map = world_->GetMap();
    for (const auto& tile : map.Tiles()) {
      if (tile == nullptr) continue;
      if (locked) {
        tile->GetFlagSet().Lock();
      } else {
        tile->GetFlagSet().Unlock();
      }
    }
    mapLocked_ = locked;
    mapLockedAt_ = map.GridChangeCount();
  }
  for (int32_t l = 0; l < TWorld::GetListCount(); ++l) {
    if (l == TWorld::kMapList) continue;
    const TObjectList* list = world_->GetList(l);
    for (int32_t i = 0; i < list->Count(); ++i) {
      TGameObject* object = list->GetAt(i);
      if (object == nullptr) continue;
      if (locked) {
        object->GetFlagSet().Lock();
      } else {
        object->GetFlagSet().Unlock();
      }
    }
  }
}

void TSightResolver::UpdateCells(float t) { SetAllLocks(false, IsMapPassDue(t)); }

bool TSightResolver::IsMapAsleep() {
  if (!mapLocked_ || mapLockedAt_ != world_->GetMap().GridChangeCount()) return false;
  // A surrogate that is seen unlocks the objects it links to: while one
  // links anything, no tile is taken to be locked.
  const TObjectList& surrogates = world_->GetSurrogates();
  for (int32_t i = 0; i < surrogates.Count(); ++i) {
    const auto* surrogate = dynamic_cast<const Surrogate*>(surrogates.GetAt(i));
    if (surrogate != nullptr && !surrogate->GetLinks().empty()) {
      mapLocked_ = false;
      return false;
    }
  }
  return true;
}

void TSightResolver::CommitAllFlags(bool mapAsleep) {
  for (int32_t l = 0; l < TWorld::GetListCount(); ++l) {
    if (l == TWorld::kMapList) {
      if (!mapAsleep) CommitWatchedTiles();
      continue;
    }
    const TObjectList* list = world_->GetList(l);
    for (int32_t i = 0; i < list->Count(); ++i) {
      TGameObject* object = list->GetAt(i);
      if (object != nullptr) object->CommitFlags();
    }
  }
}

// --- the tile watch ----------------------------------------------------------------------
//
// A tile's commit makes its previous flags a copy of its current ones, and
// its change report compares the two. Every change of either goes through
// its flag set, which enters the tile in the watch (TFlagSet::Touched). A
// tile the watch does not list has had neither changed since the commit
// that took it off the list, so its previous flags equal its current ones:
// committing it again copies equal bits, and it reports no change. The
// passes over the map therefore visit only the listed tiles; a locked tile
// neither commits nor reports and stays listed until it is unlocked.

namespace {

// The tile of the map list at the index, when the watch took it there.
TGameObject* WatchedTileAt(const TMap& map, const TFlagWatch* watch, int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(map.Tiles().size())) return nullptr;
  TGameObject* tile = map.Tiles()[static_cast<std::size_t>(index)].get();
  if (tile == nullptr || tile->GetFlagSet().Watcher() != watch || tile->GetFlagSet().WatchKey() != index) {
    return nullptr;
  }
  return tile;
}

void CommitTile(TGameObject& tile) { static_cast<TTerrainObject&>(tile).TTerrainObject::CommitFlags(); }

}  // namespace

void TSightResolver::WatchTiles() {
  TTileWatch& watched = tileWatch_;
  const TMap& map = world_->GetMap();
  const auto& tiles = map.Tiles();
  // Tiles are added, removed and reset only with a new grid change count;
  // another pass that watches the tiles takes every one of them, the first
  // among them too.
  if (watched.set && watched.gridChanges == map.GridChangeCount() && watched.tileCount == map.Count()) {
    const auto first = std::find_if(tiles.begin(), tiles.end(), [](const auto& tile) { return tile != nullptr; });
    if (first == tiles.end() || (*first)->GetFlagSet().Watcher() == watched.watch.get()) return;
  }
  if (watched.watch == nullptr) watched.watch = std::make_shared<TFlagWatch>();
  watched.watch->Keys().clear();
  // Each tile enters the list at once when its flags differ already.
  for (std::size_t i = 0; i < tiles.size(); ++i) {
    if (tiles[i] != nullptr) tiles[i]->GetFlagSet().Watch(watched.watch, static_cast<int32_t>(i));
  }
  watched.set = true;
  watched.gridChanges = map.GridChangeCount();
  watched.tileCount = map.Count();
}

std::vector<int32_t>& TSightResolver::SortedWatchedTiles() {
  std::vector<int32_t>& keys = tileWatch_.watch->Keys();
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  return keys;
}

bool TSightResolver::WatchHoldsTiles() {
  const TMap& map = world_->GetMap();
  const TFlagWatch* watch = tileWatch_.watch.get();
  if (watch == nullptr) return false;
  for (const int32_t key : SortedWatchedTiles()) {
    if (WatchedTileAt(map, watch, key) == nullptr) return false;
  }
  return true;
}

void TSightResolver::CommitWatchedTiles() {
  WatchTiles();
  const TMap& map = world_->GetMap();
  if (!WatchHoldsTiles()) {
    // A list that names a tile it did not take: the tiles were moved in the
    // list behind the watch's back. Every tile commits, and is watched anew.
    for (const auto& tile : map.Tiles()) {
      if (tile != nullptr && !tile->GetFlagSet().IsLocked()) CommitTile(*tile);
    }
    tileWatch_.set = false;
    WatchTiles();
    return;
  }
  std::vector<int32_t>& keys = tileWatch_.watch->Keys();
  std::size_t kept = 0;
  for (std::size_t n = 0; n < keys.size(); ++n) {
    const int32_t key = keys[n];
    TGameObject& tile = *WatchedTileAt(map, tileWatch_.watch.get(), key);
    TFlagSet& flags = tile.GetFlagSet();
    if (flags.IsLocked()) {
      keys[kept++] = key;
      continue;
    }
    CommitTile(tile);
    flags.Unlist();
  }
  keys.resize(kept);
}

void TSightResolver::Step(float t) {
  // One answer for the whole pass: the pass itself moves the next due time.
  const bool mapPassDue = IsMapPassDue(t);
  // Between map passes every tile is locked: a locked tile neither commits
  // nor shows a change, so the two walks over the map can be left out.
  const bool mapAsleep = IsMapAsleep();
  CommitAllFlags(mapAsleep);

  // An object's visibility factor depends on where it and the shields stand
  // and on a unit's warp state: nothing of this changes during the pass, so
  // each factor is worked out once, when a unit first needs it. The tiles
  // are looked at on map passes only; between them their table stays empty
  // (an empty table works each factor out afresh), and the tables keep
  // their room from pass to pass.
  passFactors_.resize(static_cast<std::size_t>(TWorld::GetListCount()));
  for (int32_t l = 0; l < TWorld::GetListCount(); ++l) {
    std::vector<float>& factors = passFactors_[static_cast<std::size_t>(l)];
    factors.clear();
    if (l == TWorld::kMapList && !mapPassDue) continue;
    factors.resize(static_cast<std::size_t>(std::max(world_->GetList(l)->Count(), 0)),
                   std::numeric_limits<float>::quiet_NaN());
  }
  const auto factorsOf = [this](const TObjectList& list) -> std::vector<float>* {
    for (int32_t l = 0; l < TWorld::GetListCount(); ++l) {
      if (world_->GetList(l) == &list) return &passFactors_[static_cast<std::size_t>(l)];
    }
    return nullptr;
  };
  const TCombatantList& units = world_->GetUnits();
  TObjectList* detected[] = {&world_->GetUnits(), &world_->GetAmmoDumps(), &world_->GetEggs(),
                             &world_->GetSurrogates()};
  std::vector<float>* detectedFactors[std::size(detected)];
  for (std::size_t d = 0; d < std::size(detected); ++d) detectedFactors[d] = factorsOf(*detected[d]);
  for (int32_t i = 0; i < units.Count(); ++i) {
    Combatant* unit = AsCombatant(units.GetAt(i));
    if (unit == nullptr || unit->IsDestroyed()) continue;
    for (int32_t l = 0; l < TWorld::GetListCount(); ++l) {
      if (l == TWorld::kMapList) {
        SightTerrain(*unit, mapPassDue);
      } else {
        SightListObjects(*unit, *world_->GetList(l), &passFactors_[static_cast<std::size_t>(l)]);
      }
    }
    for (std::size_t d = 0; d < std::size(detected); ++d) DetectListObjects(*unit, *detected[d], detectedFactors[d]);
  }
  // Outside the pass no table holds: a factor asked for then is worked out.
  for (std::vector<float>& factors : passFactors_) factors.clear();

  // What a side sees of a linked object it also sees of the surrogate.
  const TObjectList& surrogates = world_->GetSurrogates();
  for (int32_t side = 0; side < SideCount(); ++side) {
    for (int32_t i = 0; i < surrogates.Count(); ++i) {
      if (auto* surrogate = dynamic_cast<Surrogate*>(surrogates.GetAt(i))) surrogate->PullFlag(side);
    }
  }

  ReportVisionChanges(t, mapAsleep);
  AdvanceMapPass(t);
  SetAllLocks(true, mapPassDue);
}

void TSightResolver::MarkSeen(TGameObject& object, int32_t side) {
  object.SetFlag(side, true);
  world_->GetMap().SetFlagAround(object.Position(), side);
}

float* TSightResolver::FactorSlot(std::vector<float>* factors, int32_t i) {
  if (factors == nullptr || i < 0 || static_cast<std::size_t>(i) >= factors->size()) return nullptr;
  return &(*factors)[static_cast<std::size_t>(i)];
}

float TSightResolver::PassFactor(const TGameObject& object, float* slot) const {
  if (slot == nullptr) return VisibilityFactor(object);
  // A factor that is itself no number is simply worked out again: the same.
  if (std::isnan(*slot)) *slot = VisibilityFactor(object);
  return *slot;
}

void TSightResolver::SightObjects(Combatant& unit, TObjectList& list) { SightListObjects(unit, list, nullptr); }

void TSightResolver::SightListObjects(Combatant& unit, TObjectList& list, std::vector<float>* factors) {
  const int32_t side = SideOf(unit);
  const TVector3 from = unit.GetFiringPoint();
  for (int32_t i = 0; i < list.Count(); ++i) {
    if (TGameObject* object = list.GetAt(i)) SightObject(unit, side, from, *object, FactorSlot(factors, i));
  }
}

void TSightResolver::SightObject(Combatant& unit, int32_t side, const TVector3& from, TGameObject& object,
                                 float* factor) {
  if (object.GetFlagSet().IsLocked() || object.TestFlag(side)) return;
  if (!unit.CanSee(object, PassFactor(object, factor))) return;
  TVector3 aim;
  object.GetAimPoint(aim);
  // What stands in the way is seen instead.
  TTerrainObject* between = FirstTerrainHit(from, aim, false);
  MarkSeen(between != nullptr ? static_cast<TGameObject&>(*between) : object, side);
}

bool TSightResolver::BuildTerrainIndex() {
  TTerrainIndex& index = terrainIndex_;
  const TMap& map = world_->GetMap();
  if (index.built && index.gridChanges == map.GridChangeCount() && index.tileCount == map.Count() &&
      index.width == map.GetWidth() && index.height == map.GetHeight()) {
    return index.usable;
  }
  index.built = true;
  index.usable = false;
  index.gridChanges = map.GridChangeCount();
  index.tileCount = map.Count();
  index.width = map.GetWidth();
  index.height = map.GetHeight();
  // Sight reaches vision x visibility x a cover factor of at most 1: the
  // largest visibility bounds it, unless one is no number or below zero.
  index.maxVisibility = 0.0f;
  for (int32_t i = 0; i < map.Count(); ++i) {
    const TGameObject* object = map.GetAt(i);
    if (object == nullptr) continue;
    const float visibility = object->GetVisibility();
    if (!std::isfinite(visibility) || visibility < 0.0f) return false;
    index.maxVisibility = std::max(index.maxVisibility, visibility);
  }
  const auto cellOf = [&index](const TGameObject& object) {
    const TVector3& p = object.Position();
    if (!(p.x >= 0.0f && p.x < static_cast<float>(index.width) && p.y >= 0.0f &&
          p.y < static_cast<float>(index.height))) {
      return -1;
    }
    return static_cast<int32_t>(p.y) * index.width + static_cast<int32_t>(p.x);
  };
  const auto cells = static_cast<std::size_t>(std::max(index.width, 0)) * static_cast<std::size_t>(std::max(index.height, 0));
  index.bucketStart.assign(cells + 1, 0);
  index.offGrid.clear();
  for (int32_t i = 0; i < map.Count(); ++i) {
    const TGameObject* object = map.GetAt(i);
    if (object == nullptr) continue;
    const int32_t cell = cellOf(*object);
    if (cell < 0) {
      index.offGrid.push_back(i);
    } else {
      ++index.bucketStart[static_cast<std::size_t>(cell) + 1];
    }
  }
  for (std::size_t c = 1; c <= cells; ++c) index.bucketStart[c] += index.bucketStart[c - 1];
  index.items.assign(static_cast<std::size_t>(index.bucketStart[cells]), 0);
  std::vector<int32_t> fill(index.bucketStart.begin(), index.bucketStart.end() - 1);
  for (int32_t i = 0; i < map.Count(); ++i) {
    const TGameObject* object = map.GetAt(i);
    if (object == nullptr) continue;
    const int32_t cell = cellOf(*object);
    if (cell >= 0) index.items[static_cast<std::size_t>(fill[static_cast<std::size_t>(cell)]++)] = i;
  }
  index.usable = true;
  return true;
}

void TSightResolver::SightMapObjects(Combatant& unit) {
  TMap& map = world_->GetMap();
  std::vector<float>* factors =
      passFactors_.empty() ? nullptr : &passFactors_[static_cast<std::size_t>(TWorld::kMapList)];
  const float vision = unit.GetVision();
  if (!BuildTerrainIndex() || !std::isfinite(vision) || vision < 0.0f) {
    SightListObjects(unit, map, factors);
    return;
  }
  TTerrainIndex& index = terrainIndex_;
  // A margin against the rounding of the distance.
  const float reach = vision * index.maxVisibility * 1.001f + 0.01f;
  const TVector3 at = unit.Position();
  if (!std::isfinite(reach) || !std::isfinite(at.x) || !std::isfinite(at.y)) {
    SightListObjects(unit, map, factors);
    return;
  }
  std::vector<int32_t>& candidates = index.candidates;
  candidates.assign(index.offGrid.begin(), index.offGrid.end());
  const auto clampCell = [](float value, int32_t size) {
    return static_cast<int32_t>(std::clamp(std::floor(value), -1.0f, static_cast<float>(size)));
  };
  const int32_t xFrom = std::max(clampCell(at.x - reach, index.width), 0);
  const int32_t xTo = std::min(clampCell(at.x + reach, index.width), index.width - 1);
  const int32_t yFrom = std::max(clampCell(at.y - reach, index.height), 0);
  const int32_t yTo = std::min(clampCell(at.y + reach, index.height), index.height - 1);
  const int32_t side = SideOf(unit);
  for (int32_t cy = yFrom; cy <= yTo; ++cy) {
    for (int32_t cx = xFrom; cx <= xTo; ++cx) {
      CollectUnseen(static_cast<std::size_t>(cy) * static_cast<std::size_t>(index.width) + static_cast<std::size_t>(cx),
                    side, vision, at);
    }
  }
  // The map's order decides what a tile already seen hides from the rest.
  std::sort(candidates.begin(), candidates.end());
  const TVector3 from = unit.GetFiringPoint();
  for (const int32_t i : candidates) {
    if (TGameObject* object = map.GetAt(i)) SightObject(unit, side, from, *object, FactorSlot(factors, i));
  }
}

void TSightResolver::CollectUnseen(std::size_t cell, int32_t side, float vision, const TVector3& at) {
  TTerrainIndex& index = terrainIndex_;
  const auto& tiles = world_->GetMap().Tiles();
  for (int32_t k = index.bucketStart[cell]; k < index.bucketStart[cell + 1]; ++k) {
    const int32_t i = index.items[static_cast<std::size_t>(k)];
    const TGameObject& tile = *tiles[static_cast<std::size_t>(i)];
    // What SightObject passes over at once is left out here: a tile the
    // side has seen, or a locked one (tiles only become seen in the pass).
    if (tile.TGameObject::TestFlag(side) || tile.GetFlagSet().IsLocked()) continue;
    // Nor a tile beyond the unit's sight whatever covers it: the cover
    // factor is at most 1, so the reach CanSee works out is at most
    // vision x visibility, both of them here no less than zero.
    if (vision * tile.GetVisibility() < at.DistanceTo(tile.Position())) continue;
    index.candidates.push_back(i);
  }
}

void TSightResolver::DetectObjects(Combatant& unit, TObjectList& list) { DetectListObjects(unit, list, nullptr); }

void TSightResolver::DetectListObjects(Combatant& unit, TObjectList& list, std::vector<float>* factors) {
  if (!unit.HasTracking()) return;
  const int32_t side = SideOf(unit);
  for (int32_t i = 0; i < list.Count(); ++i) {
    TGameObject* object = list.GetAt(i);
    if (object == nullptr || object->TestFlag(side)) continue;
    if (unit.CanTrack(*object, PassFactor(*object, FactorSlot(factors, i)))) MarkSeen(*object, side);
  }
}

// --- terrain ---------------------------------------------------------------------------

TSightRecord* TSightResolver::FindSightRecord(int32_t unitKey) const {
  for (const auto& record : sightRecords_) {
    if (record->unitKey == unitKey) return record.get();
  }
  return nullptr;
}

TSightRecord& TSightResolver::FindOrCreateSightRecord(int32_t unitKey) {
  if (TSightRecord* record = FindSightRecord(unitKey)) return *record;
  auto record = std::make_unique<TSightRecord>();
  record->unitKey = unitKey;
  sightRecords_.push_back(std::move(record));
  return *sightRecords_.back();
}

void TSightResolver::SightTerrain(Combatant& unit, bool mapPassDue) {
  TSightRecord& record = FindOrCreateSightRecord(unit.GetId());
  TMap& map = world_->GetMap();
  // A removed terrain object may open a view from anywhere.
  if (map.IsChanged()) {
    record.resightStanding = 1;
    record.resightMoving = 1;
  }
  if (!mapPassDue) return;
  const bool standing = unit.IsStanding();
  const bool needed = (record.resightStanding != 0 && standing) || (record.resightMoving != 0 && !standing) ||
                      record.lastPosition == nullptr || Differs(*record.lastPosition, unit.Position());
  if (needed) {
    SightMapObjects(unit);
    if (standing) record.resightStanding = 0;
    record.resightMoving = 0;
  }
  if (record.lastPosition == nullptr) {
    record.lastPosition = std::make_unique<TVector3>(unit.Position());
  } else {
    *record.lastPosition = unit.Position();
  }
}

// --- events ----------------------------------------------------------------------------

void TSightResolver::ReportVisionChanges(float t, bool mapAsleep) {
  if (resolver_ == nullptr) return;
  const int32_t sides = SideCount();
  for (int32_t l = 0; l < TWorld::GetListCount(); ++l) {
    if (l == TWorld::kMapList) {
      if (!mapAsleep) ReportTileChanges(t);
      continue;
    }
    const TObjectList* list = world_->GetList(l);
    for (int32_t i = 0; i < list->Count(); ++i) {
      TGameObject* object = list->GetAt(i);
      if (object == nullptr) continue;
      for (int32_t side = 0; side < sides; ++side) {
        if (object->FlagChanged(side)) resolver_->UpdateVision(*object, side, t);
      }
    }
  }
}

void TSightResolver::ReportTileChanges(float t) {
  const int32_t sides = SideCount();
  const auto report = [&](TGameObject& tile) {
    // A tile whose flags are all as committed (or that is locked) has
    // nothing to report.
    if (!tile.GetFlagSet().AnyChanged()) return;
    for (int32_t side = 0; side < sides; ++side) {
      if (tile.FlagChanged(side)) resolver_->UpdateVision(tile, side, t);
    }
  };
  const TMap& map = world_->GetMap();
  if (!WatchHoldsTiles()) {
    for (const auto& tile : map.Tiles()) {
      if (tile != nullptr) report(*tile);
    }
    return;
  }
  // Sorted, the listed tiles report in the map's order; a tile an event
  // would list now is appended behind the ones taken here.
  const std::vector<int32_t>& keys = tileWatch_.watch->Keys();
  const std::size_t count = keys.size();
  for (std::size_t n = 0; n < count; ++n) report(*WatchedTileAt(map, tileWatch_.watch.get(), keys[n]));
}

// --- the screen's view ------------------------------------------------------------------

void TSightResolver::CollectVisible(Combatant& unit, std::vector<std::unique_ptr<TObjectRef>>& out,
                                    float fromFraction, float toFraction) {
  const int32_t owner = unit.GetOwner();
  const TVector3 from = unit.GetFiringPoint();
  TObjectList* lists[] = {&world_->GetMap(), &world_->GetUnits(), &world_->GetAmmoDumps(), &world_->GetEggs()};
  for (TObjectList* list : lists) {
    ForSlice(*list, fromFraction, toFraction, [&](TGameObject& object) {
      if (BelongsTo(object, owner)) return;
      const float factor = VisibilityFactor(object);
      bool visible = false;
      if (unit.HasTracking() && unit.CanTrack(object, factor)) {
        visible = true;
      } else if (object.IsMapTile() && static_cast<const TTerrainObject&>(object).IsGround() &&
                 unit.Position().DistanceTo(object.Position()) < unit.GetVision()) {
        visible = true;
      } else if (unit.CanSee(object, factor)) {
        TVector3 aim;
        object.GetAimPoint(aim);
        const TTerrainObject* between = FirstTerrainHit(from, aim, false);
        visible = between == nullptr || between == &object;
      }
      if (visible) out.push_back(std::make_unique<TObjectRef>(object.GetId(), list));
    });
  }
}
