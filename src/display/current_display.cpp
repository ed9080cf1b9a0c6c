#include "display/current_display.h"

#include "display/display.h"
#include "display/map_view.h"

TDisplay* CurrentDisplay() { return TMapView::Exists() ? TMapView::Instance()->GetDisplay() : nullptr; }

bool IsCurrentViewChanged() {
  const TDisplay* display = CurrentDisplay();
  return display != nullptr && display->IsViewChanged();
}
