// The world's standing rules, run once per simulated tick: blast and goo
// damage, force fields, recovery and shield drain, and scores. Like the
// operations that orders call, each rule records what it does as events.
#include <cmath>

#include "session/game_record.h"
#include "session/sides.h"
#include "sim/action_resolver.h"
#include "sim/damage_event.h"
#include "sim/event_list.h"
#include "sim/explosion.h"
#include "sim/goo.h"
#include "sim/position_map.h"
#include "sim/scenario.h"
#include "sim/unit_events.h"
#include "sim/world_events.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/unit_type.h"
#include "units/weapon.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/map.h"
#include "world/object_ref.h"
#include "world/world.h"

namespace {

constexpr float kRateTolerance = 0.0001f;
constexpr float kFieldDamage = 1000.0f;

Combatant* UnitAt(const TCombatantList& units, int32_t index) {
  TGameObject* object = units.At(index);
  if (object == nullptr || object->TypeName() != Combatant::kTypeName) return nullptr;
  return static_cast<Combatant*>(object);
}

// The health and armour a force field must overcome to destroy the object.
float FieldDamageFor(const TGameObject& object) {
  if (object.TypeName() == Combatant::kTypeName) {
    const auto& unit = static_cast<const Combatant&>(object);
    return unit.GetEndurance() + unit.GetType().GetArmour() + kFieldDamage;
  }
  if (object.TypeName() == AmmoDump::kTypeName) {
    const auto& dump = static_cast<const AmmoDump&>(object);
    return dump.GetEndurance() + dump.GetType().GetArmour() + kFieldDamage;
  }
  const auto& egg = static_cast<const Egg&>(object);
  return egg.GetEndurance() + egg.GetType().GetArmour() + kFieldDamage;
}

}  // namespace

void TActionResolver::CollectDamage(float t) {
  TEventVector due;
  world_->GetExplosions().CollectDamage(t, *world_, due);
  world_->GetGooExplosions().CollectDamage(t, *world_, due);
  if (events_ != nullptr) events_->AddAll(due);
}

void TActionResolver::ApplyGooDamage(float t) {
  TGooList& goo = world_->GetGoo();
  const float amount = goo.GooDamageSince(t);
  const TCombatantList& units = world_->GetUnits();
  for (int32_t i = 0; i < units.Count(); ++i) {
    Combatant* unit = UnitAt(units, i);
    if (unit == nullptr || unit->IsDestroyed() || unit->GetType().IsDroneType()) continue;
    if (amount == 0.0f || !goo.IsGooNear(unit->Position(), unit->GetRadius())) continue;
    // Armour is taken off every blow again, so it is added first: goo eats
    // through armour. An emptied grey unit has no armour left to count.
    const TWeapon* weapon = unit->GetWeapon();
    const bool bareGrey = unit->GetType().IsGreyRace() && weapon != nullptr && !weapon->HasAmmunition();
    const float damage = bareGrey ? amount : unit->GetType().GetArmour() + amount;
    Record(std::make_unique<TDamageEvent>(t, *unit, *world_, damage));
  }
  goo.StartGooClock(t);
}

void TActionResolver::ApplyForceFields(float t) {
  TMap& map = world_->GetMap();
  for (TObjectList* list : {static_cast<TObjectList*>(&world_->GetUnits()),
                            static_cast<TObjectList*>(&world_->GetAmmoDumps()),
                            static_cast<TObjectList*>(&world_->GetEggs())}) {
    for (int32_t i = 0; i < list->Count(); ++i) {
      TGameObject* object = list->At(i);
      if (object == nullptr || object->IsDestroyed()) continue;
      if (!map.ForceFieldTest(object->GetLofVolume())) continue;
      Record(std::make_unique<TDamageEvent>(t, *object, *world_, FieldDamageFor(*object)));
    }
  }
}

int32_t TActionResolver::FindTimer(const std::vector<std::unique_ptr<TObjectRef>>& units, int32_t id) {
  for (std::size_t i = 0; i < units.size(); ++i) {
    if (units[i]->GetId() == id) return static_cast<int32_t>(i);
  }
  return -1;
}

