#include "sound/wave_file.h"

#include <algorithm>
#include <cstring>

#include "app/files.h"
#include "app/log.h"
#include "app/message_box.h"
#include "platform/sound_mixer.h"

namespace {

constexpr std::size_t kRiffHeaderBytes = 12;
constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::size_t kMinFormatBytes = 16;

uint16_t Read16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

uint32_t Read32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) | (static_cast<uint32_t>(at[2]) << 16) |
         (static_cast<uint32_t>(at[3]) << 24);
}

// The format block as it is laid out in the file.
platform::SoundFormat DecodeFormat(const uint8_t* content, std::size_t size) {
  uint8_t block[kWaveFormatBlockBytes] = {};
  std::memcpy(block, content, std::min(size, kWaveFormatBlockBytes));
  platform::SoundFormat format;
  format.formatTag = Read16(block);
  format.channels = Read16(block + 2);
  format.samplesPerSecond = Read32(block + 4);
  format.bytesPerSecond = Read32(block + 8);
  format.blockAlign = Read16(block + 12);
  format.bitsPerSample = Read16(block + 14);
  format.extraSize = Read16(block + 16);
  return format;
}

bool Refuse(std::string& reason, const char* text) {
  reason = text;
  return false;
}

bool TakeData(const uint8_t* content, std::size_t size, TWaveData& wave, std::string& reason) {
  if (!wave.format) return Refuse(reason, "the data comes before the format");
  if (!platform::IsPlayableFormat(*wave.format)) return Refuse(reason, "unsupported sample format");
  // Only whole frames are played; a torn last frame is dropped.
  const std::size_t whole = size - size % wave.format->blockAlign;
  if (whole == 0) return Refuse(reason, "no samples");
  wave.data.assign(content, content + whole);
  wave.dataSize = static_cast<uint32_t>(whole);
  return true;
}

}  // namespace

void TWaveData::Clear() {
  format.reset();
  data.clear();
  data.shrink_to_fit();
  dataSize = 0;
}

bool ParseWaveData(const uint8_t* bytes, std::size_t size, TWaveData& wave, std::string& reason) {
  wave.Clear();
  if (size < kRiffHeaderBytes) return Refuse(reason, "truncated header");
  if (size > kMaxWaveFileBytes) return Refuse(reason, "file too large");
  std::size_t offset = kRiffHeaderBytes;
  while (size - offset >= kChunkHeaderBytes) {
    const uint8_t* header = bytes + offset;
    const uint32_t length = Read32(header + 4);
    offset += kChunkHeaderBytes;
    if (length > size - offset) {
      wave.Clear();
      return Refuse(reason, "a chunk runs past the end of the file");
    }
    const uint8_t* content = bytes + offset;
    if (std::memcmp(header, "fmt ", 4) == 0) {
      if (length < kMinFormatBytes) {
        wave.Clear();
        return Refuse(reason, "format chunk too short");
      }
      // Bytes past the format block (an extended format) are not needed.
      wave.format = std::make_unique<platform::SoundFormat>(DecodeFormat(content, length));
    } else if (std::memcmp(header, "data", 4) == 0) {
      if (!TakeData(content, length, wave, reason)) {
        wave.Clear();
        return false;
      }
      return true;
    }
    // Chunks are word aligned: an odd one is followed by a pad byte, which
    // may be missing at the very end of a file.
    offset += length;
    if ((length & 1u) != 0 && offset < size) ++offset;
  }
  wave.Clear();
  return Refuse(reason, "no data chunk");
}

bool LoadWaveFile(TWaveData& wave, const std::string& fileName) {
  wave.Clear();
  TFile file(fileName, "in");
  std::vector<uint8_t> bytes;
  if (!file.Open() || !file.ReadAll(bytes, kMaxWaveFileBytes)) {
    ShowMessageText("Unable to load sound.");
    return false;
  }
  std::string reason;
  if (!ParseWaveData(bytes.data(), bytes.size(), wave, reason)) {
    WriteLog("Sound file " + fileName + " refused: " + reason + "\n");
    ShowMessageText("Unable to load sound.");
    return false;
  }
  return true;
}
