// Orders that keep a unit beside another unit. "Follow" walks after its
// target and stands still beside it for as long as the target exists. "Heal"
// walks to a friendly unit and heals it at the healer's Healing Rate while
// both stand still, within reach and in a clear line of each other; any
// break (either unit moves, the reach or the line is lost) stops the heal
// period, so the next one starts afresh.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "units/movement_order.h"
#include "units/time_limit.h"

class Combatant;
class TActionResolver;
class TDataStream;
class TIdMapper;

class TFollowOrder : public TApproachOrder {
 public:
  static constexpr std::string_view kName = "Follow";
  static constexpr const char* kMovementKind = "FollowMovement";
  // The order lasts while its target exists; it is planned as a whole turn.
  static constexpr float kPlannedTime = 10.0f;

  TFollowOrder(int32_t unitId, TActionResolver& resolver, int32_t targetId);
  // The unit id, then the target id, both through the mapper.
  TFollowOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);

  // The name, then the unit id and the target id.
  void Write(TDataStream& stream) const override;
  std::string_view Name() const override { return kName; }
  float PlannedTime() const override { return kPlannedTime; }
  // Keeps the unit standing once it has come to rest beside the target.
  bool ActAtTarget(float now) override;
  // Over once the target is gone.
  bool IsOver() const override;
};

class THealOrder : public TApproachOrder {
 public:
  static constexpr std::string_view kName = "Heal";
  static constexpr const char* kMovementKind = "HealMovement";
  static constexpr float kPlannedTime = 10.0f;

  THealOrder(int32_t unitId, TActionResolver& resolver, int32_t targetId);
  THealOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);
  ~THealOrder() override;

  // Also forgets the heal timer: the next heal period starts afresh.
  void Reset() override;
  void Write(TDataStream& stream) const override;
  std::string_view Name() const override { return kName; }
  float PlannedTime() const override { return kPlannedTime; }
  // Heals while healer and patient stand still within reach and in a clear
  // line; otherwise stops the heal period and lets the unit approach.
  bool ActAtTarget(float now) override;
  bool IsOver() const override;

  // Null until the order first acted at its target.
  const TTimeout* GetHealTimer() const { return healTimer_.get(); }

 private:
  // Healer and patient stand still within reach and see each other.
  bool CanHeal(const Combatant& healer, const Combatant& patient) const;
  // One heal each Healing Rate, stamped at the moment the period ran out.
  void HealStep(Combatant& healer, Combatant& patient, float now);
  void StopHealTimer();

  std::unique_ptr<TTimeout> healTimer_;
};

// The stream readers of "Follow" and "Heal".
void RegisterFollowOrderReaders();
