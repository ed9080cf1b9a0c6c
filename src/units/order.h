// Orders and the chain of one unit's orders. Every instruction a unit
// carries out (given by a player, the computer opponent or the unit's own
// reactions) is an object of a class derived from TOrder. A unit's orders are
// linked one after the other; while a turn is simulated the chain's current
// order is given the clock time each tick and either completes, handing the
// rest of the time on to the next order in the same tick, or keeps working.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/vector3.h"

class Combatant;
class TActionResolver;
class TDataStream;
class TIdMapper;
class TObjectRef;

class TOrder {
 public:
  // Positions and times of orders are compared within this.
  static constexpr float kTolerance = 0.0001f;

  // Empty: no unit, no resolver; filled later by Load.
  TOrder();
  // The unit with the id, found on every use among the resolver's units.
  TOrder(int32_t unitId, TActionResolver& resolver);
  // The unit id read through the mapper, so that ids written by another run
  // of the program name this world's units.
  TOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);
  // Unlinks the order from its prev and deletes every order after it.
  virtual ~TOrder();
  TOrder(const TOrder&) = delete;
  TOrder& operator=(const TOrder&) = delete;

  // --- what every order class supplies ---------------------------------------
  // Called once when the order joins a chain; order classes make their map
  // marker here.
  virtual void Begin() {}
  // Carries the order out at clock time now. True: complete, the chain goes
  // on to the next order in the same tick (at now minus GetTimeUsed). False:
  // work remains, or the order ended its unit's chain (IsFinished).
  virtual bool Update(float now) = 0;
  virtual void ShowMarker(bool show) = 0;
  // Whether the order has begun to act on the world in this turn.
  virtual bool IsActive() const = 0;
  // Back to the planned state before a turn is simulated again.
  virtual void Reset();
  // Asked before the order is taken back as its chain's last; an order may
  // undo its effects here and refuse.
  virtual bool CanRemove();
  // The unit id. Each order class writes its Name first, then calls this,
  // then writes its own fields.
  virtual void Write(TDataStream& stream) const;
  // The class's static name, which identifies it in the orders stream.
  virtual std::string_view Name() const = 0;
  // The time the order is expected to take.
  virtual float PlannedTime() const = 0;
  // The interface's tokens of an order: the third names the order class.
  virtual bool IsSameOrder(const std::vector<std::string>& tokens) const;
  // Where the unit stood when the order began to move; none for orders
  // that do not move the unit.
  virtual std::optional<TVector3> StartPoint() const;
  virtual int32_t TargetId() const;
  // Where the unit stands when the order begins: where the previous order
  // leaves it, or where the unit is now.
  virtual TVector3 StartPosition() const;
  // Where the unit stands when the order is done.
  virtual TVector3 EndPosition() const;
  virtual bool IsUnitValid() const;
  // The last order of a chain lets its unit stand from the moment it ended.
  virtual void IdleRest(float now);

  // Reads the unit id into an order made empty; always true.
  bool Load(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);

  // --- links -------------------------------------------------------------------
  TOrder* Prev() const { return prev_; }
  TOrder* Next() const { return next_.get(); }
  TOrder* Last();
  // Links the order after this one (replacing nothing: this order must be a
  // chain's last) and begins it.
  void Append(std::unique_ptr<TOrder> order);
  void AppendAtEnd(std::unique_ptr<TOrder> order);
  // Deletes every order after this one.
  void DeleteNext();
  // Takes the order after this one out of the chain without deleting it;
  // the orders after that one stay linked to it.
  std::unique_ptr<TOrder> DetachNext();

  // --- the unit ----------------------------------------------------------------
  // Null when the unit is gone.
  Combatant* GetUnit() const;
  int32_t GetUnitId() const;
  // The Deploy order names its unit once the unit exists.
  void SetUnitId(int32_t unitId);
  TActionResolver* GetResolver() const { return resolver_; }

  // --- time and flag -----------------------------------------------------------
  // The part of the last Update's time that lies after the order ended;
  // rounding just below zero is kept, anything further below is stored as 0.
  void SetTimeUsed(float timeLeft);
  float GetTimeUsed() const { return timeLeft_; }
  // The order ended its unit's whole chain.
  void SetFinished() { finished_ = true; }
  bool IsFinished() const { return finished_; }

 private:
  // The chain relinks the orders around one it removes.
  friend class TOrderChain;

  void BindUnit(int32_t unitId, TActionResolver& resolver);

  TOrder* prev_ = nullptr;
  std::unique_ptr<TOrder> next_;
  std::unique_ptr<TObjectRef> unit_;
  TActionResolver* resolver_ = nullptr;
  float timeLeft_ = 0.0f;
  bool finished_ = false;
};

// The unit stands at the end of its movement and is not warping.
bool IsUnitAtRest(const Combatant& unit);

// One unit's orders: the first (owning the rest), the one being carried out
// and the first one a reaction added in this turn.
class TOrderChain {
 public:
  // The order becomes first and current, and begins.
  explicit TOrderChain(std::unique_ptr<TOrder> first);
  ~TOrderChain();
  TOrderChain(const TOrderChain&) = delete;
  TOrderChain& operator=(const TOrderChain&) = delete;

  // The first order's unit id; -1 for an empty chain.
  int32_t UnitId() const;
  bool IsEmpty() const { return head_ == nullptr; }
  // An order is being carried out.
  bool IsRunning() const { return current_ != nullptr; }

  TOrder* Head() const { return head_.get(); }
  TOrder* Current() const { return current_; }
  TOrder* ReactionMark() const { return mark_; }
  // Null for an empty chain.
  TOrder* Last() const;

  // A chain that had run out runs again from the new order.
  void Append(std::unique_ptr<TOrder> order);
  // Takes back the last order when it lets itself be removed.
  void RemoveLast();
  // Deletes the order when it belongs to this chain; nothing otherwise.
  void Remove(TOrder* order);
  // Runs the chain at clock time now: each order that completes hands the
  // time after its end to the next, so any number may complete in one tick.
  void Run(float now);
  // Markers of the current order and the ones after it (done orders keep
  // theirs as they are).
  void ShowMarkers(bool show);
  // Reaction orders go, every order returns to its planned state and the
  // chain starts again from its first.
  void Rewind();
  void DropReactionOrders();
  // The orders from the first up to, not including, the reaction mark.
  void Collect(std::vector<TOrder*>& out) const;
  // Deletes the orders after the current one and stops the chain; the
  // current order stays as done.
  void StopAfterCurrent();
  // The planned time of every order, done ones included.
  float PlannedTime() const;
  // Orders appended from now on are a reaction's (the mark falls on the
  // last order, unless a mark is already set).
  void MarkReactionStart();
  // Where the last order leaves the unit; the origin for an empty chain.
  TVector3 EndPosition() const;

 private:
  bool Holds(const TOrder* order) const;
  // Whether the order lies at or after `from`.
  static bool IsAtOrAfter(const TOrder* from, const TOrder* order);
  // Before the orders from `from` on are deleted: neither the current order
  // nor the mark may be left pointing at them.
  void ForgetFrom(const TOrder* from);

  std::unique_ptr<TOrder> head_;
  TOrder* current_ = nullptr;
  TOrder* mark_ = nullptr;
};
