#include "display/d3d/sprite_visuals.h"

#include <cmath>

#include "display/d3d/d3d_view.h"
#include "display/d3d/d3d_visual_support.h"
#include "display/display.h"
#include "display/surface.h"
#include "display/mapview/lighting_grid.h"
#include "display/visuals/shape_factory.h"

namespace {

// Light sample points around a polygon sprite, one per vertex.
constexpr float kLightOffsets[4][2] = {{-1.5f, -0.5f}, {-0.5f, -1.5f}, {-0.5f, 0.5f}, {0.5f, -0.5f}};

std::unique_ptr<TShape> CopyShape(const TD3DView& view, const TShape& shape) {
  return view.GetShapeFactory().CloneShape(shape);
}

}  // namespace

TSpriteQuad::TSpriteQuad(TD3DView& view, TSurface* surface, const TShape& shape, const TVector3& anchorFraction)
    : view_(view), surface_(surface), shape_(CopyShape(view, shape)), anchorFraction_(anchorFraction) {
  if (shape_ == nullptr) shape_ = view.GetShapeFactory().CreateEmptyShape(QuadDD8::kClassName);
  UpdateAnchor();
}

TSpriteQuad::TSpriteQuad(const TSpriteQuad& other)
    : view_(other.view_),
      surface_(other.surface_),
      shape_(CopyShape(other.view_, *other.shape_)),
      worldPosition_(other.worldPosition_),
      screenPosition_(other.screenPosition_),
      anchor_(other.anchor_),
      anchorFraction_(other.anchorFraction_) {}

void TSpriteQuad::UpdateAnchor() {
  anchor_ = TVector3(shape_->GetWidth() * anchorFraction_.x, shape_->GetHeight() * anchorFraction_.y, 0.0f);
}

bool TSpriteQuad::Place(TVisual& visual, const TVector3& offset, bool halfPixel) {
  const bool onTop = visual.IsOnTop();
  const float zoom = d3d_visuals::PlacementZoom(view_, onTop);
  if (d3d_visuals::NeedsPlacement(view_, visual)) {
    if (visual.IsChanged()) worldPosition_ = visual.GetDrawPosition(offset);
    if (onTop) {
      screenPosition_ = Difference(worldPosition_, anchor_);
    } else {
      float x = static_cast<float>(worldPosition_.ScreenX()) - anchor_.x * zoom;
      float y = static_cast<float>(worldPosition_.ScreenY()) - anchor_.y * zoom;
      view_.ToViewCoordinates(&x, &y);
      screenPosition_ = TVector3(x, y, worldPosition_.z);
    }
    SetVertices(zoom, halfPixel);
    visual.SetChanged(false);
  }
  const TDisplay3D* display = view_.GetDisplay3D();
  return display != nullptr &&
         !display->IsOffScreen(screenPosition_, shape_->GetWidth() * zoom, shape_->GetHeight() * zoom);
}

void TSpriteQuad::SetVertices(float zoom, bool halfPixel) {
  const TDisplay3D* display = view_.GetDisplay3D();
  const TVector3 origin = display != nullptr ? display->GetViewportOrigin() : TVector3();
  float left = 0.0f;
  float top = 0.0f;
  if (halfPixel) {
    left = screenPosition_.x - origin.x - 0.5f;
    top = screenPosition_.y - origin.y - 0.5f;
  } else {
    left = std::trunc(screenPosition_.x) - std::trunc(origin.x);
    top = std::trunc(screenPosition_.y) - std::trunc(origin.y);
  }
  const float width = shape_->GetWidth() * zoom;
  const float height = shape_->GetHeight() * zoom;
  shape_->SetXY(0, left, top);
  shape_->SetXY(1, left + width, top);
  shape_->SetXY(2, left, top + height);
  shape_->SetXY(3, left + width, top + height);
}

void TSpriteQuad::DrawWith(TShape& shape) { d3d_visuals::DrawTextured(surface_, shape); }

