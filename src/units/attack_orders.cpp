#include "units/attack_orders.h"

#include <cmath>
#include <utility>

#include "app/data_stream.h"
#include "app/random.h"
#include "app/text_utils.h"
#include "session/id_mapper.h"
#include "sim/action_resolver.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/order_factory.h"
#include "units/sight_resolver.h"
#include "units/unit_type.h"
#include "units/weapon.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/object_ref.h"
#include "world/surrogate.h"
#include "world/world.h"
#include "world/finite_values.h"

namespace {

constexpr const char* kAimState = "Aim";
constexpr const char* kFireState = "Fire";
constexpr std::string_view kAttackUnitMarker = "AttackUnit";
constexpr std::string_view kAttackTerrainMarker = "AttackTerrain";

TVector3 AtHeight(const TVector3& point, float z) { return TVector3(point.x, point.y, z); }

bool SamePlace(const TVector3& a, const TVector3& b) { return a.IsWithin(b, TOrder::kTolerance); }

// Units, dumps and eggs are shot at through the line-of-fire test; anything
// else (terrain, a surrogate) is fired at regardless.
bool IsShootableKind(const TGameObject& object) {
  const std::string_view kind = object.TypeName();
  return kind == Combatant::kTypeName || kind == AmmoDump::kTypeName || kind == Egg::kTypeName;
}

}  // namespace

// --- TAttackMarker ---------------------------------------------------------------------

TAttackMarker::TAttackMarker(std::string name)
    : name_(std::move(name)), legs_(1), visual_(BuildOrderMarkerVisual(name_, nullptr)) {}

void TAttackMarker::SetColour(const TColour& colour) {
  colour_ = colour;
  TintOrderMarkerVisual(visual_.get(), &*colour_, 1.0f);
}

void TAttackMarker::Show(bool show) {
  shown_ = show;
  ShowOrderMarkerVisual(visual_.get(), show);
}

void TAttackMarker::AddLeg() {
  legs_.emplace_back();
  AddOrderMarkerLeg(visual_.get());
  changed_ = true;
}

void TAttackMarker::RemoveLastLeg() {
  if (legs_.size() <= 1) return;
  legs_.pop_back();
  RemoveOrderMarkerLeg(visual_.get());
  changed_ = true;
}

void TAttackMarker::PlaceLeg(int32_t leg) {
  const TLeg& parts = legs_[static_cast<std::size_t>(leg)];
  for (int32_t i = 0; i < kPartCount; ++i) {
    const TPart& part = parts[static_cast<std::size_t>(i)];
    SetOrderMarkerPartEnds(visual_.get(), leg, i, part.from, part.to);
  }
}

void TAttackMarker::Stretch(int32_t leg, const TVector3& from, const TVector3& to) {
  if (leg < 0 || leg >= LegCount()) return;
  TLeg& parts = legs_[static_cast<std::size_t>(leg)];
  for (int32_t i = 0; i < kPartCount; ++i) {
    TPart& part = parts[static_cast<std::size_t>(i)];
    part.from = AtHeight(from, i < 2 ? kRaisedHeight : 0.0f);
    part.to = to;
  }
  PlaceLeg(leg);
  changed_ = true;
}

void TAttackMarker::StretchLevel(int32_t leg, const TVector3& from, const TVector3& to) {
  if (leg < 0 || leg >= LegCount()) return;
  TLeg& parts = legs_[static_cast<std::size_t>(leg)];
  for (int32_t i = 0; i < kPartCount; ++i) {
    const float z = i < 2 ? kRaisedHeight : 0.0f;
    TPart& part = parts[static_cast<std::size_t>(i)];
    part.from = AtHeight(from, z);
    part.to = AtHeight(to, z);
  }
  PlaceLeg(leg);
  changed_ = true;
}

// --- TAttackOrder ------------------------------------------------------------------------

TAttackOrder::TAttackOrder() = default;

TAttackOrder::TAttackOrder(int32_t unitId, TActionResolver& resolver)
    : TOrder(unitId, resolver), aimJitter_(DrawAimJitter()) {}

