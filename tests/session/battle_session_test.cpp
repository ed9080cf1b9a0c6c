#include "session/battle_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "app/data_stream.h"
#include "app/game_data.h"
#include "app/version_info.h"
#include "server_game.h"
#include "session/game.h"
#include "session/game_record.h"
#include "session/orders_file.h"
#include "session/server_battle.h"
#include "sim/clock.h"
#include "sim/event_list.h"
#include "sim/turn_simulator.h"
#include "support/game_folder_test.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/order.h"
#include "units/order_list.h"
#include "units/unit_type.h"
#include "world/game_data.h"
#include "world/world.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kBattle = "infantry";

// What a player knows of one of its own units: kind, place and health.
using TUnitView = std::tuple<std::string, int32_t, int32_t, int32_t, int32_t>;

std::vector<TUnitView> OwnUnits(const TWorld& world, int32_t player) {
  std::vector<TUnitView> units;
  const TCombatantList& list = world.GetUnits();
  for (int32_t i = 0; i < list.Count(); ++i) {
    const Combatant* unit = list.UnitAt(i);
    if (unit == nullptr || unit->GetOwner() != player || unit->IsDestroyed()) continue;
    const TVector3& at = unit->Position();
    units.emplace_back(unit->GetType().GetName(), static_cast<int32_t>(std::lround(at.x * 100)),
                       static_cast<int32_t>(std::lround(at.y * 100)), static_cast<int32_t>(std::lround(at.z * 100)),
                       static_cast<int32_t>(std::lround(unit->GetEndurance() * 100)));
  }
  std::sort(units.begin(), units.end());
  return units;
}

Combatant* UnitOf(const TWorld& world, int32_t player, const std::string& type) {
  const TCombatantList& list = world.GetUnits();
  for (int32_t i = 0; i < list.Count(); ++i) {
    Combatant* unit = list.UnitAt(i);
    if (unit != nullptr && unit->GetOwner() == player && unit->GetType().GetName() == type) return unit;
  }
  return nullptr;
}

std::vector<std::string> OrderNames(const TOrderList& orders, int32_t unitId) {
  std::vector<std::string> names;
  for (const TOrder* order : orders.CollectOrders()) {
    if (order->GetUnitId() == unitId) names.emplace_back(order->Name());
  }
  return names;
}

class BattleSessionTest : public GameFolderTest {
 protected:
  static std::string Results(int32_t player, int32_t turn) {
    return server_game::FileOf(kBattle, "results" + std::to_string(player + 1), turn);
  }

  // Computes turn `turn` from the orders both sessions saved.
  static void ComputeTurn(const TBattleSession& first, const TBattleSession& second, int32_t turn) {
    fs::create_directories(server_game::Folder(turn));
    TServerBattle server;
    server.SetRefuseDroppedOrders(true);
    ASSERT_TRUE(server.ProcessFile({server_game::FileOf(kBattle, "gamestate", turn - 1), first.OrdersFileName(),
                                    second.OrdersFileName(), server_game::Folder(turn)}))
        << server.GetError();
  }

  // The server's world at the start of the turn after `turn`.
  static void ExpectSameOwnUnits(const TBattleSession& session, int32_t turn) {
    TServerBattle server;
    ASSERT_TRUE(server.LoadGameState(server_game::FileOf(kBattle, "gamestate", turn))) << server.GetError();
    const int32_t player = session.GetPlayerNumber();
    EXPECT_EQ(OwnUnits(session.GetWorld(), player), OwnUnits(server.GetWorld(), player))
        << "player " << player + 1 << " after turn " << turn;
  }

  // A results file played back to its end and the turn run to its close.
  static void OpenResults(TBattleSession& session, int32_t turn) {
    EXPECT_FALSE(session.LoadTurnFile(Results(session.GetPlayerNumber(), turn)));
    ASSERT_EQ(session.GetFailure(), "");
    EXPECT_EQ(session.GetTurn(), turn);
    while (!session.Tick()) session.GetTurnClock().Advance(TTurnSimulator::kClientStep);
    session.PlayClientTurn();
    EXPECT_TRUE(session.IsTurnCommitted());
  }

  static void Deploy(TBattleSession& session, const std::string& race,
                     const std::vector<std::pair<std::string, TVector3>>& units) {
    session.GetGameRecord().SetRace(race);
    for (const auto& [type, at] : units) ASSERT_TRUE(session.GiveDeployOrder(type, at)) << type;
  }

