#include "sim/corpse.h"

#include <algorithm>
#include <string>

#include "app/log.h"
#include "display/effect_visuals.h"
#include "display/unit_visual_hooks.h"
#include "session/sides.h"
#include "sound/effect_sounds.h"
#include "units/unit_type.h"
#include "world/game_data.h"

namespace {

constexpr float kAimHeight = 0.2f;
constexpr float kDrawParameter = -0.499f;

bool IsPlayer(int32_t owner) { return owner >= 0 && owner < Corpse::kPlayerCount; }

const Corpse* AsCorpse(const TGameObject* object) {
  return object != nullptr && object->TypeName() == Corpse::kTypeName ? static_cast<const Corpse*>(object)
                                                                       : nullptr;
}

}  // namespace

// --- Corpse ------------------------------------------------------------------

Corpse::Corpse(const TVector3& position, const TUnitType& unitType, int32_t facing, float deathTime, int32_t owner)
    : TGameObject(position), unitType_(&unitType), facing_(facing), deathTime_(deathTime), owner_(owner) {
  visual_ = BuildEffectVisual(Position(), DeathVisualGroup(unitType), DeathVisualName(unitType), deathTime_,
                              kDrawParameter, owner_);
  // A death visual holds one fall per facing.
  SelectVisualChild(visual_.get(), facing_);
}

Corpse::~Corpse() = default;

std::string Corpse::DeathVisualGroup(const TUnitType& unitType) { return unitType.GetRace() + "Visual"; }

std::string Corpse::DeathVisualName(const TUnitType& unitType) { return unitType.GetName() + "Death"; }

std::string Corpse::DeathSoundName(const TUnitType& unitType) { return unitType.GetName() + " Death"; }

void Corpse::Update(float time) {
  if (!started_) {
    started_ = true;
    if (time <= deathTime_ + kDeathSoundWindow) {
      deathSoundStarted_ = true;
      sound_.Start(DeathSoundName(*unitType_), Position(), deathTime_);
    }
  }
  sound_.Update(time);
}

std::unique_ptr<TGameObjectRecord> Corpse::MakeRecord() const { return std::make_unique<TCorpseRecord>(*this); }

bool Corpse::TakeDamage(float amount) {
  if (amount >= unitType_->GetCorpseEndurance()) destroyed_ = true;
  return IsDestroyed();
}

bool Corpse::FlagChanged(int32_t index) const {
  if (index == owner_ && !TestFlag(index)) {
    // Corpses are only ever made and owned as mutable objects by their list;
    // the query is where the sight pass looks at the owner's bit.
    const_cast<Corpse*>(this)->SetFlag(index, true);
  }
  return TGameObject::FlagChanged(index);
}

std::string Corpse::SubtypeName() const { return unitType_->GetName(); }

void Corpse::GetAimPoint(TVector3& out) const {
  out = Position();
  out.z += kAimHeight;
}

float Corpse::GetFoodValue() const { return unitType_->GetFoodValue(); }

float Corpse::GetUnitCost() const { return unitType_->GetCost(); }

// --- TCorpseRecord -----------------------------------------------------------

TCorpseRecord::TCorpseRecord(const Corpse& corpse)
    : TGameObjectRecord(corpse),
      unitTypeName_(corpse.GetUnitType().GetName()),
      facing_(corpse.GetFacing()),
      deathTime_(corpse.GetDeathTime()),
      owner_(corpse.GetOwner()) {}

TCorpseRecord::TCorpseRecord(TDataStream& stream, const TStringList& nameTable) : TGameObjectRecord(stream) {
  const uint16_t index = stream.ReadShort();
  facing_ = static_cast<int32_t>(stream.ReadInt());
  deathTime_ = stream.ReadFloat();
  owner_ = static_cast<int32_t>(stream.ReadInt());
  if (stream.HasFailed() || index >= nameTable.Count() || !IsPlayer(owner_)) {
    stream.SetFailed();
    return;
  }
  unitTypeName_ = nameTable.At(index);
}

std::unique_ptr<TGameObjectRecord> TCorpseRecord::Read(TDataStream& stream, const TStringList& nameTable) {
  return effect_stream::ReadRecord<TCorpseRecord>(stream, nameTable);
}

