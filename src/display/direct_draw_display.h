// The 2D display: the game drawn as rectangle copies of picture surfaces onto
// a software back buffer, with a line drawer for bars and a queue of texts
// drawn over everything at presentation, which shows the back buffer in the
// main window (or keeps it in memory headless). Failures it cannot recover
// from go through one fatal handler, which ends the program with status 1
// unless a test replaces it; a lost back buffer is restored and the cached
// pictures reloaded.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "display/colour.h"
#include "display/ddraw/direct_draw_canvas.h"
#include "display/ddraw/direct_draw_visuals.h"
#include "display/display.h"
#include "display/text/glyph_surface.h"
#include "display/text/screen_text_font.h"
#include "platform/frame_presenter.h"
#include "platform/window.h"

namespace platform {
class TFontFaceMap;
}

// What the 2D display needs of the map view that owns it.
class TDirectDrawHost {
 public:
  virtual ~TDirectDrawHost() = default;
  virtual float GetZoom() const = 0;
  virtual bool GetClearEachFrame() const = 0;
  // Takes the frame's scroll offset off a projected screen point.
  virtual void SubtractScrollOffset(TVector3& point) const = 0;
  virtual void ToViewCoordinates(float& x, float& y) const = 0;
  // Every cached picture released and loaded again.
  virtual void ReloadSurfaces() = 0;
};

// The host of a display that belongs to the map-view singleton; without a
// map view it answers zoom 1 and leaves points as they are.
std::unique_ptr<TDirectDrawHost> MakeMapViewDirectDrawHost();

struct TDirectDrawDisplayOptions {
  // 32 (X8R8G8B8) or 16 (R5G6B5, the test mode); anything else is refused.
  uint32_t bitsPerPixel = 32;
  // The window presented into; null: the application's main window, and
  // without one frames stay in memory.
  platform::WindowHandle window = nullptr;
  // Null: the map view.
  std::unique_ptr<TDirectDrawHost> host;
  // Null: the data set's face map.
  std::shared_ptr<const platform::TFontFaceMap> faces;
  // Shown a fatal message; null: a message box, then exit status 1.
  std::function<void(const std::string&)> fatal;
  // The wait between restore attempts; null: the platform's sleep.
  std::function<void(uint32_t milliseconds)> sleep;
};

class TDirectDrawDisplay : public TDisplay, public TDirectDrawView, public TGlyphSurfaceTarget {
 public:
  static constexpr int32_t kRestoreAttempts = 20;
  static constexpr uint32_t kRestoreWaitMs = 500;
  static constexpr float kBaseTextHeight = 16.0f;

  TDirectDrawDisplay(bool fullScreen, int32_t width, int32_t height, TDirectDrawDisplayOptions options = {});
  ~TDirectDrawDisplay() override;
  TDirectDrawDisplay(const TDirectDrawDisplay&) = delete;
  TDirectDrawDisplay& operator=(const TDirectDrawDisplay&) = delete;

  static const char* TypeName() { return kDirectDrawTypeName; }
  static const char* ConfigName() { return "2D.cfg"; }

  bool Init(bool fullScreen, int32_t width, int32_t height) override;
  void RegisterVisualTypes(TVisualLibrary& library) override;
  void Shutdown() override;
  void BeginFrame() override;
  void Present() override;
  int32_t GetWidth() const override { return width_; }
  int32_t GetHeight() const override { return height_; }
  bool IsFullScreen() const override { return fullScreen_; }
  bool Resize(int32_t width, int32_t height) override;
  void OnWindowMoved() override;
  void DrawVisual(TBarVisual* bar, const TVector3& position, bool onTop) override;
  void DrawBar(TWorldBar* bar, const TVector3& offset) override;
  std::unique_ptr<TSurface> CreateSurface(const TSurfaceKey& key) override;
  // Blanks the corner where the rate is shown and queues the rate there.
  void DrawFps(int32_t framesPerSecond) override;
  void DrawText(const std::string& text, int32_t x, int32_t y, const TColour& colour) override;
  float GetTextWidth(const std::string& text, int32_t begin, int32_t end) override;
  float GetStringWidth(const std::string& text) override;
  float GetTextHeight(const std::string& text) override;
  const TPixelFormat* GetPixelFormat() const override { return canvas_.GetPixelFormat(); }
  void SetTextScale(float scale) override;
  void Clear() override;
  int32_t BlitQuad(const TShape* quad, const TSurface* surface) override;
  std::string GetConfigName() const override { return ConfigName(); }
  std::string GetTypeName() const override { return TypeName(); }
  void LockBackBuffer() override;
  void UnlockBackBuffer() override;

  // The 2D visuals' view of the display.
  float GetZoom() const override;
  void ToViewCoordinates(float& x, float& y) const override;
  bool IsViewChanged() const override { return TDisplay::IsViewChanged(); }
  int32_t BlitQuad(const TShape& quad, const TDirectDrawSurface* surface) override;

  // The glyph fonts' copies onto the back buffer.
  void BlitGlyphs(const TGlyphSurface& surface, const TGlyphRect& source, const TGlyphRect& dest) override;

  // The copies of the image surfaces, by placement class.
  void BlitQuadClipped(const TShape& quad, const TDirectDrawSurface& surface);
  void BlitQuadFast(const TShape& quad, const TDirectDrawSurface& surface);
  void BlitRect(const TVector3& sourceTopLeft, const TVector3& sourceBottomRight, const TVector3& destTopLeft,
                const TVector3& destBottomRight, const TDirectDrawSurface& surface);
  // A line from (x0, y0) towards (x1, y1), the end itself not drawn, with
  // thickness / 2 extra pixels on each side across the line. Black (0) is
  // written only where x + y is odd, so the picture shows through.
  void DrawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t thickness, uint32_t pixel);

  // Nothing for kOk; otherwise the message (with the surface error's text)
  // goes to the fatal handler.
  void ReportError(platform::SurfaceResult result, const std::string& message);
  // Draws the queued texts over the frame and empties the queue; the first
  // step of Present.
  void FlushText();

  float GetTextScale() const { return textScale_; }
  int32_t GetTextCellHeight() const { return font_.GetCellHeight(); }
  std::size_t QueuedTextCount() const { return queue_.size(); }
  TDirectDrawCanvas& GetCanvas() { return canvas_; }
  const platform::SoftSurface* GetBackBuffer() const { return canvas_.GetBackBuffer(); }
  const platform::FramePresenter& GetPresenter() const { return presenter_; }

 private:
  struct TQueuedText {
    std::string text;
    int32_t x = 0;
    int32_t y = 0;
    TColour colour;
    float scale = 1.0f;
  };

  void CreateTextFont();
  void RestoreSurfaces();
  void Sleep(uint32_t milliseconds) const;
  platform::WindowHandle Window() const;
  // The back buffer locked as a pixel target; false (nothing locked) when
  // it cannot be.
  bool LockTarget(TPixelTarget& target);

  TDirectDrawDisplayOptions options_;
  std::shared_ptr<const platform::TFontFaceMap> faces_;
  TDirectDrawCanvas canvas_;
  platform::FramePresenter presenter_;
  TScreenTextFont font_;
  std::vector<TQueuedText> queue_;
  float textScale_ = 1.0f;
  int32_t width_ = 0;
  int32_t height_ = 0;
  bool fullScreen_ = false;
  bool locked_ = false;
};

// The text of a surface error as the display reports it; empty for none.
std::string DirectDrawErrorText(platform::SurfaceResult result);
