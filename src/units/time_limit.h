// The small time limit orders use to give up on something after a while (a
// route step that makes no progress, an order that waits): started at a
// simulation time, it tells how far a later time is past its end.
#pragma once

#include <cstdint>

class TTimeout {
 public:
  explicit TTimeout(float duration) : duration_(duration) {}

  void Start(float time);
  // How far the time lies past the end (negative before it).
  float Overrun(float time) const;
  // A limit that was never started runs from time 0, so it expires once the
  // time reaches its duration.
  bool IsExpired(float time) const;

  bool IsRunning() const { return running_ != 0; }
  float GetStartTime() const { return startTime_; }
  float GetDuration() const { return duration_; }

 private:
  float startTime_ = 0.0f;
  float duration_;
  uint8_t running_ = 0;
};
