// A battle being played or computed: its name and the simulator that owns
// its world, events, orders and clock.
#pragma once

#include <memory>
#include <string>

class TTurnSimulator;

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

 private:
  std::string name_;
  std::unique_ptr<TTurnSimulator> simulator_;
};
