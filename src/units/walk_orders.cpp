#include "units/walk_orders.h"

#include <cmath>
#include <memory>

#include "app/data_stream.h"
#include "app/text_utils.h"
#include "session/id_mapper.h"
#include "sim/action_resolver.h"
#include "sim/corpse.h"
#include "units/combatant.h"
#include "units/order_factory.h"
#include "units/sight_resolver.h"
#include "world/map.h"
#include "world/world.h"
#include "world/finite_values.h"

namespace {

// The warning colour of a waypoint where the unit cannot stand.
const TColour kBlockedTint(1.0f, 0.0f, 0.0f, 1.0f);

// Interface tokens: the order's name, then the destination.
constexpr std::size_t kNameToken = 2;
constexpr std::size_t kPointToken = kNameToken + 1;

bool StrictlyWithin(float a, float b) { return std::fabs(a - b) < TOrder::kTolerance; }

}  // namespace

// --- TWayPointMarker ---------------------------------------------------------------------

void TWayPointMarker::Tint(const TColour& colour, float strength) {
  tint_ = colour;
  tintStrength_ = strength;
  TintOrderMarkerVisual(GetVisual(), &*tint_, tintStrength_);
}

// --- TMovementOrder ----------------------------------------------------------------------

TMovementOrder::TMovementOrder(int32_t unitId, TActionResolver& resolver, const TVector3& destination,
                               bool planRoute)
    : TRouteOrder(unitId, resolver, std::string(kMovementKind)), destination_(destination), planRoute_(planRoute) {}

TMovementOrder::TMovementOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TRouteOrder(stream, resolver, ids, std::string(kMovementKind)), destination_(stream), planRoute_(true) {
  RequireFinite(stream, destination_);
}

TMovementOrder::~TMovementOrder() = default;

void TMovementOrder::BuildMarker(const TVector3& at) {
  marker_ = std::make_unique<TWayPointMarker>();
  marker_->Build(std::string(kMarkerName), at);
}

void TMovementOrder::ComputeRoute() {
  marker_.reset();
  if (planRoute_) {
    TRouteOrder::ComputeRoute();
    return;
  }
  // Nobody plans here: the marker alone shows where the unit is sent.
  BuildMarker(destination_);
}

void TMovementOrder::ShowMarker(bool show) {
  TRouteOrder::ShowMarker(show);
  Combatant* unit = GetUnit();
  if (unit == nullptr) return;
  if (marker_ == nullptr) {
    const TVector3 end = EndPosition();
    BuildMarker(end);
    if (!GetResolver()->GetWorld().GetMap().IsPlaceFree(end, unit->GetLofVolume())) {
      marker_->Tint(kBlockedTint, kBlockedTintStrength);
    }
  }
  marker_->MarkChanged();
  marker_->Show(show);
}

void TMovementOrder::Write(TDataStream& stream) const {
  stream.WriteString(std::string(kName));
  TRouteOrder::Write(stream);
  destination_.Write(stream);
}

bool TMovementOrder::IsSameOrder(const std::vector<std::string>& tokens) const {
  if (!TOrder::IsSameOrder(tokens)) return false;
  if (tokens.size() <= kPointToken) return true;
  const TVector3 point = ParseVector3(tokens[kPointToken]);
  return StrictlyWithin(destination_.x, point.x) && StrictlyWithin(destination_.y, point.y) &&
         StrictlyWithin(destination_.z, point.z);
}

// --- TEatOrder ---------------------------------------------------------------------------

TEatOrder::TEatOrder(int32_t unitId, TActionResolver& resolver, float searchRange)
    : TRouteOrder(unitId, resolver, std::string(kMovementKind)),
      corpse_(-1, &resolver.GetWorld().GetCorpses()),
      searchRange_(searchRange),
      world_(&resolver.GetWorld()),
      sight_(std::make_unique<TSightResolver>(resolver.GetWorld(), &resolver)) {}

TEatOrder::TEatOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TRouteOrder(stream, resolver, ids, std::string(kMovementKind)),
      world_(&resolver.GetWorld()),
      sight_(std::make_unique<TSightResolver>(resolver.GetWorld(), &resolver)) {
  corpse_ = TObjectRef(ids.ReadId(stream, resolver.GetWorld()), &world_->GetCorpses());
  searchRange_ = stream.ReadFloat();
  RequireFinite(stream, searchRange_);
}

