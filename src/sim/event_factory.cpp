#include "sim/event_factory.h"

#include <array>
#include <cmath>
#include <string>

#include "app/data_stream.h"
#include "app/files.h"
#include "sim/event.h"

namespace {

// Tried in this order; the names are the static type names of the classes.
constexpr std::array<std::string_view, 21> kEventTypeNames = {
    "Facing",    "Movement",  "Damage",      "Vision",        "Heal",         "Ammo",          "Bounce",
    "Animation", "Resupply",  "StopActions", "SpecialEffect", "Score",        "Calorie",       "LayEgg",
    "RenewGoo",  "RevealMap", "Deployment",  "Rules",         "ToggleShield", "PsychicDamage", "Name"};

int TypeSlot(std::string_view name) {
  for (std::size_t i = 0; i < kEventTypeNames.size(); ++i) {
    if (kEventTypeNames[i] == name) return static_cast<int>(i);
  }
  return -1;
}

bool Failed(TDataStream& stream) {
  stream.SetFailed();
  return false;
}

}  // namespace

TEventFactory& TEventFactory::Instance() {
  static TEventFactory factory;
  return factory;
}

std::span<const std::string_view> TEventFactory::TypeNames() { return kEventTypeNames; }

bool TEventFactory::IsKnownTypeName(std::string_view name) { return TypeSlot(name) >= 0; }

bool TEventFactory::Register(std::string_view typeName, TEventReader reader) {
  const int slot = TypeSlot(typeName);
  if (slot < 0) return false;
  readers_[slot] = std::move(reader);
  return true;
}

void TEventFactory::Unregister(std::string_view typeName) {
  const int slot = TypeSlot(typeName);
  if (slot >= 0) readers_[slot] = nullptr;
}

bool TEventFactory::IsRegistered(std::string_view typeName) const {
  const int slot = TypeSlot(typeName);
  return slot >= 0 && readers_[slot] != nullptr;
}

bool TEventFactory::ReadEvents(const TEventFactoryContext& context, TEventVector& destination, TDataStream& stream,
                               const TStringList& nameTable, std::size_t maxEvents) const {
  // Read aside: a stream rejected half-way adds nothing.
  TEventVector events;
  // Every pass consumes at least the two bytes of an index, so the loop ends
  // with the data at the latest.
  for (;;) {
    const uint16_t index = stream.ReadShort();
    if (stream.HasFailed() || index >= nameTable.Count()) return Failed(stream);
    const std::string name = nameTable.At(index);
    if (name == kEndName) break;
    if (events.size() >= maxEvents) return Failed(stream);

    const int slot = TypeSlot(name);
    if (slot < 0 || readers_[slot] == nullptr) return Failed(stream);
    std::unique_ptr<TEvent> event = readers_[slot](stream, context, nameTable);
    // An event of no time would stop playback for good where it stands.
    if (event == nullptr || stream.HasFailed() || !std::isfinite(event->GetTime())) return Failed(stream);
    events.push_back(std::move(event));
  }
  destination.reserve(destination.size() + events.size());
  for (std::unique_ptr<TEvent>& event : events) destination.push_back(std::move(event));
  return true;
}