TPictureVisual::TPictureVisual(TVector3* position, bool ownsPosition, TD3DView& view, TSurface* surface,
                               const TShape& shape, const TVector3& anchorFraction)
    : TVisual(position, ownsPosition), quad_(view, surface, shape, anchorFraction) {}

TPictureVisual::TPictureVisual(const TPictureVisual& other, TVector3* position, bool ownsPosition)
    : TVisual(other, position, ownsPosition), quad_(other.quad_) {}

void TPictureVisual::Draw(const TVector3& offset, TLightGrid* /*light*/) {
  if (IsHidden()) return;
  if (!quad_.Place(*this, offset, false)) return;
  // A picture's surface draws the quad its own way (a copy texture is
  // copied straight to the screen).
  if (TSurface* surface = quad_.GetSurface()) surface->Draw(&quad_.GetShape());
}

std::unique_ptr<TVisual> TPictureVisual::Clone(TVector3* position, bool ownsPosition) const {
  return std::unique_ptr<TVisual>(new TPictureVisual(*this, position, ownsPosition));
}

TPolygonSprite::TPolygonSprite(TVector3* position, bool ownsPosition, TD3DView& view, TSurface* surface,
                               const TShape& shape, const TVector3& anchorFraction)
    : TStretchySprite(position, ownsPosition), quad_(view, surface, shape, anchorFraction) {}

TPolygonSprite::TPolygonSprite(const TPolygonSprite& other, TVector3* position, bool ownsPosition)
    : TStretchySprite(other, position, ownsPosition),
      quad_(other.quad_),
      tint_(other.tint_ != nullptr ? std::make_unique<TColour>(*other.tint_) : nullptr),
      tintAmount_(other.tintAmount_) {}

void TPolygonSprite::Draw(const TVector3& offset, TLightGrid* light) {
  if (IsHidden()) return;
  if (!quad_.Place(*this, offset, true)) return;
  if (light != nullptr || tint_ != nullptr) ApplyLighting(light);
  quad_.Draw();
}

void TPolygonSprite::ApplyLighting(TLightGrid* light) {
  const TVector3& world = quad_.GetWorldPosition();
  for (int32_t i = 0; i < 4; ++i) {
    float brightness = 1.0f;
    if (light != nullptr) {
      brightness = light->BrightnessAt(TVector3(world.x + kLightOffsets[i][0], world.y + kLightOffsets[i][1], 0.0f));
    }
    quad_.GetShape().SetColour(i, d3d_visuals::LitColour(brightness, tint_.get(), tintAmount_));
  }
}

std::unique_ptr<TVisual> TPolygonSprite::Clone(TVector3* position, bool ownsPosition) const {
  return std::unique_ptr<TVisual>(new TPolygonSprite(*this, position, ownsPosition));
}

TVector3 TPolygonSprite::Corner() const { return Difference(*GetPositionObject(), quad_.GetAnchor()); }

bool TPolygonSprite::HitTest(const TVector3& point) const {
  const float zoom = d3d_visuals::PlacementZoom(quad_.GetView(), IsOnTop());
  const TVector3 corner = Corner();
  return corner.x <= point.x && point.x < corner.x + GetWidth() * zoom && corner.y <= point.y &&
         point.y < corner.y + GetHeight() * zoom;
}

TVector3 TPolygonSprite::GetPosition() const {
  const float zoom = d3d_visuals::PlacementZoom(quad_.GetView(), IsOnTop());
  const TVector3 corner = Corner();
  return {corner.x + GetWidth() * zoom * 0.5f, corner.y + GetHeight() * zoom * 0.5f, 0.0f};
}

void TPolygonSprite::SetTint(const TColour* colour, float amount) {
  d3d_visuals::StoreTint(colour, amount, tint_, tintAmount_, quad_.GetShape());
}

void TPolygonSprite::SetSize(float width, float height) {
  SetWidth(width);
  SetHeight(height);
}

void TPolygonSprite::SetWidth(float width) {
  quad_.GetShape().SetWidth(width);
  quad_.UpdateAnchor();
}

void TPolygonSprite::SetHeight(float height) {
  quad_.GetShape().SetHeight(height);
  quad_.UpdateAnchor();
}
