// The 3D device the game's 3D display draws through: the small feature set it
// has always used of a Direct3D-8-style device (pre-transformed vertices in
// pixel space, one texture stage, alpha blend and alpha test, a back buffer
// presented once a frame) with two back-ends: OpenGL in a real window, and a
// software rasteriser that is the headless device and the reference that pixel
// tests check. Results, formats and state values keep the numbers the display
// code was written against.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/window.h"

namespace platform {

enum class DeviceResult : uint32_t {
  kOk = 0,
  kDeviceLost,       // the device cannot draw now; test the cooperative level
  kDeviceNotReset,   // the device can be reset now
  kInvalidCall,      // bad arguments or a call in the wrong state
  kOutOfMemory,      // a texture or buffer could not be allocated
  kNotAvailable,     // the back-end cannot start on this machine
};
constexpr bool Succeeded(DeviceResult result) { return result == DeviceResult::kOk; }
// The name of a result for messages and the log ("D3DERR_DEVICELOST" style).
std::string DeviceResultName(DeviceResult result);

// Texel and back-buffer formats, numbered as the display code knows them.
enum class TextureFormat : uint32_t {
  kUnknown = 0,
  kA8R8G8B8 = 21,
  kX8R8G8B8 = 22,
  kR5G6B5 = 23,
  kX1R5G5B5 = 24,
  kA1R5G5B5 = 25,
  kA4R4G4B4 = 26,
  kX4R4G4B4 = 30,
};
// Bytes per texel: 4 for the 32-bit formats, 2 for the 16-bit ones, 0 for unknown.
int32_t BytesPerTexel(TextureFormat format);
// One texel of the format as 0xAARRGGBB (channels widened by bit replication;
// formats without alpha read as opaque).
uint32_t TexelToArgb(TextureFormat format, const uint8_t* texel);

enum class TexturePool : uint32_t { kManaged = 1, kSystemMemory = 2 };

enum class PrimitiveType : uint32_t { kTriangleList = 4, kTriangleStrip = 5, kTriangleFan = 6 };

enum class BlendFactor : uint32_t { kZero = 1, kOne = 2, kSrcAlpha = 5, kInvSrcAlpha = 6 };
enum class CompareFunction : uint32_t { kNever = 1, kLess = 2, kEqual = 3, kLessEqual = 4,
                                        kGreater = 5, kNotEqual = 6, kGreaterEqual = 7, kAlways = 8 };
// Stage-0 operations: the texture's value, the vertex colour's, or their product.
enum class TextureOp : uint32_t { kDisable = 1, kSelectTexture = 2, kSelectDiffuse = 3, kModulate = 4 };
enum class TextureAddress : uint32_t { kWrap = 1, kClamp = 3 };

// The device state the display sets. The defaults are the device's own at
// creation and after every reset; only point filtering exists.
struct RenderStates {
  bool alphaBlend = false;
  BlendFactor srcBlend = BlendFactor::kOne;
  BlendFactor destBlend = BlendFactor::kZero;
  bool alphaTest = false;
  uint8_t alphaRef = 0;
  CompareFunction alphaFunc = CompareFunction::kAlways;
  TextureOp colourOp = TextureOp::kModulate;
  TextureOp alphaOp = TextureOp::kSelectTexture;
  TextureAddress addressU = TextureAddress::kWrap;
  TextureAddress addressV = TextureAddress::kWrap;
  bool operator==(const RenderStates&) const = default;
};

// A pre-transformed vertex: screen position in pixels (a pixel's centre at
// integer coordinates), depth and reciprocal w (unused: no depth test), colour
// 0xAARRGGBB, one texture coordinate pair. Callers may pass any array whose
// elements start with this layout, with their own stride.
struct RenderVertex {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.5f;
  float rhw = 1.0f;
  uint32_t colour = 0xFFFFFFFFu;
  float u = 0.0f;
  float v = 0.0f;
};
static_assert(sizeof(RenderVertex) == 28, "the vertex layout the display's arrays use");
constexpr uint32_t kRenderVertexFormat = 0x144;  // position+rhw, diffuse, one uv pair

struct Viewport {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  float minZ = 0.0f;
  float maxZ = 1.0f;
};

struct DisplayMode {
  int32_t width = 0;
  int32_t height = 0;
  int32_t refreshRate = 0;
  TextureFormat format = TextureFormat::kX8R8G8B8;
};

// How the back buffer is made; kept by the display for every later Reset.
// Width and height 0 take the window's client size.
struct PresentParameters {
  int32_t backBufferWidth = 0;
  int32_t backBufferHeight = 0;
  TextureFormat backBufferFormat = TextureFormat::kX8R8G8B8;
  bool windowed = true;
  uint32_t swapEffect = 4;  // copy, waiting for the vertical blank
};

// Faults and waits a test can inject into a device. Scripted results are
// consumed one per call, before the device answers from its own state.
struct RenderFaults {
  bool failDeviceCreation = false;
  bool failDisplayMode = false;
  // The desktop format the adapter reports; kUnknown keeps the adapter's own.
  TextureFormat desktopFormat = TextureFormat::kUnknown;
  std::deque<DeviceResult> presentResults;      // kDeviceLost also loses the device
  std::deque<DeviceResult> cooperativeResults;  // answers of TestCooperativeLevel
  std::deque<DeviceResult> resetResults;
  std::deque<DeviceResult> clearResults;
  std::deque<DeviceResult> viewportResults;
  int32_t failTextureCreations = 0;  // the next N texture creations fail
  bool refuseNonPowerOfTwo = false;  // creations with a size that is no power of two fail
  int32_t failLocks = 0;             // the next N texture locks fail
  int32_t maxTextureWidth = 0;       // above 0: the device's limit is this
  // Replaces the real sleep of the device's waits; every wait is recorded.
  std::function<void(uint32_t)> sleep;
  std::vector<uint32_t> sleeps;
};

// A texture of one level: its texels live in memory in its own format (rows of
// Pitch() bytes); the OpenGL back-end uploads them when the texture is next
// drawn after an unlock.
class RenderTexture {
 public:
  // Whatever a back-end keeps beside the texels (a GL texture name).
  struct BackendData {
    virtual ~BackendData() = default;
  };

