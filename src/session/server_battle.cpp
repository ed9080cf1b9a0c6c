#include "session/server_battle.h"

#include <utility>

#include "app/config_parser.h"
#include "app/data_stream.h"
#include "app/files.h"
#include "app/game_data.h"
#include "app/log.h"
#include "app/random.h"
#include "app/text_utils.h"
#include "app/version_info.h"
#include "session/game_record.h"
#include "session/id_mapper.h"
#include "session/sides.h"
#include "session/turn_files.h"
#include "sim/action_resolver.h"
#include "sim/clock.h"
#include "sim/event.h"
#include "sim/event_list.h"
#include "sim/scenario.h"
#include "sim/turn_simulator.h"
#include "sim/world_events.h"
#include "units/reaction_manager.h"
#include "units/sight_resolver.h"
#include "world/bounding_box.h"
#include "world/map.h"
#include "world/world.h"

namespace {

constexpr const char* kNewGameMark = "start_";
constexpr const char* kGeneralInformation = "General Information";
constexpr const char* kEventsTag = "Events";
// First-turn files carry the game data text from this version on.
constexpr float kConfigTextAbove = 2.3099f;
// A map's area file names one list per player; more than a battle can hold
// marks a damaged file.
constexpr int32_t kMaxAreaLists = 32;

int32_t SideCount() { return TSides::Instance()->GetSideCount(); }

// The game name of a set-up file "...start_<name>.<ext>".
std::string NewGameName(const std::string& setupFile) {
  const std::string file = FileNamePart(setupFile);
  const std::size_t mark = file.rfind(kNewGameMark);
  if (mark == std::string::npos) return std::string();
  std::string name = file.substr(mark + std::char_traits<char>::length(kNewGameMark));
  const std::size_t dot = name.find('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

// Why a file did not load: missing, or there but not a readable game file.
std::string Unreadable(const std::string& file, const std::string& kind) {
  if (!FileExists(file)) return "Unable to open file " + file;
  return "the " + kind + " " + file + " is damaged (it does not read as a game file)";
}

}  // namespace

TServerBattle::TServerBattle() : mappers_(std::make_unique<TIdMapperTable>()) {}

TServerBattle::~TServerBattle() {
  DeleteGameRecords();
  unitCounts_.clear();
}

void TServerBattle::DeleteGameRecords() { records_.clear(); }

bool TServerBattle::Fail(const std::string& message) {
  if (error_.empty()) error_ = message;
  WriteLog("Server: " + message + "\n");
  return false;
}

void TServerBattle::SetOutputFolder(const std::string& folder) {
  outputFolder_ = folder;
  if (!outputFolder_.empty() && outputFolder_.back() != '/' && outputFolder_.back() != '\\') outputFolder_ += '/';
}

std::string TServerBattle::TurnFileSuffix() const {
  return "_G" + GetName() + "_T" + IntToString(GetSimulator().GetClock().GetTurn() - 1) + ".dvx";
}

bool TServerBattle::ProcessFile(const std::vector<std::string>& names) {
  error_.clear();
  dropped_.clear();
  staged_ = std::make_unique<TStagedFiles>();
  // Every computation starts from the same generator state, so that a turn
  // computed in a fresh server process and in a long-running program agree.
  GetRandom()->Seed(kSeed);
  bool ok = false;
  if (!names.empty() && NamesNewGame(names[0])) {
    if (names.size() != 2) return Fail("a new game takes a set-up file and an output folder");
    SetOutputFolder(names[1]);
    ok = NewGame(names[0]);
  } else {
    if (names.size() != 4) return Fail("a turn takes a gamestate file, two orders files and an output folder");
    SetOutputFolder(names[3]);
    ok = ProcessTurn(names);
  }
  if (!ok) {
    staged_->Discard();
    return false;
  }
  if (!staged_->Commit()) return Fail("the output files could not be given their names in " + outputFolder_);
  return true;
}

bool TServerBattle::SaveStream(TDataStream& stream, const std::string& name) {
  if (!stream.SaveToFile(staged_->Stage(outputFolder_ + name))) return Fail("could not write " + outputFolder_ + name);
  return true;
}

std::string TServerBattle::MapPath(const std::string& extension) const {
  std::string name = GetSimulator().GetScenario()->GetMapName();
  for (const char* folder : {"Map\\", "Map/"}) {
    if (name.compare(0, 4, folder) == 0) name.erase(0, 4);
  }
  return IsPlainName(name) ? "Map\\" + name + extension : std::string();
}

// --- a new game -------------------------------------------------------------------

bool TServerBattle::NewGame(const std::string& setupFile) {
  TTurnSimulator& sim = GetSimulator();
  const std::string name = NewGameName(setupFile);
  if (!IsPlainName(name)) return Fail("the game name of " + setupFile + " is not a plain file name");
  TTextBuffer text;
  if (!text.Load(setupFile)) return Fail("Unable to open file " + setupFile);
  TConfigParser parser(text.Text());
  std::string problem;
  std::unique_ptr<TScenario> scenario = TScenario::ParseGameStart(parser, &problem);
  if (!scenario) return Fail("the set-up " + setupFile + " does not read: " + problem);
  if (scenario->GetPlayerCount() < SideCount()) return Fail("the set-up " + setupFile + " names too few players");
  sim.SetScenario(std::move(scenario));
  bool testConfig = false;
  if (parser.SelectSection(std::string(TScenario::kSectionName)) && parser.GetBool("testConfig", testConfig) &&
      testConfig) {
    LoadTestGameDataConfig();
  }

  const std::string mapFile = MapPath(".map");
  if (mapFile.empty()) return Fail("the set-up names the map \"" + sim.GetScenario()->GetMapName() + "\", not a map of the game");

  TTurnClock& clock = sim.GetClock();
  clock.SetTurn(0);
  TWorld& world = sim.GetWorld();
  if (!world.LoadMapFileKeepView(mapFile)) return Fail("Unable to open file " + mapFile);
  TMap& map = world.GetMap();
  for (int32_t i = 0; i < map.Count(); ++i) {
    for (int32_t side = 0; side < SideCount(); ++side) map.At(i)->SetFlag(side, true);
  }
  map.SetMapFlag(1);

  const float t = clock.GetTime();
  TEventVector start;
  if (!LoadAreas(start, t) || !CreateDeployTiles(start, t)) return false;
  SetName(name);
  sim.GetEvents().AddAll(start);
  clock.NextTurn();

  const std::string tag = GetVersionInfo()->Get()->GetSaveVersionTag();
  for (int32_t side = 0; side < SideCount(); ++side) {
    TDataStream stream(tag);
    records_.push_back(std::make_unique<TGameRecord>());
    TGameRecord& record = *records_.back();
    record.SetPlayerNumber(side);
    record.SetGameId(name);
    record.FillFromScenario(*sim.GetScenario());
    record.SetFormatTag(tag);
    if (!record.Save(stream)) return Fail("the game record of player " + IntToString(side + 1) + " does not write");
    stream.WriteInt(0);
    stream.WriteString(kGeneralInformation);
    if (stream.GetVersion() > kConfigTextAbove) stream.WriteString(GetGameDataConfig().Text());
    world.WriteMapHeader(stream);
    if (!WriteResults(stream, side)) return false;
  }
  return SaveGameState() && WriteStatus();
}

bool TServerBattle::LoadAreaLists(std::vector<std::unique_ptr<TAreaList>>& lists) const {
  lists.clear();
  TDataStream stream;
  const std::string path = MapPath(".ara");
  if (!stream.LoadFromFile(path)) return false;
  const auto count = static_cast<int32_t>(stream.ReadInt());
  if (stream.HasFailed() || count < SideCount() || count > kMaxAreaLists) return false;
  for (int32_t i = 0; i < count; ++i) {
    auto list = std::make_unique<TAreaList>();
    if (!list->Load(stream)) return false;
    lists.push_back(std::move(list));
  }
  return !stream.HasFailed();
}

bool TServerBattle::LoadAreas(TEventVector& events, float time) {
  std::vector<std::unique_ptr<TAreaList>> deployment;
  if (!LoadAreaLists(deployment)) return Fail("the deployment areas " + MapPath(".ara") + " do not read");
  TAreaList vision;
  const std::string visionFile = MapPath(".vsn");
  if (FileExists(visionFile)) {
    TDataStream stream;
    if (!stream.LoadFromFile(visionFile) || !vision.Load(stream)) return Fail("the vision areas " + visionFile + " do not read");
  }
  TWorld& world = GetSimulator().GetWorld();
  TMap& map = world.GetMap();
  const auto within = [](const TAreaList& areas, const TVector3& point) {
    for (std::size_t i = 0; i < areas.Count(); ++i) {
      if (areas.At(i)->ContainsWithRadius(point, 1.0f)) return true;
    }
    return false;
  };
  for (int32_t side = 0; side < SideCount(); ++side) {
    const bool seesAll = revealMode_ == kRevealAll || (revealMode_ == kRevealSecondSide && side != 0);
    std::vector<std::string> names;
    std::vector<int32_t> ids;
    std::vector<TVector3> positions;
    for (int32_t i = 0; i < map.Count(); ++i) {
      TGameObject& object = *map.At(i);
      if (!seesAll && !within(*deployment[static_cast<std::size_t>(side)], object.Position()) &&
          !within(vision, object.Position())) {
        continue;
      }
      object.SetFlag(side, true);
      names.push_back(object.SubtypeName());
      ids.push_back(object.GetId());
      positions.push_back(object.Position());
    }
    events.push_back(std::make_unique<TRevealMapEvent>(time, std::move(names), std::move(ids), std::move(positions),
                                                       world, side));
  }
  return true;
}

bool TServerBattle::CreateDeployTiles(TEventVector& events, float time) {
  std::vector<std::unique_ptr<TAreaList>> areas;
  if (!LoadAreaLists(areas)) return Fail("the deployment areas " + MapPath(".ara") + " do not read");
  // The event lays the squares as it is recorded: the server's world holds
  // each square once, as the players' worlds do.
  events.push_back(std::make_unique<TDeploymentEvent>(time, std::move(areas), GetSimulator().GetWorld()));
  return true;
}

// --- a turn ------------------------------------------------------------------------

bool TServerBattle::ProcessTurn(const std::vector<std::string>& names) {
  if (names.size() < 4) return Fail("a turn takes a gamestate file, two orders files and an output folder");
  if (!LoadGameState(names[0])) return false;
  CrossOpponentNames();
  TTurnSimulator& sim = GetSimulator();
  if (sim.GetClock().GetTurn() == 1 && !LoadDeploySquares()) return false;
  sim.GetOrders().Clear();
  for (int32_t k = 0; k < static_cast<int32_t>(records_.size()); ++k) {
    const std::string& file = names[static_cast<std::size_t>(k) + 1];
    TDataStream stream;
    if (!stream.LoadFromFile(file)) return Fail(Unreadable(file, "orders file"));
    stream.ReadString();
    if (stream.HasFailed()) return Fail("the orders file " + file + " holds no request");
    if (!ApplyOrders(stream, k)) return false;
  }
  if (refuseDropped_ && !dropped_.empty()) return Fail("orders refused: " + dropped_.front());

  TGameRecord scoreRecord;
  for (int32_t side = 0; side < SideCount(); ++side) scoreRecord.SetSideValue(-1.0f, side);
  sim.GetResolver().SetGameRecord(&scoreRecord);
  sim.GetSight().ResetMapPass(sim.GetClock().GetTime());
  Simulate();
  sim.GetResolver().SetGameRecord(nullptr);
  RecordGameOver();

  const int32_t turn = sim.GetClock().GetTurn() - 1;
  for (int32_t side = 0; side < static_cast<int32_t>(records_.size()); ++side) {
    TGameRecord& record = *records_[static_cast<std::size_t>(side)];
    TDataStream stream(record.GetVersionText());
    record.FillFromScenario(*sim.GetScenario());
    if (!record.Save(stream)) return Fail("the game record of player " + IntToString(side + 1) + " does not write");
    stream.WriteInt(static_cast<uint32_t>(turn));
    if (!WriteResults(stream, side)) return false;
  }
  return SaveGameState() && WriteStatus();
}

void TServerBattle::CrossOpponentNames() {
  if (records_.size() < 2) return;
  records_[1]->SetPlayerName(records_[0]->GetOpponentName());
  records_[0]->SetPlayerName(records_[1]->GetOpponentName());
}

void TServerBattle::RecordGameOver() {
  TTurnSimulator& sim = GetSimulator();
  const TWorld& world = sim.GetWorld();
  const int32_t turn = sim.GetClock().GetTurn();
  const TScenario& scenario = *sim.GetScenario();
  const bool over = scenario.IsGameOver(world, turn);
  for (int32_t i = 0; i < static_cast<int32_t>(records_.size()); ++i) {
    TGameRecord& record = *records_[static_cast<std::size_t>(i)];
    // The scores are the game's own, never what a player's file claimed.
    for (int32_t side = 0; side < SideCount(); ++side) record.SetSideValue(world.GetScore(side), side);
    if (!over) continue;
    record.SetGameOver(true);
    record.SetWinner(scenario.Winner(world));
    record.SetEndReason(scenario.EndReason(world, i, turn));
  }
}

void TServerBattle::Simulate() {
  TTurnSimulator& sim = GetSimulator();
  TTurnClock& clock = sim.GetClock();
  sim.GetEvents().Clear();
  sim.GetResolver().StopAllUnits(clock.GetTime());
  sim.Start(TTurnSimulator::kSimulateWithMovement);
  clock.Start();
  Tick();
  int32_t count = 0;
  float progress = 0.0f;
  shownProgress_.clear();
  while (!clock.IsPaused()) {
    clock.Advance(kStep);
    Tick();
    ++count;
    progress += kProgressPerStep;
    if (count == 1 || count == 300 || count % 6 == 0) shownProgress_.push_back(progress);
  }
  stepCount_ = count;
  clock.NextTurn();
}

// --- turn files --------------------------------------------------------------------

void TServerBattle::WriteEvents(TDataStream& stream, int32_t player) {
  stream.WriteString(kEventsTag);
  GetSimulator().GetEvents().SaveForPlayer(stream, mappers_->GetMapper(player), player);
}

bool TServerBattle::WriteResults(TDataStream& stream, int32_t player) {
  WriteEvents(stream, player);
  return SaveStream(stream, "results" + IntToString(player + 1) + TurnFileSuffix());
}

bool TServerBattle::SaveGameState() {
  TTurnSimulator& sim = GetSimulator();
  TDataStream stream(kVersionTag);
  stream.WriteInt(static_cast<uint32_t>(records_.size()));
  for (const auto& record : records_) {
    if (!record->Save(stream)) return Fail("a game record does not write");
  }
  stream.WriteString(GetName());
  stream.WriteInt(static_cast<uint32_t>(sim.GetClock().GetTurn()));
  mappers_->Save(stream);
  stream.WriteString(GetGameDataConfig().Text());
  if (!sim.GetWorld().Save(stream)) return Fail("the world does not write");
  if (!sim.GetScenario()->Save(stream)) return Fail("the scenario does not write");
  if (!sim.GetReactions().Write(stream)) return Fail("the reaction settings do not write");
  return SaveStream(stream, "gamestate" + TurnFileSuffix());
}

bool TServerBattle::LoadGameState(const std::string& fileName) {
  TTurnSimulator& sim = GetSimulator();
  TDataStream stream;
  if (!stream.LoadFromFile(fileName)) return Fail(Unreadable(fileName, "gamestate"));
  const float version = stream.GetVersion();
  const auto count = static_cast<int32_t>(stream.ReadInt());
  if (stream.HasFailed() || count != SideCount()) return Fail("the gamestate " + fileName + " is damaged (player count)");
  for (int32_t i = 0; i < count; ++i) {
    auto record = std::make_unique<TGameRecord>();
    if (!record->Load(stream)) return Fail("the gamestate " + fileName + " is damaged (game record)");
    records_.push_back(std::move(record));
  }
  const std::string name = stream.ReadString();
  if (!IsPlainName(name)) return Fail("the gamestate " + fileName + " names no plain game");
  SetName(name);
  const auto turn = static_cast<int32_t>(stream.ReadInt());
  if (stream.HasFailed() || turn < 1 || turn > 100000) return Fail("the gamestate " + fileName + " is damaged (turn)");
  sim.GetClock().SetTurn(turn);
  if (!mappers_->Load(stream)) return Fail("the gamestate " + fileName + " is damaged (id tables)");
  if (version > 3.009f) {
    const std::string config = stream.ReadString();
    if (config != GetGameDataConfig().Text()) {
      WriteLog("Server: the gamestate was computed with other game data than this installation's\n");
    }
  }
  if (!sim.GetWorld().Load(stream)) return Fail("the gamestate " + fileName + " is damaged (world)");
  std::unique_ptr<TScenario> scenario = version > 1.079f ? TScenario::Load(stream) : TScenario::CreateDefault();
  if (!scenario) return Fail("the gamestate " + fileName + " is damaged (scenario)");
  sim.SetScenario(std::move(scenario));
  sim.GetReactions().Reset();
  if (version > 2.089f) {
    TRawIdMapper raw;
    if (!sim.GetReactions().Read(stream, raw)) return Fail("the gamestate " + fileName + " is damaged (reactions)");
  }
  if (stream.HasFailed()) return Fail("the gamestate " + fileName + " is damaged");
  return true;
}

bool TServerBattle::WriteStatus() {
  TTextBuffer text;
  text.Append(StatusText());
  const std::string name = "status" + TurnFileSuffix();
  if (!text.Save(staged_->Stage(outputFolder_ + name))) return Fail("could not write " + outputFolder_ + name);
  return true;
}

std::string TServerBattle::UnitCountText(int32_t player) { return ::UnitCountText(unitCounts_[player]); }

std::string TServerBattle::StatusText() const {
  TTurnSimulator& sim = GetSimulator();
  const TWorld& world = sim.GetWorld();
  const TScenario& scenario = *sim.GetScenario();
  const int32_t turn = sim.GetClock().GetTurn();
  const bool over = scenario.IsGameOver(world, turn);
  std::string text = std::string("gameover = ") + (over ? "t" : "f") + "\n";
  if (over) {
    const int32_t winner = scenario.Winner(world);
    text += "winner = " + (winner == -1 ? std::string(" d") : IntToString(winner + 1)) + "\n";
  } else {
    text += "winner = d\n";
  }
  if (turn == 2 && records_.size() >= 2) {
    const auto units = [this](int32_t player) {
      const auto found = unitCounts_.find(player);
      return found == unitCounts_.end() ? std::string() : ::UnitCountText(found->second);
    };
    text += "units1 = " + units(0) + "\n";
    text += "units2 = " + units(1) + "\n";
    text += "race1 = " + StatusValue(records_[0]->GetRace()) + "\n";
    text += "race2 = " + StatusValue(records_[1]->GetRace()) + "\n";
    text += "version1 = " + StatusValue(records_[0]->GetVersionText()) + "\n";
    text += "version2 = " + StatusValue(records_[1]->GetVersionText()) + "\n";
    text += "platform1 = " + StatusValue(records_[0]->GetPlatformText()) + "\n";
    text += "platform2 = " + StatusValue(records_[1]->GetPlatformText()) + "\n";
  }
  text += "dataVersion = " + StatusValue(GetGameDataVersion(GetGameDataConfig().Text())) + "\n";
  for (int32_t side = 0; side < 2; ++side) {
    text += "score" + IntToString(side + 1) + " = " + IntToString(static_cast<int64_t>(world.GetScore(side))) + "\n";
  }
  for (int32_t side = 0; side < 2; ++side) {
    text += "reason" + IntToString(side + 1) + " = " + IntToString(scenario.EndReason(world, side, turn)) + "\n";
  }
  return text;
}
