#include "session/hot_seat_mode.h"

#include <utility>

#include "app/config_parser.h"
#include "app/files.h"
#include "app/log.h"
#include "app/message_box.h"
#include "app/random.h"
#include "app/string_table.h"
#include "app/system_clock.h"
#include "app/text_utils.h"
#include "session/battle_session.h"
#include "session/game.h"
#include "session/game_record.h"
#include "session/server_battle.h"
#include "session/session_mute.h"
#include "session/sides.h"
#include "sim/action_resolver.h"
#include "sim/clock.h"
#include "units/sight_resolver.h"

namespace {

constexpr const char* kInterfaceSection = "Interface";
constexpr int32_t kSinglePlayerMode = 6;

int32_t SideCount() { return TSides::Instance()->GetSideCount(); }

std::string InterfaceText(const char* reference) {
  TStringTable* table = GetStringTable();
  table->EnsureSection(kInterfaceSection);
  return table->TranslateIn(kInterfaceSection, reference);
}

}  // namespace

std::vector<std::string> NonTutorialMaps(const std::string& configText) {
  std::vector<std::string> maps;
  TConfigParser parser(configText);
  while (parser.NextSection()) {
    const std::string& name = parser.GetSectionName();
    if (!ContainsText(LowerCase(name), "tutorial")) maps.push_back(name);
  }
  return maps;
}

THotSeatMode::THotSeatMode() : THotSeatMode(1, kGamesFolder) {}

THotSeatMode::THotSeatMode(int modeNumber, std::string gamesFolder)
    : modeNumber_(modeNumber), gamesFolder_(std::move(gamesFolder)) {
  GetStringTable()->EnsureSection(kInterfaceSection);
  CreateSessions();
}

THotSeatMode::~THotSeatMode() { DestroySessions(); }

std::string THotSeatMode::GetPlayer1Name() const { return InterfaceText("@318"); }

std::string THotSeatMode::GetPlayer2Name() const { return InterfaceText("@319"); }

// --- sessions -------------------------------------------------------------------------

void THotSeatMode::CreateSessions() {
  const bool singlePlayer = modeNumber_ == kSinglePlayerMode;
  for (int32_t side = 0; side < SideCount(); ++side) {
    sessions_.push_back(std::make_unique<TBattleSession>(side));
    sessions_.back()->GetMovementResolver().SetSinglePlayer(singlePlayer);
  }
  server_ = std::make_unique<TServerBattle>();
  server_->GetMovementResolver().SetSinglePlayer(singlePlayer);
}

void THotSeatMode::SetBattlesKeepEvents(bool keep) {
  for (const auto& session : sessions_) session->GetActionResolver().SetKeepEvents(keep);
  server_->GetActionResolver().SetKeepEvents(keep);
}

void THotSeatMode::DestroySessions() {
  server_.reset();
  sessions_.clear();
}

TBattleSession& THotSeatMode::GetSideSession(int32_t side) const { return *sessions_.at(static_cast<std::size_t>(side)); }

TBattleSession& THotSeatMode::GetCurrentSession() const { return GetSideSession(TSides::Instance()->GetCurrentSide()); }

TBattle& THotSeatMode::GetViewSession() const {
  if (computing_) return *server_;
  return GetCurrentSession();
}

int THotSeatMode::GetLocalPlayer() const {
  if (computing_) return -1;
  return GetCurrentSession().GetGameRecord().GetPlayerNumber();
}

void THotSeatMode::SetCurrentSide(int32_t side) { TSides::Instance()->SetCurrentSide(side); }

// --- the frame --------------------------------------------------------------------------

void THotSeatMode::Update() {
  Render();
  TBattle& view = GetViewSession();
  view.GetTurnClock().Advance(kFrameStep);
  const bool paused = view.Tick();
  TBattleSession& session = GetCurrentSession();
  // The game screen closes a played-back turn; until it exists the mode
  // does, so that the turn's state is stored and its orders phase opens.
  if (paused && !session.IsTurnCommitted() && !session.GetName().empty() && session.GetFailure().empty()) {
    session.PlayClientTurn();
  }
  if (session.HaveOrdersBeenSent()) OnOrdersSent();
}

