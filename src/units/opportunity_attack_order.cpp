#include "units/opportunity_attack_order.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "app/data_stream.h"
#include "app/random.h"
#include "app/text_utils.h"
#include "sim/action_resolver.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/order_factory.h"
#include "units/sight_resolver.h"
#include "units/unit_type.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/object_ref.h"
#include "world/world.h"

namespace {

constexpr const char* kFireState = "Fire";
constexpr const char* kStandState = "Stand";

// One list of candidates with what it costs to turn to them.
struct TCandidateList {
  const TObjectList* list;
  float penalty;
  float limit;
};

// Strictly within the tolerance on every axis.
bool StrictlyNear(const TVector3& a, const TVector3& b) {
  return std::fabs(a.x - b.x) < TOrder::kTolerance && std::fabs(a.y - b.y) < TOrder::kTolerance &&
         std::fabs(a.z - b.z) < TOrder::kTolerance;
}

}  // namespace

TOpportunityAttackOrder::TOpportunityAttackOrder(int32_t unitId, TActionResolver& resolver, const TVector3& point)
    : TAttackPositionOrder(unitId, resolver, point) {
  BuildMarker();
  // While it watches, the aim never ends before the watch does.
  SetAimJitter(UnitAimTime());
  guardPoint_ = GetTargetPoint();
}

TOpportunityAttackOrder::TOpportunityAttackOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TAttackPositionOrder(stream, resolver, ids), guardPoint_(stream) {
  if (GetUnit() == nullptr) return;
  BuildMarker();
  SetAimJitter(UnitAimTime());
  SetTargetPoint(guardPoint_);
}

TOpportunityAttackOrder::~TOpportunityAttackOrder() = default;

void TOpportunityAttackOrder::BuildMarker() {
  SetMarker(std::make_unique<TAttackMarker>(std::string(kMarkerName)));
  PlaceMarker();
}

// --- TOrder ------------------------------------------------------------------------------

bool TOpportunityAttackOrder::Update(float now) {
  Combatant* unit = GetUnit();
  if (unit != nullptr && !engaged_) Scan(now);
  // A unit that has not begun to aim and has nothing to shoot at leaves its
  // firing pose from an earlier order.
  if (!IsActive() && !engaged_ && unit != nullptr && unit->GetVisualState() == kFireState) {
    GetResolver()->SetAnimation(*unit, now, kStandState);
  }
  return TAttackPositionOrder::Update(now);
}

void TOpportunityAttackOrder::Reset() {
  engaged_ = false;
  target_.reset();
  TAttackOrder::Reset();
  SetTargetPoint(guardPoint_);
}

void TOpportunityAttackOrder::Write(TDataStream& stream) const {
  TAttackOrder::Write(stream);
  guardPoint_.Write(stream);
}

bool TOpportunityAttackOrder::IsSameOrder(const std::vector<std::string>& tokens) const {
  if (!TOrder::IsSameOrder(tokens)) return false;
  if (tokens.size() < 4) return true;
  return StrictlyNear(ParseVector3(tokens[3]), GetTargetPoint());
}

int32_t TOpportunityAttackOrder::TargetId() const { return target_ != nullptr ? target_->GetId() : -1; }

TGameObject* TOpportunityAttackOrder::GetTarget() const {
  return target_ != nullptr ? target_->Resolve() : nullptr;
}

bool TOpportunityAttackOrder::IsUnitValid() const {
  if (!TAttackPositionOrder::IsUnitValid()) return false;
  return target_ == nullptr || target_->IsValid();
}

// --- the attack step's hooks -------------------------------------------------------------

bool TOpportunityAttackOrder::CanShoot() {
  TGameObject* target = GetTarget();
  Combatant* unit = GetUnit();
  if (target == nullptr || unit == nullptr) return false;
  return ReachesOver(*unit, *target);
}

void TOpportunityAttackOrder::UpdateTarget() {
  const TGameObject* target = GetTarget();
  if (target == nullptr) return;
  TVector3 point;
  target->GetAimPoint(point);
  SetTargetPoint(point);
}

