#include "display/map_visual_library.h"

#include <memory>
#include <string>

#include "display/display.h"
#include "display/map_view.h"
#include "display/visuals/visual_library.h"

namespace {

// The library and the map view and display it was made for: prototypes are
// only good for the display whose definition files they came from.
struct TMapLibrarySlot {
  const TMapView* view = nullptr;
  const TDisplay* display = nullptr;
  std::string suffix;
  std::unique_ptr<TVisualLibrary> library;
};

TMapLibrarySlot& Slot() {
  static TMapLibrarySlot slot;
  return slot;
}

}  // namespace

TVisualLibrary* GetMapVisualLibrary() {
  TMapLibrarySlot& slot = Slot();
  if (!TMapView::Exists()) {
    slot = TMapLibrarySlot();
    return nullptr;
  }
  const TMapView* view = TMapView::Instance();
  const TDisplay* display = view->GetDisplay();
  if (display == nullptr) return nullptr;
  // A new map view or display may take the place of the old one in memory:
  // the config name tells a library for the other display apart.
  const std::string suffix = display->GetConfigName();
  if (slot.library == nullptr || slot.view != view || slot.display != display || slot.suffix != suffix) {
    slot.library.reset();
    slot.library = std::make_unique<TVisualLibrary>(suffix);
    slot.view = view;
    slot.display = display;
    slot.suffix = suffix;
  }
  return slot.library.get();
}
