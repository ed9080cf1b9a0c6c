#include "display/mapview/lighting_grid.h"

#include <algorithm>
#include <cmath>

namespace {

// Reach of an invalidation beyond the light radius, in world units.
constexpr float kInvalidationReach = TLight::kRadius + 1.0f;
// The moved test's tolerance per component.
constexpr float kMoveTolerance = 0.0001f;
// The grid is made by the draw layers at a fixed size; this only keeps an
// absurd size from exhausting memory.
constexpr uint32_t kMaxSquares = 4096;

// Truncation toward zero of a value clamped into 0 .. last; NaN gives 0.
uint32_t ClampedTruncate(float value, uint32_t last) {
  if (!(value >= 1.0f)) return 0;
  if (value >= static_cast<float>(last)) return last;
  return static_cast<uint32_t>(value);
}

}  // namespace

uint32_t LightCornerIndex(float coordinate, uint32_t corners) {
  return corners == 0 ? 0 : ClampedTruncate(coordinate + 1.0f, corners - 1);
}

uint32_t LightSquareIndex(float coordinate, uint32_t corners) {
  return corners < 2 ? 0 : ClampedTruncate(coordinate, corners - 2);
}

// --- TLight ----------------------------------------------------------------

TLight::TLight(const TVector3* followed, std::unique_ptr<TVector3> owned, float intensity)
    : intensity_(intensity), ownedPosition_(std::move(owned)) {
  position_ = ownedPosition_ ? ownedPosition_.get() : followed;
  lastPosition_ = *position_;
}

std::unique_ptr<TLight> TLight::Following(const TVector3& position, float intensity) {
  return std::unique_ptr<TLight>(new TLight(&position, nullptr, intensity));
}

std::unique_ptr<TLight> TLight::At(const TVector3& position, float intensity) {
  return std::unique_ptr<TLight>(new TLight(nullptr, std::make_unique<TVector3>(position), intensity));
}

void TLight::MoveTo(const TVector3& position) {
  if (ownedPosition_) *ownedPosition_ = position;
}

float TLight::Contribution(const TVector3& point) const {
  const float distance = position_->DistanceTo(point);
  if (!(distance <= kRadius)) return 0.0f;
  return intensity_ - (distance * intensity_) / kRadius;
}

bool TLight::HasMoved() const {
  return std::fabs(position_->x - lastPosition_.x) >= kMoveTolerance ||
         std::fabs(position_->y - lastPosition_.y) >= kMoveTolerance ||
         std::fabs(position_->z - lastPosition_.z) >= kMoveTolerance;
}

// --- TLightGrid: lights ------------------------------------------------------

TLightGrid::TLightGrid(uint32_t squaresX, uint32_t squaresY) { Reset(squaresX, squaresY); }

void TLightGrid::AddLight(TLight* light) {
  if (light == nullptr) return;
  lights_.push_back(light);
  InvalidateAround(light->Position());
}

void TLightGrid::RemoveLight(const TLight* light) {
  const auto it = std::find(lights_.begin(), lights_.end(), light);
  if (it == lights_.end()) return;
  InvalidateAround(light->Position());
  // A light that moved since the last frame still lights the corners of its
  // old place; they must go dark with it.
  InvalidateAround(light->LastPosition());
  lights_.erase(it);
}

bool TLightGrid::HasLight(const TLight* light) const {
  return std::find(lights_.begin(), lights_.end(), light) != lights_.end();
}

void TLightGrid::UpdateMovedLights() {
  for (TLight* light : lights_) {
    if (!light->HasMoved()) continue;
    InvalidateAround(light->Position());
    InvalidateAround(light->LastPosition());
    light->MarkAccountedFor();
  }
}

void TLightGrid::InvalidateAround(const TVector3& point) {
  const uint32_t firstColumn = LightCornerIndex(point.x - kInvalidationReach, cornerColumns_);
  const uint32_t endColumn = LightCornerIndex(point.x + kInvalidationReach, cornerColumns_);
  const uint32_t firstRow = LightCornerIndex(point.y - kInvalidationReach, cornerRows_);
  const uint32_t endRow = LightCornerIndex(point.y + kInvalidationReach, cornerRows_);
  for (uint32_t column = firstColumn; column < endColumn; ++column) {
    for (uint32_t row = firstRow; row < endRow; ++row) {
      float& value = corners_[CornerSlot(column, row)];
      if (value != kNotGround && value != kEdge) value = kRecompute;
    }
  }
}

