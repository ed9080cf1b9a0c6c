#include "units/movement_order.h"

#include <string_view>
#include <utility>
#include <vector>

#include "app/data_stream.h"
#include "session/game_query.h"
#include "session/id_mapper.h"
#include "sim/action_resolver.h"
#include "sim/corpse.h"
#include "units/combatant.h"
#include "units/unit_type.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/map.h"
#include "world/world.h"

std::map<int32_t, int32_t> TRouteOrder::blockers_;

namespace {

constexpr std::string_view kRulesOrderName = "Rules";
constexpr std::string_view kRegeneratorKind = "Regenerator";
constexpr std::string_view kGooTypeName = "Goo";
constexpr std::string_view kRunState = "Run";
// The unit walks through goo.
// The race that jumps between its Regenerators.
constexpr std::string_view kGreyRace = "grey";
// A unit that cannot be resolved walks for nobody, through any door.
constexpr const char* kAnyAccess = "any";
// Goo counts as fresh within the turn (of this many time units) that laid it.
constexpr int32_t kTurnLength = 10;

bool SameTurn(float a, float b) {
  return static_cast<int32_t>(a) / kTurnLength == static_cast<int32_t>(b) / kTurnLength;
}

}  // namespace

// --- TRouteOrder: construction -----------------------------------------------------------

TRouteOrder::TRouteOrder(int32_t unitId, TActionResolver& resolver, const std::string& markerKey)
    : TOrder(unitId, resolver), route_(std::make_unique<TPathSearch>(markerKey)) {
  RebuildMeasure();
}

TRouteOrder::TRouteOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids, const std::string& markerKey)
    : TOrder(stream, resolver, ids), route_(std::make_unique<TPathSearch>(markerKey)) {
  RebuildMeasure();
}

TRouteOrder::~TRouteOrder() = default;

void TRouteOrder::RebuildMeasure() {
  TWorld& world = GetResolver()->GetWorld();
  Combatant* unit = GetUnit();
  if (unit == nullptr) {
    measure_ = std::make_unique<TRoutePointMeasure>(world, nullptr, 0, 0, -1, kAnyAccess);
    measureVolume_ = nullptr;
    return;
  }
  const TUnitType& type = unit->GetType();
  const uint8_t throughGoo = type.IsDroneType() ? 1 : 0;
  const uint8_t regenerators = type.GetRace() == kGreyRace ? 1 : 0;
  measure_ = std::make_unique<TRoutePointMeasure>(world, &unit->GetLofVolume(), throughGoo, regenerators,
                                                  unit->GetOwner(), std::to_string(unit->GetOwner()));
  measureVolume_ = &unit->GetLofVolume();
}

TRoutePointMeasure& TRouteOrder::GetMeasure() {
  const Combatant* unit = GetUnit();
  const TCompoundVolume* volume = unit != nullptr ? &unit->GetLofVolume() : nullptr;
  // A unit that was made anew from its record (a replayed turn) has a new
  // volume; the measure must never walk with the old one.
  if (volume != measureVolume_) RebuildMeasure();
  return *measure_;
}

// --- TRouteOrder: the blocker table ---------------------------------------------------

void TRouteOrder::SetBlocker(int32_t blockerId) { blockers_[GetUnitId()] = blockerId; }

int32_t TRouteOrder::GetBlocker(int32_t unitId) {
  const auto found = blockers_.find(unitId);
  return found != blockers_.end() ? found->second : -1;
}

void TRouteOrder::ClearBlockers() { blockers_.clear(); }

// --- TRouteOrder: the order interface -------------------------------------------------

void TRouteOrder::Begin() {
  // The server replays a turn from where each unit really stands, so a
  // later order plans only when it starts.
  if (Prev() != nullptr && IsComputingTurnAsServer()) return;
  ComputeRoute();
}

void TRouteOrder::ShowMarker(bool show) {
  if (IsUnitValid()) route_->ShowMarkers(show);
}

void TRouteOrder::Reset() {
  TOrder::Reset();
  RestartRoute();
  // A fresh measure takes the unit's current volume and the Regenerators
  // as they stand now.
  RebuildMeasure();
  started_ = false;
  running_ = false;
  waiting_ = false;
  waitTimeout_ = TTimeout(kWaitTime);
  if (IsRewindPlanUnused()) {
    route_->Clear();
  } else {
    ComputeRoute();
  }
  ClearBlockers();
}

