// Orders streams come from the players' orders files: the server must read
// any bytes without harm, refuse what it cannot read with a failed stream
// and nothing added, and what it read must run, rewind and write again to
// orders that read back the same.
//
// Input: one byte choosing the id mapper (low bit: a translating mapper,
// else raw ids), then the body: an orders stream. The world holds three
// units of the unit tests' small rules (ids 0, 1 and 2), so that orders of
// living and of missing units both occur.
//
// The orders are harness orders (a label and an end time after the unit id)
// under the names "Hold", "Deploy", "Retreat" and "OpportunityAttack" (which
// refuses a negative end time); every other order name has no reader, so a
// stream naming one is refused.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "../tests/units/test_orders.h"
#include "../tests/units/unit_test_rules.h"
#include "app/data_stream.h"
#include "fuzz_scratch_folder.h"
#include "session/id_mapper.h"
#include "sim/action_resolver.h"
#include "units/order_list.h"
#include "world/world.h"

namespace {

using order_test::TTestOrder;

std::unique_ptr<TGameData> gGameData;
std::unique_ptr<TWorld> gWorld;
std::unique_ptr<TActionResolver> gResolver;

void Check(bool condition) {
  if (!condition) std::abort();
}

void RegisterHarnessOrders() {
  TOrderFactory& factory = TOrderFactory::Instance();
  for (const char* name : {"Hold", "Deploy", "Retreat"}) {
    const std::string kept = name;
    factory.Register(name, [kept](TDataStream& stream, TActionResolver& resolver, TIdMapper& ids) {
      return std::unique_ptr<TOrder>(std::make_unique<TTestOrder>(stream, resolver, ids, kept));
    });
  }
  factory.Register("OpportunityAttack", [](TDataStream& stream, TActionResolver& resolver, TIdMapper& ids) {
    auto order = std::make_unique<TTestOrder>(stream, resolver, ids, "OpportunityAttack");
    return order->End() < 0.0f ? std::unique_ptr<TOrder>() : std::unique_ptr<TOrder>(std::move(order));
  });
}

void PlaceUnits() {
  const TUnitType* type = gGameData->FindUnitType("Grunt");
  Check(type != nullptr);
  for (int i = 0; i < 3; ++i) {
    gWorld->Add(std::make_unique<Combatant>(*type, gGameData->FindWeaponType("Grunt"), 0,
                                            TVector3(2.0f + 2.0f * static_cast<float>(i), 3.0f, 0.0f), 0.0f));
  }
}

// What a read keeps: no retreat, and a living unit for all but deployments.
void CheckKept(const TOrderVector& orders) {
  for (const auto& order : orders) {
    Check(order != nullptr && order->Name() != "Retreat");
    Check(order->Name() == "Deploy" || order->GetUnit() != nullptr);
  }
}

// A turn of the orders: ticks, a reaction order, a rewind.
void Play(TOrderList& list) {
  for (float t = 0.0f; t <= 10.0f; t += 2.5f) list.RunTick(t);
  if (list.GetChainCount() > 0) {
    const int32_t unit = list.GetChain(0)->UnitId();
    list.Add(std::make_unique<TTestOrder>(unit, *gResolver, "reaction", 1.0f));
    list.MarkReactionStart(unit);
  }
  list.Rewind();
  for (int32_t i = 0; i < list.GetChainCount(); ++i) Check(!list.GetChain(i)->IsEmpty());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::EnterScratchFolder("orders");
  gGameData = unit_test::MakeRules();
  // No rule files here: the world's own tables stay empty, the units bring
  // theirs.
  gWorld = std::make_unique<TWorld>();
  PlaceUnits();
  gResolver = std::make_unique<TActionResolver>(*gWorld, nullptr);
  RegisterHarnessOrders();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  TDataStream stream;
  stream.Body().assign(data + 1, data + size);
  stream.Rewind();
  std::unique_ptr<TIdMapper> mapper;
  if ((data[0] & 1) != 0) {
    mapper = std::make_unique<TIdMapper>();
  } else {
    mapper = std::make_unique<TRawIdMapper>();
  }

  TOrderVector read;
  if (!TOrderList::ReadOrders(read, *gResolver, *mapper, stream)) {
    Check(stream.HasFailed() && read.empty());
    return 0;
  }
  Check(!stream.HasFailed());
  CheckKept(read);
  const std::size_t count = read.size();

  TOrderList list;
  list.AddOrders(std::move(read));
  Check(list.CollectOrders().size() == count);
  Play(list);
  Check(list.CollectOrders().size() == count);

  // The planned orders write, read back to as many, and write again to the
  // same bytes.
  TDataStream written;
  list.WriteOrders(written);
  written.Rewind();
  TRawIdMapper raw;
  TOrderVector reread;
  Check(TOrderList::ReadOrders(reread, *gResolver, raw, written) && written.Remaining() == 0);
  Check(reread.size() == count);
  TOrderList again;
  again.AddOrders(std::move(reread));
  TDataStream writtenAgain;
  again.WriteOrders(writtenAgain);
  Check(writtenAgain.Body() == written.Body());
  return 0;
}
