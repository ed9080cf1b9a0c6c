#include "units/weapon.h"

#include <cmath>
#include <limits>

#include "units/shot_makers.h"
#include "world/bounding_box.h"
#include "world/object_list.h"
#include "world/volume.h"
#include "world/world_effects.h"

namespace {

// The muzzle stands this far beyond the firer's volume.
constexpr float kMuzzleGap = 0.11f;
constexpr float kGravity = 4.9f;
// The ballistic search: the first angle only sets the miss to beat, then
// this many steps of this size go up (high arc) or down.
constexpr float kFirstAngle = 0.785f;
constexpr float kAngleStep = 0.05f;
constexpr int kAngleSteps = 40;
constexpr float kPointVolumeRadius = 0.01f;

TVector3 Normalised(TVector3 v) {
  if (v.Length() > 0.0f) {
    v.Normalise();
  }
  return v;
}

TVector3 Difference(const TVector3& a, const TVector3& b) { return TVector3(a.x - b.x, a.y - b.y, a.z - b.z); }

// How far along its range a placed shot lands, 0 at the firer and 1 at the
// range. A weapon without range, or a target beyond it, must not turn the
// shot into more than full or less than a quarter strength.
float RangeFalloff(float distance, float range) {
  if (range <= 0.0001f) {
    return 1.0f;
  }
  const float k = 1.0f - distance / range;
  // Written so that a factor that is no number falls to the quarter too.
  if (!(k > 0.0f)) {
    return 0.0f;
  }
  return k > 1.0f ? 1.0f : k;
}

}  // namespace

TWeapon::TWeapon(const TWeaponType& type)
    : type_(&type), ammunition_(static_cast<float>(type.GetAmmunition())) {}

TWeapon::~TWeapon() = default;

// ---------------------------------------------------------------------------
// Ammunition

int32_t TWeapon::GetAmmunition() const { return static_cast<int32_t>(ammunition_ + 0.5f); }

void TWeapon::ReloadOne() {
  ammunition_ += 1.0f;
  const float maximum = static_cast<float>(GetMaxAmmunition());
  if (ammunition_ > maximum) {
    ammunition_ = maximum;
  }
}

void TWeapon::AddAmmunition(int32_t n) {
  ammunition_ += static_cast<float>(n);
  const float maximum = static_cast<float>(GetMaxAmmunition());
  if (ammunition_ < 0.0f) {
    ammunition_ = 0.0f;
  }
  if (ammunition_ > maximum) {
    ammunition_ = maximum;
  }
}

float TWeapon::SpendAmmunition(float amount) {
  const float uncovered = amount - ammunition_;
  ammunition_ -= amount;
  if (ammunition_ < 0.0f) {
    ammunition_ = 0.0f;
  }
  return uncovered;
}

void TWeapon::SetAmmunition(float value) {
  const float maximum = static_cast<float>(GetMaxAmmunition());
  ammunition_ = value < 0.0f ? 0.0f : value;
  if (ammunition_ > maximum) {
    ammunition_ = maximum < 0.0f ? 0.0f : maximum;
  }
}

float TWeapon::AmmunitionFraction() const {
  const int32_t maximum = GetMaxAmmunition();
  if (maximum <= 0) {
    return 0.0f;
  }
  return ammunition_ / static_cast<float>(maximum);
}

bool TWeapon::IsFull() const {
  return std::fabs(ammunition_ - static_cast<float>(GetMaxAmmunition())) < 0.001f;
}

bool TWeapon::IsCloseCombatOnly() const {
  const float range = type_->GetRange();
  return range > -0.0001f && range < 0.0001f && type_->GetDamage() > 0.0001f;
}

bool TWeapon::CanFire(bool ignorePerShot) const {
  if (IsCloseCombatOnly()) {
    return true;
  }
  if (GetMaxAmmunition() == 0) {
    return false;
  }
  if (ignorePerShot) {
    return true;
  }
  return HoldsAShot();
}

float TWeapon::DamageAt(float distance) const {
  const float damage = type_->GetDamage();
  if (type_->GetName() != "Warp Gunner") {
    return damage;
  }
  return damage * 0.75f * RangeFalloff(distance, type_->GetRange()) + damage * 0.25f;
}

// ---------------------------------------------------------------------------
// Shot geometry

TVector3 TWeapon::Direction(const TVector3& from, const TVector3& to) {
  return Normalised(TVector3(to.x - from.x, to.y - from.y, 0.0f));
}

TVector3 TWeapon::LaunchPoint(const TVector3& from, const TVector3& direction, float radius) const {
  TVector3 d = Normalised(TVector3(direction.x, direction.y, 0.0f));
  d.Scale(radius + kMuzzleGap);
  return TVector3(from.x + d.x, from.y + d.y, type_->GetFiringHeight());
}

TVector3 TWeapon::PositionAt(const TVector3& start, const TVector3& direction, float time) const {
  TVector3 travel = Normalised(direction);
  travel.Scale(time * type_->GetSpeed());
  TVector3 position(start.x + travel.x, start.y + travel.y, start.z + travel.z);
  position.z -= time * time * kGravity * 0.5f;
  return position;
}

float TWeapon::HorizontalSpeed(const TVector3& direction) const {
  TVector3 flat = Normalised(direction);
  flat.z = 0.0f;
  return flat.Length() * type_->GetSpeed();
}

