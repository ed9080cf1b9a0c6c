#include "session/battle_session.h"

#include <algorithm>

#include "app/data_stream.h"
#include "app/files.h"
#include "app/interface_cursor.h"
#include "app/message_stream.h"
#include "app/text_utils.h"
#include "app/version_info.h"
#include "display/map_view.h"
#include "display/mapview/map_view_hooks.h"
#include "session/game.h"
#include "session/game_query.h"
#include "session/game_record.h"
#include "session/orders_file.h"
#include "session/server_requests.h"
#include "session/session_mute.h"
#include "session/smtp_session.h"
#include "sim/action_resolver.h"
#include "sim/clock.h"
#include "sim/event_list.h"
#include "sim/explosion.h"
#include "sim/goo.h"
#include "sim/turn_simulator.h"
#include "sim/world_effect.h"
#include "units/combatant_list.h"
#include "units/order.h"
#include "units/reaction_manager.h"
#include "units/weapon.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/world.h"

TBattleSession::TBattleSession(int32_t player)
    : stateStream_(std::make_unique<TDataStream>()), record_(std::make_unique<TGameRecord>()) {
  record_->SetPlayerNumber(player);
  record_->SetFromPlayerData(TGame::Instance()->GetPlayerData());
  // Scores the session computes itself are kept in its own record.
  GetActionResolver().SetGameRecord(record_.get());
  GetSimulator().Start(TTurnSimulator::kPlayback);
  // Only a shown battle has a map to point at.
  if (TMapView::Exists()) cursor_ = std::make_unique<TInterfaceCursor>();
}

TBattleSession::~TBattleSession() = default;

void TBattleSession::Update() {}

// --- names and folders ----------------------------------------------------------

int32_t TBattleSession::GetPlayerNumber() const { return record_->GetPlayerNumber(); }

std::string TBattleSession::GameFolder() const { return gamesFolder_ + GetName() + "\\"; }

std::string TBattleSession::OrdersFolder() const { return GameFolder() + "Orders\\"; }

std::string TBattleSession::TurnFileName() const { return TurnFileNameFor(GetTurnClock().GetTurn()); }

std::string TBattleSession::TurnFileNameFor(int32_t turn) const {
  return "_G" + GetName() + "_T" + IntToString(turn) + ".dvx";
}

bool TBattleSession::CreateFolders() const {
  // Each call is tried: a folder that is there already is fine.
  const bool games = CreateFolder(gamesFolder_);
  const bool game = CreateFolder(GameFolder());
  const bool orders = CreateFolder(OrdersFolder());
  return games && game && orders;
}

std::string TBattleSession::PlayerDigitOutsideMail() const {
  return RunningGameMode() == 2 ? std::string() : IntToString(GetPlayerNumber() + 1);
}

// --- selection ---------------------------------------------------------------------

Combatant* TBattleSession::Selected() const { return GetCombatantList().GetSelected(); }

int32_t TBattleSession::SelectedId() const {
  const Combatant* unit = Selected();
  return unit == nullptr ? -1 : unit->GetId();
}

bool TBattleSession::HasSelectedUnit() const { return Selected() != nullptr; }

bool TBattleSession::SelectedUnitHasCloseCombatWeapon() const {
  const Combatant* unit = Selected();
  return unit != nullptr && unit->GetWeapon() != nullptr && unit->GetWeapon()->IsCloseCombatOnly();
}

bool TBattleSession::SelectedUnitIsUnarmed() const {
  const Combatant* unit = Selected();
  if (unit == nullptr) return false;
  const TWeapon* weapon = unit->GetWeapon();
  return weapon == nullptr || (!weapon->IsRanged() && !weapon->IsCloseCombatOnly());
}

bool TBattleSession::SelectById(int32_t id) {
  TWorld& world = GetWorld();
  const int32_t player = GetPlayerNumber();
  Combatant* unit = AsCombatant(world.GetUnits().FindById(id));
  if (unit != nullptr && unit->GetOwner() == player) {
    world.GetUnits().Select(unit);
    world.GetAmmoDumps().Deselect();
    world.GetEggs().Deselect();
    return true;
  }
  if (world.GetAmmoDumps().SelectById(id, player)) {
    world.GetUnits().ClearSelection();
    world.GetEggs().Deselect();
    return true;
  }
  if (world.GetEggs().SelectById(id, player)) {
    world.GetUnits().ClearSelection();
    world.GetAmmoDumps().Deselect();
    return true;
  }
  return false;
}

void TBattleSession::ClearSelection() {
  TWorld& world = GetWorld();
  world.GetAmmoDumps().Deselect();
  world.GetUnits().ClearSelection();
  world.GetEggs().Deselect();
}

void TBattleSession::RefreshObjectVisuals() {
  TWorld& world = GetWorld();
  world.GetUnits().RefreshVisuals();
  world.GetAmmoDumps().RefreshVisuals();
  world.GetEggs().RefreshVisuals();
}

bool TBattleSession::PassesOrderFilter(const TOrder& order) const {
  return orderFilter_.empty() || order.IsSameOrder(orderFilter_);
}

// --- playback ------------------------------------------------------------------------

void TBattleSession::ReplayTurn(int32_t turn) {
  turn = std::min(std::max(turn, 1), turn_);
  TTurnClock& clock = GetTurnClock();
  clock.SetTurn(turn);
  GetSpecialEffects().DeleteAll();
  if (loadedGameStateTurn_ != turn) {
    // The ground is stamped again as the loaded world builds its tiles.
    RecomputeMapLighting();
    LoadGameState(turn);
  }
  loadedGameStateTurn_ = -1;
  GetEventList().RewindToTurn(turn);
  GetReactionManager().RefreshMarkers();
}

