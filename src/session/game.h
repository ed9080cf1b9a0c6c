// The game object: the current game mode and a pending switch, the quit
// flags, and the singletons of the whole program.
#pragma once

#include <memory>
#include <string>

#include "app/game_data.h"

class TCommandLine;
class TGameMode;
class TSmtpSession;

class TGame {
 public:
  static TGame* Instance();
  static void DestroyInstance();
  ~TGame();

  void Init(const TCommandLine* commandLine);
  void Update();
  void Render();
  void Redraw();

  void RequestQuit() { quitNow_ = true; }
  // Quits after the frame; the program then ends with the status (a
  // failure that leaves nothing to play ends it with a non-zero one).
  void RequestQuit(int exitStatus) {
    quitNow_ = true;
    if (exitStatus_ == 0) exitStatus_ = exitStatus;
  }
  int GetExitStatus() const { return exitStatus_; }
  bool IsQuitting() const { return quitNow_; }

  // The player's account record, read from "player.dat" when the game
  // object is made.
  TPlayerData& GetPlayerData() { return playerData_; }
  bool IsAccountIncomplete() const;
  void LoadPlayerData();
  bool AcceptsInput() const;
  bool RunsWhileInactive() const;
  bool AllowsQuit() const { return quitAllowed_; }
  void OnCloseRequest();

  // The one mail client of the program.
  TSmtpSession* GetMailSender() const { return mailSender_.get(); }

  TGameMode* GetCurrentMode() const { return mode_.get(); }
  int GetModeNumber() const;
  bool IsComputingAsServer() const;
  int GetLocalPlayer() const;
  // Requests a switch of game mode, applied after the current frame (7: none).
  void SwitchMode(int modeNumber) { pendingMode_ = modeNumber; }
  // Switches at once: the old mode goes before the new one is made and
  // entered. False (the old mode kept) for a number this build cannot make.
  bool SetMode(int modeNumber, const std::string& argument = std::string());
  // The current mode's report of the work it was entered for.
  std::string GetModeFailure() const;

 private:
  TGame();
  void ApplyPendingSwitch();

  std::unique_ptr<TSmtpSession> mailSender_;
  std::unique_ptr<TGameMode> mode_;
  int pendingMode_ = 7;
  TPlayerData playerData_;
  bool quitNow_ = false;
  int exitStatus_ = 0;
  bool quitAllowed_ = true;
};

// Destroys every singleton of the program in its fixed order.
void DestroySingletons();
