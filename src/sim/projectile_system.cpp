#include "sim/projectile_system.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "sim/damage_event.h"
#include "sim/event_list.h"
#include "sim/projectile.h"
#include "sim/projectile_events.h"
#include "sim/shield.h"
#include "world/bounding_box.h"
#include "world/terrain_object.h"
#include "world/world.h"

namespace {

bool gPassRunning = false;

// Surface name of a bounce off the ground or off an object without one.
const std::string kNormalSurface = "normal";

// The shot placed where its path is at the time, without anything else of
// its update (no path re-aim, no range check).
void PlaceAt(Projectile& shot, float time) {
  TVector3 where;
  shot.PositionAt(where, time);
  shot.SetPosition(where);
}

bool IsGroundTile(const TGameObject& object) {
  return object.TypeName() == TTerrainObject::kTypeName && static_cast<const TTerrainObject&>(object).IsGround();
}

// The box the shot sweeps between two points, grown by its size.
TBoundingBox SweptBox(const TVector3& from, const TVector3& to, float radius) {
  const TVector3 low(std::min(from.x, to.x) - radius, std::min(from.y, to.y) - radius,
                     std::min(from.z, to.z) - radius);
  const TVector3 high(std::max(from.x, to.x) + radius, std::max(from.y, to.y) + radius,
                      std::max(from.z, to.z) + radius);
  return TBoundingBox(low, high);
}

// Keeps the projectile-pass flag and the projectiles' quiet flag set for
// the pass, whatever way it is left.
class TPassScope {
 public:
  TPassScope() {
    gPassRunning = true;
    Projectile::SetQuiet(true);
  }
  ~TPassScope() {
    Projectile::SetQuiet(false);
    gPassRunning = false;
  }
  TPassScope(const TPassScope&) = delete;
  TPassScope& operator=(const TPassScope&) = delete;
};

}  // namespace

TProjectileSystem::TProjectileSystem(TWorld& world, TEventList& events) : world_(&world), events_(&events) {}

bool TProjectileSystem::IsRunning() { return gPassRunning; }

void TProjectileSystem::Reset(float t) {
  started_ = true;
  prevTime_ = t;
  lastTime_ = t;
}

void TProjectileSystem::Update(float t) {
  if (!started_) {
    lastTime_ = t;
    prevTime_ = t;
  }
  {
    const TPassScope pass;
    TObjectList& shots = world_->GetProjectiles();
    // Shots made during the pass (none are: fragments come with the new
    // objects of the step) would be flown from their firing time next time.
    const int32_t count = shots.Count();
    for (int32_t i = 0; i < count; ++i) {
      TGameObject* object = shots.GetAt(i);
      if (object == nullptr || object->TypeName() != Projectile::kTypeName) continue;
      auto& shot = static_cast<Projectile&>(*object);
      if (shot.IsDestroyed() || !shot.GetCollisionFlag()) continue;
      Fly(shot, t);
    }
  }
  prevTime_ = lastTime_;
  lastTime_ = t;
  started_ = true;
}

float TProjectileSystem::FlightStart(const Projectile& shot) const {
  const float launch = shot.GetFireTime();
  if (launch > lastTime_) return launch;
  const float own = shot.GetCreationTime();
  // Flown up to the last update already, unless it was fired during the
  // previous tick after that tick's pass.
  if (own <= prevTime_ || own >= lastTime_) return lastTime_;
  return launch;
}

TProjectileSystem::TSubSteps TProjectileSystem::SubStepsOf(float from, float t, float speed) {
  TSubSteps steps;
  // Weapons without speed are refused when the rules load; a shot of one
  // could not move anyway.
  if (!(speed > 0.0f)) return steps;
  steps.step = kSubStepDistance / speed;
  steps.first = static_cast<int64_t>((from + steps.step / 2.0f) / steps.step);
  steps.last = static_cast<int64_t>((t + steps.step / 2.0f) / steps.step);
  return steps;
}

