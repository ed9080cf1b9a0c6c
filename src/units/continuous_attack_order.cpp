#include "units/continuous_attack_order.h"

#include <algorithm>
#include <cmath>

#include "app/random.h"
#include "sim/action_resolver.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/order_factory.h"
#include "units/sight_resolver.h"
#include "units/unit_type.h"
#include "world/world.h"

TContinuousAttackOrder::TContinuousAttackOrder(int32_t unitId, TActionResolver& resolver, int32_t targetId,
                                               TWorld& world)
    : TAttackElementOrder(unitId, resolver, targetId),
      world_(&world),
      sight_(std::make_unique<TSightResolver>(world, &resolver)) {}

TContinuousAttackOrder::TContinuousAttackOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TAttackElementOrder(stream, resolver, ids),
      world_(&resolver.GetWorld()),
      sight_(std::make_unique<TSightResolver>(*world_, &resolver)) {}

TContinuousAttackOrder::~TContinuousAttackOrder() = default;

void TContinuousAttackOrder::Begin() {
  TAttackElementOrder::Begin();
  float reaction = 0.0f;
  const Combatant* unit = GetUnit();
  if (unit != nullptr && (Prev() == nullptr || Prev()->TargetId() != TargetId())) {
    reaction = unit->GetType().GetReactionTime();
  }
  SetAimJitter(reaction + GetRandom()->FloatRange(-kFirstDelaySpread, kFirstDelaySpread));
}

float TContinuousAttackOrder::PlannedTime() const {
  const Combatant* unit = GetUnit();
  return unit != nullptr ? unit->GetType().GetReactionTime() + unit->GetAimTime() : 0.0f;
}

bool TContinuousAttackOrder::EndsAfterShot() { return GetTarget() == nullptr || !CanShoot(); }

void TContinuousAttackOrder::Rearm(float now) {
  TAttackElementOrder::Rearm(now);
  Retarget();
}

bool TContinuousAttackOrder::CanEngage(Combatant& unit, TGameObject& candidate) {
  if (unit.GetType().IsWarpGunnerType()) {
    return unit.Position().DistanceTo(candidate.Position()) <= unit.GetWeaponRange();
  }
  return sight_->IsPathClear(unit, candidate);
}

void TContinuousAttackOrder::Retarget() {
  Combatant* unit = GetUnit();
  if (unit == nullptr) return;
  const TVector3& at = unit->Position();
  const int32_t owner = unit->GetOwner();
  const int32_t currentId = TargetId();
  const TGameObject* current = GetTarget();
  float bound = current != nullptr ? at.DistanceTo(current->Position()) : unit->GetType().GetVision() + kBeyondVision;

  TGameObject* best = nullptr;
  const TCombatantList& units = world_->GetUnits();
  for (int32_t i = 0; i < units.Count(); ++i) {
    Combatant* candidate = AsCombatant(units.At(i));
    if (candidate == nullptr || candidate->GetOwner() == owner || candidate->GetId() == currentId) continue;
    if (!candidate->TestFlag(owner) || !CanEngage(*unit, *candidate)) continue;
    const float distance = at.DistanceTo(candidate->Position());
    // One standing on the unit's own place gives no direction to turn to.
    if (distance > -kTolerance && distance < kTolerance) continue;
    if (distance * kCloserFactor + kCloserMargin < bound) {
      best = candidate;
      bound = distance * kBoundFactor + kBoundMargin;
    }
  }
  if (best == nullptr) return;
  const float angle = AngleAt(at, GetTargetPoint(), best->Position());
  SetAimJitter(angle * kDegreesPerRadian * unit->GetType().GetReactionTime() * kPerTurnOfReaction);
  SetTargetReference(best->GetId());
}

// --- registration ----------------------------------------------------------------------------

void RegisterContinuousAttackOrderReaders() {
  RegisterOrderClass<TContinuousAttackOrder>(TContinuousAttackOrder::kName);
}
