#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace platform {

namespace {

bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

// Reads a folder's entry names, sorted bytewise; errno value on failure.
int ReadFolderNames(const std::string& folder, std::vector<std::string>& names) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) {
    return errno;
  }
  errno = 0;
  while (const dirent* entry = readdir(dir)) {
    names.emplace_back(entry->d_name);
  }
  const int error = errno;
  closedir(dir);
  std::sort(names.begin(), names.end());
  return error;
}

// The on-disk spelling of `name` inside `folder`: the exact name when it
// exists, else the first case-insensitive match in sorted order; empty when
// nothing matches.
std::string FindComponent(const std::string& folder, const std::string& name) {
  if (Exists(folder + name)) {
    return name;
  }
  std::vector<std::string> names;
  ReadFolderNames(folder, names);
  for (const std::string& candidate : names) {
    if (EqualsIgnoringCase(candidate, name)) {
      return candidate;
    }
  }
  return {};
}

struct stat StatOrZero(const std::string& path, bool& found) {
  struct stat info {};
  found = stat(path.c_str(), &info) == 0;
  return info;
}

// Beside the target, unique per process and per writer, so that two saves of
// the same file never share a temporary.
std::string MakeTemporaryName(const std::string& target) {
  static unsigned counter = 0;
  return target + ".tmp" + std::to_string(getpid()) + "." + std::to_string(++counter);
}

}  // namespace

std::string ResolvePath(std::string_view gamePath) {
  std::string path(gamePath);
  std::replace(path.begin(), path.end(), '\\', '/');

  std::string resolved;
  std::size_t pos = 0;
  if (!path.empty() && path[0] == '/') {
    resolved = "/";
    pos = 1;
  }
  // Once one component is missing nothing below it can exist, so the rest is
  // kept as written without searching.
  bool searching = true;
  while (pos <= path.size()) {
    const std::size_t slash = path.find('/', pos);
    const std::size_t end = slash == std::string::npos ? path.size() : slash;
    std::string component = path.substr(pos, end - pos);
    if (searching && !component.empty() && component != "." && component != "..") {
      const std::string found = FindComponent(resolved, component);
      if (found.empty()) {
        searching = false;
      } else {
        component = found;
      }
    }
    resolved += component;
    if (slash == std::string::npos) {
      break;
    }
    resolved += '/';
    pos = slash + 1;
  }
  return resolved;
}

EntryKind GetEntryKind(std::string_view gamePath) {
  if (gamePath.empty()) {
    return EntryKind::Missing;
  }
  bool found = false;
  const struct stat info = StatOrZero(ResolvePath(gamePath), found);
  if (!found) {
    return EntryKind::Missing;
  }
  if (S_ISREG(info.st_mode)) {
    return EntryKind::File;
  }
  return S_ISDIR(info.st_mode) ? EntryKind::Directory : EntryKind::Other;
}

std::FILE* OpenForReading(std::string_view gamePath) {
  // A folder opens under glibc but every read fails; refuse it up front.
  if (GetEntryKind(gamePath) != EntryKind::File) {
    return nullptr;
  }
  return std::fopen(ResolvePath(gamePath).c_str(), "rb");
}

int ListDirectory(std::string_view gamePath, std::vector<std::string>& names) {
  if (gamePath.empty()) {
    return ENOTDIR;
  }
  const std::string path = ResolvePath(gamePath);
  bool found = false;
  const struct stat info = StatOrZero(path, found);
  if (!found) {
    return errno == ENOTDIR ? ENOTDIR : ENOENT;
  }
  if (!S_ISDIR(info.st_mode)) {
    return ENOTDIR;
  }
  std::vector<std::string> listed;
  const int error = ReadFolderNames(path, listed);
  if (error != 0) {
    return error;
  }
  names = std::move(listed);
  return 0;
}

