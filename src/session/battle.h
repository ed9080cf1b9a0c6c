// A battle being played or computed: its name and the simulator that owns
// its world, events, orders and clock.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class TActionResolver;
class TCombatantList;
class TEventList;
class TMap;
class TOrderList;
class TReactionManager;
class TSightResolver;
class TSpecialEffectList;
class TTurnClock;
class TTurnSimulator;
class TWorld;

class TBattle {
 public:
  TBattle();
  virtual ~TBattle();
  TBattle(const TBattle&) = delete;
  TBattle& operator=(const TBattle&) = delete;

  // Once per frame of the mode that drives the battle.
  virtual void Update() {}
  // One simulator tick; returns whether the turn clock stands paused after it.
  bool Tick();

  const std::string& GetName() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  TTurnSimulator& GetSimulator() const { return *simulator_; }

  TWorld& GetWorld() const;
  TEventList& GetEventList() const;
  TOrderList& GetOrderList() const;
  TActionResolver& GetActionResolver() const;
  TSightResolver& GetMovementResolver() const;
  TReactionManager& GetReactionManager() const;
  TSpecialEffectList& GetSpecialEffects() const;
  TTurnClock& GetTurnClock() const;
  TCombatantList& GetCombatantList() const;
  TMap& GetMap() const;
  // The force points still to spend in the scenario's current deployment.
  int32_t GetScenarioForcePoints() const;

 private:
  std::string name_;
  std::unique_ptr<TTurnSimulator> simulator_;
};
