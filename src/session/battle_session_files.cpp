// The session's side of the turn files: a first-turn or results file read
// into the battle, and the client's own files of the game (gamestate copies
// and the events of the game so far).
#include <memory>

#include "app/data_stream.h"
#include "app/files.h"
#include "app/game_data.h"
#include "app/log.h"
#include "app/message_box.h"
#include "app/text_utils.h"
#include "app/version_info.h"
#include "session/battle_session.h"
#include "session/game.h"
#include "session/game_query.h"
#include "session/game_record.h"
#include "session/game_rebuild.h"
#include "session/id_mapper.h"
#include "session/session_mute.h"
#include "session/turn_file_reader.h"
#include "session/turn_files.h"
#include "sim/clock.h"
#include "sim/event_factory.h"
#include "sim/event_list.h"
#include "sim/scenario.h"
#include "sim/turn_simulator.h"
#include "sim/world_effect.h"
#include "units/order_list.h"
#include "units/reaction_manager.h"
#include "world/map.h"
#include "world/world.h"

namespace {

constexpr float kGameDataInGameStateAbove = 2.999f;
constexpr float kReactionsInGameStateAbove = 2.089f;
// Turn numbers far beyond any game: a file claiming more is damaged.
constexpr int32_t kMaxTurn = 100000;

}  // namespace

bool IsGameFolderName(const std::string& name) {
  if (name.empty() || name.size() > 32) return false;
  for (const char c : name) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    if (!plain) return false;
  }
  return true;
}

TEventFactoryContext TBattleSession::EventContext() const {
  TEventFactoryContext context;
  context.world = &GetWorld();
  context.reactionManager = &GetReactionManager();
  context.specialEffects = &GetSpecialEffects();
  context.gameRecord = record_.get();
  return context;
}

// A game's data comes with its files so that a player's program computes
// with the server's numbers; this program keeps its own installation's data
// and says so when the two differ.
void TBattleSession::ApplyGameDataText(const std::string& text) {
  if (text != GetGameDataConfig().Text()) {
    WriteLog("The game " + GetName() + " was computed with other game data than this installation's\n");
  }
}

std::string TBattleSession::GameStateFileName(int32_t turn) const {
  return GameFolder() + "gamestate" + PlayerDigitOutsideMail() + TurnFileNameFor(turn);
}

std::string TBattleSession::EventsFileName() const {
  return GameFolder() + "events" + PlayerDigitOutsideMail() + "_G" + GetName();
}

bool TBattleSession::LoadTurnFile(const std::string& fileName) {
  ordersSent_ = false;
  ordersSaved_ = false;
  turnCommitted_ = false;
  failure_.clear();
  // The orders given for the turn before belong to that turn alone; a
  // session kept from turn to turn (hot-seat) must not send them again.
  GetOrderList().Clear();
  if (ContainsText(fileName, "buildgame")) return BuildGame(fileName);
  TDataStream stream;
  if (!stream.LoadFromFile(fileName)) {
    ShowMessageBox("Unable to open file %s", fileName.c_str());
    return Fail("Unable to open file " + fileName, true);
  }
  WriteLog("Loaded turn file\n");
  if (stream.GetName() == kPackedGameName) {
    RequestScreen("Rebuild Games");
    return UnpackGame(stream);
  }
  if (!ReadTurnHeader(stream)) return false;
  if (!CreateFolders()) return Fail("Could not create the folders of the game " + GetName(), true);
  const std::string tag = stream.ReadString();
  if (tag == kFirstTurnTag) return ProcessFirstTurn(stream);
  if (tag == kNextTurnTag) {
    ProcessNextTurn(stream);
    return false;
  }
  return Fail(fileName + " is not a game file", false);
}

bool TBattleSession::ReadTurnHeader(TDataStream& stream) {
  // The record names the player the file was written for: a received
  // results2 file makes this session player 2's.
  if (!record_->Load(stream)) return Fail("The game record of the turn file does not read.", false);
  const int32_t player = record_->GetPlayerNumber();
  if (player < 0 || player > 1) return Fail("The turn file names no player of the game.", false);
  record_->SetFromPlayerData(TGame::Instance()->GetPlayerData());
  const std::string gameId = record_->GetGameId();
  // The game id names a folder: only a plain, short name may.
  if (!IsGameFolderName(gameId)) return Fail("The turn file names no valid game.", false);
  SetName(gameId);
  const auto turn = static_cast<int32_t>(stream.ReadInt());
  if (stream.HasFailed() || turn < 0 || turn > kMaxTurn) return Fail("The turn file is damaged (turn).", false);
  turn_ = turn;
  GetTurnClock().SetTurn(turn);
  return true;
}

