// Unit records come from saved games and turn files: a list of them must
// survive any bytes, a list that loads must save and load again to the same
// units, and a turn over the loaded units must run.
//
// Input: one byte choosing the stream version, then the body: the type-name
// table (as the stream files write it) followed by a unit list. The units
// are of the unit tests' small rules.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "../tests/units/unit_test_rules.h"
#include "app/data_stream.h"
#include "app/files.h"
#include "fuzz_scratch_folder.h"
#include "units/combatant_list.h"

namespace {

// Versions on both sides of every threshold the unit record tests.
const char* const kVersionTags[] = {"Vorhelm-3-10", "Vorhelm-1-05", "Vorhelm-1-10", "Vorhelm-2-16",
                                    "Vorhelm-2-17", "Vorhelm-3-09"};

std::unique_ptr<TGameData> gGameData;
std::unique_ptr<unit_test::TUnitWorldMakers> gMakers;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolder("units");
  gGameData = unit_test::MakeRules();
  gMakers = std::make_unique<unit_test::TUnitWorldMakers>();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const char* tag = kVersionTags[data[0] % (sizeof kVersionTags / sizeof kVersionTags[0])];
  TDataStream stream(tag);
  stream.Body().assign(data + 1, data + size);
  stream.Rewind();

  TStringList names;
  if (!names.Load(stream)) return 0;
  TCombatantList list;
  if (!list.Load(stream, *gGameData, names)) {
    if (!stream.HasFailed()) std::abort();
    return 0;
  }

  // What loaded saves, and loads back to as many units that save to as many
  // bytes. (Not always the same bytes: a path direction is normalised again
  // when a unit is re-spawned, which may move its last bit.)
  TDataStream saved(tag);
  TStringList savedNames;
  if (!list.Save(saved, savedNames)) std::abort();
  saved.Rewind();
  TCombatantList reloaded;
  if (!reloaded.Load(saved, *gGameData, savedNames) || reloaded.Count() != list.Count()) std::abort();
  TDataStream savedAgain(tag);
  TStringList savedAgainNames;
  if (!reloaded.Save(savedAgain, savedAgainNames) || savedAgain.Body().size() != saved.Body().size()) std::abort();

  // A turn over the loaded units.
  list.TakeSnapshot();
  list.BeginTurn();
  for (int32_t i = 0; i < list.Count(); ++i) {
    if (Combatant* unit = list.UnitAt(i)) {
      unit->MoveToward(TVector3(unit->Position().x + 0.5f, unit->Position().y, 0.0f), 0.5f);
      unit->TakeDamage(25.0f);
    }
  }
  list.Update(1.0f);
  TNewObjects newObjects;
  list.HandleDestroyedAll(newObjects, *gGameData, 1.0f);
  list.EmitEffectsAll(newObjects, *gGameData, 1.0f);
  list.RemoveDestroyed();
  if (!list.RestoreSnapshot(*gGameData) || list.Count() != reloaded.Count()) std::abort();
  return 0;
}
