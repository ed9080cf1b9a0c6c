#include "session/server_battle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/game_data.h"
#include "app/version_info.h"
#include "server_game.h"
#include "session/game_record.h"
#include "session/id_mapper.h"
#include "session/orders_file.h"
#include "session/server_mode.h"
#include "session/turn_file_reader.h"
#include "session/turn_files.h"
#include "sim/event.h"
#include "sim/event_list.h"
#include "sim/turn_simulator.h"
#include "sim/unit_events.h"
#include "sim/world_events.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/deploy_orders.h"
#include "units/order_list.h"
#include "units/weapon.h"
#include "world/bounding_box.h"
#include "sim/clock.h"
#include "sim/corpse.h"
#include "units/unit_type.h"
#include "world/deploy_tile.h"
#include "world/map.h"
#include "world/world.h"

namespace {

namespace fs = std::filesystem;

class ServerBattleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(DVX_DATA_DIR, folder_.Path(), fs::copy_options::recursive);
    DestroyGameDataConfig();
    DestroyVersionInfo();
    fs::create_directories("out");
  }
  void TearDown() override {
    DestroyGameDataConfig();
    DestroyVersionInfo();
  }

  // A set-up of Foundry with the force points of both players.
  static void WriteSetup(const std::string& name, int32_t forcePoints) {
    std::ofstream(name) << "# test\n[GameStart]\nscenario = WipeOut\nmap = Foundry\nplayer1 = A\nplayer2 = B\n"
                        << "forcePoints1 = " << forcePoints << "\nforcePoints2 = " << forcePoints
                        << "\nmaxFPPerUnit1 = 10\nmaxFPPerUnit2 = 10\nturnLimit = 25\n";
  }

  static std::vector<const TRevealMapEvent*> Reveals(const TServerBattle& battle) {
    std::vector<const TRevealMapEvent*> reveals;
    const TEventList& events = battle.GetSimulator().GetEvents();
    for (int32_t i = 0; i < events.GetEventCount(); ++i) {
      if (events.GetEvent(i)->TypeName() == TRevealMapEvent::kTypeName) {
        reveals.push_back(static_cast<const TRevealMapEvent*>(events.GetEvent(i)));
      }
    }
    return reveals;
  }

  // The orders file with its game record changed, saved under `output`.
  static bool ForgeRecord(const std::string& input, const std::string& output,
                          const std::function<void(TGameRecord&)>& change) {
    TDataStream orders;
    if (!orders.LoadFromFile(input)) return false;
    const std::string request = orders.ReadString();
    TGameRecord record;
    if (!record.Load(orders)) return false;
    TDataStream forged(orders.GetVersionTag());
    forged.WriteString(request);
    change(record);
    if (!record.Save(forged)) return false;
    forged.WriteBytes(orders.Body().data() + orders.GetPosition(), orders.Remaining());
    return forged.SaveToFile(output);
  }

  // A new game, then turn 1 with the player's orders file changed.
  static void FirstTurnWithForgedRecord(int32_t player, const std::function<void(TGameRecord&)>& change) {
    std::string error;
    ASSERT_TRUE(server_game::NewGame("infantry", error)) << error;
    ASSERT_TRUE(server_game::WriteOrders("infantry", 1, error)) << error;
    const std::string orders = server_game::OrdersFile(player, 1);
    ASSERT_TRUE(ForgeRecord(orders, orders, change));
    fs::create_directories("T1");
    TServerBattle battle;
    ASSERT_TRUE(battle.ProcessFile({server_game::FileOf("infantry", "gamestate", 0), server_game::OrdersFile(0, 1),
                                    server_game::OrdersFile(1, 1), "T1"}))
        << battle.GetError();
  }

  // The turn computed from player 1's orders given here and player 2's
  // scripted ones.
  static void PlayWithOrdersOfPlayerOne(TServerBattle& battle, int32_t turn, const TGameRecord& record,
                                        const TOrderList& orders) {
    ASSERT_TRUE(SaveOrdersFile("given.dvx", record, orders, turn));
    fs::create_directories(server_game::Folder(turn));
    ASSERT_TRUE(battle.ProcessFile({server_game::FileOf("infantry", "gamestate", turn - 1), "given.dvx",
                                    server_game::OrdersFile(1, turn), server_game::Folder(turn)}))
        << battle.GetError();
  }

  TTempFolder folder_;
};

