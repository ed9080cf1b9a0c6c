// Shooting: aimed shots, the warp gunner's volley, psychic strikes and
// close-combat blows. Every aimed direction is turned aside by the firer's
// spread, so two identical shots rarely land on the same spot.
#include <cmath>
#include <limits>

#include "app/random.h"
#include "sim/action_resolver.h"
#include "sim/damage_event.h"
#include "sim/unit_events.h"
#include "sim/world_events.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/reaction_manager.h"
#include "units/sight_resolver.h"
#include "units/unit_type.h"
#include "units/weapon.h"
#include "world/map.h"
#include "world/world.h"

namespace {

constexpr float kFullTurn = 6.28318f;

TVector3 Cross(const TVector3& a, const TVector3& b) {
  return TVector3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

// The coordinate axis along which the direction has the smallest share;
// the earlier axis on a tie.
TVector3 LeastAxis(const TVector3& d) {
  const float ax = std::fabs(d.x);
  const float ay = std::fabs(d.y);
  const float az = std::fabs(d.z);
  if (ax <= ay && ax <= az) return TVector3(1.0f, 0.0f, 0.0f);
  if (ay <= az) return TVector3(0.0f, 1.0f, 0.0f);
  return TVector3(0.0f, 0.0f, 1.0f);
}

TVector3 UnitVectorBetween(const TVector3& from, const TVector3& to) {
  TVector3 d(to.x - from.x, to.y - from.y, to.z - from.z);
  d.Normalise();
  return d;
}

}  // namespace

void TActionResolver::DeviateDirection(TVector3& direction, float spread) {
  TVector3 u = Cross(direction, LeastAxis(direction));
  u.Normalise();
  TVector3 v = Cross(u, direction);
  v.Normalise();
  TRandom& random = *GetRandom();
  // The first draw lies in [0, 1); its complement lies in (0, 1], where the
  // logarithm is always finite.
  const float r1 = 1.0f - random.Float(1.0f);
  const float r2 = random.Float(1.0f);
  const float size = spread * std::sqrt(-std::log(r1) / std::log(2.0f));
  const float angle = r2 * kFullTurn;
  direction.x += size * (std::cos(angle) * u.x + std::sin(angle) * v.x);
  direction.y += size * (std::cos(angle) * u.y + std::sin(angle) * v.y);
  direction.z += size * (std::cos(angle) * u.z + std::sin(angle) * v.z);
  direction.Normalise();
}

TVector3 TActionResolver::AimedDirection(Combatant& unit, const TVector3& target) const {
  const TWeapon& weapon = *unit.GetWeapon();
  bool high = false;
  if (weapon.IsAffectedByGravity()) {
    // The low arc when it is clear, else the high one when that is clear.
    TSightResolver sight(*world_, nullptr);
    high = !sight.IsShotPathClear(unit, target, false) && sight.IsShotPathClear(unit, target, true);
  }
  TVector3 direction;
  weapon.Aim(direction, unit.Position(), target, unit.GetRadius(), high);
  direction.Normalise();
  DeviateDirection(direction, unit.GetAccuracy());
  return direction;
}

void TActionResolver::RecordShot(Combatant& unit, float t) {
  Record(std::make_unique<TAnimationEvent>(t, unit, *world_, std::string("Fire")));
  Record(std::make_unique<TAmmoEvent>(t, unit, *world_, -unit.GetWeapon()->GetAmmoPerShot()));
}

bool TActionResolver::HasShotReady(const Combatant& unit) const { return unit.HasRoundsForAShot(); }

void TActionResolver::FireWeapon(Combatant& unit, const TVector3& target, float t) {
  if (unit.GetWeapon() == nullptr) return;
  if (unit.GetType().IsWarpGunnerType()) {
    unit.FireAt(target, t);
  } else {
    unit.Fire(AimedDirection(unit, target), t, &world_->GetMap());
  }
  RecordShot(unit, t);
}

void TActionResolver::FireWarpAttack(Combatant& unit, const TVector3& target, const std::vector<TVector3>& further,
                                     float t, float routeStart) {
  const TWeapon* weapon = unit.GetWeapon();
  if (weapon == nullptr) return;
  std::vector<TVector3> directions;
  directions.reserve(further.size() + 1);
  directions.push_back(AimedDirection(unit, target));
  std::vector<TVector3> points;
  points.reserve(further.size() + 2);
  points.push_back(weapon->LaunchPoint(unit.Position(), directions.front(), unit.GetRadius()));
  points.push_back(target);
  for (const TVector3& point : further) {
    TVector3 direction = UnitVectorBetween(points.back(), point);
    DeviateDirection(direction, unit.GetAccuracy());
    directions.push_back(direction);
    points.push_back(point);
  }
  // A weapon that does not fly reaches every point at once.
  const float speed = weapon->GetSpeed();
  std::vector<float> arrivals;
  arrivals.reserve(directions.size());
  float travelled = 0.0f;
  for (std::size_t k = 1; k < points.size(); ++k) {
    travelled += points[k].DistanceTo(points[k - 1]);
    arrivals.push_back(speed > 0.0f ? routeStart + travelled / speed : routeStart);
  }
  unit.FireWarpVolley(routeStart, directions, arrivals);
  RecordShot(unit, t);
}

Combatant* TActionResolver::PickPsychicVictim(Combatant& unit, const TVector3& point, bool& struck) const {
  struck = false;
  Combatant* victim = nullptr;
  float nearest = std::numeric_limits<float>::max();
  const TCombatantList& units = world_->GetUnits();
  for (int32_t i = 0; i < units.Count(); ++i) {
    TGameObject* object = units.At(i);
    if (object == nullptr || object->TypeName() != Combatant::kTypeName) continue;
    auto* candidate = static_cast<Combatant*>(object);
    if (candidate->GetOwner() == unit.GetOwner()) continue;
    const float distance = candidate->Position().DistanceTo(point);
    if (distance < nearest) {
      nearest = distance;
      victim = candidate;
    }
  }
  if (victim == nullptr) return nullptr;
  const float chance = 100.0f - 20.0f * nearest;
  struck = GetRandom()->Float(100.0f) <= chance;
  return victim;
}

void TActionResolver::FirePsychic(Combatant& unit, const TVector3& point, float t) {
  if (!HasShotReady(unit)) return;
  bool struck = false;
  Combatant* victim = PickPsychicVictim(unit, point, struck);
  if (victim != nullptr && struck) {
    victim->SetPsychicAttack(true);
    const float share = 1.0f - victim->GetType().GetPsychicResistance();
    const float base = unit.GetWeapon()->GetDamage() * share;
    const float damage = GetRandom()->FloatRange(0.5f * base, 1.5f * base);
    Record(std::make_unique<TPsychicDamageEvent>(t, *victim, *world_, damage));
  }
  RecordShot(unit, t);
}

void TActionResolver::FirePsychicAttack(Combatant& unit, const TVector3& point, float t) {
  if (!HasShotReady(unit)) return;
  bool struck = false;
  Combatant* victim = PickPsychicVictim(unit, point, struck);
  if (victim != nullptr && struck) {
    victim->SetPsychicAttack(true);
    StopActions(*victim, t);
    if (reactions_ != nullptr) reactions_->CancelUnitOrders(victim->GetId());
  }
  RecordShot(unit, t);
}

void TActionResolver::CloseCombatHit(Combatant& attacker, TGameObject& target, float t) {
  const TWeapon* weapon = attacker.GetWeapon();
  const float damage = weapon == nullptr ? 0.0f : weapon->GetDamage();
  const float amount = GetRandom()->FloatRange(0.5f * damage, 1.5f * damage);
  Record(std::make_unique<TDamageEvent>(t, target, *world_, amount));
}

void TActionResolver::KillUnit(Combatant& unit, float t) {
  Record(std::make_unique<TDamageEvent>(t, unit, *world_, unit.GetEndurance() + 1000.0f));
}
