// Mode 2: one game file received from the game server, opened by the
// session of player index 0 and played back frame by frame.
#pragma once

#include <memory>
#include <string>

#include "session/game_mode.h"

class TBattleSession;

class TReceivedGameMode : public TGameMode {
 public:
  // The clock's advance each frame: a turn of 10.0 plays back in 300 frames.
  static constexpr float kFrameStep = 0.03333f;

  explicit TReceivedGameMode(std::string fileName);
  ~TReceivedGameMode() override;

  void Update() override;
  // Loads the file into the session.
  void Enter() override;
  int GetModeNumber() const override { return 2; }
  int GetLocalPlayer() const override;
  std::string GetFailure() const override;
  TBattleSession& GetSession() const { return *session_; }
  const std::string& GetFileName() const { return fileName_; }
  // The screen the mode asked for once the file was read; empty when the
  // program is about to end.
  const std::string& GetRequestedScreen() const { return requestedScreen_; }

 private:
  std::unique_ptr<TBattleSession> session_;
  std::string fileName_;
  std::string requestedScreen_;
};
