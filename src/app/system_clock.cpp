#include "app/system_clock.h"

#include "platform/clock.h"

namespace {

constexpr float kSecondsPerTick = 0.001f;

}  // namespace

std::unique_ptr<TSystemClock> TSystemClock::instance_;

TSystemClock* TSystemClock::Instance() {
  if (!instance_) {
    instance_.reset(new TSystemClock());
  }
  return instance_.get();
}

void TSystemClock::Free() { instance_.reset(); }

double TSystemClock::GetSeconds() const {
  return static_cast<double>(platform::GetTickMilliseconds()) * static_cast<double>(kSecondsPerTick);
}
