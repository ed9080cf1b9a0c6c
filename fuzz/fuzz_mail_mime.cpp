// Hostile received mail through the mail library's MIME decoder: whatever
// the message holds, attachments land as plain files directly inside the
// chosen folder under clean names, and nothing else is created.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_scratch_folder.h"
#include "maillib/mail_decoder.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// Checks the entries of a folder and removes the files; the count of files.
int CheckAndEmpty(const char* folder) {
  DIR* dir = opendir(folder);
  Check(dir != nullptr);
  int files = 0;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    for (const char c : name) Check(static_cast<unsigned char>(c) >= 32 && c != '\\' && c != ':');
    const std::string path = std::string(folder) + "/" + name;
    struct stat info {};
    Check(lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode));
    unlink(path.c_str());
    ++files;
  }
  closedir(dir);
  return files;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolder("mail_mime");
  Check(mkdir("attach", 0700) == 0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view message(reinterpret_cast<const char*>(data), size);
  maillib::TMailDecoderSettings settings;
  settings.attachmentFolder = "attach";
  settings.autoSave = size > 0 && (data[0] & 1) != 0;
  settings.numberedNames = size > 0 && (data[0] & 2) != 0;
  std::size_t written = 0;
  int saved = 0;
  {
    maillib::TMailDecoder decoder(settings, [&written](std::string_view text) { written += text.size(); }, nullptr);
    std::size_t start = 0;
    while (start < message.size()) {
      const std::size_t end = message.find('\n', start);
      const std::size_t length = end == std::string_view::npos ? message.size() - start : end - start + 1;
      decoder.DecodeLine(message.substr(start, length));
      start += length;
    }
    decoder.Finish();
    saved = decoder.AttachmentsSaved();
    Check(decoder.SavedNames().size() <= maillib::TMailDecoder::kSavedListLimit);
  }
  const int files = CheckAndEmpty("attach");
  Check(files <= saved);
  // Only the attachment folder and the log folder are here.
  DIR* dir = opendir(".");
  Check(dir != nullptr);
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    Check(name == "." || name == ".." || name == "attach" || name == "VorhelmDocs");
  }
  closedir(dir);
  // The text written stays within what a message of this size can make.
  Check(written <= size * 2 + static_cast<std::size_t>(saved + 1) * 300);
  return 0;
}
