#include "display/visuals/visual.h"

#include <cstring>

#include "display/visual_registry.h"

TVector3 Sum(const TVector3& a, const TVector3& b) { return TVector3(a.x + b.x, a.y + b.y, a.z + b.z); }

TVector3 Difference(const TVector3& a, const TVector3& b) { return TVector3(a.x - b.x, a.y - b.y, a.z - b.z); }

TVisual::TVisual(TVector3* position, bool ownsPosition) { Place(position, ownsPosition); }

TVisual::TVisual(const TVisual& other, TVector3* position, bool ownsPosition)
    : hidden_(other.hidden_), onTop_(other.onTop_), lit_(other.lit_), offset_(other.offset_) {
  Place(position, ownsPosition);
}

TVisual::~TVisual() {
  // The draw layers hold visuals by pointer; a visual that dies still in one
  // would be drawn after it is gone.
  RemoveVisualFromMapView(this);
}

void TVisual::Place(TVector3* position, bool ownsPosition) {
  // A visual always has a position to read; without one given it owns the
  // origin.
  if (ownsPosition || position == nullptr) {
    ownedPosition_ = std::make_unique<TVector3>(position != nullptr ? *position : TVector3());
    position_ = ownedPosition_.get();
  } else {
    position_ = position;
  }
}

void TVisual::SetStartTime(float /*time*/) {}

float TVisual::GetStartTime() const { return 0.0f; }

void TVisual::Update(float /*time*/) {}

void TVisual::SetOnTop() { onTop_ = true; }

bool TVisual::HitTest(const TVector3& /*point*/) const { return false; }

void TVisual::SetChanged(bool changed) { changed_ = changed; }

void TVisual::SetRate(float /*rate*/) {}

TVector3 TVisual::GetPosition() const { return *position_; }

void TVisual::SetTint(const TColour* /*colour*/, float /*amount*/) {}

bool TVisual::IsAnimated() const { return false; }

std::unique_ptr<TVisual> TVisual::CloneWithOwnPosition() const {
  // With ownsPosition the clone only reads the vector to copy it.
  return Clone(position_, true);
}

void TVisual::Render() { Draw(offset_, nullptr); }

void TVisual::RenderWithFlag(TLightGrid* light) { Draw(offset_, LightFor(light)); }

void TVisual::Show() {
  hidden_ = false;
  SetChanged(true);
}

TVector3 TVisual::GetDrawPosition(const TVector3& offset) const { return Sum(*position_, offset); }

void TVisual::SetPosition(const TVector3& position) {
  if (ownedPosition_ == nullptr) return;
  *ownedPosition_ = position;
  SetChanged(true);
}

bool TVisual::IsOfClass(const char* className) const { return std::strcmp(GetClassName(), className) == 0; }

std::unique_ptr<TVisual> TNullVisual::Clone(TVector3* position, bool ownsPosition) const {
  return std::make_unique<TNullVisual>(position, ownsPosition);
}
