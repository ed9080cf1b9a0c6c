#include "display/image/image_file.h"

#include <sys/types.h>

#include "platform/file_system.h"

namespace image_file {

THandle Open(std::string_view fileName) { return THandle(platform::OpenForReading(fileName)); }

uint64_t Remaining(std::FILE* file) {
  const off_t here = ftello(file);
  if (here < 0 || fseeko(file, 0, SEEK_END) != 0) return 0;
  const off_t end = ftello(file);
  if (fseeko(file, here, SEEK_SET) != 0 || end < here) return 0;
  return static_cast<uint64_t>(end - here);
}

bool ReadExactly(std::FILE* file, void* buffer, std::size_t size) {
  return size == 0 || std::fread(buffer, 1, size, file) == size;
}

}  // namespace image_file
