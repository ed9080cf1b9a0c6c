// The orders the player gives the selected unit, the selected unit's
// reaction settings and the status texts of the selected object.
#include <cmath>
#include <memory>

#include "app/text_utils.h"
#include "session/battle_session.h"
#include "sim/clock.h"
#include "sim/turn_simulator.h"
#include "units/activate_order.h"
#include "units/attack_orders.h"
#include "units/close_combat_orders.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/deploy_orders.h"
#include "units/follow_orders.h"
#include "units/hold_orders.h"
#include "units/opportunity_attack_order.h"
#include "units/order_list.h"
#include "units/psychic_orders.h"
#include "units/pursue_orders.h"
#include "units/reaction_manager.h"
#include "units/resupply_orders.h"
#include "units/rules_orders.h"
#include "units/unit_type.h"
#include "units/walk_orders.h"
#include "units/warp_attack_order.h"
#include "units/weapon.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/terrain_object.h"
#include "world/world.h"

namespace {

constexpr float kHoldDuration = 1.0f;
constexpr float kEatSearchRange = 1.0f;

// The player owning a unit, an ammunition dump or an egg; -1 for anything
// else (terrain, effects).
int32_t PlayerOwning(const TGameObject& object) {
  if (const Combatant* unit = AsCombatant(&object)) return unit->GetOwner();
  if (object.TypeName() == AmmoDump::kTypeName) return static_cast<const AmmoDump&>(object).GetOwner();
  if (object.TypeName() == Egg::kTypeName) return static_cast<const Egg&>(object).GetOwner();
  return -1;
}

}  // namespace

std::string CeilToText(float value) {
  const float whole = std::floor(value);
  const float shown = value - whole > 0.0001f ? whole + 1.0f : whole;
  return IntToString(static_cast<int64_t>(shown));
}

bool TBattleSession::SelectedIsRanged() const {
  const Combatant* unit = Selected();
  return unit != nullptr && unit->GetWeapon() != nullptr && unit->GetWeapon()->IsRanged();
}

bool TBattleSession::AddOrder(std::unique_ptr<TOrder> order, bool vetted) {
  if (vetted && !MatchesExpectedOrder(*order)) return false;
  GetOrderList().Add(std::move(order));
  return true;
}

bool TBattleSession::CancelSelectedOrders() {
  TWorld& world = GetWorld();
  bool cancelled = false;
  if (const Combatant* unit = Selected()) {
    GetOrderList().Cancel(*unit);
    cancelled = true;
  }
  if (const AmmoDump* dump = world.GetAmmoDumps().GetSelected()) {
    GetOrderList().Cancel(*dump);
    cancelled = true;
  }
  return cancelled;
}

bool TBattleSession::GiveHoldOrder() {
  if (!HasSelectedUnit()) return false;
  return AddOrder(std::make_unique<THoldOrder>(SelectedId(), GetActionResolver(), kHoldDuration), false);
}

bool TBattleSession::GiveLayEggOrder() {
  const Combatant* unit = Selected();
  if (unit == nullptr || !unit->GetType().IsQueenType()) return false;
  return AddOrder(std::make_unique<TLayEggOrder>(unit->GetId(), GetActionResolver()), false);
}

bool TBattleSession::GiveCommitSuicideOrder() {
  const Combatant* unit = Selected();
  if (unit == nullptr || !unit->GetType().IsSplatterType()) return false;
  return AddOrder(std::make_unique<TCommitSuicideOrder>(unit->GetId(), GetActionResolver()), false);
}

bool TBattleSession::GiveToggleShieldOrder(bool activate) {
  const Combatant* unit = Selected();
  if (unit == nullptr || !unit->GetType().HasShield()) return false;
  return AddOrder(std::make_unique<TToggleShieldOrder>(unit->GetId(), GetActionResolver(), activate), false);
}

bool TBattleSession::GiveEatOrder() {
  const Combatant* unit = Selected();
  if (unit == nullptr || !unit->GetType().IsQueenType()) return false;
  return AddOrder(std::make_unique<TEatOrder>(unit->GetId(), GetActionResolver(), kEatSearchRange), false);
}

bool TBattleSession::GiveActivateOrder(const TVector3& target) {
  if (!HasSelectedUnit()) return false;
  return AddOrder(std::make_unique<TActivateOrder>(SelectedId(), GetActionResolver(), target), false);
}

bool TBattleSession::GivePsychicAttackOrder(const TVector3& target) {
  if (!HasSelectedUnit()) return false;
  return AddOrder(std::make_unique<TPsychicAttackOrder>(SelectedId(), GetActionResolver(), target), false);
}

bool TBattleSession::GivePsychicOrder(const TVector3& target) {
  if (!HasSelectedUnit()) return false;
  return AddOrder(std::make_unique<TPsychicOrder>(SelectedId(), GetActionResolver(), target), false);
}