bool TRouteOrder::IsRewindPlanUnused() const {
  if (Prev() == nullptr || !HasFixedDestination()) return false;
  for (const TOrder* order = Next(); order != nullptr; order = order->Next()) {
    const auto* walk = dynamic_cast<const TRouteOrder*>(order);
    if (walk == nullptr || !walk->HasFixedDestination()) return false;
  }
  return true;
}

bool TRouteOrder::CanRemove() {
  if (started_) {
    Combatant* unit = GetUnit();
    if (unit != nullptr) unit->SetPosition(StartPosition());
  }
  return true;
}

float TRouteOrder::PlannedTime() const {
  const Combatant* unit = GetUnit();
  return unit != nullptr ? route_->TravelTime(unit->GetType().GetSpeed()) : 0.0f;
}

TVector3 TRouteOrder::EndPosition() const {
  const TVector3* last = route_->LastPoint();
  return last != nullptr ? *last : TOrder::EndPosition();
}

void TRouteOrder::IdleRest(float now) {
  TOrder::IdleRest(now);
  Combatant* unit = GetUnit();
  if (unit == nullptr) return;
  SetBlocker(-1);
  unit->SetOrderFlag(false);
}

void TRouteOrder::ComputeRoute() {
  const std::optional<TVector3> goal = Destination();
  Combatant* unit = GetUnit();
  // Without a unit there is nobody to plan for, and without a destination
  // nowhere to plan to.
  if (!goal || unit == nullptr) return;
  const TVector3 from = started_ ? unit->Position() : StartPosition();
  route_->Run(from, *goal, GetMeasure());
}

void TRouteOrder::RestartRoute() { route_->Restart(); }

void TRouteOrder::Replan() {
  ComputeRoute();
  route_->Advance();
}

// --- TRouteOrder: walking ----------------------------------------------------------------

bool TRouteOrder::StandsOn(const Combatant& unit, const TVector3& point) {
  return unit.Position().IsWithin(point, kTolerance);
}

bool TRouteOrder::IsAtMovementTarget(const Combatant& unit) {
  return unit.Position().IsWithin(unit.GetDestination(), kTolerance);
}

float TRouteOrder::MotionEndTime(const Combatant& unit) { return unit.ArrivalTime(); }

float TRouteOrder::RadiusOf(const TGameObject& object) { return object.GetLofVolume().MaxGroundRadius(); }

TGameObject* TRouteOrder::FindInWorld(int32_t id) const {
  if (id == -1) return nullptr;
  return GetResolver()->GetWorld().FindById(id);
}

void TRouteOrder::StartOrder(Combatant& unit) {
  started_ = true;
  firstStep_ = true;
  // A previous order may have left the unit elsewhere than planned.
  if (Prev() != nullptr) ComputeRoute();
  startPoint_ = unit.Position();
}

bool TRouteOrder::Update(float now) {
  if (IsDone(now)) {
    IdleRest(now);
    return true;
  }
  Combatant* unit = GetUnit();
  if (started_) {
    firstStep_ = false;
  } else {
    StartOrder(*unit);
  }
  Step(now);
  return false;
}

bool TRouteOrder::IsDone(float now) {
  const Combatant* unit = GetUnit();
  if (unit == nullptr) return true;
  const std::optional<TVector3> goal = Destination();
  const bool arrived = goal && StandsOn(*unit, *goal);
  const bool stopShort = !arrived && MayStopShort(*unit);
  if (!arrived && !stopShort) return false;
  if (!started_ || waiting_) return true;
  if (stopShort) {
    SetTimeUsed(0.0f);
    return true;
  }
  SetTimeUsed(now - MotionEndTime(*unit));
  return true;
}

bool TRouteOrder::NextWalkingOrderFollows() const {
  for (const TOrder* order = Next(); order != nullptr; order = order->Next()) {
    if (order->Name() == kRulesOrderName) continue;
    return order->StartPoint().has_value();
  }
  return false;
}

bool TRouteOrder::MayStopShort(const Combatant& unit) const {
  if (firstStep_ || !NextWalkingOrderFollows()) return false;
  const TGameObject* blocker = FindInWorld(GetBlocker(unit.GetId()));
  if (blocker == nullptr) return false;
  const Combatant* blockingUnit = AsCombatant(blocker);
  const bool settled = blockingUnit != nullptr ? IsAtMovementTarget(*blockingUnit)
                                               : blocker->TypeName() == AmmoDump::kTypeName ||
                                                     blocker->TypeName() == Egg::kTypeName;
  if (!settled || IsBlockedByThird(unit)) return false;
  const std::optional<TVector3> goal = Destination();
  if (!goal) return false;
  return unit.Position().DistanceTo(*goal) < RadiusOf(unit) + RadiusOf(*blocker) + kStopShortMargin;
}

