#include "sim/smoke.h"

#include "app/random.h"
#include "display/effect_visuals.h"

namespace {

constexpr std::string_view kVisualGroup = "Effects";
constexpr std::string_view kVisualName = "Smoke";

}  // namespace

// --- Smoke -------------------------------------------------------------------

Smoke::Smoke(const TVector3& position, float startTime, float initialDensity)
    : TGameObject(position),
      startTime_(startTime),
      initialDensity_(initialDensity),
      density_(initialDensity),
      // Drawn here, not by the visual library, so that runs with and without
      // a display draw alike.
      visualStartTime_(startTime - GetRandom()->Float(kVisualOffsetRange)) {
  visual_ = BuildEffectVisual(Position(), kVisualGroup, kVisualName, visualStartTime_, kNewVisualDrawParameter);
}

Smoke::~Smoke() = default;

void Smoke::Update(float time) {
  density_ = initialDensity_ - (time - startTime_) * kThinningRate;
  if (density_ < 0.0f) density_ = 0.0f;
  if (density_ <= 0.0f) expired_ = true;
}

std::unique_ptr<TGameObjectRecord> Smoke::MakeRecord() const { return std::make_unique<TSmokeRecord>(*this); }

bool Smoke::TakeDamage(float /*amount*/) { return false; }

float Smoke::SphereOverlap(const TVector3& /*centre*/, float /*radius*/) const { return kThinningRate * density_; }

// --- TSmokeRecord ------------------------------------------------------------

TSmokeRecord::TSmokeRecord(const Smoke& smoke)
    : TGameObjectRecord(smoke),
      startTime_(smoke.GetStartTime()),
      initialDensity_(smoke.GetInitialDensity()),
      density_(smoke.GetDensity()) {}

TSmokeRecord::TSmokeRecord(TDataStream& stream)
    : TGameObjectRecord(stream),
      startTime_(stream.ReadFloat()),
      initialDensity_(stream.ReadFloat()),
      density_(stream.ReadFloat()) {}

std::unique_ptr<TGameObjectRecord> TSmokeRecord::Read(TDataStream& stream, const TStringList& /*nameTable*/) {
  return effect_stream::ReadRecord<TSmokeRecord>(stream);
}

std::unique_ptr<TGameObject> TSmokeRecord::Spawn(const TGameData& /*gameData*/, TObjectList& /*list*/) const {
  auto smoke = std::make_unique<Smoke>(GetPosition(), startTime_, initialDensity_);
  smoke->SetId(GetId());
  ApplyFlags(*smoke);
  smoke->SetDensity(density_);
  return smoke;
}

std::unique_ptr<TGameObjectRecord> TSmokeRecord::Clone() const { return CloneThroughStream(*this); }

bool TSmokeRecord::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TGameObjectRecord::Save(stream, idWriter, nameTable)) return false;
  stream.WriteFloat(startTime_);
  stream.WriteFloat(initialDensity_);
  stream.WriteFloat(density_);
  return true;
}

// --- TSmokeList --------------------------------------------------------------

void TSmokeList::Add(std::unique_ptr<TGameObject> object) {
  if (object == nullptr) return;
  TVisual* visual = object->GetVisual();
  TObjectList::Add(std::move(object));
  if (shown_) SetVisualDisplayMark(visual, true);
}

void TSmokeList::ToggleDisplay() {
  shown_ = !shown_;
  for (int32_t i = 0; i < Count(); ++i) {
    TVisual* visual = GetAt(i)->GetVisual();
    SetVisualDisplayMark(visual, shown_);
    if (!shown_) RefreshEffectVisual(visual);
  }
}
