// The map-view singleton: owns the display, the font manager and the camera,
// holds the zoom, the requested display mode and the screen size that input
// is clamped to, and the draw layers of the scenes with their lighting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/vector3.h"
#include "display/mapview/draw_layer.h"
#include "display/mapview/lighting_grid.h"
#include "display/mapview/map_camera.h"

class TDisplay;
class TFontManager;
class TLight;
class TVisual;

class TMapView : private TCameraViewport {
 public:
  static TMapView* Create(std::unique_ptr<TDisplay> display);
  static void Destroy();
  static bool Exists();
  static TMapView* Instance();

  ~TMapView() override;

  // More layers than any scene needs; an index past it is refused rather
  // than allocating layers without end.
  static constexpr uint32_t kMaxLayers = 64;

  TDisplay* GetDisplay() const { return display_.get(); }
  TFontManager* GetFontManager() const { return fontManager_.get(); }
  TMapCamera& GetCamera() { return *camera_; }

  float GetZoom() const { return zoom_; }
  // Zooms by the step and keeps the view centre; the 2D display knows only
  // the zooms 1.0 (a step up) and 0.5, the others stay within 0.4 .. 4.0.
  bool SetZoom(float delta);
  // Sets the zoom as given and keeps the view centre.
  bool SetZoomExact(float zoom);
  // As SetZoom and SetZoomExact, keeping the world point at its screen place.
  bool ZoomAt(float delta, const TVector3& point);
  bool ZoomExactAt(float zoom, const TVector3& point);
  bool CentreOn(const TVector3& point);
  bool IsRedrawPending() const { return redraw_; }
  void ClearRedraw() { redraw_ = false; }

  TVector3 GetCameraPosition() const { return camera_->GetPosition(); }
  void SetCameraPosition(const TVector3& position) { camera_->SetPosition(position); }

  // Draw layers, one per scene; layer 0 exists from the start. Creates the
  // layers up to n and makes n current; false (and nothing changes) for an
  // index past kMaxLayers.
  bool SetLayer(uint32_t n);
  TDrawLayer* GetCurrentLayer() const;
  uint32_t GetCurrentLayerIndex() const { return currentLayer_; }
  std::size_t LayerCount() const { return layers_.size(); }
  // Without the flag Draw draws nothing.
  void SetDrawLayers(bool draw) { drawLayers_ = draw; }
  bool GetDrawLayers() const { return drawLayers_; }
  // Draws the current layer.
  void Draw();
  // The current layer's Add and Remove (one entry).
  void AddVisual(TVisual* visual, float depthOffset);
  void RemoveVisual(const TVisual* visual);
  // Takes every entry of a visual that is going away out of every layer,
  // whichever layer is current.
  void ForgetVisual(const TVisual* visual);

  // The lighting of the current layer's scene.
  TLightGrid& GetLightGrid() { return GetCurrentLayer()->GetLightGrid(); }
  void AddLight(TLight* light);
  // Out of every layer: a light that is going away must not stay behind in
  // a layer that is not current.
  void RemoveLight(const TLight* light);
  void MarkLight(const TVector3& position, bool ground);
  void RecomputeLighting();
  void SetLighting(bool enabled);
  // The new enabled state; false without a layer.
  bool ToggleLighting();

  void SetDisplayType(const std::string& name) { requestedDisplayType_ = name; }
  const std::string& GetRequestedDisplayType() const { return requestedDisplayType_; }
  void SetRequestedSize(int32_t width, int32_t height);
  void SetTextureResolutionFlag(bool flag) { highTextureResolution_ = flag; }
  bool GetTextureResolutionFlag() const { return highTextureResolution_; }
  // True when the requested full-screen state equals the value.
  bool GetFullScreen(bool value) const { return requestedFullScreen_ == value; }

  void OnWindowMoved();
  void ApplyResolution(int32_t width, int32_t height);
  bool IsModeChangePending() const { return modeChangePending_; }
  void ReleaseDisplay();
  void RestoreDisplay();

  int32_t GetScreenWidth() const;
  int32_t GetScreenHeight() const;
  bool IsDirectDraw2D() const;

 private:
  explicit TMapView(std::unique_ptr<TDisplay> display);

  float ViewportWidth() const override { return static_cast<float>(GetScreenWidth()); }
  float ViewportHeight() const override { return static_cast<float>(GetScreenHeight()); }
  float ViewportZoom() const override { return zoom_; }
  void MarkViewChanged() override;

  // Zooms with the operation and scrolls so that the world point keeps its
  // screen place.
  bool ZoomKeepingPoint(bool (TMapView::*zoomer)(float), float value, const TVector3& point);

  // First, so that the layers go last, after the display.
  std::vector<std::unique_ptr<TDrawLayer>> layers_;
  uint32_t currentLayer_ = 0;
  bool drawLayers_ = true;
  std::unique_ptr<TFontManager> fontManager_;
  std::unique_ptr<TDisplay> display_;
  std::unique_ptr<TMapCamera> camera_;
  float zoom_ = 1.0f;
  bool redraw_ = false;
  std::string requestedDisplayType_;
  int32_t requestedWidth_ = 0;
  int32_t requestedHeight_ = 0;
  bool requestedFullScreen_ = false;
  bool highTextureResolution_ = false;
  bool modeChangePending_ = false;
};

// The zoom the screen projections use: the map view's, 1.0 without one.
float CurrentMapZoom();
