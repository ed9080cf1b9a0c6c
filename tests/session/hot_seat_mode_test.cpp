#include "session/hot_seat_mode.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/text_utils.h"
#include "hot_seat_game.h"
#include "session/battle_session.h"
#include "session/game.h"
#include "session/game_record.h"
#include "session/server_battle.h"
#include "sim/action_resolver.h"
#include "sim/clock.h"
#include "units/sight_resolver.h"

namespace {

namespace fs = std::filesystem;
using hot_seat_game::FileOf;
using hot_seat_game::kFolder;

class HotSeatModeTest : public hot_seat_game::HotSeatFixture {};

// Every file under the folder, as paths relative to it.
std::set<std::string> FilesUnder(const std::string& folder) {
  std::set<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) files.insert(fs::relative(entry.path(), folder).generic_string());
  }
  return files;
}

// The files a local game leaves after `turns` computed turns, with both
// sides standing in the orders phase of the next turn and side 1's orders
// of that turn sent.
std::set<std::string> GameFiles(int32_t turns) {
  std::set<std::string> files;
  for (int32_t turn = 0; turn <= turns; ++turn) {
    for (const char* kind : {"results1", "results2", "gamestate", "status"}) files.insert(FileOf(kind, turn));
  }
  for (const char* digit : {"1", "2"}) {
    files.insert(std::string("events") + digit + "_G00000001");
    for (int32_t turn = 0; turn <= turns + 1; ++turn) {
      files.insert(FileOf(std::string("gamestate") + digit, turn));
      if (turn >= 1) files.insert(FileOf(std::string("events") + digit, turn));
    }
  }
  for (int32_t turn = 1; turn <= turns; ++turn) {
    files.insert("Orders/" + FileOf("orders1", turn));
    files.insert("Orders/" + FileOf("orders2", turn));
  }
  files.insert("Orders/" + FileOf("orders1", turns + 1));
  return files;
}

TEST_F(HotSeatModeTest, AFourTurnGameLeavesTheGameFilesAndEachSideSeesWhatWasComputed) {
  THotSeatMode& mode = EnterHotSeat();
  THotSeatDriver driver(mode);
  ASSERT_TRUE(driver.StartGame("Foundry", hot_seat_game::kForcePoints, hot_seat_game::kMaxPerUnit))
      << mode.GetFailure();
  EXPECT_EQ(mode.GetRequestedScreen(), "Choose Race Screen");
  EXPECT_TRUE(fs::exists("start_00000001.dvx"));
  for (int32_t side = 0; side < 2; ++side) {
    const TGameRecord& record = mode.GetSideSession(side).GetGameRecord();
    EXPECT_EQ(record.GetGameId(), THotSeatMode::kGameId);
    EXPECT_EQ(record.GetPlayerNumber(), side);
    EXPECT_EQ(record.GetPlayerName(), side == 0 ? mode.GetPlayer1Name() : mode.GetPlayer2Name());
  }
  EXPECT_EQ(mode.GetPlayer1Name(), "Player 1");

  constexpr int32_t kTurns = 4;
  for (int32_t turn = 1; turn <= kTurns; ++turn) {
    const auto observe = [&](const TBattleSession& session) {
      if (turn > 1) hot_seat_game::ExpectSeesWhatWasComputed(session, mode.GetServerBattle(), turn - 1);
    };
    PlayTurn(mode, driver, turn, observe);
    if (HasFatalFailure()) return;
    EXPECT_EQ(driver.Side(), 0);
    EXPECT_FALSE(mode.IsOpponentMoving());
    EXPECT_EQ(mode.GetRequestedScreen(), "Splash Screen");
    EXPECT_TRUE(fs::exists(kFolder + FileOf("results2", turn))) << turn;
  }
  // Both sides play the last turn back; side 0 sends the next orders so
  // that side 1 takes the seat.
  ASSERT_TRUE(driver.PlayUntilOrders());
  hot_seat_game::ExpectSeesWhatWasComputed(driver.Session(), mode.GetServerBattle(), kTurns);
  ASSERT_TRUE(driver.SendOrders());
  ASSERT_EQ(driver.Side(), 1);
  ASSERT_TRUE(driver.PlayUntilOrders());
  hot_seat_game::ExpectSeesWhatWasComputed(driver.Session(), mode.GetServerBattle(), kTurns);
  // The turns had something to show: both sides still have units, and a
  // side sees at least one enemy.
  EXPECT_FALSE(hot_seat_game::Units(mode.GetServerBattle().GetWorld(), 0).empty());

  EXPECT_EQ(FilesUnder(kFolder), GameFiles(kTurns));
}

