#include "app/keyboard_accelerator.h"

#include <gtest/gtest.h>

#include <memory>

#include "app/key_map.h"
#include "screens/interface_sounds.h"
#include "ui/commands/command.h"

namespace {

struct CommandLog {
  int executed = 0;
  int queried = 0;
};

class FakeCommand : public TResultCommand {
 public:
  FakeCommand(CommandLog& log, int32_t result, bool null) : log_(log), result_(result), null_(null) {}
  bool IsNull() const override {
    ++log_.queried;
    return null_;
  }
  void Execute() override { ++log_.executed; }
  using TResultCommand::GetResult;
  void GetResult(int32_t& result) const override { result = result_; }

 private:
  CommandLog& log_;
  int32_t result_;
  bool null_;
};

class KeyboardAcceleratorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DestroyKeyMap();
    TInterfaceSounds::DestroyInstance();
  }
  void TearDown() override {
    DestroyKeyMap();
    TInterfaceSounds::DestroyInstance();
  }

  std::unique_ptr<TKeyboardAccelerator> Make(bool releaseIsNull) {
    return std::make_unique<TKeyboardAccelerator>(
        "F5", std::make_unique<FakeCommand>(release_, 1, releaseIsNull),
        std::make_unique<FakeCommand>(hold_, 42, false));
  }

  static constexpr int32_t kF5 = 116;
  CommandLog release_;
  CommandLog hold_;
};

TEST_F(KeyboardAcceleratorTest, IdleKeyDoesNothing) {
  auto accelerator = Make(false);
  EXPECT_EQ(accelerator->Poll(), 0);
  EXPECT_FALSE(accelerator->IsActive());
  EXPECT_EQ(release_.executed, 0);
  EXPECT_EQ(hold_.executed, 0);
  EXPECT_EQ(TInterfaceSounds::Instance()->GetPlayCount(), 0);
  EXPECT_EQ(accelerator->GetKey().GetName(), "F5");
  EXPECT_FALSE(accelerator->GetKey().IsSpecial());
}

TEST_F(KeyboardAcceleratorTest, HoldRunsEveryPollAndActivationClicksOnce) {
  auto accelerator = Make(false);
  GetKeyMap()->OnKeyDown(kF5);

  EXPECT_EQ(accelerator->Poll(), 42);
  EXPECT_TRUE(accelerator->IsActive());
  EXPECT_EQ(TInterfaceSounds::Instance()->GetLastPlayed(), "Activated");
  EXPECT_EQ(accelerator->Poll(), 42);
  EXPECT_EQ(accelerator->Poll(), 42);
  EXPECT_EQ(hold_.executed, 3);
  EXPECT_EQ(release_.queried, 1);
  EXPECT_EQ(release_.executed, 0);
  EXPECT_EQ(TInterfaceSounds::Instance()->GetPlayCount(), 1);
}

TEST_F(KeyboardAcceleratorTest, ReleaseRunsTheReleaseActionOnceAndDeactivates) {
  auto accelerator = Make(false);
  GetKeyMap()->OnKeyDown(kF5);
  accelerator->Poll();
  GetKeyMap()->OnKeyUp(kF5);

  EXPECT_EQ(accelerator->Poll(), 0);
  EXPECT_EQ(release_.executed, 1);
  EXPECT_FALSE(accelerator->IsActive());
  EXPECT_EQ(hold_.executed, 1);

  GetKeyMap()->Snapshot();
  EXPECT_EQ(accelerator->Poll(), 0);
  EXPECT_EQ(release_.executed, 1);
}

TEST_F(KeyboardAcceleratorTest, NullReleaseActionSilencesActivation) {
  auto accelerator = Make(true);
  GetKeyMap()->OnKeyDown(kF5);
  EXPECT_EQ(accelerator->Poll(), 42);
  EXPECT_TRUE(accelerator->IsActive());
  EXPECT_EQ(TInterfaceSounds::Instance()->GetPlayCount(), 0);
}

TEST_F(KeyboardAcceleratorTest, PressAgainAfterReleaseClicksAgain) {
  auto accelerator = Make(false);
  GetKeyMap()->OnKeyDown(kF5);
  accelerator->Poll();
  GetKeyMap()->OnKeyUp(kF5);
  accelerator->Poll();
  GetKeyMap()->OnKeyDown(kF5);
  accelerator->Poll();
  EXPECT_EQ(TInterfaceSounds::Instance()->GetPlayCount(), 2);
}

TEST_F(KeyboardAcceleratorTest, HoldActionWithoutIntResultGivesZero) {
  TKeyboardAccelerator accelerator("F5", std::make_unique<TNullCommand>(),
                                   std::make_unique<TCompositeCommand>());
  GetKeyMap()->OnKeyDown(kF5);
  EXPECT_EQ(accelerator.Poll(), 0);
  EXPECT_TRUE(accelerator.IsActive());
  EXPECT_EQ(TInterfaceSounds::Instance()->GetPlayCount(), 0);
}

TEST_F(KeyboardAcceleratorTest, MissingCommandsAreSkipped) {
  TKeyboardAccelerator accelerator("F5", nullptr, nullptr);
  GetKeyMap()->OnKeyDown(kF5);
  EXPECT_EQ(accelerator.Poll(), 0);
  EXPECT_TRUE(accelerator.IsActive());
  GetKeyMap()->OnKeyUp(kF5);
  EXPECT_EQ(accelerator.Poll(), 0);
}

}  // namespace
