#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace platform {
namespace {

// Every test runs inside its own fresh folder.
class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    char pattern[] = "/tmp/dvx_fs_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    std::filesystem::current_path(root_);
  }

  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(root_);
  }

  static void WriteText(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path().empty()
                                            ? std::filesystem::path(".")
                                            : std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }

  static std::string ReadText(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
      return "<unreadable>";
    }
    return std::string(bytes.begin(), bytes.end());
  }

  static std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    EXPECT_EQ(ListDirectory(folder, names), 0);
    return names;
  }

  std::filesystem::path previous_;
  std::string root_;
};

struct ResolveCase {
  const char* gamePath;
  const char* resolved;
};

void PrintTo(const ResolveCase& c, std::ostream* os) { *os << "\"" << c.gamePath << "\""; }

class ResolvePathTest : public FileSystemTest, public ::testing::WithParamInterface<ResolveCase> {};

TEST_P(ResolvePathTest, FindsEachComponentIgnoringCase) {
  WriteText("Configs/General.cfg", "#\n");
  WriteText("Map/Level1.map", "");
  EXPECT_EQ(ResolvePath(GetParam().gamePath), GetParam().resolved);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ResolvePathTest,
    ::testing::Values(ResolveCase{"Configs\\General.cfg", "Configs/General.cfg"},
                      ResolveCase{"configs\\GENERAL.CFG", "Configs/General.cfg"},
                      ResolveCase{"CONFIGS\\", "Configs/"},
                      ResolveCase{"map/level1.MAP", "Map/Level1.map"},
                      ResolveCase{".\\configs\\general.cfg", "./Configs/General.cfg"},
                      // Past the first missing component the rest stays as written.
                      ResolveCase{"configs\\Missing\\x.CFG", "Configs/Missing/x.CFG"},
                      ResolveCase{"Nowhere\\configs", "Nowhere/configs"},
                      ResolveCase{"", ""}));

TEST_F(FileSystemTest, CaseInsensitiveChoiceIsTheFirstInSortedOrder) {
  WriteText("abc", "lower");
  WriteText("ABC", "upper");
  EXPECT_EQ(ResolvePath("Abc"), "ABC");  // "ABC" sorts before "abc"
  EXPECT_EQ(ResolvePath("abc"), "abc");  // an exact match wins
}

TEST_F(FileSystemTest, AbsolutePathsResolveToo) {
  WriteText("Configs/General.cfg", "#\n");
  EXPECT_EQ(ResolvePath(root_ + "\\CONFIGS\\general.cfg"), root_ + "/Configs/General.cfg");
  EXPECT_EQ(ReadText(root_ + "/configs/GENERAL.CFG"), "#\n");
}

TEST_F(FileSystemTest, EntryKinds) {
  WriteText("Configs/General.cfg", "#\n");
  EXPECT_EQ(GetEntryKind("configs"), EntryKind::Directory);
  EXPECT_EQ(GetEntryKind("configs\\general.cfg"), EntryKind::File);
  EXPECT_EQ(GetEntryKind("configs\\other.cfg"), EntryKind::Missing);
  EXPECT_EQ(GetEntryKind(""), EntryKind::Missing);
  EXPECT_EQ(GetEntryKind("/dev/null"), EntryKind::Other);
}

TEST_F(FileSystemTest, OpenForReadingRefusesFoldersAndMissingFiles) {
  WriteText("Configs/General.cfg", "data");
  std::FILE* file = OpenForReading("CONFIGS\\General.CFG");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  EXPECT_EQ(OpenForReading("Configs"), nullptr);
  EXPECT_EQ(OpenForReading("Configs\\none.cfg"), nullptr);
}

TEST_F(FileSystemTest, ListingIsSortedBytewiseWithDotEntries) {
  WriteText("Saves/b.sav", "");
  WriteText("Saves/A.sav", "");
  WriteText("Saves/a.sav", "");
  std::filesystem::create_directory("Saves/Zeta");
  const std::vector<std::string> expected = {".", "..", "A.sav", "Zeta", "a.sav", "b.sav"};
  EXPECT_EQ(Names("saves\\"), expected);
  EXPECT_EQ(Names("Saves"), expected);
}

struct ListErrorCase {
  const char* path;
  int error;
};

void PrintTo(const ListErrorCase& c, std::ostream* os) { *os << "\"" << c.path << "\""; }

class ListErrors : public FileSystemTest, public ::testing::WithParamInterface<ListErrorCase> {};

TEST_P(ListErrors, ReportErrnoValues) {
  WriteText("Configs/General.cfg", "#\n");
  std::vector<std::string> names = {"untouched"};
  EXPECT_EQ(ListDirectory(GetParam().path, names), GetParam().error);
  EXPECT_EQ(names, std::vector<std::string>{"untouched"});
}

INSTANTIATE_TEST_SUITE_P(Table, ListErrors,
                         ::testing::Values(ListErrorCase{"Missing", ENOENT},
                                           ListErrorCase{"Configs\\General.cfg", ENOTDIR},
                                           ListErrorCase{"", ENOTDIR}));

