// VorhelmDocs\VorhelmVersion.txt names the platform and language of an
// installation; any text must leave the version info usable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/data_stream.h"
#include "app/version_info.h"
#include "fuzz_scratch_folder.h"
#include "platform/file_system.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolder("version");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (!platform::WriteWholeFile("VorhelmDocs/VorhelmVersion.txt", data, size)) std::abort();
  TVersionInfo info;
  // The program's own tags never come from the file.
  if (info.GetVersionTag() != kVersionTag || info.GetOldestVersionTag() != kOldestVersionTag) std::abort();
  info.GetPlatform();
  info.GetLanguage();
  // The version texts of the file go through the one tag reader.
  const std::string text(reinterpret_cast<const char*>(data), size < 64 ? size : 64);
  const float version = ParseVersionTag(text);
  if (version != version) std::abort();
  VersionNumberText(text);
  return 0;
}
