// Pieces the 3D display's visuals share: the zoom a visual is placed with,
// the view-changed test, vertex colours from brightness and tint, and the
// draw of a shape with its texture.
#pragma once

#include <cstdint>
#include <memory>

class TColour;
class TD3DView;
class TShape;
class TSurface;
class TVisual;

namespace d3d_visuals {

// The map view's zoom, or 1.0 for a visual drawn on top of the map.
float PlacementZoom(const TD3DView& view, bool onTop);
// The visual or the view changed since the visual was last placed.
bool NeedsPlacement(const TD3DView& view, const TVisual& visual);
// Brightness b as a vertex colour: white scaled by b, or with a tint each
// channel b + (1 - tint channel) x amount, held within 0..1; the alpha is
// the tint's (opaque without one).
uint32_t LitColour(float brightness, const TColour* tint, float amount);
// The same with an opaque alpha whatever the tint.
uint32_t LitOpaqueColour(float brightness, const TColour* tint, float amount);
// Binds a texture and draws the shape with it; any other surface draws the
// shape itself; without a surface nothing is drawn.
void DrawTextured(TSurface* surface, TShape& shape);
// All vertices of the shape opaque white.
void Whiten(TShape& shape);
// A drawable leaf's SetTint: with a colour, a copy of it and the amount are
// kept; without, the tint goes, the amount stays and the shape turns white.
void StoreTint(const TColour* colour, float amount, std::unique_ptr<TColour>& tint, float& tintAmount,
               TShape& shape);

}  // namespace d3d_visuals
