// A 3D display on the software device for tests, with a view whose zoom,
// camera offset and flags the test sets, fatal errors turned into
// exceptions, and small image files written on demand.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "display/d3d/d3d_display.h"
#include "display/d3d/d3d_view.h"
#include "display/image/tga_image.h"
#include "display/visuals/shape_factory.h"

namespace d3d_test {

struct FatalDisplayError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class TestView : public TD3DView {
 public:
  float GetZoom() const override { return zoom; }
  void ToViewCoordinates(float* x, float* y) const override {
    *x -= camera.x;
    *y -= camera.y;
  }
  void SubtractScrollOffset(TVector3& point) const override {
    point.x -= camera.x;
    point.y -= camera.y;
  }
  bool IsRedrawPending() const override { return redraw; }
  bool GetClearEachFrame() const override { return clearEachFrame; }
  bool GetTextureResolutionFlag() const override { return highResolution; }
  TDisplay3D* GetDisplay3D() const override { return display; }
  TShapeFactory& GetShapeFactory() const override { return *factory; }
  void RebuildDisplay() override { ++rebuilds; }
  const TFontManager* GetFontManager() const override { return fonts; }

  float zoom = 1.0f;
  TVector3 camera;  // subtracted from every projected point
  bool redraw = false;
  bool clearEachFrame = true;
  bool highResolution = true;
  TDisplay3D* display = nullptr;
  std::unique_ptr<TShapeFactory> factory = std::make_unique<TShapeFactory>();
  int32_t rebuilds = 0;
  const TFontManager* fonts = nullptr;
};

// The software display of the size, drawn through by the view.
struct SoftwareScene {
  explicit SoftwareScene(int32_t width = 64, int32_t height = 48,
                         std::shared_ptr<platform::RenderFaults> faults = std::make_shared<platform::RenderFaults>())
      : faults(std::move(faults)) {
    TD3DDisplayOptions options;
    options.faults = this->faults;
    options.createDevice = &platform::CreateSoftwareDevice;
    options.fatal = [](const std::string& message) { throw FatalDisplayError(message); };
    display = std::make_unique<TDirect3D8Display>(false, width, height, std::move(options));
    display->SetView(&view);
    view.display = display.get();
    view.factory = std::make_unique<TShapeFactory>(display.get());
  }

  // The back buffer after the frame drawn so far.
  uint32_t Pixel(int32_t x, int32_t y) {
    std::vector<uint32_t> pixels;
    int32_t width = 0;
    int32_t height = 0;
    if (!display->GetRenderDevice()->ReadBackBuffer(pixels, width, height)) return 0xDEADBEEFu;
    if (x < 0 || y < 0 || x >= width || y >= height) return 0xDEADBEEFu;
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] &
           0x00FFFFFFu;
  }

  std::shared_ptr<platform::RenderFaults> faults;
  TestView view;
  std::unique_ptr<TDirect3D8Display> display;
};

// Writes a 32-bit TGA of the pixels (0xAARRGGBB, rows from the top) as
// name + ".tga"; the file name written.
inline std::string WriteTga(const std::string& name, uint32_t width, uint32_t height,
                            const std::vector<uint32_t>& argb) {
  TTgaImage image;
  image.Create(width, height, 32);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const uint32_t p = argb[y * width + x];
      image.SetChannel(x, y, 0, static_cast<uint8_t>(p >> 16));
      image.SetChannel(x, y, 1, static_cast<uint8_t>(p >> 8));
      image.SetChannel(x, y, 2, static_cast<uint8_t>(p));
      image.SetChannel(x, y, 3, static_cast<uint8_t>(p >> 24));
    }
  }
  image.PrepareForSave();
  image.Save(name);
  return name + ".tga";
}

inline int32_t Red(uint32_t pixel) { return static_cast<int32_t>((pixel >> 16) & 0xFF); }
inline int32_t Green(uint32_t pixel) { return static_cast<int32_t>((pixel >> 8) & 0xFF); }
inline int32_t Blue(uint32_t pixel) { return static_cast<int32_t>(pixel & 0xFF); }

}  // namespace d3d_test
