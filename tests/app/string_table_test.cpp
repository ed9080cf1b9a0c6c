#include "app/string_table.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_folder.h"

namespace {

// Each test works in its own temporary folder holding a "Languages" tree.
class StringTableTest : public ::testing::Test {
 protected:
  void SetUp() override { DestroyStringTable(); }
  void TearDown() override { DestroyStringTable(); }

  void WriteSection(const std::string& language, const std::string& section, const std::string& text) const {
    folder_.Write("Languages/" + language + "/" + section + "_" + language + ".cfg", text);
  }

  TTempFolder folder_;
};

TEST_F(StringTableTest, SingleEntryFiveSizesTheSectionToTwelve) {
  TStringTableSection section;
  section.Parse("# texts\n[5]\nHello\n");
  ASSERT_EQ(section.Size(), 12u);
  EXPECT_EQ(section.At(5), "Hello");
  for (int32_t number : {0, 1, 4, 6, 11}) {
    EXPECT_EQ(section.At(number), "") << number;
  }
  for (int32_t number : {12, 13, 1000, -1}) {
    EXPECT_EQ(section.At(number), kStringTableOutOfRange) << number;
  }
  EXPECT_EQ(std::string(kStringTableOutOfRange), "STE_OUT_OF_RANGE_OR_IS_EMPTY");
}

TEST_F(StringTableTest, EntriesInAnyOrderKeepLineBreaksAndLaterDuplicates) {
  TStringTableSection section;
  section.Parse("[3]\r\n\t  Three\r\nlines\n[1]\nOne\n[3]\nLater three\n[word]\nZero\n");
  EXPECT_EQ(section.At(3), "Later three");
  EXPECT_EQ(section.At(1), "One");
  EXPECT_EQ(section.At(0), "Zero");  // a name that is no number counts as 0

  TStringTableSection multiLine;
  multiLine.Parse("[2]\r\n\t  First\r\nSecond\n");
  EXPECT_EQ(multiLine.At(2), "First\r\nSecond");
}

TEST_F(StringTableTest, NegativeAndHugeNumbersAreIgnored) {
  TStringTableSection section;
  section.Parse("[-4]\nNegative\n[65536]\nToo far\n[99999999999]\nWay too far\n[2]\nTwo\n");
  EXPECT_EQ(section.Size(), 6u);
  EXPECT_EQ(section.At(2), "Two");

  TStringTableSection largest;
  largest.Parse("[65535]\nLast\n");
  EXPECT_EQ(largest.At(65535), "Last");
}

TEST_F(StringTableTest, TranslateReadsTheCurrentSection) {
  WriteSection("ENG", "HardCoded", "# texts\n[5]\nHello\n");
  TStringTable* table = GetStringTable();
  table->SetLanguage("ENG");
  ASSERT_TRUE(table->LoadSection("HardCoded"));

  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"@5", "Hello"},      {"a@5", "a@5"},  {"plain", "plain"},
      {"@5th", "Hello"},    {"@", ""},       {"@x", ""},
      {"@12", "STE_OUT_OF_RANGE_OR_IS_EMPTY"},
      {"@99999999999999", "STE_OUT_OF_RANGE_OR_IS_EMPTY"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(table->Translate(c.text), c.expected) << c.text;
  }
  EXPECT_EQ(table->TranslateIn("HardCoded", "@5"), "Hello");
  EXPECT_EQ(table->TranslateIn("Missing", "@5"), "");
  EXPECT_EQ(table->TranslateIn("Missing", "text"), "text");
  EXPECT_EQ(table->GetText("HardCoded", 5), "Hello");
  EXPECT_EQ(table->GetText("NotLoaded", 5), "");
}

TEST_F(StringTableTest, MissingFileGivesAnEmptySection) {
  TStringTable* table = GetStringTable();
  table->SetLanguage("ENG");
  EXPECT_TRUE(table->LoadSection("Nowhere"));
  EXPECT_EQ(table->GetText("Nowhere", 0), "STE_OUT_OF_RANGE_OR_IS_EMPTY");
  EXPECT_EQ(table->Translate("@0"), "STE_OUT_OF_RANGE_OR_IS_EMPTY");
}

TEST_F(StringTableTest, SetLanguageReloadsEverySectionIncludingEnsuredOnes) {
  WriteSection("ENG", "HardCoded", "[1]\nYes\n");
  WriteSection("ENG", "Menu", "[1]\nStart\n");
  WriteSection("GER", "HardCoded", "[1]\nJa\n");
  WriteSection("GER", "Menu", "[1]\nStarten\n");

  TStringTable* table = GetStringTable();
  table->SetLanguage("ENG");
  ASSERT_TRUE(table->EnsureSection("HardCoded"));
  ASSERT_TRUE(table->LoadSection("Menu"));
  ASSERT_TRUE(table->EnsureSection("HardCoded"));  // already loaded: made current only
  EXPECT_EQ(table->Translate("@1"), "Yes");

  table->SetLanguage("GER");
  EXPECT_EQ(table->GetLanguage(), "GER");
  EXPECT_EQ(table->GetText("HardCoded", 1), "Ja");
  EXPECT_EQ(table->GetText("Menu", 1), "Starten");
  // The last name of the list is current afterwards.
  EXPECT_EQ(table->Translate("@1"), "Starten");
  EXPECT_EQ(table->GetLoadedNames(), (std::vector<std::string>{"HardCoded", "Menu"}));
}

TEST_F(StringTableTest, LanguageThatIsNoPlainNameBecomesEng) {
  WriteSection("ENG", "HardCoded", "[1]\nYes\n");
  TStringTable* table = GetStringTable();
  const char* badNames[] = {"", "..", "../ENG", "ENG\\..\\x", "a b", "E/G"};
  for (const char* name : badNames) {
    table->SetLanguage(name);
    EXPECT_EQ(table->GetLanguage(), "ENG") << name;
  }
  table->SetLanguage("Pt-BR_2");
  EXPECT_EQ(table->GetLanguage(), "Pt-BR_2");
}

TEST_F(StringTableTest, SectionNameThatIsNoPlainNameLoadsNothing) {
  WriteSection("ENG", "HardCoded", "[1]\nYes\n");
  TStringTable* table = GetStringTable();
  table->SetLanguage("ENG");
  EXPECT_TRUE(table->LoadSection("..\\ENG\\HardCoded"));
  EXPECT_EQ(table->Translate("@1"), "STE_OUT_OF_RANGE_OR_IS_EMPTY");
}

TEST_F(StringTableTest, FontStylesFallBackToTheConfigsFile) {
  GetStringTable()->SetLanguage("ENG");
  EXPECT_EQ(LoadFontStyles(), "Configs\\FontStyles.cfg");

  folder_.Write("Languages/ENG/FontStyles_ENG.cfg", "# styles\n[Normal]\nCode = ^0\n");
  EXPECT_EQ(LoadFontStyles(), "Languages\\ENG\\FontStyles_ENG.cfg");
}

TEST_F(StringTableTest, HolderResetReplacesTheTable) {
  TStringTableHolder holder;
  auto* first = new TStringTable();
  holder.Reset(first);
  EXPECT_EQ(holder.Get(), first);
  holder.Reset(new TStringTable());
  EXPECT_NE(holder.Get(), nullptr);
  holder.Reset(nullptr);
  EXPECT_EQ(holder.Get(), nullptr);

  TStringTable* shared = GetStringTable();
  EXPECT_EQ(GetStringTable(), shared);
}

}  // namespace