bool TRouteOrder::IsBlockedByThird(const Combatant& unit) const {
  const TGameObject* blocker = FindInWorld(GetBlocker(unit.GetId()));
  if (blocker == nullptr) return false;
  const int32_t third = GetBlocker(blocker->GetId());
  return third != -1 && third != unit.GetId();
}

bool TRouteOrder::FormsBlockerCycle(const Combatant& unit, int32_t blockerId) const {
  int32_t link = blockerId;
  for (int32_t i = 0; i < kBlockerCycleLinks && link != -1; ++i) {
    link = GetBlocker(link);
    if (link == unit.GetId()) return true;
  }
  return false;
}

bool TRouteOrder::ShouldDetour(const Combatant& unit, bool obstructed, int32_t blockerId) const {
  if (firstStep_) return false;
  if (!running_ && obstructed) return true;
  const Combatant* blocker = AsCombatant(FindInWorld(blockerId));
  if (blocker == nullptr || blockerId == TargetUnitId()) return false;
  return FormsBlockerCycle(unit, blockerId) || blocker->GetType().GetSpeed() < unit.GetType().GetSpeed();
}

bool TRouteOrder::IsJumpingByRegenerators(const Combatant& unit, const TVector3& point) const {
  const TAmmoDumpList& dumps = GetResolver()->GetWorld().GetAmmoDumps();
  const auto nearRegenerator = [&dumps](const TVector3& centre) {
    std::vector<TGameObject*> found;
    dumps.CollectWithinRadius(found, centre, kRegeneratorReach);
    for (const TGameObject* object : found) {
      if (object->SubtypeName() == kRegeneratorKind) return true;
    }
    return false;
  };
  return nearRegenerator(unit.Position()) && nearRegenerator(point);
}

void TRouteOrder::StopRunning(Combatant& unit, float now) {
  if (unit.GetVisualState() != kRunState && !running_) return;
  running_ = false;
  GetResolver()->StopActions(unit, now);
}

void TRouteOrder::StartWaiting(Combatant& unit, float now) {
  waiting_ = true;
  StopRunning(unit, now);
  waitTimeout_ = TTimeout(kWaitTime);
  waitTimeout_.Start(now);
}

void TRouteOrder::MoveTowards(Combatant& unit, const TVector3& point, float now, bool& obstructed,
                              int32_t& blockerId) {
  float start = now;
  if (running_) {
    // A step that ended within the tick is followed from its end, so the
    // unit walks on without losing the rest of the tick.
    const float end = MotionEndTime(unit);
    if (end <= now) start = end;
  }
  TActionResolver::TStepBlock block;
  block.blockerId = blockerId;
  running_ = GetResolver()->MoveUnit(unit, point, start, running_, block);
  obstructed = block.obstructed;
  blockerId = block.blockerId;
  SetBlocker(blockerId);
}

bool TRouteOrder::IsRouteOutdated() const { return IsRouteOutdated(*route_, Destination(), ArrivalDistance()); }

bool TRouteOrder::IsRouteOutdated(const TRoute& route, const std::optional<TVector3>& goal, float arrivalDistance) {
  const TVector3* current = route.PointAt(route.Cursor());
  const TVector3* last = route.LastPoint();
  if (current == nullptr || last == nullptr || !goal) return true;
  if (last->IsWithin(*goal, kTolerance)) return false;
  if (current->DistanceTo(*goal) <= kNearDestination) return true;
  return last->DistanceTo(*goal) > arrivalDistance - kTolerance;
}

bool TRouteOrder::IsEnemyObstacle(const Combatant& unit, const TGameObject& object) const {
  // Units, dumps and eggs stand in the way; those of the unit's own side do not count.
  const std::optional<int32_t> owner = OwnerOf(object);
  return owner && *owner != unit.GetOwner();
}

void TRouteOrder::CheckBlocker(const Combatant& unit) {
  const TGameObject* blocker = FindInWorld(GetBlocker(unit.GetId()));
  if (blocker != nullptr && IsEnemyObstacle(unit, *blocker)) SetFinished();
}

