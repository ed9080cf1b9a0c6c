// Rebuilds events from a stream by their type names. Each event type
// registers the reader of its stream form under its name; only the names of
// the game's event types can be registered, and they are tried in a fixed
// order. A stream is read up to its "End" entry and rejected whole when it
// names anything the factory cannot read: the stream holds no length per
// event, so an event that cannot be read cannot be skipped either.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

class TDataStream;
class TEvent;
class TGameRecord;
class TReactionManager;
class TSpecialEffectList;
class TStringList;
class TWorld;

// What the stream forms of the event types refer to; each reader takes what
// its type needs. Nothing is owned; any pointer may be null where the loader
// has no such thing (a reader then builds an event that finds nothing).
struct TEventFactoryContext {
  TWorld* world = nullptr;
  TReactionManager* reactionManager = nullptr;
  TSpecialEffectList* specialEffects = nullptr;
  TGameRecord* gameRecord = nullptr;
};

// Reads one event after its type index: the time, then the type's fields.
// Null, or a stream marked failed, when they do not read. The name table is
// the stream's, for types whose fields name things by index.
using TEventReader =
    std::function<std::unique_ptr<TEvent>(TDataStream&, const TEventFactoryContext&, const TStringList&)>;

using TEventVector = std::vector<std::unique_ptr<TEvent>>;

class TEventFactory {
 public:
  static constexpr std::string_view kEndName = "End";
  // The smallest event: its type index and its time.
  static constexpr std::size_t kMinEventBytes = 2 + 4;

  static TEventFactory& Instance();

  // The event type names, in the order they are tried.
  static std::span<const std::string_view> TypeNames();
  static bool IsKnownTypeName(std::string_view name);

  // False for a name that is not one of the event type names.
  bool Register(std::string_view typeName, TEventReader reader);
  void Unregister(std::string_view typeName);
  bool IsRegistered(std::string_view typeName) const;

  // Reads events until the index of "End" and appends them to the
  // destination in stream order. False, with the stream marked failed and
  // the destination unchanged, for an index outside the name table, a name
  // that is not a registered event type, an event that does not read or
  // whose time is not finite, more than maxEvents events, or the end of the
  // data before "End".
  bool ReadEvents(const TEventFactoryContext& context, TEventVector& destination, TDataStream& stream,
                  const TStringList& nameTable, std::size_t maxEvents = kMaxEventsPerTurn) const;

  // The events a turn of a results file may carry: far above what a turn
  // of the largest battle records. A whole record of a game carries many
  // turns.
  static constexpr std::size_t kMaxEventsPerTurn = 100000;
  static constexpr std::size_t kMaxEventsInRecord = 2000000;

 private:
  TEventFactory() = default;

  static constexpr std::size_t kTypeCount = 21;
  TEventReader readers_[kTypeCount];
};
