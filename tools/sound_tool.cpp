// Synthesises the game's sound samples: short 22,050 Hz PCM WAV files made
// from tones, noise and envelopes, so the data set carries no recorded sound.
// Usage: dvx_soundtool OUTPUT_FOLDER
// The same program always writes the same bytes (its noise is seeded).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

// A small fixed generator: the files must not change between runs.
class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed | 1u) {}
  double Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<double>(state_) / 2147483648.0 - 1.0;
  }

 private:
  uint32_t state_;
};

struct Sample {
  uint16_t channels = 1;
  uint16_t bits = 8;
  // Interleaved, -1 to 1.
  std::vector<double> values;
};

using Voice = std::function<double(double t, double duration, Noise& noise)>;

double Envelope(double t, double duration, double attack, double decayPower) {
  if (t < attack) return t / attack;
  const double rest = std::max(0.0, 1.0 - (t - attack) / std::max(duration - attack, 1e-6));
  return std::pow(rest, decayPower);
}

double Square(double phase) { return std::fmod(phase, 1.0) < 0.5 ? 1.0 : -1.0; }

Sample Mono(double duration, uint16_t bits, uint32_t seed, const Voice& voice) {
  Sample sample;
  sample.bits = bits;
  Noise noise(seed);
  const auto frames = static_cast<std::size_t>(duration * kRate);
  for (std::size_t i = 0; i < frames; ++i) {
    sample.values.push_back(voice(static_cast<double>(i) / kRate, duration, noise));
  }
  return sample;
}

// A tone that glides from one frequency to another.
Voice Glide(double from, double to, double attack, double decay, double level) {
  return [=](double t, double duration, Noise&) {
    const double f = from + (to - from) * (t / duration);
    const double phase = (from + 0.5 * (f - from)) * t;
    return level * std::sin(2.0 * kPi * phase) * Envelope(t, duration, attack, decay);
  };
}

// Noise through a one-pole low pass whose corner falls over time.
Voice Rumble(double brightness, double decay, double level) {
  return [=, low = 0.0](double t, double duration, Noise& noise) mutable {
    const double corner = brightness * (1.0 - 0.8 * t / duration);
    low += corner * (noise.Next() - low);
    return level * 3.0 * low * Envelope(t, duration, 0.002, decay);
  };
}

Voice Mix(Voice a, Voice b) {
  return [=](double t, double duration, Noise& noise) { return a(t, duration, noise) + b(t, duration, noise); };
}

void Put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

void PutTag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

