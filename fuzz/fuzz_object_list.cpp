// Object lists come from saved games and turn files: a name table and the
// records of the list must survive any bytes, and a list that loads must save
// and load again to the same objects.
//
// Input: one byte choosing the stream version, then the body: the type-name
// table (as the stream files write it) followed by the object list. The
// records are those of the world tests' crate ("AmmoDump") and shot
// ("Projectile") and the game's own surrogates, which nest other records.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "../tests/world/test_world_objects.h"
#include "app/data_stream.h"
#include "app/files.h"
#include "world/object_list.h"
#include "world/surrogate.h"
#include "fuzz_scratch_folder.h"

namespace {

// Versions on both sides of every threshold the records test.
const char* const kVersionTags[] = {"Vorhelm-3-10", "Vorhelm-1-05", "Vorhelm-1-16", "Vorhelm-1-17"};

std::unique_ptr<TGameData> gGameData;
std::unique_ptr<world_test::TTestRecordReaders> gReaders;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A record that does not spawn is logged to the working folder: keep that
  // out of the caller's folder and swallow the lines.
  fuzz::EnterScratchFolder("objects");
  gGameData = world_test::MakeTestGameData();
  gReaders = std::make_unique<world_test::TTestRecordReaders>();
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
  world_test::TTestList list;
  if (!list.Load(stream, *gGameData, names)) {
    if (!stream.HasFailed()) std::abort();
    return 0;
  }

  // What loaded saves, and loads back to as many objects.
  TDataStream saved(tag);
  TStringList savedNames;
  if (!list.Save(saved, savedNames)) std::abort();
  saved.Rewind();
  world_test::TTestList reloaded;
  if (!reloaded.Load(saved, *gGameData, savedNames) || reloaded.Count() != list.Count()) std::abort();

  // A turn over the loaded objects.
  list.TakeSnapshot();
  TNewObjects newObjects;
  list.HandleDestroyedAll(newObjects, *gGameData, 1.0f);
  for (auto& object : newObjects) list.Add(std::move(object));
  list.RemoveDestroyed();
  if (!list.RestoreSnapshot(*gGameData) || list.Count() != reloaded.Count()) std::abort();
  return 0;
}
