#include "sound/wave_file.h"

#include <gtest/gtest.h>

#include "sound/wave_builder.h"

using namespace sound_test;

namespace {

struct WaveCase {
  const char* name;
  std::vector<uint8_t> bytes;
  bool accepted;
  uint32_t dataSize;
  uint16_t channels;
  uint16_t bits;
};

std::vector<WaveCase> Corpus() {
  const std::vector<uint8_t> four(4, 0x11);
  std::vector<uint8_t> longFormat = FormatContent(2, 16);
  longFormat.resize(40, 0x7F);
  std::vector<uint8_t> truncated = Riff({Chunk("fmt ", FormatContent(1, 8)), Chunk("data", std::vector<uint8_t>(100, 1))});
  truncated.resize(truncated.size() - 30);
  std::vector<uint8_t> beyond = Riff({Chunk("fmt ", FormatContent(1, 8))});
  beyond.insert(beyond.end(), {'d', 'a', 't', 'a', 0xFF, 0xFF, 0xFF, 0x7F, 1, 2});
  return {
      {"8-bit mono", SimpleWave(10, 1, 8), true, 10, 1, 8},
      {"16-bit stereo", SimpleWave(10, 2, 16), true, 40, 2, 16},
      {"8-bit stereo", SimpleWave(7, 2, 8), true, 14, 2, 8},
      {"16-bit mono", SimpleWave(5, 1, 16), true, 10, 1, 16},
      {"a chunk before fmt", Riff({Chunk("LIST", four), Chunk("fmt ", FormatContent(1, 8)), Chunk("data", four)}),
       true, 4, 1, 8},
      {"an odd chunk with its pad byte",
       Riff({Chunk("fmt ", FormatContent(1, 8)), Chunk("note", {1, 2, 3}), Chunk("data", four)}), true, 4, 1, 8},
      {"an extended format chunk", Riff({Chunk("fmt ", longFormat), Chunk("data", four)}), true, 4, 2, 16},
      {"a torn last frame", Riff({Chunk("fmt ", FormatContent(1, 16)), Chunk("data", {1, 2, 3})}), true, 2, 1, 16},
      {"no data chunk", Riff({Chunk("fmt ", FormatContent(1, 8))}), false, 0, 0, 0},
      {"no format chunk", Riff({Chunk("data", four)}), false, 0, 0, 0},
      {"data before format", Riff({Chunk("data", four), Chunk("fmt ", FormatContent(1, 8))}), false, 0, 0, 0},
      {"a short format chunk", Riff({Chunk("fmt ", {1, 0, 1, 0}), Chunk("data", four)}), false, 0, 0, 0},
      {"a chunk length beyond the file", beyond, false, 0, 0, 0},
      {"a truncated file", truncated, false, 0, 0, 0},
      {"a truncated header", {'R', 'I', 'F', 'F', 0}, false, 0, 0, 0},
      {"compressed samples", Riff({Chunk("fmt ", FormatContent(1, 8, 22050, 2)), Chunk("data", four)}), false, 0, 0, 0},
      {"24-bit samples", Riff({Chunk("fmt ", FormatContent(1, 24)), Chunk("data", std::vector<uint8_t>(6, 0))}),
       false, 0, 0, 0},
      {"six channels", Riff({Chunk("fmt ", FormatContent(6, 8)), Chunk("data", std::vector<uint8_t>(6, 0))}), false, 0,
       0, 0},
      {"a rate of 50 Hz", Riff({Chunk("fmt ", FormatContent(1, 8, 50)), Chunk("data", four)}), false, 0, 0, 0},
      {"an empty data chunk", Riff({Chunk("fmt ", FormatContent(1, 8)), Chunk("data", {})}), false, 0, 0, 0},
  };
}

}  // namespace

TEST(WaveFileTest, CorpusGivesTheRightResults) {
  for (const WaveCase& c : Corpus()) {
    SCOPED_TRACE(c.name);
    TWaveData wave;
    std::string reason;
    const bool accepted = ParseWaveData(c.bytes.data(), c.bytes.size(), wave, reason);
    ASSERT_EQ(accepted, c.accepted) << reason;
    if (!accepted) {
      EXPECT_FALSE(reason.empty());
      EXPECT_EQ(wave.dataSize, 0u);
      EXPECT_TRUE(wave.data.empty());
      continue;
    }
    ASSERT_NE(wave.format, nullptr);
    EXPECT_EQ(wave.dataSize, c.dataSize);
    EXPECT_EQ(wave.data.size(), c.dataSize);
    EXPECT_EQ(wave.format->channels, c.channels);
    EXPECT_EQ(wave.format->bitsPerSample, c.bits);
  }
}

TEST(WaveFileTest, ChunksAfterTheDataAreNotRead) {
  std::vector<uint8_t> bytes = Riff({Chunk("fmt ", FormatContent(1, 8)), Chunk("data", {9, 9})});
  bytes.insert(bytes.end(), {'j', 'u', 'n', 'k', 0xFF, 0xFF, 0xFF, 0xFF});
  TWaveData wave;
  std::string reason;
  ASSERT_TRUE(ParseWaveData(bytes.data(), bytes.size(), wave, reason));
  EXPECT_EQ(wave.data, (std::vector<uint8_t>{9, 9}));
}
