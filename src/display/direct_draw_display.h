// The 2D display: software surfaces presented to the main window.
#pragma once

#include <vector>

#include "display/display.h"
#include "display/pixel_format.h"
#include "platform/frame_presenter.h"

class TDirectDrawDisplay : public TDisplay {
 public:
  TDirectDrawDisplay(bool fullScreen, int32_t width, int32_t height);
  ~TDirectDrawDisplay() override;

  static const char* TypeName() { return "DIRECTDRAW_2D"; }

  bool Init(bool fullScreen, int32_t width, int32_t height) override;
  void Shutdown() override;
  void BeginFrame() override;
  void Present() override;
  int32_t GetWidth() const override { return width_; }
  int32_t GetHeight() const override { return height_; }
  bool IsFullScreen() const override { return fullScreen_; }
  bool Resize(int32_t width, int32_t height) override;
  void OnWindowMoved() override;
  void DrawVisual(TBarVisual* bar, const TVector3& position, bool onTop) override;
  void DrawBar(TWorldBar* bar, const TVector3& offset) override;
  std::unique_ptr<TSurface> CreateSurface(const TSurfaceKey& key) override;
  // Blanks the corner where the rate is shown.
  void DrawFps(int32_t framesPerSecond) override;
  const TPixelFormat* GetPixelFormat() const override { return &pixelFormat_; }
  void Clear() override;
  int32_t BlitQuad(const TShape* quad, const TSurface* surface) override;
  std::string GetConfigName() const override { return "2D.cfg"; }
  std::string GetTypeName() const override { return TypeName(); }

  // The back buffer, X8R8G8B8.
  std::vector<uint32_t>& BackBuffer() { return backBuffer_; }
  const platform::FramePresenter& GetPresenter() const { return presenter_; }

 private:
  platform::FramePresenter presenter_;
  TPixelFormat pixelFormat_ = TPixelFormat::MaskedX8R8G8B8();
  std::vector<uint32_t> backBuffer_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  bool fullScreen_ = false;
};

// How a quad (the rectangle of its vertices 0 and 3, texture coordinates
// scaled by the surface size) can be copied onto a target of the given size:
// 0 not at all, 1 with clipping or scaling, 2 by a plain copy.
int32_t ClassifyQuadBlit(const TShape& quad, int32_t surfaceWidth, int32_t surfaceHeight, int32_t targetWidth,
                         int32_t targetHeight);
