#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/text_utils.h"
#include "support/temp_folder.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/map_file.h"
#include "world/map_fixtures.h"
#include "world/object_list.h"
#include "world/terrain_type.h"

namespace {

using map_test::MakeCityGameData;

// A unit as the door rules see it: a position and a radius.
class TTestUnit : public TGameObject {
 public:
  TTestUnit(const TVector3& position, float radius) : TGameObject(position), radius_(radius) {}
  std::string_view TypeName() const override { return "Combatant"; }
  void Update(float /*time*/) override {}
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override { return nullptr; }
  bool TakeDamage(float /*amount*/) override { return false; }
  bool IsDestroyed() const override { return false; }
  float GetRadius() const override { return radius_; }

 private:
  float radius_;
};

class TTestUnitList : public TObjectList {
 public:
  std::string_view ElementTypeName() const override { return "Combatant"; }
};

class DoorsTest : public ::testing::Test {
 protected:
  TTerrainObject* Place(const std::string& type, float x, float y, float time = 0.0f) {
    return map_test::PlaceTile(map_, *data_, type, x, y, time);
  }

  // A door stands on the corner of its cell, as the map tool places walls.
  TTerrainObject* PlaceDoor(const std::string& type, int32_t cx, int32_t cy, float time = 0.0f) {
    return Place(type, static_cast<float>(cx) + 0.5f, static_cast<float>(cy) + 0.5f, time);
  }

  void Pave() {
    for (int32_t y = 0; y < map_.GetHeight(); ++y) {
      for (int32_t x = 0; x < map_.GetWidth(); ++x) Place("Floor", static_cast<float>(x), static_cast<float>(y));
    }
  }

  TTestUnit* AddUnit(const TVector3& position, float radius) {
    auto unit = std::make_unique<TTestUnit>(position, radius);
    TTestUnit* added = unit.get();
    units_.Add(std::move(unit));
    return added;
  }

  // What the world's step does for the map: successors are made and added,
  // the replaced objects go.
  void Step(float time) {
    TNewObjects created;
    map_.HandleDestroyedAll(created, *data_, time);
    for (auto& object : created) {
      if (object->TypeName() == TTerrainObject::StaticTypeName()) map_.Add(std::move(object));
    }
    map_.RemoveDestroyed();
  }

  // A tick of the doors followed by the world's step.
  void Tick(float time) {
    map_.UpdateDoors(time, units_, *data_);
    Step(time);
  }

  // The type names of the objects at the point that are not ground.
  std::vector<std::string> NamesAt(float x, float y) const {
    std::vector<std::string> names;
    for (const TTerrainObject* object : map_.CellAt(static_cast<int32_t>(x), static_cast<int32_t>(y))) {
      if (!object->IsGround() && object->Position().DistanceTo(TVector3(x, y, 0.0f)) < 0.001f) {
        names.push_back(object->GetTypeName());
      }
    }
    return names;
  }

