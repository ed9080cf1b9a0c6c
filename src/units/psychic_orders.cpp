#include "units/psychic_orders.h"

#include <string>

#include "app/data_stream.h"
#include "sim/action_resolver.h"
#include "units/combatant.h"
#include "units/order_factory.h"
#include "units/unit_type.h"

namespace {

constexpr const char* kAimState = "Aim";
constexpr const char* kStandState = "Stand";

}  // namespace

// --- TPsychicStrikeOrder ----------------------------------------------------------------

TPsychicStrikeOrder::TPsychicStrikeOrder(int32_t unitId, TActionResolver& resolver, const TVector3& point)
    : TOrder(unitId, resolver),
      marker_(std::make_unique<TAttackMarker>(std::string(kMarkerName))),
      targetPoint_(point) {}

TPsychicStrikeOrder::TPsychicStrikeOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TOrder(stream, resolver, ids),
      marker_(std::make_unique<TAttackMarker>(std::string(kMarkerName))),
      targetPoint_(stream) {}

TPsychicStrikeOrder::~TPsychicStrikeOrder() = default;

void TPsychicStrikeOrder::Begin() { PlaceMarker(); }

void TPsychicStrikeOrder::PlaceMarker() { marker_->StretchLevel(0, StartPosition(), targetPoint_); }

bool TPsychicStrikeOrder::Update(float now) {
  Combatant* unit = GetUnit();
  if (!IsUnitValid() || unit == nullptr) {
    IdleRest(now);
    return true;
  }
  TActionResolver& resolver = *GetResolver();
  if (!started_) {
    startTime_ = now;
    started_ = true;
    struck_ = false;
    resolver.TurnToFace(*unit, now, targetPoint_);
    resolver.SetAnimation(*unit, startTime_, kAimState);
  }
  const TUnitType& type = unit->GetType();
  const float strikeTime = startTime_ + type.GetPrepareWeapon();
  if (!struck_ && now >= strikeTime) {
    // Stamped when the preparation ended, whatever tick carries it out.
    Strike(*unit, targetPoint_, strikeTime);
    resolver.SetAnimation(*unit, strikeTime, kStandState);
    struck_ = true;
  }
  const float endTime = strikeTime + type.GetRestWeapon();
  if (endTime <= now) {
    started_ = false;
    // No time is handed on: the next order starts at this tick, however
    // long ago the rest ended.
    done_ = true;
  }
  return done_;
}

void TPsychicStrikeOrder::ShowMarker(bool show) {
  if (IsUnitValid()) marker_->Show(show);
}

void TPsychicStrikeOrder::Reset() {
  TOrder::Reset();
  started_ = false;
  startTime_ = 0.0f;
  struck_ = false;
  done_ = false;
}

void TPsychicStrikeOrder::Write(TDataStream& stream) const {
  stream.WriteString(std::string(Name()));
  TOrder::Write(stream);
  targetPoint_.Write(stream);
}

float TPsychicStrikeOrder::PlannedTime() const {
  const Combatant* unit = GetUnit();
  return unit != nullptr ? unit->GetType().GetPrepareAndRest() : 0.0f;
}

// --- the two strikes ----------------------------------------------------------------------

TPsychicAttackOrder::TPsychicAttackOrder(int32_t unitId, TActionResolver& resolver, const TVector3& point)
    : TPsychicStrikeOrder(unitId, resolver, point) {}

TPsychicAttackOrder::TPsychicAttackOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TPsychicStrikeOrder(stream, resolver, ids) {}

void TPsychicAttackOrder::Strike(Combatant& unit, const TVector3& point, float strikeTime) {
  GetResolver()->FirePsychicAttack(unit, point, strikeTime);
}

TPsychicOrder::TPsychicOrder(int32_t unitId, TActionResolver& resolver, const TVector3& point)
    : TPsychicStrikeOrder(unitId, resolver, point) {}

TPsychicOrder::TPsychicOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TPsychicStrikeOrder(stream, resolver, ids) {}

void TPsychicOrder::Strike(Combatant& unit, const TVector3& point, float strikeTime) {
  GetResolver()->FirePsychic(unit, point, strikeTime);
}

// --- registration ----------------------------------------------------------------------------

void RegisterPsychicOrderReaders() {
  RegisterOrderClass<TPsychicAttackOrder>(TPsychicAttackOrder::kName);
  RegisterOrderClass<TPsychicOrder>(TPsychicOrder::kName);
}