TEST_F(ServerBattleTest, ANewGameWritesFourFilesNamedAfterTheSetUp) {
  WriteSetup("start_abc.cfg", 30);
  TServerBattle battle;
  ASSERT_TRUE(battle.ProcessFile({"start_abc.cfg", "out"})) << battle.GetError();
  for (const char* kind : {"results1", "results2", "gamestate", "status"}) {
    EXPECT_TRUE(fs::exists(std::string("out/") + kind + "_Gabc_T0.dvx")) << kind;
  }
  EXPECT_EQ(folder_.Read("out/status_Gabc_T0.dvx"),
            "gameover = f\nwinner = d\ndataVersion = 1.0\nscore1 = 0\nscore2 = 0\nreason1 = 0\nreason2 = 0\n");
  // Nothing but the four files: no temporary name is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator("out"), fs::directory_iterator()), 4);
  EXPECT_EQ(battle.GetSimulator().GetClock().GetTurn(), 1);
  // The squares come from the recorded event alone: one per point, once.
  const int32_t squares = battle.GetSimulator().GetWorld().GetDeployTiles().Count();
  EXPECT_EQ(squares, 12 * 2 + 12 * 1);

  WriteSetup("start_x", 30);
  TServerBattle second;
  ASSERT_TRUE(second.ProcessFile({"start_x", "out"})) << second.GetError();
  EXPECT_TRUE(fs::exists("out/gamestate_Gx_T0.dvx"));
}

TEST_F(ServerBattleTest, EveryShippedSetUpCreatesAGame) {
  for (const auto& entry : fs::directory_iterator("Scenarios")) {
    SCOPED_TRACE(entry.path().filename().string());
    fs::remove_all("out");
    fs::create_directories("out");
    fs::copy_file(entry.path(), "start_shipped.cfg", fs::copy_options::overwrite_existing);
    TServerBattle battle;
    ASSERT_TRUE(battle.ProcessFile({"start_shipped.cfg", "out"})) << battle.GetError();
    EXPECT_EQ(std::distance(fs::directory_iterator("out"), fs::directory_iterator()), 4);
    EXPECT_GT(battle.GetSimulator().GetWorld().GetDeployTiles().Count(), 0);
  }
}

TEST_F(ServerBattleTest, RevealModesDecideWhatEachSideSeesAtTheStart) {
  WriteSetup("start_r.cfg", 30);
  TServerBattle all;
  ASSERT_TRUE(all.ProcessFile({"start_r.cfg", "out"})) << all.GetError();
  const int32_t tiles = all.GetSimulator().GetWorld().GetMap().Count();
  ASSERT_EQ(Reveals(all).size(), 2u);
  for (const TRevealMapEvent* reveal : Reveals(all)) EXPECT_EQ(static_cast<int32_t>(reveal->GetIds().size()), tiles);

  fs::remove_all("out");
  fs::create_directories("out");
  TServerBattle limited;
  limited.SetRevealMode(TServerBattle::kRevealSecondSide);
  ASSERT_TRUE(limited.ProcessFile({"start_r.cfg", "out"})) << limited.GetError();
  const auto reveals = Reveals(limited);
  ASSERT_EQ(reveals.size(), 2u);
  // Side 0 sees what lies within 1.0 of its area (2,17)-(13,18); side 1 all.
  const TBoundingBox area(TVector3(2, 17, 0), TVector3(13, 18, 0));
  int32_t near = 0;
  const TMap& map = limited.GetSimulator().GetWorld().GetMap();
  for (int32_t i = 0; i < map.Count(); ++i) near += area.ContainsWithRadius(map.At(i)->Position(), 1.0f) ? 1 : 0;
  EXPECT_EQ(static_cast<int32_t>(reveals[0]->GetIds().size()), near);
  EXPECT_LT(near, tiles);
  for (const TVector3& position : reveals[0]->GetPositions()) EXPECT_TRUE(area.ContainsWithRadius(position, 1.0f));
  EXPECT_EQ(static_cast<int32_t>(reveals[1]->GetIds().size()), tiles);
}

