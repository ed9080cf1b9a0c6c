// The engine of one battle. The simulator owns the world and the services
// that act on it, and moves them on together, tick by tick, along the game
// time of its turn clock. It runs in one of three modes:
//
//   0  simulate: the orders and rules act on the world; every effect is
//      recorded as an event and applied at once (a client computing a turn
//      itself: hot-seat, single-player, a rebuilt game);
//   1  simulate with movement passes: as 0, and the movement resolver's
//      passes run twice per tick (the server computing a turn);
//   2  play back: no rule runs; the recorded events are applied in time
//      order up to the clock time (a freshly built simulator is here).
//
// The drivers own the step size: they start the clock, tick once at the
// turn's start, then advance the clock and tick again until Tick reports the
// clock paused; the tick that reaches the turn end still runs whole.
#pragma once

#include <cstdint>
#include <memory>

#include "sim/world_effect.h"

class TActionResolver;
class TEventList;
class TOrderList;
class TProjectileSystem;
class TReactionManager;
class TScenario;
class TSightResolver;
class TTurnClock;
class TWorld;

class TTurnSimulator {
 public:
  enum EMode : int32_t {
    kSimulate = 0,
    kSimulateWithMovement = 1,
    kPlayback = 2,
  };

  // The fixed clock steps of the two turn drivers: the server's 1/30 of a
  // time unit (which the clock's rounding makes 0.033) and the client's.
  static constexpr float kServerStep = 0.03333f;
  static constexpr float kClientStep = 0.05f;

  // An empty world (no map), an empty event list and effect list, the turn
  // clock at turn 0 and paused; mode 2. The world's turn begins at once.
  TTurnSimulator();
  ~TTurnSimulator();
  TTurnSimulator(const TTurnSimulator&) = delete;
  TTurnSimulator& operator=(const TTurnSimulator&) = delete;

  // Replaces (and deletes) the scenario held so far; null is allowed until
  // the first simulated tick scores the game.
  void SetScenario(std::unique_ptr<TScenario> scenario);

  // Enters the mode and prepares the turn: the turn begins, the per-turn
  // state is reset and the world is told that a turn ended (so that its
  // visuals show the state the turn starts from). May be called again for
  // the same turn (a replay or a rebuild).
  void Start(int32_t mode);

  // One tick at the clock's current time. A paused clock changes nothing.
  // Otherwise the mode's step runs, the clock stops when it has reached its
  // time limit, and when it did the world is told that the turn ended.
  // Returns whether the clock is paused after the tick.
  bool Tick();

  // Modes 0 and 1: every world list begins the turn; then the reaction
  // manager prepares the turn (mode 2 only the latter).
  void BeginTurn();
  // Clears what a turn left in the resolver, the order chains, the reaction
  // manager and the projectile system (mode 2: only the reaction manager).
  void ResetTurnState();
  // The world's end-of-turn operation: every object refreshes its visual,
  // the ambient sound updates.
  void NotifyTurnEnd();

  // The movement pass of mode 1 (steps 10 and 15 of a simulated tick): the
  // cell re-sort and the clearing of the map's changed mark happen on every
  // other call, the movement resolver's step on every call. Nothing in other
  // modes.
  void AlternateUpdate(float time);

  TWorld& GetWorld() const { return *world_; }
  TEventList& GetEvents() const { return *events_; }
  // One chain of orders per unit, run in step 4 of every simulated tick.
  TOrderList& GetOrders() const { return *orders_; }
  TSpecialEffectList& GetEffects() const { return *effects_; }
  // Null until a scenario is set.
  TScenario* GetScenario() const { return scenario_.get(); }
  TTurnClock& GetClock() const { return *clock_; }
  // Records into the event list; the battle gives it its game record.
  TActionResolver& GetResolver() const { return *resolver_; }
  TReactionManager& GetReactions() const { return *reactions_; }
  TSightResolver& GetSight() const { return *sight_; }
  int32_t GetMode() const { return mode_; }
  // Whether the next movement pass re-sorts the cells.
  bool IsMovementPassDue() const { return movementPassDue_; }

 private:
  bool IsSimulating() const { return mode_ == kSimulate || mode_ == kSimulateWithMovement; }
  float Now() const;

  // The eighteen steps of a simulated tick and the four of a playback tick.
  void SimulateStep();
  void PlaybackStep();

  // Step 14: the effects the world's objects started at the time are taken
  // into the effect list; when recording, each is recorded first.
  void TakeNewEffects(float time, bool record);

  // --- places of the services still to come -----------------------------------
  // Each runs at its step of the tick and does nothing until its service is
  // part of the game.

  // Step 3: the reaction manager's per-tick check (sighting reactions cancel
  // orders and stop units; combat reactions give idle units orders), given
  // the action resolver.
  void RunReactionCheck(float time);
  // Step 4: every unit's order chain acts for one tick through the action
  // resolver.
  void RunOrderChains(float time);
  // Step 5: the projectile system moves the shots in flight and records
  // their bounces and hits.
  void MoveProjectiles(float time);
  // Steps 6 to 9: the action resolver's per-tick rules in this order: due
  // explosion and goo hits become damage events, goo damage, force fields,
  // recharge.
  void ApplyPerTickRules(float time);
  // Step 10 and 15, within AlternateUpdate: the sight resolver re-sorts the
  // moved objects into their cells (on due calls) and takes its per-tick
  // step (every call).
  void RunSightResolver(float time, bool resortCells);
  // Step 12: the action resolver's vision pass.
  void UpdateAllVision(float time);
  // Step 13: the reaction manager's sighting and combat decisions, given the
  // action resolver (from time 20.0 on units without reactions get their
  // type's defaults).
  void RunReactionDecisions(float time);
  // Step 18: the action resolver records each side's score under the
  // scenario when it changed.
  void UpdateScores(float time);

  // Owned in this order; the destructor deletes them in the order that the
  // services depend on each other.
  std::unique_ptr<TWorld> world_;
  std::unique_ptr<TEventList> events_;
  std::unique_ptr<TOrderList> orders_;
  std::unique_ptr<TSpecialEffectList> effects_;
  std::unique_ptr<TScenario> scenario_;
  std::unique_ptr<TTurnClock> clock_;
  // The units' own reactions; their sighting checks and combat orders wait
  // for the order chains.
  std::unique_ptr<TReactionManager> reactions_;
  // Changes the world for the orders and the standing rules, recording into
  // events_.
  std::unique_ptr<TActionResolver> resolver_;
  // Flies the shots of world_, recording into events_.
  std::unique_ptr<TProjectileSystem> projectiles_;
  // Who sees what: its passes record vision events through resolver_.
  std::unique_ptr<TSightResolver> sight_;
  bool movementPassDue_ = true;
  int32_t mode_ = kPlayback;
  // Step 14 records each effect it takes over as a "SpecialEffect" event in
  // the event list.
  TSpecialEffectList::TEffectRecorder effectRecorder_;
};
