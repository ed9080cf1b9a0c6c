// Collision volumes: boxes, spheres and segments placed relative to a
// position that belongs to their owner, so that they move with it. Two
// volumes are tested by double dispatch on both kinds.
#pragma once

#include <memory>
#include <vector>

#include "app/vector3.h"
#include "world/bounding_box.h"

class TBoxVolume;
class TSphereVolume;
class TSegmentVolume;

class TVolume {
 public:
  explicit TVolume(const TVector3* positionRef) : position_(positionRef) {}
  virtual ~TVolume() = default;

  virtual std::unique_ptr<TVolume> Clone(const TVector3* positionRef) const = 0;
  // Clears the hit flag of both volumes, tests, and marks both on a hit.
  virtual bool Intersects(TVolume& other) = 0;
  virtual bool IntersectsBox(TBoxVolume& box) = 0;
  virtual bool IntersectsSphere(TSphereVolume& sphere) = 0;
  virtual bool IntersectsSegment(TSegmentVolume& segment) = 0;
  virtual float BoundingRadius() const = 0;
  virtual void GetCentre(TVector3& out) const = 0;
  virtual void NormalTowards(const TVector3& point, TVector3& out) const = 0;
  virtual float GroundRadius() const = 0;
  virtual float DistanceTo(const TVector3& point) const = 0;
  // The box the volume fills relative to its position, and the radius of
  // its rounded surface (0.0 for a flat one); false when it fills none.
  virtual bool LocalBounds(TVector3& low, TVector3& high, float& roundRadius) const = 0;

  bool IsHit() const { return hit_; }
  void SetHit(bool hit) { hit_ = hit; }
  void SetPositionRef(const TVector3* positionRef) { position_ = positionRef; }
  const TVector3* PositionRef() const { return position_; }

 protected:
  // The owner's position; (0, 0, 0) when the volume has none.
  TVector3 Origin() const { return position_ != nullptr ? *position_ : TVector3(); }

 private:
  const TVector3* position_ = nullptr;
  bool hit_ = false;
};

class TBoxVolume : public TVolume {
 public:
  // Minimum = centre - size / 2, maximum = centre + size / 2 (local).
  TBoxVolume(const TVector3* positionRef, const TVector3& centre, const TVector3& size);
  // The same local corners as the given box, exactly.
  TBoxVolume(const TVector3* positionRef, const TBoundingBox& localCorners);

  std::unique_ptr<TVolume> Clone(const TVector3* positionRef) const override;
  bool Intersects(TVolume& other) override;
  bool IntersectsBox(TBoxVolume& box) override;
  bool IntersectsSphere(TSphereVolume& sphere) override;
  bool IntersectsSegment(TSegmentVolume& segment) override;
  float BoundingRadius() const override;
  void GetCentre(TVector3& out) const override;
  // The outward face direction on the side of the point: z first, then y
  // before x when the box is longer in x, else x before y; (0, 0, 1) from
  // inside.
  void NormalTowards(const TVector3& point, TVector3& out) const override;
  float GroundRadius() const override;
  float DistanceTo(const TVector3& point) const override;
  bool LocalBounds(TVector3& low, TVector3& high, float& roundRadius) const override;

  const TBoundingBox& LocalCorners() const { return local_; }
  TVector3 WorldMin() const;
  TVector3 WorldMax() const;

 private:
  TBoundingBox local_;
};

class TSphereVolume : public TVolume {
 public:
  TSphereVolume(const TVector3* positionRef, const TVector3& centreOffset, float radius);

  std::unique_ptr<TVolume> Clone(const TVector3* positionRef) const override;
  bool Intersects(TVolume& other) override;
  bool IntersectsBox(TBoxVolume& box) override;
  bool IntersectsSphere(TSphereVolume& sphere) override;
  bool IntersectsSegment(TSegmentVolume& segment) override;
  float BoundingRadius() const override;
  void GetCentre(TVector3& out) const override;
  void NormalTowards(const TVector3& point, TVector3& out) const override;
  float GroundRadius() const override;
  float DistanceTo(const TVector3& point) const override;
  bool LocalBounds(TVector3& low, TVector3& high, float& roundRadius) const override;

