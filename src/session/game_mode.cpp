#include "session/game_mode.h"

#include "display/display.h"
#include "display/map_view.h"

void TGameMode::Render() {
  if (!IsDrawEnabled() || !TMapView::Exists()) return;
  TDisplay* display = TMapView::Instance()->GetDisplay();
  if (display == nullptr) return;
  display->BeginFrame();
  display->Present();
}

void TIntroMode::Update() { Render(); }

std::unique_ptr<TGameMode> CreateGameMode(int modeNumber) {
  switch (modeNumber) {
    case 0:
      return std::make_unique<TIntroMode>();
    default:
      return nullptr;
  }
}
