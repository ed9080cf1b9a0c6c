// The game's own order kinds read from players' orders files: any bytes
// must read or be refused cleanly, and what reads must run through a turn,
// rewind, and write again to orders that read back to as many.
//
// Input: one byte choosing the id mapper (low bit: a translating mapper,
// else raw ids), then the body: an orders stream in the current format. The
// world holds three units of the unit tests' small rules (ids 0, 1 and 2) on
// no map, so that orders of living and of missing units both occur.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "../tests/units/unit_test_rules.h"
#include "app/data_stream.h"
#include "app/version_info.h"
#include "fuzz_scratch_folder.h"
#include "session/id_mapper.h"
#include "sim/action_resolver.h"
#include "sim/event_list.h"
#include "sim/event_registration.h"
#include "units/order_list.h"
#include "units/order_registration.h"
#include "world/world.h"

namespace {

std::unique_ptr<TGameData> gGameData;

void Check(bool condition) {
  if (!condition) std::abort();
}

void PlaceUnits(TWorld& world) {
  const TUnitType* type = gGameData->FindUnitType("Grunt");
  Check(type != nullptr);
  for (int i = 0; i < 3; ++i) {
    world.Add(std::make_unique<Combatant>(*type, gGameData->FindWeaponType("Grunt"), i % 2,
                                            TVector3(2.0f + 2.0f * static_cast<float>(i), 3.0f, 0.0f), 0.0f));
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolder("game_orders");
  gGameData = unit_test::MakeRules();
  RegisterEventReaders();
  RegisterOrderReaders();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  TDataStream stream(kVersionTag);
  stream.Body().assign(data + 1, data + size);
  stream.Rewind();
  std::unique_ptr<TIdMapper> mapper;
  if ((data[0] & 1) != 0) {
    mapper = std::make_unique<TIdMapper>();
  } else {
    mapper = std::make_unique<TRawIdMapper>();
  }

  // A world of its own per input: the orders change the units they run.
  TWorld world;
  PlaceUnits(world);
  TEventList events;
  TActionResolver resolver(world, nullptr);
  resolver.SetEvents(&events);

  TOrderVector read;
  if (!TOrderList::ReadOrders(read, resolver, *mapper, stream)) {
    Check(read.empty());
    return 0;
  }
  const std::size_t count = read.size();

  TOrderList list;
  list.AddOrders(std::move(read));
  for (float t = 0.0f; t <= 10.0f; t += 0.5f) list.RunTick(t);
  list.Rewind();

  TDataStream written(kVersionTag);
  list.WriteOrders(written);
  written.Rewind();
  TRawIdMapper raw;
  TOrderVector reread;
  Check(TOrderList::ReadOrders(reread, resolver, raw, written));
  Check(reread.size() <= count);
  return 0;
}
