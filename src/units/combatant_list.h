// The world's units: an object list of Combatants with the player's current
// selection, and the questions screens, victory rules and the computer
// player ask about all units.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "units/combatant.h"
#include "world/object_list.h"
#include "world/object_ref.h"

class TCompoundVolume;

class TCombatantList : public TObjectList {
 public:
  // A pick at a point finds units at least this far around their position.
  static constexpr float kMinPickRadius = 0.49f;

  TCombatantList();
  ~TCombatantList() override;

  // Appends; a unit re-spawned with the selected id is shown as selected
  // again.
  void Add(std::unique_ptr<TGameObject> object) override;
  std::string_view ElementTypeName() const override { return Combatant::kTypeName; }
  // Every unit stops and stands.
  void BeginTurn() override;

  Combatant* GetSelected() const;
  int32_t GetSelectedId() const { return selection_->GetId(); }
  void Select(Combatant* unit);
  void ClearSelection();
  // The nearest unit whose pick radius (its radius, at least kMinPickRadius)
  // covers the point; the earlier one of two at the same distance.
  Combatant* FindAtPoint(const TVector3& point) const;
  // Selects the unit at the point when it is the player's.
  bool SelectAt(const TVector3& point, int32_t player);
  // Whether no unit's line-of-fire volume (other than the given volume
  // itself) meets the volume.
  bool IsClearOf(TCompoundVolume& volume) const;
  bool HasUnitOfPlayer(int32_t player) const;
  // Whether some unit of the player can still fire; a player whose units are
  // all dry still fights while one of them can resupply another of the
  // player's units that would fire again.
  bool CanPlayerFight(int32_t player, bool flag) const;
  bool HasHeadquarters(int32_t player) const;

  // The unit at the index; null for an index outside the list or an object
  // that is not a unit.
  Combatant* UnitAt(int32_t index) const { return AsCombatant(GetAt(index)); }

 private:
  std::unique_ptr<TObjectRef> selection_;
};
