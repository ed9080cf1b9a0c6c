// The events about one unit: what the action resolver (and the Name order)
// records when a unit's ammunition, animation, food, facing, health, egg,
// position, name, reload, reaction rules, actions or shield change.
//
// Every type has three faces: a recording constructor, which stores the
// values and applies the event at once (so the computing side's world
// changes at the moment of recording); a stream constructor, which reads the
// fields behind the unit event header and applies nothing (the replaying
// side's list applies it when its clock gets there); and Save, which writes
// the header and the fields in the same order. A replayed event whose unit
// is gone changes nothing.
//
// Most are seen by whoever sees the unit when it is recorded; the shield
// switch and the reaction rules are the owner's business alone.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/vector3.h"
#include "sim/event.h"
#include "sim/event_factory.h"

class TReactionManager;

// Rounds added to (or, when negative, taken from) the unit's weapon.
class TAmmoEvent final : public TUnitEvent {
 public:
  static constexpr std::string_view kTypeName = "Ammo";
  static std::string_view StaticTypeName() { return kTypeName; }

  TAmmoEvent(float time, Combatant& unit, TWorld& world, int32_t rounds);
  TAmmoEvent(TDataStream& stream, const TEventFactoryContext& context);

  // The weapon's ammunition moves by the rounds, kept within 0 and the
  // weapon type's maximum; an unarmed unit is left alone.
  void Apply() override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;
  std::string_view TypeName() const override { return kTypeName; }

  int32_t GetRounds() const { return rounds_; }

  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);

 private:
  int32_t rounds_ = 0;
};

// The unit's animator enters a state ("Fire", "Stand" ...) at the event's
// time.
class TAnimationEvent final : public TUnitEvent {
 public:
  static constexpr std::string_view kTypeName = "Animation";
  static std::string_view StaticTypeName() { return kTypeName; }

  TAnimationEvent(float time, Combatant& unit, TWorld& world, const std::string& state);
  TAnimationEvent(TDataStream& stream, const TEventFactoryContext& context);

  void Apply() override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;
  std::string_view TypeName() const override { return kTypeName; }

  const std::string& GetState() const { return state_; }

  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);

 private:
  std::string state_;
};

// Food the unit takes in (an eater at a corpse).
class TCalorieEvent final : public TUnitEvent {
 public:
  static constexpr std::string_view kTypeName = "Calorie";
  static std::string_view StaticTypeName() { return kTypeName; }

  TCalorieEvent(float time, Combatant& unit, TWorld& world, float amount);
  TCalorieEvent(TDataStream& stream, const TEventFactoryContext& context);

  void Apply() override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;
  std::string_view TypeName() const override { return kTypeName; }

  float GetAmount() const { return amount_; }

  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);

 private:
  float amount_ = 0.0f;
};

// The unit turns to one of the eight compass sectors.
class TFacingEvent final : public TUnitEvent {
 public:
  static constexpr std::string_view kTypeName = "Facing";
  static std::string_view StaticTypeName() { return kTypeName; }

  TFacingEvent(float time, Combatant& unit, TWorld& world, int32_t facing);
  TFacingEvent(TDataStream& stream, const TEventFactoryContext& context);

  void Apply() override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;
  std::string_view TypeName() const override { return kTypeName; }

  int32_t GetFacing() const { return facing_; }

  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);

 private:
  int32_t facing_ = 0;
};

// Health given to (or, when negative, taken from) the unit, kept within 0
// and its type's Endurance.
class THealEvent final : public TUnitEvent {
 public:
  static constexpr std::string_view kTypeName = "Heal";
  static std::string_view StaticTypeName() { return kTypeName; }

  THealEvent(float time, Combatant& unit, TWorld& world, float amount);
  THealEvent(TDataStream& stream, const TEventFactoryContext& context);

  void Apply() override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;
  std::string_view TypeName() const override { return kTypeName; }

  float GetAmount() const { return amount_; }

  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);

 private:
  float amount_ = 0.0f;
};

// A queen with a whole portion of food spends it on an egg.
class TLayEggEvent final : public TUnitEvent {
 public:
  static constexpr std::string_view kTypeName = "LayEgg";
  static std::string_view StaticTypeName() { return kTypeName; }

  TLayEggEvent(float time, Combatant& unit, TWorld& world);
  TLayEggEvent(TDataStream& stream, const TEventFactoryContext& context);

  void Apply() override;
  std::string_view TypeName() const override { return kTypeName; }

  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);
};

// A step: the unit is put at the position and heads for the destination
// from the event's time on.
class TMovementEvent final : public TUnitEvent {
 public:
  static constexpr std::string_view kTypeName = "Movement";
  static std::string_view StaticTypeName() { return kTypeName; }