bool TBattleSession::ProcessFirstTurn(TDataStream& stream) {
  TTurnSimulator& sim = GetSimulator();
  sim.SetScenario(TScenario::FromGameRecord(*record_));
  record_->FillFromPlayer();
  if (RunningGameMode() == 2) {
    if (FileExists(EventsFileName())) {
      if (!OpenEvents()) return false;
      if (GetEventList().GetTurnCount() > 1) {
        ShowMessageBox("Already played this turn");
        return Fail("Already played this turn", true);
      }
    }
    GetEventList().Clear();
    WriteBounty(*record_);
  }
  if (!ReadFirstTurnBody(stream)) return false;
  PlayClientTurn();
  WriteLog("Processed First Turn\n");
  return failure_.empty();
}

bool TBattleSession::ReadFirstTurnBody(TDataStream& stream) {
  std::string gameDataText;
  if (!ReadFirstTurnMap(stream, GetWorld(), gameDataText)) {
    return Fail("The first-turn file is damaged (map header).", false);
  }
  if (!gameDataText.empty()) ApplyGameDataText(gameDataText);
  if (!SaveGameState()) return false;
  stream.ReadString();
  if (stream.HasFailed() || !GetEventList().LoadTurn(stream, EventContext())) {
    return Fail("The events of the first-turn file do not read.", false);
  }
  return true;
}

bool TBattleSession::ProcessNextTurn(TDataStream& stream) {
  TTurnSimulator& sim = GetSimulator();
  sim.SetScenario(TScenario::FromGameRecord(*record_));
  record_->FillFromPlayer();
  if (!LoadGameState(turn_)) return false;
  loadedGameStateTurn_ = turn_;
  if (!OpenEvents()) return false;
  TEventList& events = GetEventList();
  if (events.GetTurnCount() > turn_ + 1) {
    ShowMessageBox("Already played this turn");
    return Fail("Already played this turn", true);
  }
  if (events.GetTurnCount() < turn_) {
    // The turns before this one were never played here: the results cannot
    // follow on from them.
    return Fail("The events of the turns before turn " + IntToString(turn_) + " are missing.", true);
  }
  if (events.GetTurnCount() == turn_) {
    if (!events.LoadTurn(stream, EventContext())) return Fail("The events of the results file do not read.", false);
  }
  ReplayLatestTurn();
  WriteLog("Processed Turn\n");
  if (RunningGameMode() == 2) loadedGameStateTurn_ = turn_;
  return true;
}

bool TBattleSession::SaveGameState() {
  TDataStream& stream = *stateStream_;
  stream = TDataStream(kVersionTag);
  stream.WriteString(GetGameDataConfig().Text());
  if (!GetWorld().Save(stream) || !GetReactionManager().Write(stream)) {
    return Fail("The state of the game does not write.", false);
  }
  const std::string fileName = GameStateFileName(GetTurnClock().GetTurn());
  if (!stream.SaveToFile(fileName)) return Fail("Could not save " + fileName, true);
  return true;
}

bool TBattleSession::LoadGameState(int32_t turn) {
  const std::string fileName = GameStateFileName(turn);
  TDataStream stream;
  if (!stream.LoadFromFile(fileName)) {
    ShowMessageBox("Unable to open file %s", fileName.c_str());
    return Fail("Unable to open file " + fileName, true);
  }
  if (stream.GetVersion() > kGameDataInGameStateAbove) ApplyGameDataText(stream.ReadString());
  TWorld& world = GetWorld();
  if (!world.Load(stream)) return Fail("The state of the game in " + fileName + " does not read.", true);
  TReactionManager& reactions = GetReactionManager();
  TRawIdMapper raw;
  if (stream.GetVersion() > kReactionsInGameStateAbove) {
    if (!reactions.Read(stream, raw)) return Fail("The reactions in " + fileName + " do not read.", true);
  } else {
    // Older games kept the reactions in a file of their own; without it the
    // units keep the reactions they have.
    TDataStream old;
    if (old.LoadFromFile(GameFolder() + "reactions_G" + GetName())) reactions.Read(old, raw);
  }
  TSessionMute mute;
  world.Update(GetTurnClock().GetTime());
  return true;
}

bool TBattleSession::OpenEvents() {
  const std::string fileName = EventsFileName();
  TDataStream stream;
  if (!stream.LoadFromFile(fileName)) {
    ShowMessageBox("Unable to open file %s", fileName.c_str());
    return Fail("Unable to open file " + fileName, true);
  }
  if (!GetEventList().Load(stream, EventContext())) return Fail("The events in " + fileName + " do not read.", true);
  return true;
}

bool TBattleSession::SaveTurnEvents() {
  TDataStream stream(kVersionTag);
  TRawIdMapper raw;
  if (!GetEventList().Save(stream, raw)) return Fail("The events of the game do not write.", false);
  bool saved = true;
  if (RunningGameMode() != 2) {
    saved = stream.SaveToFile(GameFolder() + "events" + PlayerDigitOutsideMail() + TurnFileName());
  }
  saved = stream.SaveToFile(EventsFileName()) && saved;
  if (!saved) return Fail("Could not save the events of the game " + GetName(), true);
  return true;
}
