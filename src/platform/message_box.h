// A modal message box with an OK button; never blocks when headless (the
// text goes to standard error instead).
#pragma once

#include <string>

namespace platform {

void ShowMessageBox(const std::string& title, const std::string& text);

}  // namespace platform
