// The one place where units change the world while a turn is computed. Order
// chains never touch the world themselves: each time an order acts it calls
// an operation here, which builds the matching event, lets it apply itself
// and keeps it in the turn's event list, so the turn can later be replayed
// from the list alone.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/vector3.h"

class Combatant;
class TCombatantList;
class TCompoundVolume;
class TEvent;
class TEventList;
class TGameObject;
class TGameRecord;
class TObjectRef;
class TPositionMap;
class TReactionManager;
class TScenario;
class TWorld;

class TActionResolver {
 public:
  // What a refused step reports beside the result.
  struct TStepBlock {
    // The step is barred by something worth a detour.
    bool obstructed = false;
    // The object in the way (a unit, a dump, an egg, or a door the caller
    // may open); the caller's value stays when nothing is named.
    int32_t blockerId = -1;
  };

  TActionResolver(TWorld& world, TReactionManager* reactions);
  virtual ~TActionResolver();
  TActionResolver(const TActionResolver&) = delete;
  TActionResolver& operator=(const TActionResolver&) = delete;

  void SetEvents(TEventList* events) { events_ = events; }
  void SetScenario(TScenario* scenario) { scenario_ = scenario; }
  void SetGameRecord(TGameRecord* record) { record_ = record; }
  void SetReactions(TReactionManager* reactions) { reactions_ = reactions; }

  TWorld& GetWorld() const { return *world_; }
  TEventList* GetEvents() const { return events_; }
  TScenario* GetScenario() const { return scenario_; }
  TReactionManager* GetReactions() const { return reactions_; }
  TPositionMap& GetPositions() const { return *positions_; }
  TCombatantList& GetUnits() const;

  // --- movement -------------------------------------------------------------
  // Tests the unit's step to the point with the unit's volume; a refused step
  // stops the unit's actions when stopOnRefusal is set.
  bool CanMoveTo(Combatant& unit, TCompoundVolume& volume, const TVector3& next, float t, bool stopOnRefusal,
                 TStepBlock& block);
  // Moves the unit one step to the point when the step is allowed (reserving
  // the point); a refused step turns the unit towards the point.
  bool MoveUnit(Combatant& unit, const TVector3& next, float t, bool quiet, TStepBlock& block);
  void StopActions(Combatant& unit, float t);
  void TurnToFace(Combatant& unit, float t, const TVector3& point);
  void SetAnimation(Combatant& unit, float t, const std::string& state);

  // --- fighting ---------------------------------------------------------------
  // t is the moment the shot leaves (the recorded events carry it); it may
  // lie before the tick's time.
  void FireWeapon(Combatant& unit, const TVector3& target, float t);
  // The warp gunner's volley through the target and the further points: the
  // events are recorded at t, the route starts at routeStart.
  void FireWarpAttack(Combatant& unit, const TVector3& target, const std::vector<TVector3>& further, float t,
                       float routeStart);
  void FirePsychicAttack(Combatant& unit, const TVector3& point, float t);
  void FirePsychic(Combatant& unit, const TVector3& point, float t);
  void CloseCombatHit(Combatant& attacker, TGameObject& target, float t);
  void KillUnit(Combatant& unit, float t);
  // Turns every aimed shot aside by a random amount that grows with the
  // spread (0 leaves it as it is).
  static void DeviateDirection(TVector3& direction, float spread);

  // --- care ---------------------------------------------------------------------
  void Heal(Combatant& unit, float t);
  void Resupply(Combatant& unit, float t, TGameObject* supplier);
  void ToggleShield(Combatant& unit, bool on, float t);
  void EatCorpse(Combatant& eater, TGameObject& object, float t);
  void LayEgg(Combatant& unit, float t);
  void SetReactionRules(Combatant& unit, float t, const std::string& policy, const std::string& kind);

  // --- deployment ---------------------------------------------------------------
  // Places a new object of the type for the player; its id, or -1 when
  // nothing could be placed (the Deploy order tries again later).
  int32_t DeployUnit(int32_t objectId, const std::string& typeName, int32_t player, const TVector3& position,
                     float t, const std::string& unitName);
  // Takes a deployed object back, refunding its cost to the scenario.
  void CheckDeployment(int32_t objectId);
  float GetUnitTypeCost(const std::string& typeName) const;

