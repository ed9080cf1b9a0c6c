// The window-message handlers of the game application.
#include "app/application.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/command_line.h"
#include "app/config_parser.h"
#include "app/key_map.h"
#include "app/mouse.h"
#include "app/string_table.h"
#include "platform/window.h"
#include "session/game.h"
#include "support/temp_folder.h"

namespace {

const char* const kDefaults =
    "# defaults\n[APP]\n  FullScreen = NO\n  ScreenWidth = 1024\n  ScreenHeight = 768\n"
    "  WindowWidth = 640\n  WindowHeight = 480\n  WindowXPos = 5\n  WindowYPos = 6\n"
    "  DisplayType = DIRECTDRAW_2D\n";

class ApplicationHandlersTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_.Write("Configs/General.cfg", kDefaults);
    DestroyCommandLine();
    DestroyMouse();
    DestroyKeyMap();
  }
  void TearDown() override {
    DestroyMouse();
    DestroyKeyMap();
  }
  TTempFolder folder_;
};

// Before Init nothing reaches the key map or the mouse, and the mouse is not captured.
TEST_F(ApplicationHandlersTest, InputIsRefusedBeforeInit) {
  TGameApplication application("test");
  application.OnKeyDown('A', 0);
  application.OnChar('a', 0);
  application.OnLeftButtonDown(10, 20, 0);
  application.OnRightButtonDown(10, 20, 0);
  application.OnMouseMove(30, 40, 0);
  EXPECT_TRUE(GetKeyMap()->GetKeysDown().empty());
  EXPECT_FALSE(GetMouse()->IsAnyButtonDown());
  EXPECT_EQ(GetMouse()->GetX(), 0);
  EXPECT_EQ(platform::GetCapture(), nullptr);
}

// A size of 0 x 0 is a minimised window: inactive until it has a size again.
// Activation messages before Init change nothing.
TEST_F(ApplicationHandlersTest, MinimisingMakesTheApplicationInactive) {
  TGameApplication application("test");
  EXPECT_FALSE(application.IsInactive());
  application.OnSize(0, 0, 1);
  EXPECT_TRUE(application.IsInactive());
  application.OnActivate(platform::WA_ACTIVE);
  EXPECT_TRUE(application.IsInactive());
  application.OnSize(640, 480, 0);
  EXPECT_FALSE(application.IsInactive());
  application.OnActivate(platform::WA_INACTIVE);
  EXPECT_FALSE(application.IsInactive());
}

// "Language" is taken only from settings that name an SMTP server.
TEST_F(ApplicationHandlersTest, LanguageIsReadOnlyWithAnSmtpServer) {
  for (const bool withServer : {false, true}) {
    SCOPED_TRACE(withServer);
    DestroyStringTable();
    folder_.Write("Configs/UserData.cfg", std::string("# u\n[APP]\n  Language = GER\n") +
                                               (withServer ? "  SMTPServer = mail.example.net\n" : ""));
    TGameApplication application("test");
    EXPECT_EQ(GetStringTable()->GetLanguage(), withServer ? "GER" : "");
  }
  DestroyStringTable();
}

// The running program: a window, the display and the game, on a copy of the
// data set.
class RunningApplicationTest : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(DVX_DATA_DIR, folder_.Path(), std::filesystem::copy_options::recursive);
    SetCommandLine(TCommandLine::FromArguments(2, kArguments));
    ASSERT_TRUE(CreateMainWindow());
    application_ = GetGameApplication();
    ASSERT_NE(application_, nullptr);
    ASSERT_TRUE(application_->Init());
    window_ = application_->GetWindow();
  }
  void TearDown() override {
    GetApplication()->Shutdown();
    DestroyApplication();
    platform::ShutdownWindowSystem();
    DestroyCommandLine();
  }
  std::string UserText() { return application_->GetUserSettingsFile().GetText(); }

  static constexpr const char* kArguments[2] = {"dvx", "noworkingdirectory"};
  TTempFolder folder_;
  TGameApplication* application_ = nullptr;
  platform::WindowHandle window_ = nullptr;
};

TEST_F(RunningApplicationTest, ActivationRestoresAndInputArrives) {
  application_->OnActivate(platform::WA_INACTIVE);
  EXPECT_TRUE(application_->IsInactive());
  application_->OnActivate(platform::WA_ACTIVE);
  EXPECT_FALSE(application_->IsInactive());

  application_->OnKeyDown('A', 0);
  EXPECT_FALSE(GetKeyMap()->GetKeysDown().empty());
  application_->OnMouseMove(30, 40, 0);
  EXPECT_EQ(GetMouse()->GetX(), 30);
  EXPECT_EQ(GetMouse()->GetY(), 40);
}

// A pressed button captures the mouse; the capture ends with the last button up.
TEST_F(RunningApplicationTest, ButtonsCaptureAndReleaseTheMouse) {
  application_->OnLeftButtonDown(1, 1, 0);
  EXPECT_TRUE(GetMouse()->IsLeftButtonDown());
  EXPECT_EQ(platform::GetCapture(), window_);
  application_->OnRightButtonDown(1, 1, 0);
  application_->OnLeftButtonUp(1, 1, 0);
  EXPECT_EQ(platform::GetCapture(), window_);
  application_->OnRightButtonUp(1, 1, 0);
  EXPECT_FALSE(GetMouse()->IsAnyButtonDown());
  EXPECT_EQ(platform::GetCapture(), nullptr);
}

// Moving and sizing the window write its place and size into the user
// settings. The window first goes to a place and size of its own, so that
// the settings cannot hold those values already.
TEST_F(RunningApplicationTest, MoveAndSizeWriteTheSettings) {
  ASSERT_TRUE(platform::MoveWindow(window_, 123, 77, 720, 540, false));
  platform::Rect rect;
  ASSERT_TRUE(platform::GetWindowRect(window_, rect));
  const std::string x = "WindowXPos = " + std::to_string(rect.left);
  const std::string y = "WindowYPos = " + std::to_string(rect.top);
  const std::string width = "WindowWidth = " + std::to_string(rect.right - rect.left);
  const std::string height = "WindowHeight = " + std::to_string(rect.bottom - rect.top);
  for (const std::string& setting : {x, y, width, height}) {
    ASSERT_EQ(UserText().find(setting), std::string::npos) << setting;
  }
  application_->OnMove(rect.left, rect.top);
  EXPECT_NE(UserText().find(x), std::string::npos);
  EXPECT_NE(UserText().find(y), std::string::npos);
  application_->OnSize(rect.right - rect.left, rect.bottom - rect.top, 0);
  EXPECT_NE(UserText().find(width), std::string::npos);
  EXPECT_NE(UserText().find(height), std::string::npos);
}

// A close request the game allows destroys the window and finishes the run.
TEST_F(RunningApplicationTest, AnAllowedCloseFinishesTheRun) {
  ASSERT_TRUE(TGame::Instance()->AllowsQuit());
  EXPECT_FALSE(application_->IsFinished());
  WindowProc(window_, platform::WM_CLOSE, 0, 0);
  EXPECT_TRUE(application_->IsFinished());
}

}  // namespace
