#include "display/visual_preload.h"

// No visual library is loaded by this build, so a preload has nothing to
// fill; the library takes the requests over when it exists.
void PreloadMapVisual(const TVisualPreload& /*request*/) {}
