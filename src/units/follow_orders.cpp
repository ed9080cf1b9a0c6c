#include "units/follow_orders.h"

#include <string>

#include "app/data_stream.h"
#include "sim/action_resolver.h"
#include "units/combatant.h"
#include "units/order_factory.h"
#include "units/sight_resolver.h"
#include "world/game_object.h"

namespace {

constexpr std::string_view kRunState = "Run";
const std::string kHealState = "Heal";

// A unit that came to rest while its run animation still plays is stopped.
void StopRunAnimation(TActionResolver& resolver, Combatant& unit, float now) {
  if (unit.GetVisualState() == kRunState) resolver.StopActions(unit, now);
}

}  // namespace

// --- TFollowOrder ------------------------------------------------------------------------

TFollowOrder::TFollowOrder(int32_t unitId, TActionResolver& resolver, int32_t targetId)
    : TApproachOrder(unitId, resolver, kMovementKind, targetId) {}

TFollowOrder::TFollowOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TApproachOrder(stream, resolver, ids, kMovementKind) {}

void TFollowOrder::Write(TDataStream& stream) const {
  stream.WriteString(std::string(kName));
  TApproachOrder::Write(stream);
}

bool TFollowOrder::ActAtTarget(float now) {
  Combatant* unit = GetUnit();
  if (unit == nullptr || GetTarget() == nullptr) return false;
  if (!IsUnitAtRest(*unit) || !InReach()) return false;
  StopRunAnimation(*GetResolver(), *unit, now);
  return true;
}

bool TFollowOrder::IsOver() const { return GetTarget() == nullptr; }

// --- THealOrder --------------------------------------------------------------------------

THealOrder::THealOrder(int32_t unitId, TActionResolver& resolver, int32_t targetId)
    : TApproachOrder(unitId, resolver, kMovementKind, targetId) {}

THealOrder::THealOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TApproachOrder(stream, resolver, ids, kMovementKind) {}

THealOrder::~THealOrder() = default;

void THealOrder::Reset() {
  TApproachOrder::Reset();
  healTimer_.reset();
}

void THealOrder::Write(TDataStream& stream) const {
  stream.WriteString(std::string(kName));
  TApproachOrder::Write(stream);
}

bool THealOrder::IsOver() const { return GetTarget() == nullptr; }

bool THealOrder::ActAtTarget(float now) {
  Combatant* healer = GetUnit();
  if (healer == nullptr) return false;
  if (healTimer_ == nullptr) healTimer_ = std::make_unique<TTimeout>(healer->GetHealingRate());
  Combatant* patient = AsCombatant(GetTarget());
  if (patient == nullptr || !CanHeal(*healer, *patient)) {
    StopHealTimer();
    return false;
  }
  StopRunAnimation(*GetResolver(), *healer, now);
  // A unit without a Healing Rate (an order read from a stream that gives
  // one to any unit) only stays beside its patient: a period of zero would
  // heal once every tick.
  if (healTimer_->GetDuration() > 0.0f) HealStep(*healer, *patient, now);
  return true;
}

bool THealOrder::CanHeal(const Combatant& healer, const Combatant& patient) const {
  if (!IsUnitAtRest(healer) || !IsUnitAtRest(patient) || !InReach()) return false;
  TSightResolver sight(GetResolver()->GetWorld(), GetResolver());
  return sight.IsLineClear(healer, patient);
}

void THealOrder::HealStep(Combatant& healer, Combatant& patient, float now) {
  TActionResolver& resolver = *GetResolver();
  if (!healTimer_->IsRunning()) {
    resolver.TurnToFace(healer, now, patient.Position());
    healTimer_->Start(now);
    resolver.SetAnimation(healer, now, kHealState);
  }
  if (!healTimer_->IsExpired(now)) return;
  const float expiry = now - healTimer_->Overrun(now);
  resolver.Heal(patient, expiry);
  healTimer_->Start(expiry);
}

void THealOrder::StopHealTimer() {
  // A time limit has no stop of its own: a fresh one of the same length is
  // one that is not running.
  if (healTimer_ != nullptr) *healTimer_ = TTimeout(healTimer_->GetDuration());
}

void RegisterFollowOrderReaders() {
  RegisterOrderClass<TFollowOrder>(TFollowOrder::kName);
  RegisterOrderClass<THealOrder>(THealOrder::kName);
}
