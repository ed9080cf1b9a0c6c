// A bar between two corners given as offsets from the draw position, drawn
// by each display in its own way.
#pragma once

#include <memory>

#include "display/colour.h"
#include "display/visuals/visual.h"

class TWorldBar : public TVisual {
 public:
  static constexpr const char* kClassName = "TWORLDBAR";

  const char* GetClassName() const override { return kClassName; }

  virtual void SetEndCorner(const TVector3& corner);
  virtual void SetStartCorner(const TVector3& corner);
  // Copies the channels; a bar without a colour gets one.
  virtual void SetColour(const TColour& colour);

  const TVector3& GetStartCorner() const { return startCorner_; }
  const TVector3& GetEndCorner() const { return endCorner_; }
  float GetValue() const { return value_; }
  const TColour* GetColour() const { return colour_.get(); }

 protected:
  // Takes ownership of the colour, which may be null.
  TWorldBar(TVector3* position, bool ownsPosition, const TVector3& startCorner, const TVector3& endCorner,
            float value, std::unique_ptr<TColour> colour);
  TWorldBar(const TWorldBar& other, TVector3* position, bool ownsPosition);

 private:
  TVector3 startCorner_;
  TVector3 endCorner_;
  float value_ = 0.0f;
  std::unique_ptr<TColour> colour_;
};
