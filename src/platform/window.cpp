#include "platform/window.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "platform/clock.h"
#include "platform/sdl_events.h"
#include "platform/sdl_keys.h"
#include "platform/sdl_window.h"
#include "platform/text_encoding.h"

namespace platform {

struct WindowState {
  SDL_Window* sdl = nullptr;
  uint32_t sdlId = 0;
  WindowProcedure procedure = nullptr;
  bool destroying = false;
};

namespace {

// Everything the window system keeps between calls: the registered classes,
// the live windows (last = main), the message queue and the frame counter.
class WindowSystem {
 public:
  static WindowSystem& Get() {
    static WindowSystem system;
    return system;
  }

  std::map<std::string, WindowProcedure> classes;
  std::vector<std::unique_ptr<WindowState>> windows;
  std::deque<Message> queue;
  SdlEventTranslator translator;
  WindowHandle capture = nullptr;
  bool videoStarted = false;

  // DVX_QUIT_AFTER_FRAMES, read when a window is created.
  int64_t quitAfterFrames = 0;
  int64_t framesCompleted = 0;
  bool quitPosted = false;

  WindowHandle Find(WindowHandle window) const {
    for (const auto& state : windows) {
      if (state.get() == window) {
        return window;
      }
    }
    return nullptr;
  }

  WindowHandle FindBySdlId(uint32_t id) const {
    for (const auto& state : windows) {
      if (state->sdlId == id) {
        return state.get();
      }
    }
    return nullptr;
  }

  WindowHandle Main() const { return windows.empty() ? nullptr : windows.back().get(); }

  // Destroys the SDL window and forgets the handle and its queued messages.
  void Remove(WindowHandle window) {
    if (window->sdl != nullptr) {
      SDL_DestroyWindow(window->sdl);
    }
    if (capture == window) {
      capture = nullptr;
    }
    queue.erase(std::remove_if(queue.begin(), queue.end(),
                               [window](const Message& m) { return m.window == window; }),
                queue.end());
    windows.erase(std::remove_if(windows.begin(), windows.end(),
                                 [window](const auto& state) { return state.get() == window; }),
                  windows.end());
  }

