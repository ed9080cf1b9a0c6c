// Folder listing in the shape of the POSIX directory calls (open, read one
// entry at a time, close) with a global error value that callers test after a
// failure. Entries come in sorted order and include "." and "..".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Values of GetDirectoryError().
enum TDirectoryError : int {
  kDirectoryOk = 0,
  kDirectoryNotFound = 2,      // no such file or folder
  kDirectoryOutOfMemory = 12,
  kDirectoryBadAddress = 14,   // null path or stream
  kDirectoryNotAFolder = 20,   // a file, or an empty path
  kDirectoryInvalid = 22,      // a stream that is not intact
};

// One entry as ReadDirectory returns it; the name lives in the stream and stays
// valid until the next read or the close.
struct TDirEntry {
  std::size_t nameLength = 0;
  const char* name = nullptr;
};

class TDirStream {
 public:
  explicit TDirStream(std::string pattern);
  TDirStream(const TDirStream&) = delete;
  TDirStream& operator=(const TDirStream&) = delete;

  // The folder path, a "\" appended unless it ends in "/" or "\", then "*".
  const std::string& GetPattern() const { return pattern_; }
  // 0 before the first read, n after the n-th entry, -1 at the end or after the
  // listing failed to start.
  int64_t GetState() const { return state_; }

 private:
  friend TDirEntry* ReadDirectory(TDirStream* stream);

  bool IsIntact() const;
  TDirEntry* Start();
  TDirEntry* Next();
  TDirEntry* Current();
  void Finish();

  TDirEntry entry_;
  std::vector<std::string> names_;
  int64_t state_ = 0;
  std::string pattern_;
};

// Null on failure, with GetDirectoryError() telling why (2, 12, 14 or 20).
TDirStream* OpenDirectory(const char* path);
// The next entry, or null at the end (error 0) or on a bad stream (14, 22).
// Once the end is reached every further read gives null.
TDirEntry* ReadDirectory(TDirStream* stream);
// 0, or -1 with error 14 for a null stream. The stream is freed.
int CloseDirectory(TDirStream* stream);
int GetDirectoryError();
