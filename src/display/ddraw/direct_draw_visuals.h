// The leaf visuals of the 2D display. Floors, terrain, sprites and pictures
// copy a rectangle of a picture surface onto the screen through a 2D quad:
// each places its quad once per change of position or view, asks the
// display once how the quad can be copied (not at all, clipped or fast) and
// keeps the answer until the next change. Since the 2D map view knows only
// the zooms 1 and 0.5, floors, terrain and sprites may carry a reduced copy
// of their picture that they show at any zoom other than 1. World bars ask
// the display for a bar line.
#pragma once

#include <cstdint>
#include <memory>

#include "display/visuals/world_bar.h"

class TDirectDrawSurface;
class TShape;

// What the 2D visuals need of the map view and its display.
class TDirectDrawView {
 public:
  virtual ~TDirectDrawView() = default;
  virtual float GetZoom() const = 0;
  // A projected screen point with the camera's projected centre taken off.
  virtual void ToViewCoordinates(float& x, float& y) const = 0;
  // The display's flag: every cached placement must be worked out again.
  virtual bool IsViewChanged() const = 0;
  // How the quad of the surface can be copied: 0 not at all, 1 clipped or
  // scaled, 2 fast. A null surface answers 0.
  virtual int32_t BlitQuad(const TShape& quad, const TDirectDrawSurface* surface) = 0;
  virtual void DrawBar(TWorldBar* bar, const TVector3& offset) = 0;
};

// A picture with its quad, and optionally a reduced copy of both.
struct TDirectDrawPictureSource {
  TDirectDrawSurface* surface = nullptr;  // shared with the surface cache
  const TShape* shape = nullptr;          // copied
  TDirectDrawSurface* reducedSurface = nullptr;
  const TShape* reducedShape = nullptr;
};

// The placement and drawing shared by the four picture visuals.
class TDirectDrawQuadVisual : public TVisual {
 public:
  ~TDirectDrawQuadVisual() override;

  // Light grid and tint do not reach 2D pictures.
  void Draw(const TVector3& offset, TLightGrid* light) override;
  void SetTint(const TColour* /*colour*/, float /*amount*/) override {}

  // The copy class of the last placement (0, 1 or 2).
  int32_t GetPlacement() const { return placement_; }
  const TShape& GetShape() const { return *shape_; }
  const TShape* GetReducedShape() const { return reducedShape_.get(); }
  // The quad and picture drawn at the current zoom.
  const TShape& GetShapeInUse() const;
  TDirectDrawSurface* GetSurfaceInUse() const;
  const TVector3& GetScreenPosition() const { return screenPosition_; }

 protected:
  TDirectDrawQuadVisual(TVector3* position, bool ownsPosition, TDirectDrawView* view,
                        const TDirectDrawPictureSource& source);
  TDirectDrawQuadVisual(const TDirectDrawQuadVisual& other, TVector3* position, bool ownsPosition);

  // The screen point of the picture's top-left corner for the draw position.
  virtual TVector3 ScreenCorner(const TVector3& world) const = 0;
  // Vertices sit half a pixel up and left of the corner, except a picture's.
  virtual float VertexShift() const { return -0.5f; }

  // The projected draw position less the anchor scaled by the zoom, in
  // view coordinates.
  TVector3 ProjectedCorner(const TVector3& world, const TVector3& anchor) const;
  // The rectangle of the quad in use with its anchor on the own position.
  bool RectangleHolds(const TVector3& anchor, const TVector3& point) const;
  TVector3 RectangleCentre(const TVector3& anchor) const;
  TShape& MutableShape() { return *shape_; }
  TDirectDrawView* GetView() const { return view_; }

 private:
  bool UseReducedCopy() const;
  void Place(const TVector3& offset);

  TDirectDrawView* view_ = nullptr;
  TDirectDrawSurface* surface_ = nullptr;
  std::unique_ptr<TShape> shape_;
  TDirectDrawSurface* reducedSurface_ = nullptr;
  std::unique_ptr<TShape> reducedShape_;
  TVector3 worldPosition_;
  TVector3 screenPosition_;
  int32_t placement_ = 0;
  bool reducedPlaced_ = false;
};

// A floor tile: stands on its position by the point half its width from the
// left and 16 pixels above its bottom edge.
class TDirectDrawFloor : public TDirectDrawQuadVisual {
 public:
  static constexpr const char* kClassName = "TDIRECTDRAWFLOOR";

