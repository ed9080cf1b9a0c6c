// Orders that run a unit up to an enemy and strike it hand to hand. All
// three walk towards the target through the approach base and strike once the
// unit has come to rest within reach and in a clear line: "CloseAttack"
// strikes once; "CloseCombat" strikes again and again while the enemy stays
// within reach; "OpportunityPursue" fights as "CloseCombat" but first turns
// to the nearest enemy it sees and can reach. A strike turns the unit to
// face, lands its hit once the weapon is prepared and ends when the weapon
// has rested; strikes chain without a gap, each new one starting exactly when
// the previous one ended.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "app/vector3.h"
#include "units/movement_order.h"
#include "world/object_ref.h"

class Combatant;
class TActionResolver;
class TDataStream;
class TGameObject;
class TIdMapper;
class TSightResolver;
class TWorld;

// What the three close-combat orders share: the strike cycle, the target
// they fight (which "OpportunityPursue" may switch) and the completion test.
class TCloseCombatApproach : public TApproachOrder {
 public:
  ~TCloseCombatApproach() override;

  // The approach reset; the strike cycle back to its start.
  void Reset() override;
  // The name, the unit id, then the id of the target being fought.
  void Write(TDataStream& stream) const override;
  // The target where the unit's player sees it (remembered there), else
  // where it was last seen.
  std::optional<TVector3> Destination() const override;
  float ArrivalDistance() const override;
  int32_t TargetUnitId() const override;
  // Fights while the target is alive, seen, within reach and in a clear
  // line; true keeps the unit where it is.
  bool ActAtTarget(float now) override;
  // The target is gone, or unseen and the unit stands where it was last seen.
  bool IsOver() const override;

  // The object being fought (the original target unless it was switched).
  TGameObject* GetFightTarget() const { return fightTarget_.Resolve(); }
  int32_t GetFightTargetId() const { return fightTarget_.GetId(); }
  bool IsStriking() const { return striking_; }
  float GetStrikeStart() const { return strikeStart_; }
  bool IsHitDone() const { return hitDone_; }
  // Where the target last stood while it was seen; (0, 0, 0) until then.
  const TVector3& GetTargetPositionCopy() const { return targetPosition_; }

 protected:
  TCloseCombatApproach(int32_t unitId, TActionResolver& resolver, const char* movementKind, int32_t targetId,
                       TWorld& world);
  TCloseCombatApproach(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids, const char* movementKind);

  // What the order does when a strike has ended at `end` (start + Prepare
  // Weapon + Rest Weapon).
  virtual void OnStrikeOver(Combatant& unit, TGameObject& target, float end) = 0;

  // A new strike from `start`: face the target and swing.
  void BeginStrike(Combatant& unit, const TGameObject& target, float start);
  // The unit is within reach of the target and its line to it is clear.
  bool CanStrike(const Combatant& unit, TGameObject& target) const;
  // Points the order at another object of the world.
  void SwitchTarget(int32_t targetId);
  TSightResolver& GetSight() const { return *sight_; }

 private:
  void StrikeStep(Combatant& unit, TGameObject& target, float now);
  // After the unit fought: the place it fights at becomes the place the
  // target was last seen.
  void RememberTarget();
  bool IsSeen(const TGameObject& target) const;
  // The target alive and seen, null otherwise.
  TGameObject* FightableTarget() const;

  // The fought target is held here rather than in the approach base, since
  // "OpportunityPursue" may turn to another enemy mid-order.
  TObjectRef fightTarget_;
  bool striking_ = false;
  float strikeStart_ = 0.0f;
  bool hitDone_ = false;
  std::unique_ptr<TSightResolver> sight_;
  // Destination copies the seen target's position here.
  mutable TVector3 targetPosition_;
};

class TCloseAttackOrder : public TCloseCombatApproach {
 public:
  static constexpr std::string_view kName = "CloseAttack";
  static constexpr const char* kMovementKind = "CloseAttackMovement";

  TCloseAttackOrder(int32_t unitId, TActionResolver& resolver, int32_t targetId, TWorld& world);
  TCloseAttackOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);

  void Reset() override;
  std::string_view Name() const override { return kName; }
  // The walk, then one strike.
  float PlannedTime() const override;
  // Also over once its one strike has ended.
  bool IsOver() const override;

  bool IsStrikeFinished() const { return finished_; }

 protected:
  void OnStrikeOver(Combatant& unit, TGameObject& target, float end) override;

 private:
  bool finished_ = false;
};

class TCloseCombatOrder : public TCloseCombatApproach {
 public:
  static constexpr std::string_view kName = "CloseCombat";
  static constexpr const char* kMovementKind = "CloseCombatMovement";
  static constexpr float kPlannedTime = 10.0f;

  TCloseCombatOrder(int32_t unitId, TActionResolver& resolver, int32_t targetId, TWorld& world);
  TCloseCombatOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);

  std::string_view Name() const override { return kName; }
  float PlannedTime() const override { return kPlannedTime; }

 protected:
  // Strikes again at once while the target stays within reach.
  void OnStrikeOver(Combatant& unit, TGameObject& target, float end) override;
};

class TOpportunityPursueOrder : public TCloseCombatApproach {
 public:
  static constexpr std::string_view kName = "OpportunityPursue";
  static constexpr const char* kMovementKind = "CloseCombatMovement";
  static constexpr float kPlannedTime = 10.0f;
  // How far away a new enemy is looked for without a last target position.
  static constexpr float kSearchDistance = 100.0f;
  // A new enemy must be this much nearer than where the target was last seen.
  static constexpr float kSwitchMargin = 2.0f;

  TOpportunityPursueOrder(int32_t unitId, TActionResolver& resolver, int32_t targetId, TWorld& world);
  TOpportunityPursueOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);

  std::string_view Name() const override { return kName; }
  float PlannedTime() const override { return kPlannedTime; }
  // Turns to the nearest reachable enemy first, then fights as "CloseCombat".
  bool ActAtTarget(float now) override;

  // The nearest enemy unit the unit's player sees, in a clear line and
  // nearer than the bound; null when there is none.
  Combatant* FindNearerEnemy(Combatant& unit);
  // Switches to FindNearerEnemy's choice and plans the route anew.
  void Retarget();

 protected:
  void OnStrikeOver(Combatant& unit, TGameObject& target, float end) override;
};

// The stream readers of "CloseAttack", "CloseCombat" and "OpportunityPursue".
void RegisterCloseCombatOrderReaders();
