// A static sample buffer of a mixer device, filled with the given bytes, for
// the tests that read the mixer back.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/sound_device.h"

namespace sound_test {

// Null when the device refuses the layout or the fill.
inline std::unique_ptr<platform::SoundBuffer> FilledBuffer(platform::SoundDevice& device, uint16_t channels,
                                                           uint16_t bits, uint32_t rate,
                                                           const std::vector<uint8_t>& bytes) {
  platform::SoundFormat format;
  format.formatTag = platform::kWaveFormatPcm;
  format.channels = channels;
  format.bitsPerSample = bits;
  format.samplesPerSecond = rate;
  format.blockAlign = static_cast<uint16_t>(channels * bits / 8);
  format.bytesPerSecond = rate * format.blockAlign;
  platform::SoundBufferDescription description;
  description.flags = platform::kBufferStatic | platform::kBufferControlFrequency | platform::kBufferControlVolume |
                      platform::kBufferControlPan;
  description.bytes = static_cast<uint32_t>(bytes.size());
  description.format = &format;
  std::unique_ptr<platform::SoundBuffer> buffer;
  if (!platform::SoundSucceeded(device.CreateSoundBuffer(description, buffer))) return nullptr;
  void* region = nullptr;
  uint32_t size = 0;
  if (!platform::SoundSucceeded(buffer->Lock(0, 0, &region, &size, platform::kLockEntireBuffer))) return nullptr;
  std::memcpy(region, bytes.data(), size);
  if (!platform::SoundSucceeded(buffer->Unlock(region, size))) return nullptr;
  return buffer;
}

}  // namespace sound_test
