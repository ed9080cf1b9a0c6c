#include "units/close_combat_orders.h"

#include <string>

#include "app/data_stream.h"
#include "session/id_mapper.h"
#include "sim/action_resolver.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/order_factory.h"
#include "units/sight_resolver.h"
#include "units/unit_type.h"
#include "world/game_object.h"
#include "world/world.h"

namespace {

const std::string kRunState = "Run";
const std::string kStandState = "Stand";
const std::string kAttackState = "Close Combat Attack";
const std::string kFinishState = "Close Combat Finish";

}  // namespace

// --- TCloseCombatApproach -------------------------------------------------------------------

TCloseCombatApproach::TCloseCombatApproach(int32_t unitId, TActionResolver& resolver, const char* movementKind,
                                           int32_t targetId, TWorld& world)
    : TApproachOrder(unitId, resolver, movementKind, targetId),
      fightTarget_(targetId, &resolver.GetWorld()),
      sight_(std::make_unique<TSightResolver>(world, &resolver)) {}

TCloseCombatApproach::TCloseCombatApproach(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids,
                                           const char* movementKind)
    : TApproachOrder(stream, resolver, ids, movementKind),
      fightTarget_(GetTargetId(), &resolver.GetWorld()),
      sight_(std::make_unique<TSightResolver>(resolver.GetWorld(), &resolver)) {}

TCloseCombatApproach::~TCloseCombatApproach() = default;

void TCloseCombatApproach::Reset() {
  TApproachOrder::Reset();
  striking_ = false;
  hitDone_ = false;
  strikeStart_ = 0.0f;
}

void TCloseCombatApproach::Write(TDataStream& stream) const {
  stream.WriteString(std::string(Name()));
  TRouteOrder::Write(stream);
  stream.WriteInt(static_cast<uint32_t>(fightTarget_.GetId()));
}

bool TCloseCombatApproach::IsSeen(const TGameObject& target) const {
  const Combatant* unit = GetUnit();
  return unit != nullptr && target.TestFlag(unit->GetOwner());
}

std::optional<TVector3> TCloseCombatApproach::Destination() const {
  const TGameObject* target = fightTarget_.Resolve();
  if (target != nullptr && IsSeen(*target)) {
    targetPosition_ = target->Position();
    return targetPosition_;
  }
  return GetLastTargetPosition();
}

float TCloseCombatApproach::ArrivalDistance() const {
  float distance = kReachMargin;
  if (const Combatant* unit = GetUnit()) distance += RadiusOf(*unit);
  if (const TGameObject* target = fightTarget_.Resolve()) distance += RadiusOf(*target);
  return distance;
}

int32_t TCloseCombatApproach::TargetUnitId() const { return fightTarget_.GetId(); }

TGameObject* TCloseCombatApproach::FightableTarget() const {
  TGameObject* target = fightTarget_.Resolve();
  if (target == nullptr || target->IsDestroyed() || !IsSeen(*target)) return nullptr;
  return target;
}

bool TCloseCombatApproach::CanStrike(const Combatant& unit, TGameObject& target) const {
  // The approach base's reach test, for the target being fought.
  return Reaches(unit, target) && sight_->IsPathClear(unit, target);
}

bool TCloseCombatApproach::ActAtTarget(float now) {
  Combatant* unit = GetUnit();
  if (unit == nullptr) return false;
  if (TGameObject* target = FightableTarget()) {
    if (striking_) {
      StrikeStep(*unit, *target, now);
      RememberTarget();
      return true;
    }
    if (CanStrike(*unit, *target)) {
      if (unit->GetVisualState() == kRunState) GetResolver()->StopActions(*unit, now);
      StrikeStep(*unit, *target, now);
      RememberTarget();
      return true;
    }
  }
  if (striking_) {
    // The target was lost mid-swing: the unit lowers its weapon.
    striking_ = false;
    hitDone_ = false;
    GetResolver()->SetAnimation(*unit, now, kStandState);
  }
  return false;
}

void TCloseCombatApproach::BeginStrike(Combatant& unit, const TGameObject& target, float start) {
  striking_ = true;
  strikeStart_ = start;
  hitDone_ = false;
  GetResolver()->TurnToFace(unit, start, target.Position());
  GetResolver()->SetAnimation(unit, start, kAttackState);
}

void TCloseCombatApproach::StrikeStep(Combatant& unit, TGameObject& target, float now) {
  if (!striking_) BeginStrike(unit, target, now);
  const float hitTime = strikeStart_ + unit.GetType().GetPrepareWeapon();
  if (!hitDone_ && hitTime <= now) {
    GetResolver()->CloseCombatHit(unit, target, hitTime);
    GetResolver()->SetAnimation(unit, hitTime, kFinishState);
    hitDone_ = true;
  }
  const float end = hitTime + unit.GetType().GetRestWeapon();
  if (end <= now) {
    striking_ = false;
    OnStrikeOver(unit, target, end);
  }
}

