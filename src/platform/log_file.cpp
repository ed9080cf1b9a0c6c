#include "platform/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/file_system.h"

namespace platform {

namespace {

bool WriteAll(int fd, std::string_view text) {
  const char* data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    ssize_t written = ::write(fd, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

// Logs are opened without following a symbolic link: a link planted in their
// place would otherwise have the program overwrite whatever it points to.
int OpenLog(const std::string& path, int mode) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | mode, 0644);
}

}  // namespace

bool TruncateFile(std::string_view gamePath) {
  const std::string path = ResolvePath(gamePath);
  int fd = OpenLog(path, O_TRUNC);
  if (fd < 0) return false;
  return ::close(fd) == 0;
}

bool AppendToFile(std::string_view gamePath, std::string_view text) {
  const std::string path = ResolvePath(gamePath);
  int fd = OpenLog(path, O_APPEND);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, text);
  return ::close(fd) == 0 && written;
}

bool RedirectStandardError(std::string_view gamePath) {
  const std::string path = ResolvePath(gamePath);
  int fd = OpenLog(path, O_APPEND);
  if (fd < 0) return false;
  std::fflush(stderr);
  const bool redirected = ::dup2(fd, STDERR_FILENO) >= 0;
  ::close(fd);
  return redirected;
}

void PrintErrorLine(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

void PrintLine(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace platform
