#include "sound/ambient_sound.h"

namespace {

// Plays from its first start on: a loop that nothing can be heard of.
class TSilentLoop : public TAmbientSound {
 public:
  void Play() override { playing_ = true; }
  bool IsPlaying() const override { return playing_; }
  void Update() override {}

 private:
  bool playing_ = false;
};

}  // namespace

std::unique_ptr<TAmbientSound> MakeAmbientSound(std::string_view /*name*/) { return std::make_unique<TSilentLoop>(); }
