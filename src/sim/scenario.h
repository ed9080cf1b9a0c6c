// The set-up of one game and its victory rules: the map, each player's force
// points, per-unit cost cap, race and unit-type limits, the turn limit, and
// the force points still to spend while deploying. A scenario comes from the
// "[GameStart]" set-up text of a new game, from a saved game state, from a
// game record, or as a default; the two concrete rule sets ("WipeOut", "HQ")
// live in sim/victory.h.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TConfigParser;
class TDataStream;
class TGameData;
class TGameRecord;
class TUnitType;
class TUnitTypeList;
class TWorld;

// Unit-type name to count, in name order.
using TUnitLimits = std::map<std::string, int32_t>;

// One player's set-up in a scenario.
class TScenarioValues {
 public:
  TScenarioValues() = default;
  TScenarioValues(int32_t forcePoints, int32_t maxFPPerUnit, std::string name, std::string race);

  // The least number of units of the type the player must buy; -1 when the
  // type has no minimum.
  int32_t Get(const std::string& typeName) const;
  // The most units of the type the player may buy; -1 when unlimited.
  int32_t GetSecond(const std::string& typeName) const;
  // A maximum when second is true, else a minimum.
  void Set(const std::string& typeName, int32_t value, bool second);
  void Clear();
  void CopyInto(TUnitLimits& minimum, TUnitLimits& maximum) const;
  void MergeFrom(const TUnitLimits& minimum, const TUnitLimits& maximum);

  int32_t forcePoints = 0;
  int32_t maxFPPerUnit = 0;
  std::string name;
  std::string race;
  TUnitLimits minUnits;
  TUnitLimits maxUnits;
};

class TScenario {
 public:
  // A stream or set-up text naming more players than a battle has sides is
  // damaged.
  static constexpr int32_t kMaxPlayers = 32;
  // More unit-limit entries than any unit table holds mark a damaged stream.
  static constexpr int32_t kMaxUnitLimits = 4096;
  // The values of the default scenario and of the old set-up form.
  static constexpr int32_t kDefaultForcePoints = 20;
  static constexpr int32_t kDefaultMaxFPPerUnit = 4;
  static constexpr int32_t kDefaultTurnLimit = 30;
  static constexpr std::string_view kAnyRace = "any";
  static constexpr std::string_view kSectionName = "GameStart";
  // No game is over before this turn: the first turns are deployment.
  static constexpr int32_t kFirstDecisiveTurn = 2;
  // Scores closer than this are equal.
  static constexpr float kScoreTolerance = 0.0001f;

  TScenario() = default;
  virtual ~TScenario();
  TScenario(const TScenario&) = delete;
  TScenario& operator=(const TScenario&) = delete;

  // --- the victory rules (sim/victory.cpp) -----------------------------------
  virtual float Score(int32_t player, const TWorld& world, int32_t turn) const = 0;
  virtual bool IsGameOver(const TWorld& world, int32_t turn) const = 0;
  // The winning player, or -1 for a draw.
  virtual int32_t Winner(const TWorld& world) const = 0;
  virtual std::string_view TypeName() const = 0;
  // The type name, then the common fields.
  virtual bool Save(TDataStream& stream) const;
  // 0 while the game is not over; otherwise the reason code of the player's
  // result.
  virtual int32_t EndReason(const TWorld& world, int32_t player, int32_t turn) const = 0;

  // --- deployment ------------------------------------------------------------
  // Whether the first player may buy one more unit of the type now.
  virtual bool CanBuyUnit(int32_t unitTypeIndex, const std::string& race, const TGameData& gameData) const;
  // Books a purchase (bought true) or its undoing.
  virtual void UnitBought(const TUnitType& unitType, bool bought);
  // The text shown as the game's objective ("@" references are translated by
  // the text that shows it); empty when the rules need no explanation.
  virtual std::string ObjectiveText(const std::string& race) const;

  // Whether some unit of the player can still fire, directly or after
  // resupply (from another unit, or from the player's ammunition dump).
  static bool PlayerCanFight(const TWorld& world, int32_t player);
  // Whether the player owns any unit, ammunition dump or egg.
  static bool PlayerHasForces(const TWorld& world, int32_t player);