  TMovementEvent(float time, Combatant& unit, TWorld& world, const TVector3& destination, const TVector3& position);
  TMovementEvent(TDataStream& stream, const TEventFactoryContext& context);

  void Apply() override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;
  std::string_view TypeName() const override { return kTypeName; }

  const TVector3& GetDestination() const { return destination_; }
  const TVector3& GetPosition() const { return position_; }

  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);

 private:
  TVector3 destination_;
  TVector3 position_;
};

// The unit takes a name (the Name order).
class TNameEvent final : public TUnitEvent {
 public:
  static constexpr std::string_view kTypeName = "Name";
  static std::string_view StaticTypeName() { return kTypeName; }

  // The unit is looked up by id in the world's unit list on every use, like
  // the other unit events: an event that held the unit object itself would
  // be written or replayed through a dangling pointer once the unit died.
  TNameEvent(float time, Combatant& unit, TWorld& world, const std::string& name);
  TNameEvent(TDataStream& stream, const TEventFactoryContext& context);

  void Apply() override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;
  std::string_view TypeName() const override { return kTypeName; }
  const std::string& GetName() const { return name_; }

  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);

 private:
  std::string name_;
};

// One round reloaded into the unit's weapon.
class TResupplyEvent final : public TUnitEvent {
 public:
  static constexpr std::string_view kTypeName = "Resupply";
  static std::string_view StaticTypeName() { return kTypeName; }

  TResupplyEvent(float time, Combatant& unit, TWorld& world);
  TResupplyEvent(TDataStream& stream, const TEventFactoryContext& context);

  void Apply() override;
  std::string_view TypeName() const override { return kTypeName; }

  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);
};

// A reaction setting of the unit: its sighting code ("continue", "halt",
// "retreat") or its combat policy ("HoldFire", "FireAtWill", "Pursue",
// "Retreat"). Only the owner sees it.
class TRulesEvent final : public TUnitEvent {
 public:
  static constexpr std::string_view kTypeName = "Rules";
  static std::string_view StaticTypeName() { return kTypeName; }
  static constexpr std::string_view kSightingKind = "Sighting";
  static constexpr std::string_view kCombatKind = "Combat";
  // Streams up to this version know no rules events: nothing is written.
  static constexpr float kWrittenAbove = 2.089f;

  // The reaction manager (none: the event sets nothing) is kept for Apply.
  TRulesEvent(float time, Combatant& unit, TWorld& world, const std::string& policy, const std::string& kind,
              TReactionManager* reactions);
  // Keeps the context's reaction manager.
  TRulesEvent(TDataStream& stream, const TEventFactoryContext& context);

  // "Sighting" sets the unit's sighting code at its current position (a
  // gone unit gets none); "Combat" sets the combat policy by the unit's id
  // alone; any other kind sets nothing.
  void Apply() override;
  // Nothing at all, not even the header, into a stream of version 2.089 or
  // below.
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;
  std::string_view TypeName() const override { return kTypeName; }

  const std::string& GetPolicy() const { return policy_; }
  const std::string& GetKind() const { return kind_; }

  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);

 private:
  std::string policy_;
  std::string kind_;
  TReactionManager* reactions_ = nullptr;
};

// The unit drops what it is doing and stands where it was when recorded.
class TStopActionsEvent final : public TUnitEvent {
 public:
  static constexpr std::string_view kTypeName = "StopActions";
  static std::string_view StaticTypeName() { return kTypeName; }

  // Keeps the unit's current position.
  TStopActionsEvent(float time, Combatant& unit, TWorld& world);
  TStopActionsEvent(TDataStream& stream, const TEventFactoryContext& context);

  void Apply() override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;
  std::string_view TypeName() const override { return kTypeName; }

  const TVector3& GetPosition() const { return position_; }

  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);

 private:
  TVector3 position_;
};

// The unit's shield switch: switching it on raises the shield. Only the
// owner sees it.
class TToggleShieldEvent final : public TUnitEvent {
 public:
  static constexpr std::string_view kTypeName = "ToggleShield";
  static std::string_view StaticTypeName() { return kTypeName; }

  TToggleShieldEvent(float time, Combatant& unit, TWorld& world, bool on);
  TToggleShieldEvent(TDataStream& stream, const TEventFactoryContext& context);

  void Apply() override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;
  std::string_view TypeName() const override { return kTypeName; }

  bool IsOn() const { return on_; }

  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);

 private:
  bool on_ = false;
};

// Registers the readers of the twelve unit event types with the event
// factory.
void RegisterUnitEventReaders();
// Takes them away again (tests that register their own readers).
void UnregisterUnitEventReaders();