  // --- vision -------------------------------------------------------------------
  // Records that the side's view of the object changed.
  void UpdateVision(TGameObject& object, int32_t side, float t);

  // --- standing rules of every simulated tick ----------------------------------------
  // Due blast and goo-blast hits become damage and renew events.
  void CollectDamage(float t);
  // Units standing in goo take the damage since the last pass.
  void ApplyGooDamage(float t);
  // Whatever stands in a force field is destroyed.
  void ApplyForceFields(float t);
  // Recovering units reload, raised shields drain ammunition.
  void UpdateRecharge(float t);
  // A unit whose type dies with its weapon empty is killed by a recorded
  // blow, so that every player's playback sees it die, not only the
  // computing world (whose destroyed-object pass would kill it unrecorded).
  void KillUnitsOutOfAmmunition(float t);
  // Tells each side of the objects the last new-object pass added that it
  // sees (at the object's own time; a surrogate at t), then forgets them.
  void UpdateAllVision(float t);
  // Records each side's score when it changed (needs a game record).
  void UpdateScores(float t, const TScenario* scenario);
  // The server stops every unit that is doing something before a turn.
  void StopAllUnits(float t);

  // Whether the events of an unfinished turn are kept at the turn reset (a
  // locally computed game that is being rebuilt).
  void SetKeepEvents(bool keep) { keepEvents_ = keep; }
  bool KeepsEvents() const { return keepEvents_; }
  // Drops the unfinished turn's events (unless kept), the reservations and
  // the recovery and shield timers.
  void ResetTurn();

 private:
  // Adds an event that has already applied itself; null records nothing.
  void Record(std::unique_ptr<TEvent> event);
  // Events shared by the fire operations: the "Fire" animation, then the
  // ammunition spent.
  void RecordShot(Combatant& unit, float t);
  // The aimed and deviated direction of a shot from the unit at the target.
  TVector3 AimedDirection(Combatant& unit, const TVector3& target) const;
  // The nearest enemy of the unit to the point and whether it is struck;
  // null when the unit has no enemy.
  Combatant* PickPsychicVictim(Combatant& unit, const TVector3& point, bool& struck) const;
  bool HasShotReady(const Combatant& unit) const;
  // Recovery and shield drain of one living unit.
  void Recover(Combatant& unit, float t);
  void DrainShield(Combatant& unit, float t);
  // The timer of the unit in one of the two lists; -1 when absent.
  static int32_t FindTimer(const std::vector<std::unique_ptr<TObjectRef>>& units, int32_t id);
  static void DropTimer(std::vector<std::unique_ptr<TObjectRef>>& units, std::vector<float>& starts, int32_t id);

  // Step tests of CanMoveTo.
  bool IsReservedByOther(const Combatant& unit, const TVector3& next, TStepBlock& block) const;
  bool IsTerrainFree(const Combatant& unit, TCompoundVolume& volume, const TVector3& next, TStepBlock& block) const;
  bool IsGooFree(const Combatant& unit, TCompoundVolume& volume, const TVector3& next, TStepBlock& block) const;
  bool AreObjectsClear(Combatant& unit, TCompoundVolume& volume, const TVector3& next, TStepBlock& block);

  TEventList* events_ = nullptr;
  TScenario* scenario_ = nullptr;
  TWorld* world_ = nullptr;
  TReactionManager* reactions_ = nullptr;
  TGameRecord* record_ = nullptr;
  bool keepEvents_ = false;
  // The units that recover, and those whose shields recharge, each with the
  // time it began.
  std::vector<std::unique_ptr<TObjectRef>> recoveryUnits_;
  std::vector<float> recoveryStarts_;
  std::vector<std::unique_ptr<TObjectRef>> shieldUnits_;
  std::vector<float> shieldStarts_;
  std::unique_ptr<TPositionMap> positions_;
};
