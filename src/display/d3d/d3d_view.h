// What the 3D display and its visuals need of the view that shows the map:
// the zoom, the camera's screen offset, the view flags, the shape factory
// and the 3D display itself. The map view serves it; tests give their own.
#pragma once

#include "app/vector3.h"

class TDisplay3D;
class TFontManager;
class TShapeFactory;

class TD3DView {
 public:
  virtual ~TD3DView() = default;
  virtual float GetZoom() const = 0;
  // Subtracts the camera's projected screen centre from a screen point.
  virtual void ToViewCoordinates(float* x, float* y) const = 0;
  // The same for a projected position, with the offset of this frame.
  virtual void SubtractScrollOffset(TVector3& point) const = 0;
  // Set for one frame after a zoom: mesh offsets must be computed again.
  virtual bool IsRedrawPending() const = 0;
  virtual bool GetClearEachFrame() const = 0;
  virtual bool GetTextureResolutionFlag() const = 0;
  // Null while no 3D display exists.
  virtual TDisplay3D* GetDisplay3D() const = 0;
  virtual TShapeFactory& GetShapeFactory() const = 0;
  // The text styles the frame rate is drawn in; null when there are none.
  virtual const TFontManager* GetFontManager() const { return nullptr; }
  // Releases and restores the whole display (fonts, surfaces, device).
  virtual void RebuildDisplay() = 0;
};
