// Door rules of the map: doors that open for units near them and close
// behind them, and military doors switched by their door controls. A door
// never changes in place: it is given the name of the type it is to become
// and queued, and the world's next step puts the successor in its place.
#include <array>
#include <span>
#include <string>

#include "app/text_utils.h"
#include "world/game_data.h"
#include "world/map.h"
#include "world/object_list.h"
#include "world/object_ref.h"
#include "world/terrain_type.h"

namespace {

// A unit this near a door is at it; a unit of at least kWideRadius is at it
// from a little further.
constexpr float kNearReach = 1.1181f;
constexpr float kWideReach = 1.4143f;
constexpr float kWideRadius = 0.5f;
// Opening and closing last this long.
constexpr float kMovingTime = 0.5f;
// A door's "Next Door" chain is followed this far at most.
constexpr int32_t kMaxDoorLinks = 4;
// A door switch finds its doors within this many cells.
constexpr int32_t kMaxSwitchReach = 10;

// What the units near a door (or a pair of doors) ask of it.
struct TDoorCall {
  bool approached = false;
  bool requested = false;
};

std::string AccessName(const TGameObject& unit, const TMap::TUnitOwner& ownerOf) {
  return ownerOf ? std::to_string(ownerOf(unit)) : std::string();
}

// Units are scanned in order; the first that may pass a door it is near
// requests the doors open.
TDoorCall CallDoors(std::span<TTerrainObject* const> doors, const TObjectList& units,
                    const TMap::TUnitOwner& ownerOf) {
  TDoorCall call;
  for (int32_t i = 0; i < units.Count(); ++i) {
    const TGameObject* unit = units.At(i);
    if (unit == nullptr) continue;
    TVector3 position;
    unit->GetPosition(position);
    const bool wide = unit->GetRadius() >= kWideRadius;
    const std::string access = AccessName(*unit, ownerOf);
    for (const TTerrainObject* door : doors) {
      const float distance = position.DistanceTo(door->Position());
      if (distance >= kNearReach && !(wide && distance < kWideReach)) continue;
      call.approached = true;
      if (door->DoorTypeIs(access)) {
        call.requested = true;
        return call;
      }
    }
  }
  return call;
}

// The door is to show the state; a door whose cycle has no type for the
// state stays as it is.
void SetDoorState(TMap& map, TTerrainObject& door, const TGameData& gameData, const std::string& state) {
  const std::string next = TMap::DoorStateTypeName(gameData, door.GetTypeName(), state);
  if (next == door.GetTypeName()) return;
  // A cycle that names a type the set lacks would remove the door for good.
  if (gameData.FindTerrainType(next) == nullptr) return;
  door.SetPendingName(next);
  map.MarkForRemoval(&door);
}

// An opening or closing door completes its movement after kMovingTime.
void FinishMovement(TMap& map, TTerrainObject& door, float time, const TGameData& gameData) {
  if (time - door.GetCreationTime() < kMovingTime) return;
  const std::string& state = door.GetType().GetDoorState();
  if (state == "opening") SetDoorState(map, door, gameData, "Open");
  if (state == "closing") SetDoorState(map, door, gameData, "Closed");
}

// Requested doors open unless they are open or opening; doors nobody is
// near start closing when open.
void AnswerCall(TMap& map, TTerrainObject& door, const TDoorCall& call, const TGameData& gameData) {
  // The state the door is in, whatever its movement has just been told.
  const std::string& state = door.GetType().GetDoorState();
  if (call.requested) {
    if (state != "open" && state != "opening") SetDoorState(map, door, gameData, "Opening");
  } else if (!call.approached && state == "open") {
    SetDoorState(map, door, gameData, "Closing");
  }
}

// A door that already has a successor (switched, damaged) is left to it.
bool IsSettled(const TTerrainObject* door) { return !door->IsDestroyed(); }

int32_t SwitchDirection(const std::string& action) {
  static const std::array<const char*, TMap::kDirectionCount> kActions = {
      "ToggleDoorNorth", "ToggleDoorEast", "ToggleDoorSouth", "ToggleDoorWest"};
  for (int32_t direction = 0; direction < TMap::kDirectionCount; ++direction) {
    if (action == kActions[static_cast<std::size_t>(direction)]) return direction;
  }
  return -1;
}

TVector3 Offset(const TVector3& point, const TVector3& offset, float factor) {
  return TVector3(point.x + offset.x * factor, point.y + offset.y * factor, point.z + offset.z * factor);
}

}  // namespace

