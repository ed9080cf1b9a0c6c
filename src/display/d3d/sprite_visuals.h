// The 3D display's sprites: a picture and a polygon sprite, each one
// textured quad standing on its world position, shifted by an anchor,
// scaled by the zoom and skipped off screen. The polygon sprite is also lit
// from the light grid, tinted, resized and hit-tested.
#pragma once

#include <memory>

#include "display/colour.h"
#include "display/visuals/shape.h"
#include "display/visuals/stretchy_sprite.h"
#include "display/visuals/visual.h"

class TD3DView;
class TSurface;

// The quad, texture and placement the two sprites share.
class TSpriteQuad {
 public:
  // The shape is copied; the surface belongs to the surface cache.
  TSpriteQuad(TD3DView& view, TSurface* surface, const TShape& shape, const TVector3& anchorFraction);
  TSpriteQuad(const TSpriteQuad& other);
  TSpriteQuad& operator=(const TSpriteQuad&) = delete;

  // Places the quad when the visual or the view changed; false when it lies
  // off screen. halfPixel puts the corners on pixel edges, otherwise they
  // are whole pixels.
  bool Place(TVisual& visual, const TVector3& offset, bool halfPixel);
  void Draw() { DrawWith(*shape_); }
  void DrawWith(TShape& shape);
  void UpdateAnchor();

  TD3DView& GetView() const { return view_; }
  TShape& GetShape() const { return *shape_; }
  TSurface* GetSurface() const { return surface_; }
  const TVector3& GetWorldPosition() const { return worldPosition_; }
  const TVector3& GetScreenPosition() const { return screenPosition_; }
  const TVector3& GetAnchor() const { return anchor_; }

 private:
  void SetVertices(float zoom, bool halfPixel);

  TD3DView& view_;
  TSurface* surface_ = nullptr;
  std::unique_ptr<TShape> shape_;
  TVector3 worldPosition_;
  TVector3 screenPosition_;
  TVector3 anchor_;
  TVector3 anchorFraction_;
};

class TPictureVisual : public TVisual {
 public:
  static constexpr const char* kClassName = "TPICTUREVISUAL";

  TPictureVisual(TVector3* position, bool ownsPosition, TD3DView& view, TSurface* surface, const TShape& shape,
                 const TVector3& anchorFraction);

  void Draw(const TVector3& offset, TLightGrid* light) override;
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override;
  const char* GetClassName() const override { return kClassName; }
  const TSpriteQuad& GetQuad() const { return quad_; }

 private:
  TPictureVisual(const TPictureVisual& other, TVector3* position, bool ownsPosition);
  TSpriteQuad quad_;
};

class TPolygonSprite : public TStretchySprite {
 public:
  static constexpr const char* kClassName = "TPOLYGONSPRITE";

  TPolygonSprite(TVector3* position, bool ownsPosition, TD3DView& view, TSurface* surface, const TShape& shape,
                 const TVector3& anchorFraction);

  void Draw(const TVector3& offset, TLightGrid* light) override;
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override;
  const char* GetClassName() const override { return kClassName; }
  bool HitTest(const TVector3& point) const override;
  TVector3 GetPosition() const override;
  void SetTint(const TColour* colour, float amount) override;

  float GetWidth() const override { return quad_.GetShape().GetWidth(); }
  float GetHeight() const override { return quad_.GetShape().GetHeight(); }
  void SetSize(float width, float height) override;
  void SetWidth(float width) override;
  void SetHeight(float height) override;

  const TSpriteQuad& GetQuad() const { return quad_; }
  const TColour* GetTint() const { return tint_.get(); }
  float GetTintAmount() const { return tintAmount_; }

 private:
  TPolygonSprite(const TPolygonSprite& other, TVector3* position, bool ownsPosition);
  void ApplyLighting(TLightGrid* light);
  // The top-left corner of the hit rectangle.
  TVector3 Corner() const;

  TSpriteQuad quad_;
  std::unique_ptr<TColour> tint_;
  float tintAmount_ = 0.0f;
};
