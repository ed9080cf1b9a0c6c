#include "display/effect_visuals.h"

#include <string>

#include "app/vector3.h"
#include "display/map_view.h"
#include "display/visual_registry.h"
#include "display/visuals/visual_library.h"

void TEffectVisualRelease::operator()(TVisual* visual) const {
  if (visual == nullptr) return;
  RemoveVisualFromMapView(visual);
  delete visual;
}

TEffectVisualPtr BuildEffectVisual(const TVector3& position, std::string_view group, std::string_view name,
                                   float startTime, float drawParameter) {
  TVisualLibrary* library = MapVisualLibrary();
  if (library == nullptr) return nullptr;
  // The visual follows the effect's own position.
  auto* at = const_cast<TVector3*>(&position);
  TEffectVisualPtr visual(library->BuildVisual(at, false, std::string(name), std::string(group), nullptr).release());
  if (visual == nullptr) return nullptr;
  visual->SetStartTime(startTime);
  TMapView::Instance()->AddVisual(visual.get(), drawParameter);
  return visual;
}

void SetVisualDisplayMark(TVisual* visual, bool /*marked*/) {
  if (visual == nullptr) return;
  // Which visuals show over walls is the draw layers' choice; a marked visual
  // only needs placing again.
  visual->SetChanged(true);
}

void RefreshEffectVisual(TVisual* visual) {
  if (visual != nullptr) visual->SetChanged(true);
}
