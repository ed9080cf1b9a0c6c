// The mixer read back frame by frame: each sample layout, source rates other
// than the output's, frequency, volume, pan, play position and looping.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/sound_mixer.h"
#include "sound/filled_buffer.h"
#include "sound/wave_builder.h"

namespace {

constexpr uint32_t kOutputRate = 22050;

struct Layout {
  uint16_t channels;
  uint16_t bits;
  uint32_t rate;
};

// A static buffer holding the bytes, not yet playing.
std::unique_ptr<platform::SoundBuffer> Buffer(platform::SoundDevice& device, const Layout& layout,
                                              const std::vector<uint8_t>& bytes) {
  return sound_test::FilledBuffer(device, layout.channels, layout.bits, layout.rate, bytes);
}

std::vector<uint8_t> Words(const std::vector<int16_t>& values) {
  std::vector<uint8_t> bytes;
  for (int16_t value : values) sound_test::Put16(bytes, static_cast<uint16_t>(value));
  return bytes;
}

// Gains are fixed point, so a level may come out one step below the exact one.
void ExpectFrames(const std::vector<int16_t>& actual, const std::vector<int16_t>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i) EXPECT_NEAR(actual[i], expected[i], 1) << "sample " << i;
}

class MixerFormatsTest : public testing::Test {
 protected:
  std::vector<int16_t> Mix(uint32_t frames) {
    std::vector<int16_t> out(2 * frames);
    core_->Mix(out.data(), frames);
    return out;
  }

  std::shared_ptr<platform::MixerCore> core_ = std::make_shared<platform::MixerCore>(kOutputRate);
  platform::MixerDevice device_{core_, 0};
};

}  // namespace

// Output frames interleaved left, right. 8-bit samples are unsigned around
// 128 and scale by 256; 16-bit ones are signed and pass unchanged.
TEST_F(MixerFormatsTest, EachLayoutAndRateComesOutAsStereo) {
  struct LayoutCase {
    const char* what;
    Layout layout;
    std::vector<uint8_t> bytes;
    std::vector<int16_t> expected;
  };
  const std::vector<LayoutCase> cases = {
      {"8-bit mono", {1, 8, kOutputRate}, {192, 64, 128}, {16384, 16384, -16384, -16384, 0, 0}},
      {"8-bit stereo", {2, 8, kOutputRate}, {0, 255, 128, 129}, {-32768, 32512, 0, 256}},
      {"16-bit mono", {1, 16, kOutputRate}, Words({1000, -2000}), {1000, 1000, -2000, -2000}},
      {"16-bit stereo", {2, 16, kOutputRate}, Words({-1000, 2000, 32767, -32768}), {-1000, 2000, 32767, -32768}},
      {"half the output rate plays each frame twice", {1, 16, kOutputRate / 2}, Words({100, 200}),
       {100, 100, 100, 100, 200, 200, 200, 200}},
      {"twice the output rate skips every other frame", {1, 16, kOutputRate * 2}, Words({100, 200, 300, 400}),
       {100, 100, 300, 300}},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.what);
    auto buffer = Buffer(device_, c.layout, c.bytes);
    ASSERT_NE(buffer, nullptr);
    ASSERT_TRUE(platform::SoundSucceeded(buffer->Play(0)));
    const auto frames = static_cast<uint32_t>(c.expected.size() / 2);
    EXPECT_EQ(Mix(frames), c.expected);
    // A one-shot that ran out plays nothing more.
    EXPECT_EQ(Mix(2), std::vector<int16_t>(4, 0));
  }
}

