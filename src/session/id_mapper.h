// Writers and readers of object ids in streams. Ids written by one run of the
// program may name other objects in another run; a mapper decides how an id
// travels. The translating mapper keeps a table between the ids a stream
// carries (external) and the ids of the world in memory (internal): the
// server holds one per player, so that each player's files keep that
// player's own numbering from turn to turn. The raw mapper keeps ids as they
// are (snapshots, record copies, saved object lists, everything the client
// saves and loads). -1 is the id of no object everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <utility>

// The world's source of fresh ids belongs to the same family.
#include "session/id_counter.h"

class TDataStream;
class TWorld;

class TIdMapper {
 public:
  static constexpr int32_t kNoObject = -1;

  TIdMapper() = default;
  virtual ~TIdMapper() = default;
  TIdMapper(const TIdMapper&) = delete;
  TIdMapper& operator=(const TIdMapper&) = delete;

  // Whether ids cross the stream unchanged (no table is kept).
  virtual bool PassesIdsUnchanged() const { return false; }
  // Reads an id written by WriteId and returns the id the object has here;
  // an external id seen for the first time is bound to a fresh id of the
  // world. -1 stays -1; a read past the end gives -1 and binds nothing; an id
  // beyond TIdCounter::kMaxStoredId (or below -1) fails the stream, binds
  // nothing and reads as -1.
  virtual int32_t ReadId(TDataStream& stream, TWorld& world);
  // The same without a world to give fresh ids: an external id that the
  // table does not hold names no object here and reads as -1.
  virtual int32_t ReadId(TDataStream& stream);
  // Writes the id of an object of this world; an object the stream never
  // named takes the next external id. -1 is written as it is: readers take
  // it as no object.
  virtual void WriteId(TDataStream& stream, int32_t id);

  // Stores the pair (replacing the value of a known key) and keeps the next
  // external id beyond the key.
  void Bind(int32_t externalId, int32_t internalId);
  void BindNext(int32_t internalId);
  bool HasExternalId(int32_t externalId) const;
  bool HasInternalId(int32_t internalId) const;
  // The internal id of the key, binding it to the world's next id first
  // when the key is new.
  int32_t ToInternal(int32_t externalId, TWorld& world);
  // The first key (ascending) bound to the internal id, binding the id to
  // the next external id first when none is.
  int32_t ToExternal(int32_t internalId);

  // The count, the pairs in ascending key order, the next external id.
  void Save(TDataStream& stream) const;
  // Adds the saved pairs to the table; the next external id follows the
  // keys, not the saved value. A count that the bytes left cannot hold (or
  // a negative one), or a key that is not a storable id, fails the stream
  // and leaves the table untouched.
  bool Load(TDataStream& stream);

  int32_t GetNextExternalId() const { return nextExternalId_; }
  std::size_t Count() const { return table_.size(); }
  const std::map<int32_t, int32_t>& Entries() const { return table_; }

 private:
  // The smallest key bound to the internal id; null when none is.
  const int32_t* FirstKeyOf(int32_t internalId) const;

  std::map<int32_t, int32_t> table_;
  // The same pairs as (internal, external), so that the first key of an
  // internal id is found without a walk over the table.
  std::set<std::pair<int32_t, int32_t>> keysByInternal_;
  int32_t nextExternalId_ = 0;
};

// Ids as plain 32-bit integers, -1 included; the table is never used.
class TRawIdMapper : public TIdMapper {
 public:
  bool PassesIdsUnchanged() const override { return true; }
  int32_t ReadId(TDataStream& stream, TWorld& world) override;
  int32_t ReadId(TDataStream& stream) override;
  void WriteId(TDataStream& stream, int32_t id) override;
};

// The server's mappers, one per player number.
class TIdMapperTable {
 public:
  // The key's mapper, made empty the first time the key is asked for.
  TIdMapper& GetMapper(int32_t key);
  bool HasMapper(int32_t key) const { return mappers_.count(key) != 0; }
  std::size_t Count() const { return mappers_.size(); }
  void Clear() { mappers_.clear(); }

  // The number of mappers, then each key (ascending) with its mapper.
  void Save(TDataStream& stream) const;
  // Each saved key gets a new mapper filled from the stream, replacing one
  // already held. A count beyond the bytes left, or a mapper that does not
  // load, fails the stream and leaves the table as it was.
  bool Load(TDataStream& stream);

 private:
  std::map<int32_t, std::unique_ptr<TIdMapper>> mappers_;
};
