#include "display/visuals/world_bar.h"

TWorldBar::TWorldBar(TVector3* position, bool ownsPosition, const TVector3& startCorner,
                     const TVector3& endCorner, float value, std::unique_ptr<TColour> colour)
    : TVisual(position, ownsPosition), startCorner_(startCorner), endCorner_(endCorner), value_(value),
      colour_(std::move(colour)) {}

TWorldBar::TWorldBar(const TWorldBar& other, TVector3* position, bool ownsPosition)
    : TVisual(other, position, ownsPosition), startCorner_(other.startCorner_), endCorner_(other.endCorner_),
      value_(other.value_),
      colour_(other.colour_ != nullptr ? std::make_unique<TColour>(*other.colour_) : nullptr) {}

void TWorldBar::SetEndCorner(const TVector3& corner) {
  endCorner_ = corner;
  SetChanged(true);
}

void TWorldBar::SetStartCorner(const TVector3& corner) {
  startCorner_ = corner;
  SetChanged(true);
}

void TWorldBar::SetColour(const TColour& colour) {
  if (colour_ == nullptr) {
    colour_ = std::make_unique<TColour>(colour);
  } else {
    colour_->Assign(colour);
  }
}