TAttackOrder::TAttackOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TOrder(stream, resolver, ids), targetPoint_(stream), aimJitter_(DrawAimJitter()) {
  RequireFinite(stream, targetPoint_);
}

TAttackOrder::~TAttackOrder() = default;

float TAttackOrder::DrawAimJitter() { return GetRandom()->FloatRange(-kJitterRange, kJitterRange); }

bool TAttackOrder::Load(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids) {
  if (!TOrder::Load(stream, resolver, ids)) return false;
  targetPoint_.Read(stream);
  RequireFinite(stream, targetPoint_);
  aimJitter_ = DrawAimJitter();
  return true;
}

void TAttackOrder::Begin() { PlaceMarker(); }

bool TAttackOrder::IsUnitOnTheWay(const Combatant& unit) {
  return !SamePlace(unit.Position(), unit.GetDestination()) || unit.IsWarping();
}

bool TAttackOrder::Update(float now) {
  Combatant* unit = GetUnit();
  if (!IsUnitValid() || unit == nullptr || !unit->HasRoundsForAShot()) {
    // The order ends where it is given the time: nothing of it is left over.
    SetTimeUsed(0.0f);
    IdleRest(now);
    return true;
  }
  if (IsUnitOnTheWay(*unit)) return false;
  if (!started_) {
    started_ = true;
    startTime_ = now;
    // A unit still in its firing pose aims straight from it; spawn creatures
    // always take up the aim again.
    if (unit->GetType().IsSpawnRace() || unit->GetVisualState() != kFireState) {
      GetResolver()->SetAnimation(*unit, startTime_, kAimState);
    }
  }
  UpdateTarget();
  if (IsDone(now)) {
    IdleRest(now);
    return true;
  }
  return AimAndFire(*unit, now);
}

bool TAttackOrder::AimAndFire(Combatant& unit, float now) {
  GetResolver()->TurnToFace(unit, now, targetPoint_);
  const float aimEnd = startTime_ + unit.GetAimTime() + aimJitter_;
  const float over = now - aimEnd;
  if (over >= -kShotLead && !shotAnnounced_) {
    // A blocked line costs the aim but not the order.
    if (CanShoot()) Fire(aimEnd - kShotLead, now);
    shotAnnounced_ = true;
  }
  if (over < 0.0f) return false;
  if (EndsAfterShot()) {
    // The next order starts at the moment the aim ended.
    SetTimeUsed(over);
    IdleRest(now);
    return true;
  }
  Rearm(now - over);
  return false;
}

void TAttackOrder::ShowMarker(bool show) {
  if (!IsUnitValid() || marker_ == nullptr) return;
  marker_->Show(show);
}

void TAttackOrder::Reset() {
  TOrder::Reset();
  started_ = false;
  startTime_ = 0.0f;
  shotAnnounced_ = false;
  UpdateTarget();
  if (marker_ != nullptr) marker_->MarkChanged();
}

void TAttackOrder::Write(TDataStream& stream) const {
  stream.WriteString(std::string(Name()));
  TOrder::Write(stream);
  targetPoint_.Write(stream);
}

void TAttackOrder::Fire(float shotTime, float /*now*/) {
  Combatant* unit = GetUnit();
  if (unit != nullptr) GetResolver()->FireWeapon(*unit, targetPoint_, shotTime);
}

bool TAttackOrder::IsDone(float /*now*/) {
  const Combatant* unit = GetUnit();
  if (unit == nullptr) return false;
  const TVector3& at = unit->Position();
  return std::fabs(targetPoint_.x - at.x) <= kTolerance && std::fabs(targetPoint_.y - at.y) <= kTolerance;
}

void TAttackOrder::Rearm(float now) {
  startTime_ = now;
  aimJitter_ = DrawAimJitter();
  shotAnnounced_ = false;
  Combatant* unit = GetUnit();
  if (unit != nullptr && unit->GetType().IsSpawnRace()) GetResolver()->SetAnimation(*unit, now, kAimState);
}

void TAttackOrder::PlaceMarker() {
  if (marker_ == nullptr) return;
  marker_->Stretch(0, StartPosition(), targetPoint_);
}

