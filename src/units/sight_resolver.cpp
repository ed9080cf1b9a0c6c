// The line questions of the sight resolver: terrain and object hits along a
// segment, the line of fire between a shooter and its target, and the path
// of a thrown shot. The sight pass itself is in sight_pass.cpp.
#include "units/sight_resolver.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "sim/shield.h"
#include "units/cell_walker.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/weapon.h"
#include "world/ammo_dump.h"
#include "world/bounding_box.h"
#include "world/egg.h"
#include "world/map.h"
#include "world/object_list.h"
#include "world/object_ref.h"
#include "world/terrain_object.h"
#include "world/terrain_walk_index.h"
#include "world/trajectory.h"
#include "world/volume.h"
#include "world/world.h"

namespace {

constexpr float kTolerance = 0.0001f;

// A thrown shot is followed in pieces of this length of time from its first
// sample, until the turn's end.
constexpr float kFirstShotSample = 0.05f;
constexpr float kShotSampleStep = 0.5f;
constexpr float kShotFlightLimit = 10.0f;
// A shot that strikes something this low has come down where it was meant to.
constexpr float kLandedHeight = 0.1f;

// A swept volume is tested at points at most this far apart (at least its
// own width apart would leave gaps), and at no more points than this.
constexpr float kMinSweepStep = 0.05f;
constexpr int32_t kMaxSweepSamples = 4096;

bool SamePoint(const TVector3& a, const TVector3& b) { return a.IsWithin(b, kTolerance); }

TVector3 AimPointOf(const TGameObject& object) {
  TVector3 aim;
  object.GetAimPoint(aim);
  return aim;
}

// Where a hit is measured from: the centre of the object's line-of-fire shape.
float DistanceToCentre(const TVector3& from, const TGameObject& object) {
  TVector3 centre;
  object.GetLofVolume().Centre(centre);
  return from.DistanceTo(centre);
}

// The box a cell's lists are asked about: one cell wide around the cell's
// centre, from the ground to one unit up.
TBoundingBox CellBox(int32_t cx, int32_t cy) {
  const float x = static_cast<float>(cx);
  const float y = static_cast<float>(cy);
  return TBoundingBox(TVector3(x - 0.5f, y - 0.5f, 0.0f), TVector3(x + 0.5f, y + 0.5f, 1.0f));
}

// The player the object belongs to for the line of fire (-1 for a shield
// whose unit is gone); false for an object of a kind that no player owns.
bool OwnerForFire(const TGameObject& object, int32_t& owner) {
  if (const std::optional<int32_t> player = OwnerOf(object)) {
    owner = *player;
    return true;
  }
  if (const auto* shield = dynamic_cast<const Shield*>(&object)) {
    owner = shield->QueryOwner();
    return true;
  }
  return false;
}

// Whether the ray from `from` through `to` passes within the radius of the
// centre. A ray without horizontal length (the shooter stands over the
// target) passes nothing.
bool RayPassesWithin(const TVector3& from, const TVector3& to, const TVector3& centre, float radius) {
  if (std::fabs(from.x - to.x) <= kTolerance && std::fabs(from.y - to.y) <= kTolerance) return false;
  const TVector3 d(to.x - from.x, to.y - from.y, to.z - from.z);
  const TVector3 w(centre.x - from.x, centre.y - from.y, centre.z - from.z);
  const float lengthSquared = d.x * d.x + d.y * d.y + d.z * d.z;
  const float along = std::max(0.0f, (w.x * d.x + w.y * d.y + w.z * d.z) / lengthSquared);
  const TVector3 closest(from.x + d.x * along, from.y + d.y * along, from.z + d.z * along);
  return closest.DistanceTo(centre) <= radius;
}

// The area whose cells a walk along the segment visits: every cell box lies
// within a unit of the segment's ends.
TBoundingBox WalkArea(const TVector3& from, const TVector3& to) {
  return TBoundingBox(TVector3(std::min(from.x, to.x) - 1.0f, std::min(from.y, to.y) - 1.0f, 0.0f),
                      TVector3(std::max(from.x, to.x) + 1.0f, std::max(from.y, to.y) + 1.0f, 1.0f));
}

// A mover that may stand in a cell of the walk, with its radius.
struct TNearMover {
  TGameObject* object;
  float radius;
};

// The movers of the pool that the walk's area holds, as the lists report
// objects in an area (the position within the box widened by the radius).
void NarrowMovers(const std::vector<TGameObject*>& pool, const TVector3& from, const TVector3& to,
                  std::vector<TNearMover>& out) {
  out.clear();
  const TBoundingBox area = WalkArea(from, to);
  for (TGameObject* object : pool) {
    const float radius = object->GetRadius();
    if (area.ContainsWithRadius(object->Position(), radius)) out.push_back(TNearMover{object, radius});
  }
}

// The movers the cell's box holds, in the order of the pool.
void FilterCell(const std::vector<TNearMover>& movers, int32_t cx, int32_t cy, std::vector<TGameObject*>& out) {
  const TBoundingBox box = CellBox(cx, cy);
  for (const TNearMover& mover : movers) {
    if (box.ContainsWithRadius(mover.object->Position(), mover.radius)) out.push_back(mover.object);
  }
}

}  // namespace

