#include "session/game_record.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/config_parser.h"
#include "app/data_stream.h"
#include "app/files.h"
#include "app/game_data.h"
#include "app/version_info.h"
#include "session/sides.h"
#include "sim/scenario.h"
#include "sim/victory.h"
#include "support/temp_folder.h"
#include "units/unit_type.h"

namespace {

// A record with a value other than its default in every field.
TGameRecord MakeFullRecord() {
  TGameRecord record;
  record.SetPlayerName("Anna");
  record.SetPassword("secret");
  record.SetSpareNumber(77);
  record.SetPlayerEmail("anna@example.org");
  record.SetOpponentName("Bors");
  record.SetOpponentEmail("bors@example.org");
  record.SetFindOpponent(true);
  record.SetMatchType("Ranked");
  record.SetVersionText("Vorhelm-3-10");
  record.SetPlatformText("Linux");
  record.SetLanguageText("ENG");
  record.SetScenarioType("HQ");
  record.SetMapName(" Outpost");
  record.SetRace("spwn");
  record.SetSpareText("b");
  record.SetGameId("00000042");
  record.SetMessage("hello");
  record.SetPlayerNumber(1);
  record.SetFP(33);
  record.SetGameOver(true);
  record.SetSideValue(4.5f, 0);
  record.SetSideValue(12.25f, 1);
  record.SetMaxCost(7);
  record.SetConceded(true);
  record.SetTurns(18);
  record.SetClock(5);
  record.SetScenarioRace("grey");
  record.SetWinner(1);
  record.SetEndReason(10);
  record.SetUnitLimits({{"Grunt", 2}, {"Queen", 1}}, {{"Splatter", 4}});
  record.SetFormatTag("Vorhelm-3-07");
  return record;
}

void ExpectFirstGroups(const TGameRecord& loaded, const TGameRecord& saved) {
  EXPECT_EQ(loaded.GetPlayerName(), saved.GetPlayerName());
  EXPECT_EQ(loaded.GetSpareNumber(), saved.GetSpareNumber());
  EXPECT_EQ(loaded.GetPlayerEmail(), saved.GetPlayerEmail());
  EXPECT_EQ(loaded.GetOpponentName(), saved.GetOpponentName());
  EXPECT_EQ(loaded.GetOpponentEmail(), saved.GetOpponentEmail());
  EXPECT_EQ(loaded.GetFindOpponent(), saved.GetFindOpponent());
  EXPECT_EQ(loaded.GetMatchType(), saved.GetMatchType());
  EXPECT_EQ(loaded.GetVersionText(), saved.GetVersionText());
  EXPECT_EQ(loaded.GetPlatformText(), saved.GetPlatformText());
  EXPECT_EQ(loaded.GetLanguageText(), saved.GetLanguageText());
  EXPECT_EQ(loaded.GetScenarioTypeName(), saved.GetScenarioTypeName());
  EXPECT_EQ(loaded.GetMap(), saved.GetMap());
  EXPECT_EQ(loaded.GetRace(), saved.GetRace());
  EXPECT_EQ(loaded.GetSpareText(), saved.GetSpareText());
  EXPECT_EQ(loaded.GetGameId(), saved.GetGameId());
  EXPECT_EQ(loaded.GetPlayerNumber(), saved.GetPlayerNumber());
  EXPECT_EQ(loaded.GetForcePoints(), saved.GetForcePoints());
  EXPECT_EQ(loaded.IsGameOver(), saved.IsGameOver());
  EXPECT_EQ(loaded.GetScores(), saved.GetScores());
}

class GameRecordTest : public ::testing::Test {
 protected:
  TTempFolder folder_;
};

TEST_F(GameRecordTest, Defaults) {
  TGameRecord record;
  EXPECT_EQ(record.GetPlayerName(), "");
  EXPECT_EQ(record.GetScenarioTypeName(), "WipeOut");
  EXPECT_EQ(record.GetMap(), "Random");
  EXPECT_EQ(record.GetSpareText(), "a");
  EXPECT_EQ(record.GetGameId(), std::string(1, '\xFF'));
  EXPECT_EQ(record.GetPlayerNumber(), -1);
  EXPECT_EQ(record.GetForcePoints(), 20);
  EXPECT_EQ(record.GetScores(), std::vector<float>(2, 0.0f));
  EXPECT_EQ(record.GetMaxFPPerUnit(), 100);
  EXPECT_EQ(record.GetTurnLimit(), 30);
  EXPECT_EQ(record.GetTimeLimit(), 30);
  EXPECT_EQ(record.GetScenarioRace(), "any");
  EXPECT_EQ(record.GetWinner(), -1);
  EXPECT_EQ(record.GetEndReason(), 0);
  EXPECT_EQ(record.GetFormatTag(), "Vorhelm-3-00");
  EXPECT_FLOAT_EQ(record.TimeText(), 3.0f);
}

TEST_F(GameRecordTest, RoundTripsWithEachVersionsGroups) {
  const TGameRecord saved = MakeFullRecord();
  struct Case {
    const char* tag;
    bool limits;       // group 8
    bool reserved;     // group 9
    bool race;         // group 10
    bool outcome;      // group 11
    bool unitCounts;   // group 12
    bool formatTag;    // group 13
  };
  const Case cases[] = {
      {"Vorhelm-1-0", false, false, false, false, false, false},
      {"Vorhelm-1-08", true, false, false, false, false, false},
      {"Vorhelm-1-19", true, true, false, false, false, false},
      {"Vorhelm-2-25", true, true, true, false, false, false},
      {"Vorhelm-2-28", true, true, true, true, false, false},
      {"Vorhelm-2-32", true, true, true, true, true, false},
      {"Vorhelm-3-05", true, true, true, true, true, true},
      {"Vorhelm-3-10", true, true, true, true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    TDataStream stream(c.tag);
    ASSERT_TRUE(saved.Save(stream));
    stream.Rewind();
    TGameRecord loaded;
    ASSERT_TRUE(loaded.Load(stream));
    EXPECT_EQ(stream.Remaining(), 0u);
    const TGameRecord fresh;
    ExpectFirstGroups(loaded, saved);
    const TGameRecord& group8 = c.limits ? saved : fresh;
    EXPECT_EQ(loaded.GetMaxFPPerUnit(), group8.GetMaxFPPerUnit());
    EXPECT_EQ(loaded.IsConceded(), group8.IsConceded());
    EXPECT_EQ(loaded.GetTurnLimit(), group8.GetTurnLimit());
    EXPECT_EQ(loaded.GetTimeLimit(), group8.GetTimeLimit());
    EXPECT_EQ(loaded.GetScenarioRace(), (c.race ? saved : fresh).GetScenarioRace());
    EXPECT_EQ(loaded.GetWinner(), (c.outcome ? saved : fresh).GetWinner());
    EXPECT_EQ(loaded.GetEndReason(), (c.outcome ? saved : fresh).GetEndReason());
    EXPECT_EQ(loaded.GetMinUnits(), (c.unitCounts ? saved : fresh).GetMinUnits());
    EXPECT_EQ(loaded.GetMaxUnits(), (c.unitCounts ? saved : fresh).GetMaxUnits());
    EXPECT_EQ(loaded.GetFormatTag(), (c.formatTag ? saved : fresh).GetFormatTag());
    // Neither the password nor the message travels.
    EXPECT_EQ(loaded.GetPassword(), "");
    EXPECT_EQ(loaded.GetMessage(), "");
    TDataStream again(c.tag);
    ASSERT_TRUE(loaded.Save(again));
    EXPECT_EQ(again.Body(), stream.Body());
  }
}

TEST_F(GameRecordTest, AbsentGroupsKeepTheirValuesAndUnitCountsAreSetByName) {
  TDataStream stream("Vorhelm-1-0");
  ASSERT_TRUE(TGameRecord().Save(stream));
  stream.Rewind();
  TGameRecord held = MakeFullRecord();
  ASSERT_TRUE(held.Load(stream));
  EXPECT_EQ(held.GetPlayerName(), "");
  EXPECT_EQ(held.GetMaxFPPerUnit(), 7);
  EXPECT_EQ(held.GetTurnLimit(), 18);
  EXPECT_EQ(held.GetTimeLimit(), 5);
  EXPECT_EQ(held.GetScenarioRace(), "grey");
  EXPECT_EQ(held.GetFormatTag(), "Vorhelm-3-07");
  EXPECT_EQ(held.GetPassword(), "secret");
  EXPECT_EQ(held.GetMinUnits(), (TGameRecord::TUnitCounts{{"Grunt", 2}, {"Queen", 1}}));
  EXPECT_EQ(held.GetMaxUnits(), (TGameRecord::TUnitCounts{{"Splatter", 4}}));

  // The entries read are set by name into the maps held.
  TGameRecord other;
  other.SetUnitLimits({{"Drone", 3}, {"Grunt", 5}}, {});
  TDataStream current;
  ASSERT_TRUE(other.Save(current));
  current.Rewind();
  TGameRecord reloaded = MakeFullRecord();
  ASSERT_TRUE(reloaded.Load(current));
  EXPECT_EQ(reloaded.GetMinUnits(), (TGameRecord::TUnitCounts{{"Drone", 3}, {"Grunt", 5}, {"Queen", 1}}));
  EXPECT_EQ(reloaded.GetMaxUnits(), (TGameRecord::TUnitCounts{{"Splatter", 4}}));
}

TEST_F(GameRecordTest, ScoresFollowTheSideCount) {
  TGameRecord record;
  record.SetSideValue(1.5f, 1);
  record.SetSideValue(9.0f, 2);   // no third side
  record.SetSideValue(9.0f, -1);  // nor a side before the first
  EXPECT_EQ(record.GetScores(), (std::vector<float>{0.0f, 1.5f}));

  TDataStream two("Vorhelm-1-0");
  ASSERT_TRUE(record.Save(two));
  TSides::Instance()->SetSideCount(3);
  TDataStream three("Vorhelm-1-0");
  ASSERT_TRUE(record.Save(three));
  TGameRecord wider;
  three.Rewind();
  ASSERT_TRUE(wider.Load(three));
  TSides::Instance()->SetSideCount(2);
  EXPECT_EQ(three.Body().size() - two.Body().size(), 4u);
  EXPECT_EQ(wider.GetScores(), (std::vector<float>{0.0f, 1.5f, 0.0f}));
}

TEST_F(GameRecordTest, DamagedStreamsFailAndLeaveTheRecord) {
  TGameRecord full = MakeFullRecord();
  TDataStream good;
  ASSERT_TRUE(full.Save(good));
  for (std::size_t cut = 0; cut < good.Body().size(); ++cut) {
    TDataStream stream;
    stream.Body().assign(good.Body().begin(), good.Body().begin() + static_cast<std::ptrdiff_t>(cut));
    TGameRecord record;
    record.SetPlayerName("kept");
    EXPECT_FALSE(record.Load(stream)) << cut;
    EXPECT_TRUE(stream.HasFailed());
    EXPECT_EQ(record.GetPlayerName(), "kept");
  }

  // The maximum counts start 12 bytes before the format tag (a count of 1,
  // "Splatter" and its count) and its 16 bytes; counts out of bounds fail.
  const std::size_t countAt = good.Body().size() - (4 + 12) - (4 + 4 + 8 + 4);
  for (const uint32_t count : {0xFFFFFFFFu, 100000u, 5000u}) {
    TDataStream stream;
    stream.Body() = good.Body();
    for (int i = 0; i < 4; ++i) stream.Body()[countAt + i] = static_cast<uint8_t>(count >> (8 * i));
    stream.Body().resize(stream.Body().size() + 5000 * 8, 0);
    TGameRecord record;
    EXPECT_FALSE(record.Load(stream)) << count;
    EXPECT_TRUE(stream.HasFailed());
  }
}

TEST_F(GameRecordTest, TimeTextReadsTheFormatTag) {
  struct Case {
    const char* tag;
    float value;
  };
  const Case cases[] = {{"Vorhelm-3-00", 3.0f}, {"Vorhelm-3-07", 3.07f}, {"Vorhelm-2", 2.0f},
                        {"Vorhelm", 0.0f},      {"", 0.0f},             {"-", 0.0f},
                        {"a-1-5-9", 1.5f}};
  for (const Case& c : cases) {
    TGameRecord record;
    record.SetFormatTag(c.tag);
    EXPECT_FLOAT_EQ(record.TimeText(), c.value) << c.tag;
  }
}

TEST_F(GameRecordTest, PasswordSurvivesDefaultsAndIsNeverSaved) {
  TPlayerData player;
  player.playerName = "Anna";
  player.emailAddress = "anna@example.org";
  player.password = "hunter2";
  TGameRecord record;
  record.SetFromPlayerData(player);
  EXPECT_EQ(record.GetPlayerName(), "Anna");
  EXPECT_EQ(record.GetPlayerEmail(), "anna@example.org");
  record.SetDefaults();
  EXPECT_EQ(record.GetPassword(), "hunter2");
  EXPECT_EQ(record.GetPlayerName(), "");
  TDataStream stream;
  ASSERT_TRUE(record.Save(stream));
  const std::string bytes(stream.Body().begin(), stream.Body().end());
  EXPECT_EQ(bytes.find("hunter2"), std::string::npos);
}

TEST_F(GameRecordTest, FillFromScenarioAndPlayer) {
  TConfigParser parser(
      "# set-up\n[GameStart]\nscenario = HQ\nmap = Maps/Desert\nplayer1 = Anna\nplayer2 = Bors\n"
      "forcePoints1 = 30\nforcePoints2 = 31\nmaxFPPerUnit1 = 6\nmaxFPPerUnit2 = 7\nrace2 = spwn\nturnLimit = 14\n");
  std::unique_ptr<TScenario> scenario = TScenario::ParseGameStart(parser, TUnitTypeList());
  ASSERT_NE(scenario, nullptr);
  scenario->SetUnitLimit("Queen", 1, false, 1);
  scenario->SetUnitLimit("Drone", 5, true, 1);

  TGameRecord record;
  record.SetPlayerNumber(1);
  record.FillFromScenario(*scenario);
  EXPECT_EQ(record.GetPlayerName(), "Bors");
  EXPECT_EQ(record.GetOpponentName(), "Anna");
  EXPECT_EQ(record.GetScenarioTypeName(), "HQ");
  EXPECT_EQ(record.GetForcePoints(), 31);
  EXPECT_EQ(record.GetMaxFPPerUnit(), 7);
  EXPECT_EQ(record.GetScenarioRace(), "spwn");
  EXPECT_EQ(record.GetTurnLimit(), 14);
  EXPECT_EQ(record.GetMap(), " Desert");
  EXPECT_EQ(record.FindA("Queen"), 1);
  EXPECT_EQ(record.FindB("Drone"), 5);
  EXPECT_EQ(record.FindA("Drone"), -1);
  EXPECT_EQ(record.FindB("Queen"), -1);

  const struct {
    const char* map;
    const char* name;
    const char* shown;
  } maps[] = {{"Maps\\Swamp", "", " Swamp"}, {"Plain", "", " Plain"}, {"Maps/Desert", "Last Stand", " Last Stand"}};
  for (const auto& m : maps) {
    scenario->SetMapName(m.map);
    scenario->SetScenarioName(m.name);
    record.FillFromScenario(*scenario);
    EXPECT_EQ(record.GetMap(), m.shown);
  }

  record.FillFromPlayer();
  EXPECT_EQ(record.GetVersionText(), GetVersionInfo()->Get()->GetVersionTag());
  EXPECT_EQ(record.GetPlatformText(), GetVersionInfo()->Get()->GetPlatform());
  EXPECT_EQ(record.GetLanguageText(), GetVersionInfo()->Get()->GetLanguage());
}

TEST_F(GameRecordTest, CommandTargets) {
  TGameRecord record;
  EXPECT_TRUE(record.GetBasicMap("Foundry"));
  EXPECT_EQ(record.GetScenarioMapName(), "Foundry");
  EXPECT_FALSE(record.GetBasicMap("Outpost"));
  record.SetBasicMap("");
  EXPECT_TRUE(record.GetBasicMap("Outpost"));

  record.SetFP(25);
  EXPECT_TRUE(record.GetFP(25));
  EXPECT_FALSE(record.GetFP(20));
  record.SetMaxCost(9);
  EXPECT_TRUE(record.GetMaxCost(9));
  record.SetTurns(40);
  EXPECT_TRUE(record.GetTurns(40));
  record.SetClock(7);
  EXPECT_TRUE(record.GetClock(7));
  EXPECT_EQ(record.InitialForceText(), " 25");
  EXPECT_EQ(record.MaxFPsPerUnitText(), " 9");
  EXPECT_EQ(record.TurnLimitText(), " 40");
  EXPECT_EQ(record.TimeLimitText(), " 7 Days");

  record.SetScenarioType("Skirmish");
  EXPECT_TRUE(record.GetScenarioType("Skirmish"));
  EXPECT_FALSE(record.GetScenarioType("HQ"));
  EXPECT_EQ(record.ScenarioTypeText(), "Skirmish");
}

TEST_F(GameRecordTest, ReferralAndBountyFiles) {
  EXPECT_EQ(ReadReferral(), "100");
  EXPECT_EQ(ReadBounty(), "");
  folder_.MakeFolder("VorhelmDocs");
  TDataStream referral;
  referral.WriteString("250");
  ASSERT_TRUE(referral.SaveToFile(GetReferralFilePath()));
  EXPECT_EQ(ReadReferral(), "250");

  TGameRecord first;
  first.SetOpponentName("Bounty Hunter");
  EXPECT_TRUE(WriteBounty(first));
  TGameRecord second;
  second.SetOpponentName("Latecomer");
  EXPECT_FALSE(WriteBounty(second));
  EXPECT_EQ(ReadBounty(), "Bounty Hunter");
}

}  // namespace
