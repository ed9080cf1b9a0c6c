#include "sim/goo.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "app/random.h"
#include "display/effect_visuals.h"
#include "sound/effect_sounds.h"
#include "world/finite_values.h"

namespace {

constexpr std::string_view kVisualGroup = "spwnVisual";
constexpr std::string_view kExplosionVisual = "GooExplosion";
constexpr std::string_view kExplosionSound = "Goo Explosion";
constexpr float kTolerance = 0.0001f;

bool SamePoint(const TVector3& a, const TVector3& b) { return a.IsWithin(b, kTolerance); }

bool IsDue(float dueTime, float time) { return dueTime < time + kTolerance; }

Goo* AsGoo(TGameObject* object) {
  return object != nullptr && object->TypeName() == Goo::kTypeName ? static_cast<Goo*>(object) : nullptr;
}

GooExplosion* AsGooExplosion(TGameObject* object) {
  return object != nullptr && object->TypeName() == GooExplosion::kTypeName ? static_cast<GooExplosion*>(object)
                                                                             : nullptr;
}

}  // namespace

// --- Goo ---------------------------------------------------------------------

Goo::Goo(const TVector3& position, float startTime)
    : TGameObject(SnapToGrid(position)),
      startTime_(startTime),
      // Drawn here, not by the visual library, so that runs with and without
      // a display draw alike.
      visualNumber_(GetRandom()->Int(kVisualVariants - 1) + 1) {
  const std::string name = "Goo" + std::to_string(visualNumber_);
  visual_ = BuildEffectVisual(Position(), kVisualGroup, name, startTime_, kBehindVisualDrawParameter);
}

Goo::~Goo() = default;

TVector3 Goo::SnapToGrid(const TVector3& position) {
  return TVector3(std::floor(2.0f * position.x + 0.5f) * 0.5f, std::floor(2.0f * position.y + 0.5f) * 0.5f, 0.0f);
}

void Goo::Update(float time) { strength_ = kFullStrength - (time - startTime_) * kDryingRate; }

std::unique_ptr<TGameObjectRecord> Goo::MakeRecord() const { return std::make_unique<TGooRecord>(*this); }

bool Goo::TakeDamage(float amount) {
  damageTaken_ += amount;
  return IsDestroyed();
}

void Goo::Renew(float time) {
  startTime_ = time;
  strength_ = kFullStrength;
  damageTaken_ = 0.0f;
}

void Goo::RestoreState(float strength, float damageTaken) {
  strength_ = strength;
  damageTaken_ = damageTaken;
}

// --- TGooRecord --------------------------------------------------------------

TGooRecord::TGooRecord(const Goo& goo)
    : TGameObjectRecord(goo),
      startTime_(goo.GetStartTime()),
      strength_(goo.GetGooStrength()),
      damageTaken_(goo.GetDamageTaken()) {}

TGooRecord::TGooRecord(TDataStream& stream)
    : TGameObjectRecord(stream),
      startTime_(stream.ReadFloat()),
      strength_(stream.ReadFloat()),
      damageTaken_(stream.ReadFloat()) {}

std::unique_ptr<TGameObjectRecord> TGooRecord::Read(TDataStream& stream, const TStringList& /*nameTable*/) {
  return effect_stream::ReadRecord<TGooRecord>(stream);
}

std::unique_ptr<TGameObject> TGooRecord::Spawn(const TGameData& /*gameData*/, TObjectList& /*list*/) const {
  auto goo = std::make_unique<Goo>(GetPosition(), startTime_);
  goo->RestoreState(strength_, damageTaken_);
  goo->SetId(GetId());
  ApplyFlags(*goo);
  return goo;
}

std::unique_ptr<TGameObjectRecord> TGooRecord::Clone() const { return CloneThroughStream(*this); }

bool TGooRecord::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TGameObjectRecord::Save(stream, idWriter, nameTable)) return false;
  stream.WriteFloat(startTime_);
  stream.WriteFloat(strength_);
  stream.WriteFloat(damageTaken_);
  return true;
}

// --- TGooList ----------------------------------------------------------------

bool TGooList::Load(TDataStream& stream, const TGameData& gameData, const TStringList& nameTable) {
  clockSet_ = false;
  clockTime_ = 0.0f;
  return TObjectList::Load(stream, gameData, nameTable);
}

Goo* TGooList::FindAt(const TVector3& position) const {
  for (int32_t i = 0; i < Count(); ++i) {
    Goo* goo = AsGoo(GetAt(i));
    if (goo != nullptr && SamePoint(goo->Position(), position)) return goo;
  }
  return nullptr;
}

bool TGooList::IsGooNear(const TVector3& point, float distance) const {
  int32_t id = -1;
  return FindGooNear(point, distance, id);
}

bool TGooList::FindGooNear(const TVector3& point, float distance, int32_t& id) const {
  // A patch covers its whole cell, however small the asker.
  const float reach = std::max(distance, Goo::kReach) + kTolerance;
  for (int32_t i = 0; i < Count(); ++i) {
    Goo* goo = AsGoo(GetAt(i));
    if (goo != nullptr && goo->Position().DistanceTo(point) <= reach) {
      id = goo->GetId();
      return true;
    }
  }
  id = -1;
  return false;
}

bool TGooList::TouchesGoo(const TVector3& from, const TVector3& to, float size) const {
  return IsGooNear(from, size) || IsGooNear(to, size);
}

