#include "session/server_requests.h"

#include <gtest/gtest.h>

#include <string>

#include "app/version_info.h"
#include "session/game_record.h"
#include "support/temp_folder.h"

namespace {

class ServerRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DestroyVersionInfo();
    record_.SetPlayerName("Anna");
    record_.SetPassword("pw");
    record_.SetPlayerEmail("anna@example.org");
    record_.SetOpponentName("Bors");
    record_.SetOpponentEmail("bors@example.org");
    record_.SetMatchType("Ranked");
    record_.SetScenarioType("HQ");
    record_.SetMapName(" Outpost");
    record_.SetFP(40);
    record_.SetMaxCost(10);
    record_.SetTurns(20);
    record_.SetClock(30);
    record_.SetGameId("00000042");
    record_.SetMessage("hello");
  }

  void TearDown() override { DestroyVersionInfo(); }

  // The program's lines as every request writes them.
  static std::string Program(bool withLanguage) {
    const TVersionInfo& info = *GetVersionInfo()->Get();
    std::string text = "gameName = dvx\nplatform = " + info.GetPlatform() + "\nversion = " + info.GetVersionTag() + "\n";
    if (withLanguage) text += "language = " + info.GetLanguage() + "\n";
    return text;
  }

  // No referral or bounty file in an empty folder.
  TTempFolder folder_;
  TGameRecord record_;
};

TEST_F(ServerRequestTest, TextsMatchTheirLayoutByteForByte) {
  const std::string account = "playerName = Anna\npassword =  pw\nplayerEmail = anna@example.org\n";
  const std::string end = "~#{VISK}#~=";
  EXPECT_EQ(BuildStartRequest(record_),
            "\nmessage = hello\nactionReq = start\n" + Program(true) + account +
                "opponentName = Bors\nopponentEmail = bors@example.org\nfindOpponent = no\nmatchType = Ranked\n"
                "scenario = HQ\nmap =  Outpost\nforcePoints = 40\nmaxForcePointsPerUnit = 10\nturnLimit = 20\n"
                "timeLimit = 30\nreferral = 100\nbountyHunter = \n" + end);
  EXPECT_EQ(BuildOrdersRequest(record_, 3 - 1, 0),
            "\nmessage = hello\nactionReq = orders\n" + Program(false) + account +
                "playerNum = 1\ngame_id = 00000042\nturn = 3\nconceded = false\n" + end);
  const std::string turnLines = "playerNum = \ngame_id = 00000042\nturn = \n" + end;
  EXPECT_EQ(BuildLastTurnRequest(record_), "\nmessage = hello\nactionReq = lastTurn\n" + Program(false) + account + turnLines);
  EXPECT_EQ(BuildAllTurnsRequest(record_), "\nmessage = hello\nactionReq = allTurns\n" + Program(false) + account + turnLines);
  EXPECT_EQ(BuildFreeStartRequest(record_), "\nmessage = hello\nactionReq = freeStart\n" + Program(true) +
                                                "playerEmail = anna@example.org\nreferral = 100\n" + end);
  EXPECT_EQ(BuildBountyStartRequest(record_),
            "\nmessage = hello\nactionReq = bountyStart\n" + Program(true) + account + end);
}

TEST_F(ServerRequestTest, AChallengeOfTheBountyIsABountyRequest) {
  record_.SetOpponentName("BoUnTy");
  EXPECT_EQ(BuildStartRequest(record_), BuildBountyStartRequest(record_));
}

TEST_F(ServerRequestTest, ValuesThatWouldBreakTheLayoutAreRefused) {
  struct Case {
    const char* what;
    void (TGameRecord::*set)(const std::string&);
    std::string value;
  };
  const Case cases[] = {
      {"LF in a name", &TGameRecord::SetPlayerName, "Anna\nactionReq = start"},
      {"CR in a password", &TGameRecord::SetPassword, "p\rw"},
      {"end marker in an id", &TGameRecord::SetGameId, "1~#{VISK}#~=2"},
      {"end marker in a message", &TGameRecord::SetMessage, "x~#{VISK}#~="},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TGameRecord record = record_;
    (record.*c.set)(c.value);
    EXPECT_EQ(BuildOrdersRequest(record, 0, 0), "");
    EXPECT_EQ(BuildLastTurnRequest(record), "");
  }
}

TEST_F(ServerRequestTest, LineBreaksOfTheMessageBecomeBlanks) {
  record_.SetMessage("two\r\nlines");
  const std::string text = BuildOrdersRequest(record_, 0, 1);
  EXPECT_EQ(text.compare(0, 30, "\nmessage = two  lines\nactionRe"), 0) << text;
  EXPECT_NE(text.find("playerNum = 2\n"), std::string::npos);
}

}  // namespace
