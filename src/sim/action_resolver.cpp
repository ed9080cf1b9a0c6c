// The resolver's bookkeeping, its movement tests and the operations that
// change a unit's state or place new objects. Shooting is in
// action_resolver_fire.cpp, the standing rules of every tick in
// action_resolver_rules.cpp.
#include "sim/action_resolver.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/log.h"
#include "session/sides.h"
#include "sim/corpse.h"
#include "sim/damage_event.h"
#include "sim/event_list.h"
#include "sim/goo.h"
#include "sim/position_map.h"
#include "sim/scenario.h"
#include "sim/unit_events.h"
#include "sim/world_events.h"
#include "units/combatant.h"
#include "units/combatant_list.h"
#include "units/unit_type.h"
#include "units/weapon.h"
#include "world/ammo_dump.h"
#include "world/egg.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/object_ref.h"
#include "world/surrogate.h"
#include "world/terrain_object.h"
#include "world/volume.h"
#include "world/world.h"

namespace {

Combatant* AsUnit(TGameObject* object) {
  if (object == nullptr || object->TypeName() != Combatant::kTypeName) return nullptr;
  return static_cast<Combatant*>(object);
}

// Where a member of a volume lies: a sphere around its centre.
struct TMemberReach {
  TVector3 centre;
  float radius = 0.0f;
};

using TReaches = std::vector<TMemberReach>;

void ReachesOf(const TCompoundVolume& volume, TReaches& out) {
  out.clear();
  for (std::size_t i = 0; i < volume.Count(); ++i) {
    const TVolume& member = *volume.At(i);
    TMemberReach reach;
    member.GetCentre(reach.centre);
    reach.radius = member.BoundingRadius();
    out.push_back(reach);
  }
}

// Whether the volumes may touch; false only where no pair of members can.
// A box or sphere lies within its bounding radius of its centre, up to the
// tests' tolerances of 0.0001; a segment's hits (its own point up to its
// length from either end, a clearance of 0.2 to another segment) lie within
// twice its bounding radius plus 0.2. Doubled radii and a further 0.25 cover
// all of that with room to spare for rounding, so a pair farther apart than
// the bound would test clear, and the skipped test would have answered no.
// (A test that answers no only clears the hit marks of the pair it looked
// at, and the marks are read only right after a test of the same two
// volumes, which sets them afresh.)
bool MayTouch(const TReaches& mover, const TCompoundVolume& volume) {
  constexpr float kSlack = 0.25f;
  for (std::size_t i = 0; i < volume.Count(); ++i) {
    const TVolume& member = *volume.At(i);
    TVector3 centre;
    member.GetCentre(centre);
    const float radius = member.BoundingRadius();
    for (const TMemberReach& reach : mover) {
      const float dx = centre.x - reach.centre.x;
      const float dy = centre.y - reach.centre.y;
      const float dz = centre.z - reach.centre.z;
      const float bound = 2.0f * (radius + reach.radius) + kSlack;
      // Written so that a NaN anywhere keeps the pair for the full test.
      if (!(dx * dx + dy * dy + dz * dz > bound * bound)) return true;
    }
  }
  return false;
}

// The objects of a list, other than the mover, that the volume overlaps.
void CollectOverlaps(const TObjectList& list, const TGameObject& mover, TCompoundVolume& volume,
                     const TReaches& moverReaches, std::vector<TGameObject*>& out) {
  const int32_t count = list.Count();
  for (int32_t i = 0; i < count; ++i) {
    TGameObject* object = list.At(i);
    if (object == nullptr || object == &mover) continue;
    TCompoundVolume& other = object->GetLofVolume();
    if (!MayTouch(moverReaches, other)) continue;
    if (other.AnyIntersects(volume)) out.push_back(object);
  }
}

struct TOverlaps {
  std::vector<TGameObject*> units;
  std::vector<TGameObject*> stationary;

