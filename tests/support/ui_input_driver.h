// Scripted input for interface tests. Every event becomes the window message
// the platform layer makes of a real one (virtual-key codes, typed
// Windows-1252 bytes, client coordinates, the wheel packing) and goes the
// way the application sends input messages: into the key map and the mouse.
// The driver listens to both as the game does and hands each key event to
// the target's HandleKeys and each button or wheel event to its Update, so a
// scripted press and a real one reach the widgets alike. Frames run Think,
// then Draw.
//
// The key map and the mouse start fresh with each driver and are dropped
// with it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/key_map.h"
#include "app/mouse.h"
#include "platform/sdl_events.h"
#include "platform/window.h"
#include "ui/widget.h"

namespace testing_ui {

// Forgets the keys and buttons of earlier tests before the driver listens.
struct FreshInputState {
  FreshInputState() {
    DestroyKeyMap();
    DestroyMouse();
  }
};

class UiInputDriver : private FreshInputState, private TKeyListener, private TMouseListener {
 public:
  // The mouse event codes.
  enum MouseEvent : int32_t {
    kLeftPress = 1,
    kLeftRelease = 2,
    kRightPress = 3,
    kRightRelease = 4,
    kWheel = 5,
    kMiddlePress = 6,
    kMiddleRelease = 7,
  };

  explicit UiInputDriver(TWidget& target) : target_(&target) {}
  ~UiInputDriver() override {
    DestroyKeyMap();
    DestroyMouse();
  }

  void SetTarget(TWidget& target) { target_ = &target; }

  // One input message, as the window procedure passes it on.
  void Deliver(const platform::Message& message) {
    using namespace platform;
    switch (message.message) {
      case WM_KEYDOWN: GetKeyMap()->OnKeyDown(static_cast<int32_t>(message.wParam)); break;
      case WM_KEYUP: GetKeyMap()->OnKeyUp(static_cast<int32_t>(message.wParam)); break;
      case WM_CHAR: GetKeyMap()->OnChar(static_cast<uint8_t>(message.wParam)); break;
      case WM_MOUSEMOVE:
        GetMouse()->SetPosition(SignedLowWord(static_cast<uintptr_t>(message.lParam)),
                                SignedHighWord(static_cast<uintptr_t>(message.lParam)));
        break;
      case WM_LBUTTONDOWN: GetMouse()->SetLeftButton(true); break;
      case WM_LBUTTONUP: GetMouse()->SetLeftButton(false); break;
      case WM_RBUTTONDOWN: GetMouse()->SetRightButton(true); break;
      case WM_RBUTTONUP: GetMouse()->SetRightButton(false); break;
      case WM_MBUTTONDOWN: GetMouse()->SetMiddleButton(true); break;
      case WM_MBUTTONUP: GetMouse()->SetMiddleButton(false); break;
      case WM_MOUSEWHEEL: GetMouse()->OnWheel(static_cast<int32_t>(message.wParam)); break;
      default: break;
    }
  }
  void Deliver(const std::vector<platform::Message>& messages) {
    for (const platform::Message& message : messages) Deliver(message);
  }

  void KeyDown(uint32_t virtualKey) { Send(platform::WM_KEYDOWN, virtualKey, 0); }
  void KeyUp(uint32_t virtualKey) { Send(platform::WM_KEYUP, virtualKey, 0); }
  void Press(uint32_t virtualKey) {
    KeyDown(virtualKey);
    KeyUp(virtualKey);
  }
  // Typed characters alone, one message per Windows-1252 byte.
  void Type(const std::string& bytes) {
    for (const char byte : bytes) Send(platform::WM_CHAR, static_cast<uint8_t>(byte), platform::MakeLParam(1, 0));
  }
  // A key as a keyboard gives it: down, its character, up.
  void TypeKey(uint32_t virtualKey, uint8_t character) {
    KeyDown(virtualKey);
    Send(platform::WM_CHAR, character, platform::MakeLParam(1, 0));
    KeyUp(virtualKey);
  }

  void MoveMouse(int32_t x, int32_t y) {
    x_ = x;
    y_ = y;
    Send(platform::WM_MOUSEMOVE, 0, platform::MakeLParam(x, y));
  }
  // One of the seven mouse events at the current position; a wheel event
  // turns one notch away from the player.
  void Mouse(int32_t code, int32_t notches = 1) {
    using namespace platform;
    static const uint32_t kMessages[] = {WM_NULL,       WM_LBUTTONDOWN, WM_LBUTTONUP,  WM_RBUTTONDOWN,
                                         WM_RBUTTONUP,  WM_MOUSEWHEEL,  WM_MBUTTONDOWN, WM_MBUTTONUP};
    if (code < kLeftPress || code > kMiddleRelease) return;
    const uintptr_t wParam = code == kWheel ? MakeWheelWParam(notches, 0) : 0;
    Send(kMessages[code], wParam, MakeLParam(x_, y_));
  }
  void Click(int32_t x, int32_t y) {
    MoveMouse(x, y);
    Mouse(kLeftPress);
    Mouse(kLeftRelease);
  }

  void Frame(int32_t count = 1) {
    for (int32_t i = 0; i < count; ++i) {
      target_->Think();
      target_->Draw();
    }
  }

  int32_t KeyEvents() const { return keyEvents_; }
  int32_t MouseEvents() const { return mouseEvents_; }

 private:
  void Send(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    Deliver(platform::Message{nullptr, message, wParam, lParam});
  }
  void OnKeyEvent() override {
    ++keyEvents_;
    target_->HandleKeys();
  }
  void OnMouseEvent() override {
    ++mouseEvents_;
    target_->Update();
  }

  TWidget* target_;
  int32_t x_ = 0;
  int32_t y_ = 0;
  int32_t keyEvents_ = 0;
  int32_t mouseEvents_ = 0;
};

}  // namespace testing_ui
