// The visual library that world objects, effects and markers build their
// visuals from: the one that belongs to the map view of the running program.
// It is made for the map view's display (its config name picks the "2D.cfg"
// or "3D.cfg" definition files) on first use and made anew when the map view
// or its display is replaced. Without a map view there is none, so runs
// without a display build no visual at all.
#pragma once

class TVisualLibrary;

// Null when no map view exists.
TVisualLibrary* GetMapVisualLibrary();
