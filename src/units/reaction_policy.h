// Combat reactions: what an idle unit does by itself while a turn is
// simulated. A policy object is only its class; it carries no state, so a
// unit's record can drop and re-make it by name at any time. Each policy is
// also a name in the saved reaction records, a number and a colour for the
// interface, and the cycle the interface steps through.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TColour;
class TDataStream;

class TReactionPolicy {
 public:
  TReactionPolicy() = default;
  virtual ~TReactionPolicy();
  TReactionPolicy(const TReactionPolicy&) = delete;
  TReactionPolicy& operator=(const TReactionPolicy&) = delete;

  // The class's name, as the unit types, the Rules orders and the saved
  // records spell it.
  virtual std::string_view Name() const = 0;
  virtual int32_t Code() const = 0;
  // A new policy of the class that follows in the interface's cycle.
  virtual std::unique_ptr<TReactionPolicy> Next() const = 0;
  virtual const TColour& Colour() const = 0;

  // The name as a string; false when the stream refused it.
  bool Write(TDataStream& stream) const;
};

class HoldFire final : public TReactionPolicy {
 public:
  static constexpr std::string_view kName = "HoldFire";
  static constexpr int32_t kCode = 0;
  static const TColour& StaticColour();

  std::string_view Name() const override { return kName; }
  int32_t Code() const override { return kCode; }
  std::unique_ptr<TReactionPolicy> Next() const override;
  const TColour& Colour() const override { return StaticColour(); }
};

class FireAtWill final : public TReactionPolicy {
 public:
  static constexpr std::string_view kName = "FireAtWill";
  static constexpr int32_t kCode = 1;
  static const TColour& StaticColour();

  std::string_view Name() const override { return kName; }
  int32_t Code() const override { return kCode; }
  std::unique_ptr<TReactionPolicy> Next() const override;
  const TColour& Colour() const override { return StaticColour(); }
};

class Pursue final : public TReactionPolicy {
 public:
  static constexpr std::string_view kName = "Pursue";
  static constexpr int32_t kCode = 2;
  static const TColour& StaticColour();

  std::string_view Name() const override { return kName; }
  int32_t Code() const override { return kCode; }
  std::unique_ptr<TReactionPolicy> Next() const override;
  const TColour& Colour() const override { return StaticColour(); }
};

class Retreat final : public TReactionPolicy {
 public:
  static constexpr std::string_view kName = "Retreat";
  static constexpr int32_t kCode = 3;
  static const TColour& StaticColour();

  std::string_view Name() const override { return kName; }
  int32_t Code() const override { return kCode; }
  std::unique_ptr<TReactionPolicy> Next() const override;
  const TColour& Colour() const override { return StaticColour(); }
};

// The policy of that exact name; null for any other name.
std::unique_ptr<TReactionPolicy> CreateReactionPolicy(std::string_view name);
// Reads a name string and makes its policy; null for an unknown name (or a
// failed read, which reads as the empty name).
std::unique_ptr<TReactionPolicy> ReadReactionPolicy(TDataStream& stream);
