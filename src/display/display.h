// The one drawing device of the program. The map view owns it; the visuals,
// the shapes and the fonts draw only through it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "display/vertex_device.h"

class TBarVisual;
class TColour;
class TPixelFormat;
class TShape;
class TSurface;
class TSurfaceKey;
class TVector3;
class TVisual;
class TVisualLibrary;
class TWorldBar;

class TDisplay {
 public:
  virtual ~TDisplay() = default;

  virtual bool Init(bool fullScreen, int32_t width, int32_t height) = 0;
  virtual void Shutdown() = 0;
  virtual void BeginFrame() = 0;
  virtual void Present() = 0;
  virtual int32_t GetWidth() const = 0;
  virtual int32_t GetHeight() const = 0;
  virtual bool IsFullScreen() const = 0;
  virtual bool Resize(int32_t width, int32_t height) = 0;
  virtual void OnWindowMoved() = 0;
  // Draws a bar at a world position, or with onTop at that position taken
  // as screen coordinates.
  virtual void DrawVisual(TBarVisual* bar, const TVector3& position, bool onTop) = 0;
  virtual void DrawBar(TWorldBar* bar, const TVector3& offset) = 0;
  // Loads the key's image file with its shader applied; null only when no
  // surface object could be made (a failed load gives an empty surface).
  virtual std::unique_ptr<TSurface> CreateSurface(const TSurfaceKey& key) = 0;
  virtual void DrawFps(int32_t framesPerSecond) = 0;
  // Queues a text for the next present, with the current font.
  virtual void DrawText(const std::string& text, int32_t x, int32_t y, const TColour& colour);
  // Width in pixels of the characters from begin up to end.
  virtual float GetTextWidth(const std::string& text, int32_t begin, int32_t end);
  virtual float GetStringWidth(const std::string& text);
  virtual float GetTextHeight(const std::string& text);
  virtual const TPixelFormat* GetPixelFormat() const = 0;
  virtual void SetTextScale(float scale);
  virtual void Clear() = 0;
  // Draws nothing: 0 when the quad (the rectangle of its vertices 0 and 3)
  // cannot be copied at all, 1 when only with clipping or scaling, 2 when by
  // a plain copy.
  virtual int32_t BlitQuad(const TShape* quad, const TSurface* surface) = 0;
  // The suffix of the visual definition files: "2D.cfg" or "3D.cfg".
  virtual std::string GetConfigName() const = 0;
  virtual std::string GetTypeName() const = 0;
  virtual void LockBackBuffer();
  virtual void UnlockBackBuffer();
  virtual bool Is3D() const { return false; }
  // Gives the library the builders of the visual types only this display
  // draws; the map view calls it when it makes its library.
  virtual void RegisterVisualTypes(TVisualLibrary& /*library*/) {}

  void SetViewChanged(bool changed) { viewChanged_ = changed; }
  bool IsViewChanged() const { return viewChanged_; }
  void SetInitialised(bool initialised) { initialised_ = initialised; }
  bool IsInitialised() const { return initialised_; }
  // Set after a full-screen display was restored on reactivation.
  void SetRestoredFlag(bool restored) { restored_ = restored; }
  bool GetRestoredFlag() const { return restored_; }

 private:
  bool viewChanged_ = true;
  bool initialised_ = true;
  bool restored_ = false;
};

// The 3D display: it draws vertex shapes and answers where its viewport lies.
class TDisplay3D : public TDisplay, public TVertexDevice {
 public:
  bool Is3D() const override { return true; }
  // True when the point lies more than the margins outside the drawing area.
  virtual bool IsOffScreen(const TVector3& point, float marginX, float marginY) const = 0;
  // Turns a screen point into viewport coordinates, in place.
  virtual void ToViewport(float* x, float* y) const = 0;
  virtual TVector3 GetViewportOrigin() const = 0;
};

// The type names of the two displays, and the second name the 3D display
// answers to.
inline constexpr const char* kDirectDrawTypeName = "DIRECTDRAW_2D";
inline constexpr const char* kDirect3DTypeName = "DD8_3D";
inline constexpr const char* kDirect3DOldTypeName = "DD7_3D";

// True when the name asks for the 3D display (exact bytes, case included).
bool IsDirect3DTypeName(const std::string& typeName);

// "DD8_3D" or "DD7_3D" with a working 3D device give the 3D display; any
// other name the 2D display.
std::unique_ptr<TDisplay> CreateDisplay(const std::string& typeName, bool fullScreen, int32_t width,
                                        int32_t height);
