// The 3D display's view of the map view singleton: its zoom, the camera's
// screen offset, its flags and its display rebuild. Without a map view the
// zoom is 1.0 and nothing is offset.
#pragma once

#include "display/d3d/d3d_view.h"
#include "display/display.h"
#include "display/visuals/shape_factory.h"

class TMapViewD3DView : public TD3DView {
 public:
  // The display must outlive the view.
  explicit TMapViewD3DView(TDisplay3D* display) : display_(display), shapeFactory_(display) {}

  float GetZoom() const override;
  void ToViewCoordinates(float* x, float* y) const override;
  void SubtractScrollOffset(TVector3& point) const override;
  bool IsRedrawPending() const override;
  bool GetClearEachFrame() const override;
  bool GetTextureResolutionFlag() const override;
  TDisplay3D* GetDisplay3D() const override { return display_; }
  // The map view's shape factory, or the view's own while no map view has one.
  TShapeFactory& GetShapeFactory() const override;
  // The map view's font manager; null without a map view.
  const TFontManager* GetFontManager() const override;
  void RebuildDisplay() override;

 private:
  TDisplay3D* display_ = nullptr;
  mutable TShapeFactory shapeFactory_;
};
