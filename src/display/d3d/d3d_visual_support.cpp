#include "display/d3d/d3d_visual_support.h"

#include <algorithm>

#include "display/colour.h"
#include "display/d3d/d3d_texture.h"
#include "display/d3d/d3d_view.h"
#include "display/display.h"
#include "display/visuals/shape.h"
#include "display/visuals/visual.h"

namespace d3d_visuals {

namespace {

float Tinted(float brightness, float tintChannel, float amount) {
  return std::clamp(brightness + (1.0f - tintChannel) * amount, 0.0f, 1.0f);
}

}  // namespace

float PlacementZoom(const TD3DView& view, bool onTop) { return onTop ? 1.0f : view.GetZoom(); }

bool NeedsPlacement(const TD3DView& view, const TVisual& visual) {
  const TDisplay3D* display = view.GetDisplay3D();
  return visual.IsChanged() || (display != nullptr && display->IsViewChanged());
}

uint32_t LitColour(float brightness, const TColour* tint, float amount) {
  if (tint == nullptr) return TColour::PackARGB(brightness, brightness, brightness, 1.0f);
  return TColour::PackARGB(Tinted(brightness, tint->r, amount), Tinted(brightness, tint->g, amount),
                           Tinted(brightness, tint->b, amount), tint->a);
}

uint32_t LitOpaqueColour(float brightness, const TColour* tint, float amount) {
  return LitColour(brightness, tint, amount) | 0xFF000000u;
}

void DrawTextured(TSurface* surface, TShape& shape) {
  if (surface == nullptr) return;
  if (auto* texture = dynamic_cast<TTexture*>(surface)) {
    texture->Bind();
    shape.Draw();
  } else {
    surface->Draw(&shape);
  }
}

void Whiten(TShape& shape) {
  for (int32_t i = 0; i < shape.GetVertexCount(); ++i) shape.SetColour(i, 0xFFFFFFFFu);
}

void StoreTint(const TColour* colour, float amount, std::unique_ptr<TColour>& tint, float& tintAmount,
               TShape& shape) {
  if (colour != nullptr) {
    tint = std::make_unique<TColour>(*colour);
    tintAmount = amount;
    return;
  }
  tint.reset();
  Whiten(shape);
}

}  // namespace d3d_visuals