void TRouteOrder::CheckGoo(const Combatant& unit, float now) {
  const TGameObject* blocker = FindInWorld(GetBlocker(unit.GetId()));
  if (blocker != nullptr && blocker->TypeName() == kGooTypeName && SameTurn(blocker->GetCreationTime(), now)) {
    SetFinished();
  }
}

void TRouteOrder::Detour(Combatant& unit, const TVector3& point, float now) {
  TRoutePointMeasure& measure = GetMeasure();
  if (unit.Position().DistanceTo(point) > kDisplacedDistance) {
    measure.CollectBlockers(point);
  } else {
    measure.CollectBlockers(unit.Position());
    route_->SetSearchBoxAlongRoute(kDetourSearchMargin);
  }
  Replan();
  measure.SetCheckBlockers(false);
  route_->ClearSearchBox();

  const TVector3* next = route_->PointAt(route_->Cursor());
  if (IsRouteOutdated() || next == nullptr) {
    RestartRoute();
    StartWaiting(unit, now);
    CheckBlocker(unit);
    unit.SetOrderFlag(false);
    return;
  }
  bool obstructed = false;
  int32_t blockerId = -1;
  MoveTowards(unit, *next, now, obstructed, blockerId);
  CheckBlocker(unit);
}

void TRouteOrder::Step(float now) {
  Combatant* unit = GetUnit();
  if (unit == nullptr) return;
  const TVector3* current = route_->PointAt(route_->Cursor());
  if (current != nullptr && StandsOn(*unit, *current) && !unit->IsWarping()) route_->Advance();

  if (waitTimeout_.IsRunning() && !waitTimeout_.IsExpired(now)) return;
  if (waiting_) {
    waiting_ = false;
    waitTimeout_ = TTimeout(kWaitTime);
    const std::optional<TVector3> goal = Destination();
    route_->SetSearchBox(unit->Position(), goal ? *goal : unit->Position(), kWaitSearchMargin);
    Replan();
    route_->ClearSearchBox();
  }

  const TVector3* next = route_->PointAt(route_->Cursor());
  if (next == nullptr) {
    unit->SetOrderFlag(false);
    StartWaiting(*unit, now);
    return;
  }
  if (unit->Position().DistanceTo(*next) > kDisplacedDistance && !IsJumpingByRegenerators(*unit, *next)) {
    RestartRoute();
    GetMeasure().Refresh();
    Replan();
    // The old point is gone with the old route; walk towards the new one.
    next = route_->PointAt(route_->Cursor());
    if (next == nullptr) {
      unit->SetOrderFlag(false);
      StartWaiting(*unit, now);
      return;
    }
  }
  const TVector3 point = *next;

  bool obstructed = false;
  int32_t blockerId = -1;
  if (!IsAtMovementTarget(*unit)) {
    // Still on the way to the last point: only make sure the way stays open.
    TActionResolver::TStepBlock block;
    block.blockerId = blockerId;
    running_ = GetResolver()->CanMoveTo(*unit, unit->GetLofVolume(), point, now, running_, block);
    if (!running_) waitTimeout_.Start(now);
    return;
  }

  MoveTowards(*unit, point, now, obstructed, blockerId);
  if (!running_) {
    if (blockerId == -1) unit->SetOrderFlag(false);
    if (ShouldDetour(*unit, obstructed, blockerId)) {
      // A unit that waits for another one itself will make room sooner
      // than a way round would take.
      if (IsBlockedByThird(*unit)) return;
      Detour(*unit, point, now);
    }
  }
  if (running_) unit->SetOrderFlag(true);
  CheckGoo(*unit, now);
}

// --- TApproachOrder --------------------------------------------------------------------

TApproachOrder::TApproachOrder(int32_t unitId, TActionResolver& resolver, const std::string& markerKey,
                               int32_t targetId)
    : TRouteOrder(unitId, resolver, markerKey) {
  BindTarget(targetId);
}

TApproachOrder::TApproachOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids,
                               const std::string& markerKey)
    : TRouteOrder(stream, resolver, ids, markerKey) {
  BindTarget(ids.ReadId(stream, resolver.GetWorld()));
}

TApproachOrder::~TApproachOrder() = default;

void TApproachOrder::BindTarget(int32_t targetId) {
  target_ = TObjectRef(targetId, &GetResolver()->GetWorld());
  if (const TGameObject* target = target_.Resolve()) lastTargetPosition_ = target->Position();
}