TEatOrder::~TEatOrder() = default;

void TEatOrder::Begin() {
  marker_.Build(std::string(kMarkerName), EndPosition());
  TRouteOrder::Begin();
}

void TEatOrder::ShowMarker(bool show) {
  if (GetUnit() != nullptr) marker_.Show(show);
}

void TEatOrder::Reset() {
  marker_.MarkChanged();
  eating_ = false;
  eatingStart_ = 0.0f;
  TRouteOrder::Reset();
}

void TEatOrder::Write(TDataStream& stream) const {
  stream.WriteString(std::string(kName));
  TRouteOrder::Write(stream);
  stream.WriteInt(static_cast<uint32_t>(corpse_.GetId()));
  stream.WriteFloat(searchRange_);
}

std::optional<TVector3> TEatOrder::Destination() const {
  if (const TGameObject* corpse = corpse_.Resolve()) return corpse->Position();
  if (const Combatant* unit = GetUnit()) return unit->Position();
  return std::nullopt;
}

bool TEatOrder::FindCorpse() {
  const Combatant* unit = GetUnit();
  if (unit == nullptr) return false;
  const TCorpseList& corpses = world_->GetCorpses();
  const TGameObject* best = nullptr;
  float bestDistance = 0.0f;
  for (int32_t i = 0; i < corpses.Count(); ++i) {
    const TGameObject* corpse = corpses.At(i);
    if (corpse == nullptr || !corpse->TestFlag(unit->GetOwner())) continue;
    if (!sight_->IsLineClear(*unit, *corpse)) continue;
    const float distance = unit->Position().DistanceTo(corpse->Position());
    if (unit->GetRadius() + corpse->GetRadius() + searchRange_ < distance) continue;
    // On a tie the corpse earlier in the list stays.
    if (best == nullptr || distance < bestDistance) {
      best = corpse;
      bestDistance = distance;
    }
  }
  if (best == nullptr) return false;
  corpse_ = TObjectRef(best->GetId(), &world_->GetCorpses());
  return true;
}

bool TEatOrder::IsCorpseInReach() const {
  const Combatant* unit = GetUnit();
  const TGameObject* corpse = corpse_.Resolve();
  if (unit == nullptr || corpse == nullptr) return false;
  if (!IsAtMovementTarget(*unit) || unit->IsWarping()) return false;
  if (corpse->IsDestroyed()) return false;
  const std::optional<TVector3> goal = Destination();
  if (!goal) return false;
  return unit->Position().DistanceTo(*goal) <= unit->GetRadius() + corpse->GetRadius() + kReachMargin;
}

bool TEatOrder::EatStep(Combatant& unit, TGameObject& corpse, float now) {
  if (!eating_) {
    eating_ = true;
    eatingStart_ = now;
    GetResolver()->TurnToFace(unit, now, corpse.Position());
    GetResolver()->SetAnimation(unit, now, std::string(kEatState));
  }
  const float end = eatingStart_ + kEatingTime;
  if (now < end) return false;
  GetResolver()->EatCorpse(unit, corpse, end);
  SetTimeUsed(now - end);
  return true;
}

bool TEatOrder::Update(float now) {
  Combatant* unit = GetUnit();
  if (unit == nullptr || (corpse_.Resolve() == nullptr && IsActive())) {
    IdleRest(now);
    return true;
  }
  if (IsActive()) {
    ClearFirstStep();
  } else {
    if (!FindCorpse()) {
      IdleRest(now);
      return true;
    }
    StartOrder(*unit);
  }
  if (IsCorpseInReach()) {
    if (EatStep(*unit, *corpse_.Resolve(), now)) {
      IdleRest(now);
      return true;
    }
  } else {
    Step(now);
  }
  return false;
}

// --- registration ------------------------------------------------------------------------

void RegisterWalkOrderReaders() {
  RegisterOrderClass<TMovementOrder>(TMovementOrder::kName);
  RegisterOrderClass<TEatOrder>(TEatOrder::kName);
}
