#include "units/combatant.h"

#include <algorithm>
#include <cmath>

#include "units/combatant_template.h"
#include "units/unit_shapes.h"
#include "units/unit_type.h"
#include "units/unit_visual_state.h"
#include "units/weapon.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/object_record.h"

namespace {

// Positions are the same when every coordinate agrees within this.
constexpr float kSamePositionTolerance = 0.0001f;
// A warp jump lands at its half and fades back in over the second half;
// the unit counts as in mid-jump around the landing.
constexpr float kWarpJumpAt = 0.5f;
constexpr float kMidWarpFrom = 0.44f;
constexpr float kMidWarpTo = 0.56f;

constexpr int32_t kSectorCount = 8;

// The cosine of the half field of view, and a band around it far wider than
// any rounding of acos: outside the band the cosine alone tells the side.
constexpr float kFieldEdgeCosine = 0.38268343f;
constexpr float kFieldEdgeMargin = 0.001f;

bool SamePosition(const TVector3& a, const TVector3& b) { return a.IsWithin(b, kSamePositionTolerance); }

}  // namespace

Combatant::Combatant(const TUnitType& unitType, const TWeaponType* weaponType, int32_t owner,
                     const TVector3& position, float creationTime)
    : TMobileObject(position, unitType.GetSpeed(), TVector3(1.0f, 0.0f, 0.0f), 0.0f, false),
      TCombatantInterface(unitType.GetVision(), unitType.GetTrackingRange()),
      destination_(position),
      animator_(std::make_unique<TUnitAnimator>(unitType, Position(), owner)),
      owner_(owner),
      weapon_(weaponType != nullptr ? std::make_unique<TWeapon>(*weaponType) : nullptr),
      health_(unitType.GetEndurance()),
      type_(&unitType),
      creationTime_(creationTime),
      canFire_(weapon_ != nullptr && weapon_->HasAmmunition() ? 1 : 0) {
  SetFacing(0);
  SetPosition(position);
  SetFlag(owner_, true);
  CreateUnitVolume(unitType, GetLofVolume(), &Position());
}

Combatant::~Combatant() = default;

Combatant* AsCombatant(TGameObject* object) {
  return object != nullptr && object->TypeName() == Combatant::kTypeName ? static_cast<Combatant*>(object) : nullptr;
}

const Combatant* AsCombatant(const TGameObject* object) {
  return object != nullptr && object->TypeName() == Combatant::kTypeName ? static_cast<const Combatant*>(object)
                                                                         : nullptr;
}

std::optional<int32_t> OwnerOf(const TGameObject& object) {
  const std::string_view kind = object.TypeName();
  if (kind == Combatant::kTypeName) return static_cast<const Combatant&>(object).GetOwner();
  if (kind == AmmoDump::kTypeName) return static_cast<const AmmoDump&>(object).GetOwner();
  if (kind == Egg::kTypeName) return static_cast<const Egg&>(object).GetOwner();
  return std::nullopt;
}

bool Combatant::HasRoundsForAShot() const { return weapon_ != nullptr && weapon_->HoldsAShot(); }

// --- game object -------------------------------------------------------------

std::unique_ptr<TGameObjectRecord> Combatant::MakeRecord() const {
  return std::make_unique<TCombatantTemplate>(*this);
}

float Combatant::GetVisibility() const { return type_->GetVisibility(); }

void Combatant::CommitFlags() {
  TGameObject::CommitFlags();
  SetFlag(owner_, true);
}

float Combatant::GetRadius() const { return GetLofVolume().MaxGroundRadius(); }

std::string Combatant::SubtypeName() const { return type_->GetName(); }

void Combatant::SetPosition(const TVector3& point) {
  TGameObject::SetPosition(point);
  destination_ = point;
  SetDirection(TVector3(1.0f, 0.0f, 0.0f));
  animator_->Refresh();
}

void Combatant::PlaceAt(const TVector3& point) { TGameObject::SetPosition(point); }

void Combatant::RefreshVisual() { animator_->RefreshVisual(); }

void Combatant::GetAimPoint(TVector3& out) const {
  out = Position();
  out.z += type_->GetTargetHeight();
}

TVisual* Combatant::GetVisual() const { return animator_->GetVisual(); }

// --- movement ------------------------------------------------------------------

int32_t Combatant::SectorOf(const TVector3& direction) {
  return direction.DirectionIndex(TVector3(), kSectorCount);
}

