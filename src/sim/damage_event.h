// Damage dealt to any world object: a close-combat blow, a shot, a blast
// hit, goo or a force field. The event is recorded by whoever deals the
// damage and replayed on the other side, where it finds its target again by
// id anywhere in the world.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "sim/event.h"
#include "sim/event_factory.h"

class TObjectRef;

class TDamageEvent : public TEvent {
 public:
  static constexpr std::string_view kTypeName = "Damage";
  static std::string_view StaticTypeName() { return kTypeName; }

  // Seen by the players who see the target now; the target is looked up by
  // its id in the whole world, so a replay finds it after a re-spawn.
  TDamageEvent(float time, const TGameObject& target, TWorld& world, float amount);
  // The time, the target's 32-bit id as it stands (ids in event streams are
  // already this machine's) and the amount. Without a world the target never
  // resolves.
  TDamageEvent(TDataStream& stream, TWorld* world);
  ~TDamageEvent() override;

  // The target takes the damage; a map tile that it destroys is queued once
  // for removal. Nothing when the target is gone.
  void Apply() override;
  // The header, the target's id through the id writer, the amount.
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;
  std::string_view TypeName() const override { return kTypeName; }

  int32_t GetTargetId() const;
  float GetAmount() const { return amount_; }
  // The target, or null when it no longer exists.
  TGameObject* ResolveTarget() const;

  // The factory's reader of the stream form.
  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);

 private:
  float amount_ = 0.0f;
  std::unique_ptr<TObjectRef> target_;
  TWorld* world_ = nullptr;
};

// Registers the reader of "Damage" with the event factory.
void RegisterDamageEventReader();
