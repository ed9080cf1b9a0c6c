#include "platform/sdl_events.h"

#include "platform/sdl_keys.h"
#include "platform/text_encoding.h"

namespace platform {

namespace {

Message MakeMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return Message{window, message, wParam, lParam};
}

uint32_t ButtonMask(uint8_t button) {
  return button >= 1 && button <= 32 ? SDL_BUTTON(button) : 0;
}

}  // namespace

uint32_t GetEventWindowId(const SDL_Event& event) {
  switch (event.type) {
    case SDL_WINDOWEVENT: return event.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP: return event.key.windowID;
    case SDL_TEXTINPUT: return event.text.windowID;
    case SDL_MOUSEMOTION: return event.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: return event.button.windowID;
    case SDL_MOUSEWHEEL: return event.wheel.windowID;
    default: return 0;
  }
}

uintptr_t MakeMouseKeyState(uint32_t sdlButtons, uint16_t modifiers) {
  uintptr_t state = 0;
  if (sdlButtons & SDL_BUTTON_LMASK) state |= MK_LBUTTON;
  if (sdlButtons & SDL_BUTTON_RMASK) state |= MK_RBUTTON;
  if (sdlButtons & SDL_BUTTON_MMASK) state |= MK_MBUTTON;
  if (modifiers & KMOD_SHIFT) state |= MK_SHIFT;
  if (modifiers & KMOD_CTRL) state |= MK_CONTROL;
  return state;
}

uintptr_t MakeWheelWParam(int32_t notches, uintptr_t keyState) {
  const auto delta = static_cast<uint32_t>(notches * WHEEL_DELTA) & 0xFFFFu;
  return static_cast<uintptr_t>(delta << 16 | (static_cast<uint32_t>(keyState) & 0xFFFFu));
}

void SdlEventTranslator::Translate(const SDL_Event& event, const EventTarget& target,
                                   uint16_t modifiers, std::vector<Message>& out) {
  WindowHandle window = target.window;
  if (window == nullptr) {
    return;
  }
  switch (event.type) {
    case SDL_QUIT:
      out.push_back(MakeMessage(window, WM_CLOSE, 0, 0));
      break;
    case SDL_WINDOWEVENT:
      TranslateWindowEvent(event.window, target, out);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const bool up = event.type == SDL_KEYUP;
      const uint32_t key = VirtualKeyFromSdl(event.key.keysym.sym, event.key.keysym.scancode);
      out.push_back(MakeMessage(window, up ? WM_KEYUP : WM_KEYDOWN, key,
                                MakeKeyData(event.key.keysym.scancode, up, event.key.repeat != 0)));
      break;
    }
    case SDL_TEXTINPUT:
      for (char c : Utf8ToWindows1252(event.text.text)) {
        out.push_back(MakeMessage(window, WM_CHAR, static_cast<uint8_t>(c), MakeLParam(1, 0)));
      }
      break;
    case SDL_MOUSEMOTION:
      buttons_ = event.motion.state;
      out.push_back(MakeMessage(window, WM_MOUSEMOVE, MakeMouseKeyState(buttons_, modifiers),
                                MakeLParam(event.motion.x, event.motion.y)));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      TranslateButton(event.button, window, modifiers, out);
      break;
    case SDL_MOUSEWHEEL: {
      int32_t notches = event.wheel.y;
      if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) {
        notches = -notches;
      }
      if (notches != 0) {
#if SDL_VERSION_ATLEAST(2, 26, 0)
        const intptr_t position = MakeLParam(event.wheel.mouseX, event.wheel.mouseY);
#else
        const intptr_t position = 0;
#endif
        out.push_back(MakeMessage(window, WM_MOUSEWHEEL,
                                  MakeWheelWParam(notches, MakeMouseKeyState(buttons_, modifiers)),
                                  position));
      }
      break;
    }
    default:
      break;
  }
}

void SdlEventTranslator::TranslateWindowEvent(const SDL_WindowEvent& event, const EventTarget& target,
                                              std::vector<Message>& out) const {
  WindowHandle window = target.window;
  switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
      out.push_back(MakeMessage(window, WM_CLOSE, 0, 0));
      break;
    case SDL_WINDOWEVENT_MOVED:
      out.push_back(MakeMessage(window, WM_MOVE, 0, MakeLParam(event.data1, event.data2)));
      break;
    // SDL follows every size change with SIZE_CHANGED (and an outside resize
    // also with RESIZED); reporting only the former gives one WM_SIZE per change.
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      out.push_back(MakeMessage(window, WM_SIZE, SIZE_RESTORED, MakeLParam(event.data1, event.data2)));
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
      out.push_back(MakeMessage(window, WM_SIZE, SIZE_MINIMIZED, MakeLParam(0, 0)));
      break;
    case SDL_WINDOWEVENT_RESTORED:
      out.push_back(MakeMessage(window, WM_SIZE, SIZE_RESTORED, MakeLParam(target.width, target.height)));
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      out.push_back(MakeMessage(window, WM_ACTIVATE, WA_ACTIVE, 0));
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      out.push_back(MakeMessage(window, WM_ACTIVATE, WA_INACTIVE, 0));
      break;
    default:
      break;
  }
}

void SdlEventTranslator::TranslateButton(const SDL_MouseButtonEvent& event, WindowHandle window,
                                         uint16_t modifiers, std::vector<Message>& out) {
  const bool down = event.type == SDL_MOUSEBUTTONDOWN;
  uint32_t message = 0;
  switch (event.button) {
    case SDL_BUTTON_LEFT: message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
    case SDL_BUTTON_RIGHT: message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
    case SDL_BUTTON_MIDDLE: message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
    default: return;
  }
  // The key state of a button message already reflects the change it reports.
  if (down) {
    buttons_ |= ButtonMask(event.button);
  } else {
    buttons_ &= ~ButtonMask(event.button);
  }
  out.push_back(MakeMessage(window, message, MakeMouseKeyState(buttons_, modifiers),
                            MakeLParam(event.x, event.y)));
}

}  // namespace platform
