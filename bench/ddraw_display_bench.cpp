// A whole 2D frame at 1024 x 768: the back buffer cleared, covered with
// floor tiles, 24 keyed sprites and a line of text over them, drawn by the
// 2D display headless. Presenting is left out: the presenter paces itself
// to the screen. The "fps" counter is frames per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "app/vector3.h"
#include "display/colour.h"
#include "display/ddraw/direct_draw_surface.h"
#include "display/ddraw/direct_draw_visuals.h"
#include "display/direct_draw_display.h"
#include "display/visuals/shape_factory.h"

namespace {

constexpr int32_t kWidth = 1024;
constexpr int32_t kHeight = 768;
constexpr int32_t kSprites = 24;

class TBenchHost : public TDirectDrawHost {
 public:
  float GetZoom() const override { return 1.0f; }
  bool GetClearEachFrame() const override { return true; }
  void SubtractScrollOffset(TVector3& /*point*/) const override {}
  void ToViewCoordinates(float& /*x*/, float& /*y*/) const override {}
  void ReloadSurfaces() override {}
};

// A picture of the size with a pattern; a keyed one is a quarter clear.
std::unique_ptr<TDirectDrawSurface> Picture(TDirectDrawDisplay& display, int32_t width, int32_t height, bool keyed) {
  auto surface = std::make_unique<TDirectDrawSurface>(width, height, &display.GetCanvas());
  platform::SoftSurface* pixels = surface->GetPixels();
  const uint32_t key = display.GetPixelFormat()->PackColour(TDirectDrawSurface::ColourKey());
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const platform::SurfaceRect pixel{x, y, x + 1, y + 1};
      const bool clear = keyed && ((x / 4 + y / 4) % 4 == 0);
      pixels->Fill(&pixel, clear ? key : static_cast<uint32_t>(x * 7 + y * 13 + 0x20));
    }
  }
  if (!keyed) pixels->ClearColourKey();
  return surface;
}

std::unique_ptr<TShape> QuadOf(float width, float height) {
  std::unique_ptr<TShape> shape = TShapeFactory().CreateShape("Quad2D", {"0,0,1,1", "0"});
  shape->SetWidth(width);
  shape->SetHeight(height);
  return shape;
}

void DirectDrawFrame(benchmark::State& state) {
  TDirectDrawDisplayOptions options;
  options.bitsPerPixel = static_cast<uint32_t>(state.range(0));
  options.host = std::make_unique<TBenchHost>();
  TDirectDrawDisplay display(false, kWidth, kHeight, std::move(options));
  const auto floorPicture = Picture(display, 64, 48, false);
  const auto spritePicture = Picture(display, 40, 60, true);
  const auto floorQuad = QuadOf(64.0f, 48.0f);
  const auto spriteQuad = QuadOf(40.0f, 60.0f);

  std::vector<std::unique_ptr<TVisual>> floors;
  // Staggered rows 32 pixels apart, as the isometric map lays its tiles;
  // the edge rows and columns reach past the back buffer.
  for (int32_t row = 0; row <= kHeight / 32 + 1; ++row) {
    for (int32_t column = 0; column <= kWidth / 64 + 1; ++column) {
      TVector3 at(static_cast<float>(column * 64 + (row % 2) * 32), static_cast<float>(row * 32), 0.0f);
      auto floor = std::make_unique<TDirectDrawFloor>(&at, true, &display,
                                                      TDirectDrawPictureSource{floorPicture.get(), floorQuad.get()});
      floor->SetOnTop();
      floors.push_back(std::move(floor));
    }
  }
  std::vector<std::unique_ptr<TVisual>> sprites;
  for (int32_t i = 0; i < kSprites; ++i) {
    TVector3 at(static_cast<float>(60 + (i % 6) * 160), static_cast<float>(120 + (i / 6) * 170), 0.0f);
    auto sprite = std::make_unique<TDirectDrawSprite>(
        &at, true, &display, TDirectDrawPictureSource{spritePicture.get(), spriteQuad.get()}, TVector3(0.5f, 1.0f, 0.0f));
    sprite->SetOnTop();
    sprites.push_back(std::move(sprite));
  }

  const TColour white(1.0f, 1.0f, 1.0f, 1.0f);
  for (auto _ : state) {
    display.BeginFrame();
    for (const auto& floor : floors) floor->Draw(TVector3(), nullptr);
    for (const auto& sprite : sprites) sprite->Draw(TVector3(), nullptr);
    display.DrawText("Turn 3 of 20", 480, 10, white);
    display.FlushText();
    display.SetViewChanged(false);
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["floors"] = static_cast<double>(floors.size());
}

BENCHMARK(DirectDrawFrame)->Arg(32)->Arg(16)->ArgName("bits")->Unit(benchmark::kMillisecond);

}  // namespace
