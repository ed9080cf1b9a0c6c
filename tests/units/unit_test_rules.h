// Small rules for the unit tests, written here so that the tests do not
// depend on the numbers of the shipped data: a plain soldier, a grey unit
// whose ammunition soaks hits, an exploding drone that dies when dry, a queen
// and her egg, a splatter, and types whose full values are 0.
#pragma once

#include <memory>
#include <string>

#include "sim/corpse.h"
#include "sim/explosion.h"
#include "units/combatant.h"
#include "units/combatant_template.h"
#include "units/shot_makers.h"
#include "units/unit_type.h"
#include "world/game_data.h"
#include "world/world_effects.h"

namespace unit_test {

inline const char* const kUnitRules =
    "# unit test rules\n"
    "[Unit Data]\n"
    "[Grunt]\n"
    "Race = marn\n"
    "Cost = 4\n"
    "Speed = 5\n"
    "Endurance = 100\n"
    "Armour = 3\n"
    "Vision = 14\n"
    "Visibility = 1\n"
    "Tracking Range = 4\n"
    "Target Height = 1.2\n"
    "LOS Shape = Sphere | 0,0,0.5 | 0.3\n"
    "Weapon Range = 10\n"
    "Weapon Speed = 100\n"
    "Damage = 10\n"
    "Explosive Radius = 0\n"
    "Damage Effect = Bullet\n"
    "Ammunition = 20\n"
    "FiringHeight = 0.9\n"
    "[Psyker]\n"
    "Race = grey\n"
    "Cost = 6\n"
    "Speed = 4\n"
    "Endurance = 50\n"
    "Armour = 2\n"
    "Vision = 12\n"
    "Visibility = 0.5\n"
    "LOS Shape = Sphere | 0,0,0.5 | 0.2\n"
    "Weapon Range = 8\n"
    "Weapon Speed = 0\n"
    "Damage = 5\n"
    "Explosive Radius = 0\n"
    "Damage Effect = Mind\n"
    "Ammunition = 30\n"
    "ResupplyEnergy = yes\n"
    "[Bomb Drone]\n"
    "Race = mech\n"
    "Cost = 3\n"
    "Speed = 8\n"
    "Endurance = 20\n"
    "Armour = 0\n"
    "Ammodeath = yes\n"
    "Death Explosion Damage = 40\n"
    "Death Explosion Radius = 2\n"
    "LOS Shape = Sphere | 0,0,0.3 | 0.4\n"
    "Weapon Range = 6\n"
    "Weapon Speed = 50\n"
    "Damage = 8\n"
    "Explosive Radius = 1\n"
    "Damage Effect = Blast\n"
    "Ammunition = 2\n"
    "[Queen]\n"
    "Race = spwn\n"
    "Cost = 20\n"
    "Endurance = 300\n"
    "Armour = 4\n"
    "LOS Shape = Sphere | 0,0,0.6 | 0.9\n"
    "[Egg]\n"
    "Race = spwn\n"
    "Cost = 2\n"
    "Endurance = 30\n"
    "LOS Shape = Sphere | 0,0,0.2 | 0.3\n"
    "[Splatter]\n"
    "Race = spwn\n"
    "Cost = 1\n"
    "Endurance = 10\n"
    "[Hollow]\n"
    "Race = grey\n"
    "Endurance = 0\n"
    "Weapon Range = 5\n"
    "Weapon Speed = 10\n"
    "Damage = 1\n"
    "Explosive Radius = 0\n"
    "Damage Effect = None\n"
    "Ammunition = 0\n"
    "[Marine HQ]\n"
    "Race = marn\n"
    "Cost = 30\n"
    "Endurance = 200\n"
    "Armour = 5\n";

inline const char* const kTerrain = "# terrain\n[Terrain Data]\n[Floor]\nType = ground\n";

// The rules above; without the type "Egg" when withEgg is false.
inline std::unique_ptr<TGameData> MakeRules(bool withEgg = true) {
  std::string rules = kUnitRules;
  if (!withEgg) {
    const std::size_t from = rules.find("[Egg]\n");
    const std::size_t to = rules.find("[Splatter]\n");
    rules.erase(from, to - from);
  }
  return std::make_unique<TGameData>(rules, "test", kTerrain);
}

// While held: the simulation's corpse and explosion makers, and the unit
// record reader.
class TUnitWorldMakers {
 public:
  TUnitWorldMakers() {
    TShotMakers::SetCorpseMaker(
        [](const TVector3& position, const TUnitType& type, int32_t facing, float time, int32_t owner) {
          return std::make_unique<Corpse>(position, type, facing, time, owner);
        });
    TWorldEffects::SetExplosionMaker([](const TVector3& position, float damage, float radius, float time,
                                        uint8_t flag) {
      return std::make_unique<Explosion>(position, damage, radius, time, flag != 0);
    });
    RegisterCombatantRecordReader();
  }
  ~TUnitWorldMakers() {
    TShotMakers::SetCorpseMaker({});
    TWorldEffects::SetExplosionMaker({});
  }
  TUnitWorldMakers(const TUnitWorldMakers&) = delete;
  TUnitWorldMakers& operator=(const TUnitWorldMakers&) = delete;
};

}  // namespace unit_test
