#include "app/settings_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/application.h"
#include "app/command_line.h"
#include "app/files.h"
#include "support/temp_folder.h"

namespace {

const char* const kDefaults =
    "# defaults\n"
    "[APP]\n"
    "  FullScreen = NO\n"
    "  ScreenWidth = 1024\n"
    "  ScreenHeight = 768\n"
    "  WindowWidth = 1024\n"
    "  WindowHeight = 768\n"
    "  WindowXPos = 5\n"
    "  WindowYPos = 6\n"
    "  DisplayType = DIRECTDRAW_2D\n"
    "  SMTPServer = NotSet\n"
    "  Language = ENG\n";

TEST(SettingsStoreTest, FirstRunCopiesTheDefaultsAndSavesThemWithEveryWrite) {
  TTempFolder folder;
  folder.Write("Configs/General.cfg", kDefaults);
  {
    TSettingsStore store("Configs\\UserData.cfg", "Configs\\General.cfg");
    ASSERT_TRUE(store.SelectSection("APP"));
    ASSERT_TRUE(store.GetUserFile().SetValue("WindowXPos", "77"));
  }
  const std::string saved = folder.Read("Configs/UserData.cfg");
  std::string expected = kDefaults;
  expected.replace(expected.find("WindowXPos = 5"), 14, "WindowXPos = 77");
  EXPECT_EQ(saved, expected);
  // The defaults file is never written.
  EXPECT_EQ(folder.Read("Configs/General.cfg"), kDefaults);
}

TEST(SettingsStoreTest, UserValuesWinAndMissingKeysFallBackToTheDefaults) {
  TTempFolder folder;
  folder.Write("Configs/General.cfg", kDefaults);
  folder.Write("Configs/UserData.cfg", "# user\n[APP]\n  WindowWidth = 640\n");
  TSettingsStore store("Configs\\UserData.cfg", "Configs\\General.cfg");
  store.SelectSection("APP");
  int32_t width = 0;
  int32_t height = 0;
  EXPECT_TRUE(store.GetInt("WindowWidth", width));
  EXPECT_TRUE(store.GetInt("WindowHeight", height));
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 768);
  std::string missing = "kept";
  EXPECT_FALSE(store.GetString("NoSuchKey", missing));
  EXPECT_EQ(missing, "kept");
}

TEST(SettingsStoreTest, MissingSectionIsAppendedToTheUserFile) {
  TTempFolder folder;
  folder.Write("Configs/General.cfg", kDefaults);
  folder.Write("Configs/UserData.cfg", "# user\n[OTHER]\n  A = 1\n");
  TSettingsStore store("Configs\\UserData.cfg", "Configs\\General.cfg");
  EXPECT_TRUE(store.SelectSection("APP"));
  EXPECT_TRUE(store.GetUserFile().SetValue("Language", "GER"));
  EXPECT_EQ(store.GetUserFile().GetText(), "# user\n[OTHER]\n  A = 1\n\n[APP]\n\r\n  Language = GER\r\n");
}

TEST(SettingsStoreTest, GetValuesStopsAtTheFirstMissingKey) {
  TTempFolder folder;
  folder.Write("Configs/General.cfg", "# d\n[APP]\n  A = 1\n  C = 3\n");
  TSettingsStore store("Configs\\UserData.cfg", "Configs\\General.cfg");
  store.SelectSection("APP");
  int32_t a = 0;
  int32_t b = -1;
  int32_t c = 0;
  using Ref = TSettingsStore::TValueRef;
  EXPECT_FALSE(store.GetValues({Ref{"A", &a}, Ref{"B", &b}, Ref{"C", &c}}));
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, -1);
  EXPECT_EQ(c, 0);
}

