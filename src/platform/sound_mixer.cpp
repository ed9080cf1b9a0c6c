#include "platform/sound_mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace platform {

namespace {

constexpr int32_t kUnityGain = 65536;

uint64_t StepFor(uint32_t frequency, uint32_t outputRate) {
  return (static_cast<uint64_t>(frequency) << 32) / std::max<uint32_t>(outputRate, 1);
}

template <int Bits>
int32_t ReadSample(const uint8_t* at) {
  if constexpr (Bits == 8) {
    return (static_cast<int32_t>(at[0]) - 128) * 256;
  } else {
    return static_cast<int16_t>(static_cast<uint16_t>(at[0] | (at[1] << 8)));
  }
}

// Adds one voice into the accumulator; returns false when a one-shot voice
// ran off its end (it has then stopped).
template <int Bits, int Channels>
bool MixVoice(VoiceState& voice, int32_t* accumulator, uint32_t frames, uint64_t step, bool produce) {
  const SampleMemory& memory = *voice.samples;
  const uint64_t total = memory.FrameCount();
  if (total == 0) return false;
  const uint8_t* data = memory.bytes.data();
  constexpr int kBytes = Bits / 8;
  const uint64_t end = total << 32;
  uint64_t position = voice.position;
  const int32_t gainLeft = voice.gainLeft;
  const int32_t gainRight = voice.gainRight;
  for (uint32_t i = 0; i < frames; ++i) {
    if (position >= end) {
      if (!voice.looping) {
        voice.position = 0;
        voice.playing = false;
        return false;
      }
      position %= end;
    }
    if (produce) {
      const uint8_t* frame = data + (position >> 32) * static_cast<uint64_t>(kBytes * Channels);
      const int32_t left = ReadSample<Bits>(frame);
      const int32_t right = Channels == 2 ? ReadSample<Bits>(frame + kBytes) : left;
      accumulator[2 * i] += static_cast<int32_t>((static_cast<int64_t>(left) * gainLeft) >> 16);
      accumulator[2 * i + 1] += static_cast<int32_t>((static_cast<int64_t>(right) * gainRight) >> 16);
    }
    position += step;
  }
  voice.position = position;
  return true;
}

bool RunVoice(VoiceState& voice, int32_t* accumulator, uint32_t frames, uint32_t outputRate, bool produce) {
  const uint64_t step = StepFor(voice.frequency, outputRate);
  const SoundFormat& format = voice.samples->format;
  const bool wide = format.bitsPerSample == 16;
  const bool stereo = format.channels == 2;
  if (wide) {
    return stereo ? MixVoice<16, 2>(voice, accumulator, frames, step, produce)
                  : MixVoice<16, 1>(voice, accumulator, frames, step, produce);
  }
  return stereo ? MixVoice<8, 2>(voice, accumulator, frames, step, produce)
                : MixVoice<8, 1>(voice, accumulator, frames, step, produce);
}

}  // namespace

int32_t AttenuationToGain(int32_t attenuation) {
  if (attenuation <= kSilentVolume) return 0;
  if (attenuation >= 0) return kUnityGain;
  return static_cast<int32_t>(std::lround(kUnityGain * std::pow(10.0, attenuation / 2000.0)));
}

bool IsPlayableFormat(const SoundFormat& format) {
  if (format.formatTag != kWaveFormatPcm) return false;
  if (format.channels != 1 && format.channels != 2) return false;
  if (format.bitsPerSample != 8 && format.bitsPerSample != 16) return false;
  if (format.samplesPerSecond < kMinFrequency || format.samplesPerSecond > kMaxFrequency) return false;
  return format.blockAlign == format.channels * format.bitsPerSample / 8;
}

// --- MixerCore ------------------------------------------------------------------

void MixerCore::StartVoice(VoiceState* voice) {
  if (std::find(active_.begin(), active_.end(), voice) == active_.end()) active_.push_back(voice);
}

void MixerCore::RemoveVoice(VoiceState* voice) {
  active_.erase(std::remove(active_.begin(), active_.end(), voice), active_.end());
}

void MixerCore::DropFinished() {
  active_.erase(std::remove_if(active_.begin(), active_.end(), [](const VoiceState* v) { return !v->playing; }),
                active_.end());
}

void MixerCore::Mix(int16_t* out, uint32_t frames) {
  accumulator_.assign(static_cast<std::size_t>(frames) * 2, 0);
  for (VoiceState* voice : active_) RunVoice(*voice, accumulator_.data(), frames, outputRate_, true);
  DropFinished();
  for (std::size_t i = 0; i < accumulator_.size(); ++i) {
    out[i] = static_cast<int16_t>(std::clamp<int32_t>(accumulator_[i], std::numeric_limits<int16_t>::min(),
                                                      std::numeric_limits<int16_t>::max()));
  }
}