TEST_F(MixerFormatsTest, FrequencyVolumeAndPanShapeWhatComesOut) {
  const std::vector<uint8_t> ramp = Words({1000, 2000, 3000, 4000});
  struct ControlCase {
    const char* what;
    uint32_t frequency;
    int32_t volume;
    int32_t pan;
    std::vector<int16_t> expected;
  };
  const std::vector<ControlCase> cases = {
      {"as recorded", kOutputRate, 0, 0, {1000, 1000, 2000, 2000}},
      {"double frequency", kOutputRate * 2, 0, 0, {1000, 1000, 3000, 3000}},
      {"silent", kOutputRate, platform::kSilentVolume, 0, {0, 0, 0, 0}},
      {"full left", kOutputRate, 0, platform::kFullLeftPan, {1000, 0, 2000, 0}},
      {"full right", kOutputRate, 0, platform::kFullRightPan, {0, 1000, 0, 2000}},
      // -20 dB is a tenth; a pan of 20 dB to the right takes the left ear
      // down another tenth.
      {"quieter and to the right", kOutputRate, -2000, 2000, {10, 100, 20, 200}},
  };
  for (const ControlCase& c : cases) {
    SCOPED_TRACE(c.what);
    auto buffer = Buffer(device_, {1, 16, kOutputRate}, ramp);
    ASSERT_NE(buffer, nullptr);
    ASSERT_TRUE(platform::SoundSucceeded(buffer->SetFrequency(c.frequency)));
    ASSERT_TRUE(platform::SoundSucceeded(buffer->SetVolume(c.volume)));
    ASSERT_TRUE(platform::SoundSucceeded(buffer->SetPan(c.pan)));
    buffer->Play(0);
    ExpectFrames(Mix(2), c.expected);
  }
}

TEST_F(MixerFormatsTest, OutOfRangeControlsAreRefusedAndChangeNothing) {
  auto buffer = Buffer(device_, {1, 16, kOutputRate}, Words({1000, 2000}));
  ASSERT_NE(buffer, nullptr);
  EXPECT_FALSE(platform::SoundSucceeded(buffer->SetFrequency(platform::kMinFrequency - 1)));
  EXPECT_FALSE(platform::SoundSucceeded(buffer->SetFrequency(platform::kMaxFrequency + 1)));
  EXPECT_FALSE(platform::SoundSucceeded(buffer->SetVolume(1)));
  EXPECT_FALSE(platform::SoundSucceeded(buffer->SetVolume(platform::kSilentVolume - 1)));
  EXPECT_FALSE(platform::SoundSucceeded(buffer->SetPan(platform::kFullRightPan + 1)));
  buffer->Play(0);
  EXPECT_EQ(Mix(2), (std::vector<int16_t>{1000, 1000, 2000, 2000}));
}

TEST_F(MixerFormatsTest, DuplicatesShareTheSampleAndKeepTheirOwnPosition) {
  auto original = Buffer(device_, {1, 16, kOutputRate}, Words({10, 20, 30, 40}));
  ASSERT_NE(original, nullptr);
  std::unique_ptr<platform::SoundBuffer> copy;
  ASSERT_TRUE(platform::SoundSucceeded(device_.DuplicateSoundBuffer(*original, copy)));
  // The copy starts two frames in; the original stays stopped.
  ASSERT_TRUE(platform::SoundSucceeded(copy->SetCurrentPosition(4)));
  copy->Play(0);
  EXPECT_EQ(Mix(2), (std::vector<int16_t>{30, 30, 40, 40}));
  uint32_t status = 1;
  original->GetStatus(status);
  EXPECT_EQ(status & platform::kStatusPlaying, 0u);
  // The copy outlives the original and still plays the shared sample.
  original.reset();
  copy->SetCurrentPosition(0);
  copy->Play(0);
  EXPECT_EQ(Mix(1), (std::vector<int16_t>{10, 10}));
}

TEST_F(MixerFormatsTest, ALoopWrapsAndStopsOnlyWhenStopped) {
  auto buffer = Buffer(device_, {1, 16, kOutputRate}, Words({1, 2, 3}));
  ASSERT_NE(buffer, nullptr);
  buffer->Play(platform::kPlayLooping);
  EXPECT_EQ(Mix(7), (std::vector<int16_t>{1, 1, 2, 2, 3, 3, 1, 1, 2, 2, 3, 3, 1, 1}));
  uint32_t position = 99;
  buffer->GetCurrentPosition(position);
  EXPECT_EQ(position, 2u);
  buffer->Stop();
  EXPECT_EQ(Mix(1), (std::vector<int16_t>{0, 0}));
  EXPECT_EQ(core_->ActiveVoiceCount(), 0u);
}
