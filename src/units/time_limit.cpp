#include "units/time_limit.h"

void TTimeout::Start(float time) {
  startTime_ = time;
  running_ = 1;
}

float TTimeout::Overrun(float time) const { return time - (startTime_ + duration_); }

bool TTimeout::IsExpired(float time) const { return Overrun(time) >= 0.0f; }
