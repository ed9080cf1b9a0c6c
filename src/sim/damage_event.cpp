#include "sim/damage_event.h"

#include "app/data_stream.h"
#include "session/id_mapper.h"
#include "world/game_object.h"
#include "world/object_ref.h"
#include "world/terrain_object.h"
#include "world/world.h"

namespace {

// A reader's event, or null when its fields ran past the stream's end.
template <class TKind>
std::unique_ptr<TEvent> ReadDamage(TDataStream& stream, const TEventFactoryContext& context) {
  auto event = std::make_unique<TKind>(stream, context.world);
  if (stream.HasFailed()) return nullptr;
  return event;
}

}  // namespace

// --- TObjectDamageEvent --------------------------------------------------------

TObjectDamageEvent::TObjectDamageEvent(float time, const TGameObject& target, TWorld& world, float amount)
    : TEvent(time, target.GetCurrentFlags()),
      amount_(amount),
      target_(std::make_unique<TObjectRef>(target.GetId(), &world)),
      world_(&world) {}

TObjectDamageEvent::TObjectDamageEvent(TDataStream& stream, TWorld* world) : TEvent(stream), world_(world) {
  const auto id = static_cast<int32_t>(stream.ReadInt());
  amount_ = stream.ReadFloat();
  target_ = std::make_unique<TObjectRef>(id, world);
}

TObjectDamageEvent::~TObjectDamageEvent() = default;

void TObjectDamageEvent::Apply() {
  TGameObject* target = ResolveTarget();
  if (target == nullptr) return;
  Harm(*target, amount_);
  // A destroyed tile leaves the map at the end of the step; the map keeps
  // each id once, so a second blow does not queue it again.
  if (world_ != nullptr && target->TypeName() == TTerrainObject::kTypeName && target->IsDestroyed()) {
    world_->NotifyTileChanged(*target);
  }
}

bool TObjectDamageEvent::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TEvent::Save(stream, idWriter, nameTable)) return false;
  idWriter.WriteId(stream, GetTargetId());
  stream.WriteFloat(amount_);
  return true;
}

int32_t TObjectDamageEvent::GetTargetId() const { return target_->GetId(); }

TGameObject* TObjectDamageEvent::ResolveTarget() const { return target_->Resolve(); }

// --- TDamageEvent ----------------------------------------------------------------

TDamageEvent::TDamageEvent(float time, const TGameObject& target, TWorld& world, float amount)
    : TObjectDamageEvent(time, target, world, amount) {
  Apply();
}

TDamageEvent::TDamageEvent(TDataStream& stream, TWorld* world) : TObjectDamageEvent(stream, world) {}

void TDamageEvent::Harm(TGameObject& target, float amount) const { target.TakeDamage(amount); }

std::unique_ptr<TEvent> TDamageEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                           const TStringList& /*nameTable*/) {
  return ReadDamage<TDamageEvent>(stream, context);
}

// --- TPsychicDamageEvent -----------------------------------------------------------

TPsychicDamageEvent::TPsychicDamageEvent(float time, const TGameObject& target, TWorld& world, float amount)
    : TObjectDamageEvent(time, target, world, amount) {
  Apply();
}

TPsychicDamageEvent::TPsychicDamageEvent(TDataStream& stream, TWorld* world) : TObjectDamageEvent(stream, world) {}

void TPsychicDamageEvent::Harm(TGameObject& target, float amount) const { target.LoseEndurance(amount); }

std::unique_ptr<TEvent> TPsychicDamageEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                                  const TStringList& /*nameTable*/) {
  return ReadDamage<TPsychicDamageEvent>(stream, context);
}

void RegisterDamageEventReader() { TEventFactory::Instance().Register(TDamageEvent::kTypeName, &TDamageEvent::Read); }

void RegisterPsychicDamageEventReader() {
  TEventFactory::Instance().Register(TPsychicDamageEvent::kTypeName, &TPsychicDamageEvent::Read);
}
