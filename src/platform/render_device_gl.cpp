// The OpenGL device: draws into a frame-buffer object the size of the back
// buffer (so read-back works for hidden windows too) and shows it in the window
// on Present. Screen positions keep the pixel-centre convention of the
// software device through a projection shifted by half a pixel.
#include <SDL.h>
#include <SDL_opengl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/png_file.h"
#include "platform/render_device.h"
#include "platform/render_device_gl_api.h"
#include "platform/render_device_internal.h"
#include "platform/sdl_window.h"

namespace platform {

namespace {

// What a texture keeps on the GL side: its name and the revision uploaded.
struct GlTexture final : RenderTexture::BackendData {
  GlTexture(std::shared_ptr<GlContextLink> link) : link(std::move(link)) {}
  ~GlTexture() override {
    if (name != 0 && link->alive) link->api.DeleteTextures(1, &name);
  }
  std::shared_ptr<GlContextLink> link;
  GLuint name = 0;
  uint64_t revision = UINT64_MAX;
  GLint wrapS = 0;
  GLint wrapT = 0;
};

GLenum ToGl(BlendFactor factor) {
  switch (factor) {
    case BlendFactor::kZero: return GL_ZERO;
    case BlendFactor::kOne: return GL_ONE;
    case BlendFactor::kSrcAlpha: return GL_SRC_ALPHA;
    case BlendFactor::kInvSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
  }
  return GL_ONE;
}

GLint ToGl(TextureAddress address) {
  return address == TextureAddress::kWrap ? GL_REPEAT : GL_CLAMP_TO_EDGE;
}

class OpenGLDevice final : public DeviceBase {
 public:
  explicit OpenGLDevice(std::shared_ptr<RenderFaults> faults) : DeviceBase(std::move(faults)) {}

  ~OpenGLDevice() override {
    WriteScreenshot();
    if (context_ != nullptr) MakeCurrent();
    if (link_) {
      if (link_->alive) {
        gl_.DeleteTextures(1, &white_);
        gl_.DeleteTextures(1, &scratch_);
        gl_.DeleteTextures(1, &colourTexture_);
        gl_.DeleteFramebuffers(1, &framebuffer_);
      }
      link_->alive = false;
    }
    program_.reset();
    buffers_.reset();
    if (context_ != nullptr) SDL_GL_DeleteContext(context_);
    if (ownWindow_ != nullptr) SDL_DestroyWindow(ownWindow_);
    if (startedVideo_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  DeviceResult Start(const DeviceCreateParams& params) {
    if (!OpenWindow(params)) return DeviceResult::kNotAvailable;
    context_ = CreateContext(window_, core_);
    if (context_ == nullptr) return DeviceResult::kNotAvailable;
    if (!gl_.Load(core_)) return DeviceResult::kNotAvailable;
    link_ = std::make_shared<GlContextLink>(gl_);
    program_ = std::make_unique<GlProgram>(gl_, core_);
    if (!program_->Ok()) return DeviceResult::kNotAvailable;
    buffers_ = std::make_unique<GlVertexStream>(gl_, core_);
    gl_.GetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture_);
    SDL_GL_SetSwapInterval(1);
    MakeWhiteTexture();
    gl_.GenTextures(1, &scratch_);
    if (!MakeBackBuffer(params.present)) return DeviceResult::kNotAvailable;
    return DeviceResult::kOk;
  }

  RenderBackend Backend() const override { return RenderBackend::kOpenGL; }

  DeviceResult Present() override {
    const DeviceResult allowed = loss_.BeforePresent();
    if (!Succeeded(allowed)) return allowed;
    MakeCurrent();
    KeepFrameForScreenshot();
    int drawableWidth = 0, drawableHeight = 0;
    SDL_GL_GetDrawableSize(window_, &drawableWidth, &drawableHeight);
    gl_.BindFramebuffer(GL_FRAMEBUFFER, 0);
    gl_.Viewport(0, 0, drawableWidth, drawableHeight);
    gl_.Disable(GL_SCISSOR_TEST);
    gl_.Disable(GL_BLEND);
    // The frame-buffer texture's first row is the bottom of the picture.
    const float w = static_cast<float>(width_), h = static_cast<float>(height_);
    const RenderVertex quad[4] = {{-0.5f, -0.5f, 0.5f, 1.0f, 0xFFFFFFFFu, 0.0f, 1.0f},
                                  {w - 0.5f, -0.5f, 0.5f, 1.0f, 0xFFFFFFFFu, 1.0f, 1.0f},
                                  {-0.5f, h - 0.5f, 0.5f, 1.0f, 0xFFFFFFFFu, 0.0f, 0.0f},
                                  {w - 0.5f, h - 0.5f, 0.5f, 1.0f, 0xFFFFFFFFu, 1.0f, 0.0f}};
    DrawRaw(CopyStates(), colourTexture_, PrimitiveType::kTriangleStrip, 2, quad, sizeof(RenderVertex));
    SDL_GL_SwapWindow(window_);
    BindTarget();
    return DeviceResult::kOk;
  }

  bool RemakeBackBuffer(const PresentParameters& parameters) override {
    MakeCurrent();
    return MakeBackBuffer(parameters);
  }

  void FillViewport(uint32_t colour) override {
    MakeCurrent();
    const auto channel = [colour](int shift) {
      return static_cast<float>((colour >> shift) & 0xFFu) / 255.0f;
    };
    gl_.ClearColor(channel(16), channel(8), channel(0), channel(24));
    gl_.Clear(GL_COLOR_BUFFER_BIT);  // the scissor keeps it to the viewport
  }

  int32_t MaxTextureWidth() const override { return MaxTextureWidthFor(maxTexture_, *faults_); }

  DeviceResult DrawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount, const void* vertices,
                               uint32_t stride) override {
    bool skip = true;
    const DeviceResult check = CheckDraw(type, primitiveCount, vertices, stride, skip);
    if (skip) return check;
    MakeCurrent();
    GLuint name = white_;
    if (texture_ != nullptr && !texture_->IsLocked()) name = Upload(*texture_);
    DrawRaw(states_, name, type, primitiveCount, vertices, stride);
    return DeviceResult::kOk;
  }

