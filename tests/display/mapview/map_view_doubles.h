// Test doubles around a map view on the recording display: a clock the test
// sets, fonts and a main window that write what happens to them into the
// display's journal, so that one list shows the order of a whole reset.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/config_parser.h"
#include "display/mapview/display_window.h"
#include "display/text/font_manager.h"
#include "platform/clock.h"
#include "support/recording_display.h"

namespace testing_display {

// The platform clock reads `now` while the scope lives.
class ManualClock {
 public:
  explicit ManualClock(uint64_t start) : now(start) {
    platform::SetTickSource([this] { return now; });
  }
  ~ManualClock() { platform::SetTickSource({}); }
  ManualClock(const ManualClock&) = delete;
  ManualClock& operator=(const ManualClock&) = delete;

  uint64_t now;
};

class JournalFont : public TFont {
 public:
  explicit JournalFont(RecordingDisplay& display) : display_(display) {}
  void ReleaseDevice() override { display_.Note("FontRelease", GetFace()); }
  bool RestoreDevice() override {
    display_.Note("FontRestore", GetFace());
    return true;
  }

 private:
  RecordingDisplay& display_;
};

class JournalFontFactory : public TFontFactory {
 public:
  explicit JournalFontFactory(RecordingDisplay& display) : display_(display) {}
  std::unique_ptr<TFont> CreateFont() override { return std::make_unique<JournalFont>(display_); }

 private:
  RecordingDisplay& display_;
};

// Loads one style per face into the manager, each with a font of its own
// that journals into the display.
inline void LoadJournalFonts(TFontManager& fonts, RecordingDisplay& display) {
  TConfigParser config;
  config.SetText(
      "# font styles\n"
      "[Body]\n  Code = ^b\n  Font = Body\n  Size = 12\n  Scale = 1\n  Bold = NO\n  Italic = NO\n"
      "  Colour = 1, 1, 1, 1\n"
      "[Title]\n  Code = ^t\n  Font = Title\n  Size = 20\n  Scale = 1\n  Bold = YES\n  Italic = NO\n"
      "  Colour = 1, 1, 1, 1\n");
  fonts.LoadFonts(config, display.Is3D(), std::make_unique<JournalFontFactory>(display));
}

// The main window: journals each step and answers with a fixed screen and
// a fixed frame.
class JournalWindow : public TDisplayWindow {
 public:
  JournalWindow(RecordingDisplay& display, TWindowRect screen, TWindowRect frame)
      : display_(display), screen_(screen), frame_(frame) {}

  void Hide() override { display_.Note("WindowHide"); }
  void Show() override { display_.Note("WindowShow"); }
  void SetFullScreenStyle() override { display_.Note("WindowFullScreenStyle"); }
  void SetWindowedStyle() override { display_.Note("WindowFramedStyle"); }
  TWindowRect GetScreenRect() const override { return screen_; }
  // The frame's widths: left, top, right and bottom.
  TWindowRect AdjustForFrame(const TWindowRect& client) const override {
    return {client.left - frame_.left, client.top - frame_.top, client.right + frame_.right,
            client.bottom + frame_.bottom};
  }
  void Place(const TWindowRect& rect) override {
    placed = rect;
    display_.Note("WindowPlace");
    if (onPlace) onPlace();
  }

  TWindowRect placed;
  // Runs inside Place, as the window's resize message would.
  std::function<void()> onPlace;

 private:
  RecordingDisplay& display_;
  TWindowRect screen_;
  TWindowRect frame_;
};

}  // namespace testing_display