void TMap::UpdateDoors(float time, const TObjectList& units, const TGameData& gameData, const TUnitOwner& ownerOf) {
  for (TTerrainObject* door : singleDoors_) {
    if (!IsSettled(door)) continue;
    FinishMovement(*this, *door, time, gameData);
    const std::array<TTerrainObject* const, 1> doors{door};
    AnswerCall(*this, *door, CallDoors(doors, units, ownerOf), gameData);
  }
  // The halves of a pair open together and close together.
  for (const auto& [first, second] : doubleDoors_) {
    const std::array<TTerrainObject* const, 2> doors{first, second};
    const std::array<bool, 2> settled{IsSettled(first), IsSettled(second)};
    for (std::size_t i = 0; i < doors.size(); ++i) {
      if (settled[i]) FinishMovement(*this, *doors[i], time, gameData);
    }
    const TDoorCall call = CallDoors(doors, units, ownerOf);
    for (std::size_t i = 0; i < doors.size(); ++i) {
      if (settled[i]) AnswerCall(*this, *doors[i], call, gameData);
    }
  }
}

std::string TMap::DoorStateTypeName(const TGameData& gameData, const std::string& typeName,
                                    const std::string& state) {
  const TTerrainType* type = gameData.FindTerrainType(typeName);
  if (type != nullptr && !type->GetNextDoor().empty()) {
    const std::string wanted = LowerCase(state);
    for (int32_t link = 0; link < kMaxDoorLinks; ++link) {
      type = gameData.FindTerrainType(type->GetNextDoor());
      if (type == nullptr) return typeName;
      if (type->GetDoorState() == wanted) return type->GetName();
    }
    return typeName;
  }
  // Without a chain the state is the prefix of the door's name.
  std::string base = typeName;
  EraseText(base, "Closing_");
  EraseText(base, "Opening_");
  EraseText(base, "Open_");
  return state == "Closed" ? base : state + "_" + base;
}

bool TMap::IsMilitaryDoor(const std::string& typeName) {
  return ContainsText(typeName, "mil_door_red") ||
         (ContainsText(typeName, "mil_door_green") && ContainsText(typeName, "closed"));
}

void TMap::ToggleMilitaryDoor(TTerrainObject& door, bool byUnit) {
  // A door already on its way out (destroyed, switched this tick) keeps its successor.
  if (door.IsDestroyed()) return;
  const std::string& name = door.GetTypeName();
  if (ContainsText(name, "red")) {
    const std::string green = ReplaceAll(name, "red", "green") + "_closed";
    if (!KnowsTerrainType(green)) return;
    if (byUnit) {
      door.SetPendingName(green);
      MarkForRemoval(&door);
      return;
    }
    // The switch is leaving the map in the middle of the step: the door is
    // replaced in the next one, found again by its id when it has one.
    auto replaced = door.GetId() != -1 ? std::make_unique<TObjectRef>(door.GetId(), this)
                                       : std::make_unique<TObjectRef>(&door);
    QueueReplacement(door.Position(), green, std::move(replaced));
  } else if (ContainsText(name, "green") && byUnit) {
    const std::string red = ReplaceAll(ReplaceAll(name, "green", "red"), "_closed", "");
    if (!KnowsTerrainType(red)) return;
    door.SetPendingName(red);
    MarkForRemoval(&door);
  }
}

void TMap::ToggleDoor(const TTerrainObject& control, bool byUnit) {
  const int32_t direction = SwitchDirection(control.TypeActionField());
  if (direction < 0) return;
  const TVector3 step = DirectionStep(direction);
  // The doors of a switch stand across its direction, half a cell to each side.
  const TVector3 side = direction % 2 == 0 ? TVector3(0.5f, 0.0f, 0.0f) : TVector3(0.0f, 0.5f, 0.0f);
  TVector3 point = Offset(control.Position(), step, 0.5f);
  for (int32_t i = 0; i < kMaxSwitchReach; ++i) {
    TTerrainObject* plus = TopObjectAt(Offset(point, side, 1.0f));
    if (plus == nullptr) return;
    TTerrainObject* minus = TopObjectAt(Offset(point, side, -1.0f));
    const bool minusIsDoor = minus != nullptr && minus != plus && IsMilitaryDoor(minus->GetTypeName());
    if (IsMilitaryDoor(plus->GetTypeName())) {
      ToggleMilitaryDoor(*plus, byUnit);
      if (minusIsDoor) ToggleMilitaryDoor(*minus, byUnit);
      return;
    }
    if (minusIsDoor) {
      ToggleMilitaryDoor(*minus, byUnit);
      return;
    }
    point = Offset(point, step, 1.0f);
  }
}
