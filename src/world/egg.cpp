#include "world/egg.h"

#include <vector>

#include "app/data_stream.h"
#include "app/files.h"
#include "app/log.h"
#include "app/random.h"
#include "units/combatant.h"
#include "units/unit_shapes.h"
#include "units/unit_type.h"
#include "units/unit_visual_state.h"
#include "world/game_data.h"
#include "world/surrogate.h"

namespace {

constexpr const char* kStandState = "Stand";
constexpr const char* kHatchState = "Hatch";

// The unit types an egg may hatch into, in table order.
std::vector<const TUnitType*> HatchCandidates(const TGameData& gameData) {
  std::vector<const TUnitType*> candidates;
  for (int32_t i = 0; i < gameData.GetUnitTypeCount(); ++i) {
    const TUnitType* type = gameData.GetUnitType(i);
    if (type != nullptr && type->GetRace() == Egg::kHatchRace && type->GetCost() == Egg::kHatchCost) {
      candidates.push_back(type);
    }
  }
  return candidates;
}

}  // namespace

// --- Egg ---------------------------------------------------------------------

Egg::Egg(const TVector3& position, const TUnitType& unitType, int32_t owner, float layTime)
    : TGameObject(position),
      type_(&unitType),
      owner_(owner),
      layTime_(layTime),
      endurance_(unitType.GetEndurance()),
      animator_(std::make_unique<TUnitAnimator>(unitType, Position(), owner)) {
  CreateUnitVolume(unitType, GetLofVolume(), &Position());
  SetFlag(owner, true);
  animator_->SetState(kStandState, layTime);
}

Egg::~Egg() = default;

std::unique_ptr<Egg> Egg::Lay(const TGameData& gameData, const TVector3& position, int32_t owner, float layTime) {
  const TUnitType* type = gameData.FindUnitType(std::string(kUnitTypeName));
  if (type == nullptr) {
    WriteLog("No egg laid: the game data has no unit type \"Egg\"\n");
    return nullptr;
  }
  return std::make_unique<Egg>(position, *type, owner, layTime);
}

void Egg::Update(float time) {
  const float hatchTime = layTime_ + kHatchDelay;
  // Setting the state again does not restart the running animation.
  if (time > hatchTime - kHatchShowLead) animator_->SetState(kHatchState, hatchTime - kHatchShowLead);
  animator_->Advance(time);
  if (time > hatchTime && canHatch_ != 0) {
    hatched_ = 1;
    endurance_ = 0.0f;
  }
}

std::unique_ptr<TGameObjectRecord> Egg::MakeRecord() const { return std::make_unique<EggRecord>(*this); }

bool Egg::TakeDamage(float amount) {
  if (amount - type_->GetArmour() > 0.0f) {
    endurance_ = EnduranceAfterHit(endurance_, amount, type_->GetArmour());
    animator_->ShowHealth(ShownFraction(endurance_, type_->GetEndurance()));
  }
  return IsDestroyed();
}

void Egg::CommitFlags() {
  TGameObject::CommitFlags();
  SetFlag(owner_, true);
}

void Egg::HandleDestroyed(TNewObjects& newObjects, const TGameData& gameData, float time) {
  const std::size_t before = newObjects.size();
  TGameObject::HandleDestroyed(newObjects, gameData, time);
  if (IsDestroyed() && newObjects.size() > before) {
    // Every player sees the egg go.
    TBitSet everyone(newObjects.back()->GetCurrentFlags());
    everyone.SetAll(true);
    newObjects.back()->AssignFlags(everyone);
  }
  if (hatched_ == 0) return;
  if (std::unique_ptr<TGameObject> creature = Hatchling(gameData, time)) newObjects.push_back(std::move(creature));
}

std::unique_ptr<TGameObject> Egg::Hatchling(const TGameData& gameData, float time) const {
  const std::vector<const TUnitType*> candidates = HatchCandidates(gameData);
  // Without a candidate there is nothing to draw from: no creature.
  if (candidates.empty()) {
    WriteLog("Egg hatched without a creature: the game data has no spwn type of cost 1\n");
    return nullptr;
  }
  const int32_t pick = GetRandom()->Int(static_cast<int32_t>(candidates.size()) - 1);
  const TUnitType& type = *candidates[static_cast<std::size_t>(pick)];
  return std::make_unique<Combatant>(type, gameData.FindWeaponType(type.GetName()), owner_, Position(), time);
}

