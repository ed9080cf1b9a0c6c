// Samples load once: the cache keeps one static buffer per WAV file name, and
// every leaf plays its own duplicate that shares the sample memory.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/sound_device.h"

class TSampleBuffer {
 public:
  explicit TSampleBuffer(std::unique_ptr<platform::SoundBuffer> buffer);
  ~TSampleBuffer();
  TSampleBuffer(const TSampleBuffer&) = delete;
  TSampleBuffer& operator=(const TSampleBuffer&) = delete;

  // Null when the device refuses.
  std::unique_ptr<TSampleBuffer> Duplicate(platform::SoundDevice& device);
  // A playing buffer restarts from the beginning; otherwise it starts at the
  // resume position.
  platform::SoundResult Play();
  void Stop();
  bool IsPlaying();
  // A factor on the buffer's frequency, kept within what the device takes.
  void SetPitch(float factor);
  void SetVolume(int32_t attenuation);
  void SetPan(int32_t pan);
  void SetLooped(bool looped) { looped_ = looped; }
  bool IsLooped() const { return looped_; }
  // The play cursor becomes the place the next start resumes from.
  void SavePosition();
  uint32_t GetResumePosition() const { return resumePosition_; }
  void Release();

  platform::SoundBuffer* GetBuffer() const { return buffer_.get(); }

 private:
  std::unique_ptr<platform::SoundBuffer> buffer_;
  bool looped_ = false;
  uint32_t resumePosition_ = 0;
};

class TSampleCache {
 public:
  TSampleCache() = default;
  ~TSampleCache();
  TSampleCache(const TSampleCache&) = delete;
  TSampleCache& operator=(const TSampleCache&) = delete;

  // A new duplicate of the file's sample, loading it at the first request;
  // null when the file failed (that failure is remembered) or there is no
  // device.
  std::unique_ptr<TSampleBuffer> GetDuplicate(const std::string& fileName, platform::SoundDevice* device);
  // The filled static buffer of the file, or null.
  std::unique_ptr<TSampleBuffer> LoadSample(const std::string& fileName, platform::SoundDevice& device);
  void ReleaseAll();

  bool IsCached(const std::string& fileName) const { return samples_.count(fileName) != 0; }
  std::size_t Size() const { return samples_.size(); }

 private:
  std::map<std::string, std::unique_ptr<TSampleBuffer>> samples_;
};
