// A scripted local game on the Foundry map: marines (side 0) against greys
// (side 1), set up, deployed and ordered through the hot-seat driver.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "app/game_data.h"
#include "app/string_table.h"
#include "app/version_info.h"
#include "session/game.h"
#include "session/hot_seat_mode.h"
#include "session/server_battle.h"
#include "session/sides.h"
#include "support/hot_seat_driver.h"
#include "support/game_folder_test.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/unit_type.h"
#include "world/world.h"

namespace hot_seat_game {

namespace fs = std::filesystem;

constexpr const char* kFolder = "Games/00000001/";
// The set-up the players confirm: the Foundry map, 30 force points, at most
// 8 per unit.
constexpr int32_t kForcePoints = 30;
constexpr int32_t kMaxPerUnit = 8;

inline std::string FileOf(const std::string& kind, int32_t turn) {
  return kind + "_G00000001_T" + std::to_string(turn) + ".dvx";
}

// What a side knows of a unit: owner, kind, place and health (in hundredths).
using TUnitView = std::tuple<int32_t, std::string, int32_t, int32_t, int32_t, int32_t>;

inline int32_t Hundredths(float value) { return static_cast<int32_t>(std::lround(value * 100.0f)); }

// The living units of the world; with `side` only those the side owns or
// sees.
inline std::vector<TUnitView> Units(const TWorld& world, int32_t side = -1) {
  std::vector<TUnitView> units;
  const TCombatantList& list = world.GetUnits();
  for (int32_t i = 0; i < list.Count(); ++i) {
    const Combatant* unit = list.UnitAt(i);
    if (unit == nullptr || unit->IsDestroyed()) continue;
    if (side >= 0 && unit->GetOwner() != side && !unit->TestFlag(side)) continue;
    const TVector3& at = unit->Position();
    units.emplace_back(unit->GetOwner(), unit->GetType().GetName(), Hundredths(at.x), Hundredths(at.y),
                       Hundredths(at.z), Hundredths(unit->GetEndurance()));
  }
  std::sort(units.begin(), units.end());
  return units;
}

// The side's session holds what the computing world shows that side: each
// unit the side owns or sees, in the same place with the same health, and
// no unit the computation killed.
inline void ExpectSeesWhatWasComputed(const TBattleSession& session, const TServerBattle& server, int32_t turn) {
  const int32_t side = session.GetPlayerNumber();
  EXPECT_EQ(Units(session.GetWorld()), Units(server.GetWorld(), side)) << "side " << side + 1 << " after turn " << turn;
}

// The orders of the script for the seated side.
inline void GiveOrders(THotSeatDriver& driver, int32_t turn) {
  TBattleSession& session = driver.Session();
  if (driver.Side() == 0) {
    if (turn == 1) {
      ASSERT_TRUE(driver.Deploy("marn", {{"Grunt", {4, 17, 0}}, {"Grunt", {8, 17, 0}}, {"Grenadier", {6, 18, 0}}}));
      return;
    }
    // One grunt walks up, the other takes two legs; the grenadier shells
    // the greys' line.
    ASSERT_TRUE(driver.SelectOwnUnit("Grunt", 0));
    ASSERT_TRUE(session.GiveMovementOrder({4, turn == 2 ? 21.0f : 24.0f, 0}));
    if (driver.SelectOwnUnit("Grunt", 1)) {
      ASSERT_TRUE(session.GiveMovementOrder({8, 19.0f + static_cast<float>(turn), 0}));
      ASSERT_TRUE(session.GiveMovementOrder({10, 20.0f + static_cast<float>(turn), 0}));
    }
    if (driver.SelectOwnUnit("Grenadier")) {
      ASSERT_TRUE(session.GiveAttackPositionOrder({6, 31, 0}));
    }
    return;
  }
  if (turn == 1) {
    ASSERT_TRUE(driver.Deploy("grey", {{"Psyker", {4, 31, 0}}, {"Warp Gunner", {8, 31, 0}}, {"Scanner", {6, 31, 0}}}));
    return;
  }
  // The greys raise a shield, then warp-shoot and strike psychically at the
  // first grunt they see.
  TVector3 target(4, 17, 0);
  const TCombatantList& units = session.GetWorld().GetUnits();
  for (int32_t i = 0; i < units.Count(); ++i) {
    const Combatant* unit = units.UnitAt(i);
    if (unit != nullptr && unit->GetOwner() == 0 && !unit->IsDestroyed()) {
      target = unit->Position();
      break;
    }
  }
  if (driver.SelectOwnUnit("Scanner")) {
    ASSERT_TRUE(session.GiveToggleShieldOrder(turn == 2));
  }
  if (driver.SelectOwnUnit("Warp Gunner")) {
    ASSERT_TRUE(turn % 2 == 0 ? session.GiveWarpAttackOrder(target) : session.GiveMovementOrder({10, 28, 0}));
  }
  if (driver.SelectOwnUnit("Psyker")) {
    ASSERT_TRUE(turn % 2 == 0 ? session.GivePsychicAttackOrder(target) : session.GivePsychicOrder(target));
  }
}

// The data set copied into the test's folder and a fresh game object in
// the hot-seat mode.
class HotSeatFixture : public GameFolderTest {
 protected:
  void SetUp() override {
    GameFolderTest::SetUp();
    TSides::Free();
    GetStringTable()->SetLanguage("ENG");
  }
  void TearDown() override {
    GameFolderTest::TearDown();
    DestroyStringTable();
    TSides::Free();
  }

  static THotSeatMode& EnterHotSeat() {
    TGame* game = TGame::Instance();
    EXPECT_TRUE(game->SetMode(1));
    auto* mode = dynamic_cast<THotSeatMode*>(game->GetCurrentMode());
    if (mode == nullptr) std::abort();
    return *mode;
  }

  // One turn of the script: each side plays back what it received, the
  // observer looks at it, then it gives and sends its orders.
  template <typename Observe>
  static void PlayTurn(THotSeatMode& mode, THotSeatDriver& driver, int32_t turn, Observe observe) {
    for (int32_t side = 0; side < 2; ++side) {
      ASSERT_EQ(driver.Side(), side) << "turn " << turn;
      ASSERT_TRUE(driver.PlayUntilOrders()) << "side " << side + 1 << " turn " << turn;
      observe(driver.Session());
      GiveOrders(driver, turn);
      ASSERT_TRUE(driver.SendOrders()) << driver.Session().GetFailure();
    }
    ASSERT_EQ(mode.GetFailure(), "") << "turn " << turn;
  }
};

}  // namespace hot_seat_game
