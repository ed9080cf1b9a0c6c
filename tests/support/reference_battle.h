// The reference battles whose results are kept as golden files and whose
// cost the benchmarks measure: two armies on a shipped map with the orders a
// player gives in a turn (walks across the map, attacks on enemy units, a
// walk of two legs, fire at will), computed as a server computes a turn.
//
// The set-up works on the current folder, which must hold the data set
// (a copy of it: the game writes logs beside it). It needs nothing of
// GoogleTest, so that the benchmarks build the very same battles.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/config_parser.h"
#include "app/data_stream.h"
#include "app/random.h"
#include "app/version_info.h"
#include "session/id_mapper.h"
#include "sim/action_resolver.h"
#include "sim/clock.h"
#include "sim/event_list.h"
#include "sim/scenario.h"
#include "sim/turn_simulator.h"
#include "units/attack_orders.h"
#include "units/combatant.h"
#include "units/movement_order.h"
#include "units/order_list.h"
#include "units/walk_orders.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/world.h"

namespace reference_battle {

constexpr uint32_t kSeed = 20261210;

// One side's army: its unit types, cycled, and the column it lines up on.
struct TArmy {
  std::vector<std::string> types;
  int32_t owner = 0;
  float column = 1.0f;
};

// The armies of the Foundry battle, before the count is chosen.
inline TArmy FoundryAttackers() { return {{"Grunt", "Grunt", "Grenadier", "Missile Tank", "Grunt", "Spiker"}, 0, 1.0f}; }
inline TArmy FoundryDefenders(float width) {
  return {{"Drone", "Guardian", "Goo Spitter", "Drone", "Splatter", "Guardian"}, 1, width - 2.0f};
}

// The types an army of the race brings ("any" fights as marines or mechs).
inline std::vector<std::string> TypesOfRace(const std::string& race, int32_t player) {
  if (race == "spwn") return {"Drone", "Guardian", "Splatter", "Goo Spitter"};
  if (race == "grey") return {"Psyker", "Warp Gunner", "Scanner"};
  if (race == "mech") return {"Missile Tank", "Spiker"};
  if (race == "marn") return {"Grunt", "Grenadier"};
  return player == 0 ? std::vector<std::string>{"Grunt", "Grenadier"}
                     : std::vector<std::string>{"Missile Tank", "Spiker"};
}

// `count` units of the army in a column, from the top of the map down.
inline std::vector<Combatant*> PlaceArmy(TWorld& world, const TArmy& army, int32_t count) {
  const TGameData& data = world.GetGameData();
  const float height = static_cast<float>(world.GetMap().GetHeight());
  const float spacing = (height - 6.0f) / static_cast<float>(count > 1 ? count - 1 : 1);
  std::vector<Combatant*> placed;
  TNewObjects objects;
  for (int32_t i = 0; i < count; ++i) {
    const std::string& typeName = army.types[static_cast<std::size_t>(i) % army.types.size()];
    const TUnitType* type = data.FindUnitType(typeName);
    if (type == nullptr) continue;
    const TVector3 at(army.column, 3.0f + spacing * static_cast<float>(i), 0.0f);
    auto unit = std::make_unique<Combatant>(*type, data.FindWeaponType(typeName), army.owner, at, 0.0f);
    placed.push_back(unit.get());
    objects.push_back(std::move(unit));
  }
  world.AddObjects(objects);
  return placed;
}

// The orders of one side: every unit fires at will; of each four units,
// the first walks across the map, the second attacks the enemy across from
// it, the third walks two legs, the fourth walks across to a point further
// down.
inline void GiveOrders(TTurnSimulator& sim, const std::vector<Combatant*>& own,
                       const std::vector<Combatant*>& enemies) {
  TActionResolver& resolver = sim.GetResolver();
  TOrderList& orders = sim.GetOrders();
  const TMap& map = sim.GetWorld().GetMap();
  const float width = static_cast<float>(map.GetWidth());
  const float height = static_cast<float>(map.GetHeight());
  for (std::size_t i = 0; i < own.size(); ++i) {
    Combatant& unit = *own[i];
    resolver.SetReactionRules(unit, 0.0f, "FireAtWill", "Combat");
    const TVector3 at = unit.Position();
    const float across = at.x < width * 0.5f ? width - 3.0f : 2.0f;
    const int32_t id = unit.GetId();
    switch (i % 4) {
      case 0:
        orders.Add(std::make_unique<TMovementOrder>(id, resolver, TVector3(across, at.y, 0.0f), true));
        break;
      case 1:
        if (!enemies.empty()) {
          orders.Add(std::make_unique<TAttackElementOrder>(id, resolver, enemies[i % enemies.size()]->GetId()));
        }
        break;
      case 2:
        orders.Add(std::make_unique<TMovementOrder>(id, resolver, TVector3(width * 0.5f, at.y, 0.0f), true));
        orders.Add(std::make_unique<TMovementOrder>(id, resolver, TVector3(width * 0.5f, height * 0.5f, 0.0f), true));
        break;
      default:
        orders.Add(std::make_unique<TMovementOrder>(
            id, resolver, TVector3(across, at.y + 7.0f < height - 2.0f ? at.y + 7.0f : at.y - 7.0f, 0.0f), true));
        break;
    }
  }
}

// A simulator on the map with `perSide` units a side and their orders.
inline std::unique_ptr<TTurnSimulator> MakeFoundryBattle(int32_t perSide, const char* map = "Map\\Foundry.map") {
  auto sim = std::make_unique<TTurnSimulator>();
  TWorld& world = sim->GetWorld();
  if (!world.LoadMapFile(map)) return nullptr;
  const float width = static_cast<float>(world.GetMap().GetWidth());
  const std::vector<Combatant*> attackers = PlaceArmy(world, FoundryAttackers(), perSide);
  const std::vector<Combatant*> defenders = PlaceArmy(world, FoundryDefenders(width), perSide);
  GiveOrders(*sim, attackers, defenders);
  GiveOrders(*sim, defenders, attackers);
  return sim;
}

// The first turn of a shipped set-up ("Scenarios/GameStart ....cfg"): its
// map and rules, four units of each player's race.
inline std::unique_ptr<TTurnSimulator> MakeScenarioBattle(const std::string& setupFile) {
  TConfigFile setup;
  if (!setup.Load(setupFile)) return nullptr;
  std::unique_ptr<TScenario> scenario = TScenario::ParseGameStart(setup);
  if (scenario == nullptr) return nullptr;
  auto sim = std::make_unique<TTurnSimulator>();
  TWorld& world = sim->GetWorld();
  if (!world.LoadMapFile("Map\\" + scenario->GetMapName() + ".map")) return nullptr;
  const float width = static_cast<float>(world.GetMap().GetWidth());
  const std::vector<Combatant*> first =
      PlaceArmy(world, {TypesOfRace(scenario->GetRace(0), 0), 0, 1.0f}, 4);
  const std::vector<Combatant*> second =
      PlaceArmy(world, {TypesOfRace(scenario->GetRace(1), 1), 1, width - 2.0f}, 4);
  GiveOrders(*sim, first, second);
  GiveOrders(*sim, second, first);
  sim->SetScenario(std::move(scenario));
  return sim;
}

// Computes the simulator's turn from its start, the game generator seeded
// first; `beforeTick` runs before every tick. Returns the ticks run.
inline int32_t RunTurn(TTurnSimulator& sim, int32_t mode, float step,
                       const std::function<void()>& beforeTick = nullptr) {
  GetRandom()->Seed(kSeed);
  sim.Start(mode);
  TTurnClock& clock = sim.GetClock();
  clock.Start();
  int32_t ticks = 0;
  for (;;) {
    if (beforeTick) beforeTick();
    ++ticks;
    if (sim.Tick()) break;
    clock.Advance(step);
  }
  return ticks;
}

// The turn as a server computes it.
inline int32_t RunServerTurn(TTurnSimulator& sim, const std::function<void()>& beforeTick = nullptr) {
  return RunTurn(sim, TTurnSimulator::kSimulateWithMovement, TTurnSimulator::kServerStep, beforeTick);
}

// Every started walking order plans its route again from where its unit
// stands, as a unit does that keeps being blocked.
inline void ReplanEveryWalk(TTurnSimulator& sim) {
  for (TOrder* order : sim.GetOrders().CollectOrders()) {
    auto* walk = dynamic_cast<TRouteOrder*>(order);
    if (walk != nullptr && walk->IsStarted()) walk->ComputeRoute();
  }
}

// The saved event list and world, as a turn file holds them.
inline std::vector<uint8_t> EventBytes(const TTurnSimulator& sim) {
  TRawIdMapper ids;
  TDataStream stream(kVersionTag);
  sim.GetEvents().Save(stream, ids);
  return stream.Body();
}

inline std::vector<uint8_t> WorldBytes(const TTurnSimulator& sim) {
  TDataStream stream(kVersionTag);
  sim.GetWorld().Save(stream);
  return stream.Body();
}

}  // namespace reference_battle
