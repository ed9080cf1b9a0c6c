// Small orders for the tests of order chains, the order list and the orders
// stream: an order that completes at a given clock time (or at once), that
// can end its unit's chain or refuse to be taken back, and that notes in a
// journal what is done to it. Its name is chosen when it is made, so the
// stream tests can file it under the real order names.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/data_stream.h"
#include "units/combatant.h"
#include "units/order.h"
#include "units/order_factory.h"
#include "world/game_data.h"
#include "world/world.h"

namespace order_test {

// A soldier of the given rules for player 0, added to the world.
inline Combatant& AddGrunt(TWorld& world, const TGameData& data, const TVector3& position) {
  auto unit = std::make_unique<Combatant>(*data.FindUnitType("Grunt"), data.FindWeaponType("Grunt"), 0, position,
                                          0.0f);
  Combatant& placed = *unit;
  world.Add(std::move(unit));
  return placed;
}

// Lines such as "begin A", "run A", "reset A", "show A 1", "delete A".
using TJournal = std::vector<std::string>;

class TTestOrder : public TOrder {
 public:
  // An end time that completes the order at whatever time it is given,
  // leaving no time over.
  static constexpr float kAtOnce = -1.0f;

  TTestOrder(int32_t unitId, TActionResolver& resolver, std::string label, float end, TJournal* journal = nullptr,
             std::string name = "Hold")
      : TOrder(unitId, resolver),
        name_(std::move(name)),
        label_(std::move(label)),
        end_(end),
        journal_(journal) {}
  // The stream form after the unit id: the label and the end time.
  TTestOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids, std::string name)
      : TOrder(stream, resolver, ids), name_(std::move(name)), label_(stream.ReadString()), end_(stream.ReadFloat()) {}
  ~TTestOrder() override { Note("delete " + label_); }

  void Begin() override { Note("begin " + label_); }
  bool Update(float now) override {
    Note("run " + label_);
    times_.push_back(now);
    started_ = true;
    if (endsChain_) {
      SetFinished();
      return false;
    }
    if (end_ == kAtOnce) {
      SetTimeUsed(0.0f);
      return true;
    }
    if (now < end_ - kTolerance) return false;
    SetTimeUsed(now - end_);
    return true;
  }
  void ShowMarker(bool show) override { Note("show " + label_ + (show ? " 1" : " 0")); }
  bool IsActive() const override { return started_; }
  void Reset() override {
    TOrder::Reset();
    started_ = false;
    Note("reset " + label_);
  }
  bool CanRemove() override { return removable_; }
  void Write(TDataStream& stream) const override {
    stream.WriteString(std::string(Name()));
    TOrder::Write(stream);
    stream.WriteString(label_);
    stream.WriteFloat(end_);
  }
  std::string_view Name() const override { return name_; }
  float PlannedTime() const override { return planned_; }
  TVector3 EndPosition() const override { return endPosition_ ? *endPosition_ : TOrder::EndPosition(); }

  const std::string& Label() const { return label_; }
  float End() const { return end_; }
  // The clock times the order was run with.
  const std::vector<float>& Times() const { return times_; }
  void SetEndsChain() { endsChain_ = true; }
  void SetRemovable(bool removable) { removable_ = removable; }
  void SetPlannedTime(float planned) { planned_ = planned; }
  void SetEndPosition(const TVector3& position) { endPosition_ = position; }

 private:
  void Note(const std::string& line) const {
    if (journal_ != nullptr) journal_->push_back(line);
  }

  std::string name_;
  std::string label_;
  float end_ = 0.0f;
  TJournal* journal_ = nullptr;
  std::vector<float> times_;
  bool started_ = false;
  bool endsChain_ = false;
  bool removable_ = true;
  float planned_ = 1.0f;
  std::optional<TVector3> endPosition_;
};

// While held, the named order classes read as test orders; afterwards the
// names are free again.
class TTestOrderReaders {
 public:
  explicit TTestOrderReaders(std::vector<std::string> names) : names_(std::move(names)) {
    for (const std::string& name : names_) {
      TOrderFactory::Instance().Register(name, [name](TDataStream& stream, TActionResolver& resolver, TIdMapper& ids) {
        return std::unique_ptr<TOrder>(std::make_unique<TTestOrder>(stream, resolver, ids, name));
      });
    }
  }
  ~TTestOrderReaders() {
    for (const std::string& name : names_) TOrderFactory::Instance().Unregister(name);
  }
  TTestOrderReaders(const TTestOrderReaders&) = delete;
  TTestOrderReaders& operator=(const TTestOrderReaders&) = delete;

 private:
  std::vector<std::string> names_;
};

}  // namespace order_test
