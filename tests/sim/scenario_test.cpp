#include "sim/scenario.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/config_parser.h"
#include "app/data_stream.h"
#include "app/files.h"
#include "session/game_record.h"
#include "sim/victory.h"
#include "support/temp_folder.h"
#include "units/unit_type.h"
#include "world/game_data.h"

namespace {

// Small rules with round costs, one fractional cost and a free unit; the
// spawn race has a queen (a headquarters kind).
const char* const kRules =
    "# scenario test rules\n"
    "[Unit Data]\n"
    "[Trooper]\nRace = marn\nCost = 3\n"
    "[Sniper]\nRace = marn\nCost = 5\n"
    "[Scout]\nRace = marn\nCost = 4.9\n"
    "[Bomb Drone]\nRace = mech\nCost = 3\n"
    "[Mascot]\nRace = marn\nCost = 0\n"
    "[Marine HQ]\nRace = marn\nCost = 8\n"
    "[Stinger]\nRace = spwn\nCost = 7\n"
    "[Queen]\nRace = spwn\nCost = 10\n";

const char* const kTerrain = "# terrain\n[Terrain Data]\n[Floor]\nType = ground\n";

const char* const kVersions[] = {"Vorhelm-3-10", "Vorhelm-2-1", "Vorhelm-1-18"};

std::string ReadSample(const std::string& name) {
  TTextBuffer text;
  EXPECT_TRUE(text.Load(std::string(DVX_DATA_DIR) + "/Scenarios/" + name)) << name;
  return text.Text();
}

class ScenarioTest : public ::testing::Test {
 protected:
  // Works in its own folder: rejected set-up texts are logged.
  TTempFolder folder_;
  TGameData data_{kRules, "test", kTerrain};

  std::unique_ptr<TScenario> Parse(const std::string& text, std::string* error = nullptr) {
    TConfigParser parser(text);
    return TScenario::ParseGameStart(parser, data_.GetUnitTypes(), error);
  }

  int32_t Index(const std::string& name) const { return data_.UnitTypeIndex(name); }
  const TUnitType& Type(const std::string& name) const { return *data_.FindUnitType(name); }

