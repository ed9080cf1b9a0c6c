// Where moving units have reserved the cell they are stepping into during
// the current turn. A unit reserves the next position of each step; a
// second unit stepping into the same place in the same tick finds the
// reservation and is refused. Positions closer than about 0.1 in each
// coordinate share one reservation.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "app/vector3.h"

class TGameObject;
class TObjectRef;

class TPositionMap {
 public:
  // The rounded tenths of the three coordinates: one key per 0.1 cell.
  struct TKey {
    int64_t x = 0;
    int64_t y = 0;
    int64_t z = 0;
    auto operator<=>(const TKey&) const = default;
  };

  TPositionMap();
  ~TPositionMap();
  TPositionMap(const TPositionMap&) = delete;
  TPositionMap& operator=(const TPositionMap&) = delete;

  static TKey KeyOf(const TVector3& position);

  // Reserves the position for the object. A reservation already held at
  // that key is dropped with its id link, so no id keeps pointing at a
  // reservation it lost.
  void Insert(const TObjectRef& object, const TVector3& position);
  // True when the position is free for the unit: nobody reserved it, or
  // the reservation belongs to that unit, or to an object of id 0.
  bool Find(const TVector3& position, int32_t unitId) const;
  // The id of the object that reserved the position, or 0.
  int32_t FindId(const TVector3& position) const;
  // The reserving object itself, or null (gone, or nothing reserved).
  TGameObject* FindObject(const TVector3& position) const;
  // Drops the object's reservation, if it has one.
  void Remove(int32_t objectId);
  void Clear();

  int32_t Count() const { return static_cast<int32_t>(byKey_.size()); }

 private:
  struct TEntry {
    std::unique_ptr<TObjectRef> object;
    std::unique_ptr<TVector3> position;
  };

  std::map<TKey, TEntry> byKey_;
  std::map<int32_t, TKey> byId_;
};
