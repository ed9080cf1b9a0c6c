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

}  // namespace

bool TruncateFile(std::string_view gamePath) {
  const std::string path = ResolvePath(gamePath);
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  return ::close(fd) == 0;
}

bool AppendToFile(std::string_view gamePath, std::string_view text) {
  const std::string path = ResolvePath(gamePath);
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, text);
  return ::close(fd) == 0 && written;
}

bool RedirectStandardError(std::string_view gamePath) {
  const std::string path = ResolvePath(gamePath);
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::fflush(stderr);
  const bool redirected = ::dup2(fd, STDERR_FILENO) >= 0;
  ::close(fd);
  return redirected;
}

void PrintLine(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace platform
