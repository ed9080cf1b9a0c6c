// Saved worlds come with turn files and game states from other machines: the
// stream header, the terrain-set name, the name table, the list count and
// every list with its records must survive any bytes, and a world that loads
// must answer its queries and save again into a stream that loads.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/data_stream.h"
#include "app/game_data.h"
#include "fuzz_scratch_folder.h"
#include "world/world.h"

namespace {

// Small rules of the names the records use: a soldier, a grey unit, a
// queen, her egg, a headquarters and an exploding drone.
const char* const kUnitRules =
    "# fuzz rules\n[Version Info]\nVersion = 1.0\n[Unit Data]\n"
    "[Grunt]\nRace = marn\nCost = 4\nSpeed = 5\nEndurance = 100\nArmour = 3\nVision = 14\nVisibility = 1\n"
    "Food Value = 0.5\nTarget Height = 1.1\nLOS Shape = Sphere | 0,0,0.8 | 0.4\nCorpseEndurance = 40\n"
    "Weapon Range = 12\nWeapon Speed = 250\nDamage = 22\nExplosive Radius = 0\nDamage Effect = Bullet\n"
    "Ammunition = 40\nFiringHeight = 1.1\n"
    "[Psyker]\nRace = grey\nCost = 6\nSpeed = 4\nEndurance = 50\nArmour = 2\nVision = 12\nVisibility = 0.5\n"
    "LOS Shape = Sphere | 0,0,0.5 | 0.3\nWeapon Range = 8\nWeapon Speed = 0\nDamage = 5\nExplosive Radius = 0\n"
    "Damage Effect = Mind\nAmmunition = 30\nResupplyEnergy = YES\nShieldRate = 1\n"
    "[Queen]\nRace = spwn\nCost = 8\nSpeed = 2\nEndurance = 200\nArmour = 4\nVision = 10\nVisibility = 1\n"
    "LOS Shape = Sphere | 0,0,0.6 | 0.6\nWeapon Range = 1\nWeapon Speed = 0\nDamage = 30\nExplosive Radius = 0\n"
    "Damage Effect = Claw\nAmmunition = 0\n"
    "[Egg]\nRace = spwn\nCost = 2\nEndurance = 60\nArmour = 2\nVision = 4\nVisibility = 0.8\nTarget Height = 0.3\n"
    "LOS Shape = Sphere | 0,0,0.3 | 0.35\nDamage Effect = None\n"
    "[Drone]\nRace = spwn\nCost = 1\nSpeed = 6\nEndurance = 30\nArmour = 0\nVision = 8\nVisibility = 1\n"
    "Death Explosion Damage = 20\nDeath Explosion Radius = 2\nLOS Shape = Sphere | 0,0,0.3 | 0.3\n"
    "Weapon Range = 1\nWeapon Speed = 0\nDamage = 8\nExplosive Radius = 0\nDamage Effect = Bite\nAmmunition = 0\n"
    "[Marine HQ]\nRace = marn\nCost = 10\nEndurance = 400\nArmour = 6\nVision = 6\nVisibility = 1\n"
    "Death Explosion Damage = 40\nDeath Explosion Radius = 3\nTarget Height = 1.5\n"
    "LOS Shape = Box | -0.9,-0.9,0 | 0.9,0.9,1.5\nDamage Effect = None\nAmmunition = 100\n";

const char* const kWeapons =
    "# fuzz weapons\n[Weapon Data]\n"
    "[Shrapnel]\nWeapon Range = 4\nWeapon Speed = 150\nDamage = 12\nExplosive Radius = 0\n"
    "Damage Effect = Shrapnel\nAmmunition = 0\nAffected By Gravity = NO\nIntegrity = 3\nFiringHeight = 0.5\n";

const char* const kTerrain =
    "# fuzz terrain\n[Terrain Data]\n"
    "[Floor]\nLOF Shape = Box | -0.5,-0.5,-0.1 | 0.5,0.5,0\nType = ground\nDestroyed = none\n"
    "[Wall]\nLOS Shape = Box | -0.5,-0.5,0 | 0.5,0.5,2\nMovement Type = blocked\nType = wall\n"
    "Strength = 10\nDestroyed = Rubble\n"
    "[Rubble]\nType = object\nDestroyed = none\nStrength = 20\n"
    "[Door]\nDoor Type = closed\nNext Door = Opening_Door\nMovement Type = blocked\nType = wall\nDestroyed = none\n"
    "[Opening_Door]\nDoor Type = opening\nNext Door = Open_Door\nType = wall\nDestroyed = none\n"
    "[Open_Door]\nDoor Type = open\nNext Door = Closing_Door\nType = wall\nDestroyed = none\n"
    "[Closing_Door]\nDoor Type = closing\nNext Door = Door\nType = wall\nDestroyed = none\n"
    "[Crate_explosive]\nType = object\nMovement Type = blocked\nStrength = 5\nDestroyed = Rubble\n"
    "Explosion Damage = 30\nExplosion Radius = 2\n"
    "[relay_post_off_1]\nMovement Type = blocked\nType = object\nDestroyed = none\n"
    "[relay_post_on_1]\nMovement Type = blocked\nType = object\nDestroyed = none\n"
    "[field_000]\nLOF Shape = Box | -0.5,-0.05,0 | 0.5,0.05,2\nMovement Type = blocked\nType = object\n"
    "Material = forceField\nDestroyed = none\n";

bool WriteText(const char* path, const char* text) {
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  const std::string content(text);
  const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
  return std::fclose(file) == 0 && written;
}

// The rules the worlds of the corpus are built with, written into the
// current folder's "Configs".
bool WriteWorldFuzzRules() {
  return (mkdir("Configs", 0700) == 0 || errno == EEXIST) && WriteText("Configs/Drannoc Data.cfg", kUnitRules) &&
         WriteText("Configs/Weapons.cfg", kWeapons) && WriteText("Configs/cityData.cfg", kTerrain);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolder("world");
  if (!WriteWorldFuzzRules()) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  TDataStream stream;
  if (!stream.LoadFromBytes(bytes)) return 0;

  // A fresh world for every input: a failed load leaves half a world.
  TWorld world;
  if (!world.HasRules()) std::abort();
  if (!world.Load(stream)) return 0;

  // A world that loaded is whole: its queries and a save must hold.
  const int32_t count = world.Count();
  for (int32_t i = 0; i < count && i < 256; ++i) {
    const TGameObject* object = world.At(i);
    if (object == nullptr) std::abort();
    world.FindById(object->GetId());
  }
  std::vector<TGameObject*> near;
  world.CollectWithinRadius(near, TVector3(1.0f, 1.0f, 0.0f), 3.0f);
  world.GetScore(0);
  world.GetScore(1);

  TDataStream copy(stream.GetVersionTag());
  if (!world.Save(copy)) std::abort();
  TWorld again;
  copy.Rewind();
  if (!again.Load(copy)) std::abort();
  return 0;
}
