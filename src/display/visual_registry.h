// The narrow door through which the world asks the map view for its display
// objects and hands them back. World code only holds visual pointers; what a
// visual is, how it is built from the visual library and drawn, is the map
// view's business. Without a map view or a visual library (headless
// simulation, tests, the server) nothing is built and every call on a null
// visual does nothing and answers false.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class TColour;
class TVector3;
class TVisual;
class TVisualLibrary;

// Deletes a visual after taking it out of every draw layer of the map view,
// so that no layer is left holding a visual that is gone.
struct TMapVisualDeleter {
  void operator()(TVisual* visual) const;
};
using TMapVisualPtr = std::unique_ptr<TVisual, TMapVisualDeleter>;

// The visual library that the map view builds visuals from: a lent one
// while a loan lives, else the map view's own; null without a map view or
// without a library.
TVisualLibrary* MapVisualLibrary();

// Lends a library to the map view for as long as the loan lives, in place
// of its own (tests give their own definitions this way). A newer loan
// hides an older one until it ends.
class TMapVisualLibraryLoan {
 public:
  explicit TMapVisualLibraryLoan(TVisualLibrary& library);
  ~TMapVisualLibraryLoan();
  TMapVisualLibraryLoan(const TMapVisualLibraryLoan&) = delete;
  TMapVisualLibraryLoan& operator=(const TMapVisualLibraryLoan&) = delete;

 private:
  TVisualLibrary* previous_;
};

// Takes the visual out of the map view's draw lists. Nothing happens when no
// map view exists.
void RemoveVisualFromMapView(TVisual* visual);
// Puts the visual into the map view's current draw layer with the offset
// that sorts it (ground far below, walls and objects by their place).
void AddVisualToMapView(TVisual* visual, float depthOffset);

// Replaces the terrain definitions of the map view's library by those of
// the terrain set.
void LoadTerrainVisualDefinitions(const std::string& terrainSetName);

// A visual of the library's category and name at the position: the visual
// keeps the pointer (the owner moves it) unless it owns a copy. Null without
// a library or a definition.
TMapVisualPtr BuildMapVisual(const std::string& name, const std::string& category, TVector3* position,
                             bool ownsPosition);
// A copy of the visual at the position, which the copy shares; null for null.
TMapVisualPtr CopyMapVisual(const TVisual* visual, TVector3* position);

// Animation and placement; each ignores a null visual.
void StartMapVisual(TVisual* visual, float time);
void UpdateMapVisual(TVisual* visual, float time);
// The visual's position changed: its screen place is worked out again.
void MarkMapVisualMoved(TVisual* visual);
bool MapVisualAnimates(const TVisual* visual);
// A switch visual flips between its first two children; false (nothing
// changes) for any other visual.
bool ToggleMapVisualSwitch(TVisual* visual);
// The selected child of the visual's switch; -1 when it has none.
int32_t MapVisualSwitchIndex(const TVisual* visual);
// Draws the visual now, with its own offset and no light, unless hidden.
void RenderMapVisual(TVisual* visual);
void SetMapVisualShown(TVisual* visual, bool shown);

// A bar of the category and name laid between two points: every world bar
// of the visual runs from the first point to the second, in the colour when
// one is given. The visual owns a copy of the first point.
TMapVisualPtr BuildMapBar(const std::string& name, const std::string& category, const TVector3& from,
                          const TVector3& to, const TColour* colour);
// Lays the world bars of an existing visual between the two points (the
// visual's position is moved to the first when it owns its position).
void StretchMapBar(TVisual* visual, const TVector3& from, const TVector3& to);

// The marker of one segment of a route: the visual of the marker key (an
// "Interface" visual) laid between the two points, each taken at the height
// route markers are drawn at. Null for an empty key.
TMapVisualPtr BuildRouteMarker(const std::string& markerKey, const TVector3& from, const TVector3& to);
