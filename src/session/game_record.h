// The record of one two-player game as one player sees it: who plays, the
// set-up chosen, the player's program, the outcome of the last turn and the
// unit-type limits. It travels in every game file and fills the request
// texts; the front-end screens read and set some fields through named
// commands. Also the player's two small files: the referral and the bounty.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class TDataStream;
class TPlayerData;
class TScenario;

class TGameRecord {
 public:
  using TUnitCounts = std::map<std::string, int32_t>;

  static constexpr const char* kDefaultScenarioType = "WipeOut";
  static constexpr const char* kRandomMap = "Random";
  static constexpr const char* kDefaultSpareText = "a";
  // A game id that no server hands out: the record names no game yet.
  static constexpr const char* kNoGameId = "\xFF";
  static constexpr const char* kAnyRace = "any";
  static constexpr const char* kDefaultFormatTag = "Vorhelm-3-00";
  static constexpr int32_t kDefaultForcePoints = 20;
  static constexpr int32_t kDefaultMaxFPPerUnit = 100;
  static constexpr int32_t kDefaultTurnLimit = 30;
  static constexpr int32_t kDefaultTimeLimit = 30;
  // More unit-count entries than any unit table holds mark a damaged stream.
  static constexpr int32_t kMaxUnitCounts = 4096;

  TGameRecord();

  // Every field to its default, except the password; one zero score per
  // side.
  void SetDefaults();
  bool Save(TDataStream& stream) const;
  // Reads what Save wrote at the stream's version. Fields of groups the
  // version lacks keep their values; the unit counts are replaced by the
  // stream's (none below 2.32). False, with the record unchanged and the
  // stream marked failed, when the stream ends early or a count is out of
  // bounds.
  bool Load(TDataStream& stream);

  // The program's version tag, platform and language.
  void FillFromPlayer();
  // Name, e-mail address and password of the player's account.
  void SetFromPlayerData(const TPlayerData& player);
  // The set-up of the scenario for this record's player number.
  void FillFromScenario(const TScenario& scenario);
  // A side's score; sides outside the table are ignored.
  void SetSideValue(float value, int32_t side);
  // Minimum / maximum count of the unit type; -1 when there is none.
  int32_t FindA(const std::string& typeName) const;
  int32_t FindB(const std::string& typeName) const;
  // The version number in the format tag ("Vorhelm-3-00" gives 3.0); 0.0 for
  // a tag without "-".
  float TimeText() const;

  // --- command targets of the set-up screens ---------------------------------
  void SetScenarioType(const std::string& type) { scenarioType_ = type; }
  bool GetScenarioType(const std::string& type) const { return scenarioType_ == type; }
  std::string GetScenarioMapName() const { return map_; }
  void SetMapName(const std::string& map) { map_ = map; }
  void SetScenarioMapName(const std::string& map) { map_ = map; }
  void SetBasicMap(const std::string& map) { map_ = map; }
  // An unchosen map (empty or "Random") becomes the text first.
  bool GetBasicMap(const std::string& map);
  bool GetFP(int32_t value) const { return forcePoints_ == value; }
  void SetFP(int32_t value) { forcePoints_ = value; }
  bool GetMaxCost(int32_t value) const { return maxFPPerUnit_ == value; }
  void SetMaxCost(int32_t value) { maxFPPerUnit_ = value; }
  bool GetTurns(int32_t value) const { return turnLimit_ == value; }
  void SetTurns(int32_t value) { turnLimit_ = value; }
  bool GetClock(int32_t value) const { return timeLimit_ == value; }
  void SetClock(int32_t value) { timeLimit_ = value; }
  std::string ScenarioTypeText() const;
  std::string InitialForceText() const;
  std::string MaxFPsPerUnitText() const;
  std::string TurnLimitText() const;
  std::string TimeLimitText() const;

