#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/game_data.h"
#include "app/message_stream.h"
#include "app/version_info.h"
#include "rebuild_game.h"
#include "session/battle_session.h"
#include "session/game.h"
#include "session/game_rebuild.h"
#include "sim/clock.h"
#include "sim/event_list.h"
#include "support/game_folder_test.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using rebuild_game::kBattle;
using rebuild_game::Stored;

// The number of turns in player p's events file of the game.
int32_t StoredEventTurns(const std::string& gamesFolder, int32_t player) {
  TBattleSession reader(player);
  reader.SetGamesFolderName(gamesFolder);
  reader.SetName(kBattle);
  if (!reader.OpenEvents()) return -1;
  return reader.GetEventList().GetTurnCount();
}

std::vector<std::string> StoredTurnFilesLeft() {
  std::vector<std::string> names;
  if (!fs::exists("Games")) return names;
  for (const auto& entry : fs::directory_iterator("Games")) {
    if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A packed game of player 1's results files of the turns, under the names given.
void WritePacked(const std::string& path, const std::vector<std::pair<std::string, int32_t>>& entries) {
  std::vector<TPackedFile> files;
  for (const auto& [name, turn] : entries) {
    TPackedFile file;
    file.name = name;
    ASSERT_TRUE(file.stream.LoadFromFile(rebuild_game::Results(0, turn)));
    files.push_back(std::move(file));
  }
  TDataStream packed(kVersionTag);
  packed.SetName(kPackedGameName);
  ASSERT_TRUE(WritePackedGame(files, packed));
  ASSERT_TRUE(packed.SaveToFile(path));
}

class RebuildGameTest : public GameFolderTest {
 protected:
  // A server game of three turns whose files the tests store or pack.
  void SetUp() override {
    GameFolderTest::SetUp();
    server_game::PlayGame(kBattle, 3);
    TMessageStream::Instance()->Clear();
  }
};

TEST_F(RebuildGameTest, StoredTurnFilesRebuildTheGameAndAreDeletedAfterwards) {
  rebuild_game::StoreTurns(0, 0, 3);
  TBattleSession rebuilt(0);
  ASSERT_TRUE(rebuilt.RebuildGames()) << rebuilt.GetFailure();
  EXPECT_EQ(rebuilt.GetFailure(), "");
  EXPECT_EQ(rebuilt.GetRequestedScreen(), "Game Screen");
  EXPECT_EQ(TMessageStream::Instance()->GetText(), "Rebuilding game infantry\nTurn 01\nTurn 02\nTurn 03\n");
  // Turn 3 is loaded for playback; the turns before it are stored.
  EXPECT_EQ(rebuilt.GetTurn(), 3);
  EXPECT_EQ(StoredEventTurns("Games\\", 0), 3);
  EXPECT_TRUE(StoredTurnFilesLeft().empty());

  // The loaded turn runs on as it would after playback.
  rebuild_game::FinishLoadedTurn(rebuilt);
  EXPECT_EQ(rebuilt.GetFailure(), "");
  for (int32_t turn = 0; turn <= 4; ++turn) {
    EXPECT_TRUE(fs::exists(rebuild_game::GameState("Games", 0, turn))) << "turn " << turn;
  }
  EXPECT_EQ(StoredEventTurns("Games\\", 0), 4);
}

TEST_F(RebuildGameTest, APackedGameIsUnpackedAndRebuilt) {
  struct TCase {
    const char* name;
    int32_t lastTurn;
    bool firstTurn;
    const char* screen;
    int32_t storedEventTurns;
  };
  const TCase cases[] = {
      {"turns 00 to 03", 3, false, "Game Screen", 3},
      // Only the first turn: it is run, and the player chooses a race next.
      {"turn 00 alone", 0, true, "Choose Race Screen", 1},
  };
  for (const TCase& c : cases) {
    fs::remove_all("Games");
    std::vector<std::pair<std::string, int32_t>> entries;
    for (int32_t turn = 0; turn <= c.lastTurn; ++turn) entries.emplace_back(StoredTurnFileName(kBattle, turn), turn);
    WritePacked("packed.dvx", entries);
    TBattleSession session(0);
    EXPECT_EQ(session.LoadTurnFile("packed.dvx"), c.firstTurn) << c.name << ": " << session.GetFailure();
    EXPECT_EQ(session.GetFailure(), "") << c.name;
    EXPECT_EQ(session.GetRequestedScreen(), c.screen) << c.name;
    EXPECT_TRUE(StoredTurnFilesLeft().empty()) << c.name;
    for (int32_t turn = 0; turn <= c.lastTurn; ++turn) {
      EXPECT_TRUE(fs::exists(rebuild_game::GameState("Games", 0, turn))) << c.name << " turn " << turn;
    }
    EXPECT_EQ(StoredEventTurns("Games\\", 0), c.storedEventTurns) << c.name;
  }
}

TEST_F(RebuildGameTest, APackedGameWithAnyUnfitNameIsRefusedWhole) {
  const std::string unfit[] = {
      "../DVX_Ginfantry_T01.dvx", "DVX_G../x_T01.dvx", "DVX_Ginfantry_T01.txt", "readme.txt",  "DVX_G_T01.dvx",
      "DVX_Ginfantry_Tab.dvx",    "DVX_Ginfantry_T.dvx", "dvx_ginfantry_T01.dvx", "DVX_Ga/b_T01.dvx", "",
  };
  for (const std::string& name : unfit) {
    fs::remove_all("Games");
    WritePacked("packed.dvx", {{StoredTurnFileName(kBattle, 0), 0}, {name, 1}});
    TBattleSession session(0);
    EXPECT_FALSE(session.LoadTurnFile("packed.dvx")) << name;
    EXPECT_NE(session.GetFailure(), "") << name;
    // Not even the fit name before it was saved.
    EXPECT_TRUE(StoredTurnFilesLeft().empty()) << name;
    EXPECT_FALSE(fs::exists("Games/infantry")) << name;
  }
  EXPECT_FALSE(fs::exists("DVX_Ginfantry_T01.dvx"));
}

TEST_F(RebuildGameTest, ADamagedPackedGameSavesNothing) {
  WritePacked("packed.dvx", {{StoredTurnFileName(kBattle, 0), 0}, {StoredTurnFileName(kBattle, 1), 1}});
  TDataStream whole;
  ASSERT_TRUE(whole.LoadFromFile("packed.dvx"));
  // Cut inside the second embedded file.
  TDataStream cut(kVersionTag);
  cut.SetName(kPackedGameName);
  const std::vector<uint8_t>& body = whole.Body();
  ASSERT_TRUE(cut.WriteBytes(body.data(), body.size() - 100));
  ASSERT_TRUE(cut.SaveToFile("cut.dvx"));
  TBattleSession session(0);
  EXPECT_FALSE(session.LoadTurnFile("cut.dvx"));
  EXPECT_NE(session.GetFailure(), "");
  EXPECT_TRUE(StoredTurnFilesLeft().empty());
}

TEST_F(RebuildGameTest, AFailedRebuildKeepsItsSourcesAndAMissingFirstTurnKeepsTheGameFolder) {
  struct TCase {
    const char* name;
    // Stored turns, and a damage done to them before the rebuild.
    std::vector<int32_t> turns;
    std::string damaged;
    std::string damage;
  };
  const TCase cases[] = {
      {"turn 00 missing", {1, 2}, "", ""},
      {"turn 00 damaged", {0, 1}, Stored(0), "not a game"},
      {"a later turn damaged", {0, 1, 2}, Stored(2), "not a game"},
      // A file of turn 1 stored as turn 2 would mix the turns.
      {"a turn under another's name", {0, 1, 2}, Stored(2), "copy of turn 1"},
  };
  for (const TCase& c : cases) {
    fs::remove_all("Games");
    for (const int32_t turn : c.turns) rebuild_game::StoreTurns(0, turn, turn);
    if (c.damage == "copy of turn 1") {
      fs::copy_file(Stored(1), c.damaged, fs::copy_options::overwrite_existing);
    } else if (!c.damaged.empty()) {
      folder_.Write(c.damaged, c.damage);
    }
    folder_.Write("Games/infantry/notes.txt", "mine");
    const std::vector<std::string> before = StoredTurnFilesLeft();
    TBattleSession session(0);
    EXPECT_FALSE(session.RebuildGame(kBattle)) << c.name;
    EXPECT_NE(session.GetFailure(), "") << c.name;
    EXPECT_EQ(StoredTurnFilesLeft(), before) << c.name;
    if (c.name == std::string("turn 00 missing") || c.name == std::string("turn 00 damaged")) {
      EXPECT_EQ(folder_.Read("Games/infantry/notes.txt"), "mine") << c.name;
    }
  }
}

TEST_F(RebuildGameTest, AGapEndsTheRebuildAndLeavesTheLaterFiles) {
  rebuild_game::StoreTurns(0, 0, 1);
  rebuild_game::StoreTurns(0, 3, 3);
  TBattleSession session(0);
  ASSERT_TRUE(session.RebuildGame(kBattle)) << session.GetFailure();
  EXPECT_EQ(session.GetTurn(), 1);
  EXPECT_EQ(StoredTurnFilesLeft(), std::vector<std::string>({StoredTurnFileName(kBattle, 3)}));
}

// Listings are ordered ignoring case: "infantry" comes before "Zeta",
// whose first turn does not read, although bytes would order "Z" first.
TEST_F(RebuildGameTest, TheFirstStoredGameIsChosenIgnoringCase) {
  rebuild_game::StoreTurns(0, 0, 0);
  folder_.Write("Games/DVX_GZeta_T00.dvx", "not a game");
  TBattleSession session(0);
  ASSERT_TRUE(session.RebuildGames());
  EXPECT_EQ(session.GetFailure(), "");
  EXPECT_EQ(session.GetName(), kBattle);
  EXPECT_EQ(session.GetRequestedScreen(), "Choose Race Screen");
  EXPECT_EQ(StoredTurnFilesLeft(), std::vector<std::string>({"DVX_GZeta_T00.dvx"}));

  fs::remove_all("Games");
  TBattleSession none(0);
  EXPECT_FALSE(none.RebuildGames());
  EXPECT_FALSE(fs::exists("Games"));
}

TEST_F(RebuildGameTest, BuildGameRebuildsFromTheLocalResultsFilesOfEitherPlayer) {
  // Player 1's copies are missing: player 2's are used.
  fs::create_directories("Games");
  for (int32_t turn = 0; turn <= 2; ++turn) {
    fs::copy_file(rebuild_game::Results(1, turn), "Games/results2_Ginfantry_T" + std::to_string(turn) + ".dvx");
  }
  TBattleSession session(0);
  EXPECT_FALSE(session.LoadTurnFile("buildgameinfantry"));
  EXPECT_EQ(session.GetFailure(), "");
  EXPECT_EQ(session.GetPlayerNumber(), 1);
  EXPECT_EQ(TMessageStream::Instance()->GetText(), "Rebuilding game buildgameinfantry\nTurn 1\nTurn 2\n");
  for (int32_t turn = 0; turn <= 2; ++turn) EXPECT_TRUE(fs::exists(rebuild_game::GameState("Games", 1, turn))) << turn;
  EXPECT_TRUE(StoredTurnFilesLeft().empty());
  EXPECT_FALSE(TGame::Instance()->IsQuitting());
}

TEST_F(RebuildGameTest, BuildGameRefusesUnfitIdsAndMissingFilesAndEndsTheRun) {
  const std::string names[] = {"buildgame", "buildgame../up", "buildgamea/b", "buildgame" + std::string(33, 'a'),
                               "buildgame\xff", "buildgamenothing"};
  for (const std::string& name : names) {
    TGame::DestroyInstance();
    TBattleSession session(0);
    EXPECT_FALSE(session.LoadTurnFile(name)) << name;
    EXPECT_NE(session.GetFailure(), "") << name;
    EXPECT_NE(TGame::Instance()->GetExitStatus(), 0) << name;
  }
  EXPECT_FALSE(fs::exists("Games"));
  EXPECT_FALSE(fs::exists("up"));
}

TEST(StoredTurnNameTest, OnlyDvxNamesOfAPlainGameIdAndATurnAreStoredTurnFiles) {
  const std::pair<std::string, std::string> cases[] = {
      {"DVX_G77_T00.dvx", "77"},       {"DVX_Ggame_T1_T12.dvx", "game_T1"}, {"DVX_Ga-b_T123.dvx", "a-b"},
      {"DVX_G77_T123456.dvx", ""},     {"DVX_G77_T.dvx", ""},               {"DVX_G77_T0x.dvx", ""},
      {"DVX_G77_T00.DVX", ""},         {"DVX_G_T00.dvx", ""},               {"DVX_G..\\x_T00.dvx", ""},
      {"xDVX_G77_T00.dvx", ""},        {"DVX_G77.dvx", ""},                 {"DVX_G" + std::string(33, 'a') + "_T00.dvx", ""},
  };
  for (const auto& [name, id] : cases) EXPECT_EQ(StoredTurnGameId(name), id) << name;
  EXPECT_EQ(StoredTurnFileName("77", 3), "DVX_G77_T03.dvx");
  EXPECT_EQ(StoredTurnFileName("77", 123), "DVX_G77_T123.dvx");
  EXPECT_EQ(StoredTurnGameId(StoredTurnFileName("a_b", 7)), "a_b");
}

TEST(StoredTurnNameTest, NamesAreOrderedIgnoringCase) {
  std::vector<std::string> names = {"DVX_Gb_T00.dvx", "DVX_GA_T00.dvx", "DVX_Ga_T00.dvx", "DVX_GB_T00.dvx", "Orders"};
  SortNamesIgnoringCase(names);
  EXPECT_EQ(names,
            std::vector<std::string>({"DVX_GA_T00.dvx", "DVX_Ga_T00.dvx", "DVX_GB_T00.dvx", "DVX_Gb_T00.dvx", "Orders"}));
}

TEST(PackedGameTest, AListEndsAtEndOrAtTheStreamsEndAndIsBounded) {
  TDataStream turn(kVersionTag);
  turn.WriteInt(5);
  std::vector<TPackedFile> files(2);
  files[0].name = "DVX_G7_T00.dvx";
  files[0].stream = turn;
  files[1].name = "DVX_G7_T01.dvx";
  files[1].stream = turn;
  TDataStream packed(kVersionTag);
  ASSERT_TRUE(WritePackedGame(files, packed));
  packed.WriteString("trailing bytes after End are not read");
  packed.Rewind();
  std::vector<TPackedFile> read;
  std::string error;
  ASSERT_TRUE(ReadPackedGame(packed, read, error)) << error;
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[1].name, "DVX_G7_T01.dvx");
  EXPECT_EQ(read[1].stream.ReadInt(), 5u);

  // Without "End" the list stops where the stream ends.
  TDataStream open(kVersionTag);
  ASSERT_TRUE(open.WriteString(files[0].name) && files[0].stream.WriteEmbedded(open));
  open.Rewind();
  EXPECT_TRUE(ReadPackedGame(open, read, error));
  EXPECT_EQ(read.size(), 1u);

  TDataStream many(kVersionTag);
  for (int32_t i = 0; i <= kMaxPackedFiles; ++i) {
    ASSERT_TRUE(many.WriteString(files[0].name) && files[0].stream.WriteEmbedded(many));
  }
  many.Rewind();
  EXPECT_FALSE(ReadPackedGame(many, read, error));
  EXPECT_TRUE(read.empty());
  EXPECT_NE(error, "");
}

}  // namespace
