#include "display/visuals/bar_visual.h"

#include "display/current_display.h"
#include "display/display.h"

namespace {

constexpr float kShadeFactor = 0.33f;

std::unique_ptr<TColour> CopyOf(const TColour* colour) {
  return colour != nullptr ? std::make_unique<TColour>(*colour) : nullptr;
}

}  // namespace

TBarVisual::TBarVisual(TVector3* position, bool ownsPosition, const TVector3& direction, const TVector3& size,
                       std::unique_ptr<TColour> colour, bool shaded)
    : TVisual(position, ownsPosition), direction_(direction), size_(size), colour_(std::move(colour)),
      shaded_(shaded) {
  direction_.Normalise();
  RebuildShade();
}

TBarVisual::TBarVisual(const TBarVisual& other, TVector3* position, bool ownsPosition)
    : TVisual(other, position, ownsPosition), direction_(other.direction_), size_(other.size_),
      colour_(CopyOf(other.colour_.get())), shaded_(other.shaded_) {
  RebuildShade();
}

void TBarVisual::Draw(const TVector3& offset, TLightGrid* /*light*/) {
  if (IsHidden() || !(size_.x > 0.0f) || colour_ == nullptr) return;
  if (TDisplay* display = CurrentDisplay()) display->DrawVisual(this, GetDrawPosition(offset), IsOnTop());
}

std::unique_ptr<TVisual> TBarVisual::Clone(TVector3* position, bool ownsPosition) const {
  return std::unique_ptr<TVisual>(new TBarVisual(*this, position, ownsPosition));
}

void TBarVisual::SetColour(std::unique_ptr<TColour> colour) {
  colour_ = std::move(colour);
  RebuildShade();
}

const TColour* TBarVisual::GetVertexColour(int index) const {
  const bool atStart = index == 0 || index == 2;
  return shaded_ && atStart ? darkColour_.get() : colour_.get();
}

void TBarVisual::RebuildShade() {
  if (shaded_ && colour_ != nullptr) darkColour_ = colour_->Scaled(kShadeFactor);
}

TStatBar::TStatBar(TVector3* position, bool ownsPosition, const TVector3& direction, const TVector3& size,
                   std::unique_ptr<TColour> frameColour, std::unique_ptr<TColour> fillColour)
    : TVisualNode(position, ownsPosition) {
  AddChild(std::make_unique<TBarVisual>(nullptr, true, direction, size, std::move(frameColour), true));
  AddChild(std::make_unique<TBarVisual>(nullptr, true, direction, size, std::move(fillColour), true));
}

void TStatBar::Draw(const TVector3& offset, TLightGrid* light) { DrawChildren(offset, LightFor(light)); }

std::unique_ptr<TVisual> TStatBar::Clone(TVector3* position, bool ownsPosition) const {
  return std::unique_ptr<TVisual>(new TStatBar(*this, position, ownsPosition));
}

void TStatBar::SetFraction(float fraction) {
  TBarVisual* frame = GetFrameBar();
  TBarVisual* fill = GetFillBar();
  if (frame != nullptr && fill != nullptr) fill->SetLength(frame->GetLength() * fraction);
}

TBarVisual* TStatBar::GetFrameBar() const { return dynamic_cast<TBarVisual*>(GetChild(0)); }

TBarVisual* TStatBar::GetFillBar() const { return dynamic_cast<TBarVisual*>(GetChild(1)); }
