// Writers and readers of object ids in streams. Ids written by one run of the
// program may name other objects in another run; a mapper decides how an id
// travels. The raw mapper keeps ids as they are (snapshots, record copies and
// saved object lists of this machine).
#pragma once

#include <cstdint>

class TDataStream;

class TIdMapper {
 public:
  virtual ~TIdMapper() = default;

  // Writes the id of an object of this world (-1 = no object).
  virtual void WriteId(TDataStream& stream, int32_t id) = 0;
  // Reads an id written by WriteId and returns the id the object has here.
  virtual int32_t ReadId(TDataStream& stream) = 0;
};

// Ids as plain i32, -1 included.
class TRawIdMapper : public TIdMapper {
 public:
  void WriteId(TDataStream& stream, int32_t id) override;
  int32_t ReadId(TDataStream& stream) override;
};