bool THotSeatMode::CurrentOrdersStored() const {
  const TBattleSession& session = GetCurrentSession();
  return session.HaveOrdersBeenSaved() && FileExists(session.OrdersFileName());
}

void THotSeatMode::OnOrdersSent() {
  // Orders that did not reach the disk cannot be computed: the side keeps
  // the seat until they are stored.
  if (!CurrentOrdersStored()) return;
  if (TSides::Instance()->GetCurrentSide() == 0) {
    opponentMoving_ = true;
    SetCurrentSide(1);
  } else {
    TSessionMute mute;
    ExchangeTurn(kGameId);
    opponentMoving_ = false;
  }
  AfterTurnChange();
}

void THotSeatMode::AfterTurnChange() { SetDrawEnabled(true); }

void THotSeatMode::RequestScreen(const std::string& screen) {
  requestedScreen_ = screen;
  WriteLog("Screen requested: " + screen + "\n");
}

bool THotSeatMode::Fail(const std::string& message) {
  failure_ = message;
  WriteLog("Hot-seat: " + message + "\n");
  return false;
}

// --- starting a game -------------------------------------------------------------------------

std::string THotSeatMode::GameFolderPath(const std::string& gameId) const { return gamesFolder_ + gameId + "\\"; }

std::string THotSeatMode::GameStartText(const std::string& map) const {
  const TGameRecord& record = GetCurrentSession().GetGameRecord();
  const std::string forcePoints = IntToString(record.GetForcePoints());
  const std::string perUnit = IntToString(record.GetMaxFPPerUnit());
  std::string text = "[GameStart]\n";
  text += "scenario = " + record.GetScenarioTypeName() + "\n";
  text += "map = " + map + "\n";
  text += "player1 = " + GetPlayer1Name() + "\n";
  text += "player2 = " + GetPlayer2Name() + "\n";
  text += "forcePoints1 = " + forcePoints + "\n";
  text += "forcePoints2 = " + forcePoints + "\n";
  text += "maxFPPerUnit1 = " + perUnit + "\n";
  text += "maxFPPerUnit2 = " + perUnit + "\n";
  text += "turnLimit = " + IntToString(record.GetTurnLimit()) + "\n";
  return text;
}

bool THotSeatMode::WriteGameStart() {
  failure_.clear();
  const std::string map = ChooseMap();
  if (map.empty()) return false;
  if (!StartLocalGame(kGameId, GameStartText(map))) return false;
  // The time spent computing is not the first frame's.
  TClockRegistry::Instance()->Reset();
  return true;
}

std::string THotSeatMode::ChooseMap() {
  TTextBuffer config;
  config.Load(kMapsConfig);
  const std::string name = GetCurrentSession().GetGameRecord().GetMap();
  TConfigParser parser(config.Text());
  if (!name.empty() && parser.SelectSection(LowerCase(name))) {
    return (ContainsText(name, "Tutorial") ? "tutorialMaps\\" : "Map\\") + name;
  }
  if (name != TGameRecord::kRandomMap) {
    const bool path = name.find_first_of("\\/") != std::string::npos;
    const std::string chosen = path ? name : "Map\\" + name;
    if (!name.empty() && FileExists(chosen + ".map")) return chosen;
  }
  const std::vector<std::string> maps = NonTutorialMaps(config.Text());
  if (maps.empty()) {
    ShowMessageBox("%s", "There is no map to play on: Configs\\maps.cfg names none.");
    Fail("no map to pick from " + std::string(kMapsConfig));
    return std::string();
  }
  TRandom* random = GetRandom();
  random->Seed(static_cast<uint32_t>(TSystemClock::Instance()->GetSeconds()));
  const int32_t index = random->Int(static_cast<int32_t>(maps.size()) - 1);
  return "Map\\" + maps[static_cast<std::size_t>(index)];
}

