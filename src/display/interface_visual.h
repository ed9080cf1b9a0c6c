// The narrow door through which world objects and orders get the map view's
// interface drawings: deployment squares, order markers and similar marks
// that lie on the map. The world only holds the visual; building, drawing and
// freeing it is the map view's business. Without a map view (headless
// simulation, tests, the server) no visual is built and the calls on a null
// visual do nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class TColour;
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

struct TInterfaceVisualRelease {
  void operator()(TVisual* visual) const { ReleaseMapInterfaceVisual(visual); }
};
using TInterfaceVisualPtr = std::unique_ptr<TVisual, TInterfaceVisualRelease>;

// An order's marker: the "Interface" visual of the name, registered with the
// map view and hidden until shown. With a position the marker follows it
// (the caller keeps it alive); without one it owns a position at the origin
// and its parts are placed by their ends.
TInterfaceVisualPtr BuildOrderMarkerVisual(const std::string& name, const TVector3* position);
// Shows or hides the marker and has it placed again.
void ShowOrderMarkerVisual(TVisual* visual, bool shown);
// Tints every drawable leaf of the marker; null restores its own colours.
void TintOrderMarkerVisual(TVisual* visual, const TColour* colour, float strength);
// Markers that show a route hold their parts per leg: one child per leg when
// the visual's children are groups, else the visual is the only leg. Each
// part that is a bar between two corners runs from `from` to `to`.
void SetOrderMarkerPartEnds(TVisual* visual, int32_t leg, int32_t part, const TVector3& from, const TVector3& to);
// Legs of a marker with one child per leg: a new leg copies the first, the
// last one goes; the first always stays.
void AddOrderMarkerLeg(TVisual* visual);
void RemoveOrderMarkerLeg(TVisual* visual);
