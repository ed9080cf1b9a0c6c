#include "sim/world_effect.h"

#include <utility>

#include "display/effect_visuals.h"
#include "sound/effect_sounds.h"
#include "world/bit_set.h"

namespace effect_stream {

std::size_t PointBytes(const TDataStream& stream) {
  return stream.GetVersion() < kCountedPointsBelow ? 4 * sizeof(float) : 3 * sizeof(float);
}

bool CountFits(TDataStream& stream, int32_t count, std::size_t itemBytes) {
  const bool fits = !stream.HasFailed() && count >= 0 &&
                    (itemBytes == 0 || static_cast<std::size_t>(count) <= stream.Remaining() / itemBytes);
  if (!fits) stream.SetFailed();
  return fits;
}

}  // namespace effect_stream

void SetSeenByAll(TGameObject& object) {
  TBitSet bits(object.GetCurrentFlags().Size());
  bits.SetAll(true);
  object.AssignFlags(bits);
}

// --- TSpecialEffectObject ----------------------------------------------------

TSpecialEffectObject::TSpecialEffectObject(const TVector3& position, const std::string& name,
                                           const std::string& visualGroup, float startTime)
    : TGameObject(position),
      name_(name),
      visualGroup_(visualGroup),
      startTime_(startTime),
      duration_(name == kPsychicAttack ? kPsychicAttackDuration : kDuration) {
  visual_ = BuildEffectVisual(Position(), visualGroup_, VisualNameFor(name_, visualGroup_), startTime_,
                              kNewVisualDrawParameter);
  sound_.Start(name_, Position(), startTime_);
}

TSpecialEffectObject::~TSpecialEffectObject() = default;

std::string_view TSpecialEffectObject::VisualNameFor(const std::string& name, const std::string& visualGroup) {
  if (visualGroup.empty()) return "Null";
  return name;
}

void TSpecialEffectObject::Update(float time) {
  if (startTime_ + duration_ <= time) finished_ = true;
  sound_.Update(time);
}

std::unique_ptr<TGameObjectRecord> TSpecialEffectObject::MakeRecord() const {
  return std::make_unique<TSpecialEffectRecord>(*this);
}

bool TSpecialEffectObject::TakeDamage(float /*amount*/) { return IsDestroyed(); }

// --- TSpecialEffectRecord ----------------------------------------------------

TSpecialEffectRecord::TSpecialEffectRecord(const TSpecialEffectObject& effect)
    : TGameObjectRecord(effect),
      name_(effect.GetName()),
      visualGroup_(effect.GetVisualGroup()),
      startTime_(effect.GetStartTime()) {}

TSpecialEffectRecord::TSpecialEffectRecord(TDataStream& stream)
    : TGameObjectRecord(stream), name_(stream.ReadString()), startTime_(stream.ReadFloat()) {
  if (stream.GetVersion() > effect_stream::kSpecialEffectGroupAbove) visualGroup_ = stream.ReadString();
}

std::unique_ptr<TGameObjectRecord> TSpecialEffectRecord::Read(TDataStream& stream, const TStringList& /*nameTable*/) {
  return effect_stream::ReadRecord<TSpecialEffectRecord>(stream);
}

std::unique_ptr<TGameObject> TSpecialEffectRecord::Spawn(const TGameData& /*gameData*/, TObjectList& /*list*/) const {
  auto effect = std::make_unique<TSpecialEffectObject>(GetPosition(), name_, visualGroup_, startTime_);
  effect->SetId(GetId());
  ApplyFlags(*effect);
  return effect;
}

std::unique_ptr<TGameObjectRecord> TSpecialEffectRecord::Clone() const { return CloneThroughStream(*this); }

bool TSpecialEffectRecord::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TGameObjectRecord::Save(stream, idWriter, nameTable)) return false;
  stream.WriteString(name_);
  stream.WriteFloat(startTime_);
  if (stream.GetVersion() > effect_stream::kSpecialEffectGroupAbove) stream.WriteString(visualGroup_);
  return true;
}

// --- TSpecialEffectList ------------------------------------------------------

bool TSpecialEffectList::Save(TDataStream& /*stream*/, TStringList& /*nameTable*/) const { return true; }

bool TSpecialEffectList::Load(TDataStream& /*stream*/, const TGameData& /*gameData*/,
                              const TStringList& /*nameTable*/) {
  return true;
}

void TSpecialEffectList::TakeEffects(TNewObjects& effects, const TEffectRecorder& recorder) {
  for (auto& object : effects) {
    if (object == nullptr || object->TypeName() != TSpecialEffectObject::kTypeName) continue;
    if (recorder) recorder(static_cast<const TSpecialEffectObject&>(*object));
    Add(std::move(object));
  }
  effects.clear();
}
