// Every fuzz target works in a scratch folder of its own: loaders may log or
// show a refusal, and those lines must neither land in the caller's folder
// nor grow without end over millions of inputs (the log is /dev/null).
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace fuzz {

inline std::string& ScratchFolder() {
  static std::string folder;
  return folder;
}

inline void RemoveScratchFolder() {
  const std::string& folder = ScratchFolder();
  if (folder.empty() || chdir(folder.c_str()) != 0) return;
  unlink("VorhelmDocs/DVX.log");
  rmdir("VorhelmDocs");
  if (chdir("/") == 0) rmdir(folder.c_str());
}

// Creates the folder, enters it and removes it at exit; aborts when it cannot.
inline void EnterScratchFolder(const char* name) {
  std::string pattern = std::string("/tmp/dvx_fuzz_") + name + "_XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr || chdir(pattern.c_str()) != 0) std::abort();
  ScratchFolder() = pattern;
  if (mkdir("VorhelmDocs", 0700) != 0 || symlink("/dev/null", "VorhelmDocs/DVX.log") != 0) std::abort();
  std::atexit(RemoveScratchFolder);
}

}  // namespace fuzz