TEST_F(ServerBattleTest, CheckDeploymentKeepsWhatThePlayerMayAfford) {
  struct Case {
    const char* what;
    std::vector<std::string> types;
    std::vector<bool> kept;
  };
  // Costs: Marine HQ 8, Grenadier 6, Grunt 4; force points 20 (below 20.01).
  const Case cases[] = {
      {"8 + 8 + 6 passes the points", {"Marine HQ", "Marine HQ", "Grenadier"}, {true, true, false}},
      {"6 + 6 + 8 meets them exactly", {"Grenadier", "Grenadier", "Marine HQ"}, {true, true, true}},
      {"a dropped order does not count", {"Marine HQ", "Marine HQ", "Grenadier", "Grunt"}, {true, true, false, true}},
      {"another race", {"Psyker", "Grunt"}, {false, true}},
      {"an unknown type", {"Dragon", "Grunt"}, {false, true}},
      {"corpses are free", {"Marine HQ", "Marine HQ", "GruntCorpse", "Grunt"}, {true, true, true, true}},
  };
  WriteSetup("start_d.cfg", 20);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TServerBattle battle;
    ASSERT_TRUE(battle.ProcessFile({"start_d.cfg", "out"})) << battle.GetError();
    battle.GetRecords()[0]->SetRace("marn");
    TOrderVector& orders = battle.GetStagedOrders();
    for (const std::string& type : c.types) {
      orders.push_back(std::make_unique<TDeployOrder>(type, 0, battle.GetSimulator().GetResolver(), TVector3(3, 17, 0)));
    }
    battle.CheckDeployment(0);
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < c.types.size(); ++i) {
      if (c.kept[i]) expected.push_back(c.types[i]);
    }
    std::vector<std::string> kept;
    for (const auto& order : orders) kept.push_back(static_cast<const TDeployOrder&>(*order).GetTypeName());
    EXPECT_EQ(kept, expected);
    EXPECT_EQ(battle.GetDroppedOrders().size(), c.types.size() - expected.size());
  }
}

TEST_F(ServerBattleTest, ATurnTakes304StepsAndShowsItsProgressEverySixth) {
  server_game::PlayGame("infantry", 1);
  if (HasFatalFailure()) return;
  TServerBattle battle;
  ASSERT_TRUE(battle.LoadGameState(server_game::FileOf("infantry", "gamestate", 1)));
  battle.Simulate();
  EXPECT_EQ(battle.GetStepCount(), 304);
  const std::vector<float>& shown = battle.GetShownProgress();
  ASSERT_EQ(shown.size(), 51u);  // steps 1, 6, 12, ..., 300
  EXPECT_NEAR(shown.front(), 0.3333f, 1e-4f);
  EXPECT_NEAR(shown.back(), 99.99f, 0.01f);
  EXPECT_EQ(battle.GetSimulator().GetClock().GetTurn(), 3);
}

TEST_F(ServerBattleTest, ScoresOfAnOrdersFileAreNeverTaken) {
  // Player 1 claims a score in its orders file.
  FirstTurnWithForgedRecord(0, [](TGameRecord& record) { record.SetSideValue(1000.0f, 0); });
  if (HasFatalFailure()) return;
  TDataStream results;
  ASSERT_TRUE(results.LoadFromFile(server_game::FileOf("infantry", "results1", 1)));
  TGameRecord sent;
  ASSERT_TRUE(sent.Load(results));
  EXPECT_FLOAT_EQ(sent.GetScore(0), 0.0f);
}

