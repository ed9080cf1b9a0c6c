// What a projectile does in flight and when it goes off: following its path,
// running out of range, bouncing off what it meets, and the blast, goo blast,
// fragments and sparks it leaves behind.
#include <algorithm>
#include <memory>
#include <string>

#include "app/random.h"
#include "display/effect_visuals.h"
#include "sim/explosion.h"
#include "sim/goo.h"
#include "sim/projectile.h"
#include "sim/world_effect.h"
#include "units/weapon.h"
#include "world/bounding_box.h"

namespace {

constexpr float kSoundStartWindow = 0.1f;
constexpr std::string_view kGrenadier = "Grenadier";
constexpr std::string_view kGooSpitter = "Goo Spitter";
constexpr std::string_view kMissileTank = "Missile Tank";
constexpr std::string_view kWarpGunner = "Warp Gunner";
constexpr std::string_view kShrapnel = "Shrapnel";
constexpr std::string_view kForceField = "forceField";
// Fragments fly off to either side of the shot's course by up to this angle.
constexpr float kFragmentSpread = 1.5f;
// A warp blast keeps this share of its strength whatever the distance flown.
constexpr float kWarpBase = 0.25f;
// Trails: puffs every this much time, this many, spaced back along the path.
constexpr float kTrailInterval = 0.05f;
constexpr int kTrailPuffs = 5;
constexpr float kTrailLag = 0.02f;
constexpr float kTrailSpacing = 0.01f;

TVector3 Difference(const TVector3& a, const TVector3& b) { return TVector3(a.x - b.x, a.y - b.y, a.z - b.z); }

// How much of its range a warp bolt has left, within [0, 1] whatever the
// weapon's numbers (a factor that is no number counts as none left).
float RangeLeft(float flown, float range) {
  if (!(range > 0.0f)) return 0.0f;
  const float left = 1.0f - flown / range;
  if (!(left > 0.0f)) return 0.0f;
  return left > 1.0f ? 1.0f : left;
}

TVector3 TurnedAboutZ(const TVector3& direction, float angle) {
  TMatrix3 turn;
  turn.RotationZ(angle);
  return turn.Transform(direction);
}

}  // namespace

void Projectile::Update(float time) {
  FollowPath(time);
  TMobileObject::Update(time);
  if (IsOutOfRange(time)) Detonate();
  RefreshEffectVisual(visual_.get());
  if (IsQuiet()) return;
  // A projectile restored later in its turn stays silent.
  if (!soundStarted_) {
    soundStarted_ = true;
    if (time <= fireTime_ + kSoundStartWindow) sound_.StartAt(fireTime_);
  }
  sound_.Update(time);
}

void Projectile::FollowPath(float time) {
  const std::size_t count = pathPoints_.size();
  while (pathIndex_ < count && time >= pathTimes_[pathIndex_]) {
    const std::size_t index = pathIndex_;
    if (index + 1 < count) {
      const float pointTime = pathTimes_[index];
      const TVector3 from = GetTrajectory().PositionAt(pointTime);
      TVector3 towards = Difference(pathPoints_[index + 1], from);
      // Two points in one place give no new course: the old one holds.
      if (towards.Length() <= 0.0f) towards = GetTrajectory().GetDirection();
      SetTrajectory(towards, from, pointTime);
    } else {
      Detonate();
    }
    ++pathIndex_;
  }
}

void Projectile::StopAt(float time) {
  TTrajectory& path = GetTrajectory();
  path.Set(path.GetDirection(), path.PositionAt(time), time);
  path.SetSpeed(0.0f);
}

