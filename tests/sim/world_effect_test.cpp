#include "sim/world_effect.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/effect_test_support.h"
#include "support/temp_folder.h"

namespace {

class SpecialEffectTest : public ::testing::Test {
 protected:
  TTempFolder folder_;
  effect_test::TEffectReaders readers_;
  std::unique_ptr<TGameData> data_ = effect_test::MakeRules();
};

struct DurationCase {
  std::string name;
  float lastAlive;
  float expired;
};

class SpecialEffectDurationTest : public ::testing::TestWithParam<DurationCase> {};

TEST_P(SpecialEffectDurationTest, ExpiresOnceItsDurationHasPassed) {
  const DurationCase& c = GetParam();
  TSpecialEffectObject effect(TVector3(1, 2, 0), c.name, "greyVisual", 0.0f);
  effect.Update(c.lastAlive);
  EXPECT_FALSE(effect.IsDestroyed());
  effect.Update(c.expired);
  EXPECT_TRUE(effect.IsDestroyed());
}

INSTANTIATE_TEST_SUITE_P(Names, SpecialEffectDurationTest,
                         ::testing::Values(DurationCase{"Shrapnel", 0.59f, 0.6f},
                                           DurationCase{"Grunt Ptang", 0.59f, 0.6f},
                                           DurationCase{"Psychic Attack", 1.49f, 1.5f}));

TEST_F(SpecialEffectTest, StartsLateEffectsFromTheirOwnStartTime) {
  TSpecialEffectObject effect(TVector3(), "Shrapnel", "", 10.0f);
  effect.Update(10.5f);
  EXPECT_FALSE(effect.IsDestroyed());
  effect.Update(10.6f);
  EXPECT_TRUE(effect.IsDestroyed());
  EXPECT_EQ(effect.TypeName(), "Special Effect");
  EXPECT_FLOAT_EQ(effect.GetCreationTime(), 10.0f);
  EXPECT_TRUE(effect.TakeDamage(100.0f));
}

TEST_F(SpecialEffectTest, AnEffectWithoutGroupShowsTheNullVisual) {
  EXPECT_EQ(TSpecialEffectObject::VisualNameFor("Shrapnel", ""), "Null");
  EXPECT_EQ(TSpecialEffectObject::VisualNameFor("Psychic Attack", "greyVisual"), "Psychic Attack");
}

TEST_F(SpecialEffectTest, KeepsItsBitsAcrossACommit) {
  TSpecialEffectObject effect(TVector3(), "Shrapnel", "", 0.0f);
  effect.SetFlag(1, true);
  effect.CommitFlags();
  EXPECT_TRUE(effect.TestFlag(1));
  EXPECT_TRUE(effect.GetPreviousFlags().Test(1));
}

struct GroupVersionCase {
  std::string tag;
  std::string expectedGroup;
};

class SpecialEffectRecordVersionTest : public SpecialEffectTest,
                                       public ::testing::WithParamInterface<GroupVersionCase> {};

TEST_P(SpecialEffectRecordVersionTest, CarriesTheVisualGroupAbove2089) {
  TSpecialEffectObject effect(TVector3(3, 4, 0.5f), "Psychic Attack", "greyVisual", 7.25f);
  effect.SetId(12);
  effect.SetFlag(0, true);
  const auto read = effect_test::RoundTrip(*effect.MakeRecord(), GetParam().tag);
  ASSERT_NE(read, nullptr);
  ASSERT_EQ(read->TypeName(), "Special Effect");
  const auto& record = static_cast<const TSpecialEffectRecord&>(*read);
  EXPECT_EQ(record.GetName(), "Psychic Attack");
  EXPECT_EQ(record.GetVisualGroup(), GetParam().expectedGroup);
  EXPECT_FLOAT_EQ(record.GetStartTime(), 7.25f);

  effect_test::TAnyList list;
  const auto spawned = read->Spawn(*data_, list);
  ASSERT_NE(spawned, nullptr);
  EXPECT_EQ(spawned->GetId(), 12);
  EXPECT_EQ(spawned->Position(), TVector3(3, 4, 0.5f));
  EXPECT_TRUE(spawned->TestFlag(0));
  EXPECT_FLOAT_EQ(static_cast<const TSpecialEffectObject&>(*spawned).GetDuration(), 1.5f);
}

INSTANTIATE_TEST_SUITE_P(Versions, SpecialEffectRecordVersionTest,
                         ::testing::Values(GroupVersionCase{"Vorhelm-2-089", ""},
                                           GroupVersionCase{"Vorhelm-2-09", "greyVisual"},
                                           GroupVersionCase{"Vorhelm-3-10", "greyVisual"}));

TEST_F(SpecialEffectTest, CloneIsWhatASaveAndLoadGive) {
  TSpecialEffectObject effect(TVector3(1, 1, 0), "Shrapnel", "marnVisual", 2.0f);
  const auto record = effect.MakeRecord();
  const auto clone = record->Clone();
  EXPECT_EQ(effect_test::RecordBytes(*clone, "Vorhelm-3-10"), effect_test::RecordBytes(*record, "Vorhelm-3-10"));
}

TEST_F(SpecialEffectTest, TakesOverEffectsAndRecordsOnlyWhenAsked) {
  TSpecialEffectList list;
  std::vector<std::string> recorded;
  TNewObjects effects;
  effects.push_back(std::make_unique<TSpecialEffectObject>(TVector3(), "Shrapnel", "", 1.0f));
  effects.push_back(std::make_unique<TSpecialEffectObject>(TVector3(), "Psychic Attack", "greyVisual", 1.0f));
  list.TakeEffects(effects, [&recorded](const TSpecialEffectObject& effect) { recorded.push_back(effect.GetName()); });
  EXPECT_TRUE(effects.empty());
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(recorded, (std::vector<std::string>{"Shrapnel", "Psychic Attack"}));

  effects.push_back(std::make_unique<TSpecialEffectObject>(TVector3(), "Shrapnel", "", 1.0f));
  list.TakeEffects(effects, nullptr);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(recorded.size(), 2u);
}

TEST_F(SpecialEffectTest, RemovesNeighbouringFinishedEffectsInOnePass) {
  TSpecialEffectList list;
  list.Add(std::make_unique<TSpecialEffectObject>(TVector3(), "Shrapnel", "", 0.0f));
  list.Add(std::make_unique<TSpecialEffectObject>(TVector3(), "Shrapnel", "", 0.0f));
  list.Add(std::make_unique<TSpecialEffectObject>(TVector3(), "Psychic Attack", "greyVisual", 0.0f));
  list.Update(1.0f);
  list.RemoveDestroyed();
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(static_cast<TSpecialEffectObject*>(list.GetAt(0))->GetName(), "Psychic Attack");
}

TEST_F(SpecialEffectTest, TheListIsNeverSavedAndLoadingLeavesItAlone) {
  TSpecialEffectList list;
  list.Add(std::make_unique<TSpecialEffectObject>(TVector3(), "Shrapnel", "", 0.0f));
  TDataStream stream("Vorhelm-3-10");
  TStringList names;
  EXPECT_TRUE(list.Save(stream, names));
  EXPECT_TRUE(stream.Body().empty());
  stream.WriteInt(5);
  stream.Rewind();
  EXPECT_TRUE(list.Load(stream, *data_, names));
  EXPECT_EQ(list.Count(), 1);
}

}  // namespace
