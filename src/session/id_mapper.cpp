#include "session/id_mapper.h"

#include <limits>
#include <utility>
#include <vector>

#include "app/data_stream.h"
#include "world/world.h"

namespace {

constexpr std::size_t kIntBytes = 4;
// A saved mapper: its count, its pairs, its next external id.
constexpr std::size_t kPairBytes = 2 * kIntBytes;
constexpr std::size_t kEmptyMapperBytes = 2 * kIntBytes;
// A saved table entry at its smallest: the key and an empty mapper.
constexpr std::size_t kEmptyEntryBytes = kIntBytes + kEmptyMapperBytes;

int32_t ReadInt32(TDataStream& stream) { return static_cast<int32_t>(stream.ReadInt()); }

// An external id from a player's stream: -1, or a storable id. Anything else
// fails the stream, so that one crafted id cannot pin the next external id
// at the top of the range.
int32_t ReadExternalId(TDataStream& stream) {
  const int32_t externalId = ReadInt32(stream);
  if (stream.HasFailed()) return TIdMapper::kNoObject;
  if (!TIdCounter::IsStorableId(externalId)) {
    stream.SetFailed();
    return TIdMapper::kNoObject;
  }
  return externalId;
}

void WriteInt32(TDataStream& stream, int32_t value) { stream.WriteInt(static_cast<uint32_t>(value)); }

// A count read from the stream, or -1 when it is negative or more than the
// bytes left can hold at `bytesEach` apiece after `trailingBytes`.
int64_t ReadBoundedCount(TDataStream& stream, std::size_t bytesEach, std::size_t trailingBytes) {
  const int32_t count = ReadInt32(stream);
  if (stream.HasFailed() || count < 0) return -1;
  const std::size_t remaining = stream.Remaining();
  if (remaining < trailingBytes) return -1;
  if (static_cast<std::size_t>(count) > (remaining - trailingBytes) / bytesEach) return -1;
  return count;
}

}  // namespace

// --- TIdMapper ---------------------------------------------------------------------

int32_t TIdMapper::ReadId(TDataStream& stream, TWorld& world) {
  const int32_t externalId = ReadExternalId(stream);
  if (stream.HasFailed() || externalId == kNoObject) return kNoObject;
  return ToInternal(externalId, world);
}

int32_t TIdMapper::ReadId(TDataStream& stream) {
  const int32_t externalId = ReadExternalId(stream);
  if (stream.HasFailed() || externalId == kNoObject) return kNoObject;
  const auto found = table_.find(externalId);
  return found != table_.end() ? found->second : kNoObject;
}

void TIdMapper::WriteId(TDataStream& stream, int32_t id) {
  WriteInt32(stream, id == kNoObject ? kNoObject : ToExternal(id));
}

void TIdMapper::Bind(int32_t externalId, int32_t internalId) {
  const auto [entry, added] = table_.try_emplace(externalId, internalId);
  if (!added) {
    keysByInternal_.erase({entry->second, externalId});
    entry->second = internalId;
  }
  keysByInternal_.emplace(internalId, externalId);
  if (externalId >= nextExternalId_) {
    // A key at the top of the range keeps the next id there rather than wrap.
    nextExternalId_ = externalId < std::numeric_limits<int32_t>::max() ? externalId + 1 : externalId;
  }
}

void TIdMapper::BindNext(int32_t internalId) { Bind(nextExternalId_, internalId); }

bool TIdMapper::HasExternalId(int32_t externalId) const { return table_.count(externalId) != 0; }

const int32_t* TIdMapper::FirstKeyOf(int32_t internalId) const {
  const auto first = keysByInternal_.lower_bound({internalId, std::numeric_limits<int32_t>::min()});
  return first != keysByInternal_.end() && first->first == internalId ? &first->second : nullptr;
}

bool TIdMapper::HasInternalId(int32_t internalId) const { return FirstKeyOf(internalId) != nullptr; }

int32_t TIdMapper::ToInternal(int32_t externalId, TWorld& world) {
  const auto found = table_.find(externalId);
  if (found != table_.end()) return found->second;
  const int32_t internalId = world.NextId();
  Bind(externalId, internalId);
  return internalId;
}

int32_t TIdMapper::ToExternal(int32_t internalId) {
  if (!HasInternalId(internalId)) BindNext(internalId);
  const int32_t* key = FirstKeyOf(internalId);
  return key != nullptr ? *key : kNoObject;
}

void TIdMapper::Save(TDataStream& stream) const {
  WriteInt32(stream, static_cast<int32_t>(table_.size()));
  for (const auto& [key, value] : table_) {
    WriteInt32(stream, key);
    WriteInt32(stream, value);
  }
  WriteInt32(stream, nextExternalId_);
}

bool TIdMapper::Load(TDataStream& stream) {
  // The pairs and the trailing next id must all be there before any is bound.
  const int64_t count = ReadBoundedCount(stream, kPairBytes, kIntBytes);
  if (count < 0) {
    stream.SetFailed();
    return false;
  }
  // Read aside: a table with a key no stream may carry is refused whole.
  std::vector<std::pair<int32_t, int32_t>> pairs;
  pairs.reserve(static_cast<std::size_t>(count));
  for (int64_t i = 0; i < count; ++i) {
    const int32_t key = ReadInt32(stream);
    const int32_t value = ReadInt32(stream);
    if (key == kNoObject || !TIdCounter::IsStorableId(key)) {
      stream.SetFailed();
      return false;
    }
    pairs.emplace_back(key, value);
  }
  if (stream.HasFailed()) return false;
  for (const auto& [key, value] : pairs) Bind(key, value);
  // The saved next id is not trusted: the keys decide it.
  ReadInt32(stream);
  return !stream.HasFailed();
}

// --- TRawIdMapper ------------------------------------------------------------------

int32_t TRawIdMapper::ReadId(TDataStream& stream, TWorld& /*world*/) { return ReadId(stream); }

int32_t TRawIdMapper::ReadId(TDataStream& stream) { return ReadInt32(stream); }

void TRawIdMapper::WriteId(TDataStream& stream, int32_t id) { WriteInt32(stream, id); }

// --- TIdMapperTable ----------------------------------------------------------------

TIdMapper& TIdMapperTable::GetMapper(int32_t key) {
  std::unique_ptr<TIdMapper>& mapper = mappers_[key];
  if (!mapper) mapper = std::make_unique<TIdMapper>();
  return *mapper;
}

void TIdMapperTable::Save(TDataStream& stream) const {
  WriteInt32(stream, static_cast<int32_t>(mappers_.size()));
  for (const auto& [key, mapper] : mappers_) {
    WriteInt32(stream, key);
    mapper->Save(stream);
  }
}

bool TIdMapperTable::Load(TDataStream& stream) {
  const int64_t count = ReadBoundedCount(stream, kEmptyEntryBytes, 0);
  if (count < 0) {
    stream.SetFailed();
    return false;
  }
  // Loaded aside, so that a stream failing half-way leaves the table whole.
  std::map<int32_t, std::unique_ptr<TIdMapper>> loaded;
  for (int64_t i = 0; i < count; ++i) {
    const int32_t key = ReadInt32(stream);
    auto mapper = std::make_unique<TIdMapper>();
    if (stream.HasFailed() || !mapper->Load(stream)) {
      stream.SetFailed();
      return false;
    }
    loaded[key] = std::move(mapper);
  }
  for (auto& [key, mapper] : loaded) mappers_[key] = std::move(mapper);
  return true;
}
