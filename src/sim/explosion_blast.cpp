// The spreading of a blast: rays from the centre, the objects each ray meets
// in order, and the one hit per object that the blast front will deal.
#include <algorithm>
#include <cmath>
#include <utility>

#include "sim/corpse.h"
#include "sim/explosion.h"
#include "sim/goo.h"
#include "sim/shield.h"
#include "units/combatant_list.h"
#include "units/sight_resolver.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/map.h"
#include "world/terrain_object.h"
#include "world/volume.h"
#include "world/world.h"

namespace {

constexpr float kTolerance = 0.0001f;
// The blast front's speed in units per time unit.
constexpr float kFrontSpeed = 10.0f;
// No hit falls due before this long after the detonation.
constexpr float kFirstHitDelay = 0.05f;
// The fixed rays run over a lattice of directions with this step per axis.
constexpr float kRayStep = 0.25f;
constexpr int32_t kRayStepsPerAxis = 9;

TVector3 Towards(const TVector3& from, const TVector3& to) {
  return TVector3(to.x - from.x, to.y - from.y, to.z - from.z);
}

// The aim points of the list's objects within the reach, in list order.
void CollectAimed(const TObjectList& list, const TVector3& centre, float reach, std::vector<TGameObject*>& out) {
  list.CollectWithinRadius(out, centre, reach);
}

// The direction towards the object's aim point; false when the aim point is
// the centre itself.
bool AimDirection(const TGameObject& object, const TVector3& centre, TVector3& out) {
  TVector3 aim;
  object.GetAimPoint(aim);
  out = Towards(centre, aim);
  return out.Length() > 0.0f;
}

}  // namespace

// --- Explosion: spreading --------------------------------------------------------

struct Explosion::TBlastContext {
  const TShieldList* shields = nullptr;
  // Whether some shield covers the centre: only then can objects be shielded.
  bool centreCovered = false;
};

void Explosion::Spread(TWorld& world) {
  if (spread_) return;
  spread_ = true;
  // A blast without reach would divide by its radius: it hits nothing.
  if (!(radius_ > 0.0f)) return;

  const TVector3 centre = Position();
  TBlastContext blast;
  blast.shields = &world.GetShields();
  blast.centreCovered = blast.shields->AnyCovers(centre);

  // The objects a ray meets, nearest the centre first. Every ray stays
  // within the reach, so the movers there are gathered once.
  TSightResolver sight(world, nullptr);
  std::vector<TGameObject*> movers;
  sight.GatherMovers(TVector3(centre.x - radius_, centre.y - radius_, centre.z - radius_),
                     TVector3(centre.x + radius_, centre.y + radius_, centre.z + radius_), movers);
  std::vector<TGameObject*> met;
  const auto cast = [&](const TVector3& direction) {
    TVector3 unit = direction;
    unit.Normalise();
    const TVector3 end(centre.x + unit.x * radius_, centre.y + unit.y * radius_, centre.z + unit.z * radius_);
    sight.CollectAlongSegment(centre, end, met, &movers);
  };
  for (int32_t ix = 0; ix < kRayStepsPerAxis; ++ix) {
    for (int32_t iy = 0; iy < kRayStepsPerAxis; ++iy) {
      for (int32_t iz = 0; iz < kRayStepsPerAxis; ++iz) {
        const TVector3 direction(-1.0f + kRayStep * static_cast<float>(ix), -1.0f + kRayStep * static_cast<float>(iy),
                                 -1.0f + kRayStep * static_cast<float>(iz));
        if (direction.x == 0.0f && direction.y == 0.0f && direction.z == 0.0f) continue;
        cast(direction);
        ProcessRay(blast, met);
      }
    }
  }

  // The lattice of rays can pass between small objects: each one within
  // reach also gets a ray of its own.
  std::vector<TGameObject*> aimed;
  for (const TObjectList* list : {static_cast<const TObjectList*>(&world.GetUnits()),
                                  static_cast<const TObjectList*>(&world.GetAmmoDumps()),
                                  static_cast<const TObjectList*>(&world.GetEggs()),
                                  static_cast<const TObjectList*>(&world.GetShields())}) {
    CollectAimed(*list, centre, radius_, aimed);
  }
  TVector3 direction;
  for (const TGameObject* object : aimed) {
    if (!AimDirection(*object, centre, direction)) continue;
    cast(direction);
    ProcessRay(blast, met);
  }

  // Corpses and goo do not stand in a ray's way; each is hit by its own ray.
  aimed.clear();
  CollectAimed(world.GetCorpses(), centre, radius_, aimed);
  CollectAimed(world.GetGoo(), centre, radius_, aimed);
  for (const TGameObject* target : aimed) {
    if (!AimDirection(*target, centre, direction)) continue;
    cast(direction);
    ProcessTargetRay(blast, met, *target);
  }
}

