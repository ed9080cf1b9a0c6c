#include "world/map.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "app/data_stream.h"
#include "app/files.h"
#include "app/log.h"
#include "display/visual_registry.h"
#include "session/id_counter.h"
#include "session/sides.h"
#include "world/game_data.h"
#include "world/object_record.h"
#include "world/step_cache.h"
#include "world/surrogate.h"
#include "world/terrain_type.h"

namespace {

// Doors this far apart (within the tolerance) are the two halves of one door.
constexpr float kPairDistanceMin = 0.9999f;
constexpr float kPairDistanceMax = 1.0001f;

// Map records from 2.08 on name their terrain set; from 1.15 on carry the flag.
bool HasTerrainSetName(const TDataStream& stream) { return stream.GetVersion() > 2.0799f; }
bool HasMapFlag(const TDataStream& stream) { return stream.GetVersion() > 1.1499f; }

const char* const kDefaultTerrainSet = "city";

int32_t ClampSize(int32_t size) { return std::clamp(size, TMap::kMinSize, TMap::kMaxSize); }

template <class T>
void EraseValue(std::vector<T>& values, const T& value) {
  values.erase(std::remove(values.begin(), values.end(), value), values.end());
}

}  // namespace

// --- construction ------------------------------------------------------------

TMap::TMap(int32_t width, int32_t height)
    : width_(ClampSize(width)),
      height_(ClampSize(height)),
      extent_(std::make_unique<TBoundingBox>(TVector3(), TVector3())) {
  // Maps are read through the record factory: it must know their records.
  RegisterMapTileRecord();
  ResetGrid();
}

TMap::~TMap() {
  // The objects go with the list base; the registers only point at them.
  ClearReplacements();
}

void TMap::ResetGrid() {
  ++gridChanges_;
  grid_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), TCell());
  singleDoors_.clear();
  doubleDoors_.clear();
  relayPosts_.clear();
  animated_.clear();
  toRemove_.clear();
  ClearReplacements();
}

void TMap::DeleteAll() {
  ResetGrid();
  TObjectList::DeleteAll();
}

void TMap::Resize(int32_t width, int32_t height) {
  width_ = ClampSize(width);
  height_ = ClampSize(height);
  DeleteAll();
}

void TMap::SetTerrainSet(const std::string& name) {
  terrainSet_ = name;
  // Without a map view (server runs, tests) there is nothing to load.
  LoadTerrainVisualDefinitions(name);
}

// --- adding and removing -----------------------------------------------------

void TMap::Add(std::unique_ptr<TGameObject> object) {
  if (object == nullptr) return;
  if (object->TypeName() != TTerrainObject::StaticTypeName()) {
    WriteLog("The map takes only terrain objects, not \"" + std::string(object->TypeName()) + "\"\n");
    return;
  }
  auto& tile = static_cast<TTerrainObject&>(*object);
  Index(tile);
  const TVector3 position = tile.Position();
  TObjectList::Add(std::move(object));
  if (extentStarted_) {
    extent_->Extend(position);
  } else {
    extent_->SetCorners(position, position);
    extentStarted_ = true;
  }
  changed_ = 1;
  if ((wallsToggled_ != 0 && tile.IsWall()) || (objectsToggled_ != 0 && tile.IsObject())) {
    tile.ToggleSwitchVisual();
  }
}

void TMap::RemoveById(int32_t id) {
  if (TGameObject* object = FindById(id)) Remove(object);
}

void TMap::Remove(const TGameObject* object) {
  if (object == nullptr) return;
  const auto& children = Children();
  const bool held = std::any_of(children.begin(), children.end(),
                                [object](const std::unique_ptr<TGameObject>& child) { return child.get() == object; });
  if (!held) {
    // Nothing to delete; a stray entry must still leave the queue.
    std::erase_if(toRemove_, [object](const TTerrainObject* entry) { return entry == object; });
    return;
  }
  Unindex(static_cast<const TTerrainObject&>(*object));
  TObjectList::Remove(object);
  changed_ = 1;
}

// --- indexing ----------------------------------------------------------------

std::vector<std::pair<int32_t, int32_t>> TMap::CellsOf(const TTerrainObject& object) const {
  const int32_t cx = PlacementCoordinate(object.Position().x);
  const int32_t cy = PlacementCoordinate(object.Position().y);
  std::vector<std::pair<int32_t, int32_t>> cells{{cx, cy}};
  if (object.IsWall()) {
    cells.push_back({cx + 1, cy});
    cells.push_back({cx, cy + 1});
    cells.push_back({cx + 1, cy + 1});
  }
  return cells;
}

