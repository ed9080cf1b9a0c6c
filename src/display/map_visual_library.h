// The visual library that world objects, effects and markers build their
// visuals from: the map view's, made for its display's definition files.
// Without a map view there is none, so runs without a display build no
// visual at all.
#pragma once

class TVisualLibrary;

// Null when no map view exists.
TVisualLibrary* GetMapVisualLibrary();
