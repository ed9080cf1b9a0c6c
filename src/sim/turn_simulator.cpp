#include "sim/turn_simulator.h"

#include <utility>

#include "sim/action_resolver.h"
#include "sim/clock.h"
#include "sim/event_registration.h"
#include "sim/event_list.h"
#include "sim/projectile_system.h"
#include "sim/scenario.h"
#include "sim/world_events.h"
#include "session/sides.h"
#include "units/order_list.h"
#include "units/order_registration.h"
#include "units/reaction_manager.h"
#include "units/sight_resolver.h"
#include "world/map.h"
#include "world/world.h"

TTurnSimulator::TTurnSimulator()
    : world_(std::make_unique<TWorld>()),
      events_(std::make_unique<TEventList>()),
      orders_(std::make_unique<TOrderList>()),
      effects_(std::make_unique<TSpecialEffectList>()),
      clock_(std::make_unique<TTurnClock>()),
      reactions_(std::make_unique<TReactionManager>(TSides::Instance()->GetSideCount(), world_.get(), orders_.get())),
      resolver_(std::make_unique<TActionResolver>(*world_, reactions_.get())),
      projectiles_(std::make_unique<TProjectileSystem>(*world_, *events_)),
      sight_(std::make_unique<TSightResolver>(*world_, resolver_.get())) {
  resolver_->SetEvents(events_.get());
  effectRecorder_ = MakeSpecialEffectRecorder(*events_, *effects_);
  RegisterEventReaders();
  RegisterOrderReaders();
  BeginTurn();
}

TTurnSimulator::~TTurnSimulator() {
  // The scenario first, then the services in reverse order of their
  // dependence on each other: effects before the clock, the events before
  // the world whose objects they refer to.
  scenario_.reset();
  reactions_.reset();
  sight_.reset();
  projectiles_.reset();
  resolver_.reset();
  orders_.reset();
  effects_.reset();
  clock_.reset();
  events_.reset();
  world_.reset();
}

void TTurnSimulator::SetScenario(std::unique_ptr<TScenario> scenario) {
  scenario_ = std::move(scenario);
  resolver_->SetScenario(scenario_.get());
}

void TTurnSimulator::Start(int32_t mode) {
  mode_ = mode;
  BeginTurn();
  ResetTurnState();
  NotifyTurnEnd();
}

bool TTurnSimulator::Tick() {
  if (clock_->IsPaused()) return true;
  if (IsSimulating()) {
    SimulateStep();
  } else if (mode_ == kPlayback) {
    PlaybackStep();
  }
  clock_->CheckTurnEnd();
  const bool paused = clock_->IsPaused();
  if (paused) NotifyTurnEnd();
  return paused;
}

void TTurnSimulator::BeginTurn() {
  if (IsSimulating()) world_->ForEachListHook();
  reactions_->BeginTurn();
}

void TTurnSimulator::ResetTurnState() {
  // Modes 0 and 1: the action resolver's turn reset, every order chain's
  // reset and the order list's own and the reaction manager's per-turn reset
  // (the order chains are not part of the game yet), and the projectile
  // system's reset at the clock time. Mode 2: only the reaction manager's
  // per-turn reset.
  reactions_->RefreshMarkers();
  if (!IsSimulating()) return;
  resolver_->ResetTurn();
  orders_->Rewind();
  projectiles_->Reset(Now());
}

void TTurnSimulator::NotifyTurnEnd() { world_->NotifyTurnEnd(); }

void TTurnSimulator::AlternateUpdate(float time) {
  if (mode_ != kSimulateWithMovement) return;
  const bool resort = movementPassDue_;
  RunSightResolver(time, resort);
  if (resort) world_->GetMap().ClearChanged();
  movementPassDue_ = !movementPassDue_;
}

float TTurnSimulator::Now() const { return clock_->GetTime(); }

// Each step reads the clock anew: it does not move within a tick, and later
// steps see what the earlier ones did.
void TTurnSimulator::SimulateStep() {
  world_->Update(Now());                // 1
  effects_->Update(Now());              // 2
  RunReactionCheck(Now());              // 3
  RunOrderChains(Now());                // 4
  MoveProjectiles(Now());               // 5
  ApplyPerTickRules(Now());             // 6 to 9
  AlternateUpdate(Now());               // 10
  world_->AddNewObjects(Now());         // 11
  UpdateAllVision(Now());               // 12
  RunReactionDecisions(Now());          // 13
  TakeNewEffects(Now(), true);          // 14
  AlternateUpdate(Now());               // 15
  world_->RemoveDestroyedAll();         // 16
  effects_->RemoveDestroyed();          // 17
  UpdateScores(Now());                  // 18
}

// Playback changes the world only through the recorded events and the
// world's own update; the effects come back through their events.
void TTurnSimulator::PlaybackStep() {
  events_->PlayUntil(Now());     // 1
  world_->Update(Now());         // 2
  effects_->Update(Now());       // 3
  effects_->RemoveDestroyed();   // 4
}

void TTurnSimulator::TakeNewEffects(float time, bool record) {
  TNewObjects made;
  world_->CollectEffects(made, time);
  static const TSpecialEffectList::TEffectRecorder kUnrecorded;
  effects_->TakeEffects(made, record ? effectRecorder_ : kUnrecorded);
}

// --- places of the services still to come ----------------------------------------

void TTurnSimulator::RunReactionCheck(float time) { reactions_->Tick(time, resolver_.get()); }

void TTurnSimulator::RunOrderChains(float time) { orders_->RunTick(time); }

void TTurnSimulator::MoveProjectiles(float time) { projectiles_->Update(time); }

void TTurnSimulator::ApplyPerTickRules(float time) {
  resolver_->CollectDamage(time);
  resolver_->ApplyGooDamage(time);
  resolver_->ApplyForceFields(time);
  resolver_->UpdateRecharge(time);
  resolver_->KillUnitsOutOfAmmunition(time);
}

void TTurnSimulator::RunSightResolver(float time, bool resortCells) {
  if (resortCells) sight_->UpdateCells(time);
  sight_->Step(time);
}

void TTurnSimulator::UpdateAllVision(float time) { resolver_->UpdateAllVision(time); }

void TTurnSimulator::RunReactionDecisions(float time) { reactions_->AssignDefaultReactions(resolver_.get(), time); }

void TTurnSimulator::UpdateScores(float time) { resolver_->UpdateScores(time, scenario_.get()); }