  RenderTexture(int32_t width, int32_t height, TextureFormat format, TexturePool pool,
                std::shared_ptr<RenderFaults> faults);
  ~RenderTexture();
  RenderTexture(const RenderTexture&) = delete;
  RenderTexture& operator=(const RenderTexture&) = delete;

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  TextureFormat Format() const { return format_; }
  TexturePool Pool() const { return pool_; }
  int32_t Pitch() const { return pitch_; }

  // Locks the whole level for writing; fails when already locked.
  DeviceResult Lock(uint8_t*& bits, int32_t& pitch);
  DeviceResult Unlock();
  bool IsLocked() const { return locked_; }

  const uint8_t* Bits() const { return texels_.data(); }
  // Changes with every unlock.
  uint64_t Revision() const { return revision_; }
  // The texel at (x, y) as 0xAARRGGBB; coordinates must be inside.
  uint32_t ArgbAt(int32_t x, int32_t y) const;

  // Back-end data belongs to no texel, so a drawing device may attach it to a
  // texture it was handed as const.
  BackendData* Backend() const { return backend_.get(); }
  void SetBackend(std::unique_ptr<BackendData> data) const { backend_ = std::move(data); }

 private:
  int32_t width_;
  int32_t height_;
  TextureFormat format_;
  TexturePool pool_;
  int32_t pitch_;
  std::vector<uint8_t> texels_;
  std::shared_ptr<RenderFaults> faults_;
  bool locked_ = false;
  uint64_t revision_ = 0;
  mutable std::unique_ptr<BackendData> backend_;
};

struct SourceRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

enum class RenderBackend { kSoftware, kOpenGL };

class RenderDevice {
 public:
  virtual ~RenderDevice() = default;