  // --- making scenarios ------------------------------------------------------
  // "WipeOut" or "HQ" (exact); null for any other name.
  static std::unique_ptr<TScenario> CreateByType(std::string_view typeName);
  // Two players "Player 1" and "Player 2" with the default force points,
  // cost cap and any race; map "default"; the default turn limit.
  static std::unique_ptr<TScenario> CreateDefault();
  // The "[GameStart]" section of a set-up text; unit limits are looked up for
  // every type of the unit table. Null when the text leaves a value the game
  // needs undefined ("turnLimit", or a present player's "forcePointsN" or
  // "maxFPPerUnitN"), names too many players, or has no "GameStart" section;
  // the message naming the key goes to the log and into error.
  static std::unique_ptr<TScenario> ParseGameStart(TConfigParser& parser, const TUnitTypeList& unitTypes,
                                                   std::string* error = nullptr);
  // The same with the unit table of the game data configuration.
  static std::unique_ptr<TScenario> ParseGameStart(TConfigParser& parser, std::string* error = nullptr);
  // What Save wrote. Null, with the stream marked failed, for a type name
  // other than "WipeOut" or "HQ", a count out of bounds, or a stream that
  // ends early: such a stream is damaged, and reading on would take the rest
  // as something it is not.
  static std::unique_ptr<TScenario> Load(TDataStream& stream);
  // The scenario of a game being continued or replayed: one player from the
  // record's values, the deployment points shared from it, the record's turn
  // limit; no map name. Null when the record names no known scenario type.
  static std::unique_ptr<TScenario> FromGameRecord(const TGameRecord& record);

  // --- set-up ----------------------------------------------------------------
  std::string GetMapName() const { return mapName_; }
  void SetMapName(const std::string& name) { mapName_ = name; }
  const std::string& GetScenarioName() const { return scenarioName_; }
  void SetScenarioName(const std::string& name) { scenarioName_ = name; }
  int32_t GetTurnLimit() const { return turnLimit_; }
  void SetTurnLimit(int32_t turns) { turnLimit_ = turns; }

  int32_t GetPlayerCount() const { return static_cast<int32_t>(players_.size()); }
  // Null for an index outside the players.
  const TScenarioValues* GetPlayer(int32_t player) const;
  TScenarioValues* GetPlayer(int32_t player);
  // False (nothing added) once kMaxPlayers are held.
  bool AddPlayer(std::unique_ptr<TScenarioValues> values);

  // Values of player record p (from 0); 0 or empty for a player not held.
  int32_t GetForcePoints(int32_t player) const;
  int32_t GetMaxFPPerUnit(int32_t player) const;
  std::string GetPlayerName(int32_t player) const;
  std::string GetRace(int32_t player) const;
  // Player p's limits; both maps emptied first (and left empty for a player
  // not held).
  void GetUnitLimits(int32_t player, TUnitLimits& minimum, TUnitLimits& maximum) const;
  // The first record's limits from two maps.
  void CopyUnitLimits(const TUnitLimits& minimum, const TUnitLimits& maximum);
  void SetUnitLimit(const std::string& typeName, int32_t value, bool isMax, int32_t player);

  // --- deployment book-keeping -------------------------------------------------
  // The points to spend become the first player's force points.
  void SetSharedForcePoints();
  void ClearSharedForcePoints() { forcePoints_ = 0; }
  int32_t GetDeployForcePoints() const { return forcePoints_; }
  // Units of the type bought so far in this deployment.
  int32_t GetUnitCount(const std::string& typeName) const;
  const TUnitLimits& GetUnitCounts() const { return unitCounts_; }

 protected:
  bool SaveCommon(TDataStream& stream) const;
  bool LoadCommon(TDataStream& stream);
  // The unit type's cost in whole force points.
  static int32_t CostOf(const TUnitType& unitType);

 private:
  static std::unique_ptr<TScenario> ParseOldForm(TConfigParser& parser);
  bool ParseNewForm(TConfigParser& parser, const TUnitTypeList& unitTypes, std::string& error);
  bool ParsePlayers(TConfigParser& parser, std::string& error);
  void ParseUnitLimits(TConfigParser& parser, const TUnitTypeList& unitTypes);
  // The force points the first player must keep for the minimums not met
  // yet among the types of the race.
  int32_t MinimumReserve(const std::string& race, const TGameData& gameData) const;

  std::string mapName_;
  std::string scenarioName_;
  std::vector<std::unique_ptr<TScenarioValues>> players_;
  int32_t turnLimit_ = 0;
  int32_t forcePoints_ = 0;
  TUnitLimits unitCounts_;
};
