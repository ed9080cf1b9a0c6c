// JPEG pictures are data a player can replace: the decoder must survive any
// bytes, deliver whole rows or an error code, and never read or write outside
// its blocks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "display/image/jpeg_decoder.h"

namespace {

// A picture may be as large as the decoder's bound (8192 x 8192) whatever
// the size of its file, and decoding costs time in proportion to its pixels:
// under the sanitizers a large one takes longer than a run may. Beyond this
// many pixels only the first rows are decoded; they go through the same code.
constexpr int64_t kWholePixels = int64_t{1} << 21;
constexpr int32_t kRowsOfLarge = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  TJpegMemoryStream stream(data, size);
  // A smaller budget than the game's keeps each run quick; the limit itself is part of what is tested.
  TJpegLimits limits;
  limits.memoryBytes = 64u << 20;
  TJpegDecoder decoder(&stream, false, limits);
  if (decoder.GetErrorCode() != 0) {
    if (decoder.Begin() != -1) std::abort();
    return 0;
  }
  if (decoder.Begin() != 0) return 0;
  const uint32_t expected = static_cast<uint32_t>(decoder.GetWidth() * decoder.GetBytesPerPixel());
  int32_t rows = 0;
  const uint8_t* row = nullptr;
  uint32_t length = 0;
  int32_t result;
  volatile uint8_t sum = 0;
  const bool whole = int64_t{decoder.GetWidth()} * decoder.GetHeight() <= kWholePixels;
  while ((result = decoder.DecodeRow(&row, &length)) == 0) {
    if (length != expected) std::abort();
    for (uint32_t i = 0; i < length; ++i) sum = static_cast<uint8_t>(sum + row[i]);
    ++rows;
    if (!whole && rows == kRowsOfLarge) return 0;
  }
  if (result == 1 && rows != decoder.GetHeight()) std::abort();
  if (result != 1 && (result != -227 || decoder.GetErrorCode() == 0)) std::abort();
  return 0;
}
