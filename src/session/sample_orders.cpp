#include "session/sample_orders.h"

#include <cstdint>
#include <memory>
#include <utility>

#include "session/game_record.h"
#include "session/orders_file.h"
#include "session/turn_file_reader.h"
#include "sim/turn_simulator.h"
#include "units/attack_orders.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/deploy_orders.h"
#include "units/order_list.h"
#include "units/psychic_orders.h"
#include "units/rules_orders.h"
#include "units/unit_type.h"
#include "units/walk_orders.h"
#include "units/warp_attack_order.h"
#include "world/world.h"

namespace {

struct TDeployment {
  const char* type;
  TVector3 at;
};

struct TSide {
  const char* race;
  std::vector<TDeployment> deploy;
};

struct TScript {
  const char* name;
  TSide sides[2];
};

const TScript kScripts[] = {
    {"infantry",
     {{"marn", {{"Grunt", {4, 17, 0}}, {"Grunt", {8, 17, 0}}, {"Grenadier", {6, 18, 0}}}},
      {"grey", {{"Psyker", {4, 31, 0}}, {"Warp Gunner", {8, 31, 0}}, {"Scanner", {6, 31, 0}}}}}},
    {"armour",
     {{"mech", {{"Missile Tank", {18, 1, 0}}, {"Spiker", {22, 1, 0}}}},
      {"spwn", {{"Goo Spitter", {6, 27, 0}}, {"Drone", {10, 28, 0}}}}}},
};

const TScript* FindScript(const std::string& battle) {
  for (const TScript& script : kScripts) {
    if (battle == script.name) return &script;
  }
  return nullptr;
}

// The player's units of the type, in list order.
std::vector<Combatant*> UnitsOf(const TWorld& world, int32_t player, const std::string& type) {
  std::vector<Combatant*> units;
  TCombatantList& list = world.GetUnits();
  for (int32_t i = 0; i < list.Count(); ++i) {
    Combatant* unit = list.UnitAt(i);
    if (unit != nullptr && unit->GetOwner() == player && unit->GetType().GetName() == type) units.push_back(unit);
  }
  return units;
}

// The first enemy unit the player sees; null when none.
const Combatant* FirstEnemy(const TWorld& world, int32_t player) {
  TCombatantList& list = world.GetUnits();
  for (int32_t i = 0; i < list.Count(); ++i) {
    const Combatant* unit = list.UnitAt(i);
    if (unit != nullptr && unit->GetOwner() != player) return unit;
  }
  return nullptr;
}

class TOrderWriter {
 public:
  TOrderWriter(TTurnSimulator& sim, int32_t player) : sim_(sim), player_(player) {}

  template <class TOrderClass, class... TArgs>
  void Give(const char* type, std::size_t index, TArgs&&... args) {
    const std::vector<Combatant*> units = UnitsOf(sim_.GetWorld(), player_, type);
    if (index >= units.size()) return;
    orders_.Add(std::make_unique<TOrderClass>(units[index]->GetId(), sim_.GetResolver(), std::forward<TArgs>(args)...));
  }
  void Deploy(const TDeployment& deployment) {
    orders_.Add(std::make_unique<TDeployOrder>(deployment.type, player_, sim_.GetResolver(), deployment.at));
  }
  // Where the first enemy in sight stands, or the fallback.
  TVector3 EnemyAt(const TVector3& fallback) const {
    const Combatant* enemy = FirstEnemy(sim_.GetWorld(), player_);
    return enemy == nullptr ? fallback : enemy->Position();
  }
  const TOrderList& Orders() const { return orders_; }

 private:
  TTurnSimulator& sim_;
  int32_t player_;
  TOrderList orders_;
};

void InfantryOrders(TOrderWriter& writer, int32_t player, int32_t turn) {
  if (player == 0) {
    const TVector3 target = writer.EnemyAt({8, 31, 0});
    writer.Give<TMovementOrder>("Grunt", 0, TVector3(4, turn == 2 ? 21.0f : 24.0f, 0), false);
    writer.Give<TAttackPositionOrder>("Grunt", 1, target);
    writer.Give<TAttackPositionOrder>("Grenadier", 0, TVector3(6, 31, 0));
    return;
  }
  const TVector3 target = writer.EnemyAt({4, 17, 0});
  writer.Give<TToggleShieldOrder>("Scanner", 0, turn == 2);
  if (turn == 2) {
    writer.Give<TWarpAttackOrder>("Warp Gunner", 0, target);
    writer.Give<TPsychicAttackOrder>("Psyker", 0, target);
  } else {
    writer.Give<TMovementOrder>("Warp Gunner", 0, TVector3(10, 28, 0), false);
    writer.Give<TPsychicOrder>("Psyker", 0, target);
  }
}

void ArmourOrders(TOrderWriter& writer, int32_t player, int32_t turn) {
  if (player == 0) {
    writer.Give<TAttackPositionOrder>("Missile Tank", 0, writer.EnemyAt({6, 27, 0}));
    writer.Give<TMovementOrder>("Spiker", 0, TVector3(22, turn == 2 ? 6.0f : 10.0f, 0), false);
    return;
  }
  if (turn == 2) {
    // Goo on open ground within range, then closer to the enemy.
    writer.Give<TAttackPositionOrder>("Goo Spitter", 0, TVector3(12, 22, 0));
    writer.Give<TMovementOrder>("Goo Spitter", 0, TVector3(10, 20, 0), false);
  } else {
    writer.Give<TMovementOrder>("Goo Spitter", 0, TVector3(16, 12, 0), false);
    writer.Give<TAttackPositionOrder>("Goo Spitter", 0, writer.EnemyAt({18, 1, 0}));
  }
  writer.Give<TMovementOrder>("Drone", 0, TVector3(12, turn == 2 ? 22.0f : 16.0f, 0), false);
}

}  // namespace

bool IsSampleBattle(const std::string& battle) { return FindScript(battle) != nullptr; }

bool WriteSampleOrders(const std::string& battle, const std::vector<std::string>& turnFiles,
                       const std::string& output, std::string& error) {
  const TScript* script = FindScript(battle);
  if (script == nullptr) {
    error = "no scripted battle \"" + battle + "\"";
    return false;
  }
  if (turnFiles.empty()) {
    error = "no turn files";
    return false;
  }
  TTurnSimulator sim;
  TGameRecord record;
  TTurnFileHead head;
  for (const std::string& file : turnFiles) {
    if (!LoadTurnFile(sim, record, file, head, error)) return false;
  }
  const int32_t player = record.GetPlayerNumber();
  if (player < 0 || player > 1) {
    error = "the turn files name no player of a two-side battle";
    return false;
  }
  const int32_t turn = head.turn + 1;
  const TSide& side = script->sides[player];
  record.FillFromPlayer();
  record.SetRace(side.race);

  TOrderWriter writer(sim, player);
  if (turn == 1) {
    for (const TDeployment& deployment : side.deploy) writer.Deploy(deployment);
  } else if (std::string(script->name) == "infantry") {
    InfantryOrders(writer, player, turn);
  } else {
    ArmourOrders(writer, player, turn);
  }
  if (!SaveOrdersFile(output, record, writer.Orders(), turn)) {
    error = "could not write " + output;
    return false;
  }
  return true;
}
