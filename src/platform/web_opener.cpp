#include "platform/web_opener.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/window.h"

namespace platform {

// The program runs in a grandchild so that it is never left as a zombie of
// the game: the child exits at once and is reaped here. The grandchild tells
// a failed exec through a close-on-exec pipe.
bool StartDetachedProgram(const std::string& program, const std::string& argument) {
  std::vector<char> programText(program.begin(), program.end());
  programText.push_back('\0');
  std::vector<char> argumentText(argument.begin(), argument.end());
  argumentText.push_back('\0');
  char* const arguments[] = {programText.data(), argumentText.data(), nullptr};

  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) _exit(1);
    const pid_t grandchild = fork();
    if (grandchild == 0) {
      close(report[0]);
      execvp(arguments[0], arguments);
      const char failed = 1;
      (void)!write(report[1], &failed, 1);
      _exit(127);
    }
    close(report[1]);
    if (grandchild < 0) _exit(1);
    char failed = 0;
    ssize_t got = 0;
    do {
      got = read(report[0], &failed, 1);
    } while (got < 0 && errno == EINTR);
    _exit(got == 1 ? 1 : 0);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

WebOpenResult OpenWebAddress(const std::string& address) {
  if (address.empty() || address.find('\0') != std::string::npos) return WebOpenResult::kFailed;
  if (IsHeadless()) return WebOpenResult::kHeadless;
  return StartDetachedProgram("xdg-open", address) ? WebOpenResult::kLaunched : WebOpenResult::kFailed;
}

}  // namespace platform
