// Text laid out in styled runs with fonts of fixed metrics: cutting at style
// codes, merging runs of one style, measuring, drawing on a shared baseline,
// splitting and breaking into lines.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "display/text/font_manager.h"
#include "display/text/text_run.h"
#include "support/fixed_font.h"

namespace {

using testing_fonts::TextJournal;

struct RunView {
  std::string text;
  std::string face;
  float height;
};

class TextRunTest : public ::testing::Test {
 protected:
  TextRunTest() { testing_fonts::LoadFixedFonts(fonts, journal); }

  std::unique_ptr<TTextRun> Lay(const std::string& text, const std::string& code = "^n") {
    return TTextRun::Layout(fonts, code, text);
  }

  static std::vector<RunView> Runs(const TTextRun* chain) {
    std::vector<RunView> runs;
    for (const TTextRun* run = chain; run; run = run->GetNext()) {
      runs.push_back(RunView{run->GetText(), run->GetStyle().font ? run->GetStyle().font->GetFace() : "",
                             run->GetHeight()});
    }
    return runs;
  }

  static void ExpectRuns(const TTextRun* chain, const std::vector<RunView>& expected) {
    const std::vector<RunView> runs = Runs(chain);
    ASSERT_EQ(runs.size(), expected.size());
    for (std::size_t i = 0; i < runs.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(runs[i].text, expected[i].text);
      EXPECT_EQ(runs[i].face, expected[i].face);
      EXPECT_FLOAT_EQ(runs[i].height, expected[i].height);
    }
  }

