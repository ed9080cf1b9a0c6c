// The spatial questions of the map: cells, points, places and steps.
#include <algorithm>
#include <cmath>
#include <unordered_set>
#include <utility>

#include "world/map.h"
#include "world/step_cache.h"
#include "world/terrain_type.h"

namespace {

// Top objects are looked for this near the point.
constexpr float kTopObjectReach = 0.5001f;
// Beyond this no float names a distinct cell of any map.
constexpr float kCoordinateLimit = 1.0e6f;
constexpr int32_t kFarOutside = -(1 << 30);

// Appends the objects that `out` does not hold yet. The few cells around a
// point hold a handful of objects: those are looked up in `out` itself, and
// only a longer collection is indexed.
class TUniqueAppender {
 public:
  explicit TUniqueAppender(std::vector<TGameObject*>& out) : out_(out) {}
  void Append(const std::vector<TTerrainObject*>& objects) {
    for (TTerrainObject* object : objects) {
      if (!Holds(object)) Keep(object);
    }
  }

 private:
  static constexpr std::size_t kLinearLimit = 48;

  bool Holds(const TGameObject* object) {
    if (!indexed_) {
      if (out_.size() <= kLinearLimit) return std::find(out_.begin(), out_.end(), object) != out_.end();
      seen_.insert(out_.begin(), out_.end());
      indexed_ = true;
    }
    return seen_.count(object) != 0;
  }
  void Keep(TTerrainObject* object) {
    out_.push_back(object);
    if (indexed_) seen_.insert(object);
  }

  std::vector<TGameObject*>& out_;
  std::unordered_set<const TGameObject*> seen_;
  bool indexed_ = false;
};

bool Blocks(const TTerrainObject& object) { return object.MovementType() != kTerrainMovementEmpty; }

bool Touches(TTerrainObject& object, TCompoundVolume& volume) { return object.GetLofVolume().AnyIntersects(volume); }

std::vector<TTerrainObject*> AsTiles(const std::vector<TGameObject*>& objects) {
  std::vector<TTerrainObject*> tiles;
  tiles.reserve(objects.size());
  for (TGameObject* object : objects) tiles.push_back(static_cast<TTerrainObject*>(object));
  return tiles;
}

}  // namespace

// --- cells ---------------------------------------------------------------------

int32_t TMap::PlacementCoordinate(float value) {
  if (!(std::fabs(value) < kCoordinateLimit)) return kFarOutside;
  return static_cast<int32_t>(value);
}

int32_t TMap::LookupCoordinate(float value) {
  if (!(std::fabs(value) < kCoordinateLimit)) return kFarOutside;
  return static_cast<int32_t>(std::round(value));
}


bool TMap::ContainsPoint(const TVector3& point) const {
  return point.x >= 0.0f && point.x < static_cast<float>(width_) && point.y >= 0.0f &&
         point.y < static_cast<float>(height_);
}

TMap::TCell* TMap::MutableCell(int32_t cx, int32_t cy) {
  if (!IsInside(cx, cy)) return nullptr;
  return &grid_[static_cast<std::size_t>(cy) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(cx)];
}

const TMap::TCell& TMap::EmptyCell() {
  static const TCell kEmpty;
  return kEmpty;
}

void TMap::CollectAt(std::vector<TGameObject*>& out, int32_t cx, int32_t cy) const {
  TUniqueAppender(out).Append(CellAt(cx, cy));
}

// --- collections -------------------------------------------------------------

void TMap::CollectInArea(std::vector<TGameObject*>& out, const TBoundingBox& box) const {
  const TVector3& min = box.Min();
  const TVector3& max = box.Max();
  if (!std::isfinite(min.x) || !std::isfinite(min.y) || !std::isfinite(max.x) || !std::isfinite(max.y)) return;
  // The walk keeps the box's own grid of whole steps from its min corner. Steps
  // that only reach cells outside the map are left out, and every layer in z
  // reaches the same cells as the first, so the walk keeps one layer.
  const auto skipTo = [](float from, float limit) {
    return from < limit ? from + std::floor(limit - from) : from;
  };
  TVector3 first(skipTo(min.x, -2.0f), skipTo(min.y, -2.0f), min.z);
  TVector3 last(std::min(max.x, static_cast<float>(width_) + 1.0f), std::min(max.y, static_cast<float>(height_) + 1.0f),
                min.z);
  if (first.x > last.x || first.y > last.y) return;
  TBoundingBox walk(first, last);
  walk.SetSpacing(10000.0f);
  TUniqueAppender appender(out);
  while (const TVector3* point = walk.NextGridPoint()) {
    appender.Append(CellAt(PlacementCoordinate(point->x + 0.5f), PlacementCoordinate(point->y + 0.5f)));
  }
}