  // A new game whose first turn both sessions open, deploy, send and see
  // computed: both stand in the orders phase of turn 2.
  static void PlayFirstTurn(TBattleSession& marines, TBattleSession& greys,
                            const std::vector<std::pair<std::string, TVector3>>& marineUnits,
                            const std::vector<std::pair<std::string, TVector3>>& greyUnits) {
    std::string error;
    ASSERT_TRUE(server_game::NewGame(kBattle, error)) << error;
    ASSERT_TRUE(marines.LoadTurnFile(Results(0, 0))) << marines.GetFailure();
    ASSERT_TRUE(greys.LoadTurnFile(Results(1, 0))) << greys.GetFailure();
    Deploy(marines, "marn", marineUnits);
    Deploy(greys, "grey", greyUnits);
    ASSERT_TRUE(marines.FinishOrders(false));
    ASSERT_TRUE(greys.FinishOrders(false));
    ComputeTurn(marines, greys, 1);
    OpenResults(marines, 1);
    OpenResults(greys, 1);
  }
};

TEST_F(BattleSessionTest, AHeadlessGameThroughTheSessionsMatchesTheServerWorld) {
  std::string error;
  ASSERT_TRUE(server_game::NewGame(kBattle, error)) << error;
  TBattleSession marines(0);
  TBattleSession greys(1);
  ASSERT_TRUE(marines.LoadTurnFile(Results(0, 0))) << marines.GetFailure();
  ASSERT_TRUE(greys.LoadTurnFile(Results(1, 0))) << greys.GetFailure();
  EXPECT_EQ(marines.GetName(), kBattle);
  // The first turn was run and stored: the orders phase of turn 1 is open.
  EXPECT_EQ(marines.GetTurnClock().GetTurn(), 1);
  EXPECT_EQ(marines.GetSimulator().GetMode(), TTurnSimulator::kSimulate);
  EXPECT_TRUE(fs::exists("Games/infantry/gamestate1_Ginfantry_T1.dvx"));
  EXPECT_TRUE(fs::exists("Games/infantry/gamestate2_Ginfantry_T1.dvx"));
  EXPECT_TRUE(fs::exists("Games/infantry/events1_Ginfantry"));

  Deploy(marines, "marn", {{"Grunt", {4, 17, 0}}, {"Grunt", {8, 17, 0}}, {"Grenadier", {6, 18, 0}}});
  Deploy(greys, "grey", {{"Psyker", {4, 31, 0}}, {"Warp Gunner", {8, 31, 0}}, {"Scanner", {6, 31, 0}}});
  // A deployed unit stands on the map at once.
  EXPECT_NE(UnitOf(marines.GetWorld(), 0, "Grenadier"), nullptr);
  ASSERT_TRUE(marines.FinishOrders(false));
  ASSERT_TRUE(greys.FinishOrders(false));
  EXPECT_EQ(marines.OrdersFileName(), "Games\\infantry\\Orders\\orders1_Ginfantry_T1.dvx");
  EXPECT_TRUE(fs::exists("Games/infantry/Orders/orders2_Ginfantry_T1.dvx"));
  ComputeTurn(marines, greys, 1);
  OpenResults(marines, 1);
  OpenResults(greys, 1);
  ExpectSameOwnUnits(marines, 1);
  ExpectSameOwnUnits(greys, 1);
  ASSERT_EQ(OwnUnits(marines.GetWorld(), 0).size(), 3u);

  for (int32_t turn = 2; turn <= 3; ++turn) {
    // Marines walk, shoot at the first enemy they see and shell the greys'
    // line; greys raise a shield, warp-shoot and strike psychically.
    Combatant* grunt = UnitOf(marines.GetWorld(), 0, "Grunt");
    ASSERT_NE(grunt, nullptr);
    ASSERT_TRUE(marines.SelectById(grunt->GetId()));
    ASSERT_TRUE(marines.GiveMovementOrder({4, turn == 2 ? 21.0f : 24.0f, 0}));
    Combatant* grenadier = UnitOf(marines.GetWorld(), 0, "Grenadier");
    ASSERT_TRUE(marines.SelectById(grenadier->GetId()));
    ASSERT_TRUE(marines.GiveAttackPositionOrder({6, 31, 0}));
    const Combatant* seenByGreys = UnitOf(greys.GetWorld(), 0, "Grunt");
    const TVector3 target = seenByGreys != nullptr ? seenByGreys->Position() : TVector3(4, 17, 0);
    ASSERT_TRUE(greys.SelectById(UnitOf(greys.GetWorld(), 1, "Scanner")->GetId()));
    ASSERT_TRUE(greys.GiveToggleShieldOrder(turn == 2));
    ASSERT_TRUE(greys.SelectById(UnitOf(greys.GetWorld(), 1, "Warp Gunner")->GetId()));
    ASSERT_TRUE(turn == 2 ? greys.GiveWarpAttackOrder(target) : greys.GiveMovementOrder({10, 28, 0}));
    ASSERT_TRUE(greys.SelectById(UnitOf(greys.GetWorld(), 1, "Psyker")->GetId()));
    ASSERT_TRUE(turn == 2 ? greys.GivePsychicAttackOrder(target) : greys.GivePsychicOrder(target));
    ASSERT_TRUE(marines.FinishOrders(false));
    ASSERT_TRUE(greys.FinishOrders(false));
    ComputeTurn(marines, greys, turn);
    OpenResults(marines, turn);
    OpenResults(greys, turn);
    ExpectSameOwnUnits(marines, turn);
    ExpectSameOwnUnits(greys, turn);
  }
  // Two players at one machine never share a file of their own.
  EXPECT_TRUE(fs::exists("Games/infantry/gamestate1_Ginfantry_T4.dvx"));
  EXPECT_TRUE(fs::exists("Games/infantry/gamestate2_Ginfantry_T4.dvx"));
}