void TBattleSession::ReplayLatestTurn() {
  TSessionMute mute;
  ReplayTurn(turn_);
  TTurnClock& clock = GetTurnClock();
  clock.SetHighestTurn(turn_);
  clock.Reset();
  GetSimulator().Start(TTurnSimulator::kPlayback);
}

void TBattleSession::RewindToNextTurn() {
  TTurnClock& clock = GetTurnClock();
  clock.SetTurn(turn_ + 1);
  GetSpecialEffects().DeleteAll();
  RecomputeMapLighting();
  TWorld& world = GetWorld();
  world.RestoreSnapshot();
  world.Update(clock.GetTime());
  GetSpecialEffects().RestoreSnapshot(world.GetGameData());
  // Every unit takes up the reaction settings it had at the turn's start.
  GetReactionManager().RestoreSaved();
  GetEventList().RewindToTurn(turn_ + 1);
}

void TBattleSession::PrepareNextTurn() {
  TSessionMute mute;
  RewindToNextTurn();
  GetTurnClock().Reset();
  GetSimulator().Start(TTurnSimulator::kSimulate);
}

void TBattleSession::PlayClientTurn() {
  if (turnCommitted_) {
    PrepareNextTurn();
    return;
  }
  TTurnClock& clock = GetTurnClock();
  TWorld& world = GetWorld();
  {
    TSessionMute mute;
    clock.Start();
    Tick();
    while (!clock.IsPaused()) {
      clock.Advance(TTurnSimulator::kClientStep);
      Tick();
    }
    clock.NextTurn();
    world.ForEachListHook();
  }
  world.GetExplosions().DropDueHits(clock.GetTime());
  world.GetGooExplosions().DropDueHits(clock.GetTime());
  world.TakeSnapshot();
  GetReactionManager().SaveCopy();
  GetSpecialEffects().TakeSnapshot();
  SaveGameState();
  SaveTurnEvents();
  PrepareNextTurn();
  turnCommitted_ = true;
}

// --- the orders file -------------------------------------------------------------

std::string TBattleSession::OrdersFileName() const {
  return OrdersFolder() + "orders" + IntToString(GetPlayerNumber() + 1) + TurnFileName();
}

bool TBattleSession::WriteOrders(TDataStream& stream) const {
  return WriteOrdersBody(stream, *record_, GetOrderList(), GetTurnClock().GetTurn());
}

bool TBattleSession::FinishOrders(bool send) {
  GetTurnClock().Stop();
  GetSimulator().NotifyTurnEnd();
  return send ? SendOrders() : SaveOrders();
}

bool TBattleSession::SendOrders() {
  TDataStream stream(kVersionTag);
  const bool written = WriteOrders(stream);
  ordersSent_ = true;
  ordersSaved_ = false;
  if (!written) return Fail("The orders could not be written.", false);
  const std::string fileName = OrdersFileName();
  if (RunningGameMode() != 2) {
    if (!stream.SaveToFile(fileName)) return Fail("Could not save " + fileName, false);
    ordersSaved_ = true;
    return true;
  }
  TGame* game = TGame::Instance();
  TSmtpSession* mail = game->GetMailSender();
  if (!mail->AttachStream(stream, fileName)) return Fail("Could not save " + fileName, false);
  ordersSaved_ = true;
  return mail->SendGameMail(game->GetPlayerData().emailAddress);
}

bool TBattleSession::SaveOrders() {
  TDataStream stream(kVersionTag);
  const std::string fileName = OrdersFileName();
  // A failed save is told to the player, never reported as saved.
  if (!WriteOrders(stream) || !stream.SaveToFile(fileName)) {
    TMessageStream::Instance()->Write("Could not save the orders as: " + fileName + "\n");
    return Fail("Could not save " + fileName, false);
  }
  TMessageStream::Instance()->Write("Orders saved as: " + fileName + "\n");
  return true;
}

bool TBattleSession::ChallengeSend(const TGameRecord& record) {
  TDataStream stream(kVersionTag);
  stream.WriteString(BuildStartRequest(record));
  TGame* game = TGame::Instance();
  TSmtpSession* mail = game->GetMailSender();
  if (!mail->AttachStream(stream, kChallengeFile)) return Fail(std::string("Could not save ") + kChallengeFile, false);
  return mail->SendGameMail(game->GetPlayerData().emailAddress);
}

bool TBattleSession::ChallengeSave(const TGameRecord& record) {
  TDataStream stream(kVersionTag);
  stream.WriteString(BuildStartRequest(record));
  const std::string fileName = gamesFolder_ + kChallengeFile;
  CreateFolder(gamesFolder_);
  if (!stream.SaveToFile(fileName)) {
    TMessageStream::Instance()->Write("Could not save the challenge as \"" + fileName + "\"\n");
    return Fail("Could not save " + fileName, false);
  }
  TMessageStream::Instance()->Write("Challenge saved as \"" + fileName + "\"\n    for manual attachment and sending.\n");
  return true;
}

bool TBattleSession::Fail(const std::string& message, bool fatal) {
  failure_ = message;
  if (fatal) TGame::Instance()->RequestQuit(1);
  return false;
}
