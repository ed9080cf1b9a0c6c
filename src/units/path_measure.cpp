// The two measures of the route search: the half-unit lattice over the map
// and the computer opponent's node graph.
#include <algorithm>
#include <cmath>
#include <utility>

#include "ai/node_graph.h"
#include "sim/goo.h"
#include "units/combatant_list.h"
#include "units/path_search.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/map.h"
#include "world/world.h"

namespace {

constexpr float kSamePlace = 0.0001f;
// Lattice spacing of the map walk.
constexpr float kLatticeStep = 0.5f;
// Extra cost of a Regenerator jump on top of the walks to and from it.
constexpr float kJumpCost = 2.0f;
// Entry points farther than this from the asking point are not considered.
constexpr float kEntrySearchStart = 1000.0f;
// Stepping onto a point where a unit stands costs this much more.
constexpr float kCrowdRadius = 0.2f;
constexpr float kCrowdPenalty = 0.1f;
constexpr float kCrowdReach = 0.25f;
// Within this of the origin a float's spacing is below 0.01, so a unit more
// than kCrowdWindow beyond a point along x, measured in floats, is more
// than kCrowdReach beyond it whatever the rounding.
constexpr float kCrowdSorted = 1.0e5f;
constexpr float kCrowdWindow = 0.5f;
const char* const kRegeneratorKind = "Regenerator";

// Whether the point's nearest cell (halves rounded away from zero) lies on
// a map of the size. Rounding so gives a cell from 0 up to the size less
// one exactly when the coordinate lies above -0.5 and below the size less
// 0.5 (both exact in a float for any map size); NaN lies on no map.
bool OnMap(const TVector3& point, int32_t width, int32_t height) {
  return point.x > -0.5f && point.x < static_cast<float>(width) - 0.5f && point.y > -0.5f &&
         point.y < static_cast<float>(height) - 0.5f;
}

// std::floor and std::ceil of a float, exactly (the sign of a zero too),
// without the library calls: below 2^23 in size a float's truncation is
// exact; beyond, every float is whole already (and NaN and infinities pass
// through as the library gives them).
float FloorOf(float value) {
  if (!(std::fabs(value) < 8388608.0f) || value == 0.0f) return value;
  const float whole = static_cast<float>(static_cast<int32_t>(value));
  return whole > value ? whole - 1.0f : whole;
}

float CeilOf(float value) {
  if (!(std::fabs(value) < 8388608.0f)) return value;
  const float whole = static_cast<float>(static_cast<int32_t>(value));
  const float up = whole < value ? whole + 1.0f : whole;
  // The library's ceiling of a negative value above -1 is -0.
  return up == 0.0f ? std::copysign(0.0f, value) : up;
}

float SnapCoordinate(float value) {
  const float doubled = value * 2.0f;
  return (doubled >= 0.0f ? FloorOf(doubled + 0.5f) : CeilOf(doubled - 0.5f)) * kLatticeStep;
}

}  // namespace

// --- TRoutePointMeasure ------------------------------------------------------------

TRoutePointMeasure::TRoutePointMeasure(TWorld& world, TCompoundVolume* volume, uint8_t walkThroughGoo,
                                       uint8_t useRegenerators, int32_t owner, std::string access)
    : world_(world),
      volume_(volume != nullptr ? volume : &noVolume_),
      walkThroughGoo_(walkThroughGoo),
      useRegenerators_(useRegenerators),
      owner_(owner),
      access_(std::move(access)) {
  TRoutePointMeasure::Refresh();
}

TRoutePointMeasure::~TRoutePointMeasure() = default;

TVector3 TRoutePointMeasure::SnapToLattice(const TVector3& point) {
  return TVector3(SnapCoordinate(point.x), SnapCoordinate(point.y), SnapCoordinate(point.z));
}

void TRoutePointMeasure::Refresh() {
  regeneratorVolumes_.DeleteAll();
  regeneratorPositions_.clear();
  regeneratorOwners_.clear();
  ownRegenerators_ = 0;
  const TAmmoDumpList& dumps = world_.GetAmmoDumps();
  for (int32_t i = 0; i < dumps.Count(); ++i) {
    const TGameObject* object = dumps.GetAt(i);
    if (object == nullptr || object->TypeName() != AmmoDump::kTypeName) continue;
    const auto* dump = static_cast<const AmmoDump*>(object);
    if (dump->SubtypeName() != kRegeneratorKind) continue;
    regeneratorPositions_.push_back(std::make_unique<TVector3>(dump->Position()));
    regeneratorOwners_.push_back(dump->GetOwner());
    if (dump->GetOwner() == owner_) ++ownRegenerators_;
    const TCompoundVolume& shape = dump->GetLofVolume();
    for (std::size_t m = 0; m < shape.Count(); ++m) {
      regeneratorVolumes_.Add(shape.At(m)->Clone(regeneratorPositions_.back().get()));
    }
  }
}

