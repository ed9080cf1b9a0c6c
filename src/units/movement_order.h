// The two bases of the orders that make a unit walk. TRouteOrder walks a
// route to a fixed destination that the concrete order names, one step per
// tick through the action resolver: it waits briefly when a step is refused,
// plans around units and objects in the way and gives up in a few settled
// cases (an enemy in the way, fresh goo). TApproachOrder walks to an object
// that may move: the destination follows the target while the unit's player
// sees it, the route is planned anew once the target has moved away from
// where it was planned to, and the concrete order acts once the unit has
// come to rest near it. A table shared by all route orders, unit id to the
// id of what blocked its last step, lets a step recognise units that block
// each other.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/vector3.h"
#include "units/order.h"
#include "units/path_search.h"
#include "units/time_limit.h"
#include "world/object_ref.h"

class TGameObject;

// A map marker of an order, kept until the map view can draw it: what the
// visual will be (category and key), where it stands and whether it is shown.
struct TOrderMarker {
  std::string category;
  std::string key;
  TVector3 point;
  bool shown = false;
};

class TRouteOrder : public TOrder {
 public:
  // How long a refused step waits before the route is planned again.
  static constexpr float kWaitTime = 0.2f;
  // A unit farther than this from its next route point has been displaced
  // (a route segment at least this long is a Regenerator jump).
  static constexpr float kDisplacedDistance = 1.1f;
  // Regenerators within this of both the unit and its next point explain a
  // distance beyond kDisplacedDistance: the unit is jumping.
  static constexpr float kRegeneratorReach = 2.5f;
  // Margins of the search boxes: after a wait, and for a detour.
  static constexpr float kWaitSearchMargin = 4.0f;
  static constexpr float kDetourSearchMargin = 2.5f;
  // How many links of the blocker table a cycle back to the unit may take.
  static constexpr int32_t kBlockerCycleLinks = 10;
  // A blocked unit this much beyond touching distance of its destination may
  // leave the rest of the way to its next walking order.
  static constexpr float kStopShortMargin = 0.5f;
  // Where a route that ends this near the destination still counts as
  // leading there (half the diagonal of a cell, rounded up).
  static constexpr float kNearDestination = 0.7072f;
  static constexpr float kBaseArrivalDistance = 1.0f;

  TRouteOrder(int32_t unitId, TActionResolver& resolver, const std::string& markerKey);
  TRouteOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids, const std::string& markerKey);
  ~TRouteOrder() override;

  // --- TOrder --------------------------------------------------------------------
  // Plans the route at once, unless a turn is being computed as the server:
  // an order with a previous order then plans from where the unit stands
  // when the order starts.
  void Begin() override;
  bool Update(float now) override;
  void ShowMarker(bool show) override;
  bool IsActive() const override { return started_; }
  void Reset() override;
  // A started order puts its unit back where the order began.
  bool CanRemove() override;
  // The travel time of the route at the unit type's speed.
  float PlannedTime() const override;
  std::optional<TVector3> StartPoint() const override { return startPoint_; }
  int32_t TargetId() const override { return -1; }
  // The route's last point; where the order starts while there is no route.
  TVector3 EndPosition() const override;
  // Also forgets what blocked the unit and clears its under way flag.
  void IdleRest(float now) override;

  // --- what the walking orders supply ----------------------------------------------
  // Where the order leads; none while there is nowhere to go yet.
  virtual std::optional<TVector3> Destination() const = 0;
  // Plans the route to the destination: from where the unit stands once
  // the order has started, else from where the order starts.
  virtual void ComputeRoute();
  // How near the route's end must come to the destination.
  virtual float ArrivalDistance() const { return kBaseArrivalDistance; }
  // The order always has somewhere to go and plans a route to it, so once it
  // starts after another order it is sure to plan afresh.
  virtual bool HasFixedDestination() const { return false; }
  // The object the order walks to; it never counts as a blocker to walk round.
  virtual int32_t TargetUnitId() const { return -1; }

  // --- the blocker table, shared by every route order ----------------------------------
  // Records what blocked this order's unit (-1: nothing).
  void SetBlocker(int32_t blockerId);
  // What blocked the unit's last step; -1 when nothing is recorded.
  static int32_t GetBlocker(int32_t unitId);
  static void ClearBlockers();

  // Whether a route no longer serves a walk to the goal: it is empty, or it
  // misses the goal and either the walker's next point is already near the
  // goal or the route ends farther from it than the arrival distance.
  static bool IsRouteOutdated(const TRoute& route, const std::optional<TVector3>& goal, float arrivalDistance);

  // --- state, for the concrete orders and the interface ---------------------------------
  bool IsStarted() const { return started_; }
  bool IsFirstStep() const { return firstStep_; }
  bool IsRunning() const { return running_; }
  bool IsWaiting() const { return waiting_; }
  const TPathSearch& GetRoute() const { return *route_; }
  TRoutePointMeasure& GetMeasure();
  const TTimeout& GetWaitTimeout() const { return waitTimeout_; }
  bool AreRouteMarkersShown() const { return route_->AreMarkersShown(); }

 protected:
  TPathSearch& MutableRoute() { return *route_; }
  // Started: the started and first-step flags set, the route planned again
  // when a previous order may have left the unit elsewhere, the start point
  // taken.
  void StartOrder(Combatant& unit);
  void ClearFirstStep() { firstStep_ = false; }
  // One tick of walking.
  void Step(float now);
  // Sets the waiting flag, stops a running movement and starts the wait.
  void StartWaiting(Combatant& unit, float now);
  // Ends the unit's running movement, if any.
  void StopRunning(Combatant& unit, float now);

  // The order's unit stands on the point.
  static bool StandsOn(const Combatant& unit, const TVector3& point);
  // The unit has reached the point its current movement leads to.
  static bool IsAtMovementTarget(const Combatant& unit);
  // When the unit's current movement (or warp) ends.
  static float MotionEndTime(const Combatant& unit);
  // The radius of the object's line-of-fire volume.
  static float RadiusOf(const TGameObject& object);
  TGameObject* FindInWorld(int32_t id) const;

 private:
  // The route's cursor back at its start and its markers shown again.
  void RestartRoute();
  // A rewind need not plan: the order follows another one and plans again
  // from where its unit stands when it starts, and every later order of its
  // chain does the same, so nothing reads the route before then (neither a
  // later order's plan nor a marker that starts where this route ends).
  bool IsRewindPlanUnused() const;
  // A measure for the order's unit as it is now (a unit that cannot be
  // resolved walks with no size, for nobody).
  void RebuildMeasure();
  // Plans again and steps past the point the unit stands on.
  void Replan();
  bool IsDone(float now);
  bool MayStopShort(const Combatant& unit) const;
  bool NextWalkingOrderFollows() const;
  // The object that blocks the unit is itself blocked by another object.
  bool IsBlockedByThird(const Combatant& unit) const;
  bool FormsBlockerCycle(const Combatant& unit, int32_t blockerId) const;
  bool ShouldDetour(const Combatant& unit, bool obstructed, int32_t blockerId) const;
  // Both the unit and the point stand by Regenerators.
  bool IsJumpingByRegenerators(const Combatant& unit, const TVector3& point) const;
  void Detour(Combatant& unit, const TVector3& point, float now);
  // One step towards the point; records the blocker.
  void MoveTowards(Combatant& unit, const TVector3& point, float now, bool& obstructed, int32_t& blockerId);
  // The route no longer leads to the destination.
  bool IsRouteOutdated() const;
  // Ends the chain when an enemy's unit, dump or egg blocks the unit.
  void CheckBlocker(const Combatant& unit);
  // Ends the chain when the unit ran into goo laid in this turn.
  void CheckGoo(const Combatant& unit, float now);
  bool IsEnemyObstacle(const Combatant& unit, const TGameObject& object) const;

  std::unique_ptr<TPathSearch> route_;
  bool started_ = false;
  bool firstStep_ = false;
  bool running_ = false;
  bool waiting_ = false;
  std::unique_ptr<TRoutePointMeasure> measure_;
  // The volume the measure was made with: a unit re-created from its record
  // has a new one, and the measure must follow it.
  const TCompoundVolume* measureVolume_ = nullptr;
  TVector3 startPoint_;
  TTimeout waitTimeout_{kWaitTime};

  static std::map<int32_t, int32_t> blockers_;
};

