#include "display/d3d/terrain_sprite.h"

#include <algorithm>
#include <cmath>

#include "display/d3d/d3d_view.h"
#include "display/d3d/d3d_visual_support.h"
#include "display/display.h"
#include "display/mapview/lighting_grid.h"
#include "display/visuals/shape_factory.h"

namespace {

// Neighbour points of the four vertices: left, up, down and right of the
// sprite in the isometric view.
constexpr float kCornerSamples[4][2] = {{-1.0f, 0.0f}, {0.0f, -1.0f}, {0.0f, 1.0f}, {1.0f, 0.0f}};

}  // namespace

TTerrainSpriteVisual::TTerrainSpriteVisual(TVector3* position, bool ownsPosition, TD3DView& view, TSurface* texture,
                                           const TShape& shape)
    : TVisual(position, ownsPosition),
      view_(view),
      texture_(texture),
      shape_(view.GetShapeFactory().CloneShape(shape)),
      worldPosition_(*GetPositionObject()),
      screenPosition_(*GetPositionObject()) {
  if (shape_ == nullptr) shape_ = view.GetShapeFactory().CreateEmptyShape(QuadDD8::kClassName);
}

TTerrainSpriteVisual::TTerrainSpriteVisual(const TTerrainSpriteVisual& other, TVector3* position, bool ownsPosition)
    : TVisual(other, position, ownsPosition),
      view_(other.view_),
      texture_(other.texture_),
      shape_(other.view_.GetShapeFactory().CloneShape(*other.shape_)),
      worldPosition_(*GetPositionObject()),
      screenPosition_(*GetPositionObject()) {}

std::unique_ptr<TVisual> TTerrainSpriteVisual::Clone(TVector3* position, bool ownsPosition) const {
  return std::unique_ptr<TVisual>(new TTerrainSpriteVisual(*this, position, ownsPosition));
}

void TTerrainSpriteVisual::Draw(const TVector3& offset, TLightGrid* light) {
  if (IsHidden()) return;
  if (d3d_visuals::NeedsPlacement(view_, *this)) Place(offset);
  if (!visible_) return;
  if (light != nullptr || tint_ != nullptr) ApplyLighting(light);
  d3d_visuals::DrawTextured(texture_, *shape_);
}

void TTerrainSpriteVisual::Place(const TVector3& offset) {
  const float width = shape_->GetWidth();
  const float height = shape_->GetHeight();
  const float zoom = view_.GetZoom();
  if (IsChanged()) worldPosition_ = GetDrawPosition(offset);
  screenPosition_ = worldPosition_;
  if (IsOnTop()) {
    screenPosition_.x -= width * 0.5f;
    screenPosition_.y -= height - 16.0f;
  } else {
    float x = static_cast<float>(worldPosition_.ScreenX()) - width * zoom * 0.5f;
    float y = static_cast<float>(worldPosition_.ScreenY()) - (height - 16.0f) * zoom;
    view_.ToViewCoordinates(&x, &y);
    screenPosition_.x = x;
    screenPosition_.y = y;
  }
  const TDisplay3D* display = view_.GetDisplay3D();
  const TVector3 origin = display != nullptr ? display->GetViewportOrigin() : TVector3();
  const float sx = std::trunc(screenPosition_.x) - std::trunc(origin.x);
  const float sy = std::trunc(screenPosition_.y) - std::trunc(origin.y);
  const float s = Scale();
  shape_->SetXY(0, sx, sy);
  shape_->SetXY(1, sx + width * s, sy);
  shape_->SetXY(2, sx, sy + height * s);
  shape_->SetXY(3, sx + width * s, sy + height * s);
  SetChanged(false);
  visible_ = display != nullptr && !display->IsOffScreen(screenPosition_, width * zoom, height * zoom);
}

void TTerrainSpriteVisual::ApplyLighting(TLightGrid* light) {
  const float centre = light != nullptr ? light->BrightnessAt(worldPosition_) : 1.0f;
  for (int32_t i = 0; i < 4; ++i) {
    float brightness = 1.0f;
    if (light != nullptr) {
      const TVector3 sample(worldPosition_.x + kCornerSamples[i][0], worldPosition_.y + kCornerSamples[i][1],
                            worldPosition_.z);
      brightness = (light->BrightnessAt(sample) + centre) * 0.5f;
    }
    shape_->SetColour(i, d3d_visuals::LitOpaqueColour(brightness, tint_.get(), tintStrength_));
  }
}

float TTerrainSpriteVisual::Scale() const { return IsOnTop() ? 1.0f : view_.GetZoom(); }

TVector3 TTerrainSpriteVisual::Corner() const {
  const TVector3& position = *GetPositionObject();
  return {position.x - shape_->GetWidth() / 2.0f, position.y - (shape_->GetHeight() - 16.0f), 0.0f};
}

bool TTerrainSpriteVisual::HitTest(const TVector3& point) const {
  const TVector3 corner = Corner();
  const float s = Scale();
  return corner.x <= point.x && point.x < corner.x + shape_->GetWidth() * s && corner.y <= point.y &&
         point.y < corner.y + shape_->GetHeight() * s;
}

TVector3 TTerrainSpriteVisual::GetPosition() const {
  const TVector3 corner = Corner();
  const float s = Scale();
  return {corner.x + shape_->GetWidth() * s / 2.0f, corner.y + shape_->GetHeight() * s / 2.0f, 0.0f};
}

void TTerrainSpriteVisual::SetTint(const TColour* colour, float strength) {
  d3d_visuals::StoreTint(colour, strength, tint_, tintStrength_, *shape_);
}
