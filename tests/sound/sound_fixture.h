// The fixture of the sound manager tests: a headless device on an injected
// clock, one-second samples a.wav to d.wav, and definitions that build the
// documented trees.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/files.h"
#include "app/log.h"
#include "display/display.h"
#include "display/map_view.h"
#include "platform/clock.h"
#include "platform/sound_headless.h"
#include "sound/sample_cache.h"
#include "sound/sound_library.h"
#include "sound/sound_nodes.h"
#include "sound/sound_system.h"
#include "sound/wave_builder.h"
#include "support/temp_folder.h"

namespace sound_test {

// Every sample the test definitions name: a second of sound each.
inline const char* const kDefinitions =
    "# test sounds\n"
    "[Large Explosion]\n"
    "RandomSound\n"
    "DirectSound | a.wav | Volume = 1.0 | Pitch = 1.0 | Priority = 1.0 | Looped = NO\n"
    "DirectSound | b.wav | Volume = 0.5 | Pitch = 1.0 | Priority = 0.7 | Looped = NO\n"
    "End\n"
    "[Cycle]\n"
    "SoundCycle | Rate = 4\n"
    "DirectSound | a.wav\n"
    "DirectSound | b.wav\n"
    "End\n"
    "[Nested]\n"
    "SoundSequence\n"
    "RandomSound\n"
    "DirectSound | a.wav\n"
    "DirectSound | b.wav\n"
    "End\n"
    "DirectSound | c.wav\n"
    "End\n"
    "[Blank]\n"
    "SoundSwitch\n"
    "\n"
    "DirectSound | a.wav || Pitch = 2.0 | Priority = 0.5\n"
    "End\n"
    "[Switch3]\n"
    "SoundSwitch\n"
    "DirectSound | a.wav\n"
    "DirectSound | b.wav\n"
    "DirectSound | c.wav\n"
    "End\n"
    "[Starts With End]\n"
    "End\n"
    "[Faint]\n"
    "DirectSound | a.wav | Volume = 1.0 | Pitch = 1.0 | Priority = 0.04\n"
    "[Rate2]\n"
    "SoundCycle | Rate = 2\n"
    "DirectSound | a.wav\n"
    "DirectSound | b.wav\n"
    "DirectSound | c.wav\n"
    "End\n"
    "[Rate2 Clamped]\n"
    "SoundCycle | Rate = 2 | Clamped = YES\n"
    "DirectSound | a.wav\n"
    "DirectSound | b.wav\n"
    "End\n"
    "[Missing]\n"
    "DirectSound | nowhere.wav\n";

class SoundSystemTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::SetTickSource([this] { return milliseconds_; });
    headless_ = std::make_shared<platform::HeadlessSound>();
    headless_->clock = [this] { return static_cast<double>(milliseconds_) * 0.001; };
    platform::UseHeadlessSound(headless_);
    for (const char* name : {"a.wav", "b.wav", "c.wav", "d.wav"}) WriteFile(name, SimpleWave(22050));
  }
  void TearDown() override {
    tSoundSystem::Destroy();
    TMapView::Destroy();
    platform::SetSoundDeviceFactory({});
    platform::SetTickSource({});
  }

  // A manager over the test definitions, switched on (or left silent).
  tSoundSystem& Start(bool on = true) {
    tSoundSystem* system = tSoundSystem::Create();
    system->ReplaceLibrary(std::make_unique<TSoundLibrary>(kDefinitions));
    if (on) system->SetSoundOn(true);
    return *system;
  }
  std::unique_ptr<TDirectSound> Leaf(const std::string& file, float priority = 1.0f,
                                     const TVector3* position = nullptr) {
    return std::make_unique<TDirectSound>(position, false, file, 1.0f, 1.0f, priority, false);
  }
  void Advance(uint64_t ms) { milliseconds_ += ms; }
  std::string Log() {
    TTextBuffer text;
    text.Load(GetLogPath());
    return text.Text();
  }

  TTempFolder folder_;
  uint64_t milliseconds_ = 1000000;
  std::shared_ptr<platform::HeadlessSound> headless_;
};

template <typename T>
inline T* As(TSound* sound) {
  return dynamic_cast<T*>(sound);
}

}  // namespace sound_test
