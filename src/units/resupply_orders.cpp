#include "units/resupply_orders.h"

#include <string>

#include "app/data_stream.h"
#include "sim/action_resolver.h"
#include "sim/corpse.h"
#include "units/combatant.h"
#include "units/follow_orders.h"
#include "units/order_factory.h"
#include "units/sight_resolver.h"
#include "units/unit_type.h"
#include "units/weapon.h"
#include "world/game_object.h"
#include "world/world.h"

namespace {

const std::string kStandState = "Stand";

}  // namespace

// --- TResupplyOrder ----------------------------------------------------------------------

TResupplyOrder::TResupplyOrder(int32_t unitId, TActionResolver& resolver, int32_t supplierId)
    : TApproachOrder(unitId, resolver, kMovementKind, supplierId) {}

TResupplyOrder::TResupplyOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TApproachOrder(stream, resolver, ids, kMovementKind) {}

TResupplyOrder::~TResupplyOrder() = default;

void TResupplyOrder::Reset() {
  TApproachOrder::Reset();
  roundTimer_.reset();
  done_ = 0;
}

void TResupplyOrder::Write(TDataStream& stream) const {
  stream.WriteString(std::string(kName));
  TApproachOrder::Write(stream);
}

const TWeapon* TResupplyOrder::FillableWeapon(const Combatant& unit) {
  const TWeapon* weapon = unit.GetWeapon();
  return weapon != nullptr && weapon->GetMaxAmmunition() > 0 ? weapon : nullptr;
}

float TResupplyOrder::PlannedTime() const {
  const float walk = TRouteOrder::PlannedTime();
  const Combatant* unit = GetUnit();
  if (unit == nullptr) return walk;
  const TWeapon* weapon = FillableWeapon(*unit);
  if (weapon == nullptr) return walk;
  const float maximum = static_cast<float>(weapon->GetMaxAmmunition());
  const float missing = maximum - static_cast<float>(weapon->GetAmmunition());
  return walk + unit->GetType().GetReloadRate() * missing / maximum;
}

bool TResupplyOrder::IsOver() const {
  const TGameObject* supplier = GetTarget();
  if (supplier == nullptr) return true;
  if (const Combatant* giver = AsCombatant(supplier)) {
    const TWeapon* stock = giver->GetWeapon();
    if (stock == nullptr || !stock->HasAmmunition()) return true;
  }
  // A unit whose weapon holds no ammunition would stand at the supplier for
  // ever waiting to be full.
  const Combatant* unit = GetUnit();
  if (unit != nullptr && FillableWeapon(*unit) == nullptr) return true;
  return done_ != 0;
}

bool TResupplyOrder::ActAtTarget(float now) {
  Combatant* unit = GetUnit();
  if (unit == nullptr) return false;
  const TWeapon* weapon = FillableWeapon(*unit);
  if (weapon == nullptr) return false;
  if (roundTimer_ == nullptr) {
    const float roundTime = unit->GetType().GetReloadRate() / static_cast<float>(weapon->GetMaxAmmunition());
    roundTimer_ = std::make_unique<TTimeout>(roundTime);
  }
  TGameObject* supplier = GetTarget();
  if (supplier == nullptr || !CanTakeFrom(*unit, *supplier)) {
    StopRoundTimer();
    return false;
  }
  StopRunning(*unit, now);
  ResupplyStep(*unit, *supplier, now);
  return true;
}

bool TResupplyOrder::CanTakeFrom(const Combatant& unit, const TGameObject& supplier) const {
  if (!IsUnitAtRest(unit) || !InReach()) return false;
  TSightResolver sight(GetResolver()->GetWorld(), GetResolver());
  return sight.IsLineClear(unit, supplier);
}

void TResupplyOrder::ResupplyStep(Combatant& unit, TGameObject& supplier, float now) {
  TActionResolver& resolver = *GetResolver();
  if (!roundTimer_->IsRunning()) {
    resolver.TurnToFace(unit, now, supplier.Position());
    roundTimer_->Start(now);
    resolver.SetAnimation(unit, now, kStandState);
  }
  if (!roundTimer_->IsExpired(now)) return;
  const float expiry = now - roundTimer_->Overrun(now);
  resolver.Resupply(unit, expiry, &supplier);
  roundTimer_->Start(expiry);
  const TWeapon* weapon = unit.GetWeapon();
  if (weapon != nullptr && weapon->GetAmmunition() == weapon->GetMaxAmmunition()) done_ = 1;
}

void TResupplyOrder::StopRoundTimer() {
  // A time limit has no stop of its own: a fresh one of the same length is
  // one that is not running.
  if (roundTimer_ != nullptr) *roundTimer_ = TTimeout(roundTimer_->GetDuration());
}

// --- TSuicideAttackOrder -----------------------------------------------------------------

TSuicideAttackOrder::TSuicideAttackOrder(int32_t unitId, TActionResolver& resolver, int32_t targetId, TWorld* world)
    : TApproachOrder(unitId, resolver, kMovementKind, targetId),
      sight_(std::make_unique<TSightResolver>(world != nullptr ? *world : resolver.GetWorld(), &resolver)) {}

TSuicideAttackOrder::TSuicideAttackOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TApproachOrder(stream, resolver, ids, kMovementKind),
      sight_(std::make_unique<TSightResolver>(resolver.GetWorld(), &resolver)) {}

TSuicideAttackOrder::~TSuicideAttackOrder() = default;

void TSuicideAttackOrder::Write(TDataStream& stream) const {
  stream.WriteString(std::string(kName));
  TApproachOrder::Write(stream);
}

bool TSuicideAttackOrder::ActAtTarget(float now) {
  Combatant* unit = GetUnit();
  TGameObject* target = GetTarget();
  if (unit == nullptr || target == nullptr) return false;
  if (!target->TestFlag(unit->GetOwner()) || !InReach()) return false;
  if (!sight_->IsPathClear(*unit, *target)) return false;
  StopRunning(*unit, now);
  GetResolver()->KillUnit(*unit, now);
  return true;
}

bool TSuicideAttackOrder::IsOver() const { return IsChaseOver(); }

void RegisterResupplyOrderReaders() {
  RegisterOrderClass<TResupplyOrder>(TResupplyOrder::kName);
  RegisterOrderClass<TSuicideAttackOrder>(TSuicideAttackOrder::kName);
}
