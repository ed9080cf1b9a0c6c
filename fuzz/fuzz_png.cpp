// PNG pictures (read through libpng) are data a player can replace: a load either
// fails or yields as many pixel bytes as the image claims.
#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <zlib.h>

#include "display/image/png_image.h"
#include "fuzz_image_file.h"
#include "fuzz_scratch_folder.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Refusals are shown as messages: headless, they go to standard error and the log.
  setenv("DVX_HEADLESS", "1", 1);
  fuzz::EnterScratchFolder("png");
  std::atexit([] { std::remove("input.png"); });
  return 0;
}

namespace {

// Mutations would almost always break a chunk checksum, which libpng refuses
// at once; mending the checksums lets them reach the decoding itself.
std::vector<uint8_t> WithChunkChecksums(const uint8_t* data, std::size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  std::size_t at = 8;
  while (at + 12 <= bytes.size()) {
    const uint32_t length = (uint32_t{bytes[at]} << 24) | (bytes[at + 1] << 16) | (bytes[at + 2] << 8) | bytes[at + 3];
    if (length > bytes.size() - at - 12) break;
    const uLong crc = crc32(0, &bytes[at + 4], static_cast<uInt>(length + 4));
    for (int i = 0; i < 4; ++i) bytes[at + 8 + length + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    at += 12 + length;
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::vector<uint8_t> bytes = WithChunkChecksums(data, size);
  fuzz::WriteInput("input.png", bytes.data(), bytes.size());
  TPngJpegImage image;
  if (image.Load("input.png")) fuzz::TouchPixels(image);
  return 0;
}