  // --- fields ---------------------------------------------------------------
  const std::string& GetPlayerName() const { return playerName_; }
  void SetPlayerName(const std::string& name) { playerName_ = name; }
  const std::string& GetPassword() const { return password_; }
  void SetPassword(const std::string& password) { password_ = password; }
  int32_t GetSpareNumber() const { return spareNumber_; }
  void SetSpareNumber(int32_t value) { spareNumber_ = value; }
  const std::string& GetPlayerEmail() const { return playerEmail_; }
  void SetPlayerEmail(const std::string& email) { playerEmail_ = email; }
  const std::string& GetOpponentName() const { return opponentName_; }
  void SetOpponentName(const std::string& name) { opponentName_ = name; }
  const std::string& GetOpponentEmail() const { return opponentEmail_; }
  void SetOpponentEmail(const std::string& email) { opponentEmail_ = email; }
  bool GetFindOpponent() const { return findOpponent_; }
  void SetFindOpponent(bool find) { findOpponent_ = find; }
  const std::string& GetMatchType() const { return matchType_; }
  void SetMatchType(const std::string& type) { matchType_ = type; }
  const std::string& GetVersionText() const { return versionText_; }
  void SetVersionText(const std::string& text) { versionText_ = text; }
  const std::string& GetPlatformText() const { return platformText_; }
  void SetPlatformText(const std::string& text) { platformText_ = text; }
  const std::string& GetLanguageText() const { return languageText_; }
  void SetLanguageText(const std::string& text) { languageText_ = text; }
  const std::string& GetScenarioTypeName() const { return scenarioType_; }
  const std::string& GetMap() const { return map_; }
  std::string& GetRace() { return race_; }
  const std::string& GetRace() const { return race_; }
  void SetRace(const std::string& race) { race_ = race; }
  const std::string& GetSpareText() const { return spareText_; }
  void SetSpareText(const std::string& text) { spareText_ = text; }
  const std::string& GetGameId() const { return gameId_; }
  void SetGameId(const std::string& id) { gameId_ = id; }
  const std::string& GetMessage() const { return message_; }
  void SetMessage(const std::string& message) { message_ = message; }
  int32_t GetPlayerNumber() const { return playerNumber_; }
  void SetPlayerNumber(int32_t player) { playerNumber_ = player; }
  int32_t GetForcePoints() const { return forcePoints_; }
  bool IsGameOver() const { return gameOver_; }
  void SetGameOver(bool over) { gameOver_ = over; }
  const std::vector<float>& GetScores() const { return scores_; }
  // 0.0 for a side outside the table.
  float GetScore(int32_t side) const;
  int32_t GetMaxFPPerUnit() const { return maxFPPerUnit_; }
  bool IsConceded() const { return conceded_; }
  void SetConceded(bool conceded) { conceded_ = conceded; }
  int32_t GetTurnLimit() const { return turnLimit_; }
  int32_t GetTimeLimit() const { return timeLimit_; }
  uint8_t GetReserved() const { return reserved_; }
  const std::string& GetScenarioRace() const { return scenarioRace_; }
  void SetScenarioRace(const std::string& race) { scenarioRace_ = race; }
  int32_t GetWinner() const { return winner_; }
  void SetWinner(int32_t winner) { winner_ = winner; }
  int32_t GetEndReason() const { return endReason_; }
  void SetEndReason(int32_t reason) { endReason_ = reason; }
  const TUnitCounts& GetMinUnits() const { return minUnits_; }
  const TUnitCounts& GetMaxUnits() const { return maxUnits_; }
  void SetUnitLimits(const TUnitCounts& minimum, const TUnitCounts& maximum);
  const std::string& GetFormatTag() const { return formatTag_; }
  void SetFormatTag(const std::string& tag) { formatTag_ = tag; }

 private:
  bool LoadGroups(TDataStream& stream);
  static bool SaveCounts(TDataStream& stream, const TUnitCounts& counts);
  static bool LoadCounts(TDataStream& stream, TUnitCounts& counts);

  std::string playerName_;
  std::string password_;
  int32_t spareNumber_ = 0;
  std::string playerEmail_;
  std::string opponentName_;
  std::string opponentEmail_;
  bool findOpponent_ = false;
  std::string matchType_;
  std::string versionText_;
  std::string platformText_;
  std::string languageText_;
  std::string scenarioType_;
  std::string map_;
  std::string race_;
  std::string spareText_;
  std::string gameId_;
  std::string message_;
  int32_t playerNumber_ = 0;
  int32_t forcePoints_ = 0;
  bool gameOver_ = false;
  std::vector<float> scores_;
  int32_t maxFPPerUnit_ = 0;
  bool conceded_ = false;
  int32_t turnLimit_ = 0;
  int32_t timeLimit_ = 0;
  uint8_t reserved_ = 0;
  std::string scenarioRace_;
  int32_t winner_ = 0;
  int32_t endReason_ = 0;
  TUnitCounts minUnits_;
  TUnitCounts maxUnits_;
  std::string formatTag_;
};

// The referral text of "VorhelmDocs\referral.dat"; "100" when the file is
// missing.
std::string ReadReferral();
// The opponent name kept in "VorhelmDocs\bounty.dat"; empty when missing.
std::string ReadBounty();
// Keeps the record's opponent name in the bounty file, only when there is
// none yet: the first bounty stands.
bool WriteBounty(const TGameRecord& record);
