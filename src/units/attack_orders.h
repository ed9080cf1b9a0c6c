// Firing orders. TAttackOrder is the base of every order that aims and
// fires: it holds the target point, the aiming clock and the map marker and
// carries out the shared attack step (wait until the unit stands, "Aim",
// turn to face, fire half a time unit before the aim ends, stand when the
// aim is over). "AttackElement" aims at a world object and follows it while
// it moves; "AttackPosition" aims at a fixed point.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/vector3.h"
#include "display/colour.h"
#include "display/interface_visual.h"
#include "units/order.h"

class Combatant;
class TGameObject;
class TObjectList;
class TObjectRef;

// What an order's map marker needs for the display to draw it: the visual's
// category and name, an optional tint, and one leg per stretch of the route
// it shows, each leg made of four parts with their two ends. The display
// builds its visual from this; the order keeps it up to date.
class TAttackMarker {
 public:
  static constexpr std::string_view kCategory = "Interface";
  static constexpr int32_t kPartCount = 4;
  // The start end of the upper parts is raised to this height.
  static constexpr float kRaisedHeight = 0.75f;

  struct TPart {
    TVector3 from;
    TVector3 to;
  };
  using TLeg = std::array<TPart, kPartCount>;

  // One leg, hidden. With a map view its visual is built, hidden too.
  explicit TAttackMarker(std::string name);

  const std::string& GetName() const { return name_; }
  void SetColour(const TColour& colour);
  // Null when the marker keeps the look of its visual.
  const TColour* GetColour() const { return colour_ ? &*colour_ : nullptr; }

  int32_t LegCount() const { return static_cast<int32_t>(legs_.size()); }
  const TLeg& Leg(int32_t index) const { return legs_.at(static_cast<std::size_t>(index)); }
  void AddLeg();
  // The first leg always stays.
  void RemoveLastLeg();
  // Two parts start raised and two on the ground; all four end at `to`.
  void Stretch(int32_t leg, const TVector3& from, const TVector3& to);
  // Two parts run raised from end to end, two along the ground.
  void StretchLevel(int32_t leg, const TVector3& from, const TVector3& to);

  void Show(bool show);
  bool IsShown() const { return shown_; }
  // Null without a map view or a definition of the name.
  TVisual* GetVisual() const { return visual_.get(); }
  // The display redraws a changed marker.
  void MarkChanged() { changed_ = true; }
  bool IsChanged() const { return changed_; }
  void ClearChanged() { changed_ = false; }

 private:
  // Hands the leg's part ends to the visual.
  void PlaceLeg(int32_t leg);

  std::string name_;
  std::optional<TColour> colour_;
  std::vector<TLeg> legs_;
  bool shown_ = false;
  bool changed_ = true;
  TInterfaceVisualPtr visual_;
};

class TAttackOrder : public TOrder {
 public:
  // The aim jitter is drawn from [-kJitterRange, kJitterRange).
  static constexpr float kJitterRange = 0.1f;
  // The shot leaves this long before the aim ends.
  static constexpr float kShotLead = 0.5f;

  // Empty, for loading: everything null or 0, no jitter drawn.
  TAttackOrder();
  TAttackOrder(int32_t unitId, TActionResolver& resolver);
  // The unit id, then the target point.
  TAttackOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);
  ~TAttackOrder() override;

  // --- TOrder ------------------------------------------------------------------
  void Begin() override;
  // The attack step.
  bool Update(float now) override;
  void ShowMarker(bool show) override;
  bool IsActive() const override { return started_; }
  void Reset() override;
  // The name, the unit id, then the target point.
  void Write(TDataStream& stream) const override;

  // --- the attack step's hooks ---------------------------------------------------
  virtual bool CanShoot() = 0;
  // The shot, at its due time (which may lie before now).
  virtual void Fire(float shotTime, float now);
  // Follows the target before every step.
  virtual void UpdateTarget() {}
  // False: the order aims again after each shot instead of ending.
  virtual bool EndsAfterShot() { return true; }
  // The target point lies on the unit's own place.
  virtual bool IsDone(float now);
  // Starts a new aim at `now`.
  virtual void Rearm(float now);
  // Stretches the marker from where the order starts to the target point.
  virtual void PlaceMarker();

  // Fills an empty order: the unit id, the target point and a new jitter.
  bool Load(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);

  // Copies the point and re-places the marker.
  void SetTargetPoint(const TVector3& point);
  const TVector3& GetTargetPoint() const { return targetPoint_; }
  float GetStartTime() const { return startTime_; }
  bool IsShotAnnounced() const { return shotAnnounced_; }
  float GetAimJitter() const { return aimJitter_; }
  void SetAimJitter(float jitter) { aimJitter_ = jitter; }
  TAttackMarker* GetMarker() const { return marker_.get(); }

  // A jitter from the game's generator.
  static float DrawAimJitter();
  // Whether the unit is still walking to its destination or warping.
  static bool IsUnitOnTheWay(const Combatant& unit);

 protected:
  void SetMarker(std::unique_ptr<TAttackMarker> marker) { marker_ = std::move(marker); }
  // The unit's "Aim Time"; 0 when the unit is gone.
  float UnitAimTime() const;
  // Whether the point lies far enough from the unit's firing point to aim at:
  // not within the unit's radius (a distance equal to the radius is within
  // when equalIsWithin is set) and not on the firing point itself.
  static bool IsAimableFrom(const Combatant& unit, const TVector3& point, bool equalIsWithin);

 private:
  // Steps 6 to 10 of the attack step, once the unit stands and aims.
  bool AimAndFire(Combatant& unit, float now);

  std::unique_ptr<TAttackMarker> marker_;
  TVector3 targetPoint_;
  bool started_ = false;
  float startTime_ = 0.0f;
  bool shotAnnounced_ = false;
  float aimJitter_ = 0.0f;
};

