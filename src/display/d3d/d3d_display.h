// The 3D display: everything is drawn as textured or coloured quads and
// meshes through the render device, which is OpenGL in a real window and the
// software rasteriser headless. It survives a lost device by waiting for it
// and resetting it; failures while running are fatal and go through one
// handler, which ends the program with status 1 unless a test replaces it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "display/d3d/d3d_texture.h"
#include "display/display.h"
#include "display/pixel_format.h"
#include "display/text/glyph_sheet.h"
#include "platform/render_device.h"

class TD3DView;

struct TD3DDisplayOptions {
  using TDeviceFactory = std::function<std::unique_ptr<platform::RenderDevice>(const platform::DeviceCreateParams&,
                                                                               platform::DeviceResult&)>;
  // The window presented into; null renders to memory only.
  platform::WindowHandle window = nullptr;
  std::shared_ptr<platform::RenderFaults> faults;
  // Null: the platform's choice of device.
  TDeviceFactory createDevice;
  // Shown a fatal message; null: a message box, then exit status 1.
  std::function<void(const std::string&)> fatal;
};

class TDirect3D8Display : public TDisplay3D, public TTextureHost, public TGlyphSheetDevice {
 public:
  static constexpr int32_t kLostDeviceTests = 20;
  static constexpr uint32_t kLostDeviceWaitMs = 500;

  TDirect3D8Display(bool fullScreen, int32_t width, int32_t height, TD3DDisplayOptions options = {});
  ~TDirect3D8Display() override;
  TDirect3D8Display(const TDirect3D8Display&) = delete;
  TDirect3D8Display& operator=(const TDirect3D8Display&) = delete;

  // The 3D display needs nothing beyond the render device layer.
  static bool CheckCapability();

  // The view the display reads its zoom, scroll and flags from; may be null.
  void SetView(TD3DView* view) { view_ = view; }
  // The same with a view the display keeps for its lifetime.
  void AdoptView(std::unique_ptr<TD3DView> view);
  void RegisterVisualTypes(TVisualLibrary& library) override;

  bool Init(bool fullScreen, int32_t width, int32_t height) override;
  void Shutdown() override;
  void BeginFrame() override;
  void Present() override;
  int32_t GetWidth() const override { return viewport_.width; }
  int32_t GetHeight() const override { return viewport_.height; }
  bool IsFullScreen() const override { return fullScreen_; }
  bool Resize(int32_t width, int32_t height) override;
  void OnWindowMoved() override;
  void DrawVisual(TBarVisual* bar, const TVector3& position, bool onTop) override;
  void DrawBar(TWorldBar* /*bar*/, const TVector3& /*offset*/) override {}
  std::unique_ptr<TSurface> CreateSurface(const TSurfaceKey& key) override;
  // The rate as "<n> fps" in the style "^1" at the top-left corner.
  void DrawFps(int32_t framesPerSecond) override;
  // Text on this display is drawn by the fonts themselves: the display's own
  // text queue takes nothing and measures nothing.
  void DrawText(const std::string& /*text*/, int32_t /*x*/, int32_t /*y*/, const TColour& /*colour*/) override {}
  float GetTextWidth(const std::string& /*text*/, int32_t /*begin*/, int32_t /*end*/) override { return 0.0f; }
  float GetStringWidth(const std::string& /*text*/) override { return 0.0f; }
  float GetTextHeight(const std::string& /*text*/) override { return 0.0f; }
  void SetTextScale(float /*scale*/) override {}
  const TPixelFormat* GetPixelFormat() const override { return pixelFormat_.get(); }
  void Clear() override;
  int32_t BlitQuad(const TShape* /*quad*/, const TSurface* /*surface*/) override { return 0; }
  std::string GetConfigName() const override { return "3D.cfg"; }
  std::string GetTypeName() const override { return kDirect3DTypeName; }

  bool IsOffScreen(const TVector3& point, float marginX, float marginY) const override;
  void ToViewport(float* x, float* y) const override;
  TVector3 GetViewportOrigin() const override;
  int32_t GetColourDepth() const;

  // The vertex device of the shapes.
  void SetVertexFormat(uint32_t /*format*/) override {}
  void DrawPrimitiveUP(TPrimitiveType type, uint32_t primitiveCount, const TVertex* vertices,
                       uint32_t stride) override;
  void SetNoTexture() override { SetTexture(nullptr); }

  // What the textures need.
  platform::RenderDevice* GetRenderDevice() const override { return device_.get(); }
  const TPixelFormat* GetTexturePixelFormat() const override { return pixelFormat_.get(); }
  platform::TextureFormat GetBackBufferFormat() const override;
  bool IsHighTextureResolution() const override;
  void SetTexture(TD3D8Texture* texture) override;
  void DrawTexturedQuad(TShape* quad, TD3D8Texture* texture) override;
  void CopyToBackBuffer(TShape* quad, TD3D8Texture* texture) override;

  // What the glyph-sheet fonts need.
  int32_t GetMaxTextureWidth() const override;
  std::unique_ptr<TGlyphSheetTexture> CreateGlyphTexture(const TGlyphSheet& sheet) override;
  void DrawGlyphTriangles(const TGlyphSheetTexture& texture, const TVertex* vertices,
                          uint32_t vertexCount) override;

  void HandleDeviceLost();
  bool ResetDevice();
  const platform::PresentParameters& GetPresentParameters() const { return presentParameters_; }

 private:
  bool Fail(const std::string& message, const std::string& logLine);
  void Fatal(const std::string& message);
  void ApplyRenderStates();
  void MakePixelFormat();
  // The present parameters with the requested size filled in when there is
  // no window to take the size from.
  platform::PresentParameters DeviceParameters() const;

  TD3DDisplayOptions options_;
  std::unique_ptr<TD3DView> ownedView_;
  TD3DView* view_ = nullptr;
  std::unique_ptr<platform::RenderDevice> device_;
  platform::PresentParameters presentParameters_;
  const platform::RenderTexture* boundTexture_ = nullptr;
  std::unique_ptr<TPixelFormat> pixelFormat_;
  platform::Viewport viewport_;
  bool fullScreen_ = false;
  int32_t requestedWidth_ = 0;
  int32_t requestedHeight_ = 0;
};
