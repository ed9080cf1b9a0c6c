#include "units/combatant_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/files.h"
#include "session/id_mapper.h"
#include "support/temp_folder.h"
#include "units/combatant_template.h"
#include "units/unit_test_rules.h"
#include "units/unit_visual_state.h"
#include "units/weapon.h"
#include "world/volume.h"

namespace {

class CombatantListTest : public ::testing::Test {
 protected:
  Combatant* AddUnit(TCombatantList& list, const std::string& type, const TVector3& position, int32_t owner,
                     int32_t id) const {
    auto unit = std::make_unique<Combatant>(*data_->FindUnitType(type), data_->FindWeaponType(type), owner,
                                            position, 0.5f);
    unit->SetId(id);
    Combatant* added = unit.get();
    list.Add(std::move(unit));
    return added;
  }

  // A unit in the middle of things: hurt, moving, aiming, fed, named.
  Combatant* AddBusyUnit(TCombatantList& list) const {
    Combatant* unit = AddUnit(list, "Grunt", TVector3(4, 4, 0), 1, 12);
    unit->TakeDamage(40.0f);
    unit->MoveToward(TVector3(4, 4.5f, 0), 2.0f);
    unit->Update(2.5f);
    unit->GetAnimator().SetState("Aim", 2.25f);
    unit->SpendAmmunition(7.4f);
    unit->AddFood(0.25f);
    unit->SetName("Sergeant Vale");
    unit->SetFlag(0, true);
    return unit;
  }

  static bool ShownSelected(const Combatant& unit) {
    return unit.GetAnimator().GetDisplayState().IsShown(kSelectionMarkerPart);
  }

  static TDataStream SaveList(const TCombatantList& list, const std::string& tag, TStringList& names) {
    TDataStream stream(tag);
    EXPECT_TRUE(list.Save(stream, names));
    stream.Rewind();
    return stream;
  }

