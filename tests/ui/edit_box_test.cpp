// Edit boxes driven by scripted keys and clicks, as a screen holds them:
// typing, the caret, the cursor keys, return and tab, pasting, the length
// bound, the keys left to the rest of the screen, and the box's two commands
// and sounds.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/key_map.h"
#include "display/text/text_run.h"
#include "platform/clipboard.h"
#include "screens/interface_sounds.h"
#include "support/temp_folder.h"
#include "support/ui_display.h"
#include "support/ui_input_driver.h"
#include "ui/commands/command.h"
#include "ui/edit_box.h"
#include "ui/interface_loader.h"
#include "ui/ui_fakes.h"
#include "ui/widget.h"

namespace {

using testing_ui::UiInputDriver;

constexpr uint32_t kBack = 8;
constexpr uint32_t kTab = 9;
constexpr uint32_t kReturn = 13;
constexpr uint32_t kControl = 17;
constexpr uint32_t kEsc = 27;
constexpr uint32_t kLeft = 37;
constexpr uint32_t kRight = 39;
constexpr uint32_t kDelete = 46;
constexpr uint32_t kV = 0x56;

TScreenPosition At(float x, float y) { return TScreenPosition(x, y, "AbsPosX", "AbsPosY"); }

// A command that writes each run into a shared list: the end command with
// the argument it was given, the first command with the result it answers.
class JournalCommand : public TArgumentCommand {
 public:
  using TResultCommand::GetResult;
  using TArgumentCommand::SetArgument;
  JournalCommand(std::string name, std::vector<std::string>& journal, std::string result = "")
      : name_(std::move(name)), journal_(journal), result_(std::move(result)) {}
  void Execute() override { journal_.push_back(name_ + "(" + argument_ + ")"); }
  void SetArgument(std::string argument) override { argument_ = std::move(argument); }
  void GetResult(std::string& result) const override { result = result_; }
  void SetAnswer(std::string result) { result_ = std::move(result); }

 private:
  std::string name_;
  std::vector<std::string>& journal_;
  std::string result_;
  std::string argument_;
};

// Stands after the edit box in the screen and writes down the keys it still
// sees down at each key event.
class KeyWitness : public TWidget {
 public:
  KeyWitness() : TWidget("witness", TScreenPosition()) {}
  void Draw() override {}
  void HandleKeys() override {
    std::string line;
    for (const TKey& key : GetKeyMap()->GetKeysDown()) {
      if (key.IsDown()) line += (line.empty() ? "" : " ") + key.GetName();
    }
    seen.push_back(line);
  }
  std::vector<std::string> seen;
};

class EditBoxTest : public ::testing::Test {
 protected:
  EditBoxTest() { TInterfaceSounds::DestroyInstance(); }
  ~EditBoxTest() override { TInterfaceSounds::DestroyInstance(); }

  // A box from (100, 100) to (260, 164) as the screen's first child, the
  // witness after it. A real first command answers "first".
  TEditBox& AddBox(bool realFirstCommand = false, const std::string& label = "") {
    std::unique_ptr<TCommand> first;
    if (realFirstCommand) {
      auto command = std::make_unique<JournalCommand>("first", journal, "first");
      firstCommand = command.get();
      first = std::move(command);
    }
    auto box = std::make_unique<TEditBox>("edit", At(100, 100), label, false, "^n", std::move(first), At(260, 164),
                                          std::make_unique<JournalCommand>("end", journal));
    box->SetClipboard(&clipboard);
    TEditBox& added = *box;
    screen.AddChild(std::move(box));
    auto witnessWidget = std::make_unique<KeyWitness>();
    witness = witnessWidget.get();
    screen.AddChild(std::move(witnessWidget));
    return added;
  }
  // Activated by a click inside.
  TEditBox& ActiveBox(bool realFirstCommand = false, const std::string& label = "") {
    TEditBox& box = AddBox(realFirstCommand, label);
    input.Click(150, 120);
    return box;
  }
  static int Sounds() { return TInterfaceSounds::Instance()->GetPlayCount(); }

