// The time base of everything that animates or measures time: seconds since
// the platform clock started.
#pragma once

#include <memory>

class TSystemClock {
 public:
  static TSystemClock* Instance();
  static void Free();

  // Milliseconds of the platform's 64-bit monotonic tick times 0.001 held as
  // a float, so the factor is exactly 0.0010000000474974513. The 64-bit tick
  // keeps this growing for ever instead of wrapping after 49.7 days.
  double GetSeconds() const;

 private:
  TSystemClock() = default;
  friend struct std::default_delete<TSystemClock>;

  static std::unique_ptr<TSystemClock> instance_;
};
