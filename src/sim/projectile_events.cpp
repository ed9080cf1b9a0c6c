#include "sim/projectile_events.h"

#include "app/data_stream.h"
#include "session/id_mapper.h"
#include "sim/projectile.h"
#include "world/game_object.h"
#include "world/object_ref.h"
#include "world/world.h"

TBounceEvent::TBounceEvent(float time, const TGameObject& projectile, TObjectList* list, const TVector3& point,
                           const std::string& name)
    : TEvent(time, projectile.GetCurrentFlags()),
      projectile_(std::make_unique<TObjectRef>(projectile.GetId(), list)),
      point_(point),
      name_(name) {
  Apply();
}

TBounceEvent::TBounceEvent(TDataStream& stream, TObjectList* list) : TEvent(stream) {
  const auto id = static_cast<int32_t>(stream.ReadInt());
  projectile_ = std::make_unique<TObjectRef>(id, list);
  point_ = TVector3(stream);
  if (stream.GetVersion() > kNameAbove) name_ = stream.ReadString();
}

TBounceEvent::~TBounceEvent() = default;

void TBounceEvent::Apply() {
  TGameObject* found = projectile_->ResolveProjectile();
  if (found == nullptr) return;
  static_cast<Projectile*>(found)->Bounce(GetTime(), point_, name_);
}

bool TBounceEvent::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TEvent::Save(stream, idWriter, nameTable)) return false;
  idWriter.WriteId(stream, GetProjectileId());
  point_.Write(stream);
  if (stream.GetVersion() > kNameAbove) stream.WriteString(name_);
  return true;
}

int32_t TBounceEvent::GetProjectileId() const { return projectile_->GetId(); }

std::unique_ptr<TEvent> TBounceEvent::Read(TDataStream& stream, const TEventFactoryContext& context,
                                           const TStringList& /*nameTable*/) {
  TObjectList* projectiles = context.world != nullptr ? &context.world->GetProjectiles() : nullptr;
  auto event = std::make_unique<TBounceEvent>(stream, projectiles);
  if (stream.HasFailed()) return nullptr;
  return event;
}

void RegisterProjectileEventReaders() {
  TEventFactory::Instance().Register(TBounceEvent::kTypeName, &TBounceEvent::Read);
}