TVector3 Combatant::SectorDirection(int32_t sector) {
  static constexpr float kDirections[kSectorCount][2] = {{0, 1}, {1, 1}, {1, 0}, {1, -1},
                                                         {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}};
  const int32_t index = ((sector % kSectorCount) + kSectorCount) % kSectorCount;
  return TVector3(kDirections[index][0], kDirections[index][1], 0.0f);
}

void Combatant::SetFacing(int32_t sector) {
  facing_ = sector;
  animator_->SetFacing(sector);
}

bool Combatant::IsStanding() const { return animator_->IsInState(TUnitAnimator::kStandState); }

void Combatant::EndWarp() {
  warping_ = 0;
  midWarp_ = 0;
  animator_->SetFade(1.0f);
}

void Combatant::MoveToward(const TVector3& point, float time) {
  destination_ = point;
  if (SamePosition(point, Position())) return;
  if (Position().DistanceTo(point) >= kWarpDistance) {
    warping_ = 1;
    warpStart_ = time;
    return;
  }
  TVector3 step = point;
  step.x -= Position().x;
  step.y -= Position().y;
  step.z -= Position().z;
  SetFacing(SectorOf(step));
  SetTrajectory(step, Position(), time);
  if (warping_ != 0) EndWarp();
}

float Combatant::ArrivalTime() const {
  if (warping_ != 0) return warpStart_ + kWarpDuration;
  return TimeToReach(destination_);
}

void Combatant::ResetToStand() {
  destination_ = Position();
  animator_->SetState(std::string(TUnitAnimator::kStandState), 0.0f);
  if (warping_ != 0) EndWarp();
  orderFlag_ = 0;
}

void Combatant::Update(float time) {
  if (warping_ == 0) animator_->Advance(time);
  if (weapon_ != nullptr && type_->IsGreyRace()) ShowWeaponFraction();
  if (canFire_ != 0 && (weapon_ == nullptr || !weapon_->HasAmmunition())) canFire_ = 0;
  if (warping_ == 0) {
    if (SamePosition(Position(), destination_)) return;
    TVector3 point;
    PositionAt(point, std::min(time, TimeToReach(destination_)));
    PlaceAt(point);
    animator_->Refresh();
    return;
  }
  UpdateWarp(time);
}

void Combatant::UpdateWarp(float time) {
  const float start = warpStart_;
  if (time > start + kWarpDuration) {
    warping_ = 0;
    SetStartTime(start + kWarpDuration);
  }
  if (time > start + kWarpJumpAt) {
    if (!SamePosition(Position(), destination_)) SetPosition(destination_);
    animator_->SetFade(2.0f * (time - start - kWarpJumpAt));
  } else {
    animator_->SetFade(1.0f - 2.0f * (time - start));
  }
  const float elapsed = time - start;
  midWarp_ = elapsed >= kMidWarpFrom && elapsed <= kMidWarpTo ? 1 : 0;
  animator_->Refresh();
}

// --- sight -----------------------------------------------------------------------

bool Combatant::CanSee(const TGameObject& target, float factor) const {
  const float reach = GetVision() * target.GetVisibility() * factor;
  if (reach < Position().DistanceTo(target.Position())) return false;
  if (IsStanding() || SamePosition(Position(), target.Position())) return true;
  // A moving unit sees what lies ahead of it on the map plane.
  const TVector3 facing = SectorDirection(facing_);
  const float dx = target.Position().x - Position().x;
  const float dy = target.Position().y - Position().y;
  const float length = std::sqrt(dx * dx + dy * dy) * std::sqrt(facing.x * facing.x + facing.y * facing.y);
  if (!(length > 0.0f)) return true;
  const float cosine = std::clamp((facing.x * dx + facing.y * dy) / length, -1.0f, 1.0f);
  // The angle itself is only needed near the edge of the field: well inside
  // or outside it the cosine decides alone, as the angle would.
  if (cosine > kFieldEdgeCosine + kFieldEdgeMargin) return true;
  if (cosine < kFieldEdgeCosine - kFieldEdgeMargin) return false;
  return std::acos(cosine) <= kHalfFieldOfView;
}

bool Combatant::CanTrack(const TGameObject& target, float factor) const {
  return Position().DistanceTo(target.Position()) <= target.GetSightWeight() * GetTrackingRange() * factor;
}

// --- rules of the type -------------------------------------------------------------

float Combatant::GetAccuracy() const { return type_->GetAccuracy(); }

float Combatant::GetAimTime() const { return type_->GetAimTime(); }

float Combatant::GetHealingRate() const { return type_->GetHealingRate(); }

bool Combatant::IsQueen() const { return type_->IsQueenType(); }

const std::string& Combatant::GetVisualState() const { return animator_->GetStateName(); }
