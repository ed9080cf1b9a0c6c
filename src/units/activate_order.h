// "Activate": the unit walks to a door switch, power control or other
// switchable terrain object, stands facing it for one time unit and then
// switches it. The object is never held: it is looked up at the clicked
// point whenever it is needed, so a switch that was destroyed or replaced
// in the meantime is simply not found.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/vector3.h"
#include "units/hold_orders.h"
#include "units/movement_order.h"

class TActionResolver;
class TDataStream;
class TIdMapper;
class TTerrainObject;
class TWorld;

class TActivateOrder : public TRouteOrder {
 public:
  static constexpr std::string_view kName = "Activate";
  static constexpr std::string_view kMovementKind = "ActivateMovement";
  static constexpr std::string_view kMarkerName = "ActivatePoint";
  // How long the unit works the switch.
  static constexpr float kActivationTime = 1.0f;
  // Units smaller than this must come nearly onto the approach point ...
  static constexpr float kSmallUnitRadius = 0.5f;
  static constexpr float kSmallUnitReach = 0.499f;
  // ... larger ones reach it from half a cell's diagonal beyond their radius.
  static constexpr float kReachMargin = 0.7071f;
  // The route need only come this near the approach point.
  static constexpr float kArrivalDistance = 1.0f;

  TActivateOrder(int32_t unitId, TActionResolver& resolver, const TVector3& targetPoint);
  // The unit id, then the target point.
  TActivateOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);
  ~TActivateOrder() override;

  // Finds where to stand to work the switch, marks the switch and plans.
  void Begin() override;
  bool Update(float now) override;
  // The route's markers, then the switch's.
  void ShowMarker(bool show) override;
  void Reset() override;
  void Write(TDataStream& stream) const override;
  std::string_view Name() const override { return kName; }
  // The walk and the time at the switch.
  float PlannedTime() const override;
  // Same class, and the same target point when the tokens give one.
  bool IsSameOrder(const std::vector<std::string>& tokens) const override;
  // The approach point while the switch is there; else where the unit stands.
  std::optional<TVector3> Destination() const override;
  float ArrivalDistance() const override { return kArrivalDistance; }

  // The switchable object at the target point; null when there is none (or
  // the top object there has no action).
  TTerrainObject* FindTarget() const;
  // The unit stands near enough to the approach point to work the switch.
  bool InReach() const;
  // Switches the target: a door switch toggles its doors, a power control
  // turns its cell on or off.
  void Toggle();

  const TVector3& GetTargetPoint() const { return targetPoint_; }
  const TVector3& GetApproachPoint() const { return approachPoint_; }
  bool IsActivating() const { return activationStarted_; }
  float GetActivationStart() const { return activationStart_; }
  const TOrderPointMarker& GetMarker() const { return marker_; }

 private:
  // Renames the control to its other state, queues it to be replaced and
  // switches the cell its power line reaches.
  void SwitchPowerControl(TTerrainObject& control, bool turnOn);

  TVector3 targetPoint_;
  TWorld* world_ = nullptr;
  TOrderPointMarker marker_;
  float activationStart_ = 0.0f;
  bool activationStarted_ = false;
  TVector3 approachPoint_;
};

// Files the stream reader of "Activate" with the order factory.
void RegisterActivateOrderReaders();
