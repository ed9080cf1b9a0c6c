#include "world/object_ref.h"

#include <string_view>

#include "world/game_object.h"
#include "world/object_list.h"

namespace {

TGameObject* OfType(TGameObject* object, std::string_view typeName) {
  return object != nullptr && object->TypeName() == typeName ? object : nullptr;
}

}  // namespace

TObjectRef::TObjectRef() = default;

TObjectRef::TObjectRef(TGameObject* object)
    : TIdHolder(object != nullptr ? object->GetId() : -1), cache_(object) {}

TObjectRef::TObjectRef(int32_t id, TObjectList* owner) : TIdHolder(id), owner_(owner) {}

TObjectRef::TObjectRef(const TObjectRef& other) : TIdHolder(other), cache_(other.cache_), owner_(other.owner_) {}

TObjectRef& TObjectRef::operator=(const TObjectRef& other) {
  Assign(other);
  return *this;
}

TObjectRef::~TObjectRef() = default;

bool TObjectRef::IsValid() const { return Resolve() != nullptr; }

void TObjectRef::Reset() {
  SetStoredId(-1);
  cache_ = nullptr;
}

int32_t TObjectRef::GetId() const { return cache_ != nullptr ? cache_->GetId() : StoredId(); }

void TObjectRef::Assign(const TObjectRef& other) {
  if (this == &other) return;
  SetStoredId(other.StoredId());
  owner_ = other.owner_;
  cache_ = other.cache_;
}

void TObjectRef::SetOwner(TObjectList* owner) {
  // The object may have got its id after the reference was made (objects
  // made during a tick are numbered when the world adds them).
  if (cache_ != nullptr) SetStoredId(cache_->GetId());
  owner_ = owner;
  cache_ = nullptr;
}

TGameObject* TObjectRef::Resolve() const {
  if (cache_ != nullptr) return cache_;
  if (StoredId() == -1 || owner_ == nullptr) return nullptr;
  return owner_->FindById(StoredId());
}

TGameObject* TObjectRef::ResolveCombatant() const { return OfType(Resolve(), "Combatant"); }

TGameObject* TObjectRef::ResolveProjectile() const { return OfType(Resolve(), "Projectile"); }
