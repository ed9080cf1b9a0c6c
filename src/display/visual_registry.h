// The narrow door through which the world hands its display objects back to
// the map view. World code only holds visual pointers; drawing them, and
// forgetting them when their object goes, is the map view's business.
#pragma once

class TVisual;

// Takes the visual out of the map view's draw lists. Nothing happens when no
// map view exists (headless simulation, tests, the server).
void RemoveVisualFromMapView(TVisual* visual);