TSightResolver::TSightResolver(TWorld& world, TActionResolver* resolver)
    : world_(&world),
      resolver_(resolver),
      segmentOrigin_(std::make_unique<TVector3>(0.0f, 0.0f, 0.0f)),
      segment_(std::make_unique<TSegmentVolume>(segmentOrigin_.get(), TVector3(0.0f, 0.0f, 0.0f),
                                                TVector3(1.0f, 0.0f, 0.0f))),
      walker_(std::make_unique<TCellWalker>()),
      spare_(std::make_unique<TVector3>()) {}

TSightResolver::~TSightResolver() = default;

bool TSightResolver::StartWalk(const TVector3& from, const TVector3& to) {
  segment_->SetEnds(from, to);
  return StartCellWalk(from, to);
}

bool TSightResolver::StartCellWalk(const TVector3& from, const TVector3& to) {
  // Only the part of the segment over the map (and a margin for the movers
  // that reach into the cells around it) is walked: the cells beyond hold
  // nothing, and a crafted length must not make a walk of thousands of
  // empty cells.
  const TMap& map = world_->GetMap();
  const float low = -kWalkMargin - 0.5f;
  const float high[] = {static_cast<float>(map.GetWidth()) - 0.5f + kWalkMargin,
                        static_cast<float>(map.GetHeight()) - 0.5f + kWalkMargin};
  const float start[] = {from.x, from.y};
  const float delta[] = {to.x - from.x, to.y - from.y};
  float enter = 0.0f;
  float leave = 1.0f;
  for (int axis = 0; axis < 2; ++axis) {
    if (delta[axis] == 0.0f) {
      if (!(start[axis] >= low && start[axis] <= high[axis])) return false;
      continue;
    }
    float a = (low - start[axis]) / delta[axis];
    float b = (high[axis] - start[axis]) / delta[axis];
    if (a > b) std::swap(a, b);
    enter = std::max(enter, a);
    leave = std::min(leave, b);
  }
  if (!(enter <= leave)) return false;
  const auto pointAt = [&](float f) {
    return TVector3(from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f, from.z + (to.z - from.z) * f);
  };
  walker_->Start(enter > 0.0f ? pointAt(enter) : from, leave < 1.0f ? pointAt(leave) : to);
  return true;
}

// --- terrain along a segment ------------------------------------------------------

bool TSightResolver::MeetsSegment(TGameObject& object, bool useLineOfFireVolumes) {
  TCompoundVolume& volume = useLineOfFireVolumes ? object.GetLofVolume() : object.GetLosVolume();
  return !volume.IsEmpty() && volume.IntersectsVolume(*segment_);
}

TTerrainObject* TSightResolver::FirstTerrainHit(const TVector3& from, const TVector3& to, bool useLineOfFireVolumes) {
  if (SamePoint(from, to) || !StartCellWalk(from, to)) return nullptr;
  // The segment volume is set for the first shape test only: most walks
  // make none.
  bool segmentSet = false;
  // The index holds each cell's non-ground tiles with a shape, in the
  // cell's order, so the ties below fall as over the cell itself.
  const TTerrainWalkIndex& index = world_->GetTerrainWalkIndex();
  TSegmentBoxFilter filter(from, to);
  // The z cells of one column hold the same map cell: a column that gave no
  // hit gives none again.
  do {
    TTerrainObject* best = nullptr;
    float bestDistance = 0.0f;
    for (const TTerrainWalkIndex::TEntry& entry : index.Cell(walker_->GetX(), walker_->GetY(), useLineOfFireVolumes)) {
      // A tile whose box the segment misses fails the shape test as well.
      // Only the shapes' hit marks differ: they are scratch of a test, and
      // every reader makes its own test first.
      if (!filter.MayMeet(entry, useLineOfFireVolumes)) continue;
      if (!segmentSet) {
        segment_->SetEnds(from, to);
        segmentSet = true;
      }
      if (!MeetsSegment(*entry.tile, useLineOfFireVolumes)) continue;
      const float distance = DistanceToCentre(from, *entry.tile);
      // On an equal distance the later object wins.
      if (best == nullptr || distance <= bestDistance) {
        best = entry.tile;
        bestDistance = distance;
      }
    }
    if (best != nullptr) return best;
  } while (walker_->StepColumn());
  return nullptr;
}

