#include "display/effect_visuals.h"

#include "app/vector3.h"

TVisual* BuildEffectVisual(const TVector3& /*position*/, std::string_view /*group*/, std::string_view /*name*/,
                           float /*startTime*/, float /*drawParameter*/) {
  // No visual library is loaded yet, so there are no definitions to build from.
  return nullptr;
}

void SetVisualDisplayMark(TVisual* visual, bool /*marked*/) {
  if (visual == nullptr) return;
}

void RefreshEffectVisual(TVisual* visual) {
  if (visual == nullptr) return;
}
