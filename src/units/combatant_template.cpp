#include "units/combatant_template.h"

#include <cmath>

#include "app/log.h"
#include "units/combatant.h"
#include "units/unit_visual_state.h"
#include "units/weapon.h"
#include "world/game_data.h"
#include "world/stationary_unit.h"

namespace {

// Format versions from which unit records carry later fields.
constexpr float kCreationTimeAbove = 1.0999f;
constexpr float kCanFireAbove = 2.1599f;
constexpr float kFloatAmmunitionAbove = 2.1699f;
constexpr float kNameAbove = 3.0999f;

bool IsFinite(const TVector3& point) {
  return std::isfinite(point.x) && std::isfinite(point.y) && std::isfinite(point.z);
}

}  // namespace

TCombatantTemplate::TCombatantTemplate(const Combatant& unit)
    : TMobileObjectRecord(unit),
      typeName_(unit.GetType().GetName()),
      facing_(unit.GetFacing()),
      owner_(unit.GetOwner()),
      health_(unit.GetEndurance()),
      destination_(unit.GetDestination()),
      visualState_(unit.GetAnimator().GetStateName()),
      visualStateTime_(unit.GetAnimator().GetStateTime()),
      ammunition_(unit.GetWeapon() != nullptr ? unit.GetWeapon()->GetAmmunitionValue() : 0.0f),
      creationTime_(unit.GetCreationTime()),
      foodStore_(unit.GetFoodStore()),
      canFire_(unit.GetCanFire() ? 1 : 0),
      name_(unit.GetName()) {}

TCombatantTemplate::TCombatantTemplate(TDataStream& stream, const TStringList& nameTable)
    : TMobileObjectRecord(stream) {
  typeName_ = ReadUnitTypeNameIndex(stream, nameTable);
  facing_ = static_cast<int32_t>(stream.ReadInt());
  owner_ = static_cast<int32_t>(stream.ReadInt());
  health_ = stream.ReadFloat();
  destination_.Read(stream);
  visualState_ = ReadUnitTypeNameIndex(stream, nameTable);
  visualStateTime_ = stream.ReadFloat();
  const float version = stream.GetVersion();
  if (version > kFloatAmmunitionAbove) {
    ammunition_ = stream.ReadFloat();
  } else {
    ammunition_ = static_cast<float>(static_cast<int32_t>(stream.ReadInt()));
  }
  if (version > kCreationTimeAbove) {
    creationTime_ = stream.ReadFloat();
    foodStore_ = stream.ReadFloat();
  }
  if (version > kCanFireAbove) canFire_ = stream.ReadByte();
  if (version > kNameAbove) name_ = stream.ReadString();
  // No unit is ever saved with a number that is not finite; such a record
  // comes from a damaged or crafted file.
  if (!HasFiniteNumbers()) stream.SetFailed();
}

bool TCombatantTemplate::HasFiniteNumbers() const {
  return IsFinite(GetPosition()) && IsFinite(GetStartPoint()) && IsFinite(GetDirection()) &&
         std::isfinite(GetStartTime()) && std::isfinite(GetSpeed()) && IsFinite(destination_) &&
         std::isfinite(health_) && std::isfinite(visualStateTime_) && std::isfinite(ammunition_) &&
         std::isfinite(creationTime_) && std::isfinite(foodStore_);
}

std::unique_ptr<TGameObjectRecord> TCombatantTemplate::Read(TDataStream& stream, const TStringList& nameTable) {
  auto record = std::make_unique<TCombatantTemplate>(stream, nameTable);
  if (stream.HasFailed()) return nullptr;
  return record;
}

std::string_view TCombatantTemplate::TypeName() const { return Combatant::kTypeName; }

std::unique_ptr<TGameObjectRecord> TCombatantTemplate::Clone() const { return CloneThroughStream(*this); }

bool TCombatantTemplate::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TMobileObjectRecord::Save(stream, idWriter, nameTable)) return false;
  if (!WriteUnitTypeNameIndex(stream, nameTable, typeName_)) return false;
  stream.WriteInt(static_cast<uint32_t>(facing_));
  stream.WriteInt(static_cast<uint32_t>(owner_));
  stream.WriteFloat(health_);
  destination_.Write(stream);
  if (!WriteUnitTypeNameIndex(stream, nameTable, visualState_)) return false;
  stream.WriteFloat(visualStateTime_);
  const float version = stream.GetVersion();
  if (version > kFloatAmmunitionAbove) {
    stream.WriteFloat(ammunition_);
  } else {
    // Older formats count whole rounds.
    stream.WriteInt(static_cast<uint32_t>(static_cast<int32_t>(ammunition_ + 0.5f)));
  }
  if (version > kCreationTimeAbove) {
    stream.WriteFloat(creationTime_);
    stream.WriteFloat(foodStore_);
  }
  if (version > kCanFireAbove) stream.WriteByte(canFire_);
  if (version > kNameAbove) stream.WriteString(name_);
  return true;
}

std::unique_ptr<TGameObject> TCombatantTemplate::Spawn(const TGameData& gameData, TObjectList& /*list*/) const {
  const TUnitType* type = gameData.FindUnitType(typeName_);
  if (type == nullptr) {
    WriteLog("Unit of unknown type \"" + typeName_ + "\" not spawned");
    return nullptr;
  }
  auto unit = std::make_unique<Combatant>(*type, gameData.FindWeaponType(typeName_), owner_, GetPosition(),
                                          creationTime_);
  unit->SetId(GetId());
  // Through AddEndurance, so a saved health above the type's is cut to it.
  unit->AddEndurance(-unit->GetEndurance());
  unit->AddEndurance(health_);
  unit->SetTrajectory(GetDirection(), GetStartPoint(), GetStartTime());
  unit->SetDestination(destination_);
  ApplyFlags(*unit);
  unit->GetAnimator().RestoreState(visualState_, visualStateTime_);
  unit->SetFacing(facing_);
  if (TWeapon* weapon = unit->GetWeapon()) weapon->SetAmmunition(ammunition_);
  unit->SetFoodStore(foodStore_);
  unit->RestoreCanFire(canFire_ != 0);
  unit->SetName(name_);
  return unit;
}

void RegisterCombatantRecordReader() {
  TObjectRecordFactory::Instance().Register(Combatant::kTypeName, &TCombatantTemplate::Read);
}
