// A display that draws nothing and records every call made on it, in order,
// so that tests can check what the visuals, shapes and the map view asked
// of the display. It answers as a 2D or a 3D display as configured.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/vector3.h"
#include "display/colour.h"
#include "display/display.h"
#include "display/pixel_format.h"
#include "display/surface.h"
#include "display/visuals/shape.h"

namespace testing_display {

struct RecordedCall {
  explicit RecordedCall(std::string operation, const void* object = nullptr, TVector3 position = {},
                        bool flag = false)
      : operation(std::move(operation)), object(object), position(position), flag(flag) {}

  std::string operation;
  const void* object = nullptr;  // the visual, bar, quad or surface involved
  TVector3 position;             // positions, offsets, sizes (x, y)
  bool flag = false;             // onTop, full screen
  int32_t value = 0;             // frames per second, primitive count, format
  std::string text;              // texts, file names, type names
  std::vector<TVertex> vertices; // the vertices of a drawn primitive
};

// Where a surface writes its releases and restores when asked to.
using SurfaceJournal = std::vector<RecordedCall>;

// A surface of a fixed size that counts its releases and restores.
class RecordedSurface : public TSurface {
 public:
  RecordedSurface(TSurfaceKey key, int32_t width, int32_t height, SurfaceJournal* journal = nullptr)
      : key_(std::move(key)), width_(width), height_(height), journal_(journal) {}
  void Draw(TShape* quad) override { drawnQuads.push_back(quad); }
  int32_t GetWidth() const override { return width_; }
  int32_t GetHeight() const override { return height_; }
  void Release() override {
    ++releases;
    Journal("SurfaceRelease");
  }
  void Restore(const TSurfaceKey& key) override {
    ++restores;
    restoredFrom = key.GetFileName();
    Journal("SurfaceRestore");
  }
  const TSurfaceKey& GetKey() const { return key_; }

  std::vector<TShape*> drawnQuads;
  int32_t releases = 0;
  int32_t restores = 0;
  std::string restoredFrom;

 private:
  void Journal(const char* operation) {
    if (journal_ == nullptr) return;
    RecordedCall call{operation, this};
    call.text = key_.GetFileName();
    journal_->push_back(std::move(call));
  }

  TSurfaceKey key_;
  int32_t width_;
  int32_t height_;
  SurfaceJournal* journal_;
};

struct RecordingOptions {
  bool is3D = false;
  int32_t width = 800;
  int32_t height = 600;
  bool fullScreen = false;
  int32_t surfaceSize = 64;     // width and height of every surface made
  int32_t blitAnswer = 2;       // what BlitQuad answers
  float characterWidth = 8.0f;  // text width per character
  float textHeight = 16.0f;
  TVector3 viewportOrigin;
  // Surfaces write their releases and restores among the display's calls.
  bool journalSurfaces = false;
  // How many of the next Resize calls fail.
  int32_t failingResizes = 0;
};

class RecordingDisplay : public TDisplay3D {
 public:
  explicit RecordingDisplay(RecordingOptions options = {})
      : options_(options),
        pixelFormat_(options.is3D ? TPixelFormat::MaskedX8R8G8B8() : TPixelFormat::MaskedR5G6B5()) {
    Init(options.fullScreen, options.width, options.height);
  }

  // Every call, oldest first.
  const std::vector<RecordedCall>& Calls() const { return calls_; }
  // The operation names alone.
  std::vector<std::string> Operations() const {
    std::vector<std::string> names;
    for (const RecordedCall& call : calls_) names.push_back(call.operation);
    return names;
  }
  // The calls of one operation.
  std::vector<RecordedCall> CallsOf(const std::string& operation) const {
    std::vector<RecordedCall> found;
    for (const RecordedCall& call : calls_) {
      if (call.operation == operation) found.push_back(call);
    }
    return found;
  }
  void ClearCalls() { calls_.clear(); }
  // Lets a test double (a font, a window) write into the same journal.
  void Note(const std::string& operation, const std::string& text = std::string()) {
    RecordedCall call{operation};
    call.text = text;
    Record(std::move(call));
  }
  void FailNextResizes(int32_t count) { options_.failingResizes = count; }
  // The surfaces made so far (owned by whoever asked for them).
  const std::vector<RecordedSurface*>& Surfaces() const { return surfaces_; }