void MixerCore::Advance(uint64_t frames) {
  // Positions only: skip the sound, but stop one-shots exactly where the
  // mixer would have.
  for (VoiceState* voice : active_) {
    const uint64_t total = voice->samples->FrameCount();
    const uint64_t end = total << 32;
    const uint64_t step = StepFor(voice->frequency, outputRate_);
    if (total == 0 || step == 0) {
      voice->playing = false;
      continue;
    }
    const uint64_t needed = voice->position >= end ? 0 : (end - voice->position + step - 1) / step;
    if (!voice->looping && frames >= needed) {
      voice->playing = false;
      voice->position = 0;
      continue;
    }
    const unsigned __int128 moved = static_cast<unsigned __int128>(step) * frames + voice->position;
    voice->position = voice->looping ? static_cast<uint64_t>(moved % end) : static_cast<uint64_t>(moved);
  }
  DropFinished();
}

// --- MixerBuffer ------------------------------------------------------------------

MixerBuffer::MixerBuffer(std::shared_ptr<MixerCore> core) : core_(std::move(core)) {}

MixerBuffer::MixerBuffer(std::shared_ptr<MixerCore> core, std::shared_ptr<SampleMemory> samples)
    : core_(std::move(core)) {
  voice_.frequency = samples->format.samplesPerSecond;
  voice_.samples = std::move(samples);
}

MixerBuffer::~MixerBuffer() {
  OutputLock lock(*core_);
  core_->RemoveVoice(&voice_);
}

SoundResult MixerBuffer::Play(uint32_t flags) {
  const SoundResult check = core_->Check(IsPrimary() ? "PlayPrimary" : "Play", flags);
  if (!SoundSucceeded(check)) return check;
  core_->Catch();
  OutputLock lock(*core_);
  if (IsPrimary()) {
    core_->SetOutputRunning(true);
    return kSoundOk;
  }
  voice_.looping = (flags & kPlayLooping) != 0;
  voice_.playing = true;
  core_->StartVoice(&voice_);
  return kSoundOk;
}

SoundResult MixerBuffer::Stop() {
  const SoundResult check = core_->Check(IsPrimary() ? "StopPrimary" : "Stop", 0);
  if (!SoundSucceeded(check)) return check;
  core_->Catch();
  OutputLock lock(*core_);
  if (IsPrimary()) {
    core_->SetOutputRunning(false);
    return kSoundOk;
  }
  voice_.playing = false;
  core_->RemoveVoice(&voice_);
  return kSoundOk;
}

SoundResult MixerBuffer::GetStatus(uint32_t& status) {
  core_->Catch();
  OutputLock lock(*core_);
  const bool playing = IsPrimary() ? core_->IsOutputRunning() : voice_.playing;
  status = playing ? (kStatusPlaying | (voice_.looping || IsPrimary() ? kStatusLooping : 0)) : 0;
  return kSoundOk;
}

SoundResult MixerBuffer::SetCurrentPosition(uint32_t position) {
  const SoundResult check = core_->Check("SetCurrentPosition", position);
  if (!SoundSucceeded(check)) return check;
  if (IsPrimary()) return kSoundInvalidCall;
  core_->Catch();
  OutputLock lock(*core_);
  const uint32_t frame = std::min(position / voice_.samples->format.blockAlign, voice_.samples->FrameCount());
  voice_.position = static_cast<uint64_t>(frame) << 32;
  return kSoundOk;
}

SoundResult MixerBuffer::GetCurrentPosition(uint32_t& position) {
  if (IsPrimary()) return kSoundInvalidCall;
  core_->Catch();
  OutputLock lock(*core_);
  position = static_cast<uint32_t>(voice_.position >> 32) * voice_.samples->format.blockAlign;
  return kSoundOk;
}

SoundResult MixerBuffer::GetFrequency(uint32_t& frequency) {
  if (IsPrimary()) return kSoundInvalidCall;
  OutputLock lock(*core_);
  frequency = voice_.frequency;
  return kSoundOk;
}

SoundResult MixerBuffer::SetFrequency(uint32_t frequency) {
  const SoundResult check = core_->Check("SetFrequency", frequency);
  if (!SoundSucceeded(check)) return check;
  if (IsPrimary() || frequency < kMinFrequency || frequency > kMaxFrequency) return kSoundInvalidCall;
  core_->Catch();
  OutputLock lock(*core_);
  voice_.frequency = frequency;
  return kSoundOk;
}

SoundResult MixerBuffer::SetVolume(int32_t attenuation) {
  const SoundResult check = core_->Check("SetVolume", attenuation);
  if (!SoundSucceeded(check)) return check;
  if (attenuation < kSilentVolume || attenuation > 0) return kSoundInvalidCall;
  OutputLock lock(*core_);
  voice_.volume = attenuation;
  UpdateGains();
  return kSoundOk;
}

SoundResult MixerBuffer::GetVolume(int32_t& attenuation) {
  OutputLock lock(*core_);
  attenuation = voice_.volume;
  return kSoundOk;
}

SoundResult MixerBuffer::SetPan(int32_t pan) {
  const SoundResult check = core_->Check("SetPan", pan);
  if (!SoundSucceeded(check)) return check;
  if (pan < kFullLeftPan || pan > kFullRightPan) return kSoundInvalidCall;
  OutputLock lock(*core_);
  voice_.pan = pan;
  UpdateGains();
  return kSoundOk;
}

