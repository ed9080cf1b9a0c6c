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

class Combatant;
class TActionResolver;
class TColour;
class TDataStream;
class TGameObject;
class TObjectList;
class TOrder;
class TSightResolver;
class TVector3;
class TWorld;

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
  // The order the idle unit gives itself (owned by the caller), or none.
  // Without a resolver, a world or a sight service nothing is ordered.
  virtual std::unique_ptr<TOrder> Act(int32_t unitId, TActionResolver* resolver, TWorld* world,
                                      TSightResolver* sight) const = 0;

  // The name as a string; false when the stream refused it.
  bool Write(TDataStream& stream) const;

  // A Queen eats the nearest seen corpse with food left whose line is clear
  // and that lies within reach of her edge; any other unit finds no food.
  static std::unique_ptr<TOrder> FindFood(int32_t unitId, TActionResolver* resolver, TWorld* world,
                                          TSightResolver* sight, float reach);
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
  std::unique_ptr<TOrder> Act(int32_t unitId, TActionResolver* resolver, TWorld* world,
                              TSightResolver* sight) const override;

  // How far beyond her edge a Queen holding fire still goes to eat.
  static constexpr float kFoodReach = 1.2071f;
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
  std::unique_ptr<TOrder> Act(int32_t unitId, TActionResolver* resolver, TWorld* world,
                              TSightResolver* sight) const override;

  // The nearest object of the list that the unit's side sees, may attack
  // and can reach; ties keep the earlier object.
  static TGameObject* FindTarget(const Combatant& unit, const TObjectList& list, TSightResolver& sight);
  // A Guardian keeps to targets within its weapon's range of its edge; any
  // unit needs a clear path.
  static bool CanAttack(const Combatant& unit, TGameObject& object, TSightResolver& sight);
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
  std::unique_ptr<TOrder> Act(int32_t unitId, TActionResolver* resolver, TWorld* world,
                              TSightResolver* sight) const override;
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
  std::unique_ptr<TOrder> Act(int32_t unitId, TActionResolver* resolver, TWorld* world,
                              TSightResolver* sight) const override;

  // Nothing further from the nearest seen enemy counts as safer.
  static constexpr float kMaxSafety = 50.0f;
  // 0 where the place is not free; else the distance to the nearest enemy
  // the owner sees that has a clear line to the point, at most kMaxSafety.
  static float Safety(int32_t owner, const TVector3& point, TWorld& world, TSightResolver& sight);
};

// The policy of that exact name; null for any other name.
std::unique_ptr<TReactionPolicy> CreateReactionPolicy(std::string_view name);
// Reads a name string and makes its policy; null for an unknown name (or a
// failed read, which reads as the empty name).
std::unique_ptr<TReactionPolicy> ReadReactionPolicy(TDataStream& stream);
