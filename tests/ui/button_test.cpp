#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/message_stream.h"
#include "control_fixture.h"
#include "ui/button.h"

namespace testing_ui {
namespace {

using Strings = std::vector<std::string>;

// A 40 x 20 button at (100, 100): inside is (110, 110), outside (300, 300).
class ButtonTest : public ControlTest {
 protected:
  TButton& MakeButton(const std::string& tooltip = "Launch") {
    TButton& button =
        Add(std::make_unique<TButton>("Go", TScreenPosition(100, 100), "Looks", Command("Launch"), tooltip));
    button.SetSounds(Sound("down"), Sound("up"));
    return button;
  }
};

TEST_F(ButtonTest, PressAndReleaseRules) {
  struct Case {
    const char* what;
    std::function<void(UiInputDriver&)> events;
    Strings executed;
    Strings played;
  };
  const Case cases[] = {
      {"click over the button",
       [](UiInputDriver& in) { in.Click(110, 110); }, {"Launch"}, {"down", "up"}},
      {"press over, release elsewhere",
       [](UiInputDriver& in) {
         in.MoveMouse(110, 110);
         in.Mouse(UiInputDriver::kLeftPress);
         in.MoveMouse(300, 300);
         in.Mouse(UiInputDriver::kLeftRelease);
       },
       {}, {"down", "up"}},
      {"press elsewhere, release over",
       [](UiInputDriver& in) {
         in.MoveMouse(300, 300);
         in.Mouse(UiInputDriver::kLeftPress);
         in.MoveMouse(110, 110);
         in.Mouse(UiInputDriver::kLeftRelease);
       },
       {"Launch"}, {}},
      {"right click over the button",
       [](UiInputDriver& in) {
         in.MoveMouse(110, 110);
         in.Mouse(UiInputDriver::kRightPress);
         in.Mouse(UiInputDriver::kRightRelease);
       },
       {"Launch"}, {"down", "up"}},
      {"middle click over the button",
       [](UiInputDriver& in) {
         in.MoveMouse(110, 110);
         in.Mouse(UiInputDriver::kMiddlePress);
         in.Mouse(UiInputDriver::kMiddleRelease);
       },
       {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    log.executed.clear();
    journal.played.clear();
    if (screen.ChildCount() > 0) screen.RemoveChildAt(0);
    MakeButton();
    c.events(input);
    EXPECT_EQ(log.executed, c.executed);
    EXPECT_EQ(journal.played, c.played);
  }
}

TEST_F(ButtonTest, PressShowsTheDownLookAndOnLastsOneUpdate) {
  TButton& button = MakeButton();
  input.MoveMouse(110, 110);
  input.Mouse(UiInputDriver::kLeftPress);
  EXPECT_TRUE(button.IsPressed());
  EXPECT_EQ(button.GetLook(), TButton::kDownLook);
  input.Mouse(UiInputDriver::kLeftRelease);
  EXPECT_FALSE(button.IsPressed());
  EXPECT_EQ(button.GetLook(), TButton::kUpLook);
  EXPECT_TRUE(button.IsOn());
  input.Mouse(UiInputDriver::kWheel);
  EXPECT_FALSE(button.IsOn());
}

TEST_F(ButtonTest, InactiveButtonIgnoresClicks) {
  TButton& button = MakeButton();
  button.SetEnabled(false);
  input.Click(110, 110);
  EXPECT_TRUE(log.executed.empty());
  EXPECT_TRUE(journal.played.empty());
}

TEST_F(ButtonTest, TooltipShowsWhileHoveredAndLeavesOnlyItsOwnText) {
  MakeButton();
  TMessageStream* messages = TMessageStream::Instance();
  input.MoveMouse(110, 110);
  input.Frame();
  EXPECT_EQ(messages->GetText(), "Launch");
  input.MoveMouse(300, 300);
  input.Frame();
  EXPECT_EQ(messages->GetText(), "");

  input.MoveMouse(110, 110);
  input.Frame();
  messages->Clear();
  messages->Write("Turn sent");
  input.MoveMouse(300, 300);
  input.Frame();
  EXPECT_EQ(messages->GetText(), "Turn sent");
}

TEST_F(ButtonTest, DrawsItsPictureAtItsPositionAndFollowsRelayout) {
  TButton& button = MakeButton();
  input.Frame();
  EXPECT_EQ(journal.drawn, Strings({"up@100,100"}));
  button.SetPosition(200, 150);
  journal.drawn.clear();
  input.Frame();
  EXPECT_EQ(journal.drawn, Strings({"up@100,100"}));
  screen.Relayout();
  journal.drawn.clear();
  input.Frame();
  EXPECT_EQ(journal.drawn, Strings({"up@200,150"}));
  TVector3 at;
  button.GetScreenPosition(at);
  EXPECT_EQ(at.x, 200.0f);
  EXPECT_EQ(at.y, 150.0f);
}

TEST_F(ButtonTest, GreyButtonShowsItsTooltipButIgnoresClicks) {
  interpreter.numbers["IsLocked"] = 1;
  auto& grey = Add(std::make_unique<TGreyButton>("Grey", TScreenPosition(100, 100), "Looks", Command("Launch"),
                                                 Command("IsLocked"), "Locked"));
  grey.SetSounds(Sound("down"), Sound("up"));
  input.MoveMouse(110, 110);
  input.Frame();
  EXPECT_TRUE(grey.IsGrey());
  EXPECT_EQ(grey.GetLook(), TButton::kGreyLook);
  EXPECT_EQ(TMessageStream::Instance()->GetText(), "Locked");
  log.executed.clear();
  input.Click(110, 110);
  EXPECT_TRUE(log.executed.empty());
  EXPECT_TRUE(journal.played.empty());

  interpreter.numbers["IsLocked"] = 0;
  input.Frame();
  EXPECT_FALSE(grey.IsGrey());
  EXPECT_EQ(grey.GetLook(), TButton::kUpLook);
  log.executed.clear();
  input.Click(110, 110);
  EXPECT_EQ(log.executed, Strings({"Launch"}));
}

TEST_F(ButtonTest, ConditionalButtonExistsOnlyWhileItsConditionHolds) {
  auto& button = Add(std::make_unique<TConditionalButton>("Cond", TScreenPosition(100, 100), "Looks",
                                                          Command("Launch"), Command("CanLaunch"), "Launch now"));
  input.MoveMouse(110, 110);
  input.Frame();
  EXPECT_FALSE(button.IsShown());
  EXPECT_TRUE(journal.drawn.empty());
  EXPECT_EQ(TMessageStream::Instance()->GetText(), "");
  log.executed.clear();
  input.Click(110, 110);
  EXPECT_TRUE(log.executed.empty());

  interpreter.numbers["CanLaunch"] = 1;
  input.Frame();
  EXPECT_TRUE(button.IsShown());
  EXPECT_EQ(journal.drawn, Strings({"up@100,100"}));
  EXPECT_EQ(TMessageStream::Instance()->GetText(), "Launch now");
  log.executed.clear();
  input.Click(110, 110);
  EXPECT_EQ(log.executed, Strings({"Launch"}));
}

TEST_F(ButtonTest, NullCommandsDoNothing) {
  auto& grey = Add(std::make_unique<TGreyButton>("Grey", TScreenPosition(100, 100), "Looks", nullptr, nullptr, ""));
  auto& cond = Add(std::make_unique<TConditionalButton>("Cond", TScreenPosition(300, 100), "Looks", nullptr,
                                                        nullptr, ""));
  input.Frame();
  EXPECT_FALSE(grey.IsGrey());
  EXPECT_FALSE(cond.IsShown());
  input.Click(110, 110);
  EXPECT_TRUE(grey.IsOn());
}

TEST_F(ButtonTest, ButtonWithoutPictureDrawsNothingAndIsNeverHit) {
  auto& button = Add(std::make_unique<TButton>("None", TScreenPosition(100, 100), "Unknown", Command("Launch"), ""));
  input.Click(110, 110);
  input.Frame();
  EXPECT_EQ(button.GetVisual(), nullptr);
  EXPECT_TRUE(log.executed.empty());
  EXPECT_TRUE(journal.drawn.empty());
}

}  // namespace
}  // namespace testing_ui
