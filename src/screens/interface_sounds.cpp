#include "screens/interface_sounds.h"

#include <memory>

#include "sound/sound_nodes.h"
#include "sound/sound_system.h"

namespace {

// Sound.cfg names, in the order the sounds are made.
constexpr std::array<const char*, 5> kSoundNames = {"Selection", "Undo", "Error", "Deployment", "Button Down"};

struct TEventSound {
  const char* eventName;
  const char* soundName;
};

constexpr std::array<TEventSound, 5> kEventSounds = {{
    {"Undo", "Undo"},
    {"Selection", "Selection"},
    {"Error", "Error"},
    {"Deployment", "Deployment"},
    {"Activated", "Button Down"},
}};

std::unique_ptr<TInterfaceSounds>& InterfaceSoundsCell() {
  static std::unique_ptr<TInterfaceSounds> sounds;
  return sounds;
}

}  // namespace

TInterfaceSounds* TInterfaceSounds::Instance() {
  auto& sounds = InterfaceSoundsCell();
  if (!sounds) {
    sounds.reset(new TInterfaceSounds());
  }
  return sounds.get();
}

void TInterfaceSounds::DestroyInstance() { InterfaceSoundsCell().reset(); }

TInterfaceSounds::TInterfaceSounds() {
  tSoundSystem* system = tSoundSystem::Instance();
  for (std::size_t i = 0; i < kSoundCount; ++i) {
    if (system != nullptr) sounds_[i] = system->MakeSound(nullptr, false, kSoundNames[i]);
    if (!sounds_[i]) sounds_[i] = std::make_unique<TNullSound>();
  }
}

TInterfaceSounds::~TInterfaceSounds() = default;

TSound* TInterfaceSounds::GetSound(const std::string& soundName) const {
  for (std::size_t i = 0; i < kSoundCount; ++i) {
    if (soundName == kSoundNames[i]) return sounds_[i].get();
  }
  return nullptr;
}

void TInterfaceSounds::Play(const std::string& eventName) {
  lastPlayed_ = eventName;
  ++playCount_;
  for (const TEventSound& entry : kEventSounds) {
    if (eventName == entry.eventName) {
      GetSound(entry.soundName)->Play();
      return;
    }
  }
}
