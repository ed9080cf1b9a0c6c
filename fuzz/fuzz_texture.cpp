// Textures are made from image files a player can replace: whatever the bytes,
// a texture either holds the converted texels or none, and drawing it is safe.
// The first byte picks the file kind; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "display/d3d/d3d_display.h"
#include "display/image/pixel_shader.h"
#include "display/visuals/shape.h"
#include "fuzz_image_file.h"
#include "fuzz_scratch_folder.h"

namespace {

const char* const kNames[] = {"input.tga", "input.png", "input.bmp", "input.jpg"};

TDirect3D8Display& Display() {
  static TDirect3D8Display* display = [] {
    TD3DDisplayOptions options;
    options.createDevice = &platform::CreateSoftwareDevice;
    return new TDirect3D8Display(false, 64, 48, options);
  }();
  return *display;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("DVX_HEADLESS", "1", 1);
  fuzz::EnterScratchFolder("texture");
  std::atexit([] {
    for (const char* name : kNames) std::remove(name);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string name = kNames[data[0] & 3u];
  const TColourSwapper shader;
  fuzz::WriteInput(name, data + 1, size - 1);
  TDirect3D8Display& display = Display();
  const std::unique_ptr<TSurface> texture =
      display.CreateSurface(TSurfaceKey(name, (data[0] & 4u) != 0 ? &shader : nullptr));
  QuadDD8 quad(&display);
  quad.SetVertex(3, 64.0f, 48.0f, 0xFFFFFFFFu, 1.0f, 1.0f);
  display.BeginFrame();
  texture->Draw(&quad);
  display.Present();
  return 0;
}
