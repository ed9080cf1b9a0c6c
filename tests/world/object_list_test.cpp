#include "world/object_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/files.h"
#include "support/temp_folder.h"
#include "world/bounding_box.h"
#include "world/object_record.h"
#include "world/object_ref.h"
#include "world/test_world_objects.h"

using world_test::TTestCrate;
using world_test::TTestList;
using world_test::TTestShot;

namespace {

class ObjectListTest : public ::testing::Test {
 protected:
  // Adds a crate with the id at (x, y, 0), seen by player 1 when `seen`.
  TTestCrate* AddCrate(int32_t id, float x, float y, bool seen = false, std::string kind = "Crate") {
    auto crate = std::make_unique<TTestCrate>(TVector3(x, y, 0.0f), std::move(kind));
    crate->SetId(id);
    crate->SetFlag(1, seen);
    TTestCrate* raw = crate.get();
    list_.Add(std::move(crate));
    return raw;
  }

  // Ids, positions and bits of the children, in order.
  struct Summary {
    int32_t id;
    TVector3 position;
    TBitSet bits;
    bool operator==(const Summary&) const = default;
  };
  static std::vector<Summary> Summarise(const TObjectList& list) {
    std::vector<Summary> out;
    for (int32_t i = 0; i < list.Count(); ++i) {
      const TGameObject* child = list.GetAt(i);
      out.push_back({child->GetId(), child->Position(), child->GetCurrentFlags()});
    }
    return out;
  }

  world_test::TTestRecordReaders readers_;
  std::unique_ptr<TGameData> data_ = world_test::MakeTestGameData();
  TTestList list_;
};

// A stream holding a name table and then an object list body built by hand.
struct THandMadeList {
  TStringList names;
  TDataStream body{"Vorhelm-3-10"};

  // The base fields of a record whose type is the name.
  void WriteRecordHead(const std::string& typeName, int32_t id) {
    body.WriteShort(static_cast<uint16_t>(names.IndexOf(typeName)));
    body.WriteInt(static_cast<uint32_t>(id));
    TVector3(1.0f, 2.0f, 0.0f).Write(body);
    TBitSet(2).Save(body);
  }
  void WriteCrate(int32_t id, const std::string& kind = "Crate") {
    WriteRecordHead("AmmoDump", id);
    body.WriteString(kind);
    body.WriteFloat(5.0f);
  }
};

}  // namespace

TEST_F(ObjectListTest, AddFindAndRemoveByIdOrObject) {
  AddCrate(1, 0.0f, 0.0f);
  TTestCrate* second = AddCrate(2, 1.0f, 0.0f);
  AddCrate(2, 2.0f, 0.0f);
  ASSERT_EQ(list_.Count(), 3);
  EXPECT_EQ(list_.FindById(2), second);
  EXPECT_EQ(list_.FindById(5), nullptr);
  EXPECT_EQ(list_.At(3), nullptr);
  EXPECT_EQ(list_.At(-1), nullptr);

  // Only the first child with the id goes.
  list_.RemoveById(2);
  ASSERT_EQ(list_.Count(), 2);
  EXPECT_FLOAT_EQ(list_.GetAt(1)->Position().x, 2.0f);

  // Absent ids and objects change nothing.
  list_.RemoveById(42);
  const TTestCrate stranger{TVector3()};
  list_.Remove(&stranger);
  EXPECT_EQ(list_.Count(), 2);

  list_.Remove(list_.GetAt(0));
  ASSERT_EQ(list_.Count(), 1);
  EXPECT_EQ(list_.GetAt(0)->GetId(), 2);
}

TEST_F(ObjectListTest, CollectWithinRadiusIncludesTheExactDistance) {
  AddCrate(1, 3.0f, 4.0f);   // exactly 5 from the origin
  AddCrate(2, 3.0f, 4.01f);  // just outside
  AddCrate(3, 0.0f, 1.0f);
  std::vector<TGameObject*> found;
  list_.CollectWithinRadius(found, TVector3(), 5.0f);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0]->GetId(), 1);
  EXPECT_EQ(found[1]->GetId(), 3);
}

