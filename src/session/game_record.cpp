#include "session/game_record.h"

#include <utility>

#include "app/data_stream.h"
#include "app/files.h"
#include "app/game_data.h"
#include "app/string_table.h"
#include "app/text_utils.h"
#include "app/version_info.h"
#include "session/sides.h"
#include "sim/scenario.h"

namespace {

// Stream versions that added groups to the record.
constexpr float kLimitsVersion = 1.0799f;
constexpr float kReservedVersion = 1.1899f;
constexpr float kScenarioRaceVersion = 2.1999f;
constexpr float kOutcomeVersion = 2.2799f;
constexpr float kUnitCountsVersion = 2.319f;
constexpr float kFormatTagVersion = 3.049f;

// The least bytes a unit-count entry takes: a string length and the count.
constexpr std::size_t kMinCountBytes = 8;

const char* const kReferralDefault = "100";

int32_t SideCount() { return TSides::Instance()->GetSideCount(); }

int32_t ReadInt32(TDataStream& stream) { return static_cast<int32_t>(stream.ReadInt()); }

bool WriteInt32(TDataStream& stream, int32_t value) { return stream.WriteInt(static_cast<uint32_t>(value)); }

int32_t FindOr(const TGameRecord::TUnitCounts& counts, const std::string& name) {
  const auto it = counts.find(name);
  return it == counts.end() ? -1 : it->second;
}

// The file's one string; fallback when the file is missing or unreadable.
std::string ReadOneString(const std::string& path, const std::string& fallback) {
  if (IsFileMissing(path)) return fallback;
  TDataStream stream;
  if (!stream.LoadFromFile(path)) return fallback;
  std::string text = stream.ReadString();
  return stream.HasFailed() ? fallback : text;
}

}  // namespace

TGameRecord::TGameRecord() { SetDefaults(); }

void TGameRecord::SetDefaults() {
  playerName_.clear();
  spareNumber_ = 0;
  playerEmail_.clear();
  opponentName_.clear();
  opponentEmail_.clear();
  findOpponent_ = false;
  matchType_.clear();
  versionText_.clear();
  platformText_.clear();
  languageText_.clear();
  scenarioType_ = kDefaultScenarioType;
  map_ = kRandomMap;
  race_.clear();
  spareText_ = kDefaultSpareText;
  gameId_ = kNoGameId;
  message_.clear();
  playerNumber_ = -1;
  forcePoints_ = kDefaultForcePoints;
  gameOver_ = false;
  scores_.assign(static_cast<std::size_t>(SideCount()), 0.0f);
  maxFPPerUnit_ = kDefaultMaxFPPerUnit;
  conceded_ = false;
  turnLimit_ = kDefaultTurnLimit;
  timeLimit_ = kDefaultTimeLimit;
  reserved_ = 0;
  scenarioRace_ = kAnyRace;
  winner_ = -1;
  endReason_ = 0;
  minUnits_.clear();
  maxUnits_.clear();
  formatTag_ = kDefaultFormatTag;
}

// ---------------------------------------------------------------- streams

bool TGameRecord::Save(TDataStream& stream) const {
  bool ok = stream.WriteString(playerName_);
  ok &= WriteInt32(stream, spareNumber_);
  ok &= stream.WriteString(playerEmail_);
  ok &= stream.WriteString(opponentName_);
  ok &= stream.WriteString(opponentEmail_);
  ok &= stream.WriteByte(findOpponent_ ? 1 : 0);
  for (const std::string* text : {&matchType_, &versionText_, &platformText_, &languageText_, &scenarioType_, &map_,
                                  &race_, &spareText_, &gameId_}) {
    ok &= stream.WriteString(*text);
  }
  ok &= WriteInt32(stream, playerNumber_);
  ok &= WriteInt32(stream, forcePoints_);
  ok &= stream.WriteByte(gameOver_ ? 1 : 0);
  for (int32_t side = 0; side < SideCount(); ++side) ok &= stream.WriteFloat(GetScore(side));

  const float version = stream.GetVersion();
  if (version > kLimitsVersion) {
    ok &= WriteInt32(stream, maxFPPerUnit_);
    ok &= stream.WriteByte(conceded_ ? 1 : 0);
    ok &= WriteInt32(stream, turnLimit_);
    ok &= WriteInt32(stream, timeLimit_);
  }
  if (version > kReservedVersion) ok &= stream.WriteByte(reserved_);
  if (version > kScenarioRaceVersion) ok &= stream.WriteString(scenarioRace_);
  if (version > kOutcomeVersion) {
    ok &= WriteInt32(stream, winner_);
    ok &= WriteInt32(stream, endReason_);
  }
  if (version > kUnitCountsVersion) {
    ok &= SaveCounts(stream, minUnits_);
    ok &= SaveCounts(stream, maxUnits_);
  }
  if (version > kFormatTagVersion) ok &= stream.WriteString(formatTag_);
  return ok;
}

