#include "app/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TCommandLine FromArgs(std::vector<const char*> args) {
  return TCommandLine::FromArguments(static_cast<int>(args.size()), args.data());
}

TEST(CommandLineTest, WindowsTextSplitsAtCommasAfterTheProgramPath) {
  const TCommandLine line = TCommandLine::Parse("C:\\Games\\DVX.exe logging,seed=7");
  ASSERT_EQ(line.Count(), 3);
  EXPECT_EQ(line.At(0), "c:\\games\\dvx.exe");
  EXPECT_EQ(line.At(1), "logging");
  EXPECT_EQ(line.At(2), "seed=7");
  int32_t seed = 0;
  EXPECT_TRUE(line.GetOptionInt("seed", seed));
  EXPECT_EQ(seed, 7);
}

TEST(CommandLineTest, ProgramPathHoldingCommasIsJoinedAgain) {
  const TCommandLine line = TCommandLine::Parse("\"c:\\my,games\\dvx.exe\" hotseat");
  ASSERT_EQ(line.Count(), 2);
  EXPECT_EQ(line.At(0), "c:\\my games\\dvx.exe");
  EXPECT_EQ(line.At(1), "hotseat");
}

TEST(CommandLineTest, ArgumentsAreSplitAtCommasAndKeepTheirCase) {
  const TCommandLine joined = FromArgs({"/opt/dvx/dvx", "logging,seed=7"});
  const TCommandLine apart = FromArgs({"/opt/dvx/dvx", "logging", "seed=7"});
  ASSERT_EQ(joined.Count(), 3);
  ASSERT_EQ(apart.Count(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(joined.At(i), apart.At(i));

  const TCommandLine file = FromArgs({"dvx", "Games/Result_G12_T3.DVX"});
  EXPECT_EQ(file.At(1), "Games/Result_G12_T3.DVX");
}

struct OptionCase {
  const char* element;
  const char* option;
  bool present;
  bool hasValue;
  const char* value;
};

class CommandLineOptionTest : public testing::TestWithParam<OptionCase> {};

TEST_P(CommandLineOptionTest, OptionRules) {
  const OptionCase& c = GetParam();
  const TCommandLine line = FromArgs({"/opt/dvx/dvx", c.element});
  EXPECT_EQ(line.HasOption(c.option), c.present);
  std::string value = "unchanged";
  EXPECT_EQ(line.GetOptionValue(c.option, value), c.hasValue);
  EXPECT_EQ(value, c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandLineOptionTest,
    testing::Values(OptionCase{"seed=12", "seed", true, true, "12"},
                    OptionCase{"seed-12", "seed", true, true, "12"},
                    OptionCase{"SEED=12", "seed", true, true, "12"},  // names ignore case
                    OptionCase{"seed", "seed", true, false, "unchanged"},
                    OptionCase{"seed=1=2", "seed", true, false, "unchanged"},
                    OptionCase{"-seed=12", "seed", false, false, "unchanged"},
                    OptionCase{"loggingextra", "logging", true, false, "unchanged"},
                    OptionCase{"referral = Fred", "referral", true, true, "Fred"}));

TEST(CommandLineTest, OptionIntReadsLeadingDigits) {
  int32_t value = -1;
  EXPECT_TRUE(FromArgs({"dvx", "seed=42abc"}).GetOptionInt("seed", value));
  EXPECT_EQ(value, 42);
  EXPECT_TRUE(FromArgs({"dvx", "seed=abc"}).GetOptionInt("seed", value));
  EXPECT_EQ(value, 0);
  EXPECT_TRUE(FromArgs({"dvx", "seed=99999999999"}).GetOptionInt("seed", value));
  EXPECT_EQ(value, 2147483647);
}

TEST(CommandLineTest, ProgramFolderSplitsAtEitherSeparator) {
  EXPECT_EQ(FromArgs({"/opt/dvx/dvx"}).GetProgramFolder(), "/opt/dvx");
  EXPECT_EQ(TCommandLine::Parse("c:\\games\\dvx.exe").GetProgramFolder(), "c:\\games");
  EXPECT_EQ(FromArgs({"dvx"}).GetProgramFolder(), "dvx");
}

TEST(CommandLineTest, GlobalCommandLineIsReplaced) {
  SetCommandLine(FromArgs({"dvx", "logging"}));
  ASSERT_NE(GetCommandLine(), nullptr);
  EXPECT_TRUE(GetCommandLine()->HasOption("logging"));
  SetCommandLine("c:\\dvx.exe designer");
  EXPECT_FALSE(GetCommandLine()->HasOption("logging"));
  EXPECT_TRUE(GetCommandLine()->HasOption("designer"));
  DestroyCommandLine();
  EXPECT_EQ(GetCommandLine(), nullptr);
}

}  // namespace
