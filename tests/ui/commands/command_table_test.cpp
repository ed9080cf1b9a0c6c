#include "ui/commands/command_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "ui/commands/command.h"

namespace {

TCommandTable::Builder NullBuilder() {
  return [](const TCommandTargets&, const TCommandArguments&) { return std::make_unique<TNullCommand>(); };
}

TEST(CommandTableTest, NamesMatchExactly) {
  TCommandTable table;
  ASSERT_TRUE(table.Add("Hold", NullBuilder()));
  ASSERT_TRUE(table.Add("HoldFire", NullBuilder()));
  EXPECT_EQ(table.GetSize(), 2u);

  struct Lookup {
    const char* word;
    bool found;
  };
  const Lookup lookups[] = {{"Hold", true},   {"HoldFire", true}, {"hold", false}, {"HOLD", false},
                            {"Hol", false},   {"Holds", false},   {"", false},     {"Hold ", false},
                            {"HoldFir", false}};
  for (const Lookup& lookup : lookups) {
    EXPECT_EQ(table.Find(lookup.word) != nullptr, lookup.found) << "'" << lookup.word << "'";
  }
  EXPECT_NE(table.Find("Hold"), table.Find("HoldFire"));
}

TEST(CommandTableTest, RefusesNamesNoScriptCouldUse) {
  TCommandTable table;
  ASSERT_TRUE(table.Add("Back", NullBuilder()));
  const char* refused[] = {"Back", "Null", "Composite", "End", "", " Back2", "Back3 ", "A|B", "A#B", "A\nB"};
  for (const char* name : refused) {
    EXPECT_FALSE(table.Add(name, NullBuilder())) << "'" << name << "'";
  }
  EXPECT_FALSE(table.Add("Other", nullptr));
  EXPECT_EQ(table.GetSize(), 1u);
  // "null" is no structural word: letter case counts.
  EXPECT_TRUE(table.Add("null", NullBuilder()));
}

TEST(CommandTableTest, BuilderGetsTargetsAndArguments) {
  TCommandTable table;
  std::string seenWord;
  TCommandTargets seenTargets;
  table.Add("SetMessage", [&](const TCommandTargets& targets, const TCommandArguments& arguments) {
    seenTargets = targets;
    seenWord = arguments.GetWord();
    return std::make_unique<TNullCommand>();
  });
  const std::vector<std::string> tokens = {"SetMessage", "Hello there", "ignored"};
  TCommandTargets targets;
  const TCommandTable::Builder* builder = table.Find("SetMessage");
  ASSERT_NE(builder, nullptr);
  std::unique_ptr<TCommand> command = (*builder)(targets, TCommandArguments(tokens));
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(seenWord, "Hello there");
  EXPECT_EQ(seenTargets.session, nullptr);
  EXPECT_EQ(seenTargets.screen, nullptr);
}

struct ArgumentCase {
  const char* token;
  int32_t asInt;
  float asFloat;
  bool asBool;
};

constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();

// One token read as each kind: numbers by their leading decimal number with
// ints cut toward zero, truths as the settings read them.
const ArgumentCase kArgumentCases[] = {
    {"2.9", 2, 2.9f, false},
    {"-2.9", -2, -2.9f, false},
    {"-1.5", -1, -1.5f, false},
    {"0.5", 0, 0.5f, false},
    {"7", 7, 7.0f, false},
    {"3 units", 3, 3.0f, false},
    {"many", 0, 0.0f, false},
    {"", 0, 0.0f, false},
    {"yes", 0, 0.0f, true},
    {"YES", 0, 0.0f, true},
    {"TRUE", 0, 0.0f, true},
    {"True", 0, 0.0f, true},
    {"no", 0, 0.0f, false},
    {"FALSE", 0, 0.0f, false},
    // Beyond every range: ints are held at the limit, floats read as 0.
    {"1e20", kIntMax, 1e20f, false},
    {"-1e20", kIntMin, -1e20f, false},
    {"3e9", kIntMax, 3e9f, false},
    {"1e40", kIntMax, 0.0f, false},
    {"-1e400", kIntMin, 0.0f, false},
    {"nan", 0, 0.0f, false},
    {"inf", kIntMax, 0.0f, false},
};

TEST(CommandArgumentsTest, TokenReadAsEachKind) {
  for (const ArgumentCase& c : kArgumentCases) {
    SCOPED_TRACE(std::string("'") + c.token + "'");
    const std::vector<std::string> tokens = {"Name", c.token, "99"};
    const TCommandArguments arguments(tokens);
    EXPECT_EQ(arguments.GetInt(), c.asInt);
    EXPECT_EQ(arguments.Get<int32_t>(), c.asInt);
    EXPECT_FLOAT_EQ(arguments.GetFloat(), c.asFloat);
    EXPECT_EQ(arguments.Get<float>(), arguments.GetFloat());
    EXPECT_EQ(arguments.GetBool(), c.asBool);
    EXPECT_EQ(arguments.Get<bool>(), c.asBool);
    EXPECT_EQ(arguments.GetWord(), c.token);
    EXPECT_EQ(arguments.Get<std::string>(), c.token);
  }
}

TEST(CommandArgumentsTest, MissingTokenReadsAsNothing) {
  const std::vector<std::string> tokens = {"AdjustTurn"};
  const TCommandArguments arguments(tokens);
  EXPECT_EQ(arguments.GetInt(), 0);
  EXPECT_EQ(arguments.GetFloat(), 0.0f);
  EXPECT_FALSE(arguments.GetBool());
  EXPECT_EQ(arguments.GetWord(), "");
  const std::vector<std::string> none;
  EXPECT_EQ(TCommandArguments(none).GetWord(), "");
}

TEST(CommandArgumentsTest, ScriptArgumentReachesTheCommand) {
  struct TTurns {
    int32_t Adjust(int32_t by) {
      seen.push_back(by);
      return by * 2;
    }
    std::vector<int32_t> seen;
  } turns;
  const std::vector<std::string> tokens = {"AdjustTurn", "-2.9"};
  std::unique_ptr<TCommand> command =
      MakeScriptArgumentCommand<int32_t, int32_t>(&turns, &TTurns::Adjust, TCommandArguments(tokens));
  command->Execute();
  command->Execute();
  int32_t result = 0;
  command->AsResultCommand()->GetResult(result);
  EXPECT_EQ(turns.seen, (std::vector<int32_t>{-2, -2}));
  EXPECT_EQ(result, -4);
}

}  // namespace
