// Mode 5: a game computed on this machine from game files by the server
// code, the way the game server runs the program. The argument names the
// files, separated by ",".
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "session/game_mode.h"

class TServerBattle;

class TServerMode : public TGameMode {
 public:
  explicit TServerMode(std::string argument);
  ~TServerMode() override;

  void Update() override;
  // Runs the server code on the named files.
  void Enter() override;
  int GetModeNumber() const override { return 5; }
  std::string GetFailure() const override { return failure_; }
  TServerBattle& GetBattle() const { return *battle_; }

  // The argument split at "," into trimmed pieces, keeping every piece that
  // holds ".dvx", the last piece, and a first piece naming a new game's
  // set-up ("start_").
  static std::vector<std::string> FileList(const std::string& argument);

 private:
  std::unique_ptr<TServerBattle> battle_;
  std::string argument_;
  std::string failure_;
};

// `dvx --server NAME... FOLDER`: every argument is one name (joined with ","
// into the server mode's argument). Runs headless in the program's folder;
// names are taken relative to the folder the command was started in. Returns
// the exit status: 0 when every file was written, else 1 with one message on
// standard error and no file written.
int RunServerCommand(const std::vector<std::string>& names);
