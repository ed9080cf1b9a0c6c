// Pieces both device back-ends share; not for code outside src/platform/.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/render_device.h"

namespace platform {

// Checks a texture request against the device's limit and the injected
// faults: kOk, kInvalidCall or kOutOfMemory.
DeviceResult CheckTextureRequest(int32_t width, int32_t height, TextureFormat format,
                                 int32_t maxWidth, RenderFaults& faults);
// The device's texture size limit, lowered by an injected one.
int32_t MaxTextureWidthFor(int32_t deviceLimit, const RenderFaults& faults);

// One vertex as the back-ends read it from a caller's array.
inline RenderVertex VertexAt(const void* vertices, uint32_t stride, uint32_t index) {
  RenderVertex vertex;
  std::memcpy(&vertex, static_cast<const uint8_t*>(vertices) + static_cast<size_t>(stride) * index,
              sizeof vertex);
  return vertex;
}

// Calls emit(i0, i1, i2) for each triangle of a list, strip or fan; false for
// an unknown type.
template <typename Emit>
bool ForEachTriangle(PrimitiveType type, uint32_t count, Emit&& emit) {
  for (uint32_t t = 0; t < count; ++t) {
    switch (type) {
      case PrimitiveType::kTriangleList: emit(3 * t, 3 * t + 1, 3 * t + 2); break;
      case PrimitiveType::kTriangleStrip: emit(t, t + 1, t + 2); break;
      case PrimitiveType::kTriangleFan: emit(0, t + 1, t + 2); break;
      default: return false;
    }
  }
  return true;
}

// Vertices a primitive count needs.
inline uint64_t VerticesFor(PrimitiveType type, uint32_t count) {
  return type == PrimitiveType::kTriangleList ? 3ull * count : count + 2ull;
}

// The lost/ready state both back-ends keep, with the scripted results of the
// fault injection taken first.
class LossState {
 public:
  explicit LossState(RenderFaults& faults) : faults_(faults) {}

  bool IsLost() const { return lost_; }

  // kOk when the frame may be shown; a scripted kDeviceLost loses the device.
  DeviceResult BeforePresent() {
    DeviceResult scripted;
    if (Take(faults_.presentResults, scripted)) {
      if (scripted == DeviceResult::kDeviceLost) lost_ = true;
      if (!Succeeded(scripted)) return scripted;
    }
    return lost_ ? DeviceResult::kDeviceLost : DeviceResult::kOk;
  }

  DeviceResult CooperativeLevel() {
    DeviceResult scripted;
    if (Take(faults_.cooperativeResults, scripted)) return scripted;
    return lost_ ? DeviceResult::kDeviceNotReset : DeviceResult::kOk;
  }

  // kOk when the reset may go ahead.
  DeviceResult BeforeReset() { return Scripted(faults_.resetResults); }
  void AfterReset() { lost_ = false; }

  // A scripted failure of a call, or kOk.
  static DeviceResult Scripted(std::deque<DeviceResult>& queue) {
    DeviceResult scripted;
    return Take(queue, scripted) ? scripted : DeviceResult::kOk;
  }

 private:
  static bool Take(std::deque<DeviceResult>& queue, DeviceResult& result) {
    if (queue.empty()) return false;
    result = queue.front();
    queue.pop_front();
    return true;
  }

  RenderFaults& faults_;
  bool lost_ = false;
};

// The part of a copy that lands inside both the source texture and a back
// buffer of the given size; empty (right <= left) when nothing does.
inline SourceRect ClipCopy(const SourceRect& rect, int32_t sourceWidth, int32_t sourceHeight,
                           int32_t destX, int32_t destY, int32_t targetWidth, int32_t targetHeight) {
  const auto clampEdge = [](int64_t v) {
    return static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : (v > INT32_MAX ? INT32_MAX : v));
  };
  SourceRect cut = rect;
  cut.left = std::max({cut.left, 0, clampEdge(int64_t{rect.left} - destX)});
  cut.top = std::max({cut.top, 0, clampEdge(int64_t{rect.top} - destY)});
  cut.right = std::min({cut.right, sourceWidth, clampEdge(int64_t{targetWidth} - destX + rect.left)});
  cut.bottom =
      std::min({cut.bottom, sourceHeight, clampEdge(int64_t{targetHeight} - destY + rect.top)});
  return cut;
}

// What the two back-ends do alike: scenes, the viewport, states, texture
// creation and binding, argument checks and the loss state.
class DeviceBase : public RenderDevice {
 public:
  DeviceResult BeginScene() override;
  DeviceResult EndScene() override;
  DeviceResult TestCooperativeLevel() override { return loss_.CooperativeLevel(); }
  DeviceResult Reset(const PresentParameters& parameters) override;
  DeviceResult Clear(uint32_t colour) override;
  DeviceResult CopyRects(const RenderTexture& source, const SourceRect& rect, int32_t destX,
                         int32_t destY) override;
  DeviceResult GetViewport(Viewport& viewport) const override;
  DeviceResult SetViewport(const Viewport& viewport) override;
  DeviceResult GetDisplayMode(DisplayMode& mode) const override;
  TextureFormat BackBufferFormat() const override { return format_; }
  int32_t BackBufferWidth() const override { return width_; }
  int32_t BackBufferHeight() const override { return height_; }
  DeviceResult CreateTexture(int32_t width, int32_t height, TextureFormat format, TexturePool pool,
                             std::unique_ptr<RenderTexture>& texture) override;
  void SetTexture(const RenderTexture* texture) override { texture_ = texture; }
  void SetRenderStates(const RenderStates& states) override { states_ = states; }
  const RenderStates& GetRenderStates() const override { return states_; }

 protected:
  explicit DeviceBase(std::shared_ptr<RenderFaults> faults) : RenderDevice(std::move(faults)) {}

  // Checks a draw call: kOk to draw, otherwise the result to return (a lost
  // device swallows drawing with kOk, and skip is set).
  DeviceResult CheckDraw(PrimitiveType type, uint32_t primitiveCount, const void* vertices,
                         uint32_t stride, bool& skip) const;
  // The new back buffer's size and format, from the parameters or, for 0 x 0,
  // the fallback size; false when unusable.
  bool TakeBackBuffer(const PresentParameters& parameters, int32_t fallbackWidth,
                      int32_t fallbackHeight, int32_t limit);
  // The back-end's part of a reset: a new back buffer; false when it cannot
  // be made.
  virtual bool RemakeBackBuffer(const PresentParameters& parameters) = 0;
  // The back-end's part of a clear: the viewport filled with the colour.
  virtual void FillViewport(uint32_t colour) = 0;
  // The back-end's part of a copy: the texels of `cut` (inside the texture and
  // landing inside the back buffer) to (destX, destY) and on.
  virtual void CopyClipped(const RenderTexture& source, const SourceRect& cut, int32_t destX,
                           int32_t destY) = 0;
  virtual void OnViewportChanged() {}

  int32_t width_ = 0;
  int32_t height_ = 0;
  TextureFormat format_ = TextureFormat::kX8R8G8B8;
  Viewport viewport_;
  RenderStates states_;
  const RenderTexture* texture_ = nullptr;
  bool inScene_ = false;
  LossState loss_{*faults_};
};

}  // namespace platform