TEST_F(HotSeatModeTest, TheFirstSidesOrdersHandTheSeatOnAndTheSecondSidesComputeTheTurn) {
  THotSeatMode& mode = EnterHotSeat();
  THotSeatDriver driver(mode);
  ASSERT_TRUE(driver.StartGame("Foundry", hot_seat_game::kForcePoints, hot_seat_game::kMaxPerUnit));
  EXPECT_EQ(mode.GetLocalPlayer(), 0);
  EXPECT_FALSE(TGame::Instance()->RunsWhileInactive());

  hot_seat_game::GiveOrders(driver, 1);
  ASSERT_TRUE(driver.SendOrders());
  // Nothing is computed yet: side 1 takes the seat with its own session.
  EXPECT_FALSE(fs::exists(kFolder + FileOf("gamestate", 1)));
  EXPECT_EQ(driver.Side(), 1);
  EXPECT_TRUE(mode.IsOpponentMoving());
  EXPECT_EQ(mode.GetLocalPlayer(), 1);
  EXPECT_EQ(&driver.Session(), &mode.GetSideSession(1));
  EXPECT_EQ(&mode.GetViewSession(), &mode.GetSideSession(1));
  // Frames while side 1 thinks change nothing.
  for (int32_t frame = 0; frame < 5; ++frame) mode.Update();
  EXPECT_EQ(driver.Side(), 1);

  hot_seat_game::GiveOrders(driver, 1);
  ASSERT_TRUE(driver.SendOrders());
  EXPECT_EQ(mode.GetFailure(), "");
  EXPECT_TRUE(fs::exists(kFolder + FileOf("gamestate", 1)));
  EXPECT_EQ(driver.Side(), 0);
  EXPECT_FALSE(mode.IsOpponentMoving());
  EXPECT_FALSE(mode.IsComputing());
  EXPECT_EQ(mode.GetLocalPlayer(), 0);
  // Both sessions are fresh and hold turn 1's results.
  EXPECT_EQ(mode.GetSideSession(0).GetTurn(), 1);
  EXPECT_EQ(mode.GetSideSession(1).GetTurn(), 1);
  EXPECT_FALSE(mode.GetSideSession(1).HaveOrdersBeenSent());
}

TEST_F(HotSeatModeTest, OrdersThatWereNotStoredKeepTheSeat) {
  THotSeatMode& mode = EnterHotSeat();
  THotSeatDriver driver(mode);
  ASSERT_TRUE(driver.StartGame("Foundry", hot_seat_game::kForcePoints, hot_seat_game::kMaxPerUnit));
  hot_seat_game::GiveOrders(driver, 1);
  // The orders folder cannot take the file.
  fs::remove_all(std::string(kFolder) + "Orders");
  folder_.Write(std::string(kFolder) + "Orders", "in the way");
  EXPECT_FALSE(driver.SendOrders());
  EXPECT_EQ(driver.Side(), 0);
  EXPECT_FALSE(mode.IsOpponentMoving());

  fs::remove(std::string(kFolder) + "Orders");
  fs::create_directories(std::string(kFolder) + "Orders");
  ASSERT_TRUE(driver.SendOrders());
  EXPECT_EQ(driver.Side(), 1);
  // Side 1's failed save does not start the exchange either.
  hot_seat_game::GiveOrders(driver, 1);
  fs::remove_all(std::string(kFolder) + "Orders");
  folder_.Write(std::string(kFolder) + "Orders", "in the way");
  EXPECT_FALSE(driver.SendOrders());
  EXPECT_EQ(driver.Side(), 1);
  EXPECT_FALSE(fs::exists(kFolder + FileOf("gamestate", 1)));
}

TEST_F(HotSeatModeTest, ANewGameStartsInAnEmptiedGameFolder) {
  folder_.Write(std::string(kFolder) + FileOf("results1", 7), "an older game");
  folder_.Write(std::string(kFolder) + "Orders/" + FileOf("orders2", 3), "an older game");
  THotSeatMode& mode = EnterHotSeat();
  THotSeatDriver driver(mode);
  ASSERT_TRUE(driver.StartGame("Foundry", hot_seat_game::kForcePoints, hot_seat_game::kMaxPerUnit));
  EXPECT_FALSE(fs::exists(kFolder + FileOf("results1", 7)));
  EXPECT_FALSE(fs::exists(std::string(kFolder) + "Orders/" + FileOf("orders2", 3)));
  EXPECT_TRUE(fs::exists(kFolder + FileOf("results1", 0)));

  // A second game in the same mode starts from turn 0 again.
  hot_seat_game::GiveOrders(driver, 1);
  ASSERT_TRUE(driver.SendOrders());
  ASSERT_TRUE(driver.StartGame("Outpost", hot_seat_game::kForcePoints, hot_seat_game::kMaxPerUnit))
      << mode.GetFailure();
  EXPECT_EQ(driver.Side(), 0);
  EXPECT_FALSE(mode.IsOpponentMoving());
  EXPECT_FALSE(fs::exists(std::string(kFolder) + "Orders/" + FileOf("orders1", 1)));
  EXPECT_TRUE(ContainsText(mode.GetSideSession(1).GetGameRecord().GetMap(), "Outpost"));
}

