#include "art/model.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace art {
namespace {

constexpr double kNoHit = -std::numeric_limits<double>::infinity();

TPoint3 Add(TPoint3 a, TPoint3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
TPoint3 Sub(TPoint3 a, TPoint3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
TPoint3 Mul(TPoint3 a, double f) { return {a.x * f, a.y * f, a.z * f}; }
double Dot(TPoint3 a, TPoint3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
TPoint3 Normalised(TPoint3 a) {
  const double length = std::sqrt(Dot(a, a));
  return length > 0.0 ? Mul(a, 1.0 / length) : TPoint3{0.0, 0.0, 1.0};
}

// Rows are the solid's own axes in world terms.
struct TFrame {
  TPoint3 axis[3];
  TPoint3 ToLocal(TPoint3 v) const { return {Dot(v, axis[0]), Dot(v, axis[1]), Dot(v, axis[2])}; }
  TPoint3 ToWorld(TPoint3 v) const {
    return Add(Add(Mul(axis[0], v.x), Mul(axis[1], v.y)), Mul(axis[2], v.z));
  }
};

TFrame FrameOf(double yaw, double pitch) {
  const double cy = std::cos(yaw);
  const double sy = std::sin(yaw);
  const double cp = std::cos(pitch);
  const double sp = std::sin(pitch);
  // Forward tilted towards the ground by pitch; up tilted forward with it.
  const TPoint3 forward{cy * cp, sy * cp, -sp};
  const TPoint3 left{-sy, cy, 0.0};
  const TPoint3 up{cy * sp, sy * sp, cp};
  return {{forward, left, up}};
}

struct TRay {
  TPoint3 origin;
  TPoint3 direction;  // towards the viewer
};

struct THit {
  double t = kNoHit;
  TPoint3 normal;
};

// The far root (the side facing the viewer) of |o + t d|^2 = 1.
double FarRootOfUnitSphere(TPoint3 o, TPoint3 d) {
  const double a = Dot(d, d);
  const double b = 2.0 * Dot(o, d);
  const double c = Dot(o, o) - 1.0;
  const double disc = b * b - 4.0 * a * c;
  if (disc < 0.0 || a <= 0.0) return kNoHit;
  return (-b + std::sqrt(disc)) / (2.0 * a);
}

THit HitEllipsoid(const TSolid& s, const TFrame& frame, const TRay& ray) {
  const TPoint3 o = frame.ToLocal(Sub(ray.origin, s.a));
  const TPoint3 d = frame.ToLocal(ray.direction);
  const TPoint3 r = s.b;
  if (r.x <= 0.0 || r.y <= 0.0 || r.z <= 0.0) return {};
  const TPoint3 os{o.x / r.x, o.y / r.y, o.z / r.z};
  const TPoint3 ds{d.x / r.x, d.y / r.y, d.z / r.z};
  const double t = FarRootOfUnitSphere(os, ds);
  if (t == kNoHit) return {};
  const TPoint3 p = Add(o, Mul(d, t));
  const TPoint3 gradient{p.x / (r.x * r.x), p.y / (r.y * r.y), p.z / (r.z * r.z)};
  return {t, Normalised(frame.ToWorld(gradient))};
}

THit HitSphereAt(TPoint3 centre, double radius, const TRay& ray) {
  const TPoint3 o = Mul(Sub(ray.origin, centre), 1.0 / radius);
  const TPoint3 d = Mul(ray.direction, 1.0 / radius);
  const double t = FarRootOfUnitSphere(o, d);
  if (t == kNoHit) return {};
  return {t, Normalised(Sub(Add(ray.origin, Mul(ray.direction, t)), centre))};
}

THit HitCapsule(const TSolid& s, const TRay& ray) {
  THit best = HitSphereAt(s.a, s.radius, ray);
  const THit end = HitSphereAt(s.b, s.radius, ray);
  if (end.t > best.t) best = end;
  const TPoint3 axis = Sub(s.b, s.a);
  const double length = std::sqrt(Dot(axis, axis));
  if (length <= 1e-9) return best;
  const TPoint3 u = Mul(axis, 1.0 / length);
  // The body: the ray's part across the axis against the radius.
  const TPoint3 o = Sub(ray.origin, s.a);
  const TPoint3 dPerp = Sub(ray.direction, Mul(u, Dot(ray.direction, u)));
  const TPoint3 oPerp = Sub(o, Mul(u, Dot(o, u)));
  const double a = Dot(dPerp, dPerp);
  const double b = 2.0 * Dot(oPerp, dPerp);
  const double c = Dot(oPerp, oPerp) - s.radius * s.radius;
  const double disc = b * b - 4.0 * a * c;
  if (a > 1e-12 && disc >= 0.0) {
    const double t = (-b + std::sqrt(disc)) / (2.0 * a);
    const TPoint3 p = Add(o, Mul(ray.direction, t));
    const double along = Dot(p, u);
    if (along >= 0.0 && along <= length && t > best.t) {
      best = {t, Normalised(Sub(p, Mul(u, along)))};
    }
  }
  return best;
}

THit HitBox(const TSolid& s, const TFrame& frame, const TRay& ray) {
  const TPoint3 o = frame.ToLocal(Sub(ray.origin, s.a));
  const TPoint3 d = frame.ToLocal(ray.direction);
  const double oc[3] = {o.x, o.y, o.z};
  const double dc[3] = {d.x, d.y, d.z};
  const double half[3] = {s.b.x, s.b.y, s.b.z};
  double tNear = -1e30;
  double tFar = 1e30;
  int farAxis = 2;
  double farSign = 1.0;
  for (int k = 0; k < 3; ++k) {
    if (std::fabs(dc[k]) < 1e-12) {
      if (std::fabs(oc[k]) > half[k]) return {};
      continue;
    }
    double t0 = (-half[k] - oc[k]) / dc[k];
    double t1 = (half[k] - oc[k]) / dc[k];
    if (t0 > t1) std::swap(t0, t1);
    tNear = std::max(tNear, t0);
    if (t1 < tFar) {
      tFar = t1;
      farAxis = k;
      farSign = dc[k] > 0.0 ? 1.0 : -1.0;
    }
  }
  if (tNear > tFar) return {};
  TPoint3 normal{0.0, 0.0, 0.0};
  (farAxis == 0 ? normal.x : farAxis == 1 ? normal.y : normal.z) = farSign;
  return {tFar, Normalised(frame.ToWorld(normal))};
}

// The light comes from the upper left of the screen; a little also from the viewer.
const TPoint3 kLight = Normalised({-0.55, 0.35, 1.0});
const TPoint3 kViewer = Normalised({1.0, 1.0, 0.8});

double Brightness(TPoint3 normal) {
  const double direct = std::max(0.0, Dot(normal, kLight));
  const double fill = std::max(0.0, Dot(normal, kViewer));
  const double level = 0.42 + 0.55 * direct + 0.18 * fill;
  // A few flat bands read better at this size than smooth shading.
  static constexpr double kBands[] = {0.68, 0.84, 1.0, 1.12, 1.24};
  const int index = std::clamp(static_cast<int>((level - 0.4) / 0.22), 0, 4);
  return kBands[index];
}

}  // namespace

TPoint3 TModel::Place(TPoint3 p) const {
  if (fall_ == 0.0 && sink_ == 0.0) return p;
  const double c = std::cos(fall_);
  const double s = std::sin(fall_);
  // The body turns about its feet, then slides back so that it lies across its own square.
  return {p.x * c + p.z * s - 0.4 * s, p.y, p.z * c - p.x * s - sink_};
}

void TModel::Ellipsoid(TPoint3 centre, TPoint3 radii, TRgba colour, double turn) {
  solids_.push_back({TSolidKind::kEllipsoid, Place(centre), radii, 0.0, turn, fall_, colour, false});
}

void TModel::Sphere(TPoint3 centre, double radius, TRgba colour) {
  solids_.push_back({TSolidKind::kCapsule, Place(centre), Place(centre), radius, 0.0, 0.0, colour, false});
}

void TModel::Capsule(TPoint3 from, TPoint3 to, double radius, TRgba colour) {
  solids_.push_back({TSolidKind::kCapsule, Place(from), Place(to), radius, 0.0, 0.0, colour, false});
}

void TModel::Box(TPoint3 centre, TPoint3 half, TRgba colour, double turn) {
  solids_.push_back({TSolidKind::kBox, Place(centre), half, 0.0, turn, fall_, colour, false});
}

void TModel::Glow(TPoint3 centre, double radius, TRgba colour) {
  solids_.push_back({TSolidKind::kCapsule, Place(centre), Place(centre), radius, 0.0, 0.0, colour, true});
}

void ProjectPoint(const TView& view, TPoint3 p, double& sx, double& sy) {
  const double c = std::cos(view.facing);
  const double s = std::sin(view.facing);
  const double x = p.x * c - p.y * s;
  const double y = p.x * s + p.y * c;
  sx = view.groundX + 32.0 * (x - y) * view.scale;
  sy = view.groundY + (16.0 * (x + y) - 40.0 * p.z) * view.scale;
}

double FacingAngle(int32_t sector) {
  static constexpr double kDirections[8][2] = {{0, 1}, {1, 1}, {1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}};
  const int32_t index = ((sector % 8) + 8) % 8;
  return std::atan2(kDirections[index][1], kDirections[index][0]);
}

void RenderModel(const TModel& model, const TView& view, TCanvas& canvas, int32_t x, int32_t y, int32_t w,
                 int32_t h) {
  const double cosA = std::cos(view.facing);
  const double sinA = std::sin(view.facing);
  auto toWorld = [&](TPoint3 p) { return TPoint3{p.x * cosA - p.y * sinA, p.x * sinA + p.y * cosA, p.z}; };
  struct TPlaced {
    const TSolid* solid;
    TSolid world;
    TFrame frame;
  };
  std::vector<TPlaced> placed;
  placed.reserve(model.Solids().size());
  for (const TSolid& solid : model.Solids()) {
    TPlaced p{&solid, solid, {}};
    p.world.a = toWorld(solid.a);
    if (solid.kind == TSolidKind::kCapsule) p.world.b = toWorld(solid.b);
    p.frame = FrameOf(view.facing + solid.turn, solid.tilt);
    placed.push_back(p);
  }
  const std::size_t count = static_cast<std::size_t>(std::max(w, 0)) * std::max(h, 0);
  std::vector<int32_t> owner(count, -1);
  std::vector<double> depth(count, kNoHit);
  std::vector<TRgba> colour(count);
  for (int32_t j = 0; j < h; ++j) {
    for (int32_t i = 0; i < w; ++i) {
      const double u = (i + 0.5 - view.groundX) / view.scale;
      const double v = (j + 0.5 - view.groundY) / view.scale;
      const double diff = u / 32.0;
      const double sum = v / 16.0;
      const TRay ray{{(sum + diff) * 0.5, (sum - diff) * 0.5, 0.0}, {1.0, 1.0, 0.8}};
      THit best;
      int32_t bestIndex = -1;
      for (std::size_t k = 0; k < placed.size(); ++k) {
        const TPlaced& p = placed[k];
        THit hit;
        switch (p.world.kind) {
          case TSolidKind::kEllipsoid: hit = HitEllipsoid(p.world, p.frame, ray); break;
          case TSolidKind::kCapsule: hit = HitCapsule(p.world, ray); break;
          case TSolidKind::kBox: hit = HitBox(p.world, p.frame, ray); break;
        }
        if (hit.t > best.t) {
          best = hit;
          bestIndex = static_cast<int32_t>(k);
        }
      }
      if (bestIndex < 0) continue;
      const std::size_t at = static_cast<std::size_t>(j) * w + i;
      owner[at] = bestIndex;
      depth[at] = best.t;
      const TSolid& solid = *placed[bestIndex].solid;
      colour[at] = solid.glowing ? solid.colour : Shade(solid.colour, Brightness(best.normal));
      colour[at].a = 255;
    }
  }
  // Inner edges: where two solids meet at different depths, the farther pixel darkens.
  for (int32_t j = 0; j < h; ++j) {
    for (int32_t i = 0; i < w; ++i) {
      const std::size_t at = static_cast<std::size_t>(j) * w + i;
      if (owner[at] < 0) continue;
      TRgba c = colour[at];
      static constexpr int32_t kSteps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
      for (const auto& step : kSteps) {
        const int32_t ni = i + step[0];
        const int32_t nj = j + step[1];
        if (ni < 0 || nj < 0 || ni >= w || nj >= h) continue;
        const std::size_t near = static_cast<std::size_t>(nj) * w + ni;
        if (owner[near] >= 0 && owner[near] != owner[at] && depth[near] > depth[at] + 0.12) {
          c = Shade(c, 0.55);
          break;
        }
      }
      canvas.Blend(x + i, y + j, c);
    }
  }
}

}  // namespace art