void TApproachOrder::Write(TDataStream& stream) const {
  TRouteOrder::Write(stream);
  stream.WriteInt(static_cast<uint32_t>(target_.GetId()));
}

std::optional<TVector3> TApproachOrder::Destination() const {
  const TGameObject* target = target_.Resolve();
  const Combatant* unit = GetUnit();
  if (target != nullptr && unit != nullptr && target->TestFlag(unit->GetOwner())) return target->Position();
  return lastTargetPosition_;
}

void TApproachOrder::ComputeRoute() {
  if (!Destination()) return;
  DeleteTargetMarker();
  TRouteOrder::ComputeRoute();
}

float TApproachOrder::ArrivalDistance() const {
  float distance = kReachMargin;
  if (const Combatant* unit = GetUnit()) distance += RadiusOf(*unit);
  if (const TGameObject* target = target_.Resolve()) distance += RadiusOf(*target);
  return distance;
}

int32_t TApproachOrder::TargetUnitId() const { return target_.GetId(); }

bool TApproachOrder::InReach() const {
  const Combatant* unit = GetUnit();
  const TGameObject* target = target_.Resolve();
  return unit != nullptr && target != nullptr && Reaches(*unit, *target);
}

bool TApproachOrder::Reaches(const Combatant& unit, const TGameObject& target) {
  const float gap = target.Position().DistanceTo(unit.Position()) - kReachMargin;
  const float radii = RadiusOf(unit) + RadiusOf(target);
  return radii > gap - kTolerance;
}

bool TApproachOrder::StandsWhereTargetWasLastSeen() const {
  const Combatant* unit = GetUnit();
  return lastTargetPosition_ && unit != nullptr && IsUnitAtRest(*unit) &&
         unit->Position().DistanceTo(*lastTargetPosition_) < kGiveUpDistance;
}

bool TApproachOrder::IsChaseOver() const {
  const TGameObject* target = GetTarget();
  const Combatant* unit = GetUnit();
  if (target != nullptr && unit != nullptr && target->TestFlag(unit->GetOwner())) return false;
  if (!lastTargetPosition_) return true;
  if (GetResolver()->GetWorld().GetCorpses().FindNearest(*lastTargetPosition_) >= 0) return true;
  return StandsWhereTargetWasLastSeen();
}

void TApproachOrder::ShowMarker(bool show) {
  const TGameObject* target = target_.Resolve();
  if (target == nullptr) return;
  TRouteOrder::ShowMarker(show);
  if (targetMarker_ == nullptr) {
    targetMarker_ = std::make_unique<TOrderMarker>();
    targetMarker_->category = kTargetMarkerCategory;
    targetMarker_->key = kTargetMarkerKey;
    targetMarker_->point = target->Position();
  }
  targetMarker_->shown = show;
}

void TApproachOrder::Reset() {
  DeleteTargetMarker();
  TRouteOrder::Reset();
}

bool TApproachOrder::Update(float now) {
  Combatant* unit = GetUnit();
  if (unit == nullptr || IsOver()) {
    IdleRest(now);
    return true;
  }
  if (IsStarted()) {
    ClearFirstStep();
  } else {
    StartOrder(*unit);
    if (const std::optional<TVector3> goal = Destination()) lastTargetPosition_ = *goal;
  }
  if (IsAtMovementTarget(*unit) && ActAtTarget(now)) return false;
  ApproachStep(now);
  return false;
}

void TApproachOrder::ApproachStep(float now) {
  Combatant* unit = GetUnit();
  if (unit == nullptr) return;
  const TVector3* next = GetRoute().PointAt(GetRoute().Cursor());
  bool replanChecked = false;
  if (next == nullptr || next->IsWithin(EndPosition(), kTolerance)) {
    // At the end of the route: rest there until the target moves on.
    StopRunning(*unit, now);
    if (!IsWaiting()) {
      StartWaiting(*unit, now);
      return;
    }
    replanChecked = true;
  }
  if (!replanChecked && !StandsOn(*unit, *next) &&
      GetResolver()->GetWorld().GetMap().IsPlaceFree(*next, unit->GetLofVolume())) {
    replanChecked = true;
  }
  if (!replanChecked) {
    const std::optional<TVector3> goal = Destination();
    const bool targetStayed =
        !goal || (lastTargetPosition_ && lastTargetPosition_->DistanceTo(*goal) <= kReplanDistance);
    if (!targetStayed) {
      ComputeRoute();
      lastTargetPosition_ = goal;
    }
  }
  Step(now);
}
