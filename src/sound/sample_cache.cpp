#include "sound/sample_cache.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sound/wave_file.h"

using platform::SoundResult;

namespace {

constexpr uint32_t kSampleFlags = platform::kBufferStatic | platform::kBufferControlFrequency |
                                  platform::kBufferControlPan | platform::kBufferControlVolume;

std::unique_ptr<platform::SoundBuffer> CreateStaticBuffer(platform::SoundDevice& device, const TWaveData& wave) {
  platform::SoundBufferDescription description;
  description.flags = kSampleFlags | platform::kBufferInHardware;
  description.bytes = wave.dataSize;
  description.format = wave.format.get();
  std::unique_ptr<platform::SoundBuffer> buffer;
  if (platform::SoundSucceeded(device.CreateSoundBuffer(description, buffer))) return buffer;
  // No room in hardware: the same buffer mixed in software.
  description.flags = kSampleFlags | platform::kBufferInSoftware;
  if (platform::SoundSucceeded(device.CreateSoundBuffer(description, buffer))) return buffer;
  return nullptr;
}

bool FillBuffer(platform::SoundBuffer& buffer, const TWaveData& wave) {
  void* region = nullptr;
  uint32_t regionBytes = 0;
  SoundResult result = buffer.Lock(0, 0, &region, &regionBytes, platform::kLockEntireBuffer);
  if (result == platform::kSoundBufferLost) {
    buffer.Restore();
    result = buffer.Lock(0, 0, &region, &regionBytes, platform::kLockEntireBuffer);
  }
  if (!platform::SoundSucceeded(result) || region == nullptr) return false;
  const uint32_t copied = std::min(regionBytes, wave.dataSize);
  std::memcpy(region, wave.data.data(), copied);
  return platform::SoundSucceeded(buffer.Unlock(region, copied));
}

}  // namespace

// --- TSampleBuffer -----------------------------------------------------------------

TSampleBuffer::TSampleBuffer(std::unique_ptr<platform::SoundBuffer> buffer) : buffer_(std::move(buffer)) {}

TSampleBuffer::~TSampleBuffer() { Release(); }

std::unique_ptr<TSampleBuffer> TSampleBuffer::Duplicate(platform::SoundDevice& device) {
  if (!buffer_) return nullptr;
  std::unique_ptr<platform::SoundBuffer> copy;
  if (!platform::SoundSucceeded(device.DuplicateSoundBuffer(*buffer_, copy)) || !copy) return nullptr;
  return std::make_unique<TSampleBuffer>(std::move(copy));
}

SoundResult TSampleBuffer::Play() {
  if (!buffer_) return platform::kSoundInvalidCall;
  if (IsPlaying()) {
    buffer_->Stop();
    resumePosition_ = 0;
  }
  buffer_->SetCurrentPosition(resumePosition_);
  const SoundResult result = buffer_->Play(looped_ ? platform::kPlayLooping : 0);
  if (platform::SoundSucceeded(result)) {
    if (looped_) buffer_->SetCurrentPosition(resumePosition_);
    resumePosition_ = 0;
  }
  return result;
}

void TSampleBuffer::Stop() {
  if (IsPlaying()) buffer_->Stop();
}

bool TSampleBuffer::IsPlaying() {
  uint32_t status = 0;
  return buffer_ && platform::SoundSucceeded(buffer_->GetStatus(status)) && (status & platform::kStatusPlaying) != 0;
}

void TSampleBuffer::SetPitch(float factor) {
  uint32_t frequency = 0;
  if (!buffer_ || !platform::SoundSucceeded(buffer_->GetFrequency(frequency))) return;
  // Clamped as a double first, so no factor can overflow the conversion; a
  // pitch that is no number leaves the sample's own rate.
  const double wanted = static_cast<double>(frequency) * static_cast<double>(factor);
  if (std::isnan(wanted)) return;
  const double clamped = std::clamp(wanted, static_cast<double>(platform::kMinFrequency),
                                    static_cast<double>(platform::kMaxFrequency));
  buffer_->SetFrequency(static_cast<uint32_t>(clamped));
}

void TSampleBuffer::SetVolume(int32_t attenuation) {
  if (buffer_) buffer_->SetVolume(attenuation);
}

void TSampleBuffer::SetPan(int32_t pan) {
  if (buffer_) buffer_->SetPan(pan);
}

void TSampleBuffer::SavePosition() {
  uint32_t position = 0;
  if (buffer_ && platform::SoundSucceeded(buffer_->GetCurrentPosition(position))) resumePosition_ = position;
}

void TSampleBuffer::Release() {
  if (!buffer_) return;
  buffer_->Stop();
  buffer_.reset();
}

// --- TSampleCache ------------------------------------------------------------------

TSampleCache::~TSampleCache() { ReleaseAll(); }

std::unique_ptr<TSampleBuffer> TSampleCache::GetDuplicate(const std::string& fileName,
                                                          platform::SoundDevice* device) {
  if (device == nullptr) return nullptr;
  auto found = samples_.find(fileName);
  if (found == samples_.end()) found = samples_.emplace(fileName, LoadSample(fileName, *device)).first;
  if (!found->second) return nullptr;
  return found->second->Duplicate(*device);
}

std::unique_ptr<TSampleBuffer> TSampleCache::LoadSample(const std::string& fileName, platform::SoundDevice& device) {
  TWaveData wave;
  if (!LoadWaveFile(wave, fileName)) return nullptr;
  std::unique_ptr<platform::SoundBuffer> buffer = CreateStaticBuffer(device, wave);
  if (!buffer || !FillBuffer(*buffer, wave)) return nullptr;
  return std::make_unique<TSampleBuffer>(std::move(buffer));
}

void TSampleCache::ReleaseAll() { samples_.clear(); }
