// The display that visuals draw through: the map view's, or null when there
// is no map view (headless simulation, the server, most tests).
#pragma once

class TDisplay;

TDisplay* CurrentDisplay();
// True when a current display exists and its view changed since the last
// frame, so cached screen placements must be recomputed.
bool IsCurrentViewChanged();
