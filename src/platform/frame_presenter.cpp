#include "platform/frame_presenter.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

#include "platform/clock.h"
#include "platform/png_file.h"
#include "platform/sdl_window.h"

namespace platform {

namespace {

constexpr uint64_t kFrameMilliseconds = 16;

}  // namespace

struct FramePresenter::Impl {
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  bool vsync = false;
  int32_t width = 0;
  int32_t height = 0;

  ~Impl() {
    if (texture != nullptr) SDL_DestroyTexture(texture);
    if (renderer != nullptr) SDL_DestroyRenderer(renderer);
  }

  bool MakeTexture(int32_t w, int32_t h) {
    if (texture != nullptr) SDL_DestroyTexture(texture);
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, w, h);
    width = w;
    height = h;
    return texture != nullptr;
  }
};

FramePresenter::FramePresenter() = default;

FramePresenter::~FramePresenter() {
  // DVX_SCREENSHOT names a PNG file that receives the last frame shown, so
  // that a scripted run leaves a picture of where it ended.
  const char* screenshot = std::getenv("DVX_SCREENSHOT");
  if (screenshot != nullptr && *screenshot != '\0' && !lastFrame_.empty()) {
    WritePng(screenshot, lastFrame_, lastWidth_, lastHeight_);
  }
}

bool FramePresenter::Open(WindowHandle window, int32_t width, int32_t height) {
  Close();
  if (width <= 0 || height <= 0) return false;
  SDL_Window* sdlWindow = GetSdlWindow(window);
  if (sdlWindow == nullptr) return false;
  auto impl = std::make_unique<Impl>();
  // Software rendering onto the window's own framebuffer works under every
  // driver, the offscreen one included, and needs no GL stack behind it.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  impl->renderer = SDL_CreateRenderer(sdlWindow, -1, SDL_RENDERER_SOFTWARE);
  if (impl->renderer == nullptr) return false;
  SDL_RendererInfo info;
  impl->vsync = SDL_GetRendererInfo(impl->renderer, &info) == 0 &&
                (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
  if (!impl->MakeTexture(width, height)) return false;
  impl_ = std::move(impl);
  return true;
}

void FramePresenter::Close() { impl_.reset(); }

bool FramePresenter::IsOpen() const { return impl_ != nullptr; }

bool FramePresenter::Resize(int32_t width, int32_t height) {
  if (!impl_ || width <= 0 || height <= 0) return false;
  return impl_->MakeTexture(width, height);
}

bool FramePresenter::Present(const uint32_t* pixels, int32_t width, int32_t height, int32_t pitch) {
  if (pixels == nullptr || width <= 0 || height <= 0 || pitch < width * 4) return false;
  lastFrame_.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int32_t row = 0; row < height; ++row) {
    const auto* source = reinterpret_cast<const uint8_t*>(pixels) + static_cast<std::size_t>(row) * pitch;
    std::memcpy(&lastFrame_[static_cast<std::size_t>(row) * width], source,
                static_cast<std::size_t>(width) * 4);
  }
  lastWidth_ = width;
  lastHeight_ = height;

  bool shown = true;
  if (impl_) {
    if (impl_->width != width || impl_->height != height) impl_->MakeTexture(width, height);
    shown = impl_->texture != nullptr && SDL_UpdateTexture(impl_->texture, nullptr, pixels, pitch) == 0 &&
            SDL_RenderCopy(impl_->renderer, impl_->texture, nullptr, nullptr) == 0;
    SDL_RenderPresent(impl_->renderer);
  }

  // Without a vertical-blank wait the frame loop would take a whole core.
  if (!impl_ || !impl_->vsync) {
    const uint64_t now = GetTickMilliseconds();
    const uint64_t due = lastPresentTick_ + kFrameMilliseconds;
    if (lastPresentTick_ != 0 && now < due) SleepMilliseconds(static_cast<uint32_t>(due - now));
    lastPresentTick_ = GetTickMilliseconds();
  }
  return shown;
}

}  // namespace platform