class TAttackElementOrder : public TAttackOrder {
 public:
  static constexpr std::string_view kName = "AttackElement";
  // Streams above this version carry the aim offset.
  static constexpr float kAimOffsetAbove = 2.0899f;

  // The target held by its id in its list; the aim offset is added to the
  // target's aim point.
  TAttackElementOrder(int32_t unitId, TActionResolver& resolver, const TGameObject& target, TObjectList* targetList,
                      const std::optional<TVector3>& aimOffset = std::nullopt);
  // The same by the target's id, looked up among all the world's objects.
  TAttackElementOrder(int32_t unitId, TActionResolver& resolver, int32_t targetId,
                      const std::optional<TVector3>& aimOffset = std::nullopt);
  // The base part, the target id through the mapper, the aim offset when the
  // stream is new enough.
  TAttackElementOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);
  ~TAttackElementOrder() override;

  void Reset() override;
  // The base record, the target id, and the aim offset when the stream is new
  // enough to carry one.
  void Write(TDataStream& stream) const override;
  std::string_view Name() const override { return kName; }
  float PlannedTime() const override { return UnitAimTime(); }
  // The fourth token names the target's kind (a unit's type name).
  bool IsSameOrder(const std::vector<std::string>& tokens) const override;
  int32_t TargetId() const override;
  // Whether the attack can go on: the unit exists, the target exists (or is
  // remembered), is seen once the aim has begun, and stands clear of the
  // unit's firing point.
  bool IsUnitValid() const override;

  bool CanShoot() override;
  // The target's aim point plus the offset, or the origin when it is gone.
  void UpdateTarget() override;
  bool IsDone(float now) override;

  // A gone target is looked for among the surrogates: the one that stands
  // for it, when the unit's side sees it, becomes the target.
  void RetargetToSurrogate();
  // Whether a gone target still counts: a surrogate of it that the unit's
  // side sees.
  bool TargetRemembered() const;

  // The target now, null when it does not resolve.
  TGameObject* GetTarget() const;
  // Points the reference at another object of the world (until Reset).
  void SetTargetReference(int32_t id);
  // The id the order was made with.
  int32_t GetOriginalTargetId() const { return targetId_; }
  const TVector3& GetAimOffset() const { return aimOffset_; }

 private:
  void InitTarget(int32_t targetId, TObjectList* targetList, const std::optional<TVector3>& aimOffset);
  // "AttackUnit" for units, dumps and eggs, "AttackTerrain" otherwise.
  void ChooseMarker();
  // The surrogate that stands for the target, seen by the unit's side.
  TGameObject* FindSeenSurrogate() const;

  std::unique_ptr<TObjectRef> target_;
  // What Reset points the reference back at.
  int32_t targetId_ = -1;
  TObjectList* targetList_ = nullptr;
  TVector3 aimOffset_;
};

class TAttackPositionOrder : public TAttackOrder {
 public:
  static constexpr std::string_view kName = "AttackPosition";
  // The point is aimed at this much above the ground.
  static constexpr float kAimHeight = 0.75f;

  // Empty, for loading.
  TAttackPositionOrder();
  // The target point is the point raised by kAimHeight.
  TAttackPositionOrder(int32_t unitId, TActionResolver& resolver, const TVector3& point);
  // The stored target point stays as read.
  TAttackPositionOrder(TDataStream& stream, TActionResolver& resolver, TIdMapper& ids);
  ~TAttackPositionOrder() override;

  std::string_view Name() const override { return kName; }
  float PlannedTime() const override { return UnitAimTime(); }
  // The fourth token is the point, within the tolerance.
  bool IsSameOrder(const std::vector<std::string>& tokens) const override;
  // The unit exists and the target point stands clear of its firing point.
  bool IsUnitValid() const override;
  bool CanShoot() override { return true; }
};

// Files "AttackElement" and "AttackPosition" with the order factory.
void RegisterAttackOrderReaders();
