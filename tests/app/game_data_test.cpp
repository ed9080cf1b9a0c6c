#include "app/game_data.h"

#include <gtest/gtest.h>

#include <string>

#include "app/data_stream.h"
#include "app/files.h"
#include "support/temp_folder.h"

namespace {

const char* const kGameData =
    "# game data\n[Version Info]\n  Version = 3.10\n[Unit Data]\n[Marine]\n  Speed = 20\n";
const char* const kTestGameData = "# test data\n[Version Info]\nVersion = 0.5-test\n";

class GameDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.MakeFolder("Configs");
    DestroyGameDataConfig();
  }
  void TearDown() override { DestroyGameDataConfig(); }

  TTempFolder folder_;
};

TEST_F(GameDataTest, ReadersShareOneTextUntilTheTestDataReplacesIt) {
  folder_.Write("Configs/Drannoc Data.cfg", kGameData);
  folder_.Write("Configs/Test Drannoc Data.cfg", kTestGameData);

  const TTextBuffer& first = GetGameDataConfig();
  const TTextBuffer& second = GetGameDataConfig();
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(first.Text(), kGameData);

  // Read once: a changed file is not seen until the text is rebuilt.
  folder_.Write("Configs/Drannoc Data.cfg", "# changed\n");
  EXPECT_EQ(GetGameDataConfig().Text(), kGameData);

  LoadTestGameDataConfig();
  EXPECT_EQ(GetGameDataConfig().Text(), kTestGameData);
  EXPECT_EQ(second.Text(), kTestGameData);
}

TEST_F(GameDataTest, MissingFilesGiveAnEmptyText) {
  EXPECT_EQ(GetGameDataConfig().Text(), "");

  folder_.Write("Configs/Drannoc Data.cfg", kGameData);
  DestroyGameDataConfig();
  ASSERT_EQ(GetGameDataConfig().Text(), kGameData);
  LoadTestGameDataConfig();  // no test file: emptied, not kept
  EXPECT_EQ(GetGameDataConfig().Text(), "");
}

TEST_F(GameDataTest, VersionComesFromVersionInfo) {
  struct Case {
    const char* text;
    const char* version;
  };
  const Case cases[] = {
      {kGameData, "3.10"},
      {kTestGameData, "0.5-test"},
      {"# no version\n[Unit Data]\nVersion = 9\n", ""},
      {"Version = 7\n[Version Info]\n", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetGameDataVersion(c.text), c.version) << c.text;
  }
}

TEST(PlayerDataTest, RecordRoundTripsThroughAStream) {
  TPlayerData filled;
  filled.SetName("Commander Vale");
  filled.emailAddress = "vale@example.org";
  filled.SetPassword("s3cret");
  TPlayerData onlyMail;
  onlyMail.emailAddress = "x@y.z";
  const TPlayerData records[] = {TPlayerData(), filled, onlyMail};

  for (const TPlayerData& original : records) {
    TDataStream stream;
    ASSERT_TRUE(original.Save(stream));
    stream.Rewind();
    TPlayerData copy;
    copy.SetName("stale");
    EXPECT_TRUE(copy.Load(stream));
    EXPECT_EQ(copy.playerName, original.playerName);
    EXPECT_EQ(copy.emailAddress, original.emailAddress);
    EXPECT_EQ(copy.password, original.password);
    EXPECT_FALSE(stream.HasFailed());
  }
}

TEST(PlayerDataTest, EmptyRecordIsThreeZeroLengths) {
  TDataStream stream;
  ASSERT_TRUE(TPlayerData().Save(stream));
  EXPECT_EQ(stream.Body(), std::vector<uint8_t>(12, 0));
}

TEST(PlayerDataTest, TruncatedRecordFailsToLoad) {
  TDataStream stream;
  stream.WriteString("only a name");
  stream.Rewind();
  TPlayerData record;
  EXPECT_FALSE(record.Load(stream));
  EXPECT_EQ(record.playerName, "only a name");
  EXPECT_EQ(record.emailAddress, "");
}

}  // namespace
