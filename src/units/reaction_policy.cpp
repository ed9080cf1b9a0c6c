#include "units/reaction_policy.h"

#include <cmath>
#include <optional>
#include <string>

#include "app/data_stream.h"
#include "app/vector3.h"
#include "display/colour.h"
#include "sim/corpse.h"
#include "units/close_combat_orders.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/continuous_attack_order.h"
#include "units/pursue_orders.h"
#include "units/resupply_orders.h"
#include "units/sight_resolver.h"
#include "units/unit_type.h"
#include "units/walk_orders.h"
#include "units/weapon.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/map.h"
#include "world/volume.h"
#include "world/world.h"

TReactionPolicy::~TReactionPolicy() = default;

bool TReactionPolicy::Write(TDataStream& stream) const { return stream.WriteString(std::string(Name())); }

// The colours live as long as the program: markers copy them, never keep
// them.
const TColour& HoldFire::StaticColour() {
  static const TColour colour(0.0f, 0.9f, 0.0f, 1.0f);
  return colour;
}

const TColour& FireAtWill::StaticColour() {
  static const TColour colour(1.0f, 0.0f, 0.0f, 1.0f);
  return colour;
}

const TColour& Pursue::StaticColour() {
  static const TColour colour(0.0f, 0.0f, 1.0f, 1.0f);
  return colour;
}

const TColour& Retreat::StaticColour() {
  static const TColour colour(0.1f, 0.1f, 0.1f, 1.0f);
  return colour;
}

// HoldFire and FireAtWill toggle; Pursue leads through Retreat back into
// that pair.
std::unique_ptr<TReactionPolicy> HoldFire::Next() const { return std::make_unique<FireAtWill>(); }
std::unique_ptr<TReactionPolicy> FireAtWill::Next() const { return std::make_unique<HoldFire>(); }
std::unique_ptr<TReactionPolicy> Pursue::Next() const { return std::make_unique<Retreat>(); }
std::unique_ptr<TReactionPolicy> Retreat::Next() const { return std::make_unique<FireAtWill>(); }

std::unique_ptr<TReactionPolicy> CreateReactionPolicy(std::string_view name) {
  if (name == FireAtWill::kName) return std::make_unique<FireAtWill>();
  if (name == HoldFire::kName) return std::make_unique<HoldFire>();
  if (name == Pursue::kName) return std::make_unique<Pursue>();
  if (name == Retreat::kName) return std::make_unique<Retreat>();
  return nullptr;
}

std::unique_ptr<TReactionPolicy> ReadReactionPolicy(TDataStream& stream) {
  return CreateReactionPolicy(stream.ReadString());
}

// --- acting ------------------------------------------------------------------------

namespace {

constexpr float kTolerance = 0.0001f;

Combatant* FindUnit(TWorld& world, int32_t unitId) {
  return dynamic_cast<Combatant*>(world.GetUnits().FindById(unitId));
}

float DistanceBetween(const TGameObject& a, const TGameObject& b) { return a.Position().DistanceTo(b.Position()); }

bool SamePoint(const TVector3& a, const TVector3& b) {
  return std::fabs(a.x - b.x) <= kTolerance && std::fabs(a.y - b.y) <= kTolerance &&
         std::fabs(a.z - b.z) <= kTolerance;
}

}  // namespace

std::unique_ptr<TOrder> TReactionPolicy::FindFood(int32_t unitId, TActionResolver* resolver, TWorld* world,
                                                  TSightResolver* sight, float reach) {
  if (resolver == nullptr || world == nullptr || sight == nullptr) return nullptr;
  const Combatant* unit = FindUnit(*world, unitId);
  if (unit == nullptr || !unit->GetType().IsQueenType()) return nullptr;
  const TCorpseList& corpses = world->GetCorpses();
  bool found = false;
  float nearest = 0.0f;
  for (int32_t i = 0; i < corpses.Count(); ++i) {
    const auto* corpse = dynamic_cast<const Corpse*>(corpses.GetAt(i));
    if (corpse == nullptr || !(corpse->GetFoodValue() > kTolerance)) continue;
    if (!corpse->TestFlag(unit->GetOwner()) || !sight->IsLineClear(*unit, *corpse)) continue;
    const float d = DistanceBetween(*corpse, *unit);
    if (unit->GetRadius() + corpse->GetRadius() + reach < d) continue;
    if (!found || d < nearest) {
      found = true;
      nearest = d;
    }
  }
  // The order picks its corpse itself when it starts.
  if (!found) return nullptr;
  return std::make_unique<TEatOrder>(unitId, *resolver, reach);
}

std::unique_ptr<TOrder> HoldFire::Act(int32_t unitId, TActionResolver* resolver, TWorld* world,
                                      TSightResolver* sight) const {
  return FindFood(unitId, resolver, world, sight, kFoodReach);
}

