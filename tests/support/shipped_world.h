// A battle world over a copy of the shipped data set, in a folder of its own
// so that tests running side by side never share files, with helpers that
// hand objects to the world the way a simulation step does.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "app/game_data.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "world/game_data.h"
#include "world/world.h"

namespace test_world {

// Hands the object over as the world's step does and returns it.
inline TGameObject* Place(TWorld& world, std::unique_ptr<TGameObject> object) {
  TGameObject* placed = object.get();
  TNewObjects objects;
  objects.push_back(std::move(object));
  world.AddObjects(objects);
  return placed;
}

// A standing unit of the shipped type with its type's weapon; null (and a
// failed expectation) for a type the rules do not know.
inline Combatant* PlaceUnit(TWorld& world, const std::string& type, int32_t owner, const TVector3& position) {
  const TGameData& data = world.GetGameData();
  const TUnitType* unitType = data.FindUnitType(type);
  EXPECT_NE(unitType, nullptr) << type;
  if (unitType == nullptr) return nullptr;
  return AsCombatant(
      Place(world, std::make_unique<Combatant>(*unitType, data.FindWeaponType(type), owner, position, 0.0f)));
}

class ShippedWorldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(DVX_DATA_DIR, folder_.Path(), std::filesystem::copy_options::recursive);
    DestroyGameDataConfig();
    world_ = std::make_unique<TWorld>();
  }
  void TearDown() override {
    world_.reset();
    DestroyGameDataConfig();
  }

  TGameObject* Place(std::unique_ptr<TGameObject> object) { return test_world::Place(*world_, std::move(object)); }

  TTempFolder folder_;
  std::unique_ptr<TWorld> world_;
};

}  // namespace test_world
