// Shows finished frames of 32-bit X8R8G8B8 pixels in the main window through
// one streaming texture; when headless the last frame stays in memory where it
// can be read back or written as PNG.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/window.h"

namespace platform {

class FramePresenter {
 public:
  FramePresenter();
  ~FramePresenter();
  FramePresenter(const FramePresenter&) = delete;
  FramePresenter& operator=(const FramePresenter&) = delete;

  // Opens on the window with a frame of the given size. False when the window
  // system cannot draw into the window.
  bool Open(WindowHandle window, int32_t width, int32_t height);
  void Close();
  bool IsOpen() const;
  bool Resize(int32_t width, int32_t height);

  // Shows the pixels (rows of `pitch` bytes); paces to about 60 frames a
  // second when the driver does not wait for the vertical blank itself.
  bool Present(const uint32_t* pixels, int32_t width, int32_t height, int32_t pitch);

  // The last frame presented (X8R8G8B8, tightly packed).
  const std::vector<uint32_t>& LastFrame() const { return lastFrame_; }
  int32_t LastWidth() const { return lastWidth_; }
  int32_t LastHeight() const { return lastHeight_; }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::vector<uint32_t> lastFrame_;
  int32_t lastWidth_ = 0;
  int32_t lastHeight_ = 0;
  uint64_t lastPresentTick_ = 0;
};

}  // namespace platform
