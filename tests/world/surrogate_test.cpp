#include "world/surrogate.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/files.h"
#include "session/id_mapper.h"
#include "world/test_world_objects.h"

using world_test::TTestCrate;
using world_test::TTestList;

namespace {

class SurrogateTest : public ::testing::Test {
 protected:
  // A crate with the id at (x, 1, 0), destroyed, seen by the players given.
  std::unique_ptr<TTestCrate> DestroyedCrate(int32_t id, float x, std::vector<int32_t> seenBy) {
    auto crate = std::make_unique<TTestCrate>(TVector3(x, 1.0f, 0.0f));
    crate->SetId(id);
    for (int32_t player : seenBy) crate->SetFlag(player, true);
    crate->TakeDamage(100.0f);
    return crate;
  }

  world_test::TTestRecordReaders readers_;
  std::unique_ptr<TGameData> data_ = world_test::MakeTestGameData();
};

// The record of a surrogate nested `depth` times around a crate record,
// written by hand the way a crafted file could.
void WriteNestedSurrogates(TDataStream& stream, TStringList& names, int depth) {
  for (int i = 0; i < depth; ++i) {
    stream.WriteShort(static_cast<uint16_t>(names.IndexOf("Surrogate")));
    stream.WriteInt(static_cast<uint32_t>(100 + i));
    TVector3().Write(stream);
    TBitSet(2).Save(stream);
  }
  const TTestCrate crate(TVector3(1.0f, 1.0f, 0.0f));
  TRawIdMapper ids;
  crate.MakeRecord()->Save(stream, ids, names);
  for (int i = 0; i < depth; ++i) {
    stream.WriteInt(0);          // no links
    stream.WriteFloat(1.0f);     // visibility
    stream.WriteFloat(1.0f);     // sight weight
  }
}

}  // namespace

TEST_F(SurrogateTest, StandsInForTheObjectWithItsStateAndBits) {
  const auto crate = DestroyedCrate(4, 2.0f, {1});
  const Surrogate surrogate(*crate);
  EXPECT_EQ(surrogate.TypeName(), "Surrogate");
  EXPECT_EQ(surrogate.GetId(), -1);
  EXPECT_EQ(surrogate.Position(), crate->Position());
  EXPECT_EQ(surrogate.KeptRecordId(), 4);
  EXPECT_EQ(surrogate.GetKeptRecord().TypeName(), "AmmoDump");
  EXPECT_FLOAT_EQ(surrogate.GetVisibility(), 0.75f);
  EXPECT_FLOAT_EQ(surrogate.GetSightWeight(), 1.0f);
  EXPECT_FLOAT_EQ(surrogate.GetRadius(), 0.0f);
  TVector3 aim;
  surrogate.GetAimPoint(aim);
  EXPECT_EQ(aim, TVector3(2.0f, 1.0f, 0.5f));
  EXPECT_TRUE(surrogate.TestFlag(1));
  EXPECT_FALSE(surrogate.TestFlag(0));
  EXPECT_TRUE(surrogate.GetLinks().empty());
}

TEST_F(SurrogateTest, DamageChangesNothingAndItLeavesNothingBehind) {
  const auto crate = DestroyedCrate(4, 2.0f, {0});
  Surrogate surrogate(*crate);
  EXPECT_FALSE(surrogate.TakeDamage(1000.0f));
  EXPECT_FALSE(surrogate.IsDestroyed());
  TNewObjects newObjects;
  surrogate.HandleDestroyed(newObjects, *data_, 1.0f);
  EXPECT_TRUE(newObjects.empty());
}