TEST_F(ServerBattleTest, AResultsFileIsWrittenInTheVersionItsPlayerSent) {
  FirstTurnWithForgedRecord(1, [](TGameRecord& record) { record.SetVersionText("Vorhelm-2-1"); });
  if (HasFatalFailure()) return;
  TDataStream results;
  ASSERT_TRUE(results.LoadFromFile(server_game::FileOf("infantry", "results2", 1)));
  EXPECT_EQ(results.GetVersionTag(), "Vorhelm-2-1");
  TGameRecord record;
  ASSERT_TRUE(record.Load(results));
  EXPECT_EQ(static_cast<int32_t>(results.ReadInt()), 1);
  EXPECT_EQ(results.ReadString(), "Events");
  EXPECT_NE(folder_.Read(server_game::FileOf("infantry", "status", 1)).find("version2 = Vorhelm-2-1\n"), std::string::npos);
}

TEST_F(ServerBattleTest, AnOrdersFileCarriesItsRequestRecordAndOrders) {
  std::string error;
  ASSERT_TRUE(server_game::NewGame("infantry", error)) << error;
  ASSERT_TRUE(server_game::WriteOrders("infantry", 1, error)) << error;
  TDataStream stream;
  ASSERT_TRUE(stream.LoadFromFile(server_game::OrdersFile(0, 1)));
  std::string request;
  TGameRecord record;
  ASSERT_TRUE(ReadOrdersHead(stream, request, record));
  // The request names the last turn played (0) + 1 and the player (0) + 1.
  EXPECT_NE(request.find("actionReq = orders\n"), std::string::npos);
  EXPECT_NE(request.find("playerNum = 1\n"), std::string::npos);
  EXPECT_NE(request.find("game_id = infantry\n"), std::string::npos);
  EXPECT_NE(request.find("turn = 1\n"), std::string::npos);
  EXPECT_EQ(record.GetRace(), "marn");
  EXPECT_EQ(record.GetVersionText(), kVersionTag);
  EXPECT_EQ(stream.ReadString(), "Deploy");

  EXPECT_EQ(OrdersFileName("Games/123/Orders/", 0, "123", 4), "Games/123/Orders/orders1_G123_T4.dvx");
  // A save that cannot be written is reported.
  TOrderList none;
  EXPECT_FALSE(SaveOrdersFile("no-such-folder/orders1.dvx", record, none, 1));
  record.SetPassword("a\nb");
  EXPECT_FALSE(SaveOrdersFile("orders1.dvx", record, none, 1));
  EXPECT_FALSE(fs::exists("orders1.dvx"));
}

TEST_F(ServerBattleTest, DeploysOutsideThePlayersOwnSquaresAreDropped) {
  std::string error;
  ASSERT_TRUE(server_game::NewGame("infantry", error)) << error;
  ASSERT_TRUE(server_game::WriteOrders("infantry", 1, error)) << error;
  TTurnSimulator client;
  TGameRecord record;
  TTurnFileHead head;
  ASSERT_TRUE(LoadTurnFile(client, record, server_game::FileOf("infantry", "results1", 0), head, error)) << error;
  record.FillFromPlayer();
  record.SetRace("marn");
  TOrderList orders;
  const auto deploy = [&](int32_t player, float x, float y) {
    orders.Add(std::make_unique<TDeployOrder>("Grunt", player, client.GetResolver(), TVector3(x, y, 0)));
  };
  deploy(0, 2, 17);   // kept: player 1's square
  deploy(1, 3, 17);   // for another player
  deploy(0, 4, 31);   // on player 2's square
  deploy(0, 40, 40);  // on no square
  deploy(0, 13, 18);  // kept: the area's far corner
  TServerBattle battle;
  PlayWithOrdersOfPlayerOne(battle, 1, record, orders);
  if (HasFatalFailure()) return;
  const std::vector<std::string>& dropped = battle.GetDroppedOrders();
  ASSERT_EQ(dropped.size(), 3u);
  EXPECT_EQ(dropped[0], "player 1 deploys for another player");
  EXPECT_EQ(dropped[1], "player 1 deploys outside its deployment squares");
  EXPECT_EQ(dropped[2], "player 1 deploys outside its deployment squares");
  EXPECT_NE(battle.StatusText().find("units1 = Grunt;2\n"), std::string::npos) << battle.StatusText();
}

