// The rule files a world is built from: "Configs\Drannoc Data.cfg" (unit
// types and their weapons), "Configs\Weapons.cfg" and the terrain set
// "Configs\cityData.cfg". They ship with the game but are edited and swapped
// by players, and a server reads its own copies: whatever they hold, a world
// is built, reports whether it has rules, and its tables describe themselves.
//
// Input: the three texts in that order, separated by NUL bytes (a missing
// part leaves its file absent).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/game_data.h"
#include "fuzz_scratch_folder.h"
#include "platform/file_system.h"
#include "world/game_data.h"
#include "world/world.h"

namespace {

const char* const kRuleFiles[] = {"Configs/Drannoc Data.cfg", "Configs/Weapons.cfg", "Configs/cityData.cfg"};

void Check(bool condition) {
  if (!condition) std::abort();
}

void RemoveRuleFiles() {
  for (const char* path : kRuleFiles) std::remove(path);
}

// Writes each part of the input to its file; parts the input lacks are absent.
void WriteRuleFiles(const std::string& input) {
  RemoveRuleFiles();
  std::size_t start = 0;
  for (const char* path : kRuleFiles) {
    if (start > input.size()) break;
    std::size_t end = input.find('\0', start);
    if (end == std::string::npos) end = input.size();
    Check(platform::WriteWholeFile(path, input.data() + start, end - start));
    start = end + 1;
  }
}

void CheckTables(const TGameData& data) {
  Check(data.GetUnitType(data.GetUnitTypeCount()) == nullptr);
  for (int32_t i = 0; i < data.GetUnitTypeCount(); ++i) {
    const TUnitType& type = *data.GetUnitType(i);
    Check(data.FindUnitType(type.GetName()) != nullptr);
    // A unit offered has its weapon record (a unit whose record was refused
    // is left out).
    Check(data.FindWeaponType(type.GetName()) != nullptr);
  }
  Check(data.GetTerrainType(data.GetTerrainTypeCount()) == nullptr);
  for (int32_t i = 0; i < data.GetTerrainTypeCount(); ++i) {
    const TTerrainType& type = *data.GetTerrainType(i);
    Check(data.FindTerrainType(type.GetName()) != nullptr);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Missing and empty rule files are logged into the working folder.
  fuzz::EnterScratchFolder("rules");
  platform::MakeDirectory("Configs");
  std::atexit([] {
    RemoveRuleFiles();
    std::remove("Configs");
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  WriteRuleFiles(std::string(reinterpret_cast<const char*>(data), size));
  // The data configuration is read once per run of the program: read it again.
  DestroyGameDataConfig();
  TWorld world;
  const TGameData& rules = world.GetGameData();
  CheckTables(rules);
  // A world has rules only when every table has entries.
  if (world.HasRules()) {
    Check(rules.HasRules() && rules.GetUnitTypeCount() > 0 && rules.GetTerrainTypeCount() > 0);
  }
  world.ReloadWeapons();
  CheckTables(world.GetGameData());
  DestroyGameDataConfig();
  return 0;
}
