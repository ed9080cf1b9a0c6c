#include "world/ammo_dump.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/files.h"
#include "session/id_mapper.h"
#include "units/unit_type.h"
#include "units/unit_visual_state.h"
#include "world/game_data.h"
#include "world/surrogate.h"
#include "support/temp_folder.h"
#include "world/test_world_objects.h"
#include "world/world_effects.h"

namespace {

// Two kinds of dump: a headquarters that explodes when destroyed and a crate
// that does not.
const char* const kRules =
    "# dump rules\n"
    "[Unit Data]\n"
    "[Marine HQ]\n"
    "Race = marn\n"
    "Cost = 30\n"
    "Endurance = 200\n"
    "Armour = 5\n"
    "Target Height = 1.5\n"
    "Death Explosion Damage = 40\n"
    "Death Explosion Radius = 3\n"
    "LOS Shape = Sphere | 0,0,0.5 | 0.8\n"
    "[Supply Crate]\n"
    "Race = marn\n"
    "Cost = 5\n"
    "Endurance = 50\n"
    "Armour = 2\n"
    "Target Height = 0.5\n"
    "LOS Shape = Sphere | 0,0,0.5 | 0.4\n";

const char* const kTerrain = "# terrain\n[Terrain Data]\n[Floor]\nType = ground\n";

std::unique_ptr<TGameData> MakeRules(const std::string& rules) {
  return std::make_unique<TGameData>(rules, "test", kTerrain);
}

class AmmoDumpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterAmmoDumpRecordReader();
    // Explosions belong to the simulation; a stand-in records the blast.
    TWorldEffects::SetExplosionMaker([](const TVector3& position, float damage, float radius, float, uint8_t) {
      blasts_.push_back({damage, radius});
      return std::make_unique<world_test::TTestCrate>(position, "blast", 1.0f, "Explosion");
    });
    blasts_.clear();
  }
  void TearDown() override { TWorldEffects::SetExplosionMaker({}); }

  const TUnitType& Type(const std::string& name) const { return *data_->FindUnitType(name); }

  std::unique_ptr<AmmoDump> MakeDump(const std::string& type, float x, float y, int32_t owner, int32_t id) const {
    auto dump = std::make_unique<AmmoDump>(TVector3(x, y, 0.0f), Type(type), owner);
    dump->SetId(id);
    return dump;
  }

  struct TBlast {
    float damage;
    float radius;
  };
  static inline std::vector<TBlast> blasts_;
  // The rules and failed spawns are logged into the working folder.
  TTempFolder folder_;
  std::unique_ptr<TGameData> data_ = MakeRules(kRules);
};

float ShownHealth(const AmmoDump& dump) { return dump.GetAnimator().GetDisplayState().healthFraction; }

bool ShownSelected(const AmmoDump& dump) {
  return dump.GetAnimator().GetDisplayState().IsShown(kSelectionMarkerPart);
}

}  // namespace

TEST_F(AmmoDumpTest, TakesItsLooksAndShapeFromTheUnitType) {
  const auto dump = MakeDump("Marine HQ", 3.0f, 4.0f, 1, 12);
  EXPECT_EQ(dump->TypeName(), "AmmoDump");
  EXPECT_EQ(dump->SubtypeName(), "Marine HQ");
  EXPECT_EQ(dump->GetOwner(), 1);
  EXPECT_FLOAT_EQ(dump->GetEndurance(), 200.0f);
  EXPECT_FALSE(dump->IsDestroyed());
  EXPECT_FLOAT_EQ(dump->GetRadius(), 0.8f);
  EXPECT_FLOAT_EQ(dump->GetVisibility(), 1.0f);
  EXPECT_FLOAT_EQ(dump->GetSightWeight(), 1.0f);
  TVector3 aim;
  dump->GetAimPoint(aim);
  EXPECT_EQ(aim, TVector3(3.0f, 4.0f, 1.5f));
  EXPECT_TRUE(dump->TestFlag(1));
  EXPECT_FALSE(dump->TestFlag(0));
  EXPECT_EQ(dump->GetVisual(), nullptr);  // headless
}

TEST_F(AmmoDumpTest, ArmourIsTakenOffEveryHit) {
  struct Case {
    float amount;
    float endurance;
    bool destroyed;
  };
  // Armour 5, endurance 200.
  const Case cases[] = {
      {5.0f, 200.0f, false},   // no stronger than the armour: unchanged
      {-50.0f, 200.0f, false}, // a negative hit heals nothing
      {7.0f, 198.0f, false},
      {205.0f, 0.0f, true},    // exactly the endurance
      {5000.0f, 0.0f, true},   // never below zero
  };
  for (const Case& c : cases) {
    const auto dump = MakeDump("Marine HQ", 1.0f, 1.0f, 0, 1);
    EXPECT_EQ(dump->TakeDamage(c.amount), c.destroyed) << c.amount;
    EXPECT_FLOAT_EQ(dump->GetEndurance(), c.endurance) << c.amount;
    EXPECT_FLOAT_EQ(ShownHealth(*dump), c.endurance / 200.0f) << c.amount;
  }
}

