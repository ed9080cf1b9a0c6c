#include "platform/render_device.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/clock.h"
#include "platform/render_device_internal.h"

namespace platform {

namespace {

// Widens an n-bit channel to 8 bits by repeating its top bits, so that the
// largest value stays 255 and 0 stays 0.
uint32_t Widen(uint32_t value, int bits) {
  uint32_t result = value << (8 - bits);
  for (int filled = bits; filled < 8; filled += bits) {
    result |= result >> bits;
  }
  return result & 0xFFu;
}

uint32_t Channel(uint32_t texel, int shift, int bits) {
  return Widen((texel >> shift) & ((1u << bits) - 1u), bits);
}

uint32_t Pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

// Textures larger than this in either direction are refused, so that a size
// read from a file can never ask for gigabytes.
constexpr int32_t kLargestTexture = 8192;

}  // namespace

std::string DeviceResultName(DeviceResult result) {
  switch (result) {
    case DeviceResult::kOk: return "S_OK";
    case DeviceResult::kDeviceLost: return "D3DERR_DEVICELOST";
    case DeviceResult::kDeviceNotReset: return "D3DERR_DEVICENOTRESET";
    case DeviceResult::kInvalidCall: return "D3DERR_INVALIDCALL";
    case DeviceResult::kOutOfMemory: return "E_OUTOFMEMORY";
    case DeviceResult::kNotAvailable: return "D3DERR_NOTAVAILABLE";
  }
  return "E_FAIL";
}

int32_t BytesPerTexel(TextureFormat format) {
  switch (format) {
    case TextureFormat::kA8R8G8B8:
    case TextureFormat::kX8R8G8B8:
      return 4;
    case TextureFormat::kR5G6B5:
    case TextureFormat::kX1R5G5B5:
    case TextureFormat::kA1R5G5B5:
    case TextureFormat::kA4R4G4B4:
    case TextureFormat::kX4R4G4B4:
      return 2;
    case TextureFormat::kUnknown:
      break;
  }
  return 0;
}

uint32_t TexelToArgb(TextureFormat format, const uint8_t* texel) {
  uint32_t value = 0;
  if (BytesPerTexel(format) == 4) {
    std::memcpy(&value, texel, 4);
  } else {
    uint16_t small = 0;
    std::memcpy(&small, texel, 2);
    value = small;
  }
  switch (format) {
    case TextureFormat::kA8R8G8B8: return value;
    case TextureFormat::kX8R8G8B8: return value | 0xFF000000u;
    case TextureFormat::kR5G6B5:
      return Pack(255, Channel(value, 11, 5), Channel(value, 5, 6), Channel(value, 0, 5));
    case TextureFormat::kX1R5G5B5:
    case TextureFormat::kA1R5G5B5: {
      const uint32_t a = format == TextureFormat::kX1R5G5B5 || (value & 0x8000u) ? 255 : 0;
      return Pack(a, Channel(value, 10, 5), Channel(value, 5, 5), Channel(value, 0, 5));
    }
    case TextureFormat::kA4R4G4B4:
    case TextureFormat::kX4R4G4B4: {
      const uint32_t a = format == TextureFormat::kX4R4G4B4 ? 255 : Channel(value, 12, 4);
      return Pack(a, Channel(value, 8, 4), Channel(value, 4, 4), Channel(value, 0, 4));
    }
    case TextureFormat::kUnknown:
      break;
  }
  return 0;
}

// ---- textures ----

RenderTexture::RenderTexture(int32_t width, int32_t height, TextureFormat format, TexturePool pool,
                             std::shared_ptr<RenderFaults> faults)
    : width_(width),
      height_(height),
      format_(format),
      pool_(pool),
      pitch_((width * BytesPerTexel(format) + 3) & ~3),
      texels_(static_cast<size_t>(pitch_) * static_cast<size_t>(height), 0),
      faults_(std::move(faults)) {}

RenderTexture::~RenderTexture() = default;

DeviceResult RenderTexture::Lock(uint8_t*& bits, int32_t& pitch) {
  bits = nullptr;
  pitch = 0;
  if (locked_) return DeviceResult::kInvalidCall;
  if (faults_ && faults_->failLocks > 0) {
    --faults_->failLocks;
    return DeviceResult::kInvalidCall;
  }
  locked_ = true;
  bits = texels_.data();
  pitch = pitch_;
  return DeviceResult::kOk;
}

DeviceResult RenderTexture::Unlock() {
  if (!locked_) return DeviceResult::kInvalidCall;
  locked_ = false;
  ++revision_;
  return DeviceResult::kOk;
}

uint32_t RenderTexture::ArgbAt(int32_t x, int32_t y) const {
  const size_t offset = static_cast<size_t>(y) * static_cast<size_t>(pitch_) +
                        static_cast<size_t>(x) * static_cast<size_t>(BytesPerTexel(format_));
  return TexelToArgb(format_, texels_.data() + offset);
}

// ---- device base ----

RenderDevice::RenderDevice(std::shared_ptr<RenderFaults> faults)
    : faults_(faults ? std::move(faults) : std::make_shared<RenderFaults>()) {}

void RenderDevice::Sleep(uint32_t milliseconds) {
  faults_->sleeps.push_back(milliseconds);
  if (faults_->sleep) {
    faults_->sleep(milliseconds);
  } else {
    SleepMilliseconds(milliseconds);
  }
}

DeviceResult CheckTextureRequest(int32_t width, int32_t height, TextureFormat format,
                                 int32_t maxWidth, RenderFaults& faults) {
  if (width <= 0 || height <= 0 || width > maxWidth || height > maxWidth ||
      BytesPerTexel(format) == 0) {
    return DeviceResult::kInvalidCall;
  }
  if (faults.failTextureCreations > 0) {
    --faults.failTextureCreations;
    return DeviceResult::kOutOfMemory;
  }
  const auto powerOfTwo = [](int32_t n) { return (n & (n - 1)) == 0; };
  if (faults.refuseNonPowerOfTwo && !(powerOfTwo(width) && powerOfTwo(height))) {
    return DeviceResult::kInvalidCall;
  }
  return DeviceResult::kOk;
}

int32_t MaxTextureWidthFor(int32_t deviceLimit, const RenderFaults& faults) {
  const int32_t limit = deviceLimit < kLargestTexture ? deviceLimit : kLargestTexture;
  return faults.maxTextureWidth > 0 && faults.maxTextureWidth < limit ? faults.maxTextureWidth
                                                                      : limit;
}

// ---- what both back-ends share ----

DeviceResult DeviceBase::BeginScene() {
  if (inScene_) return DeviceResult::kInvalidCall;
  inScene_ = true;
  return DeviceResult::kOk;
}

DeviceResult DeviceBase::EndScene() {
  if (!inScene_) return DeviceResult::kInvalidCall;
  inScene_ = false;
  return DeviceResult::kOk;
}

DeviceResult DeviceBase::GetViewport(Viewport& viewport) const {
  const DeviceResult scripted = LossState::Scripted(faults_->viewportResults);
  if (!Succeeded(scripted)) return scripted;
  viewport = viewport_;
  return DeviceResult::kOk;
}

DeviceResult DeviceBase::SetViewport(const Viewport& viewport) {
  if (viewport.x < 0 || viewport.y < 0 || viewport.width <= 0 || viewport.height <= 0 ||
      viewport.width > width_ - viewport.x || viewport.height > height_ - viewport.y) {
    return DeviceResult::kInvalidCall;
  }
  viewport_ = viewport;
  OnViewportChanged();
  return DeviceResult::kOk;
}

DeviceResult DeviceBase::GetDisplayMode(DisplayMode& mode) const {
  return GetAdapterDisplayMode(mode, faults_.get());
}

DeviceResult DeviceBase::CreateTexture(int32_t width, int32_t height, TextureFormat format,
                                       TexturePool pool, std::unique_ptr<RenderTexture>& texture) {
  texture.reset();
  const DeviceResult check = CheckTextureRequest(width, height, format, MaxTextureWidth(), *faults_);
  if (!Succeeded(check)) return check;
  texture = std::make_unique<RenderTexture>(width, height, format, pool, faults_);
  return DeviceResult::kOk;
}

DeviceResult DeviceBase::CopyRects(const RenderTexture& source, const SourceRect& rect,
                                   int32_t destX, int32_t destY) {
  if (source.IsLocked()) return DeviceResult::kInvalidCall;
  if (loss_.IsLost()) return DeviceResult::kOk;
  const SourceRect cut =
      ClipCopy(rect, source.Width(), source.Height(), destX, destY, width_, height_);
  if (cut.right <= cut.left || cut.bottom <= cut.top) return DeviceResult::kOk;
  CopyClipped(source, cut, destX + cut.left - rect.left, destY + cut.top - rect.top);
  return DeviceResult::kOk;
}

DeviceResult DeviceBase::CheckDraw(PrimitiveType type, uint32_t primitiveCount,
                                   const void* vertices, uint32_t stride, bool& skip) const {
  skip = true;
  if (vertices == nullptr || stride < sizeof(RenderVertex) || primitiveCount == 0) {
    return DeviceResult::kInvalidCall;
  }
  if (type != PrimitiveType::kTriangleList && type != PrimitiveType::kTriangleStrip &&
      type != PrimitiveType::kTriangleFan) {
    return DeviceResult::kInvalidCall;
  }
  skip = loss_.IsLost();
  return DeviceResult::kOk;
}

bool DeviceBase::TakeBackBuffer(const PresentParameters& parameters, int32_t fallbackWidth,
                                int32_t fallbackHeight, int32_t limit) {
  int32_t width = parameters.backBufferWidth;
  int32_t height = parameters.backBufferHeight;
  if (width == 0 || height == 0) {
    width = fallbackWidth;
    height = fallbackHeight;
  }
  if (width <= 0 || height <= 0 || width > limit || height > limit) return false;
  width_ = width;
  height_ = height;
  format_ = BytesPerTexel(parameters.backBufferFormat) != 0 ? parameters.backBufferFormat
                                                            : TextureFormat::kX8R8G8B8;
  viewport_ = Viewport{0, 0, width, height, 0.0f, 1.0f};
  return true;
}

DeviceResult DeviceBase::Reset(const PresentParameters& parameters) {
  const DeviceResult allowed = loss_.BeforeReset();
  if (!Succeeded(allowed)) return allowed;
  if (!RemakeBackBuffer(parameters)) return DeviceResult::kInvalidCall;
  loss_.AfterReset();
  inScene_ = false;
  states_ = RenderStates{};
  texture_ = nullptr;
  return DeviceResult::kOk;
}

DeviceResult DeviceBase::Clear(uint32_t colour) {
  const DeviceResult scripted = LossState::Scripted(faults_->clearResults);
  if (!Succeeded(scripted)) return scripted;
  if (!loss_.IsLost()) FillViewport(colour);
  return DeviceResult::kOk;
}

DeviceResult GetAdapterDisplayMode(DisplayMode& mode, const RenderFaults* faults) {
  if (faults != nullptr && faults->failDisplayMode) return DeviceResult::kNotAvailable;
  mode = DisplayMode{};
  mode.width = 1024;
  mode.height = 768;
  SDL_DisplayMode desktop;
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0 && SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
    mode.width = desktop.w;
    mode.height = desktop.h;
    mode.refreshRate = desktop.refresh_rate;
    mode.format = SDL_BITSPERPIXEL(desktop.format) >= 24 ? TextureFormat::kX8R8G8B8
                                                         : TextureFormat::kR5G6B5;
  }
  if (faults != nullptr && faults->desktopFormat != TextureFormat::kUnknown) {
    mode.format = faults->desktopFormat;
  }
  return DeviceResult::kOk;
}

std::unique_ptr<RenderDevice> CreateRenderDevice(const DeviceCreateParams& params,
                                                 DeviceResult& result) {
  const char* forced = std::getenv("DVX_RENDER_DEVICE");
  const std::string choice = forced != nullptr ? forced : "";
  const bool wantOpenGL =
      choice == "opengl" || (choice != "software" && params.window != nullptr && !IsHeadless());
  if (wantOpenGL) {
    auto device = CreateOpenGLDevice(params, result);
    if (device) return device;
  }
  return CreateSoftwareDevice(params, result);
}

}  // namespace platform