  bool Empty() const { return units.empty() && stationary.empty(); }
  bool Contains(const TGameObject* object) const {
    return std::find(units.begin(), units.end(), object) != units.end() ||
           std::find(stationary.begin(), stationary.end(), object) != stationary.end();
  }
};

TOverlaps FindOverlaps(const TWorld& world, const TGameObject& mover, TCompoundVolume& volume) {
  TOverlaps found;
  TReaches reaches;
  ReachesOf(volume, reaches);
  CollectOverlaps(world.GetUnits(), mover, volume, reaches, found.units);
  CollectOverlaps(world.GetAmmoDumps(), mover, volume, reaches, found.stationary);
  CollectOverlaps(world.GetEggs(), mover, volume, reaches, found.stationary);
  return found;
}

int32_t FacingTowards(const Combatant& unit, const TVector3& point) {
  return point.DirectionIndex(unit.Position(), 8);
}

}  // namespace

TActionResolver::TActionResolver(TWorld& world, TReactionManager* reactions)
    : world_(&world), reactions_(reactions), positions_(std::make_unique<TPositionMap>()) {}

TActionResolver::~TActionResolver() = default;

TCombatantList& TActionResolver::GetUnits() const { return world_->GetUnits(); }

void TActionResolver::Record(std::unique_ptr<TEvent> event) {
  if (event != nullptr && events_ != nullptr) events_->Add(std::move(event));
}

// --- movement ----------------------------------------------------------------------

bool TActionResolver::IsReservedByOther(const Combatant& unit, const TVector3& next, TStepBlock& block) const {
  if (positions_->Find(next, unit.GetId())) return false;
  const Combatant* holder = AsUnit(positions_->FindObject(next));
  // A unit that has stopped stepping will not make room by itself.
  if (holder != nullptr && !holder->GetOrderFlag()) block.obstructed = true;
  block.blockerId = positions_->FindId(next);
  return true;
}

bool TActionResolver::IsTerrainFree(const Combatant& unit, TCompoundVolume& volume, const TVector3& next,
                                    TStepBlock& block) const {
  TMap& map = world_->GetMap();
  if (map.IsPlaceFree(next, volume)) return true;
  // A door of the unit's side in the way is named, so the caller can open it.
  const TTerrainObject* door = map.TopObjectAt(next);
  if (door != nullptr && door->IsDoor() && door->DoorTypeIs(std::to_string(unit.GetOwner()))) {
    block.blockerId = door->GetId();
  }
  return false;
}

bool TActionResolver::IsGooFree(const Combatant& unit, TCompoundVolume& volume, const TVector3& next,
                                TStepBlock& block) const {
  if (unit.GetType().IsDroneType()) return true;
  const TGooList& goo = world_->GetGoo();
  const float size = volume.MinGroundRadius();
  if (!goo.IsGooNear(next, size)) return true;
  // Goo all around the unit is no reason to look for a way round.
  if (!goo.IsGooNear(unit.Position(), size)) block.obstructed = true;
  return false;
}

bool TActionResolver::AreObjectsClear(Combatant& unit, TCompoundVolume& volume, const TVector3& next,
                                      TStepBlock& block) {
  TVector3 place = next;
  TVolumeAt placed(volume, &place);
  const TOverlaps ahead = FindOverlaps(*world_, unit, volume);
  if (ahead.Empty()) return true;
  if (!ahead.units.empty()) {
    const Combatant* only = ahead.units.size() == 1 ? AsUnit(ahead.units.front()) : nullptr;
    if (only != nullptr && !only->GetOrderFlag()) block.obstructed = true;
    block.blockerId = ahead.units.front()->GetId();
  }
  if (!ahead.stationary.empty()) {
    block.obstructed = true;
    block.blockerId = ahead.stationary.back()->GetId();
  }
  // A unit may walk out of what it already stands in.
  TVector3 here = unit.Position();
  placed.MoveTo(&here);
  const TOverlaps already = FindOverlaps(*world_, unit, volume);
  const bool allKnown =
      std::all_of(ahead.units.begin(), ahead.units.end(), [&](const TGameObject* o) { return already.Contains(o); }) &&
      std::all_of(ahead.stationary.begin(), ahead.stationary.end(),
                  [&](const TGameObject* o) { return already.Contains(o); });
  return allKnown && block.obstructed;
}