int32_t TRoutePointMeasure::NearestRegenerator(const TVector3& point) const {
  int32_t nearest = -1;
  float nearestDistance = 0.0f;
  for (std::size_t i = 0; i < regeneratorPositions_.size(); ++i) {
    if (regeneratorOwners_[i] != owner_) continue;
    const float distance = regeneratorPositions_[i]->DistanceTo(point);
    if (nearest < 0 || distance < nearestDistance) {
      nearest = static_cast<int32_t>(i);
      nearestDistance = distance;
    }
  }
  return nearest;
}

float TRoutePointMeasure::EntrySpacing() const {
  const float reach = regeneratorVolumes_.MaxGroundRadius() + volume_->MaxGroundRadius() + kLatticeStep;
  return std::trunc(reach * 2.0f) * kLatticeStep;
}

std::vector<TVector3> TRoutePointMeasure::EntryPoints(int32_t regenerator) const {
  if (regenerator < 0 || static_cast<std::size_t>(regenerator) >= regeneratorPositions_.size()) return {};
  const TVector3& at = *regeneratorPositions_[static_cast<std::size_t>(regenerator)];
  const float s = EntrySpacing();
  return {TVector3(at.x + s, at.y, at.z), TVector3(at.x - s, at.y, at.z), TVector3(at.x, at.y + s, at.z),
          TVector3(at.x, at.y - s, at.z)};
}

bool TRoutePointMeasure::EntryPointFor(int32_t regenerator, const TVector3& point, TVector3& out) const {
  float best = kEntrySearchStart;
  bool found = false;
  for (const TVector3& entry : EntryPoints(regenerator)) {
    const float distance = entry.DistanceTo(point);
    if (distance < best) {
      best = distance;
      out = entry;
      found = true;
    }
  }
  return found;
}

bool TRoutePointMeasure::IsEntryPoint(const TVector3& point, int32_t& regenerator) const {
  regenerator = NearestRegenerator(point);
  TVector3 entry;
  return regenerator >= 0 && EntryPointFor(regenerator, point, entry) && entry.IsWithin(point, kSamePlace);
}

void TRoutePointMeasure::Neighbours(const TVector3& point, std::vector<TVector3>& out) {
  const TVector3 centre = SnapToLattice(point);
  for (int dx = -1; dx <= 1; ++dx) {
    for (int dy = -1; dy <= 1; ++dy) {
      const TVector3 candidate(centre.x + static_cast<float>(dx) * kLatticeStep,
                               centre.y + static_cast<float>(dy) * kLatticeStep, centre.z);
      if (!candidate.IsWithin(point, kSamePlace)) out.push_back(candidate);
    }
  }
  int32_t here = -1;
  if (!JumpsPossible() || !IsEntryPoint(point, here)) return;
  for (std::size_t i = 0; i < regeneratorPositions_.size(); ++i) {
    if (static_cast<int32_t>(i) == here || regeneratorOwners_[i] != owner_) continue;
    for (const TVector3& entry : EntryPoints(static_cast<int32_t>(i))) out.push_back(entry);
  }
}

float TRoutePointMeasure::Distance(const TPathNode& node, const TVector3& point) {
  const float direct = node.position.OctileDistance(point);
  if (!JumpsPossible()) return direct;
  const int32_t from = NearestRegenerator(node.position);
  const int32_t to = NearestRegenerator(point);
  if (from < 0 || to < 0 || from == to) return direct;
  TVector3 entryFrom;
  TVector3 entryTo;
  if (!EntryPointFor(from, node.position, entryFrom) || !EntryPointFor(to, point, entryTo)) return direct;
  const float jump = node.position.OctileDistance(entryFrom) + point.OctileDistance(entryTo) + kJumpCost;
  return std::min(direct, jump);
}

