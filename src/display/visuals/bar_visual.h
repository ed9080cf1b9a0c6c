// Straight bars of one colour (the display draws them), and the stat bar: a
// frame bar with a fill bar over it whose length shows a fraction.
#pragma once

#include <memory>

#include "display/colour.h"
#include "display/visuals/visual_node.h"

class TBarVisual : public TVisual {
 public:
  // The direction (in the screen plane) is normalised; size.x is the length
  // along it, size.y the thickness across it. Without a colour nothing is
  // drawn. A shaded bar runs from a darker shade at its start to the colour.
  TBarVisual(TVector3* position, bool ownsPosition, const TVector3& direction, const TVector3& size,
             std::unique_ptr<TColour> colour, bool shaded);

  void Draw(const TVector3& offset, TLightGrid* light) override;
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override;

  float GetLength() const { return size_.x; }
  void SetLength(float length) { size_.x = length; }
  void SetColour(std::unique_ptr<TColour> colour);
  const TVector3& GetDirection() const { return direction_; }
  const TVector3& GetSize() const { return size_; }
  const TColour* GetColour() const { return colour_.get(); }
  const TColour* GetDarkColour() const { return darkColour_.get(); }
  bool IsShaded() const { return shaded_; }
  // Vertices 0 and 2 lie at the bar's start, 1 and 3 at its end.
  const TColour* GetVertexColour(int index) const;

 private:
  TBarVisual(const TBarVisual& other, TVector3* position, bool ownsPosition);
  void RebuildShade();

  TVector3 direction_;
  TVector3 size_;
  std::unique_ptr<TColour> colour_;
  bool shaded_ = false;
  std::unique_ptr<TColour> darkColour_;
};

class TStatBar : public TVisualNode {
 public:
  static constexpr const char* kClassName = "TSTATBAR";

  TStatBar(TVector3* position, bool ownsPosition, const TVector3& direction, const TVector3& size,
           std::unique_ptr<TColour> frameColour, std::unique_ptr<TColour> fillColour);

  void Draw(const TVector3& offset, TLightGrid* light) override;
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override;
  const char* GetClassName() const override { return kClassName; }

  // The fill bar becomes the frame bar's length times the fraction.
  void SetFraction(float fraction);
  TBarVisual* GetFrameBar() const;
  TBarVisual* GetFillBar() const;

 private:
  TStatBar(const TStatBar& other, TVector3* position, bool ownsPosition)
      : TVisualNode(other, position, ownsPosition) {}
};
