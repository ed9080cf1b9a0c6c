// A widget asks its commands questions: run the command, then read the
// result of the kind it wants. A command with no result of that kind (the
// null command, a plain action) answers false, 0 or an empty text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ui/commands/command.h"

inline bool AskBool(TCommand* command) {
  bool result = false;
  if (command == nullptr) return result;
  command->Execute();
  if (TResultCommand* answer = command->AsResultCommand()) answer->GetResult(result);
  return result;
}

inline int32_t AskInt(TCommand* command) {
  int32_t result = 0;
  if (command == nullptr) return result;
  command->Execute();
  if (TResultCommand* answer = command->AsResultCommand()) answer->GetResult(result);
  return result;
}

inline std::string AskText(TCommand* command) {
  std::string result;
  if (command == nullptr) return result;
  command->Execute();
  if (TResultCommand* answer = command->AsResultCommand()) answer->GetResult(result);
  return result;
}

// The command given, or the null command for a missing one.
inline std::unique_ptr<TCommand> OrNullCommand(std::unique_ptr<TCommand> command) {
  if (!command) return std::make_unique<TNullCommand>();
  return command;
}

inline void Run(TCommand* command) {
  if (command != nullptr) command->Execute();
}
