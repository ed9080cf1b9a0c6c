// Events: the record of everything that changes the world during a turn.
// The computing side builds each event as it happens (most apply themselves
// at once) and keeps it in the battle's event list; the list travels in the
// turn files, and the replaying side applies the events again when its clock
// reaches them, so both sides arrive at the same world.
//
// Each event carries its game time and one visibility bit per player (bit p
// set: player p may see it and receives it in that player's results). The
// bits are not part of the stream: an event read back starts with every bit
// clear. Event streams begin each event with the 16-bit index of its type
// name in the stream's name table, then the time; the event type appends its
// own fields.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

class Combatant;
class TBitSet;
class TDataStream;
class TGameObject;
class TIdMapper;
class TObjectRef;
class TStringList;
class TWorld;

class TEvent {
 public:
  // Every visibility bit clear.
  explicit TEvent(float time);
  // The visibility is a copy of the given bits.
  TEvent(float time, const TBitSet& bits);
  // Reads the time (a 4-byte float); every visibility bit clear.
  explicit TEvent(TDataStream& stream);
  virtual ~TEvent();
  TEvent(const TEvent&) = delete;
  TEvent& operator=(const TEvent&) = delete;

  // Performs the event's change on the world.
  virtual void Apply() = 0;
  // The type index (interned into nameTable) and the time; event types
  // append their fields. False when the name table is full.
  virtual bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const;
  // The class's static type name, which the factory reads the event by.
  virtual std::string_view TypeName() const = 0;

  float GetTime() const { return time_; }
  const TBitSet& GetFlags() const { return *visibility_; }
  // Replaces the visibility with a copy of the bits.
  void AssignFlags(const TBitSet& bits);
  // Players outside the set are ignored by SetFlag and ClearFlag and answer
  // false to TestFlag.
  void SetFlag(int32_t player);
  void ClearFlag(int32_t player);
  bool TestFlag(int32_t player) const;

 protected:
  // Writes the type index and the time; false when the table is full.
  bool SaveHeader(TDataStream& stream, TStringList& nameTable) const;

 private:
  float time_;
  std::unique_ptr<TBitSet> visibility_;
};

// An event about one unit, its subject. The subject is held by reference, so
// an event replayed after its unit was re-spawned from a record still finds
// it, and one whose unit is gone finds nothing.
class TUnitEvent : public TEvent {
 public:
  // Visibility = the unit's current flag bits (the players who see it now);
  // the reference holds the unit object itself.
  TUnitEvent(float time, TGameObject& unit);
  // Visibility as above; the reference looks the unit's id up in the world's
  // unit list.
  TUnitEvent(float time, TGameObject& unit, TWorld& world);
  // The time, then the subject's 32-bit id, taken as it stands (ids in event
  // streams are already this machine's); looked up in the world's unit list.
  // Without a world the subject never resolves.
  TUnitEvent(TDataStream& stream, TWorld* world);
  ~TUnitEvent() override;

  // The header, then the subject's id through the id writer.
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;
  virtual int32_t SubjectId() const;

  // The subject as a unit; null when it no longer exists or is not a unit.
  Combatant* Subject() const;

 private:
  std::unique_ptr<TObjectRef> subject_;
};
