// Opens a web address with the desktop's opener ("xdg-open"), started
// directly (fork and exec, the address as one argument, no shell). A run
// without a display opens nothing.
#pragma once

#include <string>

namespace platform {

enum class WebOpenResult { kLaunched, kHeadless, kFailed };

WebOpenResult OpenWebAddress(const std::string& address);

// Starts the program (looked up in PATH) with one argument, passed as it is
// with no shell in between, and returns without waiting for it. False when
// it could not be started.
bool StartDetachedProgram(const std::string& program, const std::string& argument);

}  // namespace platform
