#include "sim/damage_event.h"

#include "app/data_stream.h"
#include "session/id_mapper.h"
#include "world/game_object.h"
#include "world/object_ref.h"
#include "world/terrain_object.h"
#include "world/world.h"

TDamageEvent::TDamageEvent(float time, const TGameObject& target, TWorld& world, float amount)
    : TEvent(time, target.GetCurrentFlags()),
      amount_(amount),
      target_(std::make_unique<TObjectRef>(target.GetId(), &world)),
      world_(&world) {}

TDamageEvent::TDamageEvent(TDataStream& stream, TWorld* world) : TEvent(stream), world_(world) {
  const auto id = static_cast<int32_t>(stream.ReadInt());
  amount_ = stream.ReadFloat();
  target_ = std::make_unique<TObjectRef>(id, world);
}

TDamageEvent::~TDamageEvent() = default;

void TDamageEvent::Apply() {
  TGameObject* target = ResolveTarget();
  if (target == nullptr) return;
  target->TakeDamage(amount_);
  // A destroyed tile leaves the map at the end of the step; the map keeps
  // each id once, so a second blow does not queue it again.
  if (world_ != nullptr && target->TypeName() == TTerrainObject::kTypeName && target->IsDestroyed()) {
    world_->NotifyTileChanged(*target);
  }
}

bool TDamageEvent::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TEvent::Save(stream, idWriter, nameTable)) return false;
  idWriter.WriteId(stream, GetTargetId());
  stream.WriteFloat(amount_);
  return true;
}

int32_t TDamageEvent::GetTargetId() const { return target_->GetId(); }

TGameObject* TDamageEvent::ResolveTarget() const { return target_->Resolve(); }

std::unique_ptr<TEvent> TDamageEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                           const TStringList& /*nameTable*/) {
  auto event = std::make_unique<TDamageEvent>(stream, context.world);
  if (stream.HasFailed()) return nullptr;
  return event;
}

void RegisterDamageEventReader() { TEventFactory::Instance().Register(TDamageEvent::kTypeName, &TDamageEvent::Read); }
