#include "sim/scenario.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "app/config_parser.h"
#include "app/data_stream.h"
#include "app/files.h"
#include "app/game_data.h"
#include "app/log.h"
#include "app/text_utils.h"
#include "session/game_record.h"
#include "sim/victory.h"
#include "units/unit_type.h"
#include "world/game_data.h"

namespace {

// Stream versions that added fields to the scenario.
constexpr float kReservedByteVersion = 1.1899f;
constexpr float kRaceVersion = 2.199f;
constexpr float kUnitLimitsVersion = 2.319f;
constexpr float kScenarioNameVersion = 3.0399f;

// The least bytes a player record takes: two integers and a string length.
constexpr std::size_t kMinPlayerBytes = 12;
// The least bytes a unit-limit entry takes: a string length and the count.
constexpr std::size_t kMinLimitBytes = 8;

int32_t FindOr(const TUnitLimits& limits, const std::string& name, int32_t absent) {
  const auto it = limits.find(name);
  return it == limits.end() ? absent : it->second;
}

int32_t ToInt32(int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

std::string PlayerKey(const char* stem, int32_t number) { return stem + IntToString(number); }

bool SaveLimits(TDataStream& stream, const TUnitLimits& limits) {
  bool ok = stream.WriteInt(static_cast<uint32_t>(limits.size()));
  for (const auto& [name, count] : limits) {
    ok = stream.WriteString(name) && ok;
    ok = stream.WriteInt(static_cast<uint32_t>(count)) && ok;
  }
  return ok;
}

bool LoadLimits(TDataStream& stream, TUnitLimits& limits) {
  const auto count = static_cast<int32_t>(stream.ReadInt());
  if (stream.HasFailed() || count < 0 || count > TScenario::kMaxUnitLimits ||
      static_cast<std::size_t>(count) > stream.Remaining() / kMinLimitBytes) {
    stream.SetFailed();
    return false;
  }
  limits.clear();
  for (int32_t i = 0; i < count && !stream.HasFailed(); ++i) {
    std::string name = stream.ReadString();
    const auto value = static_cast<int32_t>(stream.ReadInt());
    if (!stream.HasFailed()) limits[std::move(name)] = value;
  }
  return !stream.HasFailed();
}

bool SaveValues(TDataStream& stream, const TScenarioValues& values) {
  bool ok = stream.WriteInt(static_cast<uint32_t>(values.forcePoints));
  ok = stream.WriteInt(static_cast<uint32_t>(values.maxFPPerUnit)) && ok;
  ok = stream.WriteString(values.name) && ok;
  const float version = stream.GetVersion();
  if (version > kRaceVersion) ok = stream.WriteString(values.race) && ok;
  if (version > kUnitLimitsVersion) {
    ok = SaveLimits(stream, values.minUnits) && ok;
    ok = SaveLimits(stream, values.maxUnits) && ok;
  }
  return ok;
}

bool LoadValues(TDataStream& stream, TScenarioValues& values) {
  values.forcePoints = static_cast<int32_t>(stream.ReadInt());
  values.maxFPPerUnit = static_cast<int32_t>(stream.ReadInt());
  values.name = stream.ReadString();
  const float version = stream.GetVersion();
  if (version > kRaceVersion) values.race = stream.ReadString();
  if (version > kUnitLimitsVersion) {
    if (!LoadLimits(stream, values.minUnits) || !LoadLimits(stream, values.maxUnits)) return false;
  }
  return !stream.HasFailed();
}

bool Reject(const std::string& message, std::string* error) {
  WriteLog(message);
  if (error != nullptr) *error = message;
  return false;
}

std::string MissingKeyMessage(const std::string& key) {
  return "[GameStart] set-up text rejected: the key \"" + key + "\" is missing";
}

}  // namespace

// ---------------------------------------------------------------- player values

TScenarioValues::TScenarioValues(int32_t forcePoints, int32_t maxFPPerUnit, std::string name, std::string race)
    : forcePoints(forcePoints), maxFPPerUnit(maxFPPerUnit), name(std::move(name)), race(std::move(race)) {}

int32_t TScenarioValues::Get(const std::string& typeName) const { return FindOr(minUnits, typeName, -1); }

int32_t TScenarioValues::GetSecond(const std::string& typeName) const { return FindOr(maxUnits, typeName, -1); }

void TScenarioValues::Set(const std::string& typeName, int32_t value, bool second) {
  (second ? maxUnits : minUnits)[typeName] = value;
}

void TScenarioValues::Clear() {
  minUnits.clear();
  maxUnits.clear();
}

void TScenarioValues::CopyInto(TUnitLimits& minimum, TUnitLimits& maximum) const {
  minimum = minUnits;
  maximum = maxUnits;
}

void TScenarioValues::MergeFrom(const TUnitLimits& minimum, const TUnitLimits& maximum) {
  for (const auto& [name, count] : minimum) minUnits[name] = count;
  for (const auto& [name, count] : maximum) maxUnits[name] = count;
}

// ---------------------------------------------------------------- making scenarios

TScenario::~TScenario() = default;

std::unique_ptr<TScenario> TScenario::CreateByType(std::string_view typeName) {
  if (typeName == TWipeOutScenario::StaticTypeName()) return std::make_unique<TWipeOutScenario>();
  if (typeName == THQScenario::StaticTypeName()) return std::make_unique<THQScenario>();
  return nullptr;
}

std::unique_ptr<TScenario> TScenario::CreateDefault() {
  auto scenario = std::make_unique<TWipeOutScenario>();
  for (const char* name : {"Player 1", "Player 2"}) {
    scenario->AddPlayer(std::make_unique<TScenarioValues>(kDefaultForcePoints, kDefaultMaxFPPerUnit, name,
                                                          std::string(kAnyRace)));
  }
  scenario->mapName_ = "default";
  scenario->turnLimit_ = kDefaultTurnLimit;
  return scenario;
}

std::unique_ptr<TScenario> TScenario::ParseGameStart(TConfigParser& parser, std::string* error) {
  const TUnitTypeList unitTypes(GetGameDataConfig().Text());
  return ParseGameStart(parser, unitTypes, error);
}

std::unique_ptr<TScenario> TScenario::ParseGameStart(TConfigParser& parser, const TUnitTypeList& unitTypes,
                                                     std::string* error) {
  if (!parser.SelectSection(std::string(kSectionName))) {
    Reject("[GameStart] set-up text rejected: the section \"GameStart\" is missing", error);
    return nullptr;
  }
  std::string typeName;
  std::unique_ptr<TScenario> scenario;
  if (parser.GetString("scenario", typeName)) scenario = CreateByType(typeName);
  if (!scenario) return ParseOldForm(parser);

  std::string message;
  if (!scenario->ParseNewForm(parser, unitTypes, message)) {
    Reject(message, error);
    return nullptr;
  }
  return scenario;
}

std::unique_ptr<TScenario> TScenario::ParseOldForm(TConfigParser& parser) {
  auto scenario = std::make_unique<TWipeOutScenario>();
  parser.GetString("map", scenario->mapName_);
  parser.GetString("scenarioName", scenario->scenarioName_);
  for (int32_t number = 1; number <= 2; ++number) {
    std::string name;
    parser.GetString(PlayerKey("player", number), name);
    scenario->AddPlayer(std::make_unique<TScenarioValues>(kDefaultForcePoints, kDefaultMaxFPPerUnit, name,
                                                          std::string(kAnyRace)));
  }
  scenario->turnLimit_ = kDefaultTurnLimit;
  return scenario;
}

bool TScenario::ParseNewForm(TConfigParser& parser, const TUnitTypeList& unitTypes, std::string& error) {
  // The writers always write these; a text without them describes no game.
  if (!parser.GetInt("turnLimit", turnLimit_)) {
    error = MissingKeyMessage("turnLimit");
    return false;
  }
  parser.GetString("map", mapName_);
  parser.GetString("scenarioName", scenarioName_);
  if (!ParsePlayers(parser, error)) return false;
  ParseUnitLimits(parser, unitTypes);
  return true;
}

bool TScenario::ParsePlayers(TConfigParser& parser, std::string& error) {
  for (int32_t number = 1;; ++number) {
    const std::string playerKey = PlayerKey("player", number);
    auto values = std::make_unique<TScenarioValues>();
    if (!parser.GetString(playerKey, values->name)) break;
    if (number > kMaxPlayers) {
      error = "[GameStart] set-up text rejected: the key \"" + playerKey + "\" names more players than a game has";
      return false;
    }
    for (const auto& [stem, field] : {std::pair{"forcePoints", &values->forcePoints},
                                      std::pair{"maxFPPerUnit", &values->maxFPPerUnit}}) {
      const std::string key = PlayerKey(stem, number);
      if (!parser.GetInt(key, *field)) {
        error = MissingKeyMessage(key);
        return false;
      }
    }
    values->race = std::string(kAnyRace);
    parser.GetString(PlayerKey("race", number), values->race);
    AddPlayer(std::move(values));
  }
  if (players_.empty()) {
    // No one to deploy or to win.
    error = MissingKeyMessage("player1");
    return false;
  }
  return true;
}

void TScenario::ParseUnitLimits(TConfigParser& parser, const TUnitTypeList& unitTypes) {
  // Limits exist for the two players of a duel only.
  const int32_t limitedPlayers = std::min<int32_t>(2, GetPlayerCount());
  for (const bool isMax : {false, true}) {
    const char* suffix = isMax ? "Max" : "Min";
    for (int32_t i = 0; i < unitTypes.Count(); ++i) {
      const TUnitType* type = unitTypes.At(i);
      if (type == nullptr) continue;
      for (int32_t player = 0; player < limitedPlayers; ++player) {
        int32_t count = 0;
        if (parser.GetInt(type->GetName() + suffix + IntToString(player + 1), count)) {
          players_[player]->Set(type->GetName(), count, isMax);
        }
      }
    }
  }
}

std::unique_ptr<TScenario> TScenario::Load(TDataStream& stream) {
  const std::string typeName = stream.ReadString();
  std::unique_ptr<TScenario> scenario;
  if (!stream.HasFailed()) scenario = CreateByType(typeName);
  if (!scenario || !scenario->LoadCommon(stream)) {
    stream.SetFailed();
    return nullptr;
  }
  return scenario;
}

std::unique_ptr<TScenario> TScenario::FromGameRecord(const TGameRecord& record) {
  std::unique_ptr<TScenario> scenario = CreateByType(record.GetScenarioTypeName());
  if (!scenario) return nullptr;
  scenario->AddPlayer(std::make_unique<TScenarioValues>(record.GetForcePoints(), record.GetMaxFPPerUnit(),
                                                        record.GetPlayerName(), record.GetScenarioRace()));
  scenario->CopyUnitLimits(record.GetMinUnits(), record.GetMaxUnits());
  scenario->SetSharedForcePoints();
  scenario->turnLimit_ = record.GetTurnLimit();
  return scenario;
}

// ---------------------------------------------------------------- streams

bool TScenario::Save(TDataStream& stream) const {
  const bool ok = stream.WriteString(std::string(TypeName()));
  return SaveCommon(stream) && ok;
}

bool TScenario::SaveCommon(TDataStream& stream) const {
  bool ok = stream.WriteString(mapName_);
  ok = stream.WriteInt(static_cast<uint32_t>(players_.size())) && ok;
  for (const auto& player : players_) ok = SaveValues(stream, *player) && ok;
  ok = stream.WriteInt(static_cast<uint32_t>(turnLimit_)) && ok;
  const float version = stream.GetVersion();
  if (version > kReservedByteVersion) ok = stream.WriteByte(0) && ok;
  if (version > kScenarioNameVersion) ok = stream.WriteString(scenarioName_) && ok;
  return ok;
}

bool TScenario::LoadCommon(TDataStream& stream) {
  mapName_ = stream.ReadString();
  const auto count = static_cast<int32_t>(stream.ReadInt());
  if (stream.HasFailed() || count < 0 || count > kMaxPlayers ||
      static_cast<std::size_t>(count) > stream.Remaining() / kMinPlayerBytes) {
    stream.SetFailed();
    return false;
  }
  players_.clear();
  for (int32_t i = 0; i < count; ++i) {
    auto values = std::make_unique<TScenarioValues>();
    if (!LoadValues(stream, *values)) return false;
    players_.push_back(std::move(values));
  }
  turnLimit_ = static_cast<int32_t>(stream.ReadInt());
  const float version = stream.GetVersion();
  if (version > kReservedByteVersion) stream.ReadByte();
  if (version > kScenarioNameVersion) scenarioName_ = stream.ReadString();
  return !stream.HasFailed();
}

// ---------------------------------------------------------------- deployment

int32_t TScenario::CostOf(const TUnitType& unitType) {
  const double cost = unitType.GetCost();
  if (std::isnan(cost)) return 0;
  if (cost >= static_cast<double>(INT32_MAX)) return INT32_MAX;
  if (cost <= static_cast<double>(INT32_MIN)) return INT32_MIN;
  return static_cast<int32_t>(cost);
}

bool TScenario::CanBuyUnit(int32_t unitTypeIndex, const std::string& race, const TGameData& gameData) const {
  const TUnitType* type = gameData.GetUnitType(unitTypeIndex);
  const TScenarioValues* first = GetPlayer(0);
  if (type == nullptr || first == nullptr) return false;
  const int32_t cost = CostOf(*type);
  // A free unit (or one that pays back) would make the force-point budget
  // meaningless.
  if (cost > first->maxFPPerUnit || cost > forcePoints_ || cost <= 0) return false;

  const std::string& name = type->GetName();
  const int32_t bought = GetUnitCount(name);
  const int32_t maximum = first->GetSecond(name);
  if (maximum != -1 && bought >= maximum) return false;
  const int32_t minimum = first->Get(name);
  if (minimum != -1 && bought < minimum) return true;
  return static_cast<int64_t>(cost) + MinimumReserve(race, gameData) <= forcePoints_;
}

int32_t TScenario::MinimumReserve(const std::string& race, const TGameData& gameData) const {
  const TScenarioValues* first = GetPlayer(0);
  if (first == nullptr) return 0;
  int64_t reserve = 0;
  for (int32_t i = 0; i < gameData.GetUnitTypeCount(); ++i) {
    const TUnitType* type = gameData.GetUnitType(i);
    if (type == nullptr || type->GetRace() != race) continue;
    const int32_t minimum = first->Get(type->GetName());
    const int32_t bought = GetUnitCount(type->GetName());
    if (minimum == -1 || bought >= minimum) continue;
    reserve += static_cast<int64_t>(CostOf(*type)) * (static_cast<int64_t>(minimum) - bought);
    reserve = std::min<int64_t>(reserve, INT32_MAX);
  }
  return static_cast<int32_t>(reserve);
}

void TScenario::UnitBought(const TUnitType& unitType, bool bought) {
  const int64_t cost = CostOf(unitType);
  int32_t& count = unitCounts_[unitType.GetName()];
  forcePoints_ = ToInt32(bought ? forcePoints_ - cost : forcePoints_ + cost);
  count = ToInt32(static_cast<int64_t>(count) + (bought ? 1 : -1));
}

std::string TScenario::ObjectiveText(const std::string& /*race*/) const { return std::string(); }

int32_t TScenario::GetUnitCount(const std::string& typeName) const { return FindOr(unitCounts_, typeName, 0); }

void TScenario::SetSharedForcePoints() { forcePoints_ = GetForcePoints(0); }

// ---------------------------------------------------------------- players

const TScenarioValues* TScenario::GetPlayer(int32_t player) const {
  return player >= 0 && player < GetPlayerCount() ? players_[player].get() : nullptr;
}

TScenarioValues* TScenario::GetPlayer(int32_t player) {
  return player >= 0 && player < GetPlayerCount() ? players_[player].get() : nullptr;
}

bool TScenario::AddPlayer(std::unique_ptr<TScenarioValues> values) {
  if (!values || GetPlayerCount() >= kMaxPlayers) return false;
  players_.push_back(std::move(values));
  return true;
}

int32_t TScenario::GetForcePoints(int32_t player) const {
  const TScenarioValues* values = GetPlayer(player);
  return values != nullptr ? values->forcePoints : 0;
}

int32_t TScenario::GetMaxFPPerUnit(int32_t player) const {
  const TScenarioValues* values = GetPlayer(player);
  return values != nullptr ? values->maxFPPerUnit : 0;
}

std::string TScenario::GetPlayerName(int32_t player) const {
  const TScenarioValues* values = GetPlayer(player);
  return values != nullptr ? values->name : std::string();
}

std::string TScenario::GetRace(int32_t player) const {
  const TScenarioValues* values = GetPlayer(player);
  return values != nullptr ? values->race : std::string();
}

void TScenario::GetUnitLimits(int32_t player, TUnitLimits& minimum, TUnitLimits& maximum) const {
  minimum.clear();
  maximum.clear();
  if (const TScenarioValues* values = GetPlayer(player)) values->CopyInto(minimum, maximum);
}

void TScenario::CopyUnitLimits(const TUnitLimits& minimum, const TUnitLimits& maximum) {
  if (TScenarioValues* first = GetPlayer(0)) first->MergeFrom(minimum, maximum);
}

void TScenario::SetUnitLimit(const std::string& typeName, int32_t value, bool isMax, int32_t player) {
  if (TScenarioValues* values = GetPlayer(player)) values->Set(typeName, value, isMax);
}
