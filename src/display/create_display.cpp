#include "display/direct_draw_display.h"
#include "display/display.h"

std::unique_ptr<TDisplay> CreateDisplay(const std::string& /*typeName*/, bool fullScreen, int32_t width,
                                        int32_t height) {
  // This build has no 3D device yet, so a 3D name (IsDirect3DTypeName) fails
  // the device check and, like every other name, gives the 2D display.
  return std::make_unique<TDirectDrawDisplay>(fullScreen, width, height);
}
