#include "display/ddraw/direct_draw_visuals.h"

#include <cmath>

#include "display/ddraw/direct_draw_surface.h"
#include "display/visuals/shape.h"
#include "display/visuals/shape_factory.h"

namespace {

// Zooms this close to 1 show the full-size picture.
constexpr float kFullZoomLow = 0.9999f;
constexpr float kFullZoomHigh = 1.0001f;
constexpr float kFloorStandHeight = 16.0f;

std::unique_ptr<TShape> CopyOf(const TShape* shape) {
  if (shape == nullptr) return nullptr;
  return TShapeFactory().CloneShape(*shape);
}

// A plain 2D quad when the given shape is missing or of a class the factory
// does not know, so that every visual has a quad to place.
std::unique_ptr<TShape> CopyOrEmpty(const TShape* shape) {
  std::unique_ptr<TShape> copy = CopyOf(shape);
  return copy ? std::move(copy) : std::make_unique<Quad2D>();
}

TVector3 Minus(const TVector3& a, const TVector3& b) { return TVector3(a.x - b.x, a.y - b.y, a.z - b.z); }

TDirectDrawPictureSource WithoutReducedCopy(TDirectDrawPictureSource source) {
  source.reducedSurface = nullptr;
  source.reducedShape = nullptr;
  return source;
}

}  // namespace

TDirectDrawQuadVisual::TDirectDrawQuadVisual(TVector3* position, bool ownsPosition, TDirectDrawView* view,
                                             const TDirectDrawPictureSource& source)
    : TVisual(position, ownsPosition),
      view_(view),
      surface_(source.surface),
      shape_(CopyOrEmpty(source.shape)),
      worldPosition_(position != nullptr ? *position : TVector3()),
      screenPosition_(worldPosition_) {
  // The reduced copy exists only as a pair.
  if (source.reducedSurface != nullptr && source.reducedShape != nullptr) {
    reducedShape_ = CopyOf(source.reducedShape);
    if (reducedShape_) reducedSurface_ = source.reducedSurface;
  }
}

TDirectDrawQuadVisual::TDirectDrawQuadVisual(const TDirectDrawQuadVisual& other, TVector3* position,
                                             bool ownsPosition)
    : TVisual(other, position, ownsPosition),
      view_(other.view_),
      surface_(other.surface_),
      shape_(CopyOrEmpty(other.shape_.get())),
      worldPosition_(position != nullptr ? *position : TVector3()),
      screenPosition_(worldPosition_) {
  if (other.reducedSurface_ != nullptr && other.reducedShape_ != nullptr) {
    reducedShape_ = CopyOf(other.reducedShape_.get());
    if (reducedShape_) reducedSurface_ = other.reducedSurface_;
  }
}

TDirectDrawQuadVisual::~TDirectDrawQuadVisual() = default;

bool TDirectDrawQuadVisual::UseReducedCopy() const {
  if (reducedSurface_ == nullptr || reducedShape_ == nullptr || view_ == nullptr) return false;
  const float zoom = view_->GetZoom();
  return zoom <= kFullZoomLow || zoom >= kFullZoomHigh;
}

const TShape& TDirectDrawQuadVisual::GetShapeInUse() const {
  return UseReducedCopy() ? *reducedShape_ : *shape_;
}

TDirectDrawSurface* TDirectDrawQuadVisual::GetSurfaceInUse() const {
  return UseReducedCopy() ? reducedSurface_ : surface_;
}

void TDirectDrawQuadVisual::Draw(const TVector3& offset, TLightGrid* /*light*/) {
  if (IsHidden() || view_ == nullptr) return;
  if (IsChanged() || view_->IsViewChanged()) Place(offset);
  // Between placements the copy chosen at the last one is drawn, so that the
  // cached class always belongs to the quad it was worked out for.
  TDirectDrawSurface* surface = reducedPlaced_ ? reducedSurface_ : surface_;
  if (surface == nullptr) return;
  TShape& quad = reducedPlaced_ ? *reducedShape_ : *shape_;
  if (placement_ == 2) {
    surface->DrawFast(&quad);
  } else if (placement_ == 1) {
    surface->Draw(&quad);
  }
}