bool TBattleSession::GiveWarpAttackOrder(const TVector3& point) {
  if (!HasSelectedUnit()) return false;
  TOrder* last = GetOrderList().LastOrder(SelectedId());
  if (last != nullptr && last->Name() == TWarpAttackOrder::kName) {
    static_cast<TWarpAttackOrder*>(last)->AddPoint(point);
    return true;
  }
  return GiveNewWarpAttackOrder(point);
}

bool TBattleSession::GiveNewWarpAttackOrder(const TVector3& point) {
  if (!HasSelectedUnit()) return false;
  return AddOrder(std::make_unique<TWarpAttackOrder>(SelectedId(), GetActionResolver(), point), false);
}

bool TBattleSession::GiveAttackOrder(int32_t targetId, const std::optional<TVector3>& path) {
  const Combatant* unit = Selected();
  if (unit == nullptr) return false;
  TWorld& world = GetWorld();
  TActionResolver& resolver = GetActionResolver();
  if (unit->GetType().IsSplatterType()) {
    return AddOrder(std::make_unique<TSuicideAttackOrder>(unit->GetId(), resolver, targetId, &world), false);
  }
  if (SelectedUnitHasCloseCombatWeapon()) {
    return AddOrder(std::make_unique<TCloseAttackOrder>(unit->GetId(), resolver, targetId, world), false);
  }
  if (SelectedIsRanged()) {
    return AddOrder(std::make_unique<TAttackElementOrder>(unit->GetId(), resolver, targetId, path), true);
  }
  return false;
}

bool TBattleSession::GiveAttackPositionOrder(const TVector3& point) {
  if (!HasSelectedUnit()) return false;
  if (SelectedIsRanged()) {
    return AddOrder(std::make_unique<TAttackPositionOrder>(SelectedId(), GetActionResolver(), point), false);
  }
  const TTerrainObject* top = GetMap().TopObjectAt(point);
  return top != nullptr && GiveAttackOrder(top->GetId());
}

bool TBattleSession::GiveOpportunityAttackOrder(const TVector3& point) {
  if (!HasSelectedUnit()) return false;
  if (SelectedIsRanged()) {
    return AddOrder(std::make_unique<TOpportunityAttackOrder>(SelectedId(), GetActionResolver(), point), true);
  }
  if (const Combatant* nearest = GetCombatantList().FindAtPoint(point)) return GiveAttackOrder(nearest->GetId());
  const TTerrainObject* top = GetMap().TopObjectAt(point);
  return top != nullptr && GiveAttackOrder(top->GetId());
}

bool TBattleSession::GiveChaseOrder(int32_t targetId) {
  const Combatant* unit = Selected();
  if (unit == nullptr) return false;
  const TUnitType& type = unit->GetType();
  if (type.IsPsykerType() || type.IsWarpGunnerType()) return false;
  TWorld& world = GetWorld();
  TActionResolver& resolver = GetActionResolver();
  if (type.IsSplatterType()) {
    return AddOrder(std::make_unique<TSuicideAttackOrder>(unit->GetId(), resolver, targetId, &world), false);
  }
  if (SelectedUnitHasCloseCombatWeapon()) {
    return AddOrder(std::make_unique<TCloseCombatOrder>(unit->GetId(), resolver, targetId, world), false);
  }
  return AddOrder(std::make_unique<TPursueOrder>(unit->GetId(), resolver, targetId, world), true);
}

bool TBattleSession::GiveFollowOrder(int32_t targetId) {
  const Combatant* unit = Selected();
  if (unit == nullptr || targetId == unit->GetId()) return false;
  const TGameObject* target = GetWorld().FindById(targetId);
  if (target == nullptr) return false;
  if (PlayerOwning(*target) != unit->GetOwner() || unit->GetType().IsQueenType()) return GiveChaseOrder(targetId);
  if (unit->GetType().GetHealingRate() > 0.0f) {
    return AddOrder(std::make_unique<THealOrder>(unit->GetId(), GetActionResolver(), targetId), false);
  }
  return AddOrder(std::make_unique<TFollowOrder>(unit->GetId(), GetActionResolver(), targetId), false);
}

bool TBattleSession::GiveResupplyOrder(int32_t targetId) {
  const Combatant* unit = Selected();
  if (unit == nullptr) return false;
  const TGameObject* target = GetWorld().FindById(targetId);
  if (target == nullptr) return false;
  const bool supplier = target->TypeName() == AmmoDump::kTypeName || target->TypeName() == Combatant::kTypeName;
  if (!supplier || PlayerOwning(*target) != unit->GetOwner()) return false;
  return AddOrder(std::make_unique<TResupplyOrder>(unit->GetId(), GetActionResolver(), targetId), false);
}

