#include "sim/smoke.h"

#include <gtest/gtest.h>

#include <memory>

#include "app/random.h"
#include "sim/effect_test_support.h"
#include "support/temp_folder.h"

namespace {

class SmokeTest : public ::testing::Test {
 protected:
  void SetUp() override { GetRandom()->Seed(77); }

  TTempFolder folder_;
  effect_test::TEffectReaders readers_;
  std::unique_ptr<TGameData> data_ = effect_test::MakeRules();
};

TEST_F(SmokeTest, ThinsByATenthPerTimeUnitAndExpiresAtZero) {
  Smoke smoke(TVector3(2, 3, 0), 2.0f, 1.0f);
  smoke.Update(7.0f);
  EXPECT_FLOAT_EQ(smoke.GetDensity(), 0.5f);
  EXPECT_FALSE(smoke.IsDestroyed());
  smoke.Update(11.99f);
  EXPECT_FALSE(smoke.IsDestroyed());
  smoke.Update(12.0f);
  EXPECT_FLOAT_EQ(smoke.GetDensity(), 0.0f);
  EXPECT_TRUE(smoke.IsDestroyed());
}

TEST_F(SmokeTest, NeverFallsBelowZeroAndIsNotCappedBeforeItsStart) {
  Smoke smoke(TVector3(), 2.0f, 1.0f);
  smoke.Update(0.0f);
  EXPECT_FLOAT_EQ(smoke.GetDensity(), 1.2f);
  smoke.Update(30.0f);
  EXPECT_FLOAT_EQ(smoke.GetDensity(), 0.0f);
  EXPECT_TRUE(smoke.IsDestroyed());
}

TEST_F(SmokeTest, DamageNeverRemovesIt) {
  Smoke smoke(TVector3(), 0.0f, 1.0f);
  EXPECT_FALSE(smoke.TakeDamage(1000.0f));
  EXPECT_FALSE(smoke.IsDestroyed());
}

TEST_F(SmokeTest, HidesByItsDensityAndHasNoRadius) {
  Smoke smoke(TVector3(), 0.0f, 0.8f);
  EXPECT_FLOAT_EQ(smoke.SphereOverlap(TVector3(), 1.0f), 0.08f);
  EXPECT_FLOAT_EQ(smoke.GetRadius(), 0.0f);
  EXPECT_FLOAT_EQ(smoke.GetVisibility(), 1.0f);
  EXPECT_FLOAT_EQ(smoke.GetCreationTime(), 0.0f);
  EXPECT_EQ(smoke.TypeName(), "Smoke");
}

TEST_F(SmokeTest, DrawsItsVisualOffsetWithoutADisplayToo) {
  TRandom expected;
  expected.Seed(77);
  const float offset = expected.Float(10.0f);
  const Smoke smoke(TVector3(), 4.0f, 1.0f);
  EXPECT_FLOAT_EQ(smoke.GetVisualStartTime(), 4.0f - offset);
  EXPECT_EQ(smoke.GetVisual(), nullptr);
  // The next draw of the game generator is the one after the smoke's.
  EXPECT_FLOAT_EQ(GetRandom()->Float(10.0f), expected.Float(10.0f));
}

TEST_F(SmokeTest, RebuiltSmokeKeepsItsCurrentDensity) {
  Smoke smoke(TVector3(1, 2, 0.5f), 2.0f, 1.0f);
  smoke.SetId(9);
  smoke.SetFlag(1, true);
  smoke.Update(5.0f);
  const auto read = effect_test::RoundTrip(*smoke.MakeRecord(), "Vorhelm-3-10");
  ASSERT_NE(read, nullptr);
  effect_test::TAnyList list;
  const auto spawned = read->Spawn(*data_, list);
  ASSERT_NE(spawned, nullptr);
  const auto& rebuilt = static_cast<const Smoke&>(*spawned);
  EXPECT_EQ(rebuilt.GetId(), 9);
  EXPECT_TRUE(rebuilt.TestFlag(1));
  EXPECT_EQ(rebuilt.Position(), TVector3(1, 2, 0.5f));
  EXPECT_FLOAT_EQ(rebuilt.GetStartTime(), 2.0f);
  EXPECT_FLOAT_EQ(rebuilt.GetInitialDensity(), 1.0f);
  EXPECT_FLOAT_EQ(rebuilt.GetDensity(), 0.7f);
}

TEST_F(SmokeTest, RecordsReadAtTheOldPointLayout) {
  Smoke smoke(TVector3(1, 2, 0.5f), 2.0f, 1.0f);
  const auto record = smoke.MakeRecord();
  const auto old = effect_test::RoundTrip(*record, "Vorhelm-1-05");
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->GetPosition(), TVector3(1, 2, 0.5f));
  // The old layout carries a component count before the point.
  EXPECT_EQ(effect_test::RecordBytes(*record, "Vorhelm-1-05").size(),
            effect_test::RecordBytes(*record, "Vorhelm-3-10").size() + 4);
}

TEST_F(SmokeTest, TheListTogglesItsShownFlag) {
  TSmokeList list;
  EXPECT_FALSE(list.IsShown());
  list.Add(std::make_unique<Smoke>(TVector3(), 0.0f, 1.0f));
  list.ToggleDisplay();
  EXPECT_TRUE(list.IsShown());
  list.Add(std::make_unique<Smoke>(TVector3(), 0.0f, 1.0f));
  list.ToggleDisplay();
  EXPECT_FALSE(list.IsShown());
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.ElementTypeName(), "Smoke");
}

}  // namespace
