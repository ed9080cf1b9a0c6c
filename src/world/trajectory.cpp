#include "world/trajectory.h"

#include <cmath>
#include <limits>

namespace {

// Lengths this close to 1 count as normalised already.
constexpr float kUnitTolerance = 1e-6f;

float Dot(const TVector3& a, const TVector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

}  // namespace

TTrajectory::TTrajectory(float speed, const TVector3& direction, const TVector3& start, float startTime,
                         bool gravity)
    : speed_(speed), start_(start), startTime_(startTime), gravity_(gravity) {
  SetDirection(direction);
}

void TTrajectory::Set(const TVector3& direction, const TVector3& start, float startTime) {
  startTime_ = startTime;
  SetDirection(direction);
  start_ = start;
}

void TTrajectory::SetDirection(const TVector3& direction) {
  direction_ = direction;
  // A direction that is already of unit length is kept bit for bit, so that
  // a path saved and read back saves to the same bytes again.
  const float squared = direction_.x * direction_.x + direction_.y * direction_.y + direction_.z * direction_.z;
  if (std::fabs(squared - 1.0f) > kUnitTolerance) direction_.Normalise();
}

TVector3 TTrajectory::PositionAt(float t) const {
  const float dt = t - startTime_;
  const float travelled = speed_ * dt;
  TVector3 position(start_.x + direction_.x * travelled, start_.y + direction_.y * travelled,
                    start_.z + direction_.z * travelled);
  // An object at rest lies where it landed; it does not sink on.
  if (gravity_ && speed_ > 0.0f) position.z -= 0.5f * kGravity * dt * dt;
  return position;
}

float TTrajectory::TimeToReach(const TVector3& point) const {
  const float distance = start_.DistanceTo(point);
  // A path at rest is at its start point from the start and never anywhere else.
  if (speed_ == 0.0f) return distance == 0.0f ? startTime_ : std::numeric_limits<float>::infinity();
  // A negative speed runs the path backwards: the point is still reached
  // forward in time.
  return startTime_ + distance / std::fabs(speed_);
}

float TTrajectory::GetHorizontalSpeed() const {
  TVector3 ground(direction_.x, direction_.y, 0.0f);
  ground.Normalise();
  return speed_ * Dot(direction_, ground);
}

void TTrajectory::Bounce(float t, const TVector3& normal) {
  if (speed_ == 0.0f) return;
  TVector3 velocity(direction_.x * speed_, direction_.y * speed_, direction_.z * speed_);
  if (gravity_) velocity.z += (t - startTime_) * -kGravity;
  velocity.Normalise();
  const float twiceAlong = 2.0f * Dot(velocity, normal);
  const TVector3 reflected(velocity.x - twiceAlong * normal.x, velocity.y - twiceAlong * normal.y,
                           velocity.z - twiceAlong * normal.z);
  const TVector3 contact = PositionAt(t);
  Set(reflected, contact, t);
  if (gravity_) speed_ *= kBounceDamping;
  if (speed_ < kRestSpeed) speed_ = 0.0f;
}
