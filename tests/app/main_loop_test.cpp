#include <gtest/gtest.h>

#include "app/application.h"
#include "platform/window.h"
#include "session/game.h"

namespace {

// An application whose frames and finish are scripted by the test.
class TScriptedApplication : public TApplication {
 public:
  TScriptedApplication() : TApplication("scripted") {}
  void Frame() override {
    ++frames;
    if (frames == finishAfter) finished = true;
  }
  bool IsFinished() override { return finished; }
  void SetInactive(bool inactive) { inactive_ = inactive; }

  int frames = 0;
  int finishAfter = -1;
  bool finished = false;
};

class MainLoopTest : public testing::Test {
 protected:
  void TearDown() override {
    platform::Message message;
    while (platform::PeekMessage(message)) platform::GetMessage(message);
    TGame::DestroyInstance();
  }
};

TEST_F(MainLoopTest, FramesRunWhileTheQueueIsEmptyUntilFinished) {
  TScriptedApplication application;
  application.finishAfter = 4;
  EXPECT_EQ(RunMainLoop(&application), 0);
  EXPECT_EQ(application.frames, 4);
}

TEST_F(MainLoopTest, QuitMessageEndsTheLoopWithItsExitCode) {
  TScriptedApplication application;
  platform::PostQuitMessage(5);
  EXPECT_EQ(RunMainLoop(&application), 5);
  EXPECT_EQ(application.frames, 0);
}

TEST_F(MainLoopTest, InactiveWindowRunsNoFramesAndStillReturnsOnQuit) {
  // The caller shuts down normally after the loop returns, whichever way it ended.
  TScriptedApplication application;
  application.SetInactive(true);
  platform::PostMessage(nullptr, platform::WM_NULL, 0, 0);
  platform::PostQuitMessage(3);
  EXPECT_EQ(RunMainLoop(&application), 3);
  EXPECT_EQ(application.frames, 0);
}

}  // namespace