float Egg::GetRadius() const { return GetLofVolume().MaxGroundRadius(); }

std::string Egg::SubtypeName() const { return type_->GetName(); }

void Egg::SetPosition(const TVector3& point) {
  TGameObject::SetPosition(point);
  animator_->Refresh();
}

void Egg::GetAimPoint(TVector3& out) const {
  out = Position();
  out.z += type_->GetTargetHeight();
}

TVisual* Egg::GetVisual() const { return animator_->GetVisual(); }

void Egg::SetEndurance(float value) {
  endurance_ = value;
  animator_->ShowHealth(ShownFraction(value, type_->GetEndurance()));
}

void Egg::ShowSelected(bool selected) { animator_->ShowSelected(selected); }

// --- EggRecord ---------------------------------------------------------------

EggRecord::EggRecord(const Egg& egg)
    : TGameObjectRecord(egg),
      owner_(egg.GetOwner()),
      layTime_(egg.GetLayTime()),
      endurance_(egg.GetEndurance()),
      unitTypeName_(egg.GetType().GetName()) {}

EggRecord::EggRecord(TDataStream& stream, const TStringList& nameTable)
    : TGameObjectRecord(stream),
      owner_(static_cast<int32_t>(stream.ReadInt())),
      layTime_(stream.ReadFloat()),
      endurance_(stream.ReadFloat()),
      unitTypeName_(ReadUnitTypeNameIndex(stream, nameTable)) {}

std::unique_ptr<TGameObjectRecord> EggRecord::Read(TDataStream& stream, const TStringList& nameTable) {
  auto record = std::make_unique<EggRecord>(stream, nameTable);
  if (stream.HasFailed()) return nullptr;
  return record;
}

std::unique_ptr<TGameObject> EggRecord::Spawn(const TGameData& gameData, TObjectList& /*list*/) const {
  const TUnitType* type = gameData.FindUnitType(unitTypeName_);
  if (type == nullptr) {
    WriteLog("Egg of unknown unit type \"" + unitTypeName_ + "\"\n");
    return nullptr;
  }
  auto egg = std::make_unique<Egg>(GetPosition(), *type, owner_, layTime_);
  egg->SetId(GetId());
  ApplyFlags(*egg);
  egg->SetEndurance(endurance_);
  return egg;
}

std::unique_ptr<TGameObjectRecord> EggRecord::Clone() const { return CloneThroughStream(*this); }

bool EggRecord::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TGameObjectRecord::Save(stream, idWriter, nameTable)) return false;
  stream.WriteInt(static_cast<uint32_t>(owner_));
  stream.WriteFloat(layTime_);
  stream.WriteFloat(endurance_);
  return WriteUnitTypeNameIndex(stream, nameTable, unitTypeName_);
}

// --- TEggList ----------------------------------------------------------------

bool TEggList::IsClearOf(TCompoundVolume& volume) const {
  for (int32_t i = 0; i < Count(); ++i) {
    Egg* egg = As(GetAt(i));
    if (egg == nullptr || &egg->GetLofVolume() == &volume) continue;
    if (egg->GetLofVolume().AnyIntersects(volume)) return false;
  }
  return true;
}

void TEggList::UpdateCanHatch(const TObjectList& others) {
  for (int32_t i = 0; i < Count(); ++i) {
    Egg* egg = As(GetAt(i));
    if (egg == nullptr) continue;
    bool covered = false;
    for (int32_t j = 0; j < others.Count() && !covered; ++j) {
      TGameObject* other = others.GetAt(j);
      covered = other != nullptr && egg->GetLofVolume().AnyIntersects(other->GetLofVolume());
    }
    egg->SetCanHatch(!covered);
  }
}

// --- registration ------------------------------------------------------------

void RegisterEggRecordReader() {
  TObjectRecordFactory::Instance().Register(Egg::kTypeName, &EggRecord::Read);
}
