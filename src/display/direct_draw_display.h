// The 2D display: software surfaces presented to the main window.
#pragma once

#include <vector>

#include "display/display.h"
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
  void Clear() override;
  std::string GetConfigName() const override { return "2D.cfg"; }
  std::string GetTypeName() const override { return TypeName(); }

  // The back buffer, X8R8G8B8.
  std::vector<uint32_t>& BackBuffer() { return backBuffer_; }
  const platform::FramePresenter& GetPresenter() const { return presenter_; }

 private:
  platform::FramePresenter presenter_;
  std::vector<uint32_t> backBuffer_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  bool fullScreen_ = false;
};
