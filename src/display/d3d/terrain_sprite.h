// A textured quad standing on a world point (a terrain piece of the 3D
// map), lit per corner from the light grid and optionally tinted. Its
// placement is kept between frames and recomputed only when it or the view
// changes.
#pragma once

#include <memory>

#include "display/colour.h"
#include "display/visuals/shape.h"
#include "display/visuals/visual.h"

class TD3DView;
class TSurface;

class TTerrainSpriteVisual : public TVisual {
 public:
  static constexpr const char* kClassName = "TTERRAINSPRITEVISUAL";

  // The shape is copied; the texture belongs to the surface cache.
  TTerrainSpriteVisual(TVector3* position, bool ownsPosition, TD3DView& view, TSurface* texture,
                       const TShape& shape);

  void Draw(const TVector3& offset, TLightGrid* light) override;
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override;
  const char* GetClassName() const override { return kClassName; }
  bool HitTest(const TVector3& point) const override;
  TVector3 GetPosition() const override;
  void SetTint(const TColour* colour, float strength) override;

  const TShape& GetShape() const { return *shape_; }
  const TVector3& GetScreenPosition() const { return screenPosition_; }
  bool IsVisible() const { return visible_; }

 private:
  TTerrainSpriteVisual(const TTerrainSpriteVisual& other, TVector3* position, bool ownsPosition);
  void Place(const TVector3& offset);
  void ApplyLighting(TLightGrid* light);
  // The top-left corner of the sprite's rectangle.
  TVector3 Corner() const;
  float Scale() const;

  TD3DView& view_;
  TSurface* texture_ = nullptr;
  std::unique_ptr<TShape> shape_;
  TVector3 worldPosition_;
  TVector3 screenPosition_;
  bool visible_ = false;
  std::unique_ptr<TColour> tint_;
  float tintStrength_ = 0.0f;
};
