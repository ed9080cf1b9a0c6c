// Turns SDL events into the window messages the frame's window procedure reads.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

#include "platform/window.h"

namespace platform {

// The window an event is for, with its current client size (needed when a
// minimised window comes back).
struct EventTarget {
  WindowHandle window = nullptr;
  int32_t width = 0;
  int32_t height = 0;
};

// The SDL window id an event names; 0 for events that name none (quit).
uint32_t GetEventWindowId(const SDL_Event& event);

// The MK_* bits of the held mouse buttons (SDL_BUTTON masks) and modifier keys.
uintptr_t MakeMouseKeyState(uint32_t sdlButtons, uint16_t modifiers);

// The wParam of WM_MOUSEWHEEL: signed delta in 120ths of a notch in the high
// word, the MK_* state in the low word.
uintptr_t MakeWheelWParam(int32_t notches, uintptr_t keyState);

class SdlEventTranslator {
 public:
  // Appends the messages one event stands for (none for events the frame does
  // not know). `modifiers` is the SDL_Keymod state at the time of the event.
  void Translate(const SDL_Event& event, const EventTarget& target, uint16_t modifiers,
                 std::vector<Message>& out);

 private:
  void TranslateWindowEvent(const SDL_WindowEvent& event, const EventTarget& target,
                            std::vector<Message>& out) const;
  void TranslateButton(const SDL_MouseButtonEvent& event, WindowHandle window, uint16_t modifiers,
                       std::vector<Message>& out);

  uint32_t buttons_ = 0;  // SDL_BUTTON masks of the buttons held
};

}  // namespace platform