  TTempFolder folder;
  testing_ui::ScopedUiDisplay display{800, 600};
  TNode screen{"screen"};
  UiInputDriver input{screen};
  platform::MemoryClipboard clipboard;
  std::vector<std::string> journal;
  JournalCommand* firstCommand = nullptr;
  KeyWitness* witness = nullptr;
};

TEST_F(EditBoxTest, TypedTextHoldsTheCaretAtTheCursor) {
  TEditBox& box = ActiveBox();
  ASSERT_TRUE(box.IsActivated());
  EXPECT_EQ(box.GetResult(), "");
  input.Frame();
  EXPECT_EQ(box.GetResult(), "|");

  input.TypeKey('X', 'x');
  input.TypeKey('Y', 'y');
  input.Press(kLeft);
  input.TypeKey('Z', 'z');
  EXPECT_EQ(box.GetResult(), "xz|y");
  EXPECT_EQ(box.GetEditedText(), "xzy");
  input.Frame();
  EXPECT_EQ(box.GetResult(), "xz|y");
  EXPECT_EQ(display.Texts().Texts().back(), "xz|y");
}

TEST_F(EditBoxTest, TypingKeepsPrintableBytesOnly) {
  TEditBox& box = ActiveBox();
  input.Type(std::string("a\x1f|\r\x7f\x80\xff b", 9));
  EXPECT_EQ(box.GetEditedText(), std::string("a\x7f\x80\xff b"));
}

TEST_F(EditBoxTest, CursorKeysDeleteAndBackspace) {
  struct Case {
    const char* name;
    std::vector<uint32_t> keys;
    const char* text;
  };
  const Case cases[] = {
      {"back at the start does nothing", {kLeft, kLeft, kLeft, kLeft, kBack}, "|abc"},
      {"delete at the end does nothing", {kDelete}, "abc|"},
      {"back erases before the cursor", {kLeft, kBack}, "a|c"},
      {"delete erases at the cursor", {kLeft, kLeft, kDelete}, "a|c"},
      {"right stops at the end", {kLeft, kRight, kRight, kRight}, "abc|"},
      {"left and right", {kLeft, kLeft, kRight}, "ab|c"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    screen.RemoveChildAt(1);
    screen.RemoveChildAt(0);
    TEditBox& box = ActiveBox();
    input.Type("abc");
    for (const uint32_t key : c.keys) input.Press(key);
    EXPECT_EQ(box.GetResult(), c.text);
  }
}

TEST_F(EditBoxTest, AHeldKeyActsAtEveryRepeat) {
  TEditBox& box = ActiveBox();
  input.Type("abcdef");
  // Three repeats of the held key, then its release.
  input.KeyDown(kLeft);
  input.KeyDown(kLeft);
  input.KeyDown(kLeft);
  input.KeyUp(kLeft);
  EXPECT_EQ(box.GetResult(), "abc|def");
  input.KeyDown(kBack);
  input.KeyDown(kBack);
  input.KeyUp(kBack);
  EXPECT_EQ(box.GetResult(), "a|def");
}

TEST_F(EditBoxTest, ReturnAndTabHandTheTextToTheEndCommandThenRunTheFirst) {
  for (const uint32_t key : {kReturn, kTab}) {
    SCOPED_TRACE(key);
    screen.RemoveChildAt(1);
    screen.RemoveChildAt(0);
    journal.clear();
    TEditBox& box = ActiveBox(true);
    input.Frame();  // activated: the first command does not run
    EXPECT_TRUE(journal.empty());
    input.Type("ok");
    const int before = Sounds();

    input.KeyDown(key);
    EXPECT_FALSE(box.IsActivated());
    EXPECT_EQ(journal, (std::vector<std::string>{"end(ok)", "first()"}));
    EXPECT_EQ(box.GetResult(), "ok");
    EXPECT_EQ(Sounds(), before + 1);
    EXPECT_EQ(TInterfaceSounds::Instance()->GetLastPlayed(), "Activated");
    // Only tab and escape reach the rest of the screen.
    EXPECT_EQ(witness->seen.back(), key == kTab ? "tab" : "");

    // A typed return or tab byte after the end changes nothing.
    input.Type(key == kReturn ? "\r" : "\t");
    input.KeyUp(key);
    EXPECT_EQ(journal.size(), 2u);
  }
}

TEST_F(EditBoxTest, EveryEditKeyLeavesOnlyTabAndEscapeToTheScreen) {
  ActiveBox();
  input.KeyDown(kEsc);
  EXPECT_EQ(witness->seen.back(), "esc");
  input.KeyDown(kControl);
  EXPECT_EQ(witness->seen.back(), "esc");
  input.KeyDown('Q');
  input.Type("q");
  EXPECT_EQ(witness->seen.back(), "esc");
  input.KeyDown(kLeft);
  EXPECT_EQ(witness->seen.back(), "esc");
}

TEST_F(EditBoxTest, ANotActivatedBoxIgnoresKeysAndLeavesThemToTheScreen) {
  TEditBox& box = AddBox();
  input.TypeKey('A', 'a');
  input.KeyDown(kLeft);
  EXPECT_EQ(box.GetResult(), "");
  EXPECT_EQ(witness->seen.back(), "left");
}

TEST_F(EditBoxTest, TheFirstCommandDecidesWhatShowsAfterEditing) {
  TEditBox& kept = ActiveBox();
  input.Type("typed");
  input.Press(kReturn);
  input.Frame(3);
  EXPECT_EQ(kept.GetResult(), "typed");

  screen.RemoveChildAt(1);
  screen.RemoveChildAt(0);
  TEditBox& shown = ActiveBox(true);
  input.Type("typed");
  input.Press(kReturn);
  EXPECT_EQ(shown.GetResult(), "typed");
  input.Frame();
  EXPECT_EQ(shown.GetResult(), "first");
  firstCommand->SetAnswer("changed");
  input.Frame();
  EXPECT_EQ(shown.GetResult(), "changed");
}

TEST_F(EditBoxTest, PressesActivateInsideAndEndTheEditingOutside) {
  TEditBox& box = AddBox();
  struct Point {
    int32_t x;
    int32_t y;
    bool inside;
  };
  // The rectangle is closed: its edges are inside.
  const Point points[] = {{100, 100, true}, {260, 164, true}, {99, 120, false},  {261, 120, false},
                          {150, 99, false}, {150, 165, false}, {180, 130, true}};
  for (const Point& point : points) {
    SCOPED_TRACE(std::to_string(point.x) + "," + std::to_string(point.y));
    input.MoveMouse(point.x, point.y);
    EXPECT_EQ(box.IsUnderMouse(), point.inside);
  }

  input.MoveMouse(150, 120);
  input.Mouse(UiInputDriver::kRightPress);
  EXPECT_TRUE(box.IsActivated());
  EXPECT_EQ(Sounds(), 1);
  input.Type("ab");
  // A press inside again: the sound again, the text stays.
  input.Mouse(UiInputDriver::kLeftPress);
  input.Mouse(UiInputDriver::kLeftRelease);
  EXPECT_EQ(Sounds(), 2);
  EXPECT_EQ(box.GetEditedText(), "ab");
  // Releases, the middle button and the wheel do nothing.
  for (const int32_t code : {UiInputDriver::kRightRelease, UiInputDriver::kMiddlePress, UiInputDriver::kWheel}) {
    input.MoveMouse(400, 400);
    input.Mouse(code);
  }
  EXPECT_TRUE(box.IsActivated());
  input.Click(400, 400);
  EXPECT_FALSE(box.IsActivated());
  EXPECT_EQ(journal, (std::vector<std::string>{"end(ab)"}));
  EXPECT_EQ(box.GetResult(), "ab");
  EXPECT_EQ(Sounds(), 3);
  // A press outside a box that is not editing plays nothing.
  input.Click(400, 400);
  EXPECT_EQ(Sounds(), 3);
}

TEST_F(EditBoxTest, ActivationForgetsACharacterTypedBefore) {
  TEditBox& box = AddBox();
  input.Type("z");
  box.Activate();
  input.KeyUp('Z');
  EXPECT_EQ(box.GetEditedText(), "");
}

TEST_F(EditBoxTest, AnInactiveBoxTakesNoEvents) {
  TEditBox& box = ActiveBox();
  box.SetActive(false);
  input.Type("a");
  input.Click(400, 400);
  input.Frame();
  EXPECT_TRUE(box.IsActivated());
  EXPECT_EQ(box.GetResult(), "");
}

TEST_F(EditBoxTest, PasteInsertsTheFilteredClipboardOnceAndEmptiesIt) {
  TEditBox& box = ActiveBox();
  input.Type("<>");
  input.Press(kLeft);
  clipboard.SetText(std::string("a|b\r\nc\x01\xe9", 8));
  input.KeyDown(kControl);
  input.KeyDown(kV);
  // The character control+V gives, then two keyboard repeats of V.
  input.Type("\x16");
  input.KeyDown(kV);
  input.KeyDown(kV);
  input.KeyUp(kV);
  input.KeyUp(kControl);
  EXPECT_EQ(box.GetResult(), "<abc\xe9|>");
  EXPECT_EQ(clipboard.GetText(), "");
  // The caret is still the one "|" that goes when the editing ends.
  input.Press(kReturn);
  EXPECT_EQ(box.GetResult(), "<abc\xe9>");
}

TEST_F(EditBoxTest, AnEmptyClipboardPastesNothing) {
  TEditBox& box = ActiveBox();
  input.Type("x");
  input.KeyDown(kControl);
  input.KeyDown(kV);
  EXPECT_EQ(box.GetResult(), "x|");
}

TEST_F(EditBoxTest, TheTextStopsAtThreeHundredCharacters) {
  TEditBox& box = ActiveBox();
  input.Type(std::string(299, 'a'));
  input.Type("b");
  EXPECT_EQ(box.GetEditedText().size(), TEditBox::kMaxLength);
  input.Type("c");
  EXPECT_EQ(box.GetEditedText(), std::string(299, 'a') + "b");
  // At the bound the character stays in the key map.
  EXPECT_EQ(GetKeyMap()->TakeTypedChar(), 'c');

  // A paste fills up to the bound and no further.
  input.Press(kBack);
  input.Press(kBack);
  clipboard.SetText("0123456789");
  input.KeyDown(kControl);
  input.KeyDown(kV);
  EXPECT_EQ(box.GetEditedText(), std::string(298, 'a') + "01");
  EXPECT_EQ(clipboard.GetText(), "");
}

TEST_F(EditBoxTest, EditsLandAfterTheLabel) {
  TEditBox& box = ActiveBox(false, "Name: ");
  input.Type("ab");
  input.Press(kLeft);
  input.Type("c");
  EXPECT_EQ(box.GetResult(), "ac|b");
  for (int i = 0; i < 4; ++i) input.Press(kLeft);
  input.Press(kBack);
  EXPECT_EQ(box.GetResult(), "|acb");
  EXPECT_EQ(box.GetText(), "Name: ");
  input.Press(kDelete);
  EXPECT_EQ(box.GetResult(), "|cb");
  input.Frame();
  EXPECT_EQ(display.Texts().Texts().back(), "Name: |cb");
}

TEST_F(EditBoxTest, ABarInTheFirstCommandsResultIsNoCaret) {
  TEditBox& box = AddBox(true);
  firstCommand->SetAnswer("a|b");
  input.Frame();
  EXPECT_EQ(box.GetResult(), "a|b");
  input.Click(150, 120);
  input.Frame();
  EXPECT_EQ(box.GetResult(), "a|b|");
  input.Type("c");
  journal.clear();
  input.Press(kReturn);
  EXPECT_EQ(journal, (std::vector<std::string>{"end(a|bc)", "first()"}));
}

TEST_F(EditBoxTest, InsertTextPresetsAtTheCursor) {
  TEditBox& box = ActiveBox();
  input.Type("ad");
  input.Press(kLeft);
  box.InsertText("b|c\n");
  EXPECT_EQ(box.GetResult(), "abc|d");
  box.InsertText(std::string(400, 'x'));
  EXPECT_EQ(box.GetEditedText().size(), TEditBox::kMaxLength);
}

// ---------------------------------------------------------------------------
// Loading

class EditBoxLoadingTest : public ::testing::Test {
 protected:
  TTempFolder folder;
  testing_ui::ScopedUiDisplay display{800, 600};
  testing_ui::CommandLog log;
  testing_ui::NamingInterpreter interpreter{log};
};

TEST_F(EditBoxLoadingTest, KeysAreReadCentringFirst) {
  const std::string corners = "AbsPosX = 10, AbsPosY = 20 | A | B | C | D | AbsPosX = 110, RelPosY = -100";
  struct Case {
    const char* keys;
    const char* name;
    const char* style;
    bool centred;
    const char* first;
    const char* end;
  };
  const Case cases[] = {
      {"ID = e | Text = T | Centred = yes | Style = ^n | Command0 = Get | Command1 = Set", "e", "^n", true, "Get",
       "Set"},
      // No centring: neither the style nor the commands are read.
      {"ID = e | Style = ^n | Command0 = Get | Command1 = Set", "e", "", false, "Null", "Null"},
      {"ID = e | Centred = no | Command0 = Get | Command1 = Set", "e", "", false, "Null", "Null"},
      {"Centred = TRUE | Style = ^n | Command1 = Set", "", "^n", true, "Null", "Null"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    interpreter.asked.clear();
    TInterfaceLoader loader("");
    RegisterWidgetTypes(loader);
    std::unique_ptr<TWidget> widget = loader.CreateElement("Edit Box | " + corners + " | " + c.keys, interpreter);
    auto* box = dynamic_cast<TEditBox*>(widget.get());
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->IsEditBox());
    EXPECT_EQ(box->GetName(), c.name);
    EXPECT_EQ(box->GetStyle(), c.style);
    EXPECT_EQ(box->IsCentred(), c.centred);
    EXPECT_EQ(testing_ui::CommandName(box->GetCommand()), c.first);
    EXPECT_EQ(testing_ui::CommandName(box->GetEndCommand()), c.end);
    // Both command keys are built, even when empty.
    EXPECT_EQ(interpreter.asked.size(), 2u);
    EXPECT_FLOAT_EQ(box->ScreenPosition().x, 10.0f);
    TVector3 corner;
    box->GetBottomRight(corner);
    EXPECT_FLOAT_EQ(corner.x, 110.0f);
    EXPECT_FLOAT_EQ(corner.y, 500.0f);
  }
}

TEST_F(EditBoxLoadingTest, ALineWithoutItsSecondCornerIsNoEditBox) {
  TInterfaceLoader loader("");
  RegisterWidgetTypes(loader);
  std::vector<std::string> problems;
  loader.SetReporter([&](const std::string& line) { problems.push_back(line); });
  std::unique_ptr<TWidget> widget =
      loader.CreateElement("Edit Box | AbsPosX = 1, AbsPosY = 2 | ID = e | Centred = yes", interpreter);
  EXPECT_EQ(dynamic_cast<TEditBox*>(widget.get()), nullptr);
  EXPECT_FALSE(problems.empty());
}

// Two edit boxes of the fixture file's demonstration: the tree, the
// corners, the commands, and a typed name handed to its command on return.
TEST_F(EditBoxLoadingTest, TheFixtureSectionLoadsAndEdits) {
  std::ifstream file(std::string(DVX_TEST_FIXTURES) + "/ui/Interface.cfg", std::ios::binary);
  ASSERT_TRUE(file.good());
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  interpreter.results["GetMail"] = [] { return std::string("me@example.org"); };
  TInterfaceLoader loader(text);
  RegisterWidgetTypes(loader);
  testing_ui::AcceleratedScreen screen("Edit Box Demo");
  loader.LoadSection("Edit Box Demo", screen, interpreter);

  ASSERT_EQ(screen.ChildCount(), 1u);
  auto* login = dynamic_cast<TNode*>(screen.ChildAt(0));
  ASSERT_NE(login, nullptr);
  ASSERT_EQ(login->ChildCount(), 2u);
  auto* name = dynamic_cast<TEditBox*>(screen.FindByName("Name"));
  auto* mail = dynamic_cast<TEditBox*>(screen.FindByName("Mail"));
  ASSERT_NE(name, nullptr);
  ASSERT_NE(mail, nullptr);
  EXPECT_EQ(login->ChildAt(0), name);
  EXPECT_FLOAT_EQ(name->ScreenPosition().x, 300.0f);
  EXPECT_FLOAT_EQ(name->ScreenPosition().y, 100.0f);
  TVector3 corner;
  mail->GetBottomRight(corner);
  EXPECT_FLOAT_EQ(corner.x, 500.0f);
  EXPECT_FLOAT_EQ(corner.y, 172.0f);
  EXPECT_EQ(testing_ui::CommandName(name->GetCommand()), "Null");
  EXPECT_EQ(testing_ui::CommandName(name->GetEndCommand()), "SetName");
  EXPECT_EQ(testing_ui::CommandName(mail->GetCommand()), "GetMail");
  EXPECT_EQ(testing_ui::CommandName(mail->GetEndCommand()), "SetMail");

  TInterfaceSounds::DestroyInstance();
  UiInputDriver input(screen);
  input.Frame();
  EXPECT_EQ(mail->GetResult(), "me@example.org");
  log.executed.clear();
  input.Click(350, 110);
  EXPECT_TRUE(name->IsActivated());
  EXPECT_FALSE(mail->IsActivated());
  input.Type("Ann");
  input.Press(kReturn);
  EXPECT_EQ(name->GetResult(), "Ann");
  EXPECT_EQ(log.executed, (std::vector<std::string>{"SetName"}));
  EXPECT_EQ(TInterfaceSounds::Instance()->GetPlayCount(), 2);
  TInterfaceSounds::DestroyInstance();
}

}  // namespace

namespace {

TEST_F(EditBoxTest, TheObtuseBoxShowsStarsButHandsOnTheTypedText) {
  EXPECT_EQ(TObtuseEditBox::Mask("ab|c"), "**|*");
  auto owned = std::make_unique<TObtuseEditBox>("secret", At(100, 100), "", false, "^n", nullptr, At(260, 164),
                                                std::make_unique<JournalCommand>("end", journal));
  TObtuseEditBox& box = *owned;
  screen.AddChild(std::move(owned));
  input.Click(150, 120);
  ASSERT_TRUE(box.IsActivated());
  input.Type("pass");
  input.Press(kLeft);
  input.Frame();
  EXPECT_EQ(box.GetResult(), "pas|s");
  ASSERT_NE(box.GetRun(), nullptr);
  EXPECT_EQ(box.GetRun()->ChainText(), "***|*");
  EXPECT_EQ(display.Texts().Texts().back(), "***|*");
  input.Press(kReturn);
  ASSERT_FALSE(journal.empty());
  EXPECT_EQ(journal.front(), "end(pass)");
}

TEST_F(EditBoxLoadingTest, TheObtuseBoxReadsEveryKeyForItself) {
  TInterfaceLoader loader("");
  RegisterWidgetTypes(loader);
  // Style and the commands count although "Centred" is missing.
  std::unique_ptr<TWidget> widget = loader.CreateElement(
      "Obtuse Edit Box | AbsPosX = 10, AbsPosY = 20 | A | B | C | D | AbsPosX = 110, RelPosY = -100 | "
      "ID = secret | Style = ^n | Command0 = Get | Command1 = Set",
      interpreter);
  auto* box = dynamic_cast<TObtuseEditBox*>(widget.get());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->GetName(), "secret");
  EXPECT_EQ(box->GetStyle(), "^n");
  EXPECT_FALSE(box->IsCentred());
  EXPECT_EQ(testing_ui::CommandName(box->GetCommand()), "Get");
  EXPECT_EQ(testing_ui::CommandName(box->GetEndCommand()), "Set");
}

}  // namespace
