#include "platform/clipboard.h"

#include <SDL.h>

#include "platform/text_encoding.h"
#include "platform/window.h"

namespace platform {

Clipboard::~Clipboard() = default;

std::string SdlClipboard::GetText() {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0 || !SDL_HasClipboardText()) return std::string();
  char* utf8 = SDL_GetClipboardText();
  if (utf8 == nullptr) return std::string();
  std::string text = Utf8ToWindows1252(utf8);
  SDL_free(utf8);
  return text;
}

bool SdlClipboard::SetText(const std::string& text) {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
  return SDL_SetClipboardText(Windows1252ToUtf8(text).c_str()) == 0;
}

std::unique_ptr<Clipboard> MakeClipboard() {
  if (!IsHeadless() && GetMainWindow() != nullptr && SDL_WasInit(SDL_INIT_VIDEO) != 0) {
    return std::make_unique<SdlClipboard>();
  }
  return std::make_unique<MemoryClipboard>();
}

}  // namespace platform
