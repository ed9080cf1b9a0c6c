#include "app/log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_folder.h"

namespace {

TEST(LogTest, ResetCreatesTheFolderAndLinesAreAppended) {
  TTempFolder folder;
  folder.Write("VorhelmDocs/DVX.log", "old run\n");
  ResetLog();
  WriteLog("a\n");
  WriteLog("b\n");
  EXPECT_EQ(folder.Read("VorhelmDocs/DVX.log"), "a\nb\n");
}

TEST(LogTest, MissingDocumentsFolderIsCreated) {
  TTempFolder folder;
  ResetLog();
  WriteLog("Application Started\n");
  EXPECT_EQ(folder.Read("VorhelmDocs/DVX.log"), "Application Started\n");
}

// A link planted in the log's place is not followed: what it points to keeps
// its content, and the failure is reported.
TEST(LogTest, PlantedLinksAreNotFollowed) {
  TTempFolder folder;
  folder.Write("victim.txt", "precious\n");
  folder.MakeFolder("VorhelmDocs");
  std::filesystem::create_symlink(folder.Path("victim.txt"), folder.Path("VorhelmDocs/DVX.log"));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(ResetLog());
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(WriteLog("line\n"));
  EXPECT_EQ(folder.Read("victim.txt"), "precious\n");
  EXPECT_NE(said.find("DVX.log cannot be written"), std::string::npos);
}

TEST(LogTest, ReportedProblemsGoToTheLogAndStandardError) {
  TTempFolder folder;
  ASSERT_TRUE(ResetLog());
  testing::internal::CaptureStderr();
  ReportProblem("Something went wrong.");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Something went wrong.\n");
  EXPECT_EQ(folder.Read("VorhelmDocs/DVX.log"), "Something went wrong.\n");
}

}  // namespace