bool TBattleSession::GiveMovementOrder(const TVector3& point) {
  if (!HasSelectedUnit()) return false;
  return AddOrder(std::make_unique<TMovementOrder>(SelectedId(), GetActionResolver(), point, true), true);
}

bool TBattleSession::GiveDeployOrder(const std::string& unitType, const TVector3& point) {
  auto order = std::make_unique<TDeployOrder>(unitType, GetPlayerNumber(), GetActionResolver(), point);
  TOrder* deploy = order.get();
  if (!AddOrder(std::move(order), true)) return false;
  // The unit stands on the map at once, so that the player sees it placed.
  deploy->Update(GetTurnClock().GetTime());
  return true;
}

bool TBattleSession::AddRulesOrder(const std::string& kind, const std::string& value) {
  const int32_t unitId = SelectedId();
  auto order = std::make_unique<TRulesOrder>(unitId, GetActionResolver(), value, kind);
  const TOrder* added = order.get();
  if (!AddOrder(std::move(order), true)) return false;
  // One rule of each kind a turn: the newer replaces the earlier.
  for (TOrder* earlier = GetOrderList().LastOrder(unitId); earlier != nullptr; earlier = earlier->Prev()) {
    if (earlier == added || earlier->Name() != TRulesOrder::kName) continue;
    if (static_cast<TRulesOrder*>(earlier)->GetKind() != kind) continue;
    GetOrderList().RemoveOrder(earlier);
    break;
  }
  return true;
}

bool TBattleSession::GiveSightingRulesOrder(const std::string& code) {
  if (!HasSelectedUnit() || !TRulesOrder::IsKnownRule(code, TRulesOrder::kSightingKind)) return false;
  return AddRulesOrder(std::string(TRulesOrder::kSightingKind), code);
}

bool TBattleSession::GiveCombatRulesOrder(const std::string& policy) {
  const Combatant* unit = Selected();
  if (unit == nullptr || unit->GetType().IsScannerType()) return false;
  if (!TRulesOrder::IsKnownRule(policy, TRulesOrder::kCombatKind)) return false;
  return AddRulesOrder(std::string(TRulesOrder::kCombatKind), policy);
}

// --- reactions and status --------------------------------------------------------------

bool TBattleSession::SelectedHasSightingCode(const std::string& code) const {
  return HasSelectedUnit() && GetReactionManager().HasSightingCode(SelectedId(), code);
}

bool TBattleSession::SelectedHasCombatPolicy(const std::string& name) const {
  return HasSelectedUnit() && GetReactionManager().HasCombatPolicy(SelectedId(), name);
}

int32_t TBattleSession::SelectedCombatReactionCode() const {
  if (!HasSelectedUnit()) return 0;
  return SelectedHasCombatPolicy("FireAtWill") ? 2 : 1;
}

int32_t TBattleSession::SelectedSightingReactionCode() const {
  if (!HasSelectedUnit()) return 0;
  if (SelectedHasSightingCode("halt")) return 2;
  if (SelectedHasSightingCode("retreat")) return 3;
  return 1;
}

int32_t TBattleSession::SelectedObjectTypeIndex() const {
  TWorld& world = GetWorld();
  const TGameData& data = world.GetGameData();
  if (const Combatant* unit = Selected()) return data.UnitTypeIndex(unit->GetType().GetName());
  if (const AmmoDump* dump = world.GetAmmoDumps().GetSelected()) return data.UnitTypeIndex(dump->GetType().GetName());
  if (const Egg* egg = world.GetEggs().GetSelected()) return data.UnitTypeIndex(egg->GetType().GetName());
  return data.GetUnitTypeCount();
}

std::string TBattleSession::SelectedHealthText() const {
  TWorld& world = GetWorld();
  const auto pair = [](float value, float maximum) { return CeilToText(value) + "/" + CeilToText(maximum); };
  if (const Combatant* unit = Selected()) return pair(unit->GetEndurance(), unit->GetType().GetEndurance());
  if (const AmmoDump* dump = world.GetAmmoDumps().GetSelected()) {
    return pair(dump->GetEndurance(), dump->GetType().GetEndurance());
  }
  if (const Egg* egg = world.GetEggs().GetSelected()) return pair(egg->GetEndurance(), egg->GetType().GetEndurance());
  return std::string();
}

std::string TBattleSession::SelectedTypeText() const {
  TWorld& world = GetWorld();
  if (const Combatant* unit = Selected()) return unit->GetType().GetDisplayName();
  if (const AmmoDump* dump = world.GetAmmoDumps().GetSelected()) return dump->SubtypeName();
  if (const Egg* egg = world.GetEggs().GetSelected()) return egg->GetType().GetDisplayName();
  return std::string();
}