bool TGameRecord::SaveCounts(TDataStream& stream, const TUnitCounts& counts) {
  bool ok = WriteInt32(stream, static_cast<int32_t>(counts.size()));
  for (const auto& [name, count] : counts) {
    ok &= stream.WriteString(name);
    ok &= WriteInt32(stream, count);
  }
  return ok;
}

bool TGameRecord::Load(TDataStream& stream) {
  // Read into a copy, so that a damaged stream leaves this record as it was.
  TGameRecord loaded = *this;
  if (!loaded.LoadGroups(stream)) {
    stream.SetFailed();
    return false;
  }
  *this = std::move(loaded);
  return true;
}

bool TGameRecord::LoadGroups(TDataStream& stream) {
  // Like every other absent group, unit counts an older stream lacks keep
  // their values; the entries a stream holds are set by name. Records are
  // read into fresh records, so no other game's entries are there to mix.
  playerName_ = stream.ReadString();
  spareNumber_ = ReadInt32(stream);
  playerEmail_ = stream.ReadString();
  opponentName_ = stream.ReadString();
  opponentEmail_ = stream.ReadString();
  findOpponent_ = stream.ReadByte() != 0;
  for (std::string* text : {&matchType_, &versionText_, &platformText_, &languageText_, &scenarioType_, &map_,
                            &race_, &spareText_, &gameId_}) {
    *text = stream.ReadString();
  }
  playerNumber_ = ReadInt32(stream);
  forcePoints_ = ReadInt32(stream);
  gameOver_ = stream.ReadByte() != 0;
  const auto sides = static_cast<std::size_t>(SideCount());
  if (scores_.size() < sides) scores_.resize(sides, 0.0f);
  for (std::size_t side = 0; side < sides; ++side) scores_[side] = stream.ReadFloat();

  const float version = stream.GetVersion();
  if (version > kLimitsVersion) {
    maxFPPerUnit_ = ReadInt32(stream);
    conceded_ = stream.ReadByte() != 0;
    turnLimit_ = ReadInt32(stream);
    timeLimit_ = ReadInt32(stream);
  }
  if (version > kReservedVersion) reserved_ = stream.ReadByte();
  if (version > kScenarioRaceVersion) scenarioRace_ = stream.ReadString();
  if (version > kOutcomeVersion) {
    winner_ = ReadInt32(stream);
    endReason_ = ReadInt32(stream);
  }
  if (version > kUnitCountsVersion) {
    if (!LoadCounts(stream, minUnits_) || !LoadCounts(stream, maxUnits_)) return false;
  }
  if (version > kFormatTagVersion) formatTag_ = stream.ReadString();
  return !stream.HasFailed();
}

bool TGameRecord::LoadCounts(TDataStream& stream, TUnitCounts& counts) {
  const int32_t count = ReadInt32(stream);
  if (stream.HasFailed() || count < 0 || count > kMaxUnitCounts ||
      static_cast<std::size_t>(count) > stream.Remaining() / kMinCountBytes) {
    return false;
  }
  for (int32_t i = 0; i < count && !stream.HasFailed(); ++i) {
    std::string name = stream.ReadString();
    const int32_t value = ReadInt32(stream);
    counts[std::move(name)] = value;
  }
  return !stream.HasFailed();
}

// ---------------------------------------------------------------- filling

