// The two victory rule sets a scenario can have. "WipeOut" ends the game when
// a side can no longer fight; "HQ" also ends it when a side has lost its
// headquarters. Both end it after the turn limit. The server writes their
// answers into the status text after every turn, and the action resolver
// records their scores every tick.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "sim/scenario.h"

class TWipeOutScenario : public TScenario {
 public:
  static constexpr std::string_view kTypeName = "WipeOut";
  static std::string_view StaticTypeName() { return kTypeName; }

  TWipeOutScenario() = default;

  float Score(int32_t player, const TWorld& world, int32_t turn) const override;
  bool IsGameOver(const TWorld& world, int32_t turn) const override;
  int32_t Winner(const TWorld& world) const override;
  std::string_view TypeName() const override { return kTypeName; }
  int32_t EndReason(const TWorld& world, int32_t player, int32_t turn) const override;
};

class THQScenario : public TScenario {
 public:
  static constexpr std::string_view kTypeName = "HQ";
  static std::string_view StaticTypeName() { return kTypeName; }
  // The force points an army without a headquarters keeps for one: a spawn
  // queen costs more than any other race's headquarters.
  static constexpr float kSpawnHeadquartersReserve = 4.0f;
  static constexpr float kHeadquartersReserve = 1.0f;

  THQScenario() = default;

  float Score(int32_t player, const TWorld& world, int32_t turn) const override;
  bool IsGameOver(const TWorld& world, int32_t turn) const override;
  int32_t Winner(const TWorld& world) const override;
  std::string_view TypeName() const override { return kTypeName; }
  int32_t EndReason(const TWorld& world, int32_t player, int32_t turn) const override;

  bool CanBuyUnit(int32_t unitTypeIndex, const std::string& race, const TGameData& gameData) const override;
  void UnitBought(const TUnitType& unitType, bool bought) override;
  std::string ObjectiveText(const std::string& race) const override;

  // Whether the player owns an ammunition dump or a unit of a headquarters
  // kind.
  static bool HasHeadquarters(const TWorld& world, int32_t player);

  int32_t GetHQCount() const { return hqCount_; }

 private:
  int32_t hqCount_ = 0;
};