  virtual RenderBackend Backend() const = 0;

  // Frame.
  virtual DeviceResult BeginScene() = 0;
  virtual DeviceResult EndScene() = 0;
  // Shows the back buffer; kDeviceLost when the device was lost.
  virtual DeviceResult Present() = 0;
  virtual DeviceResult TestCooperativeLevel() = 0;
  // Re-makes the back buffer; the render states return to their defaults and
  // no texture is bound. Textures survive.
  virtual DeviceResult Reset(const PresentParameters& parameters) = 0;
  // Fills the whole target with the colour (0xAARRGGBB).
  virtual DeviceResult Clear(uint32_t colour) = 0;
  virtual DeviceResult GetViewport(Viewport& viewport) const = 0;
  virtual DeviceResult SetViewport(const Viewport& viewport) = 0;
  virtual DeviceResult GetDisplayMode(DisplayMode& mode) const = 0;
  virtual TextureFormat BackBufferFormat() const = 0;
  virtual int32_t BackBufferWidth() const = 0;
  virtual int32_t BackBufferHeight() const = 0;
  virtual int32_t MaxTextureWidth() const = 0;

  // Textures. Creation fails with kOutOfMemory or kInvalidCall; callers retry
  // at power-of-two sizes.
  virtual DeviceResult CreateTexture(int32_t width, int32_t height, TextureFormat format,
                                     TexturePool pool, std::unique_ptr<RenderTexture>& texture) = 0;
  // Stage 0; null draws with the vertex colour alone (as a white texel).
  virtual void SetTexture(const RenderTexture* texture) = 0;

  virtual void SetRenderStates(const RenderStates& states) = 0;
  virtual const RenderStates& GetRenderStates() const = 0;

  // Draws primitiveCount triangles from an array of vertices `stride` bytes
  // apart, each starting with the RenderVertex layout.
  virtual DeviceResult DrawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount,
                                       const void* vertices, uint32_t stride) = 0;
  // Copies a rectangle of a system-memory texture to (destX, destY) of the back
  // buffer, unscaled; the parts outside the back buffer are cut off.
  virtual DeviceResult CopyRects(const RenderTexture& source, const SourceRect& rect,
                                 int32_t destX, int32_t destY) = 0;

  // The back buffer as X8R8G8B8 rows, top first (tests and screenshots).
  virtual bool ReadBackBuffer(std::vector<uint32_t>& pixels, int32_t& width,
                              int32_t& height) = 0;

  // The wait between tests of a lost device: the injected sleep when there
  // is one, else the real one.
  void Sleep(uint32_t milliseconds);
  const std::shared_ptr<RenderFaults>& Faults() const { return faults_; }

 protected:
  explicit RenderDevice(std::shared_ptr<RenderFaults> faults);

  std::shared_ptr<RenderFaults> faults_;
};

struct DeviceCreateParams {
  // The window presented into; null renders to memory only.
  WindowHandle window = nullptr;
  PresentParameters present;
  std::shared_ptr<RenderFaults> faults;  // null: no faults
};

// The adapter's current desktop mode (the injected format when faults say so).
DeviceResult GetAdapterDisplayMode(DisplayMode& mode, const RenderFaults* faults);

std::unique_ptr<RenderDevice> CreateSoftwareDevice(const DeviceCreateParams& params,
                                                   DeviceResult& result);
// Null with kNotAvailable when the window cannot get an OpenGL context.
std::unique_ptr<RenderDevice> CreateOpenGLDevice(const DeviceCreateParams& params,
                                                 DeviceResult& result);
// OpenGL for a real window, the software device when headless, without a
// window, or when OpenGL does not start; DVX_RENDER_DEVICE=software or opengl
// forces the choice.
std::unique_ptr<RenderDevice> CreateRenderDevice(const DeviceCreateParams& params,
                                                 DeviceResult& result);

}  // namespace platform
