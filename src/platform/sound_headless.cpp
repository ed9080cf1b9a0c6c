#include "platform/sound_headless.h"

#include <cmath>
#include <utility>

#include "platform/sound_mixer.h"

namespace platform {

namespace {

class HeadlessMixerCore : public MixerCore {
 public:
  explicit HeadlessMixerCore(std::shared_ptr<HeadlessSound> state)
      : MixerCore(HeadlessSound::kOutputRate), state_(std::move(state)), lastTime_(state_->Now()) {}

  SoundResult Check(const char* operation, int64_t argument) override { return state_->Check(operation, argument); }

  // The output frames that passed since the last look move every voice on,
  // but only while the output runs, as the real device does.
  void Catch() override {
    const double now = state_->Now();
    const double frames = std::floor((now - lastTime_) * OutputRate());
    if (frames < 1.0) return;
    lastTime_ += frames / OutputRate();
    if (IsOutputRunning()) Advance(static_cast<uint64_t>(frames));
  }

 private:
  std::shared_ptr<HeadlessSound> state_;
  double lastTime_;
};

}  // namespace

int32_t HeadlessSound::CountCalls(const std::string& operation) const {
  int32_t count = 0;
  for (const std::string& call : calls) {
    if (call == operation || call.rfind(operation + " ", 0) == 0) ++count;
  }
  return count;
}

SoundResult HeadlessSound::Check(const char* operation, int64_t argument) {
  const std::string name = operation;
  calls.push_back(name + " " + std::to_string(argument));
  if (failing.count(name) != 0) return kSoundFailed;
  if (name == "CreateSoundBuffer" && refuseHardwareBuffers && (argument & kBufferInHardware) != 0) {
    return kSoundFailed;
  }
  if (name == "Lock" && lostLocks > 0) {
    --lostLocks;
    return kSoundBufferLost;
  }
  return kSoundOk;
}

void UseHeadlessSound(const std::shared_ptr<HeadlessSound>& state) {
  SetSoundDeviceFactory([state](std::unique_ptr<SoundDevice>& device) {
    const SoundResult result = state->Check("CreateDevice", 0);
    if (!SoundSucceeded(result)) return result;
    ++state->devicesCreated;
    auto core = std::make_shared<HeadlessMixerCore>(state);
    device = std::make_unique<MixerDevice>(std::move(core), state->capsFlags);
    return kSoundOk;
  });
}

}  // namespace platform
