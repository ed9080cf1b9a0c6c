// A sound back-end without output, for tests: play positions advance with an
// injected clock, every call is recorded, and any step can be made to fail.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/sound_device.h"

namespace platform {

class HeadlessSound {
 public:
  // The device's output rate; positions advance by it.
  static constexpr uint32_t kOutputRate = 22050;

  // Seconds of the injected clock.
  std::function<double()> clock;
  uint32_t capsFlags = kCapsPrimaryStereo | kCapsPrimary16Bit;
  // Operation names that fail: "CreateDevice", "SetCooperativeLevel",
  // "CreatePrimaryBuffer", "GetCaps", "SetFormat", "Compact", "PlayPrimary",
  // "CreateSoundBuffer", "DuplicateSoundBuffer", "Lock", "Unlock", "Play" ...
  std::set<std::string> failing;
  // Static buffers asked for in hardware are refused.
  bool refuseHardwareBuffers = false;
  // This many locks report a lost buffer before one succeeds.
  int32_t lostLocks = 0;

  // Every call as "Operation argument", in order.
  std::vector<std::string> calls;
  int32_t devicesCreated = 0;

  // How many of the recorded calls start with the operation name.
  int32_t CountCalls(const std::string& operation) const;
  SoundResult Check(const char* operation, int64_t argument);
  double Now() const { return clock ? clock() : 0.0; }
};

// Makes CreateSoundDevice give headless devices of this state until
// SetSoundDeviceFactory is called again.
void UseHeadlessSound(const std::shared_ptr<HeadlessSound>& state);

}  // namespace platform