class TApproachOrder : public TRouteOrder {
 public:
  // Half the diagonal of a cell: units touch when their centres are this
  // much beyond their radii apart.
  static constexpr float kReachMargin = 0.7071f;
  // The target may move this far before the route is planned anew.
  static constexpr float kReplanDistance = 0.5f;
  // A unit standing this near the place its unseen target was last seen
  // gives up the chase.
  static constexpr float kGiveUpDistance = 0.4999f;
  static constexpr const char* kTargetMarkerCategory = "Interface";
  static constexpr const char* kTargetMarkerKey = "WayPoint";

  TApproachOrder(int32_t unitId, TActionResolver& resolver, const std::string& markerKey, int32_t targetId);
  TApproachOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids, const std::string& markerKey);
  ~TApproachOrder() override;

  bool Update(float now) override;
  void ShowMarker(bool show) override;
  void Reset() override;
  // The unit id, then the target id.
  void Write(TDataStream& stream) const override;
  // The target where the unit's player sees it; else where it was last seen.
  std::optional<TVector3> Destination() const override;
  void ComputeRoute() override;
  // The two radii and the margin.
  float ArrivalDistance() const override;
  int32_t TargetUnitId() const override;

  // What the concrete order does once its unit has come to rest; true when
  // it acted in this tick.
  virtual bool ActAtTarget(float now) = 0;
  // The order's purpose is over (the target is gone, its work is done ...).
  virtual bool IsOver() const { return false; }

  // The unit is near enough to the target to act on it.
  bool InReach() const;
  // The reach test for any target: the two radii overlap within the margin.
  static bool Reaches(const Combatant& unit, const TGameObject& target);

  TGameObject* GetTarget() const { return target_.Resolve(); }
  bool IsTargetValid() const { return target_.IsValid(); }
  int32_t GetTargetId() const { return target_.GetId(); }
  const std::optional<TVector3>& GetLastTargetPosition() const { return lastTargetPosition_; }
  const TOrderMarker* GetTargetMarker() const { return targetMarker_.get(); }

 protected:
  void ApproachStep(float now);
  // Where the target was last known to be.
  void SetLastTargetPosition(const TVector3& place) { lastTargetPosition_ = place; }
  // The unit stands at the place its target was last seen.
  bool StandsWhereTargetWasLastSeen() const;
  // A chase after an enemy is over once the unit's player no longer sees
  // the target and either nothing was ever seen of it, it died where it was
  // last seen, or the unit stands there.
  bool IsChaseOver() const;

 private:
  void BindTarget(int32_t targetId);
  void DeleteTargetMarker() { targetMarker_.reset(); }

  TObjectRef target_;
  std::unique_ptr<TOrderMarker> targetMarker_;
  std::optional<TVector3> lastTargetPosition_;
};
