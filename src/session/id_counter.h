// The ids of a battle's objects: the next id to give out, and a mark that a
// turn's snapshot keeps so that a replayed turn hands out the same ids again.
#pragma once

#include <cstdint>

class TDataStream;

class TIdCounter {
 public:
  // Ids that files may carry: far above the objects a battle can hold, and
  // far enough below the top of the range that the counter never meets it.
  static constexpr int32_t kMaxStoredId = (1 << 24) - 1;
  static bool IsStorableId(int32_t id) { return id == -1 || (id >= 0 && id <= kMaxStoredId); }

  TIdCounter() = default;

  // The next id; the counter moves on.
  int32_t Next();
  // An id of -1 takes the next id; any other storable id is kept, and the
  // counter is moved beyond it when it is not already. An id no file may
  // carry (negative, or beyond kMaxStoredId) is renumbered: the next id is
  // returned instead, so one crafted id cannot pin the counter at the top.
  // Returns the id the object is to have.
  int32_t Reserve(int32_t id);
  void Mark() { mark_ = next_; }
  void Restore() { next_ = mark_; }
  void Write(TDataStream& stream) const;
  bool Read(TDataStream& stream);

  int32_t Peek() const { return next_; }

 private:
  int32_t next_ = 0;
  int32_t mark_ = 0;
};