TEST_F(AmmoDumpTest, OwnerKeepsSeeingItAcrossCommits) {
  const auto dump = MakeDump("Supply Crate", 1.0f, 1.0f, 1, 1);
  dump->SetFlag(0, true);
  dump->CommitFlags();
  EXPECT_TRUE(dump->TestFlag(1));
  EXPECT_FALSE(dump->TestFlag(0));
  EXPECT_TRUE(dump->GetPreviousFlags().Test(0));
}

TEST_F(AmmoDumpTest, IntactDumpLeavesNothing) {
  const auto dump = MakeDump("Marine HQ", 1.0f, 1.0f, 0, 1);
  TNewObjects newObjects;
  dump->HandleDestroyed(newObjects, *data_, 3.0f);
  EXPECT_TRUE(newObjects.empty());
}

TEST_F(AmmoDumpTest, DestroyedDumpLeavesSurrogateLinkedToItsExplosion) {
  const auto dump = MakeDump("Marine HQ", 2.0f, 5.0f, 0, 9);
  dump->SetFlag(1, true);
  dump->TakeDamage(1000.0f);
  TNewObjects newObjects;
  dump->HandleDestroyed(newObjects, *data_, 4.5f);

  ASSERT_EQ(newObjects.size(), 2u);
  ASSERT_EQ(newObjects[0]->TypeName(), "Surrogate");
  ASSERT_EQ(newObjects[1]->TypeName(), "Explosion");
  const auto& surrogate = static_cast<const Surrogate&>(*newObjects[0]);
  EXPECT_EQ(surrogate.KeptRecordId(), 9);
  ASSERT_EQ(surrogate.GetLinks().size(), 1u);
  EXPECT_EQ(surrogate.GetLinks()[0]->Resolve(), newObjects[1].get());
  // The blast goes off half a unit above the dump and is seen by whoever
  // saw the dump.
  EXPECT_EQ(newObjects[1]->Position(), TVector3(2.0f, 5.0f, 0.5f));
  EXPECT_EQ(newObjects[1]->GetCurrentFlags(), dump->GetCurrentFlags());
  ASSERT_EQ(blasts_.size(), 1u);
  EXPECT_FLOAT_EQ(blasts_[0].damage, 40.0f);
  EXPECT_FLOAT_EQ(blasts_[0].radius, 3.0f);
}

TEST_F(AmmoDumpTest, DumpWithoutDeathExplosionLeavesOnlyItsSurrogate) {
  const auto dump = MakeDump("Supply Crate", 2.0f, 5.0f, 0, 9);
  dump->TakeDamage(1000.0f);
  TNewObjects newObjects;
  dump->HandleDestroyed(newObjects, *data_, 4.5f);
  ASSERT_EQ(newObjects.size(), 1u);
  EXPECT_EQ(newObjects[0]->TypeName(), "Surrogate");
  EXPECT_TRUE(static_cast<const Surrogate&>(*newObjects[0]).GetLinks().empty());
  EXPECT_TRUE(blasts_.empty());
}

TEST_F(AmmoDumpTest, ListRoundTripsThroughAStream) {
  TAmmoDumpList list;
  auto hq = MakeDump("Marine HQ", 2.0f, 5.0f, 1, 9);
  hq->TakeDamage(55.0f);
  hq->SetFlag(0, true);
  list.Add(std::move(hq));
  list.Add(MakeDump("Supply Crate", 7.0f, 1.0f, 0, 10));

  TDataStream stream;
  TStringList names;
  ASSERT_TRUE(list.Save(stream, names));
  stream.Rewind();
  TAmmoDumpList loaded;
  ASSERT_TRUE(loaded.Load(stream, *data_, names));
  EXPECT_EQ(stream.Remaining(), 0u);

  ASSERT_EQ(loaded.Count(), 2);
  const auto& copy = static_cast<const AmmoDump&>(*loaded.GetAt(0));
  EXPECT_EQ(copy.GetId(), 9);
  EXPECT_EQ(copy.Position(), TVector3(2.0f, 5.0f, 0.0f));
  EXPECT_EQ(copy.SubtypeName(), "Marine HQ");
  EXPECT_EQ(copy.GetOwner(), 1);
  EXPECT_FLOAT_EQ(copy.GetEndurance(), 150.0f);
  EXPECT_FLOAT_EQ(ShownHealth(copy), 0.75f);
  EXPECT_TRUE(copy.TestFlag(0));
  EXPECT_TRUE(copy.TestFlag(1));
  EXPECT_EQ(loaded.GetAt(1)->SubtypeName(), "Supply Crate");
}

