#include "sim/corpse.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/effect_test_support.h"
#include "support/temp_folder.h"
#include "units/unit_type.h"

namespace {

class CorpseTest : public ::testing::Test {
 protected:
  std::unique_ptr<Corpse> MakeCorpse(const std::string& type, int32_t owner, const TVector3& position = TVector3(),
                                     float deathTime = 2.0f, int32_t id = -1) const {
    auto corpse = std::make_unique<Corpse>(position, *data_->FindUnitType(type), 3, deathTime, owner);
    corpse->SetId(id);
    return corpse;
  }

  // The list saved at the version and loaded into a fresh list.
  std::unique_ptr<TCorpseList> SaveAndLoad(const TCorpseList& list, const std::string& tag) const {
    TDataStream stream(tag);
    TStringList names;
    EXPECT_TRUE(list.Save(stream, names));
    stream.Rewind();
    auto loaded = std::make_unique<TCorpseList>();
    EXPECT_TRUE(loaded->Load(stream, *data_, names));
    EXPECT_EQ(stream.Remaining(), 0u);
    return loaded;
  }

  TTempFolder folder_;
  effect_test::TEffectReaders readers_;
  std::unique_ptr<TGameData> data_ = effect_test::MakeRules();
};

TEST_F(CorpseTest, ADeadUnitScoresItsCostForTheOtherPlayer) {
  TCorpseList list;
  list.Add(MakeCorpse("Grunt", 0));
  EXPECT_FLOAT_EQ(list.GetScore(1), 30.0f);
  EXPECT_FLOAT_EQ(list.GetScore(0), 0.0f);
  list.Add(MakeCorpse("Psyker", 1));
  EXPECT_FLOAT_EQ(list.GetScore(0), 6.0f);
  EXPECT_FLOAT_EQ(list.GetScore(5), 0.0f);
}

TEST_F(CorpseTest, ARemovedCorpseKeepsItsScore) {
  TCorpseList list;
  list.Add(MakeCorpse("Grunt", 0));
  list.GetAt(0)->TakeDamage(100.0f);
  list.RemoveDestroyed();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FLOAT_EQ(list.GetScore(1), 30.0f);
}

TEST_F(CorpseTest, OneBlowOfItsEnduranceDestroysItSmallerOnesNever) {
  auto corpse = MakeCorpse("Grunt", 0);
  for (int i = 0; i < 10; ++i) EXPECT_FALSE(corpse->TakeDamage(14.9f));
  EXPECT_TRUE(corpse->TakeDamage(15.0f));
  EXPECT_TRUE(corpse->IsDestroyed());
}

TEST_F(CorpseTest, AnswersForTheDeadUnit) {
  const auto corpse = MakeCorpse("Grunt", 1, TVector3(1, 2, 0), 4.0f);
  EXPECT_EQ(corpse->TypeName(), "Corpse");
  EXPECT_EQ(corpse->SubtypeName(), "Grunt");
  EXPECT_FLOAT_EQ(corpse->GetFoodValue(), 2.0f);
  EXPECT_FLOAT_EQ(corpse->GetUnitCost(), 30.0f);
  EXPECT_FLOAT_EQ(corpse->GetCreationTime(), 4.0f);
  EXPECT_FLOAT_EQ(corpse->GetRadius(), 0.0f);
  EXPECT_FLOAT_EQ(corpse->GetSightWeight(), 1.0f);
  TVector3 aim;
  corpse->GetAimPoint(aim);
  EXPECT_EQ(aim, TVector3(1, 2, 0.2f));
  EXPECT_EQ(Corpse::DeathVisualName(corpse->GetUnitType()), "GruntDeath");
  EXPECT_EQ(Corpse::DeathVisualGroup(corpse->GetUnitType()), "marnVisual");
  EXPECT_EQ(Corpse::DeathSoundName(corpse->GetUnitType()), "Grunt Death");
}

TEST_F(CorpseTest, IsAlwaysSeenByItsOwnPlayer) {
  auto corpse = MakeCorpse("Grunt", 1);
  corpse->CommitFlags();
  EXPECT_FALSE(corpse->TestFlag(1));
  EXPECT_TRUE(corpse->FlagChanged(1));
  EXPECT_TRUE(corpse->TestFlag(1));
  EXPECT_FALSE(corpse->FlagChanged(0));
  EXPECT_FALSE(corpse->TestFlag(0));
}

TEST_F(CorpseTest, CriesOnlyWhenFirstUpdatedCloseToItsDeath) {
  auto fresh = MakeCorpse("Grunt", 0, TVector3(), 2.0f);
  fresh->Update(2.1f);
  EXPECT_TRUE(fresh->HasStarted());
  EXPECT_TRUE(fresh->HasStartedDeathSound());

  auto restored = MakeCorpse("Grunt", 0, TVector3(), 2.0f);
  restored->Update(2.2f);
  EXPECT_TRUE(restored->HasStarted());
  EXPECT_FALSE(restored->HasStartedDeathSound());
  restored->Update(2.0f);
  EXPECT_FALSE(restored->HasStartedDeathSound());
}

TEST_F(CorpseTest, FindsTheNearestCorpseWithinHalfAUnit) {
  TCorpseList list;
  list.Add(MakeCorpse("Grunt", 0, TVector3(1.5f, 1.0f, 0.0f)));
  list.Add(MakeCorpse("Grunt", 0, TVector3(0.5f, 1.0f, 0.0f)));
  list.Add(MakeCorpse("Grunt", 0, TVector3(5.0f, 5.0f, 0.0f)));
  EXPECT_EQ(list.FindNearest(TVector3(1.0f, 1.0f, 0.0f)), 0);
  EXPECT_EQ(list.FindNearest(TVector3(0.6f, 1.0f, 0.0f)), 1);
  EXPECT_EQ(list.FindNearest(TVector3(5.0f, 5.51f, 0.0f)), -1);
  EXPECT_EQ(list.FindNearest(TVector3(9.0f, 9.0f, 0.0f)), -1);
}

TEST_F(CorpseTest, RecordRoundTripsAndSpawnsTheCorpse) {
  auto corpse = MakeCorpse("Psyker", 1, TVector3(3, 4, 0), 6.5f, 17);
  corpse->SetFlag(0, true);
  for (const char* tag : {"Vorhelm-1-05", "Vorhelm-3-10"}) {
    const auto read = effect_test::RoundTrip(*corpse->MakeRecord(), tag);
    ASSERT_NE(read, nullptr) << tag;
    effect_test::TAnyList list;
    const auto spawned = read->Spawn(*data_, list);
    ASSERT_NE(spawned, nullptr);
    const auto& rebuilt = static_cast<const Corpse&>(*spawned);
    EXPECT_EQ(rebuilt.GetId(), 17);
    EXPECT_EQ(rebuilt.GetUnitType().GetName(), "Psyker");
    EXPECT_EQ(rebuilt.GetFacing(), 3);
    EXPECT_FLOAT_EQ(rebuilt.GetDeathTime(), 6.5f);
    EXPECT_EQ(rebuilt.GetOwner(), 1);
    EXPECT_TRUE(rebuilt.TestFlag(0));
  }
}

TEST_F(CorpseTest, ARecordOfAnUnknownTypeDoesNotSpawn) {
  const auto corpse = MakeCorpse("Grunt", 0);
  const auto read = effect_test::RoundTrip(*corpse->MakeRecord(), "Vorhelm-3-10");
  ASSERT_NE(read, nullptr);
  const auto other = std::make_unique<TGameData>("# none\n[Unit Data]\n[Drone]\nCost = 1\n", "test",
                                                 effect_test::kTerrain);
  effect_test::TAnyList list;
  EXPECT_EQ(read->Spawn(*other, list), nullptr);
}

class CorpseOwnerTest : public CorpseTest, public ::testing::WithParamInterface<int32_t> {};

TEST_P(CorpseOwnerTest, ARecordWhoseOwnerIsNoPlayerDoesNotRead) {
  const auto corpse = MakeCorpse("Grunt", 0);
  auto saved = effect_test::SaveRecord(*corpse->MakeRecord(), "Vorhelm-3-10");
  std::vector<uint8_t>& body = saved->stream.Body();
  const auto owner = static_cast<uint32_t>(GetParam());
  for (int i = 0; i < 4; ++i) body[body.size() - 4 + i] = static_cast<uint8_t>(owner >> (8 * i));
  saved->stream.Rewind();
  EXPECT_EQ(CreateObjectRecord(saved->stream, saved->names), nullptr);
  EXPECT_TRUE(saved->stream.HasFailed());
}

INSTANTIATE_TEST_SUITE_P(Owners, CorpseOwnerTest, ::testing::Values(-1, 2, 1000000));

TEST_F(CorpseTest, ScoresTravelWithTheListAboveVersion1_0999) {
  TCorpseList list;
  list.Add(MakeCorpse("Grunt", 0));
  list.Add(MakeCorpse("Psyker", 1));
  // One corpse has gone since; its score stays.
  list.Add(MakeCorpse("Grunt", 1));
  list.GetAt(2)->TakeDamage(100.0f);
  list.RemoveDestroyed();
  const auto loaded = SaveAndLoad(list, "Vorhelm-1-10");
  EXPECT_EQ(loaded->Count(), 2);
  EXPECT_FLOAT_EQ(loaded->GetScore(0), 36.0f);
  EXPECT_FLOAT_EQ(loaded->GetScore(1), 30.0f);
}

TEST_F(CorpseTest, AnOldListCountsTheScoresOfItsCorpses) {
  TCorpseList list;
  list.Add(MakeCorpse("Grunt", 0));
  list.Add(MakeCorpse("Grunt", 1));
  list.GetAt(1)->TakeDamage(100.0f);
  list.RemoveDestroyed();
  const auto loaded = SaveAndLoad(list, "Vorhelm-1-09");
  EXPECT_FLOAT_EQ(loaded->GetScore(0), 0.0f);
  EXPECT_FLOAT_EQ(loaded->GetScore(1), 30.0f);
}

TEST_F(CorpseTest, LoadingReplacesTheScoresItHad) {
  TCorpseList list;
  list.Add(MakeCorpse("Grunt", 0));
  TDataStream stream("Vorhelm-1-09");
  TStringList names;
  ASSERT_TRUE(list.Save(stream, names));
  stream.Rewind();
  ASSERT_TRUE(list.Load(stream, *data_, names));
  EXPECT_FLOAT_EQ(list.GetScore(1), 30.0f);
}

TEST_F(CorpseTest, StoredScoresBeyondThePlayersAreIgnored) {
  TDataStream stream("Vorhelm-3-10");
  TStringList names;
  stream.WriteInt(0);  // no corpses
  stream.WriteInt(4);
  for (float score : {5.0f, 7.0f, 100.0f, 200.0f}) stream.WriteFloat(score);
  stream.Rewind();
  TCorpseList list;
  ASSERT_TRUE(list.Load(stream, *data_, names));
  EXPECT_EQ(stream.Remaining(), 0u);
  ASSERT_EQ(list.GetScores().size(), 2u);
  EXPECT_FLOAT_EQ(list.GetScore(0), 5.0f);
  EXPECT_FLOAT_EQ(list.GetScore(1), 7.0f);
}

TEST_F(CorpseTest, AScoreCountBeyondTheStreamFailsTheLoad) {
  TDataStream stream("Vorhelm-3-10");
  TStringList names;
  stream.WriteInt(0);
  stream.WriteInt(1000);
  stream.WriteFloat(1.0f);
  stream.Rewind();
  TCorpseList list;
  EXPECT_FALSE(list.Load(stream, *data_, names));
  EXPECT_TRUE(stream.HasFailed());
}

TEST_F(CorpseTest, RestoringTheSnapshotPutsTheScoresBack) {
  TCorpseList list;
  list.Add(MakeCorpse("Grunt", 0, TVector3(), 2.0f, 1));
  list.TakeSnapshot();
  list.Add(MakeCorpse("Psyker", 1, TVector3(), 3.0f, 2));
  for (int turn = 0; turn < 3; ++turn) {
    ASSERT_TRUE(list.RestoreSnapshot(*data_));
    EXPECT_EQ(list.Count(), 1);
    EXPECT_FLOAT_EQ(list.GetScore(1), 30.0f);
    EXPECT_FLOAT_EQ(list.GetScore(0), 0.0f);
  }
}

}  // namespace
