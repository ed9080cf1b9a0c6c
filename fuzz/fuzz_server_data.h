// The server's fuzz targets read turns against the shipped rules and maps:
// the scratch folder links "Configs" and "Map" of the data set beside the
// fuzz program (the build places it there), or of DVX_DATA_DIR.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_scratch_folder.h"

namespace fuzz {

inline std::string ShippedDataFolder() {
  if (const char* named = std::getenv("DVX_DATA_DIR")) return named;
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length <= 0) std::abort();
  std::string folder(path, static_cast<std::size_t>(length));
  return folder.substr(0, folder.rfind('/'));
}

inline bool WriteFile(const char* path, const void* data, std::size_t size) {
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

// Enters a scratch folder that sees the shipped rules and maps.
inline void EnterServerScratchFolder(const char* name) {
  const std::string data = ShippedDataFolder();
  EnterScratchFolder(name);
  for (const char* part : {"Configs", "Map", "Scenarios"}) {
    if (symlink((data + "/" + part).c_str(), part) != 0) std::abort();
  }
  std::atexit([] {
    if (ScratchFolder().empty() || chdir(ScratchFolder().c_str()) != 0) return;
    for (const char* part : {"Configs", "Map", "Scenarios"}) unlink(part);
  });
}

}  // namespace fuzz
