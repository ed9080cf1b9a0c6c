// Fire at will: the unit shoots at one target again and again for as long
// as the target can be hit, and after every shot turns to an enemy that is
// clearly closer. The fire-at-will reaction gives it to armed units that see
// an enemy; it is stored as an "AttackElement" record under its own name.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "units/attack_orders.h"

class TSightResolver;
class TWorld;

class TContinuousAttackOrder : public TAttackElementOrder {
 public:
  static constexpr std::string_view kName = "ContinuousAttack";

  // Half the width of the random part of the first delay.
  static constexpr float kFirstDelaySpread = 0.1f;
  // Without a current target, candidates are looked for this far beyond the
  // unit's Vision.
  static constexpr float kBeyondVision = 1.0f;
  // A candidate at distance d is taken while d * kCloserFactor + kCloserMargin
  // stays below the bound; the bound then becomes d * kBoundFactor +
  // kBoundMargin.
  static constexpr float kCloserFactor = 1.1f;
  static constexpr float kCloserMargin = 2.0f;
  static constexpr float kBoundFactor = 1.15f;
  static constexpr float kBoundMargin = 1.5f;
  // Degrees per radian, and the turn (in degrees) that costs one Reaction
  // Time.
  static constexpr float kDegreesPerRadian = 57.295776f;
  static constexpr float kPerTurnOfReaction = 0.006666667f;

  // The target by its id among the world's objects, aimed at without offset;
  // the world is the resolver's.
  TContinuousAttackOrder(int32_t unitId, TActionResolver& resolver, int32_t targetId, TWorld& world);
  // The "AttackElement" record.
  TContinuousAttackOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);
  ~TContinuousAttackOrder() override;

  // --- TOrder ------------------------------------------------------------------
  // Places the marker and draws the first delay: a unit that was not already
  // shooting at this target first needs its Reaction Time.
  void Begin() override;
  std::string_view Name() const override { return kName; }
  // Reaction Time and Aim Time.
  float PlannedTime() const override;

  // --- the attack step's hooks ---------------------------------------------------
  // Only a target that is gone or cannot be hit ends the order.
  bool EndsAfterShot() override;
  // A new aim, then perhaps a closer target.
  void Rearm(float now) override;

  // Turns to the closest enemy that is clearly closer than the current
  // target (or, without one, within sight).
  void Retarget();

 private:
  // A warp gunner reaches what lies within range; anyone else what its line
  // of fire reaches.
  bool CanEngage(Combatant& unit, TGameObject& candidate);

  TWorld* world_ = nullptr;
  std::unique_ptr<TSightResolver> sight_;
};

// Files "ContinuousAttack" with the order factory.
void RegisterContinuousAttackOrderReaders();
