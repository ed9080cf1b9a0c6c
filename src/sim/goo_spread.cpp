// How a goo explosion spreads its goo: rays cast from just above the burst,
// downwards and level, end on the first thing that soaks up goo; on the
// ground they schedule goo around the tile they reach, timed by the spreading
// front. Goo falling due on a patch that already lies there renews it.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_set>
#include <utility>
#include <vector>

#include "app/vector3.h"
#include "sim/goo.h"
#include "sim/goo_events.h"
#include "sim/shield.h"
#include "units/combatant_list.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/map.h"
#include "world/terrain_object.h"
#include "world/volume.h"
#include "world/world.h"

namespace {

constexpr float kTolerance = 0.0001f;
// The goo is cast from this far above the burst.
constexpr float kOriginHeight = 0.25f;
// Units per time unit the goo front travels.
constexpr float kFrontSpeed = 3.0f;
// Goo lands on the tile reached and on its neighbours on the half grid.
constexpr float kGooOffsets[] = {-0.5f, 0.0f, 0.5f};
// Ray directions: x and y over [-1, 1], z over [-1, 0], nine steps each.
constexpr int32_t kDirectionSteps = 9;
constexpr float kPlanarStep = 0.25f;
constexpr float kDownStep = 0.125f;

bool IsDue(float dueTime, float time) { return dueTime < time + kTolerance; }

// The cell a point looks up (cells are centred on whole coordinates).
int32_t CellOf(float value) { return static_cast<int32_t>(std::floor(value + 0.5f)); }

GooExplosion* AsGooExplosion(TGameObject* object) {
  return object != nullptr && object->TypeName() == GooExplosion::kTypeName ? static_cast<GooExplosion*>(object)
                                                                             : nullptr;
}

bool IsGroundTile(const TGameObject& object) {
  return object.IsMapTile() && static_cast<const TTerrainObject&>(object).IsGround();
}

// What a ray meets: the units, ammunition dumps, eggs, shields and terrain
// objects whose line-of-fire volume the ray passes through, cell by cell in
// the order the ray crosses the cells. An object standing in several cells
// is met once.
class TRayQuery {
 public:
  TRayQuery(const TWorld& world, const TVector3& origin, float length) : map_(world.GetMap()) {
    // The movers that any ray of this length can reach, gathered once.
    const float reach = length + 1.0f;
    world.GetUnits().CollectWithinRadius(movers_, origin, reach);
    world.GetAmmoDumps().CollectWithinRadius(movers_, origin, reach);
    world.GetEggs().CollectWithinRadius(movers_, origin, reach);
    world.GetShields().CollectWithinRadius(movers_, origin, reach);
  }

  std::vector<TGameObject*> Cast(const TVector3& origin, const TVector3& direction, float length) const {
    const TVector3 end(origin.x + direction.x * length, origin.y + direction.y * length,
                       origin.z + direction.z * length);
    TSegmentVolume segment(nullptr, origin, end);
    std::vector<TGameObject*> met;
    std::unordered_set<const TGameObject*> seen;
    for (const auto& [cx, cy] : CellsAlong(origin, end)) {
      std::vector<TGameObject*> inCell;
      for (TTerrainObject* tile : map_.CellAt(cx, cy)) inCell.push_back(tile);
      for (TGameObject* mover : movers_) {
        if (CellOf(mover->Position().x) == cx && CellOf(mover->Position().y) == cy) inCell.push_back(mover);
      }
      std::vector<std::pair<float, TGameObject*>> hits;
      for (TGameObject* object : inCell) {
        if (seen.count(object) != 0) continue;
        TCompoundVolume& volume = object->GetLofVolume();
        if (volume.IsEmpty() || !volume.IntersectsVolume(segment)) continue;
        seen.insert(object);
        hits.emplace_back(volume.MinDistanceTo(origin), object);
      }
      // Within a cell, what stands nearer the origin is met first: a wall
      // on a square is met before the floor under it.
      std::stable_sort(hits.begin(), hits.end(),
                       [](const auto& a, const auto& b) { return a.first < b.first; });
      for (const auto& hit : hits) met.push_back(hit.second);
    }
    return met;
  }