void Projectile::Bounce(float time, const TVector3& normal, const std::string& hitName) {
  const float sinceFiring = fireTime_ - time;
  if (sinceFiring > -kFiringInstant && sinceFiring < kFiringInstant) {
    // Hit in the muzzle: the shot goes off where it stands.
    Detonate();
    StopAt(time);
    return;
  }
  const bool bounces = weapon_->IsTypeKind(hitName);
  if (!bounces || lobbed_) {
    TakeDamage(1.0f);
    if (hitName == kForceField) Detonate();
  }
  if (bounces && !lobbed_) {
    // A ricochet; the visual takes its new course once visuals have parts.
    GetTrajectory().Bounce(time, normal);
    return;
  }
  if (lobbed_) {
    if (!destroyed_) {
      // A bounce sounds as loud as the shot still flies fast; the speed is
      // taken before the bounce changes it.
      const float weaponSpeed = weapon_->GetSpeed();
      if (weaponSpeed > 0.0f) sound_.SetVolume(std::clamp(GetTrajectory().GetSpeed() / weaponSpeed, 0.0f, 1.0f));
      GetTrajectory().Bounce(time, normal);
      lastBounceTime_ = time;
      // The switch's second child is the bounce.
      sound_.Select(1);
      sound_.StartAt(time);
    }
    return;
  }
  StopAt(time);
}

void Projectile::HandleDestroyed(TNewObjects& newObjects, const TGameData& gameData, float time) {
  TMobileObject::HandleDestroyed(newObjects, gameData, time);
  if (destroyed_) LeaveBlast(newObjects, time);
}

void Projectile::LeaveBlast(TNewObjects& newObjects, float time) const {
  const std::string& name = weapon_->GetName();
  const float radius = weapon_->GetExplosiveRadius();
  if (name == kGooSpitter) {
    newObjects.push_back(std::make_unique<GooExplosion>(Position(), radius, time));
    return;
  }
  if (radius > 0.0f) {
    float damage = weapon_->GetDamage();
    float reach = radius;
    const bool warp = name == kWarpGunner;
    if (warp) {
      const float left = RangeLeft((time - fireTime_) * weapon_->GetSpeed(), weapon_->GetRange());
      const float keep = 1.0f - kWarpBase;
      damage = kWarpBase * damage + keep * left * damage;
      reach = kWarpBase * reach + keep * left * reach;
    }
    const TVector3 centre(Position().x, Position().y, Position().z + kBlastLift);
    newObjects.push_back(std::make_unique<Explosion>(centre, damage, reach, time, warp));
    return;
  }
  if (name != kShrapnel || !(integrity_ > 1.0f)) return;
  const TVector3& course = GetTrajectory().GetDirection();
  // One draw per fragment, the left one first.
  const float angles[2] = {GetRandom()->FloatRange(0.0f, kFragmentSpread),
                           GetRandom()->FloatRange(-kFragmentSpread, 0.0f)};
  for (float angle : angles) {
    auto fragment = std::make_unique<Projectile>(*weapon_, Position(), TurnedAboutZ(course, angle), time);
    fragment->SetIntegrity(integrity_ - 1.0f);
    newObjects.push_back(std::move(fragment));
  }
}

void Projectile::EmitEffects(TNewObjects& newObjects, const TGameData& /*gameData*/, float time) {
  if (lobbed_ || !destroyed_ || IsOutOfRange(time)) return;
  const std::string& name = weapon_->GetName();
  if (name == kGrenadier || name == kMissileTank || name == kGooSpitter) return;
  auto spark = std::make_unique<TSpecialEffectObject>(Position(), name + " Ptang", weapon_->GetVisualName(), time);
  spark->AssignFlags(GetCurrentFlags());
  newObjects.push_back(std::move(spark));
}

void TailedProjectile::EmitEffects(TNewObjects& newObjects, const TGameData& gameData, float time) {
  const std::string& name = GetWeapon().GetName();
  if (name != kMissileTank && name != kGrenadier) {
    Projectile::EmitEffects(newObjects, gameData, time);
    return;
  }
  if (!(GetLastBounceTime() + kTrailInterval < time)) return;
  for (int i = 0; i < kTrailPuffs; ++i) {
    TVector3 where;
    PositionAt(where, time - kTrailLag - kTrailSpacing * static_cast<float>(i));
    // No group: the puff plays its sound and shows the "Null" visual.
    newObjects.push_back(std::make_unique<TSpecialEffectObject>(where, std::string(kShrapnel), std::string(), time));
  }
  SetLastBounceTime(time);
}
