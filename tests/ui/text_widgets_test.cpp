// Texts and interactive texts with fonts of fixed metrics: translation,
// placement in whole pixels, centring, and the command result shown behind
// the label.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/string_table.h"
#include "display/text/text_run.h"
#include "support/fixed_font.h"
#include "support/temp_folder.h"
#include "support/ui_display.h"
#include "ui/text_widgets.h"
#include "ui/ui_fakes.h"

namespace {

using testing_fonts::StandardStyles;
using testing_fonts::StyleSection;
using testing_ui::CommandLog;
using testing_ui::NamedCommand;

TScreenPosition At(float x, float y) { return TScreenPosition(x, y, "AbsPosX", "AbsPosY"); }

class TextWidgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.Write("Languages/ENG/Interface_ENG.cfg", "# interface texts\n[5]\nEnd turn\n[6]\nScore:\n");
    DestroyStringTable();
    GetStringTable()->SetLanguage("ENG");
    GetStringTable()->EnsureSection("Interface");
  }
  void TearDown() override { DestroyStringTable(); }

  std::vector<testing_fonts::DrawnText>& Drawn() { return display.Texts().drawn; }

  TTempFolder folder;
  // "^w" is one 101-pixel character wide.
  testing_ui::ScopedUiDisplay display{800, 600, StandardStyles() + StyleSection("^w", "Wide", 202, 1.0f)};
  CommandLog commands;
};

TEST_F(TextWidgetTest, TheLabelIsTranslatedOnceAndSetTextShowsCharactersAsTheyAre) {
  TText text("t", At(0, 0), "@5", false, "^n");
  EXPECT_EQ(text.GetText(), "End turn");
  EXPECT_FLOAT_EQ(text.GetWidth(), 64.0f);
  text.SetText("@6");
  EXPECT_EQ(text.GetText(), "@6");
  EXPECT_FLOAT_EQ(text.GetWidth(), 16.0f);
  text.Draw();
  ASSERT_EQ(Drawn().size(), 1u);
  EXPECT_EQ(Drawn()[0].text, "@6");
  EXPECT_EQ(TText("u", At(0, 0), "@99", false, "^n").GetText(), kStringTableOutOfRange);
}

TEST_F(TextWidgetTest, TextIsDrawnAtWholePixelsAndCentredByHalfItsWidth) {
  struct Case {
    std::string name;
    float x;
    float y;
    std::string text;
    std::string style;
    bool centred;
    float drawnX;
    float drawnY;
  };
  const std::vector<Case> cases = {
      {"fractions dropped", 10.9f, 20.9f, "abc", "^n", false, 10.0f, 20.0f},
      {"negative towards zero", -3.7f, -0.5f, "abc", "^n", false, -3.0f, 0.0f},
      {"centred odd width", 300.0f, 0.0f, "x", "^w", true, 250.0f, 0.0f},
      {"centred even width", 300.0f, 0.0f, "abc", "^n", true, 288.0f, 0.0f},
      // A big second run puts the baseline lower: the chain's top moves
      // down by 32 - 16.
      {"shared baseline", 0.0f, 100.0f, "a^bb", "^n", false, 0.0f, 116.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Drawn().clear();
    TText text("t", At(c.x, c.y), c.text, c.centred, c.style);
    text.Draw();
    ASSERT_FALSE(Drawn().empty());
    EXPECT_FLOAT_EQ(Drawn()[0].x, c.drawnX);
    EXPECT_FLOAT_EQ(Drawn()[0].y, c.drawnY);
  }
}

TEST_F(TextWidgetTest, AStyleWithoutFontsDrawsNothing) {
  TText text("t", At(5, 5), "hello", true, "^unknown");
  EXPECT_EQ(text.GetRun(), nullptr);
  EXPECT_FLOAT_EQ(text.GetWidth(), 0.0f);
  text.Draw();
  EXPECT_TRUE(Drawn().empty());
}

TEST_F(TextWidgetTest, SetPositionMovesATextAtOnce) {
  TText text("t", TScreenPosition(0.0f, 0.0f, "CentrePosX", "CentrePosY"), "a", false, "^n");
  EXPECT_FLOAT_EQ(text.ScreenPosition().x, 400.0f);
  text.SetPosition(-10.0f, 7.0f);
  EXPECT_FLOAT_EQ(text.ScreenPosition().x, 790.0f);
  EXPECT_FLOAT_EQ(text.ScreenPosition().y, 7.0f);
}

TEST_F(TextWidgetTest, PositionsBeyondTheIntRangeAreHeldAtItsLimits) {
  EXPECT_EQ(TruncateToPixel(1e30f), 2147483647);
  EXPECT_EQ(TruncateToPixel(-1e30f), -2147483647 - 1);
  EXPECT_EQ(TruncateToPixel(std::numeric_limits<float>::quiet_NaN()), 0);
  TText text("t", At(3e9f, -3e9f), "a", true, "^n");
  text.Draw();
  ASSERT_EQ(Drawn().size(), 1u);
}

// Counts the layouts of the label and result.
class CountingText : public TInteractiveText {
 public:
  using TInteractiveText::TInteractiveText;
  void Rebuild() override {
    ++rebuilds;
    TInteractiveText::Rebuild();
  }
  int rebuilds = 0;
};

TEST_F(TextWidgetTest, AnInteractiveTextShowsTheResultBehindTheLabel) {
  int turn = 3;
  auto command = std::make_unique<NamedCommand>("TurnText", commands, [&turn] { return std::to_string(turn); });
  CountingText text("turn", At(0, 0), "@6", false, "^n", std::move(command));
  text.Draw();
  ASSERT_EQ(Drawn().size(), 1u);
  EXPECT_EQ(Drawn()[0].text, "Score:");

  for (int frame = 0; frame < 3; ++frame) text.Think();
  EXPECT_EQ(commands.executed.size(), 3u);
  EXPECT_EQ(text.rebuilds, 1);
  EXPECT_EQ(text.GetResult(), "3");
  Drawn().clear();
  text.Draw();
  ASSERT_EQ(Drawn().size(), 1u);
  EXPECT_EQ(Drawn()[0].text, "Score:3");
  EXPECT_FLOAT_EQ(text.GetWidth(), 56.0f);

  turn = 12;
  text.SetActive(false);
  text.Think();
  EXPECT_EQ(commands.executed.size(), 3u);
  EXPECT_EQ(text.GetResult(), "3");
  text.SetActive(true);
  text.Think();
  EXPECT_EQ(text.GetResult(), "12");
  EXPECT_EQ(text.rebuilds, 2);

  text.SetResult("set");
  EXPECT_EQ(text.ShownText(), "Score:set");
  EXPECT_EQ(text.rebuilds, 3);
}

TEST_F(TextWidgetTest, AnInteractiveTextWithoutACommandShowsItsLabel) {
  TInteractiveText text("t", At(0, 0), "label", false, "^n", nullptr);
  ASSERT_NE(text.GetCommand(), nullptr);
  EXPECT_TRUE(text.GetCommand()->IsNull());
  text.Think();
  text.Draw();
  ASSERT_EQ(Drawn().size(), 1u);
  EXPECT_EQ(Drawn()[0].text, "label");
}

}  // namespace