void TMap::Index(TTerrainObject& object) {
  ++gridChanges_;
  for (const auto& [cx, cy] : CellsOf(object)) {
    if (TCell* cell = MutableCell(cx, cy)) cell->push_back(&object);
  }
  if (object.IsDoor()) RegisterDoor(object);
  if (object.GetTypeName().find("relay_post") != std::string::npos) relayPosts_.push_back(&object);
  if (object.IsAnimated()) animated_.push_back(&object);
  MarkForRemoval(&object);
}

void TMap::Unindex(const TTerrainObject& object) {
  ++gridChanges_;
  auto* tile = const_cast<TTerrainObject*>(&object);
  for (const auto& [cx, cy] : CellsOf(object)) {
    if (TCell* cell = MutableCell(cx, cy)) EraseValue(*cell, tile);
  }
  UnregisterDoor(object);
  EraseValue(relayPosts_, tile);
  EraseValue(animated_, tile);
  EraseValue(toRemove_, tile);
  // A removed door switch releases the military door it controls.
  if (object.GetTypeName().find("door_control") != std::string::npos) ToggleDoor(object, false);
}

void TMap::RegisterDoor(TTerrainObject& door) {
  if (deferDoorPairing_) {
    singleDoors_.push_back(&door);
    return;
  }
  for (auto it = singleDoors_.begin(); it != singleDoors_.end(); ++it) {
    TTerrainObject* other = *it;
    if (other->IsDestroyed()) continue;
    const float distance = other->Position().DistanceTo(door.Position());
    if (distance > kPairDistanceMin && distance < kPairDistanceMax) {
      singleDoors_.erase(it);
      doubleDoors_.emplace_back(other, &door);
      return;
    }
  }
  singleDoors_.push_back(&door);
}

void TMap::UnregisterDoor(const TTerrainObject& door) {
  auto* tile = const_cast<TTerrainObject*>(&door);
  EraseValue(singleDoors_, tile);
  for (auto it = doubleDoors_.begin(); it != doubleDoors_.end(); ++it) {
    if (it->first != tile && it->second != tile) continue;
    TTerrainObject* partner = it->first == tile ? it->second : it->first;
    doubleDoors_.erase(it);
    singleDoors_.push_back(partner);
    return;
  }
}

// --- removal and replacement queues ------------------------------------------

void TMap::MarkForRemoval(TTerrainObject* object) {
  if (object == nullptr || !object->IsDestroyed()) return;
  // Objects are told apart by id; one not yet given an id by itself.
  const int32_t id = object->GetId();
  const bool queued = std::any_of(toRemove_.begin(), toRemove_.end(), [object, id](const TTerrainObject* entry) {
    return entry == object || (id != -1 && entry->GetId() == id);
  });
  if (!queued) toRemove_.push_back(object);
}

void TMap::QueueReplacement(const TVector3& position, const std::string& typeName,
                            std::unique_ptr<TObjectRef> replaced) {
  replacements_.push_back(TReplacement{std::make_unique<TVector3>(position), typeName, std::move(replaced)});
}

void TMap::ClearReplacements() { replacements_.clear(); }

void TMap::HandleDestroyedAll(TNewObjects& newObjects, const TGameData& gameData, float time) {
  for (TTerrainObject* object : toRemove_) object->HandleDestroyed(newObjects, gameData, time);
  for (TReplacement& replacement : replacements_) MakeReplacement(replacement, newObjects, gameData, time);
  ClearReplacements();
}

void TMap::MakeReplacement(TReplacement& replacement, TNewObjects& newObjects, const TGameData& gameData,
                           float time) {
  // Nothing can stand in for an unknown type: the old object stays.
  if (gameData.FindTerrainType(replacement.typeName) == nullptr) {
    WriteLog("Replacement terrain type \"" + replacement.typeName + "\" is not known\n");
    return;
  }
  TGameObject* resolved = replacement.replaced != nullptr ? replacement.replaced->Resolve() : nullptr;
  TTerrainObject* replaced = resolved != nullptr && resolved->IsMapTile() ? static_cast<TTerrainObject*>(resolved)
                                                                           : nullptr;
  std::size_t surrogateIndex = newObjects.size();
  if (replaced != nullptr) {
    replaced->MarkRemoved();
    MarkForRemoval(replaced);
    surrogateIndex = newObjects.size();
    replaced->HandleDestroyed(newObjects, gameData, time);
  }

  std::unique_ptr<TTerrainObject> created =
      CreateTerrainObject(replacement.typeName, gameData, *replacement.position, time);
  if (created->GetTypeName().find("field_") != std::string::npos) {
    // A field takes over what the players saw of the ground it stands on.
    if (const TTerrainObject* ground = ObjectAtPoint(*replacement.position)) {
      const int32_t sides = TSides::Instance()->GetSideCount();
      for (int32_t side = 0; side < sides; ++side) {
        if (ground->TestFlag(side)) created->SetFlag(side, true);
      }
    }
  }
  TGameObject* placed = created.get();
  newObjects.push_back(std::move(created));
  if (replaced != nullptr && surrogateIndex < newObjects.size() &&
      newObjects[surrogateIndex]->TypeName() == Surrogate::StaticTypeName()) {
    static_cast<Surrogate&>(*newObjects[surrogateIndex]).AddLink(std::make_unique<TObjectRef>(placed));
  }
}