  TTempFolder folder_;
  unit_test::TUnitWorldMakers makers_;
  std::unique_ptr<TGameData> data_ = unit_test::MakeRules();
};

TEST_F(CombatantListTest, RecordRestoresTheUnitAndSavesToTheSameBytes) {
  TCombatantList list;
  const Combatant* original = AddBusyUnit(list);
  TStringList names;
  TDataStream stream = SaveList(list, "Vorhelm-3-10", names);

  TCombatantList loaded;
  ASSERT_TRUE(loaded.Load(stream, *data_, names));
  ASSERT_EQ(loaded.Count(), 1);
  const Combatant* unit = loaded.UnitAt(0);
  ASSERT_NE(unit, nullptr);
  EXPECT_EQ(unit->GetId(), 12);
  EXPECT_EQ(unit->GetType().GetName(), "Grunt");
  EXPECT_EQ(unit->GetOwner(), 1);
  EXPECT_EQ(unit->Position(), original->Position());
  EXPECT_EQ(unit->GetDestination(), original->GetDestination());
  EXPECT_EQ(unit->GetFacing(), original->GetFacing());
  EXPECT_FLOAT_EQ(unit->GetEndurance(), 63.0f);
  EXPECT_EQ(unit->GetVisualState(), "Aim");
  EXPECT_FLOAT_EQ(unit->GetAnimator().GetStateTime(), original->GetAnimator().GetStateTime());
  EXPECT_FLOAT_EQ(unit->GetWeapon()->GetAmmunitionValue(), 12.6f);
  EXPECT_FLOAT_EQ(unit->GetCreationTime(), 0.5f);
  EXPECT_FLOAT_EQ(unit->GetFoodStore(), 0.25f);
  EXPECT_TRUE(unit->GetCanFire());
  EXPECT_EQ(unit->GetName(), "Sergeant Vale");
  EXPECT_TRUE(unit->TestFlag(0));
  EXPECT_EQ(unit->GetTrajectory().GetStart(), original->GetTrajectory().GetStart());
  EXPECT_FLOAT_EQ(unit->GetTrajectory().GetStartTime(), 2.0f);
  // Restoring a firing unit raises no shield.
  EXPECT_FALSE(unit->IsShieldRaised());

  TStringList namesAgain;
  const TDataStream again = SaveList(loaded, "Vorhelm-3-10", namesAgain);
  EXPECT_EQ(again.Body(), stream.Body());
}

TEST_F(CombatantListTest, EachFormatVersionCarriesItsFields) {
  struct TCase {
    const char* tag;
    float ammunition;
    float creationTime;
    float food;
    bool canFire;
    const char* name;
  };
  const TCase cases[] = {
      {"Vorhelm-1-05", 13.0f, 0.0f, 0.0f, false, ""},
      {"Vorhelm-1-10", 13.0f, 0.5f, 0.25f, false, ""},
      {"Vorhelm-2-16", 13.0f, 0.5f, 0.25f, true, ""},  // whole rounds until 2.17
      {"Vorhelm-2-17", 12.6f, 0.5f, 0.25f, true, ""},
      {"Vorhelm-3-10", 12.6f, 0.5f, 0.25f, true, "Sergeant Vale"},
  };
  TCombatantList list;
  AddBusyUnit(list);
  for (const TCase& c : cases) {
    TStringList names;
    TDataStream stream = SaveList(list, c.tag, names);
    TCombatantList loaded;
    ASSERT_TRUE(loaded.Load(stream, *data_, names)) << c.tag;
    EXPECT_EQ(stream.Remaining(), 0u) << c.tag;
    const Combatant* unit = loaded.UnitAt(0);
    ASSERT_NE(unit, nullptr) << c.tag;
    EXPECT_FLOAT_EQ(unit->GetWeapon()->GetAmmunitionValue(), c.ammunition) << c.tag;
    EXPECT_FLOAT_EQ(unit->GetCreationTime(), c.creationTime) << c.tag;
    EXPECT_FLOAT_EQ(unit->GetFoodStore(), c.food) << c.tag;
    EXPECT_EQ(unit->GetCanFire(), c.canFire) << c.tag;
    EXPECT_EQ(unit->GetName(), c.name) << c.tag;
    EXPECT_FLOAT_EQ(unit->GetEndurance(), 63.0f) << c.tag;
    EXPECT_EQ(unit->GetDestination(), TVector3(4, 4.5f, 0)) << c.tag;
  }
}

TEST_F(CombatantListTest, VersionTwoSixteenStoresAmmunitionAsWholeRounds) {
  TCombatantList list;
  AddBusyUnit(list);
  const TCombatantTemplate record(*list.UnitAt(0));
  ASSERT_FLOAT_EQ(record.GetAmmunition(), 12.6f);
  TDataStream stream("Vorhelm-2-16");
  TStringList names;
  TRawIdMapper ids;
  ASSERT_TRUE(record.Save(stream, ids, names));
  // The ammunition word is followed by creation time, food store and can fire.
  const std::size_t ammunitionAt = stream.Body().size() - (4 + 4 + 4 + 1);
  stream.Seek(static_cast<uint32_t>(ammunitionAt));
  EXPECT_EQ(static_cast<int32_t>(stream.ReadInt()), 13);
  stream.Rewind();
  stream.ReadShort();
  const TCombatantTemplate read(stream, names);
  EXPECT_FALSE(stream.HasFailed());
  EXPECT_FLOAT_EQ(read.GetAmmunition(), 13.0f);
}

TEST_F(CombatantListTest, CloneIsAnExactCopy) {
  TCombatantList list;
  AddBusyUnit(list);
  const TCombatantTemplate record(*list.UnitAt(0));
  const auto clone = record.Clone();
  ASSERT_NE(clone, nullptr);
  const auto& copy = static_cast<const TCombatantTemplate&>(*clone);
  EXPECT_EQ(copy.TypeName(), "Combatant");
  EXPECT_EQ(copy.GetTypeName(), "Grunt");
  EXPECT_EQ(copy.GetName(), "Sergeant Vale");
  EXPECT_FLOAT_EQ(copy.GetVisualStateTime(), record.GetVisualStateTime());
  EXPECT_FLOAT_EQ(copy.GetAmmunition(), record.GetAmmunition());
}

TEST_F(CombatantListTest, SavedHealthIsCutOrRefused) {
  struct TCase {
    float health;
    bool loads;
    float spawned;
  };
  const TCase cases[] = {
      {1000.0f, true, 100.0f},  // above the type's Endurance: full health
      {-5.0f, true, 0.0f},
      {std::numeric_limits<float>::quiet_NaN(), false, 0.0f},
      {std::numeric_limits<float>::infinity(), false, 0.0f},
  };
  for (const TCase& c : cases) {
    TCombatantList list;
    AddUnit(list, "Grunt", TVector3(1, 1, 0), 0, 3);
    TStringList names;
    TDataStream stream = SaveList(list, "Vorhelm-3-10", names);
    // The only 100.0f of the record is the health.
    const std::vector<uint8_t> full = {0x00, 0x00, 0xc8, 0x42};
    const auto found = std::search(stream.Body().begin(), stream.Body().end(), full.begin(), full.end());
    ASSERT_NE(found, stream.Body().end());
    const auto healthAt = static_cast<uint32_t>(found - stream.Body().begin());
    TDataStream patch;
    patch.WriteFloat(c.health);
    std::copy(patch.Body().begin(), patch.Body().end(), stream.Body().begin() + healthAt);

    TCombatantList loaded;
    EXPECT_EQ(loaded.Load(stream, *data_, names), c.loads) << c.health;
    if (c.loads) {
      ASSERT_EQ(loaded.Count(), 1);
      EXPECT_FLOAT_EQ(loaded.UnitAt(0)->GetEndurance(), c.spawned) << c.health;
    } else {
      EXPECT_TRUE(stream.HasFailed());
      EXPECT_EQ(loaded.Count(), 0);
    }
  }
}

TEST_F(CombatantListTest, UnknownTypeDoesNotSpawnAndFailsTheLoad) {
  TCombatantList list;
  AddUnit(list, "Grunt", TVector3(1, 1, 0), 0, 1);
  AddUnit(list, "Psyker", TVector3(2, 2, 0), 0, 2);
  TStringList names;
  TDataStream stream = SaveList(list, "Vorhelm-3-10", names);

  const auto rules = std::make_unique<TGameData>(
      "# rules without the grey\n[Unit Data]\n[Grunt]\nRace = marn\nEndurance = 100\n", "test", unit_test::kTerrain);
  const TCombatantTemplate record(*list.UnitAt(1));
  TCombatantList target;
  EXPECT_EQ(record.Spawn(*rules, target), nullptr);

  TCombatantList loaded;
  EXPECT_FALSE(loaded.Load(stream, *rules, names));
  EXPECT_TRUE(stream.HasFailed());
  EXPECT_EQ(loaded.Count(), 1);
}

TEST_F(CombatantListTest, BadNameIndexFailsTheRecord) {
  TCombatantList list;
  AddUnit(list, "Grunt", TVector3(1, 1, 0), 0, 1);
  TStringList names;
  TDataStream stream = SaveList(list, "Vorhelm-3-10", names);
  TStringList shortTable;
  shortTable.IndexOf("Combatant");  // the type name only: no unit type, no state
  TCombatantList loaded;
  EXPECT_FALSE(loaded.Load(stream, *data_, shortTable));
  EXPECT_TRUE(stream.HasFailed());
  EXPECT_EQ(loaded.Count(), 0);
}

TEST_F(CombatantListTest, SelectionShowsItsMarkerAndSurvivesARestore) {
  TCombatantList list;
  Combatant* first = AddUnit(list, "Grunt", TVector3(1, 1, 0), 0, 1);
  Combatant* second = AddUnit(list, "Grunt", TVector3(3, 3, 0), 0, 2);
  EXPECT_EQ(list.GetSelected(), nullptr);
  EXPECT_EQ(list.GetSelectedId(), -1);
  EXPECT_FALSE(ShownSelected(*first));

  list.Select(first);
  EXPECT_EQ(list.GetSelected(), first);
  EXPECT_TRUE(ShownSelected(*first));
  list.Select(second);
  EXPECT_FALSE(ShownSelected(*first));
  EXPECT_TRUE(ShownSelected(*second));
  EXPECT_EQ(list.GetSelectedId(), 2);

  // Units re-spawned from the snapshot: the one with the selected id shows
  // as selected without a new Select.
  list.TakeSnapshot();
  ASSERT_TRUE(list.RestoreSnapshot(*data_));
  Combatant* respawned = list.GetSelected();
  ASSERT_NE(respawned, nullptr);
  EXPECT_EQ(respawned->GetId(), 2);
  EXPECT_TRUE(ShownSelected(*respawned));
  EXPECT_FALSE(ShownSelected(*list.UnitAt(0)));

  list.ClearSelection();
  EXPECT_EQ(list.GetSelected(), nullptr);
  EXPECT_FALSE(ShownSelected(*respawned));
}

TEST_F(CombatantListTest, PicksTheNearestUnitWithinItsPickRadius) {
  TCombatantList list;
  AddUnit(list, "Grunt", TVector3(1.3f, 1, 0), 0, 1);  // distance 0.3
  AddUnit(list, "Psyker", TVector3(0.8f, 1, 0), 1, 2); // distance 0.2
  const Combatant* found = list.FindAtPoint(TVector3(1, 1, 0));
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->GetId(), 2);

