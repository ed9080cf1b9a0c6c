// A small command table for the interpreter tests: a few built-in names
// bound to a recording target, so that what a script built shows in the
// order its commands run and the arguments they were given.
#pragma once

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ui/commands/command.h"
#include "ui/commands/command_functors.h"
#include "ui/commands/command_table.h"

namespace command_fakes {

class TRecorder {
 public:
  void SendOrders() { calls.push_back("SendOrders"); }
  void Hold() { calls.push_back("Hold"); }
  void Undo() { calls.push_back("Undo"); }
  int32_t AdjustTurn(int32_t turns) {
    calls.push_back("AdjustTurn " + std::to_string(turns));
    return turns;
  }
  int32_t Scale(float factor) {
    std::ostringstream text;
    text << "Scale " << factor;
    calls.push_back(text.str());
    return 0;
  }
  bool GetFullScreen(bool wanted) {
    calls.push_back(std::string("GetFullScreen ") + (wanted ? "true" : "false"));
    return wanted;
  }
  int32_t SetCombatReaction(const std::string& policy) {
    calls.push_back("SetCombatReaction " + policy);
    return static_cast<int32_t>(policy.size());
  }
  std::string SelectedText() {
    calls.push_back("SelectedText");
    return "Trooper";
  }

  std::vector<std::string> calls;
};

// What the builders were handed, one entry per command built.
struct TBuildLog {
  std::vector<TCommandTargets> targets;
};

template <class Operation>
TCommandTable::Builder CallbackBuilder(TRecorder& recorder, TBuildLog& log, Operation operation) {
  return [&recorder, &log, operation](const TCommandTargets& targets, const TCommandArguments&) {
    log.targets.push_back(targets);
    return MakeCallbackCommand(&recorder, operation);
  };
}

template <class Result, class Argument, class Operation>
TCommandTable::Builder ArgumentBuilder(TRecorder& recorder, TBuildLog& log, Operation operation) {
  return [&recorder, &log, operation](const TCommandTargets& targets, const TCommandArguments& arguments) {
    log.targets.push_back(targets);
    return MakeScriptArgumentCommand<Result, Argument>(&recorder, operation, arguments);
  };
}

inline TCommandTable MakeTable(TRecorder& recorder, TBuildLog& log) {
  TCommandTable table;
  table.Add("SendOrders", CallbackBuilder(recorder, log, &TRecorder::SendOrders));
  table.Add("Hold", CallbackBuilder(recorder, log, &TRecorder::Hold));
  table.Add("Undo", CallbackBuilder(recorder, log, &TRecorder::Undo));
  table.Add("AdjustTurn", ArgumentBuilder<int32_t, int32_t>(recorder, log, &TRecorder::AdjustTurn));
  table.Add("Scale", ArgumentBuilder<int32_t, float>(recorder, log, &TRecorder::Scale));
  table.Add("GetFullScreen", ArgumentBuilder<bool, bool>(recorder, log, &TRecorder::GetFullScreen));
  table.Add("SetCombatReaction", ArgumentBuilder<int32_t, std::string>(recorder, log, &TRecorder::SetCombatReaction));
  table.Add("SelectedText", [&recorder, &log](const TCommandTargets& targets, const TCommandArguments&) {
    log.targets.push_back(targets);
    return std::unique_ptr<TCommand>(MakeResultCommand<std::string>(&recorder, &TRecorder::SelectedText));
  });
  return table;
}

// The shape of a command: "Null", "[...]" for a composite with its children,
// and for any other command the call it made when it was executed.
inline std::string Describe(TCommand& command, TRecorder& recorder) {
  if (command.IsNull()) {
    return "Null";
  }
  if (auto* composite = dynamic_cast<TCompositeCommand*>(&command)) {
    std::string text = "[";
    for (std::size_t i = 0; i < composite->GetChildCount(); ++i) {
      text += (i > 0 ? "," : "") + Describe(*composite->GetChild(i), recorder);
    }
    return text + "]";
  }
  const std::size_t before = recorder.calls.size();
  command.Execute();
  if (recorder.calls.size() != before + 1) {
    return "?";
  }
  return recorder.calls.back();
}

}  // namespace command_fakes
