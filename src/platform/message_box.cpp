#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>

#include "platform/text_encoding.h"
#include "platform/window.h"

namespace platform {

namespace {

void WriteToStandardError(const std::string& title, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
  std::fflush(stderr);
}

}  // namespace

void ShowMessageBox(const std::string& title, const std::string& text) {
  // A run without a screen (tests, servers) must never wait for a click.
  if (IsHeadless()) {
    WriteToStandardError(title, text);
    return;
  }
  const std::string utf8Title = Windows1252ToUtf8(title);
  const std::string utf8Text = Windows1252ToUtf8(text);
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, utf8Title.c_str(), utf8Text.c_str(),
                               nullptr) != 0) {
    WriteToStandardError(title, text);
  }
}

}  // namespace platform