  TCombatantList single;
  AddUnit(single, "Psyker", TVector3(5, 5, 0), 0, 3);  // radius 0.2
  EXPECT_NE(single.FindAtPoint(TVector3(5.45f, 5, 0)), nullptr);
  EXPECT_EQ(single.FindAtPoint(TVector3(5.5f, 5, 0)), nullptr);

  TCombatantList tie;
  AddUnit(tie, "Grunt", TVector3(4.7f, 5, 0), 0, 4);
  AddUnit(tie, "Grunt", TVector3(5.3f, 5, 0), 0, 5);
  EXPECT_EQ(tie.FindAtPoint(TVector3(5, 5, 0))->GetId(), 4);
}

TEST_F(CombatantListTest, SelectsOnlyThePlayersOwnUnit) {
  TCombatantList list;
  AddUnit(list, "Grunt", TVector3(1, 1, 0), 0, 1);
  AddUnit(list, "Grunt", TVector3(4, 4, 0), 1, 2);
  EXPECT_FALSE(list.SelectAt(TVector3(4, 4, 0), 0));
  EXPECT_FALSE(list.SelectAt(TVector3(8, 8, 0), 0));
  EXPECT_EQ(list.GetSelected(), nullptr);
  EXPECT_TRUE(list.SelectAt(TVector3(1.1f, 1, 0), 0));
  EXPECT_EQ(list.GetSelectedId(), 1);
}