TEST_F(HotSeatModeTest, AGameFolderThatCannotBeMadeStartsNoGame) {
  folder_.Write("Games/00000001", "a file where the folder belongs");
  THotSeatMode& mode = EnterHotSeat();
  THotSeatDriver driver(mode);
  EXPECT_FALSE(driver.StartGame("Foundry", hot_seat_game::kForcePoints, hot_seat_game::kMaxPerUnit));
  EXPECT_TRUE(ContainsText(mode.GetFailure(), "Couldn't create directory")) << mode.GetFailure();
  EXPECT_FALSE(fs::exists("start_00000001.dvx"));
  EXPECT_EQ(mode.GetSideSession(0).GetName(), "");
  EXPECT_EQ(mode.GetRequestedScreen(), "");
}

TEST_F(HotSeatModeTest, TheMapIsTheRecordsChoiceOrOneOfTheNonTutorialMaps) {
  folder_.Write("Configs/maps.cfg", "# maps\n[foundry]\n[tutorialdocks]\n[outpost]\n[Basic Tutorial]\n");
  folder_.Write("tutorialMaps/Docks.map", "");
  THotSeatMode& mode = EnterHotSeat();
  TGameRecord& record = mode.GetCurrentSession().GetGameRecord();
  struct TCase {
    std::string name;
    std::set<std::string> allowed;
  };
  const std::set<std::string> random = {"Map\\foundry", "Map\\outpost"};
  const TCase cases[] = {
      {"Foundry", {"Map\\Foundry"}},
      {"TutorialDocks", {"tutorialMaps\\TutorialDocks"}},
      {"Outpost", {"Map\\Outpost"}},
      {"tutorialMaps\\Docks", {"tutorialMaps\\Docks"}},
      {"Map/Nowhere", random},
      {"Nowhere", random},
      {"Random", random},
  };
  for (const TCase& c : cases) {
    record.SetMapName(c.name);
    const std::string map = mode.ChooseMap();
    EXPECT_EQ(c.allowed.count(map), 1u) << c.name << " gave " << map;
  }
  EXPECT_EQ(NonTutorialMaps("# x\n[a]\n[TUTORIAL b]\n[c]\n"), std::vector<std::string>({"a", "c"}));
}

TEST_F(HotSeatModeTest, ARandomPickFromNoMapStartsNoGame) {
  folder_.Write("Configs/maps.cfg", "# only a tutorial\n[tutorialdocks]\n");
  THotSeatMode& mode = EnterHotSeat();
  THotSeatDriver driver(mode);
  EXPECT_FALSE(driver.StartGame("Random", hot_seat_game::kForcePoints, hot_seat_game::kMaxPerUnit));
  EXPECT_NE(mode.GetFailure(), "");
  EXPECT_FALSE(fs::exists("start_00000001.dvx"));
  EXPECT_FALSE(fs::exists("Games/00000001"));
}

TEST_F(HotSeatModeTest, TheSetUpTextCarriesOneValueForBothSides) {
  THotSeatMode& mode = EnterHotSeat();
  TGameRecord& record = mode.GetCurrentSession().GetGameRecord();
  record.SetScenarioType("WipeOut");
  record.SetFP(27);
  record.SetMaxCost(9);
  record.SetTurns(12);
  EXPECT_EQ(mode.GameStartText("Map\\Foundry"),
            "[GameStart]\nscenario = WipeOut\nmap = Map\\Foundry\nplayer1 = Player 1\nplayer2 = Player 2\n"
            "forcePoints1 = 27\nforcePoints2 = 27\nmaxFPPerUnit1 = 9\nmaxFPPerUnit2 = 9\nturnLimit = 12\n");
  EXPECT_EQ(mode.GameFolderPath("abc"), "Games\\abc\\");
}

// A mode that looks at itself while the server code runs.
class TWatchedHotSeatMode : public THotSeatMode {
 public:
  explicit TWatchedHotSeatMode(int modeNumber) : THotSeatMode(modeNumber, "Games\\") {}
  bool RunServerCode(const std::vector<std::string>& names) override {
    computingSeen = IsComputingAsServer();
    localPlayerSeen = GetLocalPlayer();
    viewIsServer = &GetViewSession() == &GetServerBattle();
    serverKeptEvents = GetServerBattle().GetActionResolver().KeepsEvents();
    sidesKeptEvents = GetSideSession(0).GetActionResolver().KeepsEvents() &&
                      GetSideSession(1).GetActionResolver().KeepsEvents();
    return THotSeatMode::RunServerCode(names);
  }
  bool computingSeen = false;
  int localPlayerSeen = 0;
  bool viewIsServer = false;
  bool serverKeptEvents = false;
  bool sidesKeptEvents = false;
};

