// A map view over the recording display, with the visual library it makes
// for that display's definition files, for tests of what the world builds
// through the map view. Everything goes again with the object.
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
  }
  ~MapViewWithLibrary() { TMapView::Destroy(); }
  MapViewWithLibrary(const MapViewWithLibrary&) = delete;
  MapViewWithLibrary& operator=(const MapViewWithLibrary&) = delete;

  TVisualLibrary& Library() { return *TMapView::Instance()->GetVisualLibrary(); }
  // The map view builds nothing once its library is gone.
  void DropLibrary() { TMapView::Instance()->ReplaceVisualLibrary(nullptr); }
  TDrawLayer& Layer() { return *TMapView::Instance()->GetCurrentLayer(); }
};

}  // namespace testing_display