TEST_F(CombatantListTest, ClearOfVolumesOtherThanTheGivenOne) {
  TCombatantList list;
  Combatant* unit = AddUnit(list, "Grunt", TVector3(2, 2, 0), 0, 1);
  EXPECT_TRUE(list.IsClearOf(unit->GetLofVolume()));
  TCompoundVolume near;
  const TVector3 nearAt(2.4f, 2, 0);
  near.Add(std::make_unique<TSphereVolume>(&nearAt, TVector3(0, 0, 0.5f), 0.3f));
  EXPECT_FALSE(list.IsClearOf(near));
  TCompoundVolume far;
  const TVector3 farAt(6, 6, 0);
  far.Add(std::make_unique<TSphereVolume>(&farAt, TVector3(0, 0, 0.5f), 0.3f));
  EXPECT_TRUE(list.IsClearOf(far));
}

TEST_F(CombatantListTest, PlayerQueries) {
  TCombatantList list;
  AddUnit(list, "Grunt", TVector3(1, 1, 0), 0, 1);
  AddUnit(list, "Marine HQ", TVector3(2, 2, 0), 0, 2);
  AddUnit(list, "Queen", TVector3(5, 5, 0), 1, 3);
  EXPECT_TRUE(list.HasUnitOfPlayer(0));
  EXPECT_TRUE(list.HasUnitOfPlayer(1));
  EXPECT_FALSE(list.HasUnitOfPlayer(2));
  EXPECT_TRUE(list.HasHeadquarters(0));
  EXPECT_TRUE(list.HasHeadquarters(1));
  EXPECT_TRUE(list.CanPlayerFight(0, false));
  // The queen's record has no ammunition.
  EXPECT_FALSE(list.CanPlayerFight(1, false));
}

TEST_F(CombatantListTest, SupplierKeepsADryPlayerInTheFight) {
  TCombatantList list;
  Combatant* grunt = AddUnit(list, "Grunt", TVector3(1, 1, 0), 0, 1);
  Combatant* psyker = AddUnit(list, "Psyker", TVector3(2, 2, 0), 0, 2);
  grunt->SpendAmmunition(20.0f);
  psyker->SpendAmmunition(29.7f);  // 0.3 left: one whole round short, not dry
  ASSERT_FALSE(grunt->CanFire(false));
  ASSERT_FALSE(psyker->CanFire(false));
  EXPECT_TRUE(list.CanPlayerFight(0, false));
  EXPECT_FALSE(list.CanPlayerFight(0, true) && !psyker->CanFire(true));
  psyker->SpendAmmunition(1.0f);
  EXPECT_FALSE(list.CanPlayerFight(0, false));
}

TEST_F(CombatantListTest, BeginTurnStandsEveryUnit) {
  TCombatantList list;
  Combatant* unit = AddUnit(list, "Grunt", TVector3(1, 1, 0), 0, 1);
  unit->MoveToward(TVector3(1, 2, 0), 0.0f);
  unit->GetAnimator().SetState("Run", 0.0f);
  unit->Update(1.0f);
  list.BeginTurn();
  EXPECT_TRUE(unit->IsStanding());
  EXPECT_EQ(unit->GetDestination(), unit->Position());
  EXPECT_EQ(list.ElementTypeName(), "Combatant");
}

}  // namespace
