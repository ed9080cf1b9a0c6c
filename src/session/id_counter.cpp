#include "session/id_counter.h"

#include <limits>

#include "app/data_stream.h"

int32_t TIdCounter::Next() {
  const int32_t id = next_;
  // A crafted id near the top must not wrap the counter into used ids.
  if (next_ < std::numeric_limits<int32_t>::max()) ++next_;
  return id;
}

int32_t TIdCounter::Reserve(int32_t id) {
  if (id == -1 || !IsStorableId(id)) return Next();
  if (next_ <= id) next_ = id < std::numeric_limits<int32_t>::max() ? id + 1 : id;
  return id;
}

void TIdCounter::Write(TDataStream& stream) const { stream.WriteInt(static_cast<uint32_t>(next_)); }

bool TIdCounter::Read(TDataStream& stream) {
  // A truncated stream leaves the counter as it was.
  const int32_t next = static_cast<int32_t>(stream.ReadInt());
  if (stream.HasFailed()) return false;
  if (next < 0 || next > kMaxStoredId + 1) {
    stream.SetFailed();
    return false;
  }
  next_ = next;
  return true;
}