std::unique_ptr<TGameObject> TCorpseRecord::Spawn(const TGameData& gameData, TObjectList& /*list*/) const {
  const TUnitType* unitType = gameData.FindUnitType(unitTypeName_);
  if (unitType == nullptr) return nullptr;
  auto corpse = std::make_unique<Corpse>(GetPosition(), *unitType, facing_, deathTime_, owner_);
  corpse->SetId(GetId());
  ApplyFlags(*corpse);
  return corpse;
}

std::unique_ptr<TGameObjectRecord> TCorpseRecord::Clone() const { return CloneThroughStream(*this); }

bool TCorpseRecord::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TGameObjectRecord::Save(stream, idWriter, nameTable)) return false;
  const int16_t index = nameTable.IndexOf(unitTypeName_);
  if (index < 0) return false;
  stream.WriteShort(static_cast<uint16_t>(index));
  stream.WriteInt(static_cast<uint32_t>(facing_));
  stream.WriteFloat(deathTime_);
  stream.WriteInt(static_cast<uint32_t>(owner_));
  return true;
}

// --- TCorpseList -------------------------------------------------------------

TCorpseList::TCorpseList() : scores_(static_cast<std::size_t>(TSides::Instance()->GetSideCount()), 0.0f) {}

void TCorpseList::Add(std::unique_ptr<TGameObject> object) {
  if (object == nullptr) return;
  if (const Corpse* corpse = AsCorpse(object.get())) {
    const int32_t owner = corpse->GetOwner();
    const auto scorer = static_cast<std::size_t>(1 - owner);
    if (IsPlayer(owner) && scorer < scores_.size()) {
      scores_[scorer] += corpse->GetUnitCost();
    } else {
      WriteLog("Corpse of a unit of player " + std::to_string(owner) + " scores for nobody\n");
    }
  }
  TObjectList::Add(std::move(object));
}

void TCorpseList::TakeSnapshot() {
  TObjectList::TakeSnapshot();
  snapshotScores_ = scores_;
}

bool TCorpseList::RestoreSnapshot(const TGameData& gameData) {
  const bool restored = TObjectList::RestoreSnapshot(gameData);
  // The restored corpses were counted again on their way in.
  if (snapshotScores_.size() == scores_.size()) scores_ = snapshotScores_;
  return restored;
}

bool TCorpseList::Save(TDataStream& stream, TStringList& nameTable) const {
  if (!TObjectList::Save(stream, nameTable)) return false;
  if (stream.GetVersion() > effect_stream::kCorpseScoresAbove) {
    stream.WriteInt(static_cast<uint32_t>(scores_.size()));
    for (float score : scores_) stream.WriteFloat(score);
  }
  return true;
}

bool TCorpseList::Load(TDataStream& stream, const TGameData& gameData, const TStringList& nameTable) {
  // The scores of an old stream are what its corpses count.
  std::fill(scores_.begin(), scores_.end(), 0.0f);
  if (!TObjectList::Load(stream, gameData, nameTable)) return false;
  if (stream.GetVersion() <= effect_stream::kCorpseScoresAbove) return true;
  const auto count = static_cast<int32_t>(stream.ReadInt());
  if (!effect_stream::CountFits(stream, count, sizeof(float))) return false;
  for (int32_t i = 0; i < count; ++i) {
    const float score = stream.ReadFloat();
    if (static_cast<std::size_t>(i) < scores_.size()) scores_[static_cast<std::size_t>(i)] = score;
  }
  return !stream.HasFailed();
}

float TCorpseList::GetScore(int32_t player) const {
  if (player < 0 || static_cast<std::size_t>(player) >= scores_.size()) return 0.0f;
  return scores_[static_cast<std::size_t>(player)];
}

int32_t TCorpseList::FindNearest(const TVector3& position) const {
  int32_t nearest = -1;
  float nearestDistance = 0.0f;
  for (int32_t i = 0; i < Count(); ++i) {
    const TGameObject* object = GetAt(i);
    if (AsCorpse(object) == nullptr) continue;
    const float distance = object->Position().DistanceTo(position);
    if (distance > kFindDistance) continue;
    if (nearest < 0 || distance < nearestDistance) {
      nearest = i;
      nearestDistance = distance;
    }
  }
  return nearest;
}
