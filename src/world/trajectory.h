// The motion law of every moving object: a straight line from a start point
// at a start time with a constant speed, optionally falling under gravity
// (thrown and bouncing objects). Times are simulation time units, distances
// map cells.
#pragma once

#include "app/vector3.h"

class TTrajectory {
 public:
  // Fall of a path under gravity: half of it times dt squared in PositionAt,
  // all of it times dt in the velocity of a bounce.
  static constexpr float kGravity = 4.9f;
  // Share of the speed a bouncing object keeps.
  static constexpr float kBounceDamping = 0.85f;
  // A bounce that leaves less speed than this puts the object to rest.
  static constexpr float kRestSpeed = 0.1f;

  TTrajectory(float speed, const TVector3& direction, const TVector3& start, float startTime, bool gravity);

  // Restarts the path from `start` at `startTime`.
  void Set(const TVector3& direction, const TVector3& start, float startTime);
  void SetDirection(const TVector3& direction);
  void SetSpeed(float speed) { speed_ = speed; }

  TVector3 PositionAt(float t) const;
  // When the path reaches the point; a path at rest answers its start time
  // at its start point and infinity elsewhere (never).
  float TimeToReach(const TVector3& point) const;

  float GetSpeed() const { return speed_; }
  // The speed along the ground.
  float GetHorizontalSpeed() const;
  const TVector3& GetDirection() const { return direction_; }
  const TVector3& GetStart() const { return start_; }
  float GetStartTime() const { return startTime_; }
  bool HasGravity() const { return gravity_; }

  // Reflects the path at time t off a surface with the given unit normal.
  void Bounce(float t, const TVector3& normal);

 private:
  float speed_;
  TVector3 direction_;
  TVector3 start_;
  float startTime_;
  bool gravity_;
};