void TGooList::StartGooClock(float time) {
  clockTime_ = time;
  clockSet_ = true;
}

float TGooList::GooDamageSince(float time) const {
  if (!clockSet_) return 0.0f;
  return (time - clockTime_) * Goo::kGooDamage;
}

// --- GooExplosion ------------------------------------------------------------

GooExplosion::GooExplosion(const TVector3& position, float radius, float startTime)
    : TGameObject(position), radius_(radius), startTime_(startTime) {
  visual_ = BuildEffectVisual(Position(), kVisualGroup, kExplosionVisual, startTime_, kNewVisualDrawParameter);
  sound_.Start(kExplosionSound, Position(), startTime_);
  SetSeenByAll(*this);
}

GooExplosion::~GooExplosion() = default;

void GooExplosion::Update(float time) {
  sound_.Update(time);
  if (startTime_ + kDuration < time) finished_ = true;
}

std::unique_ptr<TGameObjectRecord> GooExplosion::MakeRecord() const {
  return std::make_unique<TGooExplosionRecord>(*this);
}

bool GooExplosion::TakeDamage(float /*amount*/) { return IsDestroyed(); }

void GooExplosion::HandleDestroyed(TNewObjects& newObjects, const TGameData& gameData, float time) {
  TGameObject::HandleDestroyed(newObjects, gameData, time);
  // Goo already on a patch has been turned into a renewal by the resolver
  // earlier in the tick; what is still due lands on bare ground.
  auto due = [time](const TPendingGoo& goo) { return IsDue(goo.time, time); };
  for (const TPendingGoo& goo : pending_) {
    if (due(goo)) newObjects.push_back(std::make_unique<Goo>(goo.position, goo.time));
  }
  pending_.erase(std::remove_if(pending_.begin(), pending_.end(), due), pending_.end());
}

void GooExplosion::AddPendingGoo(const TVector3& position, float time) {
  const bool known = std::any_of(pending_.begin(), pending_.end(),
                                 [&position](const TPendingGoo& goo) { return SamePoint(goo.position, position); });
  if (!known) pending_.push_back({position, time});
}

void GooExplosion::DropDueHits(float time) {
  pending_.erase(std::remove_if(pending_.begin(), pending_.end(),
                                [time](const TPendingGoo& goo) { return IsDue(goo.time, time); }),
                 pending_.end());
}

// --- TGooExplosionRecord -----------------------------------------------------

TGooExplosionRecord::TGooExplosionRecord(const GooExplosion& explosion)
    : TGameObjectRecord(explosion),
      radius_(explosion.GetGooRadius()),
      startTime_(explosion.GetStartTime()),
      spread_(explosion.HasSpread()),
      pending_(explosion.GetPendingGoo()) {}

TGooExplosionRecord::TGooExplosionRecord(TDataStream& stream)
    : TGameObjectRecord(stream),
      radius_(stream.ReadFloat()),
      startTime_(stream.ReadFloat()),
      spread_(stream.ReadByte() != 0) {
  // A radius far beyond any weapon's would cost the spread without end.
  if (!(radius_ >= 0.0f && radius_ <= GooExplosion::kMaxGooRadius)) stream.SetFailed();
  RequireFinite(stream, startTime_);
  const auto count = static_cast<int32_t>(stream.ReadInt());
  if (!effect_stream::CountFits(stream, count, effect_stream::PointBytes(stream) + sizeof(float))) return;
  if (count > GooExplosion::kMaxPendingGoo) {
    stream.SetFailed();
    return;
  }
  pending_.reserve(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    TPendingGoo goo;
    goo.position = TVector3(stream);
    goo.time = stream.ReadFloat();
    RequireFinite(stream, goo.position);
    RequireFinite(stream, goo.time);
    if (stream.HasFailed()) return;
    pending_.push_back(goo);
  }
}

std::unique_ptr<TGameObjectRecord> TGooExplosionRecord::Read(TDataStream& stream,
                                                             const TStringList& /*nameTable*/) {
  return effect_stream::ReadRecord<TGooExplosionRecord>(stream);
}

std::unique_ptr<TGameObject> TGooExplosionRecord::Spawn(const TGameData& /*gameData*/, TObjectList& /*list*/) const {
  auto explosion = std::make_unique<GooExplosion>(GetPosition(), radius_, startTime_);
  explosion->SetSpread(spread_);
  for (const TPendingGoo& goo : pending_) explosion->AddPendingGoo(goo.position, goo.time);
  explosion->SetId(GetId());
  ApplyFlags(*explosion);
  return explosion;
}

std::unique_ptr<TGameObjectRecord> TGooExplosionRecord::Clone() const { return CloneThroughStream(*this); }

bool TGooExplosionRecord::Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const {
  if (!TGameObjectRecord::Save(stream, idWriter, nameTable)) return false;
  stream.WriteFloat(radius_);
  stream.WriteFloat(startTime_);
  stream.WriteByte(spread_ ? 1 : 0);
  stream.WriteInt(static_cast<uint32_t>(pending_.size()));
  for (const TPendingGoo& goo : pending_) {
    goo.position.Write(stream);
    stream.WriteFloat(goo.time);
  }
  return true;
}

// --- TGooExplosionList -------------------------------------------------------

void TGooExplosionList::DropDueHits(float time) {
  for (int32_t i = 0; i < Count(); ++i) {
    if (GooExplosion* explosion = AsGooExplosion(GetAt(i))) explosion->DropDueHits(time);
  }
}
