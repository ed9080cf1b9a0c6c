#include "display/d3d/d3d_world_bar.h"

#include <cmath>

#include "display/d3d/d3d_view.h"
#include "display/d3d/d3d_visual_support.h"
#include "display/display.h"
#include "display/visuals/shape_factory.h"

namespace {

constexpr float kSamePoint = 0.0001f;

std::unique_ptr<TShape> MakeQuad(const TD3DView& view) {
  return view.GetShapeFactory().CreateEmptyShape(QuadDD8::kClassName);
}

}  // namespace

TDD7WorldBar::TDD7WorldBar(TVector3* position, bool ownsPosition, TD3DView& view, const TVector3& startCorner,
                           const TVector3& endCorner, float value, std::unique_ptr<TColour> colour)
    : TWorldBar(position, ownsPosition, startCorner, endCorner, value, std::move(colour)),
      view_(view),
      shape_(MakeQuad(view)),
      anchor_(startCorner),
      screenPoint_(startCorner),
      across_(startCorner),
      along_(startCorner) {
  PaintColour();
  Rebuild();
}

TDD7WorldBar::TDD7WorldBar(TVector3* position, bool ownsPosition, TD3DView& view, const TVector3& startCorner,
                           const TVector3& endCorner, float value, TSurface* surface)
    : TWorldBar(position, ownsPosition, startCorner, endCorner, value, nullptr),
      view_(view),
      shape_(MakeQuad(view)),
      anchor_(startCorner),
      screenPoint_(startCorner),
      across_(startCorner),
      along_(startCorner),
      surface_(surface) {
  SetTextureCoordinates();
  Rebuild();
}

TDD7WorldBar::TDD7WorldBar(const TDD7WorldBar& other, TVector3* position, bool ownsPosition)
    : TWorldBar(other, position, ownsPosition),
      view_(other.view_),
      shape_(other.view_.GetShapeFactory().CloneShape(*other.shape_)),
      anchor_(*GetPositionObject()),
      screenPoint_(*GetPositionObject()),
      across_(*GetPositionObject()),
      along_(*GetPositionObject()),
      surface_(other.surface_) {
  if (shape_ == nullptr) shape_ = MakeQuad(view_);
  PaintColour();
  if (surface_ != nullptr) SetTextureCoordinates();
  Rebuild();
}

std::unique_ptr<TVisual> TDD7WorldBar::Clone(TVector3* position, bool ownsPosition) const {
  return std::unique_ptr<TVisual>(new TDD7WorldBar(*this, position, ownsPosition));
}

void TDD7WorldBar::PaintColour() {
  if (GetColour() == nullptr) return;
  for (int32_t i = 0; i < 4; ++i) shape_->SetColour(i, GetColour()->ToARGB());
}

void TDD7WorldBar::SetTextureCoordinates() {
  shape_->SetUV(0, 0.0f, 1.0f);
  shape_->SetUV(1, 1.0f, 1.0f);
  shape_->SetUV(2, 0.0f, 0.0f);
  shape_->SetUV(3, 1.0f, 0.0f);
}

TVector3 TDD7WorldBar::ScreenCorner(const TVector3& corner) const {
  if (IsOnTop()) return corner;
  const float zoom = view_.GetZoom();
  TVector3 scaled = corner;
  if (zoom != 0.0f) scaled.Scale(1.0f / zoom);
  return {static_cast<float>(scaled.ScreenX(zoom)), static_cast<float>(scaled.ScreenY(zoom)), 0.0f};
}

void TDD7WorldBar::Rebuild() {
  const TVector3 a = ScreenCorner(GetStartCorner());
  const TVector3 b = ScreenCorner(GetEndCorner());
  const TVector3 gap = Difference(b, a);
  if (std::fabs(gap.x) < kSamePoint && std::fabs(gap.y) < kSamePoint && std::fabs(gap.z) < kSamePoint) {
    degenerate_ = true;
    return;
  }
  degenerate_ = false;
  TVector3 direction = Difference(b, a);
  length_ = direction.Length();
  direction.Divide(length_);
  across_ = TVector3(direction.y, -direction.x, 0.0f);
  across_.Normalise();
  across_.Scale(GetValue() * 0.5f);
  along_ = direction;
  along_.Scale(length_);
}

void TDD7WorldBar::Place() {
  const TDisplay3D* display = view_.GetDisplay3D();
  const TVector3 origin = display != nullptr ? display->GetViewportOrigin() : TVector3();
  const TVector3 p = Difference(screenPoint_, origin);
  const float s = d3d_visuals::PlacementZoom(view_, IsOnTop());
  const float ax = s * across_.x;
  const float ay = s * across_.y;
  const float lx = s * along_.x;
  const float ly = s * along_.y;
  shape_->SetXY(0, p.x + ax, p.y + ay);
  shape_->SetXY(1, p.x + ax + lx, p.y + ay + ly);
  shape_->SetXY(2, p.x - ax, p.y - ay);
  shape_->SetXY(3, p.x - ax + lx, p.y - ay + ly);
}

void TDD7WorldBar::Draw(const TVector3& offset, TLightGrid* /*light*/) {
  if (IsHidden() || degenerate_) return;
  if (d3d_visuals::NeedsPlacement(view_, *this)) {
    if (IsChanged()) anchor_ = Sum(GetDrawPosition(offset), GetStartCorner());
    screenPoint_ = anchor_;
    if (!IsOnTop()) {
      float x = static_cast<float>(anchor_.ScreenX());
      float y = static_cast<float>(anchor_.ScreenY());
      view_.ToViewCoordinates(&x, &y);
      screenPoint_ = TVector3(x, y, anchor_.z);
    }
    Place();
    SetChanged(false);
  }
  const TDisplay3D* display = view_.GetDisplay3D();
  const float zoom = view_.GetZoom();
  if (display == nullptr || display->IsOffScreen(screenPoint_, zoom * length_, zoom * length_)) return;
  if (surface_ != nullptr) {
    d3d_visuals::DrawTextured(surface_, *shape_);
  } else {
    shape_->ClearTexture();
    shape_->Draw();
  }
}

void TDD7WorldBar::SetOnTop() {
  TWorldBar::SetOnTop();
  Rebuild();
}

void TDD7WorldBar::SetEndCorner(const TVector3& corner) {
  TWorldBar::SetEndCorner(corner);
  Rebuild();
}

void TDD7WorldBar::SetStartCorner(const TVector3& corner) {
  TWorldBar::SetStartCorner(corner);
  Rebuild();
}

void TDD7WorldBar::SetColour(const TColour& colour) {
  TWorldBar::SetColour(colour);
  PaintColour();
}
