#include "ui/commands/command.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Appends its mark to a shared list when run.
class TMarkCommand : public TCommand {
 public:
  TMarkCommand(std::vector<int>& runs, int mark) : runs_(runs), mark_(mark) {}
  void Execute() override { runs_.push_back(mark_); }

 private:
  std::vector<int>& runs_;
  int mark_;
};

TEST(NullCommandTest, DoesNothingAndAnswersNeutralValues) {
  TNullCommand command;
  command.Execute();
  EXPECT_TRUE(command.IsNull());

  bool flag = true;
  std::string text = "kept";
  int32_t number = 17;
  float real = 2.5f;
  command.GetResult(flag);
  command.GetResult(text);
  command.GetResult(number);
  command.GetResult(real);
  EXPECT_FALSE(flag);
  EXPECT_EQ(text, "");
  EXPECT_EQ(number, 0);
  EXPECT_EQ(real, 2.5f);

  // Setters are ignored: the answers stay neutral.
  command.SetArgument(int32_t{4});
  command.SetArgument(true);
  command.SetArgument(0.5f);
  command.SetArgument(std::string("word"));
  command.Execute();
  number = 9;
  command.GetResult(number);
  EXPECT_EQ(number, 0);
}

TEST(NullCommandTest, OffersResultAndArgumentInterfaces) {
  TNullCommand command;
  EXPECT_EQ(command.AsResultCommand(), &command);
  EXPECT_EQ(command.AsArgumentCommand(), &command);
}

TEST(CompositeCommandTest, RunsChildrenInOrderAndIsNeverNull) {
  std::vector<int> runs;
  TCompositeCommand composite;
  EXPECT_FALSE(composite.IsNull());
  composite.Execute();
  EXPECT_TRUE(runs.empty());

  composite.Add(std::make_unique<TMarkCommand>(runs, 1));
  composite.Add(nullptr);
  composite.Add(std::make_unique<TNullCommand>());
  composite.Add(std::make_unique<TMarkCommand>(runs, 2));
  auto inner = std::make_unique<TCompositeCommand>();
  inner->Add(std::make_unique<TMarkCommand>(runs, 3));
  composite.Add(std::move(inner));

  EXPECT_EQ(composite.GetChildCount(), 4u);
  EXPECT_TRUE(composite.GetChild(1)->IsNull());
  EXPECT_EQ(composite.GetChild(4), nullptr);
  composite.Execute();
  composite.Execute();
  EXPECT_EQ(runs, (std::vector<int>{1, 2, 3, 1, 2, 3}));
}

TEST(CompositeCommandTest, HasNoResultOrArgument) {
  TCompositeCommand composite;
  EXPECT_EQ(composite.AsResultCommand(), nullptr);
  EXPECT_EQ(composite.AsArgumentCommand(), nullptr);
}

}  // namespace
