// The computing side of one two-player game. Given a game's files it either
// creates the game from a "[GameStart]" set-up text or computes one turn
// from the gamestate and both players' orders files, and writes what goes
// back: one turn file per player, the gamestate the next turn starts from
// and the status text for the game server.
//
// Every input is outside data: a file that does not read, an orders file
// that claims another player's place, or (when the battle refuses them)
// orders the rules would drop, fail the whole computation. Nothing is
// written then: every output goes under a temporary name first and takes
// its real name only when every file of the computation is complete.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/vector3.h"
#include "session/battle.h"
#include "units/order_list.h"

class TDataStream;
class TGameRecord;
class TIdMapperTable;
class TStagedFiles;

class TServerBattle : public TBattle {
 public:
  // Which parts of the map each side sees when a game starts.
  enum ERevealMode : int32_t { kRevealAll = 0, kRevealSecondSide = 1, kRevealAreasOnly = 2 };
  // The server's step of the turn clock (rounded to 0.033 by the clock).
  static constexpr float kStep = 0.03333f;
  static constexpr float kProgressPerStep = 0.3333f;
  // The random generator's seed at the start of every computation.
  static constexpr uint32_t kSeed = 0;

  TServerBattle();
  ~TServerBattle() override;

  // The entry: a first name holding "start_" creates a game (set-up file,
  // output folder); any other list computes a turn (gamestate, player 1's
  // orders, player 2's orders, output folder). Other counts are refused.
  // False, with a message in GetError and no file written, on any failure.
  bool ProcessFile(const std::vector<std::string>& names);
  const std::string& GetError() const { return error_; }

  // "_G" + battle name + "_T" + (the clock's turn - 1) + ".dvx".
  std::string TurnFileSuffix() const;
  void SetRevealMode(int32_t mode) { revealMode_ = mode; }
  int32_t GetRevealMode() const { return revealMode_; }
  // Whether orders the rules would drop (another player's unit, a deploy
  // beyond the budget, of another race, outside the deploy squares, after
  // the first turn) fail the turn instead: the game server's setting.
  void SetRefuseDroppedOrders(bool refuse) { refuseDropped_ = refuse; }
  // Where the files go; a separator is added when missing.
  void SetOutputFolder(const std::string& folder);
  const std::string& GetOutputFolder() const { return outputFolder_; }

  bool NewGame(const std::string& setupFile);
  bool ProcessTurn(const std::vector<std::string>& names);
  // The orders file of the player in place k (0 or 1), positioned after its
  // request text.
  bool ApplyOrders(TDataStream& stream, int32_t place);
  // Drops the first turn's deploy orders of player p beyond its force
  // points or of another race than its record's.
  void CheckDeployment(int32_t player);
  void Simulate();
  bool LoadGameState(const std::string& fileName);
  bool SaveGameState();
  // Writes the events of player i and saves the stream as its turn file.
  bool WriteResults(TDataStream& stream, int32_t player);
  void WriteEvents(TDataStream& stream, int32_t player);
  bool WriteStatus();
  std::string StatusText() const;
  std::string UnitCountText(int32_t player);
  void DeleteGameRecords();

  // --- what the tests look at ---------------------------------------------------
  const std::vector<std::unique_ptr<TGameRecord>>& GetRecords() const { return records_; }
  TIdMapperTable& GetMappers() const { return *mappers_; }
  // The orders read from the last orders file and not yet handed on.
  TOrderVector& GetStagedOrders() { return orders_; }
  const std::vector<std::string>& GetDroppedOrders() const { return dropped_; }
  int32_t GetStepCount() const { return stepCount_; }
  const std::vector<float>& GetShownProgress() const { return shownProgress_; }

 private:
  bool Fail(const std::string& message);
  bool SaveStream(TDataStream& stream, const std::string& name);
  // The start vision and the deployment squares of a new game.
  bool LoadAreaLists(std::vector<std::unique_ptr<class TAreaList>>& lists) const;
  bool LoadAreas(std::vector<std::unique_ptr<class TEvent>>& events, float time);
  bool CreateDeployTiles(std::vector<std::unique_ptr<class TEvent>>& events, float time);
  void CrossOpponentNames();
  void RecordGameOver();
  void EraseOrder(std::size_t index, const std::string& reason);
  // Drops what the player may not order: other players' units, deploys for
  // others, deploys after the first turn (outside single-player), deploys
  // outside the player's squares.
  void CheckOwnership(int32_t player);
  std::string MapPath(const std::string& extension) const;
  // The squares each player may deploy on, from the map's areas (the
  // gamestate does not keep them).
  bool LoadDeploySquares();
  bool OnDeploySquare(const TVector3& position, int32_t player) const;

  std::unique_ptr<TIdMapperTable> mappers_;
  TOrderVector orders_;
  std::vector<std::unique_ptr<TGameRecord>> records_;
  std::map<int32_t, std::map<std::string, int32_t>> unitCounts_;
  int32_t revealMode_ = kRevealAll;
  bool refuseDropped_ = false;
  std::string outputFolder_;
  std::string error_;
  std::vector<std::string> dropped_;
  std::vector<std::vector<TVector3>> deploySquares_;
  std::unique_ptr<TStagedFiles> staged_;
  int32_t stepCount_ = 0;
  std::vector<float> shownProgress_;
};
