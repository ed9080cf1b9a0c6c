// The sound of an effect object in the world (a death cry, a blast, a shot,
// a spark): made from its Sound.cfg name at the object's position, started
// at a game time and advanced by the object's updates. Without a sound
// system, or with sound off, it is silent and costs nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

class TSound;
class TVector3;

class TEffectSound {
 public:
  TEffectSound();
  ~TEffectSound();
  TEffectSound(const TEffectSound&) = delete;
  TEffectSound& operator=(const TEffectSound&) = delete;

  // Makes the named sound, following `position` (which must outlive this),
  // scaled by the volume (0.0 to 1.0), to start at the game time.
  void Start(std::string_view name, const TVector3& position, float startTime, float volume = 1.0f);
  void Update(float time);
  // The two halves of Start, for owners that start their sound later than
  // they make it.
  void Make(std::string_view name, const TVector3& position);
  void StartAt(float startTime);
  // Selects a child of a switch sound; it starts at the next StartAt or Update.
  void Select(int32_t index);
  // Scales the sound's volume (0.0 to 1.0) from now on.
  void SetVolume(float volume);
  bool IsMade() const { return sound_ != nullptr; }
  TSound* GetSound() const { return sound_.get(); }

 private:
  std::unique_ptr<TSound> sound_;
};
