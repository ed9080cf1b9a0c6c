#include "sound/effect_sounds.h"

#include <string>

#include "app/vector3.h"
#include "sound/sound_nodes.h"
#include "sound/sound_system.h"

TEffectSound::TEffectSound() = default;

TEffectSound::~TEffectSound() = default;

void TEffectSound::Start(std::string_view name, const TVector3& position, float startTime, float volume) {
  tSoundSystem* system = tSoundSystem::Instance();
  if (system == nullptr) return;
  sound_ = system->MakeSound(&position, false, std::string(name));
  if (!sound_) return;
  if (volume != 1.0f) sound_->SetVolumeScale(volume);
  sound_->Start(startTime);
}

void TEffectSound::Update(float time) {
  if (sound_) sound_->Update(time);
}