std::unique_ptr<TOrder> FireAtWill::Act(int32_t unitId, TActionResolver* resolver, TWorld* world,
                                        TSightResolver* sight) const {
  if (resolver == nullptr || world == nullptr || sight == nullptr) return nullptr;
  Combatant* unit = FindUnit(*world, unitId);
  if (unit == nullptr) return nullptr;
  // Their strikes are aimed by the player alone.
  const TUnitType& type = unit->GetType();
  if (type.IsPsykerType() || type.IsWarpGunnerType()) return nullptr;

  TGameObject* target = FindTarget(*unit, world->GetUnits(), *sight);
  if (target == nullptr) target = FindTarget(*unit, world->GetAmmoDumps(), *sight);
  if (target == nullptr) target = FindTarget(*unit, world->GetEggs(), *sight);
  if (target != nullptr) {
    if (const TWeapon* weapon = unit->GetWeapon()) {
      const int32_t targetId = target->GetId();
      if (weapon->GetRange() > kTolerance) {
        return std::make_unique<TContinuousAttackOrder>(unitId, *resolver, targetId, *world);
      }
      if (std::fabs(weapon->GetRange()) <= kTolerance && weapon->GetDamage() > kTolerance) {
        return std::make_unique<TOpportunityPursueOrder>(unitId, *resolver, targetId, *world);
      }
      if (type.IsSplatterType()) return std::make_unique<TSuicideAttackOrder>(unitId, *resolver, targetId, world);
    }
  }
  return FindFood(unitId, resolver, world, sight, unit->GetType().GetReactionRange());
}

TGameObject* FireAtWill::FindTarget(const Combatant& unit, const TObjectList& list, TSightResolver& sight) {
  const int32_t owner = unit.GetOwner();
  TGameObject* best = nullptr;
  float bestDistance = 0.0f;
  for (int32_t i = 0; i < list.Count(); ++i) {
    TGameObject* object = list.GetAt(i);
    if (object == nullptr) continue;
    const std::optional<int32_t> side = OwnerOf(*object);
    if (!side || *side == owner || !object->TestFlag(owner)) continue;
    const float d = DistanceBetween(*object, unit);
    if (best != nullptr && !(d < bestDistance)) continue;
    if (!CanAttack(unit, *object, sight)) continue;
    if (!unit.CanSee(*object, sight.VisibilityFactor(*object))) continue;
    best = object;
    bestDistance = d;
  }
  return best;
}

bool FireAtWill::CanAttack(const Combatant& unit, TGameObject& object, TSightResolver& sight) {
  if (unit.GetType().IsGuardianType() &&
      unit.GetRadius() + unit.GetWeaponRange() < DistanceBetween(unit, object)) {
    return false;
  }
  return sight.IsPathClear(unit, object);
}

std::unique_ptr<TOrder> Pursue::Act(int32_t unitId, TActionResolver* resolver, TWorld* world,
                                    TSightResolver* sight) const {
  if (resolver == nullptr || world == nullptr || sight == nullptr) return nullptr;
  const Combatant* unit = FindUnit(*world, unitId);
  if (unit == nullptr) return nullptr;
  const int32_t owner = unit->GetOwner();
  const TCombatantList& units = world->GetUnits();
  const Combatant* nearest = nullptr;
  float nearestDistance = 0.0f;
  for (int32_t i = 0; i < units.Count(); ++i) {
    const Combatant* other = units.UnitAt(i);
    if (other == nullptr || other->GetOwner() == owner || !other->TestFlag(owner)) continue;
    const float d = DistanceBetween(*other, *unit);
    if (nearest == nullptr || d < nearestDistance) {
      nearest = other;
      nearestDistance = d;
    }
  }
  if (nearest == nullptr) return nullptr;
  return std::make_unique<TPursueOrder>(unitId, *resolver, nearest->GetId(), *world);
}

std::unique_ptr<TOrder> Retreat::Act(int32_t unitId, TActionResolver* resolver, TWorld* world,
                                     TSightResolver* sight) const {
  if (resolver == nullptr || world == nullptr || sight == nullptr) return nullptr;
  const Combatant* unit = FindUnit(*world, unitId);
  if (unit == nullptr) return nullptr;
  const int32_t owner = unit->GetOwner();
  const TVector3 here = unit->Position();
  TVector3 best = here;
  float score = Safety(owner, here, *world, *sight);
  for (const TVector3& point : here.Neighbours()) {
    const float s = Safety(owner, point, *world, *sight);
    if (s > score) {
      best = point;
      score = s;
    }
  }
  if (SamePoint(best, here)) return nullptr;
  return std::make_unique<TMovementOrder>(unitId, *resolver, best, true);
}

float Retreat::Safety(int32_t owner, const TVector3& point, TWorld& world, TSightResolver& sight) {
  TCompoundVolume empty;
  if (!world.GetMap().IsPlaceFree(point, empty)) return 0.0f;
  float value = kMaxSafety;
  const TCombatantList& units = world.GetUnits();
  for (int32_t i = 0; i < units.Count(); ++i) {
    const Combatant* enemy = units.UnitAt(i);
    if (enemy == nullptr || enemy->GetOwner() == owner || !enemy->TestFlag(owner)) continue;
    const float d = enemy->Position().DistanceTo(point);
    if (d < value && sight.IsLineClearToPoint(*enemy, point)) value = d;
  }
  return value;
}
