#include "units/order_factory.h"

#include <utility>

#include "units/order.h"

namespace {

// Tried in this order; the names are the static names of the order classes.
constexpr std::array<std::string_view, TOrderFactory::kOrderTypeCount> kOrderNames = {
    "Movement",      "Hold",          "Deploy",        "AttackElement", "AttackPosition",    "Follow",
    "Heal",          "Pursue",        "Resupply",      "ContinuousAttack", "OpportunityAttack", "CloseCombat",
    "CloseAttack",   "SuicideAttack", "Eat",           "LayEgg",        "CommitSuicide",     "OpportunityPursue",
    "Activate",      "Rules",         "ToggleShield",  "PsychicAttack", "Psychic",           "WarpAttack",
    "Name",          "Retreat"};

int NameSlot(std::string_view name) {
  for (std::size_t i = 0; i < kOrderNames.size(); ++i) {
    if (kOrderNames[i] == name) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

TOrderFactory& TOrderFactory::Instance() {
  static TOrderFactory factory;
  return factory;
}

std::span<const std::string_view> TOrderFactory::OrderNames() { return kOrderNames; }

bool TOrderFactory::IsKnownOrderName(std::string_view name) { return NameSlot(name) >= 0; }

bool TOrderFactory::Register(std::string_view name, TOrderReader reader) {
  const int slot = NameSlot(name);
  if (slot < 0) return false;
  readers_[static_cast<std::size_t>(slot)] = std::move(reader);
  return true;
}

void TOrderFactory::Unregister(std::string_view name) {
  const int slot = NameSlot(name);
  if (slot >= 0) readers_[static_cast<std::size_t>(slot)] = nullptr;
}

bool TOrderFactory::IsRegistered(std::string_view name) const { return FindReader(name) != nullptr; }

const TOrderReader* TOrderFactory::FindReader(std::string_view name) const {
  const int slot = NameSlot(name);
  if (slot < 0) return nullptr;
  const TOrderReader& reader = readers_[static_cast<std::size_t>(slot)];
  return reader ? &reader : nullptr;
}
