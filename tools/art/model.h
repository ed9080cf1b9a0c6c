// Small solid models drawn in the map's isometric projection: spheres,
// ellipsoids, capsules and boxes placed in a model's own frame (forward, left,
// up), turned to a facing and ray cast pixel by pixel with flat cel shading
// and an outline. Units, terrain objects and walls are all drawn this way, so
// that every facing of one model shows the same thing.
#pragma once

#include <cstdint>
#include <vector>

#include "art/canvas.h"

namespace art {

struct TPoint3 {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

enum class TSolidKind { kEllipsoid, kCapsule, kBox };

struct TSolid {
  TSolidKind kind = TSolidKind::kEllipsoid;
  TPoint3 a;        // centre (ellipsoid, box) or first end (capsule)
  TPoint3 b;        // radii (ellipsoid), half sizes (box) or second end (capsule)
  double radius = 0.0;  // capsule only
  double turn = 0.0;    // extra turn of a box or ellipsoid about the up axis, radians
  double tilt = 0.0;    // forward tilt of a box or ellipsoid, radians
  TRgba colour;
  bool glowing = false;  // drawn without shading
};

// A model in its own frame: x forward, y to its left, z up, in tile units
// (one tile is 64 pixels across and a unit of height lifts 40 pixels).
class TModel {
 public:
  void Ellipsoid(TPoint3 centre, TPoint3 radii, TRgba colour, double turn = 0.0);
  void Sphere(TPoint3 centre, double radius, TRgba colour);
  void Capsule(TPoint3 from, TPoint3 to, double radius, TRgba colour);
  void Box(TPoint3 centre, TPoint3 half, TRgba colour, double turn = 0.0);
  void Glow(TPoint3 centre, double radius, TRgba colour);
  // Every solid added after this call is tilted forward about the model's
  // ground point by `angle` radians (a falling body), then sunk by `sink`.
  void SetFall(double angle, double sink) {
    fall_ = angle;
    sink_ = sink;
  }
  const std::vector<TSolid>& Solids() const { return solids_; }

 private:
  TPoint3 Place(TPoint3 p) const;
  std::vector<TSolid> solids_;
  double fall_ = 0.0;
  double sink_ = 0.0;
};

struct TView {
  double facing = 0.0;  // the model's forward direction in world radians (atan2 of y, x)
  double groundX = 32.0;  // where the model's ground point lands in the cell, pixels
  double groundY = 54.0;
  double scale = 1.0;
};

// Draws the model into the cell of the canvas at (x, y) of size w by h.
void RenderModel(const TModel& model, const TView& view, TCanvas& canvas, int32_t x, int32_t y, int32_t w,
                 int32_t h);

// Where a point of the model's frame lands on the canvas.
void ProjectPoint(const TView& view, TPoint3 p, double& sx, double& sy);

// The world direction of unit facing `sector` (0 to 7) in radians.
double FacingAngle(int32_t sector);

}  // namespace art
