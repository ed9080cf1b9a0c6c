// The software device: the back buffer is a block of X8R8G8B8 pixels in
// memory, drawn by the rasteriser and shown through the frame presenter (or
// kept in memory when there is no window).
#include <SDL.h>

#include <algorithm>

#include "platform/frame_presenter.h"
#include "platform/render_device.h"
#include "platform/render_device_internal.h"
#include "platform/render_device_raster.h"
#include "platform/sdl_window.h"

namespace platform {

namespace {

constexpr int32_t kSoftwareTextureLimit = 4096;
constexpr int32_t kLargestBackBuffer = 16384;

class SoftwareDevice final : public DeviceBase {
 public:
  SoftwareDevice(const DeviceCreateParams& params, std::shared_ptr<RenderFaults> faults)
      : DeviceBase(std::move(faults)), window_(params.window) {}

  bool Start(const PresentParameters& parameters) { return MakeBackBuffer(parameters); }

  RenderBackend Backend() const override { return RenderBackend::kSoftware; }

  DeviceResult Present() override {
    const DeviceResult allowed = loss_.BeforePresent();
    if (!Succeeded(allowed)) return allowed;
    if (presenter_.IsOpen()) {
      presenter_.Present(pixels_.data(), width_, height_, width_ * 4);
    }
    return DeviceResult::kOk;
  }

  bool RemakeBackBuffer(const PresentParameters& parameters) override {
    return MakeBackBuffer(parameters);
  }

  void FillViewport(uint32_t colour) override {
    const RasterTarget target = Target();
    for (int32_t y = target.clipTop; y < target.clipBottom; ++y) {
      uint32_t* row = pixels_.data() + static_cast<size_t>(y) * width_;
      std::fill(row + target.clipLeft, row + target.clipRight, colour);
    }
  }

  int32_t MaxTextureWidth() const override {
    return MaxTextureWidthFor(kSoftwareTextureLimit, *faults_);
  }

  DeviceResult DrawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount, const void* vertices,
                               uint32_t stride) override {
    bool skip = true;
    const DeviceResult check = CheckDraw(type, primitiveCount, vertices, stride, skip);
    if (skip) return check;
    const RasterTarget target = Target();
    // A texture being written is not read.
    const RenderTexture* texture = texture_ != nullptr && !texture_->IsLocked() ? texture_ : nullptr;
    ForEachTriangle(type, primitiveCount, [&](uint32_t i0, uint32_t i1, uint32_t i2) {
      RasterTriangle(target, VertexAt(vertices, stride, i0), VertexAt(vertices, stride, i1),
                     VertexAt(vertices, stride, i2), states_, texture);
    });
    return DeviceResult::kOk;
  }

  void CopyClipped(const RenderTexture& source, const SourceRect& cut, int32_t destX,
                   int32_t destY) override {
    for (int32_t y = cut.top; y < cut.bottom; ++y) {
      uint32_t* row = pixels_.data() + static_cast<size_t>(destY + y - cut.top) * width_ + destX;
      for (int32_t x = cut.left; x < cut.right; ++x) row[x - cut.left] = source.ArgbAt(x, y);
    }
  }

  bool ReadBackBuffer(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height) override {
    pixels.resize(pixels_.size());
    std::transform(pixels_.begin(), pixels_.end(), pixels.begin(),
                   [](uint32_t p) { return p | 0xFF000000u; });
    width = width_;
    height = height_;
    return true;
  }

 private:
  RasterTarget Target() {
    RasterTarget target;
    target.pixels = pixels_.data();
    target.pitch = width_;
    target.clipLeft = viewport_.x;
    target.clipTop = viewport_.y;
    target.clipRight = viewport_.x + viewport_.width;
    target.clipBottom = viewport_.y + viewport_.height;
    return target;
  }

  bool MakeBackBuffer(const PresentParameters& parameters) {
    int32_t fallbackWidth = 0, fallbackHeight = 0;
    if (SDL_Window* window = GetSdlWindow(window_); window != nullptr) {
      SDL_GetWindowSize(window, &fallbackWidth, &fallbackHeight);
    } else {
      DisplayMode mode;
      GetAdapterDisplayMode(mode, faults_.get());
      fallbackWidth = mode.width;
      fallbackHeight = mode.height;
    }
    if (!TakeBackBuffer(parameters, fallbackWidth, fallbackHeight, kLargestBackBuffer)) return false;
    pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0xFF000000u);
    if (window_ != nullptr) {
      if (presenter_.IsOpen()) {
        presenter_.Resize(width_, height_);
      } else {
        presenter_.Open(window_, width_, height_);
      }
    }
    return true;
  }

  WindowHandle window_;
  FramePresenter presenter_;
  std::vector<uint32_t> pixels_;
};

}  // namespace

std::unique_ptr<RenderDevice> CreateSoftwareDevice(const DeviceCreateParams& params,
                                                   DeviceResult& result) {
  auto faults = params.faults ? params.faults : std::make_shared<RenderFaults>();
  if (faults->failDeviceCreation) {
    result = DeviceResult::kNotAvailable;
    return nullptr;
  }
  auto device = std::make_unique<SoftwareDevice>(params, faults);
  if (!device->Start(params.present)) {
    result = DeviceResult::kInvalidCall;
    return nullptr;
  }
  result = DeviceResult::kOk;
  return device;
}

}  // namespace platform
