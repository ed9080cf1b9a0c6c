// The main window and its message queue, in the shape the application frame
// expects of a desktop window system: numbered window messages with wParam and
// lParam packed as the game has always read them, a window procedure per
// window class, and a peek/get/dispatch loop. SDL2 underneath; under the
// offscreen driver when headless.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct WindowState;
using WindowHandle = WindowState*;

// Message numbers as the frame knows them.
enum : uint32_t {
  WM_NULL = 0x0000,
  WM_CREATE = 0x0001,
  WM_DESTROY = 0x0002,
  WM_MOVE = 0x0003,
  WM_SIZE = 0x0005,
  WM_ACTIVATE = 0x0006,
  WM_PAINT = 0x000F,
  WM_CLOSE = 0x0010,
  WM_QUIT = 0x0012,
  WM_KEYDOWN = 0x0100,
  WM_KEYUP = 0x0101,
  WM_CHAR = 0x0102,
  WM_SYSCOMMAND = 0x0112,
  WM_MOUSEMOVE = 0x0200,
  WM_LBUTTONDOWN = 0x0201,
  WM_LBUTTONUP = 0x0202,
  WM_RBUTTONDOWN = 0x0204,
  WM_RBUTTONUP = 0x0205,
  WM_MBUTTONDOWN = 0x0207,
  WM_MBUTTONUP = 0x0208,
  WM_MOUSEWHEEL = 0x020A,
};

// wParam values.
constexpr uintptr_t SC_MONITORPOWER = 0xF170;
constexpr uintptr_t SIZE_RESTORED = 0;
constexpr uintptr_t SIZE_MINIMIZED = 1;
constexpr uintptr_t SIZE_MAXIMIZED = 2;
constexpr uintptr_t WA_INACTIVE = 0;
constexpr uintptr_t WA_ACTIVE = 1;
constexpr uintptr_t MK_LBUTTON = 0x0001;
constexpr uintptr_t MK_RBUTTON = 0x0002;
constexpr uintptr_t MK_SHIFT = 0x0004;
constexpr uintptr_t MK_CONTROL = 0x0008;
constexpr uintptr_t MK_MBUTTON = 0x0010;
constexpr int WHEEL_DELTA = 120;

// Packing helpers: lParam of mouse and size messages holds x in the low word
// and y in the high word; the wheel delta is the signed high word of wParam.
constexpr intptr_t MakeLParam(int low, int high) {
  return static_cast<intptr_t>(static_cast<uint32_t>((static_cast<uint32_t>(high) & 0xFFFFu) << 16 |
                                                     (static_cast<uint32_t>(low) & 0xFFFFu)));
}
constexpr uint16_t LowWord(uintptr_t v) { return static_cast<uint16_t>(v & 0xFFFFu); }
constexpr uint16_t HighWord(uintptr_t v) { return static_cast<uint16_t>((v >> 16) & 0xFFFFu); }
constexpr int16_t SignedLowWord(uintptr_t v) { return static_cast<int16_t>(LowWord(v)); }
constexpr int16_t SignedHighWord(uintptr_t v) { return static_cast<int16_t>(HighWord(v)); }

struct Message {
  WindowHandle window = nullptr;
  uint32_t message = WM_NULL;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};

using WindowProcedure = intptr_t (*)(WindowHandle window, uint32_t message, uintptr_t wParam,
                                     intptr_t lParam);

struct WindowClass {
  std::string name;
  WindowProcedure procedure = nullptr;
};

struct WindowCreateParams {
  std::string className;
  std::string title;
  bool popup = false;  // full screen at (0, 0) without decorations
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 800;
  int32_t height = 600;
};

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// True when no display is present (no DISPLAY or WAYLAND_DISPLAY) or DVX_HEADLESS=1.
bool IsHeadless();

// Registers a window class once; a second registration of the same name fails.
bool RegisterWindowClass(const WindowClass& windowClass);

// Creates the window; WM_CREATE reaches the procedure before this returns
// (lParam points to the params). Returns null when the window system cannot start
// or the procedure refuses WM_CREATE.
WindowHandle CreateWindow(const WindowCreateParams& params);
void ShowWindow(WindowHandle window);
void UpdateWindow(WindowHandle window);
bool MoveWindow(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height,
                bool repaint);
// Sends WM_DESTROY to the procedure, then closes the window.
bool DestroyWindow(WindowHandle window);
bool GetWindowRect(WindowHandle window, Rect& rect);
bool IsWindow(WindowHandle window);
// The window created last and not yet destroyed, or null.
WindowHandle GetMainWindow();

void SetCapture(WindowHandle window);
void ReleaseCapture();
WindowHandle GetCapture();

// Looks at the next message without removing it; false when the queue is empty.
bool PeekMessage(Message& message);
// Takes the next message, waiting for one; false when it is WM_QUIT.
bool GetMessage(Message& message);
void TranslateMessage(const Message& message);
intptr_t DispatchMessage(const Message& message);
intptr_t SendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
void PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
void PostQuitMessage(int exitCode);
intptr_t DefWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// The main loop reports every finished frame; with DVX_QUIT_AFTER_FRAMES=N the
// window is asked to close (WM_CLOSE) after the N-th, once. The variable is read,
// and the count restarted, whenever a window is created.
void OnFrameCompleted();

// Closes the window system (after the last window is gone).
void ShutdownWindowSystem();

}  // namespace platform
