// Reaction fire: the unit watches a guard point for as long as its aim
// time and, when something it may shoot shows up in the direction it
// watches, engages it with the attack step of the attack orders. A watch
// that finds nothing ends when the aim time is over.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/vector3.h"
#include "units/attack_orders.h"

class TGameObject;
class TObjectRef;

class TOpportunityAttackOrder : public TAttackPositionOrder {
 public:
  static constexpr std::string_view kName = "OpportunityAttack";
  // The marker's visual is built with the library's flag set, unlike the
  // markers of the other orders.
  static constexpr std::string_view kMarkerName = "OpportunityAttack";
  static constexpr bool kMarkerFlag = true;

  // Half the width of the random part of the first delay after a target is
  // chosen.
  static constexpr float kReactionSpread = 0.05f;
  // Degrees per radian, and the turn (in degrees) that costs one Reaction
  // Time.
  static constexpr float kDegreesPerRadian = 57.295776f;
  static constexpr float kPerTurnOfReaction = 0.006666667f;

  // Per list of candidates: what is added to the angle off the watched
  // direction, and the angle (penalty included) that must not be reached.
  static constexpr float kUnitPenalty = 0.0f;
  static constexpr float kUnitLimit = 1.3089969f;
  static constexpr float kDumpPenalty = 0.2617994f;
  static constexpr float kDumpLimit = 1.5707964f;
  static constexpr float kEggPenalty = 0.7853982f;
  static constexpr float kEggLimit = 2.0943952f;

  // Watches the point (raised to the aim height, as every position attack).
  TOpportunityAttackOrder(int32_t unitId, TActionResolver& resolver, const TVector3& point);
  // The attack record, then the guard point.
  TOpportunityAttackOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);
  ~TOpportunityAttackOrder() override;

  // --- TOrder ------------------------------------------------------------------
  // Looks for a target while watching, lets a unit still in its firing pose
  // stand, then the attack step.
  bool Update(float now) override;
  // Back to watching the guard point.
  void Reset() override;
  // The attack record, then the guard point.
  void Write(TDataStream& stream) const override;
  std::string_view Name() const override { return kName; }
  // With a fourth token: that point lies strictly within the tolerance of
  // the target point.
  bool IsSameOrder(const std::vector<std::string>& tokens) const override;
  // The chosen target's id; -1 while watching.
  int32_t TargetId() const override;
  // The position attack's test and, once a target is chosen, that it still
  // exists.
  bool IsUnitValid() const override;

  // --- the attack step's hooks ---------------------------------------------------
  bool CanShoot() override;
  // The aim follows the chosen target.
  void UpdateTarget() override;
  // Engaged: the attack step's own end. Watching: the aim time is over.
  bool IsDone(float now) override;

  // Looks for the best candidate in the watched direction and engages it.
  void Scan(float now);
  // The angle, seen from `from`, between the way to `watched` and the way to
  // `candidate` (no penalty).
  static float AngleOff(const TVector3& from, const TVector3& watched, const TVector3& candidate);

  bool IsEngaged() const { return engaged_; }
  const TVector3& GetGuardPoint() const { return guardPoint_; }
  // The chosen target now; null while watching or when it is gone.
  TGameObject* GetTarget() const;

 private:
  // Replaces the position attack's marker by this order's own.
  void BuildMarker();
  // Whether the unit may engage the candidate at all: what a psyker may
  // attack, how far a warp gunner reaches, and the line of fire.
  bool CanEngage(Combatant& unit, TGameObject& candidate) const;
  // Whether the unit reaches the object: a warp gunner by range alone,
  // everyone else by a clear line of fire.
  bool ReachesOver(Combatant& unit, TGameObject& object) const;
  // The first delay after the target is chosen at `now` off by `angle`.
  float EngageDelay(const Combatant& unit, float angle, float now) const;

  bool engaged_ = false;
  std::unique_ptr<TObjectRef> target_;
  TVector3 guardPoint_;
};

// Files "OpportunityAttack" with the order factory.
void RegisterOpportunityAttackOrderReaders();
