#include "units/order.h"

#include <cmath>

#include <utility>

#include "app/data_stream.h"
#include "session/id_mapper.h"
#include "sim/action_resolver.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "world/object_ref.h"

bool IsUnitAtRest(const Combatant& unit) {
  return unit.Position().IsWithin(unit.GetDestination(), TOrder::kTolerance) && !unit.IsWarping();
}

// --- TOrder ------------------------------------------------------------------------

TOrder::TOrder() = default;

TOrder::TOrder(int32_t unitId, TActionResolver& resolver) { BindUnit(unitId, resolver); }

TOrder::TOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids) { Load(stream, resolver, ids); }

TOrder::~TOrder() {
  // Deleted through its prev's link the order is already unlinked; deleted
  // directly it must not leave that link pointing at it.
  if (prev_ != nullptr && prev_->next_.get() == this) static_cast<void>(prev_->next_.release());
  prev_ = nullptr;
  DeleteNext();
}

void TOrder::BindUnit(int32_t unitId, TActionResolver& resolver) {
  resolver_ = &resolver;
  unit_ = std::make_unique<TObjectRef>(unitId, &resolver.GetUnits());
}

bool TOrder::Load(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids) {
  BindUnit(ids.ReadId(stream, resolver.GetWorld()), resolver);
  return true;
}

void TOrder::Reset() { finished_ = false; }

bool TOrder::CanRemove() { return true; }

void TOrder::Write(TDataStream& stream) const { stream.WriteInt(static_cast<uint32_t>(GetUnitId())); }

bool TOrder::IsSameOrder(const std::vector<std::string>& tokens) const {
  return tokens.size() >= 3 && tokens[2] == Name();
}

std::optional<TVector3> TOrder::StartPoint() const { return std::nullopt; }

int32_t TOrder::TargetId() const { return -1; }

TVector3 TOrder::StartPosition() const {
  if (prev_ != nullptr) return prev_->EndPosition();
  // The first order starts where its unit stands; a unit that is gone has
  // no position, and the origin at least keeps the caller's arithmetic sane.
  const Combatant* unit = GetUnit();
  return unit != nullptr ? unit->Position() : TVector3();
}

TVector3 TOrder::EndPosition() const { return StartPosition(); }

bool TOrder::IsUnitValid() const { return unit_ != nullptr && unit_->IsValid(); }

void TOrder::IdleRest(float now) {
  if (next_ != nullptr || resolver_ == nullptr) return;
  Combatant* unit = GetUnit();
  if (unit != nullptr) resolver_->SetAnimation(*unit, now - timeLeft_, "Stand");
}

TOrder* TOrder::Last() {
  TOrder* order = this;
  while (order->next_ != nullptr) order = order->next_.get();
  return order;
}

void TOrder::Append(std::unique_ptr<TOrder> order) {
  if (order == nullptr) return;
  // Whatever followed would be lost; an order is appended only at the end.
  DeleteNext();
  order->prev_ = this;
  next_ = std::move(order);
  next_->Begin();
}

void TOrder::AppendAtEnd(std::unique_ptr<TOrder> order) { Last()->Append(std::move(order)); }

void TOrder::DeleteNext() {
  // One order at a time: a long chain must not recurse once per order.
  std::unique_ptr<TOrder> rest = std::move(next_);
  while (rest != nullptr) {
    std::unique_ptr<TOrder> after = std::move(rest->next_);
    if (after != nullptr) after->prev_ = nullptr;
    rest->prev_ = nullptr;
    rest.reset();
    rest = std::move(after);
  }
}

std::unique_ptr<TOrder> TOrder::DetachNext() {
  std::unique_ptr<TOrder> order = std::move(next_);
  if (order != nullptr) order->prev_ = nullptr;
  return order;
}

Combatant* TOrder::GetUnit() const {
  return unit_ != nullptr ? AsCombatant(unit_->ResolveCombatant()) : nullptr;
}

int32_t TOrder::GetUnitId() const { return unit_ != nullptr ? unit_->GetId() : -1; }

void TOrder::SetUnitId(int32_t unitId) {
  if (resolver_ != nullptr) {
    BindUnit(unitId, *resolver_);
  } else {
    unit_ = std::make_unique<TObjectRef>(unitId, nullptr);
  }
}

void TOrder::SetTimeUsed(float timeLeft) { timeLeft_ = timeLeft < -kTolerance ? 0.0f : timeLeft; }

// --- TOrderChain -------------------------------------------------------------------

TOrderChain::TOrderChain(std::unique_ptr<TOrder> first) : head_(std::move(first)), current_(head_.get()) {
  if (head_ != nullptr) head_->Begin();
}