bool TSightResolver::IsLineClear(const Combatant& shooter, const TGameObject& target) {
  return FirstTerrainHit(shooter.GetFiringPoint(), AimPointOf(target), true) == nullptr;
}

bool TSightResolver::IsLineClearToPoint(const Combatant& shooter, const TVector3& point) {
  return FirstTerrainHit(shooter.GetFiringPoint(), point, true) == nullptr;
}

// --- the line of fire ----------------------------------------------------------------

bool TSightResolver::Blocks(const Combatant& shooter, const TGameObject& target, const TGameObject& object,
                            const TVector3& firingPoint, const TVector3& targetAim) const {
  if (&object == &shooter || &object == &target) return false;
  // Every condition below is a plain question without side effects, so the
  // cheap geometric ones that turn most objects away come before the kind
  // and owner lookups.
  const TVector3 aim = AimPointOf(object);
  if (firingPoint.DistanceTo(aim) > firingPoint.DistanceTo(targetAim)) return false;
  if (!RayPassesWithin(firingPoint, targetAim, aim, object.GetRadius())) return false;
  int32_t owner = -1;
  if (OwnerForFire(object, owner)) {
    // Only the shooter's own side is held back from firing through.
    if (owner != shooter.GetOwner()) return false;
    // A shooter inside its side's shield fires out through it.
    if (dynamic_cast<const Shield*>(&object) != nullptr &&
        object.Position().DistanceTo(shooter.Position()) <= object.GetRadius()) {
      return false;
    }
  }
  return true;
}

bool TSightResolver::AnyBlocks(const TObjectList& list, const Combatant& shooter, const TGameObject& target,
                               const TVector3& firingPoint, const TVector3& targetAim) const {
  for (int32_t i = 0; i < list.Count(); ++i) {
    const TGameObject* object = list.GetAt(i);
    if (object != nullptr && Blocks(shooter, target, *object, firingPoint, targetAim)) return true;
  }
  return false;
}

bool TSightResolver::IsPathClear(const Combatant& shooter, TGameObject& target) {
  const TVector3 from = shooter.GetFiringPoint();
  const TVector3 to = AimPointOf(target);
  const TTerrainObject* hit = FirstTerrainHit(from, to, true);
  if (hit != nullptr && hit != &target) return false;
  const TObjectList* lists[] = {&world_->GetUnits(), &world_->GetAmmoDumps(), &world_->GetEggs(),
                                &world_->GetShields()};
  for (const TObjectList* list : lists) {
    if (AnyBlocks(*list, shooter, target, from, to)) return false;
  }
  return true;
}

// --- a thrown shot ----------------------------------------------------------------

bool TSightResolver::IsShotPathClear(const Combatant& unit, const TVector3& target, bool highArc) {
  const TWeapon* weapon = unit.GetWeapon();
  if (weapon == nullptr) return true;
  TVector3 direction;
  weapon->Aim(direction, unit.Position(), target, unit.GetRadius(), highArc);
  const TVector3 start = unit.GetFiringPoint();
  const TTrajectory path(weapon->GetSpeed(), direction, start, 0.0f, weapon->IsAffectedByGravity());
  TVector3 previous = start;
  // The sample times are counted, not summed, so that each is exact.
  for (int32_t i = 0;; ++i) {
    const float time = kFirstShotSample + kShotSampleStep * static_cast<float>(i);
    if (!(time < kShotFlightLimit)) break;
    const TVector3 sample = path.PositionAt(time);
    if (FirstTerrainHit(previous, sample, true) != nullptr) return sample.z <= kLandedHeight;
    previous = sample;
  }
  return true;
}

// --- objects along a segment ---------------------------------------------------------

void TSightResolver::CollectMovers(const TVector3& from, const TVector3& to, bool withShields,
                                   std::vector<TGameObject*>& out) const {
  out.clear();
  // One question per list over the walk's area finds all that any cell's
  // box will hold.
  const TBoundingBox area = WalkArea(from, to);
  // A shield's sphere encloses its unit: at one distance it comes first.
  if (withShields) world_->GetShields().CollectInArea(out, area);
  world_->GetUnits().CollectInArea(out, area);
  world_->GetAmmoDumps().CollectInArea(out, area);
  world_->GetEggs().CollectInArea(out, area);
}

