#include "app/directory_listing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace {

class DirectoryListingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"c.sav", "a.sav", "B.sav"}) {
      folder_.Write(std::string("Saves/") + name, name);
    }
    folder_.Write("plain.txt", "text");
  }

  // Reads the listing to its end; checks every entry's length on the way.
  static std::vector<std::string> ReadAll(TDirStream* stream) {
    std::vector<std::string> names;
    while (TDirEntry* entry = ReadDirectory(stream)) {
      EXPECT_EQ(entry->nameLength, std::strlen(entry->name));
      names.emplace_back(entry->name);
    }
    EXPECT_EQ(GetDirectoryError(), kDirectoryOk);
    return names;
  }

  TTempFolder folder_;
};

const std::vector<std::string> kSavesListing = {".", "..", "B.sav", "a.sav", "c.sav"};

TEST_F(DirectoryListingTest, ListsDotEntriesAndFilesInOrderThenNothing) {
  TDirStream* stream = OpenDirectory("Saves");
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(GetDirectoryError(), kDirectoryOk);
  EXPECT_EQ(stream->GetState(), 0);
  EXPECT_EQ(ReadAll(stream), kSavesListing);
  EXPECT_EQ(stream->GetState(), -1);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(ReadDirectory(stream), nullptr);
    EXPECT_EQ(GetDirectoryError(), kDirectoryOk);
  }
  EXPECT_EQ(CloseDirectory(stream), 0);
}

TEST_F(DirectoryListingTest, StateCountsTheEntriesRead) {
  TDirStream* stream = OpenDirectory("Saves");
  ASSERT_NE(stream, nullptr);
  for (int64_t n = 1; n <= 3; ++n) {
    ASSERT_NE(ReadDirectory(stream), nullptr);
    EXPECT_EQ(stream->GetState(), n);
  }
  CloseDirectory(stream);
}

struct PathCase {
  const char* path;
  const char* pattern;
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << "\"" << c.path << "\""; }

class DirectoryPaths : public DirectoryListingTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(DirectoryPaths, TrailingSeparatorMakesNoDifference) {
  TDirStream* stream = OpenDirectory(GetParam().path);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->GetPattern(), GetParam().pattern);
  EXPECT_EQ(ReadAll(stream), kSavesListing);
  CloseDirectory(stream);
}

INSTANTIATE_TEST_SUITE_P(Table, DirectoryPaths,
                         ::testing::Values(PathCase{"Saves", "Saves\\*"}, PathCase{"Saves\\", "Saves\\*"},
                                           PathCase{"Saves/", "Saves/*"}, PathCase{"saves", "saves\\*"},
                                           PathCase{"SAVES\\", "SAVES\\*"}));

struct OpenErrorCase {
  const char* path;
  int error;
};

void PrintTo(const OpenErrorCase& c, std::ostream* os) {
  *os << (c.path ? "\"" + std::string(c.path) + "\"" : std::string("(null)"));
}

class OpenErrors : public DirectoryListingTest, public ::testing::WithParamInterface<OpenErrorCase> {};

TEST_P(OpenErrors, FailWithTheErrorValue) {
  EXPECT_EQ(OpenDirectory(GetParam().path), nullptr);
  EXPECT_EQ(GetDirectoryError(), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(Table, OpenErrors,
                         ::testing::Values(OpenErrorCase{nullptr, kDirectoryBadAddress},
                                           OpenErrorCase{"", kDirectoryNotAFolder},
                                           OpenErrorCase{"plain.txt", kDirectoryNotAFolder},
                                           OpenErrorCase{"Saves\\a.sav", kDirectoryNotAFolder},
                                           OpenErrorCase{"Missing", kDirectoryNotFound},
                                           OpenErrorCase{"Missing\\Deeper\\", kDirectoryNotFound}));

TEST_F(DirectoryListingTest, ErrorValueIsResetBySuccess) {
  EXPECT_EQ(OpenDirectory("Missing"), nullptr);
  ASSERT_EQ(GetDirectoryError(), kDirectoryNotFound);
  TDirStream* stream = OpenDirectory("Saves");
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(GetDirectoryError(), kDirectoryOk);
  CloseDirectory(stream);
}

TEST_F(DirectoryListingTest, NullStreamIsABadAddress) {
  EXPECT_EQ(ReadDirectory(nullptr), nullptr);
  EXPECT_EQ(GetDirectoryError(), kDirectoryBadAddress);
  EXPECT_EQ(CloseDirectory(nullptr), -1);
  EXPECT_EQ(GetDirectoryError(), kDirectoryBadAddress);
}

TEST_F(DirectoryListingTest, FolderRemovedBeforeTheFirstReadEndsTheListing) {
  TDirStream* stream = OpenDirectory("Saves");
  ASSERT_NE(stream, nullptr);
  std::filesystem::remove_all("Saves");
  EXPECT_EQ(ReadDirectory(stream), nullptr);
  EXPECT_EQ(GetDirectoryError(), kDirectoryNotFound);
  EXPECT_EQ(stream->GetState(), -1);
  EXPECT_EQ(ReadDirectory(stream), nullptr);
  EXPECT_EQ(GetDirectoryError(), kDirectoryOk);
  EXPECT_EQ(CloseDirectory(stream), 0);
}

TEST_F(DirectoryListingTest, ClosingBeforeTheEndIsClean) {
  TDirStream* stream = OpenDirectory("Saves");
  ASSERT_NE(stream, nullptr);
  ASSERT_NE(ReadDirectory(stream), nullptr);
  EXPECT_EQ(CloseDirectory(stream), 0);
  EXPECT_EQ(GetDirectoryError(), kDirectoryOk);
}

}  // namespace