TEST_F(ServerBattleTest, DeploysAfterTheFirstTurnAreDropped) {
  server_game::PlayGame("infantry", 1);
  if (HasFatalFailure()) return;
  std::string error;
  ASSERT_TRUE(server_game::WriteOrders("infantry", 2, error)) << error;
  TTurnSimulator client;
  TGameRecord record;
  TTurnFileHead head;
  for (const std::string& file : server_game::ReceivedFiles("infantry", 0, 2)) {
    ASSERT_TRUE(LoadTurnFile(client, record, file, head, error)) << error;
  }
  record.FillFromPlayer();
  TOrderList orders;
  orders.Add(std::make_unique<TDeployOrder>("Grunt", 0, client.GetResolver(), TVector3(2, 17, 0)));
  TServerBattle battle;
  PlayWithOrdersOfPlayerOne(battle, 2, record, orders);
  if (HasFatalFailure()) return;
  ASSERT_EQ(battle.GetDroppedOrders().size(), 1u);
  EXPECT_EQ(battle.GetDroppedOrders()[0], "player 1 deploys after the first turn");
}

TEST_F(ServerBattleTest, AnOrdersFileInTheOtherPlayersPlaceFailsTheTurn) {
  std::string error;
  ASSERT_TRUE(server_game::NewGame("infantry", error)) << error;
  ASSERT_TRUE(server_game::WriteOrders("infantry", 1, error)) << error;
  fs::create_directories("T1");
  TServerBattle battle;
  EXPECT_FALSE(battle.ProcessFile({server_game::FileOf("infantry", "gamestate", 0), server_game::OrdersFile(1, 1),
                                   server_game::OrdersFile(0, 1), "T1"}));
  EXPECT_NE(battle.GetError().find("from player 2"), std::string::npos) << battle.GetError();
  EXPECT_TRUE(fs::is_empty("T1"));
}

TEST_F(ServerBattleTest, DroppedOrdersPassUnlessTheBattleRefusesThem) {
  std::string error;
  ASSERT_TRUE(server_game::NewGame("infantry", error)) << error;
  ASSERT_TRUE(server_game::WriteOrders("infantry", 1, error)) << error;
  // Player 1's record says grey, its deploys are marines: all are dropped.
  ASSERT_TRUE(ForgeRecord(server_game::OrdersFile(0, 1), "grey.dvx",
                          [](TGameRecord& record) { record.SetRace("grey"); }));

  const std::vector<std::string> names = {server_game::FileOf("infantry", "gamestate", 0), "grey.dvx",
                                          server_game::OrdersFile(1, 1), "T1"};
  fs::create_directories("T1");
  TServerBattle strict;
  strict.SetRefuseDroppedOrders(true);
  EXPECT_FALSE(strict.ProcessFile(names));
  EXPECT_TRUE(fs::is_empty("T1"));
  TServerBattle lenient;
  ASSERT_TRUE(lenient.ProcessFile(names)) << lenient.GetError();
  EXPECT_EQ(lenient.GetDroppedOrders().size(), 3u);
  EXPECT_EQ(lenient.StatusText().find("units1 = \n") != std::string::npos, true) << lenient.StatusText();
}

