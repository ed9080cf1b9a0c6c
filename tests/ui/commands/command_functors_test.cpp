#include "ui/commands/command_functors.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace {

template <class Kind>
Kind Sample(std::size_t call);
template <>
int32_t Sample<int32_t>(std::size_t call) { return 100 + static_cast<int32_t>(call); }
template <>
bool Sample<bool>(std::size_t call) { return call % 2 == 1; }
template <>
std::string Sample<std::string>(std::size_t call) { return "answer " + std::to_string(call); }

std::string Show(int32_t value) { return std::to_string(value); }
std::string Show(bool value) { return value ? "true" : "false"; }
std::string Show(const std::string& value) { return "'" + value + "'"; }
std::string Show(float value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

// Records every call with its argument; each answer depends on the number of
// calls, so a result kept from an earlier call shows.
class TTarget {
 public:
  void Act() { calls.push_back("Act"); }
  template <class Result>
  Result Answer() {
    calls.push_back("Answer");
    return Sample<Result>(calls.size());
  }
  template <class Result, class Argument>
  Result Take(Argument argument) {
    calls.push_back("Take " + Show(argument));
    return Sample<Result>(calls.size());
  }
  int32_t TakeByReference(const std::string& text) {
    calls.push_back("TakeByReference " + Show(text));
    return static_cast<int32_t>(text.size());
  }
  bool IsReady() const { return true; }

  std::vector<std::string> calls;
};

// Two arguments of each kind; the second of a text is the empty text.
template <class Argument>
Argument FirstArgument();
template <>
int32_t FirstArgument<int32_t>() { return 2; }
template <>
float FirstArgument<float>() { return 0.5f; }
template <>
bool FirstArgument<bool>() { return true; }
template <>
std::string FirstArgument<std::string>() { return "FireAtWill"; }
template <class Argument>
Argument SecondArgument();
template <>
int32_t SecondArgument<int32_t>() { return -7; }
template <>
float SecondArgument<float>() { return -1.25f; }
template <>
bool SecondArgument<bool>() { return false; }
template <>
std::string SecondArgument<std::string>() { return ""; }

// The setters of every kind but the command's own: the command must ignore them.
template <class Argument>
void SetOtherKinds(TArgumentCommand& command) {
  if constexpr (!std::is_same_v<Argument, int32_t>) command.SetArgument(int32_t{99});
  if constexpr (!std::is_same_v<Argument, float>) command.SetArgument(9.75f);
  if constexpr (!std::is_same_v<Argument, bool>) command.SetArgument(!FirstArgument<bool>());
  if constexpr (!std::is_same_v<Argument, std::string>) command.SetArgument(std::string("ignored"));
}

// The getters of every kind but the command's own leave the caller's value.
template <class Result>
void ExpectOtherGettersLeaveValues(const TResultCommand& command) {
  if constexpr (!std::is_same_v<Result, int32_t>) {
    int32_t number = 12345;
    command.GetResult(number);
    EXPECT_EQ(number, 12345);
  }
  if constexpr (!std::is_same_v<Result, bool>) {
    for (const bool before : {false, true}) {
      bool flag = before;
      command.GetResult(flag);
      EXPECT_EQ(flag, before);
    }
  }
  if constexpr (!std::is_same_v<Result, std::string>) {
    std::string text = "kept";
    command.GetResult(text);
    EXPECT_EQ(text, "kept");
  }
  float real = 3.25f;
  command.GetResult(real);
  EXPECT_EQ(real, 3.25f);
}

template <class R, class A>
struct ArgumentKind {
  using Result = R;
  using Argument = A;
};

template <class Kind>
class BoundArgumentCommandTest : public ::testing::Test {};

// The eight argument kinds in use: result of int, bool or text; argument of
// int, float, bool or text.
using ArgumentKinds =
    ::testing::Types<ArgumentKind<int32_t, std::string>, ArgumentKind<bool, std::string>,
                     ArgumentKind<int32_t, int32_t>, ArgumentKind<bool, int32_t>, ArgumentKind<std::string, int32_t>,
                     ArgumentKind<int32_t, float>, ArgumentKind<int32_t, bool>, ArgumentKind<bool, bool>>;
TYPED_TEST_SUITE(BoundArgumentCommandTest, ArgumentKinds);

TYPED_TEST(BoundArgumentCommandTest, ArgumentPersistsAndResultIsTyped) {
  using Result = typename TypeParam::Result;
  using Argument = typename TypeParam::Argument;
  TTarget target;
  std::unique_ptr<TArgumentCommand> command =
      MakeArgumentCommand<Result, Argument>(&target, &TTarget::template Take<Result, Argument>);
  EXPECT_FALSE(command->IsNull());
  EXPECT_EQ(command->AsArgumentCommand(), command.get());

  Result result = Sample<Result>(7);
  command->GetResult(result);
  EXPECT_EQ(result, Result{}) << "before the first run";

  command->SetArgument(FirstArgument<Argument>());
  SetOtherKinds<Argument>(*command);
  command->Execute();
  command->Execute();
  const std::string firstCall = "Take " + Show(FirstArgument<Argument>());
  EXPECT_EQ(target.calls, (std::vector<std::string>{firstCall, firstCall}));
  command->GetResult(result);
  EXPECT_EQ(result, Sample<Result>(2));
  ExpectOtherGettersLeaveValues<Result>(*command);

  command->SetArgument(SecondArgument<Argument>());
  command->Execute();
  ASSERT_EQ(target.calls.size(), 3u);
  EXPECT_EQ(target.calls[2], "Take " + Show(SecondArgument<Argument>()));
  command->GetResult(result);
  EXPECT_EQ(result, Sample<Result>(3));
}

template <class Kind>
class BoundResultCommandTest : public ::testing::Test {};

using ResultKinds = ::testing::Types<int32_t, bool, std::string>;
TYPED_TEST_SUITE(BoundResultCommandTest, ResultKinds);

TYPED_TEST(BoundResultCommandTest, KeepsTheLastResult) {
  using Result = TypeParam;
  TTarget target;
  std::unique_ptr<TResultCommand> command = MakeResultCommand<Result>(&target, &TTarget::template Answer<Result>);
  EXPECT_EQ(command->AsResultCommand(), command.get());
  EXPECT_EQ(command->AsArgumentCommand(), nullptr);

  Result result = Sample<Result>(7);
  command->GetResult(result);
  EXPECT_EQ(result, Result{}) << "before the first run";
  command->Execute();
  command->GetResult(result);
  EXPECT_EQ(result, Sample<Result>(1));
  command->Execute();
  command->GetResult(result);
  EXPECT_EQ(result, Sample<Result>(2));
  EXPECT_EQ(target.calls.size(), 2u);
  ExpectOtherGettersLeaveValues<Result>(*command);
}

TEST(CommandFunctorsTest, CallsTheOperationEachRun) {
  TTarget target;
  std::unique_ptr<TCommand> command = MakeCallbackCommand(&target, &TTarget::Act);
  EXPECT_FALSE(command->IsNull());
  EXPECT_EQ(command->AsResultCommand(), nullptr);
  command->Execute();
  command->Execute();
  EXPECT_EQ(target.calls, (std::vector<std::string>{"Act", "Act"}));
}

TEST(CommandFunctorsTest, IgnoresWhatTheOperationReturns) {
  TTarget target;
  std::unique_ptr<TCommand> command = MakeCallbackCommand(&target, &TTarget::Answer<int32_t>);
  command->Execute();
  EXPECT_EQ(target.calls, (std::vector<std::string>{"Answer"}));
}

TEST(CommandFunctorsTest, TextByReferencePassesTheStoredText) {
  TTarget target;
  std::unique_ptr<TArgumentCommand> command =
      MakeArgumentCommand<int32_t, std::string>(&target, &TTarget::TakeByReference);
  command->SetArgument("Pursue");
  command->Execute();
  int32_t length = -1;
  command->GetResult(length);
  EXPECT_EQ(length, 6);
  command->SetArgument(std::string());
  command->Execute();
  command->GetResult(length);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(target.calls, (std::vector<std::string>{"TakeByReference 'Pursue'", "TakeByReference ''"}));
}

TEST(CommandFunctorsTest, BindsConstOperations) {
  const TTarget target;
  std::unique_ptr<TResultCommand> command = MakeResultCommand<bool>(&target, &TTarget::IsReady);
  command->Execute();
  bool ready = false;
  command->GetResult(ready);
  EXPECT_TRUE(ready);
}

TEST(CommandFunctorsTest, CommandsWithoutTargetDoNothing) {
  TTarget* none = nullptr;
  std::unique_ptr<TCommand> callback = MakeCallbackCommand(none, &TTarget::Act);
  std::unique_ptr<TResultCommand> answer = MakeResultCommand<std::string>(none, &TTarget::Answer<std::string>);
  std::unique_ptr<TArgumentCommand> take =
      MakeArgumentCommand<int32_t, int32_t>(none, &TTarget::Take<int32_t, int32_t>);
  take->SetArgument(int32_t{5});
  callback->Execute();
  answer->Execute();
  take->Execute();
  std::string text = "kept";
  answer->GetResult(text);
  EXPECT_EQ(text, "");
  int32_t number = 8;
  take->GetResult(number);
  EXPECT_EQ(number, 0);
}

}  // namespace
