#include "display/d3d/mesh_visual.h"

#include <algorithm>

#include "display/d3d/d3d_view.h"
#include "display/d3d/d3d_visual_support.h"
#include "display/display.h"
#include "display/mapview/lighting_grid.h"
#include "display/visuals/shape_factory.h"

namespace {

// World offsets of the vertices from the square's position: the centre,
// then the corners from the top round and the first corner again.
constexpr float kCorners[TMeshVisual::kVertexCount][2] = {{0.0f, 0.0f}, {-0.5f, -0.5f}, {0.5f, -0.5f},
                                                          {0.5f, 0.5f}, {-0.5f, 0.5f},  {-0.5f, -0.5f}};
// Screen offsets of the vertices of a mesh drawn on top of the map.
constexpr float kOnTop[TMeshVisual::kVertexCount][2] = {{0.0f, -16.0f}, {0.0f, -32.0f}, {32.0f, -16.0f},
                                                        {0.0f, 0.0f},   {-32.0f, -16.0f}, {0.0f, -32.0f}};

TVector3 CornerPoint(const TVector3& world, int32_t vertex) {
  return {world.x + kCorners[vertex][0], world.y + kCorners[vertex][1], world.z};
}

}  // namespace

TMeshVisual::TMeshVisual(TVector3* position, bool ownsPosition, TD3DView& view, TSurface* surface,
                         const TShape& shape)
    : TVisual(position, ownsPosition), view_(view), surface_(surface), shape_(view.GetShapeFactory().CloneShape(shape)) {
  if (shape_ == nullptr) shape_ = view.GetShapeFactory().CreateEmptyShape(MeshShapeDD8::kClassName);
}

TMeshVisual::TMeshVisual(const TMeshVisual& other, TVector3* position, bool ownsPosition)
    : TVisual(other, position, ownsPosition),
      view_(other.view_),
      xOffsets_(other.xOffsets_),
      yOffsets_(other.yOffsets_),
      surface_(other.surface_),
      shape_(other.view_.GetShapeFactory().CloneShape(*other.shape_)),
      worldPosition_(other.worldPosition_),
      screenPoint_(other.screenPoint_),
      cornerX_(other.cornerX_),
      cornerY_(other.cornerY_),
      brightness_(other.brightness_),
      visible_(other.visible_),
      tint_(other.tint_ != nullptr ? std::make_unique<TColour>(*other.tint_) : nullptr),
      tintAmount_(other.tintAmount_) {}

std::unique_ptr<TVisual> TMeshVisual::Clone(TVector3* position, bool ownsPosition) const {
  return std::unique_ptr<TVisual>(new TMeshVisual(*this, position, ownsPosition));
}

void TMeshVisual::Draw(const TVector3& offset, TLightGrid* light) {
  if (IsHidden()) return;
  if (d3d_visuals::NeedsPlacement(view_, *this)) {
    if (IsChanged()) {
      worldPosition_ = GetDrawPosition(offset);
      if (light != nullptr) StoreCorners(*light);
      if (!IsOnTop()) ComputeOffsets();
    } else if (!IsOnTop() && view_.IsRedrawPending()) {
      ComputeOffsets();
    }
    PlaceVertices();
    SetChanged(false);
    if (!IsOnTop()) ComputeScreenPoint();
    const TDisplay3D* display = view_.GetDisplay3D();
    const float zoom = view_.GetZoom();
    visible_ = display != nullptr &&
               !display->IsOffScreen(screenPoint_, shape_->GetWidth() * zoom, shape_->GetHeight() * zoom);
  }
  if (!visible_) return;
  if (light != nullptr || tint_ != nullptr) ApplyLighting(light);
  d3d_visuals::DrawTextured(surface_, *shape_);
}

void TMeshVisual::StoreCorners(TLightGrid& light) {
  for (int32_t i = 1; i <= 4; ++i) {
    light.CornerOf(CornerPoint(worldPosition_, i), cornerX_[static_cast<std::size_t>(i - 1)],
                   cornerY_[static_cast<std::size_t>(i - 1)]);
  }
}

void TMeshVisual::ComputeOffsets() {
  const float zoom = view_.GetZoom();
  for (int32_t i = 0; i < kVertexCount; ++i) {
    const TVector3 p = CornerPoint(worldPosition_, i);
    xOffsets_[static_cast<std::size_t>(i)] = (p.x - p.y) * 32.0f * zoom;
    yOffsets_[static_cast<std::size_t>(i)] = (p.x + p.y + 1.0f) * 16.0f * zoom;
  }
}

void TMeshVisual::PlaceVertices() {
  const TDisplay3D* display = view_.GetDisplay3D();
  for (int32_t i = 0; i < kVertexCount; ++i) {
    float x = 0.0f;
    float y = 0.0f;
    if (IsOnTop()) {
      x = worldPosition_.x + kOnTop[i][0];
      y = worldPosition_.y + kOnTop[i][1];
    } else {
      x = 0.5f + xOffsets_[static_cast<std::size_t>(i)];
      y = 0.5f + yOffsets_[static_cast<std::size_t>(i)];
      view_.ToViewCoordinates(&x, &y);
    }
    if (display != nullptr) display->ToViewport(&x, &y);
    shape_->SetXY(i, x, y);
    screenPoint_ = TVector3(x, y, 0.0f);
  }
}

void TMeshVisual::ComputeScreenPoint() {
  const float zoom = view_.GetZoom();
  const float width = shape_->GetWidth();
  const float height = width <= 64.0f ? shape_->GetHeight() - 16.0f : shape_->GetHeight();
  float x = static_cast<float>(worldPosition_.ScreenX()) - width * zoom * 0.5f;
  float y = static_cast<float>(worldPosition_.ScreenY()) - height * zoom;
  view_.ToViewCoordinates(&x, &y);
  screenPoint_ = TVector3(x, y, 0.0f);
}

void TMeshVisual::ApplyLighting(TLightGrid* light) {
  int32_t darkCorners = 0;
  for (int32_t i = 1; i <= 4; ++i) {
    const auto slot = static_cast<std::size_t>(i - 1);
    const float b = light != nullptr ? light->CornerValue(cornerX_[slot], cornerY_[slot]) : 1.0f;
    brightness_[slot] = b;
    if (b == 0.0f) ++darkCorners;
    shape_->SetColour(i, d3d_visuals::LitColour(b, tint_.get(), tintAmount_));
  }
  if (darkCorners >= 3) {
    shape_->SetColour(0, 0xFF000000u);
  } else {
    const float centre = std::max((brightness_[0] + brightness_[2]) * 0.5f, (brightness_[1] + brightness_[3]) * 0.5f);
    shape_->SetColour(0, d3d_visuals::LitColour(centre, tint_.get(), tintAmount_));
  }
  shape_->SetColour(5, d3d_visuals::LitColour(brightness_[0], tint_.get(), tintAmount_));
}

bool TMeshVisual::HitTest(const TVector3& point) const {
  const TVector3& position = *GetPositionObject();
  return point.DistanceTo(TVector3(position.x, position.y - 16.0f, position.z)) < 32.0f;
}

void TMeshVisual::SetTint(const TColour* colour, float amount) {
  d3d_visuals::StoreTint(colour, amount, tint_, tintAmount_, *shape_);
}
