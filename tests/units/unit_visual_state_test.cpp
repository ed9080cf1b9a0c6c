#include "units/unit_visual_state.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/temp_folder.h"
#include "units/unit_test_rules.h"

namespace {

class UnitVisualStateTest : public ::testing::Test {
 protected:
  const TUnitType& Grunt() const { return *data_->FindUnitType("Grunt"); }

  TTempFolder folder_;
  std::unique_ptr<TGameData> data_ = unit_test::MakeRules();
  TVector3 position_{2, 2, 0};
};

TEST_F(UnitVisualStateTest, StartsStandingWithOnlyBodyAndHealthBarShown) {
  const TUnitAnimator animator(Grunt(), position_, 0);
  EXPECT_EQ(animator.GetStateName(), "Stand");
  const TUnitDisplayState& shown = animator.GetDisplayState();
  EXPECT_EQ(shown.partCount, 6);
  EXPECT_EQ(shown.bodyAnimation, 0);
  EXPECT_EQ(shown.pose, 0);
  EXPECT_TRUE(shown.IsShown(kBodyPart));
  EXPECT_FALSE(shown.IsShown(kSelectionMarkerPart));
  EXPECT_TRUE(shown.IsShown(kHealthBarPart));
  EXPECT_FALSE(shown.IsShown(kFirstExtraMarkerPart));
  EXPECT_FALSE(shown.IsShown(kSecondExtraMarkerPart));
  EXPECT_FALSE(shown.IsShown(kWeaponBarPart));
  // Headless: no display objects.
  EXPECT_EQ(animator.GetVisual(), nullptr);
  EXPECT_EQ(animator.GetHealthBar(), nullptr);
}

TEST_F(UnitVisualStateTest, StateNamesSelectPoseAndBodyAnimation) {
  struct TCase {
    const char* state;
    int32_t pose;
    int32_t animation;
  };
  // Each from an animator in pose 4 playing animation 5 ("LayEgg").
  const TCase cases[] = {
      {"Aim", 0, 2},  {"Fire", 0, 3},   {"Stand", 0, 0},  {"Run", 1, 1},
      {"Heal", 2, 4}, {"Close Combat Attack", 2, 2},    {"Close Combat Finish", 4, 3},
      {"Eat", 3, 4},  {"LayEgg", 4, 5}, {"Hatch", 1, 1},  {"Dance", 4, 5},
  };
  for (const TCase& c : cases) {
    TUnitAnimator animator(Grunt(), position_, 0);
    animator.SetState("LayEgg", 1.0f);
    animator.SetState(c.state, 3.0f);
    const TUnitDisplayState& shown = animator.GetDisplayState();
    EXPECT_EQ(animator.GetStateName(), c.state);
    EXPECT_EQ(shown.pose, c.pose) << c.state;
    EXPECT_EQ(shown.bodyAnimation, c.animation) << c.state;
    EXPECT_FLOAT_EQ(shown.animationTime, 3.0f) << c.state;
    // Unknown names only store the name; the old animation runs on.
    EXPECT_FLOAT_EQ(shown.animationStart, std::string(c.state) == "Dance" ? 1.0f : 3.0f) << c.state;
  }
}

TEST_F(UnitVisualStateTest, RunningOnDoesNotRestartTheRun) {
  TUnitAnimator animator(Grunt(), position_, 0);
  animator.SetState("Run", 1.0f);
  animator.SetState("Run", 2.0f);
  EXPECT_FLOAT_EQ(animator.GetDisplayState().animationStart, 1.0f);
  EXPECT_FLOAT_EQ(animator.GetStateTime(), 1.0f);
  animator.SetState("Hatch", 2.5f);
  EXPECT_FLOAT_EQ(animator.GetDisplayState().animationStart, 1.0f);
  animator.SetState("Stand", 3.0f);
  EXPECT_EQ(animator.GetDisplayState().bodyAnimation, 0);
  EXPECT_EQ(animator.GetDisplayState().pose, 0);
  EXPECT_FLOAT_EQ(animator.GetStateTime(), 0.0f);
  animator.Advance(3.75f);
  EXPECT_FLOAT_EQ(animator.GetStateTime(), 0.75f);
}

TEST_F(UnitVisualStateTest, RestoredStateHasRunForItsSavedTime) {
  TUnitAnimator animator(Grunt(), position_, 0);
  animator.RestoreState("Run", 0.625f);
  EXPECT_EQ(animator.GetStateName(), "Run");
  EXPECT_EQ(animator.GetDisplayState().bodyAnimation, 1);
  EXPECT_FLOAT_EQ(animator.GetStateTime(), 0.625f);
}

TEST_F(UnitVisualStateTest, FadeIsClampedToOpaqueAndTransparent) {
  TUnitAnimator animator(Grunt(), position_, 0);
  animator.SetFade(1.5f);
  EXPECT_FLOAT_EQ(animator.GetDisplayState().fade, 1.0f);
  animator.SetFade(-1.0f);
  EXPECT_FLOAT_EQ(animator.GetDisplayState().fade, 0.0f);
  animator.SetFade(0.25f);
  EXPECT_FLOAT_EQ(animator.GetDisplayState().fade, 0.25f);
}

TEST_F(UnitVisualStateTest, WeaponBarShowsOnlyForTheLocalPlayersUnits) {
  TUnitAnimator own(Grunt(), position_, 0);
  own.ShowMarkersFor(0);
  EXPECT_TRUE(own.GetDisplayState().IsShown(kFirstExtraMarkerPart));
  EXPECT_TRUE(own.GetDisplayState().IsShown(kSecondExtraMarkerPart));
  EXPECT_TRUE(own.GetDisplayState().IsShown(kWeaponBarPart));

  TUnitAnimator other(Grunt(), position_, 1);
  other.ShowMarkersFor(0);
  EXPECT_TRUE(other.GetDisplayState().IsShown(kFirstExtraMarkerPart));
  EXPECT_FALSE(other.GetDisplayState().IsShown(kWeaponBarPart));
  // Without a local player (a server run) no unit is anyone's own.
  TUnitAnimator serverSide(Grunt(), position_, 0);
  serverSide.ShowMarkersFor(-1);
  EXPECT_FALSE(serverSide.GetDisplayState().IsShown(kWeaponBarPart));
}

TEST_F(UnitVisualStateTest, CompositeWithoutWeaponBarIsNeverAddressedPastItsParts) {
  TUnitAnimator animator(Grunt(), position_, 0, 5);
  animator.ShowWeaponFraction(0.5f);
  EXPECT_FLOAT_EQ(animator.GetDisplayState().weaponFraction, 1.0f);
  animator.ShowMarkersFor(0);
  EXPECT_FALSE(animator.GetDisplayState().IsShown(kWeaponBarPart));
  EXPECT_TRUE(animator.GetDisplayState().IsShown(kFirstExtraMarkerPart));
  EXPECT_EQ(animator.GetWeaponBar(), nullptr);
  animator.ShowHealth(0.25f);
  EXPECT_FLOAT_EQ(animator.GetDisplayState().healthFraction, 0.25f);

  // A composite of one part has no bars or markers at all.
  TUnitAnimator bare(Grunt(), position_, 0, 1);
  bare.ShowHealth(0.5f);
  bare.ShowMarkersFor(0);
  bare.ShowSelected(true);
  EXPECT_FLOAT_EQ(bare.GetDisplayState().healthFraction, 1.0f);
  EXPECT_FALSE(bare.GetDisplayState().IsShown(kHealthBarPart));
  EXPECT_FALSE(bare.GetDisplayState().IsShown(kSelectionMarkerPart));
  EXPECT_TRUE(bare.GetDisplayState().IsShown(kBodyPart));
}

TEST_F(UnitVisualStateTest, SelectionMarkerAndFacing) {
  TUnitAnimator animator(Grunt(), position_, 0);
  animator.ShowSelected(true);
  EXPECT_TRUE(animator.GetDisplayState().IsShown(kSelectionMarkerPart));
  animator.ShowSelected(false);
  EXPECT_FALSE(animator.GetDisplayState().IsShown(kSelectionMarkerPart));
  animator.SetFacing(5);
  EXPECT_EQ(animator.GetDisplayState().facing, 5);
}

}  // namespace
