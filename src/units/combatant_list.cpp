#include "units/combatant_list.h"

#include <algorithm>

#include "units/unit_type.h"
#include "units/unit_visual_state.h"
#include "units/weapon.h"
#include "world/volume.h"

TCombatantList::TCombatantList() : selection_(std::make_unique<TObjectRef>(-1, this)) {}

TCombatantList::~TCombatantList() {
  // The selection refers into the children; it goes first.
  selection_.reset();
}

void TCombatantList::Add(std::unique_ptr<TGameObject> object) {
  Combatant* unit = AsCombatant(object.get());
  TObjectList::Add(std::move(object));
  if (unit != nullptr && selection_->IsValid() && selection_->GetId() == unit->GetId()) {
    unit->GetAnimator().ShowSelected(true);
  }
}

void TCombatantList::BeginTurn() {
  for (int32_t i = 0; i < Count(); ++i) {
    if (Combatant* unit = UnitAt(i)) unit->ResetToStand();
  }
}

Combatant* TCombatantList::GetSelected() const { return AsCombatant(selection_->ResolveCombatant()); }

void TCombatantList::Select(Combatant* unit) {
  if (Combatant* previous = GetSelected()) previous->GetAnimator().ShowSelected(false);
  if (unit == nullptr) {
    selection_->Reset();
    return;
  }
  *selection_ = TObjectRef(unit->GetId(), this);
  unit->GetAnimator().ShowSelected(true);
}

void TCombatantList::ClearSelection() {
  if (Combatant* selected = GetSelected()) selected->GetAnimator().ShowSelected(false);
  selection_->Reset();
}

Combatant* TCombatantList::FindAtPoint(const TVector3& point) const {
  Combatant* nearest = nullptr;
  float nearestDistance = 0.0f;
  for (int32_t i = 0; i < Count(); ++i) {
    Combatant* unit = UnitAt(i);
    if (unit == nullptr) continue;
    const float distance = unit->Position().DistanceTo(point);
    if (distance > std::max(unit->GetRadius(), kMinPickRadius)) continue;
    if (nearest == nullptr || distance < nearestDistance) {
      nearest = unit;
      nearestDistance = distance;
    }
  }
  return nearest;
}

bool TCombatantList::SelectAt(const TVector3& point, int32_t player) {
  Combatant* unit = FindAtPoint(point);
  if (unit == nullptr || unit->GetOwner() != player) return false;
  Select(unit);
  return true;
}

bool TCombatantList::IsClearOf(TCompoundVolume& volume) const {
  for (int32_t i = 0; i < Count(); ++i) {
    Combatant* unit = UnitAt(i);
    if (unit == nullptr || &unit->GetLofVolume() == &volume) continue;
    if (unit->GetLofVolume().AnyIntersects(volume)) return false;
  }
  return true;
}

bool TCombatantList::HasUnitOfPlayer(int32_t player) const {
  for (int32_t i = 0; i < Count(); ++i) {
    const Combatant* unit = UnitAt(i);
    if (unit != nullptr && unit->GetOwner() == player) return true;
  }
  return false;
}

bool TCombatantList::CanPlayerFight(int32_t player, bool flag) const {
  for (int32_t i = 0; i < Count(); ++i) {
    const Combatant* unit = UnitAt(i);
    if (unit != nullptr && unit->GetOwner() == player && unit->CanFire(flag)) return true;
  }
  if (flag) return false;
  // A supplier with ammunition left keeps the player in the fight while it
  // has another unit that could fire once resupplied.
  for (int32_t i = 0; i < Count(); ++i) {
    const Combatant* supplier = UnitAt(i);
    if (supplier == nullptr || supplier->GetOwner() != player || !supplier->GetType().HasResupplyEnergy()) continue;
    if (supplier->GetWeapon() == nullptr || !supplier->GetWeapon()->HasAmmunition()) continue;
    for (int32_t j = 0; j < Count(); ++j) {
      const Combatant* other = UnitAt(j);
      if (other != nullptr && other != supplier && other->GetOwner() == player && other->CanFire(true)) return true;
    }
  }
  return false;
}

bool TCombatantList::HasHeadquarters(int32_t player) const {
  for (int32_t i = 0; i < Count(); ++i) {
    const Combatant* unit = UnitAt(i);
    if (unit != nullptr && unit->GetOwner() == player && unit->GetType().IsHeadquartersType()) return true;
  }
  return false;
}
