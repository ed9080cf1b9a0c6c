#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_folder.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/map_file.h"
#include "world/map_fixtures.h"

namespace {

using map_test::MakeCityGameData;

class PowerNetworkTest : public ::testing::Test {
 protected:
  TTerrainObject* Place(const std::string& type, float x, float y, float time = 0.0f) {
    return map_test::PlaceTile(map_, *data_, type, x, y, time);
  }

  // Floor on every cell not listed as a conduit.
  void PaveExcept(const std::vector<std::pair<int32_t, int32_t>>& conduits) {
    for (int32_t y = 0; y < map_.GetHeight(); ++y) {
      for (int32_t x = 0; x < map_.GetWidth(); ++x) {
        if (std::find(conduits.begin(), conduits.end(), std::make_pair(x, y)) == conduits.end()) {
          Place("Floor", static_cast<float>(x), static_cast<float>(y));
        }
      }
    }
  }

  // What the world's step does for the map.
  void Step(float time) {
    TNewObjects created;
    map_.HandleDestroyedAll(created, *data_, time);
    for (auto& object : created) {
      if (object->TypeName() == TTerrainObject::StaticTypeName()) map_.Add(std::move(object));
    }
    map_.RemoveDestroyed();
  }

  std::vector<TTerrainObject*> ObjectsOfType(const std::string& type) const {
    std::vector<TTerrainObject*> found;
    for (int32_t i = 0; i < map_.Count(); ++i) {
      auto* object = static_cast<TTerrainObject*>(map_.At(i));
      if (object->GetTypeName() == type) found.push_back(object);
    }
    return found;
  }

  std::vector<float> XsOf(const std::vector<TTerrainObject*>& objects) const {
    std::vector<float> xs;
    for (const TTerrainObject* object : objects) xs.push_back(object->Position().x);
    std::sort(xs.begin(), xs.end());
    return xs;
  }

  std::vector<float> QueuedXs() const {
    std::vector<float> xs;
    for (const auto& replacement : map_.GetReplacements()) xs.push_back(replacement.position->x);
    std::sort(xs.begin(), xs.end());
    return xs;
  }

