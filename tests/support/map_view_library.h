// A map view over the recording display with a visual library of that
// display's definition files lent to it, for tests of what the world builds
// through the map view. Everything goes again, in reverse, with the object.
#pragma once

#include <memory>
#include <string>

#include "display/map_view.h"
#include "display/visual_registry.h"
#include "display/visuals/visual_library.h"
#include "support/recording_display.h"

namespace testing_display {

class MapViewWithLibrary {
 public:
  explicit MapViewWithLibrary(bool is3D = false) {
    RecordingOptions options;
    options.is3D = is3D;
    TMapView::Create(std::make_unique<RecordingDisplay>(options));
    library_ = std::make_unique<TVisualLibrary>(TMapView::Instance()->GetDisplay()->GetConfigName());
    loan_ = std::make_unique<TMapVisualLibraryLoan>(*library_);
  }
  ~MapViewWithLibrary() {
    loan_.reset();
    library_.reset();
    TMapView::Destroy();
  }
  MapViewWithLibrary(const MapViewWithLibrary&) = delete;
  MapViewWithLibrary& operator=(const MapViewWithLibrary&) = delete;

  TVisualLibrary& Library() { return *library_; }
  // The map view builds nothing once the loan ends.
  void EndLoan() { loan_.reset(); }
  TDrawLayer& Layer() { return *TMapView::Instance()->GetCurrentLayer(); }

 private:
  std::unique_ptr<TVisualLibrary> library_;
  std::unique_ptr<TMapVisualLibraryLoan> loan_;
};

}  // namespace testing_display
