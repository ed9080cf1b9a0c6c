// The orders of every unit of a game: one chain per unit that has orders, in
// the order in which the units received their first order. The simulation
// runs the chains each tick; the session writes a player's orders into the
// orders stream and the server reads them back.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "app/vector3.h"
#include "units/order.h"

class TActionResolver;
class TDataStream;
class TGameObject;
class TIdMapper;

using TOrderVector = std::vector<std::unique_ptr<TOrder>>;

class TOrderList {
 public:
  TOrderList() = default;
  virtual ~TOrderList();
  TOrderList(const TOrderList&) = delete;
  TOrderList& operator=(const TOrderList&) = delete;

  // Appends to the unit's chain; the unit's first order makes a new chain at
  // the end.
  void Add(std::unique_ptr<TOrder> order);
  void AddOrders(TOrderVector orders);
  // Takes back the unit's last order; the chain goes when it is empty.
  void Cancel(const TGameObject& unit);
  // The orders after the running one go and the unit's chain stops.
  void CancelUnitOrders(int32_t unitId);
  void Clear();
  // Before a turn is simulated again from its start: reaction orders go,
  // every chain starts again from its first order.
  void Rewind();
  void RunTick(float now);
  static void RunChain(TOrderChain& chain, float now);
  // The unit's remaining markers are shown, every other unit's hidden.
  void ShowMarkers(int32_t unitId);
  // Chain after chain, each up to its reaction mark.
  std::vector<TOrder*> CollectOrders() const;

  // Every order but the reactions', each as name, unit id and fields, then
  // "End".
  void WriteOrders(TDataStream& stream) const;
  // Reads orders up to "End" into `out` (the caller then adds them):
  // "Retreat" entries are read and dropped, as are orders whose unit is not
  // in the world (but for "Deploy", whose unit does not exist yet) and
  // entries the class refuses. False, with `out` as it was and the stream
  // marked failed, when the data ends before "End", a name is no order's or
  // has no reader, an order's fields do not read (points and times that are
  // not finite, values the order class does not know), or the stream holds
  // more than kMaxOrdersPerUnit entries for one unit or kMaxOrders in all.
  // Far above what a player gives in a turn, and low enough that planning
  // every order of a stream stays a matter of seconds.
  static constexpr int32_t kMaxOrdersPerUnit = 64;
  static constexpr int32_t kMaxOrders = 1024;
  static bool ReadOrders(TOrderVector& out, TActionResolver& resolver, TIdMapper& ids, TDataStream& stream);

  // Whether some chain of the unit is running.
  bool HasOrders(int32_t unitId) const;
  // The same asked of the unit's first chain only (a unit has one).
  bool HasOrdersInFirstChain(int32_t unitId) const;
  float PlannedTime(int32_t unitId) const;
  void MarkReactionStart(int32_t unitId);
  // Where the unit's orders leave it; none without a chain.
  std::optional<TVector3> EndPosition(int32_t unitId) const;
  // Deletes the order from its unit's chain (the chain goes when empty).
  void RemoveOrder(TOrder* order);
  TOrder* LastOrder(int32_t unitId) const;

  int32_t GetChainCount() const { return static_cast<int32_t>(chains_.size()); }
  // Null outside 0 .. count - 1.
  TOrderChain* GetChain(int32_t index) const;
  // Deletes the chain at the index only when it is empty.
  void RemoveChain(int32_t index);
  void RemoveEmptyChains();

 private:
  // The index of the unit's chain; -1 without one.
  int32_t FindChainIndex(int32_t unitId) const;
  TOrderChain* FindChain(int32_t unitId) const;

  std::vector<std::unique_ptr<TOrderChain>> chains_;
};
