#include "units/reaction_policy.h"

#include <string>

#include "app/data_stream.h"
#include "display/colour.h"

TReactionPolicy::~TReactionPolicy() = default;

bool TReactionPolicy::Write(TDataStream& stream) const { return stream.WriteString(std::string(Name())); }

// The colours live as long as the program: markers copy them, never keep
// them.
const TColour& HoldFire::StaticColour() {
  static const TColour colour(0.0f, 0.9f, 0.0f, 1.0f);
  return colour;
}

const TColour& FireAtWill::StaticColour() {
  static const TColour colour(1.0f, 0.0f, 0.0f, 1.0f);
  return colour;
}

const TColour& Pursue::StaticColour() {
  static const TColour colour(0.0f, 0.0f, 1.0f, 1.0f);
  return colour;
}

const TColour& Retreat::StaticColour() {
  static const TColour colour(0.1f, 0.1f, 0.1f, 1.0f);
  return colour;
}

// HoldFire and FireAtWill toggle; Pursue leads through Retreat back into
// that pair.
std::unique_ptr<TReactionPolicy> HoldFire::Next() const { return std::make_unique<FireAtWill>(); }
std::unique_ptr<TReactionPolicy> FireAtWill::Next() const { return std::make_unique<HoldFire>(); }
std::unique_ptr<TReactionPolicy> Pursue::Next() const { return std::make_unique<Retreat>(); }
std::unique_ptr<TReactionPolicy> Retreat::Next() const { return std::make_unique<FireAtWill>(); }

std::unique_ptr<TReactionPolicy> CreateReactionPolicy(std::string_view name) {
  if (name == FireAtWill::kName) return std::make_unique<FireAtWill>();
  if (name == HoldFire::kName) return std::make_unique<HoldFire>();
  if (name == Pursue::kName) return std::make_unique<Pursue>();
  if (name == Retreat::kName) return std::make_unique<Retreat>();
  return nullptr;
}

std::unique_ptr<TReactionPolicy> ReadReactionPolicy(TDataStream& stream) {
  return CreateReactionPolicy(stream.ReadString());
}
