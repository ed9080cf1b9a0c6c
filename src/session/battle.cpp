#include "session/battle.h"

#include "sim/turn_simulator.h"

TBattle::TBattle() : simulator_(std::make_unique<TTurnSimulator>()) {}

TBattle::~TBattle() = default;

bool TBattle::Tick() { return simulator_->Tick(); }
