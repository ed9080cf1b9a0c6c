// The file layer under every loader: stream files (with header, and raw),
// whole byte files and whole text files, read from disk.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/files.h"
#include "fuzz_scratch_folder.h"
#include "platform/file_system.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolder("files");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const char* path = "Games\\input.dvx";
  platform::MakeDirectory("Games");
  if (!platform::WriteWholeFile(path, data, size)) std::abort();

  TDataStream stream("Vorhelm-3-10");
  if (stream.LoadFromFile(path)) {
    if (stream.Body().size() > kMaxDataFileBytes) std::abort();
    stream.ReadString();
  } else if (!stream.Body().empty()) {
    std::abort();
  }

  TDataStream raw;
  if (!raw.LoadRaw(path) || raw.Body().size() != size) std::abort();

  TFile file(path, "in");
  std::vector<uint8_t> bytes;
  if (!file.Open() || !file.ReadAll(bytes) || bytes.size() != size) std::abort();

  TTextBuffer text;
  if (!text.Load(path) || text.Size() != size) std::abort();
  if (!text.Text().empty() && static_cast<uint8_t>(text.Text()[0]) != data[0]) std::abort();
  return 0;
}
