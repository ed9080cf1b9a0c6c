// "Pursue": the unit follows an enemy and shoots at it whenever the target
// is in view, within reach and in a clear line. Once in position it runs an
// aim-and-fire cycle: each cycle lasts the unit's Aim Time plus a small
// random jitter and fires half a time unit before it ends, so a pursuing unit
// fires about once per Aim Time. Any tick in which the target is not in
// position ends the cycle and the unit stands. The order is over when the
// target is gone from view and the unit has reached where it was last seen,
// or a corpse lies there.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "units/movement_order.h"

class Combatant;
class TActionResolver;
class TDataStream;
class TIdMapper;
class TSightResolver;
class TWorld;

class TPursueOrder : public TApproachOrder {
 public:
  static constexpr std::string_view kName = "Pursue";
  static constexpr const char* kMovementKind = "PursueMovement";
  static constexpr float kPlannedTime = 10.0f;
  // The unit shoots from within this share of its weapon's range ...
  static constexpr float kRangeShare = 0.5f;
  // ... unless that share falls below this; then from its full range.
  static constexpr float kShortestShare = 2.0f;
  // The shot leaves this long before the cycle ends.
  static constexpr float kShotLead = 0.5f;

  TPursueOrder(int32_t unitId, TActionResolver& resolver, int32_t targetId, TWorld& world);
  // The unit id, then the target id, both through the mapper.
  TPursueOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);
  ~TPursueOrder() override;

  // The aim-and-fire cycle back to its start, then the approach reset.
  void Reset() override;
  // The name, then the unit id and the target id.
  void Write(TDataStream& stream) const override;
  std::string_view Name() const override { return kName; }
  float PlannedTime() const override { return kPlannedTime; }
  // Shoots while the target is seen, within range and in a clear line;
  // otherwise ends a running cycle and lets the unit walk on.
  bool ActAtTarget(float now) override;
  bool IsOver() const override;

  // One tick of the aim-and-fire cycle.
  void FireAtTarget(float now);
  // The distance below which the unit shoots.
  static float ShootingRange(const Combatant& unit);

  bool IsAiming() const { return aiming_; }
  bool HasFired() const { return fired_; }
  float GetJitter() const { return jitter_; }
  void SetJitter(float jitter) { jitter_ = jitter; }
  float GetCycleStart() const { return cycleStart_; }

 private:
  bool MayShoot(const Combatant& unit, TGameObject& target) const;
  void StopCycle(Combatant& unit, float now);
  // Where the target stands now becomes where it was last seen.
  void RememberTarget();

  bool aiming_ = false;
  bool fired_ = false;
  float jitter_ = 0.0f;
  std::unique_ptr<TSightResolver> sight_;
  float cycleStart_ = 0.0f;
};

// The stream reader of "Pursue".
void RegisterPursueOrderReaders();
