// The map-view singleton: everything drawn reaches the display through it.
// It owns the display, the font manager, the surface cache, the frame timer,
// the camera, the visual library and the draw layers of the scenes with
// their lighting; it holds the zoom, the per-frame flags and the display
// settings the options screens ask for, and rebuilds the display when they
// are applied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/vector3.h"
#include "display/mapview/display_window.h"
#include "display/mapview/draw_layer.h"
#include "display/mapview/frame_timer.h"
#include "display/mapview/lighting_grid.h"
#include "display/mapview/map_camera.h"

class TDisplay;
class TFontManager;
class TLight;
class TShapeFactory;
class TSurface;
class TSurfaceCache;
class TSurfaceKey;
class TVisual;
class TVisualLibrary;

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

  // The rate the frame timer shows until its first measurement.
  static constexpr float kStartingFrameRate = 30.0f;

  TDisplay* GetDisplay() const { return display_.get(); }
  TFontManager* GetFontManager() const { return fontManager_.get(); }
  TMapCamera& GetCamera() { return *camera_; }
  TSurfaceCache& GetSurfaceCache() { return *surfaceCache_; }
  TFrameTimer& GetFrameTimer() { return *frameTimer_; }
  // Null without a display.
  TVisualLibrary* GetVisualLibrary() const { return visualLibrary_.get(); }
  // Puts another library (or none) in place of the one made for the display;
  // the visuals built from the old one must be gone.
  void ReplaceVisualLibrary(std::unique_ptr<TVisualLibrary> library);
  // The visual library's; null without a display.
  TShapeFactory* GetShapeFactory() const;
  // The cached surface of the key, made by the display on first request;
  // null when the display made none (or there is no display).
  TSurface* GetSurface(const TSurfaceKey& key);
  // Replaces the window that display mode changes act on; null puts the
  // main window back.
  void SetDisplayWindow(std::unique_ptr<TDisplayWindow> window) {
    window_ = window ? std::move(window) : CreateMainDisplayWindow();
  }

  // One frame: BeginFrame, Draw (through the screens), DrawFps, EndFrame.
  // BeginFrame takes the scroll offset of the frame from the camera.
  void BeginFrame();
  // Shows the frame rate, when switched on, and counts the frame.
  void DrawFps();
  // Presents the frame; the zoom's redraw request is then met.
  void EndFrame();
  // x and y: the camera position's projected screen centre at the last
  // BeginFrame; z is 0.
  const TVector3& GetScrollOffset() const { return scrollOffset_; }
  void SubtractScrollOffset(TVector3& vector) const;
  // Turns a screen point into a point relative to the camera's projection.
  void ToViewCoordinates(int32_t* x, int32_t* y) const;
  void SetClearEachFrame(bool clear) { clearEachFrame_ = clear; }
  bool GetClearEachFrame() const { return clearEachFrame_; }
  // Switches the frame rate display; the new state.
  bool ToggleFPS();
  bool IsFpsShown() const { return showFps_; }

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

  // The display settings the options screens ask for; ChangeDisplay
  // applies them, and the display type takes effect at the next start.
  void SetDisplayType(const std::string& name) { requestedDisplayType_ = name; }
  // True when the requested type is the text, byte for byte.
  bool GetDisplayType(const std::string& name) const { return requestedDisplayType_ == name; }
  const std::string& GetRequestedDisplayType() const { return requestedDisplayType_; }
  void SetRequestedSize(int32_t width, int32_t height);
  int32_t GetRequestedWidth() const { return requestedWidth_; }
  int32_t GetRequestedHeight() const { return requestedHeight_; }
  // Width and height as "W,H"; a text without two usable sizes changes
  // nothing.
  void SetResolution(const std::string& text);
  // True when the text names the requested size.
  bool GetResolution(const std::string& text) const;
  void SetFullScreen(bool fullScreen) { requestedFullScreen_ = fullScreen; }
  // True when the requested full-screen state equals the value.
  bool GetFullScreen(bool value) const { return requestedFullScreen_ == value; }
  // Start-up: sets the flag without marking a change.
  void SetTextureResolutionFlag(bool flag) { highTextureResolution_ = flag; }
  bool GetTextureResolutionFlag() const { return highTextureResolution_; }
  // A different value marks a change, which the next ChangeDisplay applies
  // by rebuilding the display and reloading every surface.
  void SetTextureResolution(bool high);
  bool GetTextureResolution(bool high) const { return highTextureResolution_ == high; }
  // Compares the requested settings with the running display and rebuilds
  // the display when the mode differs; a different type waits for the next
  // start. Every pending flag is clear afterwards.
  void ChangeDisplay();
  bool IsChangePending() const { return changePending_; }
  bool IsModeChangePending() const { return modeChangePending_; }
  bool IsTypeChangePending() const { return typeChangePending_; }

  void OnWindowMoved();
  // The window's client area was resized (windowed, no mode change pending).
  void ApplyResolution(int32_t width, int32_t height);
  // Fonts, then surfaces are released before the display shuts down, and
  // restored in the opposite order after it is initialised again with the
  // requested settings.
  void ReleaseDisplay();
  void RestoreDisplay();
  // Rebuilds the display in the requested mode and fits the window to it.
  void ApplyDisplayMode();
  // Every cached surface released and loaded again.
  void ReloadSurfaces();

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

  // The window rectangle of a windowed display of the requested size,
  // centred on the screen, frame included.
  TWindowRect CentredWindowRect() const;

  // Members are destroyed bottom up: the visual library before the surfaces
  // its prototypes draw with, the surfaces and fonts before the display
  // that made them, and the layers last.
  std::vector<std::unique_ptr<TDrawLayer>> layers_;
  uint32_t currentLayer_ = 0;
  bool drawLayers_ = true;
  std::unique_ptr<TDisplay> display_;
  std::unique_ptr<TFontManager> fontManager_;
  std::unique_ptr<TSurfaceCache> surfaceCache_;
  std::unique_ptr<TFrameTimer> frameTimer_;
  std::unique_ptr<TMapCamera> camera_;
  std::unique_ptr<TVisualLibrary> visualLibrary_;
  std::unique_ptr<TDisplayWindow> window_;
  float zoom_ = 1.0f;
  bool redraw_ = false;
  bool showFps_ = false;
  bool highTextureResolution_ = true;
  bool clearEachFrame_ = false;
  bool changePending_ = false;
  bool modeChangePending_ = false;
  bool typeChangePending_ = false;
  TVector3 scrollOffset_;
  std::string requestedDisplayType_;
  int32_t requestedWidth_ = 0;
  int32_t requestedHeight_ = 0;
  bool requestedFullScreen_ = false;
};

// The zoom the screen projections use: the map view's, 1.0 without one.
float CurrentMapZoom();
