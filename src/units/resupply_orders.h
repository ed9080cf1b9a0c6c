// Orders that walk a unit to an object and then act on it. "Resupply" takes
// ammunition from a supplier (an ammunition dump or a unit that carries
// resupply energy) one round at a time, until the unit's weapon is full or
// the supplier is gone or empty. "SuicideAttack" makes a unit destroy itself
// next to an enemy it can see.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "units/movement_order.h"
#include "units/time_limit.h"

class Combatant;
class TActionResolver;
class TDataStream;
class TGameObject;
class TIdMapper;
class TSightResolver;
class TWeapon;
class TWorld;

class TResupplyOrder : public TApproachOrder {
 public:
  static constexpr std::string_view kName = "Resupply";
  static constexpr const char* kMovementKind = "ResupplyMovement";

  TResupplyOrder(int32_t unitId, TActionResolver& resolver, int32_t supplierId);
  // The unit id, then the supplier id, both through the mapper.
  TResupplyOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);
  ~TResupplyOrder() override;

  // Also forgets the round timer and the done flag.
  void Reset() override;
  void Write(TDataStream& stream) const override;
  std::string_view Name() const override { return kName; }
  // The walk, then one round per ReloadRate / maximum for every round the
  // weapon lacks.
  float PlannedTime() const override;
  // Takes a round each round time while the unit stands beside the supplier
  // in a clear line; otherwise stops the round timer and lets it approach.
  bool ActAtTarget(float now) override;
  // Over when the supplier is gone or a supplying unit is empty, when the
  // weapon is full, or when the unit has no weapon to fill.
  bool IsOver() const override;

  bool IsDone() const { return done_ != 0; }
  // Null until the order first acted at its supplier.
  const TTimeout* GetRoundTimer() const { return roundTimer_.get(); }

 private:
  // The weapon of the unit when it can hold ammunition at all.
  static const TWeapon* FillableWeapon(const Combatant& unit);
  bool CanTakeFrom(const Combatant& unit, const TGameObject& supplier) const;
  // At most one round per call, stamped at the moment its round time ran out.
  void ResupplyStep(Combatant& unit, TGameObject& supplier, float now);
  void StopRoundTimer();

  std::unique_ptr<TTimeout> roundTimer_;
  uint8_t done_ = 0;
};

class TSuicideAttackOrder : public TApproachOrder {
 public:
  static constexpr std::string_view kName = "SuicideAttack";
  static constexpr const char* kMovementKind = "SuicideAttackMovement";
  static constexpr float kPlannedTime = 10.0f;

  // The line questions are asked over the world (the resolver's when null).
  TSuicideAttackOrder(int32_t unitId, TActionResolver& resolver, int32_t targetId, TWorld* world);
  TSuicideAttackOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);
  ~TSuicideAttackOrder() override;

  void Write(TDataStream& stream) const override;
  std::string_view Name() const override { return kName; }
  float PlannedTime() const override { return kPlannedTime; }
  // Destroys the unit once it stands within reach of a target its player
  // sees, with a clear path to it.
  bool ActAtTarget(float now) override;
  // While the target is seen the attack goes on; out of view it ends where
  // the target was last seen, or at once when the target died there.
  bool IsOver() const override;

 private:
  std::unique_ptr<TSightResolver> sight_;
};

// The stream readers of "Resupply" and "SuicideAttack".
void RegisterResupplyOrderReaders();