TEST_F(BattleSessionTest, ResultsOpenedAgainReplayWithoutReadingTheirEventsTwiceAndOlderOnesAreRefused) {
  TBattleSession marines(0);
  TBattleSession greys(1);
  PlayFirstTurn(marines, greys, {{"Grunt", {4, 17, 0}}}, {{"Psyker", {4, 31, 0}}});
  const int32_t turns = marines.GetEventList().GetTurnCount();
  EXPECT_EQ(turns, 2);

  // Opened again before the next turn: the same turn is played back.
  TBattleSession again(0);
  EXPECT_FALSE(again.LoadTurnFile(Results(0, 1)));
  EXPECT_EQ(again.GetFailure(), "");
  EXPECT_EQ(again.GetEventList().GetTurnCount(), turns);
  EXPECT_EQ(again.GetTurnClock().GetTurn(), 1);
  EXPECT_EQ(again.GetSimulator().GetMode(), TTurnSimulator::kPlayback);

  // Once a later turn is stored, an older results file is stale.
  ASSERT_TRUE(marines.FinishOrders(false));
  ASSERT_TRUE(greys.FinishOrders(false));
  ComputeTurn(marines, greys, 2);
  OpenResults(marines, 2);
  TBattleSession stale(0);
  EXPECT_FALSE(stale.LoadTurnFile(Results(0, 1)));
  EXPECT_EQ(stale.GetFailure(), "Already played this turn");
  EXPECT_TRUE(TGame::Instance()->IsQuitting());
  EXPECT_EQ(TGame::Instance()->GetExitStatus(), 1);
}

TEST_F(BattleSessionTest, ReplayTurnClampsToTheTurnsPlayed) {
  std::string error;
  ASSERT_TRUE(server_game::NewGame(kBattle, error)) << error;
  TBattleSession marines(0);
  ASSERT_TRUE(marines.LoadTurnFile(Results(0, 0)));
  // Only turn 0 was played, so every replay ends at turn 0.
  for (const int32_t asked : {-3, 0, 1, 7}) {
    marines.ReplayTurn(asked);
    EXPECT_EQ(marines.GetTurnClock().GetTurn(), 0) << asked;
  }
}

