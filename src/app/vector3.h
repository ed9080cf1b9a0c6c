// Three floats: positions, offsets, sizes and directions of the world, with
// the isometric screen projection of the map view.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

class TDataStream;

class TVector3 {
 public:
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  TVector3() = default;
  TVector3(float x, float y, float z) : x(x), y(y), z(z) {}
  explicit TVector3(const float* values);
  // Reads the stream form (a leading component count in streams below 1.059).
  explicit TVector3(TDataStream& stream);

  void Write(TDataStream& stream) const;
  void Read(TDataStream& stream);

  TVector3& Normalise();
  void Scale(float f);
  void Divide(float f);
  void Add(const TVector3& other);
  // Inline: the sight and step tests measure distances in their inner loops.
  float Length() const { return std::sqrt(x * x + y * y + z * z); }
  float DistanceTo(const TVector3& other) const {
    return TVector3(x - other.x, y - other.y, z - other.z).Length();
  }
  // Every coordinate within the tolerance of the other's.
  bool IsWithin(const TVector3& other, float tolerance) const {
    return std::fabs(x - other.x) <= tolerance && std::fabs(y - other.y) <= tolerance &&
           std::fabs(z - other.z) <= tolerance;
  }
  int32_t RoundComponent(int index) const;
  int32_t DirectionIndex(const TVector3& other, int32_t sectors) const;
  // Inline like the distances: the route search measures every step so.
  float OctileDistance(const TVector3& other) const {
    // sqrt(2) rounded to a float, as std::sqrt(2.0f) gives it.
    constexpr float kSqrt2 = 1.41421356237f;
    const float a = std::fabs(x - other.x);
    const float b = std::fabs(y - other.y);
    return kSqrt2 * std::min(a, b) + std::fabs(a - b);
  }
  std::vector<TVector3> Neighbours() const;

  // Screen positions under the map view's zoom.
  int32_t ScreenX() const;
  int32_t ScreenY() const;
  int32_t ScreenCentreX() const;
  int32_t ScreenCentreY() const;
  // The same with an explicit zoom (what the four above use).
  int32_t ScreenX(float zoom) const;
  int32_t ScreenY(float zoom) const;
  int32_t ScreenCentreX(float zoom) const;
  int32_t ScreenCentreY(float zoom) const;

  bool operator==(const TVector3& other) const = default;
};

// The angle in radians at `from` between the directions to `a` and to `b`.
float AngleAt(const TVector3& from, const TVector3& a, const TVector3& b);