bool TActionResolver::CanMoveTo(Combatant& unit, TCompoundVolume& volume, const TVector3& next, float t,
                                bool stopOnRefusal, TStepBlock& block) {
  block.obstructed = false;
  bool allowed = false;
  if (!IsReservedByOther(unit, next, block)) {
    TVector3 place = next;
    bool terrainAndGooFree = false;
    {
      TVolumeAt placed(volume, &place);
      terrainAndGooFree = IsTerrainFree(unit, volume, next, block) && IsGooFree(unit, volume, next, block);
    }
    allowed = terrainAndGooFree && AreObjectsClear(unit, volume, next, block);
  }
  if (!allowed && stopOnRefusal) StopActions(unit, t);
  return allowed;
}

bool TActionResolver::MoveUnit(Combatant& unit, const TVector3& next, float t, bool quiet, TStepBlock& block) {
  positions_->Remove(unit.GetId());
  if (!CanMoveTo(unit, unit.GetLofVolume(), next, t, false, block)) {
    Record(std::make_unique<TFacingEvent>(t, unit, *world_, FacingTowards(unit, next)));
    return false;
  }
  positions_->Insert(TObjectRef(unit.GetId(), &world_->GetUnits()), next);
  const TVector3 from = unit.Position();
  Record(std::make_unique<TMovementEvent>(t, unit, *world_, next, from));
  if (!quiet) Record(std::make_unique<TAnimationEvent>(t, unit, *world_, std::string("Run")));
  return true;
}

void TActionResolver::StopActions(Combatant& unit, float t) {
  Record(std::make_unique<TStopActionsEvent>(t, unit, *world_));
}

void TActionResolver::TurnToFace(Combatant& unit, float t, const TVector3& point) {
  const int32_t facing = FacingTowards(unit, point);
  if (facing != unit.GetFacing()) Record(std::make_unique<TFacingEvent>(t, unit, *world_, facing));
}

void TActionResolver::SetAnimation(Combatant& unit, float t, const std::string& state) {
  Record(std::make_unique<TAnimationEvent>(t, unit, *world_, state));
}

// --- care ----------------------------------------------------------------------------

void TActionResolver::Heal(Combatant& unit, float t) { Record(std::make_unique<THealEvent>(t, unit, *world_, 1.0f)); }

void TActionResolver::Resupply(Combatant& unit, float t, TGameObject* supplier) {
  const TWeapon* weapon = unit.GetWeapon();
  if (weapon == nullptr || weapon->IsFull()) return;
  if (unit.GetCanFire()) Record(std::make_unique<TToggleShieldEvent>(t, unit, *world_, false));
  Record(std::make_unique<TResupplyEvent>(t, unit, *world_));
  Combatant* giver = AsUnit(supplier);
  if (giver != nullptr && giver->GetType().HasResupplyEnergy()) {
    Record(std::make_unique<TAmmoEvent>(t, *giver, *world_, -1));
  }
}

void TActionResolver::ToggleShield(Combatant& unit, bool on, float t) {
  Record(std::make_unique<TToggleShieldEvent>(t, unit, *world_, on));
  if (on) Record(std::make_unique<TAmmoEvent>(t, unit, *world_, -1));
}

void TActionResolver::EatCorpse(Combatant& eater, TGameObject& object, float t) {
  float food = 0.0f;
  if (object.TypeName() == Corpse::kTypeName) food = static_cast<const Corpse&>(object).GetFoodValue();
  Record(std::make_unique<TCalorieEvent>(t, eater, *world_, food));
  Record(std::make_unique<TDamageEvent>(t, object, *world_, 1000.0f));
}

void TActionResolver::LayEgg(Combatant& unit, float t) {
  if (world_->GetEggs().FindAtPoint(unit.Position()) != nullptr) return;
  Record(std::make_unique<TLayEggEvent>(t, unit, *world_));
}

