#include "units/hold_orders.h"

#include <memory>

#include "app/data_stream.h"
#include "sim/action_resolver.h"
#include "units/combatant.h"
#include "units/order_factory.h"
#include "world/finite_values.h"

// --- TOrderPointMarker -----------------------------------------------------------------

void TOrderPointMarker::Build(const std::string& name, const TVector3& position) {
  name_ = name;
  position_ = position;
  built_ = true;
  changed_ = false;
  visual_ = BuildOrderMarkerVisual(name_, &position_);
}

void TOrderPointMarker::Show(bool show) {
  hidden_ = !show;
  ShowOrderMarkerVisual(visual_.get(), show);
  Draw();
}

// --- THoldOrder --------------------------------------------------------------------------

THoldOrder::THoldOrder(int32_t unitId, TActionResolver& resolver, float duration)
    : TOrder(unitId, resolver), duration_(duration) {}

THoldOrder::THoldOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TOrder(stream, resolver, ids), duration_(stream.ReadFloat()) {
  RequireFinite(stream, duration_);
}

void THoldOrder::Begin() { marker_.Build(std::string(kMarkerName), EndPosition()); }

bool THoldOrder::Update(float now) {
  Combatant* unit = GetUnit();
  if (unit == nullptr) return true;
  if (startTime_ == kNotStarted) {
    GetResolver()->SetAnimation(*unit, now, "Stand");
    startTime_ = now;
  }
  const float end = startTime_ + duration_;
  if (now < end) return false;
  SetTimeUsed(now - end);
  return true;
}

void THoldOrder::ShowMarker(bool show) {
  if (GetUnit() != nullptr) marker_.Show(show);
}

void THoldOrder::Reset() {
  TOrder::Reset();
  startTime_ = kNotStarted;
  marker_.MarkChanged();
}

void THoldOrder::Write(TDataStream& stream) const {
  stream.WriteString(std::string(kName));
  TOrder::Write(stream);
  stream.WriteFloat(duration_);
}

// --- TCommitSuicideOrder ----------------------------------------------------------------

TCommitSuicideOrder::TCommitSuicideOrder(int32_t unitId, TActionResolver& resolver) : TOrder(unitId, resolver) {}

TCommitSuicideOrder::TCommitSuicideOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TOrder(stream, resolver, ids) {}

void TCommitSuicideOrder::Begin() { marker_.Build(std::string(kMarkerName), EndPosition()); }

bool TCommitSuicideOrder::Update(float now) {
  Combatant* unit = GetUnit();
  if (unit == nullptr) {
    IdleRest(now);
    return true;
  }
  if (!done_) {
    done_ = true;
    GetResolver()->KillUnit(*unit, now);
  }
  return true;
}

void TCommitSuicideOrder::ShowMarker(bool show) {
  if (GetUnit() != nullptr) marker_.Show(show);
}

void TCommitSuicideOrder::Reset() {
  TOrder::Reset();
  done_ = false;
  marker_.MarkChanged();
}

void TCommitSuicideOrder::Write(TDataStream& stream) const {
  stream.WriteString(std::string(kName));
  TOrder::Write(stream);
}

// --- TLayEggOrder -------------------------------------------------------------------------

TLayEggOrder::TLayEggOrder(int32_t unitId, TActionResolver& resolver) : TOrder(unitId, resolver) {}

TLayEggOrder::TLayEggOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids)
    : TOrder(stream, resolver, ids) {}

void TLayEggOrder::Begin() { marker_.Build(std::string(kMarkerName), EndPosition()); }

bool TLayEggOrder::Update(float now) {
  Combatant* unit = GetUnit();
  // A unit that is no queen, or a queen without the food for an egg, lays
  // nothing and simply stands.
  if (unit == nullptr || !unit->CanLayEgg()) {
    IdleRest(now);
    return true;
  }
  if (!started_) {
    started_ = true;
    startTime_ = now;
    GetResolver()->SetAnimation(*unit, now, "LayEgg");
  }
  // The egg comes at the moment the laying ends, not at the tick's time.
  const float laid = startTime_ + kLayingTime;
  if (now < laid) return false;
  GetResolver()->LayEgg(*unit, laid);
  SetTimeUsed(now - laid);
  IdleRest(now);
  return true;
}

void TLayEggOrder::ShowMarker(bool show) {
  if (GetUnit() != nullptr) marker_.Show(show);
}

void TLayEggOrder::Reset() {
  TOrder::Reset();
  started_ = false;
  marker_.MarkChanged();
}

void TLayEggOrder::Write(TDataStream& stream) const {
  stream.WriteString(std::string(kName));
  TOrder::Write(stream);
}

// --- registration -------------------------------------------------------------------------

void RegisterHoldOrderReaders() {
  RegisterOrderClass<THoldOrder>(THoldOrder::kName);
  RegisterOrderClass<TCommitSuicideOrder>(TCommitSuicideOrder::kName);
  RegisterOrderClass<TLayEggOrder>(TLayEggOrder::kName);
}
