#include "session/battle.h"

#include "sim/turn_simulator.h"
#include "world/world.h"

TBattle::TBattle() : simulator_(std::make_unique<TTurnSimulator>()) {}

TBattle::~TBattle() = default;

bool TBattle::Tick() { return simulator_->Tick(); }

TWorld& TBattle::GetWorld() const { return simulator_->GetWorld(); }
TEventList& TBattle::GetEventList() const { return simulator_->GetEvents(); }
TOrderList& TBattle::GetOrderList() const { return simulator_->GetOrders(); }
TActionResolver& TBattle::GetActionResolver() const { return simulator_->GetResolver(); }
TSightResolver& TBattle::GetMovementResolver() const { return simulator_->GetSight(); }
TReactionManager& TBattle::GetReactionManager() const { return simulator_->GetReactions(); }
TSpecialEffectList& TBattle::GetSpecialEffects() const { return simulator_->GetEffects(); }
TTurnClock& TBattle::GetTurnClock() const { return simulator_->GetClock(); }
TCombatantList& TBattle::GetCombatantList() const { return simulator_->GetWorld().GetUnits(); }
TMap& TBattle::GetMap() const { return simulator_->GetWorld().GetMap(); }
