// Files and folders on POSIX for a game that names them Windows-style: "\"
// separators, names in any case. Every function takes game paths.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// "\" becomes "/"; when a component does not exist in the exact case, the
// folder is searched for a case-insensitive match (the first in sorted order).
// Components that match nothing are kept as written.
std::string ResolvePath(std::string_view gamePath);

enum class EntryKind { Missing, File, Directory, Other };
EntryKind GetEntryKind(std::string_view gamePath);

// Opens for binary reading; null when the file cannot be opened.
std::FILE* OpenForReading(std::string_view gamePath);

// errno-style result of a folder listing: 0, ENOENT, ENOTDIR, EFAULT ...
// Names are sorted bytewise; "." and ".." are included, like the native listing.
int ListDirectory(std::string_view gamePath, std::vector<std::string>& names);

// 0 when created or already a folder, else an errno value.
int MakeDirectory(std::string_view gamePath);
bool RemoveFile(std::string_view gamePath);  // regular files only
bool ChangeDirectory(std::string_view gamePath);
std::string GetCurrentDirectory();
// The running program's path (/proc/self/exe), empty when unknown.
std::string GetExecutablePath();

// A file written whole or not at all: bytes go to a temporary file beside the
// target, which is renamed over the target on Commit. Destroying an uncommitted
// writer removes the temporary file and leaves the target untouched.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(std::string_view gamePath);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  bool Write(const void* data, std::size_t size);
  // Flushes, syncs and renames; false (target untouched) on any failure.
  bool Commit();
  void Abandon();

 private:
  std::string target_;
  std::string temporary_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

// Whole-file helpers over the two primitives above.
bool ReadWholeFile(std::string_view gamePath, std::vector<uint8_t>& bytes);
bool WriteWholeFile(std::string_view gamePath, const void* data, std::size_t size);

}  // namespace platform
