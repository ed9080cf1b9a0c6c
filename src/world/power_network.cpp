// Power network of the map: power cells feed relay posts along conduits, two
// facing relays that are both on hold a force field between them, and power
// controls switch the cells. Like doors, power parts never change in place:
// each is given the name of the type it is to become ("_off_" and "_on_"
// swapped) and queued; field tiles are queued as replacements.
#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <utility>

#include "app/text_utils.h"
#include "world/map.h"
#include "world/terrain_type.h"

namespace {

// Positions are the same within this much per coordinate.
constexpr float kSamePoint = 0.0001f;

bool SamePoint(const TVector3& a, const TVector3& b) { return a.IsWithin(b, kSamePoint); }

TVector3 Moved(const TVector3& point, const TVector3& step, float cells) {
  return TVector3(point.x + step.x * cells, point.y + step.y * cells, point.z + step.z * cells);
}

bool NameHas(const TTerrainObject& object, const std::string& part) {
  return ContainsText(object.GetTypeName(), part);
}

// The field that runs along the direction: north-south or east-west.
const char* FieldTypeName(int32_t direction) { return direction % 2 == 0 ? "field_001" : "field_000"; }

}  // namespace

TVector3 TMap::DirectionStep(int32_t direction) {
  switch (direction) {
    case 0:
      return TVector3(0.0f, -1.0f, 0.0f);
    case 1:
      return TVector3(1.0f, 0.0f, 0.0f);
    case 2:
      return TVector3(0.0f, 1.0f, 0.0f);
    case 3:
      return TVector3(-1.0f, 0.0f, 0.0f);
    default:
      return TVector3();
  }
}

// --- power lines -------------------------------------------------------------

TTerrainObject* TMap::FollowPowerLine(const TTerrainObject& start, int32_t direction) const {
  if (direction < 0 || direction >= kDirectionCount) return nullptr;
  TVector3 point = Moved(start.Position(), DirectionStep(direction), 1.0f);
  TTerrainObject* reached = TopObjectAt(point);
  // A line that enters a conduit the same way twice runs round a closed ring
  // and never reaches anything.
  std::set<std::pair<const TTerrainObject*, int32_t>> entered;
  while (reached != nullptr && reached->GetType().HasPowerConnection()) {
    if (!entered.emplace(reached, direction).second) return nullptr;
    const int32_t exit = reached->GetType().PowerExit(direction);
    if (exit < 0) return reached;
    direction = exit;
    point = Moved(point, DirectionStep(direction), 1.0f);
    reached = TopObjectAt(point);
  }
  return reached;
}

void TMap::UpdatePower() {
  if (!relayReachKnown_ || relayReachAt_ != gridChanges_ || relayReach_.size() != relayPosts_.size()) {
    relayReach_.clear();
    for (const TTerrainObject* relay : relayPosts_) relayReach_.push_back(ReachOf(*relay));
    relayReachAt_ = gridChanges_;
    relayReachKnown_ = true;
  }
  // Relays only change their names here: the register and the grid stay as
  // they are, and so does what the lines reach.
  for (std::size_t i = 0; i < relayPosts_.size(); ++i) UpdateRelayPostWith(*relayPosts_[i], nullptr, relayReach_[i]);
}

TMap::TRelayReach TMap::ReachOf(const TTerrainObject& relay) const {
  TRelayReach reach;
  for (int32_t direction = 0; direction < kDirectionCount; ++direction) {
    reach.sources[static_cast<std::size_t>(direction)] = FollowPowerLine(relay, direction);
    reach.relays[static_cast<std::size_t>(direction)] = FindRelayInDirection(relay.Position(), direction);
  }
  return reach;
}

void TMap::UpdateRelayPost(TTerrainObject& relay, const TTerrainObject* switchingCell) {
  UpdateRelayPostWith(relay, switchingCell, ReachOf(relay));
}

void TMap::UpdateRelayPostWith(TTerrainObject& relay, const TTerrainObject* switchingCell,
                               const TRelayReach& reach) {
  bool powered = false;
  for (int32_t direction = 0; direction < kDirectionCount && !powered; ++direction) {
    const TTerrainObject* source = reach.sources[static_cast<std::size_t>(direction)];
    if (source == nullptr) continue;
    // The cell being switched on still has the name of a cell that is off.
    powered = source == switchingCell ? NameHas(*source, "power_cell_off") : NameHas(*source, "power_cell_on");
  }

  const std::string from = powered ? "_off_" : "_on_";
  if (NameHas(relay, from)) {
    const std::string next = ReplaceAll(relay.GetTypeName(), from, powered ? "_on_" : "_off_");
    // A relay whose other state the set lacks stays as it is.
    if (KnowsTerrainType(next)) {
      relay.SetPendingName(next);
      MarkForRemoval(&relay);
    }
  }
  for (int32_t direction = 0; direction < kDirectionCount; ++direction) {
    const TTerrainObject* other = reach.relays[static_cast<std::size_t>(direction)];
    if (other == nullptr) continue;
    if (!powered) {
      LowerField(relay.Position(), other->Position(), direction);
    } else if (NameHas(*other, "_on_")) {
      RaiseField(relay.Position(), other->Position(), direction);
    }
  }
}