  bool Init(bool fullScreen, int32_t width, int32_t height) override {
    options_.fullScreen = fullScreen;
    options_.width = width;
    options_.height = height;
    Record(RecordedCall{"Init", nullptr, TVector3(static_cast<float>(width), static_cast<float>(height), 0.0f), fullScreen});
    return true;
  }
  void Shutdown() override { Record(RecordedCall{"Shutdown"}); }
  void BeginFrame() override { Record(RecordedCall{"BeginFrame"}); }
  void Present() override { Record(RecordedCall{"Present"}); }
  int32_t GetWidth() const override { return options_.width; }
  int32_t GetHeight() const override { return options_.height; }
  bool IsFullScreen() const override { return options_.fullScreen; }
  bool Resize(int32_t width, int32_t height) override {
    Record(RecordedCall{"Resize", nullptr, TVector3(static_cast<float>(width), static_cast<float>(height), 0.0f)});
    if (width <= 0 || height <= 0) return false;
    if (options_.failingResizes > 0) {
      --options_.failingResizes;
      return false;
    }
    options_.width = width;
    options_.height = height;
    return true;
  }
  void OnWindowMoved() override { Record(RecordedCall{"OnWindowMoved"}); }
  void DrawVisual(TBarVisual* bar, const TVector3& position, bool onTop) override {
    Record(RecordedCall{"DrawVisual", bar, position, onTop});
  }
  void DrawBar(TWorldBar* bar, const TVector3& offset) override { Record(RecordedCall{"DrawBar", bar, offset}); }
  std::unique_ptr<TSurface> CreateSurface(const TSurfaceKey& key) override {
    auto surface = std::make_unique<RecordedSurface>(key, options_.surfaceSize, options_.surfaceSize,
                                                     options_.journalSurfaces ? &calls_ : nullptr);
    RecordedCall call{"CreateSurface", surface.get()};
    call.text = key.GetFileName();
    Record(std::move(call));
    surfaces_.push_back(surface.get());
    return surface;
  }
  void DrawFps(int32_t framesPerSecond) override {
    RecordedCall call{"DrawFps"};
    call.value = framesPerSecond;
    Record(std::move(call));
  }
  void DrawText(const std::string& text, int32_t x, int32_t y, const TColour& colour) override {
    RecordedCall call{"DrawText", nullptr, TVector3(static_cast<float>(x), static_cast<float>(y), 0.0f)};
    call.text = text;
    call.value = static_cast<int32_t>(colour.ToARGB());
    Record(std::move(call));
  }
  float GetTextWidth(const std::string& /*text*/, int32_t begin, int32_t end) override {
    return end > begin ? static_cast<float>(end - begin) * options_.characterWidth : 0.0f;
  }
  float GetTextHeight(const std::string& /*text*/) override { return options_.textHeight; }
  const TPixelFormat* GetPixelFormat() const override { return &pixelFormat_; }
  void SetTextScale(float scale) override { Record(RecordedCall{"SetTextScale", nullptr, TVector3(scale, 0.0f, 0.0f)}); }
  void Clear() override { Record(RecordedCall{"Clear"}); }
  int32_t BlitQuad(const TShape* quad, const TSurface* surface) override {
    RecordedCall call{"BlitQuad", quad};
    call.text = surface != nullptr ? "surface" : "";
    Record(std::move(call));
    return options_.blitAnswer;
  }
  std::string GetConfigName() const override { return options_.is3D ? "3D.cfg" : "2D.cfg"; }
  std::string GetTypeName() const override { return options_.is3D ? kDirect3DTypeName : kDirectDrawTypeName; }
  void LockBackBuffer() override { Record(RecordedCall{"LockBackBuffer"}); }
  void UnlockBackBuffer() override { Record(RecordedCall{"UnlockBackBuffer"}); }
  bool Is3D() const override { return options_.is3D; }

  bool IsOffScreen(const TVector3& point, float marginX, float marginY) const override {
    return point.x < -marginX || point.y < -marginY || point.x > static_cast<float>(options_.width) + marginX ||
           point.y > static_cast<float>(options_.height) + marginY;
  }
  void ToViewport(float* x, float* y) const override {
    *x -= options_.viewportOrigin.x;
    *y -= options_.viewportOrigin.y;
  }
  TVector3 GetViewportOrigin() const override {
    return TVector3(options_.viewportOrigin.x, options_.viewportOrigin.y, 0.0f);
  }

  void SetVertexFormat(uint32_t format) override {
    RecordedCall call{"SetVertexFormat"};
    call.value = static_cast<int32_t>(format);
    Record(std::move(call));
  }
  void DrawPrimitiveUP(TPrimitiveType type, uint32_t primitiveCount, const TVertex* vertices,
                       uint32_t stride) override {
    RecordedCall call{"DrawPrimitiveUP", vertices};
    call.value = static_cast<int32_t>(primitiveCount);
    call.text = type == TPrimitiveType::kTriangleStrip ? "strip" : "fan";
    call.position = TVector3(static_cast<float>(stride), 0.0f, 0.0f);
    // A strip of n triangles has n + 2 vertices, and so has a fan.
    call.vertices.assign(vertices, vertices + primitiveCount + 2);
    Record(std::move(call));
  }
  void SetNoTexture() override { Record(RecordedCall{"SetNoTexture"}); }

 private:
  void Record(RecordedCall call) { calls_.push_back(std::move(call)); }

  RecordingOptions options_;
  TPixelFormat pixelFormat_;
  std::vector<RecordedCall> calls_;
  std::vector<RecordedSurface*> surfaces_;
};

}  // namespace testing_display
