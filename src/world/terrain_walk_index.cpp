#include "world/terrain_walk_index.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "world/map.h"
#include "world/terrain_object.h"
#include "world/volume.h"

namespace {

// Segments whose ends lie farther out than this, or that are longer, are
// not filtered: the rounding bound below is only worked out for map-sized
// coordinates.
constexpr double kFilterLimit = 1.0e6;
// The widening of every box, in world units and per unit of the segment's
// coordinates and length. The shape tests accept a point within 0.0001 of a
// box face and 0.0001 past either end; their float rounding moves the point
// they find off the true segment by far less than 0.00001 per unit of
// coordinate or length. A sphere test loses more: its discriminant cancels,
// which can admit a line up to 0.002 x (segment length + radius) outside the
// sphere. The widening covers all of these several times over.
constexpr double kBaseMargin = 0.01;
constexpr double kCoordinateMargin = 1.0e-5;
constexpr double kLengthMargin = 0.003;

bool BoundMember(const TVolume& member, TTerrainWalkIndex::TEntry& entry, bool first) {
  TVector3 min;
  TVector3 max;
  float r = 0.0f;
  if (!member.LocalBounds(min, max, r)) return false;
  entry.radius = std::max(entry.radius, r);
  const float low[3] = {min.x, min.y, min.z};
  const float high[3] = {max.x, max.y, max.z};
  for (int axis = 0; axis < 3; ++axis) {
    if (!std::isfinite(low[axis]) || !std::isfinite(high[axis]) || !(low[axis] <= high[axis])) return false;
    entry.low[axis] = first ? low[axis] : std::min(entry.low[axis], low[axis]);
    entry.high[axis] = first ? high[axis] : std::max(entry.high[axis], high[axis]);
  }
  return true;
}

TTerrainWalkIndex::TEntry MakeEntry(TTerrainObject& tile, const TCompoundVolume& volume) {
  TTerrainWalkIndex::TEntry entry;
  entry.tile = &tile;
  entry.volume = &volume;
  entry.members = volume.Count();
  entry.bounded = true;
  for (std::size_t i = 0; i < volume.Count() && entry.bounded; ++i) {
    const TVolume& member = *volume.At(i);
    entry.bounded = member.PositionRef() == &tile.Position() && BoundMember(member, entry, i == 0);
  }
  return entry;
}

}  // namespace

void TTerrainWalkIndex::Refresh(const TMap& map) {
  if (built_ && map_ == &map && gridChanges_ == map.GridChangeCount() && tileCount_ == map.Count() &&
      width_ == map.GetWidth() && height_ == map.GetHeight()) {
    return;
  }
  Build(map);
}

void TTerrainWalkIndex::Build(const TMap& map) {
  built_ = true;
  map_ = &map;
  gridChanges_ = map.GridChangeCount();
  tileCount_ = map.Count();
  width_ = std::max(0, map.GetWidth());
  height_ = std::max(0, map.GetHeight());
  const std::size_t cells = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  for (int kind = 0; kind < 2; ++kind) {
    start_[kind].assign(cells + 1, 0);
    entries_[kind].clear();
  }
  for (int32_t cy = 0; cy < height_; ++cy) {
    for (int32_t cx = 0; cx < width_; ++cx) {
      const std::size_t c = static_cast<std::size_t>(cy) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(cx);
      for (TTerrainObject* tile : map.CellAt(cx, cy)) {
        // Ground never stands in a line's way, and an empty shape meets
        // nothing: the walks pass both over.
        if (tile->IsGround()) continue;
        const TCompoundVolume* shapes[2] = {&tile->GetLosVolume(), &tile->GetLofVolume()};
        for (int kind = 0; kind < 2; ++kind) {
          if (!shapes[kind]->IsEmpty()) entries_[kind].push_back(MakeEntry(*tile, *shapes[kind]));
        }
      }
      for (int kind = 0; kind < 2; ++kind) start_[kind][c + 1] = static_cast<int32_t>(entries_[kind].size());
    }
  }
}

// --- the segment's filter -------------------------------------------------------------

void TSegmentBoxFilter::Prepare() {
  prepared_ = true;
  const double a[3] = {from3_.x, from3_.y, from3_.z};
  const double b[3] = {to3_.x, to3_.y, to3_.z};
  double extent = 0.0;
  double lengthSquared = 0.0;
  for (int axis = 0; axis < 3; ++axis) {
    if (!std::isfinite(a[axis]) || !std::isfinite(b[axis])) return;
    extent = std::max({extent, std::fabs(a[axis]), std::fabs(b[axis])});
    from_[axis] = a[axis];
    delta_[axis] = b[axis] - a[axis];
    inverse_[axis] = delta_[axis] != 0.0 ? 1.0 / delta_[axis] : 0.0;
    lengthSquared += delta_[axis] * delta_[axis];
  }
  const double length = std::sqrt(lengthSquared);
  if (!(extent <= kFilterLimit) || !(length > 0.0) || !(length <= kFilterLimit)) return;
  margin_ = kBaseMargin + kCoordinateMargin * extent + kLengthMargin * length;
  stretch_ = 1.0 / length;
  usable_ = true;
}

bool TSegmentBoxFilter::MayMeet(const TTerrainWalkIndex::TEntry& entry, bool lineOfFire) {
  if (!prepared_) Prepare();
  if (!usable_ || !entry.bounded) return true;
  const TTerrainObject& tile = *entry.tile;
  const TCompoundVolume& volume = lineOfFire ? tile.GetLofVolume() : tile.GetLosVolume();
  if (&volume != entry.volume || volume.Count() != entry.members) return true;
  const TVector3& position = tile.Position();
  const double origin[3] = {position.x, position.y, position.z};
  const double margin = margin_ + kLengthMargin * static_cast<double>(entry.radius);
  // The segment stretched by the margin past both ends, against the box
  // widened by it on every side.
  double enter = -margin * stretch_;
  double leave = 1.0 + margin * stretch_;
  for (int axis = 0; axis < 3; ++axis) {
    const double low = origin[axis] + static_cast<double>(entry.low[axis]) - margin;
    const double high = origin[axis] + static_cast<double>(entry.high[axis]) + margin;
    // A position that is not a number bounds nothing.
    if (!(low <= high)) return true;
    if (delta_[axis] == 0.0) {
      if (from_[axis] < low || from_[axis] > high) return false;
      continue;
    }
    double t1 = (low - from_[axis]) * inverse_[axis];
    double t2 = (high - from_[axis]) * inverse_[axis];
    if (t1 > t2) std::swap(t1, t2);
    enter = std::max(enter, t1);
    leave = std::min(leave, t2);
    if (enter > leave) return false;
  }
  return true;
}
