#include "session/game_mode.h"

#include "display/map_view.h"
#include "session/hot_seat_mode.h"
#include "session/received_game_mode.h"
#include "session/server_mode.h"

void TGameMode::Render() {
  if (!IsDrawEnabled() || !TMapView::Exists()) return;
  TMapView* mapView = TMapView::Instance();
  mapView->BeginFrame();
  mapView->Draw();
  mapView->DrawFps();
  mapView->EndFrame();
}

void TIntroMode::Update() { Render(); }

bool IsGameModeAvailable(int modeNumber) { return modeNumber == 0 || modeNumber == 1 || modeNumber == 2 || modeNumber == 5; }

std::unique_ptr<TGameMode> CreateGameMode(int modeNumber, const std::string& argument) {
  switch (modeNumber) {
    case 0:
      return std::make_unique<TIntroMode>();
    case 1:
      return std::make_unique<THotSeatMode>();
    case 2:
      return std::make_unique<TReceivedGameMode>(argument);
    case 5:
      return std::make_unique<TServerMode>(argument);
    default:
      return nullptr;
  }
}
