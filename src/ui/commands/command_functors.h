// Commands that bind one target object and one of its operations. The target
// is fixed when the command is built and never owned; the operation is a
// member pointer (or anything std::invoke can call with the target pointer).
// Results are int, bool or text; arguments are int, float, bool or text.
#pragma once

#include <concepts>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include "ui/commands/command.h"

template <class Kind>
concept CommandResultKind =
    std::same_as<Kind, int32_t> || std::same_as<Kind, bool> || std::same_as<Kind, std::string>;

template <class Kind>
concept CommandArgumentKind = CommandResultKind<Kind> || std::same_as<Kind, float>;

// Runs the operation and ignores what it returns.
template <class Target, class Operation>
  requires std::invocable<Operation, Target*>
class TCallbackCommand final : public TCommand {
 public:
  TCallbackCommand(Target* target, Operation operation) : target_(target), operation_(operation) {}

  // A command built while its target did not exist (a session command on a
  // screen made with no battle shown) does nothing.
  void Execute() override {
    if (target_ != nullptr) {
      std::invoke(operation_, target_);
    }
  }

 private:
  Target* target_;
  Operation operation_;
};

// Keeps what the operation returned for the getter of its result kind.
template <CommandResultKind Result, class Target, class Operation>
  requires std::invocable<Operation, Target*> &&
           std::convertible_to<std::invoke_result_t<Operation, Target*>, Result>
class TBoundResultCommand final : public TResultCommand {
 public:
  TBoundResultCommand(Target* target, Operation operation) : target_(target), operation_(operation) {}

  using TResultCommand::GetResult;
  void Execute() override {
    if (target_ != nullptr) {
      result_ = std::invoke(operation_, target_);
    }
  }
  void GetResult(Result& result) const override { result = result_; }

 private:
  Result result_{};
  Target* target_;
  Operation operation_;
};

// Calls the operation with the last argument set and keeps its result; the
// argument stays until it is set again, so executing twice repeats the call.
template <CommandResultKind Result, CommandArgumentKind Argument, class Target, class Operation>
  requires std::invocable<Operation, Target*, Argument&> &&
           std::convertible_to<std::invoke_result_t<Operation, Target*, Argument&>, Result>
class TBoundArgumentCommand final : public TArgumentCommand {
 public:
  TBoundArgumentCommand(Target* target, Operation operation) : target_(target), operation_(operation) {}

  using TArgumentCommand::GetResult;
  using TArgumentCommand::SetArgument;
  void Execute() override {
    if (target_ != nullptr) {
      result_ = std::invoke(operation_, target_, argument_);
    }
  }
  void GetResult(Result& result) const override { result = result_; }
  void SetArgument(Argument argument) override { argument_ = std::move(argument); }

 private:
  Result result_{};
  Target* target_;
  Operation operation_;
  Argument argument_{};
};

// Makers that name only the kinds; the target and operation types are deduced.
template <class Target, class Operation>
std::unique_ptr<TCommand> MakeCallbackCommand(Target* target, Operation operation) {
  return std::make_unique<TCallbackCommand<Target, Operation>>(target, operation);
}

template <CommandResultKind Result, class Target, class Operation>
std::unique_ptr<TResultCommand> MakeResultCommand(Target* target, Operation operation) {
  return std::make_unique<TBoundResultCommand<Result, Target, Operation>>(target, operation);
}

template <CommandResultKind Result, CommandArgumentKind Argument, class Target, class Operation>
std::unique_ptr<TArgumentCommand> MakeArgumentCommand(Target* target, Operation operation) {
  return std::make_unique<TBoundArgumentCommand<Result, Argument, Target, Operation>>(target, operation);
}
