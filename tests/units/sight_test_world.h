// A battle world of the shipped rules for the sight tests: an empty 40 x 50
// map in a temporary folder of its own, with helpers that place units,
// terrain objects and shields the way a simulation step hands them over.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/game_data.h"
#include "sim/shield.h"
#include "support/shipped_world.h"
#include "support/temp_folder.h"
#include "units/combatant.h"
#include "units/sight_resolver.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/terrain_object.h"
#include "world/world.h"

namespace sight_test {

class SightWorldTest : public test_world::ShippedWorldTest {
 protected:
  void SetUp() override {
    ShippedWorldTest::SetUp();
    sight_ = std::make_unique<TSightResolver>(*world_, nullptr);
  }
  void TearDown() override {
    sight_.reset();
    ShippedWorldTest::TearDown();
  }

  // A standing unit of the shipped type, armed with its type's weapon.
  Combatant* PlaceUnit(float x, float y, int32_t owner = 0, const std::string& type = "Grunt") {
    return test_world::PlaceUnit(*world_, type, owner, TVector3(x, y, 0.0f));
  }

  TTerrainObject* PlaceTile(const std::string& typeName, float x, float y) {
    const TTerrainType* type = world_->GetGameData().FindTerrainType(typeName);
    EXPECT_NE(type, nullptr) << typeName;
    return static_cast<TTerrainObject*>(
        Place(std::make_unique<TTerrainObject>(*type, TVector3(x, y, 0.0f), 0.0f)));
  }

  Shield* PlaceShield(Combatant& owner) {
    return static_cast<Shield*>(Place(std::make_unique<Shield>(owner.Position(), 0.0f, owner)));
  }

  std::unique_ptr<TSightResolver> sight_;
};

}  // namespace sight_test
