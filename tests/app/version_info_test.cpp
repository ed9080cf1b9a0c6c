#include "app/version_info.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_folder.h"

namespace {

class VersionInfoTest : public ::testing::Test {
 protected:
  // Later users must not see an info read in this folder.
  void TearDown() override { DestroyVersionInfo(); }

  void WriteVersionFile(const std::string& text) const { folder_.Write("VorhelmDocs/VorhelmVersion.txt", text); }

 private:
  TTempFolder folder_;
};

TEST_F(VersionInfoTest, TagsOfThisProgram) {
  const TVersionInfo info;
  EXPECT_EQ(info.GetVersionTag(), "Vorhelm-3-10");
  EXPECT_EQ(info.GetOldestVersionTag(), "Vorhelm-1-0");
  EXPECT_EQ(info.GetSaveVersionTag(), "Vorhelm-3-07");
  EXPECT_STREQ(kVersionTag, "Vorhelm-3-10");
  EXPECT_STREQ(kOldestVersionTag, "Vorhelm-1-0");
  EXPECT_STREQ(kSaveVersionTag, "Vorhelm-3-07");
}

TEST_F(VersionInfoTest, WithoutTheVersionFilePlatformAndLanguageAreEmpty) {
  const TVersionInfo info;
  EXPECT_EQ(info.GetPlatform(), "");
  EXPECT_EQ(info.GetLanguage(), "");
}

TEST_F(VersionInfoTest, VersionFileContents) {
  struct Case {
    const char* what;
    const char* text;
    const char* platform;
    const char* language;
  };
  const Case cases[] = {
      {"both keys", "# installation\r\n[Version Info]\r\n  Platform = Linux\r\n  Language = ENG\r\n", "Linux", "ENG"},
      {"one key", "# installation\n[Version Info]\nLanguage = GER\n", "", "GER"},
      {"other section", "# installation\n[Other]\nPlatform = Linux\nLanguage = ENG\n", "", ""},
      {"keys after the section", "# x\n[Version Info]\n[Later]\nPlatform = Linux\n", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteVersionFile(c.text);
    const TVersionInfo info;
    EXPECT_EQ(info.GetPlatform(), c.platform);
    EXPECT_EQ(info.GetLanguage(), c.language);
  }
}

TEST_F(VersionInfoTest, RereadingForgetsRemovedValues) {
  WriteVersionFile("# x\n[Version Info]\nPlatform = Linux\nLanguage = ENG\n");
  TVersionInfo info;
  ASSERT_EQ(info.GetPlatform(), "Linux");
  std::filesystem::remove("VorhelmDocs/VorhelmVersion.txt");
  info.ReadVersionFile();
  EXPECT_EQ(info.GetPlatform(), "");
  EXPECT_EQ(info.GetLanguage(), "");
}

TEST_F(VersionInfoTest, HolderLifecycle) {
  DestroyVersionInfo();
  TVersionInfoHolder* created = GetVersionInfo();
  ASSERT_NE(created, nullptr);
  ASSERT_NE(created->Get(), nullptr);
  EXPECT_EQ(created->Get()->GetVersionTag(), "Vorhelm-3-10");
  EXPECT_EQ(GetVersionInfo(), created);

  WriteVersionFile("# x\n[Version Info]\nPlatform = Linux\n");
  CreateVersionInfo(std::make_unique<TWin32VersionInfo>(nullptr));
  TVersionInfo* info = GetVersionInfo()->Get();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->GetPlatform(), "Linux");
  auto* desktop = dynamic_cast<TWin32VersionInfo*>(info);
  ASSERT_NE(desktop, nullptr);
  EXPECT_EQ(desktop->GetWindowHandle(), nullptr);

  DestroyVersionInfo();
  TVersionInfo* fresh = GetVersionInfo()->Get();
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(dynamic_cast<TWin32VersionInfo*>(fresh), nullptr);
}

TEST(VersionTextTest, VersionTextToNumber) {
  struct Case {
    const char* tag;
    double number;
  };
  const Case cases[] = {
      {"Vorhelm-3-10", 3.1}, {"Vorhelm-3-07", 3.07}, {"Vorhelm-1-0", 1.0}, {"Vorhelm-3-2", 3.2},
      {"Vorhelm-3-9", 3.9},  {"Vorhelm-4", 4.0},     {"2.5", 2.5},         {"Vorhelm-abc", 0.0},
      {"", 0.0},             {"Vorhelm-", 0.0},      {"Vorhelm-inf", 0.0}, {"Vorhelm-3-10-beta", 3.1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    EXPECT_DOUBLE_EQ(VersionTextToNumber(c.tag), c.number);
  }
  EXPECT_GT(VersionTextToNumber(kVersionTag), VersionTextToNumber(kSaveVersionTag));
  EXPECT_GT(VersionTextToNumber("Vorhelm-3-2"), VersionTextToNumber(kVersionTag));
}

TEST(VersionTextTest, VersionNumberText) {
  EXPECT_EQ(VersionNumberText("Vorhelm-3-10"), "3.10");
  EXPECT_EQ(VersionNumberText("Vorhelm-1-0"), "1.0");
  EXPECT_EQ(VersionNumberText("Vorhelm-x"), "");
}

}  // namespace
