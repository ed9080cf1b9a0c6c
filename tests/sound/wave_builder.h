// Builds WAV file images for the sound tests, well formed or broken on purpose.
#pragma once

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace sound_test {

inline void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

inline std::vector<uint8_t> Chunk(const char* id, const std::vector<uint8_t>& content, bool pad = true) {
  std::vector<uint8_t> out(id, id + 4);
  Put32(out, static_cast<uint32_t>(content.size()));
  out.insert(out.end(), content.begin(), content.end());
  if (pad && (content.size() & 1) != 0) out.push_back(0);
  return out;
}

inline std::vector<uint8_t> FormatContent(uint16_t channels, uint16_t bits, uint32_t rate = 22050, uint16_t tag = 1) {
  std::vector<uint8_t> out;
  const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
  Put16(out, tag);
  Put16(out, channels);
  Put32(out, rate);
  Put32(out, rate * align);
  Put16(out, align);
  Put16(out, bits);
  return out;
}

inline std::vector<uint8_t> Riff(const std::vector<std::vector<uint8_t>>& chunks) {
  std::vector<uint8_t> body;
  for (const auto& chunk : chunks) body.insert(body.end(), chunk.begin(), chunk.end());
  std::vector<uint8_t> out{'R', 'I', 'F', 'F'};
  Put32(out, static_cast<uint32_t>(body.size() + 4));
  out.insert(out.end(), {'W', 'A', 'V', 'E'});
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

// A sine of the frequency at the amplitude (0..1), 16-bit mono.
inline std::vector<uint8_t> SineData16(double frequency, double amplitude, uint32_t frames, uint32_t rate = 22050) {
  std::vector<uint8_t> out;
  for (uint32_t i = 0; i < frames; ++i) {
    const double v = amplitude * 32767.0 * std::sin(2.0 * 3.14159265358979 * frequency * i / rate);
    Put16(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v))));
  }
  return out;
}

inline std::vector<uint8_t> SimpleWave(uint32_t frames, uint16_t channels = 1, uint16_t bits = 8) {
  std::vector<uint8_t> data(frames * channels * bits / 8, 0x40);
  return Riff({Chunk("fmt ", FormatContent(channels, bits)), Chunk("data", data)});
}

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace sound_test
