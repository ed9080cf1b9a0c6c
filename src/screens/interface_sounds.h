// The sounds of the interface, played by event name ("Activated" when a
// keyboard accelerator takes hold).
#pragma once

#include <string>

class TInterfaceSounds {
 public:
  static TInterfaceSounds* Instance();
  static void DestroyInstance();

  // Until the sound system plays interface sounds, an event is only
  // remembered, so that callers can be checked for the events they raise.
  void Play(const std::string& eventName);
  const std::string& GetLastPlayed() const { return lastPlayed_; }
  int GetPlayCount() const { return playCount_; }

 private:
  TInterfaceSounds() = default;

  std::string lastPlayed_;
  int playCount_ = 0;
};
