// Runs a Python server script from tests/support under /usr/bin/python3 for
// one test: the script prints its port on its first output line; the server
// is stopped (standard input closed, then SIGTERM) when the object goes.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#ifndef DVX_TEST_SUPPORT
#define DVX_TEST_SUPPORT DVX_TEST_FIXTURES "/../support"
#endif

class TPythonServer {
 public:
  TPythonServer(const std::string& script, const std::vector<std::string>& arguments) {
    int input[2];
    int output[2];
    if (pipe(input) != 0) return;
    if (pipe(output) != 0) {
      close(input[0]);
      close(input[1]);
      return;
    }
    const std::string path = std::string(DVX_TEST_SUPPORT) + "/" + script;
    std::vector<std::string> words = {"/usr/bin/python3", path};
    words.insert(words.end(), arguments.begin(), arguments.end());
    pid_ = fork();
    if (pid_ == 0) {
      dup2(input[0], 0);
      dup2(output[1], 1);
      close(input[1]);
      close(output[0]);
      std::vector<char*> argv;
      for (std::string& word : words) argv.push_back(word.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(input[0]);
    close(output[1]);
    toServer_ = input[1];
    fromServer_ = output[0];
    port_ = ReadPort();
  }

  ~TPythonServer() {
    if (toServer_ >= 0) close(toServer_);
    if (pid_ > 0) {
      if (!WaitExit(3000)) {
        kill(pid_, SIGTERM);
        if (!WaitExit(3000)) {
          kill(pid_, SIGKILL);
          waitpid(pid_, nullptr, 0);
        }
      }
    }
    if (fromServer_ >= 0) close(fromServer_);
  }

  TPythonServer(const TPythonServer&) = delete;
  TPythonServer& operator=(const TPythonServer&) = delete;

  bool IsRunning() const { return port_ != 0; }
  uint16_t Port() const { return port_; }

 private:
  uint16_t ReadPort() {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd entry{fromServer_, POLLIN, 0};
      if (poll(&entry, 1, 200) <= 0) continue;
      char c = 0;
      if (read(fromServer_, &c, 1) != 1) return 0;
      if (c == '\n') return static_cast<uint16_t>(std::stoi(line.empty() ? "0" : line));
      line += c;
    }
    return 0;
  }

  bool WaitExit(int milliseconds) {
    for (int waited = 0; waited < milliseconds; waited += 20) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) return true;
      usleep(20000);
    }
    return false;
  }

  pid_t pid_ = -1;
  int toServer_ = -1;
  int fromServer_ = -1;
  uint16_t port_ = 0;
};
