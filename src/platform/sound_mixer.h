// The mixer behind both sound back-ends: buffers that share sample memory,
// their play state, and the sum of every playing buffer into 16-bit stereo.
// Play state is touched only between LockOutput and UnlockOutput, so the SDL
// callback thread never sees a half-made change.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/sound_device.h"

namespace platform {

// Sample memory shared by a static buffer and its duplicates.
struct SampleMemory {
  SoundFormat format;
  std::vector<uint8_t> bytes;
  uint32_t FrameCount() const { return format.blockAlign == 0 ? 0 : static_cast<uint32_t>(bytes.size() / format.blockAlign); }
};

struct VoiceState {
  std::shared_ptr<SampleMemory> samples;
  bool playing = false;
  bool looping = false;
  // Source frames in 32.32 fixed point.
  uint64_t position = 0;
  uint32_t frequency = 22050;
  int32_t volume = 0;
  int32_t pan = 0;
  // Per channel, in 1/65536.
  int32_t gainLeft = 65536;
  int32_t gainRight = 65536;
};

class MixerCore {
 public:
  explicit MixerCore(uint32_t outputRate) : outputRate_(outputRate) {}
  virtual ~MixerCore() = default;
  MixerCore(const MixerCore&) = delete;
  MixerCore& operator=(const MixerCore&) = delete;

  virtual void LockOutput() {}
  virtual void UnlockOutput() {}
  // Brings play positions up to now (the headless clock); called unlocked.
  virtual void Catch() {}
  // Starts and stops the whole output (the primary buffer's play state).
  virtual void SetOutputRunning(bool running) { running_ = running; }
  bool IsOutputRunning() const { return running_; }
  // Every buffer call passes here first: the headless back-end records it
  // and may refuse it.
  virtual SoundResult Check(const char* /*operation*/, int64_t /*argument*/) { return kSoundOk; }

  uint32_t OutputRate() const { return outputRate_; }

  // Both under the output lock.
  void StartVoice(VoiceState* voice);
  void RemoveVoice(VoiceState* voice);
  // Sums every playing voice into interleaved stereo, saturated to 16 bits,
  // and advances them; voices that reach their end stop.
  void Mix(int16_t* out, uint32_t frames);
  // Advances the voices by output frames without producing sound.
  void Advance(uint64_t frames);
  std::size_t ActiveVoiceCount() const { return active_.size(); }

 private:
  void DropFinished();

  uint32_t outputRate_;
  bool running_ = false;
  std::vector<VoiceState*> active_;
  std::vector<int32_t> accumulator_;
};

class OutputLock {
 public:
  explicit OutputLock(MixerCore& core) : core_(core) { core_.LockOutput(); }
  ~OutputLock() { core_.UnlockOutput(); }
  OutputLock(const OutputLock&) = delete;
  OutputLock& operator=(const OutputLock&) = delete;

 private:
  MixerCore& core_;
};

// A buffer of either back-end: the primary output or a static sample buffer.
class MixerBuffer : public SoundBuffer {
 public:
  // The primary buffer.
  explicit MixerBuffer(std::shared_ptr<MixerCore> core);
  // A sample buffer over (possibly shared) memory.
  MixerBuffer(std::shared_ptr<MixerCore> core, std::shared_ptr<SampleMemory> samples);
  ~MixerBuffer() override;

  SoundResult Play(uint32_t flags) override;
  SoundResult Stop() override;
  SoundResult GetStatus(uint32_t& status) override;
  SoundResult SetCurrentPosition(uint32_t position) override;
  SoundResult GetCurrentPosition(uint32_t& position) override;
  SoundResult GetFrequency(uint32_t& frequency) override;
  SoundResult SetFrequency(uint32_t frequency) override;
  SoundResult SetVolume(int32_t attenuation) override;
  SoundResult GetVolume(int32_t& attenuation) override;
  SoundResult SetPan(int32_t pan) override;
  SoundResult GetPan(int32_t& pan) override;
  SoundResult SetFormat(const SoundFormat& format) override;
  SoundResult Lock(uint32_t offset, uint32_t bytes, void** region, uint32_t* regionBytes, uint32_t flags) override;
  SoundResult Unlock(void* region, uint32_t regionBytes) override;
  SoundResult Restore() override;

  bool IsPrimary() const { return !voice_.samples; }
  const std::shared_ptr<SampleMemory>& Samples() const { return voice_.samples; }
  const std::shared_ptr<MixerCore>& Core() const { return core_; }
  const SoundFormat& PrimaryFormat() const { return primaryFormat_; }

 private:
  void UpdateGains();

  std::shared_ptr<MixerCore> core_;
  VoiceState voice_;
  SoundFormat primaryFormat_;
  std::vector<uint8_t> staging_;
  uint32_t stagingOffset_ = 0;
  bool locked_ = false;
};

// The parts of a device that both back-ends share; they differ in the core.
class MixerDevice : public SoundDevice {
 public:
  explicit MixerDevice(std::shared_ptr<MixerCore> core, uint32_t capsFlags);

  SoundResult SetCooperativeLevel(void* window, uint32_t level) override;
  SoundResult CreateSoundBuffer(const SoundBufferDescription& description,
                                std::unique_ptr<SoundBuffer>& buffer) override;
  SoundResult DuplicateSoundBuffer(SoundBuffer& original, std::unique_ptr<SoundBuffer>& copy) override;
  SoundResult GetCaps(uint32_t& flags) override;
  SoundResult Compact() override;

  MixerCore& Core() { return *core_; }

 private:
  std::shared_ptr<MixerCore> core_;
  uint32_t capsFlags_;
};

// A format the mixer can play: PCM, 8 or 16 bits, mono or stereo, a rate the
// buffers can be set to, and a block size that matches.
bool IsPlayableFormat(const SoundFormat& format);

}  // namespace platform
