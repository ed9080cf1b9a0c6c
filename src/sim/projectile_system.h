// Flies every projectile of the world during a simulated tick and turns what
// the shots meet into events: Damage when a shot strikes an object, Bounce
// when it glances off (or off the ground). Flight is cut into sub-steps in
// which a shot covers 0.05 distance units, short enough that it cannot pass
// through an object between two tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class Projectile;
class TEvent;
class TEventList;
class TGameObject;
class TVector3;
class TWorld;

class TProjectileSystem {
 public:
  // Distance a shot covers in one sub-step.
  static constexpr float kSubStepDistance = 0.05f;
  // The contact search halves the sub-step at most this often, and stops
  // once the interval is shorter than kContactPrecision.
  static constexpr int kMaxHalvings = 10;
  static constexpr float kContactPrecision = 0.0002f;

  // Times 0, not started. Neither is owned.
  TProjectileSystem(TWorld& world, TEventList& events);
  TProjectileSystem(const TProjectileSystem&) = delete;
  TProjectileSystem& operator=(const TProjectileSystem&) = delete;

  // A turn begins at t: both times are t.
  void Reset(float t);
  // Flies every shot in flight up to t, recording its hits; the first update
  // without a reset starts at t.
  void Update(float t);

  // The sub-steps of a flight from `from` to t: steps first+1 .. last, each
  // at k * step except the last, which is t.
  struct TSubSteps {
    int64_t first = 0;
    int64_t last = 0;
    float step = 0.0f;
  };
  // None for a speed that is not positive.
  static TSubSteps SubStepsOf(float from, float t, float speed);

  // Whether a projectile pass is running now.
  static bool IsRunning();

  float GetLastTime() const { return lastTime_; }
  float GetPrevTime() const { return prevTime_; }
  bool IsStarted() const { return started_; }

 private:
  // The time from which the shot still has to be flown.
  float FlightStart(const Projectile& shot) const;
  // The sub-steps of one shot up to t, then the shot is moved to t.
  void Fly(Projectile& shot, float t);
  // At most one contact between the sub-step times; whether the shot is
  // destroyed afterwards.
  bool TestHits(Projectile& shot, float t0, float t1);
  bool MayStrike(const Projectile& shot, const TGameObject& candidate) const;
  // The first moment within (t0, t1] at which the shot overlaps the object.
  float ContactTime(Projectile& shot, TGameObject& candidate, float t0, float t1) const;
  // Damage (when the object can take it and the shot deals it), then the
  // bounce at the contact.
  void Strike(Projectile& shot, TGameObject& candidate, float contact, float t1);
  // The shot moved to the contact, a Bounce recorded, the shot moved to t1.
  void RecordBounce(Projectile& shot, float contact, float t1, const TVector3& normal, const std::string& name);
  // Recording applies the event at once.
  void Record(std::unique_ptr<TEvent> event);

  TWorld* world_;
  TEventList* events_;
  float lastTime_ = 0.0f;
  float prevTime_ = 0.0f;
  bool started_ = false;
};
