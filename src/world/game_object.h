// The base of everything that exists in a battle world: an id, a position,
// one flag bit per player (the player sees the object), the display objects
// that draw it and two collision shapes. Every tick the world asks each object
// the same virtual questions; an object turns into a saved-state record and is
// re-created from one. Kinds are told apart by their static type-name string.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/vector3.h"
#include "world/bit_set.h"
#include "world/trajectory.h"
#include "world/volume.h"

class TGameData;
class TGameObjectRecord;
class TVisual;

class TGameObject;
// Objects made during a tick, handed to the world to be added after it.
using TNewObjects = std::vector<std::unique_ptr<TGameObject>>;

class TGameObject {
 public:
  explicit TGameObject(const TVector3& position);
  // Takes every visual out of the map view.
  virtual ~TGameObject();
  TGameObject(const TGameObject&) = delete;
  TGameObject& operator=(const TGameObject&) = delete;

  virtual std::string_view TypeName() const = 0;
  // Brings the object to the absolute simulation time.
  virtual void Update(float time) = 0;
  virtual std::unique_ptr<TGameObjectRecord> MakeRecord() const = 0;
  // Returns whether the object is destroyed afterwards.
  virtual bool TakeDamage(float amount) = 0;
  virtual bool IsDestroyed() const = 0;
  virtual float GetVisibility() const;
  virtual float GetSightWeight() const;
  virtual float GetStrength() const;
  // Bit `index` of the current flags (player `index` sees the object);
  // ignored while the flag set is locked.
  virtual void SetFlag(int32_t index, bool value);
  // Read for every object a unit looks at in every pass: kept inline.
  bool TestFlag(int32_t index) const { return index >= 0 && flags_.Test(static_cast<std::size_t>(index)); }
  // Unless locked: the current bits become the previous ones and are cleared.
  virtual void CommitFlags();
  // Unless locked: whether the bit differs from the last commit.
  virtual bool FlagChanged(int32_t index) const;
  // A destroyed object leaves a Surrogate in newObjects.
  virtual void HandleDestroyed(TNewObjects& newObjects, const TGameData& gameData, float time);
  virtual void EmitEffects(TNewObjects& newObjects, const TGameData& gameData, float time);
  virtual bool IsMapTile() const;
  virtual float GetRadius() const;
  virtual std::string SubtypeName() const;
  virtual void SetPosition(const TVector3& point);
  virtual void GetPosition(TVector3& out) const;
  virtual float SphereOverlap(const TVector3& centre, float radius) const;
  virtual void GetDirection(TVector3& out) const;
  virtual bool IsOpaque() const;
  virtual void RefreshVisual();
  virtual void GetAimPoint(TVector3& out) const;
  virtual float GetCreationTime() const;
  virtual TVisual* GetVisual() const;
  virtual std::string ActionName() const;
  // Health lost without armour; returns whether the object is destroyed.
  virtual bool LoseEndurance(float amount);

  int32_t GetId() const { return id_; }
  void SetId(int32_t id) { id_ = id; }
  const TVector3& Position() const { return position_; }

  // The flag commit of objects that keep being seen once seen (world effects,
  // surrogates): unless locked, the previous bits become a copy of the
  // current ones, which stay as they are.
  void MergeObjectFlags();
  // Replaces the current bits, also while the flag set is locked.
  void AssignFlags(const TBitSet& bits) { flags_.Assign(bits); }
  const TBitSet& GetCurrentFlags() const { return flags_.Current(); }
  const TBitSet& GetPreviousFlags() const { return flags_.Previous(); }
  TFlagSet& GetFlagSet() { return flags_; }
  const TFlagSet& GetFlagSet() const { return flags_; }

  // Replace the owned shape; the previous one is deleted. A null volume
  // leaves an empty one.
  void SetLofVolume(std::unique_ptr<TCompoundVolume> volume);
  void SetLosVolume(std::unique_ptr<TCompoundVolume> volume);
  TCompoundVolume& GetLofVolume() { return *lofVolume_; }
  const TCompoundVolume& GetLofVolume() const { return *lofVolume_; }
  TCompoundVolume& GetLosVolume() { return *losVolume_; }
  const TCompoundVolume& GetLosVolume() const { return *losVolume_; }

  // The display objects that draw the object; the map view draws them and
  // gets them back when the object is deleted.
  void AddVisual(TVisual* visual);
  const std::vector<TVisual*>& GetVisuals() const { return visuals_; }

 protected:
  // The position itself, for classes that move the object in place
  // (collision volumes follow its address).
  TVector3& MutablePosition() { return position_; }

 private:
  int32_t id_ = -1;
  TVector3 position_;
  TFlagSet flags_;
  std::vector<TVisual*> visuals_;
  std::unique_ptr<TCompoundVolume> lofVolume_;
  std::unique_ptr<TCompoundVolume> losVolume_;
};

// An object that moves along a straight or falling path.
class TMobileObject : public TGameObject {
 public:
  TMobileObject(const TVector3& position, float speed, const TVector3& direction, float startTime, bool gravity);
  ~TMobileObject() override;

  // Puts the object where its path is at the time.
  void Update(float time) override;

  void SetStartTime(float time);
  // The path's point at the time, without moving the object.
  void PositionAt(TVector3& out, float time) const;
  void SetDirection(const TVector3& direction);
  void SetTrajectory(const TVector3& direction, const TVector3& startPoint, float startTime);
  float TimeToReach(const TVector3& point) const;

  TTrajectory& GetTrajectory() { return *trajectory_; }
  const TTrajectory& GetTrajectory() const { return *trajectory_; }

 private:
  std::unique_ptr<TTrajectory> trajectory_;
};

// The second base of units: their reach of sight and of tracking, and the
// owning player.
class TCombatantInterface {
 public:
  TCombatantInterface(float vision, float trackingRange) : vision_(vision), trackingRange_(trackingRange) {}
  virtual ~TCombatantInterface() = default;

  virtual bool CanSee(const TGameObject& target, float factor) const = 0;
  virtual bool CanTrack(const TGameObject& target, float factor) const = 0;
  virtual int32_t GetOwner() const = 0;

  // Tracking finds objects without a line of sight; a range within the
  // world's tolerance of zero means the unit has none.
  bool HasTracking() const { return trackingRange_ > 0.0001f; }
  float GetVision() const { return vision_; }
  float GetTrackingRange() const { return trackingRange_; }

 private:
  float vision_;
  float trackingRange_;
};
