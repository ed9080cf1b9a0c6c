// Feeds arbitrary text to the command interpreter as "Configs\Command.cfg"
// would hold it, builds the command of each script, then runs every command
// the way widgets do: argument, execute, result. Nothing may crash or expand
// without bound; a built command stays within the nesting and size limits,
// and the problems told stay within their bound.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "app/config_parser.h"
#include "ui/commands/command.h"
#include "ui/commands/command_functors.h"
#include "ui/commands/command_interpreter.h"
#include "ui/commands/command_table.h"

namespace {

constexpr int32_t kMaxSections = 64;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// Operations of every kind the built-in commands bind.
class TFuzzTarget {
 public:
  void Act() { ++calls_; }
  bool Ask() { return (++calls_ & 1) != 0; }
  std::string Describe() { return std::string(static_cast<std::size_t>(++calls_ % 5), 'x'); }
  int32_t TakeInt(int32_t value) { return value ^ ++calls_; }
  int32_t TakeFloat(float value) {
    // Script floats are always finite.
    Check(std::isfinite(value));
    return ++calls_;
  }
  bool TakeBool(bool value) { return value != ((++calls_ & 1) != 0); }
  int32_t TakeWord(const std::string& word) { return static_cast<int32_t>(word.size()) + ++calls_; }
  bool AskWord(std::string word) { return word.size() > static_cast<std::size_t>(++calls_ % 7); }
  std::string TextOf(int32_t value) { return std::to_string(value + ++calls_); }

 private:
  int32_t calls_ = 0;
};

template <class Result, class Argument, class Operation>
TCommandTable::Builder FromScript(TFuzzTarget& target, Operation operation) {
  return [&target, operation](const TCommandTargets&, const TCommandArguments& arguments) {
    return MakeScriptArgumentCommand<Result, Argument>(&target, operation, arguments);
  };
}

TCommandTable MakeTable(TFuzzTarget& target) {
  TCommandTable table;
  for (const char* name : {"SendOrders", "Hold", "Undo", "ZoomIn", "Back"}) {
    table.Add(name, [&target](const TCommandTargets&, const TCommandArguments&) {
      return MakeCallbackCommand(&target, &TFuzzTarget::Act);
    });
  }
  table.Add("GetPaused", [&target](const TCommandTargets&, const TCommandArguments&) {
    return std::unique_ptr<TCommand>(MakeResultCommand<bool>(&target, &TFuzzTarget::Ask));
  });
  table.Add("SelectedText", [&target](const TCommandTargets&, const TCommandArguments&) {
    return std::unique_ptr<TCommand>(MakeResultCommand<std::string>(&target, &TFuzzTarget::Describe));
  });
  // A text that a widget sets at run time: no token is read.
  table.Add("SetPlayerName", [&target](const TCommandTargets&, const TCommandArguments&) {
    return std::unique_ptr<TCommand>(MakeArgumentCommand<int32_t, std::string>(&target, &TFuzzTarget::TakeWord));
  });
  table.Add("AdjustTurn", FromScript<int32_t, int32_t>(target, &TFuzzTarget::TakeInt));
  table.Add("Scale", FromScript<int32_t, float>(target, &TFuzzTarget::TakeFloat));
  table.Add("GetFullScreen", FromScript<bool, bool>(target, &TFuzzTarget::TakeBool));
  table.Add("SetCombatReaction", FromScript<int32_t, std::string>(target, &TFuzzTarget::TakeWord));
  table.Add("GetResolution", FromScript<bool, std::string>(target, &TFuzzTarget::AskWord));
  table.Add("UnitText", FromScript<std::string, int32_t>(target, &TFuzzTarget::TextOf));
  return table;
}

// Counts the commands of a tree and checks how deep composites nest.
int32_t CountCommands(TCommand& command, int32_t depth) {
  auto* composite = dynamic_cast<TCompositeCommand*>(&command);
  if (composite == nullptr) return 1;
  Check(depth <= TCommandInterpreter::kMaxNesting);
  int32_t count = 1;
  for (std::size_t i = 0; i < composite->GetChildCount(); ++i) {
    TCommand* child = composite->GetChild(i);
    Check(child != nullptr);
    count += CountCommands(*child, depth + 1);
  }
  return count;
}

void RunLikeAWidget(TCommand& command) {
  if (TArgumentCommand* withArgument = command.AsArgumentCommand()) {
    withArgument->SetArgument(std::string("typed text"));
    withArgument->SetArgument(int32_t{-3});
  }
  command.Execute();
  if (TResultCommand* withResult = command.AsResultCommand()) {
    bool flag = false;
    std::string text;
    int32_t number = 0;
    float real = 0.0f;
    withResult->GetResult(flag);
    withResult->GetResult(text);
    withResult->GetResult(number);
    withResult->GetResult(real);
  }
  command.Execute();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TFuzzTarget target;
  const TCommandTable table = MakeTable(target);
  int32_t reports = 0;
  TGameCommandInterpreter interpreter(table, nullptr, nullptr, text);
  interpreter.SetReporter([&reports](const std::string&) { ++reports; });
  TCommandInterpreter plain(text);

  TConfigParser sections(text);
  int32_t count = 0;
  std::string name = "No Such Script";
  do {
    std::unique_ptr<TCommand> command = interpreter.Run(name);
    Check(command != nullptr);
    // A run gives up past its bound of commands, the structural ones included.
    Check(CountCommands(*command, 1) <= TCommandInterpreter::kMaxCommandsPerRun);
    RunLikeAWidget(*command);
    std::unique_ptr<TCommand> neutral = plain.Run(name);
    Check(neutral != nullptr && neutral->IsNull());
    if (!sections.NextSection()) break;
    name = sections.GetSectionName();
  } while (++count < kMaxSections);
  Check(reports <= TCommandInterpreter::kMaxReports);
  return 0;
}
