#include "world/volume.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Slack of every intersection test, in world units.
constexpr float kTolerance = 0.0001f;
// Below this on every axis a segment has no usable direction.
constexpr float kDegenerateSegment = 0.001f;
// Below this the lines of two segments count as parallel.
constexpr float kParallelDenominator = 0.001f;
// Two segments closer than this at their nearest points cross.
constexpr float kSegmentClearance = 0.2f;
// The entry distance of an axis the ray cannot enter by.
constexpr float kNoEntry = -1.0f;

float Axis(const TVector3& v, int i) { return i == 0 ? v.x : (i == 1 ? v.y : v.z); }

void SetAxis(TVector3& v, int i, float value) {
  if (i == 0) {
    v.x = value;
  } else if (i == 1) {
    v.y = value;
  } else {
    v.z = value;
  }
}

TVector3 Plus(const TVector3& a, const TVector3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
TVector3 Minus(const TVector3& a, const TVector3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
TVector3 Times(const TVector3& a, float f) { return {a.x * f, a.y * f, a.z * f}; }
float Dot(const TVector3& a, const TVector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
TVector3 Cross(const TVector3& a, const TVector3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
TVector3 Middle(const TVector3& a, const TVector3& b) { return Times(Plus(a, b), 0.5f); }

bool NearlyEqual(const TVector3& a, const TVector3& b) { return a.IsWithin(b, kTolerance); }

bool IsDegenerate(const TVector3& delta) {
  return std::fabs(delta.x) < kDegenerateSegment && std::fabs(delta.y) < kDegenerateSegment &&
         std::fabs(delta.z) < kDegenerateSegment;
}

// Touching faces count as intersecting.
bool BoxBox(const TBoxVolume& first, const TBoxVolume& second) {
  const TVector3 min1 = first.WorldMin();
  const TVector3 max1 = first.WorldMax();
  const TVector3 min2 = second.WorldMin();
  const TVector3 max2 = second.WorldMax();
  for (int i = 0; i < 3; ++i) {
    if (Axis(min1, i) > Axis(max2, i) + kTolerance) return false;
  }
  for (int i = 0; i < 3; ++i) {
    if (Axis(min2, i) > Axis(max1, i) + kTolerance) return false;
  }
  return true;
}

bool SphereSphere(const TSphereVolume& first, const TSphereVolume& second) {
  const TVector3 gap = Minus(first.WorldCentre(), second.WorldCentre());
  const float reach = first.Radius() + second.Radius();
  return Dot(gap, gap) < reach * reach + kTolerance;
}

bool BoxSphere(const TBoxVolume& box, const TSphereVolume& sphere) {
  const TVector3 min = box.WorldMin();
  const TVector3 max = box.WorldMax();
  const TVector3 centre = sphere.WorldCentre();
  float sum = 0.0f;
  for (int i = 0; i < 3; ++i) {
    const float c = Axis(centre, i);
    if (c < Axis(min, i)) {
      const float d = c - Axis(min, i);
      sum += d * d;
    } else if (c > Axis(max, i)) {
      const float d = c - Axis(max, i);
      sum += d * d;
    }
  }
  return sum < sphere.Radius() * sphere.Radius() + kTolerance;
}

// A ray from the segment's start along its direction, entering the box
// through the face it reaches last, and cut to the segment's length. All
// working values are locals, so the test may run anywhere at any time.
bool BoxSegment(const TBoxVolume& box, const TSegmentVolume& segment) {
  const TVector3 min = box.WorldMin();
  const TVector3 max = box.WorldMax();
  const TVector3 start = segment.WorldA();
  const TVector3& d = segment.Direction();

  std::array<float, 3> entry = {kNoEntry, kNoEntry, kNoEntry};
  bool inside = true;
  for (int i = 0; i < 3; ++i) {
    const float a = Axis(start, i);
    float plane = 0.0f;
    if (a < Axis(min, i)) {
      plane = Axis(min, i);
    } else if (a > Axis(max, i)) {
      plane = Axis(max, i);
    } else {
      continue;
    }
    inside = false;
    // A direction without this axis never reaches its face.
    if (Axis(d, i) != 0.0f) entry[i] = (plane - a) / Axis(d, i);
  }
  if (inside) return true;

  int axis = entry[1] > entry[0] ? 1 : 0;
  if (entry[2] > entry[axis]) axis = 2;
  const float t = entry[axis];
  if (t == kNoEntry) return false;

  const TVector3 point = Plus(start, Times(d, t));
  for (int j = 0; j < 3; ++j) {
    if (j == axis) continue;
    const float value = Axis(point, j);
    if (value < Axis(min, j) - kTolerance || value > Axis(max, j) + kTolerance) return false;
  }

  const float reach = segment.Length() + kTolerance;
  return point.DistanceTo(start) <= reach && point.DistanceTo(segment.WorldB()) <= reach;
}

bool SphereSegment(const TSphereVolume& sphere, const TSegmentVolume& segment) {
  const TVector3 centre = sphere.WorldCentre();
  const TVector3 start = segment.WorldA();
  const float r = sphere.Radius();
  if (start.DistanceTo(centre) <= r) return true;

  const TVector3& d = segment.Direction();
  const TVector3 e = Minus(centre, start);
  const float a = Dot(e, d);
  const float disc = r * r - (Dot(e, e) - a * a);
  if (disc < 0.0f) return false;

  const TVector3 point = Plus(start, Times(d, a - std::sqrt(disc)));
  const float reach = segment.Length() + kTolerance;
  return point.DistanceTo(start) < reach && point.DistanceTo(segment.WorldB()) < reach;
}

// Parallel lines: an end of the second segment must lie on the first.
bool EndOnSegment(const TSegmentVolume& first, const TVector3& end) {
  const TVector3 p1 = first.WorldA();
  const float d = end.DistanceTo(p1);
  return NearlyEqual(Plus(p1, Times(first.Direction(), d)), end) && d < first.Length();
}

// The first segment is the one that asked; the second received the call.
bool SegmentSegment(const TSegmentVolume& first, const TSegmentVolume& second) {
  const TVector3 p1 = first.WorldA();
  const TVector3 p3 = second.WorldA();
  const TVector3 u = Minus(first.WorldB(), p1);
  const TVector3 v = Minus(second.WorldB(), p3);
  if (IsDegenerate(v) || IsDegenerate(u)) return false;

  const TVector3 w = Minus(p1, p3);
  const float uu = Dot(u, u);
  const float vv = Dot(v, v);
  const float vu = Dot(v, u);
  const float denominator = uu * vv - vu * vu;
  if (std::fabs(denominator) >= kParallelDenominator) {
    // A non-zero denominator also means v . v is not zero.
    const float wv = Dot(w, v);
    const float s = (wv * vu - Dot(w, u) * vv) / denominator;
    const float t = (wv + s * vu) / vv;
    if (s < 0.0f || s > 1.0f || t < 0.0f || t > 1.0f) return false;
    const TVector3 onFirst = Plus(p1, Times(u, s));
    const TVector3 onSecond = Plus(p3, Times(v, t));
    return onFirst.DistanceTo(onSecond) <= kSegmentClearance;
  }
  return EndOnSegment(first, p3) || EndOnSegment(first, second.WorldB());
}

// The shared first step of every test: both flags reflect this test only.
template <typename Test>
bool MarkedTest(TVolume& self, TVolume& other, Test test) {
  self.SetHit(false);
  other.SetHit(false);
  const bool hit = test();
  if (hit) {
    self.SetHit(true);
    other.SetHit(true);
  }
  return hit;
}

}  // namespace

// ---- Box -------------------------------------------------------------------

TBoxVolume::TBoxVolume(const TVector3* positionRef, const TVector3& centre, const TVector3& size)
    : TVolume(positionRef),
      local_(Minus(centre, Times(size, 0.5f)), Plus(centre, Times(size, 0.5f))) {}

TBoxVolume::TBoxVolume(const TVector3* positionRef, const TBoundingBox& localCorners)
    : TVolume(positionRef), local_(localCorners.Min(), localCorners.Max()) {}

std::unique_ptr<TVolume> TBoxVolume::Clone(const TVector3* positionRef) const {
  return std::make_unique<TBoxVolume>(positionRef, local_);
}

bool TBoxVolume::Intersects(TVolume& other) {
  return MarkedTest(*this, other, [&] { return other.IntersectsBox(*this); });
}

bool TBoxVolume::IntersectsBox(TBoxVolume& box) { return BoxBox(*this, box); }
bool TBoxVolume::IntersectsSphere(TSphereVolume& sphere) { return BoxSphere(*this, sphere); }
bool TBoxVolume::IntersectsSegment(TSegmentVolume& segment) { return BoxSegment(*this, segment); }

float TBoxVolume::BoundingRadius() const { return 0.5f * local_.Min().DistanceTo(local_.Max()); }

void TBoxVolume::GetCentre(TVector3& out) const {
  out = Plus(Middle(local_.Min(), local_.Max()), Origin());
}

TVector3 TBoxVolume::WorldMin() const { return Plus(local_.Min(), Origin()); }
TVector3 TBoxVolume::WorldMax() const { return Plus(local_.Max(), Origin()); }

void TBoxVolume::NormalTowards(const TVector3& point, TVector3& out) const {
  const TVector3 min = WorldMin();
  const TVector3 max = WorldMax();
  const bool longerInX = (max.x - min.x) > (max.y - min.y);
  const std::array<int, 3> order = longerInX ? std::array<int, 3>{2, 1, 0} : std::array<int, 3>{2, 0, 1};
  out = TVector3();
  for (const int i : order) {
    if (Axis(point, i) <= Axis(min, i)) {
      SetAxis(out, i, -1.0f);
      return;
    }
    if (Axis(point, i) >= Axis(max, i)) {
      SetAxis(out, i, 1.0f);
      return;
    }
  }
  out = TVector3(0.0f, 0.0f, 1.0f);
}

float TBoxVolume::GroundRadius() const {
  const TVector3& min = local_.Min();
  const TVector3& max = local_.Max();
  const float rx = std::max(max.x, std::fabs(min.x));
  const float ry = std::max(max.y, std::fabs(min.y));
  return std::sqrt(rx * rx + ry * ry);
}

float TBoxVolume::DistanceTo(const TVector3& point) const {
  const TVector3 min = WorldMin();
  const TVector3 max = WorldMax();
  int insideAxes = 0;
  float lastGap = 0.0f;
  float squaredGaps = 0.0f;
  for (int i = 0; i < 3; ++i) {
    const float p = Axis(point, i);
    if (Axis(min, i) <= p && p <= Axis(max, i)) {
      ++insideAxes;
      continue;
    }
    lastGap = std::min(std::fabs(Axis(min, i) - p), std::fabs(Axis(max, i) - p));
    squaredGaps += lastGap * lastGap;
  }
  if (insideAxes == 3) return 0.0f;
  if (insideAxes == 2) return lastGap;
  return std::sqrt(squaredGaps);
}

bool TBoxVolume::LocalBounds(TVector3& low, TVector3& high, float& roundRadius) const {
  low = local_.Min();
  high = local_.Max();
  roundRadius = 0.0f;
  return true;
}

// ---- Sphere ----------------------------------------------------------------

TSphereVolume::TSphereVolume(const TVector3* positionRef, const TVector3& centreOffset, float radius)
    : TVolume(positionRef), offset_(centreOffset), radius_(radius) {}

std::unique_ptr<TVolume> TSphereVolume::Clone(const TVector3* positionRef) const {
  return std::make_unique<TSphereVolume>(positionRef, offset_, radius_);
}

bool TSphereVolume::Intersects(TVolume& other) {
  return MarkedTest(*this, other, [&] { return other.IntersectsSphere(*this); });
}

bool TSphereVolume::IntersectsBox(TBoxVolume& box) { return BoxSphere(box, *this); }
bool TSphereVolume::IntersectsSphere(TSphereVolume& sphere) { return SphereSphere(*this, sphere); }
bool TSphereVolume::IntersectsSegment(TSegmentVolume& segment) {
  return SphereSegment(*this, segment);
}

float TSphereVolume::BoundingRadius() const { return radius_; }

void TSphereVolume::GetCentre(TVector3& out) const { out = WorldCentre(); }

TVector3 TSphereVolume::WorldCentre() const { return Plus(offset_, Origin()); }

void TSphereVolume::NormalTowards(const TVector3& point, TVector3& out) const {
  out = Minus(point, WorldCentre());
  out.Normalise();
}

float TSphereVolume::GroundRadius() const {
  return std::sqrt(offset_.x * offset_.x + offset_.y * offset_.y) + radius_;
}

float TSphereVolume::DistanceTo(const TVector3& point) const {
  return std::max(0.0f, point.DistanceTo(WorldCentre()) - radius_);
}

bool TSphereVolume::LocalBounds(TVector3& low, TVector3& high, float& roundRadius) const {
  low = TVector3(offset_.x - radius_, offset_.y - radius_, offset_.z - radius_);
  high = TVector3(offset_.x + radius_, offset_.y + radius_, offset_.z + radius_);
  roundRadius = radius_;
  return radius_ >= 0.0f;
}

// ---- Segment ---------------------------------------------------------------

TSegmentVolume::TSegmentVolume(const TVector3* positionRef, const TVector3& endA,
                               const TVector3& endB)
    : TVolume(positionRef) {
  SetEnds(endA, endB);
}

void TSegmentVolume::SetEnds(const TVector3& endA, const TVector3& endB) {
  a_ = endA;
  b_ = endB;
  UpdateDirection();
}

void TSegmentVolume::SetEndA(const TVector3& endA) {
  a_ = endA;
  UpdateDirection();
}

void TSegmentVolume::SetEndB(const TVector3& endB) {
  b_ = endB;
  UpdateDirection();
}

void TSegmentVolume::UpdateDirection() {
  // Coinciding ends leave the zero vector: such a segment has no direction.
  direction_ = Minus(b_, a_);
  direction_.Normalise();
  length_ = a_.DistanceTo(b_);
}

std::unique_ptr<TVolume> TSegmentVolume::Clone(const TVector3* positionRef) const {
  return std::make_unique<TSegmentVolume>(positionRef, a_, b_);
}

bool TSegmentVolume::Intersects(TVolume& other) {
  return MarkedTest(*this, other, [&] { return other.IntersectsSegment(*this); });
}

bool TSegmentVolume::IntersectsBox(TBoxVolume& box) { return BoxSegment(box, *this); }
bool TSegmentVolume::IntersectsSphere(TSphereVolume& sphere) {
  return SphereSegment(sphere, *this);
}
bool TSegmentVolume::IntersectsSegment(TSegmentVolume& segment) {
  return SegmentSegment(segment, *this);
}

float TSegmentVolume::BoundingRadius() const { return 0.5f * length_; }

void TSegmentVolume::GetCentre(TVector3& out) const { out = Plus(Middle(a_, b_), Origin()); }

TVector3 TSegmentVolume::WorldA() const { return Plus(a_, Origin()); }
TVector3 TSegmentVolume::WorldB() const { return Plus(b_, Origin()); }

void TSegmentVolume::NormalTowards(const TVector3& point, TVector3& out) const {
  TVector3 toPoint = Minus(point, WorldA());
  toPoint.Normalise();
  out = Cross(Cross(toPoint, direction_), direction_);
}

float TSegmentVolume::GroundRadius() const { return 0.0f; }

float TSegmentVolume::DistanceTo(const TVector3&) const { return 0.0f; }

// A path fills no box worth walking past: its users test it directly.
bool TSegmentVolume::LocalBounds(TVector3&, TVector3&, float& roundRadius) const {
  roundRadius = 0.0f;
  return false;
}
