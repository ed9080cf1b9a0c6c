// The records of the simulation's effect objects come from saved games,
// snapshots and turn files: they must survive any bytes, and a list of them
// that loads must save and load again to the same objects.
//
// Input: one byte choosing the stream version (its top bit loads the body
// into the corpse list, which also reads the score table), then the body:
// the type-name table (as the stream files write it) followed by the object
// list.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "../tests/sim/effect_test_support.h"
#include "app/data_stream.h"
#include "app/files.h"
#include "fuzz_scratch_folder.h"
#include "sim/corpse.h"
#include "sim/effect_registration.h"
#include "world/object_list.h"

namespace {

// Versions on both sides of every threshold the effect records test.
const char* const kVersionTags[] = {"Vorhelm-3-10", "Vorhelm-1-05", "Vorhelm-1-09", "Vorhelm-1-10",
                                    "Vorhelm-2-089", "Vorhelm-2-09", "Vorhelm-2-15", "Vorhelm-2-16",
                                    "Vorhelm-3-04", "Vorhelm-3-05"};
constexpr std::size_t kVersionCount = sizeof kVersionTags / sizeof kVersionTags[0];

std::unique_ptr<TGameData> gGameData;

std::unique_ptr<TObjectList> MakeList(bool corpses) {
  if (corpses) return std::make_unique<TCorpseList>();
  return std::make_unique<effect_test::TAnyList>();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolder("effects");
  gGameData = effect_test::MakeRules();
  RegisterEffectRecordReaders();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const char* tag = kVersionTags[(data[0] & 0x7F) % kVersionCount];
  const bool corpses = (data[0] & 0x80) != 0;
  TDataStream stream(tag);
  stream.Body().assign(data + 1, data + size);
  stream.Rewind();

  TStringList names;
  if (!names.Load(stream)) return 0;
  std::unique_ptr<TObjectList> list = MakeList(corpses);
  if (!list->Load(stream, *gGameData, names)) {
    if (!stream.HasFailed()) std::abort();
    return 0;
  }

  // What loaded saves, and loads back to as many objects and the same bytes.
  TDataStream saved(tag);
  TStringList savedNames;
  if (!list->Save(saved, savedNames)) std::abort();
  saved.Rewind();
  std::unique_ptr<TObjectList> reloaded = MakeList(corpses);
  if (!reloaded->Load(saved, *gGameData, savedNames) || reloaded->Count() != list->Count()) std::abort();

  // A turn over the loaded objects, then back to its start.
  list->TakeSnapshot();
  list->Update(1.0f);
  TNewObjects newObjects;
  list->HandleDestroyedAll(newObjects, *gGameData, 1.0f);
  list->EmitEffectsAll(newObjects, *gGameData, 1.0f);
  for (auto& object : newObjects) list->Add(std::move(object));
  list->RemoveDestroyed();
  if (!list->RestoreSnapshot(*gGameData) || list->Count() != reloaded->Count()) std::abort();
  return 0;
}