TEST_F(HotSeatModeTest, WhileTheTurnIsComputedTheServerBattleIsShownAndNoPlayerIsLocal) {
  TWatchedHotSeatMode mode(1);
  THotSeatDriver driver(mode);
  ASSERT_TRUE(driver.StartGame("Foundry", hot_seat_game::kForcePoints, hot_seat_game::kMaxPerUnit));
  EXPECT_TRUE(mode.computingSeen);
  EXPECT_EQ(mode.localPlayerSeen, -1);
  EXPECT_TRUE(mode.viewIsServer);
  EXPECT_FALSE(mode.IsComputingAsServer());
  EXPECT_NE(&mode.GetViewSession(), &mode.GetServerBattle());
}

TEST_F(HotSeatModeTest, OnlyTheSinglePlayerModeSetsItsBattlesSightForOnePlayer) {
  for (const int number : {1, 4, 6}) {
    TWatchedHotSeatMode mode(number);
    TServerBattle reference;
    const bool single = mode.GetServerBattle().GetMovementResolver().GetMapPassInterval() !=
                        reference.GetMovementResolver().GetMapPassInterval();
    EXPECT_EQ(single, number == 6) << number;
    for (int32_t side = 0; side < mode.GetSessionCount(); ++side) {
      EXPECT_EQ(mode.GetSideSession(side).GetMovementResolver().GetMapPassInterval(),
                mode.GetServerBattle().GetMovementResolver().GetMapPassInterval())
          << number;
    }
  }
}

TEST_F(HotSeatModeTest, EveryBattleKeepsTheEventsOfTheTurnOnlyWhileTheServerCodeRuns) {
  TWatchedHotSeatMode mode(1);
  const auto anyBattleKeeps = [&mode] {
    bool any = mode.GetServerBattle().GetActionResolver().KeepsEvents();
    for (int32_t side = 0; side < mode.GetSessionCount(); ++side) {
      any = any || mode.GetSideSession(side).GetActionResolver().KeepsEvents();
    }
    return any;
  };
  THotSeatDriver driver(mode);
  ASSERT_TRUE(driver.StartGame("Foundry", hot_seat_game::kForcePoints, hot_seat_game::kMaxPerUnit));
  EXPECT_TRUE(mode.serverKeptEvents);
  EXPECT_TRUE(mode.sidesKeptEvents);
  EXPECT_FALSE(anyBattleKeeps());
  mode.serverKeptEvents = false;
  hot_seat_game::GiveOrders(driver, 1);
  ASSERT_TRUE(driver.SendOrders());
  hot_seat_game::GiveOrders(driver, 1);
  ASSERT_TRUE(driver.SendOrders());
  ASSERT_EQ(mode.GetSideSession(0).GetTurn(), 1);
  EXPECT_TRUE(mode.serverKeptEvents);
  EXPECT_FALSE(anyBattleKeeps());
}

TEST_F(HotSeatModeTest, TheCommandLineOptionStartsTheHotSeatModeUnlessTheDesignerIsAsked) {
  struct TCase {
    std::vector<std::string> arguments;
    int mode;
  };
  const TCase cases[] = {
      {{"dvx", "hotseat"}, 1},
      {{"dvx", "designer", "hotseat"}, 0},
      {{"dvx", "hotseat", "results1_G5_T0.dvx"}, 1},
  };
  for (const TCase& c : cases) {
    TGame::DestroyInstance();
    std::vector<const char*> argv;
    for (const std::string& argument : c.arguments) argv.push_back(argument.c_str());
    const TCommandLine commandLine = TCommandLine::FromArguments(static_cast<int>(argv.size()), argv.data());
    TGame::Instance()->Init(&commandLine);
    EXPECT_EQ(TGame::Instance()->GetModeNumber(), c.mode) << c.arguments[1];
    EXPECT_FALSE(TGame::Instance()->IsComputingAsServer());
  }
}

TEST_F(HotSeatModeTest, LeavingTheScenarioReturnsToTheFrontEndAfterTheFrame) {
  THotSeatMode& mode = EnterHotSeat();
  mode.ExitScenario();
  EXPECT_EQ(mode.GetRequestedScreen(), "Intro Screen");
  EXPECT_EQ(TGame::Instance()->GetModeNumber(), 1);
  TGame::Instance()->Update();
  EXPECT_EQ(TGame::Instance()->GetModeNumber(), 0);
}

}  // namespace