  TDirectDrawFloor(TVector3* position, bool ownsPosition, TDirectDrawView* view,
                   const TDirectDrawPictureSource& source);
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override;
  bool HitTest(const TVector3& point) const override;
  const char* GetClassName() const override { return kClassName; }
  TVector3 GetFloorAnchor() const;

 protected:
  TDirectDrawFloor(const TDirectDrawFloor& other, TVector3* position, bool ownsPosition);
  TVector3 ScreenCorner(const TVector3& world) const override;
};

// Terrain draws as a floor; its position is the middle of its rectangle.
class TDirectDrawTerrain : public TDirectDrawFloor {
 public:
  static constexpr const char* kClassName = "TDIRECTDRAWTERRAIN";

  TDirectDrawTerrain(TVector3* position, bool ownsPosition, TDirectDrawView* view,
                     const TDirectDrawPictureSource& source);
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override;
  TVector3 GetPosition() const override;
  const char* GetClassName() const override { return kClassName; }

 private:
  TDirectDrawTerrain(const TDirectDrawTerrain& other, TVector3* position, bool ownsPosition);
};

// A visual that stands on its position by an anchor given as fractions of
// its full-size width and height.
class TDirectDrawAnchoredVisual : public TDirectDrawQuadVisual {
 public:
  const TVector3& GetAnchor() const { return anchor_; }

 protected:
  TDirectDrawAnchoredVisual(TVector3* position, bool ownsPosition, TDirectDrawView* view,
                            const TDirectDrawPictureSource& source, const TVector3& anchorFraction);
  TDirectDrawAnchoredVisual(const TDirectDrawAnchoredVisual& other, TVector3* position, bool ownsPosition);
  // The anchor again from the full-size quad's size.
  void UpdateAnchor();

 private:
  TVector3 anchor_;
  TVector3 anchorFraction_;
};

// A sprite stands on its anchor; it can be stretched.
class TDirectDrawSprite : public TDirectDrawAnchoredVisual {
 public:
  static constexpr const char* kClassName = "TDIRECTDRAWSPRITE";

  TDirectDrawSprite(TVector3* position, bool ownsPosition, TDirectDrawView* view,
                    const TDirectDrawPictureSource& source, const TVector3& anchorFraction);
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override;
  bool HitTest(const TVector3& point) const override;
  TVector3 GetPosition() const override;
  const char* GetClassName() const override { return kClassName; }

  // On the full-size quad; the reduced one keeps its size.
  float GetWidth() const;
  float GetHeight() const;
  void SetWidth(float width);
  void SetHeight(float height);
  void SetSize(float width, float height);

 protected:
  TVector3 ScreenCorner(const TVector3& world) const override;

 private:
  TDirectDrawSprite(const TDirectDrawSprite& other, TVector3* position, bool ownsPosition);
};

// A picture at a screen position, less its anchor, at every zoom.
class TDirectDrawPicture : public TDirectDrawAnchoredVisual {
 public:
  static constexpr const char* kClassName = "TDIRECTDRAWPICTURE";

  // The picture has no reduced copy; those of the source are not used.
  TDirectDrawPicture(TVector3* position, bool ownsPosition, TDirectDrawView* view,
                     const TDirectDrawPictureSource& source, const TVector3& anchorFraction);
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override;
  const char* GetClassName() const override { return kClassName; }

 protected:
  TVector3 ScreenCorner(const TVector3& world) const override;
  float VertexShift() const override { return 0.0f; }

 private:
  TDirectDrawPicture(const TDirectDrawPicture& other, TVector3* position, bool ownsPosition);
};

class TDirectDrawWorldBar : public TWorldBar {
 public:
  static constexpr const char* kClassName = "TDIRECTDRAWWORLDBAR";

  TDirectDrawWorldBar(TVector3* position, bool ownsPosition, TDirectDrawView* view, const TVector3& startCorner,
                      const TVector3& endCorner, float value, std::unique_ptr<TColour> colour);
  void Draw(const TVector3& offset, TLightGrid* light) override;
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override;
  const char* GetClassName() const override { return kClassName; }
  void SetTint(const TColour* /*colour*/, float /*amount*/) override {}

 private:
  TDirectDrawWorldBar(const TDirectDrawWorldBar& other, TVector3* position, bool ownsPosition);

  TDirectDrawView* view_ = nullptr;
};
