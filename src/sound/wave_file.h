// The program's own RIFF WAVE reader. Sound files are replaceable data, so a
// file is taken only when every chunk lies inside it and its format is one
// the mixer plays (PCM, 8 or 16 bits, mono or stereo).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/sound_device.h"

struct TWaveData {
  // Null until a "fmt " chunk is read.
  std::unique_ptr<platform::SoundFormat> format;
  std::vector<uint8_t> data;
  uint32_t dataSize = 0;

  void Clear();
};

// The size of the format block a "fmt " chunk is copied into.
constexpr std::size_t kWaveFormatBlockBytes = 18;
// Files above this are not sounds the game could use.
constexpr std::size_t kMaxWaveFileBytes = 64u * 1024u * 1024u;

// Reads a whole file image; false with the reason when it is refused.
bool ParseWaveData(const uint8_t* bytes, std::size_t size, TWaveData& wave, std::string& reason);
// Reads the file; a file that cannot be opened or is refused shows "Unable
// to load sound." and logs why.
bool LoadWaveFile(TWaveData& wave, const std::string& fileName);
