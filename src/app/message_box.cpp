#include "app/message_box.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "app/log.h"
#include "platform/message_box.h"

namespace {

const char* const kMessageBoxTitle = "Drannoc Vorhelm";

std::string FormatText(const char* format, va_list arguments) {
  va_list copy;
  va_copy(copy, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (length <= 0) return std::string();
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
  std::vsnprintf(buffer.data(), buffer.size(), format, arguments);
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

}  // namespace

void ShowMessageText(const std::string& text) {
  WriteLog(text + "\n");
  platform::ShowMessageBox(kMessageBoxTitle, text);
}

int ShowMessageBox(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const std::string text = FormatText(format, arguments);
  va_end(arguments);
  ShowMessageText(text);
  return 1;  // the OK button
}
