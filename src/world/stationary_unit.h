// What ammunition dumps and eggs share: both stand still on the map, are
// described by a unit type (endurance, armour, shape, looks), can be shot
// like units, and their lists remember one selected object of the player.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/data_stream.h"
#include "app/files.h"
#include "app/vector3.h"
#include "world/object_list.h"
#include "world/object_ref.h"

// The endurance left after a hit of `amount` on armour `armour`: a hit no
// stronger than the armour does nothing; the endurance never drops below 0.
inline float EnduranceAfterHit(float endurance, float amount, float armour) {
  const float damage = amount - armour;
  if (damage <= 0.0f) return endurance;
  return endurance > damage ? endurance - damage : 0.0f;
}

// The share of the full value that a bar shows; a type without a positive
// full value shows an empty bar rather than dividing by it.
inline float ShownFraction(float value, float full) { return full > 0.0f ? value / full : 0.0f; }

// Records name their unit type by its index in the stream's name table.
// False when the table is full and cannot take the name.
inline bool WriteUnitTypeNameIndex(TDataStream& stream, TStringList& nameTable, const std::string& name) {
  const int16_t index = nameTable.IndexOf(name);
  if (index < 0) return false;
  stream.WriteShort(static_cast<uint16_t>(index));
  return true;
}

// An index outside the table marks the stream failed and gives "".
inline std::string ReadUnitTypeNameIndex(TDataStream& stream, const TStringList& nameTable) {
  const uint16_t index = stream.ReadShort();
  if (stream.HasFailed() || index >= nameTable.Count()) {
    stream.SetFailed();
    return std::string();
  }
  return nameTable.At(index);
}

// A list of stationary unit-type objects of class T (T::kTypeName,
// GetOwner(), ShowSelected(bool)) with the player's selection.
template <class T>
class TStationaryUnitList : public TObjectList {
 public:
  TStationaryUnitList() : selection_(-1, this) {}

  std::string_view ElementTypeName() const override { return T::kTypeName; }

  // The nearest object whose radius covers the point (the earlier one of two
  // at the same distance); null when none.
  T* FindAtPoint(const TVector3& point) const {
    T* nearest = nullptr;
    float nearestDistance = 0.0f;
    for (int32_t i = 0; i < Count(); ++i) {
      T* object = As(GetAt(i));
      if (object == nullptr) continue;
      const float distance = object->Position().DistanceTo(point);
      if (distance > object->GetRadius()) continue;
      if (nearest == nullptr || distance < nearestDistance) {
        nearest = object;
        nearestDistance = distance;
      }
    }
    return nearest;
  }

  // Selects the object at the point when it belongs to the player; false
  // (and the selection unchanged) otherwise.
  bool SelectAt(const TVector3& point, int32_t player) { return Select(FindAtPoint(point), player); }
  // The same for the object with the id.
  bool SelectById(int32_t id, int32_t player) { return Select(As(FindById(id)), player); }

  // The selected object; null when none is selected or it is gone.
  T* GetSelected() const { return As(selection_.Resolve()); }
  int32_t GetSelectedId() const { return selection_.GetId(); }

  void Deselect() {
    if (T* selected = GetSelected()) selected->ShowSelected(false);
    selection_.Reset();
  }

  bool AnyOwnedBy(int32_t player) const {
    for (int32_t i = 0; i < Count(); ++i) {
      const T* object = As(GetAt(i));
      if (object != nullptr && object->GetOwner() == player) return true;
    }
    return false;
  }

 protected:
  // Objects tell their kind by type name; a stray object of another kind is
  // left alone.
  static T* As(TGameObject* object) {
    return object != nullptr && object->TypeName() == T::kTypeName ? static_cast<T*>(object) : nullptr;
  }

 private:
  bool Select(T* object, int32_t player) {
    if (object == nullptr || object->GetOwner() != player) return false;
    if (T* previous = GetSelected(); previous != nullptr && previous != object) previous->ShowSelected(false);
    selection_ = TObjectRef(object->GetId(), this);
    object->ShowSelected(true);
    return true;
  }

  TObjectRef selection_;
};
