#include "platform/sound_sdl.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/sound_mixer.h"
#include "platform/window.h"

namespace platform {

namespace {

constexpr uint32_t kOutputRate = 22050;
constexpr uint16_t kCallbackFrames = 512;

class SdlMixerCore : public MixerCore {
 public:
  SdlMixerCore() : MixerCore(kOutputRate) {}
  ~SdlMixerCore() override {
    if (device_ != 0) SDL_CloseAudioDevice(device_);
    if (audioStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  bool Open() {
    if (IsHeadless() && std::getenv("SDL_AUDIODRIVER") == nullptr) {
      SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
    }
    audioStarted_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (!audioStarted_) return false;
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(kOutputRate);
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = kCallbackFrames;
    wanted.callback = &SdlMixerCore::Callback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // SDL converts whatever the hardware wants; the mixer always makes this.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    return device_ != 0;
  }

  void LockOutput() override { SDL_LockAudioDevice(device_); }
  void UnlockOutput() override { SDL_UnlockAudioDevice(device_); }
  void SetOutputRunning(bool running) override {
    MixerCore::SetOutputRunning(running);
    SDL_PauseAudioDevice(device_, running ? 0 : 1);
  }

  void StartCapture(uint32_t frames) {
    OutputLock lock(*this);
    capture_.clear();
    captureFrames_ = frames;
  }
  std::vector<int16_t> ReadCapture() {
    OutputLock lock(*this);
    return capture_;
  }

 private:
  static void Callback(void* userdata, Uint8* stream, int length) {
    auto* core = static_cast<SdlMixerCore*>(userdata);
    const auto frames = static_cast<uint32_t>(length / (2 * sizeof(int16_t)));
    auto* out = reinterpret_cast<int16_t*>(stream);
    core->Mix(out, frames);
    core->Capture(out, frames);
  }

  void Capture(const int16_t* out, uint32_t frames) {
    const std::size_t wanted = static_cast<std::size_t>(captureFrames_) * 2;
    if (capture_.size() >= wanted) return;
    const std::size_t take = std::min<std::size_t>(wanted - capture_.size(), static_cast<std::size_t>(frames) * 2);
    capture_.insert(capture_.end(), out, out + take);
  }

  SDL_AudioDeviceID device_ = 0;
  bool audioStarted_ = false;
  uint32_t captureFrames_ = 0;
  std::vector<int16_t> capture_;
};

class SdlSoundDevice : public MixerDevice {
 public:
  explicit SdlSoundDevice(std::shared_ptr<SdlMixerCore> core)
      : MixerDevice(core, kCapsPrimaryStereo | kCapsPrimary16Bit), sdlCore_(std::move(core)) {}
  SdlMixerCore& Sdl() { return *sdlCore_; }

 private:
  std::shared_ptr<SdlMixerCore> sdlCore_;
};

SdlMixerCore* SdlCoreOf(SoundDevice& device) {
  auto* sdl = dynamic_cast<SdlSoundDevice*>(&device);
  return sdl != nullptr ? &sdl->Sdl() : nullptr;
}

SoundDeviceFactory& InstalledFactory() {
  static SoundDeviceFactory factory;
  return factory;
}

}  // namespace

SoundResult CreateSdlSoundDevice(std::unique_ptr<SoundDevice>& device) {
  auto core = std::make_shared<SdlMixerCore>();
  if (!core->Open()) return kSoundFailed;
  device = std::make_unique<SdlSoundDevice>(std::move(core));
  return kSoundOk;
}

void StartSdlCapture(SoundDevice& device, uint32_t frames) {
  if (SdlMixerCore* core = SdlCoreOf(device)) core->StartCapture(frames);
}

std::vector<int16_t> ReadSdlCapture(SoundDevice& device) {
  SdlMixerCore* core = SdlCoreOf(device);
  return core != nullptr ? core->ReadCapture() : std::vector<int16_t>();
}

SoundResult CreateSoundDevice(std::unique_ptr<SoundDevice>& device) {
  const SoundDeviceFactory& factory = InstalledFactory();
  return factory ? factory(device) : CreateSdlSoundDevice(device);
}

void SetSoundDeviceFactory(SoundDeviceFactory factory) { InstalledFactory() = std::move(factory); }

}  // namespace platform
