// Makes orders from the orders stream by their names. Each order class
// registers the reader of its stream form under its name; only the names of
// the game's order classes can be registered, and they are tried in a fixed
// order, byte for byte.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string_view>

class TActionResolver;
class TDataStream;
class TIdMapper;
class TOrder;

// Reads one order after its name: the unit id through the mapper, then the
// class's fields. Null when the class itself refuses what it read (the entry
// is then dropped and reading goes on).
using TOrderReader = std::function<std::unique_ptr<TOrder>(TDataStream&, TActionResolver&, TIdMapper&)>;

class TOrderFactory {
 public:
  static constexpr std::string_view kEndName = "End";
  // Read for the stream, never kept: a retreat is the unit's own reaction.
  static constexpr std::string_view kRetreatName = "Retreat";
  // Its unit does not exist until the order has run.
  static constexpr std::string_view kDeployName = "Deploy";
  static constexpr std::size_t kOrderTypeCount = 26;

  static TOrderFactory& Instance();

  // The order names, in the order they are tried.
  static std::span<const std::string_view> OrderNames();
  static bool IsKnownOrderName(std::string_view name);

  // False for a name that is not one of the order names.
  bool Register(std::string_view name, TOrderReader reader);
  void Unregister(std::string_view name);
  bool IsRegistered(std::string_view name) const;
  // The reader of a registered name; null otherwise.
  const TOrderReader* FindReader(std::string_view name) const;

 private:
  TOrderFactory() = default;

  std::array<TOrderReader, kOrderTypeCount> readers_;
};

// Registers the stream constructor (stream, resolver, id mapper) of an order
// class as the reader of its name.
template <class TOrderClass>
bool RegisterOrderClass(std::string_view name) {
  return TOrderFactory::Instance().Register(name, [](TDataStream& stream, TActionResolver& resolver, TIdMapper& ids) {
    return std::unique_ptr<TOrder>(std::make_unique<TOrderClass>(stream, resolver, ids));
  });
}
