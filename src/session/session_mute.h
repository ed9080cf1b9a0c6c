// Sound stays quiet while a session rewinds, replays or runs a turn at once:
// those ticks would otherwise play every shot of the turn in one frame.
#pragma once

#include "sound/sound_system.h"

class TSessionMute {
 public:
  TSessionMute() {
    if (tSoundSystem* sound = tSoundSystem::Instance()) sound->BeginMute();
  }
  ~TSessionMute() {
    if (tSoundSystem* sound = tSoundSystem::Instance()) sound->EndMute();
  }
  TSessionMute(const TSessionMute&) = delete;
  TSessionMute& operator=(const TSessionMute&) = delete;
};
