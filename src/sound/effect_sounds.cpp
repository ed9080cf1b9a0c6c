#include "sound/effect_sounds.h"

#include <string>

#include "app/vector3.h"
#include "sound/sound_nodes.h"
#include "sound/sound_system.h"

TEffectSound::TEffectSound() = default;

TEffectSound::~TEffectSound() = default;

void TEffectSound::Start(std::string_view name, const TVector3& position, float startTime, float volume) {
  Make(name, position);
  if (!sound_) return;
  if (volume != 1.0f) sound_->SetVolumeScale(volume);
  sound_->Start(startTime);
}

void TEffectSound::Make(std::string_view name, const TVector3& position) {
  tSoundSystem* system = tSoundSystem::Instance();
  if (system != nullptr) sound_ = system->MakeSound(&position, false, std::string(name));
}

void TEffectSound::StartAt(float startTime) {
  if (sound_) sound_->Start(startTime);
}

void TEffectSound::Select(int32_t index) {
  if (auto* choice = dynamic_cast<TSoundSwitch*>(sound_.get())) choice->Select(index);
}

void TEffectSound::Update(float time) {
  if (sound_) sound_->Update(time);
}

void TEffectSound::SetVolume(float volume) {
  if (sound_) sound_->SetVolumeScale(volume);
}
