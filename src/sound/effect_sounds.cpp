#include "sound/effect_sounds.h"

#include "app/vector3.h"
#include "sound/sound_system.h"

void StartEffectSound(std::string_view /*name*/, const TVector3& /*position*/, float /*startTime*/,
                      float /*volume*/) {
  // Without sound nodes there is nothing to start; a muted or absent sound
  // system would refuse anyway.
  if (tSoundSystem::Instance() == nullptr) return;
}
