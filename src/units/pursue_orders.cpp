#include "units/pursue_orders.h"

#include <optional>
#include <string>

#include "app/data_stream.h"
#include "sim/action_resolver.h"
#include "sim/corpse.h"
#include "units/attack_orders.h"
#include "units/combatant.h"
#include "units/order_factory.h"
#include "units/sight_resolver.h"
#include "units/weapon.h"
#include "world/game_object.h"
#include "world/world.h"

namespace {

const std::string kStandState = "Stand";
const std::string kAimState = "Aim";

}  // namespace

TPursueOrder::TPursueOrder(int32_t unitId, TActionResolver& resolver, int32_t targetId, TWorld& world)
    : TApproachOrder(unitId, resolver, kMovementKind, targetId),
      sight_(std::make_unique<TSightResolver>(world, &resolver)) {}

TPursueOrder::TPursueOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TApproachOrder(stream, resolver, ids, kMovementKind),
      sight_(std::make_unique<TSightResolver>(resolver.GetWorld(), &resolver)) {}

TPursueOrder::~TPursueOrder() = default;

void TPursueOrder::Reset() {
  aiming_ = false;
  fired_ = false;
  cycleStart_ = 0.0f;
  TApproachOrder::Reset();
}

void TPursueOrder::Write(TDataStream& stream) const {
  stream.WriteString(std::string(kName));
  TApproachOrder::Write(stream);
}

float TPursueOrder::ShootingRange(const Combatant& unit) {
  const float range = unit.GetWeaponRange();
  const float share = kRangeShare * range;
  return share < kShortestShare ? range : share;
}

bool TPursueOrder::MayShoot(const Combatant& unit, TGameObject& target) const {
  if (!target.TestFlag(unit.GetOwner()) || !IsUnitAtRest(unit)) return false;
  if (!(unit.Position().DistanceTo(target.Position()) < ShootingRange(unit))) return false;
  return sight_->IsPathClear(unit, target);
}

bool TPursueOrder::ActAtTarget(float now) {
  Combatant* unit = GetUnit();
  if (unit == nullptr) return false;
  TGameObject* target = GetTarget();
  if (target != nullptr && MayShoot(*unit, *target)) {
    StopRunning(*unit, now);
    FireAtTarget(now);
    RememberTarget();
    return true;
  }
  if (aiming_) StopCycle(*unit, now);
  return false;
}

void TPursueOrder::StopCycle(Combatant& unit, float now) {
  aiming_ = false;
  fired_ = false;
  GetResolver()->SetAnimation(unit, now, kStandState);
}

void TPursueOrder::FireAtTarget(float now) {
  Combatant* unit = GetUnit();
  TGameObject* target = GetTarget();
  if (unit == nullptr || target == nullptr) return;
  if (!unit->HasRoundsForAShot()) {
    if (aiming_) StopCycle(*unit, now);
    return;
  }
  TActionResolver& resolver = *GetResolver();
  if (!aiming_) {
    cycleStart_ = now;
    aiming_ = true;
    jitter_ = TAttackOrder::DrawAimJitter();
    resolver.SetAnimation(*unit, now, kAimState);
  }
  resolver.TurnToFace(*unit, now, target->Position());
  const float cycleEnd = cycleStart_ + jitter_ + unit->GetAimTime();
  const float over = now - cycleEnd;
  if (over >= -kShotLead && !fired_) {
    TVector3 aim;
    target->GetAimPoint(aim);
    resolver.FireWeapon(*unit, aim, cycleEnd - kShotLead);
    fired_ = true;
  }
  if (over >= 0.0f) {
    // The next cycle follows on at once, from the moment this one ended.
    cycleStart_ = cycleEnd;
    jitter_ = TAttackOrder::DrawAimJitter();
    fired_ = false;
  }
}

void TPursueOrder::RememberTarget() {
  const std::optional<TVector3> place = Destination();
  if (place) SetLastTargetPosition(*place);
}

bool TPursueOrder::IsOver() const { return IsChaseOver(); }

void RegisterPursueOrderReaders() { RegisterOrderClass<TPursueOrder>(TPursueOrder::kName); }