void TProjectileSystem::Fly(Projectile& shot, float t) {
  const float from = FlightStart(shot);
  const TSubSteps steps = SubStepsOf(from, t, shot.GetWeaponSpeed());
  float previous = from;
  for (int64_t k = steps.first + 1; k <= steps.last; ++k) {
    if (shot.IsDestroyed()) break;
    const float now = k == steps.last ? t : static_cast<float>(k) * steps.step;
    if (shot.IsOutOfRange(now)) break;
    shot.Update(now);
    TestHits(shot, previous, now);
    previous = now;
  }
  shot.Update(t);
}

bool TProjectileSystem::MayStrike(const Projectile& shot, const TGameObject& candidate) const {
  if (&candidate == &shot) return false;
  const std::string_view type = candidate.TypeName();
  if (type == Projectile::kTypeName) return false;
  if (type != Shield::kTypeName) return true;
  // A shot fired from inside a shield leaves through it.
  TVector3 origin;
  shot.PositionAt(origin, shot.GetTrajectory().GetStartTime());
  return candidate.GetRadius() < candidate.Position().DistanceTo(origin);
}

bool TProjectileSystem::TestHits(Projectile& shot, float t0, float t1) {
  TVector3 start;
  shot.PositionAt(start, t0);
  const TVector3 end = shot.Position();
  std::vector<TGameObject*> candidates;
  world_->CollectInArea(candidates, SweptBox(start, end, shot.GetRadius()));
  std::stable_sort(candidates.begin(), candidates.end(), [&start](const TGameObject* a, const TGameObject* b) {
    return a->Position().DistanceTo(start) < b->Position().DistanceTo(start);
  });
  for (TGameObject* candidate : candidates) {
    if (shot.IsDestroyed()) break;
    if (!MayStrike(shot, *candidate)) continue;
    if (!shot.GetLofVolume().AnyIntersects(candidate->GetLofVolume())) continue;
    Strike(shot, *candidate, ContactTime(shot, *candidate, t0, t1), t1);
    return shot.IsDestroyed();
  }
  if (shot.Position().z < shot.GetRadius() && !shot.IsDestroyed()) {
    RecordBounce(shot, t1, t1, TVector3(0.0f, 0.0f, 1.0f), kNormalSurface);
  }
  return shot.IsDestroyed();
}

float TProjectileSystem::ContactTime(Projectile& shot, TGameObject& candidate, float t0, float t1) const {
  float clear = t0;
  float touching = t1;
  for (int i = 0; i < kMaxHalvings && touching - clear >= kContactPrecision; ++i) {
    const float middle = (clear + touching) / 2.0f;
    PlaceAt(shot, middle);
    if (shot.GetLofVolume().AnyIntersects(candidate.GetLofVolume())) {
      touching = middle;
    } else {
      clear = middle;
    }
  }
  return touching;
}

void TProjectileSystem::Strike(Projectile& shot, TGameObject& candidate, float contact, float t1) {
  if (!candidate.IsDestroyed() && shot.HitDamage() > 0.0f) {
    Record(std::make_unique<TDamageEvent>(std::max(contact, lastTime_), candidate, *world_, shot.RollDamage()));
  }
  TVector3 normal(0.0f, 0.0f, 1.0f);
  if (!IsGroundTile(candidate)) {
    // The contact found last by the search may be a miss: touch again at the
    // contact so the surface is taken from there.
    PlaceAt(shot, contact);
    shot.GetLofVolume().AnyIntersects(candidate.GetLofVolume());
    shot.GetLofVolume().HitNormal(candidate.GetLofVolume(), normal);
  }
  RecordBounce(shot, contact, t1, normal, candidate.ActionName());
}

void TProjectileSystem::RecordBounce(Projectile& shot, float contact, float t1, const TVector3& normal,
                                     const std::string& name) {
  PlaceAt(shot, contact);
  Record(std::make_unique<TBounceEvent>(contact, shot, &world_->GetProjectiles(), normal, name));
  PlaceAt(shot, t1);
}

void TProjectileSystem::Record(std::unique_ptr<TEvent> event) { events_->Add(std::move(event)); }
