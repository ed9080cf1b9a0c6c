#include "session/received_game_mode.h"

#include <utility>

#include "app/log.h"
#include "display/visual_preload.h"
#include "session/battle_session.h"
#include "session/game.h"
#include "session/game_record.h"
#include "sim/clock.h"

TReceivedGameMode::TReceivedGameMode(std::string fileName)
    : session_(std::make_unique<TBattleSession>(0)), fileName_(std::move(fileName)) {}

TReceivedGameMode::~TReceivedGameMode() = default;

void TReceivedGameMode::Enter() {
  if (fileName_.empty()) {
    // Entered without a file: the first stored game is rebuilt, and the
    // rebuild chooses the screen.
    session_->RebuildGames();
    requestedScreen_ = session_->GetRequestedScreen();
    return;
  }
  const bool firstTurn = session_->LoadTurnFile(fileName_);
  if (TGame::Instance()->IsQuitting()) return;
  requestedScreen_ = firstTurn ? "Choose Race Screen" : "Game Screen";
  WriteLog("Screen requested: " + requestedScreen_ + "\n");
  session_->CreateTerrainVisuals();
}

void TReceivedGameMode::Update() {
  Render();
  TTurnClock& clock = session_->GetTurnClock();
  clock.Advance(kFrameStep);
  const bool paused = session_->Tick();
  // The game screen closes a played-back turn; until it exists the mode
  // does, so that the turn's state is stored and its orders phase opens.
  if (paused && !session_->IsTurnCommitted() && !session_->GetName().empty() && session_->GetFailure().empty()) {
    session_->PlayClientTurn();
  }
}

int TReceivedGameMode::GetLocalPlayer() const { return session_->GetGameRecord().GetPlayerNumber(); }

std::string TReceivedGameMode::GetFailure() const { return session_->GetFailure(); }
