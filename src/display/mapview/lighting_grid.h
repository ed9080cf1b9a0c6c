// Brightness at the corners of the map's squares: an ambient level plus point
// lights, computed lazily per corner and confined to the ground. A corner is
// lit only when the four squares around it are ground; every other corner is
// black. Moving lights invalidate only the corners within their reach.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "app/vector3.h"

// A point light. It either follows a position that its owner keeps (and
// moves), or keeps a position of its own. The grid holds lights by pointer:
// a light must leave every grid it joined before it is destroyed.
class TLight {
 public:
  // The light follows `position`, which must outlive it.
  static std::unique_ptr<TLight> Following(const TVector3& position, float intensity);
  // The light stands at its own copy of the position.
  static std::unique_ptr<TLight> At(const TVector3& position, float intensity);

  TLight(const TLight&) = delete;
  TLight& operator=(const TLight&) = delete;

  // Moves a light that keeps its own position; a following light ignores it.
  void MoveTo(const TVector3& position);

  const TVector3& Position() const { return *position_; }
  const TVector3& LastPosition() const { return lastPosition_; }
  float Intensity() const { return intensity_; }
  bool OwnsPosition() const { return ownedPosition_ != nullptr; }

  // What the light adds at the point: full intensity at its place, falling
  // linearly to nothing at the radius.
  float Contribution(const TVector3& point) const;
  // Any component differs from where it was last accounted for by 0.0001 or more.
  bool HasMoved() const;
  void MarkAccountedFor() { lastPosition_ = *position_; }

  static constexpr float kRadius = 5.0f;

 private:
  TLight(const TVector3* followed, std::unique_ptr<TVector3> owned, float intensity);

  float intensity_;
  std::unique_ptr<TVector3> ownedPosition_;
  const TVector3* position_;
  TVector3 lastPosition_;
};

class TLightGrid {
 public:
  // Stored corner values that are not brightness.
  static constexpr float kRecompute = -1.0f;
  static constexpr float kNotGround = -0.5f;
  static constexpr float kEdge = 0.0f;
  // Brightness with no light at all.
  static constexpr float kAmbient = 0.5f;

  // A grid of `squaresX` by `squaresY` squares, every corner not ground.
  TLightGrid(uint32_t squaresX, uint32_t squaresY);

  void AddLight(TLight* light);
  // A light that is not in the grid is ignored.
  void RemoveLight(const TLight* light);
  bool HasLight(const TLight* light) const;
  std::size_t LightCount() const { return lights_.size(); }
  // Invalidates the corners around every light that moved since the last call.
  void UpdateMovedLights();

  // Marks the square at the point as ground (or not) and the corners that
  // become lit or dark with it.
  void Stamp(const TVector3& point, bool ground);
  // Every corner back to not ground; the ground must be stamped again.
  void RecomputeAll();
  void Reset(uint32_t squaresX, uint32_t squaresY);

  void SetEnabled(bool enabled) { enabled_ = enabled; }
  bool ToggleEnabled();
  bool IsEnabled() const { return enabled_; }

  float BrightnessAt(const TVector3& point);
  void CornerOf(const TVector3& point, uint32_t& column, uint32_t& row) const;
  // Brightness of a corner; 0 for a corner outside the grid (1 when disabled).
  float CornerValue(uint32_t column, uint32_t row);
  float BrightnessSum(const TVector3& point) const;

  // The stored value or marker of a corner; kNotGround outside the grid.
  float StoredValue(uint32_t column, uint32_t row) const;
  bool IsGroundSquare(uint32_t column, uint32_t row) const;
  uint32_t CornerColumns() const { return cornerColumns_; }
  uint32_t CornerRows() const { return cornerRows_; }

 private:
  std::size_t CornerSlot(uint32_t column, uint32_t row) const {
    return static_cast<std::size_t>(column) * cornerRows_ + row;
  }
  uint32_t SquareColumns() const { return cornerColumns_ - 1; }
  uint32_t SquareRows() const { return cornerRows_ - 1; }
  bool IsLitCorner(int64_t column, int64_t row) const;
  void InvalidateAround(const TVector3& point);

  std::vector<TLight*> lights_;
  // Column-major: the corners of one column lie together.
  std::vector<float> corners_;
  std::vector<bool> ground_;
  bool enabled_ = true;
  uint32_t cornerColumns_ = 1;
  uint32_t cornerRows_ = 1;
};

// Corner index of a coordinate along an axis of `corners` corners, and the
// square index along the same axis; both clamped into the grid, NaN gives 0.
uint32_t LightCornerIndex(float coordinate, uint32_t corners);
uint32_t LightSquareIndex(float coordinate, uint32_t corners);