  TTempFolder folder_;
  std::unique_ptr<TGameData> data_ = MakeCityGameData();
  TMap map_{10, 10};
};

// --- power lines -------------------------------------------------------------------

TEST_F(PowerNetworkTest, PowerLinesFollowTheirConduits) {
  struct TPiece {
    const char* type;
    float x, y;
  };
  const struct {
    const char* what;
    std::vector<TPiece> pieces;  // the first is the start, the last the end when found
    int32_t direction;
    bool found;
  } cases[] = {
      {"north along N,S", {{"Crate", 5, 8}, {"conduit_ns", 5, 7}, {"conduit_ns", 5, 6}, {"Crate_explosive", 5, 5}},
       0, true},
      {"south along N,S", {{"Crate", 5, 5}, {"conduit_ns", 5, 6}, {"conduit_ns", 5, 7}, {"Crate_explosive", 5, 8}},
       2, true},
      {"straight through a junction",
       {{"Crate", 2, 5}, {"conduit_cross", 3, 5}, {"conduit_ew", 4, 5}, {"Crate_explosive", 5, 5}}, 1, true},
      {"round a bend", {{"Crate", 2, 5}, {"conduit_sw", 3, 5}, {"conduit_ns", 3, 6}, {"Crate_explosive", 3, 7}}, 1,
       true},
      {"off the map", {{"Crate", 0, 5}, {"conduit_ew", 9, 5}}, 3, false},
      {"to an empty point", {{"Crate", 2, 5}, {"conduit_ew", 3, 5}}, 1, false},
      {"round a closed ring",
       {{"Crate", 4, 5}, {"conduit_es", 5, 5}, {"conduit_sw", 6, 5}, {"conduit_wn", 6, 6}, {"conduit_ne", 5, 6}}, 1,
       false},
  };
  for (const auto& c : cases) {
    map_.DeleteAll();
    std::vector<TTerrainObject*> placed;
    for (const TPiece& piece : c.pieces) placed.push_back(Place(piece.type, piece.x, piece.y));
    const TTerrainObject* reached = map_.FollowPowerLine(*placed.front(), c.direction);
    EXPECT_EQ(reached, c.found ? placed.back() : nullptr) << c.what;
  }
}

TEST_F(PowerNetworkTest, RelaysAreFoundAcrossAnythingButEmptyPoints) {
  PaveExcept({});
  const TTerrainObject* relay = Place("relay_post_off_1", 7.0f, 2.0f);
  Place("Crate", 4.0f, 2.0f);
  Place("field_000", 5.0f, 2.0f);
  EXPECT_EQ(map_.FindRelayInDirection(TVector3(1.0f, 2.0f, 0.0f), 1), relay);
  EXPECT_EQ(map_.FindRelayInDirection(TVector3(8.0f, 2.0f, 0.0f), 1), nullptr);
  EXPECT_EQ(map_.FindRelayInDirection(TVector3(1.0f, 2.0f, 0.0f), 0), nullptr);
}

// --- switching a network ----------------------------------------------------------

// A cell with a control below it feeds two relays on row 1 through conduits:
//   y=1   . A . . . . B .
//   y=2   . | . . . . | .
//   y=3   . L - C - - J .
//   y=4   . . . P . . . .
class PowerSwitchTest : public PowerNetworkTest {
 protected:
  void SetUp() override {
    PaveExcept({{1, 2}, {6, 2}, {1, 3}, {2, 3}, {4, 3}, {5, 3}, {6, 3}});
    Place("conduit_ns", 1.0f, 2.0f);
    Place("conduit_ns", 6.0f, 2.0f);
    Place("conduit_ne", 1.0f, 3.0f);
    Place("conduit_ew", 2.0f, 3.0f);
    Place("conduit_ew", 4.0f, 3.0f);
    Place("conduit_ew", 5.0f, 3.0f);
    Place("conduit_wn", 6.0f, 3.0f);
    Place("relay_post_off_1", 1.0f, 1.0f);
    Place("relay_post_off_1", 6.0f, 1.0f);
    Place("power_cell_off_1", 3.0f, 3.0f);
    Place("power_control_off_1", 3.0f, 4.0f);
  }

  // What the "Activate" order does with the control a unit uses.
  void UseControl(bool turnOn) {
    const std::string from = turnOn ? "power_control_off_1" : "power_control_on_1";
    const std::vector<TTerrainObject*> controls = ObjectsOfType(from);
    ASSERT_EQ(controls.size(), 1u);
    TTerrainObject* control = controls.front();
    control->SetPendingName(turnOn ? "power_control_on_1" : "power_control_off_1");
    map_.MarkForRemoval(control);
    map_.Activate(*control, turnOn);
  }

  // A tick of the power rules followed by the world's step.
  void Tick(float time) {
    map_.UpdatePower();
    Step(time);
  }