void TMap::RemoveDestroyed() {
  while (!toRemove_.empty() && Count() > 0) Remove(toRemove_.front());
}

void TMap::EmitEffectsAll(TNewObjects& /*out*/, const TGameData& /*gameData*/, float /*time*/) {}

void TMap::Update(float time) {
  for (TTerrainObject* object : animated_) object->Update(time);
}

void TMap::ToggleWalls() {
  wallsToggled_ = wallsToggled_ != 0 ? 0 : 1;
  for (int32_t i = 0; i < Count(); ++i) static_cast<TTerrainObject*>(GetAt(i))->ToggleIfWall();
}

void TMap::ToggleObjects() {
  objectsToggled_ = objectsToggled_ != 0 ? 0 : 1;
  for (int32_t i = 0; i < Count(); ++i) static_cast<TTerrainObject*>(GetAt(i))->ToggleIfObject();
}

// --- saved form --------------------------------------------------------------

bool TMap::Save(TDataStream& stream, TStringList& nameTable) const {
  if (HasTerrainSetName(stream)) stream.WriteString(terrainSet_);
  stream.WriteInt(static_cast<uint32_t>(width_));
  stream.WriteInt(static_cast<uint32_t>(height_));
  if (HasMapFlag(stream)) stream.WriteByte(mapFlag_);
  return TObjectList::Save(stream, nameTable);
}

bool TMap::Load(TDataStream& stream, const TGameData& gameData, const TStringList& nameTable) {
  return LoadRecord(stream, gameData, nameTable, nullptr);
}

bool TMap::LoadAndSwitch(TDataStream& stream, TGameData& gameData, const TStringList& nameTable) {
  return LoadRecord(stream, gameData, nameTable, &gameData);
}

bool TMap::LoadRecord(TDataStream& stream, const TGameData& gameData, const TStringList& nameTable,
                      TGameData* switchable) {
  DeleteAll();
  std::string setName = kDefaultTerrainSet;
  if (HasTerrainSetName(stream)) {
    setName = stream.ReadString();
    // A map made without a set was made for the default one.
    if (setName.empty()) setName = kDefaultTerrainSet;
  }
  if (stream.HasFailed()) return false;
  SetTerrainSet(setName);
  if (switchable != nullptr) {
    if (!switchable->SetTerrainSet(setName)) {
      stream.SetFailed();
      return false;
    }
  } else if (gameData.GetTerrainSetName() != setName) {
    WriteLog("Map of terrain set \"" + setName + "\" is read with the types of \"" + gameData.GetTerrainSetName() +
             "\"\n");
  }

  const auto width = static_cast<int32_t>(stream.ReadInt());
  const auto height = static_cast<int32_t>(stream.ReadInt());
  if (stream.HasFailed() || width < kMinSize || width > kMaxSize || height < kMinSize || height > kMaxSize) {
    WriteLog("Map size " + std::to_string(width) + " x " + std::to_string(height) + " refused\n");
    stream.SetFailed();
    return false;
  }
  mapFlag_ = HasMapFlag(stream) ? stream.ReadByte() : 0;
  const auto count = static_cast<int32_t>(stream.ReadInt());
  // Checked before the grid is built: a small file must not cost much.
  if (stream.HasFailed() || count < 0 || count > MaxObjects(width, height) ||
      static_cast<std::size_t>(count) > stream.Remaining() / TObjectRecordFactory::kMinRecordBytes) {
    WriteLog("Map of " + std::to_string(width) + " x " + std::to_string(height) + " with " + std::to_string(count) +
             " objects refused\n");
    stream.SetFailed();
    return false;
  }
  width_ = width;
  height_ = height;
  extent_ = std::make_unique<TBoundingBox>(TVector3(), TVector3());
  extentStarted_ = false;
  ResetGrid();
  typeSource_ = &gameData;
  return LoadObjects(stream, gameData, nameTable, count);
}

