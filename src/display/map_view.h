// The map-view singleton: owns the display, the font manager and the camera,
// holds the zoom, the requested display mode and the screen size that input
// is clamped to, and the lighting grid of the scene being drawn.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/vector3.h"
#include "display/mapview/lighting_grid.h"
#include "display/mapview/map_camera.h"

class TDisplay;
class TFontManager;

class TMapView : private TCameraViewport {
 public:
  static TMapView* Create(std::unique_ptr<TDisplay> display);
  static void Destroy();
  static bool Exists();
  static TMapView* Instance();

  ~TMapView() override;

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

  // The lighting of the scene being drawn.
  TLightGrid& GetLightGrid() { return lightGrid_; }
  void AddLight(TLight* light) { lightGrid_.AddLight(light); }
  void RemoveLight(const TLight* light) { lightGrid_.RemoveLight(light); }
  void MarkLight(const TVector3& position, bool ground) { lightGrid_.Stamp(position, ground); }
  void RecomputeLighting() { lightGrid_.RecomputeAll(); }
  void SetLighting(bool enabled) { lightGrid_.SetEnabled(enabled); }
  bool ToggleLighting() { return lightGrid_.ToggleEnabled(); }

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

  std::unique_ptr<TFontManager> fontManager_;
  std::unique_ptr<TDisplay> display_;
  std::unique_ptr<TMapCamera> camera_;
  // The draw layers will own one grid each; the scene has one until then.
  TLightGrid lightGrid_{kLightGridSquares, kLightGridSquares};
  float zoom_ = 1.0f;
  bool redraw_ = false;
  std::string requestedDisplayType_;
  int32_t requestedWidth_ = 0;
  int32_t requestedHeight_ = 0;
  bool requestedFullScreen_ = false;
  bool highTextureResolution_ = false;
  bool modeChangePending_ = false;

  static constexpr uint32_t kLightGridSquares = 60;
};

// The zoom the screen projections use: the map view's, 1.0 without one.
float CurrentMapZoom();
