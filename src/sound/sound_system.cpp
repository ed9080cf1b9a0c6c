#include "sound/sound_system.h"

#include "app/application.h"
#include "app/settings_store.h"

namespace {

std::unique_ptr<tSoundSystem> gSoundSystem;

}  // namespace

tSoundSystem* tSoundSystem::Create() {
  gSoundSystem.reset(new tSoundSystem());
  if (TGameApplication* application = GetGameApplication()) {
    if (TSettingsStore* settings = application->GetSettings()) {
      settings->SelectSection("APP");
      settings->GetBool("SoundOn", gSoundSystem->soundOn_);
    }
  }
  return gSoundSystem.get();
}

void tSoundSystem::Destroy() { gSoundSystem.reset(); }

tSoundSystem* tSoundSystem::Instance() { return gSoundSystem.get(); }
