// Image readers take file names: each input is written to one scratch file
// and read back through the reader, and every pixel byte it claims is touched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "display/image/image.h"

namespace fuzz {

inline void WriteInput(const std::string& name, const uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(name.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
}

// Reads every byte the image says it holds; the sanitizers catch a short block.
inline void TouchPixels(const TImage& image) {
  const uint8_t* pixels = image.GetPixels();
  const uint64_t size = static_cast<uint64_t>(image.GetWidth()) * image.GetHeight() * image.GetBytesPerPixel();
  if (size > 0 && pixels == nullptr) std::abort();
  volatile uint8_t sum = 0;
  for (uint64_t i = 0; i < size; ++i) sum = static_cast<uint8_t>(sum + pixels[i]);
}

}  // namespace fuzz