  std::vector<float> FieldXs() const { return XsOf(ObjectsOfType("field_000")); }
};

TEST_F(PowerSwitchTest, SwitchingOnPowersTheRelaysInTheSameTick) {
  UseControl(true);
  const std::vector<TTerrainObject*> relays = ObjectsOfType("relay_post_off_1");
  ASSERT_EQ(relays.size(), 2u);
  for (const TTerrainObject* relay : relays) EXPECT_EQ(relay->GetPendingName(), "relay_post_on_1");
  EXPECT_EQ(ObjectsOfType("power_cell_off_1").front()->GetPendingName(), "power_cell_on_1");

  Step(1.0f);
  EXPECT_EQ(ObjectsOfType("relay_post_on_1").size(), 2u);
  EXPECT_EQ(ObjectsOfType("power_cell_on_1").size(), 1u);
  EXPECT_EQ(ObjectsOfType("power_control_on_1").size(), 1u);
  EXPECT_TRUE(ObjectsOfType("relay_post_off_1").empty());
  EXPECT_TRUE(map_.GetToRemove().empty());
}

TEST_F(PowerSwitchTest, PoweredRelaysRaiseOneFieldTilePerPointBetweenThem) {
  UseControl(true);
  Step(1.0f);

  // Both relays raise the same field toward each other: queued once.
  map_.UpdatePower();
  EXPECT_EQ(QueuedXs(), (std::vector<float>{2.0f, 3.0f, 4.0f, 5.0f}));
  Step(2.0f);
  EXPECT_EQ(FieldXs(), (std::vector<float>{2.0f, 3.0f, 4.0f, 5.0f}));
  for (const TTerrainObject* field : ObjectsOfType("field_000")) EXPECT_FLOAT_EQ(field->Position().y, 1.0f);

  // A raised field is not raised again.
  map_.UpdatePower();
  EXPECT_TRUE(map_.GetReplacements().empty());
  EXPECT_TRUE(map_.GetToRemove().empty());
}

TEST_F(PowerSwitchTest, SwitchingOffLowersTheField) {
  UseControl(true);
  Step(1.0f);
  Tick(2.0f);
  ASSERT_EQ(FieldXs().size(), 4u);

  UseControl(false);
  for (const TTerrainObject* relay : ObjectsOfType("relay_post_on_1")) {
    EXPECT_EQ(relay->GetPendingName(), "relay_post_off_1");
  }
  Step(3.0f);
  EXPECT_TRUE(FieldXs().empty());
  EXPECT_EQ(ObjectsOfType("relay_post_off_1").size(), 2u);
  EXPECT_EQ(ObjectsOfType("power_cell_off_1").size(), 1u);
  EXPECT_EQ(ObjectsOfType("power_control_off_1").size(), 1u);

  // Nothing is raised while the cell is off.
  Tick(4.0f);
  EXPECT_TRUE(FieldXs().empty());
  EXPECT_EQ(ObjectsOfType("relay_post_off_1").size(), 2u);
}

TEST_F(PowerSwitchTest, RelaysFollowTheGridBetweenTicks) {
  UseControl(true);
  Step(1.0f);
  Tick(2.0f);
  ASSERT_EQ(FieldXs(), (std::vector<float>{2.0f, 3.0f, 4.0f, 5.0f}));
  map_.UpdatePower();
  ASSERT_TRUE(map_.GetReplacements().empty());

  // The east relay goes and a powered one stands farther along the row: the
  // west relay's walk now passes the floor where the old one stood.
  const std::vector<TTerrainObject*> relays = ObjectsOfType("relay_post_on_1");
  ASSERT_EQ(relays.size(), 2u);
  map_.Remove(relays[0]->Position().x > 3.0f ? relays[0] : relays[1]);
  Place("relay_post_on_1", 8.0f, 1.0f);
  map_.UpdatePower();
  EXPECT_EQ(QueuedXs(), (std::vector<float>{6.0f, 7.0f}));
}

TEST_F(PowerSwitchTest, ControlWithoutACellSwitchesNothing) {
  const TTerrainObject* lone = Place("power_control_off_1", 8.0f, 8.0f);
  map_.Activate(*lone, true);
  EXPECT_TRUE(map_.GetToRemove().empty());
  EXPECT_TRUE(map_.GetReplacements().empty());
}

TEST_F(PowerNetworkTest, RelayOnAClosedRingIsNotPowered) {
  Place("conduit_es", 5.0f, 5.0f);
  Place("conduit_sw", 6.0f, 5.0f);
  Place("conduit_wn", 6.0f, 6.0f);
  Place("conduit_ne", 5.0f, 6.0f);
  TTerrainObject* relay = Place("relay_post_on_1", 4.0f, 5.0f);
  map_.UpdatePower();
  EXPECT_EQ(relay->GetPendingName(), "relay_post_off_1");
}

// --- field walks ------------------------------------------------------------------

TEST_F(PowerNetworkTest, FieldWalksEndBesideAnOffAxisRelayAndAtTheMapsEdge) {
  PaveExcept({});
  // A relay found 0.4 off the axis of the walk is never met exactly.
  Place("relay_post_on_1", 6.0f, 1.4f);
  const struct {
    TVector3 to;
    std::vector<float> xs;
  } cases[] = {
      {TVector3(6.0f, 1.4f, 0.0f), {2.0f, 3.0f, 4.0f, 5.0f}},
      {TVector3(6.0f, 1.0f, 0.0f), {2.0f, 3.0f, 4.0f, 5.0f}},
      {TVector3(25.0f, 1.0f, 0.0f), {2.0f, 3.0f, 4.0f, 5.0f, 7.0f, 8.0f, 9.0f}},
  };
  for (const auto& c : cases) {
    map_.ClearReplacements();
    map_.RaiseField(TVector3(1.0f, 1.0f, 0.0f), c.to, 1);
    EXPECT_EQ(QueuedXs(), c.xs) << c.to.x << ", " << c.to.y;
  }
}

TEST_F(PowerNetworkTest, RaisingTheSameFieldTwiceQueuesItOnce) {
  PaveExcept({});
  map_.RaiseField(TVector3(1.0f, 1.0f, 0.0f), TVector3(1.0f, 4.0f, 0.0f), 2);
  map_.RaiseField(TVector3(1.0f, 4.0f, 0.0f), TVector3(1.0f, 1.0f, 0.0f), 0);
  ASSERT_EQ(map_.GetReplacements().size(), 2u);
  for (const auto& replacement : map_.GetReplacements()) EXPECT_EQ(replacement.typeName, "field_001");
}

TEST_F(PowerNetworkTest, LoweringRemovesOnlyFieldsUpToTheEnd) {
  PaveExcept({});
  for (float x = 2.0f; x < 10.0f; x += 1.0f) Place("field_000", x, 1.0f);
  Place("relay_post_on_1", 6.0f, 1.4f);
  map_.LowerField(TVector3(1.0f, 1.0f, 0.0f), TVector3(6.0f, 1.4f, 0.0f), 1);
  std::vector<float> lowered;
  for (const TTerrainObject* object : map_.GetToRemove()) {
    EXPECT_TRUE(object->IsRemoved());
    lowered.push_back(object->Position().x);
  }
  std::sort(lowered.begin(), lowered.end());
  EXPECT_EQ(lowered, (std::vector<float>{2.0f, 3.0f, 4.0f, 5.0f}));
}

// --- the shipped maps ---------------------------------------------------------------

class ShippedPowerTest : public PowerSwitchTest {
 protected:
  void SetUp() override {}