TEST_F(ObjectListTest, CollectInAreaWidensTheBoxByEachRadius) {
  AddCrate(1, 2.0f, 2.0f);   // inside
  AddCrate(2, 5.4f, 2.0f);   // outside, but within its radius 0.5 of the edge
  AddCrate(3, 5.6f, 2.0f);   // too far
  std::vector<TGameObject*> found;
  list_.CollectInArea(found, TBoundingBox(TVector3(0.0f, 0.0f, 0.0f), TVector3(5.0f, 5.0f, 1.0f)));
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0]->GetId(), 1);
  EXPECT_EQ(found[1]->GetId(), 2);
}

TEST_F(ObjectListTest, RemoveDestroyedTakesAdjacentDestroyedChildrenAndKeepsOrder) {
  for (int32_t id = 1; id <= 5; ++id) AddCrate(id, static_cast<float>(id), 0.0f);
  list_.GetAt(1)->TakeDamage(100.0f);
  list_.GetAt(2)->TakeDamage(100.0f);
  list_.GetAt(4)->TakeDamage(100.0f);
  list_.RemoveDestroyed();
  ASSERT_EQ(list_.Count(), 2);
  EXPECT_EQ(list_.GetAt(0)->GetId(), 1);
  EXPECT_EQ(list_.GetAt(1)->GetId(), 4);
}

TEST_F(ObjectListTest, PerTickQuestionsReachEveryChild) {
  TTestCrate* first = AddCrate(1, 0.0f, 0.0f);
  TTestCrate* second = AddCrate(2, 1.0f, 0.0f);
  list_.Update(2.5f);
  EXPECT_FLOAT_EQ(first->LastUpdate(), 2.5f);
  EXPECT_FLOAT_EQ(second->LastUpdate(), 2.5f);

  second->TakeDamage(100.0f);
  TNewObjects newObjects;
  list_.HandleDestroyedAll(newObjects, *data_, 3.0f);
  list_.EmitEffectsAll(newObjects, *data_, 3.0f);
  ASSERT_EQ(newObjects.size(), 1u);
  EXPECT_EQ(newObjects[0]->TypeName(), "Surrogate");
}

TEST_F(ObjectListTest, RestoringTheSnapshotTwiceGivesTheSameChildren) {
  AddCrate(4, 1.0f, 2.0f, true);
  AddCrate(9, 3.0f, 1.0f, false);
  list_.TakeSnapshot();
  const auto before = Summarise(list_);

  // The turn changes the world...
  list_.GetAt(0)->SetPosition(TVector3(8.0f, 8.0f, 8.0f));
  list_.GetAt(1)->SetFlag(0, true);
  AddCrate(11, 0.0f, 0.0f);

  ASSERT_TRUE(list_.RestoreSnapshot(*data_));
  EXPECT_EQ(Summarise(list_), before);
  list_.GetAt(1)->TakeDamage(100.0f);
  list_.RemoveDestroyed();
  ASSERT_TRUE(list_.RestoreSnapshot(*data_));
  EXPECT_EQ(Summarise(list_), before);
  EXPECT_EQ(list_.SnapshotCount(), 2);
}

TEST_F(ObjectListTest, SaveAndLoadGiveTheSameIdsPositionsAndBits) {
  for (const char* tag : {"Vorhelm-1-05", "Vorhelm-3-10"}) {
    SCOPED_TRACE(tag);
    list_.DeleteAll();
    AddCrate(3, 1.5f, 2.5f, true);
    auto shot = std::make_unique<TTestShot>(TVector3(1.0f, 1.0f, 1.0f), 2.0f, TVector3(0.0f, 1.0f, 0.0f), 0.0f);
    shot->SetId(5);
    shot->SetFlag(0, true);
    shot->Update(1.0f);
    list_.Add(std::move(shot));
    const auto before = Summarise(list_);

    TDataStream stream(tag);
    TStringList names;
    ASSERT_TRUE(list_.Save(stream, names));
    EXPECT_EQ(names.Count(), 2);

    TTestList loaded;
    stream.Rewind();
    ASSERT_TRUE(loaded.Load(stream, *data_, names));
    EXPECT_FALSE(stream.HasFailed());
    EXPECT_EQ(stream.Remaining(), 0u);
    EXPECT_EQ(Summarise(loaded), before);
  }
}

