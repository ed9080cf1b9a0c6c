// The real mixer in the SDL audio callback, under SDL's dummy driver: a known
// tone at a known volume and pan comes back at the expected level per ear.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "platform/sound_mixer.h"
#include "platform/sound_sdl.h"
#include "sound/filled_buffer.h"
#include "sound/wave_builder.h"

namespace {

constexpr uint32_t kFrames = 4096;

std::unique_ptr<platform::SoundBuffer> ToneBuffer(platform::SoundDevice& device, double amplitude) {
  // 441 Hz: exactly 50 frames a cycle, so the loop joins without a seam.
  return sound_test::FilledBuffer(device, 1, 16, 22050, sound_test::SineData16(441.0, amplitude, 2205));
}

double Peak(const std::vector<int16_t>& frames, int channel) {
  double sum = 0.0;
  std::size_t count = 0;
  for (std::size_t i = static_cast<std::size_t>(channel); i < frames.size(); i += 2, ++count) {
    sum += static_cast<double>(frames[i]) * frames[i];
  }
  return std::sqrt(2.0 * sum / static_cast<double>(count));
}

}  // namespace

TEST(SdlMixerTest, AToneComesBackAtItsVolumeAndPan) {
  std::unique_ptr<platform::SoundDevice> device;
  ASSERT_TRUE(platform::SoundSucceeded(platform::CreateSdlSoundDevice(device)));
  std::unique_ptr<platform::SoundBuffer> primary;
  platform::SoundBufferDescription primaryDescription;
  primaryDescription.flags = platform::kBufferPrimary;
  ASSERT_TRUE(platform::SoundSucceeded(device->CreateSoundBuffer(primaryDescription, primary)));
  auto tone = ToneBuffer(*device, 0.5);
  ASSERT_NE(tone, nullptr);
  // -6 dB on the tone, and a pan 6 dB to the right: the left ear loses 6 dB more.
  ASSERT_TRUE(platform::SoundSucceeded(tone->SetVolume(-600)));
  ASSERT_TRUE(platform::SoundSucceeded(tone->SetPan(600)));
  ASSERT_TRUE(platform::SoundSucceeded(tone->Play(platform::kPlayLooping)));
  platform::StartSdlCapture(*device, kFrames);
  primary->Play(platform::kPlayLooping);

  std::vector<int16_t> captured;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (captured.size() < 2 * kFrames && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    captured = platform::ReadSdlCapture(*device);
  }
  ASSERT_EQ(captured.size(), 2u * kFrames);
  const double gain = std::pow(10.0, -600.0 / 2000.0);
  EXPECT_NEAR(Peak(captured, 1), 0.5 * 32767.0 * gain, 0.5 * 32767.0 * gain * 0.02);
  EXPECT_NEAR(Peak(captured, 0), 0.5 * 32767.0 * gain * gain, 0.5 * 32767.0 * gain * gain * 0.02);
}

TEST(SdlMixerTest, SumsSaturateAndOneShotsStopAtTheirEnd) {
  auto core = std::make_shared<platform::MixerCore>(22050);
  platform::MixerDevice device(core, 0);
  std::vector<std::unique_ptr<platform::SoundBuffer>> loud;
  for (int i = 0; i < 3; ++i) {
    loud.push_back(ToneBuffer(device, 0.9));
    ASSERT_NE(loud.back(), nullptr);
    loud.back()->Play(0);
  }
  std::vector<int16_t> out(2 * 3000);
  core->Mix(out.data(), 3000);
  EXPECT_EQ(*std::max_element(out.begin(), out.end()), 32767);
  EXPECT_EQ(*std::min_element(out.begin(), out.end()), -32768);
  uint32_t status = 1;
  loud[0]->GetStatus(status);
  EXPECT_EQ(status & platform::kStatusPlaying, 0u);
  EXPECT_EQ(core->ActiveVoiceCount(), 0u);
}