TEST_F(BattleSessionTest, FilesThatAreNoTurnFilesAreRefused) {
  std::string error;
  ASSERT_TRUE(server_game::NewGame(kBattle, error)) << error;
  struct TCase {
    const char* name;
    std::string file;
    std::string failure;
    bool quits;
  };
  // A game file whose game id would leave the games folder.
  {
    TDataStream source;
    ASSERT_TRUE(source.LoadFromFile(Results(0, 0)));
    TGameRecord record;
    ASSERT_TRUE(record.Load(source));
    record.SetGameId("../escape");
    TDataStream forged(kVersionTag);
    ASSERT_TRUE(record.Save(forged));
    forged.WriteInt(0);
    forged.WriteString(TBattleSession::kFirstTurnTag);
    ASSERT_TRUE(forged.SaveToFile("forged.dvx"));
    TDataStream tagged(kVersionTag);
    record.SetGameId("plain");
    ASSERT_TRUE(record.Save(tagged));
    tagged.WriteInt(0);
    tagged.WriteString("Gossip");
    ASSERT_TRUE(tagged.SaveToFile("tagged.dvx"));
  }
  const TCase cases[] = {
      {"missing", "nothing_here.dvx", "Unable to open file nothing_here.dvx", true},
      {"path in the game id", "forged.dvx", "The turn file names no valid game.", false},
      {"unknown tag", "tagged.dvx", "tagged.dvx is not a game file", false},
  };
  for (const TCase& c : cases) {
    TGame::DestroyInstance();
    TBattleSession session(0);
    EXPECT_FALSE(session.LoadTurnFile(c.file)) << c.name;
    EXPECT_EQ(session.GetFailure(), c.failure) << c.name;
    EXPECT_EQ(TGame::Instance()->GetExitStatus() != 0, c.quits) << c.name;
  }
  EXPECT_FALSE(fs::exists("escape"));
}