TEST_F(SurrogateTest, RemovedByTheListOnceNoPlayerSeesIt) {
  TSurrogateList list;
  list.Add(std::make_unique<Surrogate>(*DestroyedCrate(1, 0.0f, {})));
  list.Add(std::make_unique<Surrogate>(*DestroyedCrate(2, 1.0f, {0})));
  EXPECT_EQ(list.ElementTypeName(), "Surrogate");
  list.RemoveDestroyed();
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(static_cast<Surrogate*>(list.GetAt(0))->KeptRecordId(), 2);

  // Commits keep the bits (a seen surrogate stays seen) and mark no change.
  list.GetAt(0)->CommitFlags();
  EXPECT_TRUE(list.GetAt(0)->TestFlag(0));
  EXPECT_FALSE(list.GetAt(0)->FlagChanged(0));
  list.GetAt(0)->SetFlag(0, false);
  list.RemoveDestroyed();
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(SurrogateTest, SettingABitPassesItToTheLinkedCorpse) {
  Surrogate surrogate(*DestroyedCrate(1, 0.0f, {}));
  TTestCrate corpse(TVector3(), "Crate", 5.0f, "Corpse");
  surrogate.AddLink(std::make_unique<TObjectRef>(&corpse));
  surrogate.SetFlag(1, true);
  EXPECT_TRUE(surrogate.TestFlag(1));
  EXPECT_TRUE(corpse.TestFlag(1));
  EXPECT_FALSE(corpse.TestFlag(0));

  // Clearing is not passed on.
  surrogate.SetFlag(1, false);
  EXPECT_TRUE(corpse.TestFlag(1));
}

TEST_F(SurrogateTest, ALockedLinkedObjectIsUnlockedAndCommittedFirst) {
  Surrogate surrogate(*DestroyedCrate(1, 0.0f, {}));
  TTestCrate corpse(TVector3(), "Crate", 5.0f, "Corpse");
  corpse.SetFlag(0, true);
  corpse.GetFlagSet().Lock();
  surrogate.AddLink(std::make_unique<TObjectRef>(&corpse));
  surrogate.SetFlag(1, true);
  EXPECT_FALSE(corpse.GetFlagSet().IsLocked());
  EXPECT_TRUE(corpse.GetPreviousFlags().Test(0));
  EXPECT_FALSE(corpse.TestFlag(0));
  EXPECT_TRUE(corpse.TestFlag(1));
}

TEST_F(SurrogateTest, PullFlagTakesTheBitFromALinkedObject) {
  Surrogate surrogate(*DestroyedCrate(1, 0.0f, {}));
  TTestCrate corpse(TVector3(), "Crate", 5.0f, "Corpse");
  surrogate.AddLink(std::make_unique<TObjectRef>(&corpse));
  surrogate.PullFlag(0);
  EXPECT_FALSE(surrogate.TestFlag(0));
  corpse.SetFlag(0, true);
  surrogate.GetFlagSet().Lock();
  surrogate.PullFlag(0);
  EXPECT_FALSE(surrogate.TestFlag(0));
  surrogate.GetFlagSet().Unlock();
  surrogate.PullFlag(0);
  EXPECT_TRUE(surrogate.TestFlag(0));
}

TEST_F(SurrogateTest, ReplaceLinkSwapsOneLinkForTheGivenObjects) {
  Surrogate surrogate(*DestroyedCrate(1, 0.0f, {}));
  TTestCrate a{TVector3()}, b{TVector3()}, c{TVector3()};
  a.SetId(10);
  b.SetId(11);
  c.SetId(12);
  surrogate.AddLink(std::make_unique<TObjectRef>(&a));
  surrogate.AddLink(std::make_unique<TObjectRef>(&b));
  surrogate.ReplaceLink(10, {&c});
  ASSERT_EQ(surrogate.GetLinks().size(), 2u);
  EXPECT_EQ(surrogate.GetLinks()[0]->Resolve(), &b);
  EXPECT_EQ(surrogate.GetLinks()[1]->Resolve(), &c);
}

TEST_F(SurrogateTest, AddingASurrogateRelinksThoseLinkedToTheObjectItReplaces) {
  TSurrogateList list;
  // A unit's surrogate linked to its corpse (id 30)...
  auto unitSurrogate = std::make_unique<Surrogate>(*DestroyedCrate(20, 0.0f, {}));
  unitSurrogate->AddLink(std::make_unique<TObjectRef>(30, nullptr));
  Surrogate* first = unitSurrogate.get();
  list.Add(std::move(unitSurrogate));
  // ...then the corpse goes too and leaves its own surrogate.
  auto corpseSurrogate = std::make_unique<Surrogate>(*DestroyedCrate(30, 1.0f, {}));
  Surrogate* second = corpseSurrogate.get();
  list.Add(std::move(corpseSurrogate));
  ASSERT_EQ(first->GetLinks().size(), 1u);
  EXPECT_EQ(first->GetLinks()[0]->Resolve(), second);

  first->SetFlag(0, true);
  EXPECT_TRUE(second->TestFlag(0));
}

TEST_F(SurrogateTest, SetLinksOwnerAllAndPullFlagAllReachEverySurrogate) {
  TTestList corpses;
  auto corpse = std::make_unique<TTestCrate>(TVector3(), "Crate", 5.0f, "Corpse");
  corpse->SetId(30);
  corpse->SetFlag(1, true);
  corpses.Add(std::move(corpse));

  TSurrogateList list;
  auto surrogate = std::make_unique<Surrogate>(*DestroyedCrate(20, 0.0f, {}));
  surrogate->AddLink(std::make_unique<TObjectRef>(30, nullptr));
  list.Add(std::move(surrogate));
  list.PullFlagAll(1);
  EXPECT_FALSE(list.GetAt(0)->TestFlag(1));
  list.SetLinksOwnerAll(&corpses);
  list.PullFlagAll(1);
  EXPECT_TRUE(list.GetAt(0)->TestFlag(1));
}

TEST_F(SurrogateTest, RecordRoundTripRespawnsTheObjectAndRelinksInTheList) {
  for (const char* tag : {"Vorhelm-1-05", "Vorhelm-3-10"}) {
    SCOPED_TRACE(tag);
    Surrogate surrogate(*DestroyedCrate(4, 2.0f, {1}));
    surrogate.SetId(9);
    surrogate.AddLink(std::make_unique<TObjectRef>(31, nullptr));
    surrogate.AddLink(std::make_unique<TObjectRef>(32, nullptr));

    TSurrogateList list;
    list.Add(std::make_unique<Surrogate>(*DestroyedCrate(5, 3.0f, {0})));
    TDataStream stream(tag);
    TStringList names;
    const auto record = surrogate.MakeRecord();
    TRawIdMapper ids;
    ASSERT_TRUE(record->Save(stream, ids, names));
    stream.Rewind();
    const auto back = CreateObjectRecord(stream, names);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(stream.Remaining(), 0u);
    const auto& read = static_cast<const SurrogateRecord&>(*back);
    EXPECT_EQ(read.GetId(), 9);
    EXPECT_EQ(read.GetLinkIds(), (std::vector<int32_t>{31, 32}));
    ASSERT_NE(read.GetNestedRecord(), nullptr);
    EXPECT_EQ(read.GetNestedRecord()->GetId(), 4);

    const auto spawned = back->Spawn(*data_, list);
    ASSERT_NE(spawned, nullptr);
    const auto& respawned = static_cast<const Surrogate&>(*spawned);
    EXPECT_EQ(respawned.GetId(), 9);
    EXPECT_EQ(respawned.KeptRecordId(), 4);
    EXPECT_EQ(respawned.Position(), TVector3(2.0f, 1.0f, 0.0f));
    EXPECT_TRUE(respawned.TestFlag(1));
    EXPECT_FLOAT_EQ(respawned.GetVisibility(), 0.75f);
    EXPECT_FLOAT_EQ(respawned.GetSightWeight(), 1.0f);
    ASSERT_EQ(respawned.GetLinks().size(), 2u);
    EXPECT_EQ(respawned.GetLinks()[1]->GetId(), 32);
    EXPECT_EQ(respawned.GetLinks()[1]->GetOwner(), &list);
  }
}

TEST_F(SurrogateTest, TheSightWeightIsStoredFromVersion117) {
  struct Case {
    const char* tag;
    std::size_t extra;
  };
  const Case cases[] = {{"Vorhelm-1-16", 0}, {"Vorhelm-1-17", 4}};
  std::size_t sizes[2];
  for (std::size_t i = 0; i < 2; ++i) {
    Surrogate surrogate(*DestroyedCrate(4, 2.0f, {1}));
    TDataStream stream(cases[i].tag);
    TStringList names;
    TRawIdMapper ids;
    ASSERT_TRUE(surrogate.MakeRecord()->Save(stream, ids, names));
    sizes[i] = stream.Body().size();
    stream.Rewind();
    EXPECT_NE(CreateObjectRecord(stream, names), nullptr) << cases[i].tag;
    EXPECT_EQ(stream.Remaining(), 0u) << cases[i].tag;
  }
  EXPECT_EQ(sizes[1] - sizes[0], cases[1].extra);
}

TEST_F(SurrogateTest, SnapshotRestoreKeepsSurrogatesAndTheirLinks) {
  TSurrogateList list;
  auto surrogate = std::make_unique<Surrogate>(*DestroyedCrate(4, 2.0f, {1}));
  surrogate->SetId(9);
  surrogate->AddLink(std::make_unique<TObjectRef>(31, nullptr));
  list.Add(std::move(surrogate));
  list.TakeSnapshot();
  ASSERT_TRUE(list.RestoreSnapshot(*data_));
  ASSERT_TRUE(list.RestoreSnapshot(*data_));
  ASSERT_EQ(list.Count(), 1);
  const auto& restored = static_cast<const Surrogate&>(*list.GetAt(0));
  EXPECT_EQ(restored.GetId(), 9);
  EXPECT_TRUE(restored.TestFlag(1));
  ASSERT_EQ(restored.GetLinks().size(), 1u);
  EXPECT_EQ(restored.GetLinks()[0]->GetId(), 31);
}

TEST_F(SurrogateTest, NestingIsBoundedAgainstCraftedStreams) {
  struct Case {
    int depth;
    bool reads;
  };
  constexpr int kMax = TObjectRecordFactory::kMaxNesting;
  // The surrogates plus the crate they keep: kMax records in all is the most.
  const Case cases[] = {{1, true}, {kMax - 1, true}, {kMax, false}, {50, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.depth);
    TDataStream stream("Vorhelm-3-10");
    TStringList names;
    WriteNestedSurrogates(stream, names, c.depth);
    stream.Rewind();
    const auto record = CreateObjectRecord(stream, names);
    EXPECT_EQ(record != nullptr, c.reads);
    EXPECT_EQ(stream.HasFailed(), !c.reads);
  }
  // A failed read leaves the factory ready for the next stream.
  TDataStream stream("Vorhelm-3-10");
  TStringList names;
  WriteNestedSurrogates(stream, names, 1);
  stream.Rewind();
  EXPECT_NE(CreateObjectRecord(stream, names), nullptr);
}

TEST_F(SurrogateTest, BadLinkCountsFailTheRecord) {
  for (const int32_t count : {-1, 1000}) {
    SCOPED_TRACE(count);
    TDataStream stream("Vorhelm-3-10");
    TStringList names;
    stream.WriteShort(static_cast<uint16_t>(names.IndexOf("Surrogate")));
    stream.WriteInt(1);
    TVector3().Write(stream);
    TBitSet(2).Save(stream);
    TRawIdMapper ids;
    TTestCrate(TVector3()).MakeRecord()->Save(stream, ids, names);
    stream.WriteInt(static_cast<uint32_t>(count));
    stream.WriteInt(5);
    stream.WriteFloat(1.0f);
    stream.WriteFloat(1.0f);
    stream.Rewind();
    EXPECT_EQ(CreateObjectRecord(stream, names), nullptr);
    EXPECT_TRUE(stream.HasFailed());
  }
}

TEST_F(SurrogateTest, ARecordWhoseObjectCannotSpawnSpawnsNothing) {
  Surrogate surrogate(*std::make_unique<TTestCrate>(TVector3(), "Unobtainium", 0.0f));
  TSurrogateList list;
  EXPECT_EQ(surrogate.MakeRecord()->Spawn(*data_, list), nullptr);
}