void Explosion::ProcessRay(const TBlastContext& blast, const std::vector<TGameObject*>& objects) {
  float strength = damage_;
  for (const TGameObject* object : objects) {
    const float distance = Position().DistanceTo(object->Position());
    if (distance > radius_ || IsShielded(blast, *object)) return;
    // The shield the blast goes off under neither takes a hit nor weakens it.
    if (IsPassedShield(*object)) continue;

    const float amount = HitAmount(distance, strength);
    const bool isTile = object->TypeName() == TTerrainObject::kTypeName;
    if (!isTile || static_cast<const TTerrainObject*>(object)->CanBeDestroyed(amount)) {
      ScheduleHit(object->GetId(), amount, HitTime(distance), object->TypeName() == Shield::kTypeName);
    }
    strength -= object->GetStrength();
    if (strength <= 0.0f) return;
  }
}

void Explosion::ProcessTargetRay(const TBlastContext& blast, const std::vector<TGameObject*>& objects,
                                 const TGameObject& target) {
  const float targetDistance = Position().DistanceTo(target.Position());
  if (targetDistance > radius_) return;
  float strength = damage_;
  for (const TGameObject* object : objects) {
    const float distance = Position().DistanceTo(object->Position());
    if (distance > radius_) return;
    // What lies before the target only weakens the blast.
    if (distance <= targetDistance) {
      strength -= object->GetStrength();
      if (strength <= 0.0f) return;
      continue;
    }
    if (IsShielded(blast, *object)) return;
    if (IsPassedShield(*object)) continue;
    ScheduleHit(target.GetId(), HitAmount(targetDistance, strength), HitTime(targetDistance), false);
    return;
  }
}

bool Explosion::IsShielded(const TBlastContext& blast, const TGameObject& object) const {
  if (!blast.centreCovered || object.TypeName() == Shield::kTypeName) return false;
  return !blast.shields->FirstCoverAlsoCovers(Position(), object.Position());
}

bool Explosion::IsPassedShield(const TGameObject& object) const {
  return object.TypeName() == Shield::kTypeName && static_cast<const Shield&>(object).Covers(Position());
}

float Explosion::HitTime(float distance) const {
  const float travelled = warp_ ? radius_ - distance : distance;
  return startTime_ + travelled / kFrontSpeed;
}

float Explosion::HitAmount(float distance, float strength) const {
  const float amount = (radius_ - distance) * strength / radius_;
  // The fall-off from centre to edge never turns into more than the ray's
  // strength or into healing, whatever the distance.
  if (!(amount > 0.0f)) return 0.0f;
  return std::min(amount, std::max(strength, 0.0f));
}

void Explosion::ScheduleHit(int32_t targetId, float amount, float time, bool onShield) {
  const float earliest = startTime_ + kFirstHitDelay;
  float due = time < earliest - kTolerance ? earliest : time;
  // A shield is struck by the blast at once, wherever the front stands.
  if (onShield) due = earliest;
  auto found = std::find_if(hits_.begin(), hits_.end(),
                            [targetId](const TExplosionHit& hit) { return hit.targetId == targetId; });
  if (found == hits_.end()) {
    hits_.push_back(TExplosionHit{targetId, amount, due});
    return;
  }
  if (found->amount < amount) {
    found->amount = amount;
    found->time = due;
  }
}
