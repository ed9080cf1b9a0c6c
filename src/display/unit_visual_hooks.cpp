#include "display/unit_visual_hooks.h"

#include "display/visual_registry.h"

// The visual library is not there yet: no unit visual can exist, so every
// operation meets a null visual (or one it cannot look into) and does nothing.

int32_t GetVisualPartCount(const TVisual* /*visual*/) { return 0; }

TVisual* GetVisualPart(TVisual* /*visual*/, int32_t /*index*/) { return nullptr; }

int32_t GetVisualChildCount(const TVisual* /*visual*/) { return 0; }

TVisual* GetVisualChild(TVisual* /*visual*/, int32_t /*index*/) { return nullptr; }

void ShowVisual(TVisual* /*visual*/) {}

void HideVisual(TVisual* /*visual*/) {}

bool IsVisualShown(const TVisual* /*visual*/) { return false; }

void SetVisualFraction(TVisual* /*visual*/, float /*fraction*/) {}

void SelectVisualChild(TVisual* /*visual*/, int32_t /*index*/) {}

void RestartVisual(TVisual* /*visual*/, float /*time*/) {}

void AdvanceVisual(TVisual* /*visual*/, float /*time*/) {}

void UpdateVisual(TVisual* /*visual*/, int32_t /*value*/) {}

void FrameVisual(TVisual* /*visual*/) {}

void SetVisualPose(TVisual* /*visual*/, int32_t /*pose*/) {}

int32_t GetVisualPose(const TVisual* /*visual*/) { return 0; }

void SetCurrentFrameColour(TVisual* /*visual*/, const TColour& /*colour*/, float /*blend*/) {}

TVisual* BuildGroundMarker(const TVector3& /*position*/, float /*scale*/) { return nullptr; }

void RegisterVisualWithMapView(TVisual* /*visual*/) {}

void RegisterMarkerWithMapView(TVisual* /*visual*/) {}

void UnregisterMarkerFromMapView(TVisual* /*visual*/) {}

void ReleaseUnitVisual(TVisual* visual) {
  if (visual == nullptr) return;
  RemoveVisualFromMapView(visual);
  // Only the visual library builds visuals, so only it can free them.
}
