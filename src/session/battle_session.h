// The player's side of one game. The session reads the turn files the
// server sent into its battle, plays turns back, lets the player give orders
// to the selected unit and writes, saves or mails the orders file. It keeps
// its own files (gamestate copies, the events of the game so far, orders) in
// the game folder "Games/<game id>/".
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/vector3.h"
#include "session/battle.h"

class Combatant;
class TInterfaceCursor;
class TReactionSettings;
struct TVisualPreload;
class TDataStream;
class TGameRecord;
class TOrder;
struct TEventFactoryContext;

class TBattleSession : public TBattle {
 public:
  static constexpr const char* kGamesFolder = "Games\\";
  static constexpr const char* kFirstTurnTag = "General Information";
  static constexpr const char* kNextTurnTag = "Events";
  static constexpr const char* kChallengeFile = "DVX Game Request.dvx";

  // A session for the player index (0 or 1): the simulator in playback, the
  // record carrying the player's number and account strings.
  explicit TBattleSession(int32_t player);
  ~TBattleSession() override;

  // Draws the battle; until the display exists there is nothing to draw.
  void Update() override;

  // --- names and folders -------------------------------------------------------
  int32_t GetPlayerNumber() const;
  const std::string& GetGamesFolderName() const { return gamesFolder_; }
  // Games folder + battle name + "\".
  std::string GameFolder() const;
  std::string OrdersFolder() const;
  // "_G" + battle name + "_T" + the clock's turn + ".dvx".
  std::string TurnFileName() const;
  std::string TurnFileNameFor(int32_t turn) const;
  // False when a folder could not be made.
  bool CreateFolders() const;

  // --- selection and the tutorial's order filter ----------------------------------
  bool HasSelectedUnit() const;
  bool SelectedUnitHasCloseCombatWeapon() const;
  bool SelectedUnitIsUnarmed() const;
  // A unit, else an ammunition dump, else an egg of the player with the id;
  // the first found is selected and the two other selections are cleared.
  bool SelectById(int32_t id);
  void ClearSelection();
  void RefreshObjectVisuals();
  void SetOrderFilter(std::vector<std::string> filter) { orderFilter_ = std::move(filter); }
  void ClearOrderFilter() { orderFilter_.clear(); }
  const std::vector<std::string>& GetOrderFilter() const { return orderFilter_; }
  bool PassesOrderFilter(const TOrder& order) const;
  // The tutorial's test of a new order: an empty filter lets every order by.
  bool MatchesExpectedOrder(const TOrder& order) const { return PassesOrderFilter(order); }

  // --- playback and the turn's set-up ----------------------------------------------
  void ReplayTurn(int32_t turn);
  void ReplayLatestTurn();
  void RewindToNextTurn();
  // The orders phase of the next turn: the player's orders are tried out in
  // simulating mode.
  void PrepareNextTurn();
  // The local run of the whole turn to its end; its state is stored and the
  // orders phase of the next turn prepared. A turn already run only has its
  // orders phase prepared again.
  void PlayClientTurn();

  // --- order giving ------------------------------------------------------------
  bool CancelSelectedOrders();
  bool GiveHoldOrder();
  bool GiveLayEggOrder();
  bool GiveCommitSuicideOrder();
  bool GiveToggleShieldOrder(bool activate);
  bool GiveEatOrder();
  bool GiveActivateOrder(const TVector3& target);
  bool GivePsychicAttackOrder(const TVector3& target);
  bool GivePsychicOrder(const TVector3& target);
  bool GiveWarpAttackOrder(const TVector3& point);
  bool GiveNewWarpAttackOrder(const TVector3& point);
  bool GiveAttackOrder(int32_t targetId, const std::optional<TVector3>& path = std::nullopt);
  bool GiveAttackPositionOrder(const TVector3& point);
  bool GiveOpportunityAttackOrder(const TVector3& point);
  bool GiveChaseOrder(int32_t targetId);
  bool GiveFollowOrder(int32_t targetId);
  bool GiveResupplyOrder(int32_t targetId);
  bool GiveMovementOrder(const TVector3& point);
  bool GiveDeployOrder(const std::string& unitType, const TVector3& point);
  bool GiveSightingRulesOrder(const std::string& code);
  bool GiveCombatRulesOrder(const std::string& policy);

  // --- the selected unit's reactions and status texts -----------------------------
  bool SelectedHasSightingCode(const std::string& code) const;
  bool SelectedHasCombatPolicy(const std::string& name) const;
  int32_t SelectedCombatReactionCode() const;
  int32_t SelectedSightingReactionCode() const;
  int32_t SelectedObjectTypeIndex() const;
  std::string SelectedHealthText() const;
  std::string SelectedTypeText() const;

  // --- the orders file -----------------------------------------------------------
  // "orders" + player digit + TurnFileName() in the orders folder.
  std::string OrdersFileName() const;
  bool WriteOrders(TDataStream& stream) const;
  // Ends the orders phase, then mails (send) or saves the orders file.
  bool FinishOrders(bool send);
  bool SendOrders();
  bool SaveOrders();
  bool ChallengeSend(const TGameRecord& record);
  bool ChallengeSave(const TGameRecord& record);
  bool HaveOrdersBeenSent() const { return ordersSent_; }
  // Whether the last send stored the orders file (the sent flag is set
  // even when it did not).
  bool HaveOrdersBeenSaved() const { return ordersSaved_; }

