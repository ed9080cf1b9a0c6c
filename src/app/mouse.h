// Mouse state: the pointer position in display pixels, the three buttons, the
// last mouse event and the wheel, and the map square under the pointer.
#pragma once

#include <cstdint>
#include <vector>

#include "app/listener_list.h"

// Told after every button or wheel event. Registers itself with the mouse on
// construction and leaves it on destruction.
class TMouseListener {
 public:
  TMouseListener();
  virtual ~TMouseListener();
  TMouseListener(const TMouseListener&) = delete;
  TMouseListener& operator=(const TMouseListener&) = delete;

  virtual void OnMouseEvent() = 0;
};

class TMouse {
 public:
  // The last mouse event.
  enum EEvent : int32_t {
    kNone = 0,
    kLeftPressed = 1,
    kLeftReleased = 2,
    kRightPressed = 3,
    kRightReleased = 4,
    kWheel = 5,
    kMiddlePressed = 6,
    kMiddleReleased = 7,
  };

  // Stores the position clamped to the map view's display; without a display
  // (no size known) the position is kept as given.
  void SetPosition(int32_t x, int32_t y);
  // The same, clamped to a display of the given size (a size of 0 or less
  // leaves that coordinate unclamped).
  void SetPosition(int32_t x, int32_t y, int32_t width, int32_t height);

  void SetLeftButton(bool down);
  void SetRightButton(bool down);
  void SetMiddleButton(bool down);
  // Wheel data as the window message packs it (signed 120ths of a notch); the
  // listeners see it, then it is cleared.
  void OnWheel(int32_t wheelData);

  int32_t GetX() const { return x_; }
  int32_t GetY() const { return y_; }
  int32_t GetWheelDelta() const { return wheelDelta_; }
  int32_t GetEventCode() const { return eventCode_; }
  bool IsLeftButtonDown() const { return left_; }
  bool IsRightButtonDown() const { return right_; }
  bool IsMiddleButtonDown() const { return middle_; }
  bool IsAnyButtonDown() const { return left_ || right_ || middle_; }

  // Appended without a duplicate test; removal takes the first equal entry.
  void AddListener(TMouseListener* listener);
  void RemoveListener(TMouseListener* listener);

 private:
  void SetButton(bool& state, bool down, int32_t pressedCode, int32_t releasedCode);
  void NotifyListeners();

  int32_t x_ = 0;
  int32_t y_ = 0;
  int32_t wheelDelta_ = 0;
  bool left_ = false;
  bool right_ = false;
  bool middle_ = false;
  int32_t eventCode_ = kNone;
  TListenerList<TMouseListener> listeners_;
};

TMouse* GetMouse();
void DestroyMouse();

// Size of a map tile on screen at zoom 1.
constexpr float kMapTileWidth = 64.0f;
constexpr float kMapTileHeight = 32.0f;

// The map coordinates under a screen position: the inverse of the map's
// diamond projection at the given zoom.
float ScreenToWorldX(int32_t x, int32_t y, float zoom);
float ScreenToWorldY(int32_t x, int32_t y, float zoom);
// The map coordinates under the mouse at the map view's current zoom.
float MouseWorldX();
float MouseWorldY();
