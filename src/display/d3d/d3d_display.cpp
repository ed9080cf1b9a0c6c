#include "display/d3d/d3d_display.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/log.h"
#include "app/message_box.h"
#include "display/d3d/d3d_view.h"
#include "display/d3d/d3d_visual_builders.h"
#include "display/text/font_manager.h"
#include "display/text/text_run.h"
#include "display/visuals/bar_visual.h"
#include "display/visuals/shape.h"

namespace {

bool IsThirtyTwoBit(platform::TextureFormat format) {
  return format == platform::TextureFormat::kA8R8G8B8 || format == platform::TextureFormat::kX8R8G8B8;
}

// A float truncated toward zero, saturated into int32 (NaN gives 0).
int32_t Truncated(float value) {
  if (!(value == value)) return 0;
  if (value <= -2147483648.0f) return INT32_MIN;
  if (value >= 2147483647.0f) return INT32_MAX;
  return static_cast<int32_t>(value);
}

// A glyph sheet's texels on the device.
class TD3DGlyphTexture : public TGlyphSheetTexture {
 public:
  explicit TD3DGlyphTexture(std::unique_ptr<platform::RenderTexture> texture) : texture_(std::move(texture)) {}
  const platform::RenderTexture& Get() const { return *texture_; }

 private:
  std::unique_ptr<platform::RenderTexture> texture_;
};

// Copies 16-bit texels row by row into a locked texture of the same size.
bool UploadTexels(platform::RenderTexture& texture, const std::vector<uint16_t>& texels) {
  const auto width = static_cast<std::size_t>(texture.Width());
  const auto height = static_cast<std::size_t>(texture.Height());
  if (texels.size() < width * height) return false;
  uint8_t* bits = nullptr;
  int32_t pitch = 0;
  if (!platform::Succeeded(texture.Lock(bits, pitch)) || bits == nullptr) return false;
  const std::size_t rowBytes = width * sizeof(uint16_t);
  const bool fits = pitch >= 0 && static_cast<std::size_t>(pitch) >= rowBytes;
  if (fits) {
    for (std::size_t row = 0; row < height; ++row) {
      std::memcpy(bits + row * static_cast<std::size_t>(pitch), texels.data() + row * width, rowBytes);
    }
  }
  return platform::Succeeded(texture.Unlock()) && fits;
}

}  // namespace

TDirect3D8Display::TDirect3D8Display(bool fullScreen, int32_t width, int32_t height, TD3DDisplayOptions options)
    : options_(std::move(options)), pixelFormat_(std::make_unique<TPixelFormat>()) {
  Init(fullScreen, width, height);
}

TDirect3D8Display::~TDirect3D8Display() { Shutdown(); }

void TDirect3D8Display::AdoptView(std::unique_ptr<TD3DView> view) {
  ownedView_ = std::move(view);
  view_ = ownedView_.get();
}

void TDirect3D8Display::RegisterVisualTypes(TVisualLibrary& library) {
  if (view_ != nullptr) RegisterDirect3DVisuals(library, *view_);
}

bool TDirect3D8Display::CheckCapability() {
  WriteLog("Checking Capability\n");
  return true;
}

bool TDirect3D8Display::Fail(const std::string& message, const std::string& logLine) {
  ShowMessageText(message);
  SetInitialised(false);
  WriteLog(logLine);
  return false;
}

void TDirect3D8Display::Fatal(const std::string& message) {
  if (options_.fatal) {
    options_.fatal(message);
    return;
  }
  ShowMessageText(message);
  std::exit(1);
}

platform::PresentParameters TDirect3D8Display::DeviceParameters() const {
  platform::PresentParameters parameters = presentParameters_;
  if (options_.window == nullptr && parameters.backBufferWidth == 0 && parameters.backBufferHeight == 0) {
    parameters.backBufferWidth = std::max<int32_t>(requestedWidth_, 1);
    parameters.backBufferHeight = std::max<int32_t>(requestedHeight_, 1);
  }
  return parameters;
}

