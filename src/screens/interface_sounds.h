// The sounds of the interface, played by event name ("Activated" when a
// keyboard accelerator takes hold plays "Button Down").
#pragma once

#include <array>
#include <memory>
#include <string>

class TSound;

class TInterfaceSounds {
 public:
  static TInterfaceSounds* Instance();
  static void DestroyInstance();

  ~TInterfaceSounds();
  TInterfaceSounds(const TInterfaceSounds&) = delete;
  TInterfaceSounds& operator=(const TInterfaceSounds&) = delete;

  // Plays the event's sound; an unknown event plays nothing. The last event
  // and the count are kept so that callers can be checked for what they
  // raise.
  void Play(const std::string& eventName);
  const std::string& GetLastPlayed() const { return lastPlayed_; }
  int GetPlayCount() const { return playCount_; }
  // The sound of the Sound.cfg name ("Selection", "Undo", "Error",
  // "Deployment", "Button Down"); null for any other.
  TSound* GetSound(const std::string& soundName) const;

 private:
  TInterfaceSounds();

  static constexpr std::size_t kSoundCount = 5;
  std::array<std::unique_ptr<TSound>, kSoundCount> sounds_;
  std::string lastPlayed_;
  int playCount_ = 0;
};
