#include "app/files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "support/temp_folder.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Each test works in a fresh folder of its own.
class FilesTest : public ::testing::Test {
 protected:
  TTempFolder folder_;
};

// ---------------------------------------------------------------- TFile

TEST_F(FilesTest, FileModes) {
  folder_.Write("present.bin", "abc");
  struct Case {
    const char* name;
    const char* mode;
    bool opens;
  };
  const Case cases[] = {
      {"present.bin", "in", true},   {"absent.bin", "in", false}, {"new.bin", "out", true},
      {"present.bin", "x", false},   {"present.bin", "", false},  {"present.bin", "IN", false},
      {"present.bin", "rb", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " / " + c.mode);
    TFile file(c.name, c.mode);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Open(), c.opens);
    EXPECT_EQ(file.IsOpen(), c.opens);
    EXPECT_EQ(file.GetName(), c.name);
  }
  TFile defaultMode("present.bin");
  EXPECT_TRUE(defaultMode.Open());
  Bytes bytes;
  EXPECT_TRUE(defaultMode.ReadAll(bytes));
  EXPECT_EQ(bytes, (Bytes{'a', 'b', 'c'}));
  EXPECT_FALSE(defaultMode.IsOpen());
}

TEST_F(FilesTest, UnopenedFileNeitherReadsNorWrites) {
  TFile file("x.bin", "x");
  file.Open();
  Bytes bytes;
  EXPECT_FALSE(file.ReadAll(bytes));
  EXPECT_FALSE(file.WriteBytes(Bytes{1}));
  EXPECT_FALSE(FileExists("x.bin"));
}

TEST_F(FilesTest, OutFileReplacesOnlyWhenClosed) {
  folder_.Write("save.dat", "old content");
  {
    TFile file("save.dat", "out");
    ASSERT_TRUE(file.Open());
    ASSERT_TRUE(file.WriteBytes(Bytes{'n', 'e', 'w'}));
    EXPECT_EQ(folder_.Read("save.dat"), "old content");
    // Dropped without Close: abandoned.
  }
  EXPECT_EQ(folder_.Read("save.dat"), "old content");

  TFile file("save.dat", "out");
  ASSERT_TRUE(file.Open());
  ASSERT_TRUE(file.WriteBytes(Bytes{'n', 'e', 'w'}));
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(folder_.Read("save.dat"), "new");
  // Nothing but the target is left behind.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(".")) names.push_back(entry.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{"save.dat"});
}

TEST_F(FilesTest, FailedSavesReportFailureAndLeaveNoTrace) {
  TDataStream stream;
  stream.WriteInt(1);
  // A folder stands where the file should go: the commit fails, the folder stays.
  std::filesystem::create_directory("blocked");
  EXPECT_FALSE(stream.SaveToFile("blocked"));
  EXPECT_TRUE(std::filesystem::is_directory("blocked"));

  TTextBuffer text;
  text.Append("replacement");
  EXPECT_FALSE(text.Save("missing\\game.cfg"));

  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(".")) names.push_back(entry.path().filename());
  std::erase(names, "VorhelmDocs");
  EXPECT_EQ(names, std::vector<std::string>{"blocked"});
}

// ---------------------------------------------------------------- folders and files

TEST_F(FilesTest, CreateFolderNewAndExisting) {
  EXPECT_TRUE(CreateFolder("Games\\"));
  EXPECT_TRUE(FolderExists("Games\\"));
  EXPECT_TRUE(CreateFolder("Games\\"));
  EXPECT_EQ(folder_.Read("VorhelmDocs/DVX.log").find("Couldn't create directory"), std::string::npos);
}

TEST_F(FilesTest, CreateFolderFailureShowsTheMessage) {
  folder_.Write("plain", "x");
  EXPECT_FALSE(CreateFolder("plain\\inner\\"));
  EXPECT_NE(folder_.Read("VorhelmDocs/DVX.log").find("Couldn't create directory"), std::string::npos);
}

TEST_F(FilesTest, ExistenceAndRemoval) {
  folder_.Write("a.txt", "1");
  std::filesystem::create_directory("Folder");
  EXPECT_TRUE(FileExists("a.txt"));
  EXPECT_FALSE(IsFileMissing("a.txt"));
  EXPECT_TRUE(IsFileMissing("b.txt"));
  EXPECT_FALSE(FileExists("Folder"));
  EXPECT_TRUE(FolderExists("Folder\\"));
  EXPECT_FALSE(FolderExists("a.txt"));
  EXPECT_FALSE(FolderExists("Nothing\\"));

  EXPECT_TRUE(RemoveFile("a.txt"));
  EXPECT_FALSE(FileExists("a.txt"));
  EXPECT_FALSE(RemoveFile("a.txt"));
  EXPECT_FALSE(RemoveFile("Folder"));
  EXPECT_TRUE(std::filesystem::is_directory("Folder"));
}

