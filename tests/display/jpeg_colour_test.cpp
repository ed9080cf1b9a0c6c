#include "display/image/jpeg_colour.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

TEST(JpegColour, BothBuildsOfTheLinePairAgree) {
  TJpegColourTables tables;
  tables.Build();
  uint32_t seed = 5;
  for (const bool wide : {false, true}) {
    for (const int32_t width : {1, 7, 8, 9, 16, 33, 61}) {
      const int32_t mcuPixels = wide ? 16 : 8;
      const int32_t mcus = (width + mcuPixels - 1) / mcuPixels;
      std::vector<uint8_t> samples(static_cast<std::size_t>(mcus) * (wide ? 384 : 256));
      for (uint8_t& sample : samples) {
        seed = seed * 1664525u + 1013904223u;
        sample = static_cast<uint8_t>(seed >> 24);
      }
      const std::size_t rowBytes = static_cast<std::size_t>(mcus) * mcuPixels * 4;
      for (int32_t line = 0; line < 16; line += 2) {
        std::vector<uint8_t> chosen[2] = {std::vector<uint8_t>(rowBytes), std::vector<uint8_t>(rowBytes)};
        std::vector<uint8_t> portable[2] = {std::vector<uint8_t>(rowBytes), std::vector<uint8_t>(rowBytes)};
        ConvertJpegLinePair(tables, samples.data(), width, wide, line, chosen[0].data(), chosen[1].data());
        ConvertJpegLinePairPortable(tables, samples.data(), width, wide, line, portable[0].data(), portable[1].data());
        for (int32_t i = 0; i < 2; ++i) {
          // Only the picture's own pixels count; the rest of the row is scratch.
          chosen[i].resize(static_cast<std::size_t>(width) * 4);
          portable[i].resize(static_cast<std::size_t>(width) * 4);
          ASSERT_EQ(chosen[i], portable[i]) << (wide ? "2x2" : "1x2") << " width " << width << " line " << line + i;
        }
      }
    }
  }
}

}  // namespace