void TCloseCombatApproach::RememberTarget() {
  if (!GetLastTargetPosition()) return;
  const std::optional<TVector3> place = Destination();
  if (place) SetLastTargetPosition(*place);
}

bool TCloseCombatApproach::IsOver() const {
  const TGameObject* target = fightTarget_.Resolve();
  if (target == nullptr) return true;
  if (IsSeen(*target)) return false;
  return StandsWhereTargetWasLastSeen();
}

void TCloseCombatApproach::SwitchTarget(int32_t targetId) {
  fightTarget_ = TObjectRef(targetId, &GetResolver()->GetWorld());
}

// --- TCloseAttackOrder -----------------------------------------------------------------------

TCloseAttackOrder::TCloseAttackOrder(int32_t unitId, TActionResolver& resolver, int32_t targetId, TWorld& world)
    : TCloseCombatApproach(unitId, resolver, kMovementKind, targetId, world) {}

TCloseAttackOrder::TCloseAttackOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TCloseCombatApproach(stream, resolver, ids, kMovementKind) {}

void TCloseAttackOrder::Reset() {
  TCloseCombatApproach::Reset();
  finished_ = false;
}

float TCloseAttackOrder::PlannedTime() const {
  float time = TRouteOrder::PlannedTime();
  if (const Combatant* unit = GetUnit()) time += unit->GetType().GetPrepareAndRest();
  return time;
}

bool TCloseAttackOrder::IsOver() const { return finished_ || TCloseCombatApproach::IsOver(); }

void TCloseAttackOrder::OnStrikeOver(Combatant& /*unit*/, TGameObject& /*target*/, float /*end*/) {
  finished_ = true;
}

// --- TCloseCombatOrder -----------------------------------------------------------------------

TCloseCombatOrder::TCloseCombatOrder(int32_t unitId, TActionResolver& resolver, int32_t targetId, TWorld& world)
    : TCloseCombatApproach(unitId, resolver, kMovementKind, targetId, world) {}

TCloseCombatOrder::TCloseCombatOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TCloseCombatApproach(stream, resolver, ids, kMovementKind) {}

void TCloseCombatOrder::OnStrikeOver(Combatant& unit, TGameObject& target, float end) {
  if (CanStrike(unit, target)) BeginStrike(unit, target, end);
}

// --- TOpportunityPursueOrder -------------------------------------------------------------------

TOpportunityPursueOrder::TOpportunityPursueOrder(int32_t unitId, TActionResolver& resolver, int32_t targetId,
                                                 TWorld& world)
    : TCloseCombatApproach(unitId, resolver, kMovementKind, targetId, world) {}

TOpportunityPursueOrder::TOpportunityPursueOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TCloseCombatApproach(stream, resolver, ids, kMovementKind) {}

void TOpportunityPursueOrder::OnStrikeOver(Combatant& unit, TGameObject& target, float end) {
  if (CanStrike(unit, target)) BeginStrike(unit, target, end);
}

Combatant* TOpportunityPursueOrder::FindNearerEnemy(Combatant& unit) {
  float bound = kSearchDistance;
  if (const std::optional<TVector3>& last = GetLastTargetPosition()) {
    bound = unit.Position().DistanceTo(*last) - kSwitchMargin;
  }
  const int32_t owner = unit.GetOwner();
  const int32_t current = GetFightTargetId();
  Combatant* best = nullptr;
  TCombatantList& units = GetResolver()->GetUnits();
  for (int32_t i = 0; i < units.Count(); ++i) {
    Combatant* other = AsCombatant(units.At(i));
    if (other == nullptr || other->GetId() == current) continue;
    if (other->GetOwner() == owner || !other->TestFlag(owner)) continue;
    const float distance = unit.Position().DistanceTo(other->Position());
    if (distance < bound && GetSight().IsPathClear(unit, *other)) {
      best = other;
      bound = distance;
    }
  }
  return best;
}

void TOpportunityPursueOrder::Retarget() {
  Combatant* unit = GetUnit();
  if (unit == nullptr) return;
  Combatant* best = FindNearerEnemy(*unit);
  if (best == nullptr || best->GetId() == GetFightTargetId()) return;
  SwitchTarget(best->GetId());
  ComputeRoute();
}

bool TOpportunityPursueOrder::ActAtTarget(float now) {
  Retarget();
  return TCloseCombatApproach::ActAtTarget(now);
}

void RegisterCloseCombatOrderReaders() {
  RegisterOrderClass<TCloseAttackOrder>(TCloseAttackOrder::kName);
  RegisterOrderClass<TCloseCombatOrder>(TCloseCombatOrder::kName);
  RegisterOrderClass<TOpportunityPursueOrder>(TOpportunityPursueOrder::kName);
}