TEST_F(FilesTest, DeleteFolderFilesLeavesSubFolders) {
  std::filesystem::create_directories("Games/Game1/Sub");
  folder_.Write("Games/Game1/a.dvx", "1");
  folder_.Write("Games/Game1/b.dvx", "2");
  folder_.Write("Games/Game1/Sub/c.dvx", "3");
  DeleteFolderFiles("Games\\Game1\\");
  EXPECT_FALSE(std::filesystem::exists("Games/Game1/a.dvx"));
  EXPECT_FALSE(std::filesystem::exists("Games/Game1/b.dvx"));
  EXPECT_TRUE(std::filesystem::exists("Games/Game1/Sub/c.dvx"));

  folder_.Write("Games/Game1/d.dvx", "4");
  DeleteFolderFiles("Games\\Game1");
  EXPECT_FALSE(std::filesystem::exists("Games/Game1/d.dvx"));
  DeleteFolderFiles("Nothing\\");
}

TEST_F(FilesTest, ListFolderAppendsTheListing) {
  std::filesystem::create_directory("Orders");
  folder_.Write("Orders/b.dvx", "");
  folder_.Write("Orders/a.dvx", "");
  std::vector<std::string> names = {"kept"};
  ListFolder("Orders\\", names);
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.front(), "kept");
  const auto a = std::find(names.begin(), names.end(), "a.dvx");
  const auto b = std::find(names.begin(), names.end(), "b.dvx");
  ASSERT_NE(a, names.end());
  ASSERT_NE(b, names.end());
  EXPECT_LT(a, b);

  std::vector<std::string> none;
  ListFolder("Nothing\\", none);
  EXPECT_TRUE(none.empty());
}