  void CopyClipped(const RenderTexture& source, const SourceRect& cut, int32_t destX,
                   int32_t destY) override {
    MakeCurrent();
    const int32_t w = cut.right - cut.left, h = cut.bottom - cut.top;
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        pixels[static_cast<size_t>(y) * w + x] = source.ArgbAt(cut.left + x, cut.top + y) | 0xFF000000u;
      }
    }
    gl_.BindTexture(GL_TEXTURE_2D, scratch_);
    SetNearest(GL_CLAMP_TO_EDGE);
    gl_.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    gl_.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                   pixels.data());
    const float left = static_cast<float>(destX) - 0.5f;
    const float top = static_cast<float>(destY) - 0.5f;
    const float right = left + static_cast<float>(w), bottom = top + static_cast<float>(h);
    const RenderVertex quad[4] = {{left, top, 0.5f, 1.0f, 0xFFFFFFFFu, 0.0f, 0.0f},
                                  {right, top, 0.5f, 1.0f, 0xFFFFFFFFu, 1.0f, 0.0f},
                                  {left, bottom, 0.5f, 1.0f, 0xFFFFFFFFu, 0.0f, 1.0f},
                                  {right, bottom, 0.5f, 1.0f, 0xFFFFFFFFu, 1.0f, 1.0f}};
    gl_.Disable(GL_SCISSOR_TEST);  // a copy ignores the viewport, as the software device does
    DrawRaw(CopyStates(), scratch_, PrimitiveType::kTriangleStrip, 2, quad, sizeof(RenderVertex));
    ApplyScissor();
  }

  bool ReadBackBuffer(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height) override {
    MakeCurrent();
    std::vector<uint32_t> upsideDown(static_cast<size_t>(width_) * static_cast<size_t>(height_));
    gl_.PixelStorei(GL_PACK_ALIGNMENT, 4);
    gl_.ReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, upsideDown.data());
    pixels.resize(upsideDown.size());
    for (int32_t y = 0; y < height_; ++y) {
      const uint32_t* from = upsideDown.data() + static_cast<size_t>(height_ - 1 - y) * width_;
      std::transform(from, from + width_, pixels.data() + static_cast<size_t>(y) * width_,
                     [](uint32_t p) { return p | 0xFF000000u; });
    }
    width = width_;
    height = height_;
    return gl_.GetError() == GL_NO_ERROR;
  }

 private:
  // DVX_SCREENSHOT names a PNG file that receives the last frame presented,
  // as the software device's presenter does. The frame is kept at each
  // Present, since the frame-buffer texture may be cleared or gone by the
  // time the device closes.
  static const char* ScreenshotPath() {
    const char* screenshot = std::getenv("DVX_SCREENSHOT");
    return screenshot != nullptr && *screenshot != '\0' ? screenshot : nullptr;
  }
  void KeepFrameForScreenshot() {
    if (ScreenshotPath() == nullptr || window_ == nullptr) return;
    if (!ReadBackBuffer(lastFrame_, lastFrameWidth_, lastFrameHeight_)) lastFrame_.clear();
  }
  void WriteScreenshot() const {
    if (ScreenshotPath() != nullptr && !lastFrame_.empty()) {
      WritePng(ScreenshotPath(), lastFrame_, lastFrameWidth_, lastFrameHeight_);
    }
  }

  static RenderStates CopyStates() {
    RenderStates copy;
    copy.colourOp = TextureOp::kSelectTexture;
    copy.alphaOp = TextureOp::kSelectTexture;
    copy.addressU = TextureAddress::kClamp;
    copy.addressV = TextureAddress::kClamp;
    return copy;
  }

  bool OpenWindow(const DeviceCreateParams& params) {
    if (params.window != nullptr) {
      if (!MakeOpenGLCapable(params.window)) return false;
      window_ = GetSdlWindow(params.window);
      return window_ != nullptr;
    }
    // Without a window of its own the device draws into a hidden one.
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
      if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
      startedVideo_ = true;
    }
    const int w = params.present.backBufferWidth > 0 ? params.present.backBufferWidth : 640;
    const int h = params.present.backBufferHeight > 0 ? params.present.backBufferHeight : 480;
    ownWindow_ = SDL_CreateWindow("render device", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                  w, h, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    window_ = ownWindow_;
    return window_ != nullptr;
  }

  void MakeCurrent() {
    if (SDL_GL_GetCurrentContext() != context_) SDL_GL_MakeCurrent(window_, context_);
  }

  void MakeWhiteTexture() {
    const uint32_t white = 0xFFFFFFFFu;
    gl_.GenTextures(1, &white_);
    gl_.BindTexture(GL_TEXTURE_2D, white_);
    SetNearest(GL_REPEAT);
    gl_.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    gl_.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &white);
  }

  // Point filtering without mipmaps (a texture with a mipmapped filter and
  // one level draws black).
  void SetNearest(GLint wrap) {
    gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
  }

  void OnViewportChanged() override {
    MakeCurrent();
    ApplyScissor();
  }

  bool MakeBackBuffer(const PresentParameters& parameters) {
    int32_t drawableWidth = 0, drawableHeight = 0;
    SDL_GL_GetDrawableSize(window_, &drawableWidth, &drawableHeight);
    if (!TakeBackBuffer(parameters, drawableWidth, drawableHeight, maxTexture_)) return false;
    if (framebuffer_ == 0) {
      gl_.GenFramebuffers(1, &framebuffer_);
      gl_.GenTextures(1, &colourTexture_);
    }
    gl_.BindTexture(GL_TEXTURE_2D, colourTexture_);
    SetNearest(GL_CLAMP_TO_EDGE);
    gl_.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width_, height_, 0, GL_BGRA,
                   GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    gl_.BindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    gl_.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colourTexture_, 0);
    if (gl_.CheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;
    BindTarget();
    gl_.Disable(GL_SCISSOR_TEST);
    gl_.ClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl_.Clear(GL_COLOR_BUFFER_BIT);
    ApplyScissor();
    return true;
  }

  void BindTarget() {
    gl_.BindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    gl_.Viewport(0, 0, width_, height_);
    ApplyScissor();
  }

  // Drawing and clearing stay inside the viewport; rows count from the bottom.
  void ApplyScissor() {
    gl_.Enable(GL_SCISSOR_TEST);
    gl_.Scissor(viewport_.x, height_ - viewport_.y - viewport_.height, viewport_.width,
                viewport_.height);
  }

  GLuint Upload(const RenderTexture& texture) {
    auto* data = static_cast<GlTexture*>(texture.Backend());
    if (data == nullptr || data->link != link_) {
      auto made = std::make_unique<GlTexture>(link_);
      gl_.GenTextures(1, &made->name);
      data = made.get();
      texture.SetBackend(std::move(made));
    }
    gl_.BindTexture(GL_TEXTURE_2D, data->name);
    if (data->revision != texture.Revision()) {
      UploadTexels(texture);
      data->revision = texture.Revision();
      data->wrapS = data->wrapT = 0;
    }
    const GLint wrapS = ToGl(states_.addressU), wrapT = ToGl(states_.addressV);
    if (data->wrapS != wrapS || data->wrapT != wrapT) {
      SetNearest(wrapS);
      gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapT);
      data->wrapS = wrapS;
      data->wrapT = wrapT;
    }
    return data->name;
  }

  void UploadTexels(const RenderTexture& texture) {
    const int32_t w = texture.Width(), h = texture.Height();
    const int32_t bytes = BytesPerTexel(texture.Format());
    gl_.PixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl_.PixelStorei(GL_UNPACK_ROW_LENGTH, texture.Pitch() / bytes);
    switch (texture.Format()) {
      case TextureFormat::kA8R8G8B8:
        gl_.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                       texture.Bits());
        return;
      case TextureFormat::kA4R4G4B4:
        gl_.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA4, w, h, 0, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV,
                       texture.Bits());
        return;
      case TextureFormat::kR5G6B5:
        gl_.TexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, w, h, 0, GL_RGB, GL_UNSIGNED_SHORT_5_6_5,
                       texture.Bits());
        return;
      default:
        break;
    }
    // Formats without an alpha channel of their own read as opaque.
    std::vector<uint32_t> argb(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) argb[static_cast<size_t>(y) * w + x] = texture.ArgbAt(x, y);
    }
    gl_.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    gl_.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                   argb.data());
  }

  void DrawRaw(const RenderStates& states, GLuint texture, PrimitiveType type, uint32_t count,
               const void* vertices, uint32_t stride) {
    if (states.alphaBlend) {
      gl_.Enable(GL_BLEND);
      gl_.BlendFunc(ToGl(states.srcBlend), ToGl(states.destBlend));
    } else {
      gl_.Disable(GL_BLEND);
    }
    gl_.BindTexture(GL_TEXTURE_2D, texture);
    program_->Use(states, static_cast<float>(width_), static_cast<float>(height_));
    const uint64_t vertexCount = VerticesFor(type, count);
    const GLenum mode = type == PrimitiveType::kTriangleList
                            ? GL_TRIANGLES
                            : (type == PrimitiveType::kTriangleStrip ? GL_TRIANGLE_STRIP : GL_TRIANGLE_FAN);
    buffers_->Draw(mode, vertices, stride, vertexCount);
  }

  GlApi gl_;
  std::shared_ptr<GlContextLink> link_;
  std::unique_ptr<GlProgram> program_;
  std::unique_ptr<GlVertexStream> buffers_;
  SDL_Window* window_ = nullptr;
  SDL_Window* ownWindow_ = nullptr;
  SDL_GLContext context_ = nullptr;
  bool startedVideo_ = false;
  bool core_ = true;
  GLint maxTexture_ = 0;
  GLuint white_ = 0;
  GLuint scratch_ = 0;
  GLuint framebuffer_ = 0;
  std::vector<uint32_t> lastFrame_;
  int32_t lastFrameWidth_ = 0;
  int32_t lastFrameHeight_ = 0;
  GLuint colourTexture_ = 0;
};

}  // namespace

std::unique_ptr<RenderDevice> CreateOpenGLDevice(const DeviceCreateParams& params,
                                                 DeviceResult& result) {
  auto faults = params.faults ? params.faults : std::make_shared<RenderFaults>();
  if (faults->failDeviceCreation) {
    result = DeviceResult::kNotAvailable;
    return nullptr;
  }
  auto device = std::make_unique<OpenGLDevice>(faults);
  result = device->Start(params);
  if (!Succeeded(result)) return nullptr;
  return device;
}

}  // namespace platform
