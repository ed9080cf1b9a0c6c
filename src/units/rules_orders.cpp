#include "units/rules_orders.h"

#include <memory>

#include "app/data_stream.h"
#include "sim/action_resolver.h"
#include "units/combatant.h"
#include "units/order_factory.h"
#include "units/reaction_manager.h"
#include "units/reaction_policy.h"
#include "units/weapon.h"

// --- TRulesOrder ---------------------------------------------------------------------------

TRulesOrder::TRulesOrder(int32_t unitId, TActionResolver& resolver, const std::string& value, const std::string& kind)
    : TOrder(unitId, resolver), value_(value), kind_(kind) {}

TRulesOrder::TRulesOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TOrder(stream, resolver, ids), value_(stream.ReadString()), kind_(stream.ReadString()) {
  if (!IsKnownRule(value_, kind_)) stream.SetFailed();
}

bool TRulesOrder::IsKnownRule(std::string_view value, std::string_view kind) {
  if (kind == kSightingKind) {
    return value == TReactionSettings::kContinue || value == TReactionSettings::kHalt ||
           value == TReactionSettings::kRetreat;
  }
  return kind == kCombatKind && CreateReactionPolicy(value) != nullptr;
}

std::unique_ptr<TRulesOrder> TRulesOrder::Sighting(int32_t unitId, TActionResolver& resolver,
                                                   const std::string& code) {
  return std::make_unique<TRulesOrder>(unitId, resolver, code, std::string(kSightingKind));
}

std::unique_ptr<TRulesOrder> TRulesOrder::Combat(int32_t unitId, TActionResolver& resolver,
                                                 const std::string& policy) {
  return std::make_unique<TRulesOrder>(unitId, resolver, policy, std::string(kCombatKind));
}

void TRulesOrder::Begin() { marker_.Build(value_ + std::string(kMarkerSuffix), EndPosition()); }

bool TRulesOrder::Update(float now) {
  // The reaction changes at the moment the chain reaches the order; the
  // rest of the tick goes on to the next order.
  Combatant* unit = GetUnit();
  if (unit != nullptr) GetResolver()->SetReactionRules(*unit, now, value_, kind_);
  IdleRest(now);
  return true;
}

void TRulesOrder::ShowMarker(bool /*show*/) {
  if (GetUnit() != nullptr) marker_.Draw();
}

void TRulesOrder::Reset() {
  TOrder::Reset();
  marker_.MarkChanged();
}

void TRulesOrder::Write(TDataStream& stream) const {
  stream.WriteString(std::string(kName));
  TOrder::Write(stream);
  stream.WriteString(value_);
  stream.WriteString(kind_);
}

bool TRulesOrder::IsSameOrder(const std::vector<std::string>& tokens) const {
  if (!TOrder::IsSameOrder(tokens)) return false;
  return tokens.size() < 4 || tokens[3] == value_;
}

// --- TToggleShieldOrder ------------------------------------------------------------------

TToggleShieldOrder::TToggleShieldOrder(int32_t unitId, TActionResolver& resolver, bool activate)
    : TOrder(unitId, resolver), activate_(activate) {}

TToggleShieldOrder::TToggleShieldOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TOrder(stream, resolver, ids), activate_(stream.ReadByte() != 0) {}

void TToggleShieldOrder::Begin() {
  marker_.Build(std::string(activate_ ? kActivateMarkerName : kDeactivateMarkerName), EndPosition());
}

bool TToggleShieldOrder::Update(float now) {
  Combatant* unit = GetUnit();
  if (unit != nullptr && !done_) {
    done_ = true;
    // The shield is fed from the weapon's store: it goes up only once the
    // weapon has nothing left to fire; lowering it always goes through.
    const TWeapon* weapon = unit->GetWeapon();
    const bool weaponLoaded = weapon != nullptr && weapon->HasAmmunition();
    if (!(activate_ && weaponLoaded)) GetResolver()->ToggleShield(*unit, activate_, now);
  }
  IdleRest(now);
  return true;
}

void TToggleShieldOrder::Reset() {
  TOrder::Reset();
  done_ = false;
  marker_.MarkChanged();
}

void TToggleShieldOrder::Write(TDataStream& stream) const {
  stream.WriteString(std::string(kName));
  TOrder::Write(stream);
  stream.WriteByte(activate_ ? 1 : 0);
}

// --- registration -------------------------------------------------------------------------

void RegisterRulesOrderReaders() {
  RegisterOrderClass<TRulesOrder>(TRulesOrder::kName);
  RegisterOrderClass<TToggleShieldOrder>(TToggleShieldOrder::kName);
}