  float Radius() const { return radius_; }
  const TVector3& CentreOffset() const { return offset_; }
  TVector3 WorldCentre() const;

 private:
  TVector3 offset_;
  float radius_ = 0.0f;
};

// A path of motion or a shot, from end A to end B.
class TSegmentVolume : public TVolume {
 public:
  TSegmentVolume(const TVector3* positionRef, const TVector3& endA, const TVector3& endB);
  void SetEnds(const TVector3& endA, const TVector3& endB);
  void SetEndA(const TVector3& endA);
  void SetEndB(const TVector3& endB);

  std::unique_ptr<TVolume> Clone(const TVector3* positionRef) const override;
  bool Intersects(TVolume& other) override;
  bool IntersectsBox(TBoxVolume& box) override;
  bool IntersectsSphere(TSphereVolume& sphere) override;
  bool IntersectsSegment(TSegmentVolume& segment) override;
  float BoundingRadius() const override;
  void GetCentre(TVector3& out) const override;
  // The part of the direction to the point that lies across the segment,
  // reversed.
  void NormalTowards(const TVector3& point, TVector3& out) const override;
  float GroundRadius() const override;
  float DistanceTo(const TVector3& point) const override;
  bool LocalBounds(TVector3& low, TVector3& high, float& roundRadius) const override;

  const TVector3& EndA() const { return a_; }
  const TVector3& EndB() const { return b_; }
  // Unit direction from A to B; the zero vector when the ends coincide.
  const TVector3& Direction() const { return direction_; }
  float Length() const { return length_; }
  TVector3 WorldA() const;
  TVector3 WorldB() const;

 private:
  void UpdateDirection();

  TVector3 a_;
  TVector3 b_;
  TVector3 direction_;
  float length_ = 0.0f;
};

// An owning list of volumes: one shape of an object.
class TCompoundVolume {
 public:
  TCompoundVolume() = default;
  TCompoundVolume(const TCompoundVolume& other, const TVector3* positionRef);
  TCompoundVolume(const TCompoundVolume&) = delete;
  TCompoundVolume& operator=(const TCompoundVolume&) = delete;
  TCompoundVolume(TCompoundVolume&&) noexcept = default;
  TCompoundVolume& operator=(TCompoundVolume&&) noexcept = default;
  ~TCompoundVolume() = default;

  void Add(std::unique_ptr<TVolume> volume);
  void DeleteAll();
  // Replaces the members with copies of the other's members that follow the
  // given position.
  void Clone(const TCompoundVolume& other, const TVector3* positionRef);
  void SetPositionRef(const TVector3* positionRef);
  // The first member's position; none when empty.
  const TVector3* PositionRef() const;
  // The first member's centre; (0, 0, 0) when empty.
  void Centre(TVector3& out) const;
  bool IntersectsVolume(TVolume& volume);
  // True at the first pair (a member of this, a member of the other) that
  // intersects; that pair is then the first marked member of each.
  bool AnyIntersects(TCompoundVolume& other);
  // The surface direction at the contact found by the last AnyIntersects;
  // (0, 0, 1) when either compound has no marked member.
  void HitNormal(const TCompoundVolume& other, TVector3& out) const;
  // 0.0 when empty, both.
  float MaxGroundRadius() const;
  float MinGroundRadius() const;
  float MinDistanceTo(const TVector3& point) const;

  std::size_t Count() const { return members_.size(); }
  TVolume* At(std::size_t index) const { return members_[index].get(); }
  bool IsEmpty() const { return members_.empty(); }

 private:
  std::vector<std::unique_ptr<TVolume>> members_;
};

// Stands a volume at a point for the length of a test and puts it back
// where it was afterwards.
class TVolumeAt {
 public:
  TVolumeAt(TCompoundVolume& volume, const TVector3* point) : volume_(volume), previous_(volume.PositionRef()) {
    volume_.SetPositionRef(point);
  }
  ~TVolumeAt() { volume_.SetPositionRef(previous_); }
  TVolumeAt(const TVolumeAt&) = delete;
  TVolumeAt& operator=(const TVolumeAt&) = delete;

  void MoveTo(const TVector3* point) { volume_.SetPositionRef(point); }

 private:
  TCompoundVolume& volume_;
  const TVector3* previous_;
};