bool TRoutePointMeasure::IsStepAllowed(const TVector3& from, const TVector3& to, const TVector3& goal) {
  if (checkBlockers_ != 0 && !to.IsWithin(goal, kSamePlace)) {
    const TVector3 place = to;
    {
      TVolumeAt placed(*volume_, &place);
      for (TGameObject* blocker : blockers_) {
        TCompoundVolume& other = blocker->GetLofVolume();
        if (&other != volume_ && volume_->AnyIntersects(other)) return false;
      }
    }
    if (walkThroughGoo_ == 0 && world_.GetGoo().TouchesGoo(from, to, volume_->MaxGroundRadius())) return false;
  }

  const TMap& map = world_.GetMap();
  if (!OnMap(to, map.GetWidth(), map.GetHeight())) return false;

  int32_t fromRegenerator = -1;
  int32_t toRegenerator = -1;
  if (JumpsPossible() && IsEntryPoint(from, fromRegenerator) && IsEntryPoint(to, toRegenerator) &&
      toRegenerator != fromRegenerator && map.IsPlaceFree(to, *volume_)) {
    return true;
  }
  return map.CanStep(from, to, *volume_, access_, &goal);
}

void TRoutePointMeasure::BeginSearch() {
  unitPositions_.clear();
  farUnitPositions_.clear();
  const TCombatantList& units = world_.GetUnits();
  for (int32_t i = 0; i < units.Count(); ++i) {
    const TVector3& at = units.GetAt(i)->Position();
    (std::fabs(at.x) < kCrowdSorted ? unitPositions_ : farUnitPositions_).push_back(at);
  }
  std::sort(unitPositions_.begin(), unitPositions_.end(),
            [](const TVector3& a, const TVector3& b) { return a.x < b.x; });
  if (!searching_) world_.GetMap().HoldStepShapes();
  searching_ = true;
}

void TRoutePointMeasure::EndSearch() {
  if (searching_) world_.GetMap().ReleaseStepShapes();
  searching_ = false;
}

float TRoutePointMeasure::PointPenalty(const TVector3& point) {
  // Any unit within the radius, as the list's collection would find it.
  if (!searching_) {
    const TCombatantList& units = world_.GetUnits();
    for (int32_t i = 0; i < units.Count(); ++i) {
      if (units.GetAt(i)->Position().DistanceTo(point) <= kCrowdRadius) return kCrowdPenalty;
    }
    return 0.0f;
  }
  const auto crowds = [&point](const TVector3& at) {
    // A unit farther than this along one axis is farther than the radius
    // whatever the rounding of the full distance.
    if (std::fabs(at.x - point.x) > kCrowdReach || std::fabs(at.y - point.y) > kCrowdReach) return false;
    return at.DistanceTo(point) <= kCrowdRadius;
  };
  // Any one unit decides, so only those that may lie within reach along x
  // are tried: a window of the units sorted by x, which holds every unit
  // the test could accept.
  const bool windowed = std::fabs(point.x) < kCrowdSorted;
  auto it = unitPositions_.begin();
  if (windowed) {
    it = std::lower_bound(unitPositions_.begin(), unitPositions_.end(), point.x - kCrowdWindow,
                          [](const TVector3& at, float x) { return at.x < x; });
  }
  const float high = point.x + kCrowdWindow;
  for (; it != unitPositions_.end() && (!windowed || it->x <= high); ++it) {
    if (crowds(*it)) return kCrowdPenalty;
  }
  for (const TVector3& at : farUnitPositions_) {
    if (crowds(at)) return kCrowdPenalty;
  }
  return 0.0f;
}

bool TRoutePointMeasure::LatticeSize(int32_t& width, int32_t& height) const {
  const TMap& map = world_.GetMap();
  width = map.GetWidth();
  height = map.GetHeight();
  return width > 0 && height > 0;
}

void TRoutePointMeasure::CollectBlockers(const TVector3& point) {
  checkBlockers_ = 1;
  blockers_.clear();
  world_.GetUnits().CollectWithinRadius(blockers_, point, kBlockerRadius);
  world_.GetAmmoDumps().CollectWithinRadius(blockers_, point, kBlockerRadius);
  world_.GetEggs().CollectWithinRadius(blockers_, point, kBlockerRadius);
}

// --- TNodeGraphMeasure ---------------------------------------------------------------

TNodeGraphMeasure::TNodeGraphMeasure(const TNodeGraph& graph, int32_t movementClass)
    : graph_(graph), movementClass_(movementClass) {}

bool TNodeGraphMeasure::IsStepAllowed(const TVector3& /*from*/, const TVector3& /*to*/, const TVector3& /*goal*/) {
  return true;
}

float TNodeGraphMeasure::Distance(const TPathNode& node, const TVector3& point) {
  return graph_.ConnectionCost(graph_.FindNodeAt(node.position), graph_.FindNodeAt(point), movementClass_);
}

void TNodeGraphMeasure::Neighbours(const TVector3& point, std::vector<TVector3>& out) {
  graph_.CollectReachable(graph_.FindNodeAt(point), movementClass_, out);
}

float TNodeGraphMeasure::PointPenalty(const TVector3& /*point*/) { return 0.0f; }
