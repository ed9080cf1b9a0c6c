#include "platform/clock.h"

#include <chrono>
#include <thread>
#include <utility>

namespace platform {

namespace {

// The steady clock never goes back and, counted in 64-bit milliseconds from
// the first reading, does not wrap within any conceivable uptime.
uint64_t SteadyMilliseconds() {
  using Clock = std::chrono::steady_clock;
  static const Clock::time_point start = Clock::now();
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

std::function<uint64_t()>& TickSource() {
  static std::function<uint64_t()> source;
  return source;
}

}  // namespace

uint64_t GetTickMilliseconds() {
  const auto& source = TickSource();
  return source ? source() : SteadyMilliseconds();
}

void SleepMilliseconds(uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void SetTickSource(std::function<uint64_t()> source) { TickSource() = std::move(source); }

}  // namespace platform
