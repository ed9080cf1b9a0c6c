// Saved-state records of game objects: what a snapshot keeps of an object at
// the start of a turn and what a saved game holds of it. Each object class has
// its record class, which re-creates (spawns) the object. In a stream every
// record is preceded by the index of its type name in the stream's name
// table, and CreateObjectRecord builds the matching record class from the
// readers that the object families register by that name.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "app/data_stream.h"
#include "app/files.h"
#include "app/vector3.h"
#include "session/id_mapper.h"
#include "world/bit_set.h"

class TGameData;
class TGameObject;
class TMobileObject;
class TObjectList;

class TGameObjectRecord {
 public:
  // Id, position and current flag bits of the object.
  explicit TGameObjectRecord(const TGameObject& object);
  // The base fields of a stream record, after its type index.
  explicit TGameObjectRecord(TDataStream& stream);
  virtual ~TGameObjectRecord();
  TGameObjectRecord(const TGameObjectRecord&) = delete;
  TGameObjectRecord& operator=(const TGameObjectRecord&) = delete;

  // A new object with the record's state; null when the game data lacks what
  // the object needs (its type).
  virtual std::unique_ptr<TGameObject> Spawn(const TGameData& gameData, TObjectList& list) const = 0;
  // The same string as the object class's.
  virtual std::string_view TypeName() const = 0;
  // An exact copy: what a save and a load would give.
  virtual std::unique_ptr<TGameObjectRecord> Clone() const = 0;
  // Type index (interned into nameTable), id, position, bits; derived
  // records append their fields. False when the name table is full.
  virtual bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const;

  // Replaces the object's current bits with the saved ones.
  void ApplyFlags(TGameObject& object) const;

  int32_t GetId() const { return id_; }
  const TVector3& GetPosition() const { return *position_; }
  const TBitSet& GetBits() const { return *bits_; }

 protected:
  // Clone through a temporary stream written with raw ids and a temporary
  // name table, read back by the record class's stream constructor.
  template <class TRecord>
  static std::unique_ptr<TGameObjectRecord> CloneThroughStream(const TRecord& record);

 private:
  int32_t id_;
  std::unique_ptr<TVector3> position_;
  std::unique_ptr<TBitSet> bits_;
};

// The state of a mobile object: its path besides the base fields.
class TMobileObjectRecord : public TGameObjectRecord {
 public:
  explicit TMobileObjectRecord(const TMobileObject& object);
  explicit TMobileObjectRecord(TDataStream& stream);

  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;

  const TVector3& GetStartPoint() const { return startPoint_; }
  const TVector3& GetDirection() const { return direction_; }
  float GetStartTime() const { return startTime_; }
  float GetSpeed() const { return speed_; }

 private:
  TVector3 startPoint_;
  TVector3 direction_;
  float startTime_ = 0.0f;
  float speed_ = 0.0f;
};

// Builds a record from the stream after its type index; null, or a stream
// marked failed, when the fields do not read.
using TObjectRecordReader = std::function<std::unique_ptr<TGameObjectRecord>(TDataStream&, const TStringList&)>;

// The record readers by type name. Only the names of the game's object
// families can be registered; each family registers its reader when the
// world is set up ("Surrogate" is always there).
class TObjectRecordFactory {
 public:
  // Records nest (a surrogate keeps its object's record); deeper nesting
  // than this only comes from crafted streams.
  static constexpr int kMaxNesting = 4;
  // The smallest record: type index, id, position, bit count.
  static constexpr std::size_t kMinRecordBytes = 2 + 4 + 12 + 4;

  static TObjectRecordFactory& Instance();

  // The type names the factory knows, in the order they are tried.
  static std::span<const std::string_view> TypeNames();
  static bool IsKnownTypeName(std::string_view name);

  // False for a name that is not one of the known type names.
  bool Register(std::string_view typeName, TObjectRecordReader reader);
  void Unregister(std::string_view typeName);
  bool IsRegistered(std::string_view typeName) const;

  // Reads the u16 type index and the record. Null, with the stream marked
  // failed, for an index outside the table, a name without a reader, records
  // nested too deep or fields that do not read.
  std::unique_ptr<TGameObjectRecord> Create(TDataStream& stream, const TStringList& nameTable);

 private:
  TObjectRecordFactory();

  static constexpr std::size_t kTypeCount = 15;
  TObjectRecordReader readers_[kTypeCount];
  int depth_ = 0;
};

std::unique_ptr<TGameObjectRecord> CreateObjectRecord(TDataStream& stream, const TStringList& nameTable);

// --- template ----------------------------------------------------------------

template <class TRecord>
std::unique_ptr<TGameObjectRecord> TGameObjectRecord::CloneThroughStream(const TRecord& record) {
  TDataStream stream;
  TStringList names;
  TRawIdMapper ids;
  record.Save(stream, ids, names);
  stream.Rewind();
  stream.ReadShort();  // the type index: the class is known
  if constexpr (std::is_constructible_v<TRecord, TDataStream&, const TStringList&>) {
    return std::make_unique<TRecord>(stream, names);
  } else {
    return std::make_unique<TRecord>(stream);
  }
}
