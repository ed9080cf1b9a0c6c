// SDL audio under the mixer: one device opened at 22,050 Hz, 16-bit stereo,
// whose callback sums the playing buffers.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/sound_device.h"

namespace platform {

SoundResult CreateSdlSoundDevice(std::unique_ptr<SoundDevice>& device);

// Keeps a copy of the next `frames` mixed stereo frames of an SDL device
// (tests read back what the callback produced).
void StartSdlCapture(SoundDevice& device, uint32_t frames);
// The frames kept so far, interleaved left and right.
std::vector<int16_t> ReadSdlCapture(SoundDevice& device);

}  // namespace platform