void TMap::CollectWithinRadius(std::vector<TGameObject*>& out, const TVector3& centre, float r) const {
  if (!std::isfinite(r)) return;
  // Cells outside the grid hold nothing: the loops keep within it.
  const TCellRange cells = CellsWithin(centre, r);
  TUniqueAppender appender(out);
  for (int32_t cy = cells.yFrom; cy <= cells.yTo; ++cy) {
    for (int32_t cx = cells.xFrom; cx <= cells.xTo; ++cx) appender.Append(CellAt(cx, cy));
  }
}

TMap::TCellRange TMap::CellsWithin(const TVector3& centre, float r) const {
  return {std::max(PlacementCoordinate(centre.x - r), 0), std::min(PlacementCoordinate(centre.x + r + 0.5f), width_ - 1),
          std::max(PlacementCoordinate(centre.y - r), 0), std::min(PlacementCoordinate(centre.y + r + 0.5f), height_ - 1)};
}

// --- points --------------------------------------------------------------------

TTerrainObject* TMap::ObjectAtPoint(const TVector3& point) const {
  for (TTerrainObject* object : CellAt(LookupCoordinate(point.x), LookupCoordinate(point.y))) {
    if (object->IsGround()) return object;
  }
  return nullptr;
}

TTerrainObject* TMap::TopObjectAt(const TVector3& point) const {
  const TCell& cell = CellAt(LookupCoordinate(point.x), LookupCoordinate(point.y));
  for (auto it = cell.rbegin(); it != cell.rend(); ++it) {
    if (!(*it)->IsGround() && (*it)->Position().DistanceTo(point) < kTopObjectReach) return *it;
  }
  return ObjectAtPoint(point);
}

void TMap::SetFlagAround(const TVector3& point, int32_t flag) {
  for (int32_t cy = PlacementCoordinate(point.y - 0.5f); cy <= PlacementCoordinate(point.y + 0.5f); ++cy) {
    for (int32_t cx = PlacementCoordinate(point.x - 0.5f); cx <= PlacementCoordinate(point.x + 0.5f); ++cx) {
      for (TTerrainObject* object : CellAt(cx, cy)) {
        if (object->IsGround()) {
          object->SetFlag(flag, true);
          break;
        }
      }
    }
  }
}

TVector3 TMap::ClampToMap(const TVector3& point) const {
  TVector3 clamped = point;
  clamped.x = std::clamp(clamped.x, 0.0f, static_cast<float>(width_ - 1));
  clamped.y = std::clamp(clamped.y, 0.0f, static_cast<float>(height_ - 1));
  return clamped;
}

void TMap::ResetTileFlags() {
  // Passes that remember which tiles are seen must look again.
  ++gridChanges_;
  for (int32_t i = 0; i < Count(); ++i) {
    TGameObject* object = GetAt(i);
    TBitSet cleared = object->GetCurrentFlags();
    cleared.SetAll(false);
    object->AssignFlags(cleared);
  }
}

// --- places and steps --------------------------------------------------------

template <class TPassOver>
bool TMap::PlaceFree(const TVector3& point, TCompoundVolume& volume, TPassOver passOver) const {
  if (!ContainsPoint(point)) return false;
  const TTerrainObject* ground = ObjectAtPoint(point);
  if (ground == nullptr || Blocks(*ground)) return false;
  const TVector3 place = point;
  TVolumeAt placed(volume, &place);
  // The cells within a unit of the point, as CollectWithinRadius walks them,
  // each object tested once where the walk first meets it. Only walls stand
  // in more than one cell, so only they need remembering.
  thread_local std::vector<const TTerrainObject*> testedWalls;
  testedWalls.clear();
  constexpr float kReach = 1.0f;
  const TCellRange cells = CellsWithin(point, kReach);
  for (int32_t cy = cells.yFrom; cy <= cells.yTo; ++cy) {
    for (int32_t cx = cells.xFrom; cx <= cells.xTo; ++cx) {
      for (TTerrainObject* object : CellAt(cx, cy)) {
        if (object->IsWall()) {
          if (std::find(testedWalls.begin(), testedWalls.end(), object) != testedWalls.end()) continue;
          testedWalls.push_back(object);
        }
        if (Blocks(*object) && !passOver(*object) && Touches(*object, volume)) return false;
      }
    }
  }
  return true;
}

bool TMap::IsPlaceFree(const TVector3& point, TCompoundVolume& volume) const {
  return PlaceFree(point, volume, [](const TTerrainObject& object) { return object.IsDoor() && object.IsOpen(); });
}

bool TMap::IsPlaceFreeFor(const TVector3& point, TCompoundVolume& volume, const std::string& access) const {
  return PlaceFree(point, volume, [&access](const TTerrainObject& object) { return object.DoorTypeIs(access); });
}