// Settings that exist but cannot be read (here: a folder in the file's place,
// and a file beyond the size cap) are never replaced by the defaults.
TEST(SettingsStoreTest, UnreadableUserSettingsAreNeverOverwritten) {
  for (const bool folderInPlace : {true, false}) {
    SCOPED_TRACE(folderInPlace ? "folder" : "oversized file");
    TTempFolder folder;
    folder.Write("Configs/General.cfg", kDefaults);
    const std::string oversized = "# user\n" + std::string(kMaxTextFileBytes, ' ');
    if (folderInPlace) {
      folder.MakeFolder("Configs/UserData.cfg");
    } else {
      folder.Write("Configs/UserData.cfg", oversized);
    }
    testing::internal::CaptureStderr();
    {
      TSettingsStore store("Configs\\UserData.cfg", "Configs\\General.cfg");
      EXPECT_TRUE(store.IsUserFileUnreadable());
      store.SelectSection("APP");
      int32_t width = 0;
      EXPECT_TRUE(store.GetInt("WindowWidth", width));
      EXPECT_EQ(width, 1024);
      store.GetUserFile().SetValue("WindowWidth", "640");
      EXPECT_FALSE(store.SaveUserFile());
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("could not be read"), std::string::npos);
    if (folderInPlace) {
      EXPECT_TRUE(std::filesystem::is_directory(folder.Path("Configs/UserData.cfg")));
    } else {
      EXPECT_EQ(folder.Read("Configs/UserData.cfg"), oversized);
    }
  }
}

// The application reads its window and screen sizes from the settings, with
// broken sizes replaced.
struct SizeCase {
  const char* user;
  int32_t windowWidth;
  int32_t windowHeight;
  int32_t screenWidth;
  int32_t screenHeight;
};

class ApplicationSettingsTest : public testing::TestWithParam<SizeCase> {};

TEST_P(ApplicationSettingsTest, SizesAreClamped) {
  const SizeCase& c = GetParam();
  TTempFolder folder;
  folder.Write("Configs/General.cfg", kDefaults);
  folder.Write("Configs/UserData.cfg", c.user);
  DestroyCommandLine();
  TGameApplication application("test");
  EXPECT_EQ(application.GetWindowWidth(), c.windowWidth);
  EXPECT_EQ(application.GetWindowHeight(), c.windowHeight);
  EXPECT_EQ(application.GetFullScreenWidth(), c.screenWidth);
  EXPECT_EQ(application.GetFullScreenHeight(), c.screenHeight);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ApplicationSettingsTest,
    testing::Values(
        SizeCase{"# u\n[APP]\n WindowWidth = 100\n", 800, 768, 1024, 768},
        SizeCase{"# u\n[APP]\n WindowHeight = 5000\n", 1024, 600, 1024, 768},
        SizeCase{"# u\n[APP]\n WindowWidth = 5000\n WindowHeight = 100\n", 5000, 100, 1024, 768},
        SizeCase{"# u\n[APP]\n WindowWidth = 5001\n WindowHeight = 99\n", 800, 600, 1024, 768},
        SizeCase{"# u\n[APP]\n ScreenWidth = 0\n ScreenHeight = 90000\n", 1024, 768, 800, 600}));

TEST(ApplicationSettingsTest, TheReadStopsAtTheFirstMissingKeyOfTheRun) {
  TTempFolder folder;
  // No "WindowXPos" anywhere: "WindowYPos" and "DisplayType" are not read.
  folder.Write("Configs/General.cfg",
               "# d\n[APP]\n FullScreen = YES\n ScreenWidth = 1280\n ScreenHeight = 1024\n"
               " WindowWidth = 700\n WindowHeight = 500\n WindowYPos = 9\n DisplayType = DD8_3D\n");
  DestroyCommandLine();
  TGameApplication application("test");
  EXPECT_TRUE(application.IsFullScreen());
  EXPECT_EQ(application.GetFullScreenWidth(), 1280);
  EXPECT_EQ(application.GetWindowWidth(), 700);
  EXPECT_EQ(application.GetWindowY(), 0);
  EXPECT_EQ(application.GetRequestedDisplayType(), "");
}

TEST(ApplicationSettingsTest, SmtpServerBlankIsStoredAsNotSet) {
  TTempFolder folder;
  folder.Write("Configs/General.cfg", kDefaults);
  DestroyCommandLine();
  TGameApplication application("test");
  application.SetSmtpServer("   ");
  EXPECT_EQ(application.GetSmtpServer(), "NotSet");
  application.SetSmtpServer("mail.example.org");
  EXPECT_EQ(application.GetSmtpServer(), "mail.example.org");
  // A value that would break the file is refused and the old one stays.
  application.SetSmtpServer("evil\n[APP]");
  EXPECT_EQ(application.GetSmtpServer(), "mail.example.org");
}

}  // namespace
