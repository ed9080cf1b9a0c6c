#include "app/vector3.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/data_stream.h"
#include "display/map_view.h"

namespace {

// Streams below this version put the component count before the floats.
constexpr float kCountedFormBelow = 1.059f;
constexpr uint32_t kComponentCount = 3;
// The full turn of the direction sectors, kept as the saved data knows it.
constexpr double kFullTurn = 6.28318;

// Isometric tiles of the map view.
constexpr float kTileWidth = 64.0f;
constexpr float kTileHeight = 32.0f;
constexpr float kTileImageHeight = 80.0f;
constexpr float kHeightStep = 40.0f;

// Truncation toward zero that saturates instead of overflowing (positions come
// from files and may be anything).
int32_t TruncateToInt(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kLow = std::numeric_limits<int32_t>::min();
  constexpr double kHigh = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::clamp(value, kLow, kHigh));
}

// Nearest whole number, halves away from zero.
int32_t RoundHalfAway(float value) {
  return TruncateToInt(value >= 0.0f ? value + 0.5 : value - 0.5);
}

}  // namespace

TVector3::TVector3(const float* values) : x(values[0]), y(values[1]), z(values[2]) {}

TVector3::TVector3(TDataStream& stream) { Read(stream); }

void TVector3::Write(TDataStream& stream) const {
  if (stream.GetVersion() < kCountedFormBelow) stream.WriteInt(kComponentCount);
  stream.WriteFloat(x);
  stream.WriteFloat(y);
  stream.WriteFloat(z);
}

void TVector3::Read(TDataStream& stream) {
  if (stream.GetVersion() < kCountedFormBelow) stream.ReadInt();
  x = stream.ReadFloat();
  y = stream.ReadFloat();
  z = stream.ReadFloat();
}

TVector3& TVector3::Normalise() {
  const float length = Length();
  // A zero vector has no direction; it stays as it is.
  if (length > 0.0f) Divide(length);
  return *this;
}

void TVector3::Scale(float f) {
  x *= f;
  y *= f;
  z *= f;
}

void TVector3::Divide(float f) {
  x /= f;
  y /= f;
  z /= f;
}

void TVector3::Add(const TVector3& other) {
  x += other.x;
  y += other.y;
  z += other.z;
}

int32_t TVector3::RoundComponent(int index) const {
  const float components[3] = {x, y, z};
  if (index < 0 || index > 2) return 0;
  return TruncateToInt(std::floor(components[index] + 0.5f));
}

int32_t TVector3::DirectionIndex(const TVector3& other, int32_t sectors) const {
  if (sectors <= 0) return 0;
  const float dx = x - other.x;
  const float dy = y - other.y;
  const float distance = std::sqrt(dx * dx + dy * dy);
  // Equal points have no direction; they face the first sector.
  if (!(distance > 0.0f)) return 0;
  double angle = std::acos(std::clamp(dy / distance, -1.0f, 1.0f));
  if (dx / distance < 0.0f) angle = kFullTurn - angle;
  const int32_t index = TruncateToInt(angle / (kFullTurn / sectors) + 0.5);
  return index >= sectors ? 0 : index;
}

std::vector<TVector3> TVector3::Neighbours() const {
  const int32_t cx = RoundHalfAway(x);
  const int32_t cy = RoundHalfAway(y);
  std::vector<TVector3> points;
  points.reserve(8);
  for (int32_t dx = -1; dx <= 1; ++dx) {
    for (int32_t dy = -1; dy <= 1; ++dy) {
      if (dx == 0 && dy == 0) continue;
      points.emplace_back(static_cast<float>(static_cast<int64_t>(cx) + dx),
                          static_cast<float>(static_cast<int64_t>(cy) + dy), z);
    }
  }
  return points;
}

int32_t TVector3::ScreenX() const { return ScreenX(CurrentMapZoom()); }
int32_t TVector3::ScreenY() const { return ScreenY(CurrentMapZoom()); }
int32_t TVector3::ScreenCentreX() const { return ScreenCentreX(CurrentMapZoom()); }
int32_t TVector3::ScreenCentreY() const { return ScreenCentreY(CurrentMapZoom()); }

int32_t TVector3::ScreenX(float zoom) const {
  return TruncateToInt(kTileWidth * (x - y) * 0.5 * zoom + 0.5);
}

int32_t TVector3::ScreenY(float zoom) const {
  return TruncateToInt(((kTileHeight * (x + y) + kTileHeight) * 0.5 - kHeightStep * z) * zoom + 0.5);
}

int32_t TVector3::ScreenCentreX(float zoom) const {
  return TruncateToInt(((kTileWidth * (x - y) - kTileWidth) * 0.5 + 0.5) * zoom);
}

int32_t TVector3::ScreenCentreY(float zoom) const {
  return TruncateToInt(
      (kTileHeight * (x + y) * 0.5 - (kTileImageHeight - kTileHeight) + 0.5 - kHeightStep * z) * zoom);
}

float AngleAt(const TVector3& from, const TVector3& a, const TVector3& b) {
  TVector3 toA(a.x - from.x, a.y - from.y, a.z - from.z);
  TVector3 toB(b.x - from.x, b.y - from.y, b.z - from.z);
  toA.Normalise();
  toB.Normalise();
  // Rounding may push the product of two unit vectors just past one, which
  // still means no angle at all.
  const float dot = toA.x * toB.x + toA.y * toB.y + toA.z * toB.z;
  return std::acos(std::clamp(dot, -1.0f, 1.0f));
}