TVector3 TWeapon::Elevate(const TVector3& direction, float angle) {
  // Rodrigues' rotation about the horizontal axis across the direction.
  const TVector3 axis = Normalised(TVector3(direction.y, -direction.x, 0.0f));
  if (axis.Length() <= 0.0f) {
    return direction;
  }
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  const TVector3& v = direction;
  const TVector3 cross(axis.y * v.z - axis.z * v.y, axis.z * v.x - axis.x * v.z, axis.x * v.y - axis.y * v.x);
  const float dot = axis.x * v.x + axis.y * v.y + axis.z * v.z;
  const float along = dot * (1.0f - c);
  return TVector3(v.x * c + cross.x * s + axis.x * along, v.y * c + cross.y * s + axis.y * along,
                  v.z * c + cross.z * s + axis.z * along);
}

void TWeapon::Aim(TVector3& out, const TVector3& from, const TVector3& to, float radius, bool high) const {
  const TVector3 heading = Direction(from, to);
  const TVector3 muzzle = LaunchPoint(from, heading, radius);
  TVector3 best = Normalised(Difference(to, muzzle));
  if (!IsAffectedByGravity()) {
    out = best;
    return;
  }
  const float distance = Difference(muzzle, to).Length();
  // The miss of a lobbed shot at the angle; a shot that never covers the
  // distance (no horizontal speed) misses by everything.
  auto missAt = [&](float angle, TVector3& direction) {
    direction = Elevate(heading, angle);
    const TVector3 launch = LaunchPoint(from, direction, radius);
    const float speed = HorizontalSpeed(direction);
    if (speed <= 0.0f) {
      return std::numeric_limits<float>::infinity();
    }
    const float time = distance / speed;
    return Difference(PositionAt(launch, direction, time), to).Length();
  };
  float angle = kFirstAngle;
  TVector3 direction;
  float bestMiss = missAt(angle, direction);
  for (int step = 0; step < kAngleSteps; ++step) {
    angle += high ? kAngleStep : -kAngleStep;
    const float miss = missAt(angle, direction);
    if (miss < bestMiss) {
      bestMiss = miss;
      best = direction;
    }
  }
  out = best;
}

// ---------------------------------------------------------------------------
// Firing

bool TWeapon::IsMuzzleBlocked(const TVector3& launch, const TVector3& direction, float t,
                              TObjectList& mapObjects) const {
  std::unique_ptr<TGameObject> trial = MakeProjectile(*type_, launch, direction, t);
  if (!trial) {
    return false;
  }
  const float r = trial->GetRadius();
  const TVector3& p = trial->Position();
  const TBoundingBox box(TVector3(p.x - r, p.y - r, p.z - r), TVector3(p.x + r, p.y + r, p.z + r));
  std::vector<TGameObject*> nearby;
  mapObjects.CollectInArea(nearby, box);
  for (TGameObject* object : nearby) {
    if (object != nullptr && trial->GetLofVolume().AnyIntersects(object->GetLofVolume())) {
      return true;
    }
  }
  return false;
}

void TWeapon::Fire(const TVector3& from, const TVector3& direction, float t, float radius,
                   TObjectList* mapObjects) {
  if (GetAmmunition() == 0) {
    return;
  }
  const TVector3 launch = LaunchPoint(from, direction, radius);
  if (type_->GetName() == "Grenadier" && mapObjects != nullptr &&
      IsMuzzleBlocked(launch, direction, t, *mapObjects)) {
    // The grenade goes off in the firer's hands.
    const TVector3 centre(from.x, from.y, type_->GetFiringHeight());
    std::unique_ptr<TGameObject> blast =
        MakeExplosion(centre, type_->GetDamage(), type_->GetExplosiveRadius(), t, 0);
    if (blast) {
      shots_.push_back(std::move(blast));
    }
    return;
  }
  std::unique_ptr<TGameObject> projectile = MakeProjectile(*type_, launch, direction, t);
  if (projectile) {
    shots_.push_back(std::move(projectile));
  }
}

void TWeapon::FireAt(const TVector3& target, const TVector3& from, float t) {
  if (GetAmmunition() == 0) {
    return;
  }
  const float k = RangeFalloff(Difference(target, from).Length(), type_->GetRange());
  const float damage = type_->GetDamage();
  const float radius = type_->GetExplosiveRadius();
  std::unique_ptr<TGameObject> blast =
      MakeExplosion(target, damage * 0.25f + k * damage * 0.75f, radius * 0.25f + k * radius * 0.75f, t, 1);
  if (blast) {
    shots_.push_back(std::move(blast));
  }
}

void TWeapon::FireAlong(const TVector3& from, float t, float radius, const std::vector<TVector3>& path,
                        const std::vector<float>& times) {
  if (path.empty()) {
    return;
  }
  const TVector3 launch = LaunchPoint(from, path.front(), radius);
  std::unique_ptr<TGameObject> projectile = MakePathProjectile(*type_, launch, t, path, times);
  if (projectile) {
    shots_.push_back(std::move(projectile));
  }
}

void TWeapon::ReleaseShots(TNewObjects& out, float t, TObjectList* ownerList, const TBitSet* flags) {
  std::vector<std::unique_ptr<TGameObject>> kept;
  for (std::unique_ptr<TGameObject>& shot : shots_) {
    if (shot->GetCreationTime() > t) {
      kept.push_back(std::move(shot));
      continue;
    }
    if (shot->IsDestroyed()) {
      continue;
    }
    shot->Update(t);
    if (ownerList != nullptr) {
      AdoptShot(*shot, *ownerList);
    }
    if (flags != nullptr) {
      shot->AssignFlags(*flags);
    }
    out.push_back(std::move(shot));
  }
  shots_ = std::move(kept);
}

void TWeapon::MakePointVolume(TCompoundVolume& out, const TVector3& point) {
  out.Add(std::make_unique<TSphereVolume>(nullptr, point, kPointVolumeRadius));
}
