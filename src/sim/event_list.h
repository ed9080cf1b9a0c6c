// The record of a battle's turns: every event in time order, a cursor for
// playback, and where each turn's events begin.
//
// Stream form of a list (little-endian): the type-name table (16-bit count,
// then each name as a 32-bit length and its bytes, "End" last), the events
// (16-bit type index, 4-byte time, the type's fields), the index of "End",
// and, for a whole list only, the 32-bit number of turn starts and each
// start as a 32-bit index. The table comes first although it is complete
// only after the events are written: it is inserted in front of them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "sim/event_factory.h"

class TDataStream;
class TEvent;
class TIdMapper;

class TEventList {
 public:
  // Events within this much after a time count as simultaneous with it.
  static constexpr float kTimeTolerance = 0.0001f;

  TEventList();
  virtual ~TEventList();
  TEventList(const TEventList&) = delete;
  TEventList& operator=(const TEventList&) = delete;

  // Takes the event and inserts it behind every event that is not later than
  // its time plus the tolerance: events recorded at the same time keep the
  // order they were recorded in. The cursor stays. O(log n) to find the
  // place.
  void Add(std::unique_ptr<TEvent> event);
  // Add for each element, in vector order (the same order, for a large
  // batch in O((n + m) log(n + m))); the vector is emptied.
  void AddAll(TEventVector& events);

  // Applies, in list order, every event from the cursor on whose time is at
  // most the time plus the tolerance; the cursor moves past each before it
  // is applied.
  void PlayUntil(float time);

  // No events, cursor 0, one turn start 0.
  void Clear();

  // The whole list with its turn starts, at the stream's position; the
  // position ends behind what was written. False (nothing written) when
  // the name table overflows.
  bool Save(TDataStream& stream, TIdMapper& idWriter) const;
  // Only the events the player may see, without the turn starts.
  bool SaveForPlayer(TDataStream& stream, TIdMapper& idWriter, int32_t player) const;

  // Replaces the list with what Save wrote; the cursor is 0. False, with the
  // stream marked failed and the list cleared, when the events do not read
  // (see TEventFactory::ReadEvents) or the turn starts are out of bounds
  // (a count beyond the bytes left, starts that decrease or pass the event
  // count).
  bool Load(TDataStream& stream, const TEventFactoryContext& context);
  // Appends one turn written by SaveForPlayer: playback resumes at the
  // turn's first event, and the new event count becomes the next turn
  // start. False, with the stream marked failed and the list unchanged,
  // when the events do not read.
  bool LoadTurn(TDataStream& stream, const TEventFactoryContext& context);

  // Playback repeats turn n (from 0) from its first event; only the cursor
  // moves. False, cursor unchanged, unless 0 <= n <= GetTurnCount().
  bool RewindToTurn(int32_t turn);
  // Deletes the events recorded after the last complete turn.
  void DiscardUnfinishedTurn();

  int32_t GetTurnCount() const { return static_cast<int32_t>(turnStarts_.size()) - 1; }
  // -1 for an index outside the turn starts.
  int32_t GetTurnStart(int32_t index) const;
  int32_t GetEventCount() const { return static_cast<int32_t>(events_.size()); }
  // Null for an index outside the list.
  TEvent* GetEvent(int32_t index) const;
  uint32_t GetCursor() const { return cursor_; }

 private:
  // Table, events and end marker of the events the filter lets through.
  template <class TFilter>
  bool SaveEvents(TDataStream& stream, TIdMapper& idWriter, TFilter keep, bool withTurnStarts) const;
  bool ReadTurnStarts(TDataStream& stream);
  // An event is clearly later than a time when its key is greater.
  static float KeyOf(const TEvent& event);
  void RebuildLatest();

  TEventVector events_;
  // For each event, the greatest key of the events up to it: ascending, so
  // the place of a new event is found by binary search.
  std::vector<float> latest_;
  uint32_t cursor_ = 0;
  std::vector<uint32_t> turnStarts_;
};
