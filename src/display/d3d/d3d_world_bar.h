// The 3D display's world bar: a band between two corners given relative to
// the draw position (a bar over a unit), coloured or with an image
// stretched along it, drawn as one quad.
#pragma once

#include <memory>

#include "display/visuals/shape.h"
#include "display/visuals/world_bar.h"

class TD3DView;
class TSurface;

class TDD7WorldBar : public TWorldBar {
 public:
  // One colour on all four corners.
  TDD7WorldBar(TVector3* position, bool ownsPosition, TD3DView& view, const TVector3& startCorner,
               const TVector3& endCorner, float value, std::unique_ptr<TColour> colour);
  // The texture (from the surface cache) stretched along the band.
  TDD7WorldBar(TVector3* position, bool ownsPosition, TD3DView& view, const TVector3& startCorner,
               const TVector3& endCorner, float value, TSurface* surface);

  void Draw(const TVector3& offset, TLightGrid* light) override;
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override;
  void SetOnTop() override;
  void SetEndCorner(const TVector3& corner) override;
  void SetStartCorner(const TVector3& corner) override;
  void SetColour(const TColour& colour) override;

  const TShape& GetShape() const { return *shape_; }
  TSurface* GetSurface() const { return surface_; }
  const TVector3& GetAcross() const { return across_; }
  const TVector3& GetAlong() const { return along_; }
  float GetLength() const { return length_; }
  bool IsDegenerate() const { return degenerate_; }

 private:
  TDD7WorldBar(const TDD7WorldBar& other, TVector3* position, bool ownsPosition);
  void Rebuild();
  // The corner as a screen offset at zoom 1.0.
  TVector3 ScreenCorner(const TVector3& corner) const;
  void Place();
  void PaintColour();
  void SetTextureCoordinates();

  TD3DView& view_;
  std::unique_ptr<TShape> shape_;
  TVector3 anchor_;
  TVector3 screenPoint_;
  TVector3 across_;
  TVector3 along_;
  TSurface* surface_ = nullptr;
  float length_ = 0.0f;
  bool degenerate_ = false;
};
