#include "units/activate_order.h"

#include <cmath>

#include "app/data_stream.h"
#include "app/text_utils.h"
#include "sim/action_resolver.h"
#include "units/combatant.h"
#include "units/order_factory.h"
#include "world/map.h"
#include "world/terrain_object.h"
#include "world/world.h"

namespace {

// What a switch's action string says it does.
constexpr const char* kDoorAction = "ToggleDoor";
constexpr std::string_view kPowerOffAction = "PowerCellOff";
constexpr std::string_view kPowerOnAction = "PowerCellOn";
// The parts of a power control's name that tell its state.
constexpr const char* kOffPart = "_off_";
constexpr const char* kOnPart = "_on_";

// Interface tokens: the order's name, then the target point.
constexpr std::size_t kPointToken = 3;

bool StrictlyWithin(float a, float b) { return std::fabs(a - b) < TOrder::kTolerance; }

}  // namespace

TActivateOrder::TActivateOrder(int32_t unitId, TActionResolver& resolver, const TVector3& targetPoint)
    : TRouteOrder(unitId, resolver, std::string(kMovementKind)),
      targetPoint_(targetPoint),
      world_(&resolver.GetWorld()) {}

TActivateOrder::TActivateOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TRouteOrder(stream, resolver, ids, std::string(kMovementKind)),
      targetPoint_(stream),
      world_(&resolver.GetWorld()) {}

TActivateOrder::~TActivateOrder() = default;

TTerrainObject* TActivateOrder::FindTarget() const {
  TTerrainObject* object = world_->GetMap().TopObjectAt(targetPoint_);
  if (object == nullptr || object->TypeActionField().empty()) return nullptr;
  return object;
}

void TActivateOrder::Begin() {
  if (const TTerrainObject* target = FindTarget()) {
    approachPoint_ = targetPoint_;
    approachPoint_.Add(target->GetActionOffset());
  }
  marker_.Build(std::string(kMarkerName), TVector3());
  TRouteOrder::Begin();
}

std::optional<TVector3> TActivateOrder::Destination() const {
  if (FindTarget() != nullptr) return approachPoint_;
  if (const Combatant* unit = GetUnit()) return unit->Position();
  return std::nullopt;
}

void TActivateOrder::ShowMarker(bool show) {
  TRouteOrder::ShowMarker(show);
  marker_.Show(show);
}

void TActivateOrder::Reset() {
  marker_.MarkChanged();
  activationStarted_ = false;
  TRouteOrder::Reset();
}

void TActivateOrder::Write(TDataStream& stream) const {
  stream.WriteString(std::string(kName));
  TRouteOrder::Write(stream);
  targetPoint_.Write(stream);
}

float TActivateOrder::PlannedTime() const { return TRouteOrder::PlannedTime() + kActivationTime; }

bool TActivateOrder::IsSameOrder(const std::vector<std::string>& tokens) const {
  if (!TOrder::IsSameOrder(tokens)) return false;
  if (tokens.size() <= kPointToken) return true;
  const TVector3 point = ParseVector3(tokens[kPointToken]);
  return StrictlyWithin(targetPoint_.x, point.x) && StrictlyWithin(targetPoint_.y, point.y) &&
         StrictlyWithin(targetPoint_.z, point.z);
}

bool TActivateOrder::InReach() const {
  const Combatant* unit = GetUnit();
  if (unit == nullptr) return false;
  const float distance = unit->Position().DistanceTo(approachPoint_);
  const float radius = unit->GetRadius();
  if (radius < kSmallUnitRadius) return distance < kSmallUnitReach;
  return distance - kReachMargin < radius + kTolerance;
}

void TActivateOrder::Toggle() {
  TTerrainObject* target = FindTarget();
  if (target == nullptr) return;
  // Copied: switching may rename the object.
  const std::string action = target->TypeActionField();
  if (ContainsText(action, kDoorAction)) world_->GetMap().ToggleDoor(*target, true);
  if (action == kPowerOffAction) SwitchPowerControl(*target, true);
  if (action == kPowerOnAction) SwitchPowerControl(*target, false);
}

void TActivateOrder::SwitchPowerControl(TTerrainObject& control, bool turnOn) {
  control.SetPendingName(turnOn ? ReplaceAll(control.SubtypeName(), kOffPart, kOnPart)
                                : ReplaceAll(control.SubtypeName(), kOnPart, kOffPart));
  // The control itself changes type whether or not its line reaches a cell:
  // left unqueued it would report itself destroyed and never be replaced.
  world_->NotifyTileChanged(control);
  if (control.TypeName() == TTerrainObject::kTypeName) world_->GetMap().Activate(control, turnOn);
}

bool TActivateOrder::Update(float now) {
  Combatant* unit = GetUnit();
  if (unit == nullptr || (FindTarget() == nullptr && !IsActive())) {
    IdleRest(now);
    return true;
  }
  if (IsStarted()) {
    ClearFirstStep();
  } else {
    StartOrder(*unit);
  }
  if (!IsAtMovementTarget(*unit) || unit->IsWarping() || !InReach()) {
    Step(now);
    return false;
  }
  if (!activationStarted_) {
    activationStart_ = now;
    activationStarted_ = true;
    StopRunning(*unit, now);
    if (!unit->Position().IsWithin(targetPoint_, kTolerance)) GetResolver()->TurnToFace(*unit, now, targetPoint_);
    return false;
  }
  if (now < activationStart_ + kActivationTime) return false;
  Toggle();
  IdleRest(now);
  return true;
}

void RegisterActivateOrderReaders() { RegisterOrderClass<TActivateOrder>(TActivateOrder::kName); }
