// The walk through the grid cells that a straight segment crosses. Cells are
// one unit wide on every axis and centred on whole coordinates, as the map's
// cells are: a point lies in cell (round x, round y, round z). The sight and
// line-of-fire questions look at the objects of each cell in the order the
// segment reaches them, so that a walk can stop at the first cell that holds
// something.
#pragma once

#include <array>
#include <cstdint>

#include "app/vector3.h"

class TSegmentVolume;

class TCellWalker {
 public:
  // Cells are kept within this distance of the origin: the map holds at most
  // 1024 cells per side, and a crafted position must not make a walk of
  // millions of empty cells (or overflow the cell numbers).
  static constexpr int32_t kCellLimit = 4096;

  TCellWalker() = default;

  // Starts on the cell of the segment's first end (its end A in the world).
  void Start(const TSegmentVolume& segment);
  void Start(const TVector3& from, const TVector3& to);

  int32_t GetX() const { return cell_[0]; }
  int32_t GetY() const { return cell_[1]; }
  int32_t GetZ() const { return cell_[2]; }

  // Moves on to the next cell the segment enters; false once the cell of the
  // segment's second end has been passed.
  bool Step();
  // Steps on until the walk enters another map column (x or y changes),
  // passing over steps in z only; false at the end of the walk.
  bool StepColumn();

  // The cell that holds the coordinate (halves go up), kept within the limit.
  static int32_t CellOf(float value);

 private:
  static constexpr int kAxes = 3;

  std::array<int32_t, kAxes> cell_{};
  std::array<int32_t, kAxes> end_{};
  std::array<int32_t, kAxes> step_{};
  // The fraction of the segment at which the next border on each axis is
  // crossed, and the fraction between two borders.
  std::array<float, kAxes> next_{};
  std::array<float, kAxes> span_{};
  // Cells still to enter before the end cell is reached.
  int32_t remaining_ = 0;
};
