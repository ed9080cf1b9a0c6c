#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "control_fixture.h"
#include "ui/button.h"
#include "ui/panel.h"
#include "ui/switches.h"

namespace testing_ui {
namespace {

using Strings = std::vector<std::string>;
using SwitchTest = ControlTest;

// Three switches side by side at x = 100, 200, 300 (40 x 20 each).
TRadio& MakeRadio(ControlTest& test, AnsweringInterpreter& interpreter, AcceleratedScreen& screen) {
  auto radio = std::make_unique<TRadio>("Choice");
  for (int i = 0; i < 3; ++i) {
    const std::string n = std::to_string(i + 1);
    radio->AddChild(std::make_unique<TSwitch>("S" + n, TScreenPosition(100.0f * (i + 1), 100), "Looks",
                                              interpreter.Run("Pick" + n), interpreter.Run("Grey" + n),
                                              interpreter.Run("Is" + n), ""));
  }
  TRadio& added = *radio;
  screen.AddChild(std::move(radio));
  (void)test;
  return added;
}

std::vector<bool> Pressed(const TRadio& radio) {
  std::vector<bool> pressed;
  for (std::size_t i = 0; i < radio.ChildCount(); ++i) pressed.push_back(static_cast<TSwitch*>(radio.ChildAt(i))->IsPressed());
  return pressed;
}

TEST_F(SwitchTest, RadioKeepsOneSwitchDown) {
  TRadio& radio = MakeRadio(*this, interpreter, screen);
  auto* first = static_cast<TSwitch*>(radio.ChildAt(0));
  auto* third = static_cast<TSwitch*>(radio.ChildAt(2));
  EXPECT_EQ(first->GetNext(), radio.ChildAt(1));
  EXPECT_EQ(third->GetPrevious(), radio.ChildAt(1));
  first->SetPressed(true);
  static_cast<TSwitch*>(radio.ChildAt(1))->TButton::SetPressed(true);
  input.MoveMouse(310, 110);
  input.Mouse(UiInputDriver::kLeftPress);
  EXPECT_EQ(Pressed(radio), std::vector<bool>({false, false, true}));
  EXPECT_EQ(log.executed, Strings({"Pick3"}));
  EXPECT_TRUE(third->IsOn());
  // A release neither lets it up nor runs anything; a second press on a
  // switch that is down does nothing.
  log.executed.clear();
  input.Mouse(UiInputDriver::kLeftRelease);
  input.Mouse(UiInputDriver::kLeftPress);
  EXPECT_TRUE(third->IsPressed());
  EXPECT_TRUE(log.executed.empty());

  interpreter.numbers["Is2"] = 1;
  input.Frame();
  EXPECT_EQ(Pressed(radio), std::vector<bool>({false, true, false}));
  interpreter.numbers["Is2"] = 0;
  input.Frame();
  EXPECT_EQ(Pressed(radio), std::vector<bool>({false, false, false}));
}

TEST_F(SwitchTest, GreySwitchIgnoresPressesAndItsState) {
  interpreter.numbers["Grey1"] = 1;
  interpreter.numbers["Is1"] = 1;
  TRadio& radio = MakeRadio(*this, interpreter, screen);
  input.Frame();
  EXPECT_EQ(Pressed(radio), std::vector<bool>({false, false, false}));
  EXPECT_EQ(static_cast<TSwitch*>(radio.ChildAt(0))->GetLook(), TButton::kGreyLook);
  log.executed.clear();
  input.MoveMouse(110, 110);
  input.Mouse(UiInputDriver::kLeftPress);
  EXPECT_EQ(Pressed(radio), std::vector<bool>({false, false, false}));
}

TEST_F(SwitchTest, RemovedSwitchLeavesItsChain) {
  TRadio& radio = MakeRadio(*this, interpreter, screen);
  auto* first = static_cast<TSwitch*>(radio.ChildAt(0));
  auto* third = static_cast<TSwitch*>(radio.ChildAt(2));
  radio.RemoveChildAt(1);
  EXPECT_EQ(first->GetNext(), third);
  EXPECT_EQ(third->GetPrevious(), first);
  first->SetPressed(true);
  third->SetPressed(true);
  EXPECT_FALSE(first->IsPressed());
}

TEST_F(SwitchTest, ToggleStepsThroughItsLooksAndWraps) {
  interpreter.numbers["Mode"] = 2;
  auto& toggle = Add(std::make_unique<TToggle>("Mode", TScreenPosition(100, 100), "Looks", Command("NextMode"),
                                               Command("Mode"), ""));
  input.Frame();
  EXPECT_EQ(toggle.GetLook(), 2);
  log.executed.clear();
  input.MoveMouse(110, 110);
  input.Mouse(UiInputDriver::kLeftPress);
  EXPECT_EQ(toggle.GetLook(), 0);
  EXPECT_TRUE(toggle.IsOn());
  EXPECT_EQ(log.executed, Strings({"NextMode"}));
  input.Mouse(UiInputDriver::kRightPress);
  EXPECT_EQ(toggle.GetLook(), 1);
  // The command has the last word at the next frame.
  input.Frame();
  EXPECT_EQ(toggle.GetLook(), 2);
}

TEST_F(SwitchTest, HeldTouchRunsEveryFrameAndAButtonOnce) {
  auto& touch = Add(std::make_unique<TTouch>("Up", TScreenPosition(100, 100), "Looks", Command("Scroll"), ""));
  touch.SetSounds(Sound("down"), Sound("up"));
  touch.Mute();
  Add(std::make_unique<TButton>("Once", TScreenPosition(300, 100), "Looks", Command("Press"), ""));
  input.MoveMouse(110, 110);
  input.Mouse(UiInputDriver::kLeftPress);
  input.Frame(10);
  input.Mouse(UiInputDriver::kLeftRelease);
  input.Frame(2);
  EXPECT_EQ(std::count(log.executed.begin(), log.executed.end(), "Scroll"), 10);
  EXPECT_TRUE(journal.played.empty());

  log.executed.clear();
  input.MoveMouse(310, 110);
  input.Mouse(UiInputDriver::kLeftPress);
  input.Frame(10);
  input.Mouse(UiInputDriver::kLeftRelease);
  EXPECT_EQ(log.executed, Strings({"Press"}));
}

TEST_F(SwitchTest, TouchLetsGoWhenTheMouseLeaves) {
  auto& touch = Add(std::make_unique<TTouch>("Up", TScreenPosition(100, 100), "Looks", Command("Scroll"), ""));
  input.MoveMouse(110, 110);
  input.Mouse(UiInputDriver::kRightPress);
  EXPECT_TRUE(touch.IsPressed());
  input.MoveMouse(300, 300);
  input.Mouse(UiInputDriver::kWheel);
  EXPECT_FALSE(touch.IsPressed());
  input.Frame();
  EXPECT_TRUE(log.executed.empty());
}

TEST_F(SwitchTest, SwitchItemShowsTheChildItsCommandNumbers) {
  auto item = std::make_unique<TSwitchItem>("Fire", Command("CycleFire"), Command("FireStatus"));
  item->AddChild(std::make_unique<TPanel>("A", TScreenPosition(100, 100), "Plain"));
  item->AddChild(std::make_unique<TPanel>("B", TScreenPosition(100, 100), "Other"));
  auto& added = Add(std::move(item));
  added.SetSound(Sound("click"));
  input.Frame();
  EXPECT_EQ(journal.drawn, Strings({"plain@100,100"}));
  interpreter.numbers["FireStatus"] = 1;
  journal.drawn.clear();
  input.Frame();
  EXPECT_EQ(added.GetIndex(), 1);
  EXPECT_EQ(journal.drawn, Strings({"other@100,100"}));
  interpreter.numbers["FireStatus"] = 7;
  journal.drawn.clear();
  input.Frame();
  EXPECT_TRUE(journal.drawn.empty());

  log.executed.clear();
  input.MoveMouse(110, 110);
  input.Mouse(UiInputDriver::kLeftPress);
  EXPECT_EQ(log.executed, Strings({"CycleFire"}));
  EXPECT_EQ(journal.played, Strings({"click"}));
  EXPECT_TRUE(added.IsOn());
  added.Hide();
  log.executed.clear();
  input.Mouse(UiInputDriver::kLeftPress);
  EXPECT_TRUE(log.executed.empty());
}

}  // namespace
}  // namespace testing_ui