 private:
  WindowSystem() = default;
};

bool EnvironmentIs(const char* name, const char* value) {
  const char* text = std::getenv(name);
  return text != nullptr && std::strcmp(text, value) == 0;
}

bool EnvironmentIsEmpty(const char* name) {
  const char* text = std::getenv(name);
  return text == nullptr || *text == '\0';
}

int64_t ReadQuitAfterFrames() {
  const char* text = std::getenv("DVX_QUIT_AFTER_FRAMES");
  if (text == nullptr) {
    return 0;
  }
  char* end = nullptr;
  const long long value = std::strtoll(text, &end, 10);
  return (end != text && *end == '\0' && value > 0) ? value : 0;
}

bool StartVideo(WindowSystem& system) {
  if (system.videoStarted) {
    return true;
  }
  if (IsHeadless()) {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
  }
  // Closing the window is the window's own WM_CLOSE; a quit event then comes
  // only from a signal, so one close never arrives twice.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  system.videoStarted = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  return system.videoStarted;
}

EventTarget TargetOf(const WindowSystem& system, const SDL_Event& event) {
  EventTarget target;
  const uint32_t id = GetEventWindowId(event);
  target.window = id == 0 ? system.Main() : system.FindBySdlId(id);
  if (target.window != nullptr) {
    SDL_GetWindowSize(target.window->sdl, &target.width, &target.height);
  }
  return target;
}

// Moves everything SDL has gathered into the queue, as messages.
void PumpEvents(WindowSystem& system) {
  if (!system.videoStarted) {
    return;
  }
  std::vector<Message> messages;
  SDL_Event event;
  while (SDL_PollEvent(&event) == 1) {
    system.translator.Translate(event, TargetOf(system, event), static_cast<uint16_t>(SDL_GetModState()),
                                messages);
  }
  system.queue.insert(system.queue.end(), messages.begin(), messages.end());
}

void WaitForEvents(const WindowSystem& system) {
  if (system.videoStarted) {
    SDL_WaitEventTimeout(nullptr, 100);
  } else {
    SleepMilliseconds(10);
  }
}

SDL_Window* CreateSdlWindow(const WindowCreateParams& params) {
  const std::string title = Windows1252ToUtf8(params.title);
  const int x = params.popup ? 0 : params.x;
  const int y = params.popup ? 0 : params.y;
  const Uint32 flags = SDL_WINDOW_HIDDEN | (params.popup ? SDL_WINDOW_BORDERLESS : SDL_WINDOW_RESIZABLE);
  return SDL_CreateWindow(title.c_str(), x, y, params.width, params.height, flags);
}

}  // namespace

bool IsHeadless() {
  return EnvironmentIs("DVX_HEADLESS", "1") ||
         (EnvironmentIsEmpty("DISPLAY") && EnvironmentIsEmpty("WAYLAND_DISPLAY"));
}

bool RegisterWindowClass(const WindowClass& windowClass) {
  if (windowClass.procedure == nullptr || windowClass.name.empty()) {
    return false;
  }
  return WindowSystem::Get().classes.emplace(windowClass.name, windowClass.procedure).second;
}

WindowHandle CreateWindow(const WindowCreateParams& params) {
  WindowSystem& system = WindowSystem::Get();
  const auto windowClass = system.classes.find(params.className);
  if (windowClass == system.classes.end() || !StartVideo(system)) {
    return nullptr;
  }
  SDL_Window* sdlWindow = CreateSdlWindow(params);
  if (sdlWindow == nullptr) {
    return nullptr;
  }
  auto state = std::make_unique<WindowState>();
  state->sdl = sdlWindow;
  state->sdlId = SDL_GetWindowID(sdlWindow);
  state->procedure = windowClass->second;
  WindowHandle window = state.get();
  system.windows.push_back(std::move(state));

  // The frame counter starts with the window it may close.
  system.quitAfterFrames = ReadQuitAfterFrames();
  system.framesCompleted = 0;
  system.quitPosted = false;

  const intptr_t created = SendMessage(window, WM_CREATE, 0, reinterpret_cast<intptr_t>(&params));
  if (!IsWindow(window)) {
    return nullptr;  // the procedure destroyed it itself
  }
  if (created == -1) {
    system.Remove(window);
    return nullptr;
  }
  SDL_StartTextInput();
  return window;
}

void ShowWindow(WindowHandle window) {
  if (SDL_Window* sdl = GetSdlWindow(window)) {
    SDL_ShowWindow(sdl);
  }
}

// Painting belongs to the display, which presents every frame.
void UpdateWindow(WindowHandle) {}

bool MoveWindow(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height, bool) {
  SDL_Window* sdl = GetSdlWindow(window);
  if (sdl == nullptr || width <= 0 || height <= 0) {
    return false;
  }
  SDL_SetWindowPosition(sdl, x, y);
  SDL_SetWindowSize(sdl, width, height);
  return true;
}

bool DestroyWindow(WindowHandle window) {
  WindowSystem& system = WindowSystem::Get();
  if (system.Find(window) == nullptr || window->destroying) {
    return false;
  }
  window->destroying = true;
  SendMessage(window, WM_DESTROY, 0, 0);
  system.Remove(window);
  return true;
}

// The client area stands for the window: SDL places and sizes the client
// area, so a rectangle read here and given back to CreateWindow or MoveWindow
// lands the window where it was.
bool GetWindowRect(WindowHandle window, Rect& rect) {
  SDL_Window* sdl = GetSdlWindow(window);
  if (sdl == nullptr) {
    return false;
  }
  int x = 0, y = 0, width = 0, height = 0;
  SDL_GetWindowPosition(sdl, &x, &y);
  SDL_GetWindowSize(sdl, &width, &height);
  rect = Rect{x, y, x + width, y + height};
  return true;
}

bool IsWindow(WindowHandle window) {
  return window != nullptr && WindowSystem::Get().Find(window) != nullptr;
}

WindowHandle GetMainWindow() { return WindowSystem::Get().Main(); }

SDL_Window* GetSdlWindow(WindowHandle window) { return IsWindow(window) ? window->sdl : nullptr; }

bool MakeOpenGLCapable(WindowHandle window) {
  SDL_Window* old = GetSdlWindow(window);
  if (old == nullptr) {
    return false;
  }
  const Uint32 oldFlags = SDL_GetWindowFlags(old);
  if (oldFlags & SDL_WINDOW_OPENGL) {
    return true;
  }
  int x = 0, y = 0, width = 0, height = 0;
  SDL_GetWindowPosition(old, &x, &y);
  SDL_GetWindowSize(old, &width, &height);
  const Uint32 kept = oldFlags & (SDL_WINDOW_BORDERLESS | SDL_WINDOW_RESIZABLE | SDL_WINDOW_FULLSCREEN |
                                  SDL_WINDOW_FULLSCREEN_DESKTOP);
  const Uint32 shown = (oldFlags & SDL_WINDOW_SHOWN) ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
  SDL_Window* replacement =
      SDL_CreateWindow(SDL_GetWindowTitle(old), x, y, width, height, kept | shown | SDL_WINDOW_OPENGL);
  if (replacement == nullptr) {
    return false;
  }
  // Messages already queued name the handle, not the SDL window, so they stay valid.
  SDL_DestroyWindow(old);
  window->sdl = replacement;
  window->sdlId = SDL_GetWindowID(replacement);
  return true;
}

void SetCapture(WindowHandle window) {
  WindowSystem& system = WindowSystem::Get();
  if (!IsWindow(window)) {
    return;
  }
  system.capture = window;
  // Capture is a comfort (drags that leave the window); without it the
  // buttons still work, so a refusal is ignored.
  if (system.videoStarted) {
    SDL_CaptureMouse(SDL_TRUE);
  }
}

void ReleaseCapture() {
  WindowSystem& system = WindowSystem::Get();
  if (system.capture != nullptr && system.videoStarted) {
    SDL_CaptureMouse(SDL_FALSE);
  }
  system.capture = nullptr;
}

WindowHandle GetCapture() { return WindowSystem::Get().capture; }

bool PeekMessage(Message& message) {
  WindowSystem& system = WindowSystem::Get();
  PumpEvents(system);
  if (system.queue.empty()) {
    return false;
  }
  message = system.queue.front();
  return true;
}

bool GetMessage(Message& message) {
  WindowSystem& system = WindowSystem::Get();
  for (;;) {
    PumpEvents(system);
    if (!system.queue.empty()) {
      message = system.queue.front();
      system.queue.pop_front();
      return message.message != WM_QUIT;
    }
    WaitForEvents(system);
  }
}

void TranslateMessage(const Message& message) {
  if (message.message != WM_KEYDOWN) {
    return;
  }
  // SDL types no text for these keys, yet the game reads them as characters.
  switch (message.wParam) {
    case VK_RETURN:
    case VK_BACK:
    case VK_TAB:
    case VK_ESCAPE:
      WindowSystem::Get().queue.push_front(Message{message.window, WM_CHAR, message.wParam, message.lParam});
      break;
    default:
      break;
  }
}

intptr_t DispatchMessage(const Message& message) {
  if (!IsWindow(message.window)) {
    return 0;
  }
  return message.window->procedure(message.window, message.message, message.wParam, message.lParam);
}

intptr_t SendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (!IsWindow(window)) {
    return 0;
  }
  return window->procedure(window, message, wParam, lParam);
}

void PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  WindowSystem::Get().queue.push_back(Message{window, message, wParam, lParam});
}

void PostQuitMessage(int exitCode) {
  WindowSystem::Get().queue.push_back(
      Message{nullptr, WM_QUIT, static_cast<uintptr_t>(static_cast<intptr_t>(exitCode)), 0});
}

intptr_t DefWindowProc(WindowHandle window, uint32_t message, uintptr_t, intptr_t) {
  if (message == WM_CLOSE) {
    DestroyWindow(window);
  }
  return 0;
}

void OnFrameCompleted() {
  WindowSystem& system = WindowSystem::Get();
  ++system.framesCompleted;
  if (system.quitAfterFrames > 0 && !system.quitPosted && system.framesCompleted >= system.quitAfterFrames) {
    system.quitPosted = true;
    if (WindowHandle window = system.Main()) {
      PostMessage(window, WM_CLOSE, 0, 0);
    }
  }
}

void ShutdownWindowSystem() {
  WindowSystem& system = WindowSystem::Get();
  while (!system.windows.empty()) {
    system.Remove(system.windows.back().get());
  }
  if (system.videoStarted) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    system.videoStarted = false;
  }
}

}  // namespace platform
