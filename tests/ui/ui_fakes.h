// Stand-ins for the interface tests: commands that keep their script name,
// count their runs and answer a text result, an interpreter that makes them
// by name, and a screen that holds keyboard accelerators.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/keyboard_accelerator.h"
#include "ui/commands/command.h"
#include "ui/commands/command_interpreter.h"
#include "ui/interface_loader.h"
#include "ui/widget.h"

namespace testing_ui {

// What the commands of one interpreter did, in order.
struct CommandLog {
  std::vector<std::string> executed;
};

class NamedCommand : public TArgumentCommand {
 public:
  using TResultCommand::GetResult;
  NamedCommand(std::string name, CommandLog& log, std::function<std::string()> result)
      : name_(std::move(name)), log_(log), result_(std::move(result)) {}
  void Execute() override {
    log_.executed.push_back(name_);
    if (result_) text_ = result_();
  }
  void GetResult(std::string& result) const override { result = text_; }
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
  CommandLog& log_;
  std::function<std::string()> result_;
  std::string text_;
};

// Every name but the empty one and "Null" makes a named command; the names
// asked for are kept.
class NamingInterpreter : public TCommandInterpreter {
 public:
  explicit NamingInterpreter(CommandLog& log) : TCommandInterpreter(std::string()), log_(log) {}
  std::unique_ptr<TCommand> Run(const std::string& scriptName) override {
    asked.push_back(scriptName);
    if (scriptName.empty() || scriptName == "Null") return std::make_unique<TNullCommand>();
    std::function<std::string()> result;
    const auto found = results.find(scriptName);
    if (found != results.end()) result = found->second;
    return std::make_unique<NamedCommand>(scriptName, log_, result);
  }

  std::vector<std::string> asked;
  // Text results by command name.
  std::map<std::string, std::function<std::string()>> results;

 private:
  CommandLog& log_;
};

// The name of a command made by the naming interpreter; "Null" for the
// null command.
inline std::string CommandName(const TCommand* command) {
  if (command == nullptr) return "(none)";
  if (command->IsNull()) return "Null";
  const auto* named = dynamic_cast<const NamedCommand*>(command);
  return named ? named->Name() : "(other)";
}

class AcceleratedScreen : public TNode, public TAcceleratorOwner {
 public:
  explicit AcceleratedScreen(const std::string& name) : TNode(name) {}
  void AddAccelerator(std::unique_ptr<TKeyboardAccelerator> accelerator) override {
    accelerators.push_back(std::move(accelerator));
  }
  std::vector<std::unique_ptr<TKeyboardAccelerator>> accelerators;
};

}  // namespace testing_ui
