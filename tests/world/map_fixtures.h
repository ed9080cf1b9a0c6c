// Game data and helpers of the terrain-object, map and map-file tests: a
// small terrain set with the cases the rules meet (a wall that is destroyed
// into weaker rubble, a cycle of "Destroyed" names, a name no type bears, an
// exploding barrel, doors, relays, a force field), the shipped "city" set, and
// an effect maker that records what the world asked for.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/vector3.h"
#include "world/game_data.h"
#include "world/game_object.h"
#include "world/map.h"
#include "world/object_record.h"
#include "world/terrain_object.h"
#include "world/world_effects.h"

namespace map_test {

inline const char* const kTerrainText =
    "# Terrain types of the map tests\n"
    "[Terrain Data]\n"
    "[Floor]\nDoor Type = no\nStrength = 100\nDestroyed = none\nMovement Type = empty\n"
    "LOF Shape = Box | -0.5,-0.5,-0.1 | 0.5,0.5,0\nType = ground\n"
    "[Dirt]\nDoor Type = no\nStrength = 2\nDestroyed = Floor\nMovement Type = empty\nType = ground\n"
    "[Pit]\nDoor Type = no\nStrength = 100\nDestroyed = none\nMovement Type = flying\nType = ground\n"
    "[Wall]\nDoor Type = no\nStrength = 10\nDestroyed = Rubble\nMovement Type = blocked\n"
    "LOS Shape = Box | -0.5,-0.5,0 | 0.5,0.5,2\nType = wall\n"
    "[Wall_window]\nDoor Type = no\nStrength = 6\nDestroyed = Rubble\nMovement Type = blocked\n"
    "LOS Shape = Box | -0.5,-0.5,0 | 0.5,0.5,2\nWindow = YES\nType = wall\n"
    "[Rubble]\nDoor Type = no\nStrength = 5\nDestroyed = none\nMovement Type = empty\n"
    "LOF Shape = Box | -0.4,-0.4,0 | 0.4,0.4,0.3\nType = object\n"
    "[Post]\nDoor Type = no\nStrength = 5\nDestroyed = none\nMovement Type = blocked\n"
    "LOS Shape = Box | -0.2,-0.2,0 | 0.2,0.2,1\nType = object\n"
    "[Barrel]\nDoor Type = no\nStrength = 3\nDestroyed = none\nMovement Type = blocked\n"
    "LOS Shape = Box | -0.3,-0.3,0 | 0.3,0.3,1\nExplosion Damage = 25\nExplosion Radius = 1.5\nType = object\n"
    "[LoopA]\nDoor Type = no\nStrength = 0\nDestroyed = LoopB\nMovement Type = blocked\nType = object\n"
    "[LoopB]\nDoor Type = no\nStrength = 0\nDestroyed = LoopA\nMovement Type = blocked\nType = object\n"
    "[Broken]\nDoor Type = no\nStrength = 1\nDestroyed = Nowhere\nMovement Type = blocked\nType = object\n"
    "[Door]\nDoor Type = closed\nNext Door = Open_Door\nStrength = 8\nDestroyed = Rubble\n"
    "Movement Type = blocked\nLOS Shape = Box | -0.5,-0.5,0 | 0.5,0.5,2\nType = wall\n"
    "[Open_Door]\nDoor Type = open\nNext Door = Door\nStrength = 8\nDestroyed = Rubble\n"
    "Movement Type = empty\nType = wall\n"
    "[relay_post_off_1]\nDoor Type = no\nStrength = 25\nDestroyed = none\nMovement Type = blocked\n"
    "LOS Shape = Box | -0.2,-0.2,0 | 0.2,0.2,1.8\nType = object\n"
    "[relay_post_on_1]\nDoor Type = no\nStrength = 25\nDestroyed = none\nMovement Type = blocked\n"
    "LOS Shape = Box | -0.2,-0.2,0 | 0.2,0.2,1.8\nType = object\n"
    "[door_control_north]\nDoor Type = no\nStrength = 5\nDestroyed = none\nMovement Type = blocked\n"
    "Type = object\nAction = ToggleDoorNorth\n"
    "[field_000]\nDoor Type = no\nStrength = 10000\nDestroyed = none\nMovement Type = blocked\n"
    "LOF Shape = Box | -0.5,-0.05,0 | 0.5,0.05,2\nWindow = YES\nType = object\nMaterial = forceField\n";

// The test set under the name "city", so that maps of the default set read with it.
inline std::unique_ptr<TGameData> MakeTestGameData(const std::string& setName = "city") {
  return std::make_unique<TGameData>("", setName, kTerrainText);
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The shipped terrain set.
inline std::unique_ptr<TGameData> MakeCityGameData() {
  return std::make_unique<TGameData>("", "city", ReadFile(std::string(DVX_DATA_DIR) + "/Configs/cityData.cfg"));
}

// A smoke puff or blast as the world asked for it.
class TTestEffect : public TGameObject {
 public:
  TTestEffect(std::string_view typeName, const TVector3& position, float time, float a, float b)
      : TGameObject(position), typeName_(typeName), time_(time), a_(a), b_(b) {}

  std::string_view TypeName() const override { return typeName_; }
  void Update(float /*time*/) override {}
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override { return nullptr; }
  bool TakeDamage(float /*amount*/) override { return false; }
  bool IsDestroyed() const override { return false; }
  float GetCreationTime() const override { return time_; }

  // Smoke: duration; explosion: damage and radius.
  float A() const { return a_; }
  float B() const { return b_; }

 private:
  std::string_view typeName_;
  float time_;
  float a_;
  float b_;
};

// Registers makers of test effects while it lives.
class TTestEffectMakers {
 public:
  TTestEffectMakers() {
    TWorldEffects::SetSmokeMaker([](const TVector3& position, float start, float duration) {
      return std::make_unique<TTestEffect>("Smoke", position, start, duration, 0.0f);
    });
    TWorldEffects::SetExplosionMaker(
        [](const TVector3& position, float damage, float radius, float time, uint8_t /*flag*/) {
          return std::make_unique<TTestEffect>("Explosion", position, time, damage, radius);
        });
  }
  ~TTestEffectMakers() {
    TWorldEffects::SetSmokeMaker(nullptr);
    TWorldEffects::SetExplosionMaker(nullptr);
  }
  TTestEffectMakers(const TTestEffectMakers&) = delete;
  TTestEffectMakers& operator=(const TTestEffectMakers&) = delete;
};

// No smoke or explosion maker while held: a world model without the effect
// objects, whatever an earlier test in the same process registered.
class TNoEffectMakers {
 public:
  TNoEffectMakers() {
    TWorldEffects::SetSmokeMaker(nullptr);
    TWorldEffects::SetExplosionMaker(nullptr);
  }
  TNoEffectMakers(const TNoEffectMakers&) = delete;
  TNoEffectMakers& operator=(const TNoEffectMakers&) = delete;
};

// The type names of the objects, in order.
inline std::vector<std::string> TypeNamesOf(const TNewObjects& objects) {
  std::vector<std::string> names;
  for (const auto& object : objects) {
    names.emplace_back(object->TypeName() == "MapTile" ? object->SubtypeName() : std::string(object->TypeName()));
  }
  return names;
}

// Places a terrain object of the type on the map; null (and a failed
// expectation) when the game data has no such type.
inline TTerrainObject* PlaceTile(TMap& map, const TGameData& data, const std::string& type, float x, float y,
                                 float time = 0.0f) {
  auto object = CreateTerrainObject(type, data, TVector3(x, y, 0.0f), time);
  EXPECT_NE(object, nullptr) << type;
  TTerrainObject* placed = object.get();
  map.Add(std::move(object));
  return placed;
}

}  // namespace map_test