void TGameRecord::FillFromPlayer() {
  const TVersionInfo* info = GetVersionInfo()->Get();
  versionText_ = info->GetVersionTag();
  platformText_ = info->GetPlatform();
  languageText_ = info->GetLanguage();
}

void TGameRecord::SetFromPlayerData(const TPlayerData& player) {
  password_ = player.password;
  playerEmail_ = player.emailAddress;
  playerName_ = player.playerName;
}

void TGameRecord::FillFromScenario(const TScenario& scenario) {
  const int32_t player = playerNumber_;
  playerName_ = scenario.GetPlayerName(player);
  opponentName_ = scenario.GetPlayerName(1 - player);
  scenarioType_ = std::string(scenario.TypeName());
  forcePoints_ = scenario.GetForcePoints(player);
  maxFPPerUnit_ = scenario.GetMaxFPPerUnit(player);
  scenarioRace_ = scenario.GetRace(player);
  turnLimit_ = scenario.GetTurnLimit();

  std::string shown = scenario.GetScenarioName();
  if (shown.empty()) {
    // The map's own name, without the folders of its path.
    shown = scenario.GetMapName();
    std::size_t cut = shown.rfind('/');
    if (cut == std::string::npos) cut = shown.rfind('\\');
    if (cut != std::string::npos) shown.erase(0, cut + 1);
  }
  map_ = " " + shown;
  reserved_ = 0;
  scenario.GetUnitLimits(player, minUnits_, maxUnits_);
}

void TGameRecord::SetUnitLimits(const TUnitCounts& minimum, const TUnitCounts& maximum) {
  minUnits_ = minimum;
  maxUnits_ = maximum;
}

// ---------------------------------------------------------------- queries

void TGameRecord::SetSideValue(float value, int32_t side) {
  if (side >= 0 && static_cast<std::size_t>(side) < scores_.size()) scores_[side] = value;
}

float TGameRecord::GetScore(int32_t side) const {
  return side >= 0 && static_cast<std::size_t>(side) < scores_.size() ? scores_[side] : 0.0f;
}

int32_t TGameRecord::FindA(const std::string& typeName) const { return FindOr(minUnits_, typeName); }

int32_t TGameRecord::FindB(const std::string& typeName) const { return FindOr(maxUnits_, typeName); }

float TGameRecord::TimeText() const {
  const std::size_t dash = formatTag_.find('-');
  if (dash == std::string::npos) return 0.0f;
  std::string number = formatTag_.substr(dash + 1);
  const std::size_t second = number.find('-');
  if (second != std::string::npos) number[second] = '.';
  return NarrowToFloat(StringToFloat(number));
}

// ---------------------------------------------------------------- command targets

bool TGameRecord::GetBasicMap(const std::string& map) {
  if (map_.empty() || map_ == kRandomMap) map_ = map;
  return map_ == map;
}

std::string TGameRecord::ScenarioTypeText() const {
  const char* reference = nullptr;
  if (scenarioType_ == "WipeOut") reference = "@30";
  if (scenarioType_ == "HQ") reference = "@31";
  if (reference == nullptr) return scenarioType_;
  TStringTable* table = GetStringTable();
  table->EnsureSection("Interface");
  return table->TranslateIn("Interface", reference);
}

std::string TGameRecord::InitialForceText() const { return " " + IntToString(forcePoints_); }

std::string TGameRecord::MaxFPsPerUnitText() const { return " " + IntToString(maxFPPerUnit_); }

std::string TGameRecord::TurnLimitText() const { return " " + IntToString(turnLimit_); }

std::string TGameRecord::TimeLimitText() const { return " " + IntToString(timeLimit_) + " Days"; }

// ---------------------------------------------------------------- the player's files

std::string ReadReferral() { return ReadOneString(GetReferralFilePath(), kReferralDefault); }

std::string ReadBounty() { return ReadOneString(GetBountyFilePath(), std::string()); }

bool WriteBounty(const TGameRecord& record) {
  if (!IsFileMissing(GetBountyFilePath())) return false;
  TDataStream stream;
  stream.WriteString(record.GetOpponentName());
  return stream.SaveToFile(GetBountyFilePath());
}