void TActionResolver::DropTimer(std::vector<std::unique_ptr<TObjectRef>>& units, std::vector<float>& starts,
                                int32_t id) {
  const int32_t index = FindTimer(units, id);
  if (index < 0) return;
  units.erase(units.begin() + index);
  starts.erase(starts.begin() + index);
}

void TActionResolver::Recover(Combatant& unit, float t) {
  const float rate = unit.GetType().GetRecoveryRate();
  const TWeapon* weapon = unit.GetWeapon();
  if (!(rate > kRateTolerance) || weapon == nullptr || weapon->IsFull()) return;
  const int32_t index = FindTimer(recoveryUnits_, unit.GetId());
  if (index < 0) {
    recoveryUnits_.push_back(std::make_unique<TObjectRef>(unit.GetId(), &world_->GetUnits()));
    recoveryStarts_.push_back(t);
    return;
  }
  float& start = recoveryStarts_[static_cast<std::size_t>(index)];
  if (t < start + rate - kRateTolerance) return;
  start += rate;
  Record(std::make_unique<TResupplyEvent>(start, unit, *world_));
  if (weapon->IsFull()) DropTimer(recoveryUnits_, recoveryStarts_, unit.GetId());
}

void TActionResolver::DrainShield(Combatant& unit, float t) {
  const float rate = unit.GetType().GetShieldRate();
  if (!unit.GetCanFire()) {
    if (rate > kRateTolerance) DropTimer(shieldUnits_, shieldStarts_, unit.GetId());
    return;
  }
  // Every armed unit starts with the switch on; only a type with a drain
  // rate pays for it (a rate of 0 would cost a round every tick).
  if (!(rate > kRateTolerance)) return;
  const int32_t index = FindTimer(shieldUnits_, unit.GetId());
  if (index < 0) {
    shieldUnits_.push_back(std::make_unique<TObjectRef>(unit.GetId(), &world_->GetUnits()));
    shieldStarts_.push_back(t);
    return;
  }
  float& start = shieldStarts_[static_cast<std::size_t>(index)];
  if (t < start + rate - kRateTolerance) return;
  start += rate;
  Record(std::make_unique<TAmmoEvent>(start, unit, *world_, -1));
}

void TActionResolver::UpdateRecharge(float t) {
  const TCombatantList& units = world_->GetUnits();
  for (int32_t i = 0; i < units.Count(); ++i) {
    Combatant* unit = UnitAt(units, i);
    if (unit == nullptr) continue;
    if (unit->IsDestroyed()) {
      DropTimer(recoveryUnits_, recoveryStarts_, unit->GetId());
      DropTimer(shieldUnits_, shieldStarts_, unit->GetId());
      continue;
    }
    Recover(*unit, t);
    DrainShield(*unit, t);
  }
}

void TActionResolver::KillUnitsOutOfAmmunition(float t) {
  const TCombatantList& units = world_->GetUnits();
  for (int32_t i = 0; i < units.Count(); ++i) {
    Combatant* unit = UnitAt(units, i);
    if (unit != nullptr && !unit->IsDestroyed() && unit->DiesOfEmptyWeapon()) KillUnit(*unit, t);
  }
}

void TActionResolver::UpdateScores(float t, const TScenario* scenario) {
  if (record_ == nullptr || scenario == nullptr) return;
  const auto turn = static_cast<int32_t>(t * 0.1f);
  const int32_t sides = TSides::Instance()->GetSideCount();
  for (int32_t p = 0; p < sides; ++p) {
    const float score = scenario->Score(p, *world_, turn);
    if (score != record_->GetScore(p)) Record(std::make_unique<TScoreEvent>(t, score, p, record_));
  }
}

void TActionResolver::StopAllUnits(float t) {
  const TCombatantList& units = world_->GetUnits();
  for (int32_t i = 0; i < units.Count(); ++i) {
    Combatant* unit = UnitAt(units, i);
    if (unit != nullptr && unit->GetVisualState() != "Stand") StopActions(*unit, t);
  }
}

void TActionResolver::ResetTurn() {
  if (!keepEvents_ && events_ != nullptr) events_->DiscardUnfinishedTurn();
  positions_->Clear();
  recoveryUnits_.clear();
  recoveryStarts_.clear();
  shieldUnits_.clear();
  shieldStarts_.clear();
}
