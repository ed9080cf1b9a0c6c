// The narrow door through which a unit's visual state controller drives its
// display objects: the composite unit visual (addressed by part and child
// number), the pose visual and the ground marker. The world holds only the
// pointers; drawing belongs to the visual library. Without one (headless
// simulation, tests, the server) no visual exists and every call on a null
// visual does nothing and answers 0 / null.
#pragma once

#include <cstdint>
#include <string>

class TColour;
class TPixelShader;
class TVector3;
class TVisual;

// The recolouring that tells the sides apart: the art paints side marks in
// red, which the second side (index 1) sees exchanged for blue. Null for
// every other side; the swapper is one shared instance.
const TPixelShader* SideColourShader(int32_t side);

// A visual of the map view's library by category and name at the position
// (which the caller owns and may move), tinted with the colour and drawn in
// the side's colours; with the flag part 1 (the selection marker) starts
// hidden. The caller owns the visual and hands it back through
// ReleaseUnitVisual. Null without a map view or a definition of the name.
TVisual* BuildUnitLibraryVisual(const std::string& category, const std::string& name, TVector3* position,
                                const TColour& tint, bool hideSelectionMarker, int32_t side);

// Parts and children of a composite; 0 and null for a null visual or an
// index outside the composite.
int32_t GetVisualPartCount(const TVisual* visual);
TVisual* GetVisualPart(TVisual* visual, int32_t index);
int32_t GetVisualChildCount(const TVisual* visual);
TVisual* GetVisualChild(TVisual* visual, int32_t index);

void ShowVisual(TVisual* visual);
void HideVisual(TVisual* visual);
bool IsVisualShown(const TVisual* visual);
// Bars: the shown share, 0..1.
void SetVisualFraction(TVisual* visual, float fraction);
// A switch node shows one child; a frame-set node one frame set.
void SelectVisualChild(TVisual* visual, int32_t index);
// Starts the visual's animation over at the simulation time.
void RestartVisual(TVisual* visual, float time);
void AdvanceVisual(TVisual* visual, float time);
// The visual's update operation (1: re-place it after a move).
void UpdateVisual(TVisual* visual, int32_t value);
// The per-frame operation of the pose library's visuals.
void FrameVisual(TVisual* visual);
void SetVisualPose(TVisual* visual, int32_t pose);
int32_t GetVisualPose(const TVisual* visual);
// The colour of a plain bar (the sighting and combat markers); null leaves
// the bar without colour, so it draws nothing.
void SetVisualBarColour(TVisual* visual, const TColour* colour);
// Tints the body's current frame; blend -0.5 lets alpha fade the frame.
void SetCurrentFrameColour(TVisual* visual, const TColour& colour, float blend);

// The ground marker under a unit: a visual at the position with the scale.
TVisual* BuildGroundMarker(const TVector3& position, float scale);
void RegisterVisualWithMapView(TVisual* visual);
void RegisterMarkerWithMapView(TVisual* visual);
void UnregisterMarkerFromMapView(TVisual* visual);
// Takes the visual out of the map view and frees it.
void ReleaseUnitVisual(TVisual* visual);
