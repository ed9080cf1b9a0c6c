// Rules for the projectile flight tests: weapons of known speeds and ranges
// (speeds in the file are per turn: 100 gives 10 per time unit), and a unit
// type with a solid shape to shoot at.
#pragma once

#include <memory>

#include "world/game_data.h"

namespace shot_test {

inline const char* const kRules =
    "# shot test rules\n"
    "[Unit Data]\n"
    "[Grunt]\n"
    "Race = marn\n"
    "Endurance = 100\n"
    "LOS Shape = Box | -0.2,-0.2,0 | 0.2,0.2,1.0\n"
    "Weapon Range = 10\n"
    "Weapon Speed = 100\n"
    "Damage = 10\n"
    "Explosive Radius = 0\n"
    "Damage Effect = Bullet\n"
    "Ammunition = 20\n"
    "[Grenadier]\n"
    "Race = marn\n"
    "Weapon Range = 12\n"
    "Weapon Speed = 40\n"
    "Damage = 25\n"
    "Explosive Radius = 2\n"
    "Damage Effect = Blast\n"
    "Ammunition = 10\n"
    "[Warp Gunner]\n"
    "Race = grey\n"
    "Weapon Range = 16\n"
    "Weapon Speed = 80\n"
    "Damage = 20\n"
    "Explosive Radius = 1\n"
    "Damage Effect = Warp\n"
    "Ammunition = 6\n"
    "[Goo Spitter]\n"
    "Race = spwn\n"
    "Weapon Range = 10\n"
    "Weapon Speed = 100\n"
    "Damage = 30\n"
    "Explosive Radius = 1.5\n"
    "Damage Effect = Goo\n"
    "Ammunition = 6\n"
    "[Missile Tank]\n"
    "Race = mech\n"
    "Weapon Range = 16\n"
    "Weapon Speed = 160\n"
    "Damage = 75\n"
    "Explosive Radius = 1\n"
    "Damage Effect = Blast\n"
    "Ammunition = 6\n"
    "[Short]\n"
    "Race = marn\n"
    "Weapon Range = 1\n"
    "Weapon Speed = 100\n"
    "Damage = 10\n"
    "Explosive Radius = 0\n"
    "Damage Effect = Bullet\n"
    "Ammunition = 6\n";

inline const char* const kWeapons =
    "# shot test weapons\n"
    "[Weapon Data]\n"
    "[Shrapnel]\n"
    "Race = mech\n"
    "Weapon Range = 4\n"
    "Weapon Speed = 150\n"
    "Damage = 12\n"
    "Explosive Radius = 0\n"
    "Damage Effect = Shrapnel\n"
    "Ammunition = 0\n"
    "Affected By Gravity = NO\n"
    "Integrity = 3\n";

inline const char* const kTerrain = "# terrain\n[Terrain Data]\n[Floor]\nType = ground\n";

inline std::unique_ptr<TGameData> MakeRules() {
  return std::make_unique<TGameData>(kRules, "test", kTerrain, kWeapons);
}

}  // namespace shot_test