void TSightResolver::GatherMovers(const TVector3& corner1, const TVector3& corner2,
                                  std::vector<TGameObject*>& out) const {
  CollectMovers(corner1, corner2, true, out);
}

bool TSightResolver::MeetsSweep(TGameObject& object, const TCompoundVolume& volume, const TVector3& from,
                                const TVector3& to) {
  TCompoundVolume& target = object.GetLofVolume();
  if (target.IsEmpty() || volume.IsEmpty()) return false;
  TCompoundVolume moving(volume, spare_.get());
  const float length = from.DistanceTo(to);
  const float step = std::max(volume.MaxGroundRadius(), kMinSweepStep);
  const int32_t samples =
      std::min(kMaxSweepSamples, std::max(1, static_cast<int32_t>(std::ceil(length / step))));
  for (int32_t i = 0; i <= samples; ++i) {
    const float f = static_cast<float>(i) / static_cast<float>(samples);
    *spare_ = TVector3(from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f, from.z + (to.z - from.z) * f);
    if (target.AnyIntersects(moving)) return true;
  }
  return false;
}

TGameObject* TSightResolver::FirstHit(const TGameObject* excluded, const TVector3& from, const TVector3& to,
                                      TVector3& impact, const TCompoundVolume* volume) {
  impact = to;
  if ((SamePoint(from, to) && volume == nullptr) || !StartWalk(from, to)) return nullptr;
  std::vector<TGameObject*> movers;
  CollectMovers(from, to, false, movers);
  std::vector<TNearMover> nearby;
  NarrowMovers(movers, from, to, nearby);
  std::vector<TGameObject*> inCell;
  TGameObject* best = nullptr;
  float bestDistance = 0.0f;
  do {
    const int32_t cx = walker_->GetX();
    const int32_t cy = walker_->GetY();
    inCell.clear();
    world_->GetMap().CollectInArea(inCell, CellBox(cx, cy));
    FilterCell(nearby, cx, cy, inCell);
    for (TGameObject* object : inCell) {
      if (object == excluded) continue;
      const bool met = volume != nullptr ? MeetsSweep(*object, *volume, from, to) : MeetsSegment(*object, true);
      if (!met) continue;
      const float distance = DistanceToCentre(from, *object);
      if (best == nullptr || distance < bestDistance) {
        best = object;
        bestDistance = distance;
      }
    }
  } while (best == nullptr && walker_->StepColumn());
  if (best == nullptr) return nullptr;
  TVector3 direction(to.x - from.x, to.y - from.y, to.z - from.z);
  if (direction.Length() > 0.0f) direction.Normalise();
  impact = TVector3(from.x + direction.x * bestDistance, from.y + direction.y * bestDistance,
                    from.z + direction.z * bestDistance);
  return best;
}

void TSightResolver::CollectAlongSegment(const TVector3& from, const TVector3& to, std::vector<TGameObject*>& out,
                                         const std::vector<TGameObject*>* movers) {
  out.clear();
  if (SamePoint(from, to) || !StartWalk(from, to)) return;
  const TMap& map = world_->GetMap();
  std::vector<TGameObject*> gathered;
  if (movers == nullptr) {
    CollectMovers(from, to, true, gathered);
    movers = &gathered;
  }
  std::vector<TNearMover> nearby;
  NarrowMovers(*movers, from, to, nearby);
  std::vector<TGameObject*> inCell;
  do {
    const int32_t cx = walker_->GetX();
    const int32_t cy = walker_->GetY();
    inCell.clear();
    FilterCell(nearby, cx, cy, inCell);
    for (TTerrainObject* tile : map.CellAt(cx, cy)) inCell.push_back(tile);
    for (TGameObject* object : inCell) {
      if (std::find(out.begin(), out.end(), object) != out.end()) continue;
      if (MeetsSegment(*object, true)) out.push_back(object);
    }
  } while (walker_->StepColumn());
  // Objects as far as one another keep the order in which the walk met them.
  std::stable_sort(out.begin(), out.end(), [&from](const TGameObject* a, const TGameObject* b) {
    return from.DistanceTo(a->Position()) < from.DistanceTo(b->Position());
  });
}

// --- what a unit makes out -------------------------------------------------------------

float TSightResolver::VisibilityFactor(const TGameObject& object) const {
  const TShieldList& shields = world_->GetShields();
  if (shields.AnyCovers(object.Position())) return shields.CoverFactor(object.Position());
  const Combatant* unit = AsCombatant(&object);
  if (unit != nullptr && unit->IsWarping() && unit->IsMidWarp()) return 0.0f;
  return 1.0f;
}
