// The narrow door through which world objects get the map view's interface
// drawings (deployment squares and similar markers that lie on the map). The
// world only holds the visual pointer; building, drawing and freeing it is
// the map view's business. Without a map view or a visual library (headless
// simulation, tests, the server) no visual is built and the calls on a null
// visual do nothing.
#pragma once

#include <string>

class TVector3;
class TVisual;

// A visual of category "Interface" with the name, placed at the position
// (which the caller owns and may move), registered with the map view at the
// depth. Null when there is no visual library to build it from.
TVisual* BuildMapInterfaceVisual(const std::string& name, const TVector3& position, float depth);
// Unregisters the visual from the map view and deletes it; null is ignored.
void ReleaseMapInterfaceVisual(TVisual* visual);
// Brings the visual's animation to the simulation time; null is ignored.
void UpdateMapInterfaceVisual(TVisual* visual, float time);
