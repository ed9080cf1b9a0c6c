#include "sim/shield.h"

#include <algorithm>
#include <limits>

#include "display/effect_visuals.h"
#include "units/combatant.h"
#include "units/unit_type.h"
#include "units/weapon.h"
#include "world/volume.h"

namespace {

constexpr std::string_view kVisualGroup = "greyVisual";
constexpr std::string_view kVisualName = "Shield";

}  // namespace

// --- Shield ------------------------------------------------------------------

Shield::Shield(const TVector3& position, float startTime, Combatant& owner)
    : TGameObject(position), startTime_(startTime), owner_(&owner) {
  visual_ = BuildEffectVisual(Position(), kVisualGroup, kVisualName, startTime_, kNewVisualDrawParameter);
  AddSphere();
  AdoptOwner();
}

Shield::Shield(const TVector3& position, float startTime, int32_t ownerId, TObjectList* ownerList)
    : TGameObject(position), startTime_(startTime), owner_(ownerId, ownerList) {
  visual_ = BuildEffectVisual(Position(), kVisualGroup, kVisualName, startTime_, kBehindVisualDrawParameter);
  AddSphere();
  AdoptOwner();
}

Shield::~Shield() = default;

void Shield::AddSphere() {
  GetLofVolume().Add(std::make_unique<TSphereVolume>(&Position(), TVector3(), kRadius));
}

void Shield::AdoptOwner() {
  const Combatant* owner = ResolveOwner();
  if (owner == nullptr) return;
  SetFlag(owner->GetOwner(), true);
  aimHeight_ = owner->GetType().GetTargetHeight();
}

Combatant* Shield::ResolveOwner() const { return AsCombatant(owner_.Resolve()); }

void Shield::Update(float /*time*/) {
  if (const Combatant* owner = ResolveOwner()) SetPosition(owner->Position());
  RefreshEffectVisual(visual_.get());
}

std::unique_ptr<TGameObjectRecord> Shield::MakeRecord() const { return std::make_unique<TShieldRecord>(*this); }

bool Shield::TakeDamage(float amount) {
  if (Combatant* owner = ResolveOwner()) owner->SpendAmmunition(amount);
  return IsDestroyed();
}

bool Shield::IsDestroyed() const {
  const Combatant* owner = ResolveOwner();
  return owner == nullptr || !owner->GetCanFire();
}

float Shield::GetStrength() const {
  const Combatant* owner = ResolveOwner();
  if (owner == nullptr || owner->GetWeapon() == nullptr) return 0.0f;
  return static_cast<float>(static_cast<int32_t>(owner->GetWeapon()->GetAmmunitionValue() + 0.5f));
}

float Shield::GetRadius() const {
  const TCompoundVolume& volume = GetLofVolume();
  if (volume.IsEmpty()) return 0.0f;
  float smallest = std::numeric_limits<float>::max();
  for (std::size_t i = 0; i < volume.Count(); ++i) smallest = std::min(smallest, volume.At(i)->BoundingRadius());
  return smallest;
}

void Shield::GetAimPoint(TVector3& out) const {
  out = Position();
  out.z += aimHeight_;
}

int32_t Shield::QueryOwner() const {
  const Combatant* owner = ResolveOwner();
  return owner != nullptr ? owner->GetOwner() : -1;
}

void Shield::Relink(TObjectList* list) {
  owner_.SetOwner(list);
  if (const Combatant* owner = ResolveOwner()) aimHeight_ = owner->GetType().GetTargetHeight();
}

bool Shield::Covers(const TVector3& point) const {
  return Position().DistanceTo(point) <= GetRadius() - kCoverMargin;
}

float Shield::CoverValue() const {
  const Combatant* owner = ResolveOwner();
  return owner != nullptr ? owner->GetType().GetCloakingEffect() : 1.0f;
}

// --- TShieldRecord -----------------------------------------------------------

TShieldRecord::TShieldRecord(const Shield& shield)
    : TGameObjectRecord(shield), startTime_(shield.GetStartTime()), ownerId_(shield.GetOwnerId()) {}

TShieldRecord::TShieldRecord(TDataStream& stream)
    : TGameObjectRecord(stream), startTime_(stream.ReadFloat()), ownerId_(static_cast<int32_t>(stream.ReadInt())) {}

std::unique_ptr<TGameObjectRecord> TShieldRecord::Read(TDataStream& stream, const TStringList& /*nameTable*/) {
  return effect_stream::ReadRecord<TShieldRecord>(stream);
}

std::unique_ptr<TGameObject> TShieldRecord::Spawn(const TGameData& /*gameData*/, TObjectList& list) const {
  auto shield = std::make_unique<Shield>(GetPosition(), startTime_, ownerId_, &list);
  shield->SetId(GetId());
  ApplyFlags(*shield);
  return shield;
}

std::unique_ptr<TGameObjectRecord> TShieldRecord::Clone() const { return CloneThroughStream(*this); }

bool TShieldRecord::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TGameObjectRecord::Save(stream, idWriter, nameTable)) return false;
  stream.WriteFloat(startTime_);
  idWriter.WriteId(stream, ownerId_);
  return true;
}

// --- TShieldList -------------------------------------------------------------

Shield* TShieldList::ShieldAt(int32_t index) const {
  TGameObject* object = GetAt(index);
  return object != nullptr && object->TypeName() == Shield::kTypeName ? static_cast<Shield*>(object) : nullptr;
}

void TShieldList::Update(TObjectList& list) {
  for (int32_t i = 0; i < Count(); ++i) {
    if (Shield* shield = ShieldAt(i)) shield->Relink(&list);
  }
}

bool TShieldList::AnyCovers(const TVector3& point) const {
  for (int32_t i = 0; i < Count(); ++i) {
    const Shield* shield = ShieldAt(i);
    if (shield != nullptr && shield->Covers(point)) return true;
  }
  return false;
}

bool TShieldList::FirstCoverAlsoCovers(const TVector3& a, const TVector3& b) const {
  for (int32_t i = 0; i < Count(); ++i) {
    const Shield* shield = ShieldAt(i);
    if (shield != nullptr && shield->Covers(a)) return shield->Covers(b);
  }
  return false;
}

float TShieldList::CoverFactor(const TVector3& point) const {
  float factor = 1.0f;
  for (int32_t i = 0; i < Count(); ++i) {
    const Shield* shield = ShieldAt(i);
    if (shield != nullptr && shield->Covers(point)) factor = std::min(factor, shield->CoverValue());
  }
  return factor;
}