TEST_F(AmmoDumpTest, RecordOfAnUnknownTypeDoesNotSpawnAndFailsTheLoad) {
  TAmmoDumpList list;
  list.Add(MakeDump("Supply Crate", 7.0f, 1.0f, 0, 10));
  list.Add(MakeDump("Marine HQ", 2.0f, 5.0f, 1, 9));
  TDataStream stream;
  TStringList names;
  ASSERT_TRUE(list.Save(stream, names));
  stream.Rewind();

  // Rules that lack the headquarters.
  const auto fewerRules = MakeRules("# rules\n[Unit Data]\n[Supply Crate]\nEndurance = 50\n");
  const auto record = list.GetAt(1)->MakeRecord();
  EXPECT_EQ(record->Spawn(*fewerRules, list), nullptr);

  TAmmoDumpList loaded;
  EXPECT_FALSE(loaded.Load(stream, *fewerRules, names));
  EXPECT_TRUE(stream.HasFailed());
  ASSERT_EQ(loaded.Count(), 1);  // the dump read before stays
  EXPECT_EQ(loaded.GetAt(0)->GetId(), 10);
}

TEST_F(AmmoDumpTest, TypeNameIndexOutsideTheTableFailsTheRecord) {
  const auto dump = MakeDump("Supply Crate", 7.0f, 1.0f, 0, 10);
  TDataStream stream;
  TStringList names;
  TRawIdMapper ids;
  ASSERT_TRUE(dump->MakeRecord()->Save(stream, ids, names));
  stream.Rewind();
  TStringList shortTable;
  shortTable.IndexOf("AmmoDump");  // the record's own type, but not its unit type
  EXPECT_EQ(CreateObjectRecord(stream, shortTable), nullptr);
  EXPECT_TRUE(stream.HasFailed());
}

TEST_F(AmmoDumpTest, ListFindsSelectsAndDeselectsThePlayersDumps) {
  TAmmoDumpList list;
  list.Add(MakeDump("Marine HQ", 2.0f, 2.0f, 0, 1));     // radius 0.8
  list.Add(MakeDump("Supply Crate", 2.5f, 2.0f, 1, 2));  // radius 0.4
  list.Add(MakeDump("Supply Crate", 6.0f, 6.0f, 0, 3));

  EXPECT_EQ(list.FindAtPoint(TVector3(2.3f, 2.0f, 0.0f))->GetId(), 2);  // nearer
  EXPECT_EQ(list.FindAtPoint(TVector3(1.3f, 2.0f, 0.0f))->GetId(), 1);  // 0.7 away
  EXPECT_EQ(list.FindAtPoint(TVector3(6.5f, 6.0f, 0.0f)), nullptr);      // beyond 0.4

  EXPECT_FALSE(list.SelectAt(TVector3(2.5f, 2.0f, 0.0f), 0));  // player 1's
  EXPECT_EQ(list.GetSelected(), nullptr);
  ASSERT_TRUE(list.SelectAt(TVector3(2.0f, 2.0f, 0.0f), 0));
  AmmoDump* first = list.GetSelected();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetId(), 1);
  EXPECT_TRUE(ShownSelected(*first));

  ASSERT_TRUE(list.SelectAt(TVector3(6.0f, 6.0f, 0.0f), 0));
  EXPECT_FALSE(ShownSelected(*first));
  EXPECT_EQ(list.GetSelectedId(), 3);
  EXPECT_TRUE(ShownSelected(*list.GetSelected()));

  // The selection names the dump by id, so it survives a replay.
  list.TakeSnapshot();
  ASSERT_TRUE(list.RestoreSnapshot(*data_));
  ASSERT_NE(list.GetSelected(), nullptr);
  EXPECT_EQ(list.GetSelected()->GetId(), 3);

  AmmoDump* selected = list.GetSelected();
  selected->ShowSelected(true);
  list.Deselect();
  EXPECT_EQ(list.GetSelected(), nullptr);
  EXPECT_FALSE(ShownSelected(*selected));

  EXPECT_TRUE(list.AnyOwnedBy(0));
  EXPECT_TRUE(list.AnyOwnedBy(1));
  EXPECT_FALSE(list.AnyOwnedBy(2));
}
