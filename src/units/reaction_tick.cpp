// The manager's work that goes through the action resolver: what it does
// is recorded as events of the turn, so it lives apart from the records.
#include "units/reaction_manager.h"

#include "sim/action_resolver.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/unit_type.h"
#include "world/world.h"

namespace {

// Default reactions wait until the units placed before the battle have
// been seen by everyone once (clock time 20.0).
constexpr float kDefaultReactionsAfter = 19.9999f;

const char* const kSightingKind = "Sighting";
const char* const kCombatKind = "Combat";

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
