// Mixing 16 voices into 22,050 Hz stereo, as the SDL callback does; the
// counter "realtime" is how many seconds of sound one second of work mixes
// (goal: 200 or more on one core).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "platform/sound_mixer.h"

namespace {

constexpr uint32_t kRate = 22050;
constexpr uint32_t kBlock = 512;
constexpr int kVoices = 16;

std::unique_ptr<platform::SoundBuffer> MakeVoice(platform::MixerDevice& device, int index) {
  platform::SoundFormat format;
  format.formatTag = platform::kWaveFormatPcm;
  format.channels = index % 4 == 0 ? 2 : 1;
  format.bitsPerSample = index % 2 == 0 ? 16 : 8;
  format.samplesPerSecond = index % 3 == 0 ? 11025 : kRate;
  format.blockAlign = static_cast<uint16_t>(format.channels * format.bitsPerSample / 8);
  format.bytesPerSecond = format.samplesPerSecond * format.blockAlign;
  platform::SoundBufferDescription description;
  description.flags = platform::kBufferStatic;
  description.bytes = format.samplesPerSecond * format.blockAlign;
  description.format = &format;
  std::unique_ptr<platform::SoundBuffer> buffer;
  device.CreateSoundBuffer(description, buffer);
  void* region = nullptr;
  uint32_t bytes = 0;
  buffer->Lock(0, 0, &region, &bytes, platform::kLockEntireBuffer);
  auto* data = static_cast<uint8_t*>(region);
  for (uint32_t i = 0; i < bytes; ++i) data[i] = static_cast<uint8_t>(128 + 100 * std::sin(i * 0.05 * (index + 1)));
  buffer->Unlock(region, bytes);
  buffer->SetVolume(-100 * index);
  buffer->SetPan(index * 600 - 4500);
  buffer->Play(platform::kPlayLooping);
  return buffer;
}

void BM_MixSixteenVoices(benchmark::State& state) {
  auto core = std::make_shared<platform::MixerCore>(kRate);
  platform::MixerDevice device(core, 0);
  std::vector<std::unique_ptr<platform::SoundBuffer>> voices;
  for (int i = 0; i < kVoices; ++i) voices.push_back(MakeVoice(device, i));
  std::vector<int16_t> out(2 * kBlock);
  for (auto _ : state) {
    core->Mix(out.data(), kBlock);
    benchmark::DoNotOptimize(out.data());
  }
  const double seconds = static_cast<double>(state.iterations()) * kBlock / kRate;
  state.counters["realtime"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_MixSixteenVoices);