// How the game stands after the first turn, by what each side deployed: the
// status text's game-over and winner lines, the end reasons, and the game-over
// fields of each player's results record.
TEST_F(ServerBattleTest, TheStatusAndResultsTellHowTheGameStands) {
  struct Case {
    int32_t grunts[2];
    const char* head;
    int32_t winner;
    int32_t reasons[2];
  };
  const Case cases[] = {
      {{1, 1}, "gameover = f\nwinner = d\n", -1, {0, 0}},
      {{0, 0}, "gameover = t\nwinner =  d\n", -1, {4, 4}},
      {{1, 0}, "gameover = t\nwinner = 1\n", 0, {1, 7}},
      {{0, 1}, "gameover = t\nwinner = 2\n", 1, {7, 1}},
  };
  std::string error;
  ASSERT_TRUE(server_game::NewGame("infantry", error)) << error;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.head);
    std::vector<std::string> names = {server_game::FileOf("infantry", "gamestate", 0)};
    for (int32_t player = 0; player < 2; ++player) {
      TTurnSimulator client;
      TGameRecord record;
      TTurnFileHead head;
      ASSERT_TRUE(LoadTurnFile(client, record, server_game::FileOf("infantry", "results" + std::to_string(player + 1), 0),
                               head, error))
          << error;
      record.FillFromPlayer();
      record.SetRace("marn");
      TOrderList orders;
      for (int32_t i = 0; i < c.grunts[player]; ++i) {
        const TVector3 at(2.0f + static_cast<float>(i), player == 0 ? 17.0f : 31.0f, 0.0f);
        orders.Add(std::make_unique<TDeployOrder>("Grunt", player, client.GetResolver(), at));
      }
      names.push_back("orders" + std::to_string(player + 1) + ".dvx");
      ASSERT_TRUE(SaveOrdersFile(names.back(), record, orders, 1));
    }
    fs::remove_all("T1");
    fs::create_directories("T1");
    names.push_back("T1");
    TServerBattle battle;
    battle.SetRefuseDroppedOrders(true);
    ASSERT_TRUE(battle.ProcessFile(names)) << battle.GetError();
    const std::string status = folder_.Read(server_game::FileOf("infantry", "status", 1));
    EXPECT_EQ(status.compare(0, std::string(c.head).size(), c.head), 0) << status;
    for (int32_t player = 0; player < 2; ++player) {
      const std::string reason = "reason" + std::to_string(player + 1) + " = " + std::to_string(c.reasons[player]) + "\n";
      EXPECT_NE(status.find(reason), std::string::npos) << status;
      TDataStream results;
      ASSERT_TRUE(results.LoadFromFile(server_game::FileOf("infantry", "results" + std::to_string(player + 1), 1)));
      TGameRecord record;
      ASSERT_TRUE(record.Load(results));
      EXPECT_EQ(record.IsGameOver(), c.winner != -1 || c.reasons[0] != 0);
      EXPECT_EQ(record.GetWinner(), c.winner);
      EXPECT_EQ(record.GetEndReason(), c.reasons[player]);
    }
  }
}

class ServerScriptTest : public ServerBattleTest, public ::testing::WithParamInterface<const char*> {};

