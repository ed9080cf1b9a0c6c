#include "display/mapview/frame_timer.h"

#include "platform/clock.h"

void TFrameTimer::SetRate(float rate) {
  framesPerSecond_ = rate;
  lastMeasurement_ = Now();
}

int64_t TFrameTimer::Now() const {
  // The platform clock counts from its first reading, so a reading of 0 is
  // a real time and is used as it is.
  return static_cast<int64_t>(platform::GetTickMilliseconds());
}

void TFrameTimer::Tick() {
  ++frameCount_;
  const int64_t now = Now();
  const int64_t threshold = lastMeasurement_ + static_cast<int64_t>(ticksPerSecond_) / 2;
  if (now <= threshold) return;
  framesPerSecond_ = static_cast<float>(frameCount_) * 2.0f;
  frameCount_ = 0;
  lastMeasurement_ = now;
}
