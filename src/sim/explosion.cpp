#include "sim/explosion.h"

#include <algorithm>

#include "display/effect_visuals.h"
#include "sim/damage_event.h"
#include "sound/effect_sounds.h"
#include "world/world.h"

namespace {

constexpr float kTolerance = 0.0001f;
constexpr float kLightIntensity = 1.0f;
// Stream bytes of one hit: target id, amount, time.
constexpr std::size_t kHitBytes = 3 * 4;

constexpr std::string_view kSmallSound = "Small Explosion";
constexpr std::string_view kLargeSound = "Large Explosion";

Explosion* AsExplosion(TGameObject* object) {
  return object != nullptr && object->TypeName() == Explosion::kTypeName ? static_cast<Explosion*>(object) : nullptr;
}

}  // namespace

// --- Explosion ---------------------------------------------------------------

Explosion::Explosion(const TVector3& position, float damage, float radius, float startTime, bool warp)
    : TGameObject(position),
      damage_(damage),
      radius_(radius),
      startTime_(startTime),
      warp_(warp),
      light_(Position(), kLightIntensity) {
  // Its playback rate, render flag and sprite scale are the visual's once
  // the library builds one.
  visual_ = BuildEffectVisual(Position(), warp_ ? "greyVisual" : "Effects", warp_ ? "Implosion" : "Explosion",
                              startTime_, kNewVisualDrawParameter);
  sound_.Start(GetSoundName(), Position(), startTime_, GetSoundVolume());
  SetSeenByAll(*this);
}

Explosion::~Explosion() = default;

float Explosion::DurationFor(float radius) { return 3.0f * std::max(radius / 10.0f, 1.0f); }

float Explosion::VisualScaleFor(float damage) { return damage < 12.0f ? damage / 12.0f : 1.0f; }

std::string_view Explosion::GetSoundName() const {
  return warp_ || damage_ < kLargeBlastDamage ? kSmallSound : kLargeSound;
}

float Explosion::GetSoundVolume() const {
  if (GetSoundName() == kLargeSound) return 1.0f;
  return std::min(1.0f, (damage_ / 15.0f + 1.0f) * 0.5f);
}

void Explosion::Update(float time) {
  sound_.Update(time);
  if (startTime_ + GetDuration() < time) finished_ = true;
}

std::unique_ptr<TGameObjectRecord> Explosion::MakeRecord() const {
  return std::make_unique<TExplosionRecord>(*this);
}

bool Explosion::TakeDamage(float /*amount*/) { return false; }

const TExplosionHit* Explosion::FindHit(int32_t targetId) const {
  const auto found = std::find_if(hits_.begin(), hits_.end(),
                                  [targetId](const TExplosionHit& hit) { return hit.targetId == targetId; });
  return found != hits_.end() ? &*found : nullptr;
}

void Explosion::DropDueHits(float time) {
  hits_.erase(std::remove_if(hits_.begin(), hits_.end(),
                             [time](const TExplosionHit& hit) { return hit.time < time + kTolerance; }),
              hits_.end());
}

void Explosion::CollectDamage(float time, TWorld& world, std::vector<std::unique_ptr<TEvent>>& out) {
  std::size_t i = 0;
  while (i < hits_.size()) {
    const TExplosionHit& hit = hits_[i];
    if (!(hit.time < time + kTolerance)) {
      ++i;
      continue;
    }
    // A target destroyed or removed since the blast has nothing left to hurt.
    TGameObject* target = world.FindById(hit.targetId);
    if (target != nullptr && !target->IsDestroyed()) {
      out.push_back(std::make_unique<TDamageEvent>(hit.time, *target, world, hit.amount));
    }
    hits_.erase(hits_.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

// --- TExplosionRecord --------------------------------------------------------

TExplosionRecord::TExplosionRecord(const Explosion& explosion)
    : TGameObjectRecord(explosion),
      damage_(explosion.GetDamage()),
      radius_(explosion.GetBlastRadius()),
      startTime_(explosion.GetStartTime()),
      spread_(explosion.HasSpread()),
      warp_(explosion.IsWarp()),
      hits_(explosion.GetHits()) {}

TExplosionRecord::TExplosionRecord(TDataStream& stream)
    : TGameObjectRecord(stream),
      damage_(stream.ReadFloat()),
      radius_(stream.ReadFloat()),
      startTime_(stream.ReadFloat()),
      spread_(stream.ReadByte() != 0) {
  if (stream.GetVersion() > effect_stream::kExplosionWarpAbove) warp_ = stream.ReadByte() != 0;
  const auto count = static_cast<int32_t>(stream.ReadInt());
  if (!effect_stream::CountFits(stream, count, kHitBytes)) return;
  hits_.reserve(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    TExplosionHit hit;
    hit.targetId = static_cast<int32_t>(stream.ReadInt());
    hit.amount = stream.ReadFloat();
    hit.time = stream.ReadFloat();
    hits_.push_back(hit);
  }
}

std::unique_ptr<TGameObjectRecord> TExplosionRecord::Read(TDataStream& stream, const TStringList& /*nameTable*/) {
  return effect_stream::ReadRecord<TExplosionRecord>(stream);
}

std::unique_ptr<TGameObject> TExplosionRecord::Spawn(const TGameData& /*gameData*/, TObjectList& /*list*/) const {
  auto explosion = std::make_unique<Explosion>(GetPosition(), damage_, radius_, startTime_, warp_);
  explosion->SetId(GetId());
  ApplyFlags(*explosion);
  explosion->SetSpread(spread_);
  for (const TExplosionHit& hit : hits_) explosion->AddHit(hit);
  return explosion;
}

std::unique_ptr<TGameObjectRecord> TExplosionRecord::Clone() const { return CloneThroughStream(*this); }

bool TExplosionRecord::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TGameObjectRecord::Save(stream, idWriter, nameTable)) return false;
  stream.WriteFloat(damage_);
  stream.WriteFloat(radius_);
  stream.WriteFloat(startTime_);
  stream.WriteByte(spread_ ? 1 : 0);
  if (stream.GetVersion() > effect_stream::kExplosionWarpAbove) stream.WriteByte(warp_ ? 1 : 0);
  stream.WriteInt(static_cast<uint32_t>(hits_.size()));
  for (const TExplosionHit& hit : hits_) {
    idWriter.WriteId(stream, hit.targetId);
    stream.WriteFloat(hit.amount);
    stream.WriteFloat(hit.time);
  }
  return true;
}

// --- TExplosionList ----------------------------------------------------------

void TExplosionList::Add(std::unique_ptr<TGameObject> object) {
  if (object == nullptr) return;
  if (visualFlag_) SetVisualDisplayMark(object->GetVisual(), true);
  TObjectList::Add(std::move(object));
}

void TExplosionList::Update(TWorld& world) {
  for (int32_t i = 0; i < Count(); ++i) {
    if (Explosion* explosion = AsExplosion(GetAt(i))) explosion->Spread(world);
  }
}

void TExplosionList::CollectDamage(float time, TWorld& world, std::vector<std::unique_ptr<TEvent>>& out) {
  for (int32_t i = 0; i < Count(); ++i) {
    if (Explosion* explosion = AsExplosion(GetAt(i))) explosion->CollectDamage(time, world, out);
  }
}

void TExplosionList::DropDueHits(float time) {
  for (int32_t i = 0; i < Count(); ++i) {
    if (Explosion* explosion = AsExplosion(GetAt(i))) explosion->DropDueHits(time);
  }
}
