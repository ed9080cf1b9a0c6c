// The players' orders as the server takes them: each orders file must come
// from the player of its place, and only what that player may order reaches
// the simulation.
#include <string>

#include "app/data_stream.h"
#include "app/text_utils.h"
#include "session/game_query.h"
#include "session/game_record.h"
#include "session/id_mapper.h"
#include "session/server_battle.h"
#include "session/turn_files.h"
#include "sim/action_resolver.h"
#include "sim/clock.h"
#include "sim/scenario.h"
#include "sim/turn_simulator.h"
#include "sim/world_events.h"
#include "session/sides.h"
#include "world/bounding_box.h"
#include "units/combatant.h"
#include "units/deploy_orders.h"
#include "units/reaction_manager.h"
#include "units/unit_type.h"
#include "world/deploy_tile.h"
#include "world/game_data.h"
#include "world/world.h"

namespace {

// Orders files older than this carry the player's reaction settings after
// the orders.
constexpr float kReactionsInOrdersBelow = 2.089f;
constexpr int32_t kSinglePlayerMode = 6;

bool IsDeploy(const TOrder& order) { return order.Name() == TDeployOrder::kName; }

}  // namespace

bool TServerBattle::ApplyOrders(TDataStream& stream, int32_t place) {
  TTurnSimulator& sim = GetSimulator();
  const std::string who = "player " + IntToString(place + 1);
  TGameRecord sent;
  if (!sent.Load(stream)) return Fail("the orders file of " + who + " is damaged (game record)");
  const int32_t player = sent.GetPlayerNumber();
  if (player != place || player < 0 || player >= static_cast<int32_t>(records_.size())) {
    return Fail("the orders file in the place of " + who + " is from player " + IntToString(int64_t{player} + 1));
  }
  if (!IsAcceptedVersionTag(sent.GetVersionText())) {
    return Fail("the orders file of " + who + " names a version this server does not write");
  }
  TGameRecord& record = *records_[static_cast<std::size_t>(player)];
  std::string race = sent.GetRace();
  const std::string required = sim.GetScenario()->GetRace(player);
  if (!required.empty() && required != TScenario::kAnyRace && race != required) {
    dropped_.push_back(who + " chose the race \"" + StatusValue(race) + "\" where the game sets \"" + required + "\"");
    race = required;
  }
  record.SetRace(race);
  record.SetVersionText(sent.GetVersionText());
  record.SetPlatformText(sent.GetPlatformText());
  record.SetLanguageText(sent.GetLanguageText());
  record.SetConceded(sent.IsConceded());

  orders_.clear();
  if (!TOrderList::ReadOrders(orders_, sim.GetResolver(), mappers_->GetMapper(player), stream)) {
    return Fail("the orders of " + who + " are damaged");
  }
  CheckOwnership(player);
  if (sim.GetClock().GetTurn() == 1) CheckDeployment(player);
  sim.GetOrders().AddOrders(std::move(orders_));
  orders_.clear();
  if (stream.GetVersion() < kReactionsInOrdersBelow &&
      !sim.GetReactions().Read(stream, mappers_->GetMapper(player))) {
    return Fail("the reaction settings of " + who + " are damaged");
  }
  return true;
}

void TServerBattle::EraseOrder(std::size_t index, const std::string& reason) {
  dropped_.push_back(reason);
  orders_.erase(orders_.begin() + static_cast<std::ptrdiff_t>(index));
}

bool TServerBattle::LoadDeploySquares() {
  deploySquares_.clear();
  std::vector<std::unique_ptr<TAreaList>> areas;
  if (!LoadAreaLists(areas)) return Fail("the deployment areas " + MapPath(".ara") + " do not read");
  std::vector<TVector3> points;
  for (const auto& list : areas) {
    deploySquares_.emplace_back();
    for (std::size_t i = 0; i < list->Count(); ++i) {
      if (!TDeploymentEvent::AreaPoints(*list->At(i), points)) continue;
      for (const TVector3& point : points) deploySquares_.back().push_back(RoundVector(point));
    }
  }
  return true;
}

bool TServerBattle::OnDeploySquare(const TVector3& position, int32_t player) const {
  if (player < 0 || static_cast<std::size_t>(player) >= deploySquares_.size()) return false;
  for (const TVector3& square : deploySquares_[static_cast<std::size_t>(player)]) {
    if (square.DistanceTo(position) < DeployTile::kCoverDistance) return true;
  }
  return false;
}

void TServerBattle::CheckOwnership(int32_t player) {
  TTurnSimulator& sim = GetSimulator();
  const bool firstTurn = sim.GetClock().GetTurn() == 1 || RunningGameMode() == kSinglePlayerMode;
  const std::string who = "player " + IntToString(player + 1);
  for (std::size_t i = 0; i < orders_.size();) {
    TOrder& order = *orders_[i];
    std::string reason;
    if (IsDeploy(order)) {
      const auto& deploy = static_cast<const TDeployOrder&>(order);
      if (deploy.GetPlayer() != player) {
        reason = who + " deploys for another player";
      } else if (!firstTurn) {
        reason = who + " deploys after the first turn";
      } else if (!OnDeploySquare(deploy.GetPosition(), player)) {
        reason = who + " deploys outside its deployment squares";
      }
    } else {
      const Combatant* unit = order.GetUnit();
      if (unit == nullptr || unit->GetOwner() != player) reason = who + " orders a unit it does not own";
    }
    if (reason.empty()) {
      ++i;
    } else {
      EraseOrder(i, reason);
    }
  }
}

void TServerBattle::CheckDeployment(int32_t player) {
  if (RunningGameMode() == kSinglePlayerMode) return;
  TTurnSimulator& sim = GetSimulator();
  const TGameRecord& record = *records_.at(static_cast<std::size_t>(player));
  const TGameData& data = sim.GetWorld().GetGameData();
  const std::string who = "player " + IntToString(player + 1);
  float spent = 0.0f;
  for (std::size_t i = 0; i < orders_.size();) {
    if (!IsDeploy(*orders_[i])) {
      ++i;
      continue;
    }
    const auto& deploy = static_cast<const TDeployOrder&>(*orders_[i]);
    const std::string& typeName = deploy.GetTypeName();
    if (ContainsText(typeName, "Corpse")) {
      ++i;
      continue;
    }
    const TUnitType* type = data.FindUnitType(typeName);
    const float cost = sim.GetResolver().GetUnitTypeCost(typeName);
    if (type == nullptr) {
      EraseOrder(i, who + " deploys an unknown unit type");
    } else if (type->GetRace() != record.GetRace()) {
      EraseOrder(i, who + " deploys a " + typeName + " of another race");
    } else if (!(spent + cost < static_cast<float>(record.GetForcePoints()) + 0.01f)) {
      EraseOrder(i, who + " deploys beyond its force points");
    } else {
      spent += cost;
      ++unitCounts_[player][typeName];
      ++i;
    }
  }
}