  TTempFolder folder_;
  std::unique_ptr<TGameData> data_ = MakeCityGameData();
  TMap map_{10, 10};
  TTestUnitList units_;
};

// --- units at doors ------------------------------------------------------------

TEST_F(DoorsTest, ClosedDoorOpensForUnitsNearEnoughForTheirSize) {
  const struct {
    float radius;
    float distance;
    bool opens;
  } cases[] = {
      {0.5f, 1.2f, true},    // wide units are let through from further away
      {0.4f, 1.2f, false},
      {0.4f, 1.1f, true},    // every unit within 1.1181
      {0.5f, 1.41f, true},
      {0.5f, 1.42f, false},
      {1.0f, 3.0f, false},
  };
  for (const auto& c : cases) {
    map_.DeleteAll();
    units_.DeleteAll();
    TTerrainObject* door = PlaceDoor("Door", 3, 3);
    AddUnit(TVector3(3.5f + c.distance, 3.5f, 0.0f), c.radius);
    map_.UpdateDoors(1.0f, units_, *data_);
    EXPECT_EQ(door->GetPendingName(), c.opens ? "Opening_Door" : "none")
        << "radius " << c.radius << " distance " << c.distance;
    EXPECT_EQ(map_.GetToRemove().size(), c.opens ? 1u : 0u);
  }
}

TEST_F(DoorsTest, MovingDoorsCompleteAfterHalfATimeUnit) {
  const struct {
    const char* type;
    float time;
    const char* next;
  } cases[] = {
      {"Opening_Door", 3.49f, "none"},
      {"Opening_Door", 3.5f, "Open_Door"},
      {"Opening_Door", 4.0f, "Open_Door"},
      {"Closing_Door", 3.49f, "none"},
      {"Closing_Door", 3.5f, "Door"},
  };
  for (const auto& c : cases) {
    map_.DeleteAll();
    TTerrainObject* door = PlaceDoor(c.type, 3, 3, 3.0f);
    map_.UpdateDoors(c.time, units_, *data_);
    EXPECT_EQ(door->GetPendingName(), c.next) << c.type << " at " << c.time;
  }
}

TEST_F(DoorsTest, OpenDoorStaysOpenWhileAUnitIsNearAndClosesOnTheFirstTickWithNobody) {
  TTerrainObject* door = PlaceDoor("Open_Door", 3, 3);
  TTestUnit* unit = AddUnit(TVector3(4.5f, 3.5f, 0.0f), 0.4f);
  map_.UpdateDoors(5.0f, units_, *data_);
  EXPECT_EQ(door->GetPendingName(), "none");

  unit->SetPosition(TVector3(4.7f, 3.5f, 0.0f));
  map_.UpdateDoors(5.1f, units_, *data_);
  EXPECT_EQ(door->GetPendingName(), "Closing_Door");
}

TEST_F(DoorsTest, DoorRunsItsWholeCycleThroughTheWorldsSteps) {
  PlaceDoor("Door", 3, 3);
  TTestUnit* unit = AddUnit(TVector3(3.5f, 4.5f, 0.0f), 0.5f);

  Tick(1.0f);
  ASSERT_EQ(NamesAt(3.5f, 3.5f), std::vector<std::string>{"Opening_Door"});
  ASSERT_EQ(map_.GetSingleDoors().size(), 1u);
  EXPECT_FLOAT_EQ(map_.GetSingleDoors()[0]->GetCreationTime(), 1.0f);

  Tick(1.25f);
  EXPECT_EQ(NamesAt(3.5f, 3.5f), std::vector<std::string>{"Opening_Door"});
  Tick(1.5f);
  EXPECT_EQ(NamesAt(3.5f, 3.5f), std::vector<std::string>{"Open_Door"});

  unit->SetPosition(TVector3(3.5f, 8.5f, 0.0f));
  Tick(1.75f);
  EXPECT_EQ(NamesAt(3.5f, 3.5f), std::vector<std::string>{"Closing_Door"});
  Tick(2.0f);
  EXPECT_EQ(NamesAt(3.5f, 3.5f), std::vector<std::string>{"Closing_Door"});
  Tick(2.25f);
  EXPECT_EQ(NamesAt(3.5f, 3.5f), std::vector<std::string>{"Door"});
  EXPECT_EQ(map_.GetSingleDoors().size(), 1u);
  EXPECT_TRUE(map_.GetToRemove().empty());
}

TEST_F(DoorsTest, ClosingDoorReopensForAUnitEvenWhenItsClosingIsDue) {
  TTerrainObject* door = PlaceDoor("Closing_Door", 3, 3, 0.0f);
  AddUnit(TVector3(3.5f, 4.5f, 0.0f), 0.4f);
  map_.UpdateDoors(2.0f, units_, *data_);
  EXPECT_EQ(door->GetPendingName(), "Opening_Door");
}

TEST_F(DoorsTest, HalvesOfADoubleDoorOpenAndCloseTogether) {
  TTerrainObject* left = PlaceDoor("Door", 3, 3);
  TTerrainObject* right = PlaceDoor("Door", 4, 3);
  ASSERT_EQ(map_.GetDoubleDoors().size(), 1u);
  // Near the right half only.
  TTestUnit* unit = AddUnit(TVector3(5.5f, 4.0f, 0.0f), 0.4f);
  map_.UpdateDoors(1.0f, units_, *data_);
  EXPECT_EQ(left->GetPendingName(), "Opening_Door");
  EXPECT_EQ(right->GetPendingName(), "Opening_Door");

  Step(1.0f);
  Tick(1.5f);
  EXPECT_EQ(NamesAt(3.5f, 3.5f), std::vector<std::string>{"Open_Door"});
  EXPECT_EQ(NamesAt(4.5f, 3.5f), std::vector<std::string>{"Open_Door"});
  ASSERT_EQ(map_.GetDoubleDoors().size(), 1u);

  unit->SetPosition(TVector3(8.5f, 8.5f, 0.0f));
  Tick(1.75f);
  EXPECT_EQ(NamesAt(3.5f, 3.5f), std::vector<std::string>{"Closing_Door"});
  EXPECT_EQ(NamesAt(4.5f, 3.5f), std::vector<std::string>{"Closing_Door"});
}

TEST_F(DoorsTest, DoorsAdmitUnitsByTheirOwnersNumber) {
  TTerrainObject* door = PlaceDoor("Door", 3, 3);
  AddUnit(TVector3(3.5f, 4.5f, 0.0f), 0.4f);
  int32_t asked = 0;
  map_.UpdateDoors(1.0f, units_, *data_, [&asked](const TGameObject& /*unit*/) {
    ++asked;
    return 1;
  });
  // The key of every door is "any": the owner is asked and let through.
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(door->GetPendingName(), "Opening_Door");
}

// --- the door cycle --------------------------------------------------------------

TEST(DoorStateTypeNameTest, FollowsTheNextDoorChainOrTheName) {
  const auto data = std::make_unique<TGameData>(
      "", "test",
      "# doors\n[Terrain Data]\n"
      "[Hatch]\nDoor Type = closed\nNext Door = Nowhere\nType = wall\n"
      "[Ring_a]\nDoor Type = closed\nNext Door = Ring_b\nType = wall\n"
      "[Ring_b]\nDoor Type = closed\nNext Door = Ring_a\nType = wall\n"
      "[Door]\nDoor Type = closed\nNext Door = Opening_Door\nType = wall\n"
      "[Opening_Door]\nDoor Type = opening\nNext Door = Open_Door\nType = wall\n"
      "[Open_Door]\nDoor Type = open\nNext Door = Closing_Door\nType = wall\n"
      "[Closing_Door]\nDoor Type = closing\nNext Door = Door\nType = wall\n");
  const struct {
    const char* type;
    const char* state;
    const char* expected;
  } cases[] = {
      {"Door", "Opening", "Opening_Door"},
      {"Open_Door", "Closed", "Door"},
      {"Closing_Door", "Opening", "Opening_Door"},
      {"Opening_Door", "Open", "Open_Door"},
      {"Hatch", "Opening", "Hatch"},  // a link to a missing type
      {"Ring_a", "Open", "Ring_a"},   // four links without the state
      // Types without a chain: the state is the prefix of the name.
      {"Open_Gate", "Closing", "Closing_Gate"},
      {"Open_Gate", "Closed", "Gate"},
      {"Gate", "Opening", "Opening_Gate"},
      {"Closing_Gate", "Open", "Open_Gate"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TMap::DoorStateTypeName(*data, c.type, c.state), c.expected) << c.type << " " << c.state;
  }
}

TEST(DoorStateTypeNameTest, ShippedDoorsCycleThroughTheirFourStates) {
  const auto data = MakeCityGameData();
  for (const std::string closed : {"Door", "mil_door_green_1_closed"}) {
    std::string name = closed;
    for (const char* state : {"Opening", "Open", "Closing", "Closed"}) {
      const std::string next = TMap::DoorStateTypeName(*data, name, state);
      ASSERT_NE(next, name) << name << " " << state;
      const TTerrainType* type = data->FindTerrainType(next);
      ASSERT_NE(type, nullptr) << next;
      EXPECT_EQ(type->GetDoorState(), LowerCase(state));
      name = next;
    }
    EXPECT_EQ(name, closed);
  }
}

// --- military doors --------------------------------------------------------------

TEST(MilitaryDoorTest, NamesThatAreMilitaryDoors) {
  const struct {
    const char* name;
    bool military;
  } cases[] = {
      {"mil_door_red_1", true},
      {"mil_door_green_1_closed", true},
      {"Open_mil_door_green_1", false},
      {"Closing_mil_door_green_1", false},
      {"Door", false},
  };
  for (const auto& c : cases) EXPECT_EQ(TMap::IsMilitaryDoor(c.name), c.military) << c.name;
}

class MilitaryDoorsTest : public DoorsTest {
 protected:
  void SetUp() override {
    Pave();
    PlaceDoor("mil_door_red_1", 4, 3);
    PlaceDoor("mil_door_red_1", 5, 3);
  }
};

TEST_F(MilitaryDoorsTest, OpensForUnitsOnlyAfterItsSwitch) {
  const TTerrainObject* control = Place("door_control_north", 5.0f, 5.0f);
  AddUnit(TVector3(5.0f, 4.5f, 0.0f), 0.5f);
  Tick(1.0f);
  EXPECT_EQ(NamesAt(4.5f, 3.5f), std::vector<std::string>{"mil_door_red_1"});
  EXPECT_EQ(NamesAt(5.5f, 3.5f), std::vector<std::string>{"mil_door_red_1"});

  map_.ToggleDoor(*control, true);
  Step(2.0f);
  EXPECT_EQ(NamesAt(4.5f, 3.5f), std::vector<std::string>{"mil_door_green_1_closed"});
  EXPECT_EQ(NamesAt(5.5f, 3.5f), std::vector<std::string>{"mil_door_green_1_closed"});
  EXPECT_EQ(map_.GetDoubleDoors().size(), 1u);

  Tick(3.0f);
  EXPECT_EQ(NamesAt(4.5f, 3.5f), std::vector<std::string>{"Opening_mil_door_green_1"});
  EXPECT_EQ(NamesAt(5.5f, 3.5f), std::vector<std::string>{"Opening_mil_door_green_1"});
}

TEST_F(MilitaryDoorsTest, SwitchBesideTheWallTurnsAClosedGreenDoorRedAgain) {
  const TTerrainObject* control = Place("door_control_north", 5.0f, 4.0f);
  map_.ToggleDoor(*control, true);
  Step(1.0f);
  map_.ToggleDoor(*control, true);
  Step(2.0f);
  EXPECT_EQ(NamesAt(4.5f, 3.5f), std::vector<std::string>{"mil_door_red_1"});
  EXPECT_EQ(NamesAt(5.5f, 3.5f), std::vector<std::string>{"mil_door_red_1"});
}

TEST_F(MilitaryDoorsTest, RemovedSwitchReleasesItsDoorsGreenAndClosedOnlyOnce) {
  const TTerrainObject* control = Place("door_control_north", 5.0f, 4.0f);
  map_.Remove(control);
  ASSERT_EQ(map_.GetReplacements().size(), 2u);
  Step(1.0f);
  EXPECT_EQ(NamesAt(4.5f, 3.5f), std::vector<std::string>{"mil_door_green_1_closed"});
  EXPECT_EQ(NamesAt(5.5f, 3.5f), std::vector<std::string>{"mil_door_green_1_closed"});

  // Another switch that leaves does not turn a green door back.
  map_.Remove(Place("door_control_north", 5.0f, 4.0f));
  EXPECT_TRUE(map_.GetReplacements().empty());
}

TEST_F(MilitaryDoorsTest, SwitchWithoutDoorsInReachChangesNothing) {
  const TTerrainObject* far = Place("door_control_south", 5.0f, 5.0f);
  map_.ToggleDoor(*far, true);
  EXPECT_TRUE(map_.GetToRemove().empty());
  EXPECT_TRUE(map_.GetReplacements().empty());
}

TEST_F(DoorsTest, EverySwitchOfTheShippedMapsReachesAPairOfMilitaryDoors) {
  const auto switchesOf = [this](const char* name) {
    EXPECT_TRUE(LoadMapFile(std::string(DVX_DATA_DIR) + "/Map/" + name, *data_, map_)) << name;
    std::vector<const TTerrainObject*> switches;
    for (int32_t i = 0; i < map_.Count(); ++i) {
      const auto* object = static_cast<const TTerrainObject*>(map_.At(i));
      if (object->GetTypeName().find("door_control") != std::string::npos) switches.push_back(object);
    }
    return switches;
  };
  for (const char* name : {"Outpost.map", "Foundry.map"}) {
    const std::size_t count = switchesOf(name).size();
    ASSERT_GT(count, 0u) << name;
    // Each switch on a freshly loaded map.
    for (std::size_t k = 0; k < count; ++k) {
      const TTerrainObject* control = switchesOf(name)[k];
      map_.ToggleDoor(*control, true);
      ASSERT_EQ(map_.GetToRemove().size(), 2u) << name << " " << control->GetTypeName();
      // Red doors turn green and closed, green closed doors red.
      for (const TTerrainObject* door : map_.GetToRemove()) {
        const bool red = door->GetTypeName() == "mil_door_red_1";
        EXPECT_EQ(door->GetPendingName(), red ? "mil_door_green_1_closed" : "mil_door_red_1");
      }
    }
  }
}

}  // namespace