void TActionResolver::SetReactionRules(Combatant& unit, float t, const std::string& policy,
                                       const std::string& kind) {
  Record(std::make_unique<TRulesEvent>(t, unit, *world_, policy, kind, reactions_));
}

// --- deployment --------------------------------------------------------------------------

int32_t TActionResolver::DeployUnit(int32_t objectId, const std::string& typeName, int32_t player,
                                    const TVector3& position, float t, const std::string& unitName) {
  const TGameData& data = world_->GetGameData();
  const TUnitType* type = data.FindUnitType(typeName);
  if (type == nullptr) {
    WriteLog("Deploy: no unit type \"" + typeName + "\"\n");
    return -1;
  }
  const bool isCorpse = typeName.find("Corpse") != std::string::npos;
  std::unique_ptr<TGameObject> object;
  if (isCorpse) {
    object = std::make_unique<Corpse>(position, *type, 0, t, player);
  } else if (typeName == "Marine HQ" || typeName == "Mech HQ" || typeName == "Regenerator") {
    object = std::make_unique<AmmoDump>(position, *type, player);
  } else {
    auto unit = std::make_unique<Combatant>(*type, data.FindWeaponType(typeName), player, position, t);
    unit->SetName(unitName);
    object = std::move(unit);
  }
  object->SetId(objectId);
  world_->AssignId(*object);
  const int32_t id = object->GetId();
  world_->Add(std::move(object));
  TGameObject* placed = world_->FindById(id);
  if (placed == nullptr) return -1;
  auto vision = std::make_unique<TVisionEvent>(t, *placed, *world_);
  vision->AssignFlags(placed->GetCurrentFlags());
  Record(std::move(vision));
  if (scenario_ != nullptr && objectId == -1 && !isCorpse) scenario_->UnitBought(*type, true);
  return id;
}

void TActionResolver::CheckDeployment(int32_t objectId) {
  if (scenario_ != nullptr) {
    const TGameData& data = world_->GetGameData();
    for (TObjectList* list : {static_cast<TObjectList*>(&world_->GetUnits()),
                              static_cast<TObjectList*>(&world_->GetAmmoDumps())}) {
      const TGameObject* object = list->FindById(objectId);
      if (object == nullptr) continue;
      const TUnitType* type = data.FindUnitType(object->SubtypeName());
      if (type != nullptr) scenario_->UnitBought(*type, false);
    }
  }
  world_->GetUnits().RemoveById(objectId);
  world_->GetAmmoDumps().RemoveById(objectId);
}

float TActionResolver::GetUnitTypeCost(const std::string& typeName) const {
  const TUnitType* type = world_->GetGameData().FindUnitType(typeName);
  return type == nullptr ? 0.0f : type->GetCost();
}

// --- vision ----------------------------------------------------------------------------

void TActionResolver::UpdateAllVision(float t) {
  const int32_t sides = TSides::Instance()->GetSideCount();
  for (int32_t id : world_->GetVisionObjects()) {
    TGameObject* object = world_->FindById(id);
    if (object == nullptr) continue;
    const bool surrogate = object->TypeName() == Surrogate::kTypeName;
    for (int32_t p = 0; p < sides; ++p) {
      if (!object->FlagChanged(p)) continue;
      if (!surrogate) {
        UpdateVision(*object, p, object->GetCreationTime());
      } else if (object->TestFlag(p)) {
        UpdateVision(*object, p, t);
      }
    }
  }
  world_->ClearVisionObjects();
}

void TActionResolver::UpdateVision(TGameObject& object, int32_t side, float t) {
  auto vision = std::make_unique<TVisionEvent>(t, object, *world_);
  const int32_t sides = TSides::Instance()->GetSideCount();
  for (int32_t p = 0; p < sides; ++p) vision->ClearFlag(p);
  vision->SetFlag(side);
  Record(std::move(vision));
}