  // --- turn files ---------------------------------------------------------------
  // True for a first-turn file; false for a results file and for every
  // failure (see GetFailure).
  bool LoadTurnFile(const std::string& fileName);
  bool ReadTurnHeader(TDataStream& stream);
  bool ProcessFirstTurn(TDataStream& stream);
  bool ProcessNextTurn(TDataStream& stream);
  bool ReadFirstTurnBody(TDataStream& stream);
  bool SaveGameState();
  bool LoadGameState(int32_t turn);
  std::string GameStateFileName(int32_t turn) const;
  std::string EventsFileName() const;
  bool OpenEvents();
  bool SaveTurnEvents();
  // Why the last load failed; empty when it did not. A failure that the
  // program cannot go on from (a missing file of its own) also asks the
  // game to quit with a non-zero status.
  const std::string& GetFailure() const { return failure_; }

  // --- rebuilding a game from its turn files -------------------------------------
  // Saves the files of a packed game (the stream placed after its header) in
  // the games folder and rebuilds the game they belong to. True when the
  // game has no played turn yet; false for a later turn and for a failure.
  // A packed game with any name that is no stored turn file is refused
  // whole: nothing of it is saved.
  bool UnpackGame(TDataStream& stream);
  // Rebuilds the first game, by name ignoring case, whose stored turn files
  // lie in the games folder; false when there is none.
  bool RebuildGames();
  // Rebuilds the game from its stored turn files. Turn 00 is read before the
  // game folder is emptied, and the turn files are deleted only once the
  // whole game is rebuilt. False, with nothing deleted, when turn 00 is
  // missing or a file does not read.
  bool RebuildGame(const std::string& gameId);
  // "buildgame" + game id: rebuilds from the local server code's results
  // files. True when the game has no played turn yet.
  bool BuildGame(const std::string& fileName);
  // The screen the session's last rebuild or load asked for; empty for none.
  const std::string& GetRequestedScreen() const { return requestedScreen_; }

  // --- command targets of the battle screens -----------------------------------------
  // This player's name, text @322, the opponent's name.
  std::string PlayerText() const;
  // @324 while the game is undecided, else @323 and the winner's name.
  std::string ResultText() const;
  std::string ReasonText() const;
  // A selected queen's food value; empty otherwise.
  std::string FoodText() const;
  // @325 (grey race) or @326 when the selected unit's weapon is spent;
  // empty for a weapon that carries no ammunition at all.
  std::string OutOfAmmoText() const;
  std::string GetMapName() const;
  std::string GetPlayerName() const;
  std::string GetPrimaryEmail() const;
  std::string GetPassword() const;
  // The selected unit's reaction record for a command to change; null
  // without a selection.
  TReactionSettings* SetSighting() const;
  TReactionSettings* SetCombat() const;
  bool CanLayEgg() const;
  bool CanCommitSuicide() const;
  bool HasShield() const;
  bool CanEat() const;
  // Selects this player's next unit (direction above 0) or previous one and
  // centres the view on it; false when the player has no unit.
  bool NextUnit(int32_t direction);
  int32_t Scale(float zoom) const;
  void ToggleWallView() const;
  // Stores the concession; a conceded mail game goes to the orders screen
  // (the concession travels with the orders), any other back to its first
  // screen.
  void Concede(bool concede);
  void SetGamesFolderName(const std::string& folder);
  // Asks the visual library to load the terrain visuals and both players'
  // unit visuals; returns the requests made, in order.
  std::vector<TVisualPreload> CreateTerrainVisuals() const;

  // --- state --------------------------------------------------------------------
  int32_t GetTurn() const { return turn_; }
  int32_t GetLoadedGameStateTurn() const { return loadedGameStateTurn_; }
  bool IsTurnCommitted() const { return turnCommitted_; }
  TGameRecord& GetGameRecord() const { return *record_; }
  // The map cursor; null when the session was made without a map view.
  TInterfaceCursor* GetCursor() const { return cursor_.get(); }

 private:
  // Offers a built order to the tutorial's filter and adds it when it
  // passes; false (the order deleted) otherwise.
  bool AddOrder(std::unique_ptr<TOrder> order, bool vetted);
  bool AddRulesOrder(const std::string& kind, const std::string& value);
  Combatant* Selected() const;
  int32_t SelectedId() const;
  bool SelectedIsRanged() const;
  // Outside the mail game each player's files carry the player's digit.
  std::string PlayerDigitOutsideMail() const;
  bool Fail(const std::string& message, bool fatal);
  TEventFactoryContext EventContext() const;
  void ApplyGameDataText(const std::string& text);
  struct TRebuildSource;
  bool OpenRebuildFile(const TRebuildSource& source, int32_t turn, TDataStream& stream, const char* tag);
  // Reads turn 0 and every later turn file up to the first gap, replaying
  // each; `turnsRead` counts the files read.
  bool ReplayTurnFiles(const TRebuildSource& source, int32_t& turnsRead);
  void RequestScreen(const std::string& screen);

  bool ordersSent_ = false;
  bool ordersSaved_ = false;
  std::unique_ptr<TDataStream> stateStream_;
  int32_t turn_ = 0;
  int32_t loadedGameStateTurn_ = -1;
  std::unique_ptr<TGameRecord> record_;
  bool turnCommitted_ = false;
  std::vector<std::string> orderFilter_;
  std::string gamesFolder_ = kGamesFolder;
  std::string failure_;
  std::string requestedScreen_;
  std::unique_ptr<TInterfaceCursor> cursor_;
};

// A game id that may name a folder: 1 to 32 of A-Z, a-z, 0-9, "_" and "-".
bool IsGameFolderName(const std::string& name);

// The value shown: v rounded up to a whole number, a fraction of 0.0001 or
// less counting as none.
std::string CeilToText(float value);
