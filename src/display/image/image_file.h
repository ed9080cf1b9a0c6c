// An open image file that closes itself, and how many bytes it still holds.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>

namespace image_file {

struct TCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using THandle = std::unique_ptr<std::FILE, TCloser>;

// Opens a game path for reading; null when it cannot be opened.
THandle Open(std::string_view fileName);
// Bytes between the current position and the end of the file.
uint64_t Remaining(std::FILE* file);
// Reads exactly size bytes; false on a short read.
bool ReadExactly(std::FILE* file, void* buffer, std::size_t size);

}  // namespace image_file
