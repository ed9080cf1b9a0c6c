// Axis-aligned boxes: object queries by area, box collision volumes, map areas
// (deployment zones and other regions loaded with a map) and point-by-point
// walks over a region. A list of boxes with one colour makes a map area.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "app/vector3.h"
#include "display/visual_registry.h"

class TColour;
class TDataStream;

// A 3 x 3 rotation matrix; boxes are only ever turned about the vertical axis.
class TMatrix3 {
 public:
  TMatrix3();  // the identity

  // Becomes the rotation by `angle` (radians) about the vertical axis.
  void RotationZ(float angle);
  // Becomes the rotation by `angle` about the vertical axis and turns `vector` with it.
  void Apply(float angle, TVector3& vector);
  // The matrix times `vector`.
  TVector3 Transform(const TVector3& vector) const;

  float At(int row, int column) const { return m_[row][column]; }

 private:
  float m_[3][3];
};

class TBoundingBox {
 public:
  TBoundingBox(const TVector3& corner1, const TVector3& corner2);
  // Reads the min corner then the max corner.
  explicit TBoundingBox(TDataStream& stream);
  TBoundingBox(const TBoundingBox& other);
  TBoundingBox& operator=(const TBoundingBox& other);
  ~TBoundingBox() = default;

  // Stores the corners so that min <= max on every axis.
  void SetCorners(const TVector3& a, const TVector3& b);
  // Grid step of NextGridPoint in ten-thousandths; restarts the walk.
  void SetSpacing(float tenThousandths);
  float GetSpacing() const { return spacing_; }

  // Inside, with a tolerance of a ten-thousandth of the box's extent per axis.
  bool Contains(const TVector3& point) const;
  // A circle of radius `r` about the point overlaps the box on x and y.
  bool ContainsWithRadius(const TVector3& point, float r) const;
  // The other box lies within this one widened by `margin`.
  bool ContainsBox(const TBoundingBox& other, float margin) const;

  float Extent(int axis) const;
  void Centre(TVector3& out) const;
  void OffsetFromMin(const TVector3& point, TVector3& out) const;

  // Grows the box on x and y (not z) so that it holds the point.
  void Extend(const TVector3& point);
  void Translate(const TVector3& v);
  // Turns the corners with the matrix; the result is again min <= max.
  void Rotate(const TMatrix3& matrix);

  void Save(TDataStream& stream) const;

  // Walks the box in rows along x, rows stacked along y, layers along z;
  // the first call gives the min corner, null when the walk is over (the
  // call after that starts a new walk).
  const TVector3* NextGridPoint();

  const TVector3& Min() const { return min_; }
  const TVector3& Max() const { return max_; }

 private:
  TVector3 min_;
  TVector3 max_;
  float spacing_ = 0.0f;
  std::optional<TVector3> cursor_;
};

// The boxes of one map area with the colour it is drawn in.
class TAreaList {
 public:
  TAreaList();
  ~TAreaList();
  TAreaList(const TAreaList&) = delete;
  TAreaList& operator=(const TAreaList&) = delete;
  TAreaList(TAreaList&& other) noexcept;
  TAreaList& operator=(TAreaList&& other) noexcept;

  void Add(std::unique_ptr<TBoundingBox> box);
  // Deletes the box and erases it from the list; false when it is not listed.
  bool Remove(const TBoundingBox* box);
  // The first box that contains the point, null when none does.
  TBoundingBox* FindContaining(const TVector3& point) const;

  void Save(TDataStream& stream) const;
  // Replaces the list by the boxes of the stream; false (and an empty list,
  // with the stream's failure set) for a bad count or a short stream.
  bool Load(TDataStream& stream);

  void SetColour(std::unique_ptr<TColour> colour);
  const TColour* GetColour() const { return colour_.get(); }
  void Clear();

  // Outlines every box on the ground in the list's colour (nothing without
  // a map view to draw in).
  void Draw() const;
  // The outline of one box: four "AreaBar" bars of the interface visuals,
  // corner to corner around the box at z 0, in the colour when one is given.
  // Empty without a visual library or an "AreaBar" definition.
  static std::vector<TMapVisualPtr> DrawArea(const TBoundingBox& box, const TColour* colour);

  std::size_t Count() const { return boxes_.size(); }
  TBoundingBox* At(std::size_t index) const { return index < boxes_.size() ? boxes_[index].get() : nullptr; }

 private:
  std::vector<std::unique_ptr<TBoundingBox>> boxes_;
  std::unique_ptr<TColour> colour_;
};