void TAttackOrder::SetTargetPoint(const TVector3& point) {
  targetPoint_ = point;
  PlaceMarker();
}

float TAttackOrder::UnitAimTime() const {
  const Combatant* unit = GetUnit();
  return unit != nullptr ? unit->GetAimTime() : 0.0f;
}

bool TAttackOrder::IsAimableFrom(const Combatant& unit, const TVector3& point, bool equalIsWithin) {
  const TVector3 firing = unit.GetFiringPoint();
  const float distance = firing.DistanceTo(point);
  const float radius = unit.GetRadius();
  if (equalIsWithin ? distance <= radius : distance < radius) return false;
  return !SamePlace(firing, point);
}

// --- TAttackElementOrder -------------------------------------------------------------------

TAttackElementOrder::TAttackElementOrder(int32_t unitId, TActionResolver& resolver, const TGameObject& target,
                                         TObjectList* targetList, const std::optional<TVector3>& aimOffset)
    : TAttackOrder(unitId, resolver) {
  InitTarget(target.GetId(), targetList, aimOffset);
}

TAttackElementOrder::TAttackElementOrder(int32_t unitId, TActionResolver& resolver, int32_t targetId,
                                         const std::optional<TVector3>& aimOffset)
    : TAttackOrder(unitId, resolver) {
  InitTarget(targetId, &resolver.GetWorld(), aimOffset);
}

TAttackElementOrder::TAttackElementOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TAttackOrder(stream, resolver, ids) {
  TWorld& world = resolver.GetWorld();
  targetList_ = &world;
  targetId_ = ids.ReadId(stream, world);
  target_ = std::make_unique<TObjectRef>(targetId_, targetList_);
  if (stream.GetVersion() > kAimOffsetAbove) aimOffset_.Read(stream);
  RequireFinite(stream, aimOffset_);
  if (!target_->IsValid()) RetargetToSurrogate();
  ChooseMarker();
  UpdateTarget();
}

TAttackElementOrder::~TAttackElementOrder() = default;

void TAttackElementOrder::InitTarget(int32_t targetId, TObjectList* targetList,
                                     const std::optional<TVector3>& aimOffset) {
  targetId_ = targetId;
  targetList_ = targetList;
  target_ = std::make_unique<TObjectRef>(targetId_, targetList_);
  if (aimOffset) aimOffset_ = *aimOffset;
  ChooseMarker();
  UpdateTarget();
}

void TAttackElementOrder::ChooseMarker() {
  const TGameObject* target = GetTarget();
  const bool shootable = target != nullptr && IsShootableKind(*target);
  SetMarker(std::make_unique<TAttackMarker>(std::string(shootable ? kAttackUnitMarker : kAttackTerrainMarker)));
  PlaceMarker();
}

TGameObject* TAttackElementOrder::GetTarget() const { return target_ != nullptr ? target_->Resolve() : nullptr; }

void TAttackElementOrder::SetTargetReference(int32_t id) {
  // Looked up among all the world's objects: a surrogate or another unit may
  // live in another list than the first target.
  target_ = std::make_unique<TObjectRef>(id, GetResolver() != nullptr ? &GetResolver()->GetWorld() : targetList_);
}

void TAttackElementOrder::Reset() {
  target_ = std::make_unique<TObjectRef>(targetId_, targetList_);
  TAttackOrder::Reset();
}

void TAttackElementOrder::Write(TDataStream& stream) const {
  TAttackOrder::Write(stream);
  stream.WriteInt(static_cast<uint32_t>(targetId_));
  if (stream.GetVersion() > kAimOffsetAbove) aimOffset_.Write(stream);
}

bool TAttackElementOrder::IsSameOrder(const std::vector<std::string>& tokens) const {
  if (!TOrder::IsSameOrder(tokens) || tokens.size() < 4) return false;
  const TGameObject* target = GetTarget();
  return target != nullptr && tokens[3] == target->SubtypeName();
}

int32_t TAttackElementOrder::TargetId() const { return target_ != nullptr ? target_->GetId() : -1; }

