// The manager's work that goes through the action resolver: what it does
// is recorded as events of the turn, so it lives apart from the records.
#include "units/reaction_manager.h"

#include <memory>
#include <utility>
#include <vector>

#include "app/vector3.h"
#include "session/game_query.h"
#include "sim/action_resolver.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/order.h"
#include "units/order_list.h"
#include "units/reaction_policy.h"
#include "units/retreat_order.h"
#include "units/sight_resolver.h"
#include "units/unit_type.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/world.h"

namespace {

// Default reactions wait until the units placed before the battle have
// been seen by everyone once (clock time 20.0).
constexpr float kDefaultReactionsAfter = 19.9999f;

const char* const kSightingKind = "Sighting";
const char* const kCombatKind = "Combat";

// A "retreat" unit nearer than this to its sighting point is there already.
constexpr float kRetreatArrived = 0.05f;

// The modes where each program runs its own player's side (a networked
// battle), and those where one program may run every side.
constexpr int kNetworkMode = 2;
constexpr int kHotSeatMode = 1;
constexpr int kTutorialMode = 4;
constexpr int kSinglePlayerMode = 6;

// Whether the object is owned by the player: its own unit, dump or egg.
bool IsOwnedBy(const TGameObject& object, int32_t player) { return OwnerOf(object) == player; }

}  // namespace

void TReactionManager::AssignDefaultReactions(TActionResolver* resolver, float t) {
  if (t <= kDefaultReactionsAfter || resolver == nullptr || world_ == nullptr) return;
  // Units only ever join the end of the list, so the units without
  // reactions are those after the last one that has a record.
  const TCombatantList& units = world_->GetUnits();
  for (int32_t i = units.Count() - 1; i >= 0; --i) {
    Combatant* unit = units.UnitAt(i);
    if (unit == nullptr) continue;
    if (Find(unit->GetId()) != nullptr) break;
    const TUnitType& type = unit->GetType();
    resolver->SetReactionRules(*unit, t, type.GetSightingReaction(), kSightingKind);
    resolver->SetReactionRules(*unit, t, type.GetCombatReaction(), kCombatKind);
  }
}

void TReactionManager::Tick(float t, TActionResolver* resolver) {
  CheckSightings(t, resolver);
  MakeCombatOrders(resolver);
}

// --- sighting reactions ---------------------------------------------------------------

void TReactionManager::CheckSightings(float t, TActionResolver* resolver) {
  if (world_ == nullptr) return;
  CheckSightingsIn(world_->GetUnits(), t, resolver);
  CheckSightingsIn(world_->GetAmmoDumps(), t, resolver);
  CheckSightingsIn(world_->GetEggs(), t, resolver);
}

void TReactionManager::CheckSightingsIn(const TObjectList& list, float t, TActionResolver* resolver) {
  for (int32_t i = 0; i < list.Count(); ++i) {
    TGameObject* object = list.GetAt(i);
    if (object == nullptr) continue;
    for (int32_t player = 0; player < GetPlayerCount(); ++player) {
      if (!object->TestFlag(player) || IsKnownTo(*object, player)) continue;
      for (const auto& entry : entries_) {
        const std::string& code = entry->GetSightingCode();
        if (code == TReactionSettings::kHalt) {
          if (CheckSighting(*entry, player, *object)) Halt(*entry, t, resolver);
        } else if (code == TReactionSettings::kRetreat) {
          if (CheckSighting(*entry, player, *object)) {
            Halt(*entry, t, resolver);
            RetreatOnSighting(*entry, resolver);
          }
        }
      }
    }
  }
}

bool TReactionManager::IsKnownTo(const TGameObject& object, int32_t player) const {
  return IsOwnedBy(object, player) || WasSeenAtTurnStart(player, object.GetId());
}

bool TReactionManager::CheckSighting(const TReactionSettings& settings, int32_t player, TGameObject& object) {
  if (settings.IsTriggered()) return false;
  const Combatant* unit = settings.ResolveUnit();
  if (unit == nullptr || unit->GetOwner() != player) return false;
  if (object.Position().DistanceTo(unit->Position()) > unit->GetType().GetReactionRange()) return false;
  return sight_ != nullptr && sight_->IsPathClear(*unit, object);
}

void TReactionManager::Halt(TReactionSettings& settings, float t, TActionResolver* resolver) {
  settings.SetTriggered(true);
  CancelUnitOrders(settings.GetUnitId());
  Combatant* unit = settings.ResolveUnit();
  if (resolver != nullptr && unit != nullptr) resolver->StopActions(*unit, t);
}

void TReactionManager::RetreatOnSighting(const TReactionSettings& settings, TActionResolver* resolver) {
  const Combatant* unit = settings.ResolveUnit();
  if (unit == nullptr || resolver == nullptr || orders_ == nullptr || world_ == nullptr) return;
  std::vector<TVector3> points{settings.GetSightingPoint()};
  if (unit->Position().DistanceTo(settings.GetSightingPoint()) < kRetreatArrived) return;
  std::vector<int32_t> known;
  for (const auto& ref : GetSeen(unit->GetOwner())) known.push_back(ref->GetId());
  const int32_t unitId = unit->GetId();
  orders_->Add(std::make_unique<TRetreatOrder>(unitId, *resolver, std::move(points), std::move(known), *world_));
  orders_->MarkReactionStart(unitId);
}

// --- combat reactions -------------------------------------------------------------------

void TReactionManager::MakeCombatOrders(TActionResolver* resolver) {
  if (orders_ == nullptr || world_ == nullptr || resolver == nullptr) return;
  for (const auto& entry : entries_) {
    const int32_t unitId = entry->GetUnitId();
    if (orders_->HasOrdersInFirstChain(unitId)) continue;
    const Combatant* unit = entry->ResolveUnit();
    if (unit == nullptr || !IsUnderLocalControl(*unit)) continue;
    const TReactionPolicy* policy = entry->GetPolicy();
    if (policy == nullptr) continue;
    std::unique_ptr<TOrder> order = policy->Act(unitId, resolver, world_, sight_.get());
    if (!order) continue;
    orders_->Add(std::move(order));
    orders_->MarkReactionStart(unitId);
  }
}

bool TReactionManager::IsUnderLocalControl(const Combatant& unit) {
  return IsUnderLocalControl(unit.GetOwner(), RunningGameMode(), RunningLocalPlayer());
}

bool TReactionManager::IsUnderLocalControl(int32_t owner, int mode, int localPlayer) {
  if (mode == kNetworkMode) return owner == localPlayer;
  if (mode == kHotSeatMode || mode == kTutorialMode || mode == kSinglePlayerMode) {
    return localPlayer == -1 || owner == localPlayer;
  }
  return true;
}
