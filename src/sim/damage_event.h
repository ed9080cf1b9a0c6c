// Harm dealt to any world object: a close-combat blow, a shot, a blast hit,
// goo or a force field ("Damage"), or the warp gunner's psychic drain
// ("PsychicDamage"), which takes health without regard to armour. Either
// event is recorded by whoever deals the harm and replayed on the other
// side, where it finds its target again by id anywhere in the world. Both
// share one stream form: the target's id, then the amount.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "sim/event.h"
#include "sim/event_factory.h"

class TObjectRef;

class TObjectDamageEvent : public TEvent {
 public:
  ~TObjectDamageEvent() override;

  // The target is harmed; a map tile that the harm destroys is queued once
  // for removal. Nothing when the target is gone.
  void Apply() override;
  // The header, the target's id through the id writer, the amount.
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;

  int32_t GetTargetId() const;
  float GetAmount() const { return amount_; }
  // The target, or null when it no longer exists.
  TGameObject* ResolveTarget() const;

 protected:
  // Seen by the players who see the target now; the target is looked up by
  // its id in the whole world, so a replay finds it after a re-spawn.
  TObjectDamageEvent(float time, const TGameObject& target, TWorld& world, float amount);
  // The time, the target's 32-bit id as it stands (ids in event streams are
  // already this machine's) and the amount. Without a world the target never
  // resolves.
  TObjectDamageEvent(TDataStream& stream, TWorld* world);

  // How the kind of harm reaches the target.
  virtual void Harm(TGameObject& target, float amount) const = 0;

 private:
  float amount_ = 0.0f;
  std::unique_ptr<TObjectRef> target_;
  TWorld* world_ = nullptr;
};

class TDamageEvent : public TObjectDamageEvent {
 public:
  static constexpr std::string_view kTypeName = "Damage";
  static std::string_view StaticTypeName() { return kTypeName; }

  // Applies nothing: the recorder applies the event when it keeps it.
  TDamageEvent(float time, const TGameObject& target, TWorld& world, float amount);
  TDamageEvent(TDataStream& stream, TWorld* world);

  std::string_view TypeName() const override { return kTypeName; }

  // The factory's reader of the stream form.
  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);

 protected:
  // The target takes the damage through its armour.
  void Harm(TGameObject& target, float amount) const override;
};

class TPsychicDamageEvent : public TObjectDamageEvent {
 public:
  static constexpr std::string_view kTypeName = "PsychicDamage";
  static std::string_view StaticTypeName() { return kTypeName; }

  // The target loses the amount at once.
  TPsychicDamageEvent(float time, const TGameObject& target, TWorld& world, float amount);
  TPsychicDamageEvent(TDataStream& stream, TWorld* world);

  std::string_view TypeName() const override { return kTypeName; }

  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);

 protected:
  // The target loses endurance directly; armour does not help.
  void Harm(TGameObject& target, float amount) const override;
};

// Registers the reader of "Damage" with the event factory.
void RegisterDamageEventReader();
// Registers the reader of "PsychicDamage" with the event factory.
void RegisterPsychicDamageEventReader();