 private:
  // The cells the segment's ground track crosses, from its start to its end
  // (a grid walk on cells centred on whole coordinates).
  static std::vector<std::pair<int32_t, int32_t>> CellsAlong(const TVector3& from, const TVector3& to) {
    std::vector<std::pair<int32_t, int32_t>> cells;
    int32_t cx = CellOf(from.x);
    int32_t cy = CellOf(from.y);
    const int32_t endX = CellOf(to.x);
    const int32_t endY = CellOf(to.y);
    const float dx = to.x - from.x;
    const float dy = to.y - from.y;
    const int32_t stepX = dx > 0.0f ? 1 : -1;
    const int32_t stepY = dy > 0.0f ? 1 : -1;
    // Fraction of the segment at which the next cell border is crossed.
    auto firstBorder = [](float start, float delta, int32_t cell, int32_t step) {
      if (delta == 0.0f) return INFINITY;
      const float border = static_cast<float>(cell) + 0.5f * static_cast<float>(step);
      return (border - start) / delta;
    };
    float nextX = firstBorder(from.x, dx, cx, stepX);
    float nextY = firstBorder(from.y, dy, cy, stepY);
    const float spanX = dx != 0.0f ? 1.0f / std::fabs(dx) : INFINITY;
    const float spanY = dy != 0.0f ? 1.0f / std::fabs(dy) : INFINITY;
    const int32_t steps = std::abs(endX - cx) + std::abs(endY - cy);
    cells.emplace_back(cx, cy);
    for (int32_t i = 0; i < steps; ++i) {
      if (nextX < nextY) {
        cx += stepX;
        nextX += spanX;
      } else {
        cy += stepY;
        nextY += spanY;
      }
      cells.emplace_back(cx, cy);
    }
    return cells;
  }

  const TMap& map_;
  std::vector<TGameObject*> movers_;
};

}  // namespace

// --- GooExplosion --------------------------------------------------------------

void GooExplosion::Spread(const TWorld& world) {
  if (spread_) return;
  const TVector3& centre = Position();
  const TVector3 origin(centre.x, centre.y, centre.z + kOriginHeight);
  const TRayQuery query(world, origin, radius_);
  for (int32_t ix = 0; ix < kDirectionSteps; ++ix) {
    for (int32_t iy = 0; iy < kDirectionSteps; ++iy) {
      for (int32_t iz = 0; iz < kDirectionSteps; ++iz) {
        const TVector3 raw(-1.0f + kPlanarStep * static_cast<float>(ix), -1.0f + kPlanarStep * static_cast<float>(iy),
                           -1.0f + kDownStep * static_cast<float>(iz));
        const float length = std::sqrt(raw.x * raw.x + raw.y * raw.y + raw.z * raw.z);
        if (length == 0.0f) continue;
        const TVector3 direction(raw.x / length, raw.y / length, raw.z / length);
        for (TGameObject* object : query.Cast(origin, direction, radius_)) {
          const float d = object->Position().DistanceTo(centre);
          if (d > radius_) break;
          // Nothing that lets goo pass ends the ray.
          if (object->GetStrength() <= 0.0f) continue;
          if (IsGroundTile(*object)) {
            for (float ox : kGooOffsets) {
              for (float oy : kGooOffsets) {
                const TVector3 point(object->Position().x + ox, object->Position().y + oy, object->Position().z);
                if (point.DistanceTo(centre) <= radius_) AddPendingGoo(point, startTime_ + d / kFrontSpeed);
              }
            }
          }
          break;
        }
      }
    }
  }
  spread_ = true;
}

void GooExplosion::CollectDamage(float time, TWorld& world, TEventVector& events) {
  const TGooList& goo = world.GetGoo();
  for (std::size_t i = 0; i < pending_.size();) {
    const TPendingGoo& entry = pending_[i];
    const Goo* patch = IsDue(entry.time, time) ? goo.FindAt(entry.position) : nullptr;
    if (patch == nullptr) {
      ++i;
      continue;
    }
    events.push_back(std::make_unique<TRenewGooEvent>(entry.time, *patch, world));
    pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

// --- TGooExplosionList -----------------------------------------------------------

void TGooExplosionList::Update(const TWorld& world) {
  for (int32_t i = 0; i < Count(); ++i) {
    if (GooExplosion* explosion = AsGooExplosion(GetAt(i))) explosion->Spread(world);
  }
}

void TGooExplosionList::CollectDamage(float time, TWorld& world, TEventVector& events) {
  for (int32_t i = 0; i < Count(); ++i) {
    if (GooExplosion* explosion = AsGooExplosion(GetAt(i))) explosion->CollectDamage(time, world, events);
  }
}