// --- TLightGrid: ground --------------------------------------------------------

void TLightGrid::Stamp(const TVector3& point, bool ground) {
  const uint32_t left = LightCornerIndex(point.x - 0.5f, cornerColumns_);
  const uint32_t right = LightCornerIndex(point.x + 0.5f, cornerColumns_);
  const uint32_t top = LightCornerIndex(point.y - 0.5f, cornerRows_);
  const uint32_t bottom = LightCornerIndex(point.y + 0.5f, cornerRows_);
  const float cornerValue = ground ? kEdge : kNotGround;
  for (const uint32_t column : {left, right}) {
    for (const uint32_t row : {top, bottom}) corners_[CornerSlot(column, row)] = cornerValue;
  }
  if (SquareColumns() > 0 && SquareRows() > 0) {
    const uint32_t squareColumn = LightSquareIndex(point.x, cornerColumns_);
    const uint32_t squareRow = LightSquareIndex(point.y, cornerRows_);
    ground_[static_cast<std::size_t>(squareColumn) * SquareRows() + squareRow] = ground;
  }
  for (int64_t column = int64_t{left} - 1; column <= int64_t{right} + 1; ++column) {
    for (int64_t row = int64_t{top} - 1; row <= int64_t{bottom} + 1; ++row) {
      if (IsLitCorner(column, row)) {
        corners_[CornerSlot(static_cast<uint32_t>(column), static_cast<uint32_t>(row))] = kRecompute;
      }
    }
  }
}

bool TLightGrid::IsLitCorner(int64_t column, int64_t row) const {
  // Border corners never light, even between ground squares.
  if (column < 1 || column >= int64_t{SquareColumns()} || row < 1 || row >= int64_t{SquareRows()}) return false;
  const auto c = static_cast<uint32_t>(column);
  const auto r = static_cast<uint32_t>(row);
  return IsGroundSquare(c - 1, r - 1) && IsGroundSquare(c - 1, r) && IsGroundSquare(c, r - 1) &&
         IsGroundSquare(c, r);
}

bool TLightGrid::IsGroundSquare(uint32_t column, uint32_t row) const {
  if (column >= SquareColumns() || row >= SquareRows()) return false;
  return ground_[static_cast<std::size_t>(column) * SquareRows() + row];
}

void TLightGrid::RecomputeAll() { Reset(SquareColumns(), SquareRows()); }

void TLightGrid::Reset(uint32_t squaresX, uint32_t squaresY) {
  squaresX = std::min(squaresX, kMaxSquares);
  squaresY = std::min(squaresY, kMaxSquares);
  cornerColumns_ = squaresX + 1;
  cornerRows_ = squaresY + 1;
  corners_.assign(static_cast<std::size_t>(cornerColumns_) * cornerRows_, kNotGround);
  ground_.assign(static_cast<std::size_t>(squaresX) * squaresY, false);
}

bool TLightGrid::ToggleEnabled() {
  enabled_ = !enabled_;
  return enabled_;
}

// --- TLightGrid: brightness ------------------------------------------------------

void TLightGrid::CornerOf(const TVector3& point, uint32_t& column, uint32_t& row) const {
  column = LightCornerIndex(point.x, cornerColumns_);
  row = LightCornerIndex(point.y, cornerRows_);
}

float TLightGrid::BrightnessAt(const TVector3& point) {
  uint32_t column = 0;
  uint32_t row = 0;
  CornerOf(point, column, row);
  return CornerValue(column, row);
}

float TLightGrid::StoredValue(uint32_t column, uint32_t row) const {
  if (column >= cornerColumns_ || row >= cornerRows_) return kNotGround;
  return corners_[CornerSlot(column, row)];
}

float TLightGrid::CornerValue(uint32_t column, uint32_t row) {
  if (!enabled_) return 1.0f;
  if (column >= cornerColumns_ || row >= cornerRows_) return 0.0f;
  float& value = corners_[CornerSlot(column, row)];
  if (value == kNotGround) return 0.0f;
  if (value == kRecompute) {
    value = BrightnessSum(TVector3(static_cast<float>(column) - 0.5f, static_cast<float>(row) - 0.5f, 0.0f));
  }
  return value;
}

float TLightGrid::BrightnessSum(const TVector3& point) const {
  float sum = kAmbient;
  for (const TLight* light : lights_) {
    sum += light->Contribution(point);
    if (sum >= 1.0f) return 1.0f;
  }
  return sum;
}