TOrderChain::~TOrderChain() {
  current_ = nullptr;
  mark_ = nullptr;
  head_.reset();
}

int32_t TOrderChain::UnitId() const { return head_ != nullptr ? head_->GetUnitId() : -1; }

TOrder* TOrderChain::Last() const { return head_ != nullptr ? head_->Last() : nullptr; }

bool TOrderChain::IsAtOrAfter(const TOrder* from, const TOrder* order) {
  for (const TOrder* o = from; o != nullptr; o = o->Next()) {
    if (o == order) return true;
  }
  return false;
}

bool TOrderChain::Holds(const TOrder* order) const { return order != nullptr && IsAtOrAfter(head_.get(), order); }

void TOrderChain::ForgetFrom(const TOrder* from) {
  if (IsAtOrAfter(from, current_)) current_ = nullptr;
  if (IsAtOrAfter(from, mark_)) mark_ = nullptr;
}

void TOrderChain::Append(std::unique_ptr<TOrder> order) {
  if (order == nullptr) return;
  if (current_ == nullptr) current_ = order.get();
  if (head_ == nullptr) {
    // A chain emptied by Remove takes the order as its first.
    head_ = std::move(order);
    head_->Begin();
    return;
  }
  head_->AppendAtEnd(std::move(order));
}

void TOrderChain::RemoveLast() {
  TOrder* last = Last();
  if (last == nullptr || !last->CanRemove()) return;
  if (current_ == last) current_ = last->Prev();
  if (mark_ == last) mark_ = nullptr;
  if (last == head_.get()) {
    head_.reset();
    current_ = nullptr;
    return;
  }
  last->Prev()->DeleteNext();
}

void TOrderChain::Remove(TOrder* order) {
  if (!Holds(order)) return;
  TOrder* prev = order->prev_;
  std::unique_ptr<TOrder> rest = order->DetachNext();
  // Everything after the mark is a reaction's, so the mark moves on to the
  // order that followed.
  if (mark_ == order) mark_ = rest.get();
  if (prev == nullptr) {
    head_ = std::move(rest);
    current_ = head_.get();
    return;
  }
  // A current order that goes hands over to the one after it.
  if (current_ == order) current_ = rest.get();
  prev->DeleteNext();
  if (rest != nullptr) {
    // Relinked without a second Begin: the order has been in the chain all along.
    rest->prev_ = prev;
    prev->next_ = std::move(rest);
  }
}

void TOrderChain::Run(float now) {
  float t = now;
  while (current_ != nullptr) {
    TOrder* order = current_;
    const bool complete = order->Update(t);
    // The order's own work may have stopped the chain (a cancel of its unit's
    // orders); nothing of it is run further then.
    if (current_ != order) return;
    if (!complete) {
      if (order->IsFinished()) current_ = nullptr;
      return;
    }
    current_ = order->Next();
    t -= order->GetTimeUsed();
  }
}

void TOrderChain::ShowMarkers(bool show) {
  for (TOrder* order = current_; order != nullptr; order = order->Next()) order->ShowMarker(show);
}

void TOrderChain::Rewind() {
  DropReactionOrders();
  current_ = head_.get();
  for (TOrder* order = head_.get(); order != nullptr; order = order->Next()) order->Reset();
}

void TOrderChain::DropReactionOrders() {
  if (!Holds(mark_)) return;
  TOrder* mark = mark_;
  ForgetFrom(mark);
  if (mark->Prev() == nullptr) {
    head_.reset();
    current_ = nullptr;
  } else {
    mark->Prev()->DeleteNext();
  }
  mark_ = nullptr;
}

void TOrderChain::Collect(std::vector<TOrder*>& out) const {
  for (TOrder* order = head_.get(); order != nullptr && order != mark_; order = order->Next()) out.push_back(order);
}

void TOrderChain::StopAfterCurrent() {
  if (current_ == nullptr) return;
  if (current_->Next() != nullptr) {
    ForgetFrom(current_->Next());
    current_->DeleteNext();
  }
  current_ = nullptr;
}

float TOrderChain::PlannedTime() const {
  float total = 0.0f;
  for (const TOrder* order = head_.get(); order != nullptr; order = order->Next()) total += order->PlannedTime();
  return total;
}

void TOrderChain::MarkReactionStart() {
  if (mark_ == nullptr) mark_ = Last();
}

TVector3 TOrderChain::EndPosition() const {
  const TOrder* last = Last();
  return last != nullptr ? last->EndPosition() : TVector3();
}
