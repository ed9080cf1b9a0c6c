#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace platform {
namespace {

// Every test runs inside its own fresh folder.
class FileSystemTest : public ::testing::Test {
 protected:
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

  TTempFolder folder_;
};

struct ResolveCase {
  const char* gamePath;
  const char* resolved;
};

void PrintTo(const ResolveCase& c, std::ostream* os) { *os << "\"" << c.gamePath << "\""; }

class ResolvePathTest : public FileSystemTest, public ::testing::WithParamInterface<ResolveCase> {};

TEST_P(ResolvePathTest, FindsEachComponentIgnoringCase) {
  folder_.Write("Configs/General.cfg", "#\n");
  folder_.Write("Map/Level1.map", "");
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
  folder_.Write("abc", "lower");
  folder_.Write("ABC", "upper");
  EXPECT_EQ(ResolvePath("Abc"), "ABC");  // "ABC" sorts before "abc"
  EXPECT_EQ(ResolvePath("abc"), "abc");  // an exact match wins
}

TEST_F(FileSystemTest, AbsolutePathsResolveToo) {
  folder_.Write("Configs/General.cfg", "#\n");
  const std::string root = folder_.Path().string();
  EXPECT_EQ(ResolvePath(root + "\\CONFIGS\\general.cfg"), root + "/Configs/General.cfg");
  EXPECT_EQ(ReadText(root + "/configs/GENERAL.CFG"), "#\n");
}

TEST_F(FileSystemTest, EntryKinds) {
  folder_.Write("Configs/General.cfg", "#\n");
  EXPECT_EQ(GetEntryKind("configs"), EntryKind::Directory);
  EXPECT_EQ(GetEntryKind("configs\\general.cfg"), EntryKind::File);
  EXPECT_EQ(GetEntryKind("configs\\other.cfg"), EntryKind::Missing);
  EXPECT_EQ(GetEntryKind(""), EntryKind::Missing);
  EXPECT_EQ(GetEntryKind("/dev/null"), EntryKind::Other);
}

TEST_F(FileSystemTest, OpenForReadingRefusesFoldersAndMissingFiles) {
  folder_.Write("Configs/General.cfg", "data");
  std::FILE* file = OpenForReading("CONFIGS\\General.CFG");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  EXPECT_EQ(OpenForReading("Configs"), nullptr);
  EXPECT_EQ(OpenForReading("Configs\\none.cfg"), nullptr);
}

TEST_F(FileSystemTest, ListingIsSortedBytewiseWithDotEntries) {
  folder_.Write("Saves/b.sav", "");
  folder_.Write("Saves/A.sav", "");
  folder_.Write("Saves/a.sav", "");
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
  folder_.Write("Configs/General.cfg", "#\n");
  std::vector<std::string> names = {"untouched"};
  EXPECT_EQ(ListDirectory(GetParam().path, names), GetParam().error);
  EXPECT_EQ(names, std::vector<std::string>{"untouched"});
}

INSTANTIATE_TEST_SUITE_P(Table, ListErrors,
                         ::testing::Values(ListErrorCase{"Missing", ENOENT},
                                           ListErrorCase{"Configs\\General.cfg", ENOTDIR},
                                           ListErrorCase{"", ENOTDIR}));

TEST_F(FileSystemTest, AtomicWriterReplacesOnCommit) {
  folder_.Write("Configs/UserData.cfg", "old");
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
  folder_.Write("Configs/UserData.cfg", "old");
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
  folder_.Write("Configs/UserData.cfg", "old");
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
  folder_.Write("Saves/game.sav", "x");
  folder_.Write("target.txt", "kept");
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
  folder_.Write("plain.txt", "");
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
  EXPECT_EQ(GetCurrentDirectory(), std::filesystem::canonical(folder_.Path("VorhelmDocs/Logs")).string());
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
