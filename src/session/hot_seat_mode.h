// Mode 1: two players at one machine. Each side has its own battle session;
// once both have sent their orders the turn is computed here by the server
// code on the files of the game folder, and both sessions are rebuilt from
// the results. The tutorial and single-player modes derive from it and reuse
// its sessions, its turn exchange and its frame.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "session/game_mode.h"

class TBattle;
class TBattleSession;
class TServerBattle;

class THotSeatMode : public TGameMode {
 public:
  // Every game computed on this machine has this id: its files lie in the
  // game folder of that name.
  static constexpr const char* kGameId = "00000001";
  static constexpr const char* kGamesFolder = "Games\\";
  static constexpr const char* kMapsConfig = "Configs\\maps.cfg";
  // The clock's advance each frame while a turn plays back.
  static constexpr float kFrameStep = 0.03333f;

  THotSeatMode();
  ~THotSeatMode() override;

  void Update() override;
  void Enter() override {}
  int GetModeNumber() const override { return modeNumber_; }
  // The player whose session is current; none while the turn is computed.
  int GetLocalPlayer() const override;
  bool IsBusy() const override { return opponentMoving_; }
  bool IsComputingAsServer() const override { return computing_; }
  std::string GetFailure() const override { return failure_; }

  virtual std::string GetPlayer1Name() const;
  virtual std::string GetPlayer2Name() const;

  // --- sessions -------------------------------------------------------------------
  int32_t GetSessionCount() const { return static_cast<int32_t>(sessions_.size()); }
  TBattleSession& GetSideSession(int32_t side) const;
  TBattleSession& GetCurrentSession() const;
  TServerBattle& GetServerBattle() const { return *server_; }
  // The battle shown: the server battle while it computes, else the
  // current side's session.
  TBattle& GetViewSession() const;

  // --- the game ---------------------------------------------------------------------
  const std::string& GetGamesFolder() const { return gamesFolder_; }
  // Games folder + id + "\".
  std::string GameFolderPath(const std::string& gameId) const;
  // The "[GameStart]" text of the current session's record with the map.
  std::string GameStartText(const std::string& map) const;
  // Starts a game from the current session's set-up (the players confirmed
  // it on the scenario screen). False, with GetFailure, when no game began.
  bool WriteGameStart();
  // Computes the first turn into the game folder and loads both sides.
  bool StartLocalGame(const std::string& gameId, const std::string& setup);
  // Computes one turn from both sides' orders files and reloads both sides.
  bool ExchangeTurn(const std::string& gameId);
  // The map of the current record's choice: the record's own when the data
  // has it, else one picked at random among the non-tutorial maps; empty
  // (with GetFailure) when there is none to pick.
  std::string ChooseMap();
  // Back to the front end.
  void ExitScenario();

  // While the server code computes a turn, every battle of the mode keeps
  // the events of the unfinished turn when the turn restarts: the stops
  // recorded before its first tick reach the players' results.
  bool KeepsEvents() const { return computing_; }

  bool IsOpponentMoving() const { return opponentMoving_; }
  bool IsComputing() const { return computing_; }
  // The screen the mode asked for last; the screens act on it.
  const std::string& GetRequestedScreen() const { return requestedScreen_; }

 protected:
  // For the modes derived from this one: their number and games folder.
  THotSeatMode(int modeNumber, std::string gamesFolder);

  void CreateSessions();
  void DestroySessions();
  void SetBattlesKeepEvents(bool keep);
  // The server code on a list of files (a new game or a turn), with the
  // mode computing meanwhile.
  bool Compute(const std::vector<std::string>& names);
  virtual bool RunServerCode(const std::vector<std::string>& names);
  void AfterTurnChange();

 private:
  bool Fail(const std::string& message);
  void RequestScreen(const std::string& screen);
  void SetCurrentSide(int32_t side);
  // Empties the game folder and its orders folder; false when a folder
  // cannot be made.
  bool PrepareGameFolder(const std::string& folder);
  // Both sides load their turn file of the server's last computation.
  bool LoadResults(const std::string& folder, const std::string& suffix);
  bool LoadSideResults(int32_t side, const std::string& file, const std::string& playerName);
  // Whether the current session's orders of this turn are stored.
  bool CurrentOrdersStored() const;
  void OnOrdersSent();

  int modeNumber_ = 1;
  std::string gamesFolder_;
  bool computing_ = false;
  bool opponentMoving_ = false;
  std::vector<std::unique_ptr<TBattleSession>> sessions_;
  std::unique_ptr<TServerBattle> server_;
  std::string requestedScreen_;
  std::string failure_;
};

// The sections of a maps config whose names hold no "tutorial", in file
// order.
std::vector<std::string> NonTutorialMaps(const std::string& configText);
