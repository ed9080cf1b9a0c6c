#include "app/text_utils.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "display/colour.h"
#include "ui/screen_position.h"

namespace {

using Fields = std::vector<std::string>;

// ---------------------------------------------------------------------------
// Text.
struct TextCase {
  const char* input;
  const char* expected;
};

class TrimTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(TrimTextTest, RemovesBlanksLineEndsAndTabsAtBothEnds) {
  EXPECT_EQ(TrimText(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, TrimTextTest,
                         ::testing::Values(TextCase{"  a b  ", "a b"},
                                           TextCase{"\r\n\t x\t\r\n", "x"},
                                           TextCase{"x", "x"}, TextCase{" \t\r\n ", ""},
                                           TextCase{"", ""}, TextCase{"\va\v", "\va\v"}));

class StripCommentTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(StripCommentTest, KeepsTheTextBeforeTheFirstHash) {
  EXPECT_EQ(StripComment(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, StripCommentTest,
                         ::testing::Values(TextCase{"a # b", "a "}, TextCase{"#all", ""},
                                           TextCase{"none", "none"},
                                           TextCase{"a#b#c", "a"}, TextCase{"", ""}));

struct SplitCase {
  const char* text;
  const char* delimiters;
  Fields expected;
};

class SplitStringTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitStringTest, KeepsTrimmedNonEmptyFieldsWithoutComments) {
  EXPECT_EQ(SplitString(GetParam().text, GetParam().delimiters), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitStringTest,
    ::testing::Values(SplitCase{" a , , b # c", ",", Fields{"a", "b "}},
                      SplitCase{"1,2,3", ",", Fields{"1", "2", "3"}},
                      SplitCase{",,x,,", ",", Fields{"x"}},
                      SplitCase{"a b;c", " ;", Fields{"a", "b", "c"}},
                      SplitCase{" # only , y", ",", Fields{"y"}},
                      SplitCase{"whole text", "", Fields{"whole text"}},
                      SplitCase{"", ",", Fields{}}, SplitCase{" , ", ",", Fields{}}));

TEST(TextUtilsTest, ContainsText) {
  const std::vector<std::pair<std::pair<const char*, const char*>, bool>> cases = {
      {{"hello world", "lo w"}, true}, {{"hello", "hello"}, true}, {{"hello", "Hello"}, false},
      {{"hi", "high"}, false},         {{"", ""}, false},           {{"text", ""}, false},
      {{"", "x"}, false},
  };
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(ContainsText(input.first, input.second), expected)
        << input.first << " / " << input.second;
  }
}

TEST(TextUtilsTest, EraseTextRemovesTheFirstOccurrenceOnly) {
  const std::vector<std::pair<std::pair<const char*, const char*>, const char*>> cases = {
      {{"a-b-c", "-"}, "ab-c"}, {{"abc", "x"}, "abc"}, {{"", "x"}, ""},
      {{"abc", ""}, "abc"},     {{"abc", "abc"}, ""},
  };
  for (const auto& [input, expected] : cases) {
    std::string text = input.first;
    EraseText(text, input.second);
    EXPECT_EQ(text, expected) << input.first << " / " << input.second;
  }
}

struct ReplaceCase {
  const char* text;
  const char* pattern;
  const char* replacement;
  const char* expected;
};

class ReplaceAllTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceAllTest, ReplacesUntilThePatternIsGone) {
  const ReplaceCase& c = GetParam();
  EXPECT_EQ(ReplaceAll(c.text, c.pattern, c.replacement), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceAllTest,
    ::testing::Values(ReplaceCase{"a.b.c", ".", "\\", "a\\b\\c"},
                      // Repeated: blanks collapse however many there were.
                      ReplaceCase{"a     b", "  ", " ", "a b"},
                      // Removing "ab" from "aabb" leaves a new "ab".
                      ReplaceCase{"aabb", "ab", "", ""},
                      ReplaceCase{"xaaay", "aa", "b", "xbay"},
                      ReplaceCase{"none", "x", "y", "none"},
                      ReplaceCase{"text", "", "y", "text"},
                      // A replacement holding the pattern: one pass.
                      ReplaceCase{"a\nb\n", "\n", "\r\n", "a\r\nb\r\n"},
                      ReplaceCase{"aa", "a", "aa", "aaaa"},
                      ReplaceCase{"xx", "x", "x", "xx"}));

TEST(TextUtilsTest, UpperCaseChangesOnlyAsciiLetters) {
  std::string text = "abz AZ 09 _\xE4\xFF";
  UpperCase(text);
  EXPECT_EQ(text, "ABZ AZ 09 _\xE4\xFF");
}

TEST(TextUtilsTest, LowerCaseReturnsALowerCasedCopy) {
  const std::string text = "Hello WORLD 42";
  EXPECT_EQ(LowerCase(text), "hello world 42");
  EXPECT_EQ(text, "Hello WORLD 42");
  EXPECT_EQ(LowerCase(""), "");
}

// ---------------------------------------------------------------------------
// Numbers and text.
TEST(TextUtilsTest, StringToFloat) {
  const std::vector<std::pair<const char*, double>> cases = {
      {"1.5", 1.5}, {"  -2.25xyz", -2.25}, {"abc", 0.0}, {"", 0.0}, {"3e2", 300.0},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_DOUBLE_EQ(StringToFloat(text), expected) << text;
  }
}

struct BoolTextCase {
  const char* text;
  bool expected;
};

class StringToBoolTest : public ::testing::TestWithParam<BoolTextCase> {};

TEST_P(StringToBoolTest, AcceptsTheTrueWordsInAnyCase) {
  EXPECT_EQ(StringToBool(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StringToBoolTest,
    ::testing::Values(BoolTextCase{"yes", true}, BoolTextCase{"YES", true},
                      BoolTextCase{"t", true}, BoolTextCase{"T", true},
                      BoolTextCase{"1", true}, BoolTextCase{"true", true},
                      BoolTextCase{"Y", true}, BoolTextCase{"on", false},
                      BoolTextCase{"", false}, BoolTextCase{"0", false},
                      BoolTextCase{"yes ", false}, BoolTextCase{"no", false}));

TEST(TextUtilsTest, IntToString) {
  EXPECT_EQ(IntToString(0), "0");
  EXPECT_EQ(IntToString(-42), "-42");
  EXPECT_EQ(IntToString(int64_t{1} << 40), "1099511627776");
}

struct PaddedCase {
  int64_t value;
  int width;
  const char* expected;
};

class IntToStringPaddedTest : public ::testing::TestWithParam<PaddedCase> {};

TEST_P(IntToStringPaddedTest, PadsWithLeadingZeros) {
  EXPECT_EQ(IntToStringPadded(GetParam().value, GetParam().width), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, IntToStringPaddedTest,
                         ::testing::Values(PaddedCase{7, 3, "007"}, PaddedCase{123, 3, "123"},
                                           PaddedCase{12345, 3, "12345"},
                                           PaddedCase{0, 1, "0"}, PaddedCase{5, 0, "5"},
                                           PaddedCase{42, -2, "42"}, PaddedCase{-7, 3, "-07"}));

struct FloatTextCase {
  double value;
  int decimals;
  const char* expected;
};

class FloatToStringTest : public ::testing::TestWithParam<FloatTextCase> {};

TEST_P(FloatToStringTest, RoundsHalfUpWithCarry) {
  EXPECT_EQ(FloatToString(GetParam().value, GetParam().decimals), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FloatToStringTest,
    ::testing::Values(FloatTextCase{1.5, 0, "2"}, FloatTextCase{2.996, 2, "3.00"},
                      FloatTextCase{3.25, 3, "3.250"}, FloatTextCase{-0.5, 0, "-1"},
                      FloatTextCase{0.0, 2, "0.00"}, FloatTextCase{12.05, 1, "12.1"},
                      FloatTextCase{-3.14159, 2, "-3.14"}, FloatTextCase{0.07, 3, "0.070"},
                      FloatTextCase{9.9999, 3, "10.000"}, FloatTextCase{1e15, 0,
                                                                        "1000000000000000"}));

TEST(TextUtilsTest, BoolToString) {
  EXPECT_EQ(BoolToString(true), "true");
  EXPECT_EQ(BoolToString(false), "false");
}

// ---------------------------------------------------------------------------
// Configuration values.
struct VectorCase {
  const char* text;
  float x, y, z;
};

class ParseVector3Test : public ::testing::TestWithParam<VectorCase> {};

TEST_P(ParseVector3Test, ReadsTwoOrThreeFieldsAndZerosTheRest) {
  const TVector3 v = ParseVector3(GetParam().text);
  EXPECT_EQ(v, TVector3(GetParam().x, GetParam().y, GetParam().z));
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseVector3Test,
                         ::testing::Values(VectorCase{"1, 2, 3", 1, 2, 3},
                                           VectorCase{"1.5,-2.5", 1.5f, -2.5f, 0},
                                           VectorCase{" 4 , 5 , 6 # note", 4, 5, 6},
                                           VectorCase{"1,2,3,4", 1, 2, 3},
                                           VectorCase{"7", 7, 0, 0}, VectorCase{"", 0, 0, 0},
                                           VectorCase{"a, b, c", 0, 0, 0}));

struct ColourCase {
  const char* text;
  float r, g, b, a;
};

class ParseColourTest : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ParseColourTest, ReadsRedGreenBlueAlphaAndZerosTheRest) {
  const std::unique_ptr<TColour> colour(ParseColour(GetParam().text));
  ASSERT_NE(colour, nullptr);
  EXPECT_FLOAT_EQ(colour->r, GetParam().r);
  EXPECT_FLOAT_EQ(colour->g, GetParam().g);
  EXPECT_FLOAT_EQ(colour->b, GetParam().b);
  EXPECT_FLOAT_EQ(colour->a, GetParam().a);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseColourTest,
                         ::testing::Values(ColourCase{"1, 0.5, 0.25, 0.75", 1, 0.5f, 0.25f, 0.75f},
                                           ColourCase{"0.1,0.2", 0.1f, 0.2f, 0, 0},
                                           ColourCase{"", 0, 0, 0, 0}));

struct PositionCase {
  const char* text;
  float x, y;
  int32_t modeX, modeY;
};

class ParseScreenPositionTest : public ::testing::TestWithParam<PositionCase> {};

TEST_P(ParseScreenPositionTest, TheFirstPresentKeyOfEachAxisDecides) {
  const PositionCase& c = GetParam();
  const TScreenPosition position = ParseScreenPosition(c.text);
  EXPECT_FLOAT_EQ(position.GetX(), c.x);
  EXPECT_FLOAT_EQ(position.GetY(), c.y);
  EXPECT_EQ(position.GetModeX(), c.modeX);
  EXPECT_EQ(position.GetModeY(), c.modeY);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseScreenPositionTest,
    ::testing::Values(
        PositionCase{"CentrePosX = -20, CentrePosY = 5", -20, 5, TScreenPosition::kCentred,
                     TScreenPosition::kCentred},
        PositionCase{"RelPosX = 10, FracPosY = 0.5", 10, 0.5f, TScreenPosition::kRelative,
                     TScreenPosition::kFraction},
        PositionCase{"AbsPosX=3,AbsPosY=4", 3, 4, TScreenPosition::kAbsolute,
                     TScreenPosition::kAbsolute},
        PositionCase{"FracPosX = 0.25", 0.25f, 0, TScreenPosition::kFraction,
                     TScreenPosition::kRelative},
        PositionCase{"Nothing = 1, CentrePosY = 8", 0, 8, TScreenPosition::kRelative,
                     TScreenPosition::kCentred},
        // Keys of the wrong axis do not count.
        PositionCase{"CentrePosY = 1, CentrePosX = 2", 0, 0, TScreenPosition::kRelative,
                     TScreenPosition::kRelative},
        PositionCase{"", 0, 0, TScreenPosition::kRelative, TScreenPosition::kRelative}));

TEST(ScreenPositionTest, ModesFollowTheKeyNames) {
  for (int32_t mode = 0; mode < 4; ++mode) {
    const TScreenPosition position(1.0f, 2.0f, TScreenPosition::kXModeNames[mode],
                                   TScreenPosition::kYModeNames[3 - mode]);
    EXPECT_EQ(position.GetModeX(), mode);
    EXPECT_EQ(position.GetModeY(), 3 - mode);
  }
  const TScreenPosition unknown(1.0f, 2.0f, "CentrePosY", "Other");
  EXPECT_EQ(unknown.GetModeX(), TScreenPosition::kRelative);
  EXPECT_EQ(unknown.GetModeY(), TScreenPosition::kRelative);
  const TScreenPosition defaults;
  EXPECT_EQ(defaults.GetX(), 0.0f);
  EXPECT_EQ(defaults.GetY(), 0.0f);
  EXPECT_EQ(defaults.GetModeX(), TScreenPosition::kRelative);
}

// ---------------------------------------------------------------------------
// Line stepper.
using Points = std::vector<std::pair<int32_t, int32_t>>;

struct LineCase {
  const char* name;
  int32_t x0, y0, x1, y1;
  Points expected;
};

class LineStepperTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineStepperTest, StepsThroughTheGridPointsOfTheLine) {
  const LineCase& c = GetParam();
  TLineStepper stepper;
  stepper.Init(c.x0, c.y0, c.x1, c.y1);
  int32_t x = c.x0;
  int32_t y = c.y0;
  Points points;
  for (std::size_t i = 0; i < c.expected.size(); ++i) {
    stepper.Step(x, y);
    points.emplace_back(x, y);
  }
  EXPECT_EQ(points, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineStepperTest,
    ::testing::Values(
        LineCase{"Shallow", 0, 0, 3, 1, Points{{1, 0}, {2, 1}, {3, 1}}},
        LineCase{"Steep", 0, 0, 1, 3, Points{{0, 1}, {1, 2}, {1, 3}}},
        LineCase{"Negative", 0, 0, -3, -1, Points{{-1, 0}, {-2, -1}, {-3, -1}}},
        LineCase{"SteepNegative", 5, 5, 4, 2, Points{{5, 4}, {4, 3}, {4, 2}}},
        LineCase{"Diagonal", 0, 0, 2, 2, Points{{1, 1}, {2, 2}}},
        LineCase{"Horizontal", 2, 1, -1, 1, Points{{1, 1}, {0, 1}, {-1, 1}}},
        LineCase{"Vertical", 0, 0, 0, 2, Points{{0, 1}, {0, 2}}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
