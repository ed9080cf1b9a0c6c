// The sound manager singleton: the sound device and its primary output, the
// sound definitions, the sample cache, the attenuation table and up to 16
// playing voices. Every failing device step shows its text and leaves the
// manager silent; the game goes on without sound.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/random.h"
#include "platform/sound_device.h"

class TDirectSound;
class TSampleBuffer;
class TSampleCache;
class TSound;
class TSoundLibrary;
class TVector3;

// One sound the manager has started.
class TSoundVoice {
 public:
  TSoundVoice(TDirectSound* node, double startTime, float priority)
      : node_(node), startTime_(startTime), priority_(priority) {}

  double Age(double now) const { return now - startTime_; }
  float GetPriority() const { return priority_; }
  bool BelongsTo(const TDirectSound* node) const { return node_ == node; }
  bool PlaysSameSample(const TDirectSound& node) const;
  TDirectSound* GetNode() const { return node_; }

 private:
  TDirectSound* node_;
  double startTime_;
  float priority_;
};

class tSoundSystem {
 public:
  static constexpr float kMinPriority = 0.05f;
  static constexpr double kRecentStart = 0.1;
  static constexpr int32_t kOutputRate = 22050;
  static constexpr std::size_t kVoiceLimit = 16;

  static tSoundSystem* Create();
  static void Destroy();
  static tSoundSystem* Instance();

  ~tSoundSystem();
  tSoundSystem(const tSoundSystem&) = delete;
  tSoundSystem& operator=(const tSoundSystem&) = delete;

  // A new tree for the Sound.cfg name, owned by the caller; a silent node for
  // an unknown name. Without copyPosition the nodes follow the caller's
  // vector.
  std::unique_ptr<TSound> MakeSound(const TVector3* position, bool copyPosition, const std::string& name);

  bool IsSoundOn() const { return soundOn_; }
  bool IsSoundOnEqual(bool on) const { return soundOn_ == on; }
  // Switches the output and writes "SoundOn"; returns 0.
  int32_t SetSoundOn(bool on);

  // No new sound starts while muted; mutes nest.
  void BeginMute() { ++muteCount_; }
  void EndMute() {
    if (muteCount_ > 0) --muteCount_;
  }
  bool IsMuted() const { return muteCount_ > 0; }
  uint32_t GetMuteCount() const { return muteCount_; }

  std::unique_ptr<TSampleBuffer> GetSampleBuffer(const std::string& fileName);
  // The leaves start and stop through these.
  void PlayNode(TDirectSound* node);
  void StopNode(TDirectSound* node);

  // Table look-ups; volumes outside 0..1 and pans outside -1..1 are taken at
  // the nearest end.
  int32_t VolumeToAttenuation(float volume) const;
  int32_t PanToAttenuation(float pan) const;

  // A child index in [0, count) for a random sound. Sounds draw from a
  // generator of their own: whether a machine plays sound must never move
  // the game's generator, or its turns would part from the server's.
  int32_t DrawSoundIndex(int32_t count);

  float EffectivePriority(const TDirectSound& node) const;
  void SetDistanceVolume(TDirectSound& node) const;
  void UpdatePan(TDirectSound& node) const;

  bool HasDevice() const { return device_ != nullptr; }
  const std::vector<std::unique_ptr<TSoundVoice>>& GetVoices() const { return voices_; }
  TSampleCache& GetSampleCache() { return *sampleCache_; }
  TSoundLibrary& GetLibrary() { return *library_; }
  // Definitions from elsewhere than "Configs\Sound.cfg" (tests, tools).
  void ReplaceLibrary(std::unique_ptr<TSoundLibrary> library);

 private:
  tSoundSystem();

  bool CreateDevice();
  bool OpenDevice();
  bool CreatePrimaryBuffer();
  void StartPrimary();
  void StopPrimary();
  bool CheckResult(const char* text, platform::SoundResult code);
  void BuildVolumeTable();
  void PurgeFinishedVoices();
  bool IsRecentlyStarted(const TDirectSound& node, double now) const;
  bool AcquireVoice(TDirectSound* node);
  void RemoveVoiceOf(const TDirectSound* node);

  std::unique_ptr<TSoundLibrary> library_;
  std::unique_ptr<TSampleCache> sampleCache_;
  std::unique_ptr<platform::SoundDevice> device_;
  std::unique_ptr<platform::SoundBuffer> primary_;
  bool soundOn_ = false;
  uint32_t muteCount_ = 0;
  std::vector<std::unique_ptr<TSoundVoice>> voices_;
  std::vector<int32_t> volumeTable_;
  TMersenneTwister soundChoices_;
};

// The pan of a point at screen x `screenX` for a view of `width` pixels whose
// centre lies at (centreX, centreY) at `zoom`: -1 full left to 1 full right.
float ComputeSoundPan(float zoom, int32_t width, float centreX, float centreY, int32_t screenX);
