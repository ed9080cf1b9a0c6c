#include "app/log.h"

#include <gtest/gtest.h>

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

}  // namespace
