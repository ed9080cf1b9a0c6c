// The ids of a battle's objects: the next id to give out, and a mark that a
// turn's snapshot keeps so that a replayed turn hands out the same ids again.
#pragma once

#include <cstdint>

class TDataStream;

class TIdCounter {
 public:
  TIdCounter() = default;

  // The next id; the counter moves on.
  int32_t Next();
  // An id of -1 takes the next id; any other id is kept, and the counter is
  // moved beyond it when it is not already. Returns the id.
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
