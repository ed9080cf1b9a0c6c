#include "sim/goo_events.h"

#include "app/data_stream.h"
#include "session/id_mapper.h"
#include "sim/goo.h"
#include "world/game_object.h"
#include "world/object_ref.h"
#include "world/world.h"

TRenewGooEvent::TRenewGooEvent(float time, const Goo& goo, TWorld& world)
    : TEvent(time, goo.GetCurrentFlags()), goo_(std::make_unique<TObjectRef>(goo.GetId(), &world)) {
  Apply();
}

TRenewGooEvent::TRenewGooEvent(TDataStream& stream, TWorld* world) : TEvent(stream) {
  const auto id = static_cast<int32_t>(stream.ReadInt());
  goo_ = std::make_unique<TObjectRef>(id, world);
}

TRenewGooEvent::~TRenewGooEvent() = default;

void TRenewGooEvent::Apply() {
  if (Goo* goo = ResolveGoo()) goo->Renew(GetTime());
}

bool TRenewGooEvent::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TEvent::Save(stream, idWriter, nameTable)) return false;
  idWriter.WriteId(stream, GetGooId());
  return true;
}

int32_t TRenewGooEvent::GetGooId() const { return goo_->GetId(); }

Goo* TRenewGooEvent::ResolveGoo() const {
  TGameObject* object = goo_->Resolve();
  // Ids are reused across lists only by mistake; never renew anything else.
  if (object == nullptr || object->TypeName() != Goo::kTypeName) return nullptr;
  return static_cast<Goo*>(object);
}

std::unique_ptr<TEvent> TRenewGooEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                             const TStringList& /*nameTable*/) {
  auto event = std::make_unique<TRenewGooEvent>(stream, context.world);
  if (stream.HasFailed()) return nullptr;
  return event;
}

void RegisterGooEventReaders() { TEventFactory::Instance().Register(TRenewGooEvent::kTypeName, &TRenewGooEvent::Read); }
