// The sound manager singleton.
#pragma once

#include <memory>

class tSoundSystem {
 public:
  // Creates the manager; reads "SoundOn" of the settings section "APP".
  static tSoundSystem* Create();
  static void Destroy();
  static tSoundSystem* Instance();

  bool IsSoundOn() const { return soundOn_; }
  void SetSoundOn(bool on) { soundOn_ = on; }

  // No new sound starts while muted; mutes nest.
  void BeginMute() { ++muteCount_; }
  void EndMute() {
    if (muteCount_ > 0) --muteCount_;
  }
  bool IsMuted() const { return muteCount_ > 0; }

 private:
  tSoundSystem() = default;

  bool soundOn_ = true;
  int muteCount_ = 0;
};
