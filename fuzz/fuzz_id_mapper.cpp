// The server's id mappers come back from its gamestate file: a mapper or the
// table of mappers must survive any bytes, fail cleanly on counts the bytes
// cannot hold, and a table that loads must save and load again to the same
// numbering.
//
// Input: one byte choosing a single mapper (even) or the table (odd), then
// the saved form.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <map>

#include "app/data_stream.h"
#include "session/id_mapper.h"

namespace {

using TPairs = std::map<int32_t, int32_t>;

// The next external id stays above every key (at the top of the range it
// stays there), and every internal id translates back to a key holding it.
void CheckMapper(TIdMapper& mapper) {
  for (const auto& [key, value] : mapper.Entries()) {
    if (key != std::numeric_limits<int32_t>::max() && mapper.GetNextExternalId() <= key) std::abort();
  }
  const TPairs pairs = mapper.Entries();
  for (const auto& [key, value] : pairs) {
    const int32_t external = mapper.ToExternal(value);
    if (mapper.Entries().at(external) != value) std::abort();
  }
  if (mapper.Entries() != pairs) std::abort();
}

void CheckSameNumbering(TIdMapperTable& table, TIdMapperTable& other) {
  if (table.Count() != other.Count()) std::abort();
  TDataStream first;
  TDataStream second;
  table.Save(first);
  other.Save(second);
  if (first.Body() != second.Body()) std::abort();
}

void FuzzMapper(TDataStream& stream) {
  TIdMapper mapper;
  mapper.Bind(0, 0);
  if (!mapper.Load(stream)) {
    if (!stream.HasFailed() || mapper.Entries() != TPairs({{0, 0}})) std::abort();
    return;
  }
  TDataStream saved;
  mapper.Save(saved);
  saved.Rewind();
  TIdMapper reloaded;
  if (!reloaded.Load(saved) || reloaded.Entries() != mapper.Entries() ||
      reloaded.GetNextExternalId() != mapper.GetNextExternalId()) {
    std::abort();
  }
  CheckMapper(mapper);
}

void FuzzTable(TDataStream& stream) {
  TIdMapperTable table;
  if (!table.Load(stream)) {
    if (!stream.HasFailed() || table.Count() != 0) std::abort();
    return;
  }
  TDataStream saved;
  table.Save(saved);
  saved.Rewind();
  TIdMapperTable reloaded;
  if (!reloaded.Load(saved)) std::abort();
  CheckSameNumbering(table, reloaded);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  TDataStream stream;
  stream.Body().assign(data + 1, data + size);
  stream.Rewind();
  if (data[0] % 2 == 0) {
    FuzzMapper(stream);
  } else {
    FuzzTable(stream);
  }
  return 0;
}
