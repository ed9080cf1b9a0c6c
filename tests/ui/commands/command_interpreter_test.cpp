#include "ui/commands/command_interpreter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/config_parser.h"
#include "app/text_utils.h"
#include "support/temp_folder.h"
#include "ui/commands/command.h"
#include "ui/commands/command_fakes.h"

namespace {

using command_fakes::Describe;
using command_fakes::TBuildLog;
using command_fakes::TRecorder;

std::string ReadFixture() {
  std::ifstream in(std::string(DVX_TEST_FIXTURES) + "/commands/Command.cfg", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Stand-ins for the session and the screen: the interpreter and the table
// only hand the pointers on, never through them.
char sessionStandIn = 0;
char screenStandIn = 0;
TBattleSession* const kSession = reinterpret_cast<TBattleSession*>(&sessionStandIn);
TScreen* const kScreen = reinterpret_cast<TScreen*>(&screenStandIn);

class CommandInterpreterTest : public ::testing::Test {
 protected:
  std::unique_ptr<TGameCommandInterpreter> Make(const std::string& scripts) {
    auto interpreter = std::make_unique<TGameCommandInterpreter>(table_, kScreen, kSession, scripts);
    interpreter->SetReporter([this](const std::string& line) { messages_.push_back(line); });
    return interpreter;
  }

  // Builds the script and describes what was built.
  std::string Build(TCommandInterpreter& interpreter, const std::string& name) {
    std::unique_ptr<TCommand> command = interpreter.Run(name);
    if (!command) {
      return "nothing";
    }
    return Describe(*command, recorder_);
  }

  TRecorder recorder_;
  TBuildLog log_;
  TCommandTable table_ = command_fakes::MakeTable(recorder_, log_);
  std::vector<std::string> messages_;
};

struct ScriptCase {
  const char* script;
  const char* built;
  int messages;
};

// Every way of writing a script in the fixture, with what it builds.
const ScriptCase kFixtureCases[] = {
    {"SendOrders", "SendOrders", 0},
    {"Three Without End", "[SendOrders,Hold,Undo]", 0},
    {"Nested", "[[SendOrders],Hold]", 0},
    {"Empty Composite", "[]", 0},
    {"Reference In Composite", "[[Undo,Undo],Hold]", 0},
    {"Two Lines", "SendOrders", 0},
    {"Empty Field", "AdjustTurn 3", 0},
    {"Case Differs", "Null", 0},
    {"Null With Fields", "Null", 0},
    {"Starts With End", "Null", 0},
    {"End Reference Ends Composite", "[SendOrders]", 0},
    {"Composite On Last Line", "[]", 0},
    {"Separators Only", "Null", 0},
    {"Missing Script Reference", "[Null,Hold]", 0},
    {"Comments And Blanks", "[SendOrders]", 0},
    {"Arguments",
     "[AdjustTurn 2,AdjustTurn -2,AdjustTurn 0,AdjustTurn 0,Scale 0.5,GetFullScreen true,"
     "GetFullScreen true,GetFullScreen false,SetCombatReaction FireAtWill,SelectedText]",
     0},
    {"Empty Script", "Null", 0},
    {"No Such Script", "Null", 0},
    {"Self Loop", "[Hold,Null,Undo]", 1},
    {"Loop A", "[Null,Hold]", 1},
    {"Loop B", "[Null,Hold]", 1},
};

TEST_F(CommandInterpreterTest, FixtureScriptsBuildTheirCommands) {
  // Scripts written on Windows have CRLF line ends; they read the same.
  const std::string lf = ReadFixture();
  ASSERT_FALSE(lf.empty());
  for (const std::string& text : {lf, ReplaceAll(lf, "\n", "\r\n")}) {
    for (const ScriptCase& c : kFixtureCases) {
      SCOPED_TRACE(c.script);
      messages_.clear();
      auto interpreter = Make(text);
      EXPECT_EQ(Build(*interpreter, c.script), c.built);
      EXPECT_EQ(static_cast<int>(messages_.size()), c.messages);
    }
  }
}

TEST_F(CommandInterpreterTest, OneInterpreterBuildsManyScriptsInTurn) {
  auto interpreter = Make(ReadFixture());
  for (const ScriptCase& c : kFixtureCases) {
    SCOPED_TRACE(c.script);
    EXPECT_EQ(Build(*interpreter, c.script), c.built);
  }
  EXPECT_EQ(messages_.size(), 3u);
}

TEST_F(CommandInterpreterTest, LoopMessagesNameTheScripts) {
  auto interpreter = Make(ReadFixture());
  Build(*interpreter, "Loop A");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("\"Loop B\""), std::string::npos) << messages_[0];
  EXPECT_NE(messages_[0].find("\"Loop A\""), std::string::npos) << messages_[0];
}

TEST_F(CommandInterpreterTest, PlainInterpreterBuildsNullForEveryScript) {
  const std::string text = ReadFixture();
  TCommandInterpreter interpreter(text);
  TConfigParser sections(text);
  int scripts = 0;
  while (sections.NextSection()) {
    ++scripts;
    std::unique_ptr<TCommand> command = interpreter.Run(sections.GetSectionName());
    ASSERT_NE(command, nullptr);
    EXPECT_TRUE(command->IsNull()) << sections.GetSectionName();
  }
  EXPECT_GT(scripts, 10);
  EXPECT_TRUE(interpreter.Run("Nowhere")->IsNull());
}

TEST_F(CommandInterpreterTest, BuildersGetTheTargetsOfTheInterpreter) {
  auto interpreter = Make(ReadFixture());
  Build(*interpreter, "Three Without End");
  ASSERT_EQ(log_.targets.size(), 3u);
  for (const TCommandTargets& targets : log_.targets) {
    EXPECT_EQ(targets.session, kSession);
    EXPECT_EQ(targets.screen, kScreen);
  }

  TGameCommandInterpreter withoutSession(table_, kScreen, nullptr, ReadFixture());
  withoutSession.Run("SendOrders");
  ASSERT_EQ(log_.targets.size(), 4u);
  EXPECT_EQ(log_.targets.back().session, nullptr);
  EXPECT_EQ(log_.targets.back().screen, kScreen);
}

TEST_F(CommandInterpreterTest, CommandsOutliveTheirInterpreter) {
  std::unique_ptr<TCommand> command = Make(ReadFixture())->Run("Reference In Composite");
  command->Execute();
  EXPECT_EQ(recorder_.calls, (std::vector<std::string>{"Undo", "Undo", "Hold"}));
}

TEST_F(CommandInterpreterTest, ScriptArgumentsCanBeReplacedByTheWidget) {
  std::unique_ptr<TCommand> command = Make(ReadFixture())->Run("Empty Field");
  TArgumentCommand* withArgument = command->AsArgumentCommand();
  ASSERT_NE(withArgument, nullptr);
  withArgument->SetArgument(int32_t{-4});
  command->Execute();
  int32_t result = 0;
  withArgument->GetResult(result);
  EXPECT_EQ(result, -4);
  EXPECT_EQ(recorder_.calls, (std::vector<std::string>{"AdjustTurn -4"}));
}

TEST_F(CommandInterpreterTest, ReadsTheScriptFileOfTheDataFolder) {
  TTempFolder folder;
  folder.Write("Configs/Command.cfg", ReadFixture());
  TGameCommandInterpreter interpreter(table_, kScreen, kSession);
  EXPECT_EQ(Build(interpreter, "Nested"), "[[SendOrders],Hold]");
}

TEST_F(CommandInterpreterTest, MissingScriptFileGivesNullCommands) {
  TTempFolder folder;
  TGameCommandInterpreter interpreter(table_, kScreen, kSession);
  interpreter.SetReporter([this](const std::string& line) { messages_.push_back(line); });
  EXPECT_EQ(Build(interpreter, "SendOrders"), "Null");
  EXPECT_TRUE(messages_.empty());
}

// A chain of scripts, each referring to the next; the last holds the command.
std::string Chain(int length) {
  std::string text = "# chain\n";
  for (int i = 1; i < length; ++i) {
    text += "[Chain " + IntToString(i) + "]\nChain " + IntToString(i + 1) + "\n";
  }
  return text + "[Chain " + IntToString(length) + "]\nSendOrders\n";
}

// Composites nested inside each other, the innermost holding a command, and
// each ending with one more command of its own.
std::string NestedComposites(int depth) {
  std::string text = "# nesting\n[Deep]\n";
  for (int i = 0; i < depth; ++i) text += "Composite\n";
  text += "SendOrders\n";
  for (int i = 0; i < depth; ++i) text += "Hold\nEnd\n";
  return text;
}

// What NestedComposites builds when only `limit` levels may open.
std::string ExpectedNesting(int depth, int limit) {
  std::string built = depth > limit ? "Null" : "SendOrders";
  for (int level = std::min(depth, limit); level > 0; --level) {
    built = "[" + built + ",Hold]";
  }
  return built;
}

TEST_F(CommandInterpreterTest, NestingIsBounded) {
  constexpr int kLimit = TCommandInterpreter::kMaxNesting;
  struct DepthCase {
    std::string text;
    std::string script;
    std::string built;
    int messages;
  };
  const DepthCase cases[] = {
      {Chain(kLimit + 1), "Chain 1", "SendOrders", 0},
      {Chain(kLimit + 2), "Chain 1", "Null", 1},
      {Chain(kLimit + 2), "Chain 2", "SendOrders", 0},
      {NestedComposites(kLimit), "Deep", ExpectedNesting(kLimit, kLimit), 0},
      {NestedComposites(kLimit + 1), "Deep", ExpectedNesting(kLimit + 1, kLimit), 1},
      {NestedComposites(kLimit + 5), "Deep", ExpectedNesting(kLimit + 5, kLimit), 1},
  };
  for (const DepthCase& c : cases) {
    SCOPED_TRACE(c.script + " of " + IntToString(static_cast<int64_t>(c.text.size())) + " bytes");
    messages_.clear();
    auto interpreter = Make(c.text);
    EXPECT_EQ(Build(*interpreter, c.script), c.built);
    EXPECT_EQ(static_cast<int>(messages_.size()), c.messages);
  }
}

TEST_F(CommandInterpreterTest, ReferencesCountTowardTheNestingBound) {
  // Thirty-one composites around a reference to a script that opens another:
  // the reference and its composite make thirty-three levels.
  constexpr int kLimit = TCommandInterpreter::kMaxNesting;
  std::string text = "# mixed\n[Deep]\n";
  for (int i = 0; i < kLimit - 1; ++i) text += "Composite\n";
  text += "Inner\n";
  for (int i = 0; i < kLimit - 1; ++i) text += "End\n";
  text += "[Inner]\nComposite\nSendOrders\nEnd\n";
  auto interpreter = Make(text);
  std::string expected = "Null";
  for (int i = 0; i < kLimit - 1; ++i) expected = "[" + expected + "]";
  EXPECT_EQ(Build(*interpreter, "Deep"), expected);
  EXPECT_EQ(messages_.size(), 1u);
}

// Scripts that each refer to the next one `width` times: the last one is
// built width^levels times.
std::string FanOut(int width, int levels) {
  std::string text = "# fan\n";
  for (int level = 0; level < levels; ++level) {
    text += "[Fan " + IntToString(level) + "]\nComposite\n";
    for (int i = 0; i < width; ++i) text += "Fan " + IntToString(level + 1) + "\n";
    text += "End\n";
  }
  return text + "[Fan " + IntToString(levels) + "]\nHold\n";
}

TEST_F(CommandInterpreterTest, RunsThatBuildTooMuchGiveNull) {
  auto small = Make(FanOut(16, 2));
  std::unique_ptr<TCommand> built = small->Run("Fan 0");
  built->Execute();
  EXPECT_EQ(recorder_.calls.size(), 256u);
  EXPECT_TRUE(messages_.empty());

  auto huge = Make(FanOut(16, 4));
  EXPECT_TRUE(huge->Run("Fan 0")->IsNull());
  EXPECT_EQ(messages_.size(), 1u);
  // The bound holds per run: the next run starts afresh.
  std::string sixteenHolds = "Hold";
  for (int i = 1; i < 16; ++i) sixteenHolds += ",Hold";
  EXPECT_EQ(Build(*huge, "Fan 3"), "[" + sixteenHolds + "]");
}

TEST_F(CommandInterpreterTest, MessagesOfOneInterpreterAreBounded) {
  std::string text = "# loops\n[Loop]\nComposite\n";
  for (int i = 0; i < 100; ++i) text += "Loop\n";
  text += "End\n";
  auto interpreter = Make(text);
  std::unique_ptr<TCommand> command = interpreter->Run("Loop");
  auto* composite = dynamic_cast<TCompositeCommand*>(command.get());
  ASSERT_NE(composite, nullptr);
  EXPECT_EQ(composite->GetChildCount(), 100u);
  EXPECT_EQ(static_cast<int>(messages_.size()), TCommandInterpreter::kMaxReports);
}

}  // namespace