TEST_F(ObjectListTest, RecordCloneIsWhatASaveAndLoadGive) {
  TTestCrate* crate = AddCrate(6, 2.0f, 3.0f, true);
  crate->TakeDamage(4.0f);
  const auto record = crate->MakeRecord();
  const auto copy = record->Clone();
  EXPECT_EQ(copy->TypeName(), "AmmoDump");
  EXPECT_EQ(copy->GetId(), 6);
  EXPECT_EQ(copy->GetPosition(), crate->Position());
  EXPECT_EQ(copy->GetBits(), crate->GetCurrentFlags());
  const auto spawned = copy->Spawn(*data_, list_);
  ASSERT_NE(spawned, nullptr);
  EXPECT_FLOAT_EQ(static_cast<const TTestCrate&>(*spawned).Endurance(), 6.0f);
}

TEST_F(ObjectListTest, SaveRefusesANameTableThatCannotTakeTheTypeName) {
  AddCrate(1, 0.0f, 0.0f);
  TStringList names;
  for (int i = 0; i < 32767; ++i) names.IndexOf("name" + std::to_string(i));
  ASSERT_EQ(names.IndexOf("one more"), -1);
  TDataStream stream("Vorhelm-3-10");
  EXPECT_FALSE(list_.Save(stream, names));
}

TEST_F(ObjectListTest, LoadFailsForEveryBrokenStream) {
  struct Case {
    const char* what;
    void (*write)(THandMadeList&);
  };
  const Case cases[] = {
      {"unknown type name",
       [](THandMadeList& m) {
         m.body.WriteInt(1);
         m.WriteRecordHead("Banana", 1);
       }},
      {"known type without a reader",
       [](THandMadeList& m) {
         m.body.WriteInt(1);
         m.WriteRecordHead("Goo", 1);
       }},
      {"type index outside the table",
       [](THandMadeList& m) {
         m.names.IndexOf("AmmoDump");
         m.body.WriteInt(1);
         m.body.WriteShort(7);
         m.body.WriteInt(1);
         m.body.WriteBytes(std::string(40, '\0').data(), 40);
       }},
      {"negative count", [](THandMadeList& m) { m.body.WriteInt(static_cast<uint32_t>(-2)); }},
      {"count larger than the stream holds",
       [](THandMadeList& m) {
         m.body.WriteInt(3);
         m.WriteCrate(1);
       }},
      {"truncated record",
       [](THandMadeList& m) {
         m.body.WriteInt(1);
         m.WriteRecordHead("AmmoDump", 1);
         m.body.WriteBytes("\x05\0", 2);
       }},
      {"record the game data cannot spawn",
       [](THandMadeList& m) {
         m.body.WriteInt(2);
         m.WriteCrate(1);
         m.WriteCrate(2, "Unobtainium");
       }},
  };
  TTempFolder folder;  // a spawn failure is logged
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    THandMadeList made;
    c.write(made);
    made.body.Rewind();
    TTestList loaded;
    EXPECT_FALSE(loaded.Load(made.body, *data_, made.names));
    EXPECT_TRUE(made.body.HasFailed());
  }
}

TEST_F(ObjectListTest, LoadKeepsTheObjectsReadBeforeABadRecord) {
  THandMadeList made;
  made.body.WriteInt(2);
  made.WriteCrate(1);
  made.WriteRecordHead("Banana", 2);
  made.body.Rewind();
  TTestList loaded;
  EXPECT_FALSE(loaded.Load(made.body, *data_, made.names));
  ASSERT_EQ(loaded.Count(), 1);
  EXPECT_EQ(loaded.GetAt(0)->GetId(), 1);
}

TEST_F(ObjectListTest, RestoreSkipsARecordThatDoesNotSpawnAndLogsItsType) {
  TTempFolder folder;
  AddCrate(1, 0.0f, 0.0f);
  AddCrate(2, 1.0f, 0.0f, false, "Unobtainium");
  AddCrate(3, 2.0f, 0.0f);
  list_.TakeSnapshot();
  EXPECT_FALSE(list_.RestoreSnapshot(*data_));
  ASSERT_EQ(list_.Count(), 2);
  EXPECT_EQ(list_.GetAt(0)->GetId(), 1);
  EXPECT_EQ(list_.GetAt(1)->GetId(), 3);
  EXPECT_NE(folder.Read("VorhelmDocs/DVX.log").find("AmmoDump"), std::string::npos);
}

