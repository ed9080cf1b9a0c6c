// A projectile's bounce: the projectile system found that a shot meets
// something and records where it turns (or stops). Replaying the event
// makes the same shot bounce the same way on the other side.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/vector3.h"
#include "sim/event.h"
#include "sim/event_factory.h"

class TObjectList;
class TObjectRef;

class TBounceEvent : public TEvent {
 public:
  static constexpr std::string_view kTypeName = "Bounce";
  static std::string_view StaticTypeName() { return kTypeName; }
  // Streams up to this version carry no surface name.
  static constexpr float kNameAbove = 2.079f;

  // Seen by the players who see the projectile now; the projectile is looked
  // up by its id in the list given. point is the surface direction at the
  // contact, name what was met ("normal", or the surface's own name).
  TBounceEvent(float time, const TGameObject& projectile, TObjectList* list, const TVector3& point,
               const std::string& name);
  // The time, the projectile's 32-bit id as it stands, the point and (above
  // 2.079) the name; the id is looked up in the list (none: never found).
  TBounceEvent(TDataStream& stream, TObjectList* list);
  ~TBounceEvent() override;

  // The projectile, when it still exists, bounces at the event's time.
  void Apply() override;
  // The header, the projectile's id through the id writer, the point and
  // (above 2.079) the name.
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;
  std::string_view TypeName() const override { return kTypeName; }

  int32_t GetProjectileId() const;
  const TVector3& GetPoint() const { return point_; }
  const std::string& GetName() const { return name_; }

  // The factory's reader: the projectile is looked up in the world's
  // projectile list.
  static std::unique_ptr<TEvent> Read(TDataStream& stream, const TEventFactoryContext& context,
                                      const TStringList& nameTable);

 private:
  std::unique_ptr<TObjectRef> projectile_;
  TVector3 point_;
  std::string name_;
};

// Registers the reader of "Bounce" with the event factory.
void RegisterProjectileEventReaders();
