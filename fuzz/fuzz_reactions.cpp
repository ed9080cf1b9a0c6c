// Reaction records come from saved games and turn files: a manager must
// read any bytes without harm, refuse what it cannot read with a failed
// stream, and what it read must write and read again to the same records.
//
// Input: one byte choosing the stream version (low bits) and the id mapper
// (high bit: a translating mapper, else raw ids), then the body: a reaction
// manager's stream form. The world holds a few units of the unit tests'
// small rules, so that some records resolve.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "../tests/units/unit_test_rules.h"
#include "app/data_stream.h"
#include "fuzz_scratch_folder.h"
#include "session/id_mapper.h"
#include "units/reaction_manager.h"
#include "world/world.h"

namespace {

// Versions on both sides of every threshold the records test.
const char* const kVersionTags[] = {"Vorhelm-3-10", "Vorhelm-1-0", "Vorhelm-1-09", "Vorhelm-1-10",
                                    "Vorhelm-3-04", "Vorhelm-3-05"};
constexpr uint8_t kTranslateBit = 0x80;
constexpr int32_t kPlayers = 2;

std::unique_ptr<TGameData> gGameData;
std::unique_ptr<TWorld> gWorld;

void PlaceUnits() {
  const char* const types[] = {"Grunt", "Psyker", "Queen"};
  float x = 2.0f;
  for (const char* name : types) {
    const TUnitType* type = gGameData->FindUnitType(name);
    if (type == nullptr) std::abort();
    auto unit = std::make_unique<Combatant>(*type, gGameData->FindWeaponType(name), 0, TVector3(x, 3.0f, 0.0f), 0.0f);
    unit->SetFlag(1, true);
    gWorld->Add(std::move(unit));
    x += 2.0f;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolder("reactions");
  gGameData = unit_test::MakeRules();
  // No rule files here: the world's own tables stay empty, the units bring
  // theirs.
  gWorld = std::make_unique<TWorld>();
  PlaceUnits();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const char* tag = kVersionTags[(data[0] & ~kTranslateBit) % (sizeof kVersionTags / sizeof kVersionTags[0])];
  TDataStream stream(tag);
  stream.Body().assign(data + 1, data + size);
  stream.Rewind();

  std::unique_ptr<TIdMapper> mapper;
  if ((data[0] & kTranslateBit) != 0) {
    mapper = std::make_unique<TIdMapper>();
  } else {
    mapper = std::make_unique<TRawIdMapper>();
  }
  TReactionManager manager(kPlayers, gWorld.get(), nullptr);
  if (!manager.Read(stream, *mapper)) {
    if (!stream.HasFailed() || !manager.GetEntries().empty()) std::abort();
    return 0;
  }

  // What was read writes, reads back to as many records, and writes again
  // to the same bytes.
  TDataStream written(tag);
  if (!manager.Write(written)) std::abort();
  written.Rewind();
  TRawIdMapper raw;
  TReactionManager reread(kPlayers, gWorld.get(), nullptr);
  if (!reread.Read(written, raw) || written.Remaining() != 0) std::abort();
  if (reread.GetEntries().size() != manager.GetEntries().size()) std::abort();
  TDataStream writtenAgain(tag);
  if (!reread.Write(writtenAgain) || writtenAgain.Body() != written.Body()) std::abort();

  // A turn's use of the records.
  manager.SaveCopy();
  manager.BeginTurn();
  manager.RefreshMarkers();
  for (const auto& entry : manager.GetEntries()) {
    const int32_t id = entry->GetUnitId();
    if (manager.GetSightingCode(id) != entry->GetSightingCodeNumber()) std::abort();
    (void)manager.GetCombatCode(id);
  }
  manager.RestoreSaved();
  if (manager.GetEntries().size() != reread.GetEntries().size()) std::abort();
  manager.Reset();
  return 0;
}