TGameObject* TAttackElementOrder::FindSeenSurrogate() const {
  const Combatant* unit = GetUnit();
  if (unit == nullptr || target_ == nullptr) return nullptr;
  const int32_t goneId = target_->GetId();
  if (goneId < 0) return nullptr;
  const TSurrogateList& surrogates = GetResolver()->GetWorld().GetSurrogates();
  for (int32_t i = 0; i < surrogates.Count(); ++i) {
    TGameObject* object = surrogates.At(i);
    if (object == nullptr || object->TypeName() != Surrogate::kTypeName) continue;
    const auto* surrogate = static_cast<const Surrogate*>(object);
    if (surrogate->KeptRecordId() != goneId) continue;
    // The first that stands for the target decides.
    return object->TestFlag(unit->GetOwner()) ? object : nullptr;
  }
  return nullptr;
}

void TAttackElementOrder::RetargetToSurrogate() {
  const TGameObject* surrogate = FindSeenSurrogate();
  if (surrogate != nullptr) SetTargetReference(surrogate->GetId());
}

bool TAttackElementOrder::TargetRemembered() const { return FindSeenSurrogate() != nullptr; }

bool TAttackElementOrder::IsUnitValid() const {
  if (!TOrder::IsUnitValid()) return false;
  const Combatant* unit = GetUnit();
  if (unit == nullptr) return false;
  const TGameObject* target = GetTarget();
  if (target == nullptr && !TargetRemembered()) return false;
  if (IsActive() && target != nullptr && !target->TestFlag(unit->GetOwner())) return false;
  return IsAimableFrom(*unit, GetTargetPoint(), true);
}

bool TAttackElementOrder::CanShoot() {
  TGameObject* target = GetTarget();
  Combatant* unit = GetUnit();
  if (target == nullptr || unit == nullptr) return false;
  if (!IsShootableKind(*target)) return true;
  if (unit->GetType().IsWarpGunnerType()) {
    return unit->Position().DistanceTo(target->Position()) <= unit->GetWeaponRange();
  }
  TSightResolver sight(GetResolver()->GetWorld(), GetResolver());
  return sight.IsPathClear(*unit, *target);
}

void TAttackElementOrder::UpdateTarget() {
  if (target_ != nullptr && !target_->IsValid()) RetargetToSurrogate();
  const TGameObject* target = GetTarget();
  TVector3 point;
  if (target != nullptr) {
    target->GetAimPoint(point);
    point.Add(aimOffset_);
  }
  SetTargetPoint(point);
}

bool TAttackElementOrder::IsDone(float now) {
  if (GetTarget() == nullptr || !CanShoot()) return false;
  return TAttackOrder::IsDone(now);
}

// --- TAttackPositionOrder ------------------------------------------------------------------

TAttackPositionOrder::TAttackPositionOrder() = default;

TAttackPositionOrder::TAttackPositionOrder(int32_t unitId, TActionResolver& resolver, const TVector3& point)
    : TAttackOrder(unitId, resolver) {
  SetMarker(std::make_unique<TAttackMarker>(std::string(kName)));
  SetTargetPoint(TVector3(point.x, point.y, point.z + kAimHeight));
}

TAttackPositionOrder::TAttackPositionOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TAttackOrder(stream, resolver, ids) {
  SetMarker(std::make_unique<TAttackMarker>(std::string(kName)));
  PlaceMarker();
}

TAttackPositionOrder::~TAttackPositionOrder() = default;

bool TAttackPositionOrder::IsSameOrder(const std::vector<std::string>& tokens) const {
  if (!TOrder::IsSameOrder(tokens) || tokens.size() < 4) return false;
  return SamePlace(ParseVector3(tokens[3]), GetTargetPoint());
}

bool TAttackPositionOrder::IsUnitValid() const {
  if (!TOrder::IsUnitValid()) return false;
  const Combatant* unit = GetUnit();
  return unit != nullptr && IsAimableFrom(*unit, GetTargetPoint(), true);
}

// --- registration ----------------------------------------------------------------------------

void RegisterAttackOrderReaders() {
  RegisterOrderClass<TAttackElementOrder>(TAttackElementOrder::kName);
  RegisterOrderClass<TAttackPositionOrder>(TAttackPositionOrder::kName);
}