bool TOpportunityAttackOrder::IsDone(float now) {
  if (engaged_) return TAttackOrder::IsDone(now);
  const float watchEnd = GetStartTime() + UnitAimTime();
  if (watchEnd > now) return false;
  SetTimeUsed(now - watchEnd);
  return true;
}

// --- the watch -----------------------------------------------------------------------------

bool TOpportunityAttackOrder::ReachesOver(Combatant& unit, TGameObject& object) const {
  if (unit.GetType().IsWarpGunnerType()) {
    // Warp shots pass through walls: only the range counts.
    return unit.Position().DistanceTo(object.Position()) <= unit.GetWeaponRange();
  }
  TSightResolver sight(GetResolver()->GetWorld(), GetResolver());
  return sight.IsPathClear(unit, object);
}

bool TOpportunityAttackOrder::CanEngage(Combatant& unit, TGameObject& candidate) const {
  const TUnitType& type = unit.GetType();
  // A psyker's attack reaches minds only.
  if (type.IsPsykerType() && candidate.TypeName() != Combatant::kTypeName) return false;
  if (type.IsGuardianType()) {
    const float distance = unit.Position().DistanceTo(candidate.Position());
    if (unit.GetWeaponRange() + unit.GetRadius() < distance) return false;
  }
  return ReachesOver(unit, candidate);
}

float TOpportunityAttackOrder::EngageDelay(const Combatant& unit, float angle, float now) const {
  const float elapsed = IsActive() ? now - GetStartTime() : 0.0f;
  const float spread = GetRandom()->FloatRange(-kReactionSpread, kReactionSpread);
  // A unit that already fired at this target in the order before needs no
  // time to find it again.
  float reaction = 0.0f;
  if (Prev() == nullptr || Prev()->TargetId() != TargetId()) {
    reaction = angle * kDegreesPerRadian * unit.GetType().GetReactionTime() * kPerTurnOfReaction;
  }
  return reaction + spread + elapsed;
}

float TOpportunityAttackOrder::AngleOff(const TVector3& from, const TVector3& watched, const TVector3& candidate) {
  return AngleAt(from, watched, candidate);
}

void TOpportunityAttackOrder::Scan(float now) {
  Combatant* unit = GetUnit();
  if (unit == nullptr) return;
  TWorld& world = GetResolver()->GetWorld();
  const TVector3& at = unit->Position();
  const int32_t owner = unit->GetOwner();
  const TCandidateList lists[] = {{&GetResolver()->GetUnits(), kUnitPenalty, kUnitLimit},
                                  {&world.GetAmmoDumps(), kDumpPenalty, kDumpLimit},
                                  {&world.GetEggs(), kEggPenalty, kEggLimit}};
  TGameObject* best = nullptr;
  float bestAngle = 0.0f;
  for (const TCandidateList& candidates : lists) {
    for (int32_t i = 0; i < candidates.list->Count(); ++i) {
      TGameObject* candidate = candidates.list->At(i);
      if (candidate == nullptr) continue;
      const std::optional<int32_t> candidateOwner = OwnerOf(*candidate);
      if (!candidateOwner || *candidateOwner == owner || !candidate->TestFlag(owner)) continue;
      if (!CanEngage(*unit, *candidate)) continue;
      const float angle = AngleOff(at, GetTargetPoint(), candidate->Position()) + candidates.penalty;
      // A tie keeps the earlier candidate.
      if ((best == nullptr || angle < bestAngle) && angle < candidates.limit) {
        best = candidate;
        bestAngle = angle;
      }
    }
  }
  if (best == nullptr) return;
  target_ = std::make_unique<TObjectRef>(best->GetId(), &world);
  SetAimJitter(EngageDelay(*unit, bestAngle, now));
  engaged_ = true;
}

// --- registration ----------------------------------------------------------------------------

void RegisterOpportunityAttackOrderReaders() {
  RegisterOrderClass<TOpportunityAttackOrder>(TOpportunityAttackOrder::kName);
}
