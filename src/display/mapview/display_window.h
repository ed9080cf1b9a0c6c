// What a change of display mode asks of the main window: hiding it while
// the display is rebuilt, its frame style, its size and place on the screen.
// The map view goes through this door so that tests can watch the steps.
#pragma once

#include <cstdint>
#include <memory>

struct TWindowRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  bool operator==(const TWindowRect& other) const = default;
};

class TDisplayWindow {
 public:
  virtual ~TDisplayWindow() = default;

  virtual void Hide() = 0;
  virtual void Show() = 0;
  // A borderless window without a menu, for full screen.
  virtual void SetFullScreenStyle() = 0;
  // A framed window with a title bar.
  virtual void SetWindowedStyle() = 0;
  // The size of the screen the window is shown on, in right and bottom;
  // empty when it is not known.
  virtual TWindowRect GetScreenRect() const = 0;
  // Grows a client rectangle by the frame of a windowed window.
  virtual TWindowRect AdjustForFrame(const TWindowRect& client) const = 0;
  // Moves and sizes the window (frame included).
  virtual void Place(const TWindowRect& rect) = 0;
};

// The program's main window through the platform layer.
std::unique_ptr<TDisplayWindow> CreateMainDisplayWindow();
