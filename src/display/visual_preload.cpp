#include "display/visual_preload.h"

#include "display/visual_registry.h"
#include "display/visuals/visual_library.h"

void PreloadMapVisual(const TVisualPreload& request) {
  TVisualLibrary* library = MapVisualLibrary();
  if (library == nullptr) return;
  // Terrain prototypes are built as the tiles will ask for them; the races'
  // visuals are left to the unit side, which knows how each race is built.
  if (request.category == "Terrain") library->LoadVisual(request.name, request.category, nullptr);
}
