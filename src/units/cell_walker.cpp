#include "units/cell_walker.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "world/volume.h"

int32_t TCellWalker::CellOf(float value) {
  // NaN compares false both ways and lands on cell 0.
  const float cell = std::floor(value + 0.5f);
  if (cell >= static_cast<float>(kCellLimit)) return kCellLimit;
  if (cell <= static_cast<float>(-kCellLimit)) return -kCellLimit;
  return cell == cell ? static_cast<int32_t>(cell) : 0;
}

void TCellWalker::Start(const TSegmentVolume& segment) { Start(segment.WorldA(), segment.WorldB()); }

void TCellWalker::Start(const TVector3& from, const TVector3& to) {
  const std::array<float, kAxes> a = {from.x, from.y, from.z};
  const std::array<float, kAxes> b = {to.x, to.y, to.z};
  remaining_ = 0;
  for (int axis = 0; axis < kAxes; ++axis) {
    cell_[axis] = CellOf(a[axis]);
    end_[axis] = CellOf(b[axis]);
    const int32_t cells = end_[axis] - cell_[axis];
    remaining_ += std::abs(cells);
    step_[axis] = cells > 0 ? 1 : (cells < 0 ? -1 : 0);
    next_[axis] = std::numeric_limits<float>::infinity();
    span_[axis] = std::numeric_limits<float>::infinity();
    const float delta = b[axis] - a[axis];
    if (step_[axis] == 0 || !(std::fabs(delta) > 0.0f)) continue;
    const float border = static_cast<float>(cell_[axis]) + 0.5f * static_cast<float>(step_[axis]);
    next_[axis] = (border - a[axis]) / delta;
    span_[axis] = 1.0f / std::fabs(delta);
  }
}

bool TCellWalker::Step() {
  if (remaining_ <= 0) return false;
  // The axis whose border comes first; an axis that has reached its end
  // cell takes no more steps, so the walk always ends in the end cell even
  // when rounding puts a border a little off.
  int best = -1;
  for (int axis = 0; axis < kAxes; ++axis) {
    if (cell_[axis] == end_[axis]) continue;
    if (best < 0 || next_[axis] < next_[best]) best = axis;
  }
  cell_[best] += step_[best];
  next_[best] += span_[best];
  --remaining_;
  return true;
}

bool TCellWalker::StepColumn() {
  // The order of the steps in x and y does not depend on those in z: Step
  // takes the axis whose border comes first, x before y before z on a tie.
  // So the next column is the one Step would reach, and the steps in z that
  // Step takes before it are those whose border comes strictly earlier.
  const bool xOpen = cell_[0] != end_[0];
  const bool yOpen = cell_[1] != end_[1];
  if (!xOpen && !yOpen) {
    // Only steps in z remain: the walk ends in this column.
    while (Step()) {
    }
    return false;
  }
  const int axis = xOpen && (!yOpen || !(next_[1] < next_[0])) ? 0 : 1;
  while (cell_[2] != end_[2] && next_[2] < next_[axis]) {
    cell_[2] += step_[2];
    next_[2] += span_[2];
    --remaining_;
  }
  cell_[axis] += step_[axis];
  next_[axis] += span_[axis];
  --remaining_;
  return true;
}
