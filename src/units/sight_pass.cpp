// The sight pass of the sight resolver: once per simulation pass every living
// unit looks at the objects of the world (and, on map passes, at the terrain
// when it has moved or its stance calls for it), the sides' flag bits are
// set, and each change of a side's view becomes a vision event. Also the
// screen's view of what a unit sees.
#include <algorithm>
#include <cmath>

#include "session/sides.h"
#include "sim/action_resolver.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/sight_resolver.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/map.h"
#include "world/object_list.h"
#include "world/object_ref.h"
#include "world/surrogate.h"
#include "world/terrain_object.h"
#include "world/world.h"

namespace {

constexpr float kTolerance = 0.0001f;

bool Differs(const TVector3& a, const TVector3& b) {
  return std::fabs(a.x - b.x) > kTolerance || std::fabs(a.y - b.y) > kTolerance || std::fabs(a.z - b.z) > kTolerance;
}

int32_t SideCount() { return TSides::Instance()->GetSideCount(); }

// The objects of the list with index in [count * from, count * to).
template <class TVisit>
void ForSlice(const TObjectList& list, float fromFraction, float toFraction, TVisit visit) {
  const int32_t count = list.Count();
  const auto first = static_cast<int32_t>(static_cast<float>(count) * fromFraction);
  const auto last = static_cast<int32_t>(static_cast<float>(count) * toFraction);
  for (int32_t i = std::max(first, 0); i < std::min(last, count); ++i) {
    TGameObject* object = list.GetAt(i);
    if (object != nullptr) visit(*object);
  }
}

// The player the object belongs to, for objects a player can own on the map.
bool BelongsTo(const TGameObject& object, int32_t owner) {
  if (const Combatant* unit = AsCombatant(&object)) return unit->GetOwner() == owner;
  if (const auto* stationary = dynamic_cast<const AmmoDump*>(&object)) return stationary->GetOwner() == owner;
  if (const auto* egg = dynamic_cast<const Egg*>(&object)) return egg->GetOwner() == owner;
  return false;
}

}  // namespace

// --- map pass timing -------------------------------------------------------------

float TSightResolver::GetMapPassInterval() const {
  return singlePlayer_ ? kSinglePlayerMapPassInterval : kMapPassInterval;
}

bool TSightResolver::IsMapPassDue(float t) const { return nextMapPass_ + GetMapPassInterval() - kTolerance < t; }

void TSightResolver::AdvanceMapPass(float t) {
  const float interval = GetMapPassInterval();
  if (nextMapPass_ + interval <= t) nextMapPass_ += interval;
}

void TSightResolver::ResetMapPass(float t) { nextMapPass_ = t - GetMapPassInterval(); }

// --- the pass ---------------------------------------------------------------------------

int32_t TSightResolver::SideOf(const Combatant& unit) {
  const int32_t owner = unit.GetOwner();
  if (!unit.HasPsychicAttack()) return owner;
  return owner == 0 ? 1 : 0;
}

void TSightResolver::SetAllLocks(bool locked, bool withMap) {
  for (int32_t l = 0; l < TWorld::GetListCount(); ++l) {
    if (l == TWorld::kMapList && !withMap) continue;
    const TObjectList* list = world_->GetList(l);
    for (int32_t i = 0; i < list->Count(); ++i) {
      TGameObject* object = list->GetAt(i);
      if (object == nullptr) continue;
      if (locked) {
        object->GetFlagSet().Lock();
      } else {
        object->GetFlagSet().Unlock();
      }
    }
  }
}

void TSightResolver::UpdateCells(float t) { SetAllLocks(false, IsMapPassDue(t)); }

void TSightResolver::Step(float t) {
  // One answer for the whole pass: the pass itself moves the next due time.
  const bool mapPassDue = IsMapPassDue(t);
  for (int32_t l = 0; l < TWorld::GetListCount(); ++l) {
    const TObjectList* list = world_->GetList(l);
    for (int32_t i = 0; i < list->Count(); ++i) {
      if (TGameObject* object = list->GetAt(i)) object->CommitFlags();
    }
  }

  const TCombatantList& units = world_->GetUnits();
  TObjectList* detected[] = {&world_->GetUnits(), &world_->GetAmmoDumps(), &world_->GetEggs(),
                             &world_->GetSurrogates()};
  for (int32_t i = 0; i < units.Count(); ++i) {
    Combatant* unit = AsCombatant(units.GetAt(i));
    if (unit == nullptr || unit->IsDestroyed()) continue;
    for (int32_t l = 0; l < TWorld::GetListCount(); ++l) {
      if (l == TWorld::kMapList) {
        SightTerrain(*unit, mapPassDue);
      } else {
        SightObjects(*unit, *world_->GetList(l));
      }
    }
    for (TObjectList* list : detected) DetectObjects(*unit, *list);
  }

  // What a side sees of a linked object it also sees of the surrogate.
  const TObjectList& surrogates = world_->GetSurrogates();
  for (int32_t side = 0; side < SideCount(); ++side) {
    for (int32_t i = 0; i < surrogates.Count(); ++i) {
      if (auto* surrogate = dynamic_cast<Surrogate*>(surrogates.GetAt(i))) surrogate->PullFlag(side);
    }
  }

  ReportVisionChanges(t);
  AdvanceMapPass(t);
  SetAllLocks(true, mapPassDue);
}

