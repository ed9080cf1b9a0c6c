#include "sound/ambient_sound.h"

#include <string>

#include "app/system_clock.h"
#include "sound/sound_nodes.h"
#include "sound/sound_system.h"

namespace {

// The world's loop over the sound system's tree for the name.
class TAmbientLoop : public TAmbientSound {
 public:
  explicit TAmbientLoop(std::unique_ptr<TSound> sound) : sound_(std::move(sound)) {}
  void Play() override { sound_->Play(); }
  bool IsPlaying() const override { return sound_->IsPlaying(); }
  // Unplaced, started by Play: any time at or after zero only keeps it going.
  void Update() override { sound_->Update(static_cast<float>(TSystemClock::Instance()->GetSeconds())); }

 private:
  std::unique_ptr<TSound> sound_;
};

// Without a sound system (a server run, a tool) the loop plays from its first
// start on, and nothing can be heard of it.
class TSilentLoop : public TAmbientSound {
 public:
  void Play() override { playing_ = true; }
  bool IsPlaying() const override { return playing_; }
  void Update() override {}

 private:
  bool playing_ = false;
};

}  // namespace

std::unique_ptr<TAmbientSound> MakeAmbientSound(std::string_view name) {
  tSoundSystem* system = tSoundSystem::Instance();
  if (system == nullptr) return std::make_unique<TSilentLoop>();
  std::unique_ptr<TSound> sound = system->MakeSound(nullptr, false, std::string(name));
  if (!sound) return std::make_unique<TSilentLoop>();
  return std::make_unique<TAmbientLoop>(std::move(sound));
}