// What each player's program shows after playing back its own files equals
// the server's world, for everything the player sees.
TEST_P(ServerScriptTest, PlayingBackAPlayersFilesShowsTheServersWorld) {
  const std::string battle = GetParam();
  server_game::PlayGame(battle, 3);
  if (HasFatalFailure()) return;
  TServerBattle server;
  ASSERT_TRUE(server.LoadGameState(server_game::FileOf(battle, "gamestate", 3)));
  const TWorld& world = server.GetSimulator().GetWorld();
  for (int32_t player = 0; player < 2; ++player) {
    SCOPED_TRACE(player);
    TTurnSimulator client;
    TGameRecord record;
    TTurnFileHead head;
    std::string error;
    for (const std::string& file : server_game::ReceivedFiles(battle, player, 4)) {
      ASSERT_TRUE(LoadTurnFile(client, record, file, head, error)) << error;
    }
    const TIdMapper& ids = server.GetMappers().GetMapper(player);
    int32_t compared = 0;
    for (int32_t i = 0; i < world.GetUnits().Count(); ++i) {
      const Combatant& unit = *world.GetUnits().UnitAt(i);
      if (unit.GetOwner() != player && !unit.TestFlag(player)) continue;
      int32_t external = -1;
      for (const auto& [key, value] : ids.Entries()) {
        if (value == unit.GetId()) external = key;
      }
      ASSERT_NE(external, -1);
      const TGameObject* shown = client.GetWorld().FindById(external);
      ASSERT_NE(shown, nullptr) << unit.GetType().GetName();
      const Combatant* seen = AsCombatant(shown);
      ASSERT_NE(seen, nullptr);
      EXPECT_TRUE(seen->Position().IsWithin(unit.Position(), 1e-3f)) << unit.GetType().GetName();
      EXPECT_FLOAT_EQ(seen->GetEndurance(), unit.GetEndurance());
      if (unit.GetWeapon() != nullptr && unit.GetOwner() == player) {
        EXPECT_EQ(seen->GetWeapon()->GetAmmunition(), unit.GetWeapon()->GetAmmunition());
      }
      ++compared;
    }
    EXPECT_GT(compared, 0);
    // Every corpse, where the server has it (the infantry battle leaves one).
    if (battle == "infantry") {
      EXPECT_GT(world.GetCorpses().Count(), 0);
    }
    const auto& corpses = client.GetWorld().GetCorpses();
    ASSERT_EQ(corpses.Count(), world.GetCorpses().Count());
    for (int32_t i = 0; i < corpses.Count(); ++i) {
      bool found = false;
      for (int32_t k = 0; k < world.GetCorpses().Count(); ++k) {
        found = found || world.GetCorpses().At(k)->Position().IsWithin(corpses.At(i)->Position(), 1e-3f);
      }
      EXPECT_TRUE(found) << "a corpse the server does not have";
    }
    for (int32_t side = 0; side < 2; ++side) EXPECT_FLOAT_EQ(record.GetScore(side), world.GetScore(side));
  }
}

// Turns 2 and 3 of each scripted battle do what the battle is for: the
// named units fire (each shot takes rounds), walk and switch the shield.
TEST_P(ServerScriptTest, TheScriptedBattleUsesEveryWeaponItNames) {
  const std::string battle = GetParam();
  std::set<std::string> fired;
  std::set<std::string> walked;
  std::set<std::string> shielded;
  // The server's units by id, kept over the turns: a unit may act and die
  // in the same turn.
  std::map<int32_t, std::string> types;
  server_game::PlayGame(battle, 3, [&](int32_t turn, const TServerBattle& server) {
    const TCombatantList& units = server.GetSimulator().GetWorld().GetUnits();
    for (int32_t i = 0; i < units.Count(); ++i) types[units.UnitAt(i)->GetId()] = units.UnitAt(i)->GetType().GetName();
    if (turn < 2) return;
    const TEventList& events = server.GetSimulator().GetEvents();
    for (int32_t i = 0; i < events.GetEventCount(); ++i) {
      const TEvent& event = *events.GetEvent(i);
      const auto* about = dynamic_cast<const TUnitEvent*>(&event);
      if (about == nullptr) continue;
      const auto found = types.find(about->SubjectId());
      ASSERT_NE(found, types.end()) << "an event of a unit the server never had";
      const std::string& type = found->second;
      if (event.TypeName() == TAmmoEvent::kTypeName && static_cast<const TAmmoEvent&>(event).GetRounds() < 0) {
        fired.insert(type);
      } else if (event.TypeName() == TMovementEvent::kTypeName) {
        walked.insert(type);
      } else if (event.TypeName() == TToggleShieldEvent::kTypeName) {
        shielded.insert(type);
      }
    }
  });
  if (HasFatalFailure()) return;
  using Names = std::vector<std::string>;
  const bool infantry = battle == "infantry";
  const Names shooters = infantry ? Names{"Grenadier", "Grunt", "Psyker", "Warp Gunner"} : Names{"Goo Spitter", "Missile Tank"};
  const Names walkers = infantry ? Names{"Grunt", "Warp Gunner"} : Names{"Drone", "Goo Spitter", "Spiker"};
  for (const std::string& type : shooters) EXPECT_EQ(fired.count(type), 1u) << type << " never fired";
  for (const std::string& type : walkers) EXPECT_EQ(walked.count(type), 1u) << type << " never walked";
  if (infantry) {
    EXPECT_EQ(shielded.count("Scanner"), 1u) << "the shield was never switched";
  }
}