bool TMap::CanStep(const TVector3& from, const TVector3& to, TCompoundVolume& volume, const std::string& access,
                   const TVector3* via) const {
  if (!stepMemory_) return ComputeStep(from, to, volume, access, via);
  if (stepCache_ == nullptr) stepCache_ = std::make_unique<TStepCache>();
  TStepCache& cache = *stepCache_;
  if (!cache.Find(from, to, volume, access, via, width_, height_, gridChanges_)) {
    return ComputeStep(from, to, volume, access, via);
  }
  if (cache.Answer() == TStepCache::EAnswer::kUnknown) cache.Remember(ComputeStep(from, to, volume, access, via));
  return cache.Answer() == TStepCache::EAnswer::kFree;
}

void TMap::SetStepMemory(bool on) {
  stepMemory_ = on;
  stepCache_.reset();
}

bool TMap::ComputeStep(const TVector3& from, const TVector3& to, TCompoundVolume& volume, const std::string& access,
                       const TVector3* via) const {
  // Route searches ask this for every step they weigh: the blocking tiles
  // are gathered into buffers kept from call to call, and the answer, which
  // does not depend on their order, is the same as over a fresh collection.
  struct TScratch {
    std::vector<TTerrainObject*> blockers;
    std::vector<uint8_t> ignored;
    // Whether a door of the type lets the mover through, per terrain type
    // met in this call (a map has few; the test compares names).
    std::vector<std::pair<const TTerrainType*, bool>> passable;
  };
  thread_local TScratch kept;
  TScratch& scratch = kept;
  std::vector<TTerrainObject*>& blockers = scratch.blockers;
  blockers.clear();
  scratch.passable.clear();
  const auto passes = [&scratch, &access](const TTerrainObject& object) {
    const TTerrainType* type = &object.GetType();
    for (const auto& [known, result] : scratch.passable) {
      if (known == type) return result;
    }
    const bool result = object.DoorTypeIs(access);
    scratch.passable.emplace_back(type, result);
    return result;
  };
  const auto collect = [this, &blockers, &passes](const TVector3& centre, float r) {
    if (!std::isfinite(r)) return;
    const TCellRange cells = CellsWithin(centre, r);
    for (int32_t cy = cells.yFrom; cy <= cells.yTo; ++cy) {
      for (int32_t cx = cells.xFrom; cx <= cells.xTo; ++cx) {
        // A door the mover may pass never holds it back, wherever it stands.
        for (TTerrainObject* object : CellAt(cx, cy)) {
          if (Blocks(*object) && !passes(*object)) blockers.push_back(object);
        }
      }
    }
  };
  const float reach = volume.MaxGroundRadius() + 1.0f;
  collect(from, from.DistanceTo(to) + reach);
  if (via != nullptr) collect(*via, reach);
  if (blockers.empty()) return true;
  std::sort(blockers.begin(), blockers.end());
  blockers.erase(std::unique(blockers.begin(), blockers.end()), blockers.end());

  TVector3 place = from;
  TVolumeAt placed(volume, &place);
  // What the mover already stands in cannot hold it back: it must be able
  // to walk out of it.
  std::vector<uint8_t>& ignored = scratch.ignored;
  ignored.assign(blockers.size(), 0);
  for (std::size_t i = 0; i < blockers.size(); ++i) ignored[i] = Touches(*blockers[i], volume) ? 1 : 0;
  if (via != nullptr) {
    place = *via;
    for (std::size_t i = 0; i < blockers.size(); ++i) {
      if (ignored[i] == 0 && Touches(*blockers[i], volume)) ignored[i] = 1;
    }
  }

  for (int k = 1; k <= 3; ++k) {
    const auto step = static_cast<float>(k);
    place = TVector3(from.x + step * (to.x - from.x) / 3.0f, from.y + step * (to.y - from.y) / 3.0f,
                     from.z + step * (to.z - from.z) / 3.0f);
    for (std::size_t i = 0; i < blockers.size(); ++i) {
      if (ignored[i] == 0 && Touches(*blockers[i], volume)) return false;
    }
  }
  return true;
}

bool TMap::ForceFieldTest(TCompoundVolume& volume) const {
  TVector3 centre;
  volume.Centre(centre);
  const float r = volume.MaxGroundRadius();
  const TBoundingBox area(TVector3(centre.x - r, centre.y - r, centre.z - r),
                          TVector3(centre.x + r, centre.y + r, centre.z + r));
  std::vector<TGameObject*> near;
  CollectInArea(near, area);
  for (TTerrainObject* object : AsTiles(near)) {
    // The type's material is what ActionName gives, without a copy.
    if (object->GetType().GetMaterial() == "forceField" && Touches(*object, volume)) return true;
  }
  return false;
}