TEST(FileNamesTest, GameNumberText) {
  struct Case {
    const char* name;
    const char* number;
  };
  const Case cases[] = {
      {"x_G123_T4.dvx", "123"}, {"a_G77.dvx", "77"},    {"x_T4_G5", ""},  {"none.dvx", ""},
      {"Game_G9_T10_R2.dvx", "9"}, {"a_G.dvx", ""},     {"a_G_T3", ""},   {"start_G42", "42"},
      {"b_G12x3.dvx", "12x3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(GetGameNumberText(c.name), c.number);
  }
}

TEST(FileNamesTest, FixedPathNames) {
  struct Case {
    std::string value;
    const char* expected;
  };
  const Case cases[] = {
      {GetGamesFolder(), "Games\\"},
      {GetOrdersFolder(), "Orders\\"},
      {GetWorkingFolder(), ".\\"},
      {GetPathSeparator(), "\\"},
      {GetConfigsFolder(), "Configs\\"},
      {GetDocsFolder(), "VorhelmDocs\\"},
      {GetReferralFilePath(), "VorhelmDocs\\referral.dat"},
      {GetBountyFilePath(), "VorhelmDocs\\bounty.dat"},
      {GetLanguagesFolder(), "Languages\\"},
      {GetConfigExtension(), ".cfg"},
      {GetDataConfigName(), "Data.cfg"},
      {GetDisplayConfigName(), "Display.cfg"},
      {GetStartPrefix(), "start_"},
      {MakeGameFolderPath("Duel"), "Games\\Duel\\"},
      {GetUserDataConfigPath(), "Configs\\UserData.cfg"},
      {GetGeneralConfigPath(), "Configs\\General.cfg"},
      {GetFontStylesName(), "Configs\\FontStyles.cfg"},
      {GetTutorialMapPath(), "tutorialMaps\\"},
      {GetMapPath(), "Map\\"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, c.expected);
  const std::string& login = GetWebLoginAddress();
  ASSERT_GE(login.size(), 10u);
  EXPECT_EQ(login.substr(login.size() - 10), "/DVX/login");
}

// ---------------------------------------------------------------- TTextBuffer

TEST_F(FilesTest, TextBufferLoadSaveKeepsEveryByte) {
  const std::string content = std::string("[APP]\r\n  Name = Fred\n\0\xff end", 26);
  folder_.Write("in.cfg", content);
  TTextBuffer buffer;
  ASSERT_TRUE(buffer.Load("in.cfg"));
  EXPECT_EQ(buffer.Text(), content);
  EXPECT_EQ(buffer.Size(), content.size());
  ASSERT_TRUE(buffer.Save("out.cfg"));
  EXPECT_EQ(folder_.Read("out.cfg"), content);

  TTextBuffer missing;
  EXPECT_FALSE(missing.Load("absent.cfg"));
  EXPECT_TRUE(missing.Text().empty());
}

TEST_F(FilesTest, TextBufferLoadInsertsAtTheFront) {
  folder_.Write("part.txt", "head");
  TTextBuffer buffer;
  buffer.Append("-tail");
  ASSERT_TRUE(buffer.Load("part.txt"));
  EXPECT_EQ(buffer.Text(), "head-tail");
}

// Text files beyond the cap are refused whole; data files have a cap of their own.
TEST_F(FilesTest, FilesBeyondTheirCapAreRefused) {
  folder_.Write("at_cap.cfg", std::string(kMaxTextFileBytes, 'x'));
  folder_.Write("over_cap.cfg", std::string(kMaxTextFileBytes + 1, 'x'));
  TTextBuffer atCap;
  EXPECT_TRUE(atCap.Load("at_cap.cfg"));
  EXPECT_EQ(atCap.Size(), kMaxTextFileBytes);
  TTextBuffer overCap;
  EXPECT_FALSE(overCap.Load("over_cap.cfg"));
  EXPECT_EQ(overCap.Size(), 0u);

  TFile file("over_cap.cfg", "in");
  ASSERT_TRUE(file.Open());
  Bytes bytes{1, 2};
  EXPECT_FALSE(file.ReadAll(bytes, 100));
  EXPECT_EQ(bytes, (Bytes{1, 2}));

  std::filesystem::resize_file(folder_.Path("over_cap.cfg"), kMaxDataFileBytes + 1);
  TDataStream raw;
  EXPECT_FALSE(raw.LoadRaw("over_cap.cfg"));
  EXPECT_TRUE(raw.Body().empty());
}

TEST_F(FilesTest, AbsentPathsAreToldFromUnreadableOnes) {
  folder_.MakeFolder("Configs/UserData.cfg");
  folder_.Write("Configs/General.cfg", "# x\n");
  EXPECT_TRUE(IsPathAbsent("Configs\\Missing.cfg"));
  EXPECT_FALSE(IsPathAbsent("Configs\\UserData.cfg"));
  EXPECT_FALSE(IsPathAbsent("configs\\general.cfg"));
}

TEST(TextBufferTest, EditingOperations) {
  TTextBuffer buffer;
  buffer.Append("ac");
  buffer.Insert(1, "b");
  EXPECT_EQ(buffer.Text(), "abc");
  buffer.Insert(0, ">");
  buffer.Insert(99, "<");
  EXPECT_EQ(buffer.Text(), ">abc<");

  TTextBuffer copy;
  copy.Append("old");
  copy.CopyFrom(buffer);
  EXPECT_EQ(copy.Text(), ">abc<");
  copy.CopyFrom(copy);
  EXPECT_EQ(copy.Text(), ">abc<");

  copy.Clear();
  EXPECT_EQ(copy.Size(), 0u);
  EXPECT_EQ(buffer.Text(), ">abc<");
}

// ---------------------------------------------------------------- TStringList

TEST(StringListTest, IndexOfAppendsOnlyNewNames) {
  TStringList list;
  EXPECT_EQ(list.IndexOf("TMarine"), 0);
  EXPECT_EQ(list.IndexOf("TDoor"), 1);
  EXPECT_EQ(list.IndexOf("TMarine"), 0);
  EXPECT_EQ(list.IndexOf("tmarine"), 2);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.At(1), "TDoor");
  EXPECT_EQ(list.At(3), "");
  EXPECT_EQ(list.At(-1), "");
}

TEST(StringListTest, RefusesMoreThanTheIndexCanHold) {
  TStringList list;
  for (int i = 0; i < 32767; ++i) ASSERT_EQ(list.IndexOf(std::to_string(i)), i);
  EXPECT_EQ(list.IndexOf("one too many"), -1);
  EXPECT_EQ(list.Count(), 32767);
  EXPECT_EQ(list.IndexOf("32766"), 32766);
}

TEST(StringListTest, SaveLoadRoundTrip) {
  TStringList list;
  for (const char* name : {"TUnit", "TDoor", "", "TPowerCell"}) list.IndexOf(name);
  TDataStream stream("Vorhelm-3-10");
  ASSERT_TRUE(list.Save(stream));
  EXPECT_EQ(stream.Body()[0], 4);
  EXPECT_EQ(stream.Body()[1], 0);

  stream.Rewind();
  TStringList loaded;
  loaded.IndexOf("stale");
  ASSERT_TRUE(loaded.Load(stream));
  ASSERT_EQ(loaded.Count(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(loaded.At(i), list.At(i));
  EXPECT_EQ(stream.Remaining(), 0u);
}

TEST(StringListTest, BadCountsInTheStream) {
  struct Case {
    const char* what;
    uint16_t count;
    int strings;  // well-formed one-letter names after the count
    bool loads;
  };
  const Case cases[] = {
      {"zero", 0, 0, true},
      {"negative", 0xFFFF, 2, true},
      {"most negative", 0x8000, 0, true},
      {"more than the bytes could hold", 3, 1, false},
      {"truncated last name", 2, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TDataStream stream("Vorhelm-3-10");
    stream.WriteShort(c.count);
    for (int i = 0; i < c.strings; ++i) stream.WriteString("n");
    if (c.count == 2) stream.WriteInt(10);  // a length with no text behind it
    stream.Rewind();
    TStringList list;
    list.IndexOf("stale");
    EXPECT_EQ(list.Load(stream), c.loads);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(stream.HasFailed(), !c.loads);
  }
  TDataStream empty("Vorhelm-3-10");
  TStringList list;
  EXPECT_FALSE(list.Load(empty));
}

}  // namespace
