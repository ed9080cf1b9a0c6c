// Events of the goo: fresh goo landing on a patch that already lies there
// gives the patch a new life instead of laying a second one beside it.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "sim/event.h"
#include "sim/event_factory.h"

class Goo;
class TObjectRef;

class TRenewGooEvent : public TEvent {
 public:
  static constexpr std::string_view kTypeName = "RenewGoo";
  static std::string_view StaticTypeName() { return kTypeName; }

  // Seen by the players who see the patch; the patch is looked up by its id
  // in the whole world, so a replay finds it again after a re-spawn.
  TRenewGooEvent(float time, const Goo& goo, TWorld& world);
  // The time, then the patch's 32-bit id as it stands (ids in event streams
  // are already this machine's). Without a world the patch never resolves.
  TRenewGooEvent(TDataStream& stream, TWorld* world);
  ~TRenewGooEvent() override;

  // The patch restarts its life at the event's time; nothing when it is gone.
  void Apply() override;
  // The header, then the patch's id through the id writer.
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;
  std::string_view TypeName() const override { return kTypeName; }

  int32_t GetGooId() const;
  // The patch, or null when it no longer exists or is not goo.
  Goo* ResolveGoo() const;

  // The factory's reader of the stream form.
  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);

 private:
  std::unique_ptr<TObjectRef> goo_;
};

// Registers the readers of the goo event types with the event factory.
void RegisterGooEventReaders();