std::vector<uint8_t> EncodeWave(const Sample& sample) {
  std::vector<uint8_t> data;
  for (double value : sample.values) {
    const double clipped = std::clamp(value, -1.0, 1.0);
    if (sample.bits == 8) {
      data.push_back(static_cast<uint8_t>(std::lround(clipped * 127.0) + 128));
    } else {
      Put16(data, static_cast<uint16_t>(static_cast<int16_t>(std::lround(clipped * 32767.0))));
    }
  }
  const uint16_t blockAlign = static_cast<uint16_t>(sample.channels * sample.bits / 8);
  std::vector<uint8_t> out;
  PutTag(out, "RIFF");
  Put32(out, static_cast<uint32_t>(4 + 8 + 16 + 8 + data.size() + (data.size() & 1)));
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  Put32(out, 16);
  Put16(out, 1);
  Put16(out, sample.channels);
  Put32(out, kRate);
  Put32(out, kRate * blockAlign);
  Put16(out, blockAlign);
  Put16(out, sample.bits);
  PutTag(out, "data");
  Put32(out, static_cast<uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  if ((data.size() & 1) != 0) out.push_back(0);
  return out;
}

bool WriteWave(const std::string& folder, const std::string& name, const Sample& sample) {
  const std::string path = folder + "/" + name + ".wav";
  const std::vector<uint8_t> bytes = EncodeWave(sample);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

// A slow wind over a low hum, a different drift in each ear; it loops without
// a click because both ends are silent-free sums of whole cycles.
Sample Ambience() {
  Sample sample;
  sample.channels = 2;
  sample.bits = 8;
  const double duration = 2.0;
  Noise left(11), right(23);
  double lowLeft = 0.0, lowRight = 0.0;
  const auto frames = static_cast<std::size_t>(duration * kRate);
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double swell = 0.6 + 0.4 * std::sin(2.0 * kPi * 0.5 * t);
    lowLeft += 0.02 * (left.Next() - lowLeft);
    lowRight += 0.02 * (right.Next() - lowRight);
    const double hum = 0.12 * std::sin(2.0 * kPi * 55.0 * t);
    sample.values.push_back(hum + 2.5 * lowLeft * swell);
    sample.values.push_back(hum + 2.5 * lowRight * (1.6 - swell));
  }
  return sample;
}

struct Entry {
  const char* name;
  Sample sample;
};

std::vector<Entry> AllSamples() {
  std::vector<Entry> entries;
  auto add = [&](const char* name, Sample sample) { entries.push_back({name, std::move(sample)}); };
  // Interface.
  add("button_down", Mono(0.05, 8, 1, Glide(1800, 1200, 0.001, 2.0, 0.6)));
  add("button_up", Mono(0.04, 8, 2, Glide(1200, 1600, 0.001, 2.0, 0.5)));
  add("selection", Mono(0.12, 8, 3, Mix(Glide(660, 660, 0.005, 1.5, 0.4), Glide(990, 990, 0.005, 1.5, 0.3))));
  add("undo", Mono(0.15, 8, 4, Glide(700, 350, 0.005, 1.2, 0.6)));
  add("error", Mono(0.25, 8, 5, [](double t, double d, Noise&) {
        return 0.4 * Square(140.0 * t) * Envelope(t, d, 0.005, 0.7);
      }));
  add("deployment", Mono(0.2, 8, 6, Mix(Glide(440, 880, 0.01, 1.0, 0.4), Rumble(0.3, 3.0, 0.2))));
  // Movement.
  add("footstep", Mono(0.09, 8, 7, Rumble(0.25, 4.0, 0.7)));
  add("servo", Mono(0.3, 8, 8, [](double t, double d, Noise&) {
        return 0.35 * Square(90.0 * t + 3.0 * t * t) * Envelope(t, d, 0.02, 0.5);
      }));
  add("squelch", Mono(0.18, 8, 9, Mix(Rumble(0.08, 1.5, 0.6), Glide(200, 90, 0.01, 1.5, 0.3))));
  // Shots, one per weapon family.
  add("shot_rifle", Mono(0.18, 16, 10, Mix(Rumble(0.9, 3.0, 0.8), Glide(900, 200, 0.001, 3.0, 0.3))));
  add("shot_launcher", Mono(0.35, 8, 12, Mix(Rumble(0.4, 2.0, 0.7), Glide(300, 120, 0.002, 2.0, 0.3))));
  add("shot_missile", Mono(0.6, 8, 13, [](double t, double d, Noise& noise) {
        return (0.3 * noise.Next() + 0.25 * std::sin(2.0 * kPi * (220.0 + 180.0 * t) * t)) * Envelope(t, d, 0.05, 0.8);
      }));
  add("shot_spike", Mono(0.15, 8, 14, Glide(2400, 600, 0.001, 2.5, 0.6)));
  add("shot_psychic", Mono(0.5, 8, 15, [](double t, double d, Noise&) {
        const double wobble = std::sin(2.0 * kPi * 7.0 * t);
        return 0.5 * std::sin(2.0 * kPi * (330.0 + 60.0 * wobble) * t) * Envelope(t, d, 0.08, 1.0);
      }));
  add("shot_warp", Mono(0.4, 8, 16, Glide(120, 1800, 0.02, 1.0, 0.6)));
  add("shot_goo", Mono(0.3, 8, 17, Mix(Rumble(0.05, 1.2, 0.8), Glide(160, 60, 0.01, 1.0, 0.3))));
  add("bounce", Mono(0.08, 8, 18, Mix(Glide(1500, 1100, 0.001, 3.0, 0.4), Rumble(0.6, 4.0, 0.3))));
  add("ricochet", Mono(0.2, 8, 19, Glide(3000, 1400, 0.001, 1.5, 0.4)));
  // Blasts.
  add("explosion_large_1", Mono(1.2, 16, 20, Rumble(0.12, 1.5, 1.0)));
  add("explosion_large_2", Mono(1.0, 16, 21, Mix(Rumble(0.18, 1.8, 0.9), Glide(70, 40, 0.003, 1.2, 0.4))));
  add("explosion_small", Mono(0.5, 8, 22, Rumble(0.3, 2.0, 0.9)));
  add("goo_explosion", Mono(0.7, 8, 23, Mix(Rumble(0.06, 1.0, 0.9), Glide(120, 40, 0.01, 1.0, 0.4))));
  add("shield", Mono(0.4, 8, 24, [](double t, double d, Noise&) {
        return 0.4 * std::sin(2.0 * kPi * 520.0 * t) * std::sin(2.0 * kPi * 9.0 * t) * Envelope(t, d, 0.03, 1.0);
      }));
  // Deaths, one per race.
  add("death_marine", Mono(0.5, 8, 25, Glide(520, 180, 0.02, 1.3, 0.6)));
  add("death_machine", Mono(0.6, 8, 26, Mix(Rumble(0.7, 1.5, 0.6), [](double t, double d, Noise&) {
        return 0.3 * Square(200.0 * t - 120.0 * t * t) * Envelope(t, d, 0.005, 1.5);
      })));
  add("death_grey", Mono(0.6, 8, 27, Glide(900, 2200, 0.02, 1.0, 0.5)));
  add("death_spawn", Mono(0.5, 8, 28, Mix(Rumble(0.05, 1.0, 0.7), Glide(300, 80, 0.01, 1.0, 0.4))));
  add("ambient", Ambience());
  return entries;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  for (const Entry& entry : AllSamples()) {
    if (!WriteWave(argv[1], entry.name, entry.sample)) {
      std::fprintf(stderr, "cannot write %s/%s.wav\n", argv[1], entry.name);
      return 1;
    }
  }
  return 0;
}
