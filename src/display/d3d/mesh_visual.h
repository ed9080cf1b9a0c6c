// One map square of the 3D display: a textured fan of a centre and the
// square's four corners, projected onto the ground diamond and coloured by
// the light grid's corner brightness, so light blends across the map.
#pragma once

#include <array>
#include <memory>

#include "display/colour.h"
#include "display/visuals/shape.h"
#include "display/visuals/visual.h"

class TD3DView;
class TSurface;

class TMeshVisual : public TVisual {
 public:
  static constexpr const char* kClassName = "TMESHVISUAL";
  static constexpr int32_t kVertexCount = 6;

  // The shape (six vertices) is copied; the surface belongs to the cache.
  TMeshVisual(TVector3* position, bool ownsPosition, TD3DView& view, TSurface* surface, const TShape& shape);

  void Draw(const TVector3& offset, TLightGrid* light) override;
  std::unique_ptr<TVisual> Clone(TVector3* position, bool ownsPosition) const override;
  const char* GetClassName() const override { return kClassName; }
  // Within 32 pixels of the point 16 above the position.
  bool HitTest(const TVector3& point) const override;
  void SetTint(const TColour* colour, float amount) override;

  const TShape& GetShape() const { return *shape_; }
  float GetXOffset(int32_t vertex) const { return xOffsets_[static_cast<std::size_t>(vertex)]; }
  float GetYOffset(int32_t vertex) const { return yOffsets_[static_cast<std::size_t>(vertex)]; }
  const TVector3& GetScreenPoint() const { return screenPoint_; }
  bool IsVisible() const { return visible_; }

 private:
  TMeshVisual(const TMeshVisual& other, TVector3* position, bool ownsPosition);
  void StoreCorners(TLightGrid& light);
  void ComputeOffsets();
  void PlaceVertices();
  void ComputeScreenPoint();
  void ApplyLighting(TLightGrid* light);

  TD3DView& view_;
  std::array<float, kVertexCount> xOffsets_{};
  std::array<float, kVertexCount> yOffsets_{};
  TSurface* surface_ = nullptr;
  std::unique_ptr<TShape> shape_;
  TVector3 worldPosition_;
  TVector3 screenPoint_;
  std::array<uint32_t, 4> cornerX_{};
  std::array<uint32_t, 4> cornerY_{};
  std::array<float, 4> brightness_{};
  bool visible_ = false;
  std::unique_ptr<TColour> tint_;
  float tintAmount_ = 0.0f;
};