TEST_F(BattleSessionTest, OrdersAreBuiltByTheUnitsKindAndRefusedWhereTheyDoNotApply) {
  TBattleSession marines(0);
  TBattleSession greys(1);
  PlayFirstTurn(marines, greys, {{"Grunt", {4, 17, 0}}, {"Grunt", {8, 17, 0}}},
                {{"Psyker", {4, 31, 0}}, {"Warp Gunner", {8, 31, 0}}, {"Scanner", {6, 31, 0}}});

  TWorld& world = greys.GetWorld();
  const Combatant* gunner = UnitOf(world, 1, "Warp Gunner");
  const Combatant* psyker = UnitOf(world, 1, "Psyker");
  const Combatant* scanner = UnitOf(world, 1, "Scanner");
  ASSERT_TRUE(gunner && psyker && scanner);

  // Nothing is given without a selection.
  greys.ClearSelection();
  EXPECT_FALSE(greys.GiveHoldOrder());
  EXPECT_FALSE(greys.GiveMovementOrder({5, 30, 0}));
  EXPECT_EQ(greys.SelectedCombatReactionCode(), 0);
  EXPECT_EQ(greys.SelectedObjectTypeIndex(), world.GetGameData().GetUnitTypeCount());
  EXPECT_EQ(greys.SelectedHealthText(), "");

  // An id of nothing leaves the selection as it was.
  ASSERT_TRUE(greys.SelectById(gunner->GetId()));
  EXPECT_FALSE(greys.SelectById(987654));
  EXPECT_EQ(greys.GetCombatantList().GetSelected(), gunner);
  // Another player's unit is not selected.
  const Combatant* grunt = UnitOf(world, 0, "Grunt");
  if (grunt != nullptr) {
    EXPECT_FALSE(greys.SelectById(grunt->GetId()));
    EXPECT_EQ(greys.GetCombatantList().GetSelected(), gunner);
  }

  // Two warp points make one order; a new warp order makes a second.
  EXPECT_TRUE(greys.GiveWarpAttackOrder({4, 20, 0}));
  EXPECT_TRUE(greys.GiveWarpAttackOrder({5, 20, 0}));
  EXPECT_EQ(OrderNames(greys.GetOrderList(), gunner->GetId()), std::vector<std::string>({"WarpAttack"}));
  EXPECT_TRUE(greys.GiveNewWarpAttackOrder({6, 20, 0}));
  EXPECT_EQ(OrderNames(greys.GetOrderList(), gunner->GetId()).size(), 2u);
  // A warp gunner does not chase; a follow on itself does nothing.
  EXPECT_FALSE(greys.GiveChaseOrder(psyker->GetId()));
  EXPECT_FALSE(greys.GiveFollowOrder(gunner->GetId()));
  // Kinds the unit is not.
  EXPECT_FALSE(greys.GiveLayEggOrder());
  EXPECT_FALSE(greys.GiveEatOrder());
  EXPECT_FALSE(greys.GiveCommitSuicideOrder());
  // Scanners keep their combat policy.
  ASSERT_TRUE(greys.SelectById(scanner->GetId()));
  EXPECT_FALSE(greys.GiveCombatRulesOrder("FireAtWill"));
  EXPECT_TRUE(greys.GiveToggleShieldOrder(true));

  // A follow of an enemy becomes a chase by the unit's weapon: marines pursue.
  TWorld& marineWorld = marines.GetWorld();
  const Combatant* ownGrunt = UnitOf(marineWorld, 0, "Grunt");
  ASSERT_TRUE(marines.SelectById(ownGrunt->GetId()));
  const int32_t enemyId = UnitOf(marineWorld, 1, "Psyker") != nullptr ? UnitOf(marineWorld, 1, "Psyker")->GetId() : -1;
  if (enemyId >= 0) {
    EXPECT_TRUE(marines.GiveFollowOrder(enemyId));
    EXPECT_EQ(OrderNames(marines.GetOrderList(), ownGrunt->GetId()).back(), "Pursue");
  }
  // A follow of a friend without a healing rate follows.
  const TCombatantList& units = marineWorld.GetUnits();
  const Combatant* friendGrunt = nullptr;
  for (int32_t i = 0; i < units.Count(); ++i) {
    const Combatant* unit = units.UnitAt(i);
    if (unit != nullptr && unit->GetOwner() == 0 && unit != ownGrunt) friendGrunt = unit;
  }
  ASSERT_NE(friendGrunt, nullptr);
  EXPECT_TRUE(marines.GiveFollowOrder(friendGrunt->GetId()));
  EXPECT_EQ(OrderNames(marines.GetOrderList(), ownGrunt->GetId()).back(), "Follow");
  EXPECT_TRUE(marines.GiveResupplyOrder(friendGrunt->GetId()));
  EXPECT_EQ(OrderNames(marines.GetOrderList(), ownGrunt->GetId()).back(), "Resupply");

  // A second rule of one kind replaces the first.
  EXPECT_TRUE(marines.GiveCombatRulesOrder("HoldFire"));
  EXPECT_TRUE(marines.GiveSightingRulesOrder("halt"));
  EXPECT_TRUE(marines.GiveCombatRulesOrder("FireAtWill"));
  EXPECT_FALSE(marines.GiveCombatRulesOrder("Dance"));
  const std::vector<std::string> names = OrderNames(marines.GetOrderList(), ownGrunt->GetId());
  EXPECT_EQ(std::count(names.begin(), names.end(), "Rules"), 2);

  // The tutorial's filter refuses a vetted order that is not the expected one.
  marines.SetOrderFilter({"", "", "AttackPosition"});
  const std::size_t before = OrderNames(marines.GetOrderList(), ownGrunt->GetId()).size();
  EXPECT_FALSE(marines.GiveMovementOrder({4, 20, 0}));
  EXPECT_EQ(OrderNames(marines.GetOrderList(), ownGrunt->GetId()).size(), before);
  marines.ClearOrderFilter();
  EXPECT_TRUE(marines.GiveMovementOrder({4, 20, 0}));

  // Status of the selected unit.
  EXPECT_EQ(marines.SelectedHealthText(),
            CeilToText(ownGrunt->GetEndurance()) + "/" + CeilToText(ownGrunt->GetType().GetEndurance()));
  EXPECT_EQ(marines.SelectedTypeText(), ownGrunt->GetType().GetDisplayName());
  EXPECT_EQ(marines.SelectedObjectTypeIndex(), marineWorld.GetGameData().UnitTypeIndex("Grunt"));
}

TEST(CeilToTextTest, RoundsUpBeyondATenThousandth) {
  const std::pair<float, const char*> cases[] = {{2.00005f, "2"}, {2.3f, "3"}, {2.0f, "2"}, {0.0f, "0"}, {99.9f, "100"}};
  for (const auto& [value, text] : cases) EXPECT_EQ(CeilToText(value), text) << value;
}

TEST(GameFolderNameTest, OnlyShortPlainNamesNameAFolder) {
  const std::pair<std::string, bool> cases[] = {
      {"00000001", true}, {"game_12-b", true}, {"", false}, {"../up", false}, {"a/b", false},
      {"a\\b", false}, {std::string(33, 'a'), false}, {std::string(32, 'a'), true}, {"\xff", false}};
  for (const auto& [name, valid] : cases) EXPECT_EQ(IsGameFolderName(name), valid) << name;
}

}  // namespace
