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
  // Keys and mouse are refused while the tutorial's scripted second side
  // moves.
  bool AcceptsInput() const;
  bool RunsWhileInactive() const;
  // A close request closes at once unless the current mode is in the middle
  // of work a close would cut short (a turn computed here, the computer
  // opponent moving). Then the first request is refused with a word to the
  // player (OnCloseRequest) and the next one closes; once the work is over a
  // close is refused again only by the next such work.
  bool AllowsQuit() const { return quitAllowed_ || !IsModeAtWork(); }
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
  // Makes a mode built elsewhere current and enters it, as SetMode does.
  void AdoptMode(std::unique_ptr<TGameMode> mode);
  // The current mode's report of the work it was entered for.
  std::string GetModeFailure() const;

 private:
  TGame();
  void ApplyPendingSwitch();
  bool IsModeAtWork() const;

  std::unique_ptr<TSmtpSession> mailSender_;
  std::unique_ptr<TGameMode> mode_;
  int pendingMode_ = 7;
  TPlayerData playerData_;
  bool quitNow_ = false;
  int exitStatus_ = 0;
  // Set by a refused close request while the mode is at work.
  bool quitAllowed_ = false;
};

// Destroys every singleton of the program in its fixed order.
void DestroySingletons();
