#include "ui/commands/command.h"

#include <utility>

TCommand::~TCommand() = default;

bool TCommand::IsNull() const { return false; }

TResultCommand* TCommand::AsResultCommand() { return nullptr; }

TArgumentCommand* TCommand::AsArgumentCommand() { return nullptr; }

void TResultCommand::GetResult(float&) const {}

void TResultCommand::GetResult(bool&) const {}

void TResultCommand::GetResult(std::string&) const {}

void TResultCommand::GetResult(int32_t&) const {}

TResultCommand* TResultCommand::AsResultCommand() { return this; }

void TArgumentCommand::SetArgument(float) {}

void TArgumentCommand::SetArgument(bool) {}

void TArgumentCommand::SetArgument(std::string) {}

void TArgumentCommand::SetArgument(int32_t) {}

TArgumentCommand* TArgumentCommand::AsArgumentCommand() { return this; }

void TNullCommand::Execute() {}

bool TNullCommand::IsNull() const { return true; }

void TNullCommand::GetResult(bool& result) const { result = false; }

void TNullCommand::GetResult(std::string& result) const { result.clear(); }

void TNullCommand::GetResult(int32_t& result) const { result = 0; }

TCompositeCommand::TCompositeCommand() = default;

TCompositeCommand::~TCompositeCommand() = default;

void TCompositeCommand::Execute() {
  for (const std::unique_ptr<TCommand>& child : children_) {
    child->Execute();
  }
}

void TCompositeCommand::Add(std::unique_ptr<TCommand> command) {
  if (command) {
    children_.push_back(std::move(command));
  }
}

TCommand* TCompositeCommand::GetChild(std::size_t index) const {
  return index < children_.size() ? children_[index].get() : nullptr;
}