void TSightResolver::MarkSeen(TGameObject& object, int32_t side) {
  object.SetFlag(side, true);
  world_->GetMap().SetFlagAround(object.Position(), side);
}

void TSightResolver::SightObjects(Combatant& unit, TObjectList& list) {
  const int32_t side = SideOf(unit);
  const TVector3 from = unit.GetFiringPoint();
  for (int32_t i = 0; i < list.Count(); ++i) {
    TGameObject* object = list.GetAt(i);
    if (object == nullptr || object->GetFlagSet().IsLocked() || object->TestFlag(side)) continue;
    if (!unit.CanSee(*object, VisibilityFactor(*object))) continue;
    TVector3 aim;
    object->GetAimPoint(aim);
    // What stands in the way is seen instead.
    TTerrainObject* between = FirstTerrainHit(from, aim, false);
    MarkSeen(between != nullptr ? static_cast<TGameObject&>(*between) : *object, side);
  }
}

void TSightResolver::DetectObjects(Combatant& unit, TObjectList& list) {
  if (!unit.HasTracking()) return;
  const int32_t side = SideOf(unit);
  for (int32_t i = 0; i < list.Count(); ++i) {
    TGameObject* object = list.GetAt(i);
    if (object == nullptr || object->TestFlag(side)) continue;
    if (unit.CanTrack(*object, VisibilityFactor(*object))) MarkSeen(*object, side);
  }
}

// --- terrain ---------------------------------------------------------------------------

TSightRecord* TSightResolver::FindSightRecord(int32_t unitKey) const {
  for (const auto& record : sightRecords_) {
    if (record->unitKey == unitKey) return record.get();
  }
  return nullptr;
}

TSightRecord& TSightResolver::FindOrCreateSightRecord(int32_t unitKey) {
  if (TSightRecord* record = FindSightRecord(unitKey)) return *record;
  auto record = std::make_unique<TSightRecord>();
  record->unitKey = unitKey;
  sightRecords_.push_back(std::move(record));
  return *sightRecords_.back();
}

void TSightResolver::SightTerrain(Combatant& unit, bool mapPassDue) {
  TSightRecord& record = FindOrCreateSightRecord(unit.GetId());
  TMap& map = world_->GetMap();
  // A removed terrain object may open a view from anywhere.
  if (map.IsChanged()) {
    record.resightStanding = 1;
    record.resightMoving = 1;
  }
  if (!mapPassDue) return;
  const bool standing = unit.IsStanding();
  const bool needed = (record.resightStanding != 0 && standing) || (record.resightMoving != 0 && !standing) ||
                      record.lastPosition == nullptr || Differs(*record.lastPosition, unit.Position());
  if (needed) {
    SightObjects(unit, map);
    if (standing) record.resightStanding = 0;
    record.resightMoving = 0;
  }
  if (record.lastPosition == nullptr) {
    record.lastPosition = std::make_unique<TVector3>(unit.Position());
  } else {
    *record.lastPosition = unit.Position();
  }
}

// --- events ----------------------------------------------------------------------------

void TSightResolver::ReportVisionChanges(float t) {
  if (resolver_ == nullptr) return;
  const int32_t sides = SideCount();
  for (int32_t l = 0; l < TWorld::GetListCount(); ++l) {
    const TObjectList* list = world_->GetList(l);
    for (int32_t i = 0; i < list->Count(); ++i) {
      TGameObject* object = list->GetAt(i);
      if (object == nullptr) continue;
      for (int32_t side = 0; side < sides; ++side) {
        if (object->FlagChanged(side)) resolver_->UpdateVision(*object, side, t);
      }
    }
  }
}

// --- the screen's view ------------------------------------------------------------------

void TSightResolver::CollectVisible(Combatant& unit, std::vector<std::unique_ptr<TObjectRef>>& out,
                                    float fromFraction, float toFraction) {
  const int32_t owner = unit.GetOwner();
  const TVector3 from = unit.GetFiringPoint();
  TObjectList* lists[] = {&world_->GetMap(), &world_->GetUnits(), &world_->GetAmmoDumps(), &world_->GetEggs()};
  for (TObjectList* list : lists) {
    ForSlice(*list, fromFraction, toFraction, [&](TGameObject& object) {
      if (BelongsTo(object, owner)) return;
      const float factor = VisibilityFactor(object);
      bool visible = false;
      if (unit.HasTracking() && unit.CanTrack(object, factor)) {
        visible = true;
      } else if (object.IsMapTile() && static_cast<const TTerrainObject&>(object).IsGround() &&
                 unit.Position().DistanceTo(object.Position()) < unit.GetVision()) {
        visible = true;
      } else if (unit.CanSee(object, factor)) {
        TVector3 aim;
        object.GetAimPoint(aim);
        const TTerrainObject* between = FirstTerrainHit(from, aim, false);
        visible = between == nullptr || between == &object;
      }
      if (visible) out.push_back(std::make_unique<TObjectRef>(object.GetId(), list));
    });
  }
}
