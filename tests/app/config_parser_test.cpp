#include "app/config_parser.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace {

// ---------------------------------------------------------------------------
// Look-ups: one text, one section (empty: the text is given by SetText and
// nothing is selected), one key, and what GetString must answer.
struct LookupCase {
  const char* name;
  const char* text;
  const char* section;
  const char* key;
  bool found;
  const char* value;
};

class ConfigLookupTest : public ::testing::TestWithParam<LookupCase> {};

TEST_P(ConfigLookupTest, GetStringFindsTheValueOfTheCurrentSection) {
  const LookupCase& c = GetParam();
  TConfigParser parser;
  parser.SetText(c.text);
  if (*c.section != '\0') {
    ASSERT_TRUE(parser.SelectSection(c.section));
  }
  std::string value = "untouched";
  EXPECT_EQ(parser.GetString(c.key, value), c.found);
  EXPECT_EQ(value, c.found ? std::string(c.value) : std::string("untouched"));
}

const LookupCase kLookupCases[] = {
    {"CommentAfterValue", "[APP]\r\n  Name = Fred # player\r\n[ENG]\r\n", "APP", "Name", true,
     "Fred"},
    {"NoBlanksAroundEquals", "[A]\nWidth=640\n", "A", "Width", true, "640"},
    {"ManyBlanksAroundEquals", "[A]\nWidth   =   640\n", "A", "Width", true, "640"},
    {"TwoEquals", "[A]\nWidth == 640\n", "A", "Width", true, "640"},
    {"NoEquals", "[A]\nWidth 640\n", "A", "Width", false, ""},
    {"EqualsInsideValue", "[A]\nMode = a=b\n", "A", "Mode", true, "a=b"},
    {"EmptyValue", "[A]\nMode =   \n", "A", "Mode", false, ""},
    {"OnlyBlanksAndTab", "[A]\nMode = \t \nNext = 1\n", "A", "Mode", false, ""},
    {"OnlyAComment", "[A]\nMode = # none\n", "A", "Mode", false, ""},
    {"DuplicateKeyFirstWins", "[A]\nK = 1\nK = 2\n", "A", "K", true, "1"},
    {"CommentedLine", "[A]\n# Width = 1\n", "A", "Width", false, ""},
    {"CommentedThenReal", "[A]\n# Width = 1\nWidth = 2\n", "A", "Width", true, "2"},
    {"IndentedKey", "[A]\n   Width = 1\n", "A", "Width", true, "1"},
    {"TabIndentedKey", "[A]\n\tWidth = 1\n", "A", "Width", true, "1"},
    {"KeyInsideLongerKey", "[A]\nFontSize = 3\n", "A", "Size", false, ""},
    {"KeyPrefixOfLongerKey", "[A]\nSize2 = 3\n", "A", "Size", false, ""},
    {"LongerKeysThenKey", "[A]\nFontSize = 3\nSize2 = 4\nSize = 5\n", "A", "Size", true, "5"},
    {"KeyOfLaterSection", "[A]\nx = 1\n[B]\ny = 2\n", "A", "y", false, ""},
    {"KeyOfEarlierSection", "[A]\nx = 1\n[B]\ny = 2\n", "B", "x", false, ""},
    {"BracketEndsSection", "[A]\nx = a[b\ny = 2\n", "A", "y", false, ""},
    {"BracketCutsValue", "[A]\nx = a[b\ny = 2\n", "A", "x", true, "a"},
    {"BracesOverTwoLines", "[A]\r\nText = { line one\r\nline two }\r\n", "A", "Text", true,
     "line one\r\nline two"},
    {"BracesHoldHash", "[A]\nText = {a # b}\n", "A", "Text", true, "a # b"},
    {"BraceWithoutClose", "[A]\nText = {open\nmore\n[B]\n", "A", "Text", true, "open\nmore"},
    {"EmptyBraces", "[A]\nText = {}\n", "A", "Text", false, ""},
    {"CaseSensitiveKey", "[A]\nwidth = 1\n", "A", "Width", false, ""},
    {"SpacedSectionName", "[Unit Data]\nCount = 4\n", "Unit Data", "Count", true, "4"},
    {"HeaderWithComment", "[ENG]   # texts\nHello = Hi\n", "ENG", "Hello", true, "Hi"},
    {"IndentedHeader", "   [ENG]\nHello = Hi\n", "ENG", "Hello", true, "Hi"},
    {"KeysAboveFirstHeader", "Top = 1\n[A]\nx = 2\n", "", "Top", true, "1"},
    {"KeysBelowFirstHeaderUnselected", "Top = 1\n[A]\nx = 2\n", "", "x", false, ""},
    {"KeyAtVeryEnd", "[A]\nWidth", "A", "Width", false, ""},
    {"KeyAndEqualsAtVeryEnd", "[A]\nWidth = ", "A", "Width", false, ""},
    {"ValueAtVeryEnd", "[A]\nWidth = 7", "A", "Width", true, "7"},
    {"EmptyKey", "[A]\n= 7\n", "A", "", false, ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, ConfigLookupTest, ::testing::ValuesIn(kLookupCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Headers: whether SelectSection accepts the header line.
struct HeaderCase {
  const char* name;
  const char* text;
  const char* section;
  bool selected;
};

class ConfigHeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(ConfigHeaderTest, SelectSectionAcceptsOnlyHeaderLines) {
  const HeaderCase& c = GetParam();
  TConfigParser parser;
  parser.SetText(c.text);
  EXPECT_EQ(parser.SelectSection(c.section), c.selected);
  if (c.selected) {
    EXPECT_EQ(parser.GetSectionName(), c.section);
  }
}

const HeaderCase kHeaderCases[] = {
    {"Plain", "[ENG]\n", "ENG", true},
    {"CommentAfter", "[ENG]   # texts\n", "ENG", true},
    {"CommentRightAfter", "[ENG]#texts\n", "ENG", true},
    {"WordAfter", "[ENG] x\n", "ENG", false},
    {"IndentedWithBlanks", "  [ENG]\n", "ENG", true},
    {"AfterText", "word [ENG]\n", "ENG", false},
    {"AfterComment", "# [ENG]\n", "ENG", false},
    {"EndOfText", "x = 1\n[ENG]", "ENG", true},
    {"CarriageReturnLines", "x = 1\r\n[ENG]\r\n", "ENG", true},
    {"CaseMatters", "[eng]\n", "ENG", false},
    {"BlanksInsideCount", "[ ENG ]\n", "ENG", false},
    {"NoClosingBracket", "[ENG\n", "ENG", false},
    {"SecondOccurrenceIsHeader", "# [ENG]\n[ENG]\n", "ENG", true},
};

INSTANTIATE_TEST_SUITE_P(Cases, ConfigHeaderTest, ::testing::ValuesIn(kHeaderCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConfigParserTest, FailedSelectionKeepsThePreviousOne) {
  TConfigParser parser;
  parser.SetText("[A]\nx = 1\n[B]\nx = 2\n");
  ASSERT_TRUE(parser.SelectSection("B"));
  EXPECT_FALSE(parser.SelectSection("C"));
  EXPECT_EQ(parser.GetSectionName(), "B");
  int32_t x = 0;
  ASSERT_TRUE(parser.GetInt("x", x));
  EXPECT_EQ(x, 2);
}

// ---------------------------------------------------------------------------
// Conversions.
struct BoolCase {
  const char* value;
  bool expected;
};

class ConfigBoolTest : public ::testing::TestWithParam<BoolCase> {};

TEST_P(ConfigBoolTest, TrueOnlyForTrueYesOrOne) {
  TConfigParser parser;
  parser.SetText(std::string("Flag = ") + GetParam().value + "\n");
  bool flag = !GetParam().expected;
  ASSERT_TRUE(parser.GetBool("Flag", flag));
  EXPECT_EQ(flag, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ConfigBoolTest,
                         ::testing::Values(BoolCase{"yes", true}, BoolCase{"True", true},
                                           BoolCase{"1", true}, BoolCase{"TRUE  ", true},
                                           BoolCase{"YES # comment", true},
                                           BoolCase{"on", false}, BoolCase{"0", false},
                                           BoolCase{"t", false}, BoolCase{"no", false}));

TEST(ConfigParserTest, MissingBoolLeavesTheOutputAlone) {
  TConfigParser parser;
  parser.SetText("Other = yes\n");
  bool flag = true;
  EXPECT_FALSE(parser.GetBool("Flag", flag));
  EXPECT_TRUE(flag);
}

struct IntCase {
  const char* value;
  int32_t expected;
};

class ConfigIntTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(ConfigIntTest, ConvertsLikeAtoiButSaturates) {
  TConfigParser parser;
  parser.SetText(std::string("N = ") + GetParam().value + "\n");
  int32_t n = -12345;
  ASSERT_TRUE(parser.GetInt("N", n));
  EXPECT_EQ(n, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigIntTest,
    ::testing::Values(IntCase{"42", 42}, IntCase{"-17", -17}, IntCase{"+5", 5},
                      IntCase{"12abc", 12}, IntCase{"3.9", 3}, IntCase{"abc", 0},
                      IntCase{"- 4", 0}, IntCase{"2147483647", INT32_MAX},
                      IntCase{"-2147483648", INT32_MIN}, IntCase{"2147483648", INT32_MAX},
                      IntCase{"99999999999999999999999", INT32_MAX},
                      IntCase{"-99999999999", INT32_MIN}));

struct FloatCase {
  const char* value;
  float expected;
};

class ConfigFloatTest : public ::testing::TestWithParam<FloatCase> {};

TEST_P(ConfigFloatTest, ConvertsLikeAtof) {
  TConfigParser parser;
  parser.SetText(std::string("F = ") + GetParam().value + "\n");
  float f = -1.0f;
  ASSERT_TRUE(parser.GetFloat("F", f));
  EXPECT_FLOAT_EQ(f, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ConfigFloatTest,
                         ::testing::Values(FloatCase{"1.5", 1.5f}, FloatCase{"-0.25", -0.25f},
                                           FloatCase{"2e3", 2000.0f}, FloatCase{"7x", 7.0f},
                                           FloatCase{"x", 0.0f}));

TEST(ConfigParserTest, HugeFloatBecomesInfinity) {
  TConfigParser parser;
  parser.SetText("F = 1e400\nG = -1e300\n");
  float f = 0.0f;
  float g = 0.0f;
  ASSERT_TRUE(parser.GetFloat("F", f));
  ASSERT_TRUE(parser.GetFloat("G", g));
  EXPECT_TRUE(std::isinf(f) && f > 0.0f);
  EXPECT_TRUE(std::isinf(g) && g < 0.0f);
}

// ---------------------------------------------------------------------------
// Selection state after construction.
TEST(ConfigParserTest, TextConstructorSelectsNothing) {
  const std::string text = "Top = 1\n[A]\nx = 2\n";
  TConfigParser parser(text);
  int32_t value = 0;
  EXPECT_FALSE(parser.GetInt("Top", value));
  EXPECT_FALSE(parser.GetInt("x", value));
  parser.SetText(text);
  EXPECT_TRUE(parser.GetInt("Top", value));
  EXPECT_EQ(value, 1);
}

TEST(ConfigParserTest, SelectFirstConstructorSelectsTheFirstHeader) {
  TConfigParser parser("# data\nTop = 1\n# [Fake]\n[First]\nx = 2\n[Second]\nx = 3\n", true);
  EXPECT_EQ(parser.GetSectionName(), "First");
  int32_t x = 0;
  ASSERT_TRUE(parser.GetInt("x", x));
  EXPECT_EQ(x, 2);
}

TEST(ConfigParserTest, NextSectionWalksEveryRecordAfterTheLeadingSection) {
  TConfigParser parser;
  parser.SetText(
      "# units\r\n"
      "[Unit Data]\r\n"
      "Version = 3\r\n"
      "[Marine]   # the first\r\n"
      "Speed = 10\r\n"
      "Note = see [Sniper]\r\n"
      "[Sniper]\r\n"
      "Speed = 8\r\n"
      "[Heavy Gun]\r\n"
      "Speed = 4");
  ASSERT_TRUE(parser.SelectSection("Unit Data"));
  std::vector<std::string> names;
  std::vector<int32_t> speeds;
  while (parser.NextSection()) {
    names.push_back(parser.GetSectionName());
    int32_t speed = -1;
    parser.GetInt("Speed", speed);
    speeds.push_back(speed);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Marine", "Sniper", "Heavy Gun"}));
  EXPECT_EQ(speeds, (std::vector<int32_t>{10, 8, 4}));
  EXPECT_EQ(parser.GetSectionName(), "Heavy Gun");
}

TEST(ConfigParserTest, NextSectionFromTheTopStartsAtTheFirstHeader) {
  TConfigParser parser;
  parser.SetText("a = 1\n[One]\n[Two]\n");
  ASSERT_TRUE(parser.NextSection());
  EXPECT_EQ(parser.GetSectionName(), "One");
  ASSERT_TRUE(parser.NextSection());
  EXPECT_EQ(parser.GetSectionName(), "Two");
  EXPECT_FALSE(parser.NextSection());
  EXPECT_EQ(parser.GetSectionName(), "Two");
}

// ---------------------------------------------------------------------------
// SetValue splices.
struct SpliceCase {
  const char* name;
  const char* text;
  const char* section;
  const char* key;
  const char* value;
  const char* expected;
};

class ConfigSetValueTest : public ::testing::TestWithParam<SpliceCase> {};

TEST_P(ConfigSetValueTest, SplicesTheValueAndReadsItBack) {
  const SpliceCase& c = GetParam();
  TConfigParser parser;
  parser.SetText(c.text);
  ASSERT_TRUE(parser.SelectSection(c.section));
  EXPECT_FALSE(parser.IsModified());
  EXPECT_TRUE(parser.SetValue(c.key, c.value));
  EXPECT_TRUE(parser.IsModified());
  EXPECT_EQ(parser.GetText(), c.expected);
  std::string read;
  ASSERT_TRUE(parser.GetString(c.key, read));
  EXPECT_EQ(read, c.value);
  // The selection still covers the edited section.
  ASSERT_TRUE(parser.SelectSection(c.section));
  read.clear();
  ASSERT_TRUE(parser.GetString(c.key, read));
  EXPECT_EQ(read, c.value);
}

const SpliceCase kSpliceCases[] = {
    {"Replace", "[A]\r\nName = Fred\r\nX = 1\r\n[B]\r\n", "A", "Name", "Bob",
     "[A]\r\nName = Bob\r\nX = 1\r\n[B]\r\n"},
    {"ReplaceBeforeComment", "[A]\r\nName = Fred # who\r\n", "A", "Name", "Bob",
     "[A]\r\nName = Bob# who\r\n"},
    {"ReplaceFirstOfDuplicates", "[A]\nK = 1\nK = 2\n", "A", "K", "9", "[A]\nK = 9\nK = 2\n"},
    {"ReplaceInBraces", "[A]\nText = {one\ntwo}\n", "A", "Text", "three",
     "[A]\nText = {three}\n"},
    {"InsertBeforeNextSection", "[A]\r\nX = 1\r\n[B]\r\nY = 2\r\n", "A", "Name", "Bob",
     "[A]\r\nX = 1\r\n\r\n  Name = Bob\r\n[B]\r\nY = 2\r\n"},
    {"InsertAtEndOfLastSection", "[A]\r\nX = 1\r\n[B]\r\nY = 2\r\n", "B", "Name", "Bob",
     "[A]\r\nX = 1\r\n[B]\r\nY = 2\r\n\r\n  Name = Bob\r\n"},
    {"InsertIgnoresOtherSection", "[A]\nName = 1\n[B]\n", "B", "Name", "2",
     "[A]\nName = 1\n[B]\n\r\n  Name = 2\r\n"},
    {"FillEmptyValue", "[A]\nWidth =\n[B]\n", "A", "Width", "5", "[A]\nWidth =5\n[B]\n"},
    {"FillEmptyValueBeforeHeader", "[A]\nWidth = [B]\n", "A", "Width", "5",
     "[A]\nWidth = 5\r\n[B]\n"},
    {"KeyAndEqualsAtVeryEnd", "[A]\nWidth =", "A", "Width", "5", "[A]\nWidth =5"},
    {"KeyAtVeryEnd", "[A]\nWidth", "A", "Width", "5", "[A]\nWidth = 5"},
};

INSTANTIATE_TEST_SUITE_P(Cases, ConfigSetValueTest, ::testing::ValuesIn(kSpliceCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConfigParserTest, SetValueMovesTheSectionEnd) {
  TConfigParser parser;
  parser.SetText("[A]\nX = 1\n[B]\nY = 2\n");
  ASSERT_TRUE(parser.SelectSection("A"));
  ASSERT_TRUE(parser.SetValue("X", "1000"));
  ASSERT_TRUE(parser.SetValue("Z", "3"));
  EXPECT_EQ(parser.GetText()[parser.GetSectionEnd()], '[');
  int32_t z = 0;
  ASSERT_TRUE(parser.GetInt("Z", z));
  EXPECT_EQ(z, 3);
  ASSERT_TRUE(parser.NextSection());
  EXPECT_EQ(parser.GetSectionName(), "B");
  int32_t y = 0;
  ASSERT_TRUE(parser.GetInt("Y", y));
  EXPECT_EQ(y, 2);
}

TEST(ConfigParserTest, SetValueRefusesValuesThatChangeHowTheFileReads) {
  const std::string text = "[A]\nX = 1\n[B]\n";
  for (const char* value : {"a\rb", "a\nb", "a[b", "a#b", "[", "#"}) {
    TConfigParser parser;
    parser.SetText(text);
    ASSERT_TRUE(parser.SelectSection("A"));
    EXPECT_FALSE(parser.SetValue("X", value)) << value;
    EXPECT_FALSE(parser.SetValue("New", value)) << value;
    EXPECT_EQ(parser.GetText(), text);
    EXPECT_FALSE(parser.IsModified());
  }
}

TEST(ConfigParserTest, SetValueRefusesKeysThatCouldNotBeReadBack) {
  const std::string text = "[A]\nX = 1\n";
  for (const char* key : {"", "a=b", "a\nb", "[a", "#a"}) {
    TConfigParser parser;
    parser.SetText(text);
    ASSERT_TRUE(parser.SelectSection("A"));
    EXPECT_FALSE(parser.SetValue(key, "2"));
    EXPECT_EQ(parser.GetText(), text);
  }
}

// ---------------------------------------------------------------------------
// Sections as wholes.
TEST(ConfigParserTest, AddSectionSelectsAnExistingSection) {
  const std::string text = "[A]\nX = 1\n[B]\nY = 2\n";
  TConfigParser parser;
  parser.SetText(text);
  parser.AddSection("B");
  EXPECT_EQ(parser.GetText(), text);
  EXPECT_EQ(parser.GetSectionName(), "B");
}

TEST(ConfigParserTest, AddSectionAppendsAndSelectsANewSection) {
  TConfigParser parser;
  parser.SetText("[A]\nX = 1");
  parser.AddSection("New One");
  EXPECT_EQ(parser.GetText(), "[A]\nX = 1\n[New One]\n");
  EXPECT_EQ(parser.GetSectionName(), "New One");
  ASSERT_TRUE(parser.SetValue("Key", "v"));
  EXPECT_EQ(parser.GetText(), "[A]\nX = 1\n[New One]\n\r\n  Key = v\r\n");
  ASSERT_TRUE(parser.SelectSection("A"));
  int32_t x = 0;
  ASSERT_TRUE(parser.GetInt("X", x));
  EXPECT_EQ(x, 1);
}

TEST(ConfigParserTest, GetSectionBodyIsTheTrimmedBody) {
  TConfigParser parser;
  parser.SetText("[A]  \r\n  first line\r\n  second = 2\r\n\r\n[B]\r\n");
  ASSERT_TRUE(parser.SelectSection("A"));
  EXPECT_EQ(parser.GetSectionBody(), "first line\r\n  second = 2");
  ASSERT_TRUE(parser.SelectSection("B"));
  EXPECT_EQ(parser.GetSectionBody(), "");
}

TEST(ConfigParserTest, GetSectionBodyWithoutAClosingBracketIsNone) {
  TConfigParser parser;
  parser.SetText("x = 1\ny = 2\n");
  EXPECT_EQ(parser.GetSectionBody(), "none");
}

TEST(ConfigParserTest, SetSectionBodyReplacesOnlyTheBody) {
  TConfigParser parser;
  parser.SetText("# art\n[A]\nold = 1\n[B]\nY = 2\n");
  ASSERT_TRUE(parser.SelectSection("A"));
  parser.SetSectionBody("\nnew = 5\nmore = 6\n");
  EXPECT_EQ(parser.GetText(), "# art\n[A]\nnew = 5\nmore = 6\n[B]\nY = 2\n");
  EXPECT_EQ(parser.GetSectionBody(), "new = 5\nmore = 6");
  int32_t more = 0;
  ASSERT_TRUE(parser.GetInt("more", more));
  EXPECT_EQ(more, 6);
  ASSERT_TRUE(parser.NextSection());
  EXPECT_EQ(parser.GetSectionName(), "B");
}

// ---------------------------------------------------------------------------
// Files, in a folder of the test's own.
class ConfigFileTest : public ::testing::Test {
 protected:
  void SetUp() override { folder_.MakeFolder("Configs"); }

  TTempFolder folder_;
};

TEST_F(ConfigFileTest, LoadFileReadsTheWholeFileAndResetsTheSelection) {
  const std::string content = "# settings\r\nTop = 1\r\n[APP]\r\nLanguage = ENG\r\n";
  folder_.Write("Configs/Test.cfg", content);
  TConfigFile file("[Old]\nTop = 0\n");
  ASSERT_TRUE(file.Load("Configs\\Test.cfg"));
  EXPECT_EQ(file.GetText(), content);
  int32_t top = 0;
  ASSERT_TRUE(file.GetInt("Top", top));
  EXPECT_EQ(top, 1);
  ASSERT_TRUE(file.SelectSection("APP"));
  std::string language;
  ASSERT_TRUE(file.GetString("Language", language));
  EXPECT_EQ(language, "ENG");
}

TEST_F(ConfigFileTest, LoadFileOfAMissingFileKeepsTheText) {
  const std::string text = "[A]\nX = 1\n";
  TConfigParser parser;
  parser.SetText(text);
  ASSERT_TRUE(parser.SelectSection("A"));
  EXPECT_FALSE(parser.LoadFile("Configs\\Missing.cfg"));
  EXPECT_EQ(parser.GetText(), text);
  int32_t x = 0;
  ASSERT_TRUE(parser.GetInt("X", x));
  EXPECT_EQ(x, 1);
}

// A value that would read back as something else is refused and the text
// stays as it was; the keys after it stay readable.
TEST(ConfigSetValueTest, ValuesThatReadBackDifferentlyAreRefused) {
  const std::string text = "[APP]\n  SMTPServer = mail\n  Language = ENG\n";
  for (const char* value : {"{", "{mail.example.net", "  {x}", "=x", " = x"}) {
    SCOPED_TRACE(value);
    TConfigParser parser;
    parser.SetText(text);
    ASSERT_TRUE(parser.SelectSection("APP"));
    EXPECT_FALSE(parser.SetValue("SMTPServer", value));
    EXPECT_EQ(parser.GetText(), text);
    EXPECT_TRUE(parser.SetValue("SMTPServer", "other"));
    std::string language;
    ASSERT_TRUE(parser.GetString("Language", language));
    EXPECT_EQ(language, "ENG");
  }
  TConfigParser parser;
  parser.SetText(text);
  ASSERT_TRUE(parser.SelectSection("APP"));
  ASSERT_TRUE(parser.SetValue("SMTPServer", "a{b}=c"));
  std::string server;
  ASSERT_TRUE(parser.GetString("SMTPServer", server));
  EXPECT_EQ(server, "a{b}=c");
}

// Many headers with no "]" and many sections without the looked-up key: the
// work grows with the text, not with its square (this text took minutes).
TEST(ConfigLargeTextTest, EveryHeaderAndKeyOfALargeTextIsFound) {
  std::string openings;
  for (int i = 0; i < 1000000; ++i) openings += "[\n";
  TConfigParser unclosed;
  unclosed.SetText(openings);
  EXPECT_FALSE(unclosed.NextSection());

  std::string sections;
  for (int i = 0; i < 200000; ++i) sections += "[" + std::to_string(i) + "]\n  Size = " + std::to_string(i) + "\n";
  sections += "[last]\n  Font = Arial\n";
  TConfigParser parser;
  parser.SetText(sections);
  int count = 0;
  int32_t lastSize = -1;
  std::string font;
  while (parser.NextSection()) {
    ++count;
    parser.GetInt("Size", lastSize);
    parser.GetString("Font", font);
  }
  EXPECT_EQ(count, 200001);
  EXPECT_EQ(lastSize, 199999);
  EXPECT_EQ(font, "Arial");
}

}  // namespace