bool THotSeatMode::PrepareGameFolder(const std::string& folder) {
  if (!CreateFolder(gamesFolder_) || !CreateFolder(folder)) return false;
  // A new game must not find the files of the game played here before.
  DeleteFolderFiles(folder);
  DeleteFolderFiles(folder + "Orders\\");
  return true;
}

bool THotSeatMode::StartLocalGame(const std::string& gameId, const std::string& setup) {
  failure_.clear();
  Render();
  const std::string folder = GameFolderPath(gameId);
  if (!PrepareGameFolder(folder)) return Fail("Couldn't create directory " + folder);
  const std::string setupFile = "start_" + gameId + ".dvx";
  TTextBuffer text;
  text.Append(setup);
  if (!text.Save(setupFile)) return Fail("Could not save " + setupFile);
  // A game that starts again begins from fresh battles.
  DestroySessions();
  CreateSessions();
  if (!Compute({setupFile, folder})) return false;
  if (!LoadResults(folder, server_->TurnFileSuffix())) return false;
  SetCurrentSide(0);
  opponentMoving_ = false;
  RequestScreen("Choose Race Screen");
  return true;
}

bool THotSeatMode::Compute(const std::vector<std::string>& names) {
  computing_ = true;
  SetBattlesKeepEvents(true);
  const bool computed = RunServerCode(names);
  computing_ = false;
  SetBattlesKeepEvents(false);
  if (!computed) return Fail(server_->GetError());
  return true;
}

bool THotSeatMode::RunServerCode(const std::vector<std::string>& names) { return server_->ProcessFile(names); }

// --- a turn ------------------------------------------------------------------------------------

bool THotSeatMode::LoadSideResults(int32_t side, const std::string& file, const std::string& playerName) {
  SetCurrentSide(side);
  TBattleSession& session = GetSideSession(side);
  session.LoadTurnFile(file);
  session.GetGameRecord().SetPlayerName(playerName);
  if (!session.GetFailure().empty()) return Fail("side " + IntToString(side + 1) + ": " + session.GetFailure());
  return true;
}

bool THotSeatMode::LoadResults(const std::string& folder, const std::string& suffix) {
  // A side whose file does not load does not keep the other from loading.
  const bool first = LoadSideResults(0, folder + "results1" + suffix, GetPlayer1Name());
  const bool second = LoadSideResults(1, folder + "results2" + suffix, GetPlayer2Name());
  return first && second;
}

bool THotSeatMode::ExchangeTurn(const std::string& gameId) {
  failure_.clear();
  const std::string folder = GameFolderPath(gameId);
  const int32_t turn = server_->GetTurnClock().GetTurn();
  const std::string turnName = GetCurrentSession().TurnFileName();
  const std::string orders1 = folder + "Orders\\orders1" + turnName;
  const std::string orders2 = folder + "Orders\\orders2" + turnName;
  DestroySessions();
  CreateSessions();
  server_->SetName(gameId);
  server_->GetTurnClock().SetTurn(turn);
  const std::string lastSuffix = server_->TurnFileSuffix();
  const bool computed = Compute({folder + "gamestate" + lastSuffix, orders1, orders2, folder});
  // When the turn could not be computed both sides take up the last turn
  // again, so that their orders can be given anew.
  const std::string suffix = computed ? server_->TurnFileSuffix() : lastSuffix;
  const std::string problem = failure_;
  const bool loaded = LoadResults(folder, suffix);
  SetCurrentSide(0);
  if (!computed) {
    failure_ = problem;
    ShowMessageBox("The turn could not be computed: %s", problem.c_str());
    RequestScreen("Game Screen");
    return false;
  }
  RequestScreen(modeNumber_ == 1 ? "Splash Screen" : "Game Screen");
  return loaded;
}

void THotSeatMode::ExitScenario() {
  RequestScreen("Intro Screen");
  TGame::Instance()->SwitchMode(0);
}
