// Pictures of the 2D display come from image files a player can replace: a
// load into a surface of either depth either fails or yields a picture that
// copies onto the back buffer, clipped, at any place and scale.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "display/ddraw/direct_draw_canvas.h"
#include "display/ddraw/direct_draw_surface.h"
#include "display/visuals/shape.h"
#include "fuzz_image_file.h"
#include "fuzz_scratch_folder.h"

namespace {

// The first input byte chooses the reader and the depth; the rest is the file.
const char* const kNames[] = {"input.tga", "input.jpg", "input.png"};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("DVX_HEADLESS", "1", 1);
  fuzz::EnterScratchFolder("picture_surface");
  std::atexit([] {
    for (const char* name : kNames) std::remove(name);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const char* name = kNames[data[0] % 3];
  fuzz::WriteInput(name, data + 1, size - 1);
  TDirectDrawCanvas canvas;
  if (!canvas.Open((data[0] & 0x80) != 0 ? 16 : 32, 64, 48)) std::abort();
  canvas.SetFailureHook([](platform::SurfaceResult, const char*) { std::abort(); });
  const TColourSwapper swapper;
  TDirectDrawSurface surface(TSurfaceKey(name, (data[0] & 0x40) != 0 ? &swapper : nullptr), &canvas);
  const float places[][4] = {{0, 0, 1, 1}, {-13, -7, 80, 50}, {30, 20, 31, 90}, {5, 5, 6, 6}};
  for (const auto& place : places) {
    Quad2D quad;
    quad.SetXY(0, place[0], place[1]);
    quad.SetXY(3, place[0] + place[2] * static_cast<float>(surface.GetWidth()),
               place[1] + place[3] * static_cast<float>(surface.GetHeight()));
    quad.SetUV(0, 0.0f, 0.0f);
    quad.SetUV(3, 1.0f, 1.0f);
    surface.Draw(&quad);
    if (canvas.ClassifyQuad(quad, surface) == 2) surface.DrawFast(&quad);
  }
  return 0;
}