INSTANTIATE_TEST_SUITE_P(Battles, ServerScriptTest, ::testing::Values("infantry", "armour"));

TEST(ServerModeTest, TheFileListKeepsGameFilesAndTheLastName) {
  using List = std::vector<std::string>;
  EXPECT_EQ(TServerMode::FileList("a, b.dvx ,c"), (List{"b.dvx", "c"}));
  EXPECT_EQ(TServerMode::FileList("start_g.cfg,out"), (List{"start_g.cfg", "out"}));
  EXPECT_EQ(TServerMode::FileList("g.dvx,o1.dvx,o2.dvx,out"), (List{"g.dvx", "o1.dvx", "o2.dvx", "out"}));
  EXPECT_EQ(TServerMode::FileList("single"), (List{"single"}));
  // Only the first name's own file name decides whether a game is created.
  EXPECT_EQ(TServerMode::FileList("/srv/restart_games/g.dvx,o1.dvx,o2.dvx,/srv/restart_games"),
            (List{"/srv/restart_games/g.dvx", "o1.dvx", "o2.dvx", "/srv/restart_games"}));
  EXPECT_EQ(TServerMode::FileList("games/start_g.cfg,out"), (List{"games/start_g.cfg", "out"}));
  for (const char* name : {"start_g.cfg", "/srv/games/start_g.cfg", "a\\start_g", "gamestate_Gstart_x_T0.dvx"}) {
    EXPECT_TRUE(NamesNewGame(name)) << name;
  }
  for (const char* name : {"/srv/restart_games/gamestate_Gx_T0.dvx", "start_x/g.dvx", "start_a\\b.cfg", ""}) {
    EXPECT_FALSE(NamesNewGame(name)) << name;
  }
}

TEST(TurnFilesTest, NamesAndTagsFromPlayersAreChecked) {
  for (const char* name : {"abc", "00000001", "game-2"}) EXPECT_TRUE(IsPlainName(name)) << name;
  for (const char* name : {"", "..", "a/b", "a\\b", "/abs", "c:x", "a\nb"}) EXPECT_FALSE(IsPlainName(name)) << name;
  for (const char* tag : {"Vorhelm-3-10", "Vorhelm-1-0", "Vorhelm-3-07", "Vorhelm-2-1"}) {
    EXPECT_TRUE(IsAcceptedVersionTag(tag)) << tag;
  }
  for (const char* tag : {"Vorhelm-3-11", "Vorhelm-9-0", "Vorhelm-0-9", "Vorhelm-3", "Vorhelm-3-1x", "vorhelm-3-0",
                          "Vorhelm-3-0\n", "../Vorhelm-3-0", ""}) {
    EXPECT_FALSE(IsAcceptedVersionTag(tag)) << tag;
  }
  EXPECT_EQ(StatusValue("marn\r\nversion1 = x"), "marnversion1 = x");
  EXPECT_EQ(UnitCountText({{"B", 2}, {"A", 1}}), "A;1, B;2");
  EXPECT_EQ(UnitCountText({}), "");
}

TEST(TurnFilesTest, StagedFilesTakeTheirNamesOnlyWhenCommitted) {
  TTempFolder folder;
  {
    TStagedFiles staged;
    std::ofstream(staged.Stage("a.dvx")) << "a";
    EXPECT_FALSE(fs::exists("a.dvx"));
  }
  EXPECT_TRUE(fs::is_empty(folder.Path()));
  TStagedFiles staged;
  std::ofstream(staged.Stage("a.dvx")) << "a";
  std::ofstream(staged.Stage("b.dvx")) << "b";
  ASSERT_TRUE(staged.Commit());
  EXPECT_TRUE(fs::exists("a.dvx"));
  EXPECT_TRUE(fs::exists("b.dvx"));
  EXPECT_FALSE(fs::exists("a.dvx.part"));
}

}  // namespace
