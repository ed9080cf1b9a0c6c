// The sound device the game plays through: one primary output and static
// sample buffers with their duplicates. Results are 32-bit codes, negative on
// failure, so that callers check every step the same way. Two back-ends:
// SDL audio with our own mixer, and a headless one for tests.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

using SoundResult = int32_t;

constexpr SoundResult kSoundOk = 0;
constexpr SoundResult kSoundFailed = static_cast<SoundResult>(0x80004005u);
constexpr SoundResult kSoundInvalidCall = static_cast<SoundResult>(0x88780032u);
constexpr SoundResult kSoundBufferLost = static_cast<SoundResult>(0x88780096u);

inline bool SoundSucceeded(SoundResult result) { return result >= 0; }

// Buffer description flags.
constexpr uint32_t kBufferPrimary = 0x01;
constexpr uint32_t kBufferStatic = 0x02;
constexpr uint32_t kBufferInHardware = 0x04;
constexpr uint32_t kBufferInSoftware = 0x08;
constexpr uint32_t kBufferControlFrequency = 0x20;
constexpr uint32_t kBufferControlPan = 0x40;
constexpr uint32_t kBufferControlVolume = 0x80;

// Device capability flags.
constexpr uint32_t kCapsPrimaryStereo = 0x02;
constexpr uint32_t kCapsPrimary16Bit = 0x08;

constexpr uint32_t kPlayLooping = 0x01;
constexpr uint32_t kStatusPlaying = 0x01;
constexpr uint32_t kStatusLooping = 0x04;
constexpr uint32_t kLockEntireBuffer = 0x02;
constexpr uint32_t kCooperativeExclusive = 3;

constexpr uint16_t kWaveFormatPcm = 1;
constexpr uint32_t kMinFrequency = 100;
constexpr uint32_t kMaxFrequency = 100000;
// Volumes are attenuations in hundredths of a decibel; this one is silence.
constexpr int32_t kSilentVolume = -10000;
constexpr int32_t kFullLeftPan = -10000;
constexpr int32_t kFullRightPan = 10000;

struct SoundFormat {
  uint16_t formatTag = 0;
  uint16_t channels = 0;
  uint32_t samplesPerSecond = 0;
  uint32_t bytesPerSecond = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
  uint16_t extraSize = 0;
};

struct SoundBufferDescription {
  uint32_t flags = 0;
  uint32_t bytes = 0;
  // Null for the primary buffer.
  const SoundFormat* format = nullptr;
};

class SoundBuffer {
 public:
  virtual ~SoundBuffer() = default;

  virtual SoundResult Play(uint32_t flags) = 0;
  virtual SoundResult Stop() = 0;
  virtual SoundResult GetStatus(uint32_t& status) = 0;
  // Byte offsets into the sample data.
  virtual SoundResult SetCurrentPosition(uint32_t position) = 0;
  virtual SoundResult GetCurrentPosition(uint32_t& position) = 0;
  virtual SoundResult GetFrequency(uint32_t& frequency) = 0;
  virtual SoundResult SetFrequency(uint32_t frequency) = 0;
  virtual SoundResult SetVolume(int32_t attenuation) = 0;
  virtual SoundResult GetVolume(int32_t& attenuation) = 0;
  virtual SoundResult SetPan(int32_t pan) = 0;
  virtual SoundResult GetPan(int32_t& pan) = 0;
  // Only the primary buffer takes a format.
  virtual SoundResult SetFormat(const SoundFormat& format) = 0;
  // Hands out writable memory for the sample bytes; nothing reaches the
  // buffer until Unlock.
  virtual SoundResult Lock(uint32_t offset, uint32_t bytes, void** region, uint32_t* regionBytes,
                           uint32_t flags) = 0;
  virtual SoundResult Unlock(void* region, uint32_t regionBytes) = 0;
  virtual SoundResult Restore() = 0;
};

class SoundDevice {
 public:
  virtual ~SoundDevice() = default;

  virtual SoundResult SetCooperativeLevel(void* window, uint32_t level) = 0;
  virtual SoundResult CreateSoundBuffer(const SoundBufferDescription& description,
                                        std::unique_ptr<SoundBuffer>& buffer) = 0;
  // The copy shares the sample memory and has its own position, volume, pan
  // and frequency. It may outlive the device.
  virtual SoundResult DuplicateSoundBuffer(SoundBuffer& original, std::unique_ptr<SoundBuffer>& copy) = 0;
  virtual SoundResult GetCaps(uint32_t& flags) = 0;
  virtual SoundResult Compact() = 0;
};

using SoundDeviceFactory = std::function<SoundResult(std::unique_ptr<SoundDevice>&)>;

// Opens the sound output: the installed factory's, or SDL audio (its dummy
// driver when headless and no driver is named).
SoundResult CreateSoundDevice(std::unique_ptr<SoundDevice>& device);
// Replaces the back-end (tests); an empty function restores SDL audio.
void SetSoundDeviceFactory(SoundDeviceFactory factory);

// Attenuation in hundredths of a decibel to a linear factor in 1/65536.
int32_t AttenuationToGain(int32_t attenuation);

}  // namespace platform
