// Box texts with fonts of fixed metrics ("^n": 8 wide, 16 high): wrapping to
// the box width, scrolling to the cursor line, centring each line, and the
// box that shows the message stream.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/message_stream.h"
#include "display/text/text_run.h"
#include "support/temp_folder.h"
#include "support/ui_display.h"
#include "ui/box_text.h"
#include "ui/interface_loader.h"
#include "ui/ui_fakes.h"

namespace {

using testing_ui::CommandLog;
using testing_ui::NamedCommand;
using testing_ui::NamingInterpreter;

TScreenPosition At(float x, float y) { return TScreenPosition(x, y, "AbsPosX", "AbsPosY"); }

class BoxTextTest : public ::testing::Test {
 protected:
  // A box 80 wide (ten characters) and 64 high (four lines) at (100, 100).
  std::unique_ptr<TBoxText> Box(const std::string& label, bool centred = false, const std::string& style = "^n",
                                TScreenPosition corner = At(180, 164)) {
    return std::make_unique<TBoxText>("box", At(100, 100), label, centred, style, nullptr, corner);
  }
  std::vector<std::string> DrawnTexts() {
    std::vector<std::string> texts = display.Texts().Texts();
    display.Texts().drawn.clear();
    return texts;
  }
  std::vector<float> DrawnYs() {
    std::vector<float> ys;
    for (const auto& text : display.Texts().drawn) ys.push_back(text.y);
    return ys;
  }

  TTempFolder folder;
  testing_ui::ScopedUiDisplay display{800, 600};
  CommandLog commands;
};

TEST_F(BoxTextTest, WrapsToTheBoxWidth) {
  auto box = Box("aaaa bbbb cccc dddd abcdefghijkl");
  box->Layout();
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < box->LineCount(); ++i) lines.push_back(box->LineAt(i)->ChainText());
  EXPECT_EQ(lines, (std::vector<std::string>{"aaaa bbbb ", "cccc dddd ", "abcdefghij", "kl"}));
}

TEST_F(BoxTextTest, ShowsTheLastLinesWhileTheCursorIsAtTheEnd) {
  auto box = Box("l1\nl2\nl3\nl4\nl5\nl6");
  box->Draw();
  EXPECT_EQ(box->GetFirstLine(), 2u);
  EXPECT_EQ(DrawnYs(), (std::vector<float>{100.0f, 116.0f, 132.0f, 148.0f}));
  EXPECT_EQ(DrawnTexts(), (std::vector<std::string>{"l3\n", "l4\n", "l5\n", "l6"}));

  // The cursor moved back into a line above the view: the view jumps there.
  box->SetCursor(1);
  box->Draw();
  EXPECT_EQ(box->GetFirstLine(), 0u);
  EXPECT_EQ(DrawnTexts(), (std::vector<std::string>{"l1\n", "l2\n", "l3\n", "l4\n"}));
  // Within the view nothing moves.
  box->SetCursor(9);
  box->Draw();
  EXPECT_EQ(box->GetFirstLine(), 0u);
  // One line below the view scrolls by one.
  box->SetCursor(13);
  box->Draw();
  EXPECT_EQ(box->GetFirstLine(), 1u);
}

TEST_F(BoxTextTest, AnEmptyTextHasNoLines) {
  auto box = Box("");
  box->Think();
  box->Draw();
  EXPECT_EQ(box->LineCount(), 0u);
  EXPECT_TRUE(DrawnTexts().empty());
}

TEST_F(BoxTextTest, ACentredBoxCentresEachLineOnItsLeftEdge) {
  auto box = Box("ab\nabcd", true);
  box->Draw();
  ASSERT_EQ(display.Texts().drawn.size(), 2u);
  EXPECT_FLOAT_EQ(display.Texts().drawn[0].x, 100.0f - 12.0f);
  EXPECT_FLOAT_EQ(display.Texts().drawn[1].x, 100.0f - 16.0f);
}

TEST_F(BoxTextTest, ABoxWithoutRoomKeepsItsLinesAndALineTallerThanTheBoxIsNotDrawn) {
  auto inverted = Box("text", false, "^n", At(50, 50));
  inverted->Draw();
  EXPECT_EQ(inverted->LineCount(), 0u);
  EXPECT_TRUE(DrawnTexts().empty());

  auto low = Box("big", false, "^b", At(180, 110));
  low->Draw();
  EXPECT_EQ(low->LineCount(), 1u);
  EXPECT_TRUE(DrawnTexts().empty());
}

TEST_F(BoxTextTest, TheCursorStaysOutOfTheLabelAndWithinTheText) {
  auto box = Box("ab");
  box->SetResult("cd");
  box->ResetScroll();
  EXPECT_EQ(box->GetCursor(), 4u);
  box->CursorRight();
  EXPECT_EQ(box->GetCursor(), 4u);
  for (int i = 0; i < 5; ++i) box->CursorLeft();
  EXPECT_EQ(box->GetCursor(), 2u);
  box->SetCursor(40);
  EXPECT_EQ(box->GetCursor(), 4u);
  TVector3 corner;
  box->GetBottomRight(corner);
  EXPECT_FLOAT_EQ(corner.x, 180.0f);
  EXPECT_FLOAT_EQ(corner.y, 164.0f);
}

TEST_F(BoxTextTest, ThinkRunsTheCommandAndMovesTheCursorToTheEnd) {
  std::string news = "one";
  auto box = std::make_unique<TBoxText>("box", At(100, 100), "> ", false, "^n",
                                        std::make_unique<NamedCommand>("News", commands, [&news] { return news; }),
                                        At(180, 164));
  box->SetCursor(0);
  box->Think();
  EXPECT_EQ(box->GetCursor(), 5u);
  ASSERT_EQ(box->LineCount(), 1u);
  EXPECT_EQ(box->LineAt(0)->ChainText(), "> one");
  box->SetActive(false);
  news = "two";
  box->Think();
  EXPECT_EQ(box->LineAt(0)->ChainText(), "> one");
  EXPECT_EQ(commands.executed.size(), 1u);
}

TEST_F(BoxTextTest, TheMessageStreamBoxFollowsTheStream) {
  CommandLog log;
  NamingInterpreter interpreter(log);
  interpreter.results["GetMessageStream"] = [] { return TMessageStream::Instance()->GetText(); };
  TInterfaceLoader loader(
      "# interface\n[Screen]\nBox Text | AbsPosX = 100, AbsPosY = 100 | Text = | Style = ^n | Centred = NO | "
      "Command0 = GetMessageStream | AbsPosX = 180, AbsPosY = 164 | ID = Messages\n");
  RegisterWidgetTypes(loader);
  TMessageStream::Instance()->Write("stale\n");
  TNode screen("Screen");
  loader.LoadSection("Screen", screen, interpreter);
  auto* box = dynamic_cast<TBoxText*>(screen.FindByName("Messages"));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(TMessageStream::Instance()->GetView(), box);
  EXPECT_EQ(TMessageStream::Instance()->GetText(), "");

  TMessageStream::Instance()->Write("Unit lost\n");
  ASSERT_EQ(box->LineCount(), 1u);
  EXPECT_EQ(box->LineAt(0)->ChainText(), "Unit lost\n");

  screen.RemoveChildAt(0);
  EXPECT_EQ(TMessageStream::Instance()->GetView(), nullptr);
  TMessageStream::Instance()->Write("after\n");
  TMessageStream::Instance()->Clear();
}

}  // namespace
