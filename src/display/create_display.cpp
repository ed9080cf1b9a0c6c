#include <cstdlib>
#include <string>

#include "display/direct_draw_display.h"
#include "display/display.h"

namespace {

// "DVX_DISPLAY_DEPTH=16" runs the 2D display in R5G6B5, the test mode of
// 16-bit desktops; anything else keeps X8R8G8B8.
uint32_t RequestedDepth() {
  const char* depth = std::getenv("DVX_DISPLAY_DEPTH");
  return depth != nullptr && std::string(depth) == "16" ? 16u : 32u;
}

}  // namespace

std::unique_ptr<TDisplay> CreateDisplay(const std::string& /*typeName*/, bool fullScreen, int32_t width,
                                        int32_t height) {
  // This build has no 3D device yet, so a 3D name (IsDirect3DTypeName) fails
  // the device check and, like every other name, gives the 2D display.
  TDirectDrawDisplayOptions options;
  options.bitsPerPixel = RequestedDepth();
  return std::make_unique<TDirectDrawDisplay>(fullScreen, width, height, std::move(options));
}