TTerrainObject* TMap::FindRelayInDirection(const TVector3& point, int32_t direction) const {
  const TVector3 step = DirectionStep(direction);
  if (step == TVector3()) return nullptr;
  TVector3 at = point;
  // Every step lands on another cell: the walk leaves the map at the latest
  // after crossing it.
  const int32_t limit = std::max(width_, height_) + 1;
  for (int32_t i = 0; i < limit; ++i) {
    at = Moved(at, step, 1.0f);
    TTerrainObject* object = TopObjectAt(at);
    if (object == nullptr) return nullptr;
    if (NameHas(*object, "relay_post")) return object;
  }
  return nullptr;
}

// --- fields ------------------------------------------------------------------

template <class TVisit>
void TMap::WalkField(const TVector3& from, const TVector3& to, int32_t direction, TVisit visit) const {
  const TVector3 step = DirectionStep(direction);
  if (step == TVector3()) return;
  // A relay found off the axis of the walk is never met exactly: the walk
  // ends after the distance between the relays, or at the map's edge.
  const float distance = from.DistanceTo(to);
  for (int32_t cells = 1; static_cast<float>(cells) <= distance + kSamePoint; ++cells) {
    const TVector3 point = Moved(from, step, static_cast<float>(cells));
    if (SamePoint(point, to) || !ContainsPoint(point)) return;
    visit(point);
  }
}

bool TMap::IsReplacementQueued(const TVector3& position, const std::string& typeName) const {
  for (const TReplacement& replacement : replacements_) {
    if (replacement.typeName == typeName && SamePoint(*replacement.position, position)) return true;
  }
  return false;
}

void TMap::RaiseField(const TVector3& from, const TVector3& to, int32_t direction) {
  const std::string field = FieldTypeName(direction);
  WalkField(from, to, direction, [this, &field](const TVector3& point) {
    // A point that holds an object (a field already, a relay) keeps it; two
    // facing relays both raise the same field, which is queued once.
    const TTerrainObject* top = TopObjectAt(point);
    if (top != nullptr && top->IsObject()) return;
    if (!IsReplacementQueued(point, field)) QueueReplacement(point, field, nullptr);
  });
}

void TMap::LowerField(const TVector3& from, const TVector3& to, int32_t direction) {
  WalkField(from, to, direction, [this](const TVector3& point) {
    TTerrainObject* top = TopObjectAt(point);
    if (top == nullptr || top->ActionName() != "forceField" || NameHas(*top, "relay")) return;
    top->MarkRemoved();
    MarkForRemoval(top);
  });
}

// --- switching ---------------------------------------------------------------

namespace {

// A cell or control switched on takes "_on_" for "_off_" in its name, and
// the other way round when switched off.
void SwitchPowerPart(TMap& map, TTerrainObject& part, bool turnOn) {
  const std::string from = turnOn ? "_off_" : "_on_";
  if (!NameHas(part, from)) return;
  const std::string next = ReplaceAll(part.GetTypeName(), from, turnOn ? "_on_" : "_off_");
  if (!map.KnowsTerrainType(next)) return;
  part.SetPendingName(next);
  map.MarkForRemoval(&part);
}

}  // namespace

void TMap::Activate(const TTerrainObject& control, bool turnOn) {
  TTerrainObject* cell = nullptr;
  for (int32_t direction = 0; direction < kDirectionCount && cell == nullptr; ++direction) {
    TTerrainObject* reached = FollowPowerLine(control, direction);
    if (reached != nullptr && NameHas(*reached, "power_cell")) cell = reached;
  }
  if (cell == nullptr) return;
  // The relays are told which cell is switching: its name still shows the
  // old state until the world's step replaces it.
  SwitchPowerPart(*this, *cell, turnOn);
  for (int32_t direction = 0; direction < kDirectionCount; ++direction) {
    TTerrainObject* reached = FollowPowerLine(*cell, direction);
    if (reached == nullptr) continue;
    if (NameHas(*reached, "power_control")) {
      SwitchPowerPart(*this, *reached, turnOn);
    } else if (NameHas(*reached, "relay_post")) {
      UpdateRelayPost(*reached, cell);
    }
  }
}