bool TDirect3D8Display::Init(bool fullScreen, int32_t width, int32_t height) {
  WriteLog("Initialising Direct8 3D\n");
  requestedWidth_ = width;
  requestedHeight_ = height;
  platform::DisplayMode mode;
  if (!platform::Succeeded(platform::GetAdapterDisplayMode(mode, options_.faults.get()))) {
    return Fail("Failed to get adapter display mode.", "Failed to get adapter display mode\n");
  }
  presentParameters_ = platform::PresentParameters{};
  presentParameters_.windowed = !fullScreen;
  presentParameters_.swapEffect = 4;
  presentParameters_.backBufferFormat = mode.format;
  if (fullScreen) {
    presentParameters_.backBufferWidth = width;
    presentParameters_.backBufferHeight = height;
  }
  platform::DeviceCreateParams params;
  params.window = options_.window;
  params.present = DeviceParameters();
  params.faults = options_.faults;
  platform::DeviceResult result = platform::DeviceResult::kOk;
  device_ = options_.createDevice ? options_.createDevice(params, result) : platform::CreateRenderDevice(params, result);
  if (device_ == nullptr || !platform::Succeeded(result)) {
    device_.reset();
    return Fail("Failed to create Direct3D Device.", fullScreen ? "Failed to create full screen Direct3D Device.\n"
                                                                : "Failed to create Windowed Direct3D Device.\n");
  }
  fullScreen_ = fullScreen;
  ApplyRenderStates();
  Clear();
  MakePixelFormat();
  OnWindowMoved();
  WriteLog("Initialised Direct8 3D Successfully\n");
  return IsInitialised();
}

void TDirect3D8Display::Shutdown() {
  pixelFormat_.reset();
  boundTexture_ = nullptr;
  device_.reset();
}

void TDirect3D8Display::ApplyRenderStates() {
  platform::RenderStates states = device_->GetRenderStates();
  states.alphaBlend = true;
  states.srcBlend = platform::BlendFactor::kSrcAlpha;
  states.destBlend = platform::BlendFactor::kInvSrcAlpha;
  states.alphaOp = platform::TextureOp::kModulate;
  device_->SetRenderStates(states);
}

void TDirect3D8Display::MakePixelFormat() {
  auto format = std::make_unique<TPixelFormat>();
  platform::DisplayMode mode;
  if (device_ != nullptr) device_->GetDisplayMode(mode);
  if (IsThirtyTwoBit(mode.format)) {
    format->SetMask(TPixelFormat::kAlpha, 0xFF000000u);
    format->SetMask(TPixelFormat::kRed, 0x00FF0000u);
    format->SetMask(TPixelFormat::kGreen, 0x0000FF00u);
    format->SetMask(TPixelFormat::kBlue, 0x000000FFu);
    format->SetBitsPerPixel(32);
  } else {
    format->SetMask(TPixelFormat::kAlpha, 0xF000u);
    format->SetMask(TPixelFormat::kRed, 0x0F00u);
    format->SetMask(TPixelFormat::kGreen, 0x00F0u);
    format->SetMask(TPixelFormat::kBlue, 0x000Fu);
    format->SetBitsPerPixel(16);
  }
  pixelFormat_ = std::move(format);
}

int32_t TDirect3D8Display::GetColourDepth() const {
  platform::DisplayMode mode;
  if (device_ == nullptr || !platform::Succeeded(device_->GetDisplayMode(mode))) return 16;
  return IsThirtyTwoBit(mode.format) ? 32 : 16;
}

void TDirect3D8Display::BeginFrame() {
  if (device_ == nullptr) return;
  if (view_ == nullptr || view_->GetClearEachFrame()) Clear();
  device_->BeginScene();
}

void TDirect3D8Display::Present() {
  if (device_ == nullptr) return;
  device_->EndScene();
  const platform::DeviceResult result = device_->Present();
  if (result == platform::DeviceResult::kDeviceLost) {
    HandleDeviceLost();
  } else if (!platform::Succeeded(result)) {
    Fatal("Failed to update render target.");
  }
}

void TDirect3D8Display::HandleDeviceLost() {
  if (device_ == nullptr) return;
  platform::DeviceResult result = device_->TestCooperativeLevel();
  if (platform::Succeeded(result)) return;
  if (result == platform::DeviceResult::kDeviceLost) {
    for (int32_t test = 0; test < kLostDeviceTests; ++test) {
      result = device_->TestCooperativeLevel();
      device_->Sleep(kLostDeviceWaitMs);
      if (result != platform::DeviceResult::kDeviceLost) break;
    }
  }
  if (result != platform::DeviceResult::kDeviceNotReset) {
    Fatal("Failed to update render target.");
    return;
  }
  ResetDevice();
  if (!platform::Succeeded(device_->TestCooperativeLevel()) && view_ != nullptr) view_->RebuildDisplay();
  SetViewChanged(true);
}

bool TDirect3D8Display::ResetDevice() {
  if (device_ == nullptr || !platform::Succeeded(device_->Reset(DeviceParameters()))) return false;
  ApplyRenderStates();
  boundTexture_ = nullptr;
  OnWindowMoved();
  Clear();
  return true;
}

bool TDirect3D8Display::Resize(int32_t width, int32_t height) {
  if (width == 0 || height == 0) return true;
  presentParameters_.backBufferWidth = width;
  presentParameters_.backBufferHeight = height;
  return ResetDevice();
}