SoundResult MixerBuffer::GetPan(int32_t& pan) {
  OutputLock lock(*core_);
  pan = voice_.pan;
  return kSoundOk;
}

void MixerBuffer::UpdateGains() {
  // A pan to one side attenuates the other channel by its amount.
  const int64_t volume = AttenuationToGain(voice_.volume);
  const int64_t left = AttenuationToGain(voice_.pan > 0 ? -voice_.pan : 0);
  const int64_t right = AttenuationToGain(voice_.pan < 0 ? voice_.pan : 0);
  voice_.gainLeft = static_cast<int32_t>((volume * left) >> 16);
  voice_.gainRight = static_cast<int32_t>((volume * right) >> 16);
}

SoundResult MixerBuffer::SetFormat(const SoundFormat& format) {
  const SoundResult check = core_->Check("SetFormat", format.samplesPerSecond);
  if (!SoundSucceeded(check)) return check;
  if (!IsPrimary() || !IsPlayableFormat(format)) return kSoundInvalidCall;
  primaryFormat_ = format;
  return kSoundOk;
}

SoundResult MixerBuffer::Lock(uint32_t offset, uint32_t bytes, void** region, uint32_t* regionBytes,
                              uint32_t flags) {
  const SoundResult check = core_->Check("Lock", bytes);
  if (!SoundSucceeded(check)) return check;
  if (IsPrimary() || locked_ || region == nullptr || regionBytes == nullptr) return kSoundInvalidCall;
  const std::size_t size = voice_.samples->bytes.size();
  if ((flags & kLockEntireBuffer) != 0) {
    offset = 0;
    bytes = static_cast<uint32_t>(size);
  }
  if (offset > size || bytes > size - offset) return kSoundInvalidCall;
  {
    OutputLock lock(*core_);
    staging_.assign(voice_.samples->bytes.begin() + offset, voice_.samples->bytes.begin() + offset + bytes);
  }
  stagingOffset_ = offset;
  locked_ = true;
  *region = staging_.data();
  *regionBytes = bytes;
  return kSoundOk;
}

SoundResult MixerBuffer::Unlock(void* region, uint32_t regionBytes) {
  const SoundResult check = core_->Check("Unlock", regionBytes);
  if (!SoundSucceeded(check)) return check;
  if (!locked_ || region != staging_.data() || regionBytes > staging_.size()) return kSoundInvalidCall;
  {
    OutputLock lock(*core_);
    std::memcpy(voice_.samples->bytes.data() + stagingOffset_, staging_.data(), regionBytes);
  }
  staging_.clear();
  locked_ = false;
  return kSoundOk;
}

SoundResult MixerBuffer::Restore() { return core_->Check("Restore", 0); }

// --- MixerDevice ------------------------------------------------------------------

MixerDevice::MixerDevice(std::shared_ptr<MixerCore> core, uint32_t capsFlags)
    : core_(std::move(core)), capsFlags_(capsFlags) {}

SoundResult MixerDevice::SetCooperativeLevel(void* /*window*/, uint32_t level) {
  return core_->Check("SetCooperativeLevel", level);
}

SoundResult MixerDevice::CreateSoundBuffer(const SoundBufferDescription& description,
                                           std::unique_ptr<SoundBuffer>& buffer) {
  const bool primary = (description.flags & kBufferPrimary) != 0;
  const SoundResult check = core_->Check(primary ? "CreatePrimaryBuffer" : "CreateSoundBuffer", description.flags);
  if (!SoundSucceeded(check)) return check;
  if (primary) {
    buffer = std::make_unique<MixerBuffer>(core_);
    return kSoundOk;
  }
  if (description.format == nullptr || !IsPlayableFormat(*description.format) || description.bytes == 0 ||
      description.bytes % description.format->blockAlign != 0) {
    return kSoundInvalidCall;
  }
  auto memory = std::make_shared<SampleMemory>();
  memory->format = *description.format;
  memory->bytes.assign(description.bytes, 0);
  buffer = std::make_unique<MixerBuffer>(core_, std::move(memory));
  return kSoundOk;
}

SoundResult MixerDevice::DuplicateSoundBuffer(SoundBuffer& original, std::unique_ptr<SoundBuffer>& copy) {
  const SoundResult check = core_->Check("DuplicateSoundBuffer", 0);
  if (!SoundSucceeded(check)) return check;
  auto* source = dynamic_cast<MixerBuffer*>(&original);
  if (source == nullptr || source->IsPrimary() || source->Core() != core_) return kSoundInvalidCall;
  copy = std::make_unique<MixerBuffer>(core_, source->Samples());
  return kSoundOk;
}

SoundResult MixerDevice::GetCaps(uint32_t& flags) {
  const SoundResult check = core_->Check("GetCaps", 0);
  if (!SoundSucceeded(check)) return check;
  flags = capsFlags_;
  return kSoundOk;
}

SoundResult MixerDevice::Compact() { return core_->Check("Compact", 0); }

}  // namespace platform