void TDirectDrawQuadVisual::Place(const TVector3& offset) {
  if (IsChanged()) worldPosition_ = GetDrawPosition(offset);
  screenPosition_ = ScreenCorner(worldPosition_);
  reducedPlaced_ = UseReducedCopy();
  TShape& quad = reducedPlaced_ ? *reducedShape_ : *shape_;
  const float x = std::trunc(screenPosition_.x) + VertexShift();
  const float y = std::trunc(screenPosition_.y) + VertexShift();
  const float w = quad.GetWidth();
  const float h = quad.GetHeight();
  quad.SetXY(0, x, y);
  quad.SetXY(1, x + w, y);
  quad.SetXY(2, x, y + h);
  quad.SetXY(3, x + w, y + h);
  SetChanged(false);
  placement_ = view_->BlitQuad(quad, reducedPlaced_ ? reducedSurface_ : surface_);
}

TVector3 TDirectDrawQuadVisual::ProjectedCorner(const TVector3& world, const TVector3& anchor) const {
  const float zoom = view_->GetZoom();
  float x = static_cast<float>(world.ScreenX(zoom)) - anchor.x * zoom;
  float y = static_cast<float>(world.ScreenY(zoom)) - anchor.y * zoom;
  view_->ToViewCoordinates(x, y);
  return TVector3(x, y, 0.0f);
}

bool TDirectDrawQuadVisual::RectangleHolds(const TVector3& anchor, const TVector3& point) const {
  const TVector3 corner = Minus(*GetPositionObject(), anchor);
  const TShape& quad = GetShapeInUse();
  return corner.x <= point.x && point.x < corner.x + quad.GetWidth() && corner.y <= point.y &&
         point.y < corner.y + quad.GetHeight();
}

TVector3 TDirectDrawQuadVisual::RectangleCentre(const TVector3& anchor) const {
  const TVector3 corner = Minus(*GetPositionObject(), anchor);
  const TShape& quad = GetShapeInUse();
  return TVector3(corner.x + quad.GetWidth() * 0.5f, corner.y + quad.GetHeight() * 0.5f, 0.0f);
}

TDirectDrawFloor::TDirectDrawFloor(TVector3* position, bool ownsPosition, TDirectDrawView* view,
                                   const TDirectDrawPictureSource& source)
    : TDirectDrawQuadVisual(position, ownsPosition, view, source) {}

TDirectDrawFloor::TDirectDrawFloor(const TDirectDrawFloor& other, TVector3* position, bool ownsPosition)
    : TDirectDrawQuadVisual(other, position, ownsPosition) {}

std::unique_ptr<TVisual> TDirectDrawFloor::Clone(TVector3* position, bool ownsPosition) const {
  return std::unique_ptr<TVisual>(new TDirectDrawFloor(*this, position, ownsPosition));
}

TVector3 TDirectDrawFloor::GetFloorAnchor() const {
  return TVector3(GetShape().GetWidth() * 0.5f, GetShape().GetHeight() - kFloorStandHeight, 0.0f);
}

TVector3 TDirectDrawFloor::ScreenCorner(const TVector3& world) const {
  if (IsOnTop()) return Minus(world, GetFloorAnchor());
  return ProjectedCorner(world, GetFloorAnchor());
}

bool TDirectDrawFloor::HitTest(const TVector3& point) const { return RectangleHolds(GetFloorAnchor(), point); }

TDirectDrawTerrain::TDirectDrawTerrain(TVector3* position, bool ownsPosition, TDirectDrawView* view,
                                       const TDirectDrawPictureSource& source)
    : TDirectDrawFloor(position, ownsPosition, view, source) {}

TDirectDrawTerrain::TDirectDrawTerrain(const TDirectDrawTerrain& other, TVector3* position, bool ownsPosition)
    : TDirectDrawFloor(other, position, ownsPosition) {}

std::unique_ptr<TVisual> TDirectDrawTerrain::Clone(TVector3* position, bool ownsPosition) const {
  return std::unique_ptr<TVisual>(new TDirectDrawTerrain(*this, position, ownsPosition));
}

TVector3 TDirectDrawTerrain::GetPosition() const { return RectangleCentre(GetFloorAnchor()); }

TDirectDrawAnchoredVisual::TDirectDrawAnchoredVisual(TVector3* position, bool ownsPosition, TDirectDrawView* view,
                                                     const TDirectDrawPictureSource& source,
                                                     const TVector3& anchorFraction)
    : TDirectDrawQuadVisual(position, ownsPosition, view, source), anchorFraction_(anchorFraction) {
  UpdateAnchor();
}