  // A scenario whose first player has the points, the cost cap and the
  // limits, with the points shared for deployment.
  static void SetUpDeployment(TScenario& scenario, int32_t forcePoints, int32_t maxPerUnit) {
    scenario.AddPlayer(std::make_unique<TScenarioValues>(forcePoints, maxPerUnit, "Anna", "marn"));
    scenario.SetSharedForcePoints();
  }
};

// --- "[GameStart]" texts ------------------------------------------------------

TEST_F(ScenarioTest, SampleNewFormWipeOutText) {
  std::unique_ptr<TScenario> scenario = Parse(ReadSample("GameStart WipeOut.cfg"));
  ASSERT_NE(scenario, nullptr);
  EXPECT_EQ(scenario->TypeName(), "WipeOut");
  EXPECT_EQ(scenario->GetMapName(), "Foundry");
  EXPECT_EQ(scenario->GetScenarioName(), "");
  EXPECT_EQ(scenario->GetTurnLimit(), 25);
  ASSERT_EQ(scenario->GetPlayerCount(), 2);
  EXPECT_EQ(scenario->GetPlayerName(0), "Marines");
  EXPECT_EQ(scenario->GetPlayerName(1), "Machina");
  for (int32_t player = 0; player < 2; ++player) {
    EXPECT_EQ(scenario->GetForcePoints(player), 30);
    EXPECT_EQ(scenario->GetMaxFPPerUnit(player), 8);
    // No race keys: any race.
    EXPECT_EQ(scenario->GetRace(player), "any");
  }
  EXPECT_EQ(scenario->GetDeployForcePoints(), 0);
}

TEST_F(ScenarioTest, SampleNewFormHQTextWithUnitLimits) {
  // The shipped unit table, so that the sample's limits name real types.
  TTextBuffer rules;
  ASSERT_TRUE(rules.Load(std::string(DVX_DATA_DIR) + "/Configs/Drannoc Data.cfg"));
  const TUnitTypeList shipped(rules.Text());
  TConfigParser parser(ReadSample("GameStart HQ.cfg"));
  std::unique_ptr<TScenario> scenario = TScenario::ParseGameStart(parser, shipped);
  ASSERT_NE(scenario, nullptr);
  EXPECT_EQ(scenario->TypeName(), "HQ");
  EXPECT_EQ(scenario->GetMapName(), "Outpost");
  EXPECT_EQ(scenario->GetScenarioName(), "Hold the Outpost");
  EXPECT_EQ(scenario->GetTurnLimit(), 20);
  EXPECT_EQ(scenario->GetForcePoints(1), 36);
  EXPECT_EQ(scenario->GetRace(0), "marn");
  EXPECT_EQ(scenario->GetRace(1), "spwn");
  TUnitLimits minimum;
  TUnitLimits maximum;
  scenario->GetUnitLimits(0, minimum, maximum);
  EXPECT_EQ(minimum, (TUnitLimits{{"Grunt", 2}}));
  EXPECT_EQ(maximum, (TUnitLimits{{"Grenadier", 1}}));
  scenario->GetUnitLimits(1, minimum, maximum);
  EXPECT_EQ(minimum, (TUnitLimits{{"Queen", 1}}));
  EXPECT_EQ(maximum, (TUnitLimits{{"Splatter", 4}}));
}

TEST_F(ScenarioTest, OldFormAndUnknownTypeGiveDefaultWipeOut) {
  const std::string unknownType =
      "# unknown rules\n[GameStart]\nscenario = KingOfTheHill\nmap = Foundry\nplayer1 = Anna\nplayer2 = Bors\n"
      "forcePoints1 = 99\nturnLimit = 5\n";
  for (const std::string& text : {ReadSample("GameStart Old.cfg"), unknownType}) {
    std::unique_ptr<TScenario> scenario = Parse(text);
    ASSERT_NE(scenario, nullptr);
    EXPECT_EQ(scenario->TypeName(), "WipeOut");
    EXPECT_EQ(scenario->GetMapName(), "Foundry");
    EXPECT_EQ(scenario->GetTurnLimit(), 30);
    ASSERT_EQ(scenario->GetPlayerCount(), 2);
    EXPECT_EQ(scenario->GetPlayerName(0), "Anna");
    EXPECT_EQ(scenario->GetPlayerName(1), "Bors");
    for (int32_t player = 0; player < 2; ++player) {
      EXPECT_EQ(scenario->GetForcePoints(player), 20);
      EXPECT_EQ(scenario->GetMaxFPPerUnit(player), 4);
      EXPECT_EQ(scenario->GetRace(player), "any");
    }
  }
  // The old form without players still makes the two of a duel.
  std::unique_ptr<TScenario> bare = Parse("# bare\n[GameStart]\nmap = Foundry\n");
  ASSERT_NE(bare, nullptr);
  EXPECT_EQ(bare->GetPlayerCount(), 2);
  EXPECT_EQ(bare->GetPlayerName(1), "");
}

TEST_F(ScenarioTest, ThirdPlayerIsReadWithoutUnitLimits) {
  const std::string text =
      "# three players\n[GameStart]\nscenario = WipeOut\nmap = Maps/Arena\nplayer1 = A\nplayer2 = B\nplayer3 = C\n"
      "forcePoints1 = 10\nforcePoints2 = 11\nforcePoints3 = 12\nmaxFPPerUnit1 = 4\nmaxFPPerUnit2 = 5\n"
      "maxFPPerUnit3 = 6\nrace3 = grey\nTrooperMin1 = 1\nBomb DroneMax2 = 2\nTrooperMin3 = 3\nTrooperMax3 = 3\n"
      "turnLimit = 12\n";
  std::unique_ptr<TScenario> scenario = Parse(text);
  ASSERT_NE(scenario, nullptr);
  ASSERT_EQ(scenario->GetPlayerCount(), 3);
  EXPECT_EQ(scenario->GetPlayerName(2), "C");
  EXPECT_EQ(scenario->GetForcePoints(2), 12);
  EXPECT_EQ(scenario->GetMaxFPPerUnit(2), 6);
  EXPECT_EQ(scenario->GetRace(2), "grey");
  EXPECT_EQ(scenario->GetPlayer(0)->Get("Trooper"), 1);
  EXPECT_EQ(scenario->GetPlayer(1)->GetSecond("Bomb Drone"), 2);
  EXPECT_TRUE(scenario->GetPlayer(2)->minUnits.empty());
  EXPECT_TRUE(scenario->GetPlayer(2)->maxUnits.empty());
}

TEST_F(ScenarioTest, TextWithoutARequiredKeyIsRejectedNamingTheKey) {
  const std::vector<std::string> lines = {"scenario = HQ",     "player1 = A",      "player2 = B",
                                          "forcePoints1 = 10", "forcePoints2 = 10", "maxFPPerUnit1 = 4",
                                          "maxFPPerUnit2 = 4", "turnLimit = 30"};
  for (const std::string key : {"turnLimit", "forcePoints1", "forcePoints2", "maxFPPerUnit1", "maxFPPerUnit2",
                                "player1"}) {
    std::string text = "# incomplete\n[GameStart]\n";
    for (const std::string& line : lines) {
      if (line.rfind(key + " ", 0) != 0) text += line + "\n";
    }
    std::string error;
    EXPECT_EQ(Parse(text, &error), nullptr) << key;
    EXPECT_NE(error.find("\"" + key + "\""), std::string::npos) << error;
  }
  std::string error;
  EXPECT_EQ(Parse("# no section\n[Other]\nscenario = HQ\n", &error), nullptr);
  EXPECT_NE(error.find("GameStart"), std::string::npos);
}

TEST_F(ScenarioTest, TooManyPlayersAreRejected) {
  std::string text = "# a crowd\n[GameStart]\nscenario = WipeOut\nturnLimit = 3\n";
  for (int32_t n = 1; n <= TScenario::kMaxPlayers + 1; ++n) {
    const std::string number = std::to_string(n);
    text += "player" + number + " = P\nforcePoints" + number + " = 1\nmaxFPPerUnit" + number + " = 1\n";
  }
  std::string error;
  EXPECT_EQ(Parse(text, &error), nullptr);
  EXPECT_NE(error.find("\"player33\""), std::string::npos) << error;
}

// --- streams ------------------------------------------------------------------

TEST_F(ScenarioTest, SetUpTextsRoundTripAtEachVersion) {
  const std::string limits =
      "# limits\n[GameStart]\nscenario = HQ\nmap = Maps/Arena\nscenarioName = Arena\nplayer1 = A\nplayer2 = B\n"
      "player3 = C\nforcePoints1 = 10\nforcePoints2 = 11\nforcePoints3 = 12\nmaxFPPerUnit1 = 4\n"
      "maxFPPerUnit2 = 5\nmaxFPPerUnit3 = 6\nrace1 = marn\nTrooperMin1 = 2\nQueenMax2 = 1\nturnLimit = 9\n";
  const std::vector<std::string> texts = {ReadSample("GameStart WipeOut.cfg"), ReadSample("GameStart HQ.cfg"),
                                          ReadSample("GameStart Old.cfg"), limits};
  for (const std::string& text : texts) {
    std::unique_ptr<TScenario> original = Parse(text);
    ASSERT_NE(original, nullptr);
    for (const char* tag : kVersions) {
      SCOPED_TRACE(tag);
      TDataStream stream(tag);
      ASSERT_TRUE(original->Save(stream));
      stream.Rewind();
      std::unique_ptr<TScenario> loaded = TScenario::Load(stream);
      ASSERT_NE(loaded, nullptr);
      EXPECT_EQ(stream.Remaining(), 0u);
      EXPECT_EQ(loaded->TypeName(), original->TypeName());
      EXPECT_EQ(loaded->GetMapName(), original->GetMapName());
      EXPECT_EQ(loaded->GetTurnLimit(), original->GetTurnLimit());
      ASSERT_EQ(loaded->GetPlayerCount(), original->GetPlayerCount());
      const float version = stream.GetVersion();
      EXPECT_EQ(loaded->GetScenarioName(), version > 3.0401f ? original->GetScenarioName() : "");
      for (int32_t p = 0; p < original->GetPlayerCount(); ++p) {
        EXPECT_EQ(loaded->GetPlayerName(p), original->GetPlayerName(p));
        EXPECT_EQ(loaded->GetForcePoints(p), original->GetForcePoints(p));
        EXPECT_EQ(loaded->GetMaxFPPerUnit(p), original->GetMaxFPPerUnit(p));
        // Before 2.2 no race was kept; before 2.32 no limits.
        EXPECT_EQ(loaded->GetRace(p), version > 2.201f ? original->GetRace(p) : "");
        const bool hasLimits = version > 2.3201f;
        EXPECT_EQ(loaded->GetPlayer(p)->minUnits,
                  hasLimits ? original->GetPlayer(p)->minUnits : TUnitLimits());
        EXPECT_EQ(loaded->GetPlayer(p)->maxUnits,
                  hasLimits ? original->GetPlayer(p)->maxUnits : TUnitLimits());
      }
      // What loaded saves to the same bytes.
      TDataStream again(tag);
      ASSERT_TRUE(loaded->Save(again));
      EXPECT_EQ(again.Body(), stream.Body());
    }
  }
}

TEST_F(ScenarioTest, VersionThresholdsAddTheirFields) {
  std::unique_ptr<TScenario> scenario = TScenario::CreateDefault();
  scenario->SetScenarioName("N");
  auto size = [&](const char* tag) {
    TDataStream stream(tag);
    EXPECT_TRUE(scenario->Save(stream));
    return stream.Body().size();
  };
  // The reserved byte from 1.19, the races ("any", 4 + 3 bytes each) from
  // 2.2, two empty limit maps per player from 2.32, the name from 3.04.
  EXPECT_EQ(size("Vorhelm-1-19") - size("Vorhelm-1-18"), 1u);
  EXPECT_EQ(size("Vorhelm-2-2") - size("Vorhelm-2-1"), 14u);
  EXPECT_EQ(size("Vorhelm-2-32") - size("Vorhelm-2-31"), 16u);
  EXPECT_EQ(size("Vorhelm-3-04") - size("Vorhelm-3-03"), 5u);
}

TEST_F(ScenarioTest, LoadRejectsUnknownTypesBadCountsAndShortStreams) {
  std::unique_ptr<TScenario> hq = Parse(ReadSample("GameStart WipeOut.cfg"));
  ASSERT_NE(hq, nullptr);
  hq->SetUnitLimit("Trooper", 2, false, 0);
  TDataStream good;
  ASSERT_TRUE(hq->Save(good));

  // Every cut of a good stream is refused.
  for (std::size_t cut = 0; cut < good.Body().size(); ++cut) {
    TDataStream stream;
    stream.Body().assign(good.Body().begin(), good.Body().begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_EQ(TScenario::Load(stream), nullptr) << cut;
    EXPECT_TRUE(stream.HasFailed());
  }

  struct Case {
    const char* name;
    std::vector<uint32_t> ints;
  };
  // After the type name and an empty map name: a player count, and for the
  // one player: points, cap, empty name, empty race, a limit count.
  const std::vector<Case> cases = {
      {"negative players", {0xFFFFFFFFu}},
      {"players beyond the sides", {33}},
      {"players beyond the bytes", {20, 1, 1, 0}},
      {"negative limits", {1, 1, 1, 0, 0, 0xFFFFFFFFu}},
      {"limits beyond the bytes", {1, 1, 1, 0, 0, 1000}},
  };
  for (const Case& c : cases) {
    TDataStream stream;
    stream.WriteString("WipeOut");
    stream.WriteString("");
    for (uint32_t value : c.ints) stream.WriteInt(value);
    for (int i = 0; i < 16; ++i) stream.WriteInt(0);
    stream.Rewind();
    EXPECT_EQ(TScenario::Load(stream), nullptr) << c.name;
    EXPECT_TRUE(stream.HasFailed()) << c.name;
  }

  for (const char* type : {"wipeout", "HQ ", "Default", ""}) {
    TDataStream stream;
    stream.WriteString(type);
    good.Rewind();
    good.ReadString();
    stream.WriteBytes(good.Body().data() + good.GetPosition(), good.Remaining());
    stream.Rewind();
    EXPECT_EQ(TScenario::Load(stream), nullptr) << type;
    EXPECT_TRUE(stream.HasFailed());
  }
}

// --- other ways of making a scenario ------------------------------------------

TEST_F(ScenarioTest, DefaultAndTypeNames) {
  std::unique_ptr<TScenario> scenario = TScenario::CreateDefault();
  EXPECT_EQ(scenario->TypeName(), "WipeOut");
  EXPECT_EQ(scenario->GetMapName(), "default");
  EXPECT_EQ(scenario->GetTurnLimit(), 30);
  EXPECT_EQ(scenario->GetScenarioName(), "");
  ASSERT_EQ(scenario->GetPlayerCount(), 2);
  EXPECT_EQ(scenario->GetPlayerName(0), "Player 1");
  EXPECT_EQ(scenario->GetPlayerName(1), "Player 2");
  EXPECT_EQ(scenario->GetForcePoints(1), 20);
  EXPECT_EQ(scenario->GetMaxFPPerUnit(1), 4);
  EXPECT_EQ(scenario->GetRace(1), "any");

  EXPECT_EQ(TScenario::CreateByType("HQ")->TypeName(), "HQ");
  EXPECT_EQ(TScenario::CreateByType("WipeOut")->TypeName(), "WipeOut");
  EXPECT_EQ(TScenario::CreateByType("hq"), nullptr);
  EXPECT_EQ(TScenario::CreateByType("WipeOutX"), nullptr);
}

TEST_F(ScenarioTest, FromGameRecordTakesTheRecordsSetUp) {
  TGameRecord record;
  record.SetScenarioType("HQ");
  record.SetFP(17);
  record.SetMaxCost(6);
  record.SetPlayerName("Anna");
  record.SetScenarioRace("spwn");
  record.SetTurns(12);
  record.SetUnitLimits({{"Queen", 1}}, {{"Stinger", 3}});
  std::unique_ptr<TScenario> scenario = TScenario::FromGameRecord(record);
  ASSERT_NE(scenario, nullptr);
  EXPECT_EQ(scenario->TypeName(), "HQ");
  ASSERT_EQ(scenario->GetPlayerCount(), 1);
  EXPECT_EQ(scenario->GetPlayerName(0), "Anna");
  EXPECT_EQ(scenario->GetForcePoints(0), 17);
  EXPECT_EQ(scenario->GetMaxFPPerUnit(0), 6);
  EXPECT_EQ(scenario->GetRace(0), "spwn");
  EXPECT_EQ(scenario->GetTurnLimit(), 12);
  EXPECT_EQ(scenario->GetDeployForcePoints(), 17);
  EXPECT_EQ(scenario->GetMapName(), "");
  EXPECT_EQ(scenario->GetPlayer(0)->Get("Queen"), 1);
  EXPECT_EQ(scenario->GetPlayer(0)->GetSecond("Stinger"), 3);

  record.SetScenarioType("Skirmish");
  EXPECT_EQ(TScenario::FromGameRecord(record), nullptr);
}

// --- deployment ---------------------------------------------------------------

TEST_F(ScenarioTest, CanBuyUnitKeepsPointsForUnmetMinimums) {
  TWipeOutScenario scenario;
  SetUpDeployment(scenario, 10, 10);
  scenario.SetUnitLimit("Trooper", 2, false, 0);
  // 5 + 2 x 3 > 10; 4 + 6 = 10 fits; the fractional 4.9 costs 4.
  EXPECT_FALSE(scenario.CanBuyUnit(Index("Sniper"), "marn", data_));
  EXPECT_TRUE(scenario.CanBuyUnit(Index("Scout"), "marn", data_));
  // Buying toward the minimum is always allowed.
  EXPECT_TRUE(scenario.CanBuyUnit(Index("Trooper"), "marn", data_));
  // Minimums of another race reserve nothing.
  EXPECT_TRUE(scenario.CanBuyUnit(Index("Sniper"), "mech", data_));

  scenario.UnitBought(Type("Trooper"), true);
  scenario.UnitBought(Type("Trooper"), true);
  EXPECT_EQ(scenario.GetDeployForcePoints(), 4);
  EXPECT_EQ(scenario.GetUnitCount("Trooper"), 2);
  EXPECT_TRUE(scenario.CanBuyUnit(Index("Scout"), "marn", data_));
  EXPECT_FALSE(scenario.CanBuyUnit(Index("Sniper"), "marn", data_));
}

TEST_F(ScenarioTest, CanBuyUnitRefusals) {
  struct Case {
    const char* name;
    int32_t forcePoints;
    int32_t maxPerUnit;
    const char* type;
    int32_t maximum;  // -1: none
    int32_t bought;
    bool allowed;
  };
  const Case cases[] = {
      {"free unit", 10, 10, "Mascot", -1, 0, false},
      {"above the cost cap", 10, 4, "Sniper", -1, 0, false},
      {"at the cost cap", 10, 5, "Sniper", -1, 0, true},
      {"above the points left", 4, 10, "Sniper", -1, 0, false},
      {"exactly the points left", 5, 10, "Sniper", -1, 0, true},
      {"maximum reached", 20, 10, "Trooper", 2, 2, false},
      {"below the maximum", 20, 10, "Trooper", 2, 1, true},
      {"maximum of none", 20, 10, "Trooper", 0, 0, false},
  };
  for (const Case& c : cases) {
    TWipeOutScenario scenario;
    SetUpDeployment(scenario, c.forcePoints + 3 * c.bought, c.maxPerUnit);
    if (c.maximum >= 0) scenario.SetUnitLimit(c.type, c.maximum, true, 0);
    for (int32_t i = 0; i < c.bought; ++i) scenario.UnitBought(Type(c.type), true);
    EXPECT_EQ(scenario.CanBuyUnit(Index(c.type), "marn", data_), c.allowed) << c.name;
  }
  TWipeOutScenario empty;
  EXPECT_FALSE(empty.CanBuyUnit(Index("Trooper"), "marn", data_));
  TWipeOutScenario scenario;
  SetUpDeployment(scenario, 10, 10);
  EXPECT_FALSE(scenario.CanBuyUnit(-1, "marn", data_));
  EXPECT_FALSE(scenario.CanBuyUnit(data_.GetUnitTypeCount(), "marn", data_));
}

TEST_F(ScenarioTest, UnitBoughtBooksAndUndoesTruncatedCosts) {
  THQScenario scenario;
  SetUpDeployment(scenario, 30, 10);
  scenario.UnitBought(Type("Scout"), true);
  scenario.UnitBought(Type("Queen"), true);
  EXPECT_EQ(scenario.GetDeployForcePoints(), 30 - 4 - 10);
  EXPECT_EQ(scenario.GetUnitCount("Scout"), 1);
  EXPECT_EQ(scenario.GetHQCount(), 1);
  scenario.UnitBought(Type("Queen"), false);
  scenario.UnitBought(Type("Scout"), false);
  EXPECT_EQ(scenario.GetDeployForcePoints(), 30);
  EXPECT_EQ(scenario.GetUnitCount("Scout"), 0);
  EXPECT_EQ(scenario.GetHQCount(), 0);
  EXPECT_EQ(scenario.GetUnitCount("Sniper"), 0);
  scenario.ClearSharedForcePoints();
  EXPECT_EQ(scenario.GetDeployForcePoints(), 0);
}

TEST_F(ScenarioTest, HQGamesKeepPointsForAHeadquarters) {
  THQScenario scenario;
  SetUpDeployment(scenario, 20, 10);
  scenario.UnitBought(Type("Trooper"), true);
  scenario.UnitBought(Type("Trooper"), false);
  scenario.UnitBought(Type("Sniper"), true);
  scenario.UnitBought(Type("Sniper"), true);  // 10 left, no headquarters
  // 7 + 4 > 10 for the spawn; 5 + 1 <= 10 for the marines.
  EXPECT_FALSE(scenario.CanBuyUnit(Index("Stinger"), "spwn", data_));
  EXPECT_TRUE(scenario.CanBuyUnit(Index("Sniper"), "marn", data_));
  // A headquarters itself is not held back.
  EXPECT_TRUE(scenario.CanBuyUnit(Index("Queen"), "spwn", data_));

  THQScenario withQueen;
  SetUpDeployment(withQueen, 20, 10);
  withQueen.UnitBought(Type("Queen"), true);  // 10 left, a headquarters
  EXPECT_TRUE(withQueen.CanBuyUnit(Index("Stinger"), "spwn", data_));

  // The same purchase in a wipe-out game needs no reserve.
  TWipeOutScenario wipeOut;
  SetUpDeployment(wipeOut, 10, 10);
  EXPECT_TRUE(wipeOut.CanBuyUnit(Index("Stinger"), "spwn", data_));
}

TEST_F(ScenarioTest, ObjectiveTexts) {
  THQScenario hq;
  EXPECT_EQ(hq.ObjectiveText("spwn"), "@342");
  EXPECT_EQ(hq.ObjectiveText("grey"), "@343");
  EXPECT_EQ(hq.ObjectiveText("marn"), "@341");
  TWipeOutScenario wipeOut;
  EXPECT_EQ(wipeOut.ObjectiveText("spwn"), "");
}

TEST_F(ScenarioTest, ScenarioValuesMaps) {
  TScenarioValues values;
  EXPECT_EQ(values.Get("Trooper"), -1);
  EXPECT_EQ(values.GetSecond("Trooper"), -1);
  values.Set("Trooper", 2, false);
  values.Set("Trooper", 5, true);
  values.MergeFrom({{"Queen", 1}}, {{"Trooper", 4}});
  EXPECT_EQ(values.Get("Trooper"), 2);
  EXPECT_EQ(values.Get("Queen"), 1);
  EXPECT_EQ(values.GetSecond("Trooper"), 4);
  TUnitLimits minimum{{"Old", 9}};
  TUnitLimits maximum;
  values.CopyInto(minimum, maximum);
  EXPECT_EQ(minimum, (TUnitLimits{{"Queen", 1}, {"Trooper", 2}}));
  EXPECT_EQ(maximum, (TUnitLimits{{"Trooper", 4}}));
  values.Clear();
  EXPECT_EQ(values.Get("Queen"), -1);
}

}  // namespace
