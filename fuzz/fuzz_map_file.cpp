// Map files come with downloaded and mailed games: the header, the name table,
// the map record and every terrain record must survive any bytes, and a map
// that loads must answer the queries of the game and save again. The input is
// the whole file, read through LoadMapFile.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/data_stream.h"
#include "platform/file_system.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/map_file.h"
#include "world/volume.h"
#include "fuzz_scratch_folder.h"

namespace {

// The kinds of tile the map treats apart: ground, walls, doors, relays, fields.
const char* const kTerrain =
    "# fuzz set\n[Terrain Data]\n"
    "[Floor]\nLOF Shape = Box | -0.5,-0.5,-0.1 | 0.5,0.5,0\nType = ground\nDestroyed = none\n"
    "[Wall]\nLOS Shape = Box | -0.5,-0.5,0 | 0.5,0.5,2\nMovement Type = blocked\nType = wall\n"
    "Strength = 10\nDestroyed = Floor\n"
    "[Door]\nDoor Type = closed\nNext Door = Door\nMovement Type = blocked\nType = wall\nDestroyed = none\n"
    "LOS Shape = Box | -0.5,-0.5,0 | 0.5,0.5,2\n"
    "[Crate]\nLOS Shape = Box | -0.35,-0.35,0 | 0.35,0.35,0.7\nMovement Type = blocked\nType = object\n"
    "Destroyed = none\n"
    "[Rubble]\nType = object\nDestroyed = none\n"
    "[relay_post_off_1]\nMovement Type = blocked\nType = object\nDestroyed = none\n"
    "[relay_post_on_1]\nMovement Type = blocked\nType = object\nDestroyed = none\n"
    "[field_000]\nLOF Shape = Box | -0.5,-0.05,0 | 0.5,0.05,2\nMovement Type = blocked\nType = object\n"
    "Material = forceField\nDestroyed = none\n";

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Refused versions and damaged maps are logged into the working folder.
  fuzz::EnterScratchFolder("map");
  std::atexit([] { std::remove("input.map"); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const std::unique_ptr<TGameData> gameData = std::make_unique<TGameData>("", "city", kTerrain);
  if (!platform::WriteWholeFile("input.map", data, size)) std::abort();
  TMap map(1, 1);
  if (!LoadMapFile("input.map", *gameData, map)) return 0;

  // A map that loaded is whole: its queries and a save must hold.
  TVector3 position;
  TCompoundVolume volume;
  volume.Add(std::make_unique<TSphereVolume>(&position, TVector3(0.0f, 0.0f, 0.5f), 0.3f));
  for (int32_t i = 0; i < map.Count() && i < 64; ++i) {
    const TVector3& at = map.GetAt(i)->Position();
    map.TopObjectAt(at);
    map.IsPlaceFree(at, volume);
    map.CanStep(at, TVector3(at.x + 0.5f, at.y, at.z), volume, "0", nullptr);
    std::vector<TGameObject*> near;
    map.CollectWithinRadius(near, at, 1.0f);
  }
  map.ForceFieldTest(volume);
  TDataStream copy;
  if (!WriteMapBody(copy, map)) std::abort();
  return 0;
}