int MakeDirectory(std::string_view gamePath) {
  if (gamePath.empty()) {
    return ENOENT;
  }
  const std::string path = ResolvePath(gamePath);
  if (mkdir(path.c_str(), 0755) == 0) {
    return 0;
  }
  const int error = errno;
  if (error == EEXIST && GetEntryKind(gamePath) == EntryKind::Directory) {
    return 0;
  }
  return error;
}

bool RemoveFile(std::string_view gamePath) {
  if (gamePath.empty()) {
    return false;
  }
  const std::string path = ResolvePath(gamePath);
  struct stat info {};
  // lstat: a link is not a regular file and is left alone, as is its target.
  if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return false;
  }
  return unlink(path.c_str()) == 0;
}

bool ChangeDirectory(std::string_view gamePath) {
  return !gamePath.empty() && chdir(ResolvePath(gamePath).c_str()) == 0;
}

std::string GetCurrentDirectory() {
  std::string buffer(256, '\0');
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) {
      return {};
    }
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(buffer.find('\0'));
  return buffer;
}

std::string GetExecutablePath() {
  std::string buffer(PATH_MAX, '\0');
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) {
    return {};
  }
  buffer.resize(static_cast<std::size_t>(length));
  return buffer;
}

// --- AtomicFileWriter ---------------------------------------------------------

AtomicFileWriter::AtomicFileWriter(std::string_view gamePath) {
  if (gamePath.empty()) {
    return;
  }
  target_ = ResolvePath(gamePath);
  temporary_ = MakeTemporaryName(target_);
  const int fd = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    temporary_.clear();
    return;
  }
  // A replaced file keeps the permissions it had.
  bool found = false;
  const struct stat info = StatOrZero(target_, found);
  if (found && S_ISREG(info.st_mode)) {
    fchmod(fd, info.st_mode & 07777);
  }
  file_ = fdopen(fd, "wb");
  if (file_ == nullptr) {
    close(fd);
    unlink(temporary_.c_str());
    temporary_.clear();
  }
}

AtomicFileWriter::~AtomicFileWriter() { Abandon(); }

bool AtomicFileWriter::Write(const void* data, std::size_t size) {
  if (file_ == nullptr || failed_) {
    return false;
  }
  if (size > 0 && std::fwrite(data, 1, size, file_) != size) {
    failed_ = true;
  }
  return !failed_;
}

bool AtomicFileWriter::Commit() {
  if (file_ == nullptr) {
    return false;
  }
  bool ok = !failed_ && std::fflush(file_) == 0 && fsync(fileno(file_)) == 0;
  ok = (std::fclose(file_) == 0) && ok;
  file_ = nullptr;
  if (ok) {
    ok = std::rename(temporary_.c_str(), target_.c_str()) == 0;
  }
  if (!ok) {
    unlink(temporary_.c_str());
    temporary_.clear();
    return false;
  }
  temporary_.clear();
  // Make the rename itself durable; a failure here leaves the new file in place.
  const std::size_t slash = target_.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target_.substr(0, slash + 1);
  const int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    fsync(dirFd);
    close(dirFd);
  }
  return true;
}

void AtomicFileWriter::Abandon() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temporary_.empty()) {
    unlink(temporary_.c_str());
    temporary_.clear();
  }
  failed_ = true;
}

bool ReadWholeFile(std::string_view gamePath, std::vector<uint8_t>& bytes) {
  std::FILE* file = OpenForReading(gamePath);
  if (file == nullptr) {
    return false;
  }
  std::vector<uint8_t> content;
  uint8_t buffer[16384];
  std::size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
    content.insert(content.end(), buffer, buffer + count);
  }
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  if (ok) {
    bytes = std::move(content);
  }
  return ok;
}

bool WriteWholeFile(std::string_view gamePath, const void* data, std::size_t size) {
  AtomicFileWriter writer(gamePath);
  return writer.IsOpen() && writer.Write(data, size) && writer.Commit();
}

}  // namespace platform