  TextJournal journal;
  TFontManager fonts;
};

TEST_F(TextRunTest, LayoutCutsAtStyleCodes) {
  struct Case {
    std::string text;
    std::vector<RunView> runs;
  };
  const std::vector<Case> cases = {
      {"", {{"", "Normal", 0.0f}}},
      {"plain", {{"plain", "Normal", 16.0f}}},
      {"^bbig", {{"big", "Big", 32.0f}}},
      {"ab^bcd", {{"ab", "Normal", 16.0f}, {"cd", "Big", 32.0f}}},
      {"^b^nx", {{"", "Big", 32.0f}, {"x", "Normal", 16.0f}}},
      {"ab^b", {{"ab", "Normal", 16.0f}, {"", "Big", 32.0f}}},
      // Runs of one style merge and keep the height of the first of them.
      {"ab^ncd", {{"abcd", "Normal", 16.0f}}},
      {"^sa^bb^sc", {{"a", "Small", 8.0f}, {"b", "Big", 32.0f}, {"c", "Small", 8.0f}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto chain = Lay(c.text);
    ExpectRuns(chain.get(), c.runs);
  }
}

TEST_F(TextRunTest, MeasuresWidthsHeightsAndTheWidestUnderscore) {
  auto chain = Lay("ab^bcd^sef");
  EXPECT_FLOAT_EQ(chain->Width(), 16.0f);
  EXPECT_FLOAT_EQ(chain->TotalWidth(), 16.0f + 32.0f + 8.0f);
  EXPECT_FLOAT_EQ(chain->MaxHeight(0.0f), 32.0f);
  EXPECT_FLOAT_EQ(chain->MaxHeight(40.0f), 40.0f);
  EXPECT_FLOAT_EQ(chain->MinimumWidth(), 16.0f);
  EXPECT_FLOAT_EQ(Lay("^sx")->MinimumWidth(), 4.0f);
}

TEST_F(TextRunTest, AppendMergesOnlyARunOfTheSameStyle) {
  auto chain = Lay("ab");
  chain->Append(Lay("cd^bef"));
  chain->Append(Lay("^bgh"));
  ExpectRuns(chain.get(), {{"abcd", "Normal", 16.0f}, {"efgh", "Big", 32.0f}});
}

TEST_F(TextRunTest, RunsOfDifferentSizesShareOneBaseline) {
  Lay("ab^bcd^ne")->Draw(10.0f, 100.0f);
  ASSERT_EQ(journal.drawn.size(), 3u);
  // The ascent of the 16 font is 12, of the 32 font 24.
  EXPECT_FLOAT_EQ(journal.drawn[0].x, 10.0f);
  EXPECT_FLOAT_EQ(journal.drawn[0].y, 100.0f);
  EXPECT_FLOAT_EQ(journal.drawn[1].x, 26.0f);
  EXPECT_FLOAT_EQ(journal.drawn[1].y, 88.0f);
  EXPECT_FLOAT_EQ(journal.drawn[2].x, 58.0f);
  EXPECT_FLOAT_EQ(journal.drawn[2].y, 100.0f);

  journal.drawn.clear();
  Lay("ab^bcd")->DrawOnBaseline(10.0f, 100.0f);
  ASSERT_EQ(journal.drawn.size(), 2u);
  EXPECT_FLOAT_EQ(journal.drawn[0].y, 116.0f);
  EXPECT_FLOAT_EQ(journal.drawn[1].y, 104.0f);
}

TEST_F(TextRunTest, EmptyRunsAreNotDrawnButStillMoveTheBaseline) {
  Lay("^b^nx")->Draw(0.0f, 50.0f);
  ASSERT_EQ(journal.drawn.size(), 1u);
  EXPECT_EQ(journal.drawn[0].text, "x");
  EXPECT_FLOAT_EQ(journal.drawn[0].y, 50.0f + 24.0f - 12.0f);
}

TEST_F(TextRunTest, SplitAtCutsARunOrDetachesItsSuccessors) {
  auto chain = Lay("abcd^bef");
  auto rest = chain->SplitAt(1);
  ExpectRuns(chain.get(), {{"a", "Normal", 16.0f}});
  ExpectRuns(rest.get(), {{"bcd", "Normal", 16.0f}, {"ef", "Big", 32.0f}});

  auto tail = rest->SplitAt(3);
  ExpectRuns(rest.get(), {{"bcd", "Normal", 16.0f}});
  ExpectRuns(tail.get(), {{"ef", "Big", 32.0f}});
  EXPECT_EQ(tail->SplitAt(2), nullptr);
}

TEST_F(TextRunTest, CloneIsADeepCopy) {
  auto chain = Lay("ab^bcd");
  auto copy = chain->Clone();
  chain->SplitAt(1);
  EXPECT_EQ(copy->ChainText(), "abcd");
  ExpectRuns(copy.get(), {{"ab", "Normal", 16.0f}, {"cd", "Big", 32.0f}});
}

TEST_F(TextRunTest, BreakLineFindsTheNextLine) {
  struct Case {
    std::string name;
    std::string text;
    float widthLeft;
    float lineWidth;
    std::string line;
    std::string next;  // "-" for none
  };
  // Characters of the normal style are 8 wide.
  const std::vector<Case> cases = {
      {"after the space", "ab cd", 32.0f, 32.0f, "ab ", "cd"},
      {"long word moves to the next line", "abcdef", 32.0f, 80.0f, "", "abcdef"},
      {"word longer than a line is cut", "abcdef", 32.0f, 32.0f, "abcd", "ef"},
      {"newline with room left", "ab\ncd", 800.0f, 800.0f, "ab\n", "cd"},
      {"everything fits", "abc", 24.0f, 24.0f, "abc", "-"},
      {"tab is a break", "ab\tcdef", 40.0f, 40.0f, "ab\t", "cdef"},
      {"last space wins", "a b c def", 56.0f, 56.0f, "a b c ", "def"},
      {"fits in the next run", "ab^bcd", 48.0f, 48.0f, "abcd", "-"},
      {"breaks in the next run", "ab^bcd ef", 64.0f, 64.0f, "abcd ", "ef"},
      {"next run moves whole", "ab^bcd ef", 56.0f, 56.0f, "ab", "cd ef"},
      // A space in an earlier run is no break point for the run that overflows.
      {"earlier space unused", "^sa ^bbcdef", 28.0f, 28.0f, "a b", "cdef"},
      {"character wider than the line", "^bxy", 8.0f, 8.0f, "x", "y"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto chain = Lay(c.text);
    auto next = chain->BreakLine(c.widthLeft, c.lineWidth);
    EXPECT_EQ(chain->ChainText(), c.line);
    EXPECT_EQ(next ? next->ChainText() : "-", c.next);
  }
}

TEST_F(TextRunTest, BreakingAgainAndAgainEndsEvenWhenNothingFits) {
  auto line = Lay("^bwide letters ^nand\nsmall ones");
  std::vector<std::string> lines;
  while (line && lines.size() < 100) {
    auto next = line->BreakLine(4.0f, 4.0f);
    lines.push_back(line->ChainText());
    line = std::move(next);
  }
  EXPECT_LT(lines.size(), 100u);
  std::string joined;
  for (const std::string& text : lines) joined += text;
  EXPECT_EQ(joined, "wide letters and\nsmall ones");
}

TEST_F(TextRunTest, SetMinimumBreaksAtTheWidestUnderscoreAtLeast) {
  auto chain = Lay("abc ^bde");
  chain->SetMinimum(1.0f);  // the big "_" is 16 wide
  EXPECT_EQ(chain->ChainText(), "ab");
}

TEST_F(TextRunTest, UnknownCodeIsPlainTextInTheEmptyStyle) {
  auto chain = Lay("^q text", "^zz");
  ExpectRuns(chain.get(), {{"^q text", "", 0.0f}});
  EXPECT_FLOAT_EQ(chain->TotalWidth(), 0.0f);
}

TEST_F(TextRunTest, AChainOfVeryManyRunsIsLaidOutAndDestroyed) {
  std::string text;
  const char* const pieces[] = {"^na", "^bb", "^sc"};
  for (int i = 0; i < 60000; ++i) text += pieces[i % 3];
  auto chain = Lay(text);
  EXPECT_EQ(chain->ChainText().size(), 60000u);
  auto copy = chain->Clone();
  EXPECT_EQ(copy->TotalWidth(), chain->TotalWidth());
  chain.reset();
}

// Empty runs of alternating styles fit any width, so a line break walks the
// whole chain before it finds the text that ends the line.
TEST_F(TextRunTest, ALineBreakWalksAChainOfVeryManyEmptyRuns) {
  std::string text;
  for (int i = 0; i < 400000; ++i) text += (i % 2 == 0) ? "^b" : "^n";
  auto chain = Lay(text + "ab cd");
  const float width = chain->TotalWidth();
  EXPECT_EQ(chain->Clone()->BreakLine(width, width), nullptr) << "everything fits on one line";
  auto rest = chain->BreakLine(width - 1.0f, width);
  ASSERT_NE(rest, nullptr);
  EXPECT_EQ(rest->ChainText(), "cd");
  EXPECT_EQ(chain->ChainText(), "ab ");
}

}  // namespace
