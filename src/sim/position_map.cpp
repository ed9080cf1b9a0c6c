#include "sim/position_map.h"

#include <cmath>

#include "world/game_object.h"
#include "world/object_ref.h"

namespace {

int64_t Tenths(float value) { return static_cast<int64_t>(std::llround(static_cast<double>(value) * 10.0)); }

}  // namespace

TPositionMap::TPositionMap() = default;
TPositionMap::~TPositionMap() = default;

TPositionMap::TKey TPositionMap::KeyOf(const TVector3& position) {
  return TKey{Tenths(position.x), Tenths(position.y), Tenths(position.z)};
}

void TPositionMap::Insert(const TObjectRef& object, const TVector3& position) {
  const TKey key = KeyOf(position);
  const int32_t id = object.GetId();
  // One reservation per object: its previous one goes first.
  Remove(id);
  auto held = byKey_.find(key);
  if (held != byKey_.end()) {
    // The old holder loses the place, and its id must not lead here any more.
    byId_.erase(held->second.object->GetId());
    byKey_.erase(held);
  }
  TEntry entry;
  entry.object = std::make_unique<TObjectRef>(object);
  entry.position = std::make_unique<TVector3>(position);
  byKey_.emplace(key, std::move(entry));
  byId_[id] = key;
}

bool TPositionMap::Find(const TVector3& position, int32_t unitId) const {
  const auto held = byKey_.find(KeyOf(position));
  if (held == byKey_.end()) return true;
  const int32_t holder = held->second.object->GetId();
  return holder == 0 || holder == unitId;
}

int32_t TPositionMap::FindId(const TVector3& position) const {
  const auto held = byKey_.find(KeyOf(position));
  return held == byKey_.end() ? 0 : held->second.object->GetId();
}

TGameObject* TPositionMap::FindObject(const TVector3& position) const {
  const auto held = byKey_.find(KeyOf(position));
  return held == byKey_.end() ? nullptr : held->second.object->Resolve();
}

void TPositionMap::Remove(int32_t objectId) {
  const auto link = byId_.find(objectId);
  if (link == byId_.end()) return;
  byKey_.erase(link->second);
  byId_.erase(link);
}

void TPositionMap::Clear() {
  byKey_.clear();
  byId_.clear();
}
