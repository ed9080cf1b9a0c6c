// The base of every container of game objects (the world's typed lists, the
// map). It owns its objects in insertion order, forwards the per-tick
// questions to them, keeps a start-of-turn snapshot of their records and
// saves them to and loads them from a data stream.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "world/game_object.h"
#include "world/object_record.h"

class TBoundingBox;
class TDataStream;
class TGameData;
class TStringList;

class TObjectList {
 public:
  TObjectList();
  virtual ~TObjectList();
  TObjectList(const TObjectList&) = delete;
  TObjectList& operator=(const TObjectList&) = delete;

  // Appends; the list owns the object. A null object is not added.
  virtual void Add(std::unique_ptr<TGameObject> object);
  // Delete the first child with the id / that child; nothing when absent.
  virtual void RemoveById(int32_t id);
  virtual void Remove(const TGameObject* object);
  // Replaces the snapshot with the records of the children.
  virtual void TakeSnapshot();
  // Replaces the children with objects spawned from the snapshot, which
  // stays. A record that does not spawn is skipped (and logged); false then.
  virtual bool RestoreSnapshot(const TGameData& gameData);
  virtual void Update(float time);
  virtual TGameObject* FindById(int32_t id) const;
  // Inline: loops over a list by index run in every tick's hottest passes.
  // A list that spans other lists (the world) answers through its hooks.
  int32_t Count() const { return spansLists_ ? SpannedCount() : static_cast<int32_t>(children_.size()); }
  // Null outside 0 .. Count() - 1.
  TGameObject* At(int32_t index) const {
    if (spansLists_) return SpannedAt(index);
    if (index < 0 || index >= static_cast<int32_t>(children_.size())) return nullptr;
    return children_[static_cast<std::size_t>(index)].get();
  }
  // Children whose position lies in the box widened by their radius (x, y).
  virtual void CollectInArea(std::vector<TGameObject*>& out, const TBoundingBox& box) const;
  // Children at a distance of at most r from the centre.
  virtual void CollectWithinRadius(std::vector<TGameObject*>& out, const TVector3& centre, float r) const;
  // i32 count, then each child's record. False when the name table cannot
  // take another name (the stream is then unusable).
  virtual bool Save(TDataStream& stream, TStringList& nameTable) const;
  // Replaces the children with the objects of the stream. False, with the
  // stream marked failed, for a bad count, an unknown or unregistered type,
  // a record that does not read or one that does not spawn; the objects read
  // before stay.
  virtual bool Load(TDataStream& stream, const TGameData& gameData, const TStringList& nameTable);
  // The static type name of the element class.
  virtual std::string_view ElementTypeName() const = 0;
  virtual void BeginTurn();
  virtual void HandleDestroyedAll(TNewObjects& newObjects, const TGameData& gameData, float time);
  virtual void RefreshVisuals();
  virtual void EmitEffectsAll(TNewObjects& out, const TGameData& gameData, float time);
  // Deletes the destroyed children; the others keep their order.
  virtual void RemoveDestroyed();
  virtual void DeleteAll();
  virtual void DeleteSnapshot();

  // What every loop over the list by index goes through.
  TGameObject* GetAt(int32_t index) const { return At(index); }

  int32_t SnapshotCount() const { return static_cast<int32_t>(snapshot_.size()); }
  const TGameObjectRecord* SnapshotAt(int32_t index) const;

 protected:
  // For a list whose objects are those of other lists, in their order: Count
  // and At then answer through SpannedCount and SpannedAt.
  struct TSpansLists {};
  explicit TObjectList(TSpansLists);
  virtual int32_t SpannedCount() const { return 0; }
  virtual TGameObject* SpannedAt(int32_t /*index*/) const { return nullptr; }

  std::vector<std::unique_ptr<TGameObject>>& Children() { return children_; }
  const std::vector<std::unique_ptr<TGameObject>>& Children() const { return children_; }
  // Adds the object the record spawns; false (logged) when it does not spawn.
  bool AddSpawned(const TGameObjectRecord& record, const TGameData& gameData);

 private:
  bool spansLists_ = false;
  std::vector<std::unique_ptr<TGameObject>> children_;
  std::vector<std::unique_ptr<TGameObjectRecord>> snapshot_;
};
