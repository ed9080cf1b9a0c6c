#include "app/interface_cursor.h"

#include <cmath>

#include "app/mouse.h"
#include "app/system_clock.h"
#include "display/map_view.h"
#include "display/visuals/visual.h"

namespace {

float ClockSeconds() { return static_cast<float>(TSystemClock::Instance()->GetSeconds()); }

TVector3 CameraPosition() { return TMapView::Exists() ? TMapView::Instance()->GetCameraPosition() : TVector3(); }

TInterfaceVisualPtr BuildCursorVisual(const char* name, const TVector3& position, float depth) {
  TInterfaceVisualPtr visual(BuildMapInterfaceVisual(name, position, depth));
  if (visual != nullptr) {
    // The cursor shows the map point as it is, whatever the light there.
    visual->SetRenderFlag(false);
    visual->SetStartTime(ClockSeconds());
  }
  return visual;
}

}  // namespace

TInterfaceCursor::TInterfaceCursor()
    : topPosition_(std::make_unique<TVector3>()),
      bottomPosition_(std::make_unique<TVector3>()),
      top_(BuildCursorVisual(kTopVisual, *topPosition_, kTopDepth)),
      bottom_(BuildCursorVisual(kBottomVisual, *bottomPosition_, kBottomDepth)) {}

// The visuals leave the map view before the positions they follow go.
TInterfaceCursor::~TInterfaceCursor() {
  bottom_.reset();
  top_.reset();
}

TVector3 TInterfaceCursor::SnapTop(float worldX, float worldY, float z, const TVector3& camera, bool wholeUnits) {
  const float scale = wholeUnits ? 1.0f : 2.0f;
  const float x = std::floor((worldX + camera.x) * scale) / scale;
  const float y = std::floor((worldY + camera.y) * scale) / scale;
  return TVector3(x, y, z + camera.z);
}

TVector3 TInterfaceCursor::UpdateTop() {
  *topPosition_ = SnapTop(MouseWorldX(), MouseWorldY(), topPosition_->z, CameraPosition(), wholeUnits_);
  if (top_ != nullptr) top_->SetChanged(true);
  return *topPosition_;
}

TVector3 TInterfaceCursor::UpdateBottom() {
  const TVector3 camera = CameraPosition();
  *bottomPosition_ =
      TVector3(MouseWorldX() - 0.25f + camera.x, MouseWorldY() - 0.25f + camera.y, topPosition_->z + camera.z);
  if (bottom_ != nullptr) bottom_->SetChanged(true);
  return *bottomPosition_;
}

void TInterfaceCursor::Update() {
  UpdateTop();
  const float now = ClockSeconds();
  if (top_ != nullptr) top_->Update(now);
  if (bottom_ != nullptr) bottom_->Update(now);
}

void TInterfaceCursor::SetVisible(bool visible) {
  for (TVisual* visual : {top_.get(), bottom_.get()}) {
    if (visual == nullptr) continue;
    if (visible) {
      visual->Show();
    } else {
      visual->Hide();
    }
  }
}