namespace {

// The placement cell of a point as one key, also for cells off the grid.
int64_t CellKey(int32_t cx, int32_t cy) {
  return static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(cx)) << 32U) |
                              static_cast<uint32_t>(cy));
}

bool IsFinite(const TVector3& point) {
  return std::isfinite(point.x) && std::isfinite(point.y) && std::isfinite(point.z);
}

}  // namespace

bool TMap::LoadObjects(TDataStream& stream, const TGameData& gameData, const TStringList& nameTable,
                       int32_t count) {
  std::unordered_map<int64_t, int32_t> perCell;
  std::unordered_set<int32_t> ids;
  perCell.reserve(static_cast<std::size_t>(count));
  deferDoorPairing_ = true;
  bool loaded = true;
  for (int32_t i = 0; i < count && loaded; ++i) {
    const std::unique_ptr<TGameObjectRecord> record = CreateObjectRecord(stream, nameTable);
    if (record == nullptr || stream.HasFailed()) {
      loaded = false;
      break;
    }
    const TVector3& position = record->GetPosition();
    const int32_t id = record->GetId();
    std::string refusal;
    if (record->TypeName() != TTerrainObject::StaticTypeName()) {
      refusal = "a \"" + std::string(record->TypeName()) + "\" record";
    } else if (!IsFinite(position)) {
      refusal = "an object at a point that is not finite";
    } else if (!TIdCounter::IsStorableId(id)) {
      refusal = "object id " + std::to_string(id);
    } else if (id != -1 && !ids.insert(id).second) {
      refusal = "two objects of id " + std::to_string(id);
    } else if (++perCell[CellKey(PlacementCoordinate(position.x), PlacementCoordinate(position.y))] >
               kMaxObjectsInCell) {
      refusal = "more than " + std::to_string(kMaxObjectsInCell) + " objects in one cell";
    }
    if (!refusal.empty()) WriteLog("Map refused: it holds " + refusal + "\n");
    loaded = refusal.empty() && AddSpawned(*record, gameData);
  }
  deferDoorPairing_ = false;
  PairLoadedDoors();
  if (!loaded) stream.SetFailed();
  return loaded;
}

void TMap::PairLoadedDoors() {
  const std::vector<TTerrainObject*> doors = std::move(singleDoors_);
  singleDoors_.clear();
  // Unpaired doors so far by cell, as indexes into `doors`: a door pairs
  // with the first registered one at the pairing distance, as RegisterDoor
  // scanning the single doors in order would choose.
  std::unordered_map<int64_t, std::vector<std::size_t>> waiting;
  std::vector<bool> paired(doors.size(), false);
  constexpr int32_t kReach = 2;
  for (std::size_t i = 0; i < doors.size(); ++i) {
    TTerrainObject& door = *doors[i];
    const int32_t cx = PlacementCoordinate(door.Position().x);
    const int32_t cy = PlacementCoordinate(door.Position().y);
    std::size_t best = doors.size();
    std::vector<std::size_t>* bestCell = nullptr;
    for (int32_t dy = -kReach; dy <= kReach; ++dy) {
      for (int32_t dx = -kReach; dx <= kReach; ++dx) {
        const auto found = waiting.find(CellKey(cx + dx, cy + dy));
        if (found == waiting.end()) continue;
        for (const std::size_t other : found->second) {
          if (other >= best || doors[other]->IsDestroyed()) continue;
          const float distance = doors[other]->Position().DistanceTo(door.Position());
          if (distance > kPairDistanceMin && distance < kPairDistanceMax) {
            best = other;
            bestCell = &found->second;
          }
        }
      }
    }
    if (bestCell != nullptr) {
      EraseValue(*bestCell, best);
      paired[best] = true;
      paired[i] = true;
      doubleDoors_.emplace_back(doors[best], &door);
    } else {
      waiting[CellKey(cx, cy)].push_back(i);
    }
  }
  for (std::size_t i = 0; i < doors.size(); ++i) {
    if (!paired[i]) singleDoors_.push_back(doors[i]);
  }
}

bool TMap::KnowsTerrainType(const std::string& name) const {
  return typeSource_ == nullptr || typeSource_->FindTerrainType(name) != nullptr;
}

void TMap::HoldStepShapes() const {
  if (!stepMemory_) return;
  if (stepCache_ == nullptr) stepCache_ = std::make_unique<TStepCache>();
  stepCache_->Hold();
}

void TMap::ReleaseStepShapes() const {
  if (stepCache_ != nullptr) stepCache_->Release();
}