TDirectDrawAnchoredVisual::TDirectDrawAnchoredVisual(const TDirectDrawAnchoredVisual& other, TVector3* position,
                                                     bool ownsPosition)
    : TDirectDrawQuadVisual(other, position, ownsPosition),
      anchor_(other.anchor_),
      anchorFraction_(other.anchorFraction_) {}

void TDirectDrawAnchoredVisual::UpdateAnchor() {
  anchor_ = TVector3(GetShape().GetWidth() * anchorFraction_.x, GetShape().GetHeight() * anchorFraction_.y, 0.0f);
}

TDirectDrawSprite::TDirectDrawSprite(TVector3* position, bool ownsPosition, TDirectDrawView* view,
                                     const TDirectDrawPictureSource& source, const TVector3& anchorFraction)
    : TDirectDrawAnchoredVisual(position, ownsPosition, view, source, anchorFraction) {}

TDirectDrawSprite::TDirectDrawSprite(const TDirectDrawSprite& other, TVector3* position, bool ownsPosition)
    : TDirectDrawAnchoredVisual(other, position, ownsPosition) {}

std::unique_ptr<TVisual> TDirectDrawSprite::Clone(TVector3* position, bool ownsPosition) const {
  return std::unique_ptr<TVisual>(new TDirectDrawSprite(*this, position, ownsPosition));
}

TVector3 TDirectDrawSprite::ScreenCorner(const TVector3& world) const {
  if (IsOnTop()) return Minus(world, GetAnchor());
  return ProjectedCorner(world, GetAnchor());
}

bool TDirectDrawSprite::HitTest(const TVector3& point) const { return RectangleHolds(GetAnchor(), point); }

TVector3 TDirectDrawSprite::GetPosition() const { return RectangleCentre(GetAnchor()); }

float TDirectDrawSprite::GetWidth() const { return GetShape().GetWidth(); }

float TDirectDrawSprite::GetHeight() const { return GetShape().GetHeight(); }

void TDirectDrawSprite::SetWidth(float width) {
  MutableShape().SetWidth(width);
  UpdateAnchor();
}

void TDirectDrawSprite::SetHeight(float height) {
  MutableShape().SetHeight(height);
  UpdateAnchor();
}

void TDirectDrawSprite::SetSize(float width, float height) {
  SetWidth(width);
  SetHeight(height);
}

TDirectDrawPicture::TDirectDrawPicture(TVector3* position, bool ownsPosition, TDirectDrawView* view,
                                       const TDirectDrawPictureSource& source, const TVector3& anchorFraction)
    : TDirectDrawAnchoredVisual(position, ownsPosition, view, WithoutReducedCopy(source), anchorFraction) {}

TDirectDrawPicture::TDirectDrawPicture(const TDirectDrawPicture& other, TVector3* position, bool ownsPosition)
    : TDirectDrawAnchoredVisual(other, position, ownsPosition) {}

std::unique_ptr<TVisual> TDirectDrawPicture::Clone(TVector3* position, bool ownsPosition) const {
  return std::unique_ptr<TVisual>(new TDirectDrawPicture(*this, position, ownsPosition));
}

TVector3 TDirectDrawPicture::ScreenCorner(const TVector3& world) const { return Minus(world, GetAnchor()); }

TDirectDrawWorldBar::TDirectDrawWorldBar(TVector3* position, bool ownsPosition, TDirectDrawView* view,
                                         const TVector3& startCorner, const TVector3& endCorner, float value,
                                         std::unique_ptr<TColour> colour)
    : TWorldBar(position, ownsPosition, startCorner, endCorner, value, std::move(colour)), view_(view) {}

TDirectDrawWorldBar::TDirectDrawWorldBar(const TDirectDrawWorldBar& other, TVector3* position, bool ownsPosition)
    : TWorldBar(other, position, ownsPosition), view_(other.view_) {}

void TDirectDrawWorldBar::Draw(const TVector3& offset, TLightGrid* /*light*/) {
  if (!IsHidden() && view_ != nullptr) view_->DrawBar(this, offset);
}

std::unique_ptr<TVisual> TDirectDrawWorldBar::Clone(TVector3* position, bool ownsPosition) const {
  return std::unique_ptr<TVisual>(new TDirectDrawWorldBar(*this, position, ownsPosition));
}
