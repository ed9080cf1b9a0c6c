// The map-view singleton: owns the display and holds the camera zoom, the
// requested display mode and the screen size that input is clamped to.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/vector3.h"

class TDisplay;
class TFontManager;

class TMapView {
 public:
  static TMapView* Create(std::unique_ptr<TDisplay> display);
  static void Destroy();
  static bool Exists();
  static TMapView* Instance();

  ~TMapView();

  TDisplay* GetDisplay() const { return display_.get(); }
  TFontManager* GetFontManager() const { return fontManager_.get(); }

  float GetZoom() const { return zoom_; }
  void SetZoom(float zoom) { zoom_ = zoom; }
  TVector3 GetCameraPosition() const { return camera_; }
  void SetCameraPosition(const TVector3& position) { camera_ = position; }

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

 private:
  explicit TMapView(std::unique_ptr<TDisplay> display);

  std::unique_ptr<TDisplay> display_;
  std::unique_ptr<TFontManager> fontManager_;
  TVector3 camera_;
  float zoom_ = 1.0f;
  std::string requestedDisplayType_;
  int32_t requestedWidth_ = 0;
  int32_t requestedHeight_ = 0;
  bool requestedFullScreen_ = false;
  bool highTextureResolution_ = false;
  bool modeChangePending_ = false;
};

// The zoom the screen projections use: the map view's, 1.0 without one.
float CurrentMapZoom();