TEST(ObjectRecordFactoryTest, OnlyTheGameTypeNamesCanBeRegistered) {
  auto& factory = TObjectRecordFactory::Instance();
  EXPECT_FALSE(factory.Register("Banana", &world_test::TTestCrateRecord::Read));
  EXPECT_FALSE(factory.IsRegistered("Banana"));
  EXPECT_TRUE(factory.IsRegistered("Surrogate"));
  const auto names = TObjectRecordFactory::TypeNames();
  ASSERT_EQ(names.size(), 15u);
  EXPECT_EQ(names.front(), "Combatant");
  EXPECT_EQ(names[9], "Special Effect");
  EXPECT_EQ(names.back(), "Shield");
  for (std::string_view name : names) EXPECT_TRUE(TObjectRecordFactory::IsKnownTypeName(name));
}

// --- object references --------------------------------------------------------

TEST_F(ObjectListTest, ReferenceFromAnObjectResolvesItOutsideAnyList) {
  TTestCrate loose{TVector3()};
  loose.SetId(77);
  const TObjectRef ref(&loose);
  EXPECT_EQ(ref.Resolve(), &loose);
  EXPECT_TRUE(ref.IsValid());
  EXPECT_EQ(ref.GetId(), 77);
  // The id follows the object: it is numbered when the world adds it.
  loose.SetId(78);
  EXPECT_EQ(ref.GetId(), 78);
}

TEST_F(ObjectListTest, ReferenceByIdFindsTheRespawnedObjectAfterARestore) {
  AddCrate(5, 1.0f, 1.0f);
  list_.TakeSnapshot();
  const TObjectRef ref(5, &list_);
  TGameObject* original = ref.Resolve();
  ASSERT_NE(original, nullptr);
  ASSERT_TRUE(list_.RestoreSnapshot(*data_));
  TGameObject* respawned = ref.Resolve();
  ASSERT_NE(respawned, nullptr);
  EXPECT_EQ(respawned, list_.GetAt(0));
  EXPECT_EQ(respawned->GetId(), 5);
  list_.DeleteAll();
  EXPECT_EQ(ref.Resolve(), nullptr);
  EXPECT_FALSE(ref.IsValid());
}

TEST_F(ObjectListTest, ReferenceResetCopyAndOwner) {
  TTestCrate* crate = AddCrate(8, 0.0f, 0.0f);
  TObjectRef empty;
  EXPECT_EQ(empty.GetId(), -1);
  EXPECT_EQ(empty.Resolve(), nullptr);
  // No owner: an id alone finds nothing.
  EXPECT_EQ(TObjectRef(8, nullptr).Resolve(), nullptr);
  EXPECT_EQ(TObjectRef(-1, &list_).Resolve(), nullptr);

  TObjectRef cached(crate);
  cached.SetOwner(&list_);
  EXPECT_EQ(cached.GetOwner(), &list_);
  EXPECT_EQ(cached.GetId(), 8);
  EXPECT_EQ(cached.Resolve(), crate);

  TObjectRef copy(cached);
  EXPECT_EQ(copy.Resolve(), crate);
  TObjectRef assigned;
  assigned.Assign(cached);
  EXPECT_EQ(assigned.GetId(), 8);
  EXPECT_EQ(assigned.GetOwner(), &list_);

  assigned.Reset();
  EXPECT_EQ(assigned.GetId(), -1);
  EXPECT_EQ(assigned.Resolve(), nullptr);
  EXPECT_EQ(assigned.GetOwner(), &list_);
}

TEST_F(ObjectListTest, TypedResolvesAnswerOnlyForTheirKind) {
  TTestCrate* dump = AddCrate(1, 0.0f, 0.0f);
  auto unit = std::make_unique<TTestCrate>(TVector3(), "Crate", 10.0f, "Combatant");
  unit->SetId(2);
  TGameObject* unitObject = unit.get();
  list_.Add(std::move(unit));
  auto shot = std::make_unique<TTestShot>(TVector3(), 1.0f, TVector3(1.0f, 0.0f, 0.0f), 0.0f);
  shot->SetId(3);
  TGameObject* shotObject = shot.get();
  list_.Add(std::move(shot));

  const TObjectRef toDump(1, &list_);
  EXPECT_EQ(toDump.Resolve(), dump);
  EXPECT_EQ(toDump.ResolveCombatant(), nullptr);
  EXPECT_EQ(toDump.ResolveProjectile(), nullptr);
  EXPECT_EQ(TObjectRef(2, &list_).ResolveCombatant(), unitObject);
  EXPECT_EQ(TObjectRef(3, &list_).ResolveProjectile(), shotObject);
  EXPECT_EQ(TObjectRef(3, &list_).ResolveCombatant(), nullptr);
}