TEST_F(FileSystemTest, AtomicWriterReplacesOnCommit) {
  WriteText("Configs/UserData.cfg", "old");
  {
    AtomicFileWriter writer("configs\\userdata.cfg");
    ASSERT_TRUE(writer.IsOpen());
    EXPECT_TRUE(writer.Write("new ", 4));
    EXPECT_TRUE(writer.Write("text", 4));
    EXPECT_TRUE(writer.Commit());
    EXPECT_FALSE(writer.Commit());
  }
  EXPECT_EQ(ReadText("Configs/UserData.cfg"), "new text");
  EXPECT_EQ(Names("Configs"), (std::vector<std::string>{".", "..", "UserData.cfg"}));
}

TEST_F(FileSystemTest, AtomicWriterKeepsTheOldFileWhenAbandoned) {
  WriteText("Configs/UserData.cfg", "old");
  {
    AtomicFileWriter writer("Configs\\UserData.cfg");
    ASSERT_TRUE(writer.IsOpen());
    EXPECT_TRUE(writer.Write("partial", 7));
  }  // destroyed without Commit
  {
    AtomicFileWriter writer("Configs\\UserData.cfg");
    EXPECT_TRUE(writer.Write("also partial", 12));
    writer.Abandon();
    EXPECT_FALSE(writer.Write("more", 4));
    EXPECT_FALSE(writer.Commit());
  }
  EXPECT_EQ(ReadText("Configs/UserData.cfg"), "old");
  EXPECT_EQ(Names("Configs"), (std::vector<std::string>{".", "..", "UserData.cfg"}));
}

TEST_F(FileSystemTest, AtomicWriterKeepsThePermissionsOfTheReplacedFile) {
  WriteText("Configs/UserData.cfg", "old");
  ASSERT_EQ(chmod("Configs/UserData.cfg", 0600), 0);
  ASSERT_TRUE(WriteWholeFile("Configs\\UserData.cfg", "new", 3));
  struct stat info {};
  ASSERT_EQ(stat("Configs/UserData.cfg", &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(FileSystemTest, WritingIntoAMissingFolderFailsAndCreatesNothing) {
  AtomicFileWriter writer("Missing\\file.dat");
  EXPECT_FALSE(writer.IsOpen());
  EXPECT_FALSE(writer.Write("x", 1));
  EXPECT_FALSE(writer.Commit());
  EXPECT_FALSE(WriteWholeFile("Missing\\file.dat", "x", 1));
  EXPECT_EQ(GetEntryKind("Missing"), EntryKind::Missing);
}

TEST_F(FileSystemTest, WholeFileRoundTripKeepsEveryByte) {
  const uint8_t bytes[] = {0, 1, 0xFF, '\r', '\n', 0x80, 0};
  ASSERT_TRUE(WriteWholeFile("blob.bin", bytes, sizeof(bytes)));
  std::vector<uint8_t> read = {42};
  ASSERT_TRUE(ReadWholeFile("BLOB.BIN", read));
  EXPECT_EQ(read, std::vector<uint8_t>(bytes, bytes + sizeof(bytes)));
  EXPECT_FALSE(ReadWholeFile("absent.bin", read));
}

TEST_F(FileSystemTest, RemoveFileRemovesOnlyRegularFiles) {
  WriteText("Saves/game.sav", "x");
  WriteText("target.txt", "kept");
  ASSERT_EQ(symlink("target.txt", "link.txt"), 0);
  EXPECT_FALSE(RemoveFile("Saves"));
  EXPECT_FALSE(RemoveFile("saves\\"));
  EXPECT_FALSE(RemoveFile("link.txt"));
  EXPECT_FALSE(RemoveFile("absent.txt"));
  EXPECT_FALSE(RemoveFile(""));
  EXPECT_EQ(GetEntryKind("Saves"), EntryKind::Directory);
  EXPECT_EQ(ReadText("link.txt"), "kept");
  EXPECT_TRUE(RemoveFile("SAVES\\GAME.SAV"));
  EXPECT_EQ(GetEntryKind("Saves\\game.sav"), EntryKind::Missing);
}

TEST_F(FileSystemTest, MakeDirectoryResults) {
  WriteText("plain.txt", "");
  EXPECT_EQ(MakeDirectory("Games"), 0);
  EXPECT_EQ(GetEntryKind("Games"), EntryKind::Directory);
  EXPECT_EQ(MakeDirectory("games"), 0);  // already there, in another case
  EXPECT_EQ(MakeDirectory("Games\\Turn1\\"), 0);
  EXPECT_EQ(MakeDirectory("plain.txt"), EEXIST);
  EXPECT_EQ(MakeDirectory("Missing\\Child"), ENOENT);
}

TEST_F(FileSystemTest, ChangeDirectoryFollowsCaseInsensitiveNames) {
  std::filesystem::create_directories("VorhelmDocs/Logs");
  ASSERT_TRUE(ChangeDirectory("vorhelmdocs\\LOGS"));
  EXPECT_EQ(GetCurrentDirectory(), std::filesystem::canonical(root_ + "/VorhelmDocs/Logs").string());
  EXPECT_FALSE(ChangeDirectory("nowhere"));
  EXPECT_FALSE(ChangeDirectory(""));
}

TEST_F(FileSystemTest, ExecutablePathNamesTheRunningProgram) {
  const std::string path = GetExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(GetEntryKind(path), EntryKind::File);
  EXPECT_EQ(std::filesystem::path(path).filename(), "dvx_tests");
}

}  // namespace
}  // namespace platform
