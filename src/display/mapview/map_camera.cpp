#include "display/mapview/map_camera.h"

#include <cmath>

#include "session/sides.h"

namespace {

constexpr float kTileWidth = 64.0f;
constexpr float kTileHeight = 32.0f;

// A zoom that cannot scale the projection (zero, negative, not a number)
// would throw the camera to infinity; the unzoomed view stands in for it.
float UsableZoom(float zoom) { return zoom > 0.0f && std::isfinite(zoom) ? zoom : 1.0f; }

float UsableStep(float step) { return std::isfinite(step) ? step : 0.0f; }

}  // namespace

TMapCamera::TMapCamera(TCameraViewport& viewport)
    : viewport_(viewport), bounds_(TVector3(), TVector3()) {}

void TMapCamera::GetViewCentre(TVector3& out) const {
  const float zoom = UsableZoom(viewport_.ViewportZoom());
  const float sx = viewport_.ViewportWidth() / (2.0f * zoom);
  const float sy = viewport_.ViewportHeight() / (2.0f * zoom);
  // x - y = sx / 32 and x + y = sy / 16 undo the isometric projection.
  out.x = sy / kTileHeight + sx / kTileWidth + kCentreOffsetX + position_.x;
  out.y = sy / kTileHeight - sx / kTileWidth + kCentreOffsetY + position_.y;
}

bool TMapCamera::Scroll(float dx, float dy) {
  position_.x += UsableStep(dx);
  position_.y += UsableStep(dy);
  if (boundsEnforced_) PullCentreIntoBounds();
  viewport_.MarkViewChanged();
  return true;
}

void TMapCamera::PullCentreIntoBounds() {
  TVector3 centre;
  GetViewCentre(centre);
  // A centre whose rounded point lies in the box stays where it is.
  if (bounds_.Contains(RoundVector(centre))) return;
  const TVector3& low = bounds_.Min();
  const TVector3& high = bounds_.Max();
  TVector3 target = centre;
  if (low.x - kBoundsMargin > centre.x) target.x = low.x - kBoundsMargin;
  if (low.y - kBoundsMargin > centre.y) target.y = low.y - kBoundsMargin;
  if (high.x + kBoundsMargin < centre.x) target.x = high.x + kBoundsMargin;
  if (high.y + kBoundsMargin < centre.y) target.y = high.y + kBoundsMargin;
  position_.x += target.x - centre.x;
  position_.y += target.y - centre.y;
}

bool TMapCamera::CentreOn(const TVector3& point) {
  TVector3 centre;
  GetViewCentre(centre);
  return Scroll(point.x - centre.x, point.y - centre.y);
}

bool TMapCamera::CentreOnBounds() {
  TVector3 middle;
  bounds_.Centre(middle);
  return CentreOn(middle);
}

void TMapCamera::SetBounds(const TVector3& a, const TVector3& b) {
  bounds_.SetCorners(TVector3(a.x - 1.0f, a.y - 1.0f, a.z), TVector3(b.x + 1.0f, b.y + 1.0f, b.z));
}

void TMapCamera::SetBoundsFromBox(const TBoundingBox& box) { SetBounds(box.Min(), box.Max()); }
