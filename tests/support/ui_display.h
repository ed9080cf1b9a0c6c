// The map view of the interface tests: a recording display (800 x 600 unless
// told otherwise) whose font manager holds the fixed-metric test styles.
// Destroying it destroys the map view.
#pragma once

#include <memory>
#include <string>

#include "display/map_view.h"
#include "display/text/font_manager.h"
#include "support/fixed_font.h"
#include "support/recording_display.h"

namespace testing_ui {

class ScopedUiDisplay {
 public:
  explicit ScopedUiDisplay(int32_t width = 800, int32_t height = 600,
                           const std::string& styles = testing_fonts::StandardStyles()) {
    testing_display::RecordingOptions options;
    options.width = width;
    options.height = height;
    auto display = std::make_unique<testing_display::RecordingDisplay>(options);
    recorder_ = display.get();
    TMapView::Create(std::move(display));
    testing_fonts::LoadFixedFonts(*TMapView::Instance()->GetFontManager(), journal_, styles);
  }
  ~ScopedUiDisplay() { TMapView::Destroy(); }
  ScopedUiDisplay(const ScopedUiDisplay&) = delete;
  ScopedUiDisplay& operator=(const ScopedUiDisplay&) = delete;

  testing_display::RecordingDisplay& Recorder() { return *recorder_; }
  testing_fonts::TextJournal& Texts() { return journal_; }

 private:
  testing_fonts::TextJournal journal_;
  testing_display::RecordingDisplay* recorder_ = nullptr;
};

}  // namespace testing_ui
