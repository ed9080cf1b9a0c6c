#include "display/mapview/display_window.h"

#include "platform/window.h"

namespace {

// The platform's windows carry their frame outside the client size and take
// their style from the display itself, so only showing and placing reach the
// window system; the screen's size is not known here (an empty rectangle).
class TMainDisplayWindow : public TDisplayWindow {
 public:
  void Hide() override {}
  void Show() override {
    if (platform::WindowHandle window = platform::GetMainWindow()) platform::ShowWindow(window);
  }
  void SetFullScreenStyle() override {}
  void SetWindowedStyle() override {}
  TWindowRect GetScreenRect() const override { return {}; }
  TWindowRect AdjustForFrame(const TWindowRect& client) const override { return client; }
  void Place(const TWindowRect& rect) override {
    if (platform::WindowHandle window = platform::GetMainWindow()) {
      platform::MoveWindow(window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, true);
    }
  }
};

}  // namespace

std::unique_ptr<TDisplayWindow> CreateMainDisplayWindow() { return std::make_unique<TMainDisplayWindow>(); }
