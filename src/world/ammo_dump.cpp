#include "world/ammo_dump.h"

#include "app/data_stream.h"
#include "app/files.h"
#include "app/log.h"
#include "units/unit_shapes.h"
#include "units/unit_type.h"
#include "units/unit_visual_state.h"
#include "world/game_data.h"
#include "world/surrogate.h"

namespace {

// The surrogate that the dump's destruction left gets a link to the object
// made right after it (the explosion), so the players who see the dump go
// also see what it leaves.
void LinkSurrogate(TNewObjects& newObjects) {
  for (std::size_t i = newObjects.size(); i-- > 0;) {
    if (newObjects[i]->TypeName() != Surrogate::kTypeName) continue;
    if (i + 1 < newObjects.size()) {
      static_cast<Surrogate&>(*newObjects[i]).AddLink(std::make_unique<TObjectRef>(newObjects[i + 1].get()));
    }
    return;
  }
}

}  // namespace

// --- AmmoDump ----------------------------------------------------------------

AmmoDump::AmmoDump(const TVector3& position, const TUnitType& unitType, int32_t owner)
    : TGameObject(position),
      owner_(owner),
      endurance_(unitType.GetEndurance()),
      type_(&unitType),
      animator_(std::make_unique<TUnitAnimator>(unitType, Position(), owner)) {
  CreateUnitVolume(unitType, GetLofVolume(), &Position());
  SetFlag(owner, true);
}

AmmoDump::~AmmoDump() = default;

void AmmoDump::Update(float time) { animator_->Advance(time); }

std::unique_ptr<TGameObjectRecord> AmmoDump::MakeRecord() const { return std::make_unique<AmmoDumpRecord>(*this); }

bool AmmoDump::TakeDamage(float amount) {
  if (amount - type_->GetArmour() > 0.0f) {
    endurance_ = EnduranceAfterHit(endurance_, amount, type_->GetArmour());
    animator_->ShowHealth(ShownFraction(endurance_, type_->GetEndurance()));
  }
  return IsDestroyed();
}

void AmmoDump::CommitFlags() {
  TGameObject::CommitFlags();
  SetFlag(owner_, true);
}

void AmmoDump::HandleDestroyed(TNewObjects& newObjects, const TGameData& gameData, float time) {
  TGameObject::HandleDestroyed(newObjects, gameData, time);
  if (!IsDestroyed()) return;
  const std::size_t before = newObjects.size();
  type_->OnDestroyedRemains(Position(), newObjects, time);
  // Whoever sees the dump now sees its remains.
  for (std::size_t i = before; i < newObjects.size(); ++i) newObjects[i]->AssignFlags(GetCurrentFlags());
  LinkSurrogate(newObjects);
}

float AmmoDump::GetRadius() const { return GetLofVolume().MaxGroundRadius(); }

std::string AmmoDump::SubtypeName() const { return type_->GetName(); }

void AmmoDump::SetPosition(const TVector3& point) {
  TGameObject::SetPosition(point);
  animator_->Refresh();
}

void AmmoDump::GetAimPoint(TVector3& out) const {
  out = Position();
  out.z += type_->GetTargetHeight();
}

TVisual* AmmoDump::GetVisual() const { return animator_->GetVisual(); }

void AmmoDump::SetEndurance(float value) {
  endurance_ = value;
  animator_->ShowHealth(ShownFraction(value, type_->GetEndurance()));
}

void AmmoDump::ShowSelected(bool selected) { animator_->ShowSelected(selected); }

// --- AmmoDumpRecord ----------------------------------------------------------

AmmoDumpRecord::AmmoDumpRecord(const AmmoDump& dump)
    : TGameObjectRecord(dump),
      owner_(dump.GetOwner()),
      endurance_(dump.GetEndurance()),
      unitTypeName_(dump.GetType().GetName()) {}

AmmoDumpRecord::AmmoDumpRecord(TDataStream& stream, const TStringList& nameTable)
    : TGameObjectRecord(stream),
      owner_(static_cast<int32_t>(stream.ReadInt())),
      endurance_(stream.ReadFloat()),
      unitTypeName_(ReadUnitTypeNameIndex(stream, nameTable)) {}

std::unique_ptr<TGameObjectRecord> AmmoDumpRecord::Read(TDataStream& stream, const TStringList& nameTable) {
  auto record = std::make_unique<AmmoDumpRecord>(stream, nameTable);
  if (stream.HasFailed()) return nullptr;
  return record;
}

std::unique_ptr<TGameObject> AmmoDumpRecord::Spawn(const TGameData& gameData, TObjectList& /*list*/) const {
  const TUnitType* type = gameData.FindUnitType(unitTypeName_);
  if (type == nullptr) {
    WriteLog("Ammunition dump of unknown unit type \"" + unitTypeName_ + "\"\n");
    return nullptr;
  }
  auto dump = std::make_unique<AmmoDump>(GetPosition(), *type, owner_);
  dump->SetId(GetId());
  ApplyFlags(*dump);
  dump->SetEndurance(endurance_);
  return dump;
}

std::unique_ptr<TGameObjectRecord> AmmoDumpRecord::Clone() const { return CloneThroughStream(*this); }

bool AmmoDumpRecord::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TGameObjectRecord::Save(stream, idWriter, nameTable)) return false;
  stream.WriteInt(static_cast<uint32_t>(owner_));
  stream.WriteFloat(endurance_);
  return WriteUnitTypeNameIndex(stream, nameTable, unitTypeName_);
}

// --- registration ------------------------------------------------------------

void RegisterAmmoDumpRecordReader() {
  TObjectRecordFactory::Instance().Register(AmmoDump::kTypeName, &AmmoDumpRecord::Read);
}
