// The game's own event types read from results files and stored events: any
// bytes must load or be rejected cleanly, and whatever loads must replay
// against a world, save, and load back to as many events.
//
// Input: one byte choosing the form, then the body. Form 0 is a whole list
// (name table, events, "End", turn starts); form 1 is a run of player turns
// appended one after the other until the data ends or a turn is rejected.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "app/data_stream.h"
#include "app/version_info.h"
#include "fuzz_scratch_folder.h"
#include "session/game_record.h"
#include "session/id_mapper.h"
#include "sim/event_factory.h"
#include "sim/event_list.h"
#include "sim/event_registration.h"
#include "sim/world_effect.h"
#include "world/world.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

struct TTargets {
  // A world without rule files: events that name types find none and make
  // nothing, the others change what they find.
  TWorld world;
  TSpecialEffectList effects;
  TGameRecord record;

  TEventFactoryContext Context() {
    TEventFactoryContext context;
    context.world = &world;
    context.specialEffects = &effects;
    context.gameRecord = &record;
    return context;
  }
};

bool LoadInput(TEventList& list, TDataStream& stream, const TEventFactoryContext& context, bool turns) {
  if (!turns) return list.Load(stream, context);
  while (stream.Remaining() > 0) {
    const int32_t before = list.GetEventCount();
    if (!list.LoadTurn(stream, context)) {
      Check(list.GetEventCount() == before);
      break;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolder("game_events");
  RegisterEventReaders();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // Results files are written in the current format; a stream of format
  // 0 would change what some events carry.
  TDataStream stream(kVersionTag);
  stream.Body().assign(data + 1, data + size);
  stream.Rewind();

  TTargets targets;
  const TEventFactoryContext context = targets.Context();
  TEventList list;
  if (!LoadInput(list, stream, context, (data[0] & 1) != 0)) {
    Check(list.GetEventCount() == 0);
    return 0;
  }
  list.PlayUntil(1.0e30f);

  TRawIdMapper ids;
  TDataStream saved(kVersionTag);
  if (!list.Save(saved, ids)) return 0;
  saved.Rewind();
  TEventList reloaded;
  Check(reloaded.Load(saved, context));
  Check(reloaded.GetEventCount() == list.GetEventCount());
  return 0;
}
