// The map view's camera: a position in world units and a bounds box that
// keeps the view over the map. It is the inverse of the isometric projection
// of TVector3: the projection turns world points into screen pixels, the
// camera turns the screen's middle back into a world point.
#pragma once

#include "app/vector3.h"
#include "world/bounding_box.h"

// What the camera needs of the view it serves: the screen size in pixels,
// the zoom of the projection, and the flag that makes every visual place
// itself again.
class TCameraViewport {
 public:
  virtual ~TCameraViewport() = default;
  virtual float ViewportWidth() const = 0;
  virtual float ViewportHeight() const = 0;
  virtual float ViewportZoom() const = 0;
  virtual void MarkViewChanged() = 0;
};

class TMapCamera {
 public:
  // The viewport must outlive the camera.
  explicit TMapCamera(TCameraViewport& viewport);

  // Writes x and y of the world point at the screen centre; z is left as the
  // caller set it.
  void GetViewCentre(TVector3& out) const;
  // Moves the camera and keeps the view centre within half a unit of the
  // bounds (unless bounds are switched off); always true.
  bool Scroll(float dx, float dy);
  bool CentreOn(const TVector3& point);
  bool CentreOnBounds();
  // The bounds become the box spanned by the corners, widened by one unit
  // in x and y.
  void SetBounds(const TVector3& a, const TVector3& b);
  void SetBoundsFromBox(const TBoundingBox& box);
  const TBoundingBox& GetBounds() const { return bounds_; }

  const TVector3& GetPosition() const { return position_; }
  // Places the camera without regard to the bounds (a view put back as it
  // was saved).
  void SetPosition(const TVector3& position) { position_ = position; }

  // While off, scrolling is not held to the bounds.
  void SetBoundsEnforced(bool enforced) { boundsEnforced_ = enforced; }

  // The world point at the screen centre is this far from the camera
  // position when the screen's middle is at the projection's origin.
  static constexpr float kCentreOffsetX = -3.0f;
  static constexpr float kCentreOffsetY = -1.0f;
  // How far the view centre may stray beyond the bounds.
  static constexpr float kBoundsMargin = 0.5f;

 private:
  void PullCentreIntoBounds();

  TCameraViewport& viewport_;
  TVector3 position_;
  TBoundingBox bounds_;
  bool boundsEnforced_ = true;
};