void TDirect3D8Display::OnWindowMoved() {
  if (device_ == nullptr) return;
  platform::Viewport viewport;
  if (!platform::Succeeded(device_->GetViewport(viewport))) {
    Fatal("Failed to obtain viewport.");
    return;
  }
  viewport_ = viewport;
}

void TDirect3D8Display::Clear() {
  if (device_ == nullptr) return;
  if (!platform::Succeeded(device_->Clear(0xFF000000u))) Fatal("Failed to clear DirectX render target.");
}

std::unique_ptr<TSurface> TDirect3D8Display::CreateSurface(const TSurfaceKey& key) {
  return std::make_unique<TD3D8Texture>(*this, key);
}

void TDirect3D8Display::DrawFps(int32_t framesPerSecond) {
  const TFontManager* fonts = view_ != nullptr ? view_->GetFontManager() : nullptr;
  if (device_ == nullptr || fonts == nullptr) return;
  char text[32];
  std::snprintf(text, sizeof text, "%d fps", framesPerSecond);
  const std::unique_ptr<TTextRun> run = TTextRun::Layout(*fonts, "^1", text);
  if (run != nullptr) run->DrawOnBaseline(0.0f, 0.0f);
}

int32_t TDirect3D8Display::GetMaxTextureWidth() const {
  return device_ != nullptr ? device_->MaxTextureWidth() : 0;
}

std::unique_ptr<TGlyphSheetTexture> TDirect3D8Display::CreateGlyphTexture(const TGlyphSheet& sheet) {
  if (device_ == nullptr || sheet.GetWidth() <= 0 || sheet.GetHeight() <= 0) return nullptr;
  std::unique_ptr<platform::RenderTexture> texture;
  const platform::DeviceResult result =
      device_->CreateTexture(sheet.GetWidth(), sheet.GetHeight(), platform::TextureFormat::kA4R4G4B4,
                             platform::TexturePool::kManaged, texture);
  if (!platform::Succeeded(result) || texture == nullptr) {
    WriteLog("Failed to create the texture of font " + sheet.GetFace() + ": " + platform::DeviceResultName(result) +
             "\n");
    return nullptr;
  }
  if (!UploadTexels(*texture, sheet.GetTexels())) {
    WriteLog("Failed to fill the texture of font " + sheet.GetFace() + "\n");
    return nullptr;
  }
  return std::make_unique<TD3DGlyphTexture>(std::move(texture));
}

void TDirect3D8Display::DrawGlyphTriangles(const TGlyphSheetTexture& texture, const TVertex* vertices,
                                           uint32_t vertexCount) {
  const auto* glyphs = dynamic_cast<const TD3DGlyphTexture*>(&texture);
  if (device_ == nullptr || glyphs == nullptr || vertices == nullptr || vertexCount < 3) return;
  const platform::RenderStates saved = device_->GetRenderStates();
  platform::RenderStates states = saved;
  states.alphaBlend = true;
  states.srcBlend = platform::BlendFactor::kSrcAlpha;
  states.destBlend = platform::BlendFactor::kInvSrcAlpha;
  states.alphaTest = true;
  states.alphaRef = 8;
  states.alphaFunc = platform::CompareFunction::kGreaterEqual;
  states.colourOp = platform::TextureOp::kModulate;
  states.alphaOp = platform::TextureOp::kModulate;
  device_->SetRenderStates(states);
  device_->SetTexture(&glyphs->Get());
  device_->DrawPrimitiveUP(platform::PrimitiveType::kTriangleList, vertexCount / 3, vertices, sizeof(TVertex));
  // The textures of the visuals expect their own binding and state back.
  device_->SetTexture(boundTexture_);
  device_->SetRenderStates(saved);
}

bool TDirect3D8Display::IsOffScreen(const TVector3& point, float marginX, float marginY) const {
  const auto width = static_cast<float>(GetWidth());
  const auto height = static_cast<float>(GetHeight());
  return point.x < -marginX || point.y < -marginY || point.x > width + marginX || point.y > height + marginY;
}

void TDirect3D8Display::ToViewport(float* x, float* y) const {
  *x -= static_cast<float>(viewport_.x);
  *y -= static_cast<float>(viewport_.y);
}

TVector3 TDirect3D8Display::GetViewportOrigin() const {
  return {static_cast<float>(viewport_.x), static_cast<float>(viewport_.y), 0.0f};
}

void TDirect3D8Display::DrawPrimitiveUP(TPrimitiveType type, uint32_t primitiveCount, const TVertex* vertices,
                                        uint32_t stride) {
  if (device_ == nullptr || vertices == nullptr) return;
  device_->DrawPrimitiveUP(static_cast<platform::PrimitiveType>(type), primitiveCount, vertices, stride);
}

