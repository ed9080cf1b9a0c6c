#include "sim/victory.h"

#include "units/combatant_list.h"
#include "units/unit_type.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/game_data.h"
#include "world/world.h"

namespace {

bool IsDuelPlayer(int32_t player) { return player == 0 || player == 1; }

}  // namespace

// ---------------------------------------------------------------- shared tests

bool TScenario::PlayerCanFight(const TWorld& world, int32_t player) {
  const bool ownsAmmoDump = world.GetAmmoDumps().AnyOwnedBy(player);
  return world.GetUnits().CanPlayerFight(player, ownsAmmoDump);
}

bool TScenario::PlayerHasForces(const TWorld& world, int32_t player) {
  return world.GetUnits().HasUnitOfPlayer(player) || world.GetAmmoDumps().AnyOwnedBy(player) ||
         world.GetEggs().AnyOwnedBy(player);
}

// ---------------------------------------------------------------- WipeOut

float TWipeOutScenario::Score(int32_t player, const TWorld& world, int32_t /*turn*/) const {
  return world.GetScore(player);
}

bool TWipeOutScenario::IsGameOver(const TWorld& world, int32_t turn) const {
  if (turn < kFirstDecisiveTurn) return false;
  if (turn > GetTurnLimit()) return true;
  return !PlayerCanFight(world, 0) || !PlayerCanFight(world, 1);
}

int32_t TWipeOutScenario::Winner(const TWorld& world) const {
  const bool canFight0 = PlayerCanFight(world, 0);
  const bool canFight1 = PlayerCanFight(world, 1);
  if (canFight0 && !canFight1) return 0;
  if (canFight1 && !canFight0) return 1;
  const float score0 = Score(0, world, 0);
  const float score1 = Score(1, world, 0);
  if (score1 + kScoreTolerance < score0) return 0;
  if (score0 + kScoreTolerance < score1) return 1;
  return -1;
}

int32_t TWipeOutScenario::EndReason(const TWorld& world, int32_t player, int32_t turn) const {
  if (!IsDuelPlayer(player) || !IsGameOver(world, turn)) return 0;
  const int32_t other = 1 - player;
  const int32_t winner = Winner(world);
  if (winner == player) {
    if (!PlayerHasForces(world, other)) return 1;
    return PlayerCanFight(world, other) ? 3 : 2;
  }
  if (winner == -1) {
    const bool forces = PlayerHasForces(world, player);
    const bool otherForces = PlayerHasForces(world, other);
    if (!forces && !otherForces) return 4;
    if (!PlayerCanFight(world, player) && !PlayerCanFight(world, other)) return 5;
    return 6;
  }
  if (!PlayerHasForces(world, player)) return 7;
  return PlayerCanFight(world, player) ? 8 : 9;
}

// ---------------------------------------------------------------- HQ

bool THQScenario::HasHeadquarters(const TWorld& world, int32_t player) {
  return world.GetAmmoDumps().AnyOwnedBy(player) || world.GetUnits().HasHeadquarters(player);
}

float THQScenario::Score(int32_t player, const TWorld& world, int32_t /*turn*/) const {
  return world.GetScore(player);
}

bool THQScenario::IsGameOver(const TWorld& world, int32_t turn) const {
  if (turn < kFirstDecisiveTurn) return false;
  if (turn > GetTurnLimit()) return true;
  if (!PlayerCanFight(world, 0) || !PlayerCanFight(world, 1)) return true;
  return !HasHeadquarters(world, 0) || !HasHeadquarters(world, 1);
}

int32_t THQScenario::Winner(const TWorld& world) const {
  const bool hq0 = HasHeadquarters(world, 0);
  const bool hq1 = HasHeadquarters(world, 1);
  if (hq0 != hq1) return hq0 ? 0 : 1;
  if (!hq0) return -1;
  const bool canFight0 = PlayerCanFight(world, 0);
  const bool canFight1 = PlayerCanFight(world, 1);
  if (canFight0 && !canFight1) return 0;
  if (canFight1 && !canFight0) return 1;
  return -1;
}

int32_t THQScenario::EndReason(const TWorld& world, int32_t player, int32_t turn) const {
  if (!IsDuelPlayer(player) || !IsGameOver(world, turn)) return 0;
  const int32_t other = 1 - player;
  const int32_t winner = Winner(world);
  const bool hq = HasHeadquarters(world, player);
  const bool otherHq = HasHeadquarters(world, other);
  if (winner == player) return hq && !otherHq ? 10 : 2;
  if (winner == -1) {
    if (!hq && !otherHq) return 12;
    if (!PlayerCanFight(world, player) && !PlayerCanFight(world, other)) return 5;
    return 11;
  }
  return hq ? 9 : 13;
}

bool THQScenario::CanBuyUnit(int32_t unitTypeIndex, const std::string& race, const TGameData& gameData) const {
  const TUnitType* type = gameData.GetUnitType(unitTypeIndex);
  if (type != nullptr && hqCount_ == 0 && !type->IsHeadquartersType()) {
    // Without a headquarters the army must keep enough points to buy one.
    const float reserve = type->IsSpawnRace() ? kSpawnHeadquartersReserve : kHeadquartersReserve;
    if (static_cast<float>(CostOf(*type)) + reserve > static_cast<float>(GetDeployForcePoints())) return false;
  }
  return TScenario::CanBuyUnit(unitTypeIndex, race, gameData);
}

void THQScenario::UnitBought(const TUnitType& unitType, bool bought) {
  TScenario::UnitBought(unitType, bought);
  if (unitType.IsHeadquartersType()) hqCount_ += bought ? 1 : -1;
}

std::string THQScenario::ObjectiveText(const std::string& race) const {
  if (race == "spwn") return "@342";
  if (race == "grey") return "@343";
  return "@341";
}
