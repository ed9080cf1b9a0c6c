// The orders that walk a unit along a planned route: "Movement" takes the
// unit to a point, "Eat" takes it to the nearest corpse it can see within a
// search range and eats it there. The walking itself is the route order's;
// these classes choose where to go and what to do on arrival, and keep the
// map marker that shows where the order leads.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/vector3.h"
#include "display/colour.h"
#include "units/hold_orders.h"
#include "units/movement_order.h"
#include "world/object_ref.h"

class TActionResolver;
class TDataStream;
class TGameObject;
class TIdMapper;
class TSightResolver;
class TWorld;

// A point marker that may be tinted: a waypoint on a place where the unit
// could not stand is shown in a warning colour.
class TWayPointMarker : public TOrderPointMarker {
 public:
  // The colour is blended in with the strength (negative values darken the
  // other channels towards it).
  void Tint(const TColour& colour, float strength);
  bool IsTinted() const { return tint_.has_value(); }
  // Null when the marker keeps the look of its visual.
  const TColour* GetTint() const { return tint_ ? &*tint_ : nullptr; }
  float GetTintStrength() const { return tintStrength_; }

 private:
  std::optional<TColour> tint_;
  float tintStrength_ = 0.0f;
};

// Walks to a point. An order made without planning (the route is planned
// elsewhere, or later) only marks its destination; read from the orders
// stream it always plans.
class TMovementOrder : public TRouteOrder {
 public:
  static constexpr std::string_view kName = "Movement";
  static constexpr std::string_view kMovementKind = "BasicMovement";
  static constexpr std::string_view kMarkerName = "WayPoint";
  // A waypoint where the unit cannot stand is tinted this red, this strongly.
  static constexpr float kBlockedTintStrength = -0.95f;

  TMovementOrder(int32_t unitId, TActionResolver& resolver, const TVector3& destination, bool planRoute);
  // The unit id, then the destination; the route is planned.
  TMovementOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);
  ~TMovementOrder() override;

  // The route's markers, then the waypoint at the end of the way.
  void ShowMarker(bool show) override;
  void Write(TDataStream& stream) const override;
  std::string_view Name() const override { return kName; }
  // Same class, and the same destination when the tokens give one.
  bool IsSameOrder(const std::vector<std::string>& tokens) const override;
  std::optional<TVector3> Destination() const override { return destination_; }
  // Plans the route, or, without planning, marks the destination only.
  void ComputeRoute() override;
  bool HasFixedDestination() const override { return planRoute_; }

  const TVector3& GetDestination() const { return destination_; }
  bool PlansRoute() const { return planRoute_; }
  // Null until the marker is built.
  const TWayPointMarker* GetMarker() const { return marker_.get(); }

 private:
  void BuildMarker(const TVector3& at);

  TVector3 destination_;
  std::unique_ptr<TWayPointMarker> marker_;
  bool planRoute_ = true;
};

// Walks to the nearest corpse the unit's player sees within the search
// range and eats it: two time units of eating from the moment the unit
// stands within reach.
class TEatOrder : public TRouteOrder {
 public:
  static constexpr std::string_view kName = "Eat";
  static constexpr std::string_view kMovementKind = "BasicMovement";
  static constexpr std::string_view kMarkerName = "EatPoint";
  static constexpr std::string_view kEatState = "Eat";
  static constexpr float kEatingTime = 2.0f;
  // Beyond the two radii, the unit reaches a corpse from this far (half a
  // cell's diagonal).
  static constexpr float kReachMargin = 0.7071f;

  TEatOrder(int32_t unitId, TActionResolver& resolver, float searchRange);
  // The unit id, the corpse id and the search range.
  TEatOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);
  ~TEatOrder() override;

  // Marks where the order begins, then plans.
  void Begin() override;
  bool Update(float now) override;
  void ShowMarker(bool show) override;
  void Reset() override;
  void Write(TDataStream& stream) const override;
  std::string_view Name() const override { return kName; }
  float PlannedTime() const override { return kEatingTime; }
  // Eating leaves the unit where it starts.
  TVector3 EndPosition() const override { return TOrder::EndPosition(); }
  // The corpse while it exists; else where the unit stands.
  std::optional<TVector3> Destination() const override;

  // The nearest corpse the unit's player sees, with a clear line to it,
  // within the search range beyond both radii; it becomes the order's
  // corpse. False when there is none.
  bool FindCorpse();
  // The unit stands still near enough to the corpse to eat it.
  bool IsCorpseInReach() const;

  float GetSearchRange() const { return searchRange_; }
  int32_t GetCorpseId() const { return corpse_.GetId(); }
  TGameObject* GetCorpse() const { return corpse_.Resolve(); }
  bool IsEating() const { return eating_; }
  float GetEatingStart() const { return eatingStart_; }
  const TOrderPointMarker& GetMarker() const { return marker_; }

 private:
  // One tick of eating; true once the corpse has been eaten.
  bool EatStep(Combatant& unit, TGameObject& corpse, float now);

  TOrderPointMarker marker_;
  TObjectRef corpse_;
  float searchRange_ = 0.0f;
  bool eating_ = false;
  float eatingStart_ = 0.0f;
  TWorld* world_ = nullptr;
  std::unique_ptr<TSightResolver> sight_;
};

// Files the stream readers of "Movement" and "Eat" with the order factory.
void RegisterWalkOrderReaders();