platform::TextureFormat TDirect3D8Display::GetBackBufferFormat() const {
  return device_ != nullptr ? device_->BackBufferFormat() : platform::TextureFormat::kUnknown;
}

bool TDirect3D8Display::IsHighTextureResolution() const {
  return view_ == nullptr || view_->GetTextureResolutionFlag();
}

void TDirect3D8Display::SetTexture(TD3D8Texture* texture) {
  if (device_ == nullptr) return;
  if (texture == nullptr) {
    boundTexture_ = nullptr;
    device_->SetTexture(nullptr);
    return;
  }
  const platform::RenderTexture* deviceTexture = texture->GetDeviceTexture();
  if (deviceTexture == boundTexture_) return;
  boundTexture_ = deviceTexture;
  device_->SetTexture(deviceTexture);
}

void TDirect3D8Display::DrawTexturedQuad(TShape* quad, TD3D8Texture* texture) {
  SetTexture(texture);
  if (quad != nullptr) quad->Draw();
}

void TDirect3D8Display::CopyToBackBuffer(TShape* quad, TD3D8Texture* texture) {
  if (device_ == nullptr || quad == nullptr || texture == nullptr || texture->GetDeviceTexture() == nullptr) return;
  const platform::RenderTexture& source = *texture->GetDeviceTexture();
  const int32_t width = texture->GetImageWidth() != 0 ? texture->GetImageWidth() : source.Width();
  const int32_t height = texture->GetImageHeight() != 0 ? texture->GetImageHeight() : source.Height();
  platform::SourceRect rect;
  rect.left = Truncated(quad->GetU(0) * static_cast<float>(width));
  rect.right = Truncated(quad->GetU(3) * static_cast<float>(width));
  rect.top = Truncated(quad->GetV(0) * static_cast<float>(height));
  rect.bottom = Truncated(quad->GetV(3) * static_cast<float>(height));
  int32_t x = Truncated(quad->GetX(0));
  int32_t y = Truncated(quad->GetY(0));
  if (x < 0) {
    rect.left = -x;
    x = 0;
  }
  if (y < 0) {
    rect.top = -y;
    y = 0;
  }
  const int64_t backWidth = device_->BackBufferWidth();
  const int64_t backHeight = device_->BackBufferHeight();
  if (int64_t{x} - rect.left + rect.right > backWidth) rect.right = static_cast<int32_t>(backWidth - x + rect.left);
  if (int64_t{y} - rect.top + rect.bottom > backHeight) rect.bottom = static_cast<int32_t>(backHeight - y + rect.top);
  // Texture coordinates past the texels must not read beyond them.
  rect.right = std::min(rect.right, source.Width());
  rect.bottom = std::min(rect.bottom, source.Height());
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  device_->CopyRects(source, rect, x, y);
}

void TDirect3D8Display::DrawVisual(TBarVisual* bar, const TVector3& position, bool onTop) {
  if (device_ == nullptr || bar == nullptr) return;
  TVector3 point = position;
  if (!onTop) point = TVector3(static_cast<float>(position.ScreenX()), static_cast<float>(position.ScreenY()), 0.0f);
  if (view_ != nullptr) view_->SubtractScrollOffset(point);
  const float zoom = view_ != nullptr ? view_->GetZoom() : 1.0f;
  const float length = bar->GetSize().x;
  if (IsOffScreen(point, zoom * length, zoom * length)) return;
  const float sx = static_cast<float>(Truncated(point.x) - viewport_.x);
  const float sy = static_cast<float>(Truncated(point.y) - viewport_.y);
  TVector3 along = bar->GetDirection();
  along.Normalise();
  TVector3 across(along.y, -along.x, 0.0f);
  across.Normalise();
  across.Scale(zoom * bar->GetSize().y * 0.5f);
  along.Scale(zoom * length);
  QuadDD8 quad(this);
  quad.SetVertex(0, sx + across.x, sy + across.y, 0xFFFFFFFFu, 0.0f, 0.0f);
  quad.SetVertex(1, sx + across.x + along.x, sy + across.y + along.y, 0xFFFFFFFFu, 1.0f, 0.0f);
  quad.SetVertex(2, sx - across.x, sy - across.y, 0xFFFFFFFFu, 0.0f, 1.0f);
  quad.SetVertex(3, sx - across.x + along.x, sy - across.y + along.y, 0xFFFFFFFFu, 1.0f, 1.0f);
  for (int32_t i = 0; i < 4; ++i) {
    if (const TColour* colour = bar->GetVertexColour(i)) quad.SetColour(i, colour->ToARGB());
  }
  SetTexture(nullptr);
  quad.Draw();
}