  void Load(const std::string& name) {
    ASSERT_TRUE(LoadMapFile(std::string(DVX_DATA_DIR) + "/Map/" + name, *data_, map_));
  }
};

TEST_F(ShippedPowerTest, OutpostHoldsItsFieldUntilItsControlIsSwitchedOff) {
  Load("Outpost.map");
  ASSERT_EQ(ObjectsOfType("field_000").size(), 5u);
  map_.UpdatePower();
  EXPECT_TRUE(map_.GetReplacements().empty());
  EXPECT_TRUE(map_.GetToRemove().empty());

  UseControl(false);
  Step(1.0f);
  EXPECT_TRUE(ObjectsOfType("field_000").empty());
  EXPECT_EQ(ObjectsOfType("relay_post_off_1").size(), 2u);
  EXPECT_EQ(ObjectsOfType("power_cell_off_1").size(), 1u);
}

TEST_F(ShippedPowerTest, FoundryRaisesItsFieldWhenEitherControlIsSwitchedOn) {
  Load("Foundry.map");
  ASSERT_EQ(ObjectsOfType("power_control_off_1").size(), 2u);
  TTerrainObject* control = ObjectsOfType("power_control_off_1").back();
  control->SetPendingName("power_control_on_1");
  map_.MarkForRemoval(control);
  map_.Activate(*control, true);
  Step(1.0f);
  // The cell switched the other control with it.
  EXPECT_EQ(ObjectsOfType("power_control_on_1").size(), 2u);
  ASSERT_EQ(ObjectsOfType("relay_post_on_1").size(), 2u);

  Tick(2.0f);
  const std::vector<TTerrainObject*> fields = ObjectsOfType("field_001");
  ASSERT_FALSE(fields.empty());
  const std::vector<TTerrainObject*> relays = ObjectsOfType("relay_post_on_1");
  const float gap = std::fabs(relays[0]->Position().y - relays[1]->Position().y);
  EXPECT_EQ(fields.size(), static_cast<std::size_t>(gap) - 1);
  for (const TTerrainObject* field : fields) EXPECT_FLOAT_EQ(field->Position().x, relays[0]->Position().x);
}

}  // namespace
