#include "world/object_list.h"

#include <algorithm>
#include <limits>
#include <string>

#include "app/data_stream.h"
#include "app/files.h"
#include "app/log.h"
#include "session/id_mapper.h"
#include "world/bounding_box.h"

TObjectList::TObjectList() = default;

TObjectList::TObjectList(TSpansLists) : spansLists_(true) {}

TObjectList::~TObjectList() {
  DeleteAll();
  DeleteSnapshot();
}

void TObjectList::Add(std::unique_ptr<TGameObject> object) {
  if (object != nullptr) children_.push_back(std::move(object));
}

void TObjectList::RemoveById(int32_t id) {
  const auto found = std::find_if(children_.begin(), children_.end(),
                                  [id](const std::unique_ptr<TGameObject>& child) { return child->GetId() == id; });
  if (found != children_.end()) children_.erase(found);
}

void TObjectList::Remove(const TGameObject* object) {
  const auto found = std::find_if(children_.begin(), children_.end(), [object](const auto& child) {
    return child.get() == object;
  });
  if (found != children_.end()) children_.erase(found);
}

void TObjectList::TakeSnapshot() {
  DeleteSnapshot();
  snapshot_.reserve(children_.size());
  for (const auto& child : children_) snapshot_.push_back(child->MakeRecord());
}

bool TObjectList::RestoreSnapshot(const TGameData& gameData) {
  DeleteAll();
  bool complete = true;
  for (const auto& record : snapshot_) complete = AddSpawned(*record, gameData) && complete;
  return complete;
}

void TObjectList::Update(float time) {
  for (int32_t i = 0; i < Count(); ++i) GetAt(i)->Update(time);
}

TGameObject* TObjectList::FindById(int32_t id) const {
  for (const auto& child : children_) {
    if (child->GetId() == id) return child.get();
  }
  return nullptr;
}

void TObjectList::CollectInArea(std::vector<TGameObject*>& out, const TBoundingBox& box) const {
  for (int32_t i = 0; i < Count(); ++i) {
    TGameObject* child = GetAt(i);
    if (box.ContainsWithRadius(child->Position(), child->GetRadius())) out.push_back(child);
  }
}

void TObjectList::CollectWithinRadius(std::vector<TGameObject*>& out, const TVector3& centre, float r) const {
  for (int32_t i = 0; i < Count(); ++i) {
    TGameObject* child = GetAt(i);
    if (child->Position().DistanceTo(centre) <= r) out.push_back(child);
  }
}

bool TObjectList::Save(TDataStream& stream, TStringList& nameTable) const {
  TRawIdMapper ids;
  stream.WriteInt(static_cast<uint32_t>(Count()));
  for (int32_t i = 0; i < Count(); ++i) {
    const std::unique_ptr<TGameObjectRecord> record = GetAt(i)->MakeRecord();
    if (record == nullptr || !record->Save(stream, ids, nameTable)) return false;
  }
  return true;
}

bool TObjectList::Load(TDataStream& stream, const TGameData& gameData, const TStringList& nameTable) {
  DeleteAll();
  const auto count = static_cast<int32_t>(stream.ReadInt());
  // Every record takes at least its base fields: a larger count is corrupt.
  if (stream.HasFailed() || count < 0 ||
      static_cast<std::size_t>(count) > stream.Remaining() / TObjectRecordFactory::kMinRecordBytes) {
    stream.SetFailed();
    return false;
  }
  for (int32_t i = 0; i < count; ++i) {
    const std::unique_ptr<TGameObjectRecord> record = CreateObjectRecord(stream, nameTable);
    if (record == nullptr) return false;
    if (!AddSpawned(*record, gameData)) {
      stream.SetFailed();
      return false;
    }
  }
  return true;
}

void TObjectList::BeginTurn() {}

void TObjectList::HandleDestroyedAll(TNewObjects& newObjects, const TGameData& gameData, float time) {
  for (int32_t i = 0; i < Count(); ++i) GetAt(i)->HandleDestroyed(newObjects, gameData, time);
}

void TObjectList::RefreshVisuals() {
  for (int32_t i = 0; i < Count(); ++i) GetAt(i)->RefreshVisual();
}

void TObjectList::EmitEffectsAll(TNewObjects& out, const TGameData& gameData, float time) {
  for (int32_t i = 0; i < Count(); ++i) GetAt(i)->EmitEffects(out, gameData, time);
}

void TObjectList::RemoveDestroyed() {
  std::size_t i = 0;
  while (i < children_.size()) {
    if (children_[i]->IsDestroyed()) {
      // The next child moves into this index and is tested in turn.
      children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
}

void TObjectList::DeleteAll() { children_.clear(); }

void TObjectList::DeleteSnapshot() { snapshot_.clear(); }

const TGameObjectRecord* TObjectList::SnapshotAt(int32_t index) const {
  if (index < 0 || index >= SnapshotCount()) return nullptr;
  return snapshot_[static_cast<std::size_t>(index)].get();
}

bool TObjectList::AddSpawned(const TGameObjectRecord& record, const TGameData& gameData) {
  std::unique_ptr<TGameObject> object = record.Spawn(gameData, *this);
  if (object == nullptr) {
    WriteLog("Object of type " + std::string(record.TypeName()) + " could not be made from its record\n");
    return false;
  }
  Add(std::move(object));
  return true;
}
